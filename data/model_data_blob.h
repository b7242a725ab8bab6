#pragma once
// The measured data of the box types as compiled into the module by
// model_data.S: kModelDataBytes bytes copied unchanged from model_data.bin.
// Internal to the module, never exported. The layout, and the lookups that
// read it, are in model/model_data.h.

#include <cstddef>
#include <span>

#if defined(_WIN32)
extern "C" const unsigned char ksr_model_data[];
extern "C" const unsigned char ksr_model_data_end[];
#else
extern "C" __attribute__((visibility("hidden"))) const unsigned char ksr_model_data[];
extern "C" __attribute__((visibility("hidden"))) const unsigned char ksr_model_data_end[];
#endif

namespace ksr {

// Checked when the data is assembled too: a blob of another size does not build.
inline constexpr std::size_t kModelDataBytes = 1791384;

inline std::span<const unsigned char> modelDataBlob() {
    return {ksr_model_data, static_cast<std::size_t>(ksr_model_data_end - ksr_model_data)};
}

}  // namespace ksr

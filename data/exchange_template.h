#pragma once
// The built-in exchange-file template as compiled into the module by
// velt_template.S: kExchangeTemplateBytes bytes of text with CR LF line ends
// and no terminating NUL, copied unchanged from velt_template.txt. The same
// bytes are the module's data export VELT_TEMPLATE.

#include <cstddef>
#include <string_view>

#if defined(_WIN32)
extern "C" const char VELT_TEMPLATE[];
#else
extern "C" __attribute__((visibility("default"))) const char VELT_TEMPLATE[];
#endif

namespace ksr {

// Checked when the data is assembled too: a template of another length does
// not build.
inline constexpr std::size_t kExchangeTemplateBytes = 5076;

inline std::string_view exchangeTemplateText() { return {VELT_TEMPLATE, kExchangeTemplateBytes}; }

}  // namespace ksr

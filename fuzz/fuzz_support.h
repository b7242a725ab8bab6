#pragma once
// Shared by the fuzz targets: a decoder that turns the fuzzer's bytes into
// the arguments a host or a file could hand the module, a hard check that
// stops the run on the first wrong answer, and output buffers with guard
// bytes on both sides so that a write outside what the interface allows is
// seen even when it stays inside the caller's allocation.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

// Stops the run with the failed condition; libFuzzer records the input.
#define FUZZ_CHECK(condition)                                                                        \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                            \
        }                                                                                            \
    } while (0)

namespace ksr::fuzz {

// Reads the fuzzer's bytes front to back; past the end every read gives 0,
// so every input decodes to a finite sequence of calls.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool done() const { return position_ >= size_; }
    size_t remaining() const { return done() ? 0 : size_ - position_; }

    uint8_t byte() { return done() ? 0 : data_[position_++]; }

    uint32_t bits32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(byte()) << (8 * i);
        return value;
    }

    // An integer argument: most often one near the interface's limits (ids,
    // indices, component numbers, bands, counts, record versions), sometimes
    // any 32-bit pattern.
    int32_t integer() {
        constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
        constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
        static constexpr int32_t kInteresting[] = {
            0,   1,   2,   3,   4,   5,    6,     7,     8,      9,    10,   11,       12,      13, 14,
            15,  16,  17,  20,  21,  22,   -1,    -2,    -5,     42,   50,   51,       52,      53, 126,
            127, 128, 129, 255, 256, 1000, 16384, 16385, -16385, kMin, kMax, kMin + 1, kMax - 1};
        const uint8_t selector = byte();
        if (selector < 200) return kInteresting[selector % std::size(kInteresting)];
        if (selector < 230) return static_cast<int32_t>(static_cast<int8_t>(byte()));
        return static_cast<int32_t>(bits32());
    }

    // A float argument: special values (NaN of both signs and a signalling
    // one, the infinities, denormals, the largest floats, values beyond the
    // int32 range), ordinary values in the interface's units, or any bit
    // pattern.
    float real() {
        static constexpr uint32_t kSpecialBits[] = {
            0x7FC00000u, 0xFFC00000u, 0x7FA00000u, 0x7F800001u,  // NaNs, quiet and signalling
            0x7F800000u, 0xFF800000u,                            // +Inf, -Inf
            0x00000001u, 0x80000001u, 0x007FFFFFu,               // denormals
            0x7F7FFFFFu, 0xFF7FFFFFu,                            // +-FLT_MAX
            0x00800000u, 0x80000000u, 0x00000000u,               // FLT_MIN, -0, +0
            0x4F000000u, 0xCF000000u, 0x4F000001u, 0xCF000001u,  // +-2^31 and just beyond
            0x5D5E0B6Bu, 0xDD5E0B6Bu,                            // +-1e18
            0x3F800000u, 0xBF800000u, 0x42B40000u, 0xC2B40000u,  // +-1, +-90
            0x43340000u, 0xC3340000u, 0x43B40000u,               // +-180, 360
        };
        const uint8_t selector = byte();
        if (selector < 64) {
            uint32_t bits = kSpecialBits[selector % std::size(kSpecialBits)];
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        if (selector < 192) return static_cast<float>(static_cast<int8_t>(byte())) * 0.5f;
        const uint32_t bits = bits32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Up to maxLength bytes of text (any byte but NUL).
    std::string text(size_t maxLength) {
        const size_t length = byte() % (maxLength + 1);
        std::string result;
        for (size_t i = 0; i < length && !done(); ++i) {
            const uint8_t c = byte();
            result.push_back(c == 0 ? 'x' : static_cast<char>(c));
        }
        return result;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Bytes that a call may not write, before and after every output buffer.
inline constexpr size_t kGuardBytes = 32;
inline constexpr uint8_t kFill = 0xA5;

// count elements of T for an export to write into, filled with kFill and
// framed by guard bytes. The payload is aligned for T.
template <class T>
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t count) : count_(count), bytes_(kGuardBytes * 2 + count * sizeof(T), kFill) {}

    T* data() { return reinterpret_cast<T*>(bytes_.data() + kGuardBytes); }
    T& operator[](size_t i) { return data()[i]; }
    unsigned char* payloadBytes() { return bytes_.data() + kGuardBytes; }
    size_t payloadSize() const { return count_ * sizeof(T); }

    bool guardsIntact() const {
        for (size_t i = 0; i < kGuardBytes; ++i) {
            if (bytes_[i] != kFill || bytes_[bytes_.size() - 1 - i] != kFill) return false;
        }
        return true;
    }

    // True when no byte of the payload from byte offset `from` on changed.
    bool untouchedFrom(size_t from) const {
        for (size_t i = kGuardBytes + from; i < kGuardBytes + count_ * sizeof(T); ++i) {
            if (bytes_[i] != kFill) return false;
        }
        return true;
    }
    bool untouched() const { return untouchedFrom(0); }

private:
    size_t count_;
    std::vector<unsigned char> bytes_;
};

// Bitwise equality, so that a NaN compares equal to itself.
inline bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace ksr::fuzz

#pragma once
// Reading exchange files: loading a file (or the built-in template) into
// memory, and parsing text into an ExchangeDocument.
//
// Limits: a file must hold at least kMinExchangeFileSize bytes and at most
// kMaxExchangeFileSize; at most kMaxExchangeRows rows are stored; numbers are
// read within their own line only. The parser never fails and never reads
// past the text it is given.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/exchange_document.h"

namespace ksr {

inline constexpr size_t kMinExchangeFileSize = 32;
inline constexpr size_t kMaxExchangeFileSize = size_t{64} << 20;

enum class LoadStatus {
    loaded,
    unreadable,  // cannot be opened, sought or fully read, larger than the limit, or out of memory
    tooShort,    // fewer than kMinExchangeFileSize bytes
};

struct LoadedText {
    LoadStatus status = LoadStatus::unreadable;
    std::string text;  // the whole file, byte for byte, when loaded; empty otherwise
};

// The whole file at path, read in binary mode.
LoadedText loadExchangeText(const std::string& path);

// A copy of the built-in template (data/exchange_template.h).
std::string loadExchangeTemplate();

// Parses text from memory into a document that owns a copy of it. Never
// fails: a text without any of the five records gives rowCount 0 and
// rigType 0. No NaN or infinity reaches a row: such a value is unreadable.
ExchangeDocument parseExchangeText(std::string_view text);

// loadExchangeText then parseExchangeText; nullopt when the file was not loaded.
std::optional<ExchangeDocument> parseExchangeFile(const std::string& path);

}  // namespace ksr

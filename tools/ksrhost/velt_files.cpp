#include "velt_files.h"

#include <algorithm>
#include <cctype>

#include "design/design_rules.h"
#include "exchange/design_exchange.h"
#include "exchange/exchange_reader.h"
#include "host_error.h"

namespace ksrhost {

bool isVeltPath(const std::string& path) {
    constexpr std::string_view kExtension = ".velt";
    if (path.size() < kExtension.size()) return false;
    return std::equal(kExtension.begin(), kExtension.end(), path.end() - static_cast<std::ptrdiff_t>(kExtension.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

HostDesign importVeltFile(const std::string& path) {
    const ksr::LoadedText loaded = ksr::loadExchangeText(path);
    if (loaded.status == ksr::LoadStatus::unreadable) {
        throw HostError("cannot read exchange file '" + path + "': no such file, not readable or too large");
    }
    if (loaded.status == ksr::LoadStatus::tooShort) {
        throw HostError(path + ": This file contains no valid data (shorter than 32 bytes).");
    }
    HostDesign design = defaultHostDesign();
    if (!ksr::importExchangeDocument(ksr::parseExchangeText(loaded.text), design.working).imported) {
        throw HostError(path + ": This file contains no valid data (no Array.Main.BoxCount with rows of a KSR box type).");
    }
    ksr::wholeGrid(design.working);
    ksr::recomputeElevations(design.working);
    return design;
}

void exportVeltFile(const HostDesign& design, const std::string& path, int32_t version) {
    if (ksr::exportExchangeFile(design.working, path, version) != 0) {
        throw HostError("cannot write exchange file '" + path + "' (or the existing file cannot be read)");
    }
}

}  // namespace ksrhost

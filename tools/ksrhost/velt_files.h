#pragma once
// Exchange files (*.velt) of the maker's prediction program, read and
// written as the design dialog's Import and Export do it. The module has no
// exports for them, so these call the portable core directly.

#include <cstdint>
#include <string>

#include "host_design.h"

namespace ksrhost {

// True for a path ending in ".velt" (any case).
bool isVeltPath(const std::string& path);

// The design the dialog's Import makes from the file, starting from the
// default design: the file's boxes (at most 16, at least 4), their gains and
// difference angles, ground stacked or flown; the other boxes and the grid
// elevation stay the default's. Throws HostError naming the file when it
// cannot be read or holds no valid data.
HostDesign importVeltFile(const std::string& path);

// Writes the design into the file as the dialog's Export does: over an
// existing exchange file its main array is replaced and every other byte
// kept; a new file starts from the built-in template. version: 2 "VELT
// current", 1 "VELT v2.1". Throws HostError naming the file on failure.
void exportVeltFile(const HostDesign& design, const std::string& path, int32_t version);

}  // namespace ksrhost

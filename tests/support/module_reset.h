#pragma once
// Tests, fuzz targets and benchmarks start each case from the module as it is
// right after load; a host never needs this, so the module does not ship it.

namespace ksr {

// Back to the state right after load: every instance slot free, none
// current, flags 0, no install directory, the air at its defaults. The
// response data copies already filled stay filled (they are constant).
void resetModuleState();

}  // namespace ksr

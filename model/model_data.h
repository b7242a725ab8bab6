#pragma once
// Measured data of the line-array box types (ids 0..7): per band the on-axis
// level at 1 m, the directivity index and a full-sphere attenuation balloon.
// Constant data compiled into the module; ids 8, 9 and any other id carry no
// data and read the defaults below.
//
// Balloon grid, in the component frame (main axis local -y, up local +z):
// polar step p is the angle theta = 5 deg * p from the main axis (0 on axis,
// 36 straight behind); azimuth step a is phi = 5 deg * a about the axis from
// local +x (a = 0) towards +z (a = 18, up); a = 36 is -x, a = 54 down. Values
// are attenuation in dB relative to on axis (positive = quieter); row p = 0 is
// 0 for every band and azimuth.

#include <cstddef>
#include <cstdint>
#include <span>

#include "data/model_data_blob.h"
#include "model/bands.h"

namespace ksr {

inline constexpr int32_t kPolarSteps = 37;
inline constexpr int32_t kAzimuthSteps = 72;
inline constexpr int32_t kModelDataIdCount = 8;  // ids 0..7 have data

// What the lookups give for an id without data: a level of 0 dB, an index of
// 0 dB and a balloon that makes the box 200 dB quieter than its level, that
// is silent.
inline constexpr float kNoDataLevelAt1m = 0.0f;
inline constexpr float kNoDataDirectivityIndex = 0.0f;
inline constexpr float kNoDataBalloonValue = 200.0f;

// On-axis sound pressure level at 1 m, dB SPL, band 1..21. Ids 1 and 5 read
// the table of ids 0 and 4.
float boxLevelAt1m(int32_t id, int32_t band);

// Directivity index, dB, band 1..21.
float boxDirectivityIndex(int32_t id, int32_t band);

// Balloon attenuation, dB, band 1..21, polar step 0..36, azimuth step 0..71.
float boxBalloonValue(int32_t id, int32_t band, int32_t polarStep, int32_t azimuthStep);

// The three lookups take band and steps from callers that keep them in range;
// a value outside is brought to the nearest valid one, so no read leaves the
// data.

// The compiled-in data (modelDataBlob(), data/model_data_blob.h) as stored:
// for each id 0..7 in order, its level table (21 floats, absent for ids 1 and
// 5), its directivity index (21 floats) and its balloon (21 x 37 x 72 floats,
// band-major: element (band - 1) * 2664 + p * 72 + a), little-endian IEEE
// single precision, no gaps. Made by tools/model_data/generate_model_data.py.

}  // namespace ksr

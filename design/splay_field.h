#pragma once
// The sound field of an array over the audience line of a splay request:
// per receiver and band, the band-averaged complex sum of the boxes
// (model/band_average.h), each box's share taken from componentResponse on
// an instance laid out by applyDesign and placeComponents, as a host sees it.
//
// The search changes one angle at a time, and changing the angle below box k
// moves only box k and the boxes hanging below it. So the field keeps, for
// its current design, every box's complex pressures at every receiver and
// tone, and the running sums over the boxes above each box; a candidate
// that keeps boxes 0..k-1 recomputes only boxes k and below.

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "design/auto_splay.h"
#include "design/working_design.h"
#include "model/response.h"
#include "model/band_average.h"
#include "model/environment.h"
#include "model/instance.h"
#include "model/vec3.h"

namespace ksr {

// The angles the search varies, whole degrees.
struct SplayAngles {
    int32_t grid = 0;                             // grid elevation
    std::array<int32_t, kMaxBoxes> difference{};  // each box relative to the one above; box 0's is 0

    bool operator==(const SplayAngles&) const = default;
};

// The air of a splay request: 20 °C, 50 %, 1013.25 hPa, 343 m/s.
Environment splayAir();

// The receivers of a request, zone by zone, each zone near edge first.
struct AudienceLine {
    std::vector<Vec3> position;     // host metres: (0, -distance, floor + ear)
    std::vector<double> distance;   // horizontal distance from the array's reference point, metres
    // The receiver's share of the objective: its zone's weight over the
    // zone's receivers, scaled so that the weights add up to the receiver
    // count (all 1 for a single zone).
    std::vector<double> weight;
    std::vector<int32_t> zone;      // index into splayZones(request)
};
AudienceLine audienceLine(const SplayRequest& request);

// The design with its angles replaced, elevations recomputed.
WorkingDesign withAngles(const WorkingDesign& design, const SplayAngles& angles);

// Hangs a design (elevations as recomputed from its angles) in an instance as
// a host does for a request: applyDesign, the array's reference point at
// (0, 0, trim) aimed with the angles (0, grid, 0), then placeComponents.
// Gains cross in the setup's sign; the instance's filter stays as it is.
void hangDesign(const WorkingDesign& design, float trim, ArrayInstance& instance);

// Per receiver, per band (band 1 first), dB. Bands the field does not
// compute hold kSilentLevel.
using LevelTable = std::vector<std::array<double, kBandCount>>;

class SplayField {
public:
    using Pressure = std::complex<double>;
    // Per receiver and tone of the field's bands, receiver by receiver.
    using Pressures = std::vector<Pressure>;

    // The field of design's box types and gains over request's audience line,
    // in bands firstBand..lastBand (1..21).
    SplayField(const WorkingDesign& design, const SplayRequest& request, int32_t firstBand, int32_t lastBand);

    int32_t boxCount() const { return boxCount_; }
    int32_t receiverCount() const { return static_cast<int32_t>(line_.position.size()); }
    const std::vector<double>& distance() const { return line_.distance; }
    const AudienceLine& receivers() const { return line_; }

    // The levels of any design with the field's box types and gains, angles
    // as given (not necessarily whole or legal). Leaves the current design
    // alone.
    void levelsOf(const WorkingDesign& design, LevelTable& out);

    // Makes angles the current design and writes its levels.
    void setCurrent(const SplayAngles& angles, LevelTable& out);

    // Writes the levels of a candidate; only the boxes from the first one
    // whose angle differs from the current design are recomputed. Returns
    // the number of boxes recomputed. Requires a current design.
    int32_t tryCandidate(const SplayAngles& candidate, LevelTable& out);

    // Makes the candidate last tried the current design.
    void acceptCandidate();

    // Called after every box computed at every receiver (a few hundred
    // microseconds of work), so that a caller can keep its clock.
    void setPulse(std::function<void()> pulse) { pulse_ = std::move(pulse); }

    // Each box's own pressures for a design with the field's box types and
    // gains, angles as given: out[k] for box k of boxCount.
    void boxPressuresOf(const WorkingDesign& design, std::vector<Pressures>& out);

    // The levels of a sum of box pressures.
    void levelsOfSum(const Pressures& sum, LevelTable& out) const { levelsFromSum(sum, out); }

private:
    void keepSums();
    std::span<Pressure> sumRow(int32_t k, bool current);
    void addBox(int32_t box, std::span<const Pressure> above, std::span<Pressure> below);
    void place(float grid, const std::array<float, kMaxBoxes>& difference);
    void computeBox(int32_t box, std::span<Pressure> out);
    void levelsFromSum(std::span<const Pressure> sum, LevelTable& out) const;
    int32_t firstChangedBox(const SplayAngles& candidate) const;

    WorkingDesign design_;
    int32_t boxCount_;
    int32_t firstBand_;
    int32_t bandCount_;
    float trim_;
    Environment air_;
    AudienceLine line_;
    std::vector<double> toneSteps_;  // per tone of the field's bands, band by band: f · 4096, table steps per second
    ArrayInstance instance_;
    // Copies of the response data and absorption that no other thread
    // touches (a search on a worker thread never touches the module's
    // state): the ones of this thread's fields (threadResponseCache).
    ResponseCache& responseCache_;

    int32_t toneCount() const { return bandCount_ * kBandAverageTones; }
    size_t pressureCount() const { return line_.position.size() * static_cast<size_t>(toneCount()); }

    bool hasCurrent_ = false;
    SplayAngles current_;
    // Per receiver and tone, the sums over the boxes above box k, for k in
    // 0..boxCount: two rows per k, the current design's (row 2k +
    // currentRow_[k]) and a candidate's (the other one, for k above
    // candidateFirst_ only), then one box's pressures. One block, so that
    // accepting a candidate only flips the row marks.
    std::vector<Pressure> sums_;
    std::array<uint8_t, kMaxBoxes + 1> currentRow_{};
    SplayAngles candidate_;
    int32_t candidateFirst_ = 0;  // boxCount_ when there is no candidate to accept
    std::function<void()> pulse_;
};

}  // namespace ksr

#include "design/splay_field.h"

#include <algorithm>
#include <array>
#include <complex>
#include <cmath>
#include <memory>
#include <numbers>

#include "design/design_rules.h"
#include "model/band_average.h"
#include "model/placement.h"
#include "model/response.h"

namespace ksr {

namespace {

constexpr int32_t kTurnTableSize = 4096;
static_assert((kTurnTableSize & (kTurnTableSize - 1)) == 0, "the table index wraps by masking");

// The response data copies are constant once filled, and filling one type's
// (its 219 KiB balloon laid out anew) costs more than the whole search of a
// small request: every field a thread builds shares that thread's copies,
// filled once. Default-initialised: the copies are written before they are
// read (ResponseCache::ready), so some 2 MB need not be zeroed.
ResponseCache& threadResponseCache() {
    thread_local const std::unique_ptr<ResponseCache> cache = std::make_unique_for_overwrite<ResponseCache>();
    return *cache;
}

constexpr double kLn10Over20 = std::numbers::ln10 / 20.0;
constexpr double kTurnStep = 2.0 * std::numbers::pi / kTurnTableSize;  // radians per table entry

using TurnTable = std::array<std::complex<double>, kTurnTableSize>;

// e^{-j 2π i / 4096}: the same for every field, built once (8,192 sines
// and cosines, more than a small field's whole search).
const TurnTable& turnTable() {
    static const TurnTable table = [] {
        TurnTable entries;
        for (int32_t i = 0; i < kTurnTableSize; ++i) {
            const double angle = 2.0 * std::numbers::pi * i / kTurnTableSize;
            entries[static_cast<size_t>(i)] = {std::cos(angle), -std::sin(angle)};
        }
        return entries;
    }();
    return table;
}

}  // namespace

Environment splayAir() { return Environment{343.0f, 50.0f, 20.0f, 1013.25f}; }

double zoneWeight(const SplayZone& zone) {
    return zone.weight > 0.0 ? zone.weight : std::hypot(zone.far - zone.near, zone.floorFar - zone.floorNear);
}

AudienceLine audienceLine(const SplayRequest& request) {
    const std::vector<SplayZone> zones = splayZones(request);
    AudienceLine line;
    std::vector<double> receiverWeight;  // per zone: its weight over its receivers
    double totalWeight = 0.0;
    for (size_t z = 0; z < zones.size(); ++z) {
        const SplayZone& zone = zones[z];
        // Evenly spaced along the zone, both edges included, never more than
        // kReceiverSpacing apart. The request's checks bound the length, so
        // the count of gaps is small.
        const double dx = zone.far - zone.near;
        const double dz = zone.floorFar - zone.floorNear;
        const double length = std::hypot(dx, dz);
        const double wanted = std::ceil(length / kReceiverSpacing - 1e-9);
        const int32_t gaps = wanted >= 1.0 && wanted < 1e6 ? static_cast<int32_t>(wanted) : 1;
        for (int32_t i = 0; i <= gaps; ++i) {
            const double t = static_cast<double>(i) / gaps;
            const double distance = zone.near + t * dx;
            const double floor = zone.floorNear + t * dz;
            line.position.push_back(
                {0.0f, static_cast<float>(-distance), static_cast<float>(floor + request.earHeight)});
            line.distance.push_back(distance);
            line.zone.push_back(static_cast<int32_t>(z));
        }
        receiverWeight.push_back(zoneWeight(zone) / (gaps + 1));
        totalWeight += zoneWeight(zone);
    }
    // Scaled so that the mean weight is 1: a single zone's receivers weigh
    // exactly 1 each (the same quotient twice).
    const double meanWeight = line.position.empty() ? 1.0 : totalWeight / static_cast<double>(line.position.size());
    for (const int32_t z : line.zone) {
        const double w = receiverWeight[static_cast<size_t>(z)] / meanWeight;
        line.weight.push_back(std::isfinite(w) && w > 0.0 ? w : 1.0);
    }
    return line;
}

WorkingDesign withAngles(const WorkingDesign& design, const SplayAngles& angles) {
    WorkingDesign result = design;
    result.gridElevation = static_cast<float>(angles.grid);
    for (int32_t k = 0; k < kMaxBoxes; ++k) result.boxes[k].differenceAngle = static_cast<float>(angles.difference[k]);
    recomputeElevations(result);
    return result;
}

void hangDesign(const WorkingDesign& design, float trim, ArrayInstance& instance) {
    ArraySetup setup;
    setup.boxCount = std::clamp(design.boxCount, kMinBoxes, kMaxBoxes);
    setup.gridElevation = design.gridElevation;
    for (int32_t k = 0; k < kMaxBoxes; ++k) {
        setup.boxType[k] = design.boxes[k].type;
        setup.boxElevation[k] = design.elevations[k];
        setup.boxGain[k] = 0.0f - design.boxes[k].gain;  // the setup's sign, no -0
    }
    setup.groundStacked = design.groundStacked;
    applyDesign(setup, instance.geometry);
    instance.flags |= kInstanceInUse;
    instance.lspkPosition = {0.0f, 0.0f, trim};
    // The host aims the array with the grid elevation, as the design dialog
    // asks the user to.
    instance.lspkAngles = {0.0f, setup.gridElevation, 0.0f};
    placeComponents(instance);
}

SplayField::SplayField(const WorkingDesign& design, const SplayRequest& request, int32_t firstBand, int32_t lastBand)
    : design_(design),
      boxCount_(std::clamp(design.boxCount, kMinBoxes, kMaxBoxes)),
      firstBand_(std::clamp(firstBand, 1, kBandCount)),
      bandCount_(std::clamp(lastBand, firstBand_, kBandCount) - firstBand_ + 1),
      trim_(static_cast<float>(request.trim)),
      air_(splayAir()),
      responseCache_(threadResponseCache()) {
    line_ = audienceLine(request);
    for (int32_t band = firstBand_; band < firstBand_ + bandCount_; ++band) {
        for (const double tone : bandAverageTones(band)) toneSteps_.push_back(tone * kTurnTableSize);
    }
}

void SplayField::keepSums() {
    // Sized on first use: a field that only evaluates whole designs
    // (levelsOf) never needs them.
    if (!sums_.empty()) return;
    sums_.assign((2 * (static_cast<size_t>(boxCount_) + 1) + 1) * pressureCount(), Pressure{});
    currentRow_.fill(0);
}

std::span<SplayField::Pressure> SplayField::sumRow(int32_t k, bool current) {
    const size_t row = 2 * static_cast<size_t>(k) + (currentRow_[static_cast<size_t>(k)] ^ (current ? 0u : 1u));
    return std::span<Pressure>(sums_).subspan(row * pressureCount(), pressureCount());
}

void SplayField::addBox(int32_t box, std::span<const Pressure> above, std::span<Pressure> below) {
    const std::span<Pressure> scratch =
        std::span<Pressure>(sums_).subspan(2 * (static_cast<size_t>(boxCount_) + 1) * pressureCount());
    computeBox(box, scratch);
    for (size_t i = 0; i < below.size(); ++i) below[i] = above[i] + scratch[i];
    if (pulse_) pulse_();
}

void SplayField::place(float grid, const std::array<float, kMaxBoxes>& difference) {
    WorkingDesign design = design_;
    design.gridElevation = grid;
    for (int32_t k = 0; k < kMaxBoxes; ++k) design.boxes[k].differenceAngle = difference[k];
    recomputeElevations(design);
    hangDesign(design, trim_, instance_);
}

void SplayField::computeBox(int32_t box, std::span<Pressure> out) {
    ComponentResponse response;
    const TurnTable& turns = turnTable();
    const size_t tones = static_cast<size_t>(toneCount());
    for (size_t r = 0; r < line_.position.size(); ++r) {
        instance_.seatPosition = line_.position[r];
        componentResponse(instance_, box + 1, air_, true, responseCache_, response);
        const double delay = response.delay;
        Pressure* row = out.data() + r * tones;
        for (int32_t b = 0; b < bandCount_; ++b) {
            const int32_t i = firstBand_ - 1 + b;
            const double amplitude = std::exp(kLn10Over20 * static_cast<double>(response.level[i]));
            const double phase = response.phase[i];
            const double shareRe = phase == 0.0 ? amplitude : amplitude * std::cos(phase);
            const double shareIm = phase == 0.0 ? 0.0 : amplitude * std::sin(phase);
            for (int32_t k = 0; k < kBandAverageTones; ++k) {
                const size_t t = static_cast<size_t>(b * kBandAverageTones + k);
                // e^{-j 2π f τ}: the table's entry at or below f·τ turns, turned
                // on by the remainder, an angle below 2π/4096, for which the
                // short series is exact to double precision (r² < 2.4e-6).
                // f·τ is never negative; receivers within a few hundred
                // metres keep the steps far inside the int64 range.
                const double steps = toneSteps_[t] * delay;
                const int64_t whole = steps >= 0.0 && steps < 1e15 ? static_cast<int64_t>(steps) : 0;
                const double rest = (steps - static_cast<double>(whole)) * kTurnStep;
                const double r2 = rest * rest;
                const double c = 1.0 - r2 * (0.5 - r2 * (1.0 / 24.0));
                const double s = rest * (1.0 - r2 * (1.0 / 6.0 - r2 * (1.0 / 120.0)));
                const Pressure& base = turns[static_cast<size_t>(whole & (kTurnTableSize - 1))];
                const double turnRe = base.real() * c + base.imag() * s;
                const double turnIm = base.imag() * c - base.real() * s;
                row[t] = {shareRe * turnRe - shareIm * turnIm, shareRe * turnIm + shareIm * turnRe};
            }
        }
    }
}

void SplayField::levelsFromSum(std::span<const Pressure> sum, LevelTable& out) const {
    out.resize(line_.position.size());
    const size_t tones = static_cast<size_t>(toneCount());
    for (size_t r = 0; r < line_.position.size(); ++r) {
        out[r].fill(kSilentLevel);
        const Pressure* row = sum.data() + r * tones;
        for (int32_t b = 0; b < bandCount_; ++b) {
            double energy = 0.0;
            for (int32_t k = 0; k < kBandAverageTones; ++k) energy += std::norm(row[b * kBandAverageTones + k]);
            energy /= kBandAverageTones;
            out[r][static_cast<size_t>(firstBand_ - 1 + b)] =
                energy > 0.0 && std::isfinite(energy) ? 10.0 * std::log10(energy) : kSilentLevel;
        }
    }
}

void SplayField::levelsOf(const WorkingDesign& design, LevelTable& out) {
    std::array<float, kMaxBoxes> difference{};
    for (int32_t k = 0; k < kMaxBoxes; ++k) difference[k] = design.boxes[k].differenceAngle;
    place(design.gridElevation, difference);
    std::vector<Pressure> sum(pressureCount());
    std::vector<Pressure> scratch(pressureCount());
    for (int32_t box = 0; box < boxCount_; ++box) {
        computeBox(box, scratch);
        for (size_t i = 0; i < sum.size(); ++i) sum[i] += scratch[i];
        if (pulse_) pulse_();
    }
    levelsFromSum(sum, out);
}

void SplayField::boxPressuresOf(const WorkingDesign& design, std::vector<Pressures>& out) {
    std::array<float, kMaxBoxes> difference{};
    for (int32_t k = 0; k < kMaxBoxes; ++k) difference[k] = design.boxes[k].differenceAngle;
    place(design.gridElevation, difference);
    out.assign(static_cast<size_t>(boxCount_), Pressures(pressureCount()));
    for (int32_t box = 0; box < boxCount_; ++box) {
        computeBox(box, out[static_cast<size_t>(box)]);
        if (pulse_) pulse_();
    }
}

namespace {

std::array<float, kMaxBoxes> asFloats(const SplayAngles& angles) {
    std::array<float, kMaxBoxes> difference{};
    for (int32_t k = 0; k < kMaxBoxes; ++k) difference[k] = static_cast<float>(angles.difference[k]);
    return difference;
}

}  // namespace

void SplayField::setCurrent(const SplayAngles& angles, LevelTable& out) {
    keepSums();
    place(static_cast<float>(angles.grid), asFloats(angles));
    for (int32_t box = 0; box < boxCount_; ++box) addBox(box, sumRow(box, true), sumRow(box + 1, true));
    current_ = angles;
    hasCurrent_ = true;
    candidateFirst_ = boxCount_;
    levelsFromSum(sumRow(boxCount_, true), out);
}

int32_t SplayField::firstChangedBox(const SplayAngles& candidate) const {
    if (candidate.grid != current_.grid) return 0;
    for (int32_t k = 0; k < boxCount_; ++k) {
        if (candidate.difference[k] != current_.difference[k]) return k;
    }
    return boxCount_;
}

int32_t SplayField::tryCandidate(const SplayAngles& candidate, LevelTable& out) {
    if (!hasCurrent_) {
        setCurrent(candidate, out);
        return boxCount_;
    }
    candidate_ = candidate;
    candidateFirst_ = firstChangedBox(candidate);
    if (candidateFirst_ == boxCount_) {
        levelsFromSum(sumRow(boxCount_, true), out);
        return 0;
    }
    place(static_cast<float>(candidate.grid), asFloats(candidate));
    for (int32_t box = candidateFirst_; box < boxCount_; ++box) {
        addBox(box, sumRow(box, box == candidateFirst_), sumRow(box + 1, false));
    }
    levelsFromSum(sumRow(boxCount_, false), out);
    return boxCount_ - candidateFirst_;
}

void SplayField::acceptCandidate() {
    if (!hasCurrent_ || candidateFirst_ == boxCount_) return;
    for (int32_t k = candidateFirst_ + 1; k <= boxCount_; ++k) currentRow_[static_cast<size_t>(k)] ^= 1u;
    current_ = candidate_;
    candidateFirst_ = boxCount_;
}

}  // namespace ksr

// Auto-splay over public venues of our own: for each, the summary figure
// (mean over 1-8 kHz of the standard deviation of level - target over the
// audience, dB) of the proposal and of both baselines, the proposal's ratio
// to the best constant-curvature array, its mean level against that array's,
// and the run time on one core: the thread's processor time (median and
// worst of the runs), and the worst wall-clock time, which a busy machine
// stretches.
//
// Targets: ratio at most 0.85 on every venue and 0.75 on average; mean level
// no more than 1 dB below; 16 boxes in a median of 2 s, 5 s at worst.
//
// Two more runs per venue time the progress callback as the design dialog
// uses it: the longest wait between calls in the thread's processor time
// (start and end included; at most 50 ms of work), and how long the search
// takes to return after the callback first answers false, 0.3 s into the
// run (at most 0.2 s).
//
// Then venues of several zones (a floor with a balcony over it, a floor
// that meets a raked tier, a far upper tier, three tiers of a theatre): the
// summary over all zones of the proposal, of the best constant-curvature
// array and of the proposal made for the first zone (the floor) alone,
// judged on all zones; then the same request with gain shading, what it
// buys (the unshaded summary less the shaded one) and what it costs (the
// mean level's change, dB). The processor time is the shaded run's.
//
// Targets: ratio to constant curvature at most 0.85 on average, 0.92 on a
// venue whose zones overlap in distance, 0.85 on the others; ratio to the
// floor-alone proposal at most 0.7; shading never less even; 16 boxes, two
// zones, shading on: a median of 5 s at most.
//
//   auto_splay_bench [--runs N] [--only TEXT]
//     N runs per venue (default 3); only the venues whose name holds TEXT

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "design/auto_splay.h"
#include "design/design_rules.h"

namespace {

struct Venue {
    const char* name;
    std::vector<int32_t> types;  // top box first
    ksr::SplayRequest request;
};

ksr::SplayRequest request(double trim, double near, double far, double floorNear, double floorFar, double slope) {
    ksr::SplayRequest r;
    r.trim = trim;
    r.near = near;
    r.far = far;
    r.floorNear = floorNear;
    r.floorFar = floorFar;
    r.slope = slope;
    return r;
}

std::vector<int32_t> repeated(int32_t type, int32_t count) { return std::vector<int32_t>(static_cast<size_t>(count), type); }

std::vector<Venue> venues() {
    std::vector<int32_t> balcony = repeated(4, 10);
    balcony.insert(balcony.end(), 6, 6);  // KSR52 V below KSR51 V
    return {
        {"flat arena floor, 12 x KSR51 V", repeated(4, 12), request(12.0, 5.0, 45.0, 0.0, 0.0, 0.0)},
        {"raked theatre, 8 x KSR516", repeated(0, 8), request(9.0, 4.0, 28.0, 0.0, 5.0, -1.5)},
        {"long festival throw, 16 x KSR52 V", repeated(6, 16), request(14.0, 10.0, 90.0, 0.0, 0.0, -1.5)},
        {"low trim (tempts a J), 12 x KSR527", repeated(2, 12), request(5.0, 2.5, 30.0, 0.0, 0.0, 0.0)},
        {"floor to balcony, 10 KSR51 V + 6 KSR52 V", balcony, request(12.0, 6.0, 32.0, 0.0, 7.0, 0.0)},
        {"stadium bowl, 16 x KSR51 V FIR", repeated(5, 16), request(24.0, 8.0, 60.0, 2.0, 18.0, -3.0)},
        {"flat arena floor, 16 x KSR51 V", repeated(4, 16), request(13.0, 4.0, 60.0, 0.0, 0.0, -1.5)},
    };
}

struct ZoneVenue {
    const char* name;
    std::vector<int32_t> types;  // top box first
    double trim;
    double slope;
    std::vector<ksr::SplayZone> zones;  // the floor first
};

bool overlapping(const ZoneVenue& venue) {
    for (size_t a = 0; a < venue.zones.size(); ++a) {
        for (size_t b = a + 1; b < venue.zones.size(); ++b) {
            if (venue.zones[a].near < venue.zones[b].far && venue.zones[b].near < venue.zones[a].far) return true;
        }
    }
    return false;
}

std::vector<ZoneVenue> zoneVenues() {
    std::vector<int32_t> theatre = repeated(4, 8);
    theatre.insert(theatre.end(), 4, 6);  // KSR52 V below KSR51 V for the stalls
    return {
        {"floor + balcony, 12 x KSR51 V", repeated(4, 12), 12.0, 0.0, {{5, 30, 0, 0, 0}, {18, 35, 7, 8, 0}}},
        {"floor + tier, 10 x KSR527", repeated(2, 10), 9.0, 0.0, {{4, 20, 0, 0, 0}, {20, 32, 0, 5, 0}}},
        {"floor + far upper tier, 16 x KSR52 V", repeated(6, 16), 22.0, -1.5, {{8, 40, 0, 0, 0}, {50, 75, 8, 18, 0}}},
        {"arena floor + balcony, 16 x KSR51 V", repeated(4, 16), 15.0, 0.0, {{4, 40, 0, 0, 0}, {24, 45, 9, 12, 0}}},
        {"stalls + circle + upper circle, 12 boxes", theatre, 16.0, -1.0,
         {{3, 22, 0, 1, 0}, {14, 26, 5, 7, 0}, {20, 32, 10, 13, 0}}},
    };
}

ksr::WorkingDesign designOf(const std::vector<int32_t>& types) {
    ksr::WorkingDesign design;
    design.boxCount = static_cast<int32_t>(types.size());
    for (size_t k = 0; k < design.boxes.size(); ++k) design.boxes[k].type = types[std::min(k, types.size() - 1)];
    ksr::recomputeElevations(design);
    return design;
}

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct ProgressGaps {
    double work = 0.0;  // the longest wait in the thread's processor time, ms
    double wall = 0.0;  // the same on the wall clock, which a busy machine stretches, ms
};

// The longest waits between progress calls over a whole run.
ProgressGaps longestProgressGaps(const ksr::WorkingDesign& design, const ksr::SplayRequest& request) {
    ProgressGaps gaps;
    Clock::time_point lastWall = Clock::now();
    double lastWork = threadSeconds();
    auto note = [&] {
        const Clock::time_point wall = Clock::now();
        const double work = threadSeconds();
        gaps.wall = std::max(gaps.wall, millisecondsBetween(lastWall, wall));
        gaps.work = std::max(gaps.work, 1000.0 * (work - lastWork));
        lastWall = wall;
        lastWork = work;
    };
    ksr::autoSplay(design, request, [&](double) {
        note();
        return true;
    });
    note();
    return gaps;
}

// The time from the first false answer, given 0.3 s into the run, to the
// return of autoSplay, ms; negative when the run ended before.
double stopLatency(const ksr::WorkingDesign& design, const ksr::SplayRequest& request) {
    const Clock::time_point start = Clock::now();
    Clock::time_point refused{};
    bool stopping = false;
    ksr::autoSplay(design, request, [&](double) {
        if (!stopping && millisecondsBetween(start, Clock::now()) >= 300.0) {
            stopping = true;
            refused = Clock::now();
        }
        return !stopping;
    });
    return stopping ? millisecondsBetween(refused, Clock::now()) : -1.0;
}

std::string anglesOf(const ksr::WorkingDesign& design) {
    std::string text = std::to_string(static_cast<int>(design.gridElevation)) + " |";
    for (int32_t k = 1; k < design.boxCount; ++k) text += " " + std::to_string(static_cast<int>(-design.boxes[k].differenceAngle));
    return text;
}

double secondsOf(const std::function<void()>& work) {
    const double before = threadSeconds();
    work();
    return threadSeconds() - before;
}

// The venues of several zones; returns the mean ratio to constant
// curvature, and the processor times of the shaded 16-box runs in sixteen.
double zoneTable(int runs, const std::string& only, std::vector<double>& sixteen) {
    std::printf("\n%-42s %5s %5s %6s %6s %6s %7s %6s %7s %6s %6s %7s %8s %8s\n", "venue (zones)", "boxes", "zones",
                "prop", "const", "ratio", "floor1", "ratio", "shaded", "buys", "costs", "gap ms", "cpu med", "cpu max");
    double ratioSum = 0.0, worstOverlap = 0.0, worstOther = 0.0, worstFloor = 0.0, worstShading = -1e9;
    int count = 0;
    for (const ZoneVenue& venue : zoneVenues()) {
        if (std::string(venue.name).find(only) == std::string::npos) continue;
        const ksr::WorkingDesign design = designOf(venue.types);
        ksr::SplayRequest request;
        request.trim = venue.trim;
        request.slope = venue.slope;
        request.zones = venue.zones;
        const ksr::SplayResult plain = ksr::autoSplay(design, request);
        if (plain.evaluations == 0) {
            std::printf("%-42s refused: %s\n", venue.name, plain.unreached.front().c_str());
            continue;
        }

        // The proposal for the floor alone, judged on every zone: the input
        // of a run over all zones is evaluated as handed in.
        ksr::SplayRequest floorOnly = request;
        floorOnly.zones.resize(1);
        const ksr::SplayResult forFloor = ksr::autoSplay(design, floorOnly);
        const double floorJudged = ksr::autoSplay(forFloor.proposal.design, request).input.figures.summary;

        ksr::SplayRequest shading = request;
        shading.shadeGains = true;
        ksr::SplayResult shaded;
        std::vector<double> seconds;
        for (int run = 0; run < runs; ++run) {
            seconds.push_back(secondsOf([&] { shaded = ksr::autoSplay(design, shading); }));
        }
        std::sort(seconds.begin(), seconds.end());
        const ProgressGaps gaps = longestProgressGaps(design, shading);
        if (design.boxCount == 16) sixteen.insert(sixteen.end(), seconds.begin(), seconds.end());

        const double proposal = plain.proposal.figures.summary;
        const double constant = plain.constantCurvature.figures.summary;
        const double ratio = proposal / constant;
        const double floorRatio = proposal / floorJudged;
        const double buys = shaded.unshaded.figures.summary - shaded.proposal.figures.summary;
        const double costs = shaded.proposal.figures.meanLevel1to8k - shaded.unshaded.figures.meanLevel1to8k;
        ratioSum += ratio;
        ++count;
        (overlapping(venue) ? worstOverlap : worstOther) =
            std::max(overlapping(venue) ? worstOverlap : worstOther, ratio);
        worstFloor = std::max(worstFloor, floorRatio);
        worstShading = std::max(worstShading, -buys);
        std::printf("%-42s %5d %5zu %6.2f %6.2f %6.3f %7.2f %6.3f %7.2f %6.2f %+6.2f %7.1f %8.2f %8.2f\n", venue.name,
                    design.boxCount, venue.zones.size(), proposal, constant, ratio, floorJudged, floorRatio,
                    shaded.proposal.figures.summary, buys, costs, gaps.work, seconds[seconds.size() / 2],
                    seconds.back());
        for (size_t z = 0; z < plain.proposal.zones.size(); ++z) {
            const ksr::ZoneFigures& zone = plain.proposal.zones[z];
            std::printf("    zone %zu: evenness %.2f dB, offset %+.2f dB, within 3 dB %.0f %%\n", z + 1, zone.summary,
                        zone.offset, 100.0 * zone.shareWithin3dB);
        }
        std::string gains;
        for (int32_t k = 0; k < design.boxCount; ++k) {
            char text[16];
            std::snprintf(text, sizeof text, " %g", shaded.proposal.design.boxes[k].gain);
            gains += text;
        }
        std::printf("    proposal %s   constant %s   shaded gains%s\n", anglesOf(plain.proposal.design).c_str(),
                    anglesOf(plain.constantCurvature.design).c_str(), gains.c_str());
    }
    if (count == 0) return 0.0;
    std::printf("\nzones: ratio mean %.3f (target <= 0.85), worst with overlap %.3f (<= 0.92), worst other %.3f "
                "(<= 0.85); worst ratio to the floor-alone proposal %.3f (<= 0.7); shading at worst %+.3f dB "
                "(target <= 0)\n",
                ratioSum / count, worstOverlap, worstOther, worstFloor, worstShading);
    return ratioSum / count;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    std::string only;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    }
    std::printf("%-42s %5s %6s %6s %6s %6s %7s %8s %8s %8s %6s %7s %7s\n", "venue", "boxes", "prop", "const", "share",
                "ratio", "dLevel", "cpu med", "cpu max", "wall max", "evals", "gap ms", "stop ms");
    double ratioSum = 0.0, worstRatio = 0.0, worstSixteen = 0.0, worstGap = 0.0, worstWallGap = 0.0, worstStop = 0.0;
    std::vector<double> sixteenMedians;
    std::vector<Venue> all = venues();
    std::erase_if(all, [&](const Venue& venue) { return std::string(venue.name).find(only) == std::string::npos; });
    for (const Venue& venue : all) {
        const ksr::WorkingDesign design = designOf(venue.types);
        std::vector<double> seconds;  // processor time of the thread
        double wall = 0.0;           // the worst wall-clock time, as autoSplay measured it
        ksr::SplayResult result;
        for (int run = 0; run < runs; ++run) {
            timespec before{}, after{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
            result = ksr::autoSplay(design, venue.request);
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
            seconds.push_back(static_cast<double>(after.tv_sec - before.tv_sec) +
                              1e-9 * static_cast<double>(after.tv_nsec - before.tv_nsec));
            wall = std::max(wall, result.seconds);
        }
        std::sort(seconds.begin(), seconds.end());
        const double median = seconds[seconds.size() / 2];
        const double proposal = result.proposal.figures.summary;
        const double constant = result.constantCurvature.figures.summary;
        const double ratio = proposal / constant;
        const double levelDifference =
            result.proposal.figures.meanLevel1to8k - result.constantCurvature.figures.meanLevel1to8k;
        ratioSum += ratio;
        worstRatio = std::max(worstRatio, ratio);
        if (design.boxCount == 16) {
            sixteenMedians.push_back(median);
            worstSixteen = std::max(worstSixteen, seconds.back());
        }
        const ProgressGaps gaps = longestProgressGaps(design, venue.request);
        const double stop = stopLatency(design, venue.request);
        worstGap = std::max(worstGap, gaps.work);
        worstWallGap = std::max(worstWallGap, gaps.wall);
        worstStop = std::max(worstStop, stop);
        std::printf("%-42s %5d %6.2f %6.2f %6.2f %6.3f %+7.2f %8.2f %8.2f %8.2f %6lld %7.1f %7.1f\n", venue.name,
                    design.boxCount, proposal, constant, result.equalShare.figures.summary, ratio, levelDifference,
                    median, seconds.back(), wall, static_cast<long long>(result.evaluations), gaps.work, stop);
        std::printf("    proposal %s   constant %s   share %s\n", anglesOf(result.proposal.design).c_str(),
                    anglesOf(result.constantCurvature.design).c_str(), anglesOf(result.equalShare.design).c_str());
        for (const std::string& note : result.unreached) std::printf("    unreached: %s\n", note.c_str());
    }
    std::sort(sixteenMedians.begin(), sixteenMedians.end());
    std::vector<double> zoneSixteen;
    zoneTable(runs, only, zoneSixteen);
    std::printf("\nprogress: longest wait %.1f ms of work (target <= 50; %.1f ms on the wall clock), stop after false "
                "%.1f ms (target <= 200)\n",
                worstGap, worstWallGap, worstStop);
    if (!all.empty()) {
        std::printf("ratio: mean %.3f (target <= 0.75), worst %.3f (target <= 0.85)\n", ratioSum / all.size(),
                    worstRatio);
    }
    if (!sixteenMedians.empty()) {
        std::printf("16 boxes: median %.2f s (target <= 2), worst %.2f s (target <= 5)\n",
                    sixteenMedians[sixteenMedians.size() / 2], worstSixteen);
    }
    if (!zoneSixteen.empty()) {
        std::sort(zoneSixteen.begin(), zoneSixteen.end());
        std::printf("16 boxes, several zones, shading on: median %.2f s (target <= 5), worst %.2f s\n",
                    zoneSixteen[zoneSixteen.size() / 2], zoneSixteen.back());
    }
    return 0;
}

// Fuzz target: everything ksrhost reads from a user, through the functions
// its commands call. The first byte picks the surface; the rest is split at
// NUL bytes into the texts that surface takes:
//   0  a design JSON file, read, written back as JSON and read again;
//   1  a scene JSON file in a scratch folder, with two design files beside
//      it (one in a subfolder) that its relative names can reach;
//   2  a design file with the placement and air options typed beside it;
//   3  a seats CSV file;
//   4  an --area rectangle;
//   5  the option values ("x,y,z", "from:to", "CxR", "a:b" segments, numbers);
//   6  an output file replaced in the scratch folder: an existing file, a
//      folder, a read-only file, a link, a missing folder; and an exchange
//      file exported over the same targets; then a second output's name
//      typed beside it, which must be refused when it names the same file.
// A refusal must be a HostError (which main reports with its exit status);
// anything else escaping is a finding. What is accepted must hold only
// finite values within the documented bounds, and a write that reports
// failure must leave the old file byte for byte as it was, with no
// temporary file left behind.

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "area_option.h"
#include "commands.h"
#include "exchange/design_exchange.h"
#include "exchange/file_access.h"
#include "fuzz_support.h"
#include "host_design.h"
#include "host_error.h"
#include "output_file.h"
#include "model/catalogue.h"
#include "scene.h"
#include "seats_file.h"
#include "text_values.h"
#include "velt_files.h"

namespace {

namespace fs = std::filesystem;
using ksr::fuzz::FuzzInput;
using ksrhost::HostError;

// The scratch folder of the input being run: made for each input and
// removed after it (libFuzzer ends a process without running exit handlers,
// so nothing may wait for the end of the process). In memory where the
// system offers it: file operations on a disk would take most of the time.
fs::path currentScratch;

const fs::path& scratch() { return currentScratch; }

class ScratchFolder {
public:
    ScratchFolder() {
        static const fs::path base = [] {
            std::error_code error;
            return fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                        : fs::temp_directory_path();
        }();
        std::string pattern = (base / "ksr-fuzz-host-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        currentScratch = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::permissions(currentScratch / "out", fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(currentScratch, ignored);
        currentScratch.clear();
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

void emptyFolder(const fs::path& folder) {
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
}

void writeFile(const fs::path& path, std::string_view bytes) {
    std::error_code error;
    if (!fs::is_directory(path.parent_path(), error)) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes after the surface selector, split at NUL bytes.
std::vector<std::string> texts(const uint8_t* data, size_t size) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            parts.emplace_back();
        } else {
            parts.back().push_back(static_cast<char>(data[i]));
        }
    }
    return parts;
}

const std::string& part(const std::vector<std::string>& parts, size_t i) {
    static const std::string empty;
    return i < parts.size() ? parts[i] : empty;
}

bool finite(const ksrhost::Triple& t) {
    return std::isfinite(t[0]) && std::isfinite(t[1]) && std::isfinite(t[2]);
}

bool within(const ksrhost::Triple& t, double limit) {
    return finite(t) && std::fabs(t[0]) <= limit && std::fabs(t[1]) <= limit && std::fabs(t[2]) <= limit;
}

// What every accepted design holds: 4..16 boxes of catalogue types, finite
// values, the elevations summed from the grid and the angles.
void checkDesign(const ksrhost::HostDesign& design) {
    const ksr::WorkingDesign& w = design.working;
    FUZZ_CHECK(w.boxCount >= ksr::kMinBoxes && w.boxCount <= ksr::kMaxBoxes);
    FUZZ_CHECK(w.groundStacked == 0 || w.groundStacked == 1);
    FUZZ_CHECK(std::isfinite(w.gridElevation));
    float elevation = w.gridElevation;
    for (const ksr::DesignBox& box : w.boxes) {
        FUZZ_CHECK(ksr::isCatalogueId(box.type));
        FUZZ_CHECK(std::isfinite(box.gain) && std::isfinite(box.differenceAngle));
        elevation += box.differenceAngle;
    }
    FUZZ_CHECK(ksr::fuzz::sameBits(w.elevations[ksr::kMaxBoxes - 1], elevation));
}

// A design the tool writes reads back as the same design.
void checkRoundTrip(const ksrhost::HostDesign& design) {
    const int listed = std::max(design.listedBoxes, design.working.boxCount);
    const std::string written = ksrhost::designToJson(design, listed).dump();
    const ksrhost::HostDesign again = ksrhost::parseDesignJson(written, "written design");
    FUZZ_CHECK(again.working.boxCount == design.working.boxCount);
    FUZZ_CHECK(again.working.groundStacked == design.working.groundStacked);
    FUZZ_CHECK(again.hostValue == design.hostValue);
    for (int k = 0; k < listed; ++k) {
        FUZZ_CHECK(again.working.boxes[static_cast<size_t>(k)].type ==
                   design.working.boxes[static_cast<size_t>(k)].type);
    }
}

void checkScene(const ksrhost::Scene& scene) {
    FUZZ_CHECK(!scene.arrays.empty() && scene.arrays.size() <= ksrhost::kMaxSceneArrays);
    FUZZ_CHECK(scene.areas.size() <= ksrhost::kMaxAreas);
    for (const ksrhost::SceneArray& array : scene.arrays) {
        checkDesign(array.design);
        FUZZ_CHECK(within(array.placement.position, ksrhost::kMaxCoordinate));
        FUZZ_CHECK(finite(array.placement.angles));
    }
    for (const ksrhost::AudienceArea& area : scene.areas) {
        FUZZ_CHECK(area.corners.size() >= 3 && area.corners.size() <= ksrhost::kMaxAreaCorners);
        FUZZ_CHECK(area.earHeight >= 0.0 && area.earHeight <= 10.0);
        FUZZ_CHECK(std::isfinite(area.slopeX) && std::isfinite(area.slopeY) && std::isfinite(area.offset));
    }
    const ksrhost::Air& air = scene.air;
    FUZZ_CHECK(std::isfinite(air.speedOfSound) && std::isfinite(air.humidity) && std::isfinite(air.temperature) &&
               std::isfinite(air.pressure));
}

void designJson(const std::vector<std::string>& parts) {
    const ksrhost::HostDesign design = ksrhost::parseDesignJson(part(parts, 0), "design.json");
    checkDesign(design);
    checkRoundTrip(design);
}

void sceneJson(const std::vector<std::string>& parts) {
    const fs::path venue = scratch() / "venue";
    writeFile(venue / "scene.json", part(parts, 0));
    writeFile(venue / "a.json", part(parts, 1));
    writeFile(venue / "sub" / "b.json", part(parts, 2));
    writeFile(venue / "c.velt", part(parts, 3));
    ksrhost::SceneOptions options;
    options.source = (venue / "scene.json").string();
    options.humidity = part(parts, 4);
    checkScene(ksrhost::readScene(options));
}

void placedDesign(FuzzInput& input, const std::vector<std::string>& parts) {
    const fs::path file = scratch() / ((input.byte() & 1) != 0 ? "design.velt" : "design.json");
    writeFile(file, part(parts, 0));
    ksrhost::SceneOptions options;
    options.source = file.string();
    options.arrayPosition = part(parts, 1);
    options.arrayAngles = part(parts, 2);
    options.gridElevation = part(parts, 3);
    options.speedOfSound = part(parts, 4);
    options.temperature = part(parts, 5);
    options.pressure = part(parts, 6);
    options.noAirAbsorption = (input.byte() & 1) != 0;
    const ksrhost::Scene scene = ksrhost::readScene(options);
    FUZZ_CHECK(scene.arrays.size() == 1);
    checkScene(scene);
    FUZZ_CHECK(within(scene.arrays[0].placement.angles, options.arrayAngles.empty() ? 1e9 : ksrhost::kMaxAngle));
}

void seatsCsv(const std::vector<std::string>& parts) {
    const std::vector<ksrhost::NamedSeat> seats = ksrhost::parseSeatsCsv(part(parts, 0), "seats.csv");
    FUZZ_CHECK(!seats.empty() && seats.size() <= ksrhost::kMaxSeatsInFile);
    for (const ksrhost::NamedSeat& seat : seats) FUZZ_CHECK(finite(seat.position));
}

void areaOption(FuzzInput& input, const std::vector<std::string>& parts) {
    const double ear = (input.byte() % 101) * 0.1;
    const ksrhost::AudienceArea area = ksrhost::parseAreaOption(part(parts, 0), 1, ear);
    FUZZ_CHECK(area.corners.size() == 4 && area.earHeight == ear);
    for (const ksrhost::Point3& corner : area.corners) {
        for (double c : corner) FUZZ_CHECK(std::isfinite(c) && std::fabs(c) <= ksrhost::kMaxCoordinate);
    }
    FUZZ_CHECK(ksrhost::contains(area, area.corners[0][0], area.corners[0][1]));
}

void optionValue(FuzzInput& input, const std::vector<std::string>& parts) {
    const std::string& text = part(parts, 0);
    switch (input.byte() % 8) {
        case 0: {
            // A number read back from the text the tool prints for it.
            const double number = ksrhost::parseNumber(text, "--x");
            FUZZ_CHECK(std::isfinite(number));
            const int places = input.byte() % 8;
            const double printed = ksrhost::parseNumber(ksrhost::decimal(number, places), "--x");
            FUZZ_CHECK(std::fabs(printed - number) <= 0.5 * std::pow(10.0, -places) * (1.0 + 1e-9) +
                                                          std::fabs(number) * 1e-15);
            if (std::fabs(number) <= 3.4e38) {
                const float single = static_cast<float>(number);
                FUZZ_CHECK(static_cast<float>(ksrhost::parseNumber(ksrhost::shortest(single), "--x")) == single);
            }
            break;
        }
        case 7: {
            // A module text in Windows-1252 comes out as valid UTF-8.
            const std::string utf8 = ksrhost::windows1252ToUtf8(text);
            FUZZ_CHECK(utf8.size() >= text.size());
            for (size_t i = 0; i < utf8.size();) {
                const auto lead = static_cast<unsigned char>(utf8[i]);
                const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
                FUZZ_CHECK(length > 0 && i + length <= utf8.size());
                for (size_t j = 1; j < length; ++j) FUZZ_CHECK((static_cast<unsigned char>(utf8[i + j]) & 0xC0) == 0x80);
                i += length;
            }
            break;
        }
        case 1:
            FUZZ_CHECK(finite(ksrhost::parseTriple(text, "--x")));
            break;
        case 2:
            FUZZ_CHECK(within(ksrhost::parsePoint(text, "--x"), ksrhost::kMaxCoordinate));
            break;
        case 3:
            FUZZ_CHECK(within(ksrhost::parseAngles(text, "--x"), ksrhost::kMaxAngle));
            break;
        case 4: {
            const auto [from, to] = ksrhost::parseRange(text, "--x");
            FUZZ_CHECK(from < to && std::fabs(from) <= ksrhost::kMaxCoordinate &&
                       std::fabs(to) <= ksrhost::kMaxCoordinate);
            break;
        }
        case 5: {
            const auto [columns, rows] = ksrhost::parseGrid(text, "--x", 2, 500);
            FUZZ_CHECK(columns >= 2 && columns <= 500 && rows >= 2 && rows <= 500);
            break;
        }
        default: {
            const auto [from, to] = ksrhost::parseSegment(text, "--x");
            FUZZ_CHECK(within(from, ksrhost::kMaxCoordinate) && within(to, ksrhost::kMaxCoordinate));
            break;
        }
    }
}

// No temporary file of a replacement stays in the folder.
void checkNoLeftovers(const fs::path& folder, const fs::path& target) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const fs::path& path = entry.path();
        FUZZ_CHECK(path == target || path.filename() == "kept" || path.filename() == "sub");
    }
}

// Two output options, the second a name typed relative to the output
// folder ("kept", "./target.velt", "sub/../target.velt", ...): two names of
// one file are refused before any work, since each output would replace the
// other; two existing, different files never are.
void distinctOutputs(const fs::path& folder, const fs::path& named, const std::string& typed) {
    const fs::path other = folder / typed;
    bool refused = false;
    try {
        ksrhost::requireDistinctFiles(named.string(), "-o", other.string(), "--report");
    } catch (const HostError&) {
        refused = true;
    }
    std::error_code error;
    const bool bothExist = fs::exists(named, error) && fs::exists(other, error);
    const bool oneFile = bothExist && fs::equivalent(named, other, error) && !error;
    if (oneFile) FUZZ_CHECK(refused);
    if (bothExist && !error && !oneFile) FUZZ_CHECK(!refused);
}

void fileOutput(FuzzInput& input, const std::vector<std::string>& parts) {
    const fs::path folder = scratch() / "out";
    emptyFolder(folder);
    const std::string& old = part(parts, 1);
    fs::path target = folder / "target.velt";
    const uint8_t kind = input.byte() % 7;
    bool oldFile = true;
    switch (kind) {
        case 0:  // an existing file
            writeFile(target, old);
            break;
        case 1:  // a folder
            fs::create_directories(target / "sub");
            oldFile = false;
            break;
        case 2:  // a read-only file
            writeFile(target, old);
            fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            break;
        case 3:  // a link to a file, which receives the bytes
            writeFile(folder / "kept", old);
            fs::create_symlink("kept", target);
            target = folder / "kept";
            break;
        case 4:  // a name in a folder that does not exist
            target = folder / "missing" / "target.velt";
            oldFile = false;
            break;
        case 5:  // a new file
            oldFile = false;
            break;
        default:  // a device's name
            target = folder / "NUL.velt";
            oldFile = false;
            break;
    }
    const fs::path named = kind == 3 ? folder / "target.velt" : target;

    const uint8_t way = input.byte();
    if ((way & 2) != 0) {
        // A command's output file, reserved before the work and replacing
        // the target only when the command commits it; a run that ends
        // without committing leaves the old file. A refused target is named
        // in a HostError.
        std::ostringstream standard;
        try {
            const bool completes = (way & 4) != 0;
            {
                ksrhost::OutputFile file(named.string(), "--out", standard);
                file.stream() << part(parts, 0);
                if (completes) {
                    file.commit();
                } else {
                    file.finish();
                }
            }
            if (completes) {
                FUZZ_CHECK(readFile(target) == part(parts, 0));
            } else if (oldFile) {
                FUZZ_CHECK(readFile(target) == old);
            }
        } catch (const HostError&) {
            if (oldFile) FUZZ_CHECK(readFile(target) == old);
        }
        FUZZ_CHECK(standard.str().empty());
    } else if ((way & 1) != 0) {
        // The atomic replacement, fed the new bytes in pieces; a fill that
        // fails must leave the old file too.
        const std::string& fresh = part(parts, 0);
        const bool fillFails = (input.byte() % 4) == 0;
        std::string reason;
        const int32_t status = ksr::replaceFile(named.string(), [&](ksr::ByteSink& sink) {
            for (size_t at = 0; at < fresh.size(); at += 7) {
                if (!sink.append(std::string_view(fresh).substr(at, 7))) return false;
            }
            return !fillFails;
        }, &reason);
        if (status == 0) {
            FUZZ_CHECK(!fillFails);
            FUZZ_CHECK(readFile(target) == fresh);
        } else {
            FUZZ_CHECK(status == -1 && (fillFails || !reason.empty()));
            if (oldFile) FUZZ_CHECK(readFile(target) == old);
        }
    } else {
        // An exchange file exported over the target, of either version.
        ksrhost::HostDesign design = ksrhost::defaultHostDesign();
        design.working.boxCount = ksr::kMinBoxes + input.byte() % 13;
        const int32_t version = (input.byte() & 1) != 0 ? ksr::kExchangeVersionCurrent : ksr::kExchangeVersionV21;
        try {
            ksrhost::exportVeltFile(design, named.string(), version);
            FUZZ_CHECK(fs::is_regular_file(target));
            FUZZ_CHECK(ksrhost::importVeltFile(named.string()).working.boxCount == design.working.boxCount);
        } catch (const ksrhost::FileError&) {
            if (oldFile) FUZZ_CHECK(readFile(target) == old);
        }
    }
    checkNoLeftovers(folder, kind == 3 ? folder / "target.velt" : target);
    distinctOutputs(folder, named, part(parts, 2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const ScratchFolder folder;
    FuzzInput input(data, 4);
    const uint8_t surface = input.byte();
    const std::vector<std::string> parts = texts(data + 4, size - 4);
    try {
        switch (surface % 7) {
            case 0:
                designJson(parts);
                break;
            case 1:
                sceneJson(parts);
                break;
            case 2:
                placedDesign(input, parts);
                break;
            case 3:
                seatsCsv(parts);
                break;
            case 4:
                areaOption(input, parts);
                break;
            case 5:
                optionValue(input, parts);
                break;
            default:
                fileOutput(input, parts);
                break;
        }
    } catch (const HostError& error) {
        FUZZ_CHECK(std::string_view(error.what()).size() > 0);
    }
    return 0;
}

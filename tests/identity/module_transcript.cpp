// Writes down, value by value, what the module answers a host over a fixed
// set of arrays, airs and seats: the outline, every component's pose, and at
// each seat every component's distance, band levels, phases and delay, its
// level at 1 m and its directivity. Floats are written as their bit
// patterns, so two transcripts are equal only if every answer is the same
// to the last bit. Built natively (libksr.so) and for Windows (ksr.dll under
// Wine); bit_identity.py compares the two.
//
//   module_transcript [--module PATH] DESIGN.json...
//
// One line a value: "<what> <bits>"; the last line counts the values.

#include <array>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "host_design.h"
#include "host_error.h"
#include "host_session.h"
#include "module_loader.h"

namespace {

using ksrhost::Air;
using ksrhost::ArrayPlacement;
using ksrhost::Triple;

// Listeners in host metres around an array hung at 0,0,10 aiming along -y:
// on the axis near and far, to the side, right below, behind, above, and on
// the array itself.
constexpr std::array<Triple, 7> kSeats{{{0.0f, -25.0f, 1.2f},
                                        {0.0f, -60.0f, 3.0f},
                                        {9.0f, -15.0f, 1.2f},
                                        {0.3f, -0.5f, 4.0f},
                                        {2.0f, 12.0f, 6.0f},
                                        {-3.0f, -4.0f, 20.0f},
                                        {0.0f, 0.0f, 10.0f}}};

struct NamedAir {
    const char* name;
    Air air;
};

// The host's default air, none at all, and a warm, dry, thin air.
const std::array<NamedAir, 3> kAirs{{{"default", Air{}},
                                     {"none", Air{343.0f, 60.0f, 20.0f, 1013.0f, false}},
                                     {"warm", Air{352.0f, 25.0f, 31.0f, 930.0f, true}}}};

class Transcript {
public:
    void value(const std::string& what, float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        std::printf("%s %08" PRIx32 "\n", what.c_str(), bits);
        ++count_;
    }
    void value(const std::string& what, int32_t v) {
        std::printf("%s %" PRId32 "\n", what.c_str(), v);
        ++count_;
    }
    void triple(const std::string& what, const Triple& t) {
        for (int i = 0; i < 3; ++i) value(what + "[" + std::to_string(i) + "]", t[i]);
    }
    long count() const { return count_; }

private:
    long count_ = 0;
};

void writeOutline(Transcript& out, const ksrhost::ModuleExports& x, const std::string& at) {
    int32_t symmetric = 0, other = 0;
    out.value(at + " symmetry.result", x.CS_GetSymmetry(&symmetric, &other));
    out.value(at + " symmetry", symmetric);
    out.value(at + " symmetry.other", other);
    int32_t vertexCount = 0, edgeCount = 0;
    out.value(at + " vertices.result", x.CS_GetVertexNumber(&vertexCount));
    out.value(at + " edges.result", x.CS_GetEdgeNumber(&edgeCount));
    out.value(at + " vertices", vertexCount);
    out.value(at + " edges", edgeCount);
    std::vector<CaseVertex> vertices(static_cast<size_t>(vertexCount > 0 ? vertexCount : 0));
    std::vector<CaseEdge> edges(static_cast<size_t>(edgeCount > 0 ? edgeCount : 0));
    if (!vertices.empty()) x.CS_GetVertexArray(vertices.data());
    if (!edges.empty()) x.CS_GetEdgeArray(edges.data());
    for (size_t i = 0; i < vertices.size(); ++i) {
        const std::string v = at + " vertex " + std::to_string(i + 1);
        out.value(v + ".one", vertices[i].one);
        out.triple(v, {vertices[i].x, vertices[i].y, vertices[i].z});
    }
    for (size_t i = 0; i < edges.size(); ++i) {
        const std::string e = at + " edge " + std::to_string(i + 1);
        out.value(e + ".kind", edges[i].kind);
        out.value(e + ".first", edges[i].first);
        out.value(e + ".second", edges[i].second);
    }
}

void writeArray(Transcript& out, const ksrhost::LoadedModule& module, const std::string& designPath) {
    const ksrhost::ModuleExports& x = module.exports();
    const ksrhost::HostDesign design = ksrhost::readDesignFile(designPath);
    ArrayPlacement placement;
    placement.angles = {0.0f, static_cast<float>(design.working.gridElevation), 0.0f};
    for (const NamedAir& air : kAirs) {
        ksrhost::applyAir(module, air.air);
        ksrhost::HostArray array(module, ksrhost::toSetupRecord(design), placement);
        const std::string at = designPath + " air=" + air.name;
        const int32_t components = array.componentCount();
        out.value(at + " components", components);
        writeOutline(out, x, at);
        for (int32_t c = 1; c <= components; ++c) {
            const std::string box = at + " box " + std::to_string(c);
            out.triple(box + " position", array.componentPosition(c));
            out.triple(box + " angles", array.componentAngles(c));
        }
        for (size_t s = 0; s < kSeats.size(); ++s) {
            const std::string seat = at + " seat " + std::to_string(s + 1);
            const auto responses = array.respond(kSeats[s]);
            out.value(seat + " distance", array.referenceDistance());
            for (const ksrhost::ComponentResponse& r : responses) {
                const std::string box = seat + " box " + std::to_string(r.component);
                out.value(box + " distance", array.componentDistance(r.component));
                out.value(box + " delay", r.delay);
                for (size_t b = 0; b < r.level.size(); ++b) {
                    const std::string band = box + " band " + std::to_string(b + 1);
                    out.value(band + " level", r.level[b]);
                    out.value(band + " phase", r.phase[b]);
                    float spl = 0.0f, directivity = 0.0f;
                    const int32_t band1 = static_cast<int32_t>(b + 1);
                    out.value(band + " spl1m.result", x.CI_GetCompSPL1m(r.component, band1, &spl));
                    out.value(band + " spl1m", spl);
                    out.value(band + " directivity.result", x.CI_GetCompDirectivity(r.component, band1, &directivity));
                    out.value(band + " directivity", directivity);
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::string modulePath;
        std::vector<std::string> designs;
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--module" && i + 1 < argc) {
                modulePath = argv[++i];
            } else {
                designs.push_back(arg);
            }
        }
        if (designs.empty()) {
            std::fprintf(stderr, "usage: module_transcript [--module PATH] DESIGN.json...\n");
            return 2;
        }
        const ksrhost::LoadedModule module(modulePath);
        Transcript out;
        for (const std::string& design : designs) writeArray(out, module, design);
        std::printf("values %ld\n", out.count());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "module_transcript: %s\n", e.what());
        return 1;
    }
}

// The cabinet outline: vertex and edge arrays of the current array, in its
// local frame. Host words beyond each record's fields are never written.

#include "exports/boundary.h"
#include "exports/ksr.h"
#include "model/outline.h"

using namespace ksr;

static_assert(sizeof(CaseVertex) == 20);
static_assert(sizeof(CaseEdge) == 16);
static_assert(KSR_VERTICES_PER_BOX == kOutlineVerticesPerBox);
static_assert(KSR_EDGES_PER_BOX == kOutlineEdgesPerBox);

namespace {

constexpr int32_t kVertexWordOne = 1;

// The count bounded into 4..16 as CI_GetComponents does, so the arrays never
// name boxes the geometry does not hold.
int32_t writeCount(int32_t* count, int32_t perBox) {
    if (count == nullptr) return kInvalid;
    return withCurrent(kInvalid, [&](ArrayInstance& instance) {
        *count = perBox * componentCount(instance);
        return kOk;
    });
}

}  // namespace

KSR_API int32_t KSR_CALL CS_GetSymmetry(int32_t* symmetric, int32_t* other) {
    return exportCall(kInvalid, [&] {
        if (symmetric == nullptr || other == nullptr) return kInvalid;
        *symmetric = kTrue;
        *other = kFalse;
        return kOk;
    });
}

KSR_API int32_t KSR_CALL CS_GetVertexNumber(int32_t* count) {
    return exportCall(kInvalid, [&] { return writeCount(count, kOutlineVerticesPerBox); });
}

KSR_API int32_t KSR_CALL CS_GetVertexArray(CaseVertex* vertices) {
    return exportCall(kInvalid, [&] {
        if (vertices == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            const int32_t boxes = componentCount(instance);
            CaseVertex* vertex = vertices;
            for (int32_t k = 0; k < boxes; ++k) {
                for (const Vec3& corner : boxOutline(instance.geometry.box[k])) {
                    vertex->one = kVertexWordOne;
                    vertex->x = corner[0];
                    vertex->y = corner[1];
                    vertex->z = corner[2];
                    ++vertex;
                }
            }
            return kOk;
        });
    });
}

KSR_API int32_t KSR_CALL CS_GetEdgeNumber(int32_t* count) {
    return exportCall(kInvalid, [&] { return writeCount(count, kOutlineEdgesPerBox); });
}

KSR_API int32_t KSR_CALL CS_GetEdgeArray(CaseEdge* edges) {
    return exportCall(kInvalid, [&] {
        if (edges == nullptr) return kInvalid;
        return withCurrent(kInvalid, [&](ArrayInstance& instance) {
            const int32_t boxes = componentCount(instance);
            CaseEdge* edge = edges;
            for (int32_t k = 0; k < boxes; ++k) {
                for (const OutlineEdge& e : boxEdges(k)) {
                    edge->kind = e.kind;
                    edge->first = e.first;
                    edge->second = e.second;
                    ++edge;
                }
            }
            return kOk;
        });
    });
}

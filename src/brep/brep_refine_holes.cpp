// SPDX-License-Identifier: GPL-3.0-or-later
// The refinement's faces that close the holes at the old vertices, where the hole loops are found
// through the model's own lookups: by sweeps over the edge list, or by a table of the border edges.
#include "brep/brep_refine.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

enum { HOLE_LOOP_LIMIT = 32 };

// Whether a hole of n corners can be closed by a face; reports the ones beyond the limits.
bool brepHoleFits(const BrepModel* out, int n) {
    if (n <= 2) return false;
    if (n > HOLE_LOOP_LIMIT) {
        brepRefineError(out,
                        ("hole loop of " + std::to_string(n) + " edges, more than 32: no face made").c_str());
        return false;
    }
    if (n > BREP_MAX_CORNERS) {
        brepRefineError(out,
                        ("hole of " + std::to_string(n) + " corners, more than 16: no face made").c_str());
        return false;
    }
    return true;
}

// The weight of a hole's face (before its root) and the mean normal of the faces around it.
float brepHoleWeight(BrepFace* const* faces, int n, float mean[3]) {
    float weight = 0;
    mean[0] = mean[1] = mean[2] = 0;
    for (int i = 0; i < n; i++) {
        weight += faces[i]->weight;
        for (int k = 0; k < 3; k++) mean[k] += faces[i]->normal[k];
    }
    for (int k = 0; k < 3; k++) mean[k] /= n;
    return weight / n;
}

// via[k]: the border edge that led to ring[k]; via[0] is the loop's first edge, which closes it.
static void vertexFace(BrepModel* out, const std::vector<BrepVertex*>& ring,
                       const std::vector<BrepFace*>& faces, const std::vector<BrepEdge*>& via) {
    int n = (int)ring.size();
    if (!brepHoleFits(out, n)) return;
    float mean[3];
    float weight = brepHoleWeight(faces.data(), n, mean);
    brepBeginFace(out, sqrtf(weight), faces[0]->orientation);
    BrepFace* q = brepEndFaceAt(out, ring.data(), via.data(), n, true);
    if (q) brepOrientLike(q, mean);
}

// The holes at the old vertices, walked along the edges that have one face, each edge from its
// v[1] to its v[0]. Each loop is collected by sweeps over the edge list from the head; a sweep takes
// every matching edge in list order, and sweeps repeat until one finds nothing.
void brepVertexFacesScanned(BrepModel* out) {
    for (BrepEdge* e = out->edges; e; e = e->next) {
        if (e->faceCount != 1) continue;
        std::vector<BrepVertex*> ring = {e->v[0]};
        std::vector<BrepFace*> faces = {e->face[0]};
        std::vector<BrepEdge*> via = {e};
        e->faceCount = 2;
        for (bool found = true; found;) {
            found = false;
            for (BrepEdge* x = out->edges; x; x = x->next)
                if (x->faceCount == 1 && x->v[1] == ring.back()) {
                    ring.push_back(x->v[0]);
                    faces.push_back(x->face[0]);
                    via.push_back(x);
                    via.push_back(x);
                    x->faceCount = 2;
                    found = true;
                }
        }
        vertexFace(out, ring, faces, via);
    }
}

// The same loops from a table of the border edges grouped by their v[1], each group in list order:
// each sweep is replayed as a walk over ascending list positions. Only border edges take part, so a
// border's number in list order stands for its list position. The walk reads the grouped copies of
// the borders' ends and faces rather than the edges themselves; the marks it leaves on the edges are
// not made, as the check that follows counts every edge's faces afresh.
namespace {

struct Border {
    int number; // among the borders, in list order
    BrepVertex* from;
    BrepFace* face;
    BrepEdge* edge;
};

struct BorderGroup {
    const BrepVertex* end; // null: empty slot
    int start, stop;       // the group's range of `members`
};

} // namespace

void brepVertexFacesIndexed(BrepModel* out) {
    std::vector<BrepEdge*> borders;
    for (BrepEdge* e = out->edges; e; e = e->next)
        if (e->faceCount == 1) borders.push_back(e);
    int n = (int)borders.size();

    // Open addressing from v[1] to its group.
    size_t cap = 16;
    while (cap < (size_t)n * 2) cap *= 2;
    std::vector<BorderGroup> groups(cap, BorderGroup{nullptr, 0, 0});
    auto slotOf = [&](const BrepVertex* v) {
        size_t h = (size_t)(((uintptr_t)v >> 4) * 0x9e3779b97f4a7c15ULL >> 20);
        size_t i = h & (cap - 1);
        while (groups[i].end && groups[i].end != v) i = (i + 1) & (cap - 1);
        return i;
    };
    std::vector<int> slotOfBorder(n);
    for (int i = 0; i < n; i++) {
        size_t slot = slotOf(borders[i]->v[1]);
        groups[slot].end = borders[i]->v[1];
        groups[slot].stop++; // a count for now
        slotOfBorder[i] = (int)slot;
    }
    int total = 0;
    for (BorderGroup& g : groups) {
        int count = g.stop;
        g.start = g.stop = total; // stop fills up to the group's end below
        total += count;
    }
    std::vector<Border> members(n);
    for (int i = 0; i < n; i++) {
        BrepEdge* e = borders[i];
        members[groups[slotOfBorder[i]].stop++] = {i, e->v[0], e->face[0], e};
    }
    std::vector<char> open(n, 1);

    // The first open border at number p or later that ends at v; null when none.
    auto nextAt = [&](const BrepVertex* v, int p) -> const Border* {
        const BorderGroup& g = groups[slotOf(v)];
        if (!g.end) return nullptr;
        for (int k = g.start; k < g.stop; k++)
            if (members[k].number >= p && open[members[k].number]) return &members[k];
        return nullptr;
    };
    std::vector<BrepVertex*> ring;
    std::vector<BrepFace*> faces;
    std::vector<BrepEdge*> via;
    for (int i = 0; i < n; i++) {
        if (!open[i]) continue;
        BrepEdge* e = borders[i];
        ring.assign(1, e->v[0]);
        faces.assign(1, e->face[0]);
        via.assign(1, e);
        open[i] = 0;
        int p = 0;
        bool foundThisSweep = false;
        for (;;) {
            const Border* x = nextAt(ring.back(), p);
            if (x) {
                ring.push_back(x->from);
                faces.push_back(x->face);
                via.push_back(x->edge);
                open[x->number] = 0;
                p = x->number + 1;
                foundThisSweep = true;
            } else if (foundThisSweep) {
                p = 0;
                foundThisSweep = false;
            } else {
                break;
            }
        }
        vertexFace(out, ring, faces, via);
    }
}

// The finer levels of detail: the weighted corner-cutting refinement of closed models, the four-way
// split of floor tiles, and the cutting of polygons into triangles.
#include "brep/brep_build.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

enum { HOLE_LOOP_LIMIT = 32 };

void refineError(const BrepModel* m, const char* what) {
    fprintf(stderr, "Brep Error %s.%03d: %s\n", m->name, m->level, what);
}

// The values a corner carries through the blends: position and both texture mappings.
struct CornerValues {
    float v[7]; // x, y, z, t0, s0, t1, s1
};

CornerValues valuesOf(const BrepVertex* p) {
    return {{p->pos[0], p->pos[1], p->pos[2], p->texT[0], p->texS[0], p->texT[1], p->texS[1]}};
}

void addCorner(BrepModel* m, const CornerValues& c, float weight, int kind) {
    brepFaceAddPoint(m, c.v[0], c.v[1], c.v[2], weight, kind, c.v[3], c.v[4], c.v[5], c.v[6]);
}

// Ends a face whose corners lie at the places of vertices of the new model; known[i] is the edge
// from corner i-1 to corner i and known[0] the closing edge, where the caller holds them (else null).
// Every vertex of the new model was placed by position, so no other vertex shares its place and the
// search would return that very vertex; with the indexes on, the vertices and known edges are taken
// directly. A NaN place is never found again: such a face goes through the searches, which then make
// new vertices. The search path gives each corner its vertex's weight, or its root when asked.
BrepFace* endFaceAt(BrepModel* m, BrepVertex* const* corners, BrepEdge* const* known, int count,
                    bool rootWeight) {
    bool direct = brepIndexed();
    for (int i = 0; i < count; i++) {
        const float* p = corners[i]->pos;
        direct &= p[0] == p[0] && p[1] == p[1] && p[2] == p[2];
    }
    for (int i = 0; i < count; i++) {
        BrepVertex* v = corners[i];
        if (direct)
            brepFaceAddVertexHint(m, v, i > 0 ? known[i] : nullptr);
        else
            addCorner(m, valuesOf(v), rootWeight ? sqrtf(v->weight) : v->weight, 1);
    }
    return direct ? brepEndFaceHint(m, known[0]) : brepEndFace(m);
}

// Negates q's normal when it points away from the mean normal m of its neighbours.
void orientLike(BrepFace* q, const float m[3]) {
    float away = 0, toward = 0;
    for (int k = 0; k < 3; k++) {
        away += (m[k] - q->normal[k]) * (m[k] - q->normal[k]);
        toward += (m[k] + q->normal[k]) * (m[k] + q->normal[k]);
    }
    if (away > toward)
        for (float& c : q->normal) c = -c;
}

// A model can be refined when every face has its edges and every edge has two faces of the model
// that run along it.
// The model's faces as a set of addresses (open addressing), so that an edge's face is known to be
// one of them before it is read.
struct FaceSet {
    std::vector<const BrepFace*> slots;
    static size_t slotOf(const BrepFace* f, size_t mask) {
        return (size_t)(((uintptr_t)f >> 4) * 0x9e3779b97f4a7c15ULL >> 24) & mask;
    }
    void build(const std::vector<const BrepFace*>& faces) {
        size_t cap = 16;
        while (cap < faces.size() * 2) cap *= 2;
        slots.assign(cap, nullptr);
        for (const BrepFace* f : faces) {
            size_t i = slotOf(f, cap - 1);
            while (slots[i] && slots[i] != f) i = (i + 1) & (cap - 1);
            slots[i] = f;
        }
    }
    bool has(const BrepFace* f) const {
        if (!f) return false;
        size_t mask = slots.size() - 1;
        for (size_t i = slotOf(f, mask); slots[i]; i = (i + 1) & mask)
            if (slots[i] == f) return true;
        return false;
    }
};

bool closedModel(const BrepModel* src) {
    if (src->base != 0) return false;
    std::vector<const BrepFace*> faces;
    for (const BrepFace* f = src->faces; f; f = f->next) {
        if (f->count < 1 || f->count > BREP_MAX_CORNERS) return false;
        for (int i = 0; i < f->count; i++)
            if (!f->edges[i]) return false;
        faces.push_back(f);
    }
    FaceSet set;
    set.build(faces);
    for (const BrepEdge* e = src->edges; e; e = e->next) {
        if (e->faceCount != 2) return false;
        for (const BrepFace* f : e->face) {
            if (!set.has(f)) return false;
            bool uses = false;
            for (int i = 0; i < f->count; i++) uses |= f->edges[i] == e;
            if (!uses) return false;
        }
    }
    return true;
}

int lastPosition(const BrepFace* f, const BrepEdge* e) {
    int k = 0;
    for (int i = 0; i < f->count; i++)
        if (f->edges[i] == e) k = i;
    return k;
}

void shrunkenFaces(BrepModel* src, BrepModel* out) {
    for (BrepFace* f = src->faces; f; f = f->next) {
        const BrepVertex* feature[BREP_MAX_CORNERS];
        int m = 0;
        for (int i = 0; i < f->count; i++)
            if (f->verts[i]->kind > 1) feature[m++] = f->verts[i];
        CornerValues centre = {{0, 0, 0, 0, 0, 0, 0}};
        int used = m >= 2 ? m : f->count;
        for (int i = 0; i < used; i++) {
            CornerValues c = valuesOf(m >= 2 ? feature[i] : f->verts[i]);
            for (int k = 0; k < 7; k++) centre.v[k] += c.v[k];
        }
        for (float& c : centre.v) c /= used;

        float fw = f->weight;
        brepBeginFace(out, sqrtf(fw), f->orientation);
        for (int i = 0; i < f->count; i++) {
            const BrepVertex* v = f->verts[i];
            float w = v->weight;
            CornerValues c = valuesOf(v);
            for (int k = 0; k < 7; k++) c.v[k] = (w * c.v[k] + fw * centre.v[k]) / (w + fw);
            addCorner(out, c, sqrtf(w), v->kind);
        }
        f->derived = brepEndFace(out);
    }
}

void edgeFaces(BrepModel* src, BrepModel* out) {
    for (BrepEdge* e = src->edges; e; e = e->next) {
        BrepFace* f1 = e->face[0];
        BrepFace* f2 = e->face[1];
        int k1 = lastPosition(f1, e), k2 = lastPosition(f2, e);
        BrepFace* g1 = f1->derived;
        BrepFace* g2 = f2->derived;
        if (!g1 || !g2) continue; // a refused shrunken face (reported)
        BrepVertex* a = g1->verts[k1];
        BrepVertex* b = g1->verts[(k1 + 1) % g1->count];
        BrepVertex* c = g2->verts[k2];
        BrepVertex* d = g2->verts[(k2 + 1) % g2->count];
        // Both ends shared: the shrunken faces still meet along the edge. One end shared: the gap is a
        // triangle of the three distinct corners, which keeps the mesh closed.
        if (a == d && b == c) continue;
        // b-a runs along g1's edge k1 and d-c along g2's edge k2.
        BrepVertex* corners[4] = {b, a, d, c};
        BrepEdge* known[4] = {nullptr, g1->edges[k1], nullptr, g2->edges[k2]};
        int count = 4;
        if (a == d) {
            corners[2] = c;
            known[2] = g2->edges[k2];
            count = 3;
        } else if (b == c) {
            known[0] = g2->edges[k2];
            count = 3;
        }
        brepBeginFace(out, sqrtf((g1->weight + g2->weight) / 2), g1->orientation);
        BrepFace* q = endFaceAt(out, corners, known, count, false);
        if (!q) continue;
        float mean[3];
        for (int k = 0; k < 3; k++) mean[k] = (g1->normal[k] + g2->normal[k]) / 2;
        orientLike(q, mean);
    }
}

// via[k]: the border edge that led to ring[k]; via[0] is the loop's first edge, which closes it.
void vertexFace(BrepModel* out, const std::vector<BrepVertex*>& ring, const std::vector<BrepFace*>& faces,
                const std::vector<BrepEdge*>& via) {
    int n = (int)ring.size();
    if (n <= 2) return;
    if (n > HOLE_LOOP_LIMIT) {
        refineError(out,
                    ("hole loop of " + std::to_string(n) + " edges, more than 32: no face made").c_str());
        return;
    }
    if (n > BREP_MAX_CORNERS) {
        refineError(out, ("hole of " + std::to_string(n) + " corners, more than 16: no face made").c_str());
        return;
    }
    float weight = 0, mean[3] = {0, 0, 0};
    for (const BrepFace* f : faces) {
        weight += f->weight;
        for (int k = 0; k < 3; k++) mean[k] += f->normal[k];
    }
    weight /= n;
    for (float& c : mean) c /= n;
    brepBeginFace(out, sqrtf(weight), faces[0]->orientation);
    BrepFace* q = endFaceAt(out, ring.data(), via.data(), n, true);
    if (q) orientLike(q, mean);
}

// The holes at the old vertices, walked along the edges that have one face, each edge from its
// v[1] to its v[0]. Each loop is collected by sweeps over the edge list from the head; a sweep takes
// every matching edge in list order, and sweeps repeat until one finds nothing.
void vertexFacesScanned(BrepModel* out) {
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

void vertexFacesIndexed(BrepModel* out) {
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

int countOf(const BrepFace* f) {
    int n = 0;
    for (; f; f = f->next) n++;
    return n;
}

} // namespace

void brepRefine(BrepModel* src, BrepModel** out) {
    brepCreate(out, src->name, src->level + 1);
    BrepModel* n = *out;
    if (!closedModel(src)) {
        refineError(src, "not a closed, checked model: not refined");
        return;
    }
    // A closed model gives a face per face, edge and vertex, two corners per edge and four edges per
    // edge: the new model's indexes are sized once.
    int srcFaces = countOf(src->faces), srcEdges = 0, srcVertices = 0;
    for (const BrepEdge* e = src->edges; e; e = e->next) srcEdges++;
    for (const BrepVertex* v = src->vertices; v; v = v->next) srcVertices++;
    brepReserve(n, srcFaces + srcEdges + srcVertices, 4 * srcEdges, 2 * srcEdges);
    shrunkenFaces(src, n);
    edgeFaces(src, n);
    brepCheck(n, 0);
    if (brepIndexed())
        vertexFacesIndexed(n);
    else
        vertexFacesScanned(n);
    // The hole walk of the indexed lookups leaves the counts of the first check, so only the hole
    // faces need counting.
    if (!brepIndexed() || !brepCheckAdded(n, 1)) brepCheck(n, 1);
    brepDropIndex(n); // lookups in the new model are over; its indexes would only hold memory

    int edges = 0, vertices = 0;
    for (const BrepEdge* e = n->edges; e; e = e->next) edges++;
    for (const BrepVertex* v = n->vertices; v; v = v->next) vertices++;
    printf("Face: %d\n", countOf(n->faces));
    printf("Edge: %d\n", edges);
    printf("Vertex: %d\n\n\n", vertices);
}

void brepRefineFloor(BrepModel* src, BrepModel** out) {
    brepCreate(out, src->name, src->level + 1);
    BrepModel* n = *out;
    for (const BrepFace* f = src->faces; f; f = f->next) {
        if (f->count < 4) {
            refineError(src, "floor face with fewer than 4 corners: not refined");
            continue;
        }
        // Grid points: corner j at 2j, the midpoint of corners j and j+1 at 2j+1, the centre at 8.
        float g[9][5]; // x, y, z, t, s
        for (int j = 0; j < 4; j++) {
            const BrepVertex* v = f->verts[j];
            float c[5] = {v->pos[0], v->pos[1], v->pos[2], v->texT[0], v->texS[0]};
            std::copy(c, c + 5, g[2 * j]);
        }
        for (int j = 0; j < 4; j++)
            for (int k = 0; k < 5; k++) g[2 * j + 1][k] = (g[2 * j][k] + g[(2 * j + 2) % 8][k]) / 2;
        for (int k = 0; k < 5; k++) g[8][k] = (g[1][k] + g[5][k]) / 2;
        // Snap to the unit square's border so that neighbouring tiles meet exactly.
        for (float* p : g)
            for (int k : {0, 2}) {
                if (p[k] < 0.0001f) p[k] = 0;
                if (p[k] > 0.9999f) p[k] = 1;
            }
        static const int quads[4][4] = {{0, 1, 8, 7}, {1, 2, 3, 8}, {8, 3, 4, 5}, {7, 8, 5, 6}};
        for (const int* q : quads) {
            brepBeginFace(n, 1.0f, BREP_CW);
            for (int i = 0; i < 4; i++) {
                const float* p = g[q[i]];
                brepFaceAddPoint(n, p[0], p[1], p[2], 1.0f, 1, p[3], p[4], p[3], p[4]);
            }
            brepEndFace(n);
        }
    }
}

void brepSplitPolygons(BrepModel* model) {
    if (model->base != 0) {
        refineError(model, "a packed model cannot be split");
        return;
    }
    auto corner = [model](const BrepVertex* v) {
        brepFaceAddPoint(model, v->pos[0], v->pos[1], v->pos[2], v->weight, v->kind, v->texT[0], v->texS[0],
                         v->texT[1], v->texS[1]);
    };
    for (bool cut = true; cut;) {
        cut = false;
        for (BrepFace* f = model->faces; f;) {
            int n = f->count;
            if (n <= 3) {
                f = f->next;
                continue;
            }
            // The shortest diagonal; one ending at the last corner is never considered.
            int bi = 0, bj = 2;
            float best = 1e32f;
            for (int i = 0; i < n; i++)
                for (int j = i + 2; j <= n - 2; j++) {
                    const float* p = f->verts[i]->pos;
                    const float* q = f->verts[j]->pos;
                    float d = (p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                              (p[2] - q[2]) * (p[2] - q[2]);
                    if (d < best) {
                        best = d;
                        bi = i;
                        bj = j;
                    }
                }
            brepBeginFace(model, f->weight, f->orientation);
            for (int k = bi; k <= bj; k++) corner(f->verts[k]);
            brepEndFace(model);
            brepBeginFace(model, f->weight, f->orientation);
            corner(f->verts[bi]);
            for (int k = bj; k != bi; k = (k + 1) % n) corner(f->verts[k]);
            brepEndFace(model);
            f = brepRemoveFace(&model->faces, f);
            cut = true;
        }
    }
    brepCheck(model, 0);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The finer levels of detail of closed models: the weighted corner-cutting refinement.
#include "brep/brep_build.h"
#include "brep/brep_refine.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

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

} // namespace

void brepRefineError(const BrepModel* m, const char* what) {
    fprintf(stderr, "Brep Error %s.%03d: %s\n", m->name, m->level, what);
}

// Ends a face whose corners lie at the places of vertices of the new model; known[i] is the edge
// from corner i-1 to corner i and known[0] the closing edge, where the caller holds them (else null).
// Every vertex of the new model was placed by position, so no other vertex shares its place and the
// search would return that very vertex; with the indexes on, the vertices and known edges are taken
// directly. A NaN place is never found again: such a face goes through the searches, which then make
// new vertices. The search path gives each corner its vertex's weight, or its root when asked.
BrepFace* brepEndFaceAt(BrepModel* m, BrepVertex* const* corners, BrepEdge* const* known, int count,
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
void brepOrientLike(BrepFace* q, const float m[3]) {
    float away = 0, toward = 0;
    for (int k = 0; k < 3; k++) {
        away += (m[k] - q->normal[k]) * (m[k] - q->normal[k]);
        toward += (m[k] + q->normal[k]) * (m[k] + q->normal[k]);
    }
    if (away > toward)
        for (float& c : q->normal) c = -c;
}

namespace {

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
            for (int i = 0; i < f->count && !uses; i++) uses = f->edges[i] == e;
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

// The centre of a face: the mean of its feature corners when it has two or more, else of all.
CornerValues faceCentre(const BrepFace* f) {
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
    return centre;
}

// Corner i of the shrunken face: the blend of its vertex and the centre by their weights.
CornerValues shrunkenCorner(const BrepFace* f, int i, const CornerValues& centre) {
    const BrepVertex* v = f->verts[i];
    float w = v->weight, fw = f->weight;
    CornerValues c = valuesOf(v);
    for (int k = 0; k < 7; k++) c.v[k] = (w * c.v[k] + fw * centre.v[k]) / (w + fw);
    return c;
}

void shrunkenFaces(BrepModel* src, BrepModel* out) {
    for (BrepFace* f = src->faces; f; f = f->next) {
        CornerValues centre = faceCentre(f);
        brepBeginFace(out, sqrtf(f->weight), f->orientation);
        for (int i = 0; i < f->count; i++)
            addCorner(out, shrunkenCorner(f, i, centre), sqrtf(f->verts[i]->weight), f->verts[i]->kind);
        f->derived = brepEndFace(out);
    }
}

// The face that fills the gap along an old edge between the shrunken faces of its two faces: its
// corners, the edges of the new model that the shrunken faces already have between them (known[i]
// joins corner i-1 and corner i, known[0] the last and the first; null where none is known), its
// weight, orientation and the mean normal of its neighbours. Returns the corner count, 0 for no face.
struct Gap {
    BrepVertex* corners[4];
    BrepEdge* known[4];
    float weight;
    int orientation;
    float mean[3];
};

int gapAlong(const BrepEdge* e, Gap* gap) {
    BrepFace* f1 = e->face[0];
    BrepFace* f2 = e->face[1];
    int k1 = lastPosition(f1, e), k2 = lastPosition(f2, e);
    BrepFace* g1 = f1->derived;
    BrepFace* g2 = f2->derived;
    if (!g1 || !g2) return 0; // a refused shrunken face (reported)
    BrepVertex* a = g1->verts[k1];
    BrepVertex* b = g1->verts[(k1 + 1) % g1->count];
    BrepVertex* c = g2->verts[k2];
    BrepVertex* d = g2->verts[(k2 + 1) % g2->count];
    // Both ends shared: the shrunken faces still meet along the edge. One end shared: the gap is a
    // triangle of the three distinct corners, which keeps the mesh closed.
    if (a == d && b == c) return 0;
    // b-a runs along g1's edge k1 and d-c along g2's edge k2.
    *gap = {{b, a, d, c}, {nullptr, g1->edges[k1], nullptr, g2->edges[k2]}, 0, 0, {0, 0, 0}};
    int count = 4;
    if (a == d) {
        gap->corners[2] = c;
        gap->known[2] = g2->edges[k2];
        count = 3;
    } else if (b == c) {
        gap->known[0] = g2->edges[k2];
        count = 3;
    }
    gap->weight = sqrtf((g1->weight + g2->weight) / 2);
    gap->orientation = g1->orientation;
    for (int k = 0; k < 3; k++) gap->mean[k] = (g1->normal[k] + g2->normal[k]) / 2;
    return count;
}

void edgeFaces(BrepModel* src, BrepModel* out) {
    for (BrepEdge* e = src->edges; e; e = e->next) {
        Gap gap;
        int count = gapAlong(e, &gap);
        if (!count) continue;
        brepBeginFace(out, gap.weight, gap.orientation);
        BrepFace* q = brepEndFaceAt(out, gap.corners, gap.known, count, false);
        if (q) brepOrientLike(q, gap.mean);
    }
}

// ---- The refinement with lookups of its own.
//
// The new model's vertices and edges lie in one block each (brepReserveRecords), so a record's
// distance from the first numbers it. Beside them, for this refinement only: a table of the places
// of the new vertices and the edges at each vertex (an edge is found among the few at one of its
// ends). The faces on each edge are kept in the edge's own record, newest first, as the check counts
// them (a face with a given corner set is found among the faces on the edges at its first corner).
// These find the records the model's lookups would find, as long as no face repeats a corner, no
// edge has a third face, every place is a number and every hole is one closed loop; when that does
// not hold, the caller refines again with the model's lookups (or, for the holes, goes on with them).
constexpr uint32_t NONE = 0xffffffffu;

// The tables live in the module's scratch blocks, which a refinement of similar size reuses.
template <class T> using Table = std::vector<T, BrepScratchAllocator<T>>;

// The edges at a vertex with their other ends: four in place, the rest in a shared list.
struct Adjacency {
    uint32_t other[4];
    uint32_t edge[4];
    uint32_t count;
    uint32_t more; // the first of the rest, or NONE
};
struct MoreAdjacency {
    uint32_t other, edge, next;
};

struct Refinement {
    BrepModel* out;
    BrepVertex* firstVertex = nullptr; // vertex k lies at firstVertex - k
    BrepEdge* firstEdge = nullptr;
    uint32_t vertices = 0, twoFaced = 0, madeFaces = 0;
    std::vector<Adjacency> adjacency; // per vertex
    std::vector<MoreAdjacency> more;  // the edges past the fourth at a vertex
    std::vector<uint8_t> faces;       // per edge: how many faces use it
    std::vector<uint64_t> places;     // per slot: hash tag << 32 | vertex number + 1
    size_t placeMask = 0;

    Refinement(BrepModel* model, size_t vertexRoom, size_t edgeRoom) : out(model) {
        adjacency.reserve(vertexRoom);
        faces.reserve(edgeRoom);
        size_t cap = 64;
        while (cap < 2 * vertexRoom) cap *= 2;
        places.assign(cap, 0);
        placeMask = cap - 1;
    }

    BrepVertex* vertexAt(uint32_t k) const { return firstVertex - k; }
    uint32_t vertexNumber(const BrepVertex* v) const { return (uint32_t)(firstVertex - v); }
    BrepEdge* edgeAt(uint32_t k) const { return firstEdge - k; }
    uint32_t edgeNumber(const BrepEdge* e) const { return (uint32_t)(firstEdge - e); }
    uint32_t edges() const { return (uint32_t)faces.size(); }

    static uint64_t placeHash(const float p[3]) {
        uint32_t b[3];
        for (int k = 0; k < 3; k++) {
            float f = p[k] == 0.0f ? 0.0f : p[k]; // -0 is the same place as 0
            memcpy(&b[k], &f, 4);
        }
        uint64_t h = ((uint64_t)b[0] << 32 | b[1]) * 0x9e3779b97f4a7c15ULL;
        h ^= (uint64_t)b[2] * 0xc2b2ae3d27d4eb4fULL;
        h ^= h >> 31;
        h *= 0xbf58476d1ce4e5b9ULL;
        return h ^ h >> 29;
    }

    // The vertex at the corner's place (hash h), made from its values when there is none; made
    // says which.
    uint32_t vertexFor(const CornerValues& c, uint64_t h, float weight, int kind, bool* made) {
        uint64_t tag = h >> 32 << 32;
        size_t i = h & placeMask;
        for (; places[i]; i = (i + 1) & placeMask) {
            if ((places[i] & ~0xffffffffULL) != tag) continue;
            uint32_t k = (uint32_t)places[i] - 1;
            const float* p = vertexAt(k)->pos;
            if (p[0] == c.v[0] && p[1] == c.v[1] && p[2] == c.v[2]) {
                *made = false;
                return k;
            }
        }
        BrepVertex* v =
            brepNewVertex(out, c.v[0], c.v[1], c.v[2], weight, kind, c.v[3], c.v[4], c.v[5], c.v[6]);
        if (!firstVertex) firstVertex = v;
        assert(v == vertexAt(vertices) && "vertices made one below the other");
        places[i] = tag | (vertices + 1);
        adjacency.push_back(Adjacency{{0, 0, 0, 0}, {0, 0, 0, 0}, 0, NONE});
        *made = true;
        return vertices++;
    }

    void addAdjacent(uint32_t v, uint32_t other, uint32_t e) {
        Adjacency& a = adjacency[v];
        if (a.count < 4) {
            a.other[a.count] = other;
            a.edge[a.count] = e;
        } else {
            more.push_back({other, e, a.more});
            a.more = (uint32_t)more.size() - 1;
        }
        a.count++;
    }

    // Calls f(other end, edge) for each edge at vertex v until it returns true.
    template <class F> bool anyEdgeAt(uint32_t v, F f) const {
        const Adjacency& a = adjacency[v];
        for (uint32_t i = 0; i < a.count && i < 4; i++)
            if (f(a.other[i], a.edge[i])) return true;
        for (uint32_t m = a.more; m != NONE; m = more[m].next)
            if (f(more[m].other, more[m].edge)) return true;
        return false;
    }

    // The edge joining vertices a and b, made when there is none.
    BrepEdge* edgeBetween(uint32_t a, uint32_t b) {
        uint32_t found = NONE;
        anyEdgeAt(a, [&](uint32_t other, uint32_t e) { return other == b && (found = e, true); });
        if (found != NONE) return edgeAt(found);
        BrepEdge* made = brepNewEdge(out, vertexAt(a), vertexAt(b));
        if (!firstEdge) firstEdge = made;
        uint32_t e = edges();
        assert(made == edgeAt(e) && "edges made one below the other");
        faces.push_back(0);
        addAdjacent(a, b, e);
        addAdjacent(b, a, e);
        return made;
    }

    static bool among(const BrepVertex* v, BrepVertex* const* corners, int n) {
        for (int j = 0; j < n; j++)
            if (corners[j] == v) return true;
        return false;
    }

    // The face with these n distinct corners; null when there is none. Every face of the model has
    // distinct corners and a corner set of its own, and one with these corners uses an edge from the
    // first of them to another.
    BrepFace* faceWith(BrepVertex* const* corners, int n) const {
        BrepFace* found = nullptr;
        anyEdgeAt(vertexNumber(corners[0]), [&](uint32_t other, uint32_t e) {
            if (!among(vertexAt(other), corners + 1, n - 1)) return false;
            const BrepEdge* edge = edgeAt(e);
            for (int k = 0; k < edge->faceCount; k++) {
                BrepFace* g = edge->face[k];
                if (g->count != n) continue;
                int i = 0;
                while (i < n && among(g->verts[i], corners, n)) i++;
                if (i == n) {
                    found = g;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // The face with these corners and edges, made when there is none; null (refused set) when an
    // edge would get a third face. A new face goes to the head of its edges' face lists.
    BrepFace* faceOf(float weight, int orientation, int n, BrepVertex* const* corners, BrepEdge* const* edges,
                     bool search, bool* refused) {
        if (search)
            if (BrepFace* g = faceWith(corners, n)) return g;
        for (int i = 0; i < n; i++)
            if (faces[edgeNumber(edges[i])] == 2) {
                *refused = true;
                return nullptr;
            }
        BrepFace* g = brepNewFace(out, weight, orientation, n, corners, edges);
        madeFaces++;
        for (int i = 0; i < n; i++) {
            BrepEdge* e = edges[i];
            uint8_t& count = faces[edgeNumber(e)];
            if (count == 1) {
                e->face[1] = e->face[0];
                twoFaced++;
            }
            e->face[0] = g;
            e->faceCount = ++count;
        }
        return g;
    }

    static bool distinct(BrepVertex* const* corners, int n) {
        for (int i = 1; i < n; i++)
            if (among(corners[i], corners, i)) return false;
        return true;
    }

    bool shrunkenFaces(BrepModel* src) {
        for (BrepFace* f = src->faces; f; f = f->next) {
            int n = f->count;
            if (n < 3) return false;
            CornerValues centre = faceCentre(f);
            CornerValues values[BREP_MAX_CORNERS];
            uint64_t hash[BREP_MAX_CORNERS];
            for (int i = 0; i < n; i++) {
                values[i] = shrunkenCorner(f, i, centre);
                const float* p = values[i].v;
                if (std::isnan(p[0]) || std::isnan(p[1]) || std::isnan(p[2])) return false;
                hash[i] = placeHash(p);
                __builtin_prefetch(&places[hash[i] & placeMask]);
            }
            uint32_t number[BREP_MAX_CORNERS];
            BrepVertex* corners[BREP_MAX_CORNERS];
            BrepEdge* edges[BREP_MAX_CORNERS];
            bool anyMade = false, anyFound = false;
            for (int i = 0; i < n; i++) {
                bool made;
                number[i] =
                    vertexFor(values[i], hash[i], sqrtf(f->verts[i]->weight), f->verts[i]->kind, &made);
                corners[i] = vertexAt(number[i]);
                anyMade |= made;
                anyFound |= !made;
            }
            if (anyFound && !distinct(corners, n)) return false;
            for (int i = 1; i < n; i++) edges[i - 1] = edgeBetween(number[i - 1], number[i]);
            edges[n - 1] = edgeBetween(number[n - 1], number[0]);
            // A face with a corner made for it is not there yet.
            bool refused = false;
            f->derived = faceOf(sqrtf(f->weight), f->orientation, n, corners, edges, !anyMade, &refused);
            if (refused) return false;
        }
        return true;
    }

    // The gap and hole passes read records at random for each face they make. Each record on the
    // way to them is fetched a few faces ahead, once the one before it has arrived: a gap's old
    // faces eight old edges ahead, their corner slots and shrunken faces four ahead, those faces'
    // slots two ahead and the corners they lead to one ahead.
    void fetchCorner(const BrepVertex* v) const {
        __builtin_prefetch(v->pos);
        __builtin_prefetch(&adjacency[vertexNumber(v)]);
    }
    static const BrepEdge* skip(const BrepEdge* e, int n) {
        for (; e && n > 0; n--) e = e->next;
        return e;
    }
    void fetchGapAhead(const BrepEdge* e1, const BrepEdge* e2, const BrepEdge* e4, const BrepEdge* e8) const {
        if (e8) {
            __builtin_prefetch(e8->face[0]);
            __builtin_prefetch(e8->face[1]);
        }
        if (e4)
            for (const BrepFace* f : e4->face) {
                __builtin_prefetch(f->edges);
                __builtin_prefetch(f->derived);
            }
        if (e2)
            for (const BrepFace* f : e2->face)
                if (f->derived) __builtin_prefetch(f->derived->verts);
        if (e1)
            for (const BrepFace* f : e1->face) {
                const BrepFace* g = f->derived;
                if (!g) continue;
                int k = lastPosition(f, e1);
                fetchCorner(g->verts[k % g->count]);
                fetchCorner(g->verts[(k + 1) % g->count]);
            }
    }

    bool edgeFaces(BrepModel* src) {
        const BrepEdge* e1 = skip(src->edges, 1);
        const BrepEdge* e2 = skip(e1, 1);
        const BrepEdge* e4 = skip(e2, 2);
        const BrepEdge* e8 = skip(e4, 4);
        for (BrepEdge* e = src->edges; e; e = e->next) {
            fetchGapAhead(e1, e2, e4, e8);
            e1 = skip(e1, 1);
            e2 = skip(e2, 1);
            e4 = skip(e4, 1);
            e8 = skip(e8, 1);
            Gap gap;
            int n = gapAlong(e, &gap);
            if (!n) continue;
            if (!distinct(gap.corners, n)) return false;
            BrepEdge* edges[4];
            for (int i = 0; i < n; i++) {
                int j = i + 1 < n ? i + 1 : 0;
                edges[i] = gap.known[j]
                               ? gap.known[j]
                               : edgeBetween(vertexNumber(gap.corners[i]), vertexNumber(gap.corners[j]));
            }
            bool refused = false;
            BrepFace* q = faceOf(gap.weight, gap.orientation, n, gap.corners, edges, true, &refused);
            if (refused) return false;
            brepOrientLike(q, gap.mean);
        }
        return true;
    }

    // The holes, walked as the model's lookups walk them (each border edge from its v[1] to its
    // v[0], the loops in the order of their first border edge in the list); false, having made
    // nothing, when a vertex ends two border edges or a hole to be closed is not one simple loop.
    bool vertexFaces() {
        Table<uint32_t> endsAt(vertices, NONE), borders;
        borders.reserve(edges());
        for (uint32_t e = edges(); e-- > 0;) {
            if (faces[e] != 1) continue;
            uint32_t& slot = endsAt[vertexNumber(edgeAt(e)->v[1])];
            if (slot != NONE) return false;
            slot = e;
            borders.push_back(e);
        }
        // The loops first: vertices and edges by number, each loop's start in `starts`.
        Table<uint32_t> ringVertices, ringEdges, starts;
        ringVertices.reserve(borders.size());
        ringEdges.reserve(borders.size());
        starts.reserve(borders.size() + 1);
        Table<char> used(edges(), 0);
        for (uint32_t first : borders) {
            if (used[first]) continue;
            starts.push_back((uint32_t)ringVertices.size());
            used[first] = 1;
            uint32_t x = vertexNumber(edgeAt(first)->v[0]);
            ringVertices.push_back(x);
            ringEdges.push_back(first);
            for (uint32_t e = endsAt[x]; e != NONE && !used[e]; e = endsAt[x]) {
                used[e] = 1;
                x = vertexNumber(edgeAt(e)->v[0]);
                ringVertices.push_back(x);
                ringEdges.push_back(e);
            }
            size_t n = ringVertices.size() - starts.back();
            if (n >= 3 && n <= BREP_MAX_CORNERS) {
                if (endsAt[x] != first) return false;
                BrepVertex* corners[BREP_MAX_CORNERS];
                for (size_t i = 0; i < n; i++) corners[i] = vertexAt(ringVertices[starts.back() + i]);
                if (!distinct(corners, (int)n)) return false;
            }
        }
        starts.push_back((uint32_t)ringVertices.size());
        // A hole's corners and border edges four holes ahead, the faces on those edges two ahead.
        for (size_t r = 0; r + 1 < starts.size(); r++) {
            if (r + 5 < starts.size())
                for (uint32_t i = starts[r + 4]; i < starts[r + 5]; i++) {
                    fetchCorner(vertexAt(ringVertices[i]));
                    __builtin_prefetch(edgeAt(ringEdges[i]));
                }
            if (r + 3 < starts.size())
                for (uint32_t i = starts[r + 2]; i < starts[r + 3]; i++)
                    __builtin_prefetch(edgeAt(ringEdges[i])->face[0]);
            int n = (int)(starts[r + 1] - starts[r]);
            if (!brepHoleFits(out, n)) continue;
            const uint32_t* ring = &ringVertices[starts[r]];
            const uint32_t* via = &ringEdges[starts[r]];
            BrepVertex* corners[BREP_MAX_CORNERS];
            BrepEdge* edges[BREP_MAX_CORNERS];
            BrepFace* around[BREP_MAX_CORNERS];
            for (int i = 0; i < n; i++) {
                corners[i] = vertexAt(ring[i]);
                edges[i] = edgeAt(via[i + 1 < n ? i + 1 : 0]);
                around[i] = edgeAt(via[i])->face[0];
            }
            float mean[3];
            float weight = brepHoleWeight(around, n, mean);
            bool refused = false;
            BrepFace* q = faceOf(sqrtf(weight), around[0]->orientation, n, corners, edges, true, &refused);
            assert(!refused && "border edges have one face");
            brepOrientLike(q, mean);
        }
        return true;
    }
};

// Refines src into the empty model out with the lookups above; false, with out to be thrown away,
// when src is beyond their reach. made[0..2]: the new model's faces, edges and vertices when all
// were made here, else -1.
bool refineDirect(BrepModel* src, BrepModel* out, int srcFaces, int srcEdges, int srcVertices, int made[3]) {
    int corners = 0;
    for (const BrepFace* f = src->faces; f; f = f->next) corners += f->count;
    // A face per face, edge and vertex; a vertex per corner; the corners' edges and two more per edge.
    brepReserveRecords(out, corners, corners + 2 * srcEdges, srcFaces + srcEdges + srcVertices,
                       corners + 6 * srcEdges);
    Refinement r(out, (size_t)corners, (size_t)corners + 2 * (size_t)srcEdges);
    if (!r.shrunkenFaces(src) || !r.edgeFaces(src)) return false;
    if (!r.vertexFaces()) {
        // The loops as the model's lookups find them.
        brepCheck(out, 0);
        brepVertexFacesIndexed(out);
        brepCheck(out, 1);
        return true;
    }
    made[0] = (int)r.madeFaces;
    made[1] = (int)r.edges();
    made[2] = (int)r.vertices;
    if (r.twoFaced != r.edges()) brepCheck(out, 1); // the open edges, reported
    // Otherwise every edge has its two faces, newest first, as the check would record them.
    return true;
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
        brepRefineError(src, "not a closed, checked model: not refined");
        return;
    }
    // A closed model gives a face per face, edge and vertex, two corners per edge and four edges per
    // edge: the new model's records and indexes are sized once.
    int srcFaces = countOf(src->faces), srcEdges = 0, srcVertices = 0;
    for (const BrepEdge* e = src->edges; e; e = e->next) srcEdges++;
    for (const BrepVertex* v = src->vertices; v; v = v->next) srcVertices++;
    int made[3] = {-1, -1, -1};
    if (!brepIndexed() || !refineDirect(src, n, srcFaces, srcEdges, srcVertices, made)) {
        if (brepIndexed()) { // what refineDirect made
            brepFree(out);
            brepCreate(out, src->name, src->level + 1);
            n = *out;
        }
        brepReserve(n, srcFaces + srcEdges + srcVertices, 4 * srcEdges, 2 * srcEdges);
        shrunkenFaces(src, n);
        edgeFaces(src, n);
        brepCheck(n, 0);
        if (brepIndexed())
            brepVertexFacesIndexed(n);
        else
            brepVertexFacesScanned(n);
        // The hole walk of the indexed lookups leaves the counts of the first check, so only the hole
        // faces need counting.
        if (!brepIndexed() || !brepCheckAdded(n, 1)) brepCheck(n, 1);
    }
    brepDropIndex(n); // lookups in the new model are over; its indexes would only hold memory

    if (made[0] < 0) { // counted when not all were made above
        made[0] = countOf(n->faces);
        made[1] = made[2] = 0;
        for (const BrepEdge* e = n->edges; e; e = e->next) made[1]++;
        for (const BrepVertex* v = n->vertices; v; v = v->next) made[2]++;
    }
    printf("Face: %d\n", made[0]);
    printf("Edge: %d\n", made[1]);
    printf("Vertex: %d\n\n\n", made[2]);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The B-rep records, the face-by-face construction protocol and the connectivity check.
//
// Lookups (a vertex by position, an edge by vertex pair, a face by corner set) return the record
// nearest the head of its list, as a scan from the head does. To keep building linear they go through
// the hash indexes of brep_index.cpp; the plain scans stay behind brepSetIndexed(0) and the tests build
// the same models both ways. The records' memory comes from brep_alloc.cpp.
#include "brep/brep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "brep/brep_alloc.h"
#include "brep/brep_index.h"

static_assert(sizeof(BrepVertex::pos) == 12, "positions as the file forms expect");

static void brepError(const char* message) {
    fprintf(stderr, "Brep Error %s\n", message);
}

// ---------------------------------------------------------------------------------------------------
// Lookups: through the indexes (brep_index.cpp), or the plain scans from the head of each list.

static bool samePosition(const float a[3], const float b[3]) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

static bool joins(const BrepEdge* e, const BrepVertex* a, const BrepVertex* b) {
    return (e->v[0] == a && e->v[1] == b) || (e->v[0] == b && e->v[1] == a);
}

// The scan's match rule for faces: equal counts and as many identical (i, j) corner pairs as corners.
static bool sameCorners(const BrepFace* f, const BrepFace* g) {
    if (f->count != g->count) return false;
    int pairs = 0;
    for (int i = 0; i < f->count; i++)
        for (int j = 0; j < g->count; j++) pairs += f->verts[i] == g->verts[j];
    return pairs == f->count;
}

static BrepVertex* findVertex(BrepModel* m, const float p[3]) {
    if (brepIndexed()) return brepIndexFindVertex(m, p);
    for (BrepVertex* v = m->vertices; v; v = v->next)
        if (samePosition(v->pos, p)) return v;
    return nullptr;
}

static BrepVertex* pushVertex(BrepModel* m, const BrepVertex& values) {
    BrepVertex* v = (BrepVertex*)brepRecordAlloc(m, BREP_PART_VERTICES, sizeof(BrepVertex));
    *v = values;
    v->index = 0;
    v->next = m->vertices;
    m->vertices = v;
    if (brepIndexed()) brepIndexVertexAdded(m, v);
    return v;
}

// An edge the caller expects the next edge search to return (see brepFaceAddVertexHint).
static BrepEdge* edgeHint = nullptr;

// Corners of the face being built that were made for it and have no edge yet. No edge of the model
// ends at such a vertex and no face of the model has it as a corner, so the edge search for a pair
// with one of them, and the face search for a face with one, would find nothing.
static const BrepModel* freshModel = nullptr;
// The model and face list head of the last check that found no edge with a third face.
static const BrepModel* quietCheckModel = nullptr;
static const BrepFace* quietCheckHead = nullptr;
static const BrepVertex* freshCorners[BREP_MAX_CORNERS];
static int freshCount = 0;
static bool faceHasNewCorner = false;

static void freshReset(const BrepModel* m) {
    freshModel = m;
    freshCount = 0;
    faceHasNewCorner = false;
}

static bool takeFresh(const BrepModel* m, const BrepVertex* a, const BrepVertex* b) {
    if (m != freshModel) return false;
    bool any = false;
    for (int i = 0; i < freshCount;) {
        if (freshCorners[i] == a || freshCorners[i] == b) {
            freshCorners[i] = freshCorners[--freshCount]; // it gets an edge now
            any = true;
        } else {
            i++;
        }
    }
    return any;
}

// A new edge at the head of the list; the index is the caller's business.
static BrepEdge* pushEdge(BrepModel* m, BrepVertex* a, BrepVertex* b) {
    BrepEdge* e = (BrepEdge*)brepRecordAlloc(m, BREP_PART_EDGES, sizeof(BrepEdge));
    e->v[0] = a;
    e->v[1] = b;
    e->faceCount = 0;
    e->face[0] = e->face[1] = nullptr;
    e->next = m->edges;
    m->edges = e;
    return e;
}

static BrepEdge* findOrAddEdge(BrepModel* m) {
    BrepVertex* a = m->edgeKey.v[0];
    BrepVertex* b = m->edgeKey.v[1];
    BrepEdge* hint = edgeHint;
    edgeHint = nullptr;
    if (brepIndexed()) {
        // Edges are only made after a search for their pair failed, so a model holds one edge per
        // pair: an edge of the model that joins a and b is the one the search finds.
        if (hint && joins(hint, a, b)) return hint;
        bool fresh = takeFresh(m, a, b);
        if (BrepEdge* e = brepIndexFindEdge(m, a, b, !fresh)) return e;
        BrepEdge* e = pushEdge(m, a, b);
        brepIndexEdgeAdded(m, e);
        return e;
    }
    for (BrepEdge* e = m->edges; e; e = e->next)
        if (joins(e, a, b)) return e;
    return pushEdge(m, a, b);
}

static BrepFace* findFace(BrepModel* m, const BrepFace* key) {
    if (brepIndexed()) {
        bool answered;
        BrepFace* f = brepIndexFindFace(m, key, &answered);
        if (answered) return f;
    }
    for (BrepFace* f = m->faces; f; f = f->next)
        if (sameCorners(f, key)) return f;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Normals and texture mapping.

// The corners' positions are read once; each sum takes its terms in corner order.
static void faceNormal(BrepFace* f) {
    float x[BREP_MAX_CORNERS], y[BREP_MAX_CORNERS], z[BREP_MAX_CORNERS];
    int n = f->count;
    for (int i = 0; i < n; i++) {
        const float* p = f->verts[i]->pos;
        x[i] = p[0];
        y[i] = p[1];
        z[i] = p[2];
    }
    bool cw = f->orientation == BREP_CW; // any other orientation takes the counter-clockwise sign
    float s0 = 0, s1 = 0, s2 = 0;
    if (cw) { // the edge into a corner is the edge out of the corner before it
        float a0 = x[0] - x[n - 1], a1 = y[0] - y[n - 1], a2 = z[0] - z[n - 1];
        for (int i = 0; i < n; i++) {
            int j = i + 1 == n ? 0 : i + 1;
            float b0 = x[j] - x[i], b1 = y[j] - y[i], b2 = z[j] - z[i];
            s0 += a1 * b2 - a2 * b1;
            s1 += a2 * b0 - a0 * b2;
            s2 += a0 * b1 - a1 * b0;
            a0 = b0;
            a1 = b1;
            a2 = b2;
        }
    } else {
        for (int i = 0; i < n; i++) {
            int h = i == 0 ? n - 1 : i - 1, j = i + 1 == n ? 0 : i + 1;
            float a0 = x[h] - x[i], a1 = y[h] - y[i], a2 = z[h] - z[i];
            float b0 = x[j] - x[i], b1 = y[j] - y[i], b2 = z[j] - z[i];
            s0 += a1 * b2 - a2 * b1;
            s1 += a2 * b0 - a0 * b2;
            s2 += a0 * b1 - a1 * b0;
        }
    }
    float len = sqrtf(s0 * s0 + s1 * s1 + s2 * s2);
    // A degenerate face (no area) keeps the zero vector rather than dividing by zero.
    f->normal[0] = len > 0 ? s0 / len : 0.0f;
    f->normal[1] = len > 0 ? s1 / len : 0.0f;
    f->normal[2] = len > 0 ? s2 / len : 0.0f;
}

// The outline's length in each texture mapping, both summed in corner order in one pass.
static int faceMapping(const BrepFace* f) {
    float len[2] = {0, 0};
    int n = f->count;
    for (int i = 0; i < n; i++) {
        const BrepVertex* a = f->verts[i];
        const BrepVertex* b = f->verts[i + 1 == n ? 0 : i + 1];
        for (int m = 0; m < 2; m++) {
            float dt = a->texT[m] - b->texT[m], ds = a->texS[m] - b->texS[m];
            len[m] += sqrtf(dt * dt + ds * ds);
        }
    }
    return len[0] < len[1] ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------------
// Models.

// The face under construction keeps its corners in the model's own slots.
static void newFaceSlots(BrepModel* model) {
    model->newFace.verts = model->newFaceVerts;
    model->newFace.edges = model->newFaceEdges;
}

void brepCreate(BrepModel** out, const char* name, int level) {
    BrepModel* m = (BrepModel*)calloc(1, sizeof(BrepModel));
    brepDropIndex(m); // a stale index or arena of a model that once lived here
    brepArenaRelease(m);
    if (m == freshModel) freshReset(nullptr);
    if (m == quietCheckModel) quietCheckModel = nullptr;
    if (!name) name = "";
    size_t len = strlen(name);
    if (len >= BREP_NAME_SIZE) {
        char message[96];
        snprintf(message, sizeof message, "Model name longer than 31 characters: %.40s...", name);
        brepError(message);
        len = BREP_NAME_SIZE - 1;
    }
    memcpy(m->name, name, len);
    m->name[len] = 0;
    m->level = level;
    newFaceSlots(m);
    *out = m;
}

void brepFree(BrepModel** model) {
    BrepModel* m = *model;
    if (!m) return;
    brepDropIndex(m);
    if (m == freshModel) freshReset(nullptr);
    if (m == quietCheckModel) quietCheckModel = nullptr;
    if (m->base == 0 && !brepArenaRelease(m)) {
        // Records not made by this module: each its own allocation.
        for (BrepFace* f = m->faces; f;) {
            BrepFace* next = f->next;
            free(f);
            f = next;
        }
        for (BrepEdge* e = m->edges; e;) {
            BrepEdge* next = e->next;
            free(e);
            e = next;
        }
        for (BrepVertex* v = m->vertices; v;) {
            BrepVertex* next = v->next;
            free(v);
            v = next;
        }
    }
    free(m); // a packed model: header, vertices and faces are this one block
    *model = nullptr;
}

// The nine values of a corner as an unlinked vertex record.
static void vertexSet(BrepVertex& v, float x, float y, float z, float weight, int kind, float t0, float s0,
                      float t1, float s1) {
    v.pos[0] = x;
    v.pos[1] = y;
    v.pos[2] = z;
    v.weight = weight;
    v.kind = kind;
    v.texT[0] = t0;
    v.texT[1] = t1;
    v.texS[0] = s0;
    v.texS[1] = s1;
    v.index = 0;
    v.next = nullptr;
}

BrepVertex* brepNewVertex(BrepModel* model, float x, float y, float z, float weight, int kind, float t0,
                          float s0, float t1, float s1) {
    BrepVertex v;
    vertexSet(v, x, y, z, weight, kind, t0, s0, t1, s1);
    return pushVertex(model, v);
}

void brepBeginFace(BrepModel* model, float weight, int orientation) {
    newFaceSlots(model);
    model->newFace.count = 0;
    freshReset(model);
    model->newFace.weight = weight;
    model->newFace.orientation = orientation;
}

// A face that got a 17th corner is marked by a count past the limit; its end call refuses it.
static bool roomForCorner(BrepModel* model) {
    if (model->newFace.count < BREP_MAX_CORNERS) return true;
    if (model->newFace.count == BREP_MAX_CORNERS) {
        brepError("Face with more than 16 corners !");
        model->newFace.count = BREP_MAX_CORNERS + 1;
    }
    return false;
}

void brepFaceAddPoint(BrepModel* model, float x, float y, float z, float weight, int kind, float t0, float s0,
                      float t1, float s1) {
    BrepVertex& nv = model->newVertex;
    vertexSet(nv, x, y, z, weight, kind, t0, s0, t1, s1);
    if (!roomForCorner(model)) return;
    BrepVertex* v = findVertex(model, nv.pos);
    if (!v) {
        v = pushVertex(model, nv);
        if (model == freshModel) {
            freshCorners[freshCount++] = v; // at most one per corner
            faceHasNewCorner = true;
        }
    }
    brepFaceAddVertex(model, v);
}

void brepFaceAddVertex(BrepModel* model, BrepVertex* v) {
    if (!roomForCorner(model)) return;
    BrepFace& f = model->newFace;
    f.verts[f.count++] = v;
    if (f.count >= 2) {
        model->edgeKey.v[0] = f.verts[f.count - 2];
        model->edgeKey.v[1] = v;
        f.edges[f.count - 2] = findOrAddEdge(model);
    }
}

void brepFaceAddVertexHint(BrepModel* model, BrepVertex* v, BrepEdge* hint) {
    edgeHint = hint;
    brepFaceAddVertex(model, v);
    edgeHint = nullptr;
}

BrepFace* brepEndFaceHint(BrepModel* model, BrepEdge* hint) {
    edgeHint = hint;
    BrepFace* f = brepEndFace(model);
    edgeHint = nullptr;
    return f;
}

void brepFaceAddVertexNoEdge(BrepModel* model, BrepVertex* v) {
    if (!roomForCorner(model)) return;
    BrepFace& f = model->newFace;
    f.verts[f.count++] = v;
    f.edges[f.count - 1] = nullptr;
}

static bool faceAcceptable(BrepModel* model) {
    int n = model->newFace.count;
    if (n > BREP_MAX_CORNERS) return false; // reported when the 17th corner came
    if (n < 1) {
        brepError("Face without corners !");
        return false;
    }
    return true;
}

// A new face at the head of the list with its slots, normal and mapping; edges null: none.
static BrepFace* makeFace(BrepModel* model, float weight, int orientation, int count,
                          BrepVertex* const* verts, BrepEdge* const* edges) {
    BrepFace* f = (BrepFace*)brepRecordAlloc(model, BREP_PART_FACES, sizeof(BrepFace));
    void** slots = (void**)brepRecordAlloc(model, BREP_PART_SLOTS, 2 * (size_t)count * sizeof(void*));
    f->verts = (BrepVertex**)slots;
    f->edges = (BrepEdge**)(slots + count);
    f->count = count;
    memcpy(f->verts, verts, (size_t)count * sizeof(BrepVertex*));
    if (edges)
        memcpy(f->edges, edges, (size_t)count * sizeof(BrepEdge*));
    else
        memset(f->edges, 0, (size_t)count * sizeof(BrepEdge*));
    f->orientation = orientation;
    faceNormal(f);
    f->weight = weight;
    f->mapping = faceMapping(f);
    f->derived = nullptr;
    f->next = model->faces;
    model->faces = f;
    return f;
}

// known: the model's last face search was for this face (its key is known).
static BrepFace* pushFace(BrepModel* model, bool known = false) {
    const BrepFace& nf = model->newFace;
    BrepFace* f = makeFace(model, nf.weight, nf.orientation, nf.count, nf.verts, nf.edges);
    if (brepIndexed()) brepIndexFaceAdded(model, f, known);
    return f;
}

BrepFace* brepEndFace(BrepModel* model) {
    if (!faceAcceptable(model)) return nullptr;
    BrepFace& nf = model->newFace;
    model->edgeKey.v[0] = nf.verts[nf.count - 1];
    model->edgeKey.v[1] = nf.verts[0];
    nf.edges[nf.count - 1] = findOrAddEdge(model);
    bool indexed = brepIndexed();
    bool newCorner = indexed && model == freshModel && faceHasNewCorner;
    freshReset(nullptr);
    if (!newCorner)
        if (BrepFace* f = findFace(model, &nf)) return f;
    return pushFace(model, indexed && !newCorner && brepIndexSearched(model));
}

BrepFace* brepEndFaceNoEdges(BrepModel* model) {
    if (!faceAcceptable(model)) return nullptr;
    model->newFace.edges[model->newFace.count - 1] = nullptr;
    freshReset(nullptr);
    return pushFace(model);
}

static void reportOpenEdges(const BrepModel* model) {
    for (const BrepEdge* e = model->edges; e; e = e->next)
        if (e->faceCount != 2) brepError("Edge not conncted !");
}

void brepCheck(BrepModel* model, int strict) {
    bool quiet = true;
    for (BrepEdge* e = model->edges; e; e = e->next) e->faceCount = 0;
    for (BrepFace* f = model->faces; f; f = f->next)
        for (int i = 0; i < f->count; i++) {
            BrepEdge* e = f->edges[i];
            if (!e) continue; // a face read from a file has no edges
            if (e->faceCount >= 2) {
                brepError("Edge multiple conncted !");
                quiet = false;
                break;
            }
            e->face[e->faceCount++] = f;
        }
    quietCheckModel = quiet ? model : nullptr;
    quietCheckHead = model->faces;
    if (strict) reportOpenEdges(model);
}

int brepCheckAdded(BrepModel* model, int strict) {
    if (model != quietCheckModel) return 0;
    const BrepFace* f = model->faces;
    while (f && f != quietCheckHead) f = f->next;
    if (f != quietCheckHead) return 0; // the checked faces are no longer the list's tail
    // The added faces at the head of the list, which a check meets first: an edge's faces from them
    // come before its faces from the rest, newest first. While they are placed, an edge's count is
    // -1 - (old + 3 * placed); its first values are kept to undo all when an edge would get a third
    // face, and then the full check answers (and reports it where it meets it).
    struct Before {
        BrepEdge* edge;
        int32_t faceCount;
        BrepFace* face[2];
    };
    std::vector<Before> before;
    bool fits = true;
    for (BrepFace* g = model->faces; fits && g != quietCheckHead; g = g->next)
        for (int i = 0; i < g->count; i++) {
            BrepEdge* e = g->edges[i];
            if (!e || e->faceCount > 2) {
                fits = false;
                break;
            }
            int old = e->faceCount, placed = 0;
            if (old >= 0) {
                before.push_back({e, e->faceCount, {e->face[0], e->face[1]}});
            } else {
                old = (-1 - e->faceCount) % 3;
                placed = (-1 - e->faceCount) / 3;
            }
            if (old + placed >= 2) {
                e->faceCount = -1 - (old + 3 * placed);
                fits = false;
                break;
            }
            if (old == 1) { // then this is the edge's only added face
                e->face[1] = e->face[0];
                e->face[0] = g;
            } else {
                e->face[placed] = g;
            }
            e->faceCount = -1 - (old + 3 * (placed + 1));
        }
    if (!fits) {
        for (const Before& b : before) {
            b.edge->faceCount = b.faceCount;
            b.edge->face[0] = b.face[0];
            b.edge->face[1] = b.face[1];
        }
        return 0;
    }
    for (BrepEdge* e = model->edges; e; e = e->next) {
        if (e->faceCount < 0) e->faceCount = (-1 - e->faceCount) % 3 + (-1 - e->faceCount) / 3;
        if (strict && e->faceCount != 2) brepError("Edge not conncted !");
    }
    quietCheckHead = model->faces;
    return 1;
}

BrepFace* brepRemoveFace(BrepFace** list, BrepFace* face) {
    for (BrepFace** link = list; *link; link = &(*link)->next) {
        if (*link != face) continue;
        BrepFace* next = face->next;
        quietCheckModel = nullptr; // the counts of the last check may change
        // Keep the index of the model that owns this list in step.
        brepIndexFaceRemoved(list, face, next);
        *link = next;
        // A face in a model's chunk stays there until the model is released.
        if (!brepArenaHoldsList(list)) free(face);
        return next;
    }
    return nullptr;
}

void brepReserveRecords(BrepModel* model, int vertices, int edges, int faces, int corners) {
    if (vertices > 0) brepRecordReserve(model, BREP_PART_VERTICES, (size_t)vertices * sizeof(BrepVertex));
    if (edges > 0) brepRecordReserve(model, BREP_PART_EDGES, (size_t)edges * sizeof(BrepEdge));
    if (faces > 0) brepRecordReserve(model, BREP_PART_FACES, (size_t)faces * sizeof(BrepFace));
    if (corners > 0) brepRecordReserve(model, BREP_PART_SLOTS, 2 * (size_t)corners * sizeof(void*));
}

BrepEdge* brepNewEdge(BrepModel* model, BrepVertex* a, BrepVertex* b) {
    return pushEdge(model, a, b);
}

BrepFace* brepNewFace(BrepModel* model, float weight, int orientation, int count, BrepVertex* const* verts,
                      BrepEdge* const* edges) {
    return makeFace(model, weight, orientation, count, verts, edges);
}

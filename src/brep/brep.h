// SPDX-License-Identifier: GPL-3.0-or-later
// Boundary-representation meshes: vertices, edges and polygonal faces in three singly linked
// lists, newest record first. Built face by face; shared corners and edges are found, not duplicated.
#pragma once
#include <cstddef>
#include <cstdint>

enum { BREP_MAX_CORNERS = 16, BREP_NAME_SIZE = 32 };
enum { BREP_CW = 0x0900, BREP_CCW = 0x0901 }; // GL_CW and GL_CCW

struct BrepFace;

struct BrepVertex {
    float pos[3];
    float weight;  // weight in the refinement blends
    int32_t kind;  // above 1: feature vertex, kept sharp by refinement
    float texT[2]; // t in texture mapping 0 and 1
    float texS[2]; // s in texture mapping 0 and 1
    int32_t index; // running number given by the text writer
    BrepVertex* next;
};

struct BrepEdge {
    BrepVertex* v[2];  // unordered end vertices
    int32_t faceCount; // faces recorded by brepCheck
    BrepFace* face[2];
    BrepEdge* next;
};

struct BrepFace {
    float normal[3];
    int32_t orientation; // BREP_CW or BREP_CCW: the sign of the normal
    float weight;        // weight of the face centre in the refinement blends
    int32_t count;       // corners, 1..16
    int32_t mapping;     // which texture mapping of the vertices the face uses
    BrepEdge** edges;    // count slots: edges[i] joins corner i and i+1; null when read from a file
    BrepVertex** verts;  // count slots: the corners in boundary order
    BrepFace* derived;   // refinement: the face made from this one in the new model
    BrepFace* next;
};

struct BrepModel {
    uintptr_t base; // 0, or the address of the packed block
    uint32_t size;  // 0, or the byte size of the packed block
    char name[BREP_NAME_SIZE];
    int32_t level; // level of detail
    BrepFace* faces;
    BrepEdge* edges;
    BrepVertex* vertices;
    BrepFace newFace;                         // construction scratch: the face being built
    BrepEdge edgeKey;                         // construction scratch: v[0] previous corner, v[1] new corner
    BrepVertex newVertex;                     // construction scratch: a corner given by position
    BrepEdge* newFaceEdges[BREP_MAX_CORNERS]; // the slots of newFace
    BrepVertex* newFaceVerts[BREP_MAX_CORNERS];
};

// ---- Models and records. A model's records come from its own blocks, one kind to a block, each
// record just below the one made before it (so the lists run forward through memory); a face's
// corner and edge slots follow in a block of their own. A packed model (base != 0) is one malloc'd
// block released with one free().
void brepCreate(BrepModel** out, const char* name, int level); // empty model; names over 31 chars are cut
void brepFree(BrepModel** model);                              // releases the model, sets *model to null
// Always a new vertex at the head of the vertex list (texT = {t0, t1}, texS = {s0, s1}); no search.
BrepVertex* brepNewVertex(BrepModel* model, float x, float y, float z, float weight, int kind, float t0,
                          float s0, float t1, float s1);

// ---- Building one face: begin, one corner call per corner in boundary order, end.
void brepBeginFace(BrepModel* model, float weight, int orientation); // discards any unfinished face
// Corner by position: the vertex nearest the head with equal x, y, z, else a new one from the values.
void brepFaceAddPoint(BrepModel* model, float x, float y, float z, float weight, int kind, float t0, float s0,
                      float t1, float s1);
void brepFaceAddVertex(BrepModel* model, BrepVertex* v);       // corner with the edge from the previous one
void brepFaceAddVertexNoEdge(BrepModel* model, BrepVertex* v); // corner without an edge (file readers)
// As brepFaceAddVertex and brepEndFace, for builders that already hold the model's edge from the
// previous corner (or the closing edge): a hint that joins the two corners is taken without a search.
void brepFaceAddVertexHint(BrepModel* model, BrepVertex* v, BrepEdge* hint);
BrepFace* brepEndFaceHint(BrepModel* model, BrepEdge* hint);
// Closing edge, then the existing face with the same corner set or a new one. Returns it; null when the
// face was refused (no corners, or more than 16: reported).
BrepFace* brepEndFace(BrepModel* model);
// Always a new face, no edges. Returns it; null when refused as above.
BrepFace* brepEndFaceNoEdges(BrepModel* model);

// Records every edge's faces; reports "Edge multiple conncted !" and, when strict, "Edge not conncted !".
void brepCheck(BrepModel* model, int strict);
// As brepCheck, for a model whose faces were only added at the head of the list since its last check
// (which found no edge with a third face), with no edge's faces changed: counts the added faces only.
// Returns 0, having done nothing, when that does not hold or an edge would get a third face.
int brepCheckAdded(BrepModel* model, int strict);
// Unlinks and releases face if it is in the list; returns the face after it, or null if not found.
BrepFace* brepRemoveFace(BrepFace** list, BrepFace* face);

// Lookups by position, vertex pair and corner set use hash indexes kept beside each model (1, the
// default) or the plain list scans (0). Both give the same records; the indexes are only faster.
void brepSetIndexed(int on);
int brepIndexed();
// Sizes the model's indexes for that many more records of each kind; lookups are unchanged.
void brepReserve(BrepModel* model, int faces, int edges, int vertices);
// Releases the model's indexes (they are made again by the next lookup); lookups are unchanged.
void brepDropIndex(BrepModel* model);

// ---- Records made without any search, for a builder that finds shared corners, edges and faces
// itself (the refinement). After brepReserveRecords, the next `vertices` vertices made in the model
// lie in one block, each just below the one before, and so do the next `edges` edges: a record's
// distance from the first numbers it. Faces and their slots get room as well.
void brepReserveRecords(BrepModel* model, int vertices, int edges, int faces, int corners);
BrepEdge* brepNewEdge(BrepModel* model, BrepVertex* a, BrepVertex* b); // at the head, no faces yet
// A face at the head of the list from its corners and edges (edges null: none), with its normal and
// texture mapping. count must be 1..16.
BrepFace* brepNewFace(BrepModel* model, float weight, int orientation, int count, BrepVertex* const* verts,
                      BrepEdge* const* edges);
// Memory for such a builder's own tables: large blocks on 2 MB pages where the system offers them,
// kept after release (up to 64 MB) for the next request they can hold. Free with the size asked for.
void* brepScratchAlloc(size_t bytes);
void brepScratchFree(void* block, size_t bytes);
// The same memory for a standard container: std::vector<T, BrepScratchAllocator<T>>.
template <class T> struct BrepScratchAllocator {
    using value_type = T;
    BrepScratchAllocator() = default;
    template <class U> BrepScratchAllocator(const BrepScratchAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(brepScratchAlloc(n * sizeof(T))); }
    void deallocate(T* p, size_t n) { brepScratchFree(p, n * sizeof(T)); }
    template <class U> bool operator==(const BrepScratchAllocator<U>&) const { return true; }
    template <class U> bool operator!=(const BrepScratchAllocator<U>&) const { return false; }
};

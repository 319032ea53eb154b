// The B-rep records, the face-by-face construction protocol and the connectivity check.
//
// Lookups (a vertex by position, an edge by vertex pair, a face by corner set) return the record
// nearest the head of its list, as a scan from the head does. To keep building linear, each model
// being built gets hash indexes in a side table keyed by the model's address; they hold, per key, the
// newest record, which is the one a scan would meet first. The plain scans stay behind brepSetIndexed(0)
// and the tests build the same models both ways.
#include "brep/brep.h"

#include <sys/mman.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

static_assert(sizeof(BrepVertex::pos) == 12, "positions as the file forms expect");

static void brepError(const char* message) {
    fprintf(stderr, "Brep Error %s\n", message);
}

// ---------------------------------------------------------------------------------------------------
// Side indexes.

namespace {

// Large blocks (the indexes and the record chunks of big models) on 2 MB pages where the system
// offers them: the lookups touch memory at random, and page walks are their main cost. A block is a
// plain allocation with the 2 MB pages inside it advised: an aligned one leaves its unaligned head
// and tail in the allocator's free lists, where small allocations settle, so that the block, once
// released, no longer holds the next one of its size and fresh memory is fetched (and zeroed) anew.
constexpr size_t HUGE_PAGE = size_t(1) << 21;

// Released large blocks are kept, up to POOL_LIMIT bytes, for the next block they can hold (at most
// twice its size): a model built again (a refinement run, the tool's batch of models) then finds its
// memory already mapped.
constexpr size_t POOL_LIMIT = size_t(64) << 20;
std::vector<std::pair<void*, size_t>> blockPool;
size_t pooledBytes = 0;
// The large blocks in use with their sizes: a kept block can be larger than the request it met.
std::vector<std::pair<void*, size_t>> lentBlocks;

size_t roundedSize(size_t bytes) {
    return (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
}

void* blockAlloc(size_t bytes) {
    if (bytes < HUGE_PAGE) return malloc(bytes);
    size_t rounded = roundedSize(bytes), best = blockPool.size();
    for (size_t i = 0; i < blockPool.size(); i++) {
        size_t size = blockPool[i].second;
        if (size >= rounded && size <= 2 * rounded &&
            (best == blockPool.size() || size < blockPool[best].second))
            best = i;
    }
    void* p;
    size_t size = rounded;
    if (best < blockPool.size()) {
        p = blockPool[best].first;
        size = blockPool[best].second;
        pooledBytes -= size;
        blockPool.erase(blockPool.begin() + best);
    } else {
        p = malloc(rounded);
#ifdef MADV_HUGEPAGE
        uintptr_t from = ((uintptr_t)p + HUGE_PAGE - 1) & ~(uintptr_t)(HUGE_PAGE - 1);
        uintptr_t to = ((uintptr_t)p + rounded) & ~(uintptr_t)(HUGE_PAGE - 1);
        if (p && to > from) madvise((void*)from, to - from, MADV_HUGEPAGE);
#endif
    }
    if (p) lentBlocks.push_back({p, size});
    return p;
}

void blockFree(void* p, size_t bytes) {
    if (!p) return;
    if (bytes < HUGE_PAGE) {
        free(p);
        return;
    }
    size_t size = roundedSize(bytes);
    for (size_t i = lentBlocks.size(); i-- > 0;)
        if (lentBlocks[i].first == p) {
            size = lentBlocks[i].second;
            lentBlocks.erase(lentBlocks.begin() + i);
            break;
        }
    if (pooledBytes + size <= POOL_LIMIT) {
        blockPool.push_back({p, size});
        pooledBytes += size;
        return;
    }
    free(p);
}

// The records of one model come from blocks of their own kind (vertices, edges, faces, the faces'
// slots) that grow from 4 kB to 2 MB. Each record is placed just below the one made before it, so
// the lists, newest first, run forward through memory. The model releases its blocks at once; a
// face removed from the model keeps its place until then.
enum { PART_VERTICES, PART_EDGES, PART_FACES, PART_SLOTS, PARTS };

struct ArenaPart {
    std::vector<std::pair<void*, size_t>> chunks;
    char* low = nullptr; // start of the current chunk
    char* top = nullptr; // end of its free room
    size_t chunkSize = 4096;
};

struct Arena {
    ArenaPart parts[PARTS];
};

std::unordered_map<const BrepModel*, Arena*> arenaTable;
const BrepModel* lastArenaModel = nullptr;
Arena* lastArena = nullptr;

Arena* arenaOf(const BrepModel* m) {
    if (m == lastArenaModel) return lastArena;
    Arena*& slot = arenaTable[m];
    if (!slot) slot = new Arena;
    lastArenaModel = m;
    lastArena = slot;
    return slot;
}

// A new chunk with room for at least `bytes`.
void partGrow(ArenaPart& p, size_t bytes) {
    size_t size = std::max(p.chunkSize, bytes);
    if (size >= HUGE_PAGE) size = roundedSize(size);
    void* chunk = blockAlloc(size);
    p.chunks.push_back({chunk, size});
    p.low = static_cast<char*>(chunk);
    p.top = p.low + size;
    if (p.chunkSize < HUGE_PAGE) p.chunkSize *= 2;
}

void* recordAlloc(const BrepModel* m, int part, size_t bytes) {
    ArenaPart& p = arenaOf(m)->parts[part];
    if ((size_t)(p.top - p.low) < bytes) partGrow(p, bytes);
    p.top -= bytes;
    return p.top;
}

// Room for `bytes` more in the current chunk of that part.
void recordReserve(const BrepModel* m, int part, size_t bytes) {
    ArenaPart& p = arenaOf(m)->parts[part];
    if ((size_t)(p.top - p.low) < bytes) partGrow(p, bytes);
}

// Releases the model's chunks; false when its records were not made here.
bool arenaRelease(const BrepModel* m) {
    if (m == lastArenaModel) {
        lastArenaModel = nullptr;
        lastArena = nullptr;
    }
    auto it = arenaTable.find(m);
    if (it == arenaTable.end()) return false;
    for (ArenaPart& p : it->second->parts)
        for (auto& chunk : p.chunks) blockFree(chunk.first, chunk.second);
    delete it->second;
    arenaTable.erase(it);
    return true;
}

uint64_t mix64(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb53fe1b3d034ULL;
    x ^= x >> 33;
    return x;
}

uint32_t floatKey(float f) {
    if (f == 0.0f) f = 0.0f; // -0 equals +0
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
}

uint64_t positionHash(const float p[3]) {
    uint64_t h = mix64(floatKey(p[0]) | (uint64_t)floatKey(p[1]) << 32);
    return mix64(h ^ floatKey(p[2]));
}

bool samePosition(const float a[3], const float b[3]) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

uint64_t pairHash(const BrepVertex* a, const BrepVertex* b) {
    uintptr_t x = (uintptr_t)a, y = (uintptr_t)b;
    if (x > y) std::swap(x, y);
    return mix64(x * 0x9e3779b97f4a7c15ULL ^ mix64(y));
}

bool joins(const BrepEdge* e, const BrepVertex* a, const BrepVertex* b) {
    return (e->v[0] == a && e->v[1] == b) || (e->v[0] == b && e->v[1] == a);
}

// A position, compared as the scan compares it (so -0 equals 0).
struct PositionKey {
    float p[3];
    bool operator==(const PositionKey& o) const { return p[0] == o.p[0] && p[1] == o.p[1] && p[2] == o.p[2]; }
    uint64_t hash() const { return positionHash(p); }
};
PositionKey positionKey(const float p[3]) {
    return {{p[0], p[1], p[2]}};
}

// An unordered vertex pair, kept sorted by address.
struct PairKey {
    const BrepVertex* a;
    const BrepVertex* b;
    bool operator==(const PairKey& o) const { return a == o.a && b == o.b; }
    uint64_t hash() const { return pairHash(a, b); }
};
PairKey pairKey(const BrepVertex* a, const BrepVertex* b) {
    return a < b ? PairKey{a, b} : PairKey{b, a};
}

// Open addressing, linear probing; per slot the key and the record, so that a lookup reads no
// record. Records are only added (a newer record with an equal key replaces the older one).
template <class Rec, class Key> struct NewestTable {
    struct Slot {
        Key key;
        Rec* rec;
    };
    std::vector<Slot, BrepScratchAllocator<Slot>> slots;
    size_t used = 0;

    void clear() {
        slots.clear();
        used = 0;
    }
    Rec* find(uint64_t h, const Key& k) const {
        if (slots.empty()) return nullptr;
        size_t mask = slots.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const Slot& s = slots[i];
            if (!s.rec) return nullptr;
            if (s.key == k) return s.rec;
        }
    }
    void put(uint64_t h, const Key& k, Rec* rec) {
        if ((used + 1) * 2 > slots.size()) resize(slots.empty() ? 64 : slots.size() * 2);
        size_t mask = slots.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            Slot& s = slots[i];
            if (!s.rec) {
                s = {k, rec};
                used++;
                return;
            }
            if (s.key == k) {
                s.rec = rec;
                return;
            }
        }
    }
    // Room for n keys without growing.
    void reserve(size_t n) {
        size_t cap = 64;
        while (cap < (n + 1) * 2) cap *= 2;
        if (cap > slots.size()) resize(cap);
    }
    void resize(size_t cap) {
        std::vector<Slot, BrepScratchAllocator<Slot>> old;
        old.swap(slots);
        slots.assign(cap, Slot{Key(), nullptr});
        size_t mask = slots.size() - 1;
        for (const Slot& s : old) {
            if (!s.rec) continue;
            size_t i = s.key.hash() & mask;
            while (slots[i].rec) i = (i + 1) & mask;
            slots[i] = s;
        }
    }
};

// Faces by corner set. Faces whose corners are all distinct are keyed by the sorted corner set (a
// multi-map: faces made without the search may repeat a set); the few faces that repeat a corner are
// kept in a plain list and tested with the scan's own rule. seq orders faces by age (higher: newer).
struct FaceTable {
    struct Slot {
        uint64_t hash;
        BrepFace* face; // null: empty; tomb: removed
        uint64_t seq;
    };
    std::vector<Slot, BrepScratchAllocator<Slot>> slots;
    size_t used = 0; // live and removed slots
    std::vector<Slot> irregular;
    uint64_t nextSeq = 1;

    static BrepFace* tomb() { return reinterpret_cast<BrepFace*>(alignof(BrepFace)); }

    void clear() {
        slots.clear();
        irregular.clear();
        used = 0;
        nextSeq = 1;
    }
    void grow(size_t atLeast = 0) {
        std::vector<Slot, BrepScratchAllocator<Slot>> old;
        old.swap(slots);
        size_t live = 0;
        for (const Slot& s : old) live += s.face && s.face != tomb();
        size_t cap = 64;
        while (cap < live * 4 || cap < atLeast) cap *= 2;
        slots.assign(cap, Slot{0, nullptr, 0});
        used = 0;
        for (const Slot& s : old)
            if (s.face && s.face != tomb()) place(s);
    }
    void place(const Slot& s) {
        size_t mask = slots.size() - 1;
        size_t i = s.hash & mask;
        while (slots[i].face) i = (i + 1) & mask;
        slots[i] = s;
        used++;
    }
};

struct ModelIndex {
    NewestTable<BrepVertex, PositionKey> vertices;
    NewestTable<BrepEdge, PairKey> edges;
    FaceTable faces;
    // The list heads as the index last saw them; a head changed behind its back means a rebuild.
    const BrepVertex* vertexHead = nullptr;
    const BrepEdge* edgeHead = nullptr;
    const BrepFace* faceHead = nullptr;
    bool vertexValid = false, edgeValid = false, faceValid = false;
};

bool useIndex = true;
std::unordered_map<const BrepModel*, ModelIndex*> indexTable;
// The model built last and its index: a builder works on one model at a time.
const BrepModel* lastIndexModel = nullptr;
ModelIndex* lastIndex = nullptr;

void dropIndex(const BrepModel* model) {
    if (model == lastIndexModel) {
        lastIndexModel = nullptr;
        lastIndex = nullptr;
    }
    auto it = indexTable.find(model);
    if (it == indexTable.end()) return;
    delete it->second;
    indexTable.erase(it);
}

ModelIndex* indexOf(const BrepModel* model) {
    if (model == lastIndexModel && lastIndex) return lastIndex;
    ModelIndex*& idx = indexTable[model];
    if (!idx) idx = new ModelIndex;
    lastIndexModel = model;
    lastIndex = idx;
    return idx;
}

// The model's index if it has one. That a model has none is remembered too: records made one by one
// in a model without lookups ask for every record.
ModelIndex* existingIndex(const BrepModel* model) {
    if (model == lastIndexModel) return lastIndex;
    auto it = indexTable.find(model);
    lastIndexModel = model;
    lastIndex = it == indexTable.end() ? nullptr : it->second;
    return lastIndex;
}

// Corner set key: true when all corners are distinct (then hash is the sorted set's hash).
bool cornerSetHash(const BrepFace* f, uint64_t* hash) {
    const BrepVertex* sorted[BREP_MAX_CORNERS];
    int n = f->count;
    for (int i = 0; i < n; i++) {
        const BrepVertex* v = f->verts[i];
        int j = i;
        while (j > 0 && sorted[j - 1] > v) {
            sorted[j] = sorted[j - 1];
            j--;
        }
        sorted[j] = v;
    }
    uint64_t h = mix64((uint64_t)n + 0x51ed27);
    for (int i = 0; i < n; i++) {
        if (i > 0 && sorted[i] == sorted[i - 1]) return false;
        h = mix64(h ^ (uint64_t)(uintptr_t)sorted[i]);
    }
    *hash = h;
    return true;
}

// The scan's match rule: equal counts and as many identical (i, j) corner pairs as corners.
bool sameCornerSet(const BrepFace* f, const BrepFace* g) {
    if (f->count != g->count) return false;
    int pairs = 0;
    for (int i = 0; i < f->count; i++)
        for (int j = 0; j < g->count; j++) pairs += f->verts[i] == g->verts[j];
    return pairs == f->count;
}

void vertexIndexAdd(ModelIndex* idx, BrepVertex* v) {
    if (std::isnan(v->pos[0]) || std::isnan(v->pos[1]) || std::isnan(v->pos[2])) return; // never found
    const float* p = v->pos;
    idx->vertices.put(positionHash(p), positionKey(p), v);
}

void edgeIndexAdd(ModelIndex* idx, BrepEdge* e) {
    const BrepVertex *a = e->v[0], *b = e->v[1];
    idx->edges.put(pairHash(a, b), pairKey(a, b), e);
}

// The corner set key of the face being built, as its search worked it out (see findFace).
const BrepModel* searchedModel = nullptr;
bool searchedRegular = false;
uint64_t searchedHash = 0;

// known: the face's key is the one the last search worked out.
void faceIndexAdd(ModelIndex* idx, BrepFace* f, uint64_t seq, bool known = false) {
    uint64_t h = searchedHash;
    FaceTable& t = idx->faces;
    if (!(known ? searchedRegular : cornerSetHash(f, &h))) {
        t.irregular.push_back({0, f, seq});
        return;
    }
    if ((t.used + 1) * 2 > t.slots.size()) t.grow();
    t.place({h, f, seq});
}

void faceIndexRemove(ModelIndex* idx, BrepFace* f) {
    FaceTable& t = idx->faces;
    uint64_t h;
    if (!cornerSetHash(f, &h)) {
        for (size_t i = 0; i < t.irregular.size(); i++)
            if (t.irregular[i].face == f) {
                t.irregular.erase(t.irregular.begin() + i);
                return;
            }
        return;
    }
    if (t.slots.empty()) return;
    size_t mask = t.slots.size() - 1;
    for (size_t i = h & mask; t.slots[i].face; i = (i + 1) & mask)
        if (t.slots[i].face == f) {
            t.slots[i].face = FaceTable::tomb();
            return;
        }
}

// Brings each index in line with its list, rebuilding it when the list changed behind its back.
void syncVertices(const BrepModel* m, ModelIndex* idx) {
    if (idx->vertexValid && idx->vertexHead == m->vertices) return;
    idx->vertices.clear();
    std::vector<BrepVertex*> all;
    for (BrepVertex* v = m->vertices; v; v = v->next) all.push_back(v);
    for (size_t i = all.size(); i-- > 0;) vertexIndexAdd(idx, all[i]); // oldest first: newest wins
    idx->vertexHead = m->vertices;
    idx->vertexValid = true;
}

void syncEdges(const BrepModel* m, ModelIndex* idx) {
    if (idx->edgeValid && idx->edgeHead == m->edges) return;
    idx->edges.clear();
    std::vector<BrepEdge*> all;
    for (BrepEdge* e = m->edges; e; e = e->next) all.push_back(e);
    for (size_t i = all.size(); i-- > 0;) edgeIndexAdd(idx, all[i]);
    idx->edgeHead = m->edges;
    idx->edgeValid = true;
}

void syncFaces(const BrepModel* m, ModelIndex* idx) {
    if (idx->faceValid && idx->faceHead == m->faces) return;
    idx->faces.clear();
    std::vector<BrepFace*> all;
    for (BrepFace* f = m->faces; f; f = f->next) all.push_back(f);
    for (size_t i = all.size(); i-- > 0;) faceIndexAdd(idx, all[i], idx->faces.nextSeq++);
    idx->faceHead = m->faces;
    idx->faceValid = true;
}

} // namespace

void brepReserve(BrepModel* model, int faces, int edges, int vertices) {
    if (!useIndex || faces < 0 || edges < 0 || vertices < 0) return;
    ModelIndex* idx = indexOf(model);
    syncVertices(model, idx);
    syncEdges(model, idx);
    syncFaces(model, idx);
    idx->vertices.reserve(idx->vertices.used + (size_t)vertices);
    idx->edges.reserve(idx->edges.used + (size_t)edges);
    size_t faceSlots = (idx->faces.used + (size_t)faces + 1) * 2;
    if (faceSlots > idx->faces.slots.size()) idx->faces.grow(faceSlots);
}

void brepDropIndex(BrepModel* model) {
    dropIndex(model);
}

void brepSetIndexed(int on) {
    if (useIndex == (on != 0)) return;
    useIndex = on != 0;
    for (auto& kv : indexTable) delete kv.second;
    indexTable.clear();
    lastIndexModel = nullptr;
    lastIndex = nullptr;
}

int brepIndexed() {
    return useIndex ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------------
// Lookups.

static BrepVertex* findVertex(BrepModel* m, const float p[3]) {
    if (useIndex) {
        ModelIndex* idx = indexOf(m);
        syncVertices(m, idx);
        return idx->vertices.find(positionHash(p), positionKey(p));
    }
    for (BrepVertex* v = m->vertices; v; v = v->next)
        if (samePosition(v->pos, p)) return v;
    return nullptr;
}

static BrepVertex* pushVertex(BrepModel* m, const BrepVertex& values) {
    BrepVertex* v = (BrepVertex*)recordAlloc(m, PART_VERTICES, sizeof(BrepVertex));
    *v = values;
    v->index = 0;
    v->next = m->vertices;
    m->vertices = v;
    if (useIndex) {
        ModelIndex* idx = existingIndex(m);
        if (idx && idx->vertexValid) {
            if (idx->vertexHead == v->next) {
                vertexIndexAdd(idx, v);
                idx->vertexHead = v;
            }
        }
    }
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
    BrepEdge* e = (BrepEdge*)recordAlloc(m, PART_EDGES, sizeof(BrepEdge));
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
    ModelIndex* idx = nullptr;
    if (useIndex) {
        // Edges are only made after a search for their pair failed, so a model holds one edge per
        // pair: an edge of the model that joins a and b is the one the search finds.
        if (hint && joins(hint, a, b)) return hint;
        idx = indexOf(m);
        syncEdges(m, idx);
        if (!takeFresh(m, a, b)) {
            BrepEdge* e = idx->edges.find(pairHash(a, b), pairKey(a, b));
            if (e) return e;
        }
    } else {
        for (BrepEdge* e = m->edges; e; e = e->next)
            if (joins(e, a, b)) return e;
    }
    BrepEdge* e = pushEdge(m, a, b);
    if (idx) {
        edgeIndexAdd(idx, e);
        idx->edgeHead = e;
    }
    return e;
}

static BrepFace* findFace(BrepModel* m, const BrepFace* key) {
    if (useIndex) {
        ModelIndex* idx = indexOf(m);
        syncFaces(m, idx);
        uint64_t h;
        bool regular = cornerSetHash(key, &h);
        searchedModel = m;
        searchedRegular = regular;
        searchedHash = h;
        if (regular) {
            FaceTable& t = idx->faces;
            BrepFace* best = nullptr;
            uint64_t bestSeq = 0;
            if (!t.slots.empty()) {
                size_t mask = t.slots.size() - 1;
                for (size_t i = h & mask; t.slots[i].face; i = (i + 1) & mask) {
                    const FaceTable::Slot& s = t.slots[i];
                    if (s.face != FaceTable::tomb() && s.hash == h && s.seq > bestSeq &&
                        sameCornerSet(s.face, key)) {
                        best = s.face;
                        bestSeq = s.seq;
                    }
                }
            }
            for (const FaceTable::Slot& s : t.irregular)
                if (s.seq > bestSeq && sameCornerSet(s.face, key)) {
                    best = s.face;
                    bestSeq = s.seq;
                }
            return best;
        }
        // A new face that repeats a corner: rare, so the scan answers.
    }
    for (BrepFace* f = m->faces; f; f = f->next)
        if (sameCornerSet(f, key)) return f;
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
    dropIndex(m); // a stale index or arena of a model that once lived here
    arenaRelease(m);
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
    dropIndex(m);
    if (m == freshModel) freshReset(nullptr);
    if (m == quietCheckModel) quietCheckModel = nullptr;
    if (m->base == 0 && !arenaRelease(m)) {
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
    BrepFace* f = (BrepFace*)recordAlloc(model, PART_FACES, sizeof(BrepFace));
    void** slots = (void**)recordAlloc(model, PART_SLOTS, 2 * (size_t)count * sizeof(void*));
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
    if (useIndex) {
        ModelIndex* idx = existingIndex(model);
        if (idx && idx->faceValid) {
            if (idx->faceHead == f->next) {
                faceIndexAdd(idx, f, idx->faces.nextSeq++, known);
                idx->faceHead = f;
            }
        }
    }
    return f;
}

BrepFace* brepEndFace(BrepModel* model) {
    if (!faceAcceptable(model)) return nullptr;
    BrepFace& nf = model->newFace;
    model->edgeKey.v[0] = nf.verts[nf.count - 1];
    model->edgeKey.v[1] = nf.verts[0];
    nf.edges[nf.count - 1] = findOrAddEdge(model);
    bool newCorner = useIndex && model == freshModel && faceHasNewCorner;
    freshReset(nullptr);
    if (!newCorner)
        if (BrepFace* f = findFace(model, &nf)) return f;
    return pushFace(model, useIndex && !newCorner && searchedModel == model);
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
        for (auto& kv : indexTable) {
            const BrepModel* m = kv.first;
            if (&m->faces != list) continue;
            ModelIndex* idx = kv.second;
            if (idx->faceValid) {
                faceIndexRemove(idx, face);
                if (idx->faceHead == face) idx->faceHead = next;
            }
        }
        *link = next;
        // A face in a model's chunk stays there until the model is released.
        bool inArena = false;
        for (auto& kv : arenaTable) inArena |= &kv.first->faces == list;
        if (!inArena) free(face);
        return next;
    }
    return nullptr;
}

void brepReserveRecords(BrepModel* model, int vertices, int edges, int faces, int corners) {
    if (vertices > 0) recordReserve(model, PART_VERTICES, (size_t)vertices * sizeof(BrepVertex));
    if (edges > 0) recordReserve(model, PART_EDGES, (size_t)edges * sizeof(BrepEdge));
    if (faces > 0) recordReserve(model, PART_FACES, (size_t)faces * sizeof(BrepFace));
    if (corners > 0) recordReserve(model, PART_SLOTS, 2 * (size_t)corners * sizeof(void*));
}

BrepEdge* brepNewEdge(BrepModel* model, BrepVertex* a, BrepVertex* b) {
    return pushEdge(model, a, b);
}

BrepFace* brepNewFace(BrepModel* model, float weight, int orientation, int count, BrepVertex* const* verts,
                      BrepEdge* const* edges) {
    return makeFace(model, weight, orientation, count, verts, edges);
}

void* brepScratchAlloc(size_t bytes) {
    return blockAlloc(bytes);
}

void brepScratchFree(void* block, size_t bytes) {
    blockFree(block, bytes);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The hash indexes beside the models being built.
//
// Each model being built gets hash indexes in a side table keyed by the model's address; they hold,
// per key, the newest record, which is the one a scan from the head of the list would meet first: the
// lookups answer as the scans do, and building a model stays linear in its size.
#include "brep/brep_index.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "brep/brep_alloc.h"
#include "brep/brep_records.h"

namespace {

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

uint64_t pairHash(const BrepVertex* a, const BrepVertex* b) {
    uintptr_t x = (uintptr_t)a, y = (uintptr_t)b;
    if (x > y) std::swap(x, y);
    return mix64(x * 0x9e3779b97f4a7c15ULL ^ mix64(y));
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

BrepVertex* brepIndexFindVertex(BrepModel* m, const float p[3]) {
    ModelIndex* idx = indexOf(m);
    syncVertices(m, idx);
    return idx->vertices.find(positionHash(p), positionKey(p));
}

BrepEdge* brepIndexFindEdge(BrepModel* m, const BrepVertex* a, const BrepVertex* b, bool search) {
    ModelIndex* idx = indexOf(m);
    syncEdges(m, idx);
    return search ? idx->edges.find(pairHash(a, b), pairKey(a, b)) : nullptr;
}

BrepFace* brepIndexFindFace(BrepModel* m, const BrepFace* key, bool* answered) {
    ModelIndex* idx = indexOf(m);
    syncFaces(m, idx);
    uint64_t h;
    bool regular = cornerSetHash(key, &h);
    searchedModel = m;
    searchedRegular = regular;
    searchedHash = h;
    *answered = regular;
    if (!regular) return nullptr; // a new face that repeats a corner: rare, so the scan answers
    FaceTable& t = idx->faces;
    BrepFace* best = nullptr;
    uint64_t bestSeq = 0;
    if (!t.slots.empty()) {
        size_t mask = t.slots.size() - 1;
        for (size_t i = h & mask; t.slots[i].face; i = (i + 1) & mask) {
            const FaceTable::Slot& s = t.slots[i];
            if (s.face != FaceTable::tomb() && s.hash == h && s.seq > bestSeq && sameCornerSet(s.face, key)) {
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

bool brepIndexSearched(const BrepModel* model) {
    return searchedModel == model;
}

void brepIndexVertexAdded(BrepModel* m, BrepVertex* v) {
    ModelIndex* idx = existingIndex(m);
    if (idx && idx->vertexValid && idx->vertexHead == v->next) {
        vertexIndexAdd(idx, v);
        idx->vertexHead = v;
    }
}

void brepIndexEdgeAdded(BrepModel* m, BrepEdge* e) {
    ModelIndex* idx = indexOf(m);
    edgeIndexAdd(idx, e);
    idx->edgeHead = e;
}

void brepIndexFaceAdded(BrepModel* m, BrepFace* f, bool known) {
    ModelIndex* idx = existingIndex(m);
    if (idx && idx->faceValid && idx->faceHead == f->next) {
        faceIndexAdd(idx, f, idx->faces.nextSeq++, known);
        idx->faceHead = f;
    }
}

void brepIndexFaceRemoved(BrepFace* const* list, BrepFace* face, BrepFace* next) {
    for (auto& kv : indexTable) {
        const BrepModel* m = kv.first;
        if (&m->faces != list) continue;
        ModelIndex* idx = kv.second;
        if (idx->faceValid) {
            faceIndexRemove(idx, face);
            if (idx->faceHead == face) idx->faceHead = next;
        }
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The memory of the mesh records: the large blocks with their pool, and each model's record chunks.
#include "brep/brep_alloc.h"
#include "brep/brep_records.h"

#include <sys/mman.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

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
struct ArenaPart {
    std::vector<std::pair<void*, size_t>> chunks;
    char* low = nullptr; // start of the current chunk
    char* top = nullptr; // end of its free room
    size_t chunkSize = 4096;
};

struct Arena {
    ArenaPart parts[BREP_PARTS];
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

} // namespace

void* brepRecordAlloc(const BrepModel* m, int part, size_t bytes) {
    ArenaPart& p = arenaOf(m)->parts[part];
    if ((size_t)(p.top - p.low) < bytes) partGrow(p, bytes);
    p.top -= bytes;
    return p.top;
}

void brepRecordReserve(const BrepModel* m, int part, size_t bytes) {
    ArenaPart& p = arenaOf(m)->parts[part];
    if ((size_t)(p.top - p.low) < bytes) partGrow(p, bytes);
}

bool brepArenaRelease(const BrepModel* m) {
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

bool brepArenaHoldsList(BrepFace* const* list) {
    for (auto& kv : arenaTable)
        if (&kv.first->faces == list) return true;
    return false;
}

void* brepScratchAlloc(size_t bytes) {
    return blockAlloc(bytes);
}

void brepScratchFree(void* block, size_t bytes) {
    blockFree(block, bytes);
}

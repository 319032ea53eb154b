// SPDX-License-Identifier: GPL-3.0-or-later
// The memory of the mesh records. The record chunks are for the files of src/brep only; the scratch
// memory below serves every builder (brep.h includes this header).
// Each model's records come from chunks of their own kind, each record just below the one made
// before it; large blocks sit on 2 MB pages where the system offers them (brepScratchAlloc).
#pragma once
#include <cstddef>

struct BrepModel;
struct BrepFace;

enum { BREP_PART_VERTICES, BREP_PART_EDGES, BREP_PART_FACES, BREP_PART_SLOTS, BREP_PARTS };

// Room for one record of `bytes` in the model's chunks of that part, just below the previous one.
void* brepRecordAlloc(const BrepModel* model, int part, size_t bytes);
// Room for `bytes` more in the current chunk of that part, so the next records lie in one block.
void brepRecordReserve(const BrepModel* model, int part, size_t bytes);
// Releases the model's chunks; false when its records were not made here.
bool brepArenaRelease(const BrepModel* model);
// True when `list` is the face list of a model whose records are made here.
bool brepArenaHoldsList(BrepFace* const* list);

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

// SPDX-License-Identifier: GPL-3.0-or-later
// The packed binary cache of a model level.
//
// The file is a 32-bit memory image: a 288-byte header, the vertices (44 bytes each) and the faces
// (164 bytes each), with references written as base + the record's offset in the file. In memory a
// packed model is one malloc'd block holding the BrepModel header, a small trailer, the vertices,
// the faces and their corner and edge slots as real records with real pointers; brepFree releases
// it with one free(). Records are converted field by field in both directions, little-endian, never
// by casting a buffer.
#include "file/file.h"
#include "brep/brep_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/paths.h"
#include "brep/brep.h"

namespace {

// What a packed block knows beyond the BrepModel header: its record counts and the 32-bit base
// its file uses, so that writing it again gives the file it was read from.
struct PackedTrailer {
    uint32_t fileBase;
    int32_t vertexCount;
    int32_t faceCount;
};

constexpr size_t alignUp(size_t n, size_t a) {
    return (n + a - 1) / a * a;
}
constexpr size_t TRAILER_AT = alignUp(sizeof(BrepModel), alignof(PackedTrailer));
constexpr size_t VERTICES_AT = alignUp(TRAILER_AT + sizeof(PackedTrailer), alignof(BrepVertex));

// File layout: offsets of the fields inside the header and the two records.
enum {
    H_BASE = 0,
    H_SIZE = 4,
    H_NAME = 8,
    H_LEVEL = 40,
    H_FACES = 44,
    H_EDGES = 48,
    H_VERTICES = 52,
    V_POS = 0,
    V_WEIGHT = 12,
    V_KIND = 16,
    V_TEXT = 20,
    V_TEXS = 28,
    V_INDEX = 36,
    V_NEXT = 40,
    F_NORMAL = 0,
    F_ORIENTATION = 12,
    F_WEIGHT = 16,
    F_COUNT = 20,
    F_MAPPING = 24,
    F_EDGES = 28,
    F_VERTS = 92,
    F_DERIVED = 156,
    F_NEXT = 160,
};
static_assert(F_NEXT + 4 == BREP_BIN_FACE && V_NEXT + 4 == BREP_BIN_VERTEX, "record sizes");
static_assert(H_VERTICES + 4 + 164 + 24 + 44 == BREP_BIN_HEADER, "header size");

// A packed block in memory: where its parts lie.
struct PackedView {
    BrepModel* model;
    PackedTrailer* trailer;
    BrepVertex* vertices;
    BrepFace* faces;
    void** slots; // each face's corner slots, then its edge slots (all null), in face list order
};

size_t facesAt(size_t vertexCount) {
    return alignUp(VERTICES_AT + vertexCount * sizeof(BrepVertex), alignof(BrepFace));
}
size_t slotsAt(size_t vertexCount, size_t faceCount) {
    return alignUp(facesAt(vertexCount) + faceCount * sizeof(BrepFace), alignof(void*));
}

// One zeroed block for a packed model of these counts; the model header sits at its start and
// `base` holds the block's address, which marks the model as packed.
// With `zeroed` false only the header and trailer are cleared; the caller sets every field of every
// record.
PackedView packedAlloc(size_t vertexCount, size_t faceCount, size_t cornerCount, bool zeroed = true) {
    size_t bytes = slotsAt(vertexCount, faceCount) + 2 * cornerCount * sizeof(void*);
    char* block = (char*)(zeroed ? calloc(1, bytes) : malloc(bytes));
    if (!zeroed) memset(block, 0, VERTICES_AT);
    PackedView view;
    view.model = (BrepModel*)block;
    view.trailer = (PackedTrailer*)(block + TRAILER_AT);
    view.vertices = (BrepVertex*)(block + VERTICES_AT);
    view.faces = (BrepFace*)(block + facesAt(vertexCount));
    view.slots = (void**)(block + slotsAt(vertexCount, faceCount));
    view.model->base = (uintptr_t)block;
    view.trailer->vertexCount = (int32_t)vertexCount;
    view.trailer->faceCount = (int32_t)faceCount;
    return view;
}

PackedView packedView(BrepModel* model) {
    char* block = (char*)model;
    PackedView view;
    view.model = model;
    view.trailer = (PackedTrailer*)(block + TRAILER_AT);
    view.vertices = (BrepVertex*)(block + VERTICES_AT);
    view.faces = (BrepFace*)(block + facesAt((size_t)view.trailer->vertexCount));
    view.slots =
        (void**)(block + slotsAt((size_t)view.trailer->vertexCount, (size_t)view.trailer->faceCount));
    return view;
}

// Gives a face of the block its count corner and edge slots from the cursor, edges null.
void takeSlots(BrepFace* f, void*** cursor, int count) {
    f->verts = (BrepVertex**)*cursor;
    f->edges = (BrepEdge**)(*cursor + count);
    memset(f->edges, 0, (size_t)count * sizeof(BrepEdge*));
    *cursor += 2 * count;
}

uint32_t binarySize(size_t vertexCount, size_t faceCount) {
    return (uint32_t)(BREP_BIN_HEADER + BREP_BIN_VERTEX * vertexCount + BREP_BIN_FACE * faceCount);
}

void put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = (uint8_t)value;
    out[at + 1] = (uint8_t)(value >> 8);
    out[at + 2] = (uint8_t)(value >> 16);
    out[at + 3] = (uint8_t)(value >> 24);
}
void putFloat(std::vector<uint8_t>& out, size_t at, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    put32(out, at, bits);
}
// The bytes of a file read whole.
struct ByteView {
    const uint8_t* bytes;
    size_t length;
    uint8_t operator[](size_t i) const { return bytes[i]; }
    const uint8_t* at(size_t i) const { return bytes + i; }
    size_t size() const { return length; }
};

// Little-endian 32-bit field: one load on a little-endian machine, byte shifts elsewhere.
inline uint32_t get32(const ByteView& in, size_t at) {
    const uint8_t* p = in.at(at);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t value;
    memcpy(&value, p, 4);
    return value;
#else
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
#endif
}
inline float getFloat(const ByteView& in, size_t at) {
    uint32_t bits = get32(in, at);
    float value;
    memcpy(&value, &bits, 4);
    return value;
}

} // namespace

BrepModel* brepPack(BrepModel** model) {
    if (!model || !*model) return nullptr;
    BrepModel* old = *model;
    size_t vertexCount = 0, faceCount = 0, cornerCount = 0;
    for (const BrepVertex* v = old->vertices; v; v = v->next) vertexCount++;
    for (const BrepFace* f = old->faces; f; f = f->next) {
        faceCount++;
        cornerCount += (size_t)std::min(std::max(f->count, 0), (int)BREP_MAX_CORNERS);
    }
    uint64_t fileBytes =
        BREP_BIN_HEADER + (uint64_t)BREP_BIN_VERTEX * vertexCount + (uint64_t)BREP_BIN_FACE * faceCount;
    if (fileBytes > UINT32_MAX - BREP_PACK_BASE) {
        fprintf(stderr, "Brep Error %s.%03d: too large to pack\n", old->name, old->level);
        return old;
    }

    PackedView view = packedAlloc(vertexCount, faceCount, cornerCount);
    BrepModel* packed = view.model;
    view.trailer->fileBase = BREP_PACK_BASE;
    packed->size = (uint32_t)fileBytes;
    // The name up to its terminator; the rest of the array stays zero, as the file writes it.
    memcpy(packed->name, old->name, strnlen(old->name, BREP_NAME_SIZE - 1));
    packed->level = old->level;

    std::unordered_map<const BrepVertex*, BrepVertex*> newVertex;
    newVertex.reserve(vertexCount);
    size_t k = 0;
    for (const BrepVertex* v = old->vertices; v; v = v->next, k++) {
        BrepVertex* n = &view.vertices[k];
        memcpy(n->pos, v->pos, sizeof n->pos);
        n->weight = v->weight;
        n->kind = v->kind;
        memcpy(n->texT, v->texT, sizeof n->texT);
        memcpy(n->texS, v->texS, sizeof n->texS);
        n->next = k + 1 < vertexCount ? &view.vertices[k + 1] : nullptr;
        newVertex[v] = n;
    }
    k = 0;
    void** cursor = view.slots;
    for (const BrepFace* f = old->faces; f; f = f->next, k++) {
        BrepFace* n = &view.faces[k];
        memcpy(n->normal, f->normal, sizeof n->normal);
        n->orientation = f->orientation;
        n->weight = f->weight;
        n->count = f->count;
        n->mapping = f->mapping;
        takeSlots(n, &cursor, std::min(std::max(f->count, 0), (int)BREP_MAX_CORNERS));
        for (int i = 0; i < f->count && i < BREP_MAX_CORNERS; i++) {
            auto found = newVertex.find(f->verts[i]);
            assert(found != newVertex.end() && "a corner is not in the model's vertex list");
            n->verts[i] = found != newVertex.end() ? found->second : nullptr;
        }
        n->next = k + 1 < faceCount ? &view.faces[k + 1] : nullptr;
    }
    packed->vertices = vertexCount ? &view.vertices[0] : nullptr;
    packed->faces = faceCount ? &view.faces[0] : nullptr;

    brepFree(model);
    *model = packed;
    return packed;
}

int brepWriteBinary(BrepModel* model) {
    if (!model) return 0;
    char name[64];
    snprintf(name, sizeof name, "%s.%03d.brep.bin", model->name, model->level);
    const std::string target = pathCache(name);
    const char* path = target.c_str();
    if (model->base == 0 || model->base != (uintptr_t)model) {
        fprintf(stderr, "Brep Error %s: model is not packed, nothing written\n", path);
        return 0;
    }
    PackedView view = packedView(model);
    size_t vertexCount = (size_t)view.trailer->vertexCount, faceCount = (size_t)view.trailer->faceCount;
    uint32_t base = view.trailer->fileBase;
    size_t facesStart = BREP_BIN_HEADER + BREP_BIN_VERTEX * vertexCount;

    // References of records inside the block; anything else (a record added after packing) makes
    // the model unwritable rather than the file wrong.
    bool foreign = false;
    auto vertexRef = [&](const BrepVertex* v) -> uint32_t {
        if (!v) return 0;
        size_t slot = (size_t)(v - view.vertices);
        if (v < view.vertices || slot >= vertexCount) {
            foreign = true;
            return 0;
        }
        return base + (uint32_t)(BREP_BIN_HEADER + BREP_BIN_VERTEX * slot);
    };
    auto faceRef = [&](const BrepFace* f) -> uint32_t {
        if (!f) return 0;
        size_t slot = (size_t)(f - view.faces);
        if (f < view.faces || slot >= faceCount) {
            foreign = true;
            return 0;
        }
        return base + (uint32_t)(facesStart + BREP_BIN_FACE * slot);
    };

    std::vector<uint8_t> out(binarySize(vertexCount, faceCount), 0);
    put32(out, H_BASE, base);
    put32(out, H_SIZE, (uint32_t)out.size());
    memcpy(&out[H_NAME], model->name, strnlen(model->name, BREP_NAME_SIZE - 1));
    put32(out, H_LEVEL, (uint32_t)model->level);
    put32(out, H_FACES, faceRef(model->faces));
    put32(out, H_VERTICES, vertexRef(model->vertices));
    for (size_t k = 0; k < vertexCount; k++) {
        const BrepVertex& v = view.vertices[k];
        size_t at = BREP_BIN_HEADER + BREP_BIN_VERTEX * k;
        for (int i = 0; i < 3; i++) putFloat(out, at + V_POS + 4 * i, v.pos[i]);
        putFloat(out, at + V_WEIGHT, v.weight);
        put32(out, at + V_KIND, (uint32_t)v.kind);
        for (int i = 0; i < 2; i++) putFloat(out, at + V_TEXT + 4 * i, v.texT[i]);
        for (int i = 0; i < 2; i++) putFloat(out, at + V_TEXS + 4 * i, v.texS[i]);
        put32(out, at + V_NEXT, vertexRef(v.next));
    }
    for (size_t k = 0; k < faceCount; k++) {
        const BrepFace& f = view.faces[k];
        size_t at = facesStart + BREP_BIN_FACE * k;
        for (int i = 0; i < 3; i++) putFloat(out, at + F_NORMAL + 4 * i, f.normal[i]);
        put32(out, at + F_ORIENTATION, (uint32_t)f.orientation);
        putFloat(out, at + F_WEIGHT, f.weight);
        put32(out, at + F_COUNT, (uint32_t)f.count);
        put32(out, at + F_MAPPING, (uint32_t)f.mapping);
        for (int i = 0; i < f.count && i < BREP_MAX_CORNERS; i++)
            put32(out, at + F_VERTS + 4 * (size_t)i, vertexRef(f.verts[i]));
        put32(out, at + F_NEXT, faceRef(f.next));
    }
    if (foreign) {
        fprintf(stderr, "Brep Error %s: packed model refers outside its block, nothing written\n", path);
        return 0;
    }

    const int ok = fileWriteAll(path, out.data(), out.size(), 0, stderr);
    return ok ? 1 : 0;
}

namespace {

// Checks a file image and builds the packed model from it in the same passes; a fault found on
// the way discards what was built.
struct BinaryReader {
    ByteView in;
    char fault[160] = {0};

    explicit BinaryReader(ByteView data) : in(data) {}

    bool fail(const char* format, ...) {
        va_list args;
        va_start(args, format);
        vsnprintf(fault, sizeof fault, format, args);
        va_end(args);
        return false;
    }

    uint32_t base = 0, size = 0;
    size_t vertexCount = 0, faceCount = 0, facesStart = 0;

    // Slot of a vertex reference, or false when it is not the start of a vertex record among the
    // first `limit` slots.
    bool vertexSlot(uint32_t ref, size_t limit, size_t* slot) const {
        if (ref < base) return false;
        uint32_t at = ref - base;
        if (at < BREP_BIN_HEADER || (at - BREP_BIN_HEADER) % BREP_BIN_VERTEX) return false;
        *slot = (at - BREP_BIN_HEADER) / BREP_BIN_VERTEX;
        return *slot < limit;
    }
    bool faceSlot(uint32_t ref, size_t* slot) const {
        if (ref < base) return false;
        uint32_t at = ref - base;
        if (at < facesStart || (at - facesStart) % BREP_BIN_FACE) return false;
        *slot = (at - facesStart) / BREP_BIN_FACE;
        return *slot < faceCount;
    }

    // The header, and the vertex list, which decides how many vertex records there are (the
    // faces fill the rest of the file).
    bool checkHeaderAndVertices() {
        if (in.size() < BREP_BIN_HEADER)
            return fail("%zu bytes, shorter than the %d-byte header", in.size(), (int)BREP_BIN_HEADER);
        base = get32(in, H_BASE);
        size = get32(in, H_SIZE);
        if (size != in.size())
            return fail("size field %u does not match the file length %zu", size, in.size());
        if (base == 0) return fail("base is 0: not a packed model");
        if ((uint64_t)base + size > UINT32_MAX) return fail("block runs past the 32-bit address space");
        if (!memchr(in.at(H_NAME), 0, BREP_NAME_SIZE)) return fail("model name is not terminated");
        if (get32(in, H_EDGES) != 0) return fail("edge list is not empty");

        size_t maxVertices = (size - BREP_BIN_HEADER) / BREP_BIN_VERTEX;
        std::vector<uint8_t> seen(maxVertices, 0);
        size_t highest = 0;
        for (uint32_t ref = get32(in, H_VERTICES); ref;) {
            size_t slot;
            if (!vertexSlot(ref, maxVertices, &slot))
                return fail("vertex reference 0x%08x is not a vertex record", ref);
            if (seen[slot]) return fail("vertex list runs in a circle");
            seen[slot] = 1;
            vertexCount++;
            highest = slot > highest ? slot : highest;
            ref = get32(in, BREP_BIN_HEADER + BREP_BIN_VERTEX * slot + V_NEXT);
        }
        // Distinct slots all below the count: the list visits every vertex record once.
        if (vertexCount && highest >= vertexCount)
            return fail("vertex list reaches past its %zu records", vertexCount);
        facesStart = BREP_BIN_HEADER + BREP_BIN_VERTEX * vertexCount;
        if ((size - facesStart) % BREP_BIN_FACE)
            return fail("size %u does not hold %zu vertices and whole faces", size, vertexCount);
        faceCount = (size - facesStart) / BREP_BIN_FACE;
        return true;
    }

    // The corners of all face records, as their counts say (each taken as 0 to 16); the faces'
    // slots are sized by it before the counts are checked.
    size_t cornerCount() const {
        size_t corners = 0;
        for (size_t k = 0; k < faceCount; k++) {
            int32_t count = (int32_t)get32(in, facesStart + BREP_BIN_FACE * k + F_COUNT);
            corners += (size_t)std::min(std::max(count, 0), (int32_t)BREP_MAX_CORNERS);
        }
        return corners;
    }

    // Walks the face list, checking and converting every face it visits.
    bool buildFaces(const PackedView& view) {
        std::vector<uint8_t> seen(faceCount, 0);
        size_t visited = 0;
        void** cursor = view.slots;
        for (uint32_t ref = get32(in, H_FACES); ref;) {
            size_t slot;
            if (!faceSlot(ref, &slot)) return fail("face reference 0x%08x is not a face record", ref);
            if (seen[slot]) return fail("face list runs in a circle");
            seen[slot] = 1;
            visited++;
            size_t at = facesStart + BREP_BIN_FACE * slot;
            BrepFace& f = view.faces[slot];
            f.count = (int32_t)get32(in, at + F_COUNT);
            if (f.count < 1 || f.count > BREP_MAX_CORNERS)
                return fail("face %zu has %d corners, not 1..%d", slot, f.count, (int)BREP_MAX_CORNERS);
            f.mapping = (int32_t)get32(in, at + F_MAPPING);
            if (f.mapping != 0 && f.mapping != 1) return fail("face %zu has mapping %d", slot, f.mapping);
            f.orientation = (int32_t)get32(in, at + F_ORIENTATION);
            if (f.orientation != BREP_CW && f.orientation != BREP_CCW)
                return fail("face %zu has orientation %d", slot, f.orientation);
            for (int i = 0; i < 3; i++) f.normal[i] = getFloat(in, at + F_NORMAL + 4 * i);
            f.weight = getFloat(in, at + F_WEIGHT);
            takeSlots(&f, &cursor, f.count);
            for (int32_t i = 0; i < f.count; i++) {
                size_t corner;
                uint32_t cref = get32(in, at + F_VERTS + 4 * (size_t)i);
                if (!vertexSlot(cref, vertexCount, &corner))
                    return fail("corner %d of face %zu (0x%08x) is not a vertex record", i, slot, cref);
                f.verts[i] = &view.vertices[corner];
            }
            f.derived = nullptr;
            ref = get32(in, at + F_NEXT);
            f.next = faceSlot(ref, &slot) ? &view.faces[slot] : nullptr;
        }
        if (visited != faceCount) return fail("face list reaches %zu of its %zu records", visited, faceCount);
        return true;
    }

    // The packed model, or null (with `fault` set) when the file is refused.
    BrepModel* read() {
        if (!checkHeaderAndVertices()) return nullptr;
        PackedView view = packedAlloc(vertexCount, faceCount, cornerCount(), false);
        BrepModel* model = view.model;
        if (!buildFaces(view)) {
            free(model);
            return nullptr;
        }
        view.trailer->fileBase = base;
        model->size = size;
        memcpy(model->name, in.at(H_NAME), strnlen((const char*)in.at(H_NAME), BREP_NAME_SIZE - 1));
        model->level = (int32_t)get32(in, H_LEVEL);
        size_t slot;
        model->vertices =
            vertexSlot(get32(in, H_VERTICES), vertexCount, &slot) ? &view.vertices[slot] : nullptr;
        model->faces = faceSlot(get32(in, H_FACES), &slot) ? &view.faces[slot] : nullptr;
        for (size_t k = 0; k < vertexCount; k++) {
            BrepVertex& v = view.vertices[k];
            size_t at = BREP_BIN_HEADER + BREP_BIN_VERTEX * k;
            for (int i = 0; i < 3; i++) v.pos[i] = getFloat(in, at + V_POS + 4 * i);
            v.weight = getFloat(in, at + V_WEIGHT);
            v.kind = (int32_t)get32(in, at + V_KIND);
            for (int i = 0; i < 2; i++) v.texT[i] = getFloat(in, at + V_TEXT + 4 * i);
            for (int i = 0; i < 2; i++) v.texS[i] = getFloat(in, at + V_TEXS + 4 * i);
            v.index = 0;
            v.next = vertexSlot(get32(in, at + V_NEXT), vertexCount, &slot) ? &view.vertices[slot] : nullptr;
        }
        return model;
    }
};

// A whole file read in one piece; `read` false when it cannot be opened or read, `tooLong` when it
// is too long for a packed model (it is then not read at all).
struct WholeFile {
    std::unique_ptr<uint8_t[]> bytes;
    size_t length = 0;
    bool read = false, tooLong = false;
    const char* why = "cannot be read";

    explicit WholeFile(const char* path) {
        int fd = fileOpenRead(path, &why);
        if (fd < 0) return;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            if ((uint64_t)st.st_size > UINT32_MAX) {
                tooLong = true;
            } else {
                size_t expected = (size_t)st.st_size;
                bytes.reset(new uint8_t[expected + 1]);
                ssize_t n = 1;
                // One byte more than expected: a file that grew while read shows as a wrong size.
                while (length <= expected &&
                       (n = ::read(fd, bytes.get() + length, expected + 1 - length)) > 0)
                    length += (size_t)n;
                read = n >= 0;
            }
        }
        close(fd);
    }
};

} // namespace

int brepReadBinaryFile(BrepModel** out, const char* path, const char* name, int level) {
    char modelName[BREP_NAME_SIZE];
    snprintf(modelName, sizeof modelName, "%s", name ? name : "");

    WholeFile file(path);
    BinaryReader reader(ByteView{file.bytes.get(), file.length});
    const char* fault = nullptr;
    if (file.tooLong)
        fault = "too long for a packed model";
    else if (!file.read)
        fault = file.why;
    BrepModel* model = fault ? nullptr : reader.read();
    if (!model) {
        fprintf(stderr, "Brep Error %s: %s\n", path, fault ? fault : reader.fault);
        brepCreate(out, modelName, level);
        return 0;
    }
    *out = model;
    return 1;
}

int brepReadBinary(BrepModel** out, const char* name, int level) {
    char modelName[BREP_NAME_SIZE];
    snprintf(modelName, sizeof modelName, "%s", name ? name : "");
    char file[64];
    snprintf(file, sizeof file, "%s.%03d.brep.bin", modelName, level);
    return brepReadBinaryFile(out, pathData(file).c_str(), modelName, level);
}

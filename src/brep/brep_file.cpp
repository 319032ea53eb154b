// SPDX-License-Identifier: GPL-3.0-or-later
// The text form of a model level, and the texture hint image.
#include "brep/brep_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/paths.h"
#include "brep/brep.h"
#include "file/file.h"
#include "image/tga.h"

// Copies a requested model name, cut to what the header holds.
static void brepBoundedName(char (&dst)[BREP_NAME_SIZE], const char* name) {
    snprintf(dst, sizeof dst, "%s", name ? name : "");
}

// Writes n in decimal at out; returns the end.
static char* putInt(char* out, long long n) {
    return std::to_chars(out, out + 24, n).ptr;
}

// Writes value as "%f" prints it, byte for byte (both round the exact value to six decimals); returns
// the end. The line buffer leaves room for the widest float.
static char* putFixed(char* out, float value) {
    return std::to_chars(out, out + 64, double(value), std::chars_format::fixed, 6).ptr;
}

int brepWriteText(BrepModel* model) {
    if (!model) return 0;
    int vertexCount = 0;
    for (BrepVertex* v = model->vertices; v; v = v->next) v->index = vertexCount++;

    char name[64];
    snprintf(name, sizeof name, "%s.%03d.brep.txt", model->name, model->level);
    FileWrite write;
    FILE* f = fileWriteBegin(&write, pathCache(name).c_str(), 0, stderr);
    if (!f) return 0;

    // Each line made in a buffer (the numbers as "%f" and "%d" print them) and written at once.
    char line[1024];
    fprintf(f, "%d\n", vertexCount);
    for (const BrepVertex* v = model->vertices; v; v = v->next) {
        char* p = line;
        for (float x : {v->pos[0], v->pos[1], v->pos[2], v->weight}) p = putFixed(p, x), *p++ = ' ';
        p = putInt(p, v->kind);
        for (float x : {v->texT[0], v->texS[0], v->texT[1], v->texS[1]}) *p++ = ' ', p = putFixed(p, x);
        *p++ = '\n';
        fwrite(line, 1, size_t(p - line), f);
    }
    int faceCount = 0;
    for (const BrepFace* face = model->faces; face; face = face->next) faceCount++;
    fprintf(f, "%d\n", faceCount);
    for (const BrepFace* face = model->faces; face; face = face->next) {
        char* p = putFixed(line, face->weight);
        *p++ = ' ', p = putInt(p, face->orientation), *p++ = ' ', p = putInt(p, face->count);
        for (int i = 0; i < face->count; i++) *p++ = ' ', p = putInt(p, face->verts[i]->index);
        *p++ = '\n';
        fwrite(line, 1, size_t(p - line), f);
    }
    return fileWriteEnd(&write, stderr);
}

namespace {

// Reads the file as a stream of whitespace-separated numbers. The first fault sticks: every later
// read fails, and `fault` keeps the first description.
struct TextCursor {
    const char* p;
    const char* end;
    bool bad;
    char fault[160];

    void fail(const char* format, ...) {
        if (bad) return;
        bad = true;
        va_list args;
        va_start(args, format);
        vsnprintf(fault, sizeof fault, format, args);
        va_end(args);
    }

    void skipSpace() {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f'))
            p++;
    }

    size_t remaining() const { return (size_t)(end - p); }

    // Adds where the fault happened ("vertex 3") to its description.
    void where(const char* record, int number) {
        size_t used = strlen(fault);
        snprintf(fault + used, sizeof fault - used, " (%s %d)", record, number);
    }

    // The next token, copied and terminated; false (with a fault) when there is none or it is too
    // long to be a number.
    bool token(char (&buf)[48], const char* what) {
        if (bad) return false;
        skipSpace();
        const char* start = p;
        while (p < end && !(*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f'))
            p++;
        size_t length = (size_t)(p - start);
        if (length == 0) {
            fail("missing %s", what);
            return false;
        }
        if (length >= sizeof buf) {
            fail("%s is not a number", what);
            return false;
        }
        memcpy(buf, start, length);
        buf[length] = 0;
        return true;
    }

    bool readInt(int* out, const char* what) {
        char buf[48];
        if (!token(buf, what)) return false;
        // The plain form the game writes, read without the C library's locale and errno; anything
        // else goes the long way below, which gives the same value or the same fault.
        long quick = 0;
        const auto [rest, error] = std::from_chars(buf, buf + strlen(buf), quick);
        if (error == std::errc() && *rest == 0 && quick >= -2147483647L - 1 && quick <= 2147483647L) {
            *out = int(quick);
            return true;
        }
        char* stop = nullptr;
        errno = 0;
        long value = strtol(buf, &stop, 10);
        if (*stop != 0 || stop == buf) {
            fail("%s \"%s\" is not a whole number", what, buf);
            return false;
        }
        if (errno == ERANGE || value < -2147483647L - 1 || value > 2147483647L) {
            fail("%s %s is out of range", what, buf);
            return false;
        }
        *out = (int)value;
        return true;
    }

    bool readFloat(float* out, const char* what) {
        char buf[48];
        if (!token(buf, what)) return false;
        // As readInt: a decimal number the quick way (rounded as strtof rounds), the rest the long way.
        float quick = 0;
        const auto [rest, error] = std::from_chars(buf, buf + strlen(buf), quick);
        if (error == std::errc() && *rest == 0 && std::isfinite(quick)) {
            *out = quick;
            return true;
        }
        char* stop = nullptr;
        float value = strtof(buf, &stop);
        if (*stop != 0 || stop == buf) {
            fail("%s \"%s\" is not a number", what, buf);
            return false;
        }
        if (!std::isfinite(value)) {
            fail("%s %s is not a finite number", what, buf);
            return false;
        }
        *out = value;
        return true;
    }
};

// Reads the whole file into memory; false with *why when it cannot be opened or read.
bool brepSlurp(const char* path, std::vector<char>& data, const char** why) {
    FILE* f = fileOpenReadStream(path, why);
    if (!f) return false;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
    bool ok = !ferror(f);
    if (!ok) *why = "cannot be read";
    fclose(f);
    return ok;
}

} // namespace

// Fills `model` from the text; false (fault in the cursor) at the first malformed value.
static bool brepParseText(BrepModel* model, TextCursor& c) {
    int vertexCount = 0;
    if (!c.readInt(&vertexCount, "vertex count")) return false;
    // A vertex line is nine numbers, each at least one character and a separator.
    if (vertexCount < 0 || (size_t)vertexCount > (c.remaining() + 1) / 2 / 9) {
        c.fail("vertex count %d is impossible for a file of this length", vertexCount);
        return false;
    }
    std::vector<BrepVertex*> table((size_t)vertexCount);
    for (int i = 0; i < vertexCount; i++) {
        float x, y, z, weight, t0, s0, t1, s1;
        int kind;
        if (!c.readFloat(&x, "vertex x") || !c.readFloat(&y, "vertex y") || !c.readFloat(&z, "vertex z") ||
            !c.readFloat(&weight, "vertex weight") || !c.readInt(&kind, "vertex kind") ||
            !c.readFloat(&t0, "vertex t0") || !c.readFloat(&s0, "vertex s0") ||
            !c.readFloat(&t1, "vertex t1") || !c.readFloat(&s1, "vertex s1")) {
            c.where("vertex", i);
            return false;
        }
        table[(size_t)i] = brepNewVertex(model, x, y, z, weight, kind, t0, s0, t1, s1);
    }

    int faceCount = 0;
    if (!c.readInt(&faceCount, "face count")) return false;
    // A face line is at least four numbers.
    if (faceCount < 0 || (size_t)faceCount > (c.remaining() + 1) / 2 / 4) {
        c.fail("face count %d is impossible for a file of this length", faceCount);
        return false;
    }
    for (int i = 0; i < faceCount; i++) {
        float weight;
        int orientation, count;
        if (!c.readFloat(&weight, "face weight") || !c.readInt(&orientation, "face orientation") ||
            !c.readInt(&count, "corner count")) {
            c.where("face", i);
            return false;
        }
        if (orientation != BREP_CW && orientation != BREP_CCW) {
            c.fail("orientation %d is neither 2304 nor 2305", orientation);
            c.where("face", i);
            return false;
        }
        if (count < 1 || count > BREP_MAX_CORNERS) {
            c.fail("corner count %d is outside 1..%d", count, (int)BREP_MAX_CORNERS);
            c.where("face", i);
            return false;
        }
        int corners[BREP_MAX_CORNERS];
        for (int k = 0; k < count && !c.bad; k++) {
            if (!c.readInt(&corners[k], "corner number")) break;
            if (corners[k] < 0 || corners[k] >= vertexCount)
                c.fail("corner number %d is outside 0..%d", corners[k], vertexCount - 1);
        }
        if (c.bad) {
            c.where("face", i);
            return false;
        }
        brepBeginFace(model, weight, orientation);
        for (int k = 0; k < count; k++) brepFaceAddVertexNoEdge(model, table[(size_t)corners[k]]);
        brepEndFaceNoEdges(model);
    }
    c.skipSpace();
    if (c.p != c.end) {
        c.fail("text after the last face");
        return false;
    }
    return true;
}

int brepReadTextFile(BrepModel** out, const char* path, const char* name, int level) {
    char modelName[BREP_NAME_SIZE];
    brepBoundedName(modelName, name);
    brepCreate(out, modelName, level);

    std::vector<char> data;
    const char* why = "";
    if (!brepSlurp(path, data, &why)) {
        fprintf(stderr, "Brep Error %s: %s\n", path, why);
        return 0;
    }

    TextCursor c{data.data(), data.data() + data.size(), false, {0}};
    if (brepParseText(*out, c)) return 1;

    fprintf(stderr, "Brep Error %s: %s\n", path, c.fault);
    brepFree(out);
    brepCreate(out, modelName, level);
    return 0;
}

int brepReadText(BrepModel** out, const char* name, int level) {
    char modelName[BREP_NAME_SIZE];
    brepBoundedName(modelName, name);
    char file[64];
    snprintf(file, sizeof file, "%s.%03d.brep.txt", modelName, level);
    return brepReadTextFile(out, pathData(file).c_str(), modelName, level);
}

// Texture coordinate times image size, cut toward zero; values far outside the image (or not
// numbers) are held where tgaSetPixel clamps them anyway, so the conversion stays defined.
static int brepTexelIndex(float coordinate, int size) {
    float value = coordinate * (float)size;
    if (!(value > -1.0f)) return -1;
    if (value >= (float)size + 1.0f) return size;
    return (int)value;
}

// True when every face has all its edges, so that the connectivity check can run.
static bool brepHasEdges(const BrepModel* model) {
    if (!model->edges) return false;
    for (const BrepFace* face = model->faces; face; face = face->next)
        for (int i = 0; i < face->count; i++)
            if (!face->edges[i]) return false;
    return true;
}

int brepWriteTexHint(BrepModel* model, int size) {
    // Beyond this the image would not fit in memory (nor its byte count in an int).
    if (!model || size <= 0 || size > 8192) return 0;
    char name[64];
    snprintf(name, sizeof name, "%s.%03d.texhint.tga", model->name, model->level);
    // A model read from a file has no edges to check; its outlines are drawn all the same.
    if (brepHasEdges(model)) brepCheck(model, 1);

    TgaImage image;
    tgaReset(&image);
    if (!tgaCreate(&image, 24, size, size)) return 0;
    tgaFill(&image, 0);
    for (const BrepFace* face = model->faces; face; face = face->next) {
        int m = face->mapping ? 1 : 0;
        for (int i = 0; i < face->count; i++) {
            const BrepVertex* a = face->verts[i];
            const BrepVertex* b = face->verts[(i + 1) % face->count];
            for (int k = 0; k < 100; k++) {
                float s = k * a->texS[m] / 100 + (100 - k) * b->texS[m] / 100;
                float t = k * a->texT[m] / 100 + (100 - k) * b->texT[m] / 100;
                tgaSetPixel(&image, brepTexelIndex(s, size), brepTexelIndex(t, size), 0xFFFFFF);
            }
        }
    }
    int saved = tgaSave(&image, pathCache(name).c_str());
    tgaFree(&image);
    return saved;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Level 0 of the models: swept tubes from definition files, and the floor tile.
#include "brep/brep_build.h"
#include "file/file.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/paths.h"

static void buildError(const std::string& message) {
    fprintf(stderr, "Brep Error %s\n", message.c_str());
}

namespace {

// A definition file: "n tStart sStart tEnd sEnd", then n profile lines of 14 numbers. The numbers
// are read as a stream of whitespace-separated tokens; each must be a whole, finite number.
enum {
    DEF_X,
    DEF_Y,
    DEF_INNER,
    DEF_OUTER,
    DEF_BELOW,
    DEF_ABOVE,
    DEF_VW0,
    DEF_FW0 = DEF_VW0 + 4,
    DEF_COLUMNS = 14
};

struct ProfileLine {
    float v[DEF_COLUMNS];
};

struct Definition {
    int n = 0;
    float tStart = 0, sStart = 0, tEnd = 0, sEnd = 0;
    std::vector<ProfileLine> lines;
};

struct TokenReader {
    const std::string& text;
    size_t at = 0;
    int line = 1;
    std::string token;

    explicit TokenReader(const std::string& t) : text(t) {}
    bool next() {
        while (at < text.size() && isspace((unsigned char)text[at])) line += text[at++] == '\n';
        if (at >= text.size()) return false;
        size_t start = at;
        while (at < text.size() && !isspace((unsigned char)text[at])) at++;
        token.assign(text, start, at - start);
        return true;
    }
    // The token as shown in a message: at most 20 characters, unprintable bytes as '?'.
    std::string shown() const {
        std::string s = token.substr(0, 20);
        for (char& c : s)
            if (!isprint((unsigned char)c)) c = '?';
        return token.size() > 20 ? s + "..." : s;
    }
};

bool parseFloat(const std::string& token, float* out) {
    const char* s = token.c_str();
    char* end = nullptr;
    errno = 0;
    float f = strtof(s, &end);
    if (end == s || *end != 0 || !std::isfinite(f)) return false;
    *out = f;
    return true;
}

bool parseInt(const std::string& token, int* out) {
    const char* s = token.c_str();
    char* end = nullptr;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (end == s || *end != 0 || errno == ERANGE || v < -2147483647L || v > 2147483647L) return false;
    *out = (int)v;
    return true;
}

bool readFile(const char* path, std::string* text, const char** why) {
    FILE* f = fileOpenReadStream(path, why);
    if (!f) return false;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, got);
    fclose(f);
    return true;
}

// Parses the definition; on a fault reports one line naming the file and returns false.
bool parseDefinition(const std::string& text, const std::string& file, Definition* def) {
    TokenReader r(text);
    auto where = [&]() { return file + " line " + std::to_string(r.line) + ": "; };
    if (!r.next()) {
        buildError(file + ": empty definition");
        return false;
    }
    if (!parseInt(r.token, &def->n)) {
        buildError(where() + "profile line count '" + r.shown() + "' is not a whole number");
        return false;
    }
    if (def->n < 3) {
        buildError(where() + std::to_string(def->n) + " profile lines, at least 3 needed");
        return false;
    }
    float* head[4] = {&def->tStart, &def->sStart, &def->tEnd, &def->sEnd};
    for (float* value : head) {
        if (!r.next()) {
            buildError(file + ": ends inside the first line");
            return false;
        }
        if (!parseFloat(r.token, value)) {
            buildError(where() + "'" + r.shown() + "' is not a number");
            return false;
        }
    }
    for (int i = 0; i < def->n; i++) {
        ProfileLine pl;
        for (int c = 0; c < DEF_COLUMNS; c++) {
            if (!r.next()) {
                buildError(file + ": ends in profile line " + std::to_string(i + 1) + " of " +
                           std::to_string(def->n) + " (" + std::to_string(c) + " of 14 numbers)");
                return false;
            }
            if (!parseFloat(r.token, &pl.v[c])) {
                buildError(where() + "'" + r.shown() + "' is not a number");
                return false;
            }
        }
        def->lines.push_back(pl);
    }
    return true;
}

float meanWeight(const ProfileLine& l) {
    return (l.v[DEF_VW0] + l.v[DEF_VW0 + 1] + l.v[DEF_VW0 + 2] + l.v[DEF_VW0 + 3]) / 4;
}

// The tube: a cap vertex at each end, a ring of five corners A..E at each interior profile point.
void addTube(BrepModel* model, const Definition& d) {
    int n = d.n;
    const std::vector<ProfileLine>& L = d.lines;
    std::vector<float> sx(n), sy(n), nx(n), ny(n), t(n);
    for (int i = 1; i < n; i++) {
        sx[i] = L[i].v[DEF_Y] - L[i - 1].v[DEF_Y];
        sy[i] = L[i - 1].v[DEF_X] - L[i].v[DEF_X];
        t[i] = d.tStart + (d.tEnd - d.tStart) * i / (n - 1);
    }
    for (int i = 1; i <= n - 2; i++) {
        float x = sx[i] + sx[i + 1], y = sy[i] + sy[i + 1];
        float len = sqrtf(x * x + y * y);
        if (len == 0) {
            nx[i] = 1;
            ny[i] = 0;
        } else {
            nx[i] = x / len;
            ny[i] = y / len;
        }
    }

    float sMid = (d.sStart + d.sEnd) / 2;
    float delta = (d.sEnd - d.sStart) / 8;
    std::vector<BrepVertex*> table(5 * (n - 2) + 2);
    table[0] = brepNewVertex(model, L[0].v[DEF_X], L[0].v[DEF_Y], 0, meanWeight(L[0]), 2, d.tStart, sMid,
                             d.tStart, sMid);
    for (int i = 1; i <= n - 2; i++) {
        const float* p = L[i].v;
        const float* w = L[i - 1].v + DEF_VW0; // corner weights come from the line before
        float ix = p[DEF_X] - p[DEF_INNER] * nx[i], iy = p[DEF_Y] - p[DEF_INNER] * ny[i];
        float ox = p[DEF_X] + p[DEF_OUTER] * nx[i], oy = p[DEF_Y] + p[DEF_OUTER] * ny[i];
        float below = -p[DEF_BELOW], above = p[DEF_ABOVE];
        BrepVertex** r = &table[5 * (i - 1) + 1];
        float ti = t[i];
        // A is the texture seam: the start of the s range in mapping 0, its end in mapping 1.
        r[0] = brepNewVertex(model, ix, iy, 0, (w[0] + w[3]) / 2, 2, ti, d.sStart, ti, d.sEnd);
        r[1] = brepNewVertex(model, ix, iy, below, w[0], 1, ti, d.sStart + delta, ti, d.sStart + delta);
        r[2] =
            brepNewVertex(model, ox, oy, below, w[1], 1, ti, d.sStart + 3 * delta, ti, d.sStart + 3 * delta);
        r[3] =
            brepNewVertex(model, ox, oy, above, w[2], 1, ti, d.sStart + 5 * delta, ti, d.sStart + 5 * delta);
        r[4] =
            brepNewVertex(model, ix, iy, above, w[3], 1, ti, d.sStart + 7 * delta, ti, d.sStart + 7 * delta);
    }
    BrepVertex* endCap = brepNewVertex(model, L[n - 1].v[DEF_X], L[n - 1].v[DEF_Y], 0, meanWeight(L[n - 1]),
                                       2, d.tEnd, sMid, d.tEnd, sMid);
    table[5 * (n - 2) + 1] = endCap;

    auto ring = [&](int i, int k) { return table[5 * (i - 1) + 1 + k % 5]; };
    auto face = [&](float weight, std::initializer_list<BrepVertex*> corners) {
        brepBeginFace(model, weight, BREP_CW);
        for (BrepVertex* v : corners) brepFaceAddVertex(model, v);
        brepEndFace(model);
    };
    for (int k = 0; k < 5; k++) face(L[0].v[DEF_FW0 + k % 4], {table[0], ring(1, k), ring(1, k + 1)});
    for (int i = 1; i <= n - 3; i++)
        for (int k = 0; k < 5; k++)
            face(L[i].v[DEF_FW0 + k % 4], {ring(i, k), ring(i + 1, k), ring(i + 1, k + 1), ring(i, k + 1)});
    for (int k = 0; k < 5; k++)
        face(L[n - 2].v[DEF_FW0 + k % 4], {endCap, ring(n - 2, k + 1), ring(n - 2, k)});
}

} // namespace

int brepLoadDefFile(BrepModel** model, const char* path) {
    if (!model || !*model) {
        buildError(std::string(path) + ": no model to add the definition to");
        return 0;
    }
    std::string text;
    Definition def;
    int added = 0;
    const char* why = "";
    if (!readFile(path, &text, &why)) {
        buildError(std::string(path) + ": " + why);
    } else if (parseDefinition(text, path, &def)) {
        addTube(*model, def);
        added = 1;
    }
    brepCheck(*model, 1);
    return added;
}

int brepLoadDef(BrepModel** model, const char* defName) {
    std::string file = std::string(defName ? defName : "") + ".brepdef.txt";
    return brepLoadDefFile(model, pathData(file.c_str()).c_str());
}

void brepBuildFromDef(BrepModel** out, const char* name) {
    brepCreate(out, name, 0);
    brepLoadDef(out, name);
}

void brepBuildFloor(BrepModel** out, const char* name) {
    brepCreate(out, name, 0);
    BrepModel* m = *out;
    static const float corners[4][5] = {{0, 0, 0, 0, 0}, {0, 0, 1, 0, 1}, {1, 0, 1, 1, 1}, {1, 0, 0, 1, 0}};
    brepBeginFace(m, 1.0f, BREP_CW);
    for (const float* c : corners) brepFaceAddPoint(m, c[0], c[1], c[2], 1.0f, 1, c[3], c[4], c[3], c[4]);
    brepEndFace(m);
}

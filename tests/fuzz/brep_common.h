// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the model fuzz targets: quiet diagnostics, a private working directory with the input
// written into it, the read with its check of a refusal, and checks that a model a reader accepted
// is whole (every corner is one of its vertices, lists end) and survives the other file form
// unchanged.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "brep/brep.h"
#include "brep/brep_file.h"
#include "fuzz_input.h"

// Diagnostics (and the refinement's counts) go to standard output; keep them quiet.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!freopen("/dev/null", "w", stdout)) abort();
    return 0;
}

// The writers write into the working directory: each input runs in a private one, and libFuzzer
// finds its corpus folders again afterwards.
struct FuzzScratchDir {
    int back;
    FuzzScratchDir() {
        // In memory where there is a tmpfs: rewriting a file on disk can wait for the disk.
        static char dir[64];
        static bool made = (mkdtemp(strcpy(dir, "/dev/shm/kx_fuzz_brep_XXXXXX")) ||
                            mkdtemp(strcpy(dir, "/tmp/kx_fuzz_brep_XXXXXX"))) &&
                           atexit([] {
                               std::error_code ignored;
                               std::filesystem::remove_all(dir, ignored);
                           }) == 0;
        back = open(".", O_RDONLY | O_DIRECTORY);
        if (!made || back < 0 || chdir(dir) != 0) abort();
    }
    ~FuzzScratchDir() {
        if (fchdir(back) != 0) abort();
        close(back);
    }
};

inline bool fuzzEmpty(const BrepModel* m) {
    return m && !m->vertices && !m->faces && !m->edges;
}

// The model `reader` makes of data written as `file` into the scratch directory (the caller holds a
// FuzzScratchDir), read under the name FUZZ and that level; null when the reader refused it, which
// must leave an empty model of that name and level.
inline BrepModel* fuzzReadModel(const uint8_t* data, size_t size, const char* file, int level,
                                int (*reader)(BrepModel**, const char*, int)) {
    fuzzWriteInput(file, data, size);
    BrepModel* model = nullptr;
    if (reader(&model, "FUZZ", level)) return model;
    if (!fuzzEmpty(model) || strcmp(model->name, "FUZZ") || model->level != level) abort();
    brepFree(&model);
    return nullptr;
}

// Values of a model, corners as vertex list positions; aborts when a corner is not one of the
// model's vertices or a count is out of range.
inline std::vector<float> fuzzPicture(const BrepModel* m) {
    std::unordered_map<const BrepVertex*, size_t> at; // list position of each vertex
    std::vector<float> out;
    for (const BrepVertex* v = m->vertices; v; v = v->next) {
        if (!at.emplace(v, at.size()).second) abort();
        out.insert(out.end(), {v->pos[0], v->pos[1], v->pos[2], v->weight, (float)v->kind, v->texT[0],
                               v->texT[1], v->texS[0], v->texS[1]});
    }
    std::unordered_set<const BrepFace*> faces;
    for (const BrepFace* f = m->faces; f; f = f->next) {
        if (!faces.insert(f).second) abort();
        if (f->count < 1 || f->count > BREP_MAX_CORNERS || (f->mapping != 0 && f->mapping != 1)) abort();
        out.insert(out.end(), {(float)f->orientation, f->weight, (float)f->count, (float)f->mapping});
        for (int i = 0; i < f->count; i++) {
            auto k = at.find(f->verts[i]);
            if (k == at.end()) abort();
            out.push_back((float)k->second);
        }
    }
    return out;
}

// Bit patterns compared, so that not-a-number values compare too.
inline bool fuzzSame(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && (a.empty() || !memcmp(a.data(), b.data(), a.size() * sizeof(float)));
}

// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the definition reader and what runs on the tube it builds: the connectivity
// check, one refinement step and the cutting into triangles. A definition that is added must give
// a closed tube (every edge of two faces), and its refinement must stay closed.
#include <cstdint>

#include "brep/brep_build.h"
#include "brep_common.h"

static int countFaces(const BrepModel* m) {
    int n = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) n++;
    return n;
}

static bool closed(const BrepModel* m) {
    for (const BrepEdge* e = m->edges; e; e = e->next)
        if (e->faceCount != 2) return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzScratchDir scratch;
    fuzzWriteInput("FUZZ.brepdef.txt", data, size);
    BrepModel* model = nullptr;
    brepCreate(&model, "FUZZ", 0);
    int added = brepLoadDefFile(&model, "FUZZ.brepdef.txt");
    if (!added && (model->faces || model->vertices || model->edges)) abort(); // refused adds nothing
    // Geometry can be degenerate (points on top of each other), but the tube's structure is fixed.
    if (added && !closed(model)) abort();
    if (added && countFaces(model) <= 600) {
        BrepModel* next = nullptr;
        brepRefine(model, &next);
        brepSplitPolygons(next);
        brepFree(&next);
    }
    brepFree(&model);
    return 0;
}

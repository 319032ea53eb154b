// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped model definitions: every catalogue model and the arrow build, refine to level 3 with
// a silent strict check, and stay closed surfaces of the size the game draws them at.
#include <gtest/gtest.h>
#include <unistd.h>
#include <cmath>
#include <string>
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/catalogue.h"
#include "output_capture.h"

namespace {

struct InDataFolder {
    char old[4096];
    InDataFolder() {
        EXPECT_NE(getcwd(old, sizeof old), nullptr);
        EXPECT_EQ(chdir(KX_SOURCE_DIR "/data"), 0);
    }
    ~InDataFolder() { EXPECT_EQ(chdir(old), 0); }
};

int openEdges(const BrepModel* m) {
    int open = 0;
    for (const BrepEdge* e = m->edges; e; e = e->next) open += e->faceCount != 2;
    return open;
}

float extent(const BrepModel* m, int axis) {
    float lo = 1e30f, hi = -1e30f;
    for (const BrepVertex* v = m->vertices; v; v = v->next) {
        lo = std::fmin(lo, v->pos[axis]);
        hi = std::fmax(hi, v->pos[axis]);
    }
    return hi - lo;
}

// Builds levels 0..3 of a catalogue row (or the arrow for row -1) and checks each level; level 0's extent
// along x, y and z goes to size.
void checkModel(int row, const char* name, float size[3] = nullptr) {
    InDataFolder here;
    BrepModel* levels[MODEL_LEVELS] = {};
    OutputCapture out, err(stderr);
    if (row >= 0)
        modelBuildBase(row, &levels[0]);
    else
        brepBuildFromDef(&levels[0], name);
    for (int l = 1; l < MODEL_LEVELS; l++)
        row >= 0 ? modelRefineNext(row, levels[l - 1], &levels[l]) : brepRefine(levels[l - 1], &levels[l]);
    const std::string said = err.finish();
    out.finish();
    EXPECT_EQ(said, "") << name;
    for (int l = 0; l < MODEL_LEVELS; l++) {
        ASSERT_NE(levels[l], nullptr);
        EXPECT_NE(levels[l]->faces, nullptr) << name << " level " << l;
        EXPECT_EQ(levels[l]->level, l);
        if (row != ROW_FLOOR) {
            EXPECT_EQ(openEdges(levels[l]), 0) << name << " level " << l;
        }
        // Refinement smooths but never blows a model up or collapses it.
        for (int axis = 0; axis < 3; axis += 2)
            EXPECT_GT(extent(levels[l], axis), 0.5f * extent(levels[0], axis)) << name;
    }
    for (int axis = 0; axis < 3 && size; axis++) size[axis] = extent(levels[0], axis);
    for (BrepModel*& m : levels) brepFree(&m);
}

} // namespace

// Every shipped model builds closed to level three; the arrow flies along model +y: much longer than
// it is wide.
TEST(DataModels, EveryShippedModelBuildsClosedToLevelThree) {
    for (int row = 0; row < MODEL_ROWS; row++) checkModel(row, modelNames[row]);
    float size[3] = {};
    checkModel(-1, "arrow", size);
    EXPECT_GT(size[1], 3 * size[0]);
    EXPECT_GT(size[1], 3 * size[2]);
}

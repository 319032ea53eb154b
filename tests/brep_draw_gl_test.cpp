// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a model, read back through GL feedback: which primitive each face becomes, the corner it
// starts at, the texture coordinates of its mapping, and that a compiled list replays the same stream,
// also when the catalogue compiles it in pieces.
//
// Mesa reports a filled quad (a, b, c, d) sent with GL_QUADS as the triangles (a, b, d), (b, c, d),
// and a polygon (v0 .. vn) sent with GL_POLYGON as the fan (v1, v2, v0), (v2, v3, v0), ...; so the
// stream shows both the primitive and the corner order it was sent in.
#include "brep/brep_draw.h"
#include "brep/catalogue.h"
#include "brep_helpers.h"
#include "gl_context.h"
#include "gl_feedback.h"

namespace {

using Corner = std::pair<float, float>; // s, t as sent
using Triangle = std::vector<Corner>;

struct Feedback {
    std::vector<double> words; // every polygon's corner count and every value of its corners
    std::vector<Triangle> polygons;
};

template <class F> Feedback capture(F draw) {
    glTestContext();
    glDisable(GL_LIGHTING);
    Feedback fb;
    for (const FbItem& it : feedbackCapture(draw, FbView{-10, 10})) {
        EXPECT_EQ(GLenum(GL_POLYGON_TOKEN), it.token);
        fb.polygons.emplace_back(), fb.words.push_back(double(it.v.size()));
        for (const FbVertex& v : it.v) {
            fb.polygons.back().push_back({v.tex[0], v.tex[1]});
            fb.words.insert(fb.words.end(), {v.x, v.y, v.z, v.colour[0], v.colour[1], v.colour[2], v.tex[0],
                                             v.tex[1], v.tex[2], v.tex[3]});
        }
    }
    return fb;
}

// Corner i carries (s, t) = (i, i) in mapping 0 and (10 + i, 100 + i) in mapping 1, so every corner
// sent names itself and the mapping it came from.
BrepVertex* corner(BrepModel* m, int i, float x, float y) {
    return brepNewVertex(m, x, y, 0, 1, 1, (float)i, (float)i, 100.0f + i, 10.0f + i);
}
Corner sent(int i, int mapping) {
    return {(float)i + 10.0f * mapping, 100.0f * mapping + i};
}

std::vector<Triangle> asQuad(const std::vector<Corner>& c) {
    return {{c[0], c[1], c[3]}, {c[1], c[2], c[3]}};
}

class BrepDraw : public ::testing::Test {
  protected:
    BrepModel* m = nullptr;
    void SetUp() override {
        glTestContext(); // lists are compiled before anything is captured
        brepCreate(&m, "DRAW", 0);
    }
    void TearDown() override { brepFree(&m); }
};

TEST_F(BrepDraw, QuadStartsAtTheFirstCornerOfGreatestSumInItsMapping) {
    // Sums x + y + z: 1, 3, 3, 2. The first 3 wins the tie: sent as corners 1, 2, 3, 0.
    std::vector<BrepVertex*> v = {corner(m, 0, 1, 0), corner(m, 1, 2, 1), corner(m, 2, 1, 2),
                                  corner(m, 3, 0, 2)};
    for (int mapping : {0, 1}) {
        addFace(m, 1, BREP_CW, v);
        m->faces->mapping = mapping;
    }
    std::vector<Triangle> want = asQuad({sent(1, 1), sent(2, 1), sent(3, 1), sent(0, 1)}); // the head first
    for (const Triangle& t : asQuad({sent(1, 0), sent(2, 0), sent(3, 0), sent(0, 0)})) want.push_back(t);
    EXPECT_EQ(want, capture([&] { brepDraw(m); }).polygons);
}

TEST_F(BrepDraw, PrimitiveFollowsTheCornerCount) {
    // Corner 0 has the greatest sum in every face, so each is sent in its own corner order.
    std::vector<BrepVertex*> v = {corner(m, 0, 3, 3), corner(m, 1, 1, 3), corner(m, 2, -1, 1),
                                  corner(m, 3, 0, -1), corner(m, 4, 2, 0)};
    std::vector<Corner> c = {sent(0, 0), sent(1, 0), sent(2, 0), sent(3, 0), sent(4, 0)};
    // GL_POLYGON of fewer than three corners: nothing to fill.
    const std::vector<Triangle> want[6] = {
        {},        {},
        {},        {{c[0], c[1], c[2]}},
        asQuad(c), {{c[1], c[2], c[0]}, {c[2], c[3], c[0]}, {c[3], c[4], c[0]}}};
    for (int count = 1; count <= 5; count++) {
        SCOPED_TRACE(count);
        BrepModel* one = nullptr;
        brepCreate(&one, "ONE", 0); // faces only; the corners stay m's
        addFace(one, 1, BREP_CW, {v.begin(), v.begin() + count});
        one->faces->mapping = 0;
        EXPECT_EQ(want[count], capture([&] { brepDraw(one); }).polygons);
        EXPECT_EQ((GLenum)GL_NO_ERROR, glGetError());
        brepFree(&one);
    }
    EXPECT_TRUE(capture([] { brepDraw(nullptr); }).words.empty());
}

// Mesa's feedback replay of a display list reports only the first primitive kind of a list that
// mixes kinds, so streams are compared for lists of one kind each.
TEST_F(BrepDraw, CompiledListReplaysTheSameStream) {
    std::vector<BrepModel*> floor = floorLevels(2), split = floorLevels(2);
    BrepModel *quads = floor[2], *triangles = split[2];
    brepSplitPolygons(triangles);
    for (int i = 0; i < 16; i++) { // pentagons, the middle corner lifted
        float x = (float)(i % 4) * 4 - 8, y = (float)(i / 4) * 4 - 8, s = (float)i / 16;
        addFace(m, 1, i % 2 ? BREP_CW : BREP_CCW,
                {brepNewVertex(m, x, y, 0, 1, 1, s, 0, 0, 0), brepNewVertex(m, x + 2, y, 0, 1, 1, s, 1, 0, 0),
                 brepNewVertex(m, x + 2, y + 1, 0.5f, 1, 1, 1, 1, 0, 0),
                 brepNewVertex(m, x + 1, y + 2, 0, 1, 1, 1, s, 0, 0),
                 brepNewVertex(m, x, y + 1, 0, 1, 1, 0, s, 0, 0)});
    }
    for (BrepModel* model : {quads, triangles, m}) {
        SCOPED_TRACE(model->name);
        GLuint list = 0;
        brepCompileList(model, &list);
        EXPECT_TRUE(glIsList(list));
        Feedback direct = capture([&] { brepDraw(model); });
        EXPECT_EQ(model == m ? 48u : 32u, direct.polygons.size()); // all reported as triangles
        EXPECT_EQ(direct.words, capture([&] { glCallList(list); }).words);
        glDeleteLists(list, 1);
    }
    for (BrepModel* p : floor) brepFree(&p);
    for (BrepModel* p : split) brepFree(&p);
}

// The catalogue's lists made ahead a step at a time (the arrow, then level by level, row by row; a
// level of more faces than a step takes in pieces) replay what the models draw, also a list that is
// drawn before its last piece is made.
TEST_F(BrepDraw, ListsMadeInPiecesReplayTheirModels) {
    std::vector<BrepModel*> floor = floorLevels(3); // 1, 4, 16 and 64 quads
    modelTableReset();
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) modelTable[row].models[level] = floor[level];
    arrowList = 0;
    // Steps: the arrow 1, levels 0 and 1 one per row, level 2 two per row (10 + 6 faces), level 3
    // seven per row (6 x 10 + 4); step 48 makes the first piece of row 2's level 3, which is then
    // drawn, so its other six steps are not needed.
    int steps = 0;
    while (modelTableCompileSome(10))
        if (++steps == 48) modelTableList(2, 3);
    EXPECT_EQ(steps, 1 + 8 + 8 + 16 + 56 - 6);
    EXPECT_TRUE(glIsList(modelArrowList()));
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) {
            SCOPED_TRACE(std::to_string(row) + " " + std::to_string(level));
            const GLuint list = modelTableList(row, level);
            EXPECT_TRUE(glIsList(list));
            EXPECT_EQ(capture([&] { brepDraw(floor[level]); }).words,
                      capture([&] { glCallList(list); }).words);
        }
    for (ModelEntry& e : modelTable)
        for (BrepModel*& model : e.models) model = nullptr;
    modelTableFree();
    for (BrepModel* p : floor) brepFree(&p);
}

} // namespace

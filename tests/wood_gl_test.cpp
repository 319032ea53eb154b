// The pit prop's display list, read back through GL feedback.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "Wood/wood.h"
#include "gl_context.h"
#include "gl_feedback.h"

namespace {

struct Box {
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    void add(const FbVertex& v) {
        const double p[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    }
};

// The faces of one prop at the origin, told apart by the plane and the part of the frame they lie in.
enum Face {
    FirstPostInner,
    FirstPostBack,
    SecondPostBack,
    SecondPostInner,
    FirstPostFront,
    SecondPostFront,
    BeamUnder,
    BeamBack,
    BeamFront,
    Brace,
    FaceCount
};

Face classify(const FbItem& p) {
    Box box;
    for (const FbVertex& v : p.v) box.add(v);
    auto flat = [&](int axis, double value) {
        return near(box.lo[axis], value) && near(box.hi[axis], value);
    };
    if (flat(0, 0.1) && box.hi[1] <= 0.9 + 1e-4 && box.lo[1] >= -1e-4) return FirstPostInner;
    if (flat(0, 0.9) && box.hi[1] <= 0.9 + 1e-4 && box.lo[1] >= -1e-4) return SecondPostInner;
    if (flat(1, 0.9) && box.hi[0] - box.lo[0] < 0.04) return BeamUnder;
    bool back = flat(2, -0.03), front = flat(2, 0.03);
    if ((back || front) && box.lo[1] >= 0.9 - 1e-4) return back ? BeamBack : BeamFront;
    if ((back || front) && box.hi[0] <= 0.1 + 1e-4) return back ? FirstPostBack : FirstPostFront;
    if ((back || front) && box.lo[0] >= 0.9 - 1e-4) return back ? SecondPostBack : SecondPostFront;
    return Brace;
}

class WoodList : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { glTestContext(); }
};

TEST(WoodListDeath, NoListNameStopsWithTheListsName) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Inside glBegin/glEnd glGenLists hands out no name.
    EXPECT_DEATH(
        {
            glTestContext();
            glBegin(GL_POINTS);
            woodDrawAcrossX(0, 0);
        },
        "DisplayListWood");
}

TEST_F(WoodList, FirstPlacerBuildsTheListAndLaterOnesReuseIt) {
    ASSERT_EQ(DisplayListWood, 0u);
    feedbackCapture([] { woodDrawAcrossX(0, 0); });
    const uint32_t built = DisplayListWood;
    ASSERT_NE(built, 0u);
    EXPECT_TRUE(glIsList(built));
    feedbackCapture([] {
        woodDrawAcrossY(2, 2);
        woodDrawAcrossX(1, 1);
    });
    EXPECT_EQ(DisplayListWood, built);
    EXPECT_FALSE(glIsList(built + 1)) << "a second list was made";
}

TEST_F(WoodList, StripsHaveTheirRowsAndPostsEndUnderTheBeam) {
    auto polys = feedbackPolygons(feedbackCapture([] { woodDrawAcrossX(0, 0); }));
    std::map<int, std::set<std::pair<long, long>>> vertices; // per face, distinct (x, y, z) in 1/20000 units
    std::map<int, std::set<long>> rowPositions;
    std::map<int, Box> boxes;
    for (const FbItem& p : polys) {
        Face f = classify(p);
        for (const FbVertex& v : p.v) {
            boxes[f].add(v);
            long key = std::lround(v.x * 2e4) * 100000 + std::lround(v.y * 2e4);
            vertices[f].insert({key, std::lround(v.z * 2e4)});
            rowPositions[f].insert(std::lround((f >= BeamUnder ? v.x : v.y) * 2e4));
        }
    }
    std::set<long> postRows, beamRows;
    for (int k = 0; k <= 27; ++k) postRows.insert(k * 625);
    postRows.insert(18000);
    for (int k = 0; k <= 32; ++k) beamRows.insert(k * 625);
    for (int f = FirstPostInner; f <= SecondPostFront; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(vertices[f].size(), 58u) << "29 rows of two vertices";
        EXPECT_EQ(rowPositions[f], postRows);
        EXPECT_NEAR(boxes[f].hi[1], 0.9, 1e-5) << "post faces end where the beam begins";
    }
    for (int f = BeamUnder; f <= BeamFront; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(vertices[f].size(), 66u) << "33 rows of two vertices";
        EXPECT_EQ(rowPositions[f], beamRows);
    }
    EXPECT_NEAR(boxes[BeamUnder].lo[1], 0.9, 1e-5);
    EXPECT_NEAR(boxes[BeamBack].hi[1], 1.0, 1e-5);
    // Six brace quads; however GL splits them, their corners are the eight of each brace, the
    // two at the beam's middle shared.
    EXPECT_EQ(vertices[Brace].size(), 14u);
    EXPECT_NEAR(boxes[Brace].lo[1], 0.5, 1e-5);
    EXPECT_NEAR(boxes[Brace].lo[0], 0.1, 1e-5);
    EXPECT_NEAR(boxes[Brace].hi[0], 0.9, 1e-5);
}

TEST_F(WoodList, TextureRunsUpThePostsAndAlongTheBeam) {
    auto polys = feedbackPolygons(feedbackCapture([] { woodDrawAcrossX(0, 0); }));
    int checked = 0;
    for (const FbItem& p : polys) {
        Face f = classify(p);
        if (f == Brace) continue;
        for (const FbVertex& v : p.v) {
            double along = f >= BeamUnder ? v.x : v.y;
            double t = near(along, 0.9) && f < BeamUnder ? 0.875 : along;
            EXPECT_NEAR(v.tex[1], t, 1e-5);
            double s = std::fabs(v.tex[0] - (f == SecondPostInner ? 4.0 : 0.0));
            EXPECT_NEAR(s, 0.12, 1e-5);
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

TEST_F(WoodList, PlacersSpanTheirCellBetweenFloorAndCeiling) {
    Box across;
    for (const FbItem& p : feedbackPolygons(feedbackCapture([] { woodDrawAcrossX(3, 2.5f); })))
        for (const FbVertex& v : p.v) across.add(v);
    EXPECT_NEAR(across.lo[0], 3.0, 1e-4);
    EXPECT_NEAR(across.hi[0], 4.0, 1e-4);
    EXPECT_NEAR(across.lo[1], 0.0, 1e-4);
    EXPECT_NEAR(across.hi[1], 1.0, 1e-4);
    EXPECT_NEAR(across.lo[2], 2.47, 1e-4);
    EXPECT_NEAR(across.hi[2], 2.53, 1e-4);

    Box along;
    for (const FbItem& p : feedbackPolygons(feedbackCapture([] { woodDrawAcrossY(5.5f, 3); })))
        for (const FbVertex& v : p.v) along.add(v);
    EXPECT_NEAR(along.lo[2], 2.0, 1e-4);
    EXPECT_NEAR(along.hi[2], 3.0, 1e-4);
    EXPECT_NEAR(along.lo[0], 5.47, 1e-4);
    EXPECT_NEAR(along.hi[0], 5.53, 1e-4);
    EXPECT_NEAR(along.hi[1], 1.0, 1e-4);
}

} // namespace

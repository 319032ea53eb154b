// Items, spiders, the horse and the shot as GL draws them, read back through feedback and pixels.
// Every catalogue level is a fake list that marks itself (row * 10 + level + 1), so a capture
// tells which row and level were drawn and where their local points ended up.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "app/random.h"
#include "app/record.h"
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "gl_context.h"
#include "gl_feedback.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "scene/creatures.h"
#include "stdout_capture.h"

namespace {

const int arrowMark = 99;

// A front face (counter-clockwise from +z) at local x 0..1, a back face at x 2..3, and a line
// from the local origin up to (0, 1, 0).
void fakeModelBody() {
    glBegin(GL_QUADS);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(0, 1, 0);
    glVertex3f(2, 0, 0);
    glVertex3f(2, 1, 0);
    glVertex3f(3, 1, 0);
    glVertex3f(3, 0, 0);
    glEnd();
    // A state change between the blocks: Mesa 22 drops a GL_LINES block that directly follows a
    // GL_QUADS block of the same list in feedback mode.
    glNormal3f(0, 0, 1);
    glBegin(GL_LINES);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
}

GLuint markedList(int mark) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glPassThrough(float(mark));
    fakeModelBody();
    glPassThrough(-1);
    glEndList();
    return list;
}

// What one marked list drew: its polygons and its line.
struct Drawn {
    int mark;
    std::vector<FbItem> polygons;
    std::vector<FbVertex> line; // the local origin, then local (0, 1, 0)
};

std::vector<Drawn> marked(const std::vector<FbItem>& items, std::vector<FbItem>* loose = nullptr) {
    std::vector<Drawn> out;
    bool inside = false;
    for (const FbItem& it : items) {
        if (it.token == GL_PASS_THROUGH_TOKEN) {
            inside = it.pass > 0;
            if (inside) out.push_back(Drawn{int(it.pass), {}, {}});
        } else if (inside && it.token == GL_POLYGON_TOKEN) {
            out.back().polygons.push_back(it);
        } else if (inside && (it.token == GL_LINE_TOKEN || it.token == GL_LINE_RESET_TOKEN)) {
            out.back().line = it.v;
        } else if (loose) {
            loose->push_back(it);
        }
    }
    return out;
}

class Scene : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        glTestContext(200, 200);
        record.itemsPerKind = 0;
        record.mazeSize = 8;
        randomSeed(1);
        clearItemInstances();
        {
            StdoutCapture quiet;
            mazeBuild(&maze, 8);
        }
        for (int row = 0; row < MODEL_ROWS; ++row)
            for (int level = 0; level < MODEL_LEVELS; ++level)
                modelTable[row].lists[level] = markedList(row * 10 + level + 1);
        arrowList = markedList(arrowMark);
    }
    void SetUp() override {
        portalCulling = 0;
        record.useDisplayLists = 1;
        record.distanceLod = 0;
        record.lodLevel = 0;
        record.textureMode = 0;
        actorInit(&player, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
    }
};

Actor at(float x, float y, float z, float heading = 0) {
    Actor a{};
    actorInit(&a, x, y, z, heading, 0, 0.01f);
    return a;
}

TEST_F(Scene, EachKindDrawsItsOwnRowAtTheChosenLevel) {
    struct Case {
        void (*draw)(const Actor*);
        int row;
    };
    const Case cases[] = {{strawDraw, ROW_STRAW},
                          {oilcanDraw, ROW_OILCAN},
                          {diamondDraw, ROW_DIAMOND},
                          {spiderDraw, ROW_SPIDER}};
    static Actor item = at(2.5f, 0.1f, 1.5f);
    for (const Case& c : cases) {
        static void (*draw)(const Actor*);
        draw = c.draw;
        record.lodLevel = 2;
        auto drawn = marked(feedbackCapture([] { draw(&item); }));
        ASSERT_EQ(drawn.size(), 1u) << c.row;
        EXPECT_EQ(drawn[0].mark, c.row * 10 + 3);
        // The distance rule: the player stands 1 unit away, so level 2.
        record.lodLevel = 0;
        record.distanceLod = 1;
        drawn = marked(feedbackCapture([] { draw(&item); }));
        record.distanceLod = 0;
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].mark, c.row * 10 + 3);
        // A damaged record's level draws level 0.
        record.lodLevel = -1;
        drawn = marked(feedbackCapture([] { draw(&item); }));
        record.lodLevel = 0;
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].mark, c.row * 10 + 1);
    }
}

TEST_F(Scene, WithoutListsTheModelIsDrawnDirectly) {
    BrepModel* saved = modelTable[ROW_OILCAN].models[1];
    brepBuildFloor(&modelTable[ROW_OILCAN].models[1], "FLOOR0");
    record.useDisplayLists = 0;
    record.lodLevel = 1;
    static Actor can = at(2.5f, 0.05f, 1.5f, 0);
    auto items = feedbackCapture([] { oilcanDraw(&can); });
    brepFree(&modelTable[ROW_OILCAN].models[1]);
    modelTable[ROW_OILCAN].models[1] = saved;
    std::vector<FbItem> loose;
    EXPECT_TRUE(marked(items, &loose).empty()) << "a list was called";
    // The unit floor square, scaled to 0.05 about the can's position.
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (const FbItem& p : loose)
        for (const FbVertex& v : p.v) {
            EXPECT_NEAR(v.y, 0.05, 1e-4);
            lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
            lo[1] = std::min(lo[1], v.z), hi[1] = std::max(hi[1], v.z);
        }
    ASSERT_FALSE(loose.empty());
    EXPECT_NEAR(lo[0], 2.5, 1e-4);
    EXPECT_NEAR(hi[0], 2.55, 1e-4);
    EXPECT_NEAR(lo[1], 1.5, 1e-4);
    EXPECT_NEAR(hi[1], 1.55, 1e-4);
}

TEST_F(Scene, InstancesOutsideTheVisibleCellsAreSkipped) {
    portalCulling = 1;
    mazeUpdateVisibility(&maze, 1, 1);
    static Actor near = at(2.5f, 0.6f, 1.5f), far = at(6.5f, 0.6f, 1.5f); // (6, 1) is three turns away
    static Actor horseNear = at(1.5f, 0.5f, 3.5f), horseFar = at(6.5f, 0.5f, 1.5f);
    for (void (*draw)(const Actor*) : {strawDraw, oilcanDraw, diamondDraw, spiderDraw, horseDraw}) {
        static void (*d)(const Actor*);
        d = draw;
        const bool isHorse = draw == horseDraw;
        EXPECT_TRUE(feedbackCapture([isHorse] { d(isHorse ? &horseFar : &far); }).empty())
            << "thread included";
        EXPECT_FALSE(feedbackCapture([isHorse] { d(isHorse ? &horseNear : &near); }).empty());
    }
}

TEST_F(Scene, PlacementFollowsEachKindsTransform) {
    // The local point (1, 0, 0) of the front face: oil can and spider scale 0.05 after the turn.
    static Actor a = at(2.5f, 0.2f, 1.5f, 90);
    for (void (*draw)(const Actor*) : {oilcanDraw, spiderDraw}) {
        static void (*d)(const Actor*);
        d = draw;
        auto drawn = marked(feedbackCapture([] { d(&a); }));
        ASSERT_EQ(drawn.size(), 1u);
        bool found = false;
        for (const FbItem& p : drawn[0].polygons)
            for (const FbVertex& v : p.v) found |= near(v.x, 2.5) && near(v.y, 0.2) && near(v.z, 1.45);
        EXPECT_TRUE(found) << "turned by heading 90, local +x points to world -z";
    }
    // The straw bale is turned upside down and stretched along z: local (0, 1, 0) goes 0.1 down.
    auto drawn = marked(feedbackCapture([] { strawDraw(&a); }));
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_EQ(drawn[0].line.size(), 2u);
    EXPECT_NEAR(drawn[0].line[1].y, 0.1, 1e-4);
    EXPECT_NEAR(drawn[0].line[1].x, 2.5, 1e-4);
}

TEST_F(Scene, SpiderHangsFromTheCeilingOnItsThread) {
    static Actor spider = at(3.5f, 0.6f, 1.5f);
    std::vector<FbItem> loose;
    auto drawn = marked(feedbackCapture([] { spiderDraw(&spider); }), &loose);
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_EQ(loose.size(), 1u);
    ASSERT_EQ(loose[0].v.size(), 2u);
    EXPECT_TRUE(near(loose[0].v[0].x, 3.5) && near(loose[0].v[0].y, 1.0) && near(loose[0].v[0].z, 1.5));
    EXPECT_TRUE(near(loose[0].v[1].x, 3.5) && near(loose[0].v[1].y, 0.6) && near(loose[0].v[1].z, 1.5));
}

TEST_F(Scene, DiamondCullsBackFacesAndRestoresCullingAndBlending) {
    static Actor gem = at(2.5f, 0.05f, 1.5f, 0);
    for (bool cullingBefore : {false, true}) {
        static bool before, after;
        static GLint src, dst;
        before = cullingBefore;
        auto drawn = marked(feedbackCapture([] {
            if (before) glEnable(GL_CULL_FACE);
            glBlendFunc(GL_ONE, GL_ZERO);
            diamondDraw(&gem);
            after = glIsEnabled(GL_CULL_FACE);
            glGetIntegerv(GL_BLEND_SRC, &src);
            glGetIntegerv(GL_BLEND_DST, &dst);
            glDisable(GL_CULL_FACE);
        }));
        EXPECT_EQ(after, cullingBefore);
        EXPECT_EQ(src, GL_ONE);
        EXPECT_EQ(dst, GL_ZERO);
        ASSERT_EQ(drawn.size(), 1u);
        ASSERT_FALSE(drawn[0].polygons.empty());
        for (const FbItem& p : drawn[0].polygons)
            for (const FbVertex& v : p.v) EXPECT_LT(v.x, 2.5 + 0.05 + 1e-4) << "the back face was drawn";
    }
}

TEST_F(Scene, DiamondMaterialSwitchesTexturingOff) {
    record.textureMode = 1;
    glEnable(GL_TEXTURE_2D);
    diamondMaterial();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat diffuse[4], emission[4];
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    EXPECT_FLOAT_EQ(diffuse[3], 0.7f);
    EXPECT_FLOAT_EQ(emission[3], 0.0f);
    spiderMaterial();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "the next kind puts texturing back";
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    EXPECT_FLOAT_EQ(emission[3], 0.9f);
    glDisable(GL_TEXTURE_2D);
}

// The four legs' lines (hip direction) in drawing order.
std::vector<std::vector<FbVertex>> legLines(float distance) {
    static Actor h;
    h = at(1.5f, 0.5f, 3.5f, 90);
    h.distance = distance;
    auto drawn = marked(feedbackCapture([] { horseDraw(&h); }));
    std::vector<std::vector<FbVertex>> legs;
    for (const Drawn& d : drawn)
        if (d.mark / 10 == ROW_FRONTLEG || d.mark / 10 == ROW_HINDLEG) legs.push_back(d.line);
    return legs;
}

TEST_F(Scene, HorseStandsOnStraightLegsAndTrotsDiagonally) {
    static Actor h = at(1.5f, 0.5f, 3.5f, 90);
    auto drawn = marked(feedbackCapture([] { horseDraw(&h); }));
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(drawn[0].mark, ROW_HORSE * 10 + 1);
    EXPECT_EQ(drawn[1].mark, ROW_FRONTLEG * 10 + 1);
    EXPECT_EQ(drawn[2].mark, ROW_FRONTLEG * 10 + 1);
    EXPECT_EQ(drawn[3].mark, ROW_HINDLEG * 10 + 1);
    EXPECT_EQ(drawn[4].mark, ROW_HINDLEG * 10 + 1);
    ASSERT_EQ(drawn[0].line.size(), 2u);
    EXPECT_TRUE(near(drawn[0].line[0].x, 1.5) && near(drawn[0].line[0].y, 0.3) &&
                near(drawn[0].line[0].z, 3.5))
        << "the body stands at height 0.3 whatever the horse's own y";

    auto direction = [](const std::vector<FbVertex>& line) {
        return std::vector<double>{line[1].x - line[0].x, line[1].y - line[0].y, line[1].z - line[0].z};
    };
    auto still = legLines(0);
    ASSERT_EQ(still.size(), 4u);
    for (int i = 1; i < 4; ++i) {
        auto a = direction(still[0]), b = direction(still[i]);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], 1e-5) << "a leg bends at distance 0";
    }
    auto trot = legLines(0.1f);
    ASSERT_EQ(trot.size(), 4u);
    auto f1 = direction(trot[0]), f2 = direction(trot[1]), h1 = direction(trot[2]), h2 = direction(trot[3]);
    auto s = direction(still[0]);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f1[k], h2[k], 1e-5) << "diagonal legs swing together";
        EXPECT_NEAR(f2[k], h1[k], 1e-5);
    }
    // Opposite swings of sin(1.5) * 7 degrees mirror each other about the standing direction.
    const double c = std::cos(std::sin(1.5) * 7 * M_PI / 180);
    double apart = 0;
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f1[k] + f2[k], 2 * c * s[k], 1e-5);
        apart += std::fabs(f1[k] - f2[k]);
    }
    EXPECT_GT(apart, 0.01);
}

TEST_F(Scene, ReadyArrowPointsAlongTheHeading) {
    shotState = 0;
    static Actor arrow = at(2.5f, 0.2f, 1.5f, 90);
    auto drawn = marked(feedbackCapture([] { shotDraw(&arrow); }));
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].mark, arrowMark);
    ASSERT_EQ(drawn[0].line.size(), 2u);
    EXPECT_TRUE(near(drawn[0].line[1].x, 2.7) && near(drawn[0].line[1].y, 0.2) &&
                near(drawn[0].line[1].z, 1.5))
        << "the arrow's local +y is 0.2 ahead";
    EXPECT_EQ(shotState, 0);
}

class Explosion : public Scene {
  protected:
    void SetUp() override {
        Scene::SetUp();
        record.textureMode = 1;
        for (int k = 0; k < 8; ++k) {
            TgaImage& img = imageTable[19 + k];
            if (!img.pixels) {
                tgaCreate(&img, 24, 2, 2);
                tgaFill(&img, uint32_t(0x100 * (k + 1) * 16)); // green of (k + 1) * 16
            }
            textureUpload(&img);
        }
        record.textureMode = 0;
    }
};

TEST_F(Explosion, HitStartsTheExplosionAndItRunsHalfASecond) {
    shotState = 1;
    explosionTime = 3;
    record.frameTime = 0.125f;
    static Actor hit = at(2.5f, 0.0f, 1.5f, 90); // on the floor
    const int frames[] = {1, 3, 5, 7, 8};        // sixteen frames a second, the last one held
    for (int i = 0; i < 5; ++i) {
        static GLint bound;
        feedbackCapture([] {
            shotDraw(&hit);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        });
        EXPECT_EQ(GLuint(bound), imageTable[18 + frames[i]].textureId) << "frame " << i;
        EXPECT_EQ(shotState, i < 4 ? 2 : 0) << "frame " << i;
    }
    EXPECT_FLOAT_EQ(explosionTime, 0.625f);
}

TEST_F(Explosion, QuadFacesTheViewerAndAddsItsLight) {
    shotState = 2;
    explosionTime = 0;
    player.heading = 0;
    player.pitch = 0;
    static Actor hit = at(5.5f, 0.5f, 5.5f, 0); // state 2: explodes wherever it is
    auto polys = feedbackPolygons(feedbackCapture([] { shotDraw(&hit); }));
    ASSERT_FALSE(polys.empty());
    for (const FbItem& p : polys)
        for (const FbVertex& v : p.v) {
            EXPECT_NEAR(v.z, 5.5, 1e-4) << "the quad lies across the view direction";
            EXPECT_NEAR(std::fabs(v.x - 5.5), 0.25, 1e-4);
        }

    // Drawn over a red background it adds its green, whatever the depth buffer holds.
    shotState = 2;
    explosionTime = 0;
    glViewport(0, 0, 200, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(5, 6, 0, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0.5f, 0, 0, 1);
    glClearDepth(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1);
    glColor4f(1, 1, 1, 1);
    shotDraw(&hit);
    unsigned char rgb[3];
    glReadPixels(100, 100, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_NEAR(rgb[0], 128, 2);
    EXPECT_NEAR(rgb[1], 16, 2);
    GLint src, dst;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ZERO);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
}

} // namespace

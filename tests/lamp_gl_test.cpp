// The lamp frame and its stencil refresh, and the overview map: read back as pixels, stencil
// values and feedback vertices in a 600 x 450 window.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>
#include <map>
#include <vector>

#include "app/random.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "gl_context.h"
#include "gl_feedback.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "scene/lamp.h"
#include "stdout_capture.h"

namespace {

const int W = 600, H = 450;

class Lamp : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        glTestContext(W, H);
        record.windowWidth = W;
        record.windowHeight = H;
        record.textureMode = 0;
        record.itemsPerKind = 0;
        record.mazeSize = 8;
        randomSeed(1);
        clearItemInstances();
        {
            StdoutCapture quiet;
            mazeBuild(&maze, 8);
        }
        // The lamp frame: one colour; its opening: x 100..499, y 100..349.
        tgaCreate(&imgStencilFit, 24, W, H);
        tgaFill(&imgStencilFit, 0x3264C8); // R 200, G 100, B 50
        tgaCreate(&imgStencilMask, 8, W, H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                imgStencilMask.pixels[y * W + x] = x >= 100 && x < 500 && y >= 100 && y < 350;
    }
    void SetUp() override { glViewport(0, 0, W, H); }

    static std::vector<unsigned char> readColour() {
        std::vector<unsigned char> rgb(W * H * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
    static int stencilAt(int x, int y) {
        unsigned char s = 0;
        glReadPixels(x, y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &s);
        return s;
    }
};

// One game frame's part: a cleared colour and stencil buffer, then the lamp. Returns whether the
// frame picture and the mask were drawn.
bool lampFrame() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    lampLight();
    unsigned char rgb[3];
    glReadPixels(10, 10, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    unsigned char inside = 0;
    glReadPixels(300, 200, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &inside);
    bool picture = rgb[0] == 200 && rgb[1] == 100 && rgb[2] == 50;
    EXPECT_EQ(picture, inside == 1) << "the picture and the mask go together";
    return picture;
}

TEST_F(Lamp, PictureAndMaskAreDrawnInTheThreeFramesAfterAnInvalidation) {
    glEnable(GL_STENCIL_TEST);
    stencilValid = 0;
    std::vector<bool> drawn;
    for (int i = 0; i < 5; ++i) drawn.push_back(lampFrame());
    EXPECT_EQ(drawn, (std::vector<bool>{true, true, true, false, false}));
    EXPECT_EQ(stencilValid, 3);
    stencilValid = 0; // "Repair Stencil"
    drawn.clear();
    for (int i = 0; i < 4; ++i) drawn.push_back(lampFrame());
    EXPECT_EQ(drawn, (std::vector<bool>{true, true, true, false}));
    glDisable(GL_STENCIL_TEST);
}

TEST_F(Lamp, SceneReachesOnlyTheLitOpening) {
    glEnable(GL_STENCIL_TEST);
    stencilValid = 0;
    glClear(GL_STENCIL_BUFFER_BIT);
    lampLight();
    EXPECT_EQ(stencilAt(300, 200), 1);
    EXPECT_EQ(stencilAt(99, 200), 0);
    EXPECT_EQ(stencilAt(300, 350), 0);
    GLint func, ref, mask, fail, zfail, zpass;
    glGetIntegerv(GL_STENCIL_FUNC, &func);
    glGetIntegerv(GL_STENCIL_REF, &ref);
    glGetIntegerv(GL_STENCIL_VALUE_MASK, &mask);
    glGetIntegerv(GL_STENCIL_FAIL, &fail);
    glGetIntegerv(GL_STENCIL_PASS_DEPTH_FAIL, &zfail);
    glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &zpass);
    EXPECT_EQ(func, GL_EQUAL);
    EXPECT_EQ(ref, 1);
    EXPECT_EQ(mask & 1, 1);
    EXPECT_EQ(fail, GL_KEEP);
    EXPECT_EQ(zfail, GL_KEEP);
    EXPECT_EQ(zpass, GL_KEEP);

    // A full-window white quad now lands only inside the opening.
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(W, 0);
    glVertex2f(W, H);
    glVertex2f(0, H);
    glEnd();
    auto rgb = readColour();
    auto at = [&](int x, int y) { return rgb[(size_t(y) * W + x) * 3]; };
    EXPECT_EQ(at(300, 200), 255);
    EXPECT_EQ(at(100, 100), 255);
    EXPECT_EQ(at(499, 349), 255);
    EXPECT_EQ(at(99, 200), 200);
    EXPECT_EQ(at(300, 350), 200);
    glDisable(GL_STENCIL_TEST);
}

// The map's quads, told apart by colour (lighting with a white ambient light and no lamp gives
// every quad exactly its material colour).
struct MapQuad {
    double lo[2], hi[2];
    double centre[2];
};

std::map<std::string, std::vector<MapQuad>> mapQuads() {
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
    FbView view;
    view.lo = -1000;
    view.hi = 2000;
    auto polys = feedbackPolygons(feedbackCapture([] { mapDraw(); }, view));
    const GLfloat dim[4] = {0.2f, 0.2f, 0.2f, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, dim);
    glDisable(GL_LIGHTING);

    // Quads may come split into triangles; join consecutive pieces of one colour and square.
    std::map<std::string, std::vector<MapQuad>> out;
    for (const FbItem& p : polys) {
        const float* c = p.v[0].colour;
        std::string name = c[0] > 0.9f && c[1] > 0.9f && c[2] > 0.9f ? "open"
                           : c[0] > 0.9f && c[1] > 0.9f              ? "item"
                           : c[0] > 0.9f                             ? "player"
                           : c[1] > 0.9f                             ? "exit"
                           : c[2] > 0.9f                             ? "horse"
                                                                     : "background";
        MapQuad q{{1e9, 1e9}, {-1e9, -1e9}, {0, 0}};
        for (const FbVertex& v : p.v) {
            q.lo[0] = std::min(q.lo[0], v.x), q.hi[0] = std::max(q.hi[0], v.x);
            q.lo[1] = std::min(q.lo[1], v.y), q.hi[1] = std::max(q.hi[1], v.y);
        }
        std::vector<MapQuad>& list = out[name];
        if (!list.empty()) {
            MapQuad& last = list.back();
            // A second triangle of the same square shares its bounding box's extent.
            bool same = std::fabs(last.lo[0] - q.lo[0]) < 0.5 + (last.hi[0] - last.lo[0]) &&
                        std::fabs(last.lo[1] - q.lo[1]) < 0.5 + (last.hi[1] - last.lo[1]) &&
                        std::fabs(last.hi[0] - q.hi[0]) < 0.5 + (last.hi[0] - last.lo[0]) &&
                        std::fabs(last.hi[1] - q.hi[1]) < 0.5 + (last.hi[1] - last.lo[1]) &&
                        p.v.size() == 3 && last.centre[0] < 0;
            if (same) {
                for (int k = 0; k < 2; ++k)
                    last.lo[k] = std::min(last.lo[k], q.lo[k]), last.hi[k] = std::max(last.hi[k], q.hi[k]);
                last.centre[0] = 0;
                continue;
            }
        }
        q.centre[0] = p.v.size() == 3 ? -1 : 0; // -1: waiting for the square's second triangle
        list.push_back(q);
    }
    for (auto& entry : out)
        for (MapQuad& q : entry.second)
            for (int k = 0; k < 2; ++k) q.centre[k] = (q.lo[k] + q.hi[k]) / 2;
    return out;
}

class Map : public Lamp {
  protected:
    void SetUp() override {
        Lamp::SetUp();
        actorInit(&player, 1.5f, 0.3f, 1.5f, 0, 0, 0.02f);
        actorInit(&horse, 3.5f, 0.5f, 1.5f, 90, 0, 0.07f);
        inventory[1] = 5;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0, W, 0, H);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { inventory[1] = 0; }
};

TEST_F(Map, FiveOilCansAtWidth600GiveTenPixelsPerCell) {
    auto quads = mapQuads();
    ASSERT_EQ(quads["player"].size(), 1u);
    const MapQuad& p = quads["player"][0];
    EXPECT_NEAR(p.hi[0] - p.lo[0], 10, 1e-3);
    EXPECT_NEAR(p.hi[1] - p.lo[1], 10, 1e-3);
    EXPECT_NEAR(p.centre[0], 600 * 0.83, 1e-3);
    EXPECT_NEAR(p.centre[1], 450 * 0.82, 1e-3);
    int open = 0;
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j) open += mazeIsOpen(&maze, i, j);
    ASSERT_EQ(int(quads["open"].size()), open);
    for (const MapQuad& q : quads["open"]) EXPECT_NEAR(q.hi[0] - q.lo[0], 10, 1e-3);

    inventory[1] = 0; // no can: 15 * 600 / 600
    auto wide = mapQuads();
    ASSERT_EQ(wide["player"].size(), 1u);
    EXPECT_NEAR(wide["player"][0].hi[0] - wide["player"][0].lo[0], 15, 1e-3);
}

TEST_F(Map, MapTurnsWithTheHeadingAboutThePlayer) {
    const double cx = 600 * 0.83, cy = 450 * 0.82;
    auto ahead = mapQuads(); // horse 2 cells towards +x
    ASSERT_EQ(ahead["horse"].size(), 1u);
    EXPECT_NEAR(ahead["horse"][0].centre[0], cx + 20, 1e-3);
    EXPECT_NEAR(ahead["horse"][0].centre[1], cy, 1e-3);
    player.heading = 90;
    auto turned = mapQuads();
    ASSERT_EQ(turned["horse"].size(), 1u);
    EXPECT_NEAR(turned["horse"][0].centre[0], cx, 1e-3);
    EXPECT_NEAR(turned["horse"][0].centre[1], cy + 20, 1e-3);
    ASSERT_EQ(turned["player"].size(), 1u);
    EXPECT_NEAR(turned["player"][0].centre[0], cx, 1e-3);
    EXPECT_NEAR(turned["player"][0].centre[1], cy, 1e-3);
}

TEST_F(Map, ExitAndInstancesSitWhereTheWorldHasThem) {
    const double cx = 600 * 0.83, cy = 450 * 0.82;
    ModelEntry saved = modelTable[ROW_SPIDER];
    modelTable[ROW_SPIDER].count = 1;
    actorInit(&modelTable[ROW_SPIDER].entities[0], 3.5f, 0.6f, 7.5f, 0, 0, 0.005f);
    ModelEntry savedLeg = modelTable[ROW_FRONTLEG];
    modelTable[ROW_FRONTLEG].count = 1; // rows past the floor hold no map markers
    auto quads = mapQuads();
    modelTable[ROW_SPIDER] = saved;
    modelTable[ROW_FRONTLEG] = savedLeg;

    ASSERT_EQ(quads["item"].size(), 1u);
    const MapQuad& s = quads["item"][0]; // world x 3..3.5, z 7..7.5; +z points down the map
    EXPECT_NEAR(s.lo[0], cx + 15, 1e-3);
    EXPECT_NEAR(s.hi[0], cx + 20, 1e-3);
    EXPECT_NEAR(s.lo[1], cy - 60, 1e-3);
    EXPECT_NEAR(s.hi[1], cy - 55, 1e-3);
    ASSERT_EQ(quads["exit"].size(), 1u);
    const MapQuad& e = quads["exit"][0]; // cell (8, 7)
    EXPECT_NEAR(e.lo[0], cx + 65, 1e-3);
    EXPECT_NEAR(e.hi[0], cx + 75, 1e-3);
    EXPECT_NEAR(e.lo[1], cy - 65, 1e-3);
    EXPECT_NEAR(e.hi[1], cy - 55, 1e-3);
}

TEST_F(Map, OnlyTheMapBoxIsTouched) {
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    mapDraw();
    glDisable(GL_LIGHTING);
    auto rgb = readColour();
    glClearColor(0, 0, 0, 0);
    // 74 % .. 93.1 % of 600 and 71.5 % .. 94 % of 450, whole pixels.
    const int x0 = 444, y0 = 321, x1 = 444 + 114, y1 = 321 + 101;
    int strayOutside = 0, untouchedInside = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const unsigned char* p = &rgb[(size_t(y) * W + x) * 3];
            bool cleared = p[0] == 51 && p[1] == 102 && p[2] == 153;
            bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            if (inside && cleared) ++untouchedInside;
            if (!inside && !cleared) ++strayOutside;
        }
    EXPECT_EQ(strayOutside, 0);
    EXPECT_EQ(untouchedInside, 0);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "texturing back as textureMode 0 asks";
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[0], 1.0f);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The pit prop, the mine with its props and door, the creatures, the shot, the lamp and the map as GL draws
// them, read back through feedback, pixels and the stencil in one 600 x 450 window. Every catalogue level is
// a fake list that marks itself (row * 10 + level + 1): the floor row's lists hold the unit floor square, the
// others a front face at local x 0..1 and a back face at x 2..3; all end with a line from the local origin
// along the local +y, the floor square's front.
#include <gtest/gtest.h>
#include <GL/glu.h>
#include <array>
#include <map>
#include <set>
#include <string>
#include "Wood/wood.h"
#include "app/random.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "gl_context.h"
#include "gl_feedback.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "maze/maze_draw.h"
#include "scene/creatures.h"
#include "scene/lamp.h"
#include "output_capture.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

const int W = 600, H = 450, arrowMark = 99;
const double mapX = W * 0.83, mapY = H * 0.82; // where the map puts the player

GLuint markedList(int mark, bool floorSquare) {
    static const float corners[12][3] = {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}, {1, 0, 0},
                                         {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 1, 0}, {3, 0, 0}};
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glPassThrough(float(mark));
    glBegin(GL_QUADS);
    for (int i = floorSquare ? 0 : 4; i < (floorSquare ? 4 : 12); ++i) glVertex3fv(corners[i]);
    glEnd();
    // A state change between the blocks: Mesa 22 drops a GL_LINES block that directly follows a
    // GL_QUADS block of the same list in feedback mode.
    glNormal3f(0, 1, 0);
    glBegin(GL_LINES);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    glPassThrough(-1);
    glEndList();
    return list;
}

// What one marked list drew; items outside every list go to loose.
struct Drawn {
    int mark;
    std::vector<FbItem> polygons;
    std::vector<FbVertex> line;
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
        } else if (inside) {
            out.back().line = it.v;
        } else if (loose) {
            loose->push_back(it);
        }
    }
    return out;
}

// A square by the axis it is flat in, its plane, its lowest corner and whether its front faces +.
std::string square(int axis, long plane, long a, long b, bool front) {
    return std::string(1, "xyz"[axis]) + std::to_string(plane) + " " + std::to_string(a) + " " +
           std::to_string(b) + (front ? " +" : " -");
}

std::string keyOf(const Drawn& tile) {
    const FbBox b = fbBox(tile.polygons);
    const double front[3] = {tile.line.at(1).x - tile.line[0].x, tile.line[1].y - tile.line[0].y,
                             tile.line[1].z - tile.line[0].z};
    for (int k = 0; k < 3; ++k)
        if (near(b.lo[k], b.hi[k], 1e-3))
            return square(k, std::lround(b.lo[k]), std::lround(b.lo[k ? 0 : 1]),
                          std::lround(b.lo[k < 2 ? 2 : 1]), front[k] > 0);
    return "slanted";
}

// Floor and ceiling of every open cell, and a wall facing into it on every side it shares with
// rock, but none on the exit cell's +x side.
std::map<std::string, int> expectedSquares(const std::set<std::pair<int, int>>* only = nullptr) {
    std::map<std::string, int> want;
    auto rock = [](int x, int y) { return !mazeIsOpen(&maze, x, y); };
    for (int x = 0; x <= maze.size; ++x)
        for (int y = 0; y <= maze.size; ++y) {
            if (rock(x, y) || (only && !only->count({x, y}))) continue;
            want[square(1, 0, x, y, true)]++;
            want[square(1, 1, x, y, false)]++;
            if (rock(x + 1, y) && !(x == maze.size - 1 && y == maze.size - 1))
                want[square(0, x + 1, 0, y, false)]++;
            if (rock(x - 1, y)) want[square(0, x, 0, y, true)]++;
            if (rock(x, y + 1)) want[square(2, y + 1, x, 0, false)]++;
            if (rock(x, y - 1)) want[square(2, y, x, 0, true)]++;
        }
    return want;
}

Actor at(float x, float y, float z, float heading = 0) {
    Actor a{};
    actorInit(&a, x, y, z, heading, 0, 0.01f);
    return a;
}

// Whether the box runs from lo to hi on every axis; a failure shows the box.
testing::AssertionResult boxIs(const FbBox& b, std::array<double, 3> lo, std::array<double, 3> hi) {
    for (int k = 0; k < 3; ++k)
        if (!near(b.lo[k], lo[k]) || !near(b.hi[k], hi[k]))
            return testing::AssertionFailure()
                   << "the box runs from " << b.lo[0] << "," << b.lo[1] << "," << b.lo[2] << " to " << b.hi[0]
                   << "," << b.hi[1] << "," << b.hi[2];
    return testing::AssertionSuccess();
}

// A w x h view cleared to grey: a perspective from the origin, or (fovy 0) one unit a pixel.
void freshView(int w, int h, double fovy, float grey) {
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    fovy ? gluPerspective(fovy, double(w) / h, 0.05, 16.0) : gluOrtho2D(0, w, 0, h);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void plainTexture(TgaImage* img, uint32_t colour) { // colour's low byte is red
    tgaCreate(img, 24, 2, 2);
    tgaFill(img, colour);
    textureUpload(img);
}

class Draw : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        OutputCapture quiet;
        glTestContext(W, H);
        record.itemsPerKind = record.distanceLod = record.lodLevel = 0;
        record.windowWidth = W, record.windowHeight = H, record.mazeSize = 8;
        record.useDisplayLists = record.textureMode = 1;
        randomSeed(1);
        itemsClearInstances();
        mazeBuild(&maze, 8);
        itemsPlace(&maze);
        for (int row = 0; row < MODEL_ROWS; ++row)
            for (int level = 0; level < MODEL_LEVELS; ++level)
                modelTable[row].lists[level] = markedList(row * 10 + level + 1, row == ROW_FLOOR);
        arrowList = markedList(arrowMark, false);
        plainTexture(&imgWood, 0xFF0000); // blue props among untextured squares
        for (int k = 0; k < 8; ++k) plainTexture(&imageTable[19 + k], uint32_t(0x100 * (k + 1) * 16));
        record.textureMode = 0;
        // The lamp frame: one colour; its opening: x 100..499, y 100..349.
        tgaCreate(&imgStencilFit, 24, W, H);
        tgaFill(&imgStencilFit, 0x3264C8);
        tgaCreate(&imgStencilMask, 8, W, H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                imgStencilMask.pixels[y * W + x] = x >= 100 && x < 500 && y >= 100 && y < 350;
    }
    void SetUp() override {
        actorInit(&player, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
        actorInit(&exitDoor, 8, 0, 7, 0, 90, 0.07f); // swung fully out, clear of the exit's side
        actorInit(&horse, 3.5f, 0.5f, 1.5f, 90, 0, 0.07f);
    }
    // How often each square of the mine is drawn, but the door (drawn once among them: *door).
    static std::map<std::string, int> squares(std::vector<FbItem>* loose = nullptr,
                                              std::string* door = nullptr) {
        const std::vector<Drawn> alone = marked(feedbackCapture([] { mazeDrawDoor(&exitDoor); }));
        const std::string doorKey = alone.size() == 1 ? keyOf(alone[0]) : "";
        std::map<std::string, int> got;
        for (const Drawn& d : marked(feedbackCapture([] { mazeDraw(&maze, &player, &exitDoor); }), loose))
            if (d.mark / 10 == ROW_FLOOR) got[keyOf(d)]++;
        const bool drawn = got.count(doorKey) != 0;
        if (drawn && --got[doorKey] == 0) got.erase(doorKey);
        if (door) *door = drawn ? doorKey : "";
        return got;
    }
};

// Across x and across y, each from floor to ceiling of its cell, both from one list built once.
TEST_F(Draw, WoodPlacersSpanTheirCellWithOneList) {
    EXPECT_TRUE(boxIs(fbBox(feedbackCapture([] { woodDrawAcrossX(3, 2.5f); })), {3, 0, 2.47}, {4, 1, 2.53}));
    const uint32_t built = DisplayListWood;
    const GLuint marker = glGenLists(1); // names come in order: a list made after it comes between
    EXPECT_TRUE(boxIs(fbBox(feedbackCapture([] { woodDrawAcrossY(5.5f, 3); })), {5.47, 0, 2}, {5.53, 1, 3}));
    EXPECT_TRUE(glIsList(built));
    EXPECT_EQ(DisplayListWood, built);
    EXPECT_EQ(glGenLists(1), marker + 1) << "a second list was made";
}

// Rows every 1/32; the posts' last row ends at 0.9, where the beam begins.
TEST_F(Draw, WoodFacesAreStripsOfRowsUpToTheBeam) {
    // Per face of the frame: its distinct corners and the positions of its rows, in 1/20000.
    std::map<std::string, std::set<std::vector<long>>> corners;
    std::map<std::string, std::set<long>> rows;
    for (const FbItem& p : feedbackPolygons(feedbackCapture([] { woodDrawAcrossX(0, 0); }))) {
        const FbBox b = fbBox({p});
        const bool beam = b.lo[1] >= 0.9 - 1e-4;
        if (!beam && b.hi[0] > 0.1 + 1e-4 && b.lo[0] < 0.9 - 1e-4) continue; // a brace
        std::string face = beam ? "beam" : b.hi[0] <= 0.1 + 1e-4 ? "post 1" : "post 2";
        for (int k = 0; k < 3; ++k)
            if (near(b.lo[k], b.hi[k]))
                face += " at " + std::to_string(k) + ":" + std::to_string(std::lround(b.lo[k] * 100));
        for (const FbVertex& v : p.v) {
            corners[face].insert({std::lround(v.x * 2e4), std::lround(v.y * 2e4), std::lround(v.z * 2e4)});
            rows[face].insert(std::lround((beam ? v.x : v.y) * 2e4));
        }
    }
    std::set<long> postRows{18000}, beamRows;
    for (int k = 0; k <= 32; ++k) {
        beamRows.insert(k * 625);
        if (k <= 27) postRows.insert(k * 625);
    }
    EXPECT_EQ(corners.size(), 9u) << "three faces for each post and the beam";
    for (const auto& [face, set] : corners) {
        SCOPED_TRACE(face);
        const bool post = face[0] == 'p';
        EXPECT_EQ(set.size(), post ? 58u : 66u) << "two corners per row";
        EXPECT_EQ(rows[face], post ? postRows : beamRows);
    }
}

// Closed, the door is drawn with the mine, on the exit's +x side facing in; it swings out about its
// hinge.
TEST_F(Draw, DoorSwingsOutFromTheExitsSide) {
    exitDoor.pitch = 0;
    std::string door;
    squares(nullptr, &door);
    EXPECT_EQ(door, square(0, 8, 0, 7, false));
    for (float pitch : {0.0f, 30.0f, 90.0f}) {
        exitDoor.pitch = pitch;
        const double p = pitch * M_PI / 180;
        EXPECT_TRUE(boxIs(fbBox(marked(feedbackCapture([] { mazeDrawDoor(&exitDoor); })).at(0).polygons),
                          {8, 0, 7}, {8 + std::sin(p), 1, 7 + std::cos(p)}))
            << pitch;
    }
}

TEST_F(Draw, PropsStandInCorridorCellsOnly) {
    const size_t perProp = feedbackPolygons(feedbackCapture([] { woodDrawAcrossX(0, 0); })).size();
    ASSERT_GT(perProp, 0u);
    std::vector<FbItem> loose;
    squares(&loose);
    std::map<std::pair<int, int>, size_t> perCell, want;
    for (const FbItem& p : feedbackPolygons(loose)) {
        const FbBox b = fbBox({p});
        perCell[{int(std::floor((b.lo[0] + b.hi[0]) / 2)), int(std::floor((b.lo[2] + b.hi[2]) / 2))}]++;
    }
    auto open = [](int x, int y) { return mazeIsOpen(&maze, x, y) != 0; };
    for (int x = 0; x <= maze.size; ++x)
        for (int y = 0; y <= maze.size; ++y)
            if (open(x, y)) {
                size_t props = (!open(x - 1, y) && !open(x + 1, y)) + (!open(x, y - 1) && !open(x, y + 1));
                if (props) want[{x, y}] = props * perProp;
            }
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(perCell, want);
}

// Without culling the mine shows each square once, facing its cell; portal culling draws only the
// cells within two turns.
TEST_F(Draw, MineShowsEachSquareOnceOrOnlyThoseWithinTwoTurns) {
    EXPECT_EQ(squares(), expectedSquares());
    portalCulling = 1;
    // The cells seen from (1, 1) in this maze: at most three straight runs.
    const std::set<std::pair<int, int>> seen = {{1, 1}, {2, 1}, {3, 1}, {5, 1}, {1, 2}, {5, 2}, {1, 3},
                                                {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}, {1, 4},
                                                {7, 4}, {1, 5}, {2, 5}, {3, 5}, {7, 5}, {3, 6}, {3, 7}};
    std::map<std::string, int> got = squares();
    EXPECT_EQ(got, expectedSquares(&seen));
    EXPECT_EQ(got.count(square(1, 0, 6, 1, true)), 0u) << "(6, 1) lies three turns away";
    portalCulling = 0;
    EXPECT_EQ(squares(), expectedSquares()) << "switching culling off draws everything again";
}

TEST_F(Draw, StartViewShowsEveryKindOfSurfaceWithoutHoles) {
    record.textureMode = 1;
    const int w = 400, h = 300;
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    freshView(w, h, 60, 1);
    glRotatef(player.heading, 0, 1, 0);
    glTranslatef(-player.x, -player.y, -player.z);
    const GLfloat lamp[4] = {player.x, player.y, player.z, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    mazeDraw(&maze, &player, &exitDoor);
    const std::vector<unsigned char> rgb = readBack(GL_RGB, w, h);
    glDisable(GL_LIGHTING);
    record.textureMode = 0;
    // Floor green, ceiling cyan, walls red, props blue; the white background must not show.
    std::map<std::string, int> seen;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        const int r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
        seen[r == 255 && g == 255 && b == 255 ? "background"
             : r < 8 && g < 8 && b > 30       ? "prop"
             : r > g + 8                      ? "wall"
             : g > b + 8                      ? "floor"
                                              : "ceiling"]++;
    }
    for (const char* part : {"floor", "ceiling", "wall", "prop"}) EXPECT_GT(seen[part], w * h / 100) << part;
    EXPECT_LT(seen["background"], w * h / 20) << "the mine leaves holes in the view";
}

TEST_F(Draw, SpiderHangsFromTheCeilingOnItsThread) {
    static Actor spider = at(3.5f, 0.6f, 1.5f);
    std::vector<FbItem> loose;
    ASSERT_EQ(marked(feedbackCapture([] { spiderDraw(&spider); }), &loose).size(), 1u);
    ASSERT_EQ(loose.size(), 1u);
    ASSERT_NE(loose[0].token, GL_POLYGON_TOKEN);
    EXPECT_TRUE(boxIs(fbBox(loose), {3.5, 0.6, 1.5}, {3.5, 1.0, 1.5}));
}

TEST_F(Draw, DiamondRestoresTheStateItChanges) {
    Actor gem = at(2.5f, 0.05f, 1.5f, 0);
    for (bool culling : {false, true}) {
        culling ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
        glBlendFunc(GL_ONE, GL_ZERO);
        diamondDraw(&gem);
        GLint blend[2];
        glGetIntegerv(GL_BLEND_SRC, &blend[0]);
        glGetIntegerv(GL_BLEND_DST, &blend[1]);
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), culling);
        EXPECT_EQ(blend[0], GL_ONE) << "blending left as it was";
        EXPECT_EQ(blend[1], GL_ZERO);
    }
    glDisable(GL_CULL_FACE);
    record.textureMode = 2;
    diamondMaterial();
    diamondDraw(&gem);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T)) << "texture coordinates made";
    record.textureMode = 0;
    glDisable(GL_TEXTURE_2D);
}

// With textures on, the diamond is drawn over a white texel: lit and blended, it gives the pixels
// it gives bare.
TEST_F(Draw, DiamondLooksTheSameWithTexturesOnAndOff) {
    std::array<GLuint, MODEL_LEVELS> kept;
    const GLuint gemList = glGenLists(1);
    glNewList(gemList, GL_COMPILE); // a facet, its normals fanning out
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    glVertex3f(-2, -2, 0);
    glNormal3f(0.6f, 0, 0.8f);
    glVertex3f(2, -2, 0);
    glNormal3f(0, 0.6f, 0.8f);
    glVertex3f(0, 2, 0);
    glEnd();
    glEndList();
    for (int level = 0; level < MODEL_LEVELS; ++level) {
        kept[size_t(level)] = modelTable[ROW_DIAMOND].lists[level];
        modelTable[ROW_DIAMOND].lists[level] = gemList;
    }
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, double(W) / H, 0.01, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(2.5, 0.5, 1.8, 2.5, 0.5, 1.5, 0, 1, 0);
    const GLfloat lamp[4] = {2.6f, 0.7f, 1.8f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
    Actor gem = at(2.5f, 0.5f, 1.5f, 0);
    std::vector<uint8_t> shown[2];
    for (int textures : {0, 2}) {
        record.textureMode = textures;
        glClearColor(0.2f, 0.4f, 0.1f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        diamondMaterial();
        diamondDraw(&gem);
        glFinish();
        shown[textures / 2] = readBack(GL_RGB, W, H);
    }
    record.textureMode = 0;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 0);
    for (int level = 0; level < MODEL_LEVELS; ++level) modelTable[ROW_DIAMOND].lists[level] = kept[size_t(level)];
    glDeleteLists(gemList, 1);
    size_t drawn = 0, differing = 0;
    for (size_t i = 0; i < shown[0].size(); i += 3) {
        drawn += shown[0][i] != 51 || shown[0][i + 1] != 102;
        for (size_t c = 0; c < 3; ++c) differing += std::abs(shown[0][i + c] - shown[1][i + c]) > 1;
    }
    EXPECT_GT(drawn, shown[0].size() / 3 / 20) << "the facet is not in view";
    EXPECT_EQ(differing, 0u);
}

// The four legs' directions from hip to foot, in drawing order, after walking a distance.
std::vector<std::vector<double>> legs(float distance) {
    horse.distance = distance;
    std::vector<std::vector<double>> out;
    for (const Drawn& d : marked(feedbackCapture([] { horseDraw(&horse); })))
        if (d.mark / 10 == ROW_FRONTLEG || d.mark / 10 == ROW_HINDLEG)
            out.push_back({d.line[1].x - d.line[0].x, d.line[1].y - d.line[0].y, d.line[1].z - d.line[0].z});
    return out;
}

// Standing, the four legs point one way; trotting, opposite swings of sin(1.5) * 7 degrees mirror
// each other about that direction, the diagonal legs swinging together.
TEST_F(Draw, HorseLegsSwingInDiagonalPairs) {
    auto still = legs(0), trot = legs(0.1f);
    ASSERT_EQ(still.size(), 4u);
    ASSERT_EQ(trot.size(), 4u);
    const double c = std::cos(std::sin(1.5) * 7 * M_PI / 180);
    for (int k = 0; k < 3; ++k) {
        for (int i = 1; i < 4; ++i)
            EXPECT_NEAR(still[0][k], still[i][k], 1e-5) << "a leg bends at distance 0";
        EXPECT_NEAR(trot[0][k], trot[3][k], 1e-5);
        EXPECT_NEAR(trot[1][k], trot[2][k], 1e-5);
        EXPECT_NEAR(trot[0][k] + trot[1][k], 2 * c * still[0][k], 1e-5);
    }
}

// Level, up or down, the flying arrow points the way it flies: its tip, 0.2 ahead, lies on its path,
// which goes 2 units along the heading for every sin(pitch) it sinks (flatter than the aim). The ready
// arrow, at the eye, is not drawn: looking down shows the floor.
TEST_F(Draw, ArrowPointsTheWayItFlies) {
    static Actor arrow;
    for (float pitch : {0.0f, 30.0f, -40.0f, 60.0f}) {
        SCOPED_TRACE(pitch);
        shotState = 1;
        arrow = at(2.5f, 0.5f, 1.5f, 90);
        arrow.pitch = pitch;
        auto drawn = marked(feedbackCapture([] { shotDraw(&arrow); }));
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].mark, arrowMark);
        ASSERT_EQ(drawn[0].line.size(), 2u);
        const FbVertex& tip = drawn[0].line[1];
        const double sinks = std::sin(pitch * M_PI / 180), along = 2, length = std::hypot(sinks, along);
        EXPECT_NEAR(tip.x, 2.5 + 0.2 * along / length, 1e-4);
        EXPECT_NEAR(tip.y, 0.5 - 0.2 * sinks / length, 1e-4);
        EXPECT_NEAR(tip.z, 1.5, 1e-4);
        EXPECT_EQ(shotState, 1);
    }
    shotState = 0;
    EXPECT_EQ(feedbackCapture([] { shotDraw(&arrow); }).size(), 0u);
}

TEST_F(Draw, HitExplodesForHalfASecond) {
    shotState = 1;
    explosionTime = 3;
    record.frameTime = 0.125f;
    shot = at(2.5f, 0.0f, 1.5f, 90); // on the floor
    const int frames[] = {1, 3, 5, 7, 8}; // sixteen frames a second, the last one held
    for (int i = 0; i < 5; ++i) {
        GLint bound;
        shotBurst(record.frameTime); // the step, then the drawing
        EXPECT_EQ(shotState, 2) << "frame " << i;
        shotDraw(&shot);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), imageTable[18 + frames[i]].textureId) << "frame " << i;
    }
    shotBurst(record.frameTime);
    EXPECT_EQ(shotState, 0) << "the next arrow is ready after half a second";
}

// The picture comes in the three frames after an invalidation, one for each colour buffer; the mask
// is written in the first and kept, as the game never clears the stencil in between. The two later
// pictures leave the opening to the scene.
TEST_F(Draw, LampIsDrawnInTheThreeFramesAfterAnInvalidation) {
    glViewport(0, 0, W, H);
    glEnable(GL_STENCIL_TEST);
    for (int round = 0; round < 2; ++round) {
        stencilValid = 0;
        std::vector<std::string> drawn;
        for (int i = 0; i < 5; ++i) {
            glClearColor(0, 1, 0, 0); // what the frame before left
            glClear(GL_COLOR_BUFFER_BIT);
            glClearColor(0, 0, 0, 0);
            lampLight();
            unsigned char brass[3], open[3], inside = 0, outside = 1;
            glReadPixels(10, 10, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, brass);
            glReadPixels(300, 200, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, open);
            glReadPixels(300, 200, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &inside);
            glReadPixels(10, 10, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &outside);
            const bool picture = brass[0] == 200 && brass[1] == 100 && brass[2] == 50;
            const bool openDrawn = open[0] == 200 && open[1] == 100 && open[2] == 50;
            drawn.push_back(std::string(picture ? "picture" : "-") + (openDrawn ? "+opening" : "") +
                            (inside == 1 && outside == 0 ? " mask" : " no mask"));
        }
        EXPECT_EQ(drawn, (std::vector<std::string>{"picture+opening mask", "picture mask", "picture mask",
                                                   "- mask", "- mask"}));
    }
    glDisable(GL_STENCIL_TEST);
}

// The box around each part of the map, told apart by colour: drawn as in the game, lit and with
// back faces culled, every square shows its colour at full value.
std::map<std::string, FbBox> mapParts() {
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    auto polys = feedbackPolygons(feedbackCapture([] { mapDraw(); }, FbView{-1000, 2000}));
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    std::map<std::string, FbBox> parts;
    for (const FbItem& p : polys) {
        const float* c = p.v[0].colour;
        const char* name = c[0] > 0.9f   ? (c[1] > 0.9f ? (c[2] > 0.9f ? "open" : "item") : "player")
                           : c[2] > 0.9f ? "horse"
                                         : "other";
        for (const FbVertex& v : p.v) parts[name].add(v);
    }
    return parts;
}

// The map centres the player, ten pixels a cell with oil cans and fifteen without, and turns so that
// the player's heading points up the map.
TEST_F(Draw, MapPlacesItsPartsAroundThePlayer) {
    actorInit(&modelTable[ROW_OILCAN].entities[0], player.x - 1, 0.05f, player.z, 0, 0, 0.01f);
    modelTable[ROW_OILCAN].count = 1;
    // clang-format off
    const struct { const char* name; float heading; int cans; const char* part; std::vector<long> place; }
    rows[] = {
        {"player with cans", 0, 5, "player", {-10, -10, 10, 10}},
        {"horse 2 cells towards +x", 0, 5, "horse", {30, -10, 50, 10}},
        {"item centred on the can", 0, 5, "item", {-25, -5, -15, 5}},
        {"horse turned to point up the map", 90, 5, "horse", {-10, 30, 10, 50}},
        {"player without cans", 90, 0, "player", {-15, -15, 15, 15}}};
    // clang-format on
    for (const auto& row : rows) {
        player.heading = row.heading, inventory[1] = row.cans;
        const FbBox b = mapParts()[row.part]; // left, bottom, right, top in half pixels from the player
        EXPECT_EQ((std::vector<long>{std::lround(2 * (b.lo[0] - mapX)), std::lround(2 * (b.lo[1] - mapY)),
                                     std::lround(2 * (b.hi[0] - mapX)), std::lround(2 * (b.hi[1] - mapY))}),
                  row.place)
            << row.name;
    }
    modelTable[ROW_OILCAN].count = 0;
    inventory[1] = 0;
}

TEST_F(Draw, MapTouchesOnlyItsBox) {
    freshView(W, H, 0, 0.4f);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    mapDraw();
    glDisable(GL_LIGHTING);
    const std::vector<unsigned char> rgb = readBack(GL_RGB, W, H);
    // 74 % .. 93.1 % of 600 and 71.5 % .. 94 % of 450, whole pixels.
    int wrong = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const unsigned char* p = &rgb[(size_t(y) * W + x) * 3];
            const bool cleared = p[0] == 102 && p[1] == 102 && p[2] == 102;
            wrong += cleared == (x >= 444 && x < 444 + 114 && y >= 321 && y < 321 + 101);
        }
    EXPECT_EQ(wrong, 0) << "pixels drawn outside the box or left untouched inside";
}

} // namespace

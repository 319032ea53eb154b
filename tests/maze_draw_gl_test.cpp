// The mine as GL draws it, read back through feedback: every floor, ceiling and wall square with
// the way it faces, the props, the door, portal culling and the catalogue loop; and one rendered
// frame from the start cell.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

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
#include "stdout_capture.h"

namespace {

// One drawn tile: its corners and the side its front faces.
struct Tile {
    int level; // the pass-through value the fake tile list carries: its level + 1
    std::vector<FbVertex> corners;
    double lo[3], hi[3];
    double normal[3];
};

// A fake tile for every level: a marker, the unit square of the floor model, a closing marker.
void makeFakeTiles() {
    for (int level = 0; level < 4; ++level) {
        if (modelTable[ROW_FLOOR].lists[level]) continue;
        GLuint list = glGenLists(1);
        glNewList(list, GL_COMPILE);
        glPassThrough(float(level + 1));
        glBegin(GL_QUADS);
        glNormal3f(0, 1, 0);
        glTexCoord2f(0, 0);
        glVertex3f(0, 0, 0);
        glTexCoord2f(0, 1);
        glVertex3f(0, 0, 1);
        glTexCoord2f(1, 1);
        glVertex3f(1, 0, 1);
        glTexCoord2f(1, 0);
        glVertex3f(1, 0, 0);
        glEnd();
        glPassThrough(-1);
        glEndList();
        modelTable[ROW_FLOOR].lists[level] = list;
    }
}

struct Frame {
    std::vector<Tile> tiles;
    std::vector<FbItem> loose; // polygons outside any tile: the props
};

Frame split(const std::vector<FbItem>& items) {
    Frame frame;
    Tile* open = nullptr;
    for (const FbItem& it : items) {
        if (it.token == GL_PASS_THROUGH_TOKEN) {
            if (it.pass > 0) {
                frame.tiles.push_back(Tile{int(it.pass), {}, {}, {}, {}});
                open = &frame.tiles.back();
            } else {
                open = nullptr;
            }
            continue;
        }
        if (it.token != GL_POLYGON_TOKEN) continue;
        if (!open) {
            frame.loose.push_back(it);
            continue;
        }
        if (open->corners.empty()) {
            const FbVertex &a = it.v[0], &b = it.v[1], &c = it.v[2];
            double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, w[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            open->normal[0] = u[1] * w[2] - u[2] * w[1];
            open->normal[1] = u[2] * w[0] - u[0] * w[2];
            open->normal[2] = u[0] * w[1] - u[1] * w[0];
            double len = std::sqrt(open->normal[0] * open->normal[0] + open->normal[1] * open->normal[1] +
                                   open->normal[2] * open->normal[2]);
            for (double& n : open->normal) n = std::round(n / len * 1e3) / 1e3;
        }
        for (const FbVertex& v : it.v) open->corners.push_back(v);
    }
    for (Tile& t : frame.tiles) {
        for (int k = 0; k < 3; ++k) t.lo[k] = 1e9, t.hi[k] = -1e9;
        for (const FbVertex& v : t.corners) {
            const double p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) t.lo[k] = std::min(t.lo[k], p[k]), t.hi[k] = std::max(t.hi[k], p[k]);
        }
    }
    return frame;
}

// A square by its kind and place: "floor x y", "ceiling x y", "wall X|Z <plane> <from> <faces +/->".
using Key = std::string;

Key keyOf(const Tile& t) {
    auto i = [](double v) { return std::to_string(std::lround(v)); };
    if (near(t.lo[1], t.hi[1], 1e-3)) {
        bool up = t.normal[1] > 0.5;
        return std::string(up ? "floor " : "ceiling ") + i(t.lo[0]) + " " + i(t.lo[2]) +
               (near(t.lo[1], up ? 0 : 1, 1e-3) ? "" : " at a wrong height");
    }
    if (near(t.lo[0], t.hi[0], 1e-3))
        return "wall X " + i(t.lo[0]) + " " + i(t.lo[2]) + (t.normal[0] > 0.5 ? " +" : " -");
    if (near(t.lo[2], t.hi[2], 1e-3))
        return "wall Z " + i(t.lo[2]) + " " + i(t.lo[0]) + (t.normal[2] > 0.5 ? " +" : " -");
    return "slanted";
}

// The squares the mine must show: floor and ceiling of every open cell, and a wall facing into
// the open cell on every side it shares with rock, but none on the exit cell's +x side.
std::map<Key, int> expectedSquares(const std::set<std::pair<int, int>>* only = nullptr) {
    std::map<Key, int> want;
    const int n = maze.size;
    auto s = [](int v) { return std::to_string(v); };
    for (int x = 0; x <= n; ++x)
        for (int y = 0; y <= n; ++y) {
            if (!mazeIsOpen(&maze, x, y)) continue;
            if (only && !only->count({x, y})) continue;
            want["floor " + s(x) + " " + s(y)]++;
            want["ceiling " + s(x) + " " + s(y)]++;
            if (!mazeIsOpen(&maze, x + 1, y) && !(x == n - 1 && y == n - 1))
                want["wall X " + s(x + 1) + " " + s(y) + " -"]++;
            if (!mazeIsOpen(&maze, x - 1, y)) want["wall X " + s(x) + " " + s(y) + " +"]++;
            if (!mazeIsOpen(&maze, x, y + 1)) want["wall Z " + s(y + 1) + " " + s(x) + " -"]++;
            if (!mazeIsOpen(&maze, x, y - 1)) want["wall Z " + s(y) + " " + s(x) + " +"]++;
        }
    return want;
}

class MazeDraw : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        glTestContext(400, 300);
        record.textureMode = 0;
        record.lodLevel = 0;
        record.itemsPerKind = 0;
        record.mazeSize = 8;
        randomSeed(1);
        clearItemInstances();
        {
            StdoutCapture quiet;
            mazeBuild(&maze, 8);
        }
        makeFakeTiles();
    }
    void SetUp() override {
        portalCulling = 0;
        record.lodLevel = 0;
        actorInit(&player, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
        actorInit(&exitDoor, 8, 0, 7, 0, 90, 0.07f); // swung fully out, clear of the exit's side
    }
    static Frame drawFrame() {
        return split(feedbackCapture([] { mazeDraw(&maze, &player); }));
    }
    static std::map<Key, int> squaresOf(const Frame& f, bool withDoor = false) {
        std::map<Key, int> got;
        for (size_t i = 0; i + (withDoor ? 0 : 1) < f.tiles.size(); ++i) got[keyOf(f.tiles[i])]++;
        return got;
    }
};

TEST_F(MazeDraw, EveryOpenSideGetsItsSquareOnceFacingTheOpenCell) {
    Frame f = drawFrame();
    ASSERT_FALSE(f.tiles.empty());
    EXPECT_EQ(squaresOf(f), expectedSquares());
}

TEST_F(MazeDraw, ExitSideHasTheDoorInsteadOfAWall) {
    exitDoor.pitch = 0;
    Frame f = drawFrame();
    std::map<Key, int> got = squaresOf(f);
    EXPECT_EQ(got.count("wall X 8 7 -"), 0u) << "a wall closes the way out";
    ASSERT_FALSE(f.tiles.empty());
    EXPECT_EQ(keyOf(f.tiles.back()), "wall X 8 7 -")
        << "the closed door stands on the exit's side, facing in";
}

TEST_F(MazeDraw, DoorSwingsOutAboutItsHinge) {
    for (float pitch : {0.0f, 30.0f, 90.0f}) {
        SCOPED_TRACE(pitch);
        exitDoor.pitch = pitch;
        Frame f = split(feedbackCapture([] { doorDraw(&exitDoor); }));
        ASSERT_EQ(f.tiles.size(), 1u);
        const double p = pitch * M_PI / 180;
        std::set<std::tuple<long, long, long>> corners, want;
        for (const FbVertex& v : f.tiles[0].corners)
            corners.insert({std::lround(v.x * 1e3), std::lround(v.y * 1e3), std::lround(v.z * 1e3)});
        for (int y = 0; y <= 1; ++y) {
            want.insert({8000, y * 1000, 7000});
            want.insert(
                {std::lround((8 + std::sin(p)) * 1e3), y * 1000, std::lround((7 + std::cos(p)) * 1e3)});
        }
        EXPECT_EQ(corners, want);
    }
}

TEST_F(MazeDraw, PropsStandInCorridorCellsOnly) {
    const size_t perProp = feedbackPolygons(feedbackCapture([] { woodDrawAcrossX(0, 0); })).size();
    ASSERT_GT(perProp, 0u);
    Frame f = drawFrame();
    std::map<std::pair<int, int>, size_t> perCell;
    for (const FbItem& p : f.loose) {
        double cx = 0, cz = 0;
        for (const FbVertex& v : p.v) cx += v.x, cz += v.z;
        perCell[{int(std::floor(cx / p.v.size())), int(std::floor(cz / p.v.size()))}]++;
    }
    std::map<std::pair<int, int>, size_t> want;
    for (int x = 0; x <= maze.size; ++x)
        for (int y = 0; y <= maze.size; ++y) {
            if (!mazeIsOpen(&maze, x, y)) continue;
            size_t props = 0;
            if (!mazeIsOpen(&maze, x - 1, y) && !mazeIsOpen(&maze, x + 1, y)) ++props;
            if (!mazeIsOpen(&maze, x, y - 1) && !mazeIsOpen(&maze, x, y + 1)) ++props;
            if (props) want[{x, y}] = props * perProp;
        }
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(perCell, want);
}

TEST_F(MazeDraw, PortalCullingDrawsOnlyCellsWithinTwoTurns) {
    portalCulling = 1;
    // The cells seen from (1, 1) in this maze: at most three straight runs.
    const std::set<std::pair<int, int>> seen = {{1, 1}, {2, 1}, {3, 1}, {5, 1}, {1, 2}, {5, 2}, {1, 3},
                                                {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}, {1, 4},
                                                {7, 4}, {1, 5}, {2, 5}, {3, 5}, {7, 5}, {3, 6}, {3, 7}};
    Frame f = drawFrame();
    std::map<Key, int> got = squaresOf(f);
    EXPECT_EQ(got, expectedSquares(&seen));
    EXPECT_EQ(got.count("floor 6 1"), 0u) << "(6, 1) lies three turns away";

    portalCulling = 0;
    EXPECT_EQ(squaresOf(drawFrame()), expectedSquares()) << "switching culling off draws everything again";
}

TEST_F(MazeDraw, TilesAndDoorFollowTheFixedLevel) {
    record.lodLevel = 2;
    record.distanceLod = 1;
    Frame f = drawFrame();
    record.distanceLod = 0;
    ASSERT_FALSE(f.tiles.empty());
    for (const Tile& t : f.tiles) EXPECT_EQ(t.level, 3) << keyOf(t);

    record.lodLevel = 7; // a damaged record: level 0, not a list from past the table
    f = drawFrame();
    ASSERT_FALSE(f.tiles.empty());
    for (const Tile& t : f.tiles) EXPECT_EQ(t.level, 1) << keyOf(t);
}

TEST_F(MazeDraw, MaterialsBindTheirTextureAndSetDiffuseAndAmbient) {
    imgFloor.textureId = 11;
    imgWall.textureId = 12;
    imgWood.textureId = 13;
    struct Case {
        void (*apply)();
        GLint texture;
        GLfloat diffuse[4];
    };
    const Case cases[] = {{floorMaterial, 11, {0.8f, 0.99f, 0.8f, 1}},
                          {ceilingMaterial, 11, {0.8f, 0.99f, 0.99f, 1}},
                          {wallMaterial, 12, {0.99f, 0.8f, 0.8f, 0.1f}},
                          {[] { doorDraw(&exitDoor); }, 13, {0.99f, 0.99f, 0.99f, 1}}};
    for (int mode : {0, 1}) {
        record.textureMode = mode;
        for (const Case& c : cases) {
            glEnable(GL_TEXTURE_2D);
            glDisable(GL_TEXTURE_2D);
            const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 0.5f};
            glMaterialfv(GL_FRONT, GL_AMBIENT, grey);
            c.apply();
            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            GLfloat diffuse[4], ambient[4];
            glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
            glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
            EXPECT_EQ(bound, c.texture);
            EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), mode ? GL_TRUE : GL_FALSE) << "texturing as the mode asks";
            for (int k = 0; k < 4; ++k) {
                EXPECT_FLOAT_EQ(diffuse[k], c.diffuse[k]);
                EXPECT_FLOAT_EQ(ambient[k], k == 3 ? 1.0f : 0.0f);
            }
        }
    }
    record.textureMode = 0;
    glBindTexture(GL_TEXTURE_2D, 0);
    imgFloor.textureId = imgWall.textureId = imgWood.textureId = 0;
}

std::vector<std::string> rowLog;
void logMaterial0() {
    rowLog.push_back("material 0");
}
void logMaterial2() {
    rowLog.push_back("material 2");
}
void logDraw(const Actor* a) {
    rowLog.push_back("draw " + std::to_string(int(a->x)));
}

TEST_F(MazeDraw, InstancesDrawRowByRowWithTheMaterialFirst) {
    ModelEntry saved[MODEL_ROWS];
    std::copy(modelTable, modelTable + MODEL_ROWS, saved);
    for (ModelEntry& row : modelTable) row.count = 0, row.applyMaterial = nullptr, row.drawEntity = nullptr;
    modelTable[0].applyMaterial = logMaterial0; // a row without instances still sets its material
    modelTable[2].applyMaterial = logMaterial2;
    modelTable[2].drawEntity = logDraw;
    modelTable[2].count = 2;
    modelTable[2].entities[0].x = 5;
    modelTable[2].entities[1].x = 6;
    modelTable[3].drawEntity = logDraw; // no instances: never called
    rowLog.clear();
    drawAllInstances();
    std::copy(saved, saved + MODEL_ROWS, modelTable);
    EXPECT_EQ(rowLog, (std::vector<std::string>{"material 0", "material 2", "draw 5", "draw 6"}));
}

TEST_F(MazeDraw, StartViewShowsFloorWallsAndProps) {
    // Textures of plain noise so that the lit squares are not flat colours.
    record.textureMode = 1;
    for (TgaImage* img : {&imgFloor, &imgWall, &imgWood}) {
        tgaCreate(img, 24, 64, 64);
        uint32_t seed = uint32_t(img - imageTable);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                seed = seed * 1103515245u + 12345u;
                int v = 120 + int((seed >> 16) % 100);
                uint32_t c =
                    img == &imgWood ? uint32_t((v / 3) << 16 | (v * 2 / 3) << 8 | v) : uint32_t(v * 0x010101);
                tgaSetPixel(img, x, y, int32_t(c));
            }
        textureUpload(img);
    }
    const int w = 400, h = 300;
    glViewport(0, 0, w, h);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glClearColor(1, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, double(w) / h, 0.05, 16.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(player.pitch, 1, 0, 0);
    glRotatef(player.heading, 0, 1, 0);
    glTranslatef(-player.x, -player.y, -player.z);
    const GLfloat lamp[4] = {player.x, player.y, player.z, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    mazeDraw(&maze, &player);
    glFinish();
    std::vector<unsigned char> pixels(w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    record.textureMode = 0;
    glDisable(GL_LIGHTING);

    // Kept for a look: build-folder/maze_start_view.ppm.
    if (FILE* out = fopen("maze_start_view.ppm", "wb")) {
        fprintf(out, "P6 %d %d 255\n", w, h);
        for (int y = h - 1; y >= 0; --y) fwrite(&pixels[size_t(y) * w * 3], 1, size_t(w) * 3, out);
        fclose(out);
    }
    std::set<uint32_t> colours;
    size_t background = 0;
    for (size_t i = 0; i < pixels.size(); i += 3) {
        colours.insert(pixels[i] << 16 | pixels[i + 1] << 8 | pixels[i + 2]);
        if (pixels[i] == 255 && pixels[i + 1] == 0 && pixels[i + 2] == 0) ++background;
    }
    EXPECT_GT(colours.size(), 100u) << "the view is flat";
    EXPECT_LT(background, pixels.size() / 3 / 20) << "the mine leaves holes in the view";
    // The floor fills the bottom middle, the ceiling the top middle: both lit, neither background.
    auto at = [&](int x, int y) { return &pixels[(size_t(y) * w + x) * 3]; };
    EXPECT_FALSE(at(w / 2, 5)[0] == 255 && at(w / 2, 5)[1] == 0);
    EXPECT_FALSE(at(w / 2, h - 5)[0] == 255 && at(w / 2, h - 5)[1] == 0);
}

} // namespace

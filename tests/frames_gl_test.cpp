// SPDX-License-Identifier: GPL-3.0-or-later
// The game frame keeps its picture: at fixed frames of the timedemo's walk (maze 66, 1024 x 768)
// the frame the game draws is compared with the same frame drawn the plain way, as the game drew
// it before its frames were made cheaper: the lamp frame redrawn, blending on throughout, the mine
// part by part over the whole grid (floors, ceilings, walls, props, door, instances; x outer, y
// inner) with nothing left out but what portal culling leaves out, and the whole grid on the map.
// At most 0.5 % of the pixels may differ by more than 8 of 255 in a colour channel (the depth
// test's ties where two squares meet). Under each rendering switch in turn.
#include <gtest/gtest.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "Wood/wood.h"
#include "app/game_frame.h"
#include "app/game_state.h"
#include "app/input.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timedemo.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/rider.h"
#include "image/picture.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "maze/maze_draw.h"
#include "scene/creatures.h"
#include "scene/lamp.h"
#include "text/font.h"
#include "text/hud.h"
#include "gl_context.h"
#include "output_capture.h"

namespace {

const int W = 1024, H = 768;

int64_t walkClock;
int64_t walkCounter() {
    return walkClock;
}

// ---- The frame drawn the plain way.

bool openAt(int x, int y) {
    return mazeIsOpen(&maze, x, y) != 0;
}

bool seenAt(int x, int y) {
    return mazeIsVisible(&maze, x, y) != 0;
}

void plainMine() {
    const int n = maze.size;
    if (portalCulling) mazeUpdateVisibility(&maze, int(player.x), int(player.z));
    floorMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (openAt(x, y) && seenAt(x, y)) drawFloorTile(float(x), float(y));
    mazeCeilingMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (openAt(x, y) && seenAt(x, y)) drawCeilingTile(float(x), float(y));
    mazeWallMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            if (openAt(x, y) && !openAt(x, y + 1) && seenAt(x, y)) drawWallFacingNegY(float(x), float(y));
            if (!openAt(x, y) && openAt(x, y + 1) && seenAt(x, y + 1)) drawWallFacingPosY(float(x), float(y));
            if (openAt(x, y) && !openAt(x + 1, y) && seenAt(x, y) && !(x == n - 1 && y == n - 1))
                drawWallFacingNegX(float(x), float(y));
            if (!openAt(x, y) && openAt(x + 1, y) && seenAt(x + 1, y)) drawWallFacingPosX(float(x), float(y));
        }
    glBindTexture(GL_TEXTURE_2D, imgWood.textureId);
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            if (!openAt(x, y) || !seenAt(x, y)) continue;
            if (!openAt(x + 1, y) && !openAt(x - 1, y)) woodDrawAcrossX(float(x), float(y) + 0.5f);
            if (!openAt(x, y + 1) && !openAt(x, y - 1)) woodDrawAcrossY(float(x) + 0.5f, float(y + 1));
        }
    mazeDrawDoor(&exitDoor);
    drawAllInstances();
}

void plainMapSquare(float x0, float y0, float x1, float y1) {
    glVertex3f(x0, y0, 1);
    glVertex3f(x0, y1, 1);
    glVertex3f(x1, y1, 1);
    glVertex3f(x1, y0, 1);
}

// The map with every open cell of the grid (its box cuts the picture).
void plainMap() {
    const Stage st = recordStage();
    const int w = st.width, h = st.height, n = maze.size;
    const float px = player.x, pz = player.z;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(st.x + int(w * 0.74), st.y + int(h * 0.715), int(w * 0.191), int(h * 0.225));
    glPushMatrix();
    glColor4f(0, 0, 0, 0.1f);
    glBegin(GL_QUADS);
    plainMapSquare(0, 0, float(w), float(h));
    glEnd();
    const float s = (15.0f - inventory[1]) * float(w) / 600.0f;
    glTranslatef(float(w * 0.83), float(h * 0.82), 0);
    glRotatef(player.heading, 0, 0, 1);
    glScalef(s, s, 1);
    glBegin(GL_QUADS);
    glColor4f(0.99f, 0.99f, 0.99f, 99.0f);
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            if (openAt(i, j)) plainMapSquare(i - px, -(j - pz), i + 1 - px, -(j + 1 - pz));
    glColor4f(0, 1, 0, 1);
    plainMapSquare(n - px, -((n - 1) - pz), n + 1 - px, -(n - pz));
    glColor4f(0, 0, 1, 1);
    plainMapSquare(horse.x - 0.5f - px, -(horse.z - 0.5f - pz), horse.x + 0.5f - px, -(horse.z + 0.5f - pz));
    glColor4f(1, 0, 0, 0.1f);
    plainMapSquare(-0.5f, -0.5f, 0.5f, 0.5f);
    glColor4f(1, 1, 0, 1);
    for (int row = 0; row <= ROW_FLOOR; ++row)
        for (int i = 0; i < modelTable[row].count && i < MAX_INSTANCES; ++i) {
            const Actor& e = modelTable[row].entities[i];
            plainMapSquare(e.x - 0.25f - px, -(e.z - 0.25f - pz), e.x + 0.25f - px, -(e.z + 0.25f - pz));
        }
    glEnd();
    glPopMatrix();
    glLoadIdentity();
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    if (backfaceCull) glEnable(GL_CULL_FACE);
    restoreTexturing();
}

// The lamp frame as pixel blocks: the picture, its labels, and the mask written into the stencil.
void plainLamp() {
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glStencilFunc(GL_ALWAYS, 1, 1);
    drawPicture(&imgStencilFit);
    lampDrawLabels();
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    drawPicture(&imgStencilMask);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    restoreTexturing();
}

void plainFrame() {
    static const float green[4] = {0, 1, 0, 1}, red[4] = {1, 0, 0, 1}, white[4] = {1, 1, 1, 0};
    const Stage st = recordStage();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    restoreTexturing();
    plainLamp();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(record.fieldOfView, double(st.width) / double(st.height), 0.05, 16.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(player.pitch, 1, 0, 0);
    glRotatef(player.heading, 0, 1, 0);
    glTranslatef(-player.x, -player.y, -player.z);
    const float lamp[4] = {player.x, player.y + sinf(player.distance * 8) * 0.06f, player.z, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    plainMine();
    horseDraw(&horse);
    mazeDrawTranslucentInstances();
    shotDraw(&shot);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, st.width, 0, st.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    plainMap();
    glEnable(GL_TEXTURE_2D);
    if (record.shadeMode == 0) {
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glColor4f(0, 0, 0, 1);
        glRectf(0, 0, float(st.width), 0.13f * float(st.height));
        glEnable(GL_LIGHTING);
        restoreTexturing();
    }
    const float full = float(record.fullLevel);
    drawCounter(0.12f, 0.035f, int(itemsOilLeft() + 0.5f), itemsOilLeft() >= full ? green : red);
    drawCounter(0.29f, 0.035f, int(itemsStrawLeft() + 0.5f), itemsStrawLeft() >= full ? green : red);
    drawCounter(0.46f, 0.035f, int(inventory[ROW_DIAMOND] + 0.5f),
                inventory[ROW_DIAMOND] >= float(record.diamondsNeeded) ? green : red);
    hudDrawText(0.53f, 0.035f, riderLabel(), white);
    drawFps(0.01f, 0.2f, record.fps, white);
    applyShadeMode();
    glFinish();
}

// ---- The walk.

class Frames : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("KAVERNIX_DATA", KX_RUN_DIR, 1);
        pathInit();
        memset(&record, 0, sizeof record);
        record.windowWidth = record.windowedWidth = W;
        record.windowHeight = record.windowedHeight = H;
        record.shadeMode = 2, record.textureMode = 2, record.fieldOfView = 60, record.running = 1;
        record.mazeSize = 66, record.itemsPerKind = 9, record.fullLevel = 4, record.strawDistance = 20;
        record.oilSeconds = 60, record.modelSource = 2, record.useDisplayLists = 1, record.lodLevel = 2;
        record.distanceLod = 1, record.mouseSpeed = 5;
        timedemoPrepare();
        OutputCapture quiet;
        int argc = 1;
        char arg0[] = "test";
        char* argv[] = {arg0, nullptr};
        glutInit(&argc, argv);
        startupLoadData();
        startupOpenWindow();
        modelTableCompile();
        glutDisplayFunc([] {});
        for (int i = 0; i < 20; i++) glutMainLoopEvent();
        picturesResize(W, H);
    }

    // The walk from its start: the game entered as the timedemo enters it.
    void SetUp() override {
        walkClock = 0;
        timingSetCounter(walkCounter);
        portalCulling = 1;
        enterGame();
        inventory[ROW_OILCAN] = inventory[ROW_STRAW] = float(record.fullLevel);
        inputUse(INPUT_TIMEDEMO);
        glViewport(0, 0, W, H);
    }
};

// The share of pixels, in percent, whose largest channel difference is more than 8.
double differingPercent(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t differ = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        int most = 0;
        for (int k = 0; k < 3; k++) most = std::max(most, std::abs(int(a[i + k]) - int(b[i + k])));
        differ += most > 8;
    }
    return 100.0 * double(differ) / double(a.size() / 3);
}

struct Switches {
    const char* name;
    int shade, texture, portals, lists, lod;
};

} // namespace

// The lamp frame the game draws is the pixel blocks' pixel for pixel, in the colours and in the
// stencil, under the switches that change how polygons are drawn, after each new fit, with its
// texels made ahead or not.
TEST_F(Frames, TheLampFrameIsThePixelBlocksPixelForPixel) {
    static const Switches table[] = {
        {"smooth, mipmaps", 2, 2, 1, 1, 2},
        {"wireframe", 0, 2, 1, 1, 2},
        {"flat, no textures", 1, 0, 1, 1, 2},
    };
    static const int sizes[][2] = {{W, H}, {W / 2, H / 2}, {W, H}};
    for (const auto& size : sizes)
        for (const Switches& sw : table) {
            const int w = size[0], h = size[1];
            SCOPED_TRACE(std::string(sw.name) + " at " + std::to_string(w) + " x " + std::to_string(h));
            record.shadeMode = sw.shade, record.textureMode = sw.texture;
            record.windowWidth = w, record.windowHeight = h;
            // Texels made ahead for the fit before (stale after the resize) or for this one.
            if (sw.shade == 0) lampPrepare();
            picturesResize(w, h);
            if (sw.shade == 2) lampPrepare();
            glViewport(0, 0, w, h);
            applyShadeMode();
            if (applyTextureMode()) fontBuildLists(&imgFont);
            glClear(GL_DEPTH_BUFFER_BIT);
            stencilValid = 0;
            lampLight();
            glFinish();
            const std::vector<uint8_t> colours = readBack(GL_RGB, w, h);
            const std::vector<uint8_t> stencil = readBack(GL_STENCIL_INDEX, w, h);
            glClear(GL_DEPTH_BUFFER_BIT);
            plainLamp();
            glFinish();
            const std::vector<uint8_t> plainColours = readBack(GL_RGB, w, h);
            const std::vector<uint8_t> plainStencil = readBack(GL_STENCIL_INDEX, w, h);
            size_t open = 0, colourDiffers = 0, stencilDiffers = 0;
            for (size_t i = 0; i < plainStencil.size(); i++) {
                open += plainStencil[i] == 1;
                stencilDiffers += stencil[i] != plainStencil[i];
            }
            for (size_t i = 0; i < plainColours.size(); i++) colourDiffers += colours[i] != plainColours[i];
            EXPECT_GT(open, plainStencil.size() / 10) << "the opening is missing";
            EXPECT_LT(open, plainStencil.size() * 3 / 4) << "the opening is the whole stage";
            EXPECT_EQ(colourDiffers, 0u);
            EXPECT_EQ(stencilDiffers, 0u);
        }
    record.shadeMode = 2, record.textureMode = 2;
    record.windowWidth = W, record.windowHeight = H;
    applyShadeMode();
    if (applyTextureMode()) fontBuildLists(&imgFont);
}

TEST_F(Frames, TheGameFrameKeepsThePlainPictureUnderEverySwitch) {
    static const Switches table[5] = {
        {"smooth, mipmaps, portals, lists", 2, 2, 1, 1, 2},
        {"wireframe", 0, 2, 1, 1, 2},
        {"flat, no textures", 1, 0, 1, 1, 2},
        {"linear textures, no portals", 2, 1, 0, 1, 2},
        {"no lists, detail level 0", 2, 2, 1, 0, 0},
    };
    // One pinned frame of the walk under each switch, in the walk's order.
    const int pinned[] = {90, 160, 300, 450, 520};
    int frame = 0;
    for (size_t i = 0; i < 5; i++) {
        const Switches& sw = table[i];
        SCOPED_TRACE(sw.name);
        record.shadeMode = sw.shade, record.textureMode = sw.texture, record.useDisplayLists = sw.lists;
        record.lodLevel = sw.lod;
        portalCulling = sw.portals;
        applyShadeMode();
        if (applyTextureMode()) fontBuildLists(&imgFont);
        float heading = 0, pitch = 0;
        for (; frame <= pinned[i]; frame++) {
            walkClock += monotonicFrequency / 30;
            inputHold(ACTION_WALK_OUT, 1);
            gameIdle();
            // Drawn as the timedemo draws it, looking around: the fade-in (two seconds), and the
            // frames before each pinned one.
            heading = player.heading, pitch = player.pitch;
            const float t = float(frame) / 30.0f;
            player.heading = fmodf(heading + 70.0f * sinf(t * 0.9f) + 360.0f, 360.0f);
            player.pitch = 12.0f * sinf(t * 1.7f);
            if (frame < 80 || frame + 3 > pinned[i]) gameDisplay();
            if (frame < pinned[i]) player.heading = heading, player.pitch = pitch;
        }
        glFinish();
        glReadBuffer(GL_BACK); // as the swap left it: the frame just shown
        const std::vector<uint8_t> game = readBack(GL_RGB, W, H);
        plainFrame();
        const std::vector<uint8_t> plain = readBack(GL_RGB, W, H);
        stencilValid = 0;
        for (int k = 0; k < 3; k++) gameDisplay(); // the lamp frame again in both buffers
        player.heading = heading, player.pitch = pitch;
        size_t lit = 0;
        for (uint8_t c : plain) lit += c > 40;
        ASSERT_GT(lit, plain.size() / 10) << "the plain frame at " << pinned[i] << " is dark";
        EXPECT_LE(differingPercent(game, plain), 0.5) << "frame " << pinned[i];
    }
}

// The lamp frame is kept from frame to frame, not drawn again: what shows over the scene for a while
// (the frame counter, the pause hint, a fade) stays inside its opening, so that once it has gone the
// frame is the one drawn before, brass and all.
TEST_F(Frames, TheBrassComesBackAfterEachOverlay) {
    for (int frame = 0; frame < 80; frame++) { // past the fade-in
        walkClock += monotonicFrequency / 30;
        inputHold(ACTION_WALK_OUT, 1);
        gameIdle();
        gameDisplay();
    }
    // Drawn again as the same step, not an expose.
    auto draw = [] {
        frameDrawn = 0;
        gameDisplay();
        glFinish();
        glReadBuffer(GL_BACK);
        return readBack(GL_RGB, W, H);
    };
    stencilValid = 0;
    for (int k = 0; k < 3; k++) draw();
    const std::vector<uint8_t> kept = draw();
    struct Overlay {
        const char* name;
        void (*on)();
        void (*off)();
    };
    static const Overlay overlays[] = {
        {"frame counter", [] { record.showFps = 1; }, [] { record.showFps = 0; }},
        {"pause hint", [] { record.running = 0; }, [] { record.running = 1; }},
        {"fade", [] { gameState.fadeState = 1, gameState.fadeLevel = 40; },
         [] { gameState.fadeState = 0; }},
    };
    for (const Overlay& o : overlays) {
        SCOPED_TRACE(o.name);
        o.on();
        std::vector<uint8_t> shown;
        for (int k = 0; k < 5; k++) shown = draw();
        EXPECT_GT(differingPercent(shown, kept), 0.05) << "the overlay is not seen";
        o.off();
        for (int k = 0; k < 2; k++) draw();
        EXPECT_EQ(differingPercent(draw(), kept), 0.0);
    }
}


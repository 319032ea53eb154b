// SPDX-License-Identifier: GPL-3.0-or-later
// How often each pixel of a game frame is written, stage by stage: the timedemo's walk (maze 66,
// 1024 x 768, portal culling and display lists on, trilinear textures, smooth shading) is stepped
// in this process and at every 30th of its first 600 frames each stage of the frame is drawn on
// its own inside an occlusion query. "written" counts the fragments that passed the depth and
// stencil tests (the pixels the stage wrote), "made" the fragments its primitives produced before
// any test, both per pixel of the window. The scene's stages are counted in the order the game
// draws them (nearest first) and in the plain order (floors, ceilings, walls, props, door,
// instances; x outer, y inner), which the mine was drawn in before.
//
// Prints one table (stages in rows) and exits; works in a temporary copy of the run folder.
#define GL_GLEXT_PROTOTYPES 1
#include "bench_util.h"

#include <GL/freeglut.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Wood/wood.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timedemo.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "image/texture.h"
#include "maze/maze.h"
#include "maze/maze_draw.h"
#include "scene/creatures.h"
#include "scene/lamp.h"
#include "text/hud.h"

namespace {

const int W = 1024, H = 768;

int64_t demoClock;
int64_t demoCounter() {
    return demoClock;
}

void fillRecord() {
    memset(&record, 0, sizeof record);
    record.windowWidth = record.windowedWidth = W;
    record.windowHeight = record.windowedHeight = H;
    record.shadeMode = 2;
    record.textureMode = 2;
    record.fieldOfView = 60;
    record.running = 1;
    record.mouseSpeed = 5;
    record.mazeSize = 66;
    record.itemsPerKind = 9;
    record.fullLevel = 4;
    record.strawDistance = 20;
    record.oilSeconds = 60;
    record.modelSource = 2;
    record.useDisplayLists = 1;
    record.lodLevel = 2;
    record.distanceLod = 1;
    for (int i = 0; i < 5; ++i) record.hallTimes[i] = 30000;
}

// The mine in the plain order it was drawn in before: every part over the whole grid, x outer.
bool openAt(int x, int y) {
    return mazeIsOpen(&maze, x, y) != 0;
}

bool seenAt(int x, int y) {
    return mazeIsVisible(&maze, x, y) != 0;
}

void plainFloorsOrCeilings(bool ceilings) {
    const int n = maze.size;
    ceilings ? mazeCeilingMaterial() : floorMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (openAt(x, y) && seenAt(x, y)) {
                if (ceilings)
                    drawCeilingTile(float(x), float(y));
                else
                    drawFloorTile(float(x), float(y));
            }
}

void plainWalls() {
    const int n = maze.size;
    mazeWallMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            if (openAt(x, y) && !openAt(x, y + 1) && seenAt(x, y)) drawWallFacingNegY(float(x), float(y));
            if (!openAt(x, y) && openAt(x, y + 1) && seenAt(x, y + 1)) drawWallFacingPosY(float(x), float(y));
            if (openAt(x, y) && !openAt(x + 1, y) && seenAt(x, y) && !(x == n - 1 && y == n - 1))
                drawWallFacingNegX(float(x), float(y));
            if (!openAt(x, y) && openAt(x + 1, y) && seenAt(x + 1, y)) drawWallFacingPosX(float(x), float(y));
        }
}

void plainProps() {
    const int n = maze.size;
    glBindTexture(GL_TEXTURE_2D, imgWood.textureId);
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            if (!openAt(x, y) || !seenAt(x, y)) continue;
            if (!openAt(x + 1, y) && !openAt(x - 1, y)) woodDrawAcrossX(float(x), float(y) + 0.5f);
            if (!openAt(x, y + 1) && !openAt(x, y - 1)) woodDrawAcrossY(float(x) + 0.5f, float(y + 1));
        }
}

enum Stage {
    LAMP,
    INSTANCES,
    PROPS,
    DOOR,
    WALLS,
    FLOORS,
    CEILINGS,
    HORSE,
    DIAMONDS,
    SHOT,
    MAP,
    COUNTERS,
    STATUS,
    STAGES
};
const char* const stageName[STAGES] = {"lamp frame (3 frames after a change)",
                                       "items (spiders, oil, straw)",
                                       "props",
                                       "door",
                                       "walls",
                                       "floors",
                                       "ceilings",
                                       "horse",
                                       "diamonds (no depth written)",
                                       "arrow",
                                       "map",
                                       "counters and their grounds",
                                       "status text and its ground"};
const Stage plainOrder[] = {FLOORS, CEILINGS, WALLS, PROPS, DOOR, INSTANCES, HORSE, DIAMONDS, SHOT};
const Stage nearFirst[] = {INSTANCES, PROPS, DOOR, WALLS, FLOORS, CEILINGS, HORSE, DIAMONDS, SHOT};

GLuint query;
double written[2][STAGES], made[2][STAGES];

void drawStage(Stage s, bool plain) {
    switch (s) {
    case INSTANCES:
        drawAllInstances();
        break;
    case PROPS:
        plain ? plainProps() : mazeDrawProps(&maze);
        break;
    case DOOR:
        mazeDrawDoor(&exitDoor);
        break;
    case WALLS:
        plain ? plainWalls() : mazeDrawWalls(&maze);
        break;
    case FLOORS:
        plain ? plainFloorsOrCeilings(false) : mazeDrawFloors();
        break;
    case CEILINGS:
        plain ? plainFloorsOrCeilings(true) : mazeDrawCeilings();
        break;
    case HORSE:
        horseDraw(&horse);
        break;
    case DIAMONDS:
        mazeDrawTranslucentInstances();
        break;
    case SHOT:
        shotDraw(&shot);
        break;
    default:
        break;
    }
}

// The squares and props of the game's order are drawn only through the lamp frame's boxes.
void drawStageInBoxes(Stage s, bool plain) {
    if (plain || s == INSTANCES || s == DOOR || s > CEILINGS) {
        drawStage(s, plain);
        return;
    }
    int boxes[lampMaxBoxes][4];
    const int count = lampOpeningBoxes(boxes);
    glEnable(GL_SCISSOR_TEST);
    for (int i = 0; i < count; i++) {
        glScissor(boxes[i][0], boxes[i][1], boxes[i][2], boxes[i][3]);
        drawStage(s, plain);
    }
    glDisable(GL_SCISSOR_TEST);
}

GLuint counted(void (*draw)(Stage, bool), Stage s, bool plain) {
    GLuint samples = 0;
    glBeginQuery(GL_SAMPLES_PASSED, query);
    draw(s, plain);
    glEndQuery(GL_SAMPLES_PASSED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    return samples;
}

void camera() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(record.fieldOfView, double(W) / double(H), 0.05, 16.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(player.pitch, 1, 0, 0);
    glRotatef(player.heading, 0, 1, 0);
    glTranslatef(-player.x, -player.y, -player.z);
    const float lamp[4] = {player.x, player.y + sinf(player.distance * 8) * 0.06f, player.z, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
}

void windowProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, W, 0, H);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The scene in one order: each stage's written fragments, then (tests off, nothing written) the
// fragments it made.
void countScene(int order) {
    const Stage* stages = order == 0 ? plainOrder : nearFirst;
    glClear(GL_DEPTH_BUFFER_BIT);
    camera();
    mazeDrawPrepare(&maze, &player);
    for (int i = 0; i < 9; i++) written[order][stages[i]] += counted(drawStageInBoxes, stages[i], order == 0);
    glColorMask(0, 0, 0, 0);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_STENCIL_TEST);
    for (int i = 0; i < 9; i++) made[order][stages[i]] += counted(drawStageInBoxes, stages[i], order == 0);
    glEnable(GL_STENCIL_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glColorMask(1, 1, 1, 1);
}

void overlays(Stage s, bool) {
    static const float green[4] = {0, 1, 0, 1}, white[4] = {1, 1, 1, 0};
    windowProjection();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (s == MAP) mapDraw();
    glEnable(GL_TEXTURE_2D);
    if (s == COUNTERS)
        for (float x : {0.12f, 0.29f, 0.46f}) drawCounter(x, 0.035f, 4, green);
    if (s == STATUS) hudDrawText(0.53f, 0.035f, "Tarvin", white);
    if (s == LAMP) {
        stencilValid = 0;
        lampLight();
    }
}

void countFrame() {
    const double pixels = double(W) * H;
    written[0][LAMP] += counted(overlays, LAMP, false) / pixels;
    for (int order = 0; order < 2; order++) {
        double before[STAGES], beforeMade[STAGES];
        memcpy(before, written[order], sizeof before);
        memcpy(beforeMade, made[order], sizeof beforeMade);
        countScene(order);
        for (int s = 0; s < STAGES; s++) {
            written[order][s] = before[s] + (written[order][s] - before[s]) / pixels;
            made[order][s] = beforeMade[s] + (made[order][s] - beforeMade[s]) / pixels;
        }
    }
    for (Stage s : {MAP, COUNTERS, STATUS}) written[1][s] += counted(overlays, s, false) / pixels;
    applyShadeMode();
    glutSwapBuffers();
}

} // namespace

int main(int argc, char** argv) {
    enterRunCopy("overdraw");
    startupHeap();
    fillRecord();
    timedemoPrepare();
    {
        Quiet quiet;
        glutInit(&argc, argv);
        startupLoadData();
        startupOpenWindow();
        modelTableCompile();
    }
    glViewport(0, 0, W, H);
    glGenQueries(1, &query);
    timingSetCounter(demoCounter);
    portalCulling = 1;
    enterGame();
    inventory[ROW_OILCAN] = inventory[ROW_STRAW] = float(record.fullLevel);
    inputUse(INPUT_TIMEDEMO);
    for (int i = 0; i < 20; i++) glutMainLoopEvent();
    int samples = 0;
    for (int frame = 0; frame < 600; frame++) {
        demoClock += monotonicFrequency / 30;
        inputHold(ACTION_WALK_OUT, 1);
        gameIdle();
        if (frame % 30 != 15) continue;
        const float heading = player.heading, pitch = player.pitch, t = float(frame) / 30.0f;
        player.heading = fmodf(heading + 70.0f * sinf(t * 0.9f) + 360.0f, 360.0f);
        player.pitch = 12.0f * sinf(t * 1.7f);
        countFrame();
        player.heading = heading, player.pitch = pitch;
        samples++;
    }
    printf("Pixels written per window pixel, mean of %d frames of the timedemo (maze 66, 1024 x 768):\n\n",
           samples);
    printf("| stage | written, plain order | written, game's order | made, plain order | made, game's order "
           "|\n");
    printf("|---|---|---|---|---|\n");
    double sum[4] = {};
    for (int s = 0; s < STAGES; s++) {
        const double plain = written[0][s] / samples, nearest = written[1][s] / samples;
        const double madePlain = made[0][s] / samples, madeNearest = made[1][s] / samples;
        if (s == LAMP || s >= MAP) {
            const double both = s == LAMP ? plain : nearest;
            printf("| %s | %.3f | %.3f | | |\n", stageName[s], both, both);
            if (s != LAMP) sum[0] += both, sum[1] += both;
            continue;
        }
        printf("| %s | %.3f | %.3f | %.3f | %.3f |\n", stageName[s], plain, nearest, madePlain, madeNearest);
        sum[0] += plain, sum[1] += nearest, sum[2] += madePlain, sum[3] += madeNearest;
    }
    printf("| every frame (the lamp frame not redrawn) | %.3f | %.3f | %.3f | %.3f |\n", sum[0], sum[1],
           sum[2], sum[3]);
    return 0;
}

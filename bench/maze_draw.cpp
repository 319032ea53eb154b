// SPDX-License-Identifier: GPL-3.0-or-later
// One frame of the mine as the game draws it (floors, ceilings, walls, props and door from the
// compiled tile lists, textured and lit) on the largest maze (size 66) from a central cell, with
// portal culling on and off, beside a frame that only clears and swaps. 800 x 600 window; the
// frames per second are the items_per_second column.
#include <benchmark/benchmark.h>
#include "bench_util.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "app/random.h"
#include "app/record.h"
#include "app/startup.h"
#include "brep/brep_draw.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "maze/maze_draw.h"
#include "scene/creatures.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

const int W = 800, H = 600;

void quietBuild() {
    Quiet quiet;
    mazeBuild(&maze, MAZE_MAX_SIZE);
    itemsPlace(&maze);
}

// A 256 x 256 noise texture, as large as the game's own.
void noiseTexture(TgaImage* img, uint32_t seed) {
    tgaCreate(img, 24, 256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            seed = seed * 1103515245u + 12345u;
            int v = 100 + int((seed >> 16) % 120);
            tgaSetPixel(img, x, y, v * 0x010101);
        }
    textureUpload(img);
}

// Window, GL state as the game sets it, the largest maze, the floor tile's four levels compiled.
void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    int argc = 1;
    char arg0[] = "bench";
    char* argv[] = {arg0, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(W, H);
    glutCreateWindow("Kavernix bench");
    glViewport(0, 0, W, H);

    record.windowWidth = W;
    record.windowHeight = H;
    record.shadeMode = 2;
    record.textureMode = 1;
    initGlState();
    record.lodLevel = 0;
    record.itemsPerKind = 0;
    record.mazeSize = MAZE_MAX_SIZE;
    randomSeed(1);
    itemsClearInstances();
    quietBuild();

    ModelEntry& floor = modelTable[ROW_FLOOR];
    modelBuildBase(ROW_FLOOR, &floor.models[0]);
    for (int level = 1; level < MODEL_LEVELS; ++level)
        modelRefineNext(ROW_FLOOR, floor.models[level - 1], &floor.models[level]);
    for (int level = 0; level < MODEL_LEVELS; ++level)
        brepCompileList(floor.models[level], &floor.lists[level]);
    noiseTexture(&imgFloor, 1);
    noiseTexture(&imgWall, 2);
    noiseTexture(&imgWood, 3);
    actorInit(&exitDoor, MAZE_MAX_SIZE, 0, MAZE_MAX_SIZE - 1, 0, 0, 0.07f);
}

benchmark::internal::Benchmark* const clearAndSwap =
    benchClearAndSwap(setUpOnce)->UseRealTime()->Unit(benchmark::kMillisecond);

// Args: portal culling 0/1, tile level 0..3.
void BM_MazeFrame(benchmark::State& state) {
    setUpOnce();
    portalCulling = int(state.range(0));
    record.lodLevel = int(state.range(1));
    int cx = 1, cy = 1;
    centralCell(&cx, &cy);
    actorInit(&player, cx + 0.5f, 0.3f, cy + 0.5f, 90, 0, 0.02f);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60, double(W) / H, 0.05, 16.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(player.pitch, 1, 0, 0);
        glRotatef(player.heading, 0, 1, 0);
        glTranslatef(-player.x, -player.y, -player.z);
        const GLfloat lamp[4] = {player.x, player.y, player.z, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, lamp);
        mazeDraw(&maze, &player, &exitDoor);
        glutSwapBuffers();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
    int cells = 0;
    for (int y = 0; y <= MAZE_MAX_SIZE; ++y)
        for (int x = 0; x <= MAZE_MAX_SIZE; ++x)
            cells += mazeIsOpen(&maze, x, y) && mazeIsVisible(&maze, x, y);
    state.counters["cellsDrawn"] = cells;
    portalCulling = 0;
    record.lodLevel = 0;
}
BENCHMARK(BM_MazeFrame)
    ->ArgNames({"culling", "lod"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 3})
    ->Args({1, 3})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

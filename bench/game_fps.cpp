// Frames per second of the whole game frame (the update and the lamp-lit drawing of the mine with
// its props, items, spiders, horse, map and head-up display) in an 800 x 600 window, set up the way
// the program starts, beside a frame that only clears and swaps and the story screen's frame. The
// player walks forward while held against the rock. Frames per second are items_per_second.
// Runs in the run folder (its pictures, textures, font and model definitions).
#include <benchmark/benchmark.h>

#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/items.h"
#include "image/picture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "text/font.h"

namespace {

const int W = 800, H = 600;

// Model building and the maze print to standard output; the benchmark's table should stand alone.
struct Quiet {
    int saved;
    Quiet() {
        fflush(stdout);
        saved = dup(1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~Quiet() {
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

// The start-up sequence of the program with fixed settings instead of the settings file.
void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    if (access("floor.tga", R_OK) != 0 && chdir(KX_RUN_DIR) != 0) perror(KX_RUN_DIR);
    memset(&record, 0, sizeof record);
    record.windowWidth = record.windowedWidth = W;
    record.windowHeight = record.windowedHeight = H;
    record.shadeMode = 2;
    record.textureMode = 2;
    record.fieldOfView = 60;
    record.running = 1;
    record.mouseSpeed = 5;
    record.mazeSize = 16;
    record.itemsPerKind = 5;
    record.fullLevel = 4;
    record.diamondsNeeded = 3;
    record.strawDistance = 20;
    record.oilSeconds = 60;
    record.useDisplayLists = 1;
    record.lodLevel = 2;
    record.distanceLod = 1;
    for (int i = 0; i < 5; ++i) record.hallTimes[i] = 30000;
    int argc = 1;
    char arg0[] = "bench";
    char* argv[] = {arg0, nullptr};
    {
        Quiet quiet;
        glutInit(&argc, argv);
        resetInventory();
        modelTableLoad();
        mazeBuild(&maze, record.mazeSize);
        imageTableReset();
        loadImages();
        fontBuild(&imgFont, "fontmaze.tga");
        record.perfFrequency = monotonicFrequency;
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
        openDisplaySurface();
        initGlState();
        modelTableCompile();
    }
    glViewport(0, 0, W, H);
    picturesResize(W, H);
}

void BM_ClearAndSwap(benchmark::State& state) {
    setUpOnce();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glutSwapBuffers();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClearAndSwap)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_StoryFrame(benchmark::State& state) {
    setUpOnce();
    enterStory();
    for (auto _ : state) {
        storyIdle();
        storyDisplay();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoryFrame)->UseRealTime()->Unit(benchmark::kMillisecond);

// Args: shade mode (0 wireframe, 1 flat, 2 smooth), texture mode (0 off, 1 textures, 2 mipmaps),
// portal culling (0/1).
void BM_GameFrame(benchmark::State& state) {
    setUpOnce();
    record.shadeMode = int(state.range(0));
    record.textureMode = int(state.range(1));
    portalCulling = int(state.range(2));
    initGlState();
    enterGame();
    keyUp = 1;
    for (auto _ : state) {
        gameIdle();
        gameDisplay();
        glFinish();
    }
    keyUp = 0;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GameFrame)
    ->Args({2, 2, 1})
    ->Args({2, 2, 0})
    ->Args({1, 1, 1})
    ->Args({0, 0, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

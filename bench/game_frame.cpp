// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen of the largest mine (size 66, nine items of each kind) in a 1024 x 768 window:
// frames per second with portal culling and display lists each on and off, beside a frame that
// only clears and swaps; and the start-up time from a fresh process to its first game frame drawn
// through the toolkit, for each model source (0 definitions with refinement, 1 text files,
// 2 binary files).
//
// Frames: one update and one drawing of the game per iteration, the player turning 3 degrees per
// frame so that the frames cover every direction; at the start cell (a corner) and in the middle
// of the mine. Frames per second are items_per_second; each case runs three times and reports the
// mean, median and spread, since the machine's other work makes single runs jumpy. The game's own
// functions are called in this process, as the main loop calls them.
//
// Start-up: each iteration forks a child before this process touches the display; the child runs
// the program's start-up sequence with fixed settings, enters the game and runs the toolkit's
// event loop until the first game frame has been drawn and finished (glFinish). Reported as
// manual time per iteration. Files are warm in the page cache after the first iteration.
//
// Works in a temporary copy of the run folder (building from definitions writes model files).
#include <benchmark/benchmark.h>
#include "bench_util.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/game_frame.h"
#include "app/record.h"
#include "app/screens.h"
#include "app/startup.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "image/picture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "text/font.h"

namespace {

const int W = 1024, H = 768;

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The settings a player of the largest mine would have.
void fillRecord(int modelSource) {
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
    record.diamondsNeeded = 3;
    record.strawDistance = 20;
    record.oilSeconds = 60;
    record.skipStory = 1;
    record.modelSource = modelSource;
    record.useDisplayLists = 1;
    record.lodLevel = 2;
    record.distanceLod = 1;
    for (int i = 0; i < 5; ++i) record.hallTimes[i] = 30000;
}

// Where the start-up's time goes, in seconds since its beginning: models loaded, maze built and
// populated, pictures and font read, window open with the GL state and textures, display lists
// compiled, game entered.
enum { DATA, WINDOW, LISTS, GAME, FIRST_FRAME, PHASES };
double phaseEnd[PHASES];
const char* const phaseName[PHASES] = {"data", "window", "lists", "game", "frame"};

// The program's start-up, from the toolkit's initialisation to the game screen entered.
void startUp(int modelSource) {
    startupHeap(); // as main does, before anything else
    double t0 = seconds();
    fillRecord(modelSource);
    int argc = 1;
    char arg0[] = "bench";
    char* argv[] = {arg0, nullptr};
    glutInit(&argc, argv);
    startupLoadData();
    phaseEnd[DATA] = seconds() - t0;
    startupOpenWindow();
    phaseEnd[WINDOW] = seconds() - t0;
    modelTableCompile();
    phaseEnd[LISTS] = seconds() - t0;
    enterGame();
    phaseEnd[GAME] = seconds() - t0;
}

// Seconds from the start of a fresh process's start-up to its first finished game frame, with the
// ends of the phases in phaseEnd; -1 on failure.
double timeStartUp(int modelSource) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        {
            Quiet quiet;
            double t0 = seconds();
            startUp(modelSource);
            // The main loop: idle, then the display it asks for, until one game frame is drawn.
            double giveUp = seconds() + 60;
            while (!frameDrawn && seconds() < giveUp) glutMainLoopEvent();
            glFinish();
            phaseEnd[FIRST_FRAME] = frameDrawn ? seconds() - t0 : -1;
        }
        (void)!write(fds[1], phaseEnd, sizeof phaseEnd);
        _exit(0);
    }
    close(fds[1]);
    if (read(fds[0], phaseEnd, sizeof phaseEnd) != sizeof phaseEnd) phaseEnd[FIRST_FRAME] = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return phaseEnd[FIRST_FRAME];
}

void BM_StartUpToFirstGameFrame(benchmark::State& state) {
    enterRunCopy("frame");
    double sum[PHASES] = {};
    for (auto _ : state) {
        double t = timeStartUp(int(state.range(0)));
        if (t < 0) {
            state.SkipWithError("the child drew no game frame");
            break;
        }
        state.SetIterationTime(t);
        for (int i = 0; i < PHASES; ++i) sum[i] += phaseEnd[i] - (i ? phaseEnd[i - 1] : 0);
    }
    // Milliseconds each phase took, on average.
    for (int i = 0; i < PHASES; ++i)
        state.counters[phaseName[i]] =
            1000 * sum[i] / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}
// Registered first: the children must be forked before this process opens its own window.
BENCHMARK(BM_StartUpToFirstGameFrame)
    ->ArgName("modelSource")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    enterRunCopy("frame");
    {
        Quiet quiet;
        startUp(2);
    }
    glViewport(0, 0, W, H);
    picturesResize(W, H);
    glutMainLoopEvent();
}

[[maybe_unused]] benchmark::internal::Benchmark* const clearAndSwap = benchClearAndSwap(setUpOnce)
                                                                          ->UseRealTime()
                                                                          ->MinTime(1.0)
                                                                          ->Repetitions(3)
                                                                          ->ReportAggregatesOnly(true)
                                                                          ->Unit(benchmark::kMillisecond);

// Args: portal culling (0/1), display lists (0/1), place (0 the start cell, 1 the middle).
void BM_GameFrame(benchmark::State& state) {
    setUpOnce();
    portalCulling = int(state.range(0));
    record.useDisplayLists = int(state.range(1));
    enterGame();
    float x = state.range(2) ? 33.5f : 1.5f;
    long frame = 0;
    for (auto _ : state) {
        player.x = player.prevX = x;
        player.z = player.prevZ = x;
        player.heading = float((frame++ * 3) % 360);
        gameIdle();
        gameDisplay();
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GameFrame)
    ->ArgNames({"portal", "lists", "middle"})
    ->ArgsProduct({{1, 0}, {1, 0}, {0, 1}})
    ->UseRealTime()
    ->MinTime(1.5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
// The per-frame visibility walk and the route flood on the largest maze (size 66).
#include <benchmark/benchmark.h>
#include "bench_util.h"
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include "app/random.h"
#include "app/record.h"
#include "game/actor.h"
#include "game/items.h"
#include "maze/maze.h"
#include "scene/creatures.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

// Builds the size-66 maze the game builds, without its console snapshots.
void buildLargestMaze() {
    static bool built = false;
    if (built) return;
    built = true;
    randomSeed(1);
    record.mazeSize = MAZE_MAX_SIZE;
    record.itemsPerKind = 9;
    itemsClearInstances();
    Quiet quiet;
    mazeBuild(&maze, MAZE_MAX_SIZE);
    itemsPlace(&maze);
}

void BM_VisibilityWalkCentre(benchmark::State& state) {
    buildLargestMaze();
    int x = 1, y = 1;
    centralCell(&x, &y);
    portalCulling = 1;
    for (auto _ : state) {
        mazeUpdateVisibility(&maze, x, y);
        benchmark::DoNotOptimize(maze.visFrame);
    }
    int marked = 0;
    for (int i = 0; i < (MAZE_MAX_SIZE + 1) * (MAZE_MAX_SIZE + 1); i++)
        marked += maze.visStamp[i] == maze.visFrame;
    state.counters["cellsMarked"] = marked;
}
BENCHMARK(BM_VisibilityWalkCentre);

// The worst walk start: every open cell as the viewer in turn.
void BM_VisibilityWalkEveryCell(benchmark::State& state) {
    buildLargestMaze();
    for (auto _ : state)
        for (int y = 1; y < MAZE_MAX_SIZE; y++)
            for (int x = 1; x < MAZE_MAX_SIZE; x++)
                if (mazeIsOpen(&maze, x, y)) mazeUpdateVisibility(&maze, x, y);
    benchmark::DoNotOptimize(maze.visFrame);
}
BENCHMARK(BM_VisibilityWalkEveryCell)->Unit(benchmark::kMillisecond);

// A route key press across the whole maze: start cell to the exit cell.
void BM_RouteFloodWholeMaze(benchmark::State& state) {
    buildLargestMaze();
    for (auto _ : state) {
        mazeFindRoute(&maze, 1, 1, MAZE_MAX_SIZE - 1, MAZE_MAX_SIZE - 1);
        benchmark::DoNotOptimize(maze.routeDir[0]);
    }
}
BENCHMARK(BM_RouteFloodWholeMaze)->Unit(benchmark::kMicrosecond);

// One frame of walking along the route: heading lookup, step and collision.
void BM_FollowRouteFrame(benchmark::State& state) {
    buildLargestMaze();
    Actor mover{}, target{};
    actorInit(&mover, MAZE_MAX_SIZE - 0.5f, 0.5f, MAZE_MAX_SIZE - 0.5f, 90, 0, 0.07f);
    actorInit(&target, 1.5f, 0.3f, 1.5f, 90, 0, 0.02f);
    routePhase = 0;
    followRoute(0.05f, &mover, &target, &routePhase);
    Actor start = mover;
    for (auto _ : state) {
        mover = start;
        routePhase = 2;
        followRoute(0.05f, &mover, &target, &routePhase);
        benchmark::DoNotOptimize(mover.x);
    }
}
BENCHMARK(BM_FollowRouteFrame);

} // namespace

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces the benchmark programs share.
#pragma once
#include <benchmark/benchmark.h>
#include <GL/freeglut.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "maze/maze.h"

// Standard output goes to /dev/null while it lives: the game's own console prints (maze snapshots,
// refinement counts) stay out of the benchmark's table.
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

// A temporary copy of the run folder (/tmp/kx_bench_NAME_XXXXXX) becomes the working directory, once
// per process; it is removed at the exit.
inline void enterRunCopy(const char* name) {
    static bool done = false;
    if (done) return;
    done = true;
    std::string dir = std::string("/tmp/kx_bench_") + name + "_XXXXXX";
    if (!mkdtemp(&dir[0]) || system(("cp -r " KX_RUN_DIR "/. " + dir).c_str()) != 0 ||
        chdir(dir.c_str()) != 0) {
        perror("run folder copy");
        exit(1);
    }
    static std::string folder = dir;
    // Only by this process: a forked child that exits (its toolkit finding no display) inherits the
    // handler, and the folder is still the parent's.
    static pid_t owner = getpid();
    atexit([] {
        if (getpid() == owner) (void)!system(("rm -rf " + folder).c_str());
    });
}

// The open cell nearest the middle of the grid.
inline void centralCell(int* cx, int* cy) {
    int mid = MAZE_MAX_SIZE / 2 | 1;
    for (int r = 0; r <= MAZE_MAX_SIZE; r++)
        for (int y = mid - r; y <= mid + r; y++)
            for (int x = mid - r; x <= mid + r; x++)
                if (mazeIsOpen(&maze, x, y)) {
                    *cx = x;
                    *cy = y;
                    return;
                }
}

// Registers BM_ClearAndSwap: a frame that only clears and swaps, the floor beside the frames of the
// program's other benchmarks. setUp opens the program's window (once) before the first frame.
inline benchmark::internal::Benchmark* benchClearAndSwap(void (*setUp)()) {
    return benchmark::RegisterBenchmark("BM_ClearAndSwap", [setUp](benchmark::State& state) {
        setUp();
        for (auto _ : state) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glutSwapBuffers();
            glFinish();
        }
        state.SetItemsProcessed(state.iterations());
    });
}

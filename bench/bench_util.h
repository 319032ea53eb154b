// Small pieces the benchmark programs share.
#pragma once
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The maze record, its accessors and the generator.
#include "maze/maze.h"

#include <cassert>
#include <cstdio>
#include "app/random.h"
#include "app/record.h"

Maze maze;

static_assert(MAZE_CAPACITY == (MAZE_MAX_SIZE + 1) * (MAZE_MAX_SIZE + 1), "a layer holds the largest grid");

int mazeCellIndex(const Maze* m, int x, int y) {
    int n = m->size;
    if (x < 0 || x > n || y < 0 || y > n) return -1;
    return x + y * (n + 1);
}

char mazeGetCell(const Maze* m, int x, int y) {
    int i = mazeCellIndex(m, x, y);
    return i < 0 ? 0 : m->cells[i];
}

char mazeSetCell(Maze* m, int x, int y, char code) {
    int i = mazeCellIndex(m, x, y);
    if (i < 0) return 0;
    m->cells[i] = code;
    return code;
}

signed char mazeGetDir(const Maze* m, int layer, int x, int y) {
    int i = mazeCellIndex(m, x, y);
    if (i < 0) return -1;
    return layer == 0 ? m->carveDir[i] : m->routeDir[i];
}

signed char mazeSetDir(Maze* m, int layer, int x, int y, signed char dir) {
    int i = mazeCellIndex(m, x, y);
    if (i < 0) return 0;
    if (layer == 0)
        m->carveDir[i] = dir;
    else
        m->routeDir[i] = dir;
    return dir;
}

int mazeIsOpen(const Maze* m, int x, int y) {
    int i = mazeCellIndex(m, x, y);
    return i >= 0 && (signed char)m->cells[i] < 'a';
}

MazeCell mazeCellAt(const Maze* m, int x, int y) {
    int i = mazeCellIndex(m, x, y);
    if (i < 0) return MazeCell{0, -1, -1, 0};
    return MazeCell{m->cells[i], m->carveDir[i], m->routeDir[i], m->visStamp[i]};
}

// The size the grid can hold and the carver needs: even, 4..66. An odd size loses one.
static int mazeUsableSize(int n) {
    int even = n % 2 == 0 ? n : n - 1;
    if (even < MAZE_MIN_SIZE) return MAZE_MIN_SIZE;
    if (even > MAZE_MAX_SIZE) return MAZE_MAX_SIZE;
    return even;
}

int mazeBuild(Maze* m, int n) {
    int size = mazeUsableSize(n);
    if (size != n) {
        fprintf(stderr, "Maze size %d is not an even number from %d to %d; building size %d\n", n,
                MAZE_MIN_SIZE, MAZE_MAX_SIZE, size);
        record.mazeSize = size;
    }

    m->size = size;
    for (int y = 0; y <= size; y++)
        for (int x = 0; x <= size; x++) {
            mazeSetCell(m, x, y, CELL_ROCK);
            mazeSetDir(m, 0, x, y, DIR_NEVER_CARVED);
        }
    mazeSetCell(m, size - 1, size - 1, CELL_EMPTY);
    mazeSetDir(m, 0, size - 1, size - 1, DIR_MINUS_X);
    mazePrintSnapshot(m);

    mazeCarve(m, size - 1, size - 1, DIR_MINUS_X, 0.5);
    mazePrintSnapshot(m);
    return mazeFreeCells(m);
}

int mazeFreeCells(const Maze* m) {
    int count = 0;
    for (int y = 0; y <= m->size; y++)
        for (int x = 0; x <= m->size; x++)
            if (mazeGetCell(m, x, y) == CELL_EMPTY) count++;
    return count;
}

static const int stepX[4] = {1, 0, -1, 0};
static const int stepY[4] = {0, 1, 0, -1};

// Depth stays below the number of lattice cells plus one (33 x 33 + 1 at size 66): every call
// past the first opens a new lattice cell or returns at once.
void mazeCarve(Maze* m, int x, int y, int dir, double straightChance) {
    assert(dir >= 0 && dir < 4);
    int x1 = x + stepX[dir], y1 = y + stepY[dir];
    int x2 = x1 + stepX[dir], y2 = y1 + stepY[dir];
    // Open, item and outside cells (code 0) all stop the carver before it draws.
    if ((signed char)mazeGetCell(m, x2, y2) <= 'a') return;

    mazeSetCell(m, x2, y2, CELL_EMPTY);
    mazeSetCell(m, x1, y1, CELL_EMPTY);
    mazeSetDir(m, 0, x2, y2, (signed char)dir);
    mazeSetDir(m, 0, x1, y1, (signed char)dir);

    // The order of the two draws fixes the maze: the second comes after the straight run returns.
    if (randomNext() / 32767.0 > straightChance) mazeCarve(m, x2, y2, dir, straightChance);
    int left = (dir + 1) % 4, right = (dir + 3) % 4;
    if (randomNext() / 32767.0 > 0.5) {
        mazeCarve(m, x2, y2, left, straightChance);
        mazeCarve(m, x2, y2, right, straightChance);
    } else {
        mazeCarve(m, x2, y2, right, straightChance);
        mazeCarve(m, x2, y2, left, straightChance);
    }
}

void mazePrintSnapshot(const Maze* m) {
    int n = m->size;
    for (int y = 0; y <= n; y++) {
        for (int x = 0; x <= n; x++) printf("%c", mazeGetCell(m, x, y));
        printf("\n");
    }
    printf("\n");
    for (int y = 0; y <= n; y++) {
        for (int x = 0; x <= n; x++) printf("%c", (char)('0' + mazeGetDir(m, 0, x, y)));
        printf("\n");
    }
}

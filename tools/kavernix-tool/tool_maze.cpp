// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool maze N ITEMS: builds the maze the game would build with these settings and prints
// its three snapshots, exactly as the game prints them at start-up. No window is opened.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include "app/record.h"
#include "game/items.h"
#include "maze/maze.h"
#include "tool.h"

// A whole decimal number and nothing else.
static bool toolParseInt(const char* s, int* out) {
    char* end;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (end == s || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    *out = (int)v;
    return true;
}

int toolMaze(int argc, char** argv) {
    int n, items;
    if (argc != 3 || !toolParseInt(argv[1], &n) || !toolParseInt(argv[2], &items) || n < MAZE_MIN_SIZE ||
        n > MAZE_MAX_SIZE || n % 2 != 0 || items < 0 || items > 9) {
        fprintf(stderr, "usage: kavernix-tool maze N ITEMS  (N even, 4..66; ITEMS 0..9)\n");
        return 2;
    }
    record.mazeSize = n;
    record.itemsPerKind = items;
    itemsClearInstances();
    mazeBuild(&maze, n);
    itemsPlace(&maze);
    return fflush(stdout) == 0 ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The mine: a square grid of one-byte cell codes with its direction, route and visibility layers,
// the generator that carves it from the exit cell, and the questions the bodies and the renderer
// ask of it (heading along a layer, collision, routes, visible cells).
//
// Coordinates: cell (x, y) with 0 <= x, y <= size covers world x in [x, x+1] and world z in
// [y, y+1]. Every layer is stored row by row: cell (x, y) is entry x + y * (size + 1).
#pragma once
#include <cstdint>

struct Actor;

enum {
    MAZE_CAPACITY = 4489, // 67 x 67 entries per layer
    MAZE_MIN_SIZE = 4,
    MAZE_MAX_SIZE = 66,
};

// Cell codes. A cell is open when its code, as a signed byte, is below 'a'.
enum : char {
    CELL_ROCK = 'w',
    CELL_EMPTY = ' ',
    CELL_DIAMOND = 'D',
    CELL_STRAW = 'S',
    CELL_OILCAN = 'O',
    CELL_SPIDER = 'I',
};

// Direction codes of both direction layers, and their special values.
enum : signed char {
    DIR_PLUS_X = 0,
    DIR_PLUS_Y = 1,
    DIR_MINUS_X = 2,
    DIR_MINUS_Y = 3,
    DIR_NEVER_CARVED = -49, // carveDir of a cell the carver never reached (prints as byte 0xFF)
    DIR_UNVISITED = -1,     // routeDir of a cell the route flood did not reach
    DIR_ROUTE_ROOT = -2,    // routeDir of the route's root cell
};

struct Maze {
    int32_t size;                        // N, the largest cell coordinate; even, 4..66
    char cells[MAZE_CAPACITY];           // cell code of each cell
    signed char carveDir[MAZE_CAPACITY]; // direction the carver entered the cell by
    signed char routeDir[MAZE_CAPACITY]; // direction of the last route, entering from the root side
    uint32_t visStamp[MAZE_CAPACITY];    // visFrame of the last frame the cell was seen in
    uint32_t visFrame;                   // current visibility frame number
};

// What the record holds for one cell.
struct MazeCell {
    char code;
    signed char carveDir;
    signed char routeDir;
    uint32_t visStamp;
};

extern Maze maze; // the one mine, built once at start-up

// ---- Accessors. Coordinates outside 0..size are harmless: reads give the stated value, writes
// store nothing.
int mazeCellIndex(const Maze* m, int x, int y);                 // x + y*(N+1); -1 outside
char mazeGetCell(const Maze* m, int x, int y);                  // cell code; 0 outside
char mazeSetCell(Maze* m, int x, int y, char code);             // returns code; 0 outside
signed char mazeGetDir(const Maze* m, int layer, int x, int y); // layer 0 carveDir, else routeDir; -1 outside
signed char mazeSetDir(Maze* m, int layer, int x, int y, signed char dir); // returns dir; 0 outside
int mazeIsOpen(const Maze* m, int x, int y);                               // 1 inside and code below 'a'
MazeCell mazeCellAt(const Maze* m, int x, int y); // all layers; {0, -1, -1, 0} outside

// ---- Generation.
// Carves the maze of size n from the random generator's current state, printing two snapshots
// (the rock, then the carved maze), and returns its free cells (the empty ones, which take the
// items: the game places them and prints the third snapshot).
// A size that is odd, below 4 or above 66 is made even (an odd size loses one) and then clamped
// to 4..66; one line says so, and record.mazeSize is set to the size actually built so that the
// exit door and the exit test agree with the grid.
int mazeBuild(Maze* m, int n);
int mazeFreeCells(const Maze* m); // cells with the code CELL_EMPTY
// The recursive corridor carver: opens the corridor two cells ahead in direction dir unless that
// cell is open or outside, then goes on straight (chance 1 - straightChance) and to both sides.
void mazeCarve(Maze* m, int x, int y, int dir, double straightChance);
// Prints the code grid, an empty line and the carve-direction grid ('0' + dir per cell).
void mazePrintSnapshot(const Maze* m);

// ---- Queries.
// Heading in degrees pointing back along the direction stored in the layer (0: towards the exit,
// else towards the route's root): 270, 0, 90, 180 for the codes 0..3; -1.0 for anything else.
float mazeDirAngle(const Maze* m, int layer, int x, int y);
float mazeDirAngleOf(signed char dir); // the same for one direction code
// Keeps the actor 0.2 from every rock face and out of every cell corner; changes x and z only.
void mazeCollide(const Maze* m, Actor* a);
// A body standing in rock (or outside the mine) goes to the nearest place 0.2 inside the nearest open
// cell, where mazeCollide leaves it; changes x and z only. Returns 1 when it moved the body.
int mazeFreeBody(const Maze* m, Actor* a);
// Rewrites routeDir: -1 everywhere, -2 at the root, and for every open cell connected to the root
// without passing through the goal, the direction of the step that enters it from the root side.
void mazeFindRoute(Maze* m, int goalX, int goalY, int rootX, int rootY);
void mazeRouteFlood(Maze* m, int goalX, int goalY, int x, int y); // depth-first step of the above
// Starts a new visibility frame seen from cell (x, y): marks every open cell reachable by at most
// three straight runs with turns between them. From a cell outside the grid nothing is marked.
void mazeUpdateVisibility(Maze* m, int x, int y);
void mazeVisibilityWalk(Maze* m, int x, int y, int dx, int dy, int depth); // one run and its turns
// 1 when portal culling is off, else 1 exactly for cells marked in the current frame.
int mazeIsVisible(const Maze* m, int x, int y);

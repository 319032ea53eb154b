// SPDX-License-Identifier: GPL-3.0-or-later
// Questions asked of the finished maze: headings along a direction layer, collision, routes and
// the cells visible from the viewer's cell.
#include "app/record.h"
#include "maze/body.h"
#include "maze/maze.h"
#include <cmath>

float mazeDirAngle(const Maze* m, int layer, int x, int y) {
    return mazeDirAngleOf(mazeGetDir(m, layer, x, y));
}

float mazeDirAngleOf(signed char dir) {
    // The heading points opposite to the stored direction: back to the cell it was entered from.
    switch (dir) {
    case DIR_PLUS_X:
        return 270.0f;
    case DIR_PLUS_Y:
        return 0.0f;
    case DIR_MINUS_X:
        return 90.0f;
    case DIR_MINUS_Y:
        return 180.0f;
    default:
        return -1.0f;
    }
}

void mazeCollide(const Maze* m, Actor* a) {
    int ix = (int)a->x, iz = (int)a->z;
    // Every test uses the fractions from before any push.
    float fx = a->x - ix, fz = a->z - iz;

    if (fx < 0.2 && !mazeIsOpen(m, ix - 1, iz))
        a->x = ix + 0.2f;
    else if (fx > 0.8 && !mazeIsOpen(m, ix + 1, iz))
        a->x = ix + 0.8f;

    if (fz < 0.2 && !mazeIsOpen(m, ix, iz - 1))
        a->z = iz + 0.2f;
    else if (fz > 0.8 && !mazeIsOpen(m, ix, iz + 1))
        a->z = iz + 0.8f;

    // Every cell corner touches a pillar (both coordinates even, always rock), so the corners need
    // no look at the grid. Out along the axis the body is less deep in, on a tie along z.
    if (fx > 0.8 && fz > 0.8) {
        if (fx < fz)
            a->x = ix + 0.8f;
        else
            a->z = iz + 0.8f;
    } else if (fx > 0.8 && fz < 0.2) {
        if (1 - fz > fx)
            a->x = ix + 0.8f;
        else
            a->z = iz + 0.2f;
    } else if (fx < 0.2 && fz > 0.8) {
        if (1 - fx < fz)
            a->x = ix + 0.2f;
        else
            a->z = iz + 0.8f;
    } else if (fx < 0.2 && fz < 0.2) {
        if (fx > fz)
            a->x = ix + 0.2f;
        else
            a->z = iz + 0.2f;
    }
}

int mazeFreeBody(const Maze* m, Actor* a) {
    if (mazeIsOpen(m, int(floorf(a->x)), int(floorf(a->z)))) return 0;
    float best = INFINITY, bestX = a->x, bestZ = a->z;
    for (int y = 0; y <= m->size; y++)
        for (int x = 0; x <= m->size; x++) {
            if (!mazeIsOpen(m, x, y)) continue;
            float px = fminf(fmaxf(a->x, x + 0.2f), x + 0.8f), pz = fminf(fmaxf(a->z, y + 0.2f), y + 0.8f);
            float d = (px - a->x) * (px - a->x) + (pz - a->z) * (pz - a->z);
            if (d < best) best = d, bestX = px, bestZ = pz;
        }
    if (best == INFINITY) return 0;
    a->x = bestX;
    a->z = bestZ;
    return 1;
}

void mazeFindRoute(Maze* m, int goalX, int goalY, int rootX, int rootY) {
    int n = m->size;
    for (int y = 0; y <= n; y++)
        for (int x = 0; x <= n; x++) mazeSetDir(m, 1, x, y, DIR_UNVISITED);
    mazeSetDir(m, 1, rootX, rootY, DIR_ROUTE_ROOT);
    mazeRouteFlood(m, goalX, goalY, rootX, rootY);
}

// Recursion depth is at most the number of open cells (about 2200 at size 66), a few hundred
// kilobytes of stack at most.
void mazeRouteFlood(Maze* m, int goalX, int goalY, int x, int y) {
    if (x == goalX && y == goalY) return;
    static const int nx[4] = {0, 0, 1, -1};
    static const int ny[4] = {1, -1, 0, 0};
    static const signed char code[4] = {DIR_PLUS_Y, DIR_MINUS_Y, DIR_PLUS_X, DIR_MINUS_X};
    for (int k = 0; k < 4; k++) {
        int cx = x + nx[k], cy = y + ny[k];
        if (mazeIsOpen(m, cx, cy) && mazeGetDir(m, 1, cx, cy) == DIR_UNVISITED) {
            mazeSetDir(m, 1, cx, cy, code[k]);
            mazeRouteFlood(m, goalX, goalY, cx, cy);
        }
    }
}

void mazeUpdateVisibility(Maze* m, int x, int y) {
    m->visFrame++;
    int i = mazeCellIndex(m, x, y);
    if (i < 0) return;
    m->visStamp[i] = m->visFrame;
    mazeVisibilityWalk(m, x, y, 0, -1, 2);
    mazeVisibilityWalk(m, x, y, 0, 1, 2);
    mazeVisibilityWalk(m, x, y, 1, 0, 2);
    mazeVisibilityWalk(m, x, y, -1, 0, 2);
}

// Turns off a run into both perpendicular directions.
static void mazeVisibilityTurns(Maze* m, int x, int y, int dy, int depth) {
    if (dy != 0) {
        mazeVisibilityWalk(m, x, y, 1, 0, depth);
        mazeVisibilityWalk(m, x, y, -1, 0, depth);
    } else {
        mazeVisibilityWalk(m, x, y, 0, 1, depth);
        mazeVisibilityWalk(m, x, y, 0, -1, depth);
    }
}

void mazeVisibilityWalk(Maze* m, int x, int y, int dx, int dy, int depth) {
    if (depth < 0) return;
    while (mazeIsOpen(m, x + dx, y + dy)) {
        x += dx;
        y += dy;
        m->visStamp[mazeCellIndex(m, x, y)] = m->visFrame;
        mazeVisibilityTurns(m, x, y, dy, depth - 1);
    }
    mazeVisibilityTurns(m, x, y, dy, depth - 1);
}

int mazeIsVisible(const Maze* m, int x, int y) {
    if (!portalCulling) return 1;
    int i = mazeCellIndex(m, x, y);
    return i >= 0 && m->visStamp[i] == m->visFrame;
}

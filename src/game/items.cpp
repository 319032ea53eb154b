// SPDX-License-Identifier: GPL-3.0-or-later
// Items and spiders: placement, pick-up, motion, and the supplies that set the walking speeds.
#include "game/items.h"

#include <cstdio>
#include "app/random.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "maze/maze.h"

float inventory[4];

enum { ITEM_ROWS = 4 }; // rows 0..3 hold items and spiders; the other rows are never placed

void resetInventory() {
    for (float& v : inventory) v = 0;
}

void spawnItem(int row, float col, float y, float rowZ, float radius) {
    if (row < 0 || row >= MODEL_ROWS) {
        fprintf(stderr, "spawnItem: no catalogue row %d; item in cell (%d, %d) not placed\n", row, (int)col,
                (int)rowZ);
        return;
    }
    ModelEntry& e = modelTable[row];
    if (e.count < 0 || e.count >= MAX_INSTANCES) {
        fprintf(stderr,
                "spawnItem: catalogue row %d already holds %d items; item in cell (%d, %d) not placed\n", row,
                MAX_INSTANCES, (int)col, (int)rowZ);
        return;
    }
    double r1 = randomNext() / 32767.0;
    float x = col + (r1 <= 0.5 ? radius + 0.2 : 1 - radius - 0.2);
    double r2 = randomNext() / 32767.0;
    float z = rowZ + (r2 > 0.5 ? 1 - radius - 0.2 : radius + 0.2);
    Actor* a = &e.entities[e.count];
    actorInit(a, x, y, z, 0, 0, radius);
    actorSetMotion(a, 0, 0, 0, 0.1f, 0);
    e.count++;
}

void itemsPlace(Maze* m) {
    int items = record.itemsPerKind;
    if (items > MAX_INSTANCES) {
        fprintf(stderr, "%d items per kind do not fit a catalogue row; placing %d\n", items, MAX_INSTANCES);
        items = MAX_INSTANCES;
    }
    itemsPlaceKind(m, items, CELL_DIAMOND, ROW_DIAMOND, 0.05f, 0.01f);
    itemsPlaceKind(m, items, CELL_STRAW, ROW_STRAW, 0.1f, 0.06f);
    itemsPlaceKind(m, items, CELL_OILCAN, ROW_OILCAN, 0.05f, 0.01f);
    itemsPlaceKind(m, items, CELL_SPIDER, ROW_SPIDER, 0.1f, 0.005f);
    mazePrintSnapshot(m);
}

void itemsPlaceKind(Maze* m, int count, char code, int row, float height, float radius) {
    int n = m->size;
    if (count <= 0 || n <= 0) return;
    int empty = mazeFreeCells(m);
    if (empty < count) {
        fprintf(stderr, "Only %d empty cells left for %d items '%c'; placing %d\n", empty, count, code,
                empty);
        count = empty;
    }
    while (count > 0) {
        int x = randomNext() % n;
        int y = randomNext() % n;
        if (mazeGetCell(m, x, y) == CELL_EMPTY) {
            mazeSetCell(m, x, y, code);
            spawnItem(row, (float)x, height, (float)y, radius);
            count--;
        }
    }
}

void itemsClearInstances() {
    for (ModelEntry& e : modelTable) e.count = 0;
}

int itemsWithinReach(const Actor* body, const Actor* item) {
    return actorFloorDistance(body, item) < pickupReach;
}

void itemsCollect(const Actor* a) {
    for (int row = 0; row < ITEM_ROWS; row++) {
        ModelEntry& e = modelTable[row];
        // The last instance fills the freed slot; it is looked at in the next frame, not this one.
        for (int i = 0; i < e.count; i++) {
            if (itemsWithinReach(a, &e.entities[i])) {
                inventory[row] += 1;
                e.count--;
                actorCopy(&e.entities[i], &e.entities[e.count]);
            }
        }
    }
}

void itemsMoveCreatures() {
    ModelEntry& spiders = modelTable[ROW_SPIDER];
    for (int i = 0; i < spiders.count; i++) {
        Actor& s = spiders.entities[i];
        if (s.y > 0.8)
            s.vy = -0.1f;
        else if (s.y < 0.2)
            s.vy = 0.1f;
    }
    for (ModelEntry& e : modelTable)
        for (int i = 0; i < e.count; i++) creatureStep(&e.entities[i]);
}

// units - used / perUnit, never below 0. A zero rate would divide 0 by 0 at the start of a game
// (giving NaN): it yields 0, the stock the setting stands for.
static float stockLeft(float units, float used, int perUnit) {
    if (perUnit == 0) return 0;
    float left = units - used / perUnit;
    return left < 0 ? 0 : left;
}

float itemsOilLeft() {
    return stockLeft(inventory[ROW_OILCAN], recordStepClock(), record.oilSeconds);
}

float itemsStrawLeft() {
    return stockLeft(inventory[ROW_STRAW], horse.distance, record.strawDistance);
}

// min(stock, full) / full: 1 for a full stock. A full level of 0 or less counts every stock as full
// instead of dividing by it.
static float fillRatio(float stock) {
    int full = record.fullLevel;
    if (full <= 0) return 1;
    return (stock < full ? stock : full) / full;
}

// Below the 0.2 that collision keeps a body from rock: a step from there never reaches the next
// cell, so a slow frame cannot carry a body through a wall or the exit door.
static const float stepMost = 0.19f;

void itemsStepSizes(float* playerStep, float* horseStep) {
    float t = recordStepTime();
    float h = t * (fillRatio(itemsStrawLeft()) * 0.95 + 0.05);
    float p = t * (fillRatio(itemsOilLeft()) * 0.3 + 0.2);
    if (h > stepMost) h = stepMost;
    if (p > stepMost) p = stepMost;
    if (record.riderState == 2) p = h;
    *playerStep = p;
    *horseStep = h;
}

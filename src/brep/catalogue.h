// The catalogue of the eight named models, each in four levels of detail, with the routines that
// draw the row's material and instances and the instances placed in the maze; and the arrow.
#pragma once
#include <cstdint>
#include "game/actor.h"

struct BrepModel;

enum { MODEL_ROWS = 8, MODEL_LEVELS = 4, MAX_INSTANCES = 9 };
enum { ROW_STRAW = 0, ROW_OILCAN = 1, ROW_DIAMOND = 2, ROW_SPIDER = 3, ROW_FLOOR = 4,
       ROW_FRONTLEG = 5, ROW_HINDLEG = 6, ROW_HORSE = 7 };

struct ModelEntry {
    int32_t count;                        // placed instances in entities, 0..9
    void (*drawEntity)(const Actor*);     // draws one placed instance; null: none
    void (*applyMaterial)();              // material, texture and texturing of the row; null: none
    uint32_t lists[MODEL_LEVELS];         // display list per level, 0 until compiled
    BrepModel* models[MODEL_LEVELS];      // model per level, null until loaded
    Actor entities[MAX_INSTANCES];        // the placed instances
};

extern ModelEntry modelTable[MODEL_ROWS];

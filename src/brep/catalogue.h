// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue of the eight named models, each in four levels of detail, with the routines that
// draw the row's material and instances and the instances placed in the maze; and the arrow. The
// routines and the instances belong to the layers above, which hand them in at start-up
// (modelRowRegister): the catalogue stores their addresses and nothing of what they are.
#pragma once
#include <cstdint>

struct BrepModel;
struct Actor; // a placed instance; its first three fields are its world x, y and z

enum { MODEL_ROWS = 8, MODEL_LEVELS = 4, MAX_INSTANCES = 9 };
enum {
    ROW_STRAW = 0,
    ROW_OILCAN = 1,
    ROW_DIAMOND = 2,
    ROW_SPIDER = 3,
    ROW_FLOOR = 4,
    ROW_FRONTLEG = 5,
    ROW_HINDLEG = 6,
    ROW_HORSE = 7
};

struct ModelEntry {
    int32_t count;                    // placed instances in entities, 0..9
    void (*drawEntity)(const Actor*); // draws one placed instance; null: none
    void (*applyMaterial)();          // material, texture and texturing of the row; null: none
    uint32_t lists[MODEL_LEVELS];     // display list per level, 0 until compiled
    BrepModel* models[MODEL_LEVELS];  // model per level, null until loaded
    Actor* entities;                  // room for MAX_INSTANCES placed instances; null: none
};

extern ModelEntry modelTable[MODEL_ROWS];
// Row names: the definition name of level 0 and the stem of the model files.
extern const char* const modelNames[MODEL_ROWS];
extern BrepModel* arrowModel; // the shot, always built from the definition "arrow"
extern uint32_t arrowList;    // its display list, 0 until compiled

// What the layers above hand in at start-up, before modelTableReset: a row's material and draw
// routines (null: none) and the room for its placed instances (MAX_INSTANCES, kept by the caller),
// put into the row at once and again by every modelTableReset; and the viewer's x, y, z (the player's
// position, read at every lodForPosition; null: the origin). A row out of range is ignored.
void modelRowRegister(int row, void (*applyMaterial)(), void (*drawEntity)(const Actor*), Actor* instances);
void modelViewerRegister(const float* position);

// Fills every row and the arrow from the source record.modelSource says (0 definitions, refined
// and written as text files; 1 text files; 2 binary files). Every definition or model file that
// cannot be used is named once on standard error; its row stays empty, and with source 0 its text
// files are not replaced. No OpenGL call.
void modelTableLoad();
// The two halves of modelTableLoad: the rows' routines and instance rooms as registered, no
// instances, and the lists reset (the maze may place items then), and the models read or built. The second
// touches only the models, so it may run on another thread while the maze places its items.
void modelTableReset();
void modelTableLoadModels();
// modelTableLoadModels in two steps: the models read or built, then (source 0) the text files of the
// rows built from their definitions written. Writing only reads the models (and numbers their
// vertices, which drawing does not use), so the game may draw them meanwhile. Several threads may
// write at once: each takes the next file no other has taken.
void modelTableBuildModels();
void modelTableWriteBuilt();
// Compiles the display lists of the arrow and of every row and level not compiled yet. Needs the GL
// context, as the three below do.
void modelTableCompile();
// The display list of a row's level (the arrow's), compiled now if it is not yet. Row and level must
// be in range.
uint32_t modelTableList(int row, int level);
uint32_t modelArrowList();
// One step of compiling the lists ahead of their first use, so that no frame pays for a large one:
// the next list not compiled yet (the arrow, then level by level, row by row) if it has at most
// `faces` faces, else its next piece of that many faces. Returns 0 when every list is compiled.
int modelTableCompileSome(int faces);
// Releases every row's models and lists and clears its instances.
void modelTableFree();
// Level of detail (0 coarse .. 3 fine) for an object at pos (x, y, z): record.lodLevel, or with
// record.distanceLod by whole units of ground distance from the registered viewer.
int32_t lodForPosition(const float pos[3]);

// Row of a catalogue name, -1 when there is none.
int modelRowByName(const char* name);
// Level 0 of a row as the catalogue builds it: from its definitions in the working directory
// (the oil can and the spider from several), the floor from constants. 1 when every definition was
// used; 0 when one was refused (one line on standard error).
int modelBuildBase(int row, BrepModel** out);
// The next level of a row's model (the floor by its own refinement).
void modelRefineNext(int row, BrepModel* src, BrepModel** out);
// Reads every row's text file of every level from the working directory, packs it and writes its
// binary file. Returns how many of the 32 were written; files that fail are reported.
int modelFilesPack();

// SPDX-License-Identifier: GPL-3.0-or-later
#include "brep/catalogue.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/paths.h"
#include "app/record.h"
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_draw.h"
#include "brep/brep_file.h"

ModelEntry modelTable[MODEL_ROWS];
const char* const modelNames[MODEL_ROWS] = {"STRAWBAR", "OILCAN",     "DIAMOND",    "SPIDER",
                                            "FLOOR0",   "VORDERBEIN", "HINTERBEIN", "PFERD"};
BrepModel* arrowModel;
uint32_t arrowList;

// What the layers above registered for each row, and the viewer.
static void (*rowMaterial[MODEL_ROWS])();
static void (*rowDraw[MODEL_ROWS])(const Actor*);
static Actor* rowInstances[MODEL_ROWS];
static const float* viewer;

void modelRowRegister(int row, void (*applyMaterial)(), void (*drawEntity)(const Actor*), Actor* instances) {
    if (row < 0 || row >= MODEL_ROWS) return;
    rowMaterial[row] = applyMaterial;
    rowDraw[row] = drawEntity;
    rowInstances[row] = instances;
    modelTable[row].applyMaterial = applyMaterial;
    modelTable[row].drawEntity = drawEntity;
    modelTable[row].entities = instances;
}

void modelViewerRegister(const float* position) {
    viewer = position;
}

int modelRowByName(const char* name) {
    for (int row = 0; row < MODEL_ROWS; row++)
        if (name && !strcmp(name, modelNames[row])) return row;
    return -1;
}

int modelBuildBase(int row, BrepModel** out) {
    if (row == ROW_FLOOR) {
        brepBuildFloor(out, modelNames[row]);
        return 1;
    }
    static const char* const extra[MODEL_ROWS][4] = {
        {}, {"OILCAN1", "OILCAN2"}, {}, {"SPIDER1", "SPIDER2", "SPIDER3", "SPIDER4"}};
    brepCreate(out, modelNames[row], 0);
    int all = brepLoadDef(out, modelNames[row]);
    for (const char* name : extra[row])
        if (name) all &= brepLoadDef(out, name);
    return all;
}

void modelRefineNext(int row, BrepModel* src, BrepModel** out) {
    if (row == ROW_FLOOR)
        brepRefineFloor(src, out);
    else
        brepRefine(src, out);
}

int modelFilesPack() {
    int written = 0;
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) {
            BrepModel* model = nullptr;
            int read = brepReadText(&model, modelNames[row], level); // a refused file is reported
            if (read && brepPack(&model) && brepWriteBinary(model)) written++;
            brepFree(&model);
        }
    return written;
}

void modelTableReset() {
    for (int row = 0; row < MODEL_ROWS; row++) {
        ModelEntry& e = modelTable[row];
        e.applyMaterial = rowMaterial[row];
        e.drawEntity = rowDraw[row];
        e.entities = rowInstances[row];
        e.count = 0;
        for (int level = 0; level < MODEL_LEVELS; level++) {
            e.models[level] = nullptr;
            e.lists[level] = 0;
        }
    }
}

void modelTableLoadModels() {
    brepBuildFromDef(&arrowModel, "arrow");

    switch (record.modelSource) {
    case 0: {
        // A row with a refused definition (one line each) is neither refined nor written: its model
        // files may be good ones from an earlier start.
        bool built[MODEL_ROWS];
        for (int row = 0; row < MODEL_ROWS; row++)
            built[row] = modelBuildBase(row, &modelTable[row].models[0]);
        for (int level = 1; level < MODEL_LEVELS; level++)
            for (int row = 0; row < MODEL_ROWS; row++) {
                if (built[row])
                    modelRefineNext(row, modelTable[row].models[level - 1], &modelTable[row].models[level]);
                else
                    brepCreate(&modelTable[row].models[level], modelNames[row], level);
            }
        if (record.splitQuads)
            for (int row = 0; row < MODEL_ROWS; row++)
                for (int level = 0; level < MODEL_LEVELS; level++)
                    brepSplitPolygons(modelTable[row].models[level]);
        for (int row = 0; row < MODEL_ROWS; row++)
            for (int level = 0; level < MODEL_LEVELS && built[row]; level++)
                brepWriteText(modelTable[row].models[level]);
        break;
    }
    case 1:
    case 2:
        for (int level = 0; level < MODEL_LEVELS; level++)
            for (int row = 0; row < MODEL_ROWS; row++) {
                BrepModel** m = &modelTable[row].models[level];
                const bool text = record.modelSource == 1;
                // A file can be well formed and still hold nothing to draw.
                if ((text ? brepReadText : brepReadBinary)(m, modelNames[row], level) && !(*m)->faces) {
                    char file[64];
                    snprintf(file, sizeof file, "%s.%03d.brep.%s", modelNames[row], level,
                             text ? "txt" : "bin");
                    fprintf(stderr, "Brep Error %s: holds no faces\n", pathData(file).c_str());
                }
            }
        break;
    default:
        break;
    }
}

void modelTableLoad() {
    modelTableReset();
    modelTableLoadModels();
}

void modelTableCompile() {
    brepCompileList(arrowModel, &arrowList);
    for (int level = 0; level < MODEL_LEVELS; level++)
        for (int row = 0; row < MODEL_ROWS; row++)
            brepCompileList(modelTable[row].models[level], &modelTable[row].lists[level]);
}

void modelTableFree() {
    for (int row = 0; row < MODEL_ROWS; row++) {
        ModelEntry& e = modelTable[row];
        e.count = 0;
        for (int level = 0; level < MODEL_LEVELS; level++) {
            if (e.models[level]) brepFree(&e.models[level]);
            // Nothing to delete before the lists were compiled, and no GL context may exist then.
            if (e.lists[level]) glDeleteLists(e.lists[level], 1);
            e.lists[level] = 0;
        }
    }
}

int32_t lodForPosition(const float pos[3]) {
    if (!record.distanceLod) return record.lodLevel;
    const float origin[3] = {0, 0, 0};
    const float* at = viewer ? viewer : origin;
    double dx = (double)pos[0] - (double)at[0];
    double dz = (double)pos[2] - (double)at[2];
    double d = sqrt(dx * dx + dz * dz);
    // Far objects: the level would be negative; the cut also keeps the conversion in range.
    if (!(d < 4.0)) return 0;
    int32_t level = 3 - (int32_t)d;
    return level < 0 ? 0 : level;
}

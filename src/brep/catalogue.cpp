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
#include "maze/maze_draw.h"
#include "scene/creatures.h"

ModelEntry modelTable[MODEL_ROWS];
const char* const modelNames[MODEL_ROWS] = {"STRAWBAR", "OILCAN",     "DIAMOND",    "SPIDER",
                                            "FLOOR0",   "VORDERBEIN", "HINTERBEIN", "PFERD"};
BrepModel* arrowModel;
uint32_t arrowList;

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
    static void (*const materials[MODEL_ROWS])() = {strawMaterial,  oilcanMaterial, diamondMaterial,
                                                    spiderMaterial, floorMaterial,  nullptr,
                                                    nullptr,        nullptr};
    static void (*const entities[MODEL_ROWS])(const Actor*) = {
        strawDraw, oilcanDraw, diamondDraw, spiderDraw, drawFloorTile, nullptr, nullptr, nullptr};
    for (int row = 0; row < MODEL_ROWS; row++) {
        ModelEntry& e = modelTable[row];
        e.applyMaterial = materials[row];
        e.drawEntity = entities[row];
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
    double dx = (double)pos[0] - (double)player.x;
    double dz = (double)pos[2] - (double)player.z;
    double d = sqrt(dx * dx + dz * dz);
    // Far objects: the level would be negative; the cut also keeps the conversion in range.
    if (!(d < 4.0)) return 0;
    int32_t level = 3 - (int32_t)d;
    return level < 0 ? 0 : level;
}

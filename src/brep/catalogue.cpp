#include "brep/catalogue.h"

#include <cmath>
#include <cstdio>
#include <cstring>

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

void modelBuildBase(int row, BrepModel** out) {
    if (row == ROW_FLOOR) {
        brepBuildFloor(out, modelNames[row]);
        return;
    }
    brepBuildFromDef(out, modelNames[row]);
    if (row == ROW_OILCAN) {
        brepLoadDef(out, "OILCAN1");
        brepLoadDef(out, "OILCAN2");
    } else if (row == ROW_SPIDER) {
        brepLoadDef(out, "SPIDER1");
        brepLoadDef(out, "SPIDER2");
        brepLoadDef(out, "SPIDER3");
        brepLoadDef(out, "SPIDER4");
    }
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
            int read = brepReadText(&model, modelNames[row], level);
            if (!read)
                printf("Brep Error %s.%03d.brep.txt: not read, nothing packed\n", modelNames[row], level);
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
    case 0:
        for (int row = 0; row < MODEL_ROWS; row++) modelBuildBase(row, &modelTable[row].models[0]);
        for (int level = 1; level < MODEL_LEVELS; level++)
            for (int row = 0; row < MODEL_ROWS; row++)
                modelRefineNext(row, modelTable[row].models[level - 1], &modelTable[row].models[level]);
        if (record.splitQuads)
            for (int row = 0; row < MODEL_ROWS; row++)
                for (int level = 0; level < MODEL_LEVELS; level++)
                    brepSplitPolygons(modelTable[row].models[level]);
        for (int row = 0; row < MODEL_ROWS; row++)
            for (int level = 0; level < MODEL_LEVELS; level++) brepWriteText(modelTable[row].models[level]);
        break;
    case 1:
        for (int level = 0; level < MODEL_LEVELS; level++)
            for (int row = 0; row < MODEL_ROWS; row++)
                brepReadText(&modelTable[row].models[level], modelNames[row], level);
        break;
    case 2:
        for (int level = 0; level < MODEL_LEVELS; level++)
            for (int row = 0; row < MODEL_ROWS; row++)
                brepReadBinary(&modelTable[row].models[level], modelNames[row], level);
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

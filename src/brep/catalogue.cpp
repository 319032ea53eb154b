// SPDX-License-Identifier: GPL-3.0-or-later
#include "brep/catalogue.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/paths.h"
#include "app/record.h"
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_draw.h"
#include "brep/brep_file.h"

const char* const modelNames[MODEL_ROWS] = {"STRAWBAR", "OILCAN",     "DIAMOND",    "SPIDER",
                                            "FLOOR0",   "VORDERBEIN", "HINTERBEIN", "PFERD"};
BrepModel* arrowModel;
uint32_t arrowList;

// A level's list made in pieces between frames: each piece a list of its own, the faces from next on
// still to come. The level's list, made once the last piece is, calls the pieces in order.
struct ListPieces {
    bool started;
    const BrepFace* next;
    std::vector<GLuint> lists;
};
static ListPieces pieces[MODEL_ROWS][MODEL_LEVELS];

static void forgetPieces(bool deleteLists) {
    for (auto& row : pieces)
        for (ListPieces& p : row) {
            if (deleteLists)
                for (GLuint list : p.lists) glDeleteLists(list, 1);
            p = ListPieces{};
        }
}

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
    forgetPieces(false);
}

// The rows built from their definitions by the last modelTableBuildModels, whose text files are
// still to be written, and the next of those files (row by row, level by level) that no writer has
// taken yet: closed while the models are built.
static bool builtRows[MODEL_ROWS];
static std::atomic<int> nextFile{MODEL_ROWS * MODEL_LEVELS};

void modelTableLoadModels() {
    modelTableBuildModels();
    modelTableWriteBuilt();
}

void modelTableWriteBuilt() {
    for (int file; (file = nextFile++) < MODEL_ROWS * MODEL_LEVELS;) {
        const int row = file / MODEL_LEVELS, level = file % MODEL_LEVELS;
        if (builtRows[row]) brepWriteText(modelTable[row].models[level]);
    }
}

void modelTableBuildModels() {
    nextFile = MODEL_ROWS * MODEL_LEVELS;
    for (bool& row : builtRows) row = false;
    brepBuildFromDef(&arrowModel, "arrow");

    switch (record.modelSource) {
    case 0: {
        // A row with a refused definition (one line each) is neither refined nor written: its model
        // files may be good ones from an earlier start.
        bool* built = builtRows;
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
    nextFile = 0;
}

void modelTableLoad() {
    modelTableReset();
    modelTableLoadModels();
}

// The rest of a level's list at once: the whole list, or its last piece and the list that calls the
// pieces.
static void finishList(int row, int level) {
    ModelEntry& e = modelTable[row];
    ListPieces& p = pieces[row][level];
    if (!p.started) {
        brepCompileList(e.models[level], &e.lists[level]);
        return;
    }
    if (p.next) {
        GLuint last;
        brepCompileFaces(p.next, INT_MAX, &last);
        p.lists.push_back(last);
        p.next = nullptr;
    }
    e.lists[level] = glGenLists(1);
    glNewList(e.lists[level], GL_COMPILE);
    for (GLuint list : p.lists) glCallList(list);
    glEndList();
}

void modelTableCompile() {
    if (!arrowList) brepCompileList(arrowModel, &arrowList);
    for (int level = 0; level < MODEL_LEVELS; level++)
        for (int row = 0; row < MODEL_ROWS; row++)
            if (!modelTable[row].lists[level]) finishList(row, level);
}

uint32_t modelTableList(int row, int level) {
    if (!modelTable[row].lists[level]) finishList(row, level);
    return modelTable[row].lists[level];
}

uint32_t modelArrowList() {
    if (!arrowList) brepCompileList(arrowModel, &arrowList);
    return arrowList;
}

int modelTableCompileSome(int faces) {
    if (!arrowList) {
        brepCompileList(arrowModel, &arrowList);
        return 1;
    }
    for (int level = 0; level < MODEL_LEVELS; level++)
        for (int row = 0; row < MODEL_ROWS; row++) {
            if (modelTable[row].lists[level]) continue;
            ListPieces& p = pieces[row][level];
            const BrepModel* model = modelTable[row].models[level];
            if (!p.started) {
                int count = 0;
                for (const BrepFace* f = model ? model->faces : nullptr; f && count <= faces; f = f->next)
                    count++;
                if (count <= faces) { // small enough for one go
                    finishList(row, level);
                    return 1;
                }
                p.started = true;
                p.next = model->faces;
            }
            GLuint piece;
            p.next = brepCompileFaces(p.next, faces, &piece);
            p.lists.push_back(piece);
            if (!p.next) finishList(row, level);
            return 1;
        }
    return 0;
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
    forgetPieces(true);
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

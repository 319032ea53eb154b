// SPDX-License-Identifier: GPL-3.0-or-later
// kavernix-tool render: one catalogue model, lit and textured, rendered into a TGA file, so that
// art can be judged by looking. Needs a display (under Xvfb in scripts).
#include <GL/freeglut.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "app/paths.h"
#include "app/record.h"
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_draw.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "image/texture.h"
#include "image/tga.h"
#include "scene/creatures.h"
#include "tool.h"

enum { RENDER_SIZE = 512 };

// Level `level` of a catalogue row, or of the arrow, built from the definitions here.
static BrepModel* renderBuildModel(const char* name, int level) {
    int row = modelRowByName(name);
    BrepModel* levels[MODEL_LEVELS] = {};
    if (row >= 0)
        modelBuildBase(row, &levels[0]);
    else if (!strcmp(name, "arrow"))
        brepBuildFromDef(&levels[0], name);
    else
        return nullptr;
    for (int l = 1; l <= level; l++) {
        if (row >= 0)
            modelRefineNext(row, levels[l - 1], &levels[l]);
        else
            brepRefine(levels[l - 1], &levels[l]);
    }
    for (int l = 0; l < level; l++) brepFree(&levels[l]);
    return levels[level];
}

// Centre and radius of the model's bounding box.
static void renderBounds(const BrepModel* m, float centre[3], float* radius) {
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (const BrepVertex* v = m->vertices; v; v = v->next)
        for (int k = 0; k < 3; k++) {
            lo[k] = fminf(lo[k], v->pos[k]);
            hi[k] = fmaxf(hi[k], v->pos[k]);
        }
    float r2 = 0;
    for (int k = 0; k < 3; k++) {
        centre[k] = (lo[k] + hi[k]) / 2;
        r2 += (hi[k] - lo[k]) * (hi[k] - lo[k]) / 4;
    }
    *radius = r2 > 0 ? sqrtf(r2) : 1;
}

// The whole horse as the game draws it: body and four legs from catalogue rows 5 to 7 at one
// level, with the hide and leg textures of the working folder when they are there.
static int renderHorseLoad(int level) {
    const int rows[] = {ROW_FRONTLEG, ROW_HINDLEG, ROW_HORSE};
    for (int row : rows) {
        BrepModel* m = renderBuildModel(modelNames[row], level);
        if (!m || !m->faces) return 0;
        modelTable[row].models[level] = m;
    }
    tgaLoad(&imgHorse, pathData("pferd.tga").c_str());
    tgaLoad(&imgHorseLeg, pathData("pferd_bein.tga").c_str());
    record.lodLevel = level;
    return 1;
}

static void renderScene(const BrepModel* m, TgaImage* texture, float yaw, float pitch) {
    float centre[3] = {0, 0.2f, 0}, radius = 0.3f;
    if (m) renderBounds(m, centre, &radius);
    glViewport(0, 0, RENDER_SIZE, RENDER_SIZE);
    glClearColor(0.25f, 0.27f, 0.3f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30, 1, radius * 0.5, radius * 8);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float light[4] = {0.3f, 0.5f, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glTranslatef(0, 0, -radius * 3.9f);
    glRotatef(pitch, 1, 0, 0);
    glRotatef(yaw, 0, 1, 0);
    glTranslatef(-centre[0], -centre[1], -centre[2]);
    const float diffuse[4] = {0.9f, 0.9f, 0.9f, 1}, ambient[4] = {0.25f, 0.25f, 0.25f, 1};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    record.textureMode = 2;
    if (texture->pixels) {
        textureUpload(texture);
        glEnable(GL_TEXTURE_2D);
    }
    if (m) {
        brepDraw(m);
    } else {
        textureUpload(&imgHorse);
        textureUpload(&imgHorseLeg);
        Actor horse = {};
        horse.heading = 90;
        horseDraw(&horse);
    }
    glFinish();
}

int toolRender(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr,
                "usage: kavernix-tool render MODEL LEVEL OUT.tga [--texture FILE] [--yaw D --pitch D]\n"
                "MODEL is a catalogue name, \"arrow\", or \"horse\" for the assembled horse\n");
        return 2;
    }
    const char* name = argv[1];
    int level = atoi(argv[2]);
    const char* out = argv[3];
    const char* textureFile = nullptr;
    float yaw = 30, pitch = 20;
    for (int i = 4; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--texture"))
            textureFile = argv[i + 1];
        else if (!strcmp(argv[i], "--yaw"))
            yaw = (float)atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--pitch"))
            pitch = (float)atof(argv[i + 1]);
        else {
            fprintf(stderr, "kavernix-tool render: unknown option '%s'\n", argv[i]);
            return 2;
        }
    }
    if (level < 0 || level >= MODEL_LEVELS) {
        fprintf(stderr, "kavernix-tool render: level must be 0 to 3\n");
        return 2;
    }
    if (!toolDataHere("render")) return 1;
    // "horse" is the assembled horse; any other name one model.
    int wholeHorse = !strcmp(name, "horse");
    BrepModel* model = wholeHorse ? nullptr : renderBuildModel(name, level);
    if (wholeHorse ? !renderHorseLoad(level) : !model || !model->faces) {
        fprintf(stderr,
                "kavernix-tool render: no model '%s' (definitions are read from the working folder)\n", name);
        return 1;
    }
    TgaImage texture = {};
    if (textureFile && !tgaLoad(&texture, textureFile)) {
        fprintf(stderr, "kavernix-tool render: cannot read texture '%s'\n", textureFile);
        return 1;
    }
    int glArgc = 1;
    char arg0[] = "kavernix-tool";
    char* glArgv[] = {arg0, nullptr};
    glutInit(&glArgc, glArgv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(RENDER_SIZE, RENDER_SIZE);
    glutCreateWindow("Kavernix model");
    renderScene(model, &texture, yaw, pitch);

    TgaImage shot = {};
    tgaCreate(&shot, 24, RENDER_SIZE, RENDER_SIZE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, RENDER_SIZE, RENDER_SIZE, GL_RGB, GL_UNSIGNED_BYTE, shot.pixels);
    int saved = tgaSave(&shot, out);
    tgaFree(&shot);
    tgaFree(&texture);
    brepFree(&model);
    if (!saved) {
        fprintf(stderr, "kavernix-tool render: cannot write '%s'\n", out);
        return 1;
    }
    return 0;
}

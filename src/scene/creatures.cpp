// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/creatures.h"

#include <cmath>
#include <GL/gl.h>

#include "app/record.h"
#include "brep/brep_draw.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "maze/maze_draw.h"

namespace {

void setMaterial(const GLfloat* diffuse, const GLfloat* other) {
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, other);
    glMaterialfv(GL_FRONT, GL_SPECULAR, other);
    glMaterialfv(GL_FRONT, GL_EMISSION, other);
}

void texturedMaterial(const TgaImage& image, const GLfloat* diffuse, const GLfloat* other) {
    restoreTexturing();
    glBindTexture(GL_TEXTURE_2D, image.textureId);
    setMaterial(diffuse, other);
}

const GLfloat opaqueBlack[4] = {0, 0, 0, 1};
const GLfloat horseDiffuse[4] = {0.8f, 0.4f, 0.0f, 1.0f};

// One level of a catalogue row, from its list or drawn directly. A level outside 0..3 (a damaged
// settings record) draws level 0 rather than reading past the table.
void drawLevel(int row, int level) {
    if (level < 0 || level >= MODEL_LEVELS) level = 0;
    if (record.useDisplayLists)
        glCallList(modelTableList(row, level));
    else
        brepDraw(modelTable[row].models[level]);
}

bool inVisibleCell(const Actor* a) {
    return mazeIsVisible(&maze, int(a->x), int(a->z)) != 0;
}

} // namespace

void strawMaterial() {
    const GLfloat diffuse[4] = {0.8f, 0.8f, 0.0f, 1.0f};
    texturedMaterial(imgHay, diffuse, opaqueBlack);
}

void oilcanMaterial() {
    const GLfloat diffuse[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    texturedMaterial(imgOilcan, diffuse, opaqueBlack);
}

// One white texel. The diamond is lit but bare: with textures on it takes this texel over its lit
// colour (texel times colour is the colour), so that a software renderer draws it with the kind of
// program it already built for the textured mine. Bare, it would build new ones (a triangle set-up
// among them, 5 to 8 ms) in the frame the first diamond comes into view.
static GLuint whiteTexel;

static bool diamondTextured() {
    return record.textureMode != 0;
}

void diamondMaterial() {
    const GLfloat diffuse[4] = {0.8f, 0.8f, 1.0f, 0.7f};
    const GLfloat other[4] = {0, 0, 0, 0};
    if (diamondTextured()) {
        if (whiteTexel == 0) {
            static const GLubyte white[4] = {255, 255, 255, 255};
            glGenTextures(1, &whiteTexel);
            glBindTexture(GL_TEXTURE_2D, whiteTexel);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        }
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, whiteTexel);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    setMaterial(diffuse, other);
}

void spiderMaterial() {
    const GLfloat diffuse[4] = {0.2f, 0.2f, 0.2f, 0.9f};
    const GLfloat other[4] = {0, 0, 0, 0.9f};
    texturedMaterial(imgSpider, diffuse, other);
}

void strawDraw(const Actor* a) {
    if (!inVisibleCell(a)) return;
    glPushMatrix();
    glTranslatef(a->x, a->y, a->z);
    glRotatef(a->heading, 0, 1, 0);
    glRotatef(180, 0, 0, 1);
    glScalef(0.1f, 0.1f, 0.2f);
    drawLevel(ROW_STRAW, lodForPosition(&a->x));
    glPopMatrix();
}

void oilcanDraw(const Actor* a) {
    if (!inVisibleCell(a)) return;
    glPushMatrix();
    glTranslatef(a->x, a->y, a->z);
    glRotatef(a->heading, 0, 1, 0);
    glScalef(0.05f, 0.05f, 0.05f);
    drawLevel(ROW_OILCAN, lodForPosition(&a->x));
    glPopMatrix();
}

void diamondDraw(const Actor* a) {
    if (!inVisibleCell(a)) return;
    GLint culling = 0;
    glGetIntegerv(GL_CULL_FACE, &culling);
    glEnable(GL_CULL_FACE);
    glPushMatrix();
    glTranslatef(a->x, a->y, a->z);
    glScalef(0.05f, 0.05f, 0.05f);
    glRotatef(a->heading, 0, 1, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The white texel's coordinates come with every vertex, as the mine's do: made by OpenGL.
    const bool textured = diamondTextured();
    if (textured) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    }
    drawLevel(ROW_DIAMOND, lodForPosition(&a->x));
    if (textured) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    glBlendFunc(GL_ONE, GL_ZERO);
    glPopMatrix();
    if (!culling) glDisable(GL_CULL_FACE);
}

void spiderDraw(const Actor* a) {
    if (!inVisibleCell(a)) return;
    // The thread takes the normal and texture coordinate left current as its vertices' own: the same
    // colour, but given per vertex as the mine's are, so a software renderer draws it with the kind
    // of program it already has. Left constant, they make it build new ones in the frame the first
    // spider comes into view.
    GLfloat normal[3], texel[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texel);
    glBegin(GL_LINES);
    glNormal3fv(normal);
    glTexCoord4fv(texel);
    glVertex3f(a->x, 1.0f, a->z);
    glVertex3f(a->x, a->y, a->z);
    glEnd();
    glPushMatrix();
    glTranslatef(a->x, a->y, a->z);
    glRotatef(a->heading, 0, 1, 0);
    glScalef(0.05f, 0.05f, 0.05f);
    drawLevel(ROW_SPIDER, lodForPosition(&a->x));
    glPopMatrix();
}

namespace {

struct Leg {
    int row;
    float px, py, pz;
    float sign; // of the swing
};

// Diagonal legs swing together, as in a trot.
const Leg legs[4] = {
    {ROW_FRONTLEG, 0.06f, -1.6f, 0.188f, 1},
    {ROW_FRONTLEG, 0.06f, -1.6f, -0.188f, -1},
    {ROW_HINDLEG, -0.584f, -1.6f, 0.188f, -1},
    {ROW_HINDLEG, -0.584f, -1.6f, -0.188f, 1},
};

} // namespace

// The horse's body and legs; textured: with the horse's textures and material, else only the shapes
// (in the colour set before).
static void horseShape(const Actor* h, int textured) {
    const float swing = float(std::sin(double(h->distance) * 15.0) * 7.0);
    const int level = lodForPosition(&h->x);

    if (textured) texturedMaterial(imgHorse, horseDiffuse, opaqueBlack);
    glPushMatrix();
    glTranslatef(h->x, 0.3f, h->z);
    glRotatef(90 - h->heading, 0, 1, 0);
    glRotatef(270, 0, 0, 1);
    glScalef(0.12f, 0.17f, 0.17f);
    drawLevel(ROW_HORSE, level);
    glRotatef(-270, 0, 0, 1);

    // Each leg swings about its hip, 1.5 units above its anchor.
    if (textured) texturedMaterial(imgHorseLeg, horseDiffuse, opaqueBlack);
    for (const Leg& leg : legs) {
        glPushMatrix();
        glTranslatef(leg.px, leg.py, leg.pz);
        glTranslatef(0, 1.5f, 0);
        glRotatef(leg.sign * swing, 0, 0, 1);
        glTranslatef(0, -1.5f, 0);
        glScalef(0.2f, 0.9f, 0.2f);
        drawLevel(leg.row, level);
        glPopMatrix();
    }
    glPopMatrix();
}

void horseDraw(const Actor* h) {
    if (!inVisibleCell(h)) return;
    horseShape(h, 1);
}

void ghostDraw(const Actor* h, const float* lamp, float glow, float viewHeading, float viewPitch) {
    const int horseSeen = inVisibleCell(h);
    Actor at{};
    at.x = lamp[0], at.y = lamp[1], at.z = lamp[2];
    const int lampSeen = glow > 0 && inVisibleCell(&at);
    if (!horseSeen && !lampSeen) return;
    // Added to what lies under it, unlit and untextured, behind the rock but never hiding anything;
    // shaded smoothly whatever the game's shading, or the glow would take its rim's colour (none).
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    if (horseSeen) {
        glColor4f(0.55f, 0.7f, 1.0f, 0.22f);
        horseShape(h, 0);
    }
    if (lampSeen) {
        // A soft disc facing the viewer: bright in the middle, gone at its rim.
        glPushMatrix();
        glTranslatef(lamp[0], lamp[1], lamp[2]);
        glRotatef(-viewHeading, 0, 1, 0);
        glRotatef(-viewPitch, 1, 0, 0);
        glBegin(GL_TRIANGLE_FAN);
        glColor4f(1.0f, 0.85f, 0.5f, 0.45f * glow);
        glVertex3f(0, 0, 0);
        glColor4f(1.0f, 0.85f, 0.5f, 0.0f);
        for (int i = 0; i <= 16; ++i) {
            const float a = float(i) * float(M_PI) / 8;
            glVertex3f(0.12f * std::cos(a), 0.12f * std::sin(a), 0);
        }
        glEnd();
        glPopMatrix();
    }
    glDepthMask(GL_TRUE);
    glPopAttrib();
}

void sceneRegisterModels() {
    static Actor placed[MODEL_ROWS][MAX_INSTANCES]; // the instances the game places in the maze
    static void (*const materials[MODEL_ROWS])() = {strawMaterial,  oilcanMaterial, diamondMaterial,
                                                    spiderMaterial, floorMaterial,  nullptr,
                                                    nullptr,        nullptr};
    static void (*const draws[MODEL_ROWS])(const Actor*) = {
        strawDraw, oilcanDraw, diamondDraw, spiderDraw, drawFloorTile, nullptr, nullptr, nullptr};
    for (int row = 0; row < MODEL_ROWS; row++) modelRowRegister(row, materials[row], draws[row], placed[row]);
    modelViewerRegister(&player.x);
}

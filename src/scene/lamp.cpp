// SPDX-License-Identifier: GPL-3.0-or-later
#include "scene/lamp.h"

#include <GL/gl.h>

#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "game/items.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/maze.h"
#include "text/font.h"
#include "text/hud.h"
#include "text/texts.h"
#include <cmath>
#include <cstring>

namespace {

// The names printed on the lamp frame: centre x and bottom y in fractions of the stage, glyph
// height in fractions of its height, and the widest the text may be.
struct FrameLabel {
    TextId text;
    float x, y, height, widest;
};
const FrameLabel frameLabels[] = {
    {TEXT_LABEL_OIL, 0.14f, 0.132f, 0.032f, 0.16f},
    {TEXT_LABEL_STRAW, 0.31f, 0.132f, 0.032f, 0.16f},
    {TEXT_LABEL_DIAMONDS, 0.48f, 0.132f, 0.032f, 0.16f},
    {TEXT_LABEL_LAMP, 0.0575f, 0.08f, 0.03f, 0.105f},
    {TEXT_LABEL_LAMP_NUMBER, 0.0575f, 0.045f, 0.03f, 0.105f},
    {TEXT_LABEL_MAP, 0.8355f, 0.655f, 0.032f, 0.18f},
};

// How high a label's plate reaches, in glyph heights: a capital with a diacritic (Latin-1 0xC0 to
// 0xDE, the Ö of "ÖL") has its marks above the other capitals, so its plate reaches higher.
float plateTop(const char* text) {
    for (const char* c = text; *c; ++c)
        if (uint8_t(*c) >= 0xC0 && uint8_t(*c) <= 0xDE && uint8_t(*c) != 0xD7) return 1.12f;
    return 0.95f;
}

// Each label light on a dark plate of its own, readable on brass and on rock.
void drawFrameLabels() {
    static const float ink[4] = {1.0f, 0.9f, 0.65f, 1};
    const Stage st = recordStage();
    for (const FrameLabel& l : frameLabels) {
        const char* text = textOf(l.text);
        const float n = float(strlen(text));
        const float h = l.height * float(st.height);
        float w = h / 2;
        if (n * w > l.widest * float(st.width)) w = l.widest * float(st.width) / n;
        const float x0 = l.x * float(st.width) - n * w / 2, y0 = l.y * float(st.height);
        hudDrawTextGround(x0 - w * 0.4f, y0 - h * 0.05f, x0 + n * w + w * 0.4f, y0 + h * plateTop(text));
        fontDrawTextSized(x0 / float(st.width), l.y, text, ink, w, h);
    }
}

} // namespace

void lampLight() {
    if (stencilValid >= 3) return;
    stencilValid += 1;
    // The colour too: the bands beside the stage are only cleared here, the picture covers the rest.
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glCheckError();
    glStencilFunc(GL_ALWAYS, 1, 1);
    glCheckError();
    drawPicture(&imgStencilFit);
    glCheckError();
    drawFrameLabels();
    // The mask is 8 bits per pixel: it goes into the stencil, 1 inside the lit opening.
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    glCheckError();
    drawPicture(&imgStencilMask);
    glCheckError();
    glStencilFunc(GL_EQUAL, 1, 1);
    glCheckError();
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glCheckError();
    restoreTexturing();
    glCheckError();
}

namespace {

void mapColour(float r, float g, float b, float a) {
    glColor4f(r, g, b, a);
}

// The square between two map points, all at z = 1.
void mapSquare(float x0, float y0, float x1, float y1) {
    glVertex3f(x0, y0, 1);
    glVertex3f(x0, y1, 1);
    glVertex3f(x1, y1, 1);
    glVertex3f(x1, y0, 1);
}

// The map's marks by shape, so that nothing depends on telling the colours apart: the exit a hollow
// frame, the horse a disc, the player an arrow pointing where he looks (in map units, before the turn).
void mapSymbolsDraw(int n, float px, float pz) {
    const float ex = float(n) + 0.5f - px, ey = -(float(n) - 0.5f - pz), r = 0.5f, t = 0.18f;
    mapColour(0, 1, 0, 1);
    glBegin(GL_QUADS);
    mapSquare(ex - r, ey - r, ex + r, ey - r + t);
    mapSquare(ex - r, ey + r - t, ex + r, ey + r);
    mapSquare(ex - r, ey - r, ex - r + t, ey + r);
    mapSquare(ex + r - t, ey - r, ex + r, ey + r);
    glEnd();

    mapColour(0, 0, 1, 1);
    glBegin(GL_TRIANGLE_FAN);
    const float hx = horse.x - px, hy = -(horse.z - pz);
    glVertex3f(hx, hy, 1);
    for (int i = 0; i <= 16; ++i) {
        const float a = float(i) * float(M_PI) / 8;
        glVertex3f(hx + 0.45f * cosf(a), hy + 0.45f * sinf(a), 1);
    }
    glEnd();

    // Forward in map units is (sin h, cos h): the turn of the map puts it straight up.
    const float h = player.heading * float(M_PI / 180.0);
    const float fx = sinf(h), fy = cosf(h), sx = fy, sy = -fx;
    mapColour(1, 0, 0, 1);
    glBegin(GL_TRIANGLES);
    glVertex3f(0.75f * fx, 0.75f * fy, 1);
    glVertex3f(-0.5f * fx + 0.5f * sx, -0.5f * fy + 0.5f * sy, 1);
    glVertex3f(-0.2f * fx, -0.2f * fy, 1);
    glVertex3f(0.75f * fx, 0.75f * fy, 1);
    glVertex3f(-0.2f * fx, -0.2f * fy, 1);
    glVertex3f(-0.5f * fx - 0.5f * sx, -0.5f * fy - 0.5f * sy, 1);
    glEnd();
}

} // namespace

void lampBrightness() {
    // Today's light is OpenGL's own: a white lamp and the default faint ambient, which the mine's
    // rock (no ambient colour) does not take.
    static const float diffuse[3] = {1.0f, 1.35f, 1.7f}, ambient[3] = {0.2f, 0.25f, 0.35f};
    const int level = record.lampBrightness >= 0 && record.lampBrightness <= 2 ? record.lampBrightness : 0;
    const float lamp[4] = {diffuse[level], diffuse[level], diffuse[level], 1};
    const float all[4] = {ambient[level], ambient[level], ambient[level], 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lamp);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lamp);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, all);
}

void mapDraw() {
    const Stage st = recordStage();
    const int w = st.width, h = st.height;
    const float px = player.x, pz = player.z;
    const int n = maze.size;

    // Unlit and seen from either side: the colours at full value (the game display fills polygons
    // for the map and the head-up display in every shade mode).
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(st.x + int(w * 0.74), st.y + int(h * 0.715), int(w * 0.191), int(h * 0.225));

    glPushMatrix();
    mapColour(0, 0, 0, 0.1f);
    glBegin(GL_QUADS);
    glVertex3f(0, 0, 1);
    glVertex3f(float(w), 0, 1);
    glVertex3f(float(w), float(h), 1);
    glVertex3f(0, float(h), 1);
    glEnd();

    // A world point (x, z) is at (x - px, -(z - pz)) before the turn: the player in the centre,
    // world +z pointing down the map.
    const float s = (15.0f - inventory[1]) * float(w) / 600.0f;
    glTranslatef(float(w * 0.83), float(h * 0.82), 0);
    glRotatef(player.heading, 0, 0, 1);
    glScalef(s, s, 1);

    glBindTexture(GL_TEXTURE_2D, imgFloor.textureId);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, -1);
    mapColour(0.99f, 0.99f, 0.99f, 99.0f);
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            if (mazeIsOpen(&maze, i, j)) mapSquare(i - px, -(j - pz), i + 1 - px, -(j + 1 - pz));

    // The way out, just beyond the exit cell's open +x side.
    if (record.mapSymbols) {
        glEnd();
        mapSymbolsDraw(n, px, pz);
        glBegin(GL_QUADS);
    } else {
        mapColour(0, 1, 0, 1);
        mapSquare(n - px, -((n - 1) - pz), n + 1 - px, -(n - pz));

        mapColour(0, 0, 1, 1);
        mapSquare(horse.x - 0.5f - px, -(horse.z - 0.5f - pz), horse.x + 0.5f - px, -(horse.z + 0.5f - pz));

        mapColour(1, 0, 0, 0.1f);
        mapSquare(-0.5f, -0.5f, 0.5f, 0.5f);
    }

    // Every placed instance: a half-unit square centred on it.
    mapColour(1, 1, 0, 1);
    for (int row = 0; row <= ROW_FLOOR; ++row)
        for (int i = 0; i < modelTable[row].count && i < MAX_INSTANCES; ++i) {
            const Actor& e = modelTable[row].entities[i];
            mapSquare(e.x - 0.25f - px, -(e.z - 0.25f - pz), e.x + 0.25f - px, -(e.z + 0.25f - pz));
        }
    glEnd();

    glPopMatrix();
    glLoadIdentity();
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    if (backfaceCull) glEnable(GL_CULL_FACE);
    restoreTexturing();
}

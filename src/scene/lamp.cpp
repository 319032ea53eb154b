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
#include <algorithm>
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
        hudDrawTextGround(x0 - w * 0.4f, y0 - h * 0.05f, x0 + n * w + w * 0.4f, y0 + h * 0.95f);
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

} // namespace

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
    // Only the cells that can reach into the map's box: those within its farthest corner's distance
    // from the player (in cells; a square is at most 0.75 of a cell from its centre to a corner).
    const float reachX = std::max(0.83f - 0.74f, 0.74f + 0.191f - 0.83f) * float(w);
    const float reachY = std::max(0.82f - 0.715f, 0.715f + 0.225f - 0.82f) * float(h);
    const float reach = s > 0 ? std::sqrt(reachX * reachX + reachY * reachY) / s + 1 : 1e9f;
    const int i0 = std::max(0, int(px - reach)), i1 = std::min(n, int(px + reach) + 1);
    const int j0 = std::max(0, int(pz - reach)), j1 = std::min(n, int(pz + reach) + 1);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, -1);
    mapColour(0.99f, 0.99f, 0.99f, 99.0f);
    for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j)
            if (mazeIsOpen(&maze, i, j)) mapSquare(i - px, -(j - pz), i + 1 - px, -(j + 1 - pz));

    // The way out, just beyond the exit cell's open +x side.
    mapColour(0, 1, 0, 1);
    mapSquare(n - px, -((n - 1) - pz), n + 1 - px, -(n - pz));

    mapColour(0, 0, 1, 1);
    mapSquare(horse.x - 0.5f - px, -(horse.z - 0.5f - pz), horse.x + 0.5f - px, -(horse.z + 0.5f - pz));

    mapColour(1, 0, 0, 0.1f);
    mapSquare(-0.5f, -0.5f, 0.5f, 0.5f);

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

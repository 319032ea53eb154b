// SPDX-License-Identifier: GPL-3.0-or-later
// The head-up display's drawing: large characters with one additive pass, the status field and
// the frame-rate line.
#include <GL/gl.h>
#include <cstring>
#include "app/record.h"
#include "image/tga.h"
#include "text/font.h"
#include "text/hud.h"

void hudDrawTextGround(float x0, float y0, float x1, float y1) {
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPushMatrix();
    glLoadIdentity();
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA); // keeps 35 % of what lies under it
    glColor4f(0, 0, 0, 0.65f);
    glRectf(x0, y0, x1, y1);
    glBlendFunc(GL_ONE, GL_ZERO);
    glPopMatrix();
    glPopAttrib();
}

void drawTextLarge(float x, float y, const char* text, const float colour[4]) {
    const Stage s = recordStage();
    float w = float(s.width) * hudLargeGlyphWidth(x, text);
    int h = s.height / 12;
    float penX = float(s.width) * x;
    float penY = float(s.height) * y;
    // A dark ground of its own under the text, so it reads over any scene in every mode.
    const float pad = float(h) * 0.08f;
    hudDrawTextGround(penX - pad, penY - pad, penX + w * float(strlen(text)) + pad, penY + float(h) + pad);
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D); // the glyphs are the texture's ink, in every texture mode
    glBindTexture(GL_TEXTURE_2D, imgFont.textureId);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glColor4fv(colour);
    glBlendFunc(GL_ONE, GL_ONE);
    glPushMatrix();
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        glLoadIdentity();
        glTranslatef(penX, penY, 0);
        glScalef(w, float(h), 1);
        glCallList(fontListBase + *c);
        penX += w;
    }
    glPopMatrix();
    glPopAttrib();
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void drawCounter(float x, float y, int value, const float colour[4]) {
    char text[2] = {char('0' + value), 0};
    drawTextLarge(x, y, text, colour);
}

void hudDrawText(float x, float y, const char* label, const float colour[4]) {
    char clock[32];
    drawTextLarge(x, y, hudStatusText(label, clock), colour);
}

void drawFps(float x, float y, float fps, const float colour[4]) {
    if (!record.showFps) return;
    char text[32];
    hudFormatFps(fps, text);
    drawText(x, y, text, colour);
}

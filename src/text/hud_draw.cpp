// The head-up display's drawing: large characters with one additive pass, the status field and
// the frame-rate line.
#include <GL/gl.h>
#include "app/record.h"
#include "image/tga.h"
#include "text/font.h"
#include "text/hud.h"

void drawTextLarge(float x, float y, const char* text, const float colour[4]) {
    float w = float(record.windowWidth) * largeGlyphWidth(x, text);
    int h = record.windowHeight / 12;
    glBindTexture(GL_TEXTURE_2D, imgFont.textureId);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glColor4fv(colour);
    glBlendFunc(GL_ONE, GL_ONE);
    glPushMatrix();
    float penX = float(record.windowWidth) * x;
    float penY = float(record.windowHeight) * y;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        glLoadIdentity();
        glTranslatef(penX, penY, 0);
        glScalef(w, float(h), 1);
        glCallList(fontListBase + *c);
        penX += w;
    }
    glPopMatrix();
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void drawCounter(float x, float y, int value, const float colour[4]) {
    char text[2] = {char('0' + value), 0};
    drawTextLarge(x, y, text, colour);
}

void drawHudText(float x, float y, const char* label, const float colour[4]) {
    char clock[32];
    drawTextLarge(x, y, hudStatusText(label, clock), colour);
}

void drawFps(float x, float y, float fps, const float colour[4]) {
    if (!record.showFps) return;
    char text[32];
    formatFps(fps, text);
    drawText(x, y, text, colour);
}

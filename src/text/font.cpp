// SPDX-License-Identifier: GPL-3.0-or-later
// Font building, glyph lists, text, pictures and the fade.
#include "text/font.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <vector>

#include "app/record.h"
#include "image/picture.h"
#include "image/texture.h"

uint32_t fontListBase;

int fontBuild(TgaImage* font, const char* file) {
    tgaFree(font);
    TgaImage strip{};
    if (!tgaLoad(&strip, file)) return 0;
    if (!tgaCreate(font, 24, 512, 512)) {
        tgaFree(font);
        tgaFree(&strip);
        return 0;
    }
    tgaFill(font, 0xFFFFFF);

    const int width = strip.width, height = strip.height;
    // A row (column) is plain when all its pixels equal its first one.
    auto rowPlain = [&](int y) {
        const uint32_t first = tgaGetPixel(&strip, 0, y);
        for (int x = 1; x < width; x++)
            if (tgaGetPixel(&strip, x, y) != first) return false;
        return true;
    };
    std::vector<char> columnPlain(size_t(width), 1);
    for (int x = 0; x < width; x++) {
        const uint32_t first = tgaGetPixel(&strip, x, 0);
        for (int y = 1; y < height && columnPlain[x]; y++)
            if (tgaGetPixel(&strip, x, y) != first) columnPlain[x] = 0;
    }
    int yStart = 0;
    while (yStart < height && rowPlain(yStart)) yStart++;
    int yEnd = yStart;
    while (yEnd < height && !rowPlain(yEnd)) yEnd++;

    int k = 0, c = 0, r = 0;
    for (int x = 0; x < width;) {
        int x0 = x;
        while (x0 < width && columnPlain[x0]) x0++;
        int x1 = x0;
        while (x1 < width && !columnPlain[x1]) x1++;
        x = x1;
        x0 = x0 + 1;
        if (k > 32 && x0 < width && yStart < height) {
            // Columns x0..x1 inclusive; a glyph that touches the strip's right edge has no column x1.
            const int lastColumn = x1 < width ? x1 : width - 1;
            const int shift = (x0 + 32 - x1) / 2 + 32 * c;
            for (int gx = x0; gx <= lastColumn; gx++)
                for (int gy = yStart; gy < yEnd; gy++)
                    tgaSetPixel(font, gx - x0 + shift, 512 - 32 * r - (gy - yStart),
                                int32_t(tgaGetPixel(&strip, gx, gy)));
        }
        k++;
        if (++c == 16) {
            c = 0;
            r++;
        }
    }
    tgaFree(&strip);
    if (!tgaAddAlpha(font, fontAlpha)) return 0;
    pictureInvert(font);
    return 1;
}

void fontBuildLists(TgaImage* font) {
    // Letters are the font texture's ink in every texture mode: with textures off it is still
    // uploaded, as in mode 1.
    const int mode = record.textureMode;
    if (mode != 1 && mode != 2) record.textureMode = 1;
    textureUpload(font);
    record.textureMode = mode;
    // Each rebuild replaces the previous block of lists rather than leaving it behind.
    if (fontListBase != 0) {
        glDeleteLists(fontListBase, 256);
        glCheckError();
    }
    fontListBase = glGenLists(256);
    glCheckError();
    for (int c = 0; c < 256; c++) {
        const float s0 = float(c % 16) / 16.0f;
        const float tTop = 1.0f - float(c / 16) / 16.0f;
        glNewList(fontListBase + c, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(s0, tTop - 0.0625f);
        glVertex2i(0, 1);
        glTexCoord2f(s0, tTop - 0.001f);
        glVertex2i(0, 0);
        glTexCoord2f(s0 + 0.0625f, tTop - 0.001f);
        glVertex2i(1, 0);
        glTexCoord2f(s0 + 0.0625f, tTop - 0.0625f);
        glVertex2i(1, 1);
        glEnd();
        glEndList();
    }
    glCheckError();
}

// One pass over the string: each byte one glyph, a newline back to the start x and one glyph lower.
static void drawTextPass(float startX, float startY, const unsigned char* text, float w, float h) {
    float penX = startX, penY = startY;
    for (const unsigned char* p = text; *p; p++) {
        if (*p == '\n') {
            penX = startX;
            penY -= h;
            continue;
        }
        glLoadIdentity();
        glTranslatef(penX, penY, 0);
        glScalef(w, h, 1);
        glCallList(fontListBase + *p);
        penX += w;
    }
}

void drawText(float x, float y, const char* text, const float colour[4]) {
    const int h = recordStage().height / 20;
    // Glyphs half as wide as high at every size, as the 640 x 480 stage has them.
    fontDrawTextSized(x, y, text, colour, float(h / 2), float(h));
}

void fontDrawTextSized(float x, float y, const char* text, const float colour[4], float w, float h) {
    glColor4fv(colour);
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
    // Glyphs are the font texture's ink, filled, whatever the shade and texture modes are.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, imgFont.textureId);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    const Stage s = recordStage();
    const float startX = float(s.width) * x;
    const float startY = float(s.height) * y;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    // The first pass multiplies what lies under the ink by (1 + ink), the second adds the ink.
    glBlendFunc(GL_DST_COLOR, GL_ONE);
    drawTextPass(startX, startY, bytes, w, h);
    glColor4fv(colour);
    glBlendFunc(GL_ONE, GL_ONE);
    drawTextPass(startX, startY, bytes, w, h);
    glPopMatrix();
    glPopAttrib();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ZERO);
    glCheckError();
}

void drawPicture(const TgaImage* image) {
    pictureReady(image);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, recordStage().width, 0, recordStage().height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glRasterPos3f(0, 0, 0.1f);
    glCheckError();
    if (image->pixels && image->width > 0 && image->height > 0) {
        const GLenum format = image->bytesPerPixel == 1   ? GL_STENCIL_INDEX
                              : image->bytesPerPixel == 3 ? GL_RGB
                                                          : GL_RGBA;
        // Pixel blocks have no row padding, whatever their width.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glDrawPixels(image->width, image->height, format, GL_UNSIGNED_BYTE, image->pixels);
        glCheckError();
    }
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    restoreTexturing();
    glCheckError();
}

void drawFade(int32_t* fadeState, float* fadeLevel) {
    const int state = *fadeState;
    if (state == 2 || state == 4) {
        *fadeState = 0;
        return;
    }
    if (state != 1 && state != 3) return;
    if (!record.running) return; // a paused screen shows what it shows, undimmed
    drawFadeVeil(state, *fadeLevel);
    *fadeLevel += record.frameTime * 100.0f / 2.0f;
    if (*fadeLevel >= 99.0f) *fadeState = state == 1 ? 2 : 4;
}

void drawFadeVeil(int32_t state, float p) {
    if (state != 1 && state != 3) return;
    if (!record.running) return;
    const float alpha = state == 1 ? p / 100.0f : 1.0f - p / 100.0f;
    glBlendFunc(state == 1 ? GL_ZERO : GL_ONE, GL_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(0, 0, 0, alpha);
    glBegin(GL_QUADS);
    glNormal3i(0, 0, -1);
    const Stage s = recordStage();
    glVertex3i(0, s.height, 1);
    glVertex3i(0, 0, 1);
    glVertex3i(s.width, 0, 1);
    glVertex3i(s.width, s.height, 1);
    glEnd();
    glPopMatrix();
    restoreTexturing();
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_LIGHTING);
    glCheckError();
}

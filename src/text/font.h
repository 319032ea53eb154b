// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap font (256 cells of 32 x 32 pixels in a 512 x 512 RGBA image, one display list per
// character) and the 2D drawing every screen uses: text, unscaled pictures and the fade.
#pragma once
#include <cstdint>
#include "image/tga.h"

extern uint32_t fontListBase; // first of the 256 glyph lists; list fontListBase + c draws c

// Builds the font image from a strip of dark glyphs on white, side by side from code 0; the strip's
// first 33 glyphs only hold the places of codes 0..32. Replaces font's block. 1 on success, 0 if the
// strip cannot be loaded or the image cannot be allocated (font is then empty).
int fontBuild(TgaImage* font, const char* file);
// Uploads the font texture and builds the 256 glyph lists (unit squares), replacing the old ones.
void fontBuildLists(TgaImage* font);
// Draws text with the first character's bottom-left corner at (x, y), fractions of the window from
// its bottom-left; a newline goes back to x, one glyph lower. Needs a window-pixel projection.
// Glyphs are half as wide as high, a twentieth of the stage high (fractions are of the stage).
void drawText(float x, float y, const char* text, const float colour[4]);
// The same with glyphs of w by h stage pixels.
void fontDrawTextSized(float x, float y, const char* text, const float colour[4], float w, float h);
// Draws an image unscaled at the window's bottom-left corner; an 8-bit image goes into the stencil
// buffer. Leaves the window-pixel projection set.
void drawPicture(const TgaImage* image);
// Draws this frame's fade (a black quad that scales the frame) and advances it. state is the
// screen's fade state (0 none, 1 fading in, 2 fade-in done, 3 fading out, 4 fade-out done: a done
// state is cleared to 0), level its progress (1 at the start, done at 99).
void drawFade(int32_t* state, float* level);
// The veil of a fade at its level, without moving it on (the game screen's step moves it).
void drawFadeVeil(int32_t state, float level);

// SPDX-License-Identifier: GPL-3.0-or-later
// The head-up display: the three large counters, the status field (message, clock or rider
// label by turns), the frame-rate line, and the message mechanism the toggle keys use.
// The drawing routines expect the window-pixel orthographic projection to be set.
#pragma once
#include "file/clock.h" // formatClock, the clock text of every screen

// Copies at most 31 bytes of text into record.messageText (always terminated) and stamps it with
// record.gameTime; a stamp of 0 means no message, so a message set at game time 0 never shows.
void showMessage(const char* text);
// What the status field shows now: the message while its second and the next one last, else the
// clock in odd seconds and the label in even ones. clock must hold 32 bytes; the result is
// record.messageText, clock or label.
const char* hudStatusText(const char* label, char* clock);
// "FPS:%2d.%02d" of fps; out must hold 32 bytes.
void hudFormatFps(float fps, char* out);

// The width of one large character as a fraction of the window width: a twenty-fifth, narrower
// for a text that would otherwise run past the window's right edge from x.
float hudLargeGlyphWidth(float x, const char* text);

// Darkens the rectangle (stage pixels) under a text to 35 %, in every shade and texture mode.
void hudDrawTextGround(float x0, float y0, float x1, float y1);
// One large character, code '0' + value.
void drawCounter(float x, float y, int value, const float colour[4]);
// A string in large characters (hudLargeGlyphWidth by the stage's height / 12) on a dark ground of
// its own, every byte one glyph, textured and filled in every mode.
void drawTextLarge(float x, float y, const char* text, const float colour[4]);
// The status field in large characters.
void hudDrawText(float x, float y, const char* label, const float colour[4]);
// The frame-rate line in small characters, only while record.showFps is nonzero.
void drawFps(float x, float y, float fps, const float colour[4]);

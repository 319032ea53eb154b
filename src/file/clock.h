// SPDX-License-Identifier: GPL-3.0-or-later
// The game's clock text, one source for the game and its settings library (each compiles its own
// copy, as with the file routines), so that a time reads the same on every screen.
#pragma once

// "H:MM:SS:hh" of a time in seconds, rounded to the nearest hundredth; out must hold 32 bytes.
void formatClock(float seconds, char* out);

// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up pieces that main puts together in its fixed order.
#pragma once

// The heap for a process that fills a hundred megabytes in its first second: one arena for every
// thread, large blocks from it too, nothing handed back, and the room it grows into on 2 MB pages
// where the system offers them. Touching fresh memory page by page was a third of the start-up's
// processor time. Call first in main, before any thread starts.
void startupHeap();
// Gives memory back after the start-up: the heap's free room is returned once; then blocks of 2 MB
// and up (the pictures a resize fits anew) are mapped on their own and go back when freed, while
// the heap keeps enough free room that a frame's own allocations never grow or shrink it.
void startupHeapRelease();
// The drawn frame that gives the start-up's memory back: after the three frames that draw the lamp
// frame and one plain frame, so that no frame carries both.
constexpr int startupHeapReleaseFrame = 5;
// Called after every drawn frame of any screen: starts the pad's timer after the first, has the main
// loop open the sound device (the game's hum starts then) after the sixth or 500 ms after the first,
// whichever comes first; startupHeapRelease at startupHeapReleaseFrame, then a step of compiling the
// models' display lists at each frame until all are.
void startupFrameDrawn();

// Reads the full-window picture of the first screen (the story poster, or the lamp frame when the
// story is skipped; the others are read at their first fit), the textures (floor and wall
// mirror-tiled) and the explosion frames (black made opaque, everything else transparent) into the
// image table. A file that cannot be used leaves an empty slot and one line on standard error.
void startupLoadImages();
// Opens the game mode named in record.gameModeString, or the window "Kavernix" of the record's
// size (full screen when record.fullScreen). A game mode the display refuses is reported in one
// line and the window opens instead. Returns 1 when the game mode is active, else 0.
int startupOpenDisplaySurface();
// The fixed OpenGL state: red clear colour, depth test, normalising, lighting with light 0,
// neutral blending, no alpha test; then the shade and texture modes and the font's lists.
void initGlState();

// The start-up in two halves, in the one order main runs them. startupLoadData builds everything
// that needs no window: the inventory, the model catalogue, the maze with its items (printed on the
// console), the pictures, textures and font (writing "fonttest.tga"). startupOpenWindow opens the
// window or game mode (a window size larger than the screen or OpenGL allows is reduced, with one
// line on standard error), sets the fixed GL state and uploads the textures, centres and hides the
// pointer and has the keyboard's repeats told from new presses (inputRepeatWithoutRelease).
void startupLoadData();
// startupLoadData in two calls, so that the toolkit can start between them: the first starts reading
// the models and the pictures on two threads, the second waits for the models, builds the maze (so
// it prints after what the models printed, as before) and waits for the textures and the font. The
// image loader goes on to fit the first screen's picture to the window the record asks for (with
// the lamp frame's mask and boxes) while startupOpenWindow opens the window, which waits for it
// before it returns. The models' text files (model source 0) are written on at the lowest priority
// while the game starts; the exit, startupLoadData and the next startupLoadDataBegin finish them.
void startupLoadDataBegin();
void startupLoadDataEnd();
void startupOpenWindow();
// Cuts a size to the largest window the screen and OpenGL allow (known once the window is open):
// the pictures are never fitted to more.
void startupWindowSizeLimit(int* width, int* height);

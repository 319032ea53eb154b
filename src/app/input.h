// SPDX-License-Identifier: GPL-3.0-or-later
// Input by action. Every source (the keyboard, the mouse, the pad) turns what it sees into actions
// (setup/key_table.h); the game reads one held state per action, and every action's press is handled
// in one place (inputPress) for the screen in use. Key codes live only in the key table and the
// keyboard source below.
#pragma once
#include "setup/key_table.h"

enum InputSource { SOURCE_KEYBOARD, SOURCE_MOUSE, SOURCE_PAD, INPUT_SOURCES };
// What a press does depends on the screen: the story, the game, the end screen, or the timedemo,
// which takes Escape only.
enum InputScreen { INPUT_NONE, INPUT_STORY, INPUT_GAME, INPUT_END, INPUT_TIMEDEMO, INPUT_SCREENS };

extern int setupRequested;         // F1: the next game update opens the settings dialog
extern int lastMouseX, lastMouseY; // the pointer's place as last seen

// Registers the screen's keyboard and mouse callbacks and releases every held action.
void inputUse(int screen);
void inputSetScreen(int screen); // the screen alone, without the callbacks (no window needed)
int inputScreen();
int inputScreenMask(); // the key table's screen (SCREEN_GAME, ...) of the screen in use
// A source's action went down (1) or up (0). A press acts at once (inputPress); the action stays
// held while any source holds it.
void inputAction(int source, int action, int down);
int inputHeld(int action); // 1 while any source holds the action down
int inputLastSource();     // the source of the latest press (SOURCE_KEYBOARD before any)
// The action held (1) or let go (0) as no source holds it, until a source's next release of it: the
// timedemo's walk out, and tests.
void inputHold(int action, int held);
// Every held action of every source is released: the window lost the keyboard or was hidden, or a
// dialog took the keyboard (the releases go elsewhere).
void inputReleaseAll();
// The start of a game step: the presses of the running game since the last step are taken in the
// order they came, and an action pressed and let go before the step counts as held for this step
// alone (so that a press shorter than a frame is never lost); then the pointer is read
// (inputMouseStep).
void inputStepBegin();
// The presses the last inputStepBegin took, in the order they came.
int inputStepPresses(const int** actions);
// What a press of the action does on the current screen: the screen's press handler (the timedemo
// takes Escape only); an action the screen has no use for does nothing.
void inputPress(int action);
// A screen's handlers, handed over by its entry function: what a press does, and what a typed
// character that no action takes does (the end screen's name entry; null for none).
void inputHandle(int screen, void (*press)(int action), void (*type)(unsigned char key));
// The rendering switches and Escape, which the story and the game take alike: 1 when the action
// was one of them, else 0.
int inputSwitchPress(int action);
// A source that the input timer reads too, so that it is heard while the game is halted (the pad).
void inputPollWith(void (*poll)());
// 1 while the game's window has the keyboard; read from the X server by inputPollFocus, which a
// timer runs several times a second (the toolkit reports no focus changes).
int inputHasFocus();
void inputPollFocus();
void inputSetFocus(int focused); // as inputPollFocus found, without asking the X server (tests)
// The pointer's place in the game window's pixels (from the top left), also outside the window, and
// the window's top left on the screen: 1, or 0 without a window or when the pointer is on another
// screen.
int inputPointerPlace(int* x, int* y, int* originX, int* originY);
// Moves the pointer by (dx, dy) from wherever it is when the X server gets the request.
void inputPointerMoveBy(int dx, int dy);
// Asks the X server to send a held key's repeats as presses without releases, so that a quick
// second press of a key is told from the keyboard's repeat by the release between them. Returns 1
// when it does, else 0 (the toolkit then drops the repeats itself, and with them a second press
// that comes while the game still reads the first one's release).
int inputRepeatWithoutRelease();

// ---- The keyboard source. A code is a character (1..255) or KEY_SPECIAL + the toolkit's special key.
// A release ends what its press started, also when Shift changed in between (h pressed, H released).
void inputKeyDown(int code);
void inputKeyUp(int code);

// ---- The mouse source. The view turns (at the next game step, which takes the sum: inputTakeLook) by the pointer's movement times mouseSpeed / 60 degrees,
// whatever the window size, the speed of the motion and the frame rate: the pointer is read at every
// game step, also where it left the window. Once it strays a quarter of the window from the centre
// it is moved back by as much as it strayed. While the game is halted (paused, boss picture) or
// another window has the keyboard, the pointer is only recorded, and after ignoreNextMotion (a
// reshape, a resume) its next place is only recorded.
void mouseLook(int x, int y); // the pointer seen at (x, y)
void inputMouseStep();        // mouseLook of the pointer's place now, on the game screen
void inputTakeLook(float* yaw, float* pitch); // the turn summed since the last call, in degrees
// The pointer to the window centre; where it is at the next step is only recorded.
void inputMouseRecentre();
int inputMouseWarpCount();                             // the warps asked for so far
void mouseButton(int button, int state, int x, int y); // the left button shoots

void inputMuteKey(); // sound off or on again, with its message

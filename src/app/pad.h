// SPDX-License-Identifier: GPL-3.0-or-later
// The gamepad, through SDL's game controller API: SDL maps the pads by its database, and the game
// takes their buttons as actions (the player's buttons in record.padButtons, setup/key_table.h), the
// left stick as walking and the right stick as looking. SDL serves input only; the toolkit keeps the
// window. Pad input counts only while the game's window has the keyboard (inputHasFocus).
#pragma once

// Starts SDL's controller subsystem (without its signal handlers, so Ctrl+C ends the game as
// before) and reads gamecontrollerdb.txt beside the settings file when there is one. Returns 0,
// with one line on standard error, when SDL cannot start: the game then runs without a pad.
int padStart();
// The same in two steps, so that no frame waits for SDL: padStartBegin loads and starts SDL on a
// thread of its own; padStartEnd(0) returns 0 while that goes on, then finishes the start here (the
// mappings, a pad already plugged in) and returns 1, or -1 (with the line on standard error) when SDL
// did not start; with wait 1 it waits for the thread.
void padStartBegin();
int padStartEnd(int wait);
// SDL's events: a pad plugged in is taken at once (the first one found plays), unplugging it pauses
// a running game with a message; buttons and triggers (pushed past half way) become actions. Run
// every frame and from the input timer, so that Start also resumes a halted game.
void padPoll();
int padConnected(); // 1 while a pad is open

// The sticks now, after the dead zone (padDeadZone percent of the travel) and the focus: the left
// one's x and y, the right one's x and y, each -1..1; all 0 without a pad or the keyboard.
void padSticks(float sticks[4]);
// The step walks and looks by them (gameStickWalk, gameStickLook in game_update.h).
// A short rumble (on the arrow's hit, a spider's push, a pick-up) when padRumble is on.
void padRumble();

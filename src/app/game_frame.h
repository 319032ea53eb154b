// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen: one update (gameIdle) and one drawing (gameDisplay) per frame, in a fixed
// order that the other modules rely on.
#pragma once
#include "app/game_hints.h"
#include "app/game_sound.h"
#include "app/game_step.h"
#include "app/game_update.h"

// The step's input record from the sources: the presses since the last step in the order they
// came, the held actions after them, the pointer's turn and the sticks (inputStepBegin is in it).
void gameGather(StepInput* in);
void gameIdle();
void gameDisplay();
void gameVisibility(int state);
// Picks the game up after a halt (pause, boss picture, settings dialog): the frame clock restarts
// now, the idle callback runs again and the next pointer motion is not a turn.
void gameResume();
// The game's sound is held while the game is paused, the boss picture shows, the settings dialog is
// open or the window is hidden, and goes on once none of them holds it.
void gameSoundHold();
// F1: the settings dialog (the sound held while it is open), then the settings read again and applied (shade
// and texture modes); keys held when it opened count as released. The game stays in its window if it has one.
// A volume raised from 0 opens the device and starts the mine's hum at once.
void gameSettingsDialog();
// What a press does in the game (inputHandle): riding, shooting, the boss picture, the pause, the
// sound, the settings dialog, else the rendering switches.
void gamePress(int action);
// The arrow is readied (the story's Space readies one too), with its message.

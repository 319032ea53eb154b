// SPDX-License-Identifier: GPL-3.0-or-later
// The settings library (libgrolksetup.so): its dialog, its storage and the defaults.
#pragma once
#include "setup/settings_record.h"

extern "C" {
// Shows the settings dialog: 0 at start (skipped when the stored switch says so, when there is
// no display, or when KAVERNIX_SETUP_DIALOG=0), 1 from inside the game.
void setupShow(int inGame);
// The language stored in the settings file (0 auto, 1 English, 2 German), read without a word on
// standard error: the program speaks it before the dialog opens.
int setupLanguage();
// Fills every library-supplied field of *record from the settings file (defaults where absent).
void setupLoad(SettingsRecord* record);
// Stores hallNames and hallTimes; the rest of the file is kept.
void setupStoreScores(SettingsRecord* record);
// The same, with step called in the same hold of the file's lock: step(arg, 0) once the file was read,
// before the rows are merged, and step(arg, 1) once it was written (or failed to be).
void setupStoreScoresWith(SettingsRecord* record, void (*step)(void* arg, int stored), void* arg);
// Stores fieldOfView; the rest of the file is kept.
void setupStoreView(SettingsRecord* record);
// What the player chose about a saved run at the last setupShow(0): 1 "Continue saved game",
// 0 the dialog was shown and the run not continued, -1 no dialog was shown.
int setupContinueChosen();
}

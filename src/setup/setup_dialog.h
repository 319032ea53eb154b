// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog (GTK 3), used by setupShow.
#pragma once
#include "setup/settings_file.h"

// Both live in their own module, libgrolksetup-dialog.so beside the settings library, which loads it
// at the first dialog (GTK is large; a start without a dialog need not load it).
extern "C" {
// 1 when a display is there and the toolkit starts on it (started once, on the first call), else 0.
int setupDialogAvailable();

// Shows the dialog on *values (the file's fields and the start switch) and waits for the player.
// Returns 1 for Play/Continue (*values holds the choices), 2 for "Continue saved game" (offered at
// start when a run was saved; *values holds the choices), 0 for Cancel or closing, -1 when no display
// can be opened. inGame selects the Continue button and the note on settings that wait for a restart.
int setupDialogRun(int inGame, SettingsFile* values);
}

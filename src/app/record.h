// SPDX-License-Identifier: GPL-3.0-or-later
// The run-time state every module may read: the settings record and the switches kept beside it.
#pragma once
#include "setup/settings_record.h"

extern SettingsRecord record; // filled by setupLoad, changed by the keys and the clocks
extern int portalCulling;     // 1: draw only the cells seen from the player's cell (key O)
extern int backfaceCull;      // 1: GL_CULL_FACE on (key b)
extern int stencilValid;      // frames (0..3) the lamp frame was drawn since it was invalidated
// The boss picture: 0 not shown; 1 to be shown (key B); 2 shown, and the game is halted.
extern int bossScreen;

// The 4:3 stage every screen draws on, as large as fits and centred in the window: the lamp frame,
// the pictures and the texts keep their proportions on any window, with dark bands beside (or above
// and below) the stage. Positions of texts and pictures are fractions of the stage.
struct Stage {
    int x, y, width, height; // window pixels from the bottom left
};
Stage recordStageOf(int windowWidth, int windowHeight);
Stage recordStage(); // of record.windowWidth and record.windowHeight

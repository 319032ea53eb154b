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

// The rules a run was begun with (a replay's header, a kept run) into the record.
void recordTakeRules(int32_t fullLevel, int32_t strawDistance, int32_t oilSeconds, int32_t gameSpeed);
// 1 when the run goes at a slower pace than the game's own (gameSpeed 50 to 99).
int recordSlowerPace();
// The game's own time for this step: the frame time times gameSpeed / 100 (the frame time itself at
// 100 or at a value out of the setting's range). Walking, the horse, the spiders, the arrow, the door,
// the exit walk, the rider's wait and the oil go by it; the clock, fades and texts by the frame time.
float recordStepTime();
// The game's own time played: the game clock times gameSpeed / 100 (the clock itself at 100), as
// the step times of a run, whose pace stays the same from its start to its end, add up.
float recordStepClock();

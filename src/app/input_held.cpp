// SPDX-License-Identifier: GPL-3.0-or-later
// The held state of every action: the sources set it, the game's step reads it (no GL).
#include "app/input.h"

static int actionHeld[ACTION_ALL]; // 1 while any source holds the action down

int inputHeld(int action) {
    return actionHeld[action];
}

void inputHold(int action, int held) {
    actionHeld[action] = held;
}

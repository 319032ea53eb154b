// SPDX-License-Identifier: GPL-3.0-or-later
// The screens' shared state and the fades.
#include "app/game_state.h"

GameState gameState;
GameOut gameOut;

void fadeIn() {
    if (gameState.fadeState == 0 || gameState.fadeState == 4) gameState.fadeLevel = 1.0f;
    gameState.fadeState = 1;
}

void fadeOut() {
    if (gameState.fadeState == 0 || gameState.fadeState == 2) gameState.fadeLevel = 1.0f;
    gameState.fadeState = 3;
}

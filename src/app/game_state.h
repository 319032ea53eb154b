// SPDX-License-Identifier: GPL-3.0-or-later
// Where the current screen's fade stands and what the story and end screens show, shared by the
// screens, the game frame and the end screen (no GL).
#pragma once
#include <cstdint>

struct GameState {
    int32_t fadeState; // 0 no fade, 1 fading in, 2 fade-in done, 3 fading out, 4 fade-out done
    float fadeLevel;   // progress of the fade: 1 at its start, +50 per second, done at 99
    int32_t storyPage; // story page shown, 0..3; 4 and above show no text
    float storyScroll; // height of the page text as a fraction of the window height
    int32_t hallRank;  // place of the finished run in the hall of fame, 0..4, or -1
    // The route walk a tap started (routeKeys = tap): ACTION_CALL_HORSE, ACTION_GO_TO_HORSE or
    // ACTION_WALK_OUT (setup/key_table.h); 0 none.
    int32_t tappedRoute;
};

extern GameState gameState;

// What the step hands to the window besides the game's state: the frame's sounds, and an item
// picked up (its sound and the pad's rumble). The window fills them as the game screen is entered
// (gameSoundsStart); without a window they stay null and the step only moves the game. Called in the
// step where the sounds always came, so the window hears them in the same frames.
struct GameOut {
    void (*frameSounds)();                                 // after the exit scene, every step
    void (*pickedUp)(int row, float x, float y, float z); // an item of the catalogue's row, where it was
};
extern GameOut gameOut;

// A fade-in always starts from black; a fade-out asked for during a fade-in goes on from the level
// reached.
void fadeIn();
void fadeOut();

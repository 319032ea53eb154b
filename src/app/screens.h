// The three screens (story, game, end) and the fades between them.
#pragma once
#include <cstdint>

// Where the current screen's fade stands and what the story and end screens show.
struct GameState {
    int32_t fadeState;    // 0 fading in, 1 steady, 2 fading out done... see fadeIn/fadeOut
    float fadeLevel;      // 1 black .. 0 clear
    int32_t storyPage;    // story page shown (0..3)
    float storyScroll;    // how far the story text has rolled in
    int32_t hallRank;     // place of this run in the hall of fame, -1 when not ranked
};

extern GameState gameState;

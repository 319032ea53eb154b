// SPDX-License-Identifier: GPL-3.0-or-later
// The three screens (story, game, end); their fades are in game_state.h. A screen is the set of toolkit
// callbacks its entry function registers; screens follow one another only forward, each change
// made by the leaving screen's idle callback once its fade-out has finished.
#pragma once
#include "app/game_state.h"

enum { storyPageCount = 4, storyPageSize = 640, storyLineMax = 35 };

// Where the story text comes to rest; Enter below it snaps the text there, at it turns the page.
constexpr float storyRestHeight = 0.7f;
// Where the story's lines begin, a fraction of the stage's width.
constexpr float storyTextX = 0.04f;

// ---- The story's own rules (no GL).
// Enter: snaps rising text to its resting height, else turns the page; after the fourth page
// the story fades out (and further presses keep turning invisible pages).
void storyEnterPressed();
// The text rises by frameTime / 50 of the window height while running and not yet at rest.
void storyRise(float frameTime);
// The text of the page shown in the current language (Latin-1, lines separated by "\n", none longer
// than storyLineMax glyphs where it has a space to break at; the controls page names the keys bound
// in record.keys), or null when storyPage is past the last page. Lives until the next call.
const char* storyPageText();

// ---- Screen entries: register the screen's callbacks, start its fade-in and its clocks.
void enterStory();
void enterGame();

// ---- Story callbacks.
void storyDisplay();
// Enter (or the pad's A): storyEnterPressed, with the page's sound when the page turned.
void storyConfirm();
// Space: the story and its clocks stop, or go on.
void storyPauseToggle();
// What a press does on the story (inputHandle): Enter, Space, the sound and the rendering switches.
void storyPress(int action);
void storyIdle();
void storyVisibility(int state);

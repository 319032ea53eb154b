// SPDX-License-Identifier: GPL-3.0-or-later
// Captions: with the captions setting on, each sound that carries news also gets a short line in the
// player's language naming it and the side it comes from, taken from the game's own events, so they
// show whether or not a sound device is open or the sound is muted. No GL: the game screen draws
// the lines (game_frame).
#pragma once

enum CaptionId {
    CAPTION_SPIDER,        // a spider scuttling within hearing
    CAPTION_HOOVES,        // the horse's hooves coming nearer
    CAPTION_DOOR,          // the exit door creaking open
    CAPTION_ARROW,         // the arrow striking
    CAPTION_STRAW,         // a straw bale picked up
    CAPTION_OIL,           // an oil can picked up
    CAPTION_DIAMOND,       // a diamond picked up
    CAPTION_SPIDER_CAUGHT, // a spider taken off the board
    CAPTION_NO_STRAW,      // the horse, asked to walk, has no straw
    CAPTION_COUNT
};

// Where a sound comes from, seen from the player: none when it is at the player's own place.
enum CaptionSide { CAPTION_HERE, CAPTION_LEFT, CAPTION_RIGHT, CAPTION_AHEAD, CAPTION_BEHIND };

// A spider is heard within this distance of the player (maze units; a cell is 1): its scuttling
// loop is then at least a seventh of its full loudness (about -17 dB) under the game's roll-off.
constexpr float captionSpiderHearing = 2.0f;
// A spider's caption comes again after this many seconds at the earliest, as do the hooves'.
constexpr float captionRepeatSeconds = 5.0f;
// A caption shows for this many seconds of the clock; at most captionLinesShown at a time, newest last.
constexpr float captionSeconds = 2.0f;
enum { captionLinesShown = 3 };

// The side of a sound at (x, z) for the player at (px, pz) looking along heading (degrees, as the
// player's); nearer than 0.4 it is here.
CaptionSide captionSide(float px, float pz, float heading, float x, float z);
// The caption of an event at (x, z) in the mine, when captions are on: "Spider scuttling, left".
void captionSay(CaptionId id, float x, float z);
// This frame's hearing: every spider within captionSpiderHearing, once per captionRepeatSeconds each.
void captionSpiders();
// Forgets every shown line and every spider's last caption (a new game).
void captionsReset();
// The lines to show now, oldest first; returns their count (0..captionLinesShown). Each lives until
// the next captionSay or captionsReset.
int captionLines(const char* lines[captionLinesShown]);

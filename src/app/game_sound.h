// SPDX-License-Identifier: GPL-3.0-or-later
// What is heard of the game.
#pragma once

// The mine's ambience; steps and hoof beats counted from the bodies' places; the step's sounds and
// pick-ups heard from here on (gameOut).
void gameSoundsStart();
// The listener at the player; a step per 0.25 walked (none while riding), a hoof beat per 0.3 the horse
// walked, the bow when the shot was fired, its hit when it burst, the door when it began to open, and
// one scuttling loop at each spider.
void gameSounds();
void gameSoundsEnd(int won); // the loops stop; the won (1) or the lost (0) tune, none for a left run (-1)

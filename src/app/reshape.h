// SPDX-License-Identifier: GPL-3.0-or-later
// The reshape handlers of the three screens.
#pragma once

// Reshape: the new size into the record, the viewport, the pointer to the centre, a pause begins.
void windowReshape(int width, int height);
void storyReshape(int width, int height); // also refits the pictures
void gameReshape(int width, int height);  // also refits the pictures and redraws the lamp frame
void endReshape(int width, int height);

// SPDX-License-Identifier: GPL-3.0-or-later
// The two screen-space effects of the game view: the lamp light (a full-window frame picture and
// a stencil that confines the 3D scene to its lit opening) and the overview map.
#pragma once

// Draws the lamp frame picture in each of the three frames after stencilValid was set to 0 (one for
// each colour buffer a driver may swap through), and its mask into the stencil in the first; then
// leaves the stencil test passing only inside the opening. The second and third draw the picture
// only outside the opening, where the mask is 0: the scene covers the rest. Later frames do
// nothing: the picture stays in the colour buffers, which the game does not clear.
void lampLight();
// Makes ahead, without OpenGL, what lampLight hands to OpenGL for the lamp frame fitted now, so that
// a loader thread can do it before the first frame.
void lampPrepare();
// The names printed on the lamp frame, each on its plate; lampLight draws them over the picture.
void lampDrawLabels();
// The boxes the scene is seen through (x, y, width, height in window pixels, none overlapping): the
// fewest pixels in at most lampMaxBoxes boxes of whole rows that hold every open pixel of the lamp
// frame's mask but those under the map; the whole stage while there is no mask. Worked out once
// for each mask.
enum { lampMaxBoxes = 3 };
int lampOpeningBoxes(int boxes[lampMaxBoxes][4]);
// The lamp's strength by record.lampBrightness: 0 the plain lamp (OpenGL's default light), 1 and 2
// a brighter lamp with a faint light all round that the rock takes too (maze_draw). Only the picture.
void lampBrightness();
// The overview map in the upper right corner (x 74 % to 93.1 %, y 71.5 % to 94 % of the window;
// nothing outside is touched), centred on the player and turned with its heading; one cell is
// (15 - oil cans collected) * windowWidth / 600 pixels. Needs the window-pixel orthographic
// projection and an identity modelview. With record.mapSymbols the player is an arrow pointing where
// he looks, the horse a disc and the exit a hollow frame.
void mapDraw();
// The ghost's place for the maps to come (shown 0: none): a hollow violet ring on the map.
void mapGhost(int shown, float x, float z);

// SPDX-License-Identifier: GPL-3.0-or-later
// The wooden pit props of the corridors: two posts against the side walls, a beam under the
// ceiling and two braces in the upper corners, compiled once into one display list.
#pragma once
#include <cstdint>

// Display list of one prop; 0 until the first placer builds it. Never deleted.
extern uint32_t DisplayListWood;

// Compiles the prop with its wood material into DisplayListWood. Needs a current GL context.
// Leaves DisplayListWood 0 when no list name can be had.
void woodBuildList();
// A prop across a corridor that runs along z: posts at world x..x+0.1 and x+0.9..x+1, 0.06 thick,
// centred on z. The maze passes (cell x, cell y + 0.5). The caller binds the wood texture.
void woodDrawAcrossX(float x, float z);
// A prop across a corridor that runs along x: local (lx, y, lz) goes to world (x + lz, y, z - lx),
// so with (cell x + 0.5, cell y + 1) it spans world z from cell y + 1 down to cell y.
void woodDrawAcrossY(float x, float z);

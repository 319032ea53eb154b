// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's rows, which the game's step places and moves instances in without GL.
#include "brep/catalogue.h"

ModelEntry modelTable[MODEL_ROWS];

// SPDX-License-Identifier: GPL-3.0-or-later
// Building models: level 0 from definition files and the floor tile, and the refinement into the
// finer levels of detail.
#pragma once
#include "brep/brep.h"

void brepBuildFromDef(BrepModel** out, const char* name); // new model of level 0 from "<name>.brepdef.txt"
// Adds the tube of "<defName>.brepdef.txt" (working directory) to *model, then checks it strictly.
// A missing or malformed file is reported ("Brep Error ...", naming the file) and adds nothing.
// 1 when added.
int brepLoadDef(BrepModel** model, const char* defName);
int brepLoadDefFile(BrepModel** model, const char* path); // the same for a file path; 1 when added
void brepBuildFloor(BrepModel** out, const char* name);   // the one-face unit floor tile

// Next level of a closed, checked model in *out (level + 1). A model that is not closed is refused
// with a message and gives an empty model of the next level.
void brepRefine(BrepModel* src, BrepModel** out);
void brepRefineFloor(BrepModel* src, BrepModel** out); // every quadrilateral into four
void brepSplitPolygons(BrepModel* model);              // every face of 4 or more corners into triangles

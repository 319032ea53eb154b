// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a model: immediately, face by face, or compiled once into a display list. Both send the
// same geometry, one normal per face and the texture coordinates of each face's mapping; material,
// texture and transformation are the caller's.
#pragma once
#include <GL/gl.h>

struct BrepModel;
struct BrepFace;

// Draws every face now. A null model draws nothing.
void brepDraw(const BrepModel* model);
// *list = a new display list holding the faces as brepDraw sends them (empty for a null model).
void brepCompileList(const BrepModel* model, GLuint* list);
// *list = a new display list holding at most `most` faces of a model's face list from first on, as
// brepDraw sends them; returns the face after the last one compiled (null at the end of the list).
// Lists of consecutive pieces called in order draw what the model's one list draws.
const BrepFace* brepCompileFaces(const BrepFace* first, int most, GLuint* list);

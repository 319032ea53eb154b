// SPDX-License-Identifier: GPL-3.0-or-later
// The steps that the refinement's two files share: brep_refine.cpp makes the shrunken faces and the
// gap faces and refines through lookups of its own; brep_refine_holes.cpp closes the holes at the old
// vertices through the model's lookups.
#pragma once
#include "brep/brep.h"

// One line on standard error: "Brep Error <name>.<level>: <what>".
void brepRefineError(const BrepModel* m, const char* what);
// Ends the face begun in m whose corners lie at the places of vertices of m; known[i] is the edge from
// corner i-1 to corner i and known[0] the closing edge, where the caller holds them (else null).
// Searched corners get their vertex's weight, or its root when rootWeight. The face made, or null.
BrepFace* brepEndFaceAt(BrepModel* m, BrepVertex* const* corners, BrepEdge* const* known, int count,
                        bool rootWeight);
// Negates q's normal when it points away from the mean normal m of its neighbours.
void brepOrientLike(BrepFace* q, const float m[3]);

// Whether a hole of n corners can be closed by a face; reports the ones beyond the limits.
bool brepHoleFits(const BrepModel* out, int n);
// The weight of a hole's face (before its root), and in mean the mean normal of the n faces around it.
float brepHoleWeight(BrepFace* const* faces, int n, float mean[3]);
// The faces that close the holes of out, each loop walked along the edges that have one face, each
// edge from its v[1] to its v[0]: by sweeps over the edge list, or (indexed) the same loops from a
// table of the border edges.
void brepVertexFacesScanned(BrepModel* out);
void brepVertexFacesIndexed(BrepModel* out);

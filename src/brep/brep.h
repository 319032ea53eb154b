// SPDX-License-Identifier: GPL-3.0-or-later
// Boundary-representation meshes: vertices, edges and polygonal faces in three singly linked
// lists, newest record first. Built face by face; shared corners and edges are found, not duplicated.
#pragma once
#include "brep/brep_alloc.h"
#include "brep/brep_index.h"
#include "brep/brep_records.h"

// ---- Models and records. A model's records come from its own blocks, one kind to a block, each
// record just below the one made before it (so the lists run forward through memory); a face's
// corner and edge slots follow in a block of their own. A packed model (base != 0) is one malloc'd
// block released with one free().
void brepCreate(BrepModel** out, const char* name, int level); // empty model; names over 31 chars are cut
void brepFree(BrepModel** model);                              // releases the model, sets *model to null
// Always a new vertex at the head of the vertex list (texT = {t0, t1}, texS = {s0, s1}); no search.
BrepVertex* brepNewVertex(BrepModel* model, float x, float y, float z, float weight, int kind, float t0,
                          float s0, float t1, float s1);

// ---- Building one face: begin, one corner call per corner in boundary order, end.
void brepBeginFace(BrepModel* model, float weight, int orientation); // discards any unfinished face
// Corner by position: the vertex nearest the head with equal x, y, z, else a new one from the values.
void brepFaceAddPoint(BrepModel* model, float x, float y, float z, float weight, int kind, float t0, float s0,
                      float t1, float s1);
void brepFaceAddVertex(BrepModel* model, BrepVertex* v);       // corner with the edge from the previous one
void brepFaceAddVertexNoEdge(BrepModel* model, BrepVertex* v); // corner without an edge (file readers)
// As brepFaceAddVertex and brepEndFace, for builders that already hold the model's edge from the
// previous corner (or the closing edge): a hint that joins the two corners is taken without a search.
void brepFaceAddVertexHint(BrepModel* model, BrepVertex* v, BrepEdge* hint);
BrepFace* brepEndFaceHint(BrepModel* model, BrepEdge* hint);
// Closing edge, then the existing face with the same corner set or a new one. Returns it; null when the
// face was refused (no corners, or more than 16: reported).
BrepFace* brepEndFace(BrepModel* model);
// Always a new face, no edges. Returns it; null when refused as above.
BrepFace* brepEndFaceNoEdges(BrepModel* model);

// Records every edge's faces; reports "Edge multiple conncted !" and, when strict, "Edge not conncted !".
void brepCheck(BrepModel* model, int strict);
// As brepCheck, for a model whose faces were only added at the head of the list since its last check
// (which found no edge with a third face), with no edge's faces changed: counts the added faces only.
// Returns 0, having done nothing, when that does not hold or an edge would get a third face.
int brepCheckAdded(BrepModel* model, int strict);
// Unlinks and releases face if it is in the list; returns the face after it, or null if not found.
BrepFace* brepRemoveFace(BrepFace** list, BrepFace* face);

// ---- Records made without any search, for a builder that finds shared corners, edges and faces
// itself (the refinement). After brepReserveRecords, the next `vertices` vertices made in the model
// lie in one block, each just below the one before, and so do the next `edges` edges: a record's
// distance from the first numbers it. Faces and their slots get room as well.
void brepReserveRecords(BrepModel* model, int vertices, int edges, int faces, int corners);
BrepEdge* brepNewEdge(BrepModel* model, BrepVertex* a, BrepVertex* b); // at the head, no faces yet
// A face at the head of the list from its corners and edges (edges null: none), with its normal and
// texture mapping. count must be 1..16.
BrepFace* brepNewFace(BrepModel* model, float weight, int orientation, int count, BrepVertex* const* verts,
                      BrepEdge* const* edges);

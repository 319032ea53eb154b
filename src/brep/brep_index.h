// SPDX-License-Identifier: GPL-3.0-or-later
// The hash indexes kept beside each model being built, for the files of src/brep only (other folders
// use brep.h). They answer the lookups by position, vertex pair and corner set with the record
// nearest the head of its list, as a scan from the head does; brepSetIndexed(0) turns them off.
#pragma once

struct BrepModel;
struct BrepVertex;
struct BrepEdge;
struct BrepFace;

// The newest vertex of the model at exactly that position (-0 equals 0), or null.
BrepVertex* brepIndexFindVertex(BrepModel* model, const float pos[3]);
// The newest edge of the model that joins a and b, or null; with search false the caller knows there
// is none, and the index is only brought up to date.
BrepEdge* brepIndexFindEdge(BrepModel* model, const BrepVertex* a, const BrepVertex* b, bool search);
// The newest face of the model with the corner set of key. Sets *answered to false, and returns null,
// for a key that repeats a corner: then the plain scan answers.
BrepFace* brepIndexFindFace(BrepModel* model, const BrepFace* key, bool* answered);
// True when the last face search was in this model (its key is then known to brepIndexFaceAdded).
bool brepIndexSearched(const BrepModel* model);

// A record just put at the head of its list. known: the model's last face search was for this face.
void brepIndexVertexAdded(BrepModel* model, BrepVertex* v);
void brepIndexEdgeAdded(BrepModel* model, BrepEdge* e);
void brepIndexFaceAdded(BrepModel* model, BrepFace* f, bool known);
// The face just unlinked from `list`, which now continues with `next`: the index of the model that
// owns the list (if any) forgets it.
void brepIndexFaceRemoved(BrepFace* const* list, BrepFace* face, BrepFace* next);

// Lookups by position, vertex pair and corner set use hash indexes kept beside each model (1, the
// default) or the plain list scans (0). Both give the same records; the indexes are only faster.
void brepSetIndexed(int on);
int brepIndexed();
// Sizes the model's indexes for that many more records of each kind; lookups are unchanged.
void brepReserve(BrepModel* model, int faces, int edges, int vertices);
// Releases the model's indexes (they are made again by the next lookup); lookups are unchanged.
void brepDropIndex(BrepModel* model);

// SPDX-License-Identifier: GPL-3.0-or-later
// The mesh records: vertices, edges and polygonal faces in three singly linked lists, newest record
// first, and the model that holds them (brep.h builds and changes them).
#pragma once
#include <cstdint>

enum { BREP_MAX_CORNERS = 16, BREP_NAME_SIZE = 32 };
enum { BREP_CW = 0x0900, BREP_CCW = 0x0901 }; // GL_CW and GL_CCW

struct BrepFace;

struct BrepVertex {
    float pos[3];
    float weight;  // weight in the refinement blends
    int32_t kind;  // above 1: feature vertex, kept sharp by refinement
    float texT[2]; // t in texture mapping 0 and 1
    float texS[2]; // s in texture mapping 0 and 1
    int32_t index; // running number given by the text writer
    BrepVertex* next;
};

struct BrepEdge {
    BrepVertex* v[2];  // unordered end vertices
    int32_t faceCount; // faces recorded by brepCheck
    BrepFace* face[2];
    BrepEdge* next;
};

struct BrepFace {
    float normal[3];
    int32_t orientation; // BREP_CW or BREP_CCW: the sign of the normal
    float weight;        // weight of the face centre in the refinement blends
    int32_t count;       // corners, 1..16
    int32_t mapping;     // which texture mapping of the vertices the face uses
    BrepEdge** edges;    // count slots: edges[i] joins corner i and i+1; null when read from a file
    BrepVertex** verts;  // count slots: the corners in boundary order
    BrepFace* derived;   // refinement: the face made from this one in the new model
    BrepFace* next;
};

struct BrepModel {
    uintptr_t base; // 0, or the address of the packed block
    uint32_t size;  // 0, or the byte size of the packed block
    char name[BREP_NAME_SIZE];
    int32_t level; // level of detail
    BrepFace* faces;
    BrepEdge* edges;
    BrepVertex* vertices;
    BrepFace newFace;                         // construction scratch: the face being built
    BrepEdge edgeKey;                         // construction scratch: v[0] previous corner, v[1] new corner
    BrepVertex newVertex;                     // construction scratch: a corner given by position
    BrepEdge* newFaceEdges[BREP_MAX_CORNERS]; // the slots of newFace
    BrepVertex* newFaceVerts[BREP_MAX_CORNERS];
};

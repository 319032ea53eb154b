// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the mesh tests: a scratch working directory, definition texts, small models, captured
// output, and a dump of every record of a model to compare two models by.
#pragma once
#include <cmath>
#include <map>
#include <sstream>
#include "brep/brep.h"
#include "brep/brep_build.h"
#include "output_capture.h"

// Runs f with standard output and standard error captured; returns what it printed on each, in
// that order (the refinement counts go to one, the "Brep Error" lines to the other).
template <class F> std::string captured(F f) {
    OutputCapture out, err(stderr);
    f();
    const std::string printed = out.finish();
    return printed + err.finish();
}

template <class T> int countList(const T* p) {
    int n = 0;
    for (; p; p = p->next) n++;
    return n;
}
// Vertices or faces in creation order (the lists run newest first).
template <class T> std::vector<T*> created(T* head) {
    std::vector<T*> out;
    for (; head; head = head->next) out.insert(out.begin(), head);
    return out;
}
// Vertex, edge and face counts.
inline std::vector<int> sizes(const BrepModel* m) {
    return {countList(m->vertices), countList(m->edges), countList(m->faces)};
}

// A tube definition of n profile lines along +x; `winding` varies the path, sizes and weights.
inline std::string tubeText(int n, bool winding = false) {
    std::ostringstream o;
    o << n << " 0 0 " << (winding ? 2 : 1) << " 1\n";
    for (int i = 0; i < n; i++) {
        float a = i * 0.37f, size = winding ? 0.3f + 0.1f * cosf(a * 2) : 0.5f;
        float vw = winding ? 1 + i % 3 : 1, fw = winding ? 1 + i % 2 : 1;
        o << (winding ? i * 0.5f + 0.3f * sinf(a * 3) : i) << " " << (winding ? 2 * sinf(a) : 0) << " "
          << size << " " << size << " " << size / 2 << " " << size / 2 << " " << vw << " "
          << (winding ? 2 + i % 4 : vw) << " " << vw << " " << vw << " " << fw << " " << fw << " "
          << (winding ? 0.5f + i % 5 : fw) << " " << fw << "\n";
    }
    return o.str();
}

// Floor levels 0..top, refined in turn.
inline std::vector<BrepModel*> floorLevels(int top) {
    std::vector<BrepModel*> levels(top + 1, nullptr);
    brepBuildFloor(&levels[0], "FLOOR0");
    for (int l = 1; l <= top; l++) brepRefineFloor(levels[l - 1], &levels[l]);
    return levels;
}

// Level 0 of a tube read from its definition in the working directory.
inline BrepModel* tubeModel(const std::string& text, const char* name = "TUBE") {
    std::string path = std::string(name) + ".brepdef.txt";
    writeFileText(path, text);
    BrepModel* m = nullptr;
    brepCreate(&m, name, 0);
    captured([&] { brepLoadDefFile(&m, path.c_str()); });
    return m;
}

inline void addFace(BrepModel* m, float weight, int orientation, std::vector<BrepVertex*> corners) {
    brepBeginFace(m, weight, orientation);
    for (BrepVertex* v : corners) brepFaceAddVertexNoEdge(m, v);
    brepEndFaceNoEdges(m);
}

// Seven vertices with distinct values and three faces (a triangle, a quad, a pentagon) of both
// orientations whose texture outlines make them choose mapping 0 and 1.
inline BrepModel* makeMixedModel(const char* name, int level) {
    BrepModel* m = nullptr;
    brepCreate(&m, name, level);
    BrepVertex* v[7];
    for (int i = 0; i < 7; i++) {
        float a = (float)i;
        float t0 = i < 4 ? a * 0.5f : a * 0.01f, s0 = i < 4 ? a * 0.25f : 0.1f;
        float t1 = i < 4 ? a * 0.01f : a * 0.5f, s1 = i < 4 ? 0.2f : a * 0.3f;
        v[i] = brepNewVertex(m, 0.5f * a, a * a * 0.125f - 1.0f, 3.0f - a, 1.0f + a, i % 3, t0, s0, t1, s1);
    }
    addFace(m, 0.5f, BREP_CW, {v[0], v[1], v[2]});
    addFace(m, 1.5f, BREP_CCW, {v[3], v[4], v[5], v[6]});
    addFace(m, 2.0f, BREP_CW, {v[6], v[5], v[1], v[0], v[2]});
    return m;
}

// Every value of every record, one line each in list order, floats as exact hex and references as
// list positions (-1 null). Without edges the edge list and the faces' edge slots are left out.
inline std::string dump(const BrepModel* m, bool edges = true) {
    std::map<const void*, int> at = {{nullptr, -1}};
    int n = 0;
    for (const BrepVertex* v = m->vertices; v; v = v->next) at[v] = n++;
    for (const BrepEdge* e = m->edges; e; e = e->next) at[e] = n++;
    for (const BrepFace* f = m->faces; f; f = f->next) at[f] = n++;
    std::ostringstream o;
    o << std::hexfloat;
    for (const BrepVertex* v = m->vertices; v; v = v->next)
        o << "v " << v->pos[0] << " " << v->pos[1] << " " << v->pos[2] << " " << v->weight << " " << v->kind
          << " " << v->texT[0] << " " << v->texS[0] << " " << v->texT[1] << " " << v->texS[1] << "\n";
    for (const BrepEdge* e = edges ? m->edges : nullptr; e; e = e->next)
        o << "e " << at[e->v[0]] << " " << at[e->v[1]] << " " << e->faceCount << " "
          << at[e->faceCount > 0 ? e->face[0] : nullptr] << " " << at[e->faceCount > 1 ? e->face[1] : nullptr]
          << "\n";
    for (const BrepFace* f = m->faces; f; f = f->next) {
        o << "f " << f->normal[0] << " " << f->normal[1] << " " << f->normal[2] << " " << f->orientation
          << " " << f->weight << " " << f->mapping << " :";
        for (int i = 0; i < f->count; i++)
            o << " " << at[f->verts[i]] << "/" << at[edges ? f->edges[i] : nullptr];
        o << "\n";
    }
    return o.str();
}

// Empty when two dumps are equal, else the line where they first differ.
inline std::string firstDifference(const std::string& a, const std::string& b) {
    if (a == b) return "";
    size_t at =
        std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
    size_t line = a.rfind('\n', at) + 1; // 0 when there is no earlier line
    return a.substr(line, a.find('\n', at) - line) + " | " + b.substr(line, b.find('\n', at) - line);
}

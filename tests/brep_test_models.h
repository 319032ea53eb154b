// Shared by the mesh file, drawing and catalogue tests: a scratch working directory, small models
// built in code, and a value-by-value picture of a model to compare two models with.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "brep/brep.h"

// Runs a test inside a fresh temporary directory and returns to the old one afterwards.
class ScratchDir : public ::testing::Test {
  protected:
    std::string oldDir, dir;
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldDir = cwd;
        char pattern[] = "/tmp/kx_brep_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(oldDir.c_str()), 0);
        std::string command = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
};

inline std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
inline void writeFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}
inline bool fileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// Runs f with standard output captured; returns what it printed.
template <class F> std::string captureOutput(F f) {
    fflush(stdout);
    testing::internal::CaptureStdout();
    f();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
inline int countLines(const std::string& text, const std::string& prefix) {
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0) n++;
    return n;
}

inline void addFace(BrepModel* m, float weight, int orientation, std::vector<BrepVertex*> corners) {
    brepBeginFace(m, weight, orientation);
    for (BrepVertex* v : corners) brepFaceAddVertexNoEdge(m, v);
    brepEndFaceNoEdges(m);
}

// Seven vertices with distinct values and three faces (a triangle, a quad, a pentagon) of both
// orientations; their texture outlines make the faces choose mapping 0 and 1.
inline BrepModel* makeMixedModel(const char* name, int level) {
    BrepModel* m = nullptr;
    brepCreate(&m, name, level);
    BrepVertex* v[7];
    for (int i = 0; i < 7; i++) {
        float a = (float)i;
        // Mapping 0 spreads the first corners wide in texture space, mapping 1 the last ones.
        float t0 = i < 4 ? a * 0.5f : a * 0.01f, s0 = i < 4 ? a * 0.25f : 0.1f;
        float t1 = i < 4 ? a * 0.01f : a * 0.5f, s1 = i < 4 ? 0.2f : a * 0.3f;
        v[i] = brepNewVertex(m, 0.5f * a, a * a * 0.125f - 1.0f, 3.0f - a, 1.0f + a, i % 3, t0, s0, t1, s1);
    }
    addFace(m, 0.5f, BREP_CW, {v[0], v[1], v[2]});
    addFace(m, 1.5f, BREP_CCW, {v[3], v[4], v[5], v[6]});
    addFace(m, 2.0f, BREP_CW, {v[6], v[5], v[1], v[0], v[2]});
    return m;
}

// Every value of a model's vertices and faces, in list order, corners as vertex list positions.
struct ModelPicture {
    std::vector<std::vector<float>> vertices; // x y z weight kind t0 s0 t1 s1
    std::vector<std::vector<float>> faces;    // normal(3) orientation weight count mapping corners...
    bool operator==(const ModelPicture& o) const { return vertices == o.vertices && faces == o.faces; }
};

inline int vertexPosition(const BrepModel* m, const BrepVertex* v) {
    int i = 0;
    for (const BrepVertex* p = m->vertices; p; p = p->next, i++)
        if (p == v) return i;
    return -1;
}

inline ModelPicture picture(const BrepModel* m) {
    ModelPicture p;
    for (const BrepVertex* v = m->vertices; v; v = v->next)
        p.vertices.push_back({v->pos[0], v->pos[1], v->pos[2], v->weight, (float)v->kind, v->texT[0],
                              v->texS[0], v->texT[1], v->texS[1]});
    for (const BrepFace* f = m->faces; f; f = f->next) {
        std::vector<float> row = {f->normal[0], f->normal[1],    f->normal[2],     (float)f->orientation,
                                  f->weight,    (float)f->count, (float)f->mapping};
        for (int i = 0; i < f->count; i++) row.push_back((float)vertexPosition(m, f->verts[i]));
        p.faces.push_back(row);
    }
    return p;
}

inline int countVertices(const BrepModel* m) {
    int n = 0;
    for (const BrepVertex* v = m->vertices; v; v = v->next) n++;
    return n;
}
inline int countFaces(const BrepModel* m) {
    int n = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) n++;
    return n;
}

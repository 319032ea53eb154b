// Shared helpers of the mesh tests: definition files in a temp folder, counting, and a record-by-record
// comparison of two models that names the first difference.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#include "brep/brep.h"
#include "brep/brep_build.h"

// A fresh folder under the system's temp folder, removed with its files at the end of the scope.
struct TempDir {
    std::string path;
    TempDir() {
        std::string tmpl = testing::TempDir() + "kx_brep_XXXXXX";
        path = mkdtemp(&tmpl[0]);
    }
    ~TempDir() { system(("rm -rf '" + path + "'").c_str()); }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::string write(const std::string& name, const std::string& text) const {
        std::string p = file(name);
        FILE* f = fopen(p.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        return p;
    }
};

// Runs with the working directory set to a folder, for the readers that take a name.
struct InDir {
    char old[4096];
    explicit InDir(const std::string& dir) {
        if (!getcwd(old, sizeof old)) old[0] = 0;
        EXPECT_EQ(0, chdir(dir.c_str()));
    }
    ~InDir() {
        if (old[0] && chdir(old) != 0) abort();
    }
};

struct ProfilePoint {
    float x, y, inner, outer, below, above;
    float vw[4];
    float fw[4];
};

inline ProfilePoint profilePoint(float x, float y, float size = 0.5f, float vw = 1, float fw = 1) {
    return {x, y, size, size, size / 2, size / 2, {vw, vw, vw, vw}, {fw, fw, fw, fw}};
}

inline std::string definitionText(const std::vector<ProfilePoint>& pts, float t0 = 0, float s0 = 0,
                                  float t1 = 1, float s1 = 1) {
    std::ostringstream o;
    o << pts.size() << " " << t0 << " " << s0 << " " << t1 << " " << s1 << "\n";
    for (const ProfilePoint& p : pts) {
        o << p.x << " " << p.y << " " << p.inner << " " << p.outer << " " << p.below << " " << p.above;
        for (float w : p.vw) o << " " << w;
        for (float w : p.fw) o << " " << w;
        o << "\n";
    }
    return o.str();
}

// A straight tube of n profile lines along +x with all weights 1.
inline std::string straightTube(int n) {
    std::vector<ProfilePoint> pts;
    for (int i = 0; i < n; i++) pts.push_back(profilePoint((float)i, 0));
    return definitionText(pts);
}

// A winding tube of n profile lines with varying sizes and weights.
inline std::string windingTube(int n) {
    std::vector<ProfilePoint> pts;
    for (int i = 0; i < n; i++) {
        float a = i * 0.37f;
        ProfilePoint p = profilePoint(i * 0.5f + 0.3f * sinf(a * 3), 2 * sinf(a), 0.3f + 0.1f * cosf(a * 2),
                                      1 + (i % 3), 1 + (i % 2));
        p.vw[1] = 2 + (i % 4);
        p.fw[2] = 0.5f + (i % 5);
        pts.push_back(p);
    }
    return definitionText(pts, 0, 0, 2, 1);
}

inline int countFaces(const BrepModel* m) {
    int n = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) n++;
    return n;
}
inline int countEdges(const BrepModel* m) {
    int n = 0;
    for (const BrepEdge* e = m->edges; e; e = e->next) n++;
    return n;
}
inline int countVertices(const BrepModel* m) {
    int n = 0;
    for (const BrepVertex* v = m->vertices; v; v = v->next) n++;
    return n;
}

// Equal bits: a NaN made from a forbidden weight pair compares equal to itself.
inline bool same(float a, float b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

// Compares two models list by list, records by their list positions. Empty when equal.
inline std::string modelDifference(const BrepModel* a, const BrepModel* b) {
    std::map<const void*, int> va, vb, ea, eb, fa, fb;
    std::vector<const BrepVertex*> lva, lvb;
    std::vector<const BrepEdge*> lea, leb;
    std::vector<const BrepFace*> lfa, lfb;
    for (const BrepVertex* v = a->vertices; v; v = v->next) va[v] = (int)lva.size(), lva.push_back(v);
    for (const BrepVertex* v = b->vertices; v; v = v->next) vb[v] = (int)lvb.size(), lvb.push_back(v);
    for (const BrepEdge* e = a->edges; e; e = e->next) ea[e] = (int)lea.size(), lea.push_back(e);
    for (const BrepEdge* e = b->edges; e; e = e->next) eb[e] = (int)leb.size(), leb.push_back(e);
    for (const BrepFace* f = a->faces; f; f = f->next) fa[f] = (int)lfa.size(), lfa.push_back(f);
    for (const BrepFace* f = b->faces; f; f = f->next) fb[f] = (int)lfb.size(), lfb.push_back(f);
    fa[nullptr] = fb[nullptr] = ea[nullptr] = eb[nullptr] = -1;
    if (lva.size() != lvb.size()) return "vertex counts differ";
    if (lea.size() != leb.size()) return "edge counts differ";
    if (lfa.size() != lfb.size()) return "face counts differ";
    for (size_t i = 0; i < lva.size(); i++) {
        const BrepVertex *x = lva[i], *y = lvb[i];
        for (int k = 0; k < 3; k++)
            if (!same(x->pos[k], y->pos[k])) return "vertex " + std::to_string(i) + " position";
        if (!same(x->weight, y->weight) || x->kind != y->kind)
            return "vertex " + std::to_string(i) + " weight/kind";
        for (int k = 0; k < 2; k++)
            if (!same(x->texT[k], y->texT[k]) || !same(x->texS[k], y->texS[k]))
                return "vertex " + std::to_string(i) + " tex";
    }
    for (size_t i = 0; i < lea.size(); i++) {
        const BrepEdge *x = lea[i], *y = leb[i];
        if (va[x->v[0]] != vb[y->v[0]] || va[x->v[1]] != vb[y->v[1]])
            return "edge " + std::to_string(i) + " ends";
        if (x->faceCount != y->faceCount) return "edge " + std::to_string(i) + " face count";
        for (int k = 0; k < x->faceCount && k < 2; k++)
            if (fa[x->face[k]] != fb[y->face[k]]) return "edge " + std::to_string(i) + " faces";
    }
    for (size_t i = 0; i < lfa.size(); i++) {
        const BrepFace *x = lfa[i], *y = lfb[i];
        std::string at = "face " + std::to_string(i);
        if (x->count != y->count || x->orientation != y->orientation || !same(x->weight, y->weight) ||
            x->mapping != y->mapping)
            return at + " header";
        for (int k = 0; k < 3; k++)
            if (!same(x->normal[k], y->normal[k])) return at + " normal";
        for (int k = 0; k < x->count; k++) {
            if (va[x->verts[k]] != vb[y->verts[k]]) return at + " corner " + std::to_string(k);
            if (ea[x->edges[k]] != eb[y->edges[k]]) return at + " edge " + std::to_string(k);
        }
    }
    return "";
}

// Runs f with standard output captured; returns what it printed.
template <class F> std::string captured(F f) {
    fflush(stdout);
    testing::internal::CaptureStdout();
    f();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The floor tile's finer levels (each square cut into four) and the cutting of polygons into
// triangles.
#include "brep/brep_build.h"

#include <algorithm>
#include <cstdio>

static void splitError(const BrepModel* m, const char* what) {
    fprintf(stderr, "Brep Error %s.%03d: %s\n", m->name, m->level, what);
}

void brepRefineFloor(BrepModel* src, BrepModel** out) {
    brepCreate(out, src->name, src->level + 1);
    BrepModel* n = *out;
    for (const BrepFace* f = src->faces; f; f = f->next) {
        if (f->count < 4) {
            splitError(src, "floor face with fewer than 4 corners: not refined");
            continue;
        }
        // Grid points: corner j at 2j, the midpoint of corners j and j+1 at 2j+1, the centre at 8.
        float g[9][5]; // x, y, z, t, s
        for (int j = 0; j < 4; j++) {
            const BrepVertex* v = f->verts[j];
            float c[5] = {v->pos[0], v->pos[1], v->pos[2], v->texT[0], v->texS[0]};
            std::copy(c, c + 5, g[2 * j]);
        }
        for (int j = 0; j < 4; j++)
            for (int k = 0; k < 5; k++) g[2 * j + 1][k] = (g[2 * j][k] + g[(2 * j + 2) % 8][k]) / 2;
        for (int k = 0; k < 5; k++) g[8][k] = (g[1][k] + g[5][k]) / 2;
        // Snap to the unit square's border so that neighbouring tiles meet exactly.
        for (float* p : g)
            for (int k : {0, 2}) {
                if (p[k] < 0.0001f) p[k] = 0;
                if (p[k] > 0.9999f) p[k] = 1;
            }
        static const int quads[4][4] = {{0, 1, 8, 7}, {1, 2, 3, 8}, {8, 3, 4, 5}, {7, 8, 5, 6}};
        for (const int* q : quads) {
            brepBeginFace(n, 1.0f, BREP_CW);
            for (int i = 0; i < 4; i++) {
                const float* p = g[q[i]];
                brepFaceAddPoint(n, p[0], p[1], p[2], 1.0f, 1, p[3], p[4], p[3], p[4]);
            }
            brepEndFace(n);
        }
    }
}

void brepSplitPolygons(BrepModel* model) {
    if (model->base != 0) {
        splitError(model, "a packed model cannot be split");
        return;
    }
    auto corner = [model](const BrepVertex* v) {
        brepFaceAddPoint(model, v->pos[0], v->pos[1], v->pos[2], v->weight, v->kind, v->texT[0], v->texS[0],
                         v->texT[1], v->texS[1]);
    };
    for (bool cut = true; cut;) {
        cut = false;
        for (BrepFace* f = model->faces; f;) {
            int n = f->count;
            if (n <= 3) {
                f = f->next;
                continue;
            }
            // The shortest diagonal; one ending at the last corner is never considered.
            int bi = 0, bj = 2;
            float best = 1e32f;
            for (int i = 0; i < n; i++)
                for (int j = i + 2; j <= n - 2; j++) {
                    const float* p = f->verts[i]->pos;
                    const float* q = f->verts[j]->pos;
                    float d = (p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                              (p[2] - q[2]) * (p[2] - q[2]);
                    if (d < best) {
                        best = d;
                        bi = i;
                        bj = j;
                    }
                }
            brepBeginFace(model, f->weight, f->orientation);
            for (int k = bi; k <= bj; k++) corner(f->verts[k]);
            brepEndFace(model);
            brepBeginFace(model, f->weight, f->orientation);
            corner(f->verts[bi]);
            for (int k = bj; k != bi; k = (k + 1) % n) corner(f->verts[k]);
            brepEndFace(model);
            f = brepRemoveFace(&model->faces, f);
            cut = true;
        }
    }
    brepCheck(model, 0);
}

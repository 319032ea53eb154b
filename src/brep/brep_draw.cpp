// SPDX-License-Identifier: GPL-3.0-or-later
#include "brep/brep_draw.h"

#include <climits>

#include "brep/brep.h"
#include "image/texture.h"

// The face loop shared by both ways of drawing: at most `most` faces from first on; returns the face
// after the last one sent. A face starts at its corner of greatest x + y + z, the earliest on ties,
// so that the split of a quad into triangles does not depend on where its corner list happens to
// begin.
static const BrepFace* brepSendFaces(const BrepFace* first, int most, bool checkErrors) {
    const BrepFace* face = first;
    for (; face && most > 0; face = face->next, most--) {
        int count = face->count;
        glBegin(count == 4 ? GL_QUADS : count == 3 ? GL_TRIANGLES : GL_POLYGON);
        glNormal3f(face->normal[0], face->normal[1], face->normal[2]);
        int start = 0;
        float greatest = -1e32f;
        for (int i = 0; i < count; i++) {
            const float* p = face->verts[i]->pos;
            float key = p[0] + p[1] + p[2];
            if (key > greatest) {
                greatest = key;
                start = i;
            }
        }
        int m = face->mapping;
        for (int i = 0; i < count; i++) {
            const BrepVertex* v = face->verts[(start + i) % count];
            glTexCoord2f(v->texS[m], v->texT[m]);
            glVertex3f(v->pos[0], v->pos[1], v->pos[2]);
        }
        glEnd();
        if (checkErrors) glCheckError();
    }
    return face;
}

void brepDraw(const BrepModel* model) {
    if (model) brepSendFaces(model->faces, INT_MAX, false);
}

const BrepFace* brepCompileFaces(const BrepFace* first, int most, GLuint* list) {
    *list = glGenLists(1);
    glCheckError();
    glNewList(*list, GL_COMPILE);
    glCheckError();
    const BrepFace* next = brepSendFaces(first, most, true);
    glEndList();
    glCheckError();
    return next;
}

void brepCompileList(const BrepModel* model, GLuint* list) {
    brepCompileFaces(model ? model->faces : nullptr, INT_MAX, list);
}

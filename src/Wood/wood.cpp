// SPDX-License-Identifier: GPL-3.0-or-later
// The props must stop the program when no list could be made, also in builds with NDEBUG.
#undef NDEBUG
#include "Wood/wood.h"

#include <cassert>
#include <GL/gl.h>

uint32_t DisplayListWood;

namespace {

const float a = 0.1f;  // post width and beam height
const float b = 0.03f; // half thickness
const int rows = 32;   // rows per face
const float step = 1.0f / rows;

// One quad strip face; a row is (s1; p1) then (s2; p2), t running with the strip.
struct StripFace {
    float normal[3];
    float s1, u1, z1; // u is x for a post face, y for a beam face
    float s2, u2, z2;
};

void postStrip(const StripFace& f) {
    glNormal3f(f.normal[0], f.normal[1], f.normal[2]);
    glBegin(GL_QUAD_STRIP);
    // Rows every 1/32 while the next one stays below the beam, then one row at the beam's
    // underside, textured with the next row's t.
    int k = 0;
    for (; float(k) * step + step < 1.0f - a; ++k) {
        float y = float(k) * step;
        glTexCoord2f(f.s1, y);
        glVertex3f(f.u1, y, f.z1);
        glTexCoord2f(f.s2, y);
        glVertex3f(f.u2, y, f.z2);
    }
    float t = float(k) * step;
    glTexCoord2f(f.s1, t);
    glVertex3f(f.u1, 1.0f - a, f.z1);
    glTexCoord2f(f.s2, t);
    glVertex3f(f.u2, 1.0f - a, f.z2);
    glEnd();
}

void beamStrip(const StripFace& f) {
    glNormal3f(f.normal[0], f.normal[1], f.normal[2]);
    glBegin(GL_QUAD_STRIP);
    for (int k = 0; k <= rows; ++k) {
        float x = float(k) * step;
        glTexCoord2f(f.s1, x);
        glVertex3f(x, f.u1, f.z1);
        glTexCoord2f(f.s2, x);
        glVertex3f(x, f.u2, f.z2);
    }
    glEnd();
}

struct BraceCorner {
    float s, t, x, y, z;
};

struct BraceQuad {
    float normal[3];
    BraceCorner corner[4];
};

} // namespace

void woodBuildList() {
    DisplayListWood = glGenLists(1);
    if (DisplayListWood == 0) return;
    glNewList(DisplayListWood, GL_COMPILE);

    const GLfloat diffuse[4] = {0.99f, 0.99f, 0.99f, 1.0f};
    const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);

    const float s = 4.0f * b; // texture s across a face's thickness
    const StripFace posts[6] = {
        {{1, 0, 0}, s, a, b, -s, a, -b},                       // first post, inner side
        {{0, 0, -1}, s, a, -b, -s, 0, -b},                     // first post, back
        {{0, 0, -1}, -s, 1, -b, s, 1 - a, -b},                 // second post, back
        {{-1, 0, 0}, 4.0f - s, 1 - a, -b, 4.0f + s, 1 - a, b}, // second post, inner side
        {{0, 0, 1}, -s, 0, b, s, a, b},                        // first post, front
        {{0, 0, 1}, s, 1 - a, b, -s, 1, b},                    // second post, front
    };
    for (const StripFace& f : posts) postStrip(f);

    const StripFace beam[3] = {
        {{0, -1, 0}, s, 1 - a, b, -s, 1 - a, -b}, // underside
        {{0, 0, -1}, s, 1 - a, -b, -s, 1, -b},    // back
        {{0, 0, 1}, -s, 1, b, s, 1 - a, b},       // front
    };
    for (const StripFace& f : beam) beamStrip(f);

    // The left brace joins the first post between heights 1-2a-c = 0.5 and 1-a-c = 0.6 to the
    // beam between x = a+c = 0.4 and 2a+c = 0.5; the right one is its mirror image (x to 1-x).
    const float d = 0.707106f;
    const BraceQuad braces[6] = {
        {{0, 0, 1}, // left brace, front
         {{s, -0.1f, 0.1f, 0.5f, b},
          {s, 0.4f, 0.5f, 0.9f, b},
          {-s, 0.3f, 0.4f, 0.9f, b},
          {-s, 0, 0.1f, 0.6f, b}}},
        {{0, 0, -1}, // left brace, back
         {{s, -0.1f, 0.1f, 0.5f, -b},
          {-s, 0, 0.1f, 0.6f, -b},
          {-s, 0.3f, 0.4f, 0.9f, -b},
          {s, 0.4f, 0.5f, 0.9f, -b}}},
        {{0, 0, 1}, // right brace, front
         {{s, -0.1f, 0.9f, 0.5f, b},
          {-s, 0, 0.9f, 0.6f, b},
          {-s, 0.3f, 0.6f, 0.9f, b},
          {s, 0.4f, 0.5f, 0.9f, b}}},
        {{0, 0, -1}, // right brace, back
         {{s, -0.1f, 0.9f, 0.5f, -b},
          {s, 0.4f, 0.5f, 0.9f, -b},
          {-s, 0.3f, 0.6f, 0.9f, -b},
          {-s, 0, 0.9f, 0.6f, -b}}},
        {{-d, -d, 0}, // right brace, underside
         {{s, 0, 0.9f, 0.5f, -b},
          {-s, 0, 0.9f, 0.5f, b},
          {-s, 0.3f, 0.5f, 0.9f, b},
          {s, 0.4f, 0.5f, 0.9f, -b}}},
        {{d, -d, 0}, // left brace, underside
         {{s, 0, 0.1f, 0.5f, -b},
          {s, 0.4f, 0.5f, 0.9f, -b},
          {-s, 0.3f, 0.5f, 0.9f, b},
          {-s, 0, 0.1f, 0.5f, b}}},
    };
    // The first normal goes before glBegin: Mesa 22 loses or crashes on a GL_QUADS block that
    // follows a quad strip in the same list without a state change between them (feedback and
    // selection modes), and the stream is the same either way.
    glNormal3f(braces[0].normal[0], braces[0].normal[1], braces[0].normal[2]);
    glBegin(GL_QUADS);
    for (const BraceQuad& q : braces) {
        if (&q != braces) glNormal3f(q.normal[0], q.normal[1], q.normal[2]);
        for (const BraceCorner& k : q.corner) {
            glTexCoord2f(k.s, k.t);
            glVertex3f(k.x, k.y, k.z);
        }
    }
    glEnd();

    glEndList();
}

static void woodEnsureList() {
    if (DisplayListWood == 0) woodBuildList();
    assert(DisplayListWood);
}

void woodDrawAcrossX(float x, float z) {
    woodEnsureList();
    glPushMatrix();
    glTranslatef(x, 0, z);
    glCallList(DisplayListWood);
    glPopMatrix();
}

void woodDrawAcrossY(float x, float z) {
    woodEnsureList();
    glPushMatrix();
    glTranslatef(x, 0, z);
    glRotatef(90, 0, 1, 0);
    glCallList(DisplayListWood);
    glPopMatrix();
}

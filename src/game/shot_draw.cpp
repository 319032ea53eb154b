// SPDX-License-Identifier: GPL-3.0-or-later
// The arrow in flight, or its explosion once it has hit rock, floor or ceiling.
#include <GL/gl.h>
#include <cmath>

#include "app/record.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "image/tga.h"
#include "maze/maze.h"

namespace {

// The explosion's frame for its age: sixteen frames a second, the last one held.
const TgaImage& explosionFrame(float age) {
    const int k = int(age * 16.0f);
    if (k >= 0 && k <= 6) return imageTable[19 + k]; // imgMap1 .. imgMap7
    return imgMap8;
}

} // namespace

void shotDraw(const Actor* a) {
    const GLfloat diffuse[4] = {0.2f, 0.2f, 0.2f, 0.9f};
    const GLfloat other[4] = {0, 0, 0, 0.9f};
    glDisable(GL_TEXTURE_2D);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, other);
    glMaterialfv(GL_FRONT, GL_SPECULAR, other);
    glMaterialfv(GL_FRONT, GL_EMISSION, other);
    glPushMatrix();

    // The ready arrow rides at the eye, unseen: drawn there it would fill the view of a player looking
    // down with its head.
    if (shotState == 0) {
        glPopMatrix();
        return;
    }
    if (mazeIsOpen(&maze, int(a->x), int(a->z)) && a->y > 0 && a->y < 1 && shotState < 2) {
        glTranslatef(a->x, a->y, a->z);
        glRotatef(-a->heading, 0, 1, 0);
        glRotatef(-actorShotFlightPitch(a), 1, 0, 0); // along its flight, not along the aim
        glRotatef(-90, 1, 0, 0);
        glScalef(0.05f, 0.2f, 0.05f);
        glCallList(modelArrowList());
        glPopMatrix();
        return;
    }

    // It has hit something (the step turned it into its burst): a quad that faces the viewer.
    // Rock in front hides it; it hides nothing. It stands a little out of the rock it hit, towards
    // the viewer, so that the rock does not cut it.
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    // The quad winds clockwise as the viewer sees it: with back faces culled it would vanish.
    glDisable(GL_CULL_FACE);
    float dx = player.x - a->x, dy = player.y - a->y, dz = player.z - a->z;
    float away = sqrtf(dx * dx + dy * dy + dz * dz);
    float pull = away > 0 ? fminf(0.25f, 0.8f * away) / away : 0;
    glTranslatef(a->x + dx * pull, a->y + dy * pull, a->z + dz * pull);
    glRotatef(-player.heading, 0, 1, 0);
    glRotatef(-player.pitch, 1, 0, 0);
    glScalef(0.25f, 0.25f, 0.25f);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, explosionFrame(explosionTime).textureId);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glEnd();
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
    if (backfaceCull) glEnable(GL_CULL_FACE);
    glPopMatrix();
}

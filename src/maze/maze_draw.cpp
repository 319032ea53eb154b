// SPDX-License-Identifier: GPL-3.0-or-later
#include "maze/maze_draw.h"

#include <GL/gl.h>

#include "Wood/wood.h"
#include "app/record.h"
#include "brep/catalogue.h"
#include "image/texture.h"
#include "image/tga.h"
#include "maze/body.h"
#include "maze/maze.h"

namespace {

const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};

void setMaterial(GLuint texture, const GLfloat* diffuse) {
    restoreTexturing();
    glBindTexture(GL_TEXTURE_2D, texture);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    // The rock takes the faint light all round only when the lamp is set brighter than plain.
    glMaterialfv(GL_FRONT, GL_AMBIENT, record.lampBrightness > 0 ? diffuse : black);
}

// The tile at the fixed level; the distance rule is not used for the mine's squares. A level
// outside 0..3 (a damaged settings record) draws level 0 rather than reading past the table.
void callTile() {
    const int level = record.lodLevel >= 0 && record.lodLevel < MODEL_LEVELS ? record.lodLevel : 0;
    glCallList(modelTable[ROW_FLOOR].lists[level]);
}

} // namespace

void floorMaterial() {
    const GLfloat diffuse[4] = {0.8f, 0.99f, 0.8f, 1.0f};
    setMaterial(imgFloor.textureId, diffuse);
}

void mazeCeilingMaterial() {
    const GLfloat diffuse[4] = {0.8f, 0.99f, 0.99f, 1.0f};
    setMaterial(imgFloor.textureId, diffuse);
}

void mazeWallMaterial() {
    const GLfloat diffuse[4] = {0.99f, 0.8f, 0.8f, 0.1f};
    setMaterial(imgWall.textureId, diffuse);
}

void drawFloorTile(float x, float y) {
    glPushMatrix();
    glTranslatef(x, 0, y);
    callTile();
    glPopMatrix();
}

void drawFloorTile(const Actor* a) {
    drawFloorTile(a->x, a->z);
}

void drawCeilingTile(float x, float y) {
    glPushMatrix();
    glTranslatef(x, 1, y + 1);
    glRotatef(180, 1, 0, 0);
    callTile();
    glPopMatrix();
}

void drawWallFacingNegX(float x, float y) {
    glPushMatrix();
    glTranslatef(x + 1, 0, y);
    glRotatef(90, 0, 0, 1);
    callTile();
    glPopMatrix();
}

void drawWallFacingPosX(float x, float y) {
    glPushMatrix();
    glTranslatef(x + 1, 1, y);
    glRotatef(270, 0, 0, 1);
    callTile();
    glPopMatrix();
}

void drawWallFacingPosY(float x, float y) {
    glPushMatrix();
    glTranslatef(x, 0, y + 1);
    glRotatef(90, 0, 0, 1);
    glRotatef(90, 1, 0, 0);
    callTile();
    glPopMatrix();
}

void drawWallFacingNegY(float x, float y) {
    glPushMatrix();
    glTranslatef(x + 1, 0, y + 1);
    glRotatef(90, 0, 0, 1);
    glRotatef(270, 1, 0, 0);
    callTile();
    glPopMatrix();
}

void mazeDraw(Maze* m, const Actor* viewer, const Actor* door) {
    const int n = m->size;
    const bool culling = portalCulling != 0;
    if (culling) mazeUpdateVisibility(m, int(viewer->x), int(viewer->z));
    auto open = [m](int x, int y) { return mazeIsOpen(m, x, y) != 0; };
    auto seen = [m, culling](int x, int y) { return !culling || mazeIsVisible(m, x, y) != 0; };

    floorMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (open(x, y) && seen(x, y)) drawFloorTile(float(x), float(y));

    mazeCeilingMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (open(x, y) && seen(x, y)) drawCeilingTile(float(x), float(y));

    // Every wall square belongs to the open cell it faces; the exit cell's +x side is the way
    // out, where the door stands instead.
    mazeWallMaterial();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            if (open(x, y) && !open(x, y + 1) && seen(x, y)) drawWallFacingNegY(float(x), float(y));
            if (!open(x, y) && open(x, y + 1) && seen(x, y + 1)) drawWallFacingPosY(float(x), float(y));
            if (open(x, y) && !open(x + 1, y) && seen(x, y) && !(x == n - 1 && y == n - 1))
                drawWallFacingNegX(float(x), float(y));
            if (!open(x, y) && open(x + 1, y) && seen(x + 1, y)) drawWallFacingPosX(float(x), float(y));
        }

    glBindTexture(GL_TEXTURE_2D, imgWood.textureId);
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            if (!open(x, y) || !seen(x, y)) continue;
            if (!open(x + 1, y) && !open(x - 1, y)) woodDrawAcrossX(float(x), float(y) + 0.5f);
            if (!open(x, y + 1) && !open(x, y - 1)) woodDrawAcrossY(float(x) + 0.5f, float(y + 1));
        }

    mazeDrawDoor(door);
    drawAllInstances();
}

void mazeDrawDoor(const Actor* door) {
    const GLfloat diffuse[4] = {0.99f, 0.99f, 0.99f, 1.0f};
    setMaterial(imgWood.textureId, diffuse);
    glPushMatrix();
    glTranslatef(door->x, 0, door->z);
    glRotatef(90, 0, 0, 1);
    glRotatef(door->pitch, 1, 0, 0);
    callTile();
    glPopMatrix();
}

static void drawRow(ModelEntry& row) {
    if (row.applyMaterial) row.applyMaterial();
    for (int i = 0; i < row.count && i < MAX_INSTANCES; ++i)
        if (row.drawEntity) row.drawEntity(&row.entities[i]);
}

void drawAllInstances() {
    for (int row = 0; row < MODEL_ROWS; ++row)
        if (row != ROW_DIAMOND) drawRow(modelTable[row]);
}

void mazeDrawTranslucentInstances() {
    // Seen through, and not hiding what lies behind them: no depth written.
    glDepthMask(GL_FALSE);
    drawRow(modelTable[ROW_DIAMOND]);
    glDepthMask(GL_TRUE);
}

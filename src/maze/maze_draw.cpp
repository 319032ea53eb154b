// SPDX-License-Identifier: GPL-3.0-or-later
#include "maze/maze_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

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
    glCallList(modelTableList(ROW_FLOOR, level));
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

namespace {

// The open cells this frame draws (those in sight with portal culling on), nearest to the viewer
// first: squares drawn near to far let the depth test turn away most of what lies behind them
// before it is textured.
struct DrawnCell {
    int x, y, distance; // distance: squared, in quarter cells
};
std::vector<DrawnCell> drawnCells;

bool openCell(const Maze* m, int x, int y) {
    return mazeIsOpen(m, x, y) != 0;
}

bool seenCell(const Maze* m, int x, int y) {
    return portalCulling == 0 || mazeIsVisible(m, x, y) != 0;
}

// Whether the cell's box (every square and prop of a cell lies in it) lies wholly beyond one side
// of the view volume of matrix m (projection times model-view) cut down to the part x0..x1, y0..y1
// of the view (-1..1 the whole view): behind the viewer, beside the view, beyond the far plane.
bool cellOutside(const GLfloat* m, const DrawnCell& cell, float x0, float x1, float y0, float y1) {
    int beyond[6] = {};
    for (int k = 0; k < 8; k++) {
        const float x = float(cell.x + (k & 1)), y = float((k >> 1) & 1), z = float(cell.y + (k >> 2));
        float clip[4];
        for (int r = 0; r < 4; r++) clip[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
        beyond[0] += clip[0] < x0 * clip[3];
        beyond[1] += clip[0] > x1 * clip[3];
        beyond[2] += clip[1] < y0 * clip[3];
        beyond[3] += clip[1] > y1 * clip[3];
        beyond[4] += clip[2] < -clip[3];
        beyond[5] += clip[2] > clip[3];
    }
    for (int plane : beyond)
        if (plane == 8) return true;
    return false;
}

// Projection times model-view, as OpenGL holds them now.
void viewMatrix(GLfloat* m) {
    GLfloat p[16], v[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, v);
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++)
            m[c * 4 + r] = p[r] * v[c * 4] + p[4 + r] * v[c * 4 + 1] + p[8 + r] * v[c * 4 + 2] +
                           p[12 + r] * v[c * 4 + 3];
}

// Leaves out the cells wholly outside the view volume.
void keepCellsInView() {
    GLfloat m[16];
    viewMatrix(m);
    drawnCells.erase(std::remove_if(drawnCells.begin(), drawnCells.end(),
                                    [&m](const DrawnCell& c) { return cellOutside(m, c, -1, 1, -1, 1); }),
                     drawnCells.end());
}

} // namespace

void mazeDrawPrepare(Maze* m, const Actor* viewer) {
    const int n = m->size;
    if (portalCulling) mazeUpdateVisibility(m, int(viewer->x), int(viewer->z));
    // In quarter cells, so that the order is the same on every machine.
    const int vx = int(viewer->x * 4), vz = int(viewer->z * 4);
    drawnCells.clear();
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            if (openCell(m, x, y) && seenCell(m, x, y)) {
                const int dx = x * 4 + 2 - vx, dy = y * 4 + 2 - vz;
                drawnCells.push_back({x, y, dx * dx + dy * dy});
            }
    if (portalCulling) keepCellsInView();
    // Stable: cells as far as each other keep the x outer, y inner order.
    std::stable_sort(drawnCells.begin(), drawnCells.end(),
                     [](const DrawnCell& a, const DrawnCell& b) { return a.distance < b.distance; });
}

void mazeDrawFloors() {
    floorMaterial();
    for (const DrawnCell& c : drawnCells) drawFloorTile(float(c.x), float(c.y));
}

void mazeDrawCeilings() {
    mazeCeilingMaterial();
    for (const DrawnCell& c : drawnCells) drawCeilingTile(float(c.x), float(c.y));
}

void mazeDrawWalls(const Maze* m) {
    // Every wall square belongs to the open cell it faces; the exit cell's +x side is the way
    // out, where the door stands instead.
    const int n = m->size;
    mazeWallMaterial();
    for (const DrawnCell& c : drawnCells) {
        const int x = c.x, y = c.y;
        if (!openCell(m, x, y + 1)) drawWallFacingNegY(float(x), float(y));
        if (y > 0 && !openCell(m, x, y - 1)) drawWallFacingPosY(float(x), float(y - 1));
        if (!openCell(m, x + 1, y) && !(x == n - 1 && y == n - 1)) drawWallFacingNegX(float(x), float(y));
        if (x > 0 && !openCell(m, x - 1, y)) drawWallFacingPosX(float(x - 1), float(y));
    }
}

void mazeDrawProps(const Maze* m) {
    glBindTexture(GL_TEXTURE_2D, imgWood.textureId);
    for (const DrawnCell& c : drawnCells) {
        const int x = c.x, y = c.y;
        if (!openCell(m, x + 1, y) && !openCell(m, x - 1, y)) woodDrawAcrossX(float(x), float(y) + 0.5f);
        if (!openCell(m, x, y + 1) && !openCell(m, x, y - 1)) woodDrawAcrossY(float(x) + 0.5f, float(y + 1));
    }
}

void mazeDraw(Maze* m, const Actor* viewer, const Actor* door) {
    mazeDrawPrepare(m, viewer);
    // Near things first, as they hide the most: the instances and the props, then the squares.
    drawAllInstances();
    mazeDrawProps(m);
    mazeDrawDoor(door);
    mazeDrawWalls(m);
    mazeDrawFloors();
    mazeDrawCeilings();
}

void mazeDrawInBoxes(Maze* m, const Actor* viewer, const Actor* door, const int (*boxes)[4], int count) {
    mazeDrawPrepare(m, viewer);
    drawAllInstances();
    mazeDrawDoor(door);
    GLfloat view[16];
    GLint port[4];
    viewMatrix(view);
    glGetIntegerv(GL_VIEWPORT, port);
    const std::vector<DrawnCell> all = drawnCells;
    glEnable(GL_SCISSOR_TEST);
    for (int i = 0; i < count; i++) {
        const int* b = boxes[i];
        glScissor(b[0], b[1], b[2], b[3]);
        // The box as a part of the view, -1..1 across it.
        const float x0 = 2.0f * float(b[0] - port[0]) / float(port[2]) - 1;
        const float x1 = 2.0f * float(b[0] + b[2] - port[0]) / float(port[2]) - 1;
        const float y0 = 2.0f * float(b[1] - port[1]) / float(port[3]) - 1;
        const float y1 = 2.0f * float(b[1] + b[3] - port[1]) / float(port[3]) - 1;
        drawnCells.clear();
        for (const DrawnCell& c : all)
            if (portalCulling == 0 || !cellOutside(view, c, x0, x1, y0, y1)) drawnCells.push_back(c);
        mazeDrawProps(m);
        mazeDrawWalls(m);
        mazeDrawFloors();
        mazeDrawCeilings();
    }
    glDisable(GL_SCISSOR_TEST);
    drawnCells = all;
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

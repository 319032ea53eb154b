// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing the mine for one frame: floor and ceiling squares in every open cell, a wall square on
// every side where an open cell meets rock, a pit prop across every corridor cell, the exit door,
// then every placed instance of the model catalogue. Every square is the one-unit tile of the
// FLOOR0 catalogue row at record.lodLevel, placed by translation and rotation.
#pragma once

struct Actor;
struct Maze;

// Materials: texturing as textureMode asks, the texture bound, GL_DIFFUSE and GL_AMBIENT on
// GL_FRONT. The ceiling uses the floor texture.
void floorMaterial();
void mazeCeilingMaterial();
void mazeWallMaterial();

// Tile placers for cell (x, y); each shows its front side to the open cell it belongs to.
void drawFloorTile(float x, float y);      // y = 0, faces up
void drawCeilingTile(float x, float y);    // y = 1, faces down
void drawWallFacingNegX(float x, float y); // plane x+1, faces into cell (x, y)
void drawWallFacingPosX(float x, float y); // plane x+1, faces into cell (x+1, y)
void drawWallFacingNegY(float x, float y); // plane z = y+1, faces into cell (x, y)
void drawWallFacingPosY(float x, float y); // plane z = y+1, faces into cell (x, y+1)
// Same-shape adapter for the FLOOR0 catalogue row's instance routine (the row has no instances).
void drawFloorTile(const Actor* a);

// One frame of the mine as seen from the viewer (only its x and z are read), with the exit door:
// mazeDrawPrepare, then the parts nearest first (instances, props, door, walls, floors,
// ceilings), so that the depth test turns away what lies behind before it is textured.
void mazeDraw(Maze* m, const Actor* viewer, const Actor* door);
// mazeDraw for a view seen only through the given boxes of the window (x, y, width, height in
// window pixels; none overlapping): the instances and the door once, then for each box, cut to
// it, the props, walls, floors and ceilings of the cells (with portal culling on, those that
// reach into the box's part of the view). Nothing outside the boxes is touched.
void mazeDrawInBoxes(Maze* m, const Actor* viewer, const Actor* door, const int (*boxes)[4], int count);
// The cells of this frame: with portal culling on, the visibility marking is renewed from the
// viewer's cell and only marked cells are drawn, and of those only the cells whose box reaches
// into the view volume of the current projection and model-view matrices; the open cells in
// order of their distance from the viewer, nearest first (equal distances in x outer, y inner
// order).
void mazeDrawPrepare(Maze* m, const Actor* viewer);
// The parts of the prepared cells, each nearest first: floor squares, ceiling squares, wall squares
// (each belongs to the open cell it faces; the exit cell's +x side is left to the door), and a pit
// prop across every corridor cell.
void mazeDrawFloors();
void mazeDrawCeilings();
void mazeDrawWalls(const Maze* m);
void mazeDrawProps(const Maze* m);
// The exit door: the tile stood upright with its hinge at (door x, door z), swung by door pitch.
void mazeDrawDoor(const Actor* door);
// For every catalogue row but the translucent diamonds: its material routine, then its instance
// routine for each instance.
void drawAllInstances();
// The diamonds, after everything opaque (the horse included), without writing depth.
void mazeDrawTranslucentInstances();

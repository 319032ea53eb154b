// SPDX-License-Identifier: GPL-3.0-or-later
// The straw bales, oil cans, diamonds and spiders placed in the mine (instances in rows 0..3 of
// the model catalogue), the inventory, and the supplies that set the walking speeds.
#pragma once

struct Actor;
struct Maze;

extern float inventory[4]; // collected per catalogue row: straw, oil, diamonds, spiders removed

void resetInventory(); // all four counters to 0
// Adds one instance to catalogue row `row` near a random corner of cell (col, rowZ), 0.2 + radius
// in from the two nearest walls, at height y, turning a tenth of a turn per second. Draws two
// random numbers. A row that is out of range or already holds 9 instances is refused with one
// line and nothing is drawn or written.
void spawnItem(int row, float col, float y, float rowZ, float radius);
// Places record.itemsPerKind items of each kind in the maze's free cells (diamonds, straw bales,
// oil cans, spiders) and prints the maze's third snapshot; the maze's layout must come from the
// same random sequence, which this goes on drawing. An itemsPerKind above 9 (what a catalogue row
// holds) is lowered to 9 with one line.
void itemsPlace(Maze* m);
// Puts code into count random empty cells and spawns an item of catalogue row `row` in each, the
// cell's two draws followed by spawnItem's two. If fewer empty cells remain than items to place,
// only as many items as fit are placed (one line says so), so the random search always ends.
void itemsPlaceKind(Maze* m, int count, char code, int row, float height, float radius);
void itemsClearInstances(); // every catalogue row back to 0 instances (tools and tests)
// How near in the floor plane a body comes to an item to pick it up, whatever their heights: an
// item stands 0.29 or less from its cell's middle lines, so walking through its cell, on a middle
// line or not, collects it, while the rock cells between corridors keep other corridors' items out
// of reach.
constexpr float pickupReach = 0.35f;
// 1 when the body is within pickupReach of the item in the floor plane.
int itemsWithinReach(const Actor* body, const Actor* item);
// Actor a picks up every item and spider of rows 0..3 within its reach; the last instance of the
// row moves into the freed slot and is looked at in the next frame.
void itemsCollect(const Actor* a);
void itemsMoveCreatures(); // spiders bob between 0.2 and 0.8; every instance steps and turns
// Remaining stocks, never below 0. A zero oilSeconds or strawDistance gives a stock of 0.
float itemsOilLeft();
float itemsStrawLeft();
// This frame's walking distances from the stocks, each capped at 0.19; the player rides
// (riderState 2) at the horse's step. A fullLevel of 0 or less counts every stock as full.
void itemsStepSizes(float* playerStep, float* horseStep);

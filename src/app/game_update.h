// SPDX-License-Identifier: GPL-3.0-or-later
// The game update's rules, without GL: walking by the held actions, the field of view, the shot,
// the contacts and the exit door.
#pragma once

// 1 once the arrow hit the horse: the run is lost, whatever the exit does. A new game sets it to 0.
int gameHorseHit();
void gameSetHorseHit(int hit);

// Walking by the held keys: Home (both walk out; the route keys and the arrows are ignored), or
// else the route keys (Page Up brings the horse, Page Down takes the player to it, each walk on its
// own route) and the arrows, each of the n held
// ones moving playerStep / n in the order Left, Right, Up, Down with a collision after each. On
// horseback (riderState 2) the route keys do nothing, Home and the arrows move the player and the
// horse carries its rider.
// The left stick walks after the arrows (gameStickWalk), as gameStickHold last set it.
void gameMoveByKeys(float playerStep, float horseStep);
// The route keys (Page Up, Page Down, Home) as the game reads them: held while their key is held, or
// with routeKeys = 1 (tap) while the walk a tap started goes on.
int gameRouteHeld(int action);
// At the start of a step, from the presses it took (in their order) and the held state: with
// routeKeys = 1 a route key's press starts its walk, a second press of it stops it and another route
// key's press starts that one's instead; a walking key or the pad's left stick (stickWalks) stops it.
void gameRouteTaps(const unsigned char* presses, int count, int stickWalks);
// After the step's walking: a tapped walk stops where it arrives (the horse at the player, the player
// at the horse, or both in the exit cell), or when the rider is on the horse.
void gameRouteArrival();
void gameStickHold(float side, float down);
// What the steps carry from one to the next back to a fresh start's (a new segment of a replay).
void gameUpdateFresh();
// What a left run keeps of the steps' carry-over: which of the route keys (Page Up, Page Down) and
// Home led in the last step, and the part of a degree F9 or F10 asked for and not yet turned.
void gameWalksLed(int led[3]);
void gameSetWalksLed(const int led[3]);
float gameFieldOfViewPart();
void gameSetFieldOfViewPart(float part);
// The left stick's push (each part -1..1, after the dead zone) walks and steps: the player moves by
// playerStep times how far it is pushed, split between forward and sideways as it points, with a
// collision after each part; not while Home walks out.
void gameStickWalk(float playerStep, float side, float down);
// The right stick's push turns the view by up to 24 * padLookSpeed degrees per second (frameTime
// seconds of it), up and down within 40 degrees; invertMouse turns the up and down round.
void gameStickLook(float frameTime, float x, float y);
// F9 and F10 held: the field of view narrows and widens by 30 degrees per second in whole degrees
// within 10 to 120, kept in the settings file when the key is let go.
enum { fieldOfViewLeast = 10, fieldOfViewMost = 120 };
void gameFieldOfView();
// The status field says the angle reached: "Field of view 60°".
void gameFieldOfViewMessage(int degrees);
// Writes a view that F9 or F10 changed and that is not kept yet into the settings file.
void gameFieldOfViewKeep();
// 1 (the default): a field of view changed by F9 or F10 is kept in the settings; 0 for a run that is
// only re-simulated, which writes nothing.
extern int gameKeepsView;
// The arrow of this frame: the ready one rides with the player; the flying one moves in short
// moves, each checked against the horse (a hit loses the run) and the items it picks up, and
// stops at the rock it meets.
void gameShot();
// Bodies in rock back to the nearest open place; the spiders' push back to the cell centre, pick-ups by the
// player, the horse and the flying arrow, the creatures' step, the player-horse contact, the arrow hitting
// the horse (the game ends, lost) and the status label.
void gameContacts();
// The exit door: starts opening when enough diamonds were found and the player and the horse
// both stand in the exit cell, then opens by 10 degrees per second whatever happens; fully open
// (100) ends the game.
void gameExitDoorUpdate(float frameTime);
// The run was won when the exit door had begun to open (angle above 1) and the horse was not hit.
int gameWon();

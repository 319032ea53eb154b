// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen: one update (gameIdle) and one drawing (gameDisplay) per frame, in a fixed
// order that the other modules rely on.
#pragma once

// 0 normal; 1 the boss picture is to be shown (key B); 2 it is shown and the game is halted.
extern int bossScreen;

void gameIdle();
void gameDisplay();
void gameVisibility(int state);
// Picks the game up after a halt (pause, boss picture, settings dialog): the frame clock restarts
// now, the idle callback runs again and the next pointer motion is not a turn.
void gameResume();
// The game's sound is held while the game is paused, the boss picture shows, the settings dialog is
// open or the window is hidden, and goes on once none of them holds it.
void gameSoundHold();
// F1: the settings dialog (the sound held while it is open), then the settings read again and applied (shade and texture modes);
// keys held when it opened count as released. The game stays in its window if it has one.
// A volume raised from 0 opens the device and starts the mine's hum at once.
void gameSettingsDialog();

// ---- The update's rules, without GL (game_update.cpp).
extern int horseHit; // 1 once the arrow hit the horse: the run is lost, whatever the exit does

// Walking by the held keys: Home (both walk out; the route keys and the arrows are ignored), or
// else the route keys (Page Up brings the horse, Page Down takes the player to it, each walk on its
// own route) and the arrows, each of the n held
// ones moving playerStep / n in the order Left, Right, Up, Down with a collision after each. On
// horseback (riderState 2) the route keys do nothing, Home and the arrows move the player and the
// horse carries its rider.
void gameMoveByKeys(float playerStep, float horseStep);
// F9 and F10 held: the field of view narrows and widens by 30 degrees per second in whole degrees
// within 10 to 120, stored at each change.
enum { fieldOfViewLeast = 10, fieldOfViewMost = 120 };
void gameFieldOfView();
// The arrow of this frame: the ready one rides with the player; the flying one moves in short
// moves, each checked against the horse (a hit loses the run) and the items it picks up, and
// stops at the rock it meets.
void gameShot();
// Bodies in rock back to the nearest open place; the spiders' push back to the cell centre, pick-ups by the player, the horse and the flying
// arrow, the creatures' step, the player-horse contact, the arrow hitting the horse (the game
// ends, lost) and the status label.
void gameContacts();
// The exit door: starts opening when enough diamonds were found and the player and the horse
// both stand in the exit cell, then opens by 10 degrees per second whatever happens; fully open
// (100) ends the game.
void exitDoorUpdate(float frameTime);
// The run was won when the exit door had begun to open (angle above 1) and the horse was not hit.
int gameWon();

// ---- What is heard (game_sound.cpp).
void gameSoundsStart(); // the mine's ambience; steps and hoof beats counted from the bodies' places
// The listener at the player; a step per 0.25 walked (none while riding), a hoof beat per 0.3 the horse
// walked, the bow when the shot was fired, its hit when it burst, the door when it began to open, and
// one scuttling loop at each spider.
void gameSounds();
void gameSoundsEnd(int won); // the loops stop; the won or the lost tune

// ---- What the game shows of its own states (game_hints.cpp, no GL).
// How long the walk into the door's daylight takes once the door began to open.
constexpr float exitSceneSeconds = 1.5f;
// While the exit door opens: player and horse move within exitSceneSeconds from where they stood
// to their places in the exit cell, the player looking at the door and the horse behind beside
// him (both in the middle on horseback), so the door opening onto daylight is seen.
void exitSceneUpdate(float frameTime);
// Says "The horse needs straw" when the horse, without straw, is asked to walk (Page Up, Home, or
// the arrows on horseback): once for each press, not every frame.
void strawWarningUpdate();
// The paused game's second line, naming the key that goes on ("Press P to go on").
void pauseHintText(char* out, int size);

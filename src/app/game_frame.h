// The game screen: one update (gameIdle) and one drawing (gameDisplay) per frame, in a fixed
// order that the other modules rely on.
#pragma once

// 0 normal; 1 the boss picture is to be shown (key B); 2 it was shown and the game is halted.
extern int bossScreen;

void gameIdle();
void gameDisplay();
void gameVisibility(int state);
// Picks the game up after a halt (pause, boss picture, settings dialog): the frame clock restarts
// now, the idle callback runs again and the next pointer motion is not a turn.
void gameResume();

// ---- The update's rules, without GL (game_update.cpp).
// Walking by the held keys: the route keys first (Page Up brings the horse, Page Down takes the
// player to it), then Home (both walk out, arrows ignored) or else the arrows, each of the n held
// ones moving playerStep / n in the order Left, Right, Up, Down with a collision after each.
void gameMoveByKeys(float playerStep, float horseStep);
// F9 and F10 held: the field of view narrows and widens by one degree per frame, stored each time.
void gameFieldOfView();
// Pick-ups by the player, the horse and the shot, the creatures' step, the player-horse contact,
// the spiders' push back to the cell centre, and the shot hitting the horse (the game ends).
void gameContacts();
// The exit door: starts opening when enough diamonds were found and the player and the horse
// both stand in the exit cell, then opens by 10 degrees per second whatever happens; fully open
// (100) ends the game.
void exitDoorUpdate(float frameTime);
// The run was won when the exit door had begun to open (angle above 1).
int gameWon();

// ---- What is heard (game_sound.cpp).
void gameSoundsStart(); // the mine's ambience; steps and hoof beats counted from the bodies' places
// The listener at the player; a step per 0.25 walked (none while riding), a hoof beat per 0.3 the horse
// walked, the bow when the shot was fired, its hit when it burst, the door when it began to open, and
// one scuttling loop at each spider.
void gameSounds();
void gameSoundsEnd(int won); // the loops stop; the won or the lost tune

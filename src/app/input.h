// Keyboard and mouse: the shared toggle keys with their messages, the game's keys, the held-key
// flags that the game update reads, mouse look and shooting.
#pragma once

// Held-key flags, 1 while the key is down.
extern int keyLeft, keyUp, keyRight, keyDown;
extern int keyPageUp, keyPageDown, keyHome;
extern int keyFovDown, keyFovUp; // F9, F10
extern int setupRequested;       // F1: the next game update opens the settings dialog
extern int lastMouseX, lastMouseY;

// The rendering switches, Escape and the shot; on the story and game screens. Codes outside
// 27..117 do nothing.
void debugKeys(unsigned char key);
// debugKeys, then H (get on or off the horse, while the game runs), B (boss picture, at once
// also while paused) and P (pause).
void gameKeyboard(unsigned char key, int x, int y);
// Codes 1..106. F1 in a halted game (paused or boss picture) opens the settings dialog at once;
// otherwise the next game update does. Releasing F1 does not withdraw the request.
void specialDown(int key, int x, int y);
void specialUp(int key, int x, int y);
void clearKeys(); // every held-key flag but setupRequested to 0
// Turns the player by the pointer's move times mouseSpeed / 60 degrees, then warps the pointer
// back to the window centre; the motion that warp causes, and any motion while the game is halted
// (paused or boss picture), is only recorded. With or without a button held.
void mouseLook(int x, int y);
void mouseButton(int button, int state, int x, int y); // left button down fires a ready shot
void muteKey();                                        // sound off or on again, with its message

// The game screen's key callbacks: each key the player set for an action (record.keys, setup/key_table.h)
// acts as that action's default key does in gameKeyboard, specialDown and specialUp.
int keyActionOf(int pressed); // the action a key code (KEY_SPECIAL + n for special keys) takes, or -1
void gameKeyDown(unsigned char key, int x, int y);
void gameKeyUp(unsigned char key, int x, int y);
void gameSpecialDown(int key, int x, int y);
void gameSpecialUp(int key, int x, int y);

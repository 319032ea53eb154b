// SPDX-License-Identifier: GPL-3.0-or-later
// What the game shows of its own states, without GL.
#pragma once

// How long the walk into the door's daylight takes once the door began to open.
constexpr float exitSceneSeconds = 1.5f;
// While the exit door opens: player and horse move within exitSceneSeconds from where they stood
// to their places in the exit cell, the player looking at the door and the horse behind beside
// him (both in the middle on horseback), so the door opening onto daylight is seen.
void gameExitSceneUpdate(float frameTime);
// Says "The horse needs straw" when the horse, without straw, is asked to walk (Page Up, Home, or
// the arrows on horseback): once for each press, not every frame.
void gameStrawWarningUpdate();
// The exit scene and the straw word back to a fresh start's.
void gameHintsFresh();
// What a left run keeps of them: the exit scene's seconds (below 0 while the door is closed), the
// poses it started from (x, z, heading and pitch of the player, then of the horse), and 1 when the
// horse was asked to walk in the last step.
void gameHintsKept(float* sceneSeconds, float start[8], int* strawAsked);
void gameHintsSetKept(float sceneSeconds, const float start[8], int strawAsked);

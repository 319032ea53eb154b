// SPDX-License-Identifier: GPL-3.0-or-later
// One step of the running game, without GL: everything the step takes in is one input record
// (gathered from the keyboard, the mouse and the pad before the step, or read from a replay), and the
// clock ticks of the frame. The window's idle callback, the replay playback and kavernix-tool replay
// drive this same step.
#pragma once
#include <cstdint>

enum { stepPressMax = 8 }; // presses a step takes, in arrival order; more in one frame are dropped

struct StepInput {
    uint64_t held;                 // one bit per action (setup/key_table.h), after the one-frame presses
    uint8_t pressCount;            // presses that act at the step's start: ride, shoot, the route keys
    uint8_t presses[stepPressMax]; // their actions, in the order they came
    float lookYaw, lookPitch;      // the pointer's turn in degrees, summed since the last step
    float walkX, walkY;            // the left stick, -1..1 each, after the dead zone
    float lookX, lookY;            // the right stick, the same
};

// The step: the clocks move on by ticks, the presses act, then the walks, the look, the field of view,
// the contacts, the hints, the exit scene, the sounds, the fade and the exit door. Returns 1 when the
// run is over (the fade out ended): the end screen follows.
int gameStep(const StepInput* in, int64_t ticks);
// Everything the steps carry over back to a fresh start's (the game screen entered).
void gameStepFresh();
// The record's presses act, in their order: ride gets on or off the horse, shoot readies the arrow.
void gameStepActPresses(const StepInput* in);
// The held actions of the input module as a record's bits, and back.
uint64_t gameStepHeldNow();
void gameStepHoldAll(uint64_t held);
// 1 for the actions whose presses a step takes: ride, shoot and the route keys (tapped walks).
int gameStepTakesPress(int action);
// Adds an action pressed for the step to come (those gameStepTakesPress names; others are ignored).
void gameStepPress(StepInput* in, int action);
// Turns the view by the pointer's degrees, round within a circle and within 40 degrees up and down.
void gameStepLook(float yaw, float pitch);
// A shot readied (the space bar): shotState 1 and its message.
void gameReadyShot();
// A word summing the state a run's future depends on: the bodies' positions and angles as float
// bits, the door, the items, the counters, the shot, the clock and the generator.
uint64_t gameStepDigest();

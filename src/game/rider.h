// SPDX-License-Identifier: GPL-3.0-or-later
// The rider rules: getting on and off the horse, the horse carrying its rider, and the status
// label each riding state shows (record.riderState: 0 on foot, 1 the horse walks to the player,
// 2 riding, 3 near the horse, 4 just got off).
#pragma once

enum { riderLabelCount = 5 };
// Status-field labels by record.riderState, catalogue ids: "Tarvin", "Horse", "Ride", "Get on", "Get Off".
extern const char* const riderLabels[riderLabelCount];

// 1 while the player rides (riderState 2), else 0.
int riderMounted();
// The mounted horse stands and faces where its rider is.
void riderCarryHorse();
// Key H: gets on the horse when the player stands within 0.6 of it (riderState 2, the eye above
// the horse's back), or gets off behind the horse ("Get Off" for two seconds), or beside it when
// rock is behind; with rock there too the rider stays on, with a message.
void riderToggle();
// The status label: "Ride" on horseback, "Get Off" just after dismounting, "Get on" near the
// horse, "Horse" while callingHorse (the horse is called and not walking out) and the horse's walk
// to the player has not stopped, else "Tarvin".
void riderUpdate(int callingHorse);
// The label of record.riderState in the current language; an index outside 0..4 gives the first.
const char* riderLabel();
void riderFresh(); // no dismount remembered, as at a fresh start
// The game time of the last dismount (kept with a left run).
float riderDismountedAt();
void riderSetDismountedAt(float time);

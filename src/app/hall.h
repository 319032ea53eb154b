// SPDX-License-Identifier: GPL-3.0-or-later
// The hall of fame's table of five places: the place a time earns and the name typed at it.
#pragma once
#include "setup/settings_record.h"

enum { hallPlaces = 5, hallNameMax = 31 };
constexpr float hallEmptyTime = 30000.0f; // a place with this time or more is empty

// The place (0..4) a time earns, best first, or -1; a time equal to a kept one ranks below it.
// With a place, the later entries move down one (the fifth drops out) and the place gets the
// time and an empty name.
int hallInsert(SettingsRecord* settings, float time);
// One key of the name entry on the name at place rank: bytes 32..255 except 127 are typed (at most
// hallNameMax, further ones dropped), Backspace (8) removes the last one; other keys nothing.
// A rank of -1 (no place) ignores every key.
void hallNameKey(SettingsRecord* settings, int rank, unsigned char key);

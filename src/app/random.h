// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one random generator: a linear congruential sequence that starts at 1 and is
// never reseeded by the game, so the same settings give the same maze and items every run.
#pragma once
#include <cstdint>

int randomNext();                // 0..32767
void randomSeed(uint32_t state); // tests and tools only; the game keeps the start state 1
uint32_t randomState();           // the generator's state now (a replay's digest)

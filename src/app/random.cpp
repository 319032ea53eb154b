// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/random.h"

static uint32_t state = 1;

int randomNext() {
    state = state * 214013u + 2531011u;
    return (int)((state >> 16) & 32767u);
}

void randomSeed(uint32_t seed) {
    ::state = seed;
}

uint32_t randomState() {
    return state;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/random.h"

static uint32_t randomState = 1;

int randomNext() {
    randomState = randomState * 214013u + 2531011u;
    return (int)((randomState >> 16) & 32767u);
}

void randomSeed(uint32_t state) {
    randomState = state;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The clock text.
#include "file/clock.h"
#include <cmath>
#include <cstdio>

void formatClock(float seconds, char* out) {
    // Whole hundredths first, then split with the carry: 3599.999 s is 1:00:00:00, 3599.99 s
    // 0:59:59:99.
    double rounded = std::floor(double(seconds) * 100.0 + 0.5);
    if (!(rounded >= 0)) rounded = 0;
    if (rounded > 2e9) rounded = 2e9;
    long long total = (long long)rounded;
    int hundredths = int(total % 100);
    total /= 100;
    int secs = int(total % 60);
    total /= 60;
    int minutes = int(total % 60);
    int hours = int(total / 60);
    snprintf(out, 32, "%01d:%02d:%02d:%02d", hours, minutes, secs, hundredths);
}

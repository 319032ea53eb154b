// SPDX-License-Identifier: GPL-3.0-or-later
// The head-up display's texts: messages, the status-field choice, the clock and frame-rate
// formats. No GL here, so these are testable without a window.
#include "text/hud.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include "app/record.h"

void showMessage(const char* text) {
    size_t n = strnlen(text, sizeof record.messageText - 1);
    memcpy(record.messageText, text, n);
    record.messageText[n] = 0;
    record.messageTime = record.gameTime;
}

const char* hudStatusText(const char* label, char* clock) {
    // Whole seconds, truncated: a message lasts the rest of its own second and the next one.
    if (record.messageTime != 0 && int(record.messageTime) + 2 > int(record.gameTime))
        return record.messageText;
    if (int(record.gameTime) % 2 != 0) {
        formatClock(record.gameTime, clock);
        return clock;
    }
    return label;
}

float hudLargeGlyphWidth(float x, const char* text) {
    const float normal = 1.0f / 25, room = 0.99f - x; // a hundredth of margin on the right
    size_t n = strlen(text);
    return n == 0 || float(n) * normal <= room ? normal : room / float(n);
}

void hudFormatFps(float fps, char* out) {
    int whole = int(fps);
    // Hundredths from the single-precision product, so 59.87 (stored as 59.869998...) reads
    // 59.87 and not 59.86; kept within 0..99 whatever the rounding did.
    int frac = int(fps * 100.0f) - whole * 100;
    if (frac < 0) frac = 0;
    if (frac > 99) frac = 99;
    snprintf(out, 32, "FPS:%2d.%02d", whole, frac);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Mine codes and the mine of the day.
#include "setup/mine_code.h"
#include "setup/settings_rules.h"
#include <cstdio>
#include <cstring>
#include <ctime>

// Crockford's letters: no I, L, O or U, so nothing read aloud or written by hand is mistaken.
static const char seedLetters[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
enum { SEED_LETTERS = 7 }; // 35 bits: the 32 of the seed and 3 check bits above them

// A well-mixed 32-bit value of x (the finaliser of MurmurHash3).
static uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x85EBCA6Bu;
    x ^= x >> 13;
    x *= 0xC2B2AE35u;
    x ^= x >> 16;
    return x;
}

// Three bits that change when any one field or letter of the code changes.
static uint32_t checkBits(const MineCode* c) {
    uint32_t h =
        mix(c->seed ^ mix(uint32_t(c->size) * 100u + uint32_t(c->items) * 10u + uint32_t(c->diamonds)));
    return (h ^ (h >> 3) ^ (h >> 6)) & 7u;
}

void mineCodeFormat(const MineCode* code, char text[MINE_CODE_TEXT]) {
    uint64_t v = (uint64_t(checkBits(code)) << 32) | code->seed;
    char letters[SEED_LETTERS + 1];
    for (int i = SEED_LETTERS - 1; i >= 0; i--) {
        letters[i] = seedLetters[v & 31];
        v >>= 5;
    }
    letters[SEED_LETTERS] = 0;
    snprintf(text, MINE_CODE_TEXT, "%d-%d-%d-%s", int(code->size), int(code->items), int(code->diamonds),
             letters);
}

// The value of one seed letter, or -1.
static int letterValue(char c) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c == 'O') c = '0';
    if (c == 'I' || c == 'L') c = '1';
    const char* at = c ? strchr(seedLetters, c) : nullptr;
    return at ? int(at - seedLetters) : -1;
}

static bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// [*b, *e) without the spaces around it.
static void trimSpaces(const char** b, const char** e) {
    while (*b < *e && isSpace(**b)) ++*b;
    while (*e > *b && isSpace((*e)[-1])) --*e;
}

// A whole number of digits filling [p, end) once the spaces around it are gone, leading zeros taken;
// -1 when there is none, -2 when it is something else, a large value when it is too long to matter.
static int partNumber(const char* p, const char* end) {
    trimSpaces(&p, &end);
    if (p == end) return -1;
    long v = 0;
    for (; p < end; p++) {
        if (*p < '0' || *p > '9') return -2;
        if (v < 1000000) v = v * 10 + (*p - '0');
    }
    return int(v);
}

int mineCodeParse(const char* text, MineCode* code, const char** why) {
    const char* b = text;
    const char* e = b + strlen(b);
    trimSpaces(&b, &e);
    const char* dash[3];
    int dashes = 0;
    for (const char* p = b; p < e; p++)
        if (*p == '-') {
            if (dashes == 3) {
                *why = settingsText("has more than four parts");
                return 0;
            }
            dash[dashes++] = p;
        }
    if (dashes != 3) {
        *why = settingsText("is not four parts SIZE-ITEMS-DIAMONDS-LETTERS such as 16-5-3-K7QX2MD");
        return 0;
    }
    MineCode c;
    c.size = partNumber(b, dash[0]);
    c.items = partNumber(dash[0] + 1, dash[1]);
    c.diamonds = partNumber(dash[1] + 1, dash[2]);
    if (c.size < 0 || c.items < 0 || c.diamonds < 0) {
        const int bad = c.size < 0 ? c.size : (c.items < 0 ? c.items : c.diamonds);
        const char* part = c.size < 0 ? settingsText("maze size")
                                      : (c.items < 0 ? settingsText("number of items")
                                                     : settingsText("number of diamonds"));
        // TRANSLATORS: "has no maze size", "has no number of items", "has no number of diamonds".
        static char text[96];
        snprintf(text, sizeof text,
                 bad == -1 ? settingsText("has no %s") : settingsText("has a %s that is not a whole number"),
                 part);
        *why = text;
        return 0;
    }
    if (c.size < 4 || c.size > 66 || c.size % 2 != 0) {
        *why = settingsText("has a maze size that is not an even number from 4 to 66");
        return 0;
    }
    if (c.items > settingsItemLimit(c.size)) {
        *why = settingsText("has more items of each kind than its maze holds");
        return 0;
    }
    if (c.diamonds > c.items) {
        *why = settingsText("needs more diamonds than its maze holds");
        return 0;
    }
    const char* letters = dash[2] + 1;
    trimSpaces(&letters, &e);
    if (e - letters != SEED_LETTERS) {
        *why = settingsText("does not end in seven letters");
        return 0;
    }
    uint64_t v = 0;
    for (const char* p = letters; p < e; p++) {
        int d = letterValue(*p);
        if (d < 0) {
            *why = settingsText("has a character that is not one of its letters (0-9 and A-Z without U)");
            return 0;
        }
        v = (v << 5) | uint64_t(d);
    }
    c.seed = uint32_t(v);
    if ((v >> 32) != checkBits(&c)) {
        *why = settingsText("does not check: a letter or a number is mistyped");
        return 0;
    }
    *code = c;
    return 1;
}

int mineCodeIsClassic(const MineCode* code) {
    return code->seed == mineClassicSeed;
}

MineCode mineCodeDaily(int year, int month, int day) {
    MineCode c = {MINE_DAILY_SIZE, MINE_DAILY_ITEMS, MINE_DAILY_DIAMONDS, 0};
    c.seed = mix(mix(uint32_t(year) * 10000u + uint32_t(month) * 100u + uint32_t(day)) ^ 0x4B61764Eu);
    if (c.seed == mineClassicSeed) c.seed = 2; // the day's mine is never the classic one
    return c;
}

MineCode mineCodeToday() {
    time_t now = time(nullptr);
    struct tm utc = {};
    gmtime_r(&now, &utc);
    return mineCodeDaily(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
}

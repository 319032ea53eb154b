// The key table and the key names.
#include "setup/key_table.h"
#include <cctype>
#include <cstdio>
#include <cstring>

#define SPECIAL(n) (KEY_SPECIAL + (n))

#define KEY_ACTION_ROW(id, setting, key, what) {setting, key, what},
const KeyActionRow keyActions[ACTION_COUNT] = {KEY_ACTION_LIST(KEY_ACTION_ROW)};

struct KeyNameRow {
    int code;
    const char* name;
};

// Keys with a word for a name; every other printable character is its own name.
static const KeyNameRow namedKeys[] = {
    {' ', "space"},
    {'\t', "Tab"},
    {'\r', "Return"},
    {'\b', "BackSpace"},
    {127, "Delete"},
    {SPECIAL(100), "Left"},
    {SPECIAL(101), "Up"},
    {SPECIAL(102), "Right"},
    {SPECIAL(103), "Down"},
    {SPECIAL(104), "Page_Up"},
    {SPECIAL(105), "Page_Down"},
    {SPECIAL(106), "Home"},
    {SPECIAL(107), "End"},
    {SPECIAL(108), "Insert"},
    {SPECIAL(1), "F1"},
    {SPECIAL(2), "F2"},
    {SPECIAL(3), "F3"},
    {SPECIAL(4), "F4"},
    {SPECIAL(5), "F5"},
    {SPECIAL(6), "F6"},
    {SPECIAL(7), "F7"},
    {SPECIAL(8), "F8"},
    {SPECIAL(9), "F9"},
    {SPECIAL(10), "F10"},
    {SPECIAL(11), "F11"},
    {SPECIAL(12), "F12"},
};
enum { NAMED_KEYS = sizeof namedKeys / sizeof namedKeys[0] };

// Every press the rendering switches and Escape take: they keep their keys.
static const char fixedPresses[] = "DdFfIiOoRrSsTtUuLlb\x1B";

static bool printable(int code) {
    return code > ' ' && code < 127;
}

const char* keyName(int code) {
    for (const KeyNameRow& k : namedKeys)
        if (k.code == code) return k.name;
    static char single[128][2];
    if (!printable(code)) return nullptr;
    single[code][0] = char(code);
    return single[code];
}

int keyByName(const char* name) {
    for (const KeyNameRow& k : namedKeys)
        if (strcmp(k.name, name) == 0) return k.code;
    if (name[0] && !name[1] && printable((unsigned char)name[0])) return (unsigned char)name[0];
    return 0;
}

int keyNames(const char** names, int max) {
    int n = 0;
    for (const KeyNameRow& k : namedKeys)
        if (n++ < max) names[n - 1] = k.name;
    for (int c = '!'; c < 127; c++)
        if (n++ < max) names[n - 1] = keyName(c);
    return n;
}

int keyMatches(int bound, int pressed) {
    if (bound == pressed) return 1;
    return bound < 128 && islower(bound) && pressed == toupper(bound);
}

// The presses a bound key takes: itself, and the capital of a small letter.
static int presses(int bound, int out[2]) {
    out[0] = bound;
    if (bound < 128 && islower(bound)) return out[1] = toupper(bound), 2;
    return 1;
}

int keysClash(int a, int b) {
    int pa[2], pb[2];
    int na = presses(a, pa), nb = presses(b, pb);
    for (int i = 0; i < na; i++)
        for (int j = 0; j < nb; j++)
            if (pa[i] == pb[j]) return 1;
    return 0;
}

const char* keyFixedClash(int bound) {
    static char name[2];
    int p[2];
    int n = presses(bound, p);
    for (int i = 0; i < n; i++) {
        if (p[i] <= 0 || p[i] >= 128 || !strchr(fixedPresses, p[i])) continue;
        if (p[i] == 27) return "Escape";
        name[0] = char(p[i]);
        return name;
    }
    return nullptr;
}

void keyControlsRows(FILE* out) {
    for (const KeyActionRow& a : keyActions)
        fprintf(out, "| `%s` | `%s` | %s |\n", keyName(a.defaultKey), a.setting, a.what);
}

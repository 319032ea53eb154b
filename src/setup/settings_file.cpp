// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: one table of keys drives defaults, reading, checking and writing.
#include "setup/settings_file.h"
#include "setup/settings_values.h"
#include "setup/key_table.h"
#include "setup/mine_code.h"
#include "file/file.h"
#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <unistd.h>

enum { KEY_INT, KEY_BYTE, KEY_MODE, KEY_NAME, KEY_TIME, KEY_KEY, KEY_PAD, KEY_LANG, KEY_MINE, KEY_ROUTE };

// The language setting's values as the file writes them, by value 0..2.
static const char* const languageNames[] = {"auto", "en", "de"};
// The route keys' setting's values, by value 0..1.
static const char* const routeNames[] = {"hold", "tap"};
enum { GROUP_OTHER = 4 };

struct SettingsKey {
    const char* key;
    int kind;
    unsigned group;
    size_t offset; // into SettingsFile
    int min, max, def;
    const char* help; // comment written above the key; null: none
};

#define REC(field) offsetof(SettingsRecord, field)

// clang-format off
// A whole-number field of the record whose key is its own name.
#define INT_ROW(field, min, max, def, help) {#field, KEY_INT, GROUP_OTHER, REC(field), min, max, def, help}
// A place of the hall of fame: its name's row and its time's.
#define HALL_ROWS(n, at, help)                                                                                 \
    {"hallName" #n, KEY_NAME, SETTINGS_HALL, REC(hallNames) + 32 * (at), 0, 0, 0, help},                      \
    {"hallTime" #n, KEY_TIME, SETTINGS_HALL, REC(hallTimes) + 4 * (at), 0, 0, 0, nullptr}
// clang-format on

static const SettingsKey keyTable[] = {
    {"showDialog", KEY_INT, GROUP_OTHER, offsetof(SettingsFile, showDialog), 0, 1, 1,
     "1: the settings dialog opens when the game starts"},
    {"gameModeString", KEY_MODE, GROUP_OTHER, REC(gameModeString), 0, 0, 0,
     "full-screen game mode such as 1024x768:32 (width x height : bits @ rate); empty: a window"},
    INT_ROW(windowWidth, 64, 16384, 1024, "window size at start, pixels"),
    INT_ROW(windowHeight, 64, 16384, 768, nullptr),
    INT_ROW(windowedWidth, 64, 16384, 1024, "window size when full screen is left (key F)"),
    INT_ROW(windowedHeight, 64, 16384, 768, nullptr),
    INT_ROW(fullScreen, 0, 1, 0, "1: the window fills the screen"),
    INT_ROW(shadeMode, 0, 2, 2, "0 wireframe, 1 flat, 2 smooth"),
    INT_ROW(textureMode, 0, 2, 2, "0 off, 1 textures, 2 textures with mipmaps"),
    {"fieldOfView", KEY_INT, SETTINGS_VIEW, REC(fieldOfView), 1, 179, 60,
     "vertical field of view in degrees (F9 and F10 change it)"},
    {"running", KEY_BYTE, GROUP_OTHER, REC(running), 0, 1, 1,
     "1: the clocks run from the start; 0: start paused"},
    INT_ROW(mouseSpeed, 1, 20, 5, "how fast the mouse turns the view"),
    INT_ROW(invertMouse, 0, 1, 0, "1: moving the mouse forward looks down"),
    INT_ROW(soundVolume, 0, 10, 7, "sound volume 0 (silent) to 10"),
    INT_ROW(mazeSize, 4, 66, 16, "maze size: even, 4 to 66"),
    INT_ROW(itemsPerKind, 0, 9, 5,
            "diamonds, straw bales, oil cans and spiders, each; small mazes hold fewer"),
    INT_ROW(fullLevel, 1, 9, 4, "oil and straw stock at which the hero and the horse walk at full speed"),
    INT_ROW(diamondsNeeded, 0, 9, 3, "diamonds that open the exit (at most itemsPerKind)"),
    INT_ROW(strawDistance, 1, 1000, 20, "maze cells the horse walks on one straw bale"),
    INT_ROW(oilSeconds, 1, 3600, 60, "seconds of play one oil can lasts"),
    INT_ROW(skipStory, 0, 1, 0, "1: start in the maze without the story"),
    INT_ROW(gothicFont, 0, 1, 0, "1: blackletter font"),
    INT_ROW(pictureCache, 0, 1, 0, "1: keep pictures scaled to the window as files for later starts"),
    INT_ROW(modelSource, 0, 2, 0, "models from 0 definitions, 1 text files, 2 binary files"),
    INT_ROW(splitQuads, 0, 1, 0, "1: cut model faces into triangles (models from definitions)"),
    INT_ROW(useDisplayLists, 0, 1, 1, "1: draw through display lists (key U)"),
    INT_ROW(lodLevel, 0, 3, 2, "model detail 0 (coarse) to 3 (fine)"),
    INT_ROW(distanceLod, 0, 1, 1, "1: far models get less detail"),
    INT_ROW(padDeadZone, 0, 90, 20, "percent of a pad stick's travel that is ignored around its middle"),
    INT_ROW(padLookSpeed, 1, 20, 5,
            "how fast the pad's right stick turns the view (24 degrees per second a step)"),
    INT_ROW(padRumble, 0, 1, 1, "1: the pad rumbles on hits and pick-ups"),
    {"language", KEY_LANG, GROUP_OTHER, REC(language), 0, 2, 0,
     "language of the game's texts: auto (the desktop's), en or de"},
    {"mine", KEY_MINE, GROUP_OTHER, REC(mine), 0, 0, 0,
     "the mine: classic, new (a fresh one each start), daily (the mine of the day) or a mine code such as "
     "16-5-3-K7QX2MD"},
    INT_ROW(captions, 0, 1, 0,
            "1: a short line on the glass names each sound that carries news and where it comes from"),
    INT_ROW(
        mapSymbols, 0, 1, 0,
        "1: the map shows you as an arrow pointing where you look, the horse as a disc, the exit as a frame"),
    INT_ROW(
        lampBrightness, 0, 2, 0,
        "lamp light: 0 plain, 1 brighter with a faint light everywhere, 2 brighter still (the picture only)"),
    {"routeKeys", KEY_ROUTE, GROUP_OTHER, REC(routeKeys), 0, 1, 0,
     "hold: Page Up, Page Down and Home (and their pad buttons) walk while held; tap: a press starts the "
     "walk, the next press, another route key, a walking key or the left stick stops it, and it stops "
     "where it arrives"},
    INT_ROW(gameSpeed, 50, 100, 100,
            "the pace of the game, percent: walking, the horse, the spiders, the arrow, the door and the oil "
            "go slower below 100 (the clock does not); a run below 100 is not entered in a hall of fame"),
    INT_ROW(ghost, 0, 1, 1,
            "1: the mine's best run kept in the replays folder (or the replay of kavernix --ghost FILE) "
            "plays along as a faint ghost in the view and a hollow mark on the map"),
    HALL_ROWS(1, 0,
              "hall of fame, best first: names (Latin-1; \\xNN for other bytes, \\\\ for a backslash) and "
              "times in seconds; 30000: an empty place"),
    HALL_ROWS(2, 1, nullptr),
    HALL_ROWS(3, 2, nullptr),
    HALL_ROWS(4, 3, nullptr),
    HALL_ROWS(5, 4, nullptr),
#define KEY_SETTING(id, setting, key, what)                                                                  \
    {setting, KEY_KEY, GROUP_OTHER, REC(keys) + 4 * ACTION_##id, 0, 0, key, "key: " what},
    KEY_ACTION_LIST(KEY_SETTING)
#undef KEY_SETTING
// clang-format off
#define PAD_SETTING(id, keySetting, key, what)                                                                 \
    {padActions[ACTION_##id].setting, KEY_PAD, GROUP_OTHER, REC(padButtons) + 4 * ACTION_##id, 0, 0,          \
     padActions[ACTION_##id].defaultButton, "pad button (SDL's name, or none): " what},
    KEY_ACTION_LIST(PAD_SETTING)
#undef PAD_SETTING
#define SWITCH_SETTING(id, setting, key, what)                                                                 \
    {setting, KEY_KEY, GROUP_OTHER, REC(switchKeys) + 4 * (ACTION_##id - ACTION_COUNT), 0, 0, key,             \
     "key of a rendering switch: " what},
    KEY_SWITCH_LIST(SWITCH_SETTING)
#undef SWITCH_SETTING
    // clang-format on
};
enum { KEY_COUNT = sizeof(keyTable) / sizeof(keyTable[0]) };
static_assert(KEY_COUNT == 49 + 2 * ACTION_COUNT + KEY_SWITCH_COUNT,
              "a key per library field, the start switch, ten hall-of-fame keys, a key and a button per "
              "action, a key per rendering switch");

static const size_t MAX_FILE_BYTES = 1 << 20;
// A file of junk gives one line per problem only up to here, then one line with the rest's count.
static const int MAX_REPORTED = 20;

// ---- Problems: one line each, "<file>[:<line>]: <what>".

struct Report {
    const char* where;
    FILE* out;
    int count;
};

__attribute__((format(printf, 3, 4))) static void reportLine(Report* rep, int line, const char* fmt, ...) {
    rep->count++;
    if (!rep->out || rep->count > MAX_REPORTED) return;
    if (line > 0)
        fprintf(rep->out, "%s:%d: ", rep->where, line);
    else
        fprintf(rep->out, "%s: ", rep->where);
    va_list args;
    va_start(args, fmt);
    vfprintf(rep->out, fmt, args);
    va_end(args);
    fputc('\n', rep->out);
}

static int finishReport(Report* rep) {
    if (rep->out && rep->count > MAX_REPORTED)
        fprintf(rep->out, "%s: %d more problems not shown\n", rep->where, rep->count - MAX_REPORTED);
    return rep->count;
}

// Text from the file as it may be shown in a message: escaped, at most about 40 bytes.
static std::string shown(const std::string& raw) {
    std::string s = settingsEscapeName(raw.data(), std::min<size_t>(raw.size(), 40));
    if (raw.size() > 40) s += "...";
    return s;
}

// ---- Field access through the table.

static int32_t* intAt(SettingsFile* f, const SettingsKey& k) {
    return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(f) + k.offset);
}
static char* bytesAt(SettingsFile* f, const SettingsKey& k) {
    return reinterpret_cast<char*>(f) + k.offset;
}
static const char* bytesAt(const SettingsFile* f, const SettingsKey& k) {
    return reinterpret_cast<const char*>(f) + k.offset;
}

static int getInt(const SettingsFile* f, const SettingsKey& k) {
    const char* p = bytesAt(f, k);
    if (k.kind == KEY_BYTE) return (uint8_t)*p;
    int32_t v;
    memcpy(&v, p, 4);
    return v;
}
static void setInt(SettingsFile* f, const SettingsKey& k, int v) {
    if (k.kind == KEY_BYTE)
        *(uint8_t*)bytesAt(f, k) = (uint8_t)v;
    else
        *intAt(f, k) = v;
}
static float getTime(const SettingsFile* f, const SettingsKey& k) {
    float t;
    memcpy(&t, bytesAt(f, k), 4);
    return t;
}
static void setTime(SettingsFile* f, const SettingsKey& k, float t) {
    memcpy(bytesAt(f, k), &t, 4);
}

static size_t fieldSize(const SettingsKey& k) {
    return (k.kind == KEY_MODE || k.kind == KEY_NAME || k.kind == KEY_MINE) ? 32
                                                                            : (k.kind == KEY_BYTE ? 1 : 4);
}

static int keyFind(const std::string& key) {
    for (int i = 0; i < KEY_COUNT; i++)
        if (key == keyTable[i].key) return i;
    return -1;
}

// The words of a setting written as one of a few words, by value 0..max.
static const char* const* choiceNames(const SettingsKey& k) {
    return k.kind == KEY_LANG ? languageNames : routeNames;
}

static bool isMazeSize(const SettingsKey& k) {
    return k.offset == REC(mazeSize);
}

// ---- Rules.

// The nearest valid value of an int key; reason gets what was wrong, empty when v is valid.
static int nearestInt(const SettingsKey& k, long long v, std::string* reason) {
    char buf[64];
    reason->clear();
    if (isMazeSize(k) && (v & 1)) {
        if (v > LLONG_MIN) v -= 1; // odd sizes round down to the even one below
        *reason = settingsText("is odd");
    }
    if (v < k.min || v > k.max) {
        snprintf(buf, sizeof buf,
                 reason->empty() ? settingsText("is outside %d..%d")
                                 : settingsText("is odd and outside %d..%d"),
                 k.min, k.max);
        *reason = buf;
        v = v < k.min ? k.min : k.max;
    }
    return (int)v;
}

static void setName(char* field, const std::string& name) {
    memset(field, 0, 32);
    memcpy(field, name.data(), std::min<size_t>(name.size(), 31));
}

static int keyLine(size_t offset, const int* lineOf) {
    for (int i = 0; i < KEY_COUNT && lineOf; i++)
        if (keyTable[i].offset == offset) return lineOf[i];
    return 0;
}

// The settings-file offset of a bound key (keyGather's order).
static size_t boundOffset(int a) {
    return a < ACTION_COUNT ? REC(keys) + 4 * size_t(a) : REC(switchKeys) + 4 * size_t(a - ACTION_COUNT);
}

// One key, one thing: an arrow that walks for another action, or a key another action or rendering
// switch has too, gives way to its default. Of two the one that left its default
// gives way, of two such the later one.
static void checkGameKeys(SettingsFile* f, Report* rep, const int* lineOf) {
    int32_t keys[KEY_BOUND_COUNT];
    keyGather(&f->record, keys);
    for (bool clash = true; clash;) {
        clash = false;
        for (int j = KEY_BOUND_COUNT - 1; j >= 0 && !clash; j--) {
            const int walker = keyArrowHolder(j, keys[j]);
            int other = walker;
            for (int i = 0; i < KEY_BOUND_COUNT && other < 0; i++)
                if (i != j && keysClash(keys[i], keys[j])) other = i;
            if (other < 0) continue;
            clash = true;
            int give = walker < 0 && keys[j] == keyActions[j].defaultKey ? other : j;
            int kept = give == j ? other : j;
            const KeyActionRow& a = keyActions[give];
            reportLine(rep, keyLine(boundOffset(give), lineOf),
                       settingsText("%s = %s is %s's key already; using %s"), a.setting, keyName(keys[give]),
                       keyActions[kept].setting, keyName(a.defaultKey));
            keys[give] = a.defaultKey;
        }
    }
    keyScatter(&f->record, keys);
}

// One button, one action: of two actions with the same pad button the one that left its default gives
// way to its default, of two such the later one.
static void checkPadButtons(SettingsFile* f, Report* rep, const int* lineOf) {
    int32_t* buttons = f->record.padButtons;
    for (bool clash = true; clash;) {
        clash = false;
        for (int j = ACTION_COUNT - 1; j >= 0 && !clash; j--) {
            int other = -1;
            for (int i = 0; i < ACTION_COUNT && other < 0 && buttons[j] != PAD_NONE; i++)
                if (i != j && buttons[i] == buttons[j]) other = i;
            if (other < 0) continue;
            clash = true;
            int give = buttons[j] == padActions[j].defaultButton ? other : j;
            int kept = give == j ? other : j;
            const PadActionRow& a = padActions[give];
            reportLine(rep, keyLine(REC(padButtons) + 4 * size_t(give), lineOf),
                       "%s = %s is %s's button already; using %s", a.setting, keyPadButtonName(buttons[give]),
                       padActions[kept].setting, keyPadButtonName(a.defaultButton));
            buttons[give] = a.defaultButton;
        }
    }
}

// itemsPerKind must fit the maze, and the exit must be reachable with the diamonds placed.
static void checkCrossFields(SettingsFile* f, Report* rep, const int* lineOf) {
    checkGameKeys(f, rep, lineOf);
    checkPadButtons(f, rep, lineOf);
    SettingsRecord& r = f->record;
    int itemsLine = 0, diamondsLine = 0;
    for (int i = 0; i < KEY_COUNT && lineOf; i++) {
        if (keyTable[i].offset == REC(itemsPerKind)) itemsLine = lineOf[i];
        if (keyTable[i].offset == REC(diamondsNeeded)) diamondsLine = lineOf[i];
    }
    int limit = settingsItemLimit(r.mazeSize);
    if (r.itemsPerKind > limit) {
        reportLine(rep, itemsLine,
                   settingsText("itemsPerKind = %d does not fit a maze of size %d (at most %d); using %d"),
                   r.itemsPerKind, r.mazeSize, limit, limit);
        r.itemsPerKind = limit;
    }
    if (r.diamondsNeeded > r.itemsPerKind) {
        reportLine(rep, diamondsLine,
                   settingsText("diamondsNeeded = %d is more than the %d diamonds placed; using %d"),
                   r.diamondsNeeded, r.itemsPerKind, r.itemsPerKind);
        r.diamondsNeeded = r.itemsPerKind;
    }
}

// The program ranks a run at the first place with a greater time, so the places must be best first.
static void sortHall(SettingsFile* f, Report* rep) {
    SettingsRecord& r = f->record;
    bool sorted = true;
    for (int i = 0; i < 4; i++)
        if (r.hallTimes[i + 1] < r.hallTimes[i]) sorted = false;
    if (sorted) return;
    int order[5] = {0, 1, 2, 3, 4};
    std::stable_sort(order, order + 5, [&](int a, int b) { return r.hallTimes[a] < r.hallTimes[b]; });
    char names[5][32];
    float times[5];
    for (int i = 0; i < 5; i++) {
        memcpy(names[i], r.hallNames[order[i]], 32);
        times[i] = r.hallTimes[order[i]];
    }
    memcpy(r.hallNames, names, sizeof names);
    memcpy(r.hallTimes, times, sizeof times);
    reportLine(rep, 0, settingsText("hall of fame was not in order, best first; sorted it"));
}

// A time read or given: only a finite float of at least a hundredth of a second is a time; 30000 or
// more (as a float) is an empty place. Anything else gets a reason and becomes an empty place.
static float checkTime(double t, const char** why) {
    *why = nullptr;
    if (std::isnan(t)) {
        *why = settingsText("is not a time");
    } else if (!std::isfinite(t) || std::fabs(t) > FLT_MAX) {
        *why = settingsText("is not a finite number of seconds");
    } else if (t < 0) {
        *why = settingsText("is negative");
    } else if (t < 0.01) {
        *why = settingsText("is shorter than a hundredth of a second");
    }
    return *why || t >= SETTINGS_EMPTY_TIME ? SETTINGS_EMPTY_TIME : (float)t;
}

void settingsMergeHall(char (*intoNames)[32], float* intoTimes, const char (*keptNames)[32],
                       const float* keptTimes) {
    struct Place {
        char name[32];
        float time;
    };
    Place all[10];
    int count = 0;
    auto same = [](const char* a, const char* b, float ta, float tb) {
        return ta == tb && !strncmp(a, b, 31);
    };
    for (int i = 0; i < 5; i++) {
        if (!(keptTimes[i] < SETTINGS_EMPTY_TIME)) continue;
        memcpy(all[count].name, keptNames[i], 32);
        all[count].name[31] = 0;
        all[count++].time = keptTimes[i];
    }
    // A place of *into counts once more than the file holds it: the file's copy is the same run.
    for (int i = 0; i < 5; i++) {
        if (!(intoTimes[i] < SETTINGS_EMPTY_TIME)) continue;
        int inInto = 0, inKept = 0;
        for (int j = 0; j <= i; j++) inInto += same(intoNames[j], intoNames[i], intoTimes[j], intoTimes[i]);
        for (int j = 0; j < 5; j++) inKept += same(keptNames[j], intoNames[i], keptTimes[j], intoTimes[i]);
        if (inInto <= inKept) continue;
        memcpy(all[count].name, intoNames[i], 32);
        all[count].name[31] = 0;
        all[count++].time = intoTimes[i];
    }
    std::stable_sort(all, all + count, [](const Place& a, const Place& b) { return a.time < b.time; });
    for (int i = 0; i < 5; i++) {
        memset(intoNames[i], 0, 32);
        intoTimes[i] = SETTINGS_EMPTY_TIME;
        if (i >= count) continue;
        memcpy(intoNames[i], all[i].name, 32);
        intoTimes[i] = all[i].time;
    }
}

// ---- Defaults, parsing and checking.

void settingsDefaults(SettingsFile* f) {
    memset(f, 0, sizeof *f);
    for (const SettingsKey& k : keyTable) {
        if (k.kind == KEY_INT || k.kind == KEY_BYTE || k.kind == KEY_KEY || k.kind == KEY_PAD ||
            k.kind == KEY_LANG || k.kind == KEY_ROUTE)
            setInt(f, k, k.def);
        if (k.kind == KEY_TIME) setTime(f, k, SETTINGS_EMPTY_TIME);
        if (k.kind == KEY_MINE) setName(bytesAt(f, k), "classic");
    }
}

// The mine setting as it is kept: "classic", "new", "daily" or a code in its own spelling; anything
// else is the classic mine, with one line naming what is wrong.
static void setMine(SettingsFile* f, const SettingsKey& k, const std::string& raw, int line, Report* rep) {
    const char* why = "is longer than any mine code";
    MineCode code;
    if (raw == "classic" || raw == "new" || raw == "daily") {
        setName(bytesAt(f, k), raw);
    } else if (raw.size() < MINE_CODE_TEXT && mineCodeParse(raw.c_str(), &code, &why)) {
        char text[MINE_CODE_TEXT];
        mineCodeFormat(&code, text);
        setName(bytesAt(f, k), text);
    } else {
        reportLine(rep, line, "%s = %s is not classic, new, daily or a mine code: it %s; using classic",
                   k.key, shown(raw).c_str(), why);
        setName(bytesAt(f, k), "classic");
    }
}

static void applyValue(SettingsFile* f, const SettingsKey& k, const std::string& raw, int line, Report* rep) {
    switch (k.kind) {
    case KEY_INT:
    case KEY_BYTE: {
        long long v;
        if (!settingsParseWhole(raw, &v)) {
            reportLine(rep, line, settingsText("%s = %s is not a whole number; using %d"), k.key,
                       shown(raw).c_str(), k.def);
            setInt(f, k, k.def);
            return;
        }
        std::string why;
        int used = nearestInt(k, v, &why);
        if (!why.empty())
            reportLine(rep, line, settingsText("%s = %s %s; using %d"), k.key, shown(raw).c_str(),
                       why.c_str(), used);
        setInt(f, k, used);
        return;
    }
    case KEY_MINE:
        setMine(f, k, raw, line, rep);
        return;
    case KEY_MODE:
        if (!settingsModeStringValid(raw.data(), raw.size())) {
            reportLine(rep, line,
                       settingsText("%s = %s is not a game mode such as 1024x768:32; using a window"), k.key,
                       shown(raw).c_str());
            setName(bytesAt(f, k), "");
            return;
        }
        setName(bytesAt(f, k), raw);
        return;
    case KEY_NAME: {
        bool badEscape;
        std::string name = settingsUnescapeName(raw, &badEscape);
        bool tooLong = name.size() > 31;
        if (tooLong) name.resize(31);
        if (badEscape || tooLong) {
            std::string why = badEscape ? settingsText("has a bad escape or a zero byte") : "";
            if (tooLong)
                why += std::string(badEscape ? settingsText(" and ") : "") +
                       settingsText("is longer than 31 bytes");
            reportLine(rep, line, settingsText("%s = %s %s; using %s"), k.key, shown(raw).c_str(),
                       why.c_str(), settingsEscapeName(name.data(), name.size()).c_str());
        }
        setName(bytesAt(f, k), name);
        return;
    }
    case KEY_LANG:
    case KEY_ROUTE: {
        int value = -1;
        for (int i = 0; i <= k.max; i++)
            if (raw == choiceNames(k)[i]) value = i;
        if (value < 0)
            reportLine(rep, line,
                       k.kind == KEY_LANG ? settingsText("%s = %s is not auto, en or de; using auto")
                                          : settingsText("%s = %s is not hold or tap; using hold"),
                       k.key, shown(raw).c_str());
        setInt(f, k, value < 0 ? 0 : value);
        return;
    }
    case KEY_KEY: {
        int code = keyByName(raw.c_str());
        if (!code)
            reportLine(
                rep, line,
                settingsText("%s = %s is not a key name such as p, B, space, Up, Page_Down or F5; using %s"),
                k.key, shown(raw).c_str(), keyName(k.def));
        setInt(f, k, code ? code : k.def);
        return;
    }
    case KEY_PAD: {
        int button = keyPadButtonByName(raw.c_str());
        if (button == PAD_INPUTS)
            reportLine(rep, line,
                       "%s = %s is not a pad button such as a, start, dpleft, righttrigger or none; using %s",
                       k.key, shown(raw).c_str(), keyPadButtonName(k.def));
        setInt(f, k, button == PAD_INPUTS ? k.def : button);
        return;
    }
    case KEY_TIME: {
        double d;
        float t = SETTINGS_EMPTY_TIME;
        const char* why = settingsText("is not a number");
        if (settingsParseDouble(raw, &d)) t = checkTime(d, &why);
        if (why)
            reportLine(rep, line, settingsText("%s = %s %s; using 30000 (an empty place)"), k.key,
                       shown(raw).c_str(), why);
        setTime(f, k, t);
        return;
    }
    }
}

int settingsParse(const char* text, size_t length, const char* fileName, SettingsFile* f, FILE* report) {
    Report rep = {fileName, report, 0};
    settingsDefaults(f);
    // A byte-order mark from an editor that saves UTF-8 with one.
    if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
        text += 3;
        length -= 3;
    }
    std::string raw[KEY_COUNT];
    int lineOf[KEY_COUNT] = {};
    size_t pos = 0;
    int lineNo = 0;
    while (pos < length) {
        size_t end = pos;
        while (end < length && text[end] != '\n') end++;
        std::string line(text + pos, end - pos);
        pos = end + 1;
        lineNo++;
        std::string key, value;
        int kind = settingsSplitLine(line, &key, &value);
        if (kind == 0) continue;
        if (kind < 0) {
            reportLine(&rep, lineNo, settingsText("'%s' is not 'key = value'; ignored"), shown(line).c_str());
            continue;
        }
        int k = keyFind(key);
        if (k < 0) {
            reportLine(&rep, lineNo, settingsText("unknown key '%s' ignored"), shown(key).c_str());
            continue;
        }
        if (lineOf[k])
            reportLine(&rep, lineNo,
                       settingsText("%s given again (first on line %d); the later value is used"),
                       keyTable[k].key, lineOf[k]);
        raw[k] = value;
        lineOf[k] = lineNo;
    }
    std::string missing;
    int missingCount = 0;
    for (int k = 0; k < KEY_COUNT; k++) {
        if (lineOf[k]) {
            applyValue(f, keyTable[k], raw[k], lineOf[k], &rep);
            continue;
        }
        if (++missingCount <= 6) missing += std::string(missingCount > 1 ? ", " : "") + keyTable[k].key;
    }
    if (missingCount > 6) {
        char more[64];
        snprintf(more, sizeof more, settingsText(" and %d more"), missingCount - 6);
        missing += more;
    }
    // A file written by hand or by an older version may leave rows out; only a text that stops inside
    // a line was cut short.
    if (missingCount && length > 0 && text[length - 1] != '\n')
        reportLine(&rep, 0, settingsText("no value for %s (file cut short?); using the defaults"),
                   missing.c_str());
    checkCrossFields(f, &rep, lineOf);
    sortHall(f, &rep);
    return finishReport(&rep);
}

int settingsCheck(SettingsFile* f, const char* where, FILE* report) {
    Report rep = {where, report, 0};
    for (const SettingsKey& k : keyTable) {
        if (k.kind == KEY_INT || k.kind == KEY_BYTE || k.kind == KEY_LANG || k.kind == KEY_ROUTE) {
            std::string why;
            int v = getInt(f, k);
            int used = nearestInt(k, v, &why);
            if (!why.empty())
                reportLine(&rep, 0, settingsText("%s = %d %s; using %d"), k.key, v, why.c_str(), used);
            setInt(f, k, used);
        } else if (k.kind == KEY_MODE || k.kind == KEY_NAME) {
            char* field = bytesAt(f, k);
            size_t length = strnlen(field, 32);
            std::string value(field, std::min<size_t>(length, 31));
            if (length > 31) reportLine(&rep, 0, settingsText("%s is longer than 31 bytes; cut"), k.key);
            if (k.kind == KEY_MODE && !settingsModeStringValid(value.data(), value.size())) {
                reportLine(&rep, 0,
                           settingsText("%s = %s is not a game mode such as 1024x768:32; using a window"),
                           k.key, shown(value).c_str());
                value.clear();
            }
            setName(field, value);
        } else if (k.kind == KEY_MINE) {
            char* field = bytesAt(f, k);
            setMine(f, k, std::string(field, strnlen(field, 31)), 0, &rep);
        } else if (k.kind == KEY_PAD) {
            int button = getInt(f, k);
            if (!keyPadButtonName(button)) {
                reportLine(&rep, 0, "%s = %d is no pad button; using %s", k.key, button,
                           keyPadButtonName(k.def));
                setInt(f, k, k.def);
            }
        } else if (k.kind == KEY_KEY) {
            int code = getInt(f, k);
            if (!keyName(code)) {
                reportLine(&rep, 0, settingsText("%s = %d is no key; using %s"), k.key, code, keyName(k.def));
                setInt(f, k, k.def);
            }
        } else {
            const char* why;
            float t = getTime(f, k);
            float used = checkTime(t, &why);
            if (why)
                reportLine(&rep, 0, settingsText("%s = %s %s; using 30000 (an empty place)"), k.key,
                           settingsFormatFloat(t).c_str(), why);
            setTime(f, k, used);
        }
    }
    checkCrossFields(f, &rep, nullptr);
    sortHall(f, &rep);
    return finishReport(&rep);
}

int settingsIntRange(const char* key, int* min, int* max) {
    int i = keyFind(key);
    if (i < 0 || (keyTable[i].kind != KEY_INT && keyTable[i].kind != KEY_BYTE &&
                  keyTable[i].kind != KEY_LANG && keyTable[i].kind != KEY_ROUTE))
        return 0;
    *min = keyTable[i].min;
    *max = keyTable[i].max;
    return 1;
}

int settingsGetInt(const SettingsFile* f, const char* key) {
    int lo, hi;
    return settingsIntRange(key, &lo, &hi) ? getInt(f, keyTable[keyFind(key)]) : 0;
}

void settingsSetInt(SettingsFile* f, const char* key, int value) {
    int lo, hi;
    if (settingsIntRange(key, &lo, &hi)) setInt(f, keyTable[keyFind(key)], value);
}

void settingsCopyLibraryFields(SettingsRecord* to, const SettingsRecord* from) {
    for (const SettingsKey& k : keyTable)
        if (k.offset < sizeof(SettingsRecord))
            memcpy(reinterpret_cast<char*>(to) + k.offset, reinterpret_cast<const char*>(from) + k.offset,
                   fieldSize(k));
}

// ---- Writing.

static std::string formatValue(const SettingsFile* f, const SettingsKey& k) {
    switch (k.kind) {
    case KEY_MODE:
    case KEY_NAME:
    case KEY_MINE: {
        const char* field = bytesAt(f, k);
        return settingsEscapeName(field, strnlen(field, 31));
    }
    case KEY_PAD: {
        const char* name = keyPadButtonName(getInt(f, k));
        return name ? name : keyPadButtonName(k.def);
    }
    case KEY_KEY: {
        const char* name = keyName(getInt(f, k));
        return name ? name : keyName(k.def);
    }
    case KEY_LANG:
    case KEY_ROUTE: {
        int value = getInt(f, k);
        return choiceNames(k)[value >= 0 && value <= k.max ? value : 0];
    }
    case KEY_TIME: {
        const char* why;
        return settingsFormatFloat(checkTime(getTime(f, k), &why));
    }
    default:
        return std::to_string(getInt(f, k));
    }
}

std::string settingsFormat(const SettingsFile* f) {
    std::string text =
        "# Kavernix settings. One \"key = value\" a line; lines starting with # are comments.\n"
        "# The settings dialog and the game rewrite this file; edit it while the game is not "
        "running.\n";
    for (const SettingsKey& k : keyTable) {
        if (k.help) text += std::string("\n# ") + k.help + "\n";
        text += std::string(k.key) + " = " + formatValue(f, k) + "\n";
    }
    return text;
}

std::string settingsPath() {
    const char* explicitPath = getenv("KAVERNIX_SETTINGS");
    if (explicitPath && *explicitPath) return explicitPath;
    std::string folder = fileUserFolder(FILE_FOLDER_CONFIG, stderr);
    return folder.empty() ? folder : folder + "/settings.ini";
}

// Reads a whole file: 1 read, 0 missing, -1 refused or failed with *why set. A FIFO or device at
// the path is refused without waiting on it.
static int readText(const char* path, std::string* text, const char** why) {
    int fd = fileOpenRead(path, why);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    text->clear();
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *why = strerror(errno);
            close(fd);
            return -1;
        }
        if (n == 0) break;
        text->append(buf, (size_t)n);
        if (text->size() > MAX_FILE_BYTES) {
            *why = settingsText("larger than 1 MB");
            close(fd);
            return -1;
        }
    }
    close(fd);
    return 1;
}

int settingsRead(const char* path, SettingsFile* f, FILE* report) {
    std::string text;
    const char* why = "";
    int got = readText(path, &text, &why);
    if (got == 0) {
        settingsDefaults(f);
        return 0;
    }
    if (got < 0) {
        settingsDefaults(f);
        Report rep = {path, report, 0};
        reportLine(&rep, 0, settingsText("cannot read the settings (%s); using the defaults"), why);
        return -1;
    }
    settingsParse(text.data(), text.size(), path, f, report);
    return 1;
}

// Sets every "key = ..." line of key to value; appends one when there is none.
static void setKeyInLines(std::vector<std::string>* lines, const char* key, const std::string& value) {
    bool found = false;
    for (std::string& line : *lines) {
        std::string k, v;
        if (settingsSplitLine(line, &k, &v) == 1 && k == key) {
            line = std::string(key) + " = " + value;
            found = true;
        }
    }
    if (!found) lines->push_back(std::string(key) + " = " + value);
}

int settingsStore(const char* path, const SettingsFile* f, unsigned groups, FILE* report) {
    std::string text;
    const char* why = "";
    int got = readText(path, &text, &why);
    if (got < 0) {
        Report rep = {path, report, 0};
        reportLine(&rep, 0, settingsText("cannot read the settings (%s); nothing written"), why);
        return 0;
    }
    if (got == 0) return settingsWriteAtomic(path, settingsFormat(f), report);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    for (const SettingsKey& k : keyTable)
        if (k.group & groups) setKeyInLines(&lines, k.key, formatValue(f, k));
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return settingsWriteAtomic(path, out, report);
}

int settingsWriteAtomic(const char* path, const std::string& text, FILE* report) {
    return fileWriteAll(path, text.data(), text.size(),
                        FILE_WRITE_FOLLOW | FILE_WRITE_SYNC | FILE_WRITE_FOLDERS, report);
}

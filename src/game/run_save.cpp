// SPDX-License-Identifier: GPL-3.0-or-later
// The saved run's file.
#include "game/run_save.h"
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include "app/record.h"
#include "file/file.h"
#include "setup/key_table.h"
#include "setup/mine_code.h"

// Marks why a save is refused for the catalogue; the game looks it up where it says so.
#define N_(text) text

static const char runHeader[] = "kavernix-run 3";
static const char runHeaderSecond[] = "kavernix-run 2"; // without the walks, the scene and the view
static const char runHeaderFirst[] = "kavernix-run 1"; // without the clock, the arrow and the dismount
static const size_t runMaxBytes = 64 * 1024;

// FNV-1a over the text before the check line.
static uint32_t textCheck(const char* text, size_t length) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; i++) h = (h ^ (unsigned char)text[i]) * 16777619u;
    return h;
}

static std::string floatBits(float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    char buf[12];
    snprintf(buf, sizeof buf, " %08x", bits);
    return buf;
}

static std::string actorLine(const char* key, const Actor* a) {
    const float* f = &a->x;
    std::string line = key + std::string(" =");
    for (int i = 0; i < 15; i++) line += floatBits(f[i]);
    return line + "\n";
}

// A route walk steers by its route copy only while its route is computed (phase 1) or walked (2).
int runSaveRouteInUse(const RunSave* s, int copy) {
    const int phase = s->walkPhase[copy == 0 ? WALK_TO_HORSE : WALK_CALL_HORSE];
    return phase == 1 || phase == 2;
}

// A route's directions (-2..7) one digit each.
static std::string routeLine(const signed char* route) {
    std::string line = "route = ";
    for (int i = 0; i < MAZE_CAPACITY; i++) line += char('0' + route[i] + 2);
    return line + "\n";
}

static std::string exactLines(const RunSave* s) {
    std::string text = "walks =";
    for (int v : s->walkPhase) text += " " + std::to_string(v);
    for (int v : s->walksLed) text += " " + std::to_string(v);
    text += " " + std::to_string(s->tappedRoute) + "\n";
    for (int copy = 0; copy < 2; copy++)
        if (runSaveRouteInUse(s, copy)) text += routeLine(s->routes[copy]);
    text += "scene =" + floatBits(s->sceneSeconds);
    for (float v : s->sceneStart) text += floatBits(v);
    text += "\nview =" + floatBits(s->viewPart) + "\n";
    text += "straw = " + std::to_string(s->strawAsked) + "\n";
    return text + "fade = " + std::to_string(s->fadeState) + floatBits(s->fadeLevel) + "\n";
}

std::string runSaveFormat(const RunSave* s) {
    std::string text =
        "# Kavernix: a saved run; kavernix --continue goes on with it. An edited file is refused.\n";
    text += std::string(s->exact ? runHeader : runHeaderSecond) + "\n";
    text += "mine = " + std::string(s->code) + "\n";
    text += "rules = " + std::to_string(s->fullLevel) + " " + std::to_string(s->strawDistance) + " " +
            std::to_string(s->oilSeconds) +
            (s->gameSpeed >= 50 && s->gameSpeed < 100 ? " " + std::to_string(s->gameSpeed) : "") + "\n";
    text += "time =" + floatBits(s->gameTime) + "\n";
    text += "rider = " + std::to_string(s->riderState) + "\n";
    text += "inventory =";
    for (float v : s->inventory) text += floatBits(v);
    text +=
        "\n" + actorLine("player", &s->player) + actorLine("horse", &s->horse) + actorLine("door", &s->door);
    for (int row = 0; row < RUN_ITEM_ROWS; row++) {
        text += "items = " + std::to_string(s->itemCount[row]) + "\n";
        for (int i = 0; i < s->itemCount[row]; i++) text += actorLine("item", &s->items[row][i]);
    }
    text += "clock = " + std::to_string(runSaveClock(s)) + "\n";
    text += "arrow = " + std::to_string(s->shotState) + floatBits(s->explosionTime) + "\n";
    text += actorLine("shot", &s->shot);
    text += "dismounted =" + floatBits(s->dismountedAt) + "\n";
    if (s->exact) text += exactLines(s);
    char check[32];
    snprintf(check, sizeof check, "check = %08x\n", textCheck(text.data(), text.size()));
    return text + check;
}

namespace {
// Reads the text line by line in the one order the writer keeps; the first fault sticks.
struct Cursor {
    const char* p;
    const char* end;
    const char* why;
};
} // namespace

// The value of the next line, which must be "key = ...".
static std::string nextValue(Cursor* c, const char* key) {
    if (c->why) return "";
    const char* nl = static_cast<const char*>(memchr(c->p, '\n', size_t(c->end - c->p)));
    if (!nl) {
        c->why = N_("is cut short");
        return "";
    }
    std::string line(c->p, size_t(nl - c->p));
    c->p = nl + 1;
    std::string prefix = key + std::string(" =");
    if (line.compare(0, prefix.size(), prefix) != 0) {
        c->why = N_("has a line out of place");
        return "";
    }
    return line.substr(prefix.size());
}

// Reads count floats written as " xxxxxxxx" each, all finite.
static void readFloats(Cursor* c, const std::string& v, float* out, int count) {
    if (c->why) return;
    if (v.size() != size_t(count) * 9) {
        c->why = N_("has a line of the wrong length");
        return;
    }
    for (int i = 0; i < count; i++) {
        const char* word = v.c_str() + i * 9;
        unsigned bits = 0;
        for (int k = 1; k < 9; k++) {
            char ch = word[k];
            int d = ch >= '0' && ch <= '9' ? ch - '0' : (ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : -1);
            if (word[0] != ' ' || d < 0) {
                c->why = N_("has a value that is not a number");
                return;
            }
            bits = bits << 4 | unsigned(d);
        }
        uint32_t b32 = bits;
        memcpy(&out[i], &b32, 4);
        if (!std::isfinite(out[i]) || std::fabs(out[i]) > 1e7f) {
            c->why = N_("has a value out of range");
            return;
        }
    }
}

static int wholeNumber(const std::string& v, int lo, int hi, int* out) {
    if (v.empty() || v.size() > 6) return 0;
    int n = 0;
    for (char ch : v) {
        if (ch < '0' || ch > '9') return 0;
        n = n * 10 + (ch - '0');
    }
    *out = n;
    return n >= lo && n <= hi;
}

// A line " N" of a whole number lo..hi; why names the fault otherwise.
static void readWhole(Cursor* c, const char* key, int lo, int hi, int* out, const char* why) {
    const std::string v = nextValue(c, key);
    if (!c->why && (v.empty() || v[0] != ' ' || !wholeNumber(v.substr(1), lo, hi, out))) c->why = why;
}

// A line " D xxxxxxxx" of a state digit 0..top and a float; why names a state out of range.
static void readStateAndFloat(Cursor* c, const char* key, char top, const char* why, int32_t* state,
                              float* value) {
    const std::string v = nextValue(c, key);
    if (!c->why && (v.size() != 11 || v[0] != ' ' || v[1] < '0' || v[1] > top)) c->why = why;
    if (c->why) return;
    *state = v[1] - '0';
    readFloats(c, v.substr(2), value, 1);
}

static void readActor(Cursor* c, const char* key, Actor* a, float size) {
    readFloats(c, nextValue(c, key), &a->x, 15);
    if (!c->why && (a->x < 0 || a->x > size + 1 || a->z < 0 || a->z > size + 1))
        c->why = N_("has a body outside the mine");
}

int64_t runSaveClock(const RunSave* s) {
    return int64_t(uint64_t(uint32_t(s->clockHigh)) << 32 | uint32_t(s->clockLow));
}

void runSaveSetClock(RunSave* s, int64_t ticks) {
    s->clockLow = int32_t(uint32_t(uint64_t(ticks)));
    s->clockHigh = int32_t(uint32_t(uint64_t(ticks) >> 32));
}

// The lines of the second version: the clock in ticks, the arrow, the last dismount.
static void parseSecond(Cursor* c, RunSave* s, float size) {
    const std::string clock = nextValue(c, "clock");
    if (c->why) return;
    errno = 0;
    char* end = nullptr;
    const long long ticks = strtoll(clock.c_str(), &end, 10);
    if (clock.size() < 2 || clock[0] != ' ' || *end || errno || ticks < -1) {
        c->why = N_("has a clock out of range");
        return;
    }
    runSaveSetClock(s, ticks);
    readStateAndFloat(c, "arrow", '2', N_("has an arrow out of range"), &s->shotState, &s->explosionTime);
    readActor(c, "shot", &s->shot, size);
    readFloats(c, nextValue(c, "dismounted"), &s->dismountedAt, 1);
}

// The lines of the third version: the walks, their routes, the exit scene, the view, the fade.
static void parseThird(Cursor* c, RunSave* s) {
    const std::string walks = nextValue(c, "walks");
    if (c->why) return;
    int v[8], used = -1;
    const int words = sscanf(walks.c_str(), " %d %d %d %d %d %d %d %d%n", &v[0], &v[1], &v[2], &v[3], &v[4],
                             &v[5], &v[6], &v[7], &used);
    int fits = words == 8 && used == int(walks.size());
    for (int i = 0; i < 4 && fits; i++) fits = v[i] == 0 || v[i] == 1 || v[i] == 2 || v[i] == 4;
    for (int i = 4; i < 7 && fits; i++) fits = v[i] == 0 || v[i] == 1;
    if (fits)
        fits = v[7] == 0 || v[7] == ACTION_CALL_HORSE || v[7] == ACTION_GO_TO_HORSE || v[7] == ACTION_WALK_OUT;
    if (!fits) {
        c->why = N_("has walks out of range");
        return;
    }
    for (int i = 0; i < 4; i++) s->walkPhase[i] = v[i];
    for (int i = 0; i < 3; i++) s->walksLed[i] = v[4 + i];
    s->tappedRoute = v[7];
    for (int copy = 0; copy < 2 && !c->why; copy++) {
        if (!runSaveRouteInUse(s, copy)) continue;
        const std::string route = nextValue(c, "route");
        if (c->why) return;
        int good = route.size() == size_t(MAZE_CAPACITY) + 1 && route[0] == ' ';
        for (int i = 0; i < MAZE_CAPACITY && good; i++) {
            const char ch = route[size_t(i) + 1];
            good = ch >= '0' && ch <= '9';
            s->routes[copy][i] = (signed char)(ch - '0' - 2);
        }
        if (!good) c->why = N_("has a route out of range");
    }
    float scene[9];
    readFloats(c, nextValue(c, "scene"), scene, 9);
    s->sceneSeconds = scene[0];
    memcpy(s->sceneStart, scene + 1, sizeof s->sceneStart);
    readFloats(c, nextValue(c, "view"), &s->viewPart, 1);
    if (!c->why && std::fabs(s->viewPart) >= 1) c->why = N_("has a view out of range");
    const std::string straw = nextValue(c, "straw");
    if (!c->why && straw != " 0" && straw != " 1") c->why = N_("has walks out of range");
    s->strawAsked = straw == " 1";
    readStateAndFloat(c, "fade", '4', N_("has a fade out of range"), &s->fadeState, &s->fadeLevel);
    s->exact = !c->why;
}

static void parseBody(Cursor* c, RunSave* s, int second) {
    MineCode code;
    const char* codeWhy = nullptr;
    std::string mine = nextValue(c, "mine");
    if (!c->why && (mine.size() < 2 || mine.size() >= sizeof s->code ||
                    !mineCodeParse(mine.c_str() + 1, &code, &codeWhy)))
        c->why = N_("names no valid mine");
    if (c->why) return;
    snprintf(s->code, sizeof s->code, "%s", mine.c_str() + 1);
    int full = 0, straw = 0, oil = 0, speed = 100;
    std::string rules = nextValue(c, "rules");
    char a[8], b[8], d[8], e[8];
    // The pace is written only below 100.
    int words = c->why ? 0 : sscanf(rules.c_str(), " %7[0-9] %7[0-9] %7[0-9] %7[0-9]", a, b, d, e);
    if (!c->why &&
        ((words != 3 && words != 4) || !wholeNumber(a, 1, 9, &full) || !wholeNumber(b, 1, 1000, &straw) ||
         !wholeNumber(d, 1, 3600, &oil) || (words == 4 && !wholeNumber(e, 50, 99, &speed))))
        c->why = N_("has rules out of range");
    if (c->why) return;
    s->fullLevel = full;
    s->strawDistance = straw;
    s->oilSeconds = oil;
    s->gameSpeed = speed;
    readFloats(c, nextValue(c, "time"), &s->gameTime, 1);
    if (!c->why && s->gameTime < 0) c->why = N_("has a negative time");
    const char* riderWhy = N_("has a rider state that is neither 0 nor 2");
    readWhole(c, "rider", 0, 2, &s->riderState, riderWhy);
    if (!c->why && s->riderState == 1) c->why = riderWhy;
    readFloats(c, nextValue(c, "inventory"), s->inventory, RUN_ITEM_ROWS);
    float size = float(code.size);
    readActor(c, "player", &s->player, size);
    readActor(c, "horse", &s->horse, size);
    readActor(c, "door", &s->door, size);
    for (int row = 0; row < RUN_ITEM_ROWS && !c->why; row++) {
        readWhole(c, "items", 0, MAX_INSTANCES, &s->itemCount[row], N_("has a count of items out of range"));
        for (int i = 0; i < s->itemCount[row] && !c->why; i++) readActor(c, "item", &s->items[row][i], size);
    }
    if (second) parseSecond(c, s, size);
    if (second == 2) parseThird(c, s);
    if (!second) runSaveSetClock(s, -1);
}

int runSaveParse(const char* text, size_t length, RunSave* s, const char** why) {
    RunSave read = {};
    Cursor c = {text, text + length, nullptr};
    // The comment line first, then the header.
    const char* nl = static_cast<const char*>(memchr(text, '\n', length));
    if (length == 0 || text[0] != '#' || !nl) {
        *why = N_("is not a saved run of this game");
        return 0;
    }
    c.p = nl + 1;
    size_t headerLength = strlen(runHeader);
    const auto startsWith = [&](const char* header) {
        return size_t(c.end - c.p) > headerLength && memcmp(c.p, header, headerLength) == 0 &&
               c.p[headerLength] == '\n';
    };
    const int second = startsWith(runHeader) ? 2 : startsWith(runHeaderSecond) ? 1 : 0;
    if (!second && !startsWith(runHeaderFirst)) {
        *why = N_("is not a saved run of this game (or of another version)");
        return 0;
    }
    c.p += headerLength + 1;
    parseBody(&c, &read, second);
    size_t body = size_t(c.p - text);
    std::string check = nextValue(&c, "check");
    char expected[16];
    snprintf(expected, sizeof expected, " %08x", textCheck(text, body));
    if (!c.why && check != expected) c.why = N_("does not check: it was edited or damaged");
    if (!c.why && c.p != c.end) c.why = N_("goes on after its end");
    if (c.why) {
        *why = c.why;
        return 0;
    }
    *s = read;
    return 1;
}

int runSaveRead(const char* path, RunSave* s, const char** why) {
    int fd = fileOpenRead(path, why);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    std::string text;
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || text.size() > runMaxBytes) break;
        text.append(buf, size_t(n));
    }
    close(fd);
    if (text.size() > runMaxBytes) {
        *why = N_("is larger than a saved run can be");
        return -1;
    }
    return runSaveParse(text.data(), text.size(), s, why) ? 1 : -1;
}

int runSaveWrite(const char* path, const RunSave* s, FILE* report) {
    std::string text = runSaveFormat(s);
    return fileWriteAll(path, text.data(), text.size(), FILE_WRITE_SYNC | FILE_WRITE_FOLDERS, report);
}

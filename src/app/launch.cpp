// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: our options from one table, the toolkit's options passed on, the rest refused.
#include "app/launch.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include "app/lang.h"
#include "app/timedemo.h"

#ifndef KX_VERSION
#define KX_VERSION "(unknown version)"
#endif
#ifndef KX_SOURCE_URL
#define KX_SOURCE_URL "(unknown)"
#endif

// The reason of the last refusal, for the one line main prints.
static char launchWhy[256];

__attribute__((format(printf, 2, 0))) static int launchRefuse(const char** why, const char* format,
                                                              const char* a, const char* b = "") {
    snprintf(launchWhy, sizeof launchWhy, format, a, b);
    *why = launchWhy;
    return 0;
}

static int takeHelp(LaunchOptions* out, const char*, const char**) {
    out->help = 1;
    return 1;
}

static int takeVersion(LaunchOptions* out, const char*, const char**) {
    out->version = 1;
    return 1;
}

static int takeTimedemo(LaunchOptions* out, const char* value, const char** why) {
    out->timedemoFrames = timedemoDefaultFrames;
    if (!value) return 1;
    char* end = nullptr;
    errno = 0;
    const long n = strtol(value, &end, 10);
    if (value[0] < '0' || value[0] > '9' || *end != 0 || errno != 0 || n < 1 || n > timedemoMaxFrames)
        return launchRefuse(why,
                            langConsole("--timedemo: FRAMES must be a whole number from 1 to %s, not '%s'"),
                            "10000000", value);
    out->timedemoFrames = int(n);
    return 1;
}

// Copies a word into a fixed field, refusing an empty word or one that does not fit.
static int takeWord(char* field, size_t size, const char* option, const char* value, const char** why) {
    if (!value[0] || strlen(value) >= size)
        return launchRefuse(why, langConsole("%s: '%s' is not a value this option takes"), option, value);
    memcpy(field, value, strlen(value) + 1);
    return 1;
}

static int takeLanguage(LaunchOptions* out, const char* value, const char** why) {
    return takeWord(out->language, sizeof out->language, "--language", value, why);
}

static int takeMine(LaunchOptions* out, const char* value, const char** why) {
    return takeWord(out->mine, sizeof out->mine, "--mine", value, why);
}

static int takeMineCode(LaunchOptions* out, const char*, const char**) {
    out->mineCode = 1;
    return 1;
}

static int takeReplay(LaunchOptions* out, const char* value, const char** why) {
    return takeWord(out->replay, sizeof out->replay, "--replay", value, why);
}

static int takeGhost(LaunchOptions* out, const char* value, const char** why) {
    return takeWord(out->ghost, sizeof out->ghost, "--ghost", value, why);
}

static int takeContinue(LaunchOptions* out, const char*, const char**) {
    out->continueRun = 1;
    return 1;
}

const LaunchOption launchOptionTable[] = {
    // TRANSLATORS: the placeholders FRAMES, LL and WHICH are translated with the texts that name them.
    {"--timedemo", nullptr, LANG_ID("FRAMES"), 1,
     LANG_ID("walk the player and the horse along the exit path\n"
             "for FRAMES frames (default 600) as fast as they draw,\n"
             "then print one line: startup_ms=... frames=...\n"
             "seconds=... fps=... slowest_ms=..."),
     takeTimedemo},
    {"--language", nullptr, LANG_ID("LL"), 0, LANG_ID("the language of this run: auto, en or de"),
     takeLanguage},
    {"--mine", nullptr, LANG_ID("WHICH"), 0, LANG_ID("the mine to play: classic, new, daily or a mine code"),
     takeMine},
    {"--mine-code", nullptr, nullptr, 0, LANG_ID("print the code of the mine (with --mine: of that one)"),
     takeMineCode},
    {"--continue", nullptr, nullptr, 0, LANG_ID("go on with the run saved when the last game was left"),
     takeContinue},
    {"--replay", nullptr, LANG_ID("FILE"), 0,
     LANG_ID("play a recorded run (a .kxr file) in the window:\n"
             "P pauses, 2, 4 and 8 play it faster, 1 as recorded"),
     takeReplay},
    {"--ghost", nullptr, LANG_ID("FILE"), 0,
     LANG_ID("race a recorded run of the same mine (a .kxr file):\n"
             "it plays along as a ghost"),
     takeGhost},
    {"--help", "-h", nullptr, 0, LANG_ID("this text"), takeHelp},
    {"--version", nullptr, nullptr, 0, LANG_ID("the version, the licence and where the source is"),
     takeVersion},
};
const int launchOptionCount = int(sizeof launchOptionTable / sizeof launchOptionTable[0]);

// The toolkit's documented options, each passed on with its value when it has one.
static const struct {
    const char* name;
    int hasValue;
} toolkitOptions[] = {{"-display", 1}, {"-geometry", 1}, {"-iconic", 0}, {"-sync", 0},
                      {"-direct", 0},  {"-indirect", 0}, {"-gldebug", 0}};

static const LaunchOption* launchFind(const char* word, size_t length) {
    for (const LaunchOption& o : launchOptionTable)
        if ((strlen(o.name) == length && !strncmp(word, o.name, length)) ||
            (o.alias && strlen(o.alias) == length && !strncmp(word, o.alias, length)))
            return &o;
    return nullptr;
}

// Handles our option at argv[*i] (and its value); advances *i past what it used.
static int launchTakeOne(const LaunchOption& o, int argc, char** argv, int* i, LaunchOptions* out,
                         const char** why) {
    const char* word = argv[*i];
    const char* equals = strchr(word, '=');
    const char* value = equals ? equals + 1 : nullptr;
    if (value && !o.valueName) return launchRefuse(why, langConsole("option '%s' takes no value"), o.name);
    const char* next = *i + 1 < argc ? argv[*i + 1] : nullptr;
    if (!value && o.valueName && !o.valueOptional) {
        // A following option is never taken as the value: "--mine --continue" lacks the mine.
        if (!next || (next[0] == '-' && next[1] == '-'))
            return launchRefuse(why, langConsole("option '%s' needs a value (%s)"), o.name,
                                langConsole(o.valueName));
        value = next;
        ++*i;
    } else if (!value && o.valueOptional && next && next[0] >= '0' && next[0] <= '9') {
        // An optional value follows only as a number; any other word is an option of its own.
        value = next;
        ++*i;
    }
    return o.take(out, value, why);
}

int launchOptionsParse(int* argc, char** argv, LaunchOptions* out, const char** why) {
    *out = LaunchOptions{};
    int kept = 1;
    for (int i = 1; i < *argc; i++) {
        const char* word = argv[i];
        const char* equals = word[0] == '-' && word[1] == '-' ? strchr(word, '=') : nullptr;
        const size_t length = equals ? size_t(equals - word) : strlen(word);
        if (const LaunchOption* o = launchFind(word, length)) {
            if (!launchTakeOne(*o, *argc, argv, &i, out, why)) return 0;
            continue;
        }
        bool toolkit = false;
        for (const auto& t : toolkitOptions) {
            if (strcmp(word, t.name)) continue;
            if (t.hasValue && i + 1 >= *argc)
                return launchRefuse(why, langConsole("option '%s' needs a value"), word);
            argv[kept++] = argv[i];
            if (t.hasValue) argv[kept++] = argv[++i];
            toolkit = true;
            break;
        }
        if (toolkit) continue;
        if (word[0] == '-') return launchRefuse(why, langConsole("unknown option '%s'"), word);
        return launchRefuse(why, langConsole("unexpected argument '%s'"), word);
    }
    argv[kept] = nullptr;
    *argc = kept;
    return 1;
}

void launchUsage(FILE* out) {
    fputs(langConsole("Usage: kavernix [OPTION]... [TOOLKIT OPTION]...\n"
                      "A first-person 3D maze game in a dragon's lamp-lit mine.\n\n"),
          out);
    for (const LaunchOption& o : launchOptionTable) {
        char head[48];
        snprintf(head, sizeof head, "%s%s%s%s%s%s%s", o.name, o.alias ? ", " : "", o.alias ? o.alias : "",
                 o.valueName ? " " : "", o.valueOptional ? "[" : "",
                 o.valueName ? langConsole(o.valueName) : "", o.valueOptional ? "]" : "");
        fprintf(out, "  %-21s", head);
        // Every further line of the help text starts under the first.
        for (const char* line = langConsole(o.help);;) {
            const char* end = strchr(line, '\n');
            fprintf(out, "%.*s\n", int(end ? end - line : strlen(line)), line);
            if (!end) break;
            line = end + 1;
            fprintf(out, "%23s", "");
        }
    }
    fputs(langConsole("\nToolkit options: -display NAME, -geometry WxH+X+Y, -iconic, -sync, -direct,\n"
                      "-indirect, -gldebug.\n\n"
                      "The game reads its data from $KAVERNIX_DATA when that is set, else from its\n"
                      "installed data folder, else from the current folder.\n"),
          out);
}

void launchVersion(FILE* out, const char* program) {
    fprintf(out, "%s " KX_VERSION "\nCopyright (C) 2026 The Kavernix developers\n", program);
    fprintf(out,
            langConsole("License GPL-3.0-or-later: GNU General Public License, version 3 or later\n"
                        "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                        "This is free software: you are free to change and redistribute it.\n"
                        "There is NO WARRANTY, to the extent permitted by law.\n"
                        "Source code: %s\n"),
            KX_SOURCE_URL);
}

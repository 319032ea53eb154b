// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of the game and of kavernix-tool: our options taken out, the toolkit's passed on,
// anything else refused; and the two programs as a shell starts them, with a bad option or without
// their data.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>
#include "app/lang.h"
#include "app/launch.h"
#include "app/mines.h"
#include "app/paths.h"
#include "app/record.h"
#include "game/actor.h"
#include "game/items.h"
#include "game/run_save.h"
#include "output_capture.h"
#include "scene/creatures.h"
#include "setup/mine_records.h"

namespace {

struct Parsed {
    int ok;
    LaunchOptions options;
    std::string rest; // what is left for the toolkit, each word followed by one space
    std::string why;
};

Parsed parse(std::vector<std::string> words) {
    words.insert(words.begin(), "kavernix");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    int argc = int(words.size());
    const char* why = "";
    Parsed p{};
    memset(&p.options, 0x55, sizeof p.options); // every parse sets every field
    p.ok = launchOptionsParse(&argc, argv.data(), &p.options, &why);
    p.why = why;
    if (p.ok) {
        EXPECT_EQ(argv[argc], nullptr);
        for (int i = 1; i < argc; i++) p.rest += std::string(argv[i]) + " ";
    }
    return p;
}

TEST(LaunchOptions, OursAreTakenOutTheToolkitsStayInOrder) {
    // clang-format off
    const struct {
        std::vector<std::string> words; int frames, help, version, mineCode, continueRun;
        const char *language, *mine, *rest;
    } cases[] = {
        {{}, 0, 0, 0, 0, 0, "", "", ""},
        {{"-display", ":1", "--timedemo"}, 600, 0, 0, 0, 0, "", "", "-display :1 "},
        {{"--timedemo", "25", "-sync"}, 25, 0, 0, 0, 0, "", "", "-sync "},
        {{"--timedemo=7"}, 7, 0, 0, 0, 0, "", "", ""},
        // A count follows --timedemo only as a number; any other word is read on its own.
        {{"--timedemo", "-gldebug", "--help"}, 600, 1, 0, 0, 0, "", "", "-gldebug "},
        {{"-h"}, 0, 1, 0, 0, 0, "", "", ""},
        {{"--version"}, 0, 0, 1, 0, 0, "", "", ""},
        {{"-geometry", "640x480+10+20", "-iconic", "-direct", "-indirect"}, 0, 0, 0, 0, 0, "", "",
         "-geometry 640x480+10+20 -iconic -direct -indirect "},
        {{"--language", "de", "--mine=daily"}, 0, 0, 0, 0, 0, "de", "daily", ""},
        {{"--language=en", "--mine", "16-5-3-K7QX2MA", "--mine-code"}, 0, 0, 0, 1, 0, "en", "16-5-3-K7QX2MA",
         ""},
        {{"--continue", "-display", "--mine"}, 0, 0, 0, 0, 1, "", "", "-display --mine "},
    }; // clang-format on
    for (const auto& c : cases) {
        std::string words;
        for (const std::string& w : c.words) words += w + " ";
        SCOPED_TRACE(words);
        const Parsed p = parse(c.words);
        ASSERT_EQ(p.ok, 1) << p.why;
        EXPECT_EQ(p.rest, c.rest);
        EXPECT_EQ(p.options.timedemoFrames, c.frames);
        EXPECT_EQ(p.options.help, c.help);
        EXPECT_EQ(p.options.version, c.version);
        EXPECT_EQ(p.options.mineCode, c.mineCode);
        EXPECT_EQ(p.options.continueRun, c.continueRun);
        EXPECT_STREQ(p.options.language, c.language);
        EXPECT_STREQ(p.options.mine, c.mine);
    }
}

TEST(LaunchOptions, EveryWrongWordIsRefusedWithItsReason) {
    const std::string frames = "--timedemo: FRAMES must be a whole number from 1 to 10000000, not ";
    // clang-format off
    const struct { std::vector<std::string> words; std::string why; } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-sync", "--versions"}, "unknown option '--versions'"},
        {{"-display=:1"}, "unknown option '-display=:1'"},
        {{"--bogus=1"}, "unknown option '--bogus=1'"},
        {{"maze.txt"}, "unexpected argument 'maze.txt'"},
        {{"--mine"}, "option '--mine' needs a value (WHICH)"},
        {{"--mine", "--continue"}, "option '--mine' needs a value (WHICH)"},
        {{"--language", "--mine", "daily"}, "option '--language' needs a value (LL)"},
        {{"--language"}, "option '--language' needs a value (LL)"},
        {{"-geometry"}, "option '-geometry' needs a value"},
        {{"--help=yes"}, "option '--help' takes no value"},
        {{"--timedemo", "0"}, frames + "'0'"},
        {{"--timedemo", "12x"}, frames + "'12x'"},
        {{"--timedemo=99999999999"}, frames + "'99999999999'"},
        {{"--timedemo="}, frames + "''"},
        {{"--mine="}, "--mine: '' is not a value this option takes"},
        {{"--mine", std::string(32, 'K')},
         "--mine: '" + std::string(32, 'K') + "' is not a value this option takes"},
        {{"--language", "deutschland"}, "--language: 'deutschland' is not a value this option takes"},
    }; // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words[0]);
        const Parsed p = parse(c.words);
        EXPECT_EQ(p.ok, 0);
        EXPECT_EQ(p.why, c.why);
    }
}

// The usage names every option of the table, with its placeholder in the language spoken, and fits a
// terminal of 80 columns (counted in characters) in each language.
TEST(LaunchOptions, UsageNamesEveryOptionWithinEightyColumns) {
    setenv("KAVERNIX_DATA", KX_RUN_DIR, 1); // the catalogue lies beside the game's data
    pathInit();
    const std::pair<int, const char*> languages[] = {{LANG_EN, "--language LL "},
                                                     {LANG_DE, "--language SPRACHE "}};
    for (const auto& [language, placeholder] : languages) {
        SCOPED_TRACE(language);
        ASSERT_EQ(langApply(language), language);
        OutputCapture out(stdout);
        launchUsage(stdout);
        const std::string text = out.finish();
        for (int i = 0; i < launchOptionCount; i++)
            EXPECT_NE(text.find("  " + std::string(launchOptionTable[i].name)), std::string::npos)
                << launchOptionTable[i].name;
        EXPECT_NE(text.find(placeholder), std::string::npos) << text;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            size_t characters = 0; // UTF-8: every byte but a continuation byte starts one
            for (unsigned char c : line) characters += (c & 0xC0) != 0x80;
            EXPECT_LE(characters, 80u) << line;
        }
    }
    langApply(LANG_EN);
}

// The programs as a shell starts them, in an empty folder with a fresh HOME and a display name no X
// server answers: a program that reached the toolkit or the dialog would say that it cannot open
// the display, so standard error holding only our lines shows that no window was tried.
struct ProgramRun {
    int status;
    std::string out, err;
};

struct LaunchProcess : ScratchDir {
    ProgramRun run(const std::string& program, const std::string& args, const std::string& env = "") {
        const std::string command = "env -i HOME='" + dir.path +
                                    "' DISPLAY=:kx-no-display PATH=/usr/bin:/bin " + env +
                                    " '" KX_BINARY_DIR "/" + program + "' " + args + " 2>stderr.txt";
        ProgramRun r;
        r.out = commandOutput(command, &r.status);
        r.err = readFileText("stderr.txt");
        return r;
    }
    static std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n') + 1); }
    static std::string afterFirstLine(const std::string& text) { return text.substr(text.find('\n') + 1); }
};

TEST_F(LaunchProcess, AnUnknownOptionOrCommandIsRefusedAboveTheUsageWithStatusTwo) {
    OutputCapture usageOut(stdout);
    launchUsage(stdout);
    const std::string usage = usageOut.finish();
    const ProgramRun r = run("kavernix", "-sync --bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(firstLine(r.err), "kavernix: unknown option '--bogus'\n");
    EXPECT_EQ(afterFirstLine(r.err), usage);
    // The tool refuses an unknown option or command likewise, above its own usage.
    const std::pair<const char*, const char*> cases[] = {
        {"--bogus", "kavernix-tool: unknown option '--bogus'\n"},
        {"mazes 8 0", "kavernix-tool: unknown command 'mazes'\n"},
        {"", "kavernix-tool: no command given\n"}};
    for (const auto& [args, line] : cases) {
        SCOPED_TRACE(args);
        const ProgramRun r = run("kavernix-tool", args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(firstLine(r.err), line);
        EXPECT_EQ(afterFirstLine(r.err).rfind("usage: kavernix-tool COMMAND [ARGS]\n", 0), 0u) << r.err;
    }
}

TEST_F(LaunchProcess, VersionNamesTheProgramsVersionWithItsLicence) {
    for (const char* program : {"kavernix", "kavernix-tool"}) {
        SCOPED_TRACE(program);
        const ProgramRun r = run(program, "--version");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(firstLine(r.out), std::string(program) + " " KX_VERSION "\n");
        EXPECT_NE(r.out.find("Copyright (C) 2026 The Kavernix developers\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("License GPL-3.0-or-later"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Source code: http"), std::string::npos) << r.out;
    }
    // In German the licence's lines are German too.
    const ProgramRun r = run("kavernix", "--version", "LANG=de_DE.UTF-8 KAVERNIX_DATA='" KX_RUN_DIR "'");
    EXPECT_NE(r.out.find("Lizenz GPL-3.0-or-later"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Quelltext: http"), std::string::npos) << r.out;
}

// Started where no data can be found, the game names every folder it looked in and how to point it
// at its data, and ends with status 1 before any window.
TEST_F(LaunchProcess, AStartWithoutDataNamesTheFoldersSearchedWithStatusOne) {
    const ProgramRun r = run("kavernix", "--timedemo 5");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    const std::string source = std::string(KX_BINARY_DIR).substr(0, std::string(KX_BINARY_DIR).rfind('/'));
    EXPECT_EQ(r.err, "kavernix: no game data in " + source + "/share/kavernix, in " + source +
                         "/share/games/kavernix nor in the current folder " + dir.path +
                         "; set KAVERNIX_DATA to the game's data folder, or start it with `make play` in "
                         "its source tree\n");
    // An empty data folder named by the environment: named, and how to mend it.
    const ProgramRun empty = run("kavernix", "", "KAVERNIX_DATA=" + dir.path);
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err,
              "kavernix: no game data in KAVERNIX_DATA=" + dir.path +
                  "; set it to the folder that holds poster.tga and the game's other files, or unset "
                  "it\n");
}

TEST_F(LaunchProcess, TheToolWithoutDataHereNamesTheFolderWithStatusOne) {
    for (const char* args : {"model cache", "render DIAMOND 1 out.tga"}) {
        SCOPED_TRACE(args);
        const ProgramRun r = run("kavernix-tool", args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("kavernix-tool ", 0), 0u) << r.err;
        EXPECT_NE(
            r.err.find(": no game data in the current folder " + dir.path + " (no STRAWBAR.brepdef.txt)"),
            std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
}

} // namespace

// A run kept in the fresh HOME's state folder: the classic mine of size 8, the bodies where a game
// starts. Returns the file's text.
static std::string keepRun(const std::string& home) {
    setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    sceneRegisterModels();
    memset(&record, 0, sizeof record);
    record.mazeSize = 8, record.itemsPerKind = 1, record.diamondsNeeded = 1;
    record.fullLevel = 4, record.strawDistance = 20, record.oilSeconds = 60;
    snprintf(record.mine, sizeof record.mine, "classic");
    minesOptions(nullptr, 0, 0);
    OutputCapture quiet;
    minesChoose(0);
    itemsClearInstances();
    minesBuild();
    actorsPlaceForGame();
    quiet.finish();
    RunSave s;
    runSaveCapture(&s, minesCodeText());
    EXPECT_EQ(runSaveWrite(recordsRunPath().c_str(), &s, stderr), 1);
    const std::string text = readFileText(recordsRunPath());
    unsetenv("XDG_STATE_HOME");
    return text;
}

// --continue on a start that fails before the game screen (no display at all, a display no X
// server answers) keeps the run, byte for byte, for the next start.
TEST_F(LaunchProcess, AKeptRunOutlivesAStartThatCannotOpenItsWindow) {
    const std::string path = dir.path + "/.local/state/kavernix/run.ini";
    const std::string data = "KAVERNIX_DATA=" KX_RUN_DIR " KAVERNIX_SETUP_DIALOG=0 ";
    const std::pair<const char*, std::string> starts[] = {{"no DISPLAY", "env -u DISPLAY " + data},
                                                          {"DISPLAY=:999", data + "DISPLAY=:999"}};
    for (const auto& [what, env] : starts) {
        SCOPED_TRACE(what);
        const std::string kept = keepRun(dir.path);
        ASSERT_NE(kept, "");
        const ProgramRun r = run("kavernix", "--continue", env);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("failed to open display"), std::string::npos) << r.err;
        EXPECT_EQ(readFileText(path), kept) << "the kept run is still there";
    }
}

// "auto" on the command line follows the desktop's LANG, also when the settings file names another
// language (which the game spoke first): --help comes in the desktop's language.
TEST_F(LaunchProcess, AutomaticLanguageFollowsTheDesktopOverTheStoredOne) {
    std::filesystem::create_directories(dir.path + "/.config/kavernix");
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"en", "LANG=de_DE.UTF-8", "Aufruf: kavernix"},
        {"de", "LANG=en_US.UTF-8", "Usage: kavernix"},
        {"en", "LANG=en_US.UTF-8 LANGUAGE=de", "Aufruf: kavernix"}};
    for (const auto& [stored, desktop, usage] : cases) {
        SCOPED_TRACE(std::string(stored) + ", " + desktop);
        writeFileText(dir.path + "/.config/kavernix/settings.ini",
                      std::string("language = ") + stored + "\n");
        const ProgramRun r =
            run("kavernix", "--language auto --help", "KAVERNIX_DATA=" KX_RUN_DIR " " + std::string(desktop));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind(usage, 0), 0u) << r.out.substr(0, 80);
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a whole, started as a player starts it: what it prints, how it ends, the timedemo,
// and damaged art.
#include <gtest/gtest.h>
#include <thread>
#include "maze_example.h"
#include "play_fixture.h"

// The known maze's three snapshots come first on standard output (flushed when Escape ends the
// program at once).
TEST_F(Play, PrintsTheKnownMazeFirst) {
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 1\n")) << "no window titled Kavernix";
    xdo("key Escape");
    ASSERT_EQ(waitExit(20), 0) << "Escape ends the program";
    std::string out = readFileText(folder + "/out.txt"); // standard output is flushed at the exit
    EXPECT_EQ(out.compare(0, mazeExample::output().size(), mazeExample::output()), 0) << out.substr(0, 400);
    EXPECT_EQ(sanitizerReport(), "");
}

// SDL's controller support takes no signals: Ctrl+C (SIGINT) and SIGTERM end the game as they would
// without it.
TEST_F(Play, InterruptOrTerminateEndsTheGame) {
    for (int sig : {SIGINT, SIGTERM}) {
        ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 1\nskipStory = 1\n")) << sig;
        sleepFor(0.5);
        kill(pid, sig);
        EXPECT_EQ(waitExit(20), 128 + sig) << "signal " << sig;
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0), pid = -1;
    }
}

// The timedemo of 40 frames, without a dialog or story, on a settings file with a hall of fame:
// ended by itself (its status is checked), its settings file's text before the run.
std::string runTimedemo(const std::string& folder) {
    const std::string settings = folder + "/settings.ini";
    std::ofstream(settings) << "showDialog = 1\nskipStory = 0\nmazeSize = 16\nmodelSource = 2\n"
                               "windowWidth = 320\nwindowHeight = 240\nhallName1 = Quick\nhallTime1 = 900\n";
    const std::string before = readFileText(settings);
    const std::string run = "cd " + folder + " && KAVERNIX_SETTINGS=" + settings +
                            " ALSOFT_CONF=alsoft.conf timeout 120 " +
                            KX_BINARY_DIR "/kavernix --timedemo 40 > out.txt 2> err.txt; echo $?";
    EXPECT_EQ(sh(run), "0\n") << readFileText(folder + "/err.txt");
    return before;
}

// The timedemo ends by itself with one line of figures, which --help names.
TEST_F(Play, TimedemoEndsWithOneLineOfFigures) {
    runTimedemo(folder);
    std::string out = readFileText(folder + "/out.txt");
    size_t last = out.rfind('\n', out.size() - 2);
    std::string line = out.substr(last == std::string::npos ? 0 : last + 1);
    double startup = 0, seconds = 0, fps = 0, slowest = 0;
    int frames = 0;
    ASSERT_EQ(sscanf(line.c_str(), "startup_ms=%lf frames=%d seconds=%lf fps=%lf slowest_ms=%lf", &startup,
                     &frames, &seconds, &fps, &slowest),
              5)
        << line;
    EXPECT_EQ(frames, 40);
    EXPECT_GT(startup, 0);
    EXPECT_NEAR(fps, (frames - 1) / seconds, 0.1 * fps);
    EXPECT_LE(slowest, seconds * 1000);
    EXPECT_EQ(sh(KX_BINARY_DIR "/kavernix --timedemo 0 2>&1 >/dev/null | head -1; " KX_BINARY_DIR
                               "/kavernix --help | grep -c startup_ms="),
              "kavernix: --timedemo: FRAMES must be a whole number from 1 to 10000000, not '0'\n1\n");
}

// The settings file (with its hall of fame) keeps every byte.
TEST_F(Play, TimedemoSavesNothing) {
    const std::string before = runTimedemo(folder);
    EXPECT_EQ(readFileText(folder + "/settings.ini"), before);
    EXPECT_FALSE(std::filesystem::exists(folder + "/data/kavernix/replays")) << "the timedemo is not recorded";
}

TEST_F(Play, TimedemoWalkIsHeard) {
    runTimedemo(folder);
    EXPECT_GT(heard().second, 0.05);
}

// The first frame is shown before the sound's and the pad's libraries are loaded: a timedemo of one
// frame loads none of them, a longer one the sound's after its first frames.
TEST_F(Play, TheFirstFrameComesBeforeTheSoundAndPadLibraries) {
    std::ofstream(folder + "/settings.ini") << "showDialog = 0\nmazeSize = 8\nmodelSource = 2\n"
                                               "windowWidth = 320\nwindowHeight = 240\n";
    const char* const libraries[] = {"libopenal.so.1", "libsndfile.so.1", "libSDL2-2.0.so.0"};
    // Seven frames end the game just as the sound's thread begins to open the device.
    for (int frames : {1, 7, 12}) {
        const std::string run = "cd " + folder + " && KAVERNIX_SETTINGS=settings.ini ALSOFT_CONF=alsoft.conf " +
                                "LD_DEBUG=files LD_DEBUG_OUTPUT=loaded timeout 120 " KX_BINARY_DIR
                                "/kavernix --timedemo " + std::to_string(frames) +
                                " > out.txt 2> err.txt; echo $?; cat loaded.*; rm -f loaded.*";
        const std::string loaded = sh(run);
        ASSERT_EQ(loaded.substr(0, 2), "0\n") << readFileText(folder + "/err.txt");
        for (const char* library : libraries) {
            const bool found = loaded.find(std::string("file=") + library) != std::string::npos;
            if (frames == 1) {
                EXPECT_FALSE(found) << library << " loaded before the first frame";
            } else if (frames == 12 && std::string(library) != "libSDL2-2.0.so.0") { // the pad's comes later still
                EXPECT_TRUE(found) << library << " not loaded after the first frame";
            }
        }
    }
}

// The timedemo walks the mine --mine names, else the classic one whatever mine the settings choose,
// and names it at the end of its line, after the fields benchmarks read; --mine-code names the same.
TEST_F(Play, TimedemoWalksTheMineOfItsOptionsAndNamesIt) {
    const std::string settings = folder + "/settings.ini";
    std::ofstream(settings) << "mazeSize = 8\nitemsPerKind = 1\ndiamondsNeeded = 1\nmodelSource = 2\n"
                               "windowWidth = 320\nwindowHeight = 240\nmine = new\n";
    const std::string game = "cd " + folder + " && KAVERNIX_SETTINGS=" + settings +
                             " ALSOFT_CONF=alsoft.conf timeout 120 " KX_BINARY_DIR "/kavernix ";
    auto lastLine = [](std::string out) {
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out.substr(out.rfind('\n') + 1);
    };
    const std::string classic = lastLine(sh(game + "--mine classic --mine-code"));
    const std::string other = lastLine(sh(game + "--mine new --mine-code"));
    ASSERT_EQ(classic.rfind("8-1-1-", 0), 0u) << classic;
    ASSERT_EQ(other.rfind("8-1-1-", 0), 0u) << other;
    ASSERT_NE(other, classic);
    const std::pair<std::string, std::string> runs[] = {{"--timedemo 5", classic},
                                                        {"--timedemo 5 --mine " + other, other},
                                                        {"--timedemo 5 --mine classic", classic}};
    for (const auto& [options, code] : runs) {
        SCOPED_TRACE(options);
        const std::string line = lastLine(sh(game + options + " 2> err.txt"));
        double startup = 0, seconds = 0, fps = 0, slowest = 0;
        int frames = 0;
        char mine[32] = "";
        EXPECT_EQ(sscanf(line.c_str(),
                         "startup_ms=%lf frames=%d seconds=%lf fps=%lf slowest_ms=%lf mine=%31s", &startup,
                         &frames, &seconds, &fps, &slowest, mine),
                  6)
            << line << "\n"
            << readFileText(folder + "/err.txt");
        EXPECT_EQ(frames, 5);
        EXPECT_EQ(mine, code) << line;
        EXPECT_EQ(line.substr(line.size() - code.size() - 6), " mine=" + code) << "the last field";
        EXPECT_EQ(sanitizerReport(), "");
        EXPECT_EQ(lastLine(sh(game + options + " --mine-code")), code) << "--mine-code names it too";
    }
}

// Keys pressed during the timedemo change nothing: the boss picture (B), the pause (P) and the
// narrower view (F9) would hang the walk, freeze its clock or store a setting.
TEST_F(Play, TimedemoIgnoresEveryKeyButEscape) {
    const std::string settings = folder + "/settings.ini";
    std::ofstream(settings) << "mazeSize = 16\nmodelSource = 2\nwindowWidth = 320\nwindowHeight = 240\n";
    const std::string before = readFileText(settings);
    const std::string run = "cd " + folder + " && KAVERNIX_SETTINGS=" + settings +
                            " ALSOFT_CONF=alsoft.conf timeout 120 " KX_BINARY_DIR "/kavernix --timedemo 400 "
                            "> out.txt 2> err.txt; echo $? > status.txt";
    std::thread demo([&] { sh(run); });
    window = sh("timeout 60 xdotool search --sync --onlyvisible --name '^Kavernix$' 2>/dev/null | head -1");
    for (const char* keys : {"key B", "key p", "keydown F9", "key B", "key p", "keyup F9", "key p"})
        xdo(keys), sleepFor(0.1);
    demo.join();
    EXPECT_FALSE(window.empty()) << "the timedemo's window never showed";
    EXPECT_EQ(readFileText(folder + "/status.txt"), "0\n") << readFileText(folder + "/err.txt");
    int frames = 0;
    const std::string out = readFileText(folder + "/out.txt");
    const size_t at = out.rfind("frames=");
    if (at != std::string::npos) frames = atoi(out.c_str() + at + 7);
    EXPECT_EQ(frames, 400) << out.substr(at == std::string::npos ? 0 : at);
    EXPECT_EQ(readFileText(settings), before) << "the narrower view was stored";
}

// Damaged art: a picture, the font strip, a model file and a definition each missing, cut short,
// garbage or empty. Each is named once on standard error with the reason while the game runs on. A
// symbolic link planted where the game writes its font is left as it is, and so is the file it
// names; a window larger than the screen is reduced in one line.
TEST_F(Play, EveryDamagedFileIsNamedOnceWhileTheGameRunsOn) {
    const char* const files[] = {"poster.tga", "fontmaze.tga", "OILCAN.001.brep.txt", "arrow.brepdef.txt"};
    const std::string victim = folder + "/victim.txt", planted = folder + "/cache/kavernix/fonttest.tga";
    std::ofstream(victim) << "not the font\n";
    ASSERT_EQ(system(("mkdir -p " + folder + "/cache/kavernix && ln -s ../../victim.txt " + planted).c_str()),
              0);
    std::string garbage;
    for (unsigned i = 0, v = 13; i < 3000; i++) garbage += char((v = v * 1103515245u + 12345u) >> 23);
    for (const char* damage : {"missing", "cut short", "garbage", "empty"}) {
        SCOPED_TRACE(damage);
        for (const char* f : files) {
            const std::string good = readFileText(std::string(KX_RUN_DIR "/") + f), path = folder + "/" + f;
            remove(path.c_str());
            if (damage[0] != 'm')
                std::ofstream(path, std::ios::binary) << (damage[0] == 'c'   ? good.substr(0, good.size() / 2)
                                                          : damage[0] == 'g' ? garbage
                                                                             : "");
        }
        ASSERT_TRUE(start("modelSource = 1\nwindowWidth = 16384\nwindowHeight = 16384\n"))
            << readFileText(folder + "/err.txt");
        sleepFor(1);
        EXPECT_TRUE(running());
        xdo("key Escape");
        EXPECT_EQ(waitExit(20), 0);
        std::istringstream err(readFileText(folder + "/err.txt"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(err, line);)
            if (line.compare(0, folder.size() + 13, folder + "/settings.ini") != 0) lines.push_back(line);
        auto naming = [&](const std::string& what) {
            return std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.find(what) != std::string::npos; });
        };
        for (const char* f : files) EXPECT_EQ(naming(f), 1) << f;
        EXPECT_EQ(naming("fonttest.tga: is a symbolic link"), 1);
        EXPECT_EQ(naming("the window 16384 x 16384 is larger than the screen"), 1);
        // The other pictures still mark the folder as the game's data.
        EXPECT_EQ(lines.size(), 6u) << readFileText(folder + "/err.txt");
        EXPECT_EQ(sanitizerReport(), "");
    }
    EXPECT_EQ(readFileText(victim), "not the font\n");
    EXPECT_EQ(sh("readlink " + planted), "../../victim.txt\n");
}

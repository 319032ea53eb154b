// The real program driven as a player would drive it, in a temporary copy of the run folder with
// its own settings file: start-up output, the window, Escape, the game-mode fallback, and one
// whole game from the story to the stored hall of fame. Needs an X display (the test suite runs
// under Xvfb), xdotool and ImageMagick.
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include "maze_example.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a shell command and returns its standard output.
std::string sh(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    pclose(p);
    return out;
}

void pause(double seconds) {
    usleep(useconds_t(seconds * 1e6));
}

class GameRun : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        if (sh("command -v xdotool").empty() || sh("command -v import").empty())
            GTEST_SKIP() << "xdotool and ImageMagick are needed";
        char dir[] = "/tmp/kx_run_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        // The run folder's data: pictures, font strips and model definitions.
        ASSERT_EQ(system(("cp -r " KX_RUN_DIR "/. " + folder).c_str()), 0);
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (!folder.empty() && !HasFailure()) system(("rm -rf " + folder).c_str());
        if (HasFailure()) printf("kept for inspection: %s\n", folder.c_str());
    }
    void settings(const std::string& text) {
        std::ofstream(folder + "/settings.ini") << "showDialog = 0\nwindowWidth = 640\nwindowHeight = 480\n"
                                                << text;
    }
    void start() {
        pid = fork();
        if (pid == 0) {
            if (chdir(folder.c_str()) != 0) _exit(120);
            setenv("KAVERNIX_SETTINGS", (folder + "/settings.ini").c_str(), 1);
            setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
            if (!freopen("out.txt", "w", stdout) || !freopen("err.txt", "w", stderr)) _exit(121);
            execl(KX_BINARY_DIR "/kavernix", "kavernix", (char*)nullptr);
            _exit(122);
        }
    }
    // The program's window, waited for up to 60 seconds; "" if it never appears.
    std::string window() {
        std::string w =
            sh("timeout 60 xdotool search --sync --onlyvisible --name '^Kavernix$' 2>/dev/null | head -1");
        while (!w.empty() && (w.back() == '\n')) w.pop_back();
        return w;
    }
    // The exit status, or -1 if the program is still running after the given time.
    int waitExit(double seconds) {
        for (int i = 0; i < int(seconds * 10); ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            pause(0.1);
        }
        return -1;
    }
    void key(const std::string& k) { sh("xdotool key " + k); }
    std::string shot(const std::string& name) {
        std::string path = folder + "/" + name + ".png";
        sh("import -window root " + path);
        return path;
    }
    double brightness(const std::string& png) {
        return atof(sh("convert " + png + " -format '%[fx:mean]' info:").c_str());
    }
    long differingPixels(const std::string& a, const std::string& b) {
        return atol(sh("compare -metric AE " + a + " " + b + " null: 2>&1").c_str());
    }
    std::string output() { return readFile(folder + "/out.txt"); }

    std::string folder;
    pid_t pid = -1;
};

} // namespace

TEST_F(GameRun, PrintsTheMazeBeforeTheWindowOpensAndEndsWithEscape) {
    // First start: models are built from their definitions (and written as text files).
    settings("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 0\n");
    start();
    ASSERT_NE(window(), "") << "no window titled Kavernix";
    key("Escape");
    EXPECT_EQ(waitExit(20), 0);
    // Read after the exit: written to a file, standard output is flushed when the program ends.
    EXPECT_NE(output().find(mazeExample::output()), std::string::npos) << "the three snapshots";
    EXPECT_FALSE(readFile(folder + "/fonttest.tga").empty()) << "the built font is written at start";

    // Second start reads the text files quietly, so the maze snapshots come first.
    settings("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 1\n");
    start();
    ASSERT_NE(window(), "");
    key("Escape");
    EXPECT_EQ(waitExit(20), 0);
    std::string out = output();
    EXPECT_EQ(out.compare(0, mazeExample::output().size(), mazeExample::output()), 0) << out.substr(0, 400);
}

TEST_F(GameRun, ARefusedGameModeSaysSoOnceAndOpensTheTitledWindow) {
    settings("mazeSize = 8\nitemsPerKind = 1\ngameModeString = 640x480:24\n");
    start();
    std::string w = window();
    ASSERT_NE(w, "") << "the fallback window";
    EXPECT_EQ(sh("xdotool getwindowname " + w), "Kavernix\n");
    key("Escape");
    EXPECT_EQ(waitExit(20), 0);
    std::string out = output();
    const std::string line = "Kavernix: game mode \"640x480:24\" refused, opening a window instead\n";
    size_t at = out.find(line);
    ASSERT_NE(at, std::string::npos) << out.substr(out.size() > 400 ? out.size() - 400 : 0);
    EXPECT_EQ(out.find(line, at + 1), std::string::npos) << "said once";
    EXPECT_LT(out.find(mazeExample::output()), at) << "the maze is printed before the display opens";
}

TEST_F(GameRun, FromTheStoryThroughTheGameToTheStoredHallOfFame) {
    // The smallest maze, no items and no diamonds needed: the horse already stands in the exit
    // cell, so walking the player to the horse (Page Down) opens the exit.
    settings("mazeSize = 4\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 0\nrunning = 1\n");
    start();
    ASSERT_NE(window(), "");
    pause(2.5); // the story fades in
    std::string story = shot("story");
    EXPECT_GT(brightness(story), 0.02) << "the story screen is not black";

    for (int i = 0; i < 8; ++i) { // each page: snap the text, then turn
        key("Return");
        pause(0.3);
    }
    pause(3); // the story fades out and the game fades in
    std::string game = shot("game");
    EXPECT_GT(differingPixels(story, game), 1000) << "the game screen replaced the story";

    sh("xdotool keydown Next");
    pause(45); // the walk, ten seconds of the door opening, the fade to the end screen
    sh("xdotool keyup Next");
    pause(1);
    std::string before = shot("end-before");
    sh("xdotool type --delay 100 Zed");
    pause(0.5);
    std::string after = shot("end-after");
    EXPECT_GT(differingPixels(before, after), 50) << "the typed name appears";
    key("Return");
    ASSERT_EQ(waitExit(15), 0) << "Enter on the end screen ends the program";

    std::string stored = readFile(folder + "/settings.ini");
    EXPECT_NE(stored.find("hallName1 = Zed\n"), std::string::npos) << stored;
    size_t at = stored.find("hallTime1 = ");
    ASSERT_NE(at, std::string::npos);
    double time = atof(stored.c_str() + at + 12);
    EXPECT_GT(time, 10);
    EXPECT_LT(time, 60);
}

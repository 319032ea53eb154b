// The real program driven as a player would drive it, in a temporary copy of the run folder with
// its own settings file. Needs an X display (the test suite runs under Xvfb) and xdotool.
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

class GameRun : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        if (sh("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is needed";
        char dir[] = "/tmp/kx_run_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        ASSERT_EQ(system(("cp -r " KX_RUN_DIR "/. " + folder).c_str()), 0);
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (!folder.empty()) system(("rm -rf " + folder).c_str());
    }
    // Starts the program with these settings; true once its window is visible (60 s at most).
    bool start(const std::string& settings) {
        std::ofstream(folder + "/settings.ini") << "showDialog = 0\nwindowWidth = 640\nwindowHeight = 480\n"
                                                << settings;
        pid = fork();
        if (pid == 0) {
            if (chdir(folder.c_str()) != 0) _exit(120);
            setenv("KAVERNIX_SETTINGS", (folder + "/settings.ini").c_str(), 1);
            setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
            if (!freopen("out.txt", "w", stdout) || !freopen("err.txt", "w", stderr)) _exit(121);
            execl(KX_BINARY_DIR "/kavernix", "kavernix", (char*)nullptr);
            _exit(122);
        }
        return !sh("timeout 60 xdotool search --sync --onlyvisible --name '^Kavernix$' 2>/dev/null").empty();
    }
    // The exit status, or -1 if the program is still running after the given time.
    int waitExit(int seconds) {
        for (int i = 0; i < seconds * 10; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(100000);
        }
        return -1;
    }
    void keys(const std::string& args, int pauseMs = 0) {
        sh("xdotool " + args);
        usleep(pauseMs * 1000);
    }

    std::string folder;
    pid_t pid = -1;
};

} // namespace

TEST_F(GameRun, PrintsTheMazeFirstAndEndsWithEscape) {
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 1\n")) << "no window titled Kavernix";
    keys("key Escape");
    EXPECT_EQ(waitExit(20), 0);
    // Read after the exit: written to a file, standard output is flushed when the program ends.
    std::string out = readFile(folder + "/out.txt");
    EXPECT_EQ(out.compare(0, mazeExample::output().size(), mazeExample::output()), 0) << out.substr(0, 400);
}

TEST_F(GameRun, FromTheStoryThroughTheGameToTheStoredHallOfFame) {
    // The smallest maze, no items and no diamonds needed: the horse already stands in the exit
    // cell, so bringing the player to the horse (Page Down) opens the exit.
    ASSERT_TRUE(start("mazeSize = 4\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 0\nrunning = 1\n"));
    usleep(2500000);                                     // the story fades in
    for (int i = 0; i < 8; ++i) keys("key Return", 300); // each page: snap the text, then turn
    usleep(3000000);                                     // the story fades out, the game fades in
    keys("keydown Next", 45000); // the walk, ten seconds of the door opening, the fade to the end
    keys("keyup Next", 1000);
    keys("type --delay 100 Zed", 500);
    keys("key Return");
    ASSERT_EQ(waitExit(15), 0) << "Enter on the end screen ends the program";
    std::string stored = readFile(folder + "/settings.ini");
    EXPECT_NE(stored.find("hallName1 = Zed\n"), std::string::npos) << stored;
    size_t at = stored.find("hallTime1 = ");
    ASSERT_NE(at, std::string::npos);
    double time = atof(stored.c_str() + at + 12);
    EXPECT_GT(time, 10) << "the door alone opens for ten seconds";
    EXPECT_LT(time, 60);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game reads its data and writes its files. The installed layout (data found beside the
// executable) is played through in the install test; here the environment's part.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include "app/paths.h"
#include "file/file.h"
#include "setup/settings_file.h"
#include "setup/setup.h"
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include "output_capture.h"

namespace {

struct PathEnv : ScratchDir {
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    void SetUp() override {
        ScratchDir::SetUp();
        setenv("HOME", dir.file("home").c_str(), 1);
        unsetenv("KAVERNIX_DATA");
        unsetenv("XDG_CACHE_HOME");
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("KAVERNIX_SETTINGS");
    }
    void TearDown() override {
        ScratchDir::TearDown();
        setenv("HOME", oldHome.c_str(), 1);
    }
    bool isPrivateFolder(const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0777) == 0700;
    }
};

TEST_F(PathEnv, DataFromOverrideElseCurrentFolderWithTheGameFiles) {
    setenv("KAVERNIX_DATA", "/opt/kx data", 1);
    pathInit();
    EXPECT_EQ(pathData("poster.tga"), "/opt/kx data/poster.tga");

    unsetenv("KAVERNIX_DATA");
    fclose(fopen("poster.tga", "w"));
    pathInit();
    EXPECT_EQ(pathDataFolder(), "");
    EXPECT_EQ(pathData("map1.tga"), "map1.tga");
}

TEST_F(PathEnv, CacheUnderXdgCacheHomeOrHomeMadePrivate) {
    setenv("XDG_CACHE_HOME", dir.file("xdg/cache").c_str(), 1);
    pathInit();
    EXPECT_EQ(pathCache("fonttest.tga"), dir.file("xdg/cache/kavernix/fonttest.tga"));
    EXPECT_TRUE(isPrivateFolder(dir.file("xdg/cache/kavernix")));

    // A relative XDG_CACHE_HOME does not count.
    setenv("XDG_CACHE_HOME", "relative", 1);
    pathInit();
    EXPECT_EQ(pathCacheFolder(), dir.file("home/.cache/kavernix"));
    EXPECT_TRUE(isPrivateFolder(dir.file("home/.cache/kavernix")));

    // Without a folder to write to, nothing names a file.
    setenv("XDG_CACHE_HOME", "/proc/kx", 1);
    pathInit();
    EXPECT_EQ(pathCache("fonttest.tga"), "");
}

// Every folder the game writes into follows one rule: an absolute XDG variable, else an absolute
// home folder, else none (never the current folder).
TEST_F(PathEnv, EveryWrittenFolderIsAbsoluteOrThereIsNone) {
    const passwd* pw = getpwuid(getuid());
    const std::string account = pw && pw->pw_dir ? pw->pw_dir : "";
    ASSERT_EQ(account[0], '/') << "the account's home folder";
    // clang-format off
    struct { const char* xdg; const char* home; int kind; std::string folder; } cases[] = {
        {"/x/config", "/h", FILE_FOLDER_CONFIG, "/x/config/kavernix"},
        {"relative", "/h", FILE_FOLDER_CONFIG, "/h/.config/kavernix"},
        {nullptr, "/h", FILE_FOLDER_CACHE, "/h/.cache/kavernix"},
        {nullptr, "/h", FILE_FOLDER_DATA, "/h/.local/share/kavernix"},
        {nullptr, "/h", FILE_FOLDER_STATE, "/h/.local/state/kavernix"},
        {"/x/state", "rel", FILE_FOLDER_STATE, "/x/state/kavernix"},
        {nullptr, "rel", FILE_FOLDER_CONFIG, ""},
        {"", ".", FILE_FOLDER_CACHE, ""},
        {nullptr, nullptr, FILE_FOLDER_CONFIG, account + "/.config/kavernix"}};
    // clang-format on
    const char* variables[] = {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << variables[c.kind] << "=" << (c.xdg ? c.xdg : "(unset)")
                                        << " HOME=" << (c.home ? c.home : "(unset)"));
        c.xdg ? setenv(variables[c.kind], c.xdg, 1) : unsetenv(variables[c.kind]);
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        EXPECT_EQ(fileUserFolder(c.kind, nullptr), c.folder);
        unsetenv(variables[c.kind]);
    }
    setenv("HOME", "rel", 1);
    EXPECT_EQ(settingsPath(), "");
    pathInit();
    EXPECT_EQ(pathCache("fonttest.tga"), "");
}

// Started in its run folder with a relative HOME, the game reads and saves no settings there, and
// says so once.
TEST_F(PathEnv, WithoutAnAbsoluteHomeNothingIsSavedInTheCurrentFolder) {
    setenv("HOME", "run", 1);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    static SettingsRecord record; // the library keeps the game's record's address
    OutputCapture said(stderr);
    setupShow(0);
    setupLoad(&record);
    record.hallTimes[0] = 12.5f, record.fieldOfView = 70;
    setupStoreScores(&record);
    setupStoreView(&record);
    pathInit();
    std::string lines = said.finish();
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator("."), {}), 0) << "written here";
    auto count = [&lines](const std::string& text) {
        size_t n = 0;
        for (size_t at = lines.find(text); at != std::string::npos; at = lines.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("XDG_CONFIG_HOME nor HOME is an absolute folder; the settings and the hall of fame are "
                    "not saved\n"),
              1u)
        << lines;
    EXPECT_EQ(count("XDG_CACHE_HOME nor HOME is an absolute folder; nothing is cached\n"), 1u) << lines;
}

} // namespace

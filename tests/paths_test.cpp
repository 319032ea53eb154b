// Where the game reads its data and writes its files. The installed layout (data found beside the
// executable) is played through in the install test; here the environment's part.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include "app/paths.h"
#include "output_capture.h"

namespace {

struct PathEnv : ScratchDir {
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    void SetUp() override {
        ScratchDir::SetUp();
        setenv("HOME", dir.file("home").c_str(), 1);
        unsetenv("KAVERNIX_DATA");
        unsetenv("XDG_CACHE_HOME");
    }
    void TearDown() override {
        ScratchDir::TearDown();
        setenv("HOME", oldHome.c_str(), 1);
        unsetenv("KAVERNIX_DATA");
        unsetenv("XDG_CACHE_HOME");
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

} // namespace

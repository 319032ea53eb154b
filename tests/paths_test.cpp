// Where the game reads its data and writes its files. The installed layout (data found beside the
// executable) is played through in the install test; here the environment's part.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include "app/paths.h"

namespace {

struct PathEnv : ::testing::Test {
    std::string dir, oldHome;
    char here[4096];
    void SetUp() override {
        char name[] = "/tmp/kx_paths_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        oldHome = getenv("HOME") ? getenv("HOME") : "";
        setenv("HOME", (dir + "/home").c_str(), 1);
        unsetenv("KAVERNIX_DATA");
        unsetenv("XDG_CACHE_HOME");
    }
    void TearDown() override {
        EXPECT_EQ(chdir(here), 0);
        setenv("HOME", oldHome.c_str(), 1);
        unsetenv("KAVERNIX_DATA");
        unsetenv("XDG_CACHE_HOME");
        EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0);
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
    setenv("XDG_CACHE_HOME", (dir + "/xdg/cache").c_str(), 1);
    pathInit();
    EXPECT_EQ(pathCache("fonttest.tga"), dir + "/xdg/cache/kavernix/fonttest.tga");
    EXPECT_TRUE(isPrivateFolder(dir + "/xdg/cache/kavernix"));

    // A relative XDG_CACHE_HOME does not count.
    setenv("XDG_CACHE_HOME", "relative", 1);
    pathInit();
    EXPECT_EQ(pathCacheFolder(), dir + "/home/.cache/kavernix");
    EXPECT_TRUE(isPrivateFolder(dir + "/home/.cache/kavernix"));

    // Without a folder to write to, nothing names a file.
    setenv("XDG_CACHE_HOME", "/proc/kx", 1);
    pathInit();
    EXPECT_EQ(pathCache("fonttest.tga"), "");
}

} // namespace

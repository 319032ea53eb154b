// SPDX-License-Identifier: GPL-3.0-or-later
// The real program as a player plays it: the fixture starts it with its own settings in a copy of
// the run folder, sends keys and pointer moves with xdotool, and reads the screen back with xwd and
// ImageMagick, to judge it pixel by pixel against the game's own pictures (lamp frame, boss,
// end-screen pictures). Needs an X display, xdotool, xwd and ImageMagick's convert. Every wait polls
// for what the player would wait for, with a time limit.
#pragma once
#include <gtest/gtest.h>
#include <sndfile.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include "output_capture.h"

inline std::string sh(const std::string& command) {
    return commandOutput(command);
}

inline void sleepFor(double seconds) {
    usleep(useconds_t(seconds * 1e6));
}

inline double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// An RGB picture, rows top to bottom; also one screenshot of the game window.
struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 3]; }
    bool has(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    bool empty() const { return px.empty(); }
};
using Shot = Rgb;

// What ImageMagick makes of the input (convert's arguments before the output), upright, 8-bit RGB.
inline Rgb readPicture(const std::string& source) {
    std::string d = sh("/usr/bin/convert " + source + " -auto-orient -depth 8 ppm:- 2>/dev/null");
    std::istringstream in(d);
    std::string magic;
    int maxval = 0;
    Rgb img;
    auto number = [&](int& v) {
        while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
        in >> v;
    };
    in >> magic;
    number(img.w), number(img.h), number(maxval);
    size_t at = size_t(in.tellg()) + 1, n = size_t(img.w) * img.h * 3;
    if (magic != "P6" || maxval != 255 || !in || at + n > d.size()) return Rgb{};
    img.px.assign(d.begin() + at, d.begin() + at + n);
    return img;
}

// The source block of a picture stretched over a w x h window that lands on window pixel (x, y),
// widened by margin window pixels on every side.
struct Block {
    int x0, y0, x1, y1;
};
inline Block sourceBlock(const Rgb& pic, int w, int h, int x, int y, int margin) {
    auto lo = [](int i, int from, int to) { return std::max(0, int(std::floor(double(i) * to / from))); };
    auto hi = [](int i, int from, int to) {
        return std::min(to, std::max(int(std::floor(double(i) * to / from)) + 1,
                                     int(std::ceil(double(i + 1) * to / from))));
    };
    return {lo(x - margin, w, pic.w), lo(y - margin, h, pic.h), hi(x + margin, w, pic.w),
            hi(y + margin, h, pic.h)};
}

// The picture box-filtered to w x h: what the game shows when it fits the picture to the window.
inline Rgb fitted(const Rgb& pic, int w, int h) {
    Rgb out;
    out.w = w;
    out.h = h;
    out.px.resize(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Block b = sourceBlock(pic, w, h, x, y, 0);
            long sum[3] = {0, 0, 0}, n = 0;
            for (int sy = b.y0; sy < b.y1; ++sy)
                for (int sx = b.x0; sx < b.x1; ++sx, ++n)
                    for (int c = 0; c < 3; ++c) sum[c] += pic.at(sx, sy)[c];
            for (int c = 0; c < 3; ++c) out.px[(size_t(y) * w + x) * 3 + c] = uint8_t(n ? sum[c] / n : 0);
        }
    return out;
}

// A set of window pixels.
using Region = std::vector<std::pair<int, int>>;

inline Region within(const Region& r, double fx0, double fx1, double fy0, double fy1, int w, int h) {
    Region out;
    for (auto& p : r)
        if (p.first >= fx0 * w && p.first < fx1 * w && p.second >= fy0 * h && p.second < fy1 * h)
            out.push_back(p);
    return out;
}

// Where the lamp frame lets the scene through (its pure white pixels) and where it surely does not,
// each kept `margin` window pixels away from the border between the two.
struct LampRegions {
    Region opening, frame;
};
inline LampRegions lampRegions(const Rgb& stencil, int w, int h, int margin) {
    LampRegions r;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Block b = sourceBlock(stencil, w, h, x, y, margin);
            bool anyWhite = false, allWhite = true;
            for (int sy = b.y0; sy < b.y1; ++sy)
                for (int sx = b.x0; sx < b.x1; ++sx) {
                    const uint8_t* p = stencil.at(sx, sy);
                    bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
                    anyWhite |= white;
                    allWhite &= white;
                }
            if (allWhite) r.opening.push_back({x, y});
            if (!anyWhite) r.frame.push_back({x, y});
        }
    return r;
}

// Pixels of the region that differ between two shots.
inline long differing(const Shot& a, const Shot& b, const Region& r) {
    long n = 0;
    for (auto& p : r)
        if (a.has(p.first, p.second) && b.has(p.first, p.second) &&
            memcmp(a.at(p.first, p.second), b.at(p.first, p.second), 3))
            ++n;
    return n;
}

// The mean of f(shot's pixel, x, y) over the region's pixels on the shot; `none` for no such pixel.
template <class F> double regionMean(const Shot& s, const Region& r, F f, double none = 0) {
    double sum = 0;
    long n = 0;
    for (auto& p : r)
        if (s.has(p.first, p.second)) sum += f(s.at(p.first, p.second), p.first, p.second), ++n;
    return n ? sum / n : none;
}

// Mean absolute channel difference between the shot and a picture of window size over a region.
inline double meanDifference(const Shot& s, const Rgb& pic, const Region& r) {
    auto difference = [&](const uint8_t* a, int x, int y) {
        const uint8_t* b = pic.at(x, y);
        return (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2])) / 3.0;
    };
    return regionMean(s, r, difference, 1e9);
}

// The share of a region's pixels that show the picture (every channel within 24).
inline double showingShare(const Shot& s, const Rgb& pic, const Region& r) {
    auto showing = [&](const uint8_t* a, int x, int y) {
        const uint8_t* b = pic.at(x, y);
        return std::abs(a[0] - b[0]) < 24 && std::abs(a[1] - b[1]) < 24 && std::abs(a[2] - b[2]) < 24 ? 1.0
                                                                                                      : 0.0;
    };
    return regionMean(s, r, showing);
}

// The share of a region's pixels for which pred holds.
inline double share(const Shot& s, const Region& r, const std::function<bool(const uint8_t*)>& pred) {
    return regionMean(s, r, [&](const uint8_t* p, int, int) { return pred(p) ? 1.0 : 0.0; });
}

inline std::string valueOf(const std::string& settings, const std::string& key) {
    std::string line;
    std::istringstream in(settings);
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 3, key + " = ") == 0) return line.substr(key.size() + 3);
    return "";
}

const int W = 640, H = 480; // the game window

inline bool pureWhite(const uint8_t* p) {
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

class Play : public ::testing::Test {
  public: // the tests' helpers drive it too
    static void SetUpTestSuite() {
        stencil = new Rgb(readPicture(KX_RUN_DIR "/stencil.tga"));
        if (stencil->empty()) return;
        lamp = new LampRegions(lampRegions(*stencil, W, H, 3));
        stencilFit = new Rgb(fitted(*stencil, W, H));
        bossFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/boss-en.tga"), W, H)); // the English game's
        wonFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/lastpic.tga"), W, H));
        doorFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/dooropen.tga"), W, H));
        lostFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/baddragon.tga"), W, H));
        whole = new Region, endRim = new Region;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                whole->push_back({x, y});
                // The end screen darkens a panel from 2 to 98 % of the width and 4 to 85 % of the height.
                if (x < 0.015 * W || x > 0.985 * W || y < 0.14 * H || y > 0.965 * H)
                    endRim->push_back({x, y});
            }
        // The first-person view: the lamp's round opening, away from the map and the counters.
        view = new Region(within(lamp->opening, 0.1, 0.7, 0.05, 0.7, W, H));
        // The overview map box (74 to 93.1 % of the width, 71.5 to 94 % of the height from below).
        mapBox = new Region(within(lamp->opening, 0.745, 0.926, 0.065, 0.28, W, H));
    }

    void SetUp() override {
        ASSERT_TRUE(getenv("DISPLAY")) << "no X display: run the tests under xvfb-run (make test)";
        for (const char* tool : {"xdotool", "xwd"})
            ASSERT_NE(sh(std::string("command -v ") + tool), "")
                << tool << " is needed: make deps installs it";
        ASSERT_FALSE(stencil->empty()) << "the run folder's lamp frame stencil.tga";
        ASSERT_GT(view->size(), 50000u);
        ASSERT_GT(mapBox->size(), 5000u);
        ASSERT_GT(lamp->frame.size(), 50000u);
        char dir[] = "/tmp/kx_play_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        ASSERT_EQ(system(("cp -r " KX_RUN_DIR "/. " + folder).c_str()), 0);
        // OpenAL renders the game's sound into a file instead of a device.
        std::ofstream(folder + "/alsoft.conf")
            << "[general]\ndrivers = wave\nchannels = stereo\n[wave]\nfile = " << folder << "/sound.wav\n";
    }
    void TearDown() override {
        for (const char* k : {"Up", "Next", "Prior", "Home"}) xdo(std::string("keyup ") + k);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (!folder.empty()) system(("rm -rf " + folder).c_str());
    }

    // Starts the program with these settings (and up to two options); true once its window is visible (60 s at most), whose
    // place on the screen is then noted.
    bool start(const std::string& settings, const char* option = nullptr, const char* option2 = nullptr) {
        std::ofstream(folder + "/settings.ini")
            << "showDialog = 0\nwindowWidth = " << W << "\nwindowHeight = " << H
            << "\nfullScreen = 0\nshadeMode = 2\ntextureMode = 2\nrunning = 1\nmouseSpeed = 5\n"
            << settings;
        pid = fork();
        if (pid == 0) {
            if (chdir(folder.c_str()) != 0) _exit(120);
            setenv("KAVERNIX_SETTINGS", (folder + "/settings.ini").c_str(), 1);
            setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
            setenv("LANGUAGE", "en", 1); // the console lines read below are the English ones
            setenv("ALSOFT_CONF", (folder + "/alsoft.conf").c_str(), 1);
            setenv("XDG_CACHE_HOME", (folder + "/cache").c_str(), 1);
            setenv("XDG_DATA_HOME", (folder + "/data").c_str(), 1);
            setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
            if (!preload.empty()) {
                setenv("LD_PRELOAD", preload.c_str(), 1);
                setenv("KX_PAD_SCRIPT", (folder + "/pad.txt").c_str(), 1);
            }
            if (!freopen("out.txt", "w", stdout) || !freopen("err.txt", "w", stderr)) _exit(121);
            execl(KX_BINARY_DIR "/kavernix", "kavernix", option, option2, (char*)nullptr);
            _exit(122);
        }
        window =
            sh("timeout 60 xdotool search --sync --onlyvisible --name '^Kavernix$' 2>/dev/null | head -1");
        while (!window.empty() && window.back() == '\n') window.pop_back();
        std::string g = window.empty() ? "" : sh("xdotool getwindowgeometry --shell " + window);
        size_t x = g.find("X="), y = g.find("Y=");
        if (x == std::string::npos || y == std::string::npos) return false;
        char geometry[64]; // the window's place on the screen, as ImageMagick writes it
        snprintf(geometry, sizeof geometry, "%dx%d%+d%+d", W, H, atoi(&g[x + 2]), atoi(&g[y + 2]));
        crop = geometry;
        return true;
    }

    // The window's part of the screen (black where it lies off the screen).
    Shot shot() {
        sh("xwd -root -silent > " + folder + "/shot.xwd");
        return readPicture("xwd:" + folder + "/shot.xwd -background black -extent " + crop);
    }

    // Screenshots until the condition holds or the time runs out; the last one is kept in `last`.
    bool pollFor(double seconds, const std::function<bool(const Shot&)>& done) {
        for (double until = now() + seconds;; sleepFor(0.2)) {
            last = shot();
            if (!last.empty() && done(last)) return true;
            if (now() > until || !running()) return false;
        }
    }

    // A shot taken once the region has shown the same for a second (a fade has finished; on a busy
    // machine two shots in a row can fall between two of the game's frames mid-fade).
    Shot settled(const Region& r, double seconds) {
        Shot previous = shot();
        double since = now();
        pollFor(seconds, [&](const Shot& s) {
            if (differing(previous, s, r) != 0) since = now();
            previous = s;
            return now() - since >= 1.0;
        });
        return last;
    }

    // Seconds of sound the program rendered and the loudest sample in them (0 to 1).
    std::pair<double, double> heard() {
        SF_INFO info = {};
        SNDFILE* f = sf_open((folder + "/sound.wav").c_str(), SFM_READ, &info);
        if (!f) return {0, 0};
        std::vector<float> s(size_t(info.frames * info.channels));
        sf_readf_float(f, s.data(), info.frames);
        sf_close(f);
        float peak = 0;
        for (float v : s) peak = std::max(peak, std::fabs(v));
        return {double(info.frames) / info.samplerate, peak};
    }

    bool running() { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

    // The exit status, or -1 when the program still runs after the given time.
    int waitExit(double seconds) {
        for (double until = now() + seconds; now() < until; sleepFor(0.1)) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
        }
        return -1;
    }

    void xdo(const std::string& args) { sh("xdotool " + args); }

    // The last run's replay (replays/last.kxr in the data folder) played again by kavernix-tool
    // replay: it reaches the recorded end, which is `end` ("won", "lost", "left"). With
    // KX_KEEP_REPLAYS set (recording tests/replays again) the file is copied there as NAME.kxr.
    void expectReplayChecks(const char* end, const std::string& name) {
        const std::string file = folder + "/data/kavernix/replays/last.kxr";
        ASSERT_TRUE(std::filesystem::exists(file)) << "no replay of the run";
        const std::string out = folder + "/replay-check.txt";
        const int status =
            system((KX_BINARY_DIR "/kavernix-tool replay '" + file + "' > '" + out + "' 2>&1").c_str());
        const std::string printed = readFileText(out);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << printed;
        EXPECT_NE(printed.find(std::string("\nend: ") + end + "\n"), std::string::npos) << printed;
        EXPECT_NE(printed.find("re-simulated: reached the recorded end"), std::string::npos) << printed;
        if (const char* keep = getenv("KX_KEEP_REPLAYS"))
            std::filesystem::copy_file(file, std::string(keep) + "/" + name + ".kxr",
                                       std::filesystem::copy_options::overwrite_existing);
    }
    // The virtual pad of the preload library (tests/pad_preload.cpp) for the next start; a build with
    // AddressSanitizer needs its runtime loaded first.
    void usePad() {
        std::string asan = sh("ldd " KX_BINARY_DIR "/kavernix | awk '/libasan/ {print $3}'");
        while (!asan.empty() && asan.back() == '\n') asan.pop_back();
        preload = (asan.empty() ? "" : asan + ":") + KX_PAD_PRELOAD;
        std::ofstream(folder + "/pad.txt").flush();
    }
    // A line for the pad's script: "down a", "up a", "axis lefty -32767", "unplug", "plug".
    void pad(const std::string& line) { std::ofstream(folder + "/pad.txt", std::ios::app) << line << "\n"; }
    void padPress(const std::string& button) {
        pad("down " + button);
        sleepFor(0.1);
        pad("up " + button);
        sleepFor(0.1);
    }
    // The pointer moved by (dx, dy) from where it is (the game brings it back to the window centre
    // once it strays from it).
    void pointerMove(int dx, int dy) {
        xdo("mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
    }

    // A picture fills the region as the game fits it to the window.
    static bool shows(const Shot& s, const Rgb& pic, const Region& r) {
        return meanDifference(s, pic, r) < 8;
    }
    // The lamp frame is in place: outside its opening the screen shows the frame picture.
    static bool lampFrameShown(const Shot& s) { return shows(s, *stencilFit, lamp->frame); }
    // The end screen, of a won or a lost run, behind its panel.
    static bool endScreenShown(const Shot& s) {
        return shows(s, *wonFit, *endRim) || shows(s, *lostFit, *endRim);
    }
    // Polls for the story screen to brighten over its poster.
    bool storyShown() {
        return pollFor(30, [](const Shot& s) {
            return share(s, *whole, [](const uint8_t* p) { return p[0] + p[1] + p[2] > 60; }) > 0.3;
        });
    }
    // Polls for the game screen: the lamp frame around the lit opening.
    bool gameShown() { return pollFor(30, lampFrameShown); }

    // What the sanitizers (in a sanitizer build) reported on the program's error output.
    std::string sanitizerReport() {
        std::string err = readFileText(folder + "/err.txt");
        for (const char* mark : {"AddressSanitizer", "runtime error", "LeakSanitizer"})
            if (err.find(mark) != std::string::npos) return err;
        return "";
    }

    inline static Rgb *stencil, *stencilFit, *bossFit, *wonFit, *lostFit, *doorFit;
    inline static LampRegions* lamp;
    inline static Region *whole, *endRim, *view, *mapBox;
    std::string folder, window, crop, preload;
    pid_t pid = -1;
    Shot last;
};

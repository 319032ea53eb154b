// SPDX-License-Identifier: GPL-3.0-or-later
// Whole games played through the real program as a player plays them: keys and pointer moves sent
// with xdotool, the screen read back with xwd and ImageMagick and judged pixel by pixel against the
// game's own pictures (lamp frame, boss, end-screen pictures). Needs an X display, xdotool, xwd and
// ImageMagick's convert. Every wait polls for what the player would wait for, with a time limit.
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
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>
#include <vector>
#include "maze_example.h"
#include "output_capture.h"

namespace {

std::string sh(const std::string& command) {
    return commandOutput(command);
}

void sleepFor(double seconds) {
    usleep(useconds_t(seconds * 1e6));
}

double now() {
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
Rgb readPicture(const std::string& source) {
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
Block sourceBlock(const Rgb& pic, int w, int h, int x, int y, int margin) {
    auto lo = [](int i, int from, int to) { return std::max(0, int(std::floor(double(i) * to / from))); };
    auto hi = [](int i, int from, int to) {
        return std::min(to, std::max(int(std::floor(double(i) * to / from)) + 1,
                                     int(std::ceil(double(i + 1) * to / from))));
    };
    return {lo(x - margin, w, pic.w), lo(y - margin, h, pic.h), hi(x + margin, w, pic.w),
            hi(y + margin, h, pic.h)};
}

// The picture box-filtered to w x h: what the game shows when it fits the picture to the window.
Rgb fitted(const Rgb& pic, int w, int h) {
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

Region within(const Region& r, double fx0, double fx1, double fy0, double fy1, int w, int h) {
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
LampRegions lampRegions(const Rgb& stencil, int w, int h, int margin) {
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
long differing(const Shot& a, const Shot& b, const Region& r) {
    long n = 0;
    for (auto& p : r)
        if (a.has(p.first, p.second) && b.has(p.first, p.second) &&
            memcmp(a.at(p.first, p.second), b.at(p.first, p.second), 3))
            ++n;
    return n;
}

// Mean absolute channel difference between the shot and a picture of window size over a region.
double meanDifference(const Shot& s, const Rgb& pic, const Region& r) {
    double sum = 0;
    long n = 0;
    for (auto& p : r) {
        if (!s.has(p.first, p.second)) continue;
        const uint8_t* a = s.at(p.first, p.second);
        const uint8_t* b = pic.at(p.first, p.second);
        for (int c = 0; c < 3; ++c) sum += std::abs(int(a[c]) - int(b[c]));
        ++n;
    }
    return n ? sum / (3.0 * n) : 1e9;
}

// The share of a region's pixels that show the picture (every channel within 24).
double showingShare(const Shot& s, const Rgb& pic, const Region& r) {
    long n = 0, hit = 0;
    for (auto& p : r) {
        if (!s.has(p.first, p.second)) continue;
        const uint8_t *a = s.at(p.first, p.second), *b = pic.at(p.first, p.second);
        ++n;
        hit += std::abs(a[0] - b[0]) < 24 && std::abs(a[1] - b[1]) < 24 && std::abs(a[2] - b[2]) < 24;
    }
    return n ? double(hit) / n : 0;
}

double share(const Shot& s, const Region& r, const std::function<bool(const uint8_t*)>& pred) {
    long n = 0, hit = 0;
    for (auto& p : r) {
        if (!s.has(p.first, p.second)) continue;
        ++n;
        if (pred(s.at(p.first, p.second))) ++hit;
    }
    return n ? double(hit) / n : 0;
}

std::string valueOf(const std::string& settings, const std::string& key) {
    std::string line;
    std::istringstream in(settings);
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 3, key + " = ") == 0) return line.substr(key.size() + 3);
    return "";
}

// The settings file's hall of fame, place by place ("name time"; a missing key is an empty place).
std::string hallOfFame(const std::string& settings) {
    std::string out;
    for (int i = 1; i <= 5; ++i) {
        std::string time = valueOf(settings, "hallTime" + std::to_string(i));
        char line[96];
        snprintf(line, sizeof line, "%s %.2f\n", valueOf(settings, "hallName" + std::to_string(i)).c_str(),
                 time.empty() ? 30000.0 : atof(time.c_str()));
        out += line;
    }
    return out;
}

const int W = 640, H = 480; // the game window

bool pureWhite(const uint8_t* p) {
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

class Play : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        stencil = new Rgb(readPicture(KX_RUN_DIR "/stencil.tga"));
        if (stencil->empty()) return;
        lamp = new LampRegions(lampRegions(*stencil, W, H, 3));
        stencilFit = new Rgb(fitted(*stencil, W, H));
        bossFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/boss.tga"), W, H));
        wonFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/lastpic.tga"), W, H));
        doorFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/dooropen.tga"), W, H));
        lostFit = new Rgb(fitted(readPicture(KX_RUN_DIR "/baddragon.tga"), W, H));
        whole = new Region, endRim = new Region;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                whole->push_back({x, y});
                // The end screen darkens a panel from 2 to 98 % of the width and 4 to 85 % of the height.
                if (x < 0.015 * W || x > 0.985 * W || y < 0.14 * H || y > 0.965 * H) endRim->push_back({x, y});
            }
        // The first-person view: the lamp's round opening, away from the map and the counters.
        view = new Region(within(lamp->opening, 0.1, 0.7, 0.05, 0.7, W, H));
        // The overview map box (74 to 93.1 % of the width, 71.5 to 94 % of the height from below).
        mapBox = new Region(within(lamp->opening, 0.745, 0.926, 0.065, 0.28, W, H));
    }

    void SetUp() override {
        ASSERT_TRUE(getenv("DISPLAY")) << "no X display: run the tests under xvfb-run (make test)";
        ASSERT_FALSE(sh("command -v xdotool").empty() || sh("command -v xwd").empty())
            << "xdotool and xwd (x11-apps) are needed: make deps installs them";
        ASSERT_FALSE(stencil->empty()) << "the run folder's lamp frame stencil.tga";
        ASSERT_TRUE(view->size() > 50000 && mapBox->size() > 5000 && lamp->frame.size() > 50000);
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

    // Starts the program with these settings; true once its window is visible (60 s at most), whose
    // place on the screen is then noted.
    bool start(const std::string& settings, const char* option = nullptr) {
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
            execl(KX_BINARY_DIR "/kavernix", "kavernix", option, (char*)nullptr);
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

    // A shot taken once the region shows the same in two shots in a row (a fade has finished).
    Shot settled(const Region& r, double seconds) {
        Shot previous = shot();
        pollFor(seconds, [&](const Shot& s) {
            bool same = differing(previous, s, r) == 0;
            previous = s;
            return same;
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
    bool lampFrameShown(const Shot& s) { return shows(s, *stencilFit, lamp->frame); }

    // What the sanitizers (in a sanitizer build) reported on the program's error output.
    std::string sanitizerReport() {
        std::string err = readFileText(folder + "/err.txt");
        for (const char* mark : {"AddressSanitizer", "runtime error", "LeakSanitizer"})
            if (err.find(mark) != std::string::npos) return err;
        return "";
    }

    static Rgb *stencil, *stencilFit, *bossFit, *wonFit, *lostFit, *doorFit;
    static LampRegions* lamp;
    static Region *whole, *endRim, *view, *mapBox;
    std::string folder, window, crop, preload;
    pid_t pid = -1;
    Shot last;
};

Rgb *Play::stencil, *Play::stencilFit, *Play::bossFit, *Play::wonFit, *Play::lostFit, *Play::doorFit;
LampRegions* Play::lamp;
Region *Play::whole, *Play::endRim, *Play::view, *Play::mapBox;

} // namespace

// The known maze's three snapshots come first on standard output; Escape ends the program at once.
TEST_F(Play, PrintsTheMazeFirstAndEndsWithEscape) {
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 1\n")) << "no window titled Kavernix";
    xdo("key Escape");
    EXPECT_EQ(waitExit(20), 0);
    std::string out = readFileText(folder + "/out.txt"); // standard output is flushed at the exit
    EXPECT_EQ(out.compare(0, mazeExample::output().size(), mazeExample::output()), 0) << out.substr(0, 400);
    EXPECT_EQ(sanitizerReport(), "");
}

// SDL's controller support takes no signals: Ctrl+C (SIGINT) and SIGTERM end the game as they would
// without it.
TEST_F(Play, InterruptAndTerminateEndTheGame) {
    for (int sig : {SIGINT, SIGTERM}) {
        ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 1\nmodelSource = 1\nskipStory = 1\n")) << sig;
        sleepFor(0.5);
        kill(pid, sig);
        EXPECT_EQ(waitExit(20), 128 + sig) << "signal " << sig;
        if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0), pid = -1;
    }
}

// The timedemo walks without a dialog or story, ends by itself with one line of figures, and
// saves nothing: the settings file (with its hall of fame) keeps every byte.
TEST_F(Play, TimedemoPrintsItsFiguresAndSavesNothing) {
    const std::string settings = folder + "/settings.ini";
    std::ofstream(settings) << "showDialog = 1\nskipStory = 0\nmazeSize = 16\nmodelSource = 2\n"
                               "windowWidth = 320\nwindowHeight = 240\nhallName1 = Quick\nhallTime1 = 900\n";
    const std::string before = readFileText(settings);
    const std::string run = "cd " + folder + " && KAVERNIX_SETTINGS=" + settings +
                            " ALSOFT_CONF=alsoft.conf timeout 120 " +
                            KX_BINARY_DIR "/kavernix --timedemo 40 > out.txt 2> err.txt; echo $?";
    EXPECT_EQ(sh(run), "0\n") << readFileText(folder + "/err.txt");
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
    EXPECT_EQ(readFileText(settings), before);
    EXPECT_GT(heard().second, 0.05) << "the walk is heard";
    EXPECT_EQ(sh(KX_BINARY_DIR "/kavernix --timedemo 0 2>&1 >/dev/null | head -1; " KX_BINARY_DIR
                               "/kavernix --help | grep -c startup_ms="),
              "kavernix: --timedemo: FRAMES must be a whole number from 1 to 10000000, not '0'\n1\n");
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
// garbage or empty. Each is named once on standard error with the reason and the game runs on. A
// symbolic link planted where the game writes its font is left as it is, and so is the file it
// names; a window larger than the screen is reduced in one line.
TEST_F(Play, DamagedArtIsNamedOnceAndTheGameRunsOn) {
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

// A mine of size 8 with three items of each kind, all three diamonds needed: the exit path picks
// them up, and the player and the unfed horse walk out together.
TEST_F(Play, WonFromTheStoryThroughTheMineToTheHallOfFame) {
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 3\ndiamondsNeeded = 3\nfullLevel = 1\nskipStory = 0\n"
                      "modelSource = 2\nhallName1 = Slow\nhallTime1 = 29000\n"));

    // The story fades in over its poster; Enter snaps each page's text, then turns the page.
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) {
        return share(s, *whole, [](const uint8_t* p) { return p[0] + p[1] + p[2] > 60; }) > 0.3;
    })) << "the story screen never brightened";
    Shot story = last;
    for (int i = 0; i < 8; ++i) xdo("key Return"), sleepFor(0.15);
    // After the fade the game shows: the lamp frame around the lit opening.
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) { return lampFrameShown(s); }))
        << "no lamp frame after the story";
    EXPECT_GT(differing(story, last, *whole), W * H / 2) << "the story screen was replaced";
    Shot standing = settled(*mapBox, 10); // the game's fade-in has finished
    EXPECT_TRUE(lampFrameShown(standing));
    EXPECT_GT(meanDifference(standing, *stencilFit, *view), 20) << "the scene shows inside the opening";
    sleepFor(0.5);
    Shot stillStanding = shot();
    EXPECT_LT(differing(standing, stillStanding, *view), 5000) << "only the items in sight turn";
    EXPECT_EQ(differing(standing, stillStanding, *mapBox), 0);

    // Holding Up walks: the view inside the opening changes, the frame outside it stays.
    xdo("keydown Up");
    bool walked = pollFor(10, [&](const Shot& s) { return differing(standing, s, *view) > 5000; });
    xdo("keyup Up");
    EXPECT_TRUE(walked) << "holding Up did not change the view";
    Shot walkedShot = last;
    EXPECT_EQ(differing(standing, walkedShot, lamp->frame), 0) << "the lamp frame outside the opening stays";
    EXPECT_TRUE(lampFrameShown(walkedShot));

    // The pointer moved to the right turns the player, and the map turns with it.
    sleepFor(0.3);
    Shot beforeTurn = shot();
    bool turned = false;
    for (int i = 0; i < 10 && !turned; ++i) {
        pointerMove(60, 0);
        sleepFor(0.2);
        turned = pollFor(1, [&](const Shot& s) { return differing(beforeTurn, s, *mapBox) > 300; });
    }
    EXPECT_TRUE(turned) << "the map did not turn with the pointer";
    EXPECT_EQ(differing(beforeTurn, last, lamp->frame), 0);

    // P pauses: the glass's middle says so on a dark ground, and nothing more is drawn, even with
    // Up held; after P again Up walks.
    Shot beforePause = shot();
    xdo("key p");
    sleepFor(0.4);
    Shot paused = shot();
    const Region glassMiddle = within(lamp->opening, 0.3, 0.6, 0.3, 0.55, W, H);
    EXPECT_GT(differing(beforePause, paused, glassMiddle), 8000) << "no pause hint";
    EXPECT_GT(share(paused, glassMiddle, [](const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }),
              0.03)
        << "the hint's letters are light";
    xdo("keydown Up");
    sleepFor(1);
    Shot stillPaused = shot();
    xdo("keyup Up");
    EXPECT_EQ(differing(paused, stillPaused, *whole), 0) << "the screen changed during the pause";
    xdo("key p");
    xdo("keydown Up");
    EXPECT_TRUE(pollFor(10, [&](const Shot& s) { return differing(paused, s, *view) > 5000; }))
        << "the game did not go on after the second P: Up does not walk";
    xdo("keyup Up");

    // B shows the boss picture over the whole window and halts; B again brings the game back.
    xdo("key B");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return shows(s, *bossFit, *whole); })) << "no boss picture";
    xdo("key B");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return lampFrameShown(s); }))
        << "the game did not come back after the boss picture";

    // S to wireframe: every frame clears and redraws the lamp frame, so the scene's lines stand on
    // the opening's white; two more S: smooth shading again.
    Shot smooth = shot();
    EXPECT_LT(share(smooth, *view, pureWhite), 0.01);
    xdo("key s");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return share(s, *view, pureWhite) > 0.3; }))
        << "no wireframe";
    EXPECT_GT(differing(smooth, last, *view), 5000);
    EXPECT_TRUE(lampFrameShown(last)) << "the frame is redrawn in every wireframe frame";
    xdo("key s");
    xdo("key s");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return share(s, *view, pureWhite) < 0.01; }));

    // Page Up calls the horse, Home lets both walk out collecting the diamonds on the way; the exit
    // opens and the game fades to the end screen, which shows the winner's picture behind its panel.
    xdo("keydown Prior");
    sleepFor(1);
    xdo("keyup Prior");
    xdo("keydown Home");
    // While the door opens the eye stays outside the horse and looks at the door: in its last
    // seconds the glass shows the daylight beyond it.
    double daylight = 0;
    bool ended = pollFor(200, [&](const Shot& s) {
        daylight = std::max(daylight, showingShare(s, *doorFit, *view));
        return shows(s, *wonFit, *endRim) || shows(s, *lostFit, *endRim);
    });
    xdo("keyup Home");
    ASSERT_TRUE(ended) << "no end screen";
    EXPECT_GT(daylight, 0.5) << "the open door's daylight was never seen";
    EXPECT_TRUE(shows(last, *wonFit, *endRim)) << "the end screen judges the run as won";
    Shot endShot = settled(*whole, 10); // the end screen's fade-in has finished
    xdo("type --delay 60 Zed");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return differing(endShot, s, *whole) > 50; }))
        << "the typed name appears in the list";
    xdo("key Return");
    ASSERT_EQ(waitExit(20), 0) << "Enter on the end screen ends the program";

    std::string stored = readFileText(folder + "/settings.ini");
    EXPECT_EQ(valueOf(stored, "hallName1"), "Zed") << stored;
    double time = atof(valueOf(stored, "hallTime1").c_str());
    EXPECT_GT(time, 5);
    EXPECT_LT(time, 29000) << "the run took the first place";
    EXPECT_EQ(valueOf(stored, "hallName2"), "Slow");
    EXPECT_EQ(valueOf(stored, "hallTime2"), "29000");
    auto [seconds, peak] = heard();
    EXPECT_TRUE(seconds > time && peak > 0.05) << "the run was heard: " << seconds << " s, peak " << peak;
    EXPECT_EQ(sanitizerReport(), "");
}

// The clock of a saved run, from its "time = " line (the bits of a float); -1 without a save.
static float savedTime(const std::string& path) {
    std::string text = readFileText(path);
    size_t at = text.find("\ntime = ");
    if (at == std::string::npos) return -1;
    uint32_t bits = uint32_t(strtoul(text.c_str() + at + 8, nullptr, 16));
    float t;
    memcpy(&t, &bits, 4);
    return t;
}

// Escape in the game keeps the run; --continue goes on with it where it was left (the map shows the
// same place), takes the save, and the next Escape keeps the longer time.
TEST_F(Play, EscapeKeepsTheRunAndContinueGoesOnWithIt) {
    const std::string settings = "mazeSize = 8\nitemsPerKind = 1\nskipStory = 1\nmodelSource = 1\n";
    const std::string save = folder + "/state/kavernix/run.ini";
    ASSERT_TRUE(start(settings)) << "no window titled Kavernix";
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) { return lampFrameShown(s); })) << "no lamp frame";
    Shot atStart = settled(*mapBox, 10);
    xdo("keydown Up");
    bool walked = pollFor(10, [&](const Shot& s) { return differing(atStart, s, *mapBox) > 50; });
    xdo("keyup Up");
    ASSERT_TRUE(walked) << "holding Up did not move the player on the map";
    Shot left = settled(*mapBox, 10);
    xdo("key Escape");
    ASSERT_EQ(waitExit(20), 0);
    const float firstTime = savedTime(save);
    EXPECT_GT(firstTime, 0.5f) << "Escape in the game keeps the run";

    ASSERT_TRUE(start(settings, "--continue")) << "no window titled Kavernix";
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) { return lampFrameShown(s); })) << "no lamp frame";
    Shot resumed = settled(*mapBox, 10);
    EXPECT_LT(differing(left, resumed, *mapBox), 20) << "the map shows the place where the run was left";
    EXPECT_GT(differing(atStart, resumed, *mapBox), 50);
    EXPECT_EQ(savedTime(save), -1) << "a continued save is taken";
    sleepFor(1);
    xdo("key Escape");
    ASSERT_EQ(waitExit(20), 0);
    EXPECT_GT(savedTime(save), firstTime + 0.5f) << "the continued run goes on with its time";
    const std::string err = readFileText(folder + "/err.txt");
    EXPECT_EQ(err.find("fresh game"), std::string::npos) << err;
    EXPECT_EQ(sanitizerReport(), "");
}

// The pad alone plays a whole game: A turns the story's pages, X calls the horse, the left shoulder
// walks both out; unplugging the pad pauses the game and Start on the pad plugged in again resumes it;
// the name goes in with the d-pad and A stores it.
TEST_F(Play, ThePadAlonePlaysToTheHallOfFame) {
    usePad();
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 3\ndiamondsNeeded = 3\nfullLevel = 1\nskipStory = 0\n"
                      "modelSource = 2\nhallName1 = Slow\nhallTime1 = 29000\n"));
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) {
        return share(s, *whole, [](const uint8_t* p) { return p[0] + p[1] + p[2] > 60; }) > 0.3;
    })) << "the story screen never brightened";
    for (int i = 0; i < 8; ++i) padPress("a");
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) { return lampFrameShown(s); }))
        << "A did not lead through the story: " << readFileText(folder + "/err.txt");
    Shot standing = settled(*mapBox, 10);

    // Unplugged, the game pauses: the left shoulder walks nowhere; plugged in again, Start resumes.
    pad("unplug");
    sleepFor(0.5);
    pad("down leftshoulder");
    sleepFor(1);
    Shot paused = shot();
    sleepFor(0.5);
    EXPECT_EQ(differing(paused, shot(), *view), 0) << "the game went on without its pad";
    pad("plug");
    sleepFor(0.5);
    pad("down leftshoulder");
    sleepFor(1);
    EXPECT_EQ(differing(paused, shot(), *view), 0) << "only Start resumes";
    padPress("start");
    pad("down leftshoulder");
    EXPECT_TRUE(pollFor(10, [&](const Shot& s) { return differing(paused, s, *view) > 5000; }))
        << "Start did not resume the game";
    pad("up leftshoulder");

    // The horse comes (X), then both walk out (left shoulder held) to the end screen.
    pad("down x");
    sleepFor(1);
    pad("up x");
    pad("down leftshoulder");
    bool ended = pollFor(
        200, [&](const Shot& s) { return shows(s, *wonFit, *endRim) || shows(s, *lostFit, *endRim); });
    pad("up leftshoulder");
    ASSERT_TRUE(ended) << "no end screen";
    EXPECT_TRUE(shows(last, *wonFit, *endRim)) << "the end screen judges the run as won";
    settled(*whole, 10);
    for (const char* b : {"dpup", "dpright", "dpup", "dpup", "dpright", "dpdown", "b", "a"}) padPress(b);
    ASSERT_EQ(waitExit(20), 0) << "A on the end screen stores the name and ends the program";
    std::string stored = readFileText(folder + "/settings.ini");
    EXPECT_EQ(valueOf(stored, "hallName1"), "AB") << stored;
    EXPECT_EQ(valueOf(stored, "hallName2"), "Slow");
    EXPECT_EQ(sanitizerReport(), "");
}

// Size 8: walking to the horse (Page Down) ends facing it half a cell away, far from the exit; a ride
// on the spot; the arrow shot from behind the horse hits it.
TEST_F(Play, ShootingTheHorseLosesAndLeavesTheHallOfFameAlone) {
    ASSERT_TRUE(start("mazeSize = 8\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 1\nmodelSource = 1\n"
                      "hallName1 = Ada\nhallTime1 = 61.5\nhallName2 = Bea\nhallTime2 = 75.25\n"));
    ASSERT_TRUE(pollFor(30, [&](const Shot& s) { return lampFrameShown(s); })) << "no lamp frame";
    Shot atStart = settled(*view, 10);
    std::string hallBefore = hallOfFame(readFileText(folder + "/settings.ini"));

    // The player walks the route to the horse and stops in its cell; the map stands still then (for
    // four shots in a row: on a busy machine two shots may fall into one slow frame).
    xdo("keydown Next");
    Shot previous = atStart;
    int stillShots = 0;
    bool arrived = pollFor(60, [&](const Shot& s) {
        bool still = differing(previous, s, *mapBox) == 0 && differing(atStart, s, *mapBox) > 300;
        stillShots = still ? stillShots + 1 : 0;
        previous = s;
        return stillShots >= 3;
    });
    xdo("keyup Next");
    ASSERT_TRUE(arrived) << "the player never reached the horse";

    // The horse is straight ahead on the map: its blue square just above the centre.
    long n = 0;
    double sx = 0, sy = 0;
    for (auto& p : *mapBox) {
        const uint8_t* c = last.at(p.first, p.second);
        if (c[2] > 30 && c[0] < 12 && c[1] < 12) ++n, sx += p.first, sy += p.second;
    }
    ASSERT_GT(n, 20) << "no horse on the map";
    double cx = 0.83 * W, cy = H - 0.82 * H;
    EXPECT_NEAR(sx / n, cx, 3) << "the horse is not straight ahead";
    EXPECT_LT(sy / n, cy) << "the horse is ahead, not behind";
    EXPECT_GT(sy / n, cy - 20) << "the horse is within a cell";

    // H: the player gets on, and the player's square covers the horse's on the map; H again: off
    // behind the horse, which shows ahead again.
    auto horsePixels = [&](const Shot& s) {
        long count = 0;
        for (auto& p : *mapBox) {
            const uint8_t* c = s.at(p.first, p.second);
            count += c[2] > 30 && c[0] < 12 && c[1] < 12;
        }
        return count;
    };
    xdo("key h");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return horsePixels(s) < 5; })) << "not on horseback";
    xdo("key h");
    EXPECT_TRUE(pollFor(5, [&](const Shot& s) { return horsePixels(s) > 20; })) << "not off the horse";

    // A level shot meets the horse; a miss explodes on the rock, so shoot again.
    bool lost = false;
    for (int attempt = 0; attempt < 3 && !lost; ++attempt) {
        xdo("click 1");
        lost = pollFor(6, [&](const Shot& s) { return !lampFrameShown(s); });
    }
    ASSERT_TRUE(lost) << "the arrow never hit the horse";
    ASSERT_TRUE(pollFor(15, [&](const Shot& s) { return shows(s, *lostFit, *endRim); }))
        << "no end screen with the dragon picture of a lost game";
    Shot endShot = settled(*whole, 10);
    EXPECT_FALSE(shows(endShot, *wonFit, *endRim));

    // A lost run gets no place: typing changes nothing and Enter stores the hall of fame as it was.
    xdo("type --delay 60 Bob");
    sleepFor(0.5);
    EXPECT_EQ(differing(endShot, shot(), *whole), 0) << "no name entry for a lost run";
    xdo("key Return");
    ASSERT_EQ(waitExit(20), 0);
    std::string stored = readFileText(folder + "/settings.ini");
    EXPECT_EQ(hallOfFame(stored), hallBefore);
    EXPECT_EQ(stored.find("Bob"), std::string::npos);
    EXPECT_EQ(sanitizerReport(), "");
}

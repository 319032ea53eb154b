// Two whole games played through the real program as a player plays them: keys and pointer moves
// sent with xdotool, the screen read back with xwd and judged pixel by pixel against the game's own
// pictures (lamp frame, boss, end-screen pictures). One game is won (story, lamp, walking, map,
// pause, boss picture, wireframe, horse and both walking out, hall of fame), the other is lost by
// shooting the horse. Every wait polls for what the player would wait for, with a time limit.
//
// Needs an X display (the suite runs under Xvfb), xdotool, xwd and ImageMagick (for PNG copies).
// KX_PLAY_SHOTS=<folder>: every screenshot a check rests on is also written there as PNG.
#include <gtest/gtest.h>
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
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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

void sleepFor(double seconds) {
    usleep(useconds_t(seconds * 1e6));
}

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// An RGB picture, rows top to bottom.
struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 3]; }
    bool empty() const { return px.empty(); }
};

uint32_t be32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}

int maskShift(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++s;
    return s;
}

// A 24- or 32-bit TrueColor X window dump as xwd writes it.
Rgb readXwd(const std::string& data) {
    Rgb img;
    if (data.size() < 100) return img;
    uint32_t headerSize = be32(data, 0), width = be32(data, 16), height = be32(data, 20);
    uint32_t byteOrder = be32(data, 28), bitsPerPixel = be32(data, 44), bytesPerLine = be32(data, 48);
    uint32_t redMask = be32(data, 56), greenMask = be32(data, 60), blueMask = be32(data, 64);
    uint32_t colours = be32(data, 76);
    size_t start = size_t(headerSize) + size_t(colours) * 12;
    if ((bitsPerPixel != 32 && bitsPerPixel != 24) || width > 8192 || height > 8192 ||
        start + size_t(bytesPerLine) * height > data.size())
        return img;
    img.w = int(width);
    img.h = int(height);
    img.px.resize(size_t(width) * height * 3);
    int bytes = int(bitsPerPixel / 8);
    int rs = maskShift(redMask), gs = maskShift(greenMask), bs = maskShift(blueMask);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = reinterpret_cast<const uint8_t*>(data.data()) + start + size_t(y) * bytesPerLine;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + x * bytes;
            uint32_t v = 0;
            for (int b = 0; b < bytes; ++b) v |= uint32_t(p[byteOrder == 0 ? b : bytes - 1 - b]) << (8 * b);
            uint8_t* o = &img.px[(size_t(y) * width + x) * 3];
            o[0] = uint8_t((v & redMask) >> rs);
            o[1] = uint8_t((v & greenMask) >> gs);
            o[2] = uint8_t((v & blueMask) >> bs);
        }
    }
    return img;
}

// An uncompressed 24/32-bit TGA (one of the game's full-window pictures), rows top to bottom.
Rgb readTga(const std::string& path) {
    Rgb img;
    std::string d = readFile(path);
    if (d.size() < 18 || d[2] != 2) return img;
    auto u8 = [&](size_t i) { return unsigned(uint8_t(d[i])); };
    int w = int(u8(12) | u8(13) << 8), h = int(u8(14) | u8(15) << 8), bytes = int(u8(16)) / 8;
    bool topDown = u8(17) & 0x20;
    size_t start = 18 + u8(0);
    if ((bytes != 3 && bytes != 4) || start + size_t(w) * h * bytes > d.size()) return img;
    img.w = w;
    img.h = h;
    img.px.resize(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        int stored = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            size_t s = start + (size_t(stored) * w + x) * bytes;
            uint8_t* o = &img.px[(size_t(y) * w + x) * 3];
            o[0] = uint8_t(d[s + 2]), o[1] = uint8_t(d[s + 1]), o[2] = uint8_t(d[s]);
        }
    }
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

// One screenshot of the game window (the part of it on the screen).
struct Shot {
    Rgb screen;
    int wx = 0, wy = 0; // the window's top left corner on the screen
    std::string name;

    bool has(int x, int y) const {
        int sx = x + wx, sy = y + wy;
        return sx >= 0 && sy >= 0 && sx < screen.w && sy < screen.h;
    }
    const uint8_t* at(int x, int y) const { return screen.at(x + wx, y + wy); }
};

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

class Play : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        stencil = new Rgb(readTga(KX_RUN_DIR "/stencil.tga"));
        if (stencil->empty()) return;
        lamp = new LampRegions(lampRegions(*stencil, W, H, 3));
        stencilFit = new Rgb(fitted(*stencil, W, H));
        bossFit = new Rgb(fitted(readTga(KX_RUN_DIR "/boss.tga"), W, H));
        wonFit = new Rgb(fitted(readTga(KX_RUN_DIR "/lastpic.tga"), W, H));
        lostFit = new Rgb(fitted(readTga(KX_RUN_DIR "/baddragon.tga"), W, H));
        Region all;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) all.push_back({x, y});
        whole = new Region(all);
        // The end screen darkens a panel from 5 to 95 % of the width and 15 to 85 % of the height.
        Region rim;
        for (auto& p : all)
            if (p.first < 0.04 * W || p.first > 0.96 * W || p.second < 0.14 * H || p.second > 0.86 * H)
                rim.push_back(p);
        endRim = new Region(rim);
        // The first-person view: the lamp's round opening, away from the map and the counters.
        view = new Region(within(lamp->opening, 0.1, 0.7, 0.05, 0.7, W, H));
        // The overview map box (74 to 93.1 % of the width, 71.5 to 94 % of the height from below).
        mapBox = new Region(within(lamp->opening, 0.745, 0.926, 0.065, 0.28, W, H));
        const char* keep = getenv("KX_PLAY_SHOTS");
        if (keep && *keep) {
            std::ofstream out(std::string(keep) + "/expected-frame.ppm", std::ios::binary);
            out << "P6\n" << W << " " << H << "\n255\n";
            out.write(reinterpret_cast<const char*>(stencilFit->px.data()),
                      std::streamsize(stencilFit->px.size()));
        }
    }

    void SetUp() override {
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        if (sh("command -v xdotool").empty() || sh("command -v xwd").empty())
            GTEST_SKIP() << "xdotool and xwd are needed";
        ASSERT_FALSE(stencil->empty()) << "the run folder's lamp frame stencil.tga";
        ASSERT_GT(view->size(), 50000u);
        ASSERT_GT(mapBox->size(), 5000u);
        ASSERT_GT(lamp->frame.size(), 50000u);
        char dir[] = "/tmp/kx_play_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        ASSERT_EQ(system(("cp -r " KX_RUN_DIR "/. " + folder).c_str()), 0);
        const char* keep = getenv("KX_PLAY_SHOTS");
        if (keep && *keep) shotFolder = keep;
    }
    void TearDown() override {
        for (const char* k : {"Up", "Next", "Prior", "Home"}) sh(std::string("xdotool keyup ") + k);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (HasFailure())
            printf("kept for inspection: %s\n", folder.c_str());
        else if (!folder.empty())
            system(("rm -rf " + folder).c_str());
    }

    void settings(const std::string& text) {
        std::ofstream(folder + "/settings.ini")
            << "showDialog = 0\nwindowWidth = " << W << "\nwindowHeight = " << H
            << "\nfullScreen = 0\nshadeMode = 2\ntextureMode = 2\nrunning = 1\nmouseSpeed = 5\n"
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
        started = now();
    }

    // Waits up to 60 seconds for the window and notes where it lies on the screen.
    bool findWindow() {
        window =
            sh("timeout 60 xdotool search --sync --onlyvisible --name '^Kavernix$' 2>/dev/null | head -1");
        while (!window.empty() && window.back() == '\n') window.pop_back();
        if (window.empty()) return false;
        std::string g = sh("xdotool getwindowgeometry --shell " + window);
        size_t x = g.find("X="), y = g.find("Y=");
        if (x == std::string::npos || y == std::string::npos) return false;
        wx = atoi(g.c_str() + x + 2);
        wy = atoi(g.c_str() + y + 2);
        printf("window %s at %d,%d after %.1f s\n", window.c_str(), wx, wy, now() - started);
        return true;
    }

    Shot shot(const std::string& name) {
        Shot s;
        s.name = name;
        s.wx = wx;
        s.wy = wy;
        std::string file = folder + "/shot.xwd";
        sh("xwd -root -silent > " + file);
        s.screen = readXwd(readFile(file));
        if (!shotFolder.empty())
            sh("/usr/bin/convert xwd:" + file + " -crop " + std::to_string(W) + "x" + std::to_string(H) +
               "+" + std::to_string(std::max(0, wx)) + "+" + std::to_string(std::max(0, wy)) + " +repage " +
               shotFolder + "/" + name + ".png");
        return s;
    }

    // Screenshots until the condition holds or the time runs out; the last one is kept in `last`.
    bool pollFor(const std::string& name, double seconds, const std::function<bool(const Shot&)>& done) {
        double until = now() + seconds;
        for (;;) {
            last = shot(name);
            if (!last.screen.empty() && done(last)) return true;
            if (now() > until || !running()) return false;
            sleepFor(0.2);
        }
    }

    // A shot taken once the region shows the same in two shots in a row (a fade has finished),
    // waiting up to the given time.
    Shot settled(const std::string& name, const Region& r, double seconds) {
        Shot previous = shot(name);
        pollFor(name, seconds, [&](const Shot& s) {
            bool same = differing(previous, s, r) == 0;
            previous = s;
            return same;
        });
        return last;
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

    void key(const std::string& k) { sh("xdotool key " + k); }
    void keyDown(const std::string& k) { sh("xdotool keydown " + k); }
    void keyUp(const std::string& k) { sh("xdotool keyup " + k); }
    // The pointer moved by (dx, dy) from the window centre, where the game keeps it.
    void pointerMove(int dx, int dy) {
        sh("xdotool mousemove --window " + window + " " + std::to_string(W / 2 + dx) + " " +
           std::to_string(H / 2 + dy));
    }

    // The lamp frame is in place: outside its opening the screen shows the frame picture.
    bool lampFrameShown(const Shot& s) { return meanDifference(s, *stencilFit, lamp->frame) < 8; }
    // A picture fills the window as the game fits it.
    static bool shows(const Shot& s, const Rgb& pic, const Region& r) {
        return meanDifference(s, pic, r) < 8;
    }

    // What the sanitizers (in a sanitizer build) reported on the program's error output.
    std::string sanitizerReport() {
        std::string err = readFile(folder + "/err.txt");
        for (const char* mark : {"AddressSanitizer", "runtime error", "LeakSanitizer"})
            if (err.find(mark) != std::string::npos) return err;
        return "";
    }

    static Rgb *stencil, *stencilFit, *bossFit, *wonFit, *lostFit;
    static LampRegions* lamp;
    static Region *whole, *endRim, *view, *mapBox;

    std::string folder, shotFolder, window;
    pid_t pid = -1;
    int wx = 0, wy = 0;
    double started = 0;
    Shot last;
};

Rgb *Play::stencil, *Play::stencilFit, *Play::bossFit, *Play::wonFit, *Play::lostFit;
LampRegions* Play::lamp;
Region *Play::whole, *Play::endRim, *Play::view, *Play::mapBox;

bool pureWhite(const uint8_t* p) {
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

} // namespace

// The smallest mine (size 4, no items, no diamonds needed) starts with the horse in the exit cell.
TEST_F(Play, WonFromTheStoryThroughTheMineToTheHallOfFame) {
    settings("mazeSize = 4\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 0\nmodelSource = 2\n"
             "hallName1 = Slow\nhallTime1 = 29000\n");
    start();
    ASSERT_TRUE(findWindow()) << "no window titled Kavernix";

    // The story fades in over its poster; Enter snaps each page's text, then turns the page.
    ASSERT_TRUE(pollFor("story", 30, [&](const Shot& s) {
        return share(s, *whole, [](const uint8_t* p) { return p[0] + p[1] + p[2] > 60; }) > 0.3;
    })) << "the story screen never brightened";
    Shot story = last;
    for (int i = 0; i < 8; ++i) {
        key("Return");
        sleepFor(0.15);
    }
    // After the fade the game shows: the lamp frame around the lit opening.
    ASSERT_TRUE(pollFor("game", 30, [&](const Shot& s) { return lampFrameShown(s); }))
        << "no lamp frame after the story; mean difference "
        << meanDifference(last, *stencilFit, lamp->frame);
    EXPECT_GT(differing(story, last, *whole), W * H / 2) << "the story screen was replaced";
    Shot standing = settled("standing", *view, 10); // the game's fade-in has finished
    EXPECT_TRUE(lampFrameShown(standing));
    EXPECT_GT(meanDifference(standing, *stencilFit, *view), 20) << "the scene shows inside the opening";
    sleepFor(0.5);
    Shot stillStanding = shot("still-standing");
    EXPECT_EQ(differing(standing, stillStanding, *view), 0) << "nothing moves while the player stands";
    EXPECT_EQ(differing(standing, stillStanding, *mapBox), 0);

    // Holding Up walks: the view inside the opening changes, the frame outside it stays.
    keyDown("Up");
    bool walked = pollFor("walking", 10, [&](const Shot& s) { return differing(standing, s, *view) > 5000; });
    keyUp("Up");
    EXPECT_TRUE(walked) << "holding Up did not change the view";
    Shot walkedShot = last;
    EXPECT_EQ(differing(standing, walkedShot, lamp->frame), 0) << "the lamp frame outside the opening stays";
    EXPECT_TRUE(lampFrameShown(walkedShot));

    // The pointer moved to the right turns the player, and the map turns with it.
    sleepFor(0.3);
    Shot beforeTurn = shot("before-turn");
    bool turned = false;
    for (int i = 0; i < 10 && !turned; ++i) {
        pointerMove(60, 0);
        sleepFor(0.2);
        turned = pollFor("turned", 1, [&](const Shot& s) { return differing(beforeTurn, s, *mapBox) > 300; });
    }
    EXPECT_TRUE(turned) << "the map did not turn with the pointer";
    EXPECT_EQ(differing(beforeTurn, last, lamp->frame), 0);

    // P pauses: nothing is drawn, even with Up held; after P again Up walks.
    key("p");
    sleepFor(0.4);
    Shot paused = shot("paused");
    keyDown("Up");
    sleepFor(1);
    Shot stillPaused = shot("still-paused");
    keyUp("Up");
    EXPECT_EQ(differing(paused, stillPaused, *whole), 0) << "the screen changed during the pause";
    key("p");
    keyDown("Up");
    EXPECT_TRUE(pollFor("resumed", 10, [&](const Shot& s) { return differing(paused, s, *view) > 5000; }))
        << "the game did not go on after the second P: Up does not walk";
    keyUp("Up");

    // B shows the boss picture over the whole window and halts; B again brings the game back.
    key("B");
    EXPECT_TRUE(pollFor("boss", 5, [&](const Shot& s) { return shows(s, *bossFit, *whole); }))
        << "no boss picture; mean difference " << meanDifference(last, *bossFit, *whole);
    key("B");
    EXPECT_TRUE(pollFor("after-boss", 5, [&](const Shot& s) { return lampFrameShown(s); }))
        << "the game did not come back after the boss picture";

    // S to wireframe: every frame clears and redraws the lamp frame, so the scene's lines stand on
    // the opening's white; two more S: smooth shading again.
    Shot smooth = shot("smooth");
    EXPECT_LT(share(smooth, *view, pureWhite), 0.01);
    key("s");
    EXPECT_TRUE(pollFor("wireframe", 5, [&](const Shot& s) { return share(s, *view, pureWhite) > 0.3; }))
        << "no wireframe view; white share " << share(last, *view, pureWhite);
    EXPECT_GT(differing(smooth, last, *view), 5000);
    EXPECT_TRUE(lampFrameShown(last)) << "the frame is redrawn in every wireframe frame";
    key("s");
    key("s");
    EXPECT_TRUE(pollFor("smooth-again", 5, [&](const Shot& s) { return share(s, *view, pureWhite) < 0.01; }));

    // Page Up calls the horse, Home lets both walk out; the exit opens and the game fades to the
    // end screen, which shows the winner's picture behind its panel.
    keyDown("Prior");
    sleepFor(1);
    keyUp("Prior");
    keyDown("Home");
    bool ended = pollFor(
        "end", 90, [&](const Shot& s) { return shows(s, *wonFit, *endRim) || shows(s, *lostFit, *endRim); });
    keyUp("Home");
    ASSERT_TRUE(ended) << "no end screen";
    EXPECT_TRUE(shows(last, *wonFit, *endRim)) << "the end screen judges the run as won";
    Shot endShot = settled("end-won", *whole, 10); // the end screen's fade-in has finished
    sh("xdotool type --delay 60 Zed");
    EXPECT_TRUE(pollFor("end-named", 5, [&](const Shot& s) { return differing(endShot, s, *whole) > 50; }))
        << "the typed name appears in the list";
    key("Return");
    ASSERT_EQ(waitExit(20), 0) << "Enter on the end screen ends the program";

    std::string stored = readFile(folder + "/settings.ini");
    EXPECT_EQ(valueOf(stored, "hallName1"), "Zed") << stored;
    double time = atof(valueOf(stored, "hallTime1").c_str());
    EXPECT_GT(time, 5);
    EXPECT_LT(time, 29000) << "the run took the first place";
    EXPECT_EQ(valueOf(stored, "hallName2"), "Slow");
    EXPECT_EQ(valueOf(stored, "hallTime2"), "29000");
    EXPECT_EQ(sanitizerReport(), "");
    printf("won in %.2f s of play; whole run %.1f s\n", time, now() - started);
}

// Size 8: the horse stands two cells east of the bend the player takes from the start, far from the
// exit (so no diamonds are needed to keep the exit shut); walking to it (Page Down) ends facing it
// half a cell away. Looking up as far as the view goes (-40 degrees)
// lets the arrow climb from 0.1 below the eye (0.2) to the horse (0.5) within about a cell.
TEST_F(Play, ShootingTheHorseLosesAndLeavesTheHallOfFameAlone) {
    settings("mazeSize = 8\nitemsPerKind = 0\ndiamondsNeeded = 0\nskipStory = 1\nmodelSource = 1\n"
             "hallName1 = Ada\nhallTime1 = 61.5\nhallName2 = Bea\nhallTime2 = 75.25\n");
    start();
    ASSERT_TRUE(findWindow());
    ASSERT_TRUE(pollFor("game", 30, [&](const Shot& s) { return lampFrameShown(s); }))
        << "no lamp frame; mean difference " << meanDifference(last, *stencilFit, lamp->frame);
    Shot atStart = settled("start", *view, 10);
    std::string hallBefore = hallOfFame(readFile(folder + "/settings.ini"));

    // The player walks the route to the horse and stops in its cell; the map stands still then.
    keyDown("Next");
    Shot previous = atStart;
    bool arrived = pollFor("walk-to-horse", 60, [&](const Shot& s) {
        bool still = differing(previous, s, *mapBox) == 0 && differing(atStart, s, *mapBox) > 300;
        previous = s;
        return still;
    });
    keyUp("Next");
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

    // Look up as far as possible, then shoot; a miss explodes on the rock, so shoot again.
    for (int i = 0; i < 8; ++i) {
        pointerMove(0, -150);
        sleepFor(0.15);
    }
    bool lost = false;
    for (int attempt = 0; attempt < 3 && !lost; ++attempt) {
        sh("xdotool click 1");
        lost = pollFor("shot", 6, [&](const Shot& s) { return !lampFrameShown(s); });
    }
    ASSERT_TRUE(lost) << "the arrow never hit the horse";
    ASSERT_TRUE(pollFor("end", 15, [&](const Shot& s) { return shows(s, *lostFit, *endRim); }))
        << "no end screen with the dragon picture of a lost game";
    Shot endShot = settled("end-lost", *whole, 10);
    EXPECT_FALSE(shows(endShot, *wonFit, *endRim));

    // A lost run gets no place: typing changes nothing and Enter stores the hall of fame as it was.
    sh("xdotool type --delay 60 Bob");
    sleepFor(0.5);
    EXPECT_EQ(differing(endShot, shot("end-typed"), *whole), 0) << "no name entry for a lost run";
    key("Return");
    ASSERT_EQ(waitExit(20), 0);
    std::string stored = readFile(folder + "/settings.ini");
    EXPECT_EQ(hallOfFame(stored), hallBefore);
    EXPECT_EQ(valueOf(stored, "hallName1"), "Ada");
    EXPECT_EQ(stored.find("Bob"), std::string::npos);
    EXPECT_EQ(sanitizerReport(), "");
    printf("whole run %.1f s\n", now() - started);
}

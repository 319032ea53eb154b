// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up pieces: the images, the display surface and the fixed OpenGL state.
#include "app/startup.h"
#include "app/lang.h"
#include <GL/freeglut.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <future>
#include <thread>
#include "app/ghost.h"
#include "app/input.h"
#include "app/mines.h"
#include "app/pad.h"
#include "app/paths.h"
#include "app/record.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/items.h"
#include "maze/maze.h"
#include "scene/creatures.h"
#include "scene/lamp.h"
#include "image/picture.h"
#include "image/texture.h"
#include "image/tga.h"
#include "sound/sound.h"
#include "text/font.h"

void startupHeap() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    // The next growth of the heap reserves room for the whole start-up; that room is marked for
    // large pages before anything lives in it. (A sanitizer's allocator ignores all of this.)
    const size_t room = size_t(192) << 20, page = size_t(2) << 20;
    mallopt(M_TOP_PAD, int(room));
    char* before = static_cast<char*>(sbrk(0));
    void* grow = malloc(4 << 20);
    char* after = static_cast<char*>(sbrk(0));
    if (grow && before != reinterpret_cast<char*>(-1) && after > before) {
        const uintptr_t from = (reinterpret_cast<uintptr_t>(before) + page - 1) & ~(page - 1);
        const uintptr_t to = reinterpret_cast<uintptr_t>(after) & ~(page - 1);
        if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
    free(grow);
    mallopt(M_TOP_PAD, 128 << 10);
#endif
}

void startupHeapRelease() {
#ifdef __GLIBC__
    // What the start-up freed goes back once; from then on the heap keeps tens of megabytes of free
    // room above what a frame allocates and frees, so that no frame grows or shrinks it, and only
    // the large blocks (the window-sized pictures, 2 MB and up) are mapped on their own and given
    // back as soon as they are freed. Mesa's vertex buffers, just over 1 MB and made anew whenever
    // one fills, stay in the heap: mapped on their own, each would fault in and clear 257 fresh
    // pages in the frame that fills the last.
    malloc_trim(0);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_TOP_PAD, 4 << 20);
    mallopt(M_MMAP_THRESHOLD, 2 << 20);
#endif
}

// Set once the game's window is open: its first frames start the pad and the sound.
static bool windowOpen;

// The pad starts this long after the first frame is shown, well after the heap release, on a thread
// of its own.
static const unsigned padStartDelayMs = 400;

// The sound device opens after the first frames, not before the first, and on a thread of its own:
// OpenAL, the many libraries it loads, its look for a device and the clips (6 to 10 ms) would hold a
// frame back. The opening starts in the frame after the heap release's, so that the device, which
// opens on the game's thread, does not land in the release's frame too (that frame was then the
// slowest of the start), or, on a screen that draws no further frames (a paused start), from a
// timer; the main loop looks every few milliseconds whether it is done. A game shown then starts its
// hum, silent while it waits for P.
static const int soundOpenAfterFrame = startupHeapReleaseFrame + 1;
static const unsigned soundOpenLatestMs = 500;
// How often the main loop looks whether a part of the sound's or the pad's start on its thread is
// done.
static const unsigned lookMs = 5;

static void soundOpened(int) {
    const int opened = soundInitEnd(0);
    if (opened == 0) {
        glutTimerFunc(lookMs, soundOpened, 0);
        return;
    }
    if (opened > 0 && (inputScreen() == INPUT_GAME || inputScreen() == INPUT_TIMEDEMO)) {
        soundLoopHere(0, SOUND_AMBIENCE);
        soundPause(!record.running);
    }
}

static void openSound(int) {
    static bool opened = false;
    if (opened) return;
    opened = true;
    soundInitBegin(record.soundVolume);
    soundOpened(0);
}

// The pad's start runs on a thread; the main loop looks every few milliseconds whether it is done.
static void padStarted(int) {
    if (padStartEnd(0) == 0) glutTimerFunc(lookMs, padStarted, 0);
}

void startupFrameDrawn() {
    static int frames;
    static bool listsPending = true;
    // The pad and the sound are started from the main loop: timers, which run also while a paused
    // game draws no further frames.
    if (++frames == 1 && windowOpen) {
        glutTimerFunc(soundOpenLatestMs, openSound, 0);
        glutTimerFunc(padStartDelayMs, [](int) {
            padStartBegin();
            padStarted(0);
        }, 0);
    }
    if (frames == soundOpenAfterFrame && windowOpen) glutTimerFunc(0, openSound, 0);
    if (frames == startupHeapReleaseFrame) startupHeapRelease();
    // The models' lists that the first frames did not draw, a few hundred faces a frame (a list is
    // compiled at once when it is drawn before its turn); not in the release's frame.
    else if (frames > startupHeapReleaseFrame && listsPending)
        listsPending = modelTableCompileSome(500) != 0;
}

void startupLoadImages() {
    static const char* const texture = LANG_ID("drawn without this texture");
    pictureLoad(tgaLoadFile, &imgFloor, "floor.tga", texture);
    tgaMirrorTile(&imgFloor);
    pictureLoad(tgaLoadFile, &imgWall, "wall.tga", texture);
    tgaMirrorTile(&imgWall);
    pictureLoad(tgaLoadFile, &imgWood, "wood.tga", texture);
    pictureLoad(tgaLoadFile, &imgHay, "heu.tga", texture);
    pictureLoad(tgaLoadFile, &imgOilcan, "oilcan.tga", texture);
    pictureLoad(tgaLoadFile, &imgSpider, "spider.tga", texture);

    TgaImage* frames[8] = {&imgMap1, &imgMap2, &imgMap3, &imgMap4, &imgMap5, &imgMap6, &imgMap7, &imgMap8};
    char name[16];
    for (int i = 0; i < 8; ++i) {
        snprintf(name, sizeof name, "map%d.tga", i + 1);
        pictureLoad(tgaLoadFile, frames[i], name, LANG_ID("the explosion frame is left out"));
    }
    pictureLoad(tgaLoadFile, &imgHorse, "pferd.tga", texture);
    pictureLoad(tgaLoadFile, &imgHorseLeg, "pferd_bein.tga", texture);

    for (TgaImage* frame : frames) tgaAddAlpha(frame, explosionAlpha);
    // The mipmaps here, so that the upload before the first frame only hands them over.
    if (record.textureMode == 2)
        for (const TgaImage* image : {&imgFloor, &imgWall, &imgHay, &imgOilcan, &imgWood, &imgSpider, &imgMap1,
                                      &imgMap2, &imgMap3, &imgMap4, &imgMap5, &imgMap6, &imgMap7, &imgMap8,
                                      &imgHorse, &imgHorseLeg})
            texturePrepareMipmaps(image);
}

int startupOpenDisplaySurface() {
    if (record.gameModeString[0] != 0) {
        // The string may come without its terminator from the settings file.
        char mode[sizeof record.gameModeString];
        snprintf(mode, sizeof mode, "%.*s", int(sizeof mode - 1), record.gameModeString);
        glutGameModeString(mode);
        glutEnterGameMode();
        if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) return 1;
        // Without any window the toolkit's main loop would end the program at once.
        fprintf(stderr, langConsole("kavernix: game mode \"%s\" refused, opening a window instead\n"), mode);
        // From here on the game runs in a window: full screen (F) and the settings dialog (F1) work.
        memset(record.gameModeString, 0, sizeof record.gameModeString);
    }
    glutInitWindowSize(record.windowWidth, record.windowHeight);
    glutCreateWindow("Kavernix");
    if (record.fullScreen) glutFullScreen();
    return 0;
}

void initGlState() {
    glClearColor(0, 0, 0, 0); // the bands beside the stage stay black
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0);
    applyShadeMode();
    applyTextureMode();
    fontBuildLists(&imgFont);
}

// The two loaders of startupLoadDataBegin; heap objects, so that an exit while they run (the toolkit
// finding no display) meets no joinable thread's destructor. The exit waits for them instead, so no
// model or font file is left half written.
static std::thread* modelLoader;
static std::thread* imageLoader;

// Set by the model loader once the models are built; it then writes their text files (model source
// 0), which the game need not wait for: the exit does (joinLoaders). Set by the image loader once
// the textures and the font are made; it then fits the first screen's picture.
static std::future<void> modelsBuilt, texturesLoaded;

static void joinLoaders() {
    // The model files the loader has not taken yet are written here, at the exit's own priority.
    if (modelLoader && modelsBuilt.valid()) {
        modelsBuilt.wait();
        modelTableWriteBuilt();
    }
    for (std::thread** t : {&modelLoader, &imageLoader})
        if (*t) {
            (*t)->join();
            delete *t;
            *t = nullptr;
        }
}

// The end of every exit once the window is open: the model files finished, every stream written
// out, and the process ends without the exit handlers registered before this one.
static void leaveQuickly(int status, void*) {
    joinLoaders();
    fflush(nullptr);
    _exit(status);
}

void startupLoadDataBegin() {
    joinLoaders(); // a former start's writer may still read the models
    resetInventory();
    sceneRegisterModels();
    modelTableReset();
    imageTableReset();
    static bool joinAtExit = false;
    if (!joinAtExit) atexit(joinLoaders);
    joinAtExit = true;
    std::promise<void> built;
    modelsBuilt = built.get_future();
    modelLoader = new std::thread([built = std::move(built)]() mutable {
        modelTableBuildModels();
        built.set_value();
        // The text files only wait for the exit: they are written in the time the start-up leaves
        // over (the first frame mostly keeps one core), not taken from the window and the pictures.
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 19);
        modelTableWriteBuilt();
    });
    // The first screen's picture is fitted here to the stage of the window the record asks for (the
    // size of a full screen or game mode is known only once it is open), the lamp frame's boxes and
    // texels with it; the first reshape keeps them when the window has that size.
    const bool windowKnown = !record.fullScreen && record.gameModeString[0] == 0;
    const Stage stage = recordStage();
    std::promise<void> loaded;
    texturesLoaded = loaded.get_future();
    const bool story = !record.skipStory;
    imageLoader = new std::thread([windowKnown, stage, story, loaded = std::move(loaded)]() mutable {
        startupLoadImages();
        const std::string strip = pathData(record.gothicFont ? "fontgotic.tga" : "fontmaze.tga");
        if (!fontBuild(&imgFont, strip.c_str()))
            fprintf(stderr, langConsole("%s: %s; no text is shown\n"), strip.c_str(),
                    langConsole(*tgaLastError() ? tgaLastError() : LANG_ID("cannot be built")));
        tgaSave(&imgFont, pathCache("fonttest.tga").c_str());
        if (record.textureMode == 2) texturePrepareMipmaps(&imgFont);
        loaded.set_value();
        // The first screen's full-window picture (the others are read at their first fit;
        // "stencilmask.tga" is not read at all: the mask is made from the lamp frame), fitted while
        // the window opens and takes the textures.
        const TgaImage* first = story ? &imgPosterFit : &imgStencilFit;
        pictureReadSource(first);
        if (windowKnown) {
            picturesPrepare(stage.width, stage.height, first);
            int boxes[lampMaxBoxes][4];
            if (!story) {
                lampOpeningBoxes(boxes);
                lampPrepare();
            }
        }
    });
}

void startupLoadDataEnd() {
    // The models first: what building them prints comes before the maze, as without the threads.
    modelsBuilt.wait();
    minesBuild();
    texturesLoaded.wait();
}

// The first screen's picture fitted: the image loader is done.
static void joinImageLoader() {
    if (!imageLoader) return;
    imageLoader->join();
    delete imageLoader;
    imageLoader = nullptr;
}

void startupLoadData() {
    startupLoadDataBegin();
    startupLoadDataEnd();
    joinLoaders();
}

// The largest window the screen and OpenGL allow; 0 while not known.
static int limitWidth, limitHeight;

// Cuts *width x *height to the limit; with what set, says so in one line.
static int reduceToLimit(int* width, int* height, const char* what, const char* by) {
    if (limitWidth <= 0 || limitHeight <= 0 || (*width <= limitWidth && *height <= limitHeight)) return 0;
    const int w = std::min(*width, limitWidth), h = std::min(*height, limitHeight);
    if (what)
        fprintf(stderr,
                langConsole("kavernix: %s %d x %d is larger than %s allows (%d x %d); using %d x %d\n"), what,
                *width, *height, by, limitWidth, limitHeight, w, h);
    *width = w;
    *height = h;
    return 1;
}

void startupWindowSizeLimit(int* width, int* height) {
    reduceToLimit(width, height, nullptr, nullptr);
}

void startupOpenWindow() {
    record.perfFrequency = monotonicFrequency;
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    // A window larger than the screen would only make the pictures fitted to it huge.
    limitWidth = glutGet(GLUT_SCREEN_WIDTH);
    limitHeight = glutGet(GLUT_SCREEN_HEIGHT);
    reduceToLimit(&record.windowWidth, &record.windowHeight, "the window", "the screen");
    reduceToLimit(&record.windowedWidth, &record.windowedHeight, "the window after full screen",
                  "the screen");
    const int gameMode = startupOpenDisplaySurface();
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limitWidth = std::min(limitWidth, int(viewport[0]));
    limitHeight = std::min(limitHeight, int(viewport[1]));
    if (reduceToLimit(&record.windowWidth, &record.windowHeight, "the window", "OpenGL") && !gameMode)
        glutReshapeWindow(record.windowWidth, record.windowHeight);
    reduceToLimit(&record.windowedWidth, &record.windowedHeight, "the window after full screen", "OpenGL");
    initGlState();
    joinImageLoader();
    // Once the loaders are done with the settings, and before the sound device opens: the ghost's
    // run is played silently, and everything it moved is put back.
    ghostPrepare(minesCodeText());
    glutWarpPointer(record.windowWidth / 2, record.windowHeight / 2);
    glutSetCursor(GLUT_CURSOR_NONE);
    glutIgnoreKeyRepeat(!inputRepeatWithoutRelease());
    windowOpen = true;
    // Registered after the driver is loaded, so it runs before the driver's exit handlers, which
    // it skips (7 to 13 ms of tearing down what the process's end frees anyway); every handler
    // of the game registered later (the kept run, the replay, the field of view, the sound) has
    // run by then.
    static bool leaveHooked = false;
    if (!leaveHooked) leaveHooked = on_exit(leaveQuickly, nullptr) == 0;
}

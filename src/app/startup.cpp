// Start-up pieces: the images, the display surface and the fixed OpenGL state.
#include "app/startup.h"
#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <thread>
#include "app/paths.h"
#include "app/record.h"
#include "app/timing.h"
#include "brep/catalogue.h"
#include "game/items.h"
#include "maze/maze.h"
#include "image/picture.h"
#include "image/texture.h"
#include "image/tga.h"
#include "sound/sound.h"
#include "text/font.h"

void loadImages() {
    // Only the full-window picture of the first screen; the others are read at their first fit
    // ("stencilmask.tga" is not read at all: nothing draws it, the mask is made from the lamp frame).
    if (record.skipStory)
        tgaLoad(&imgStencil, pathData("stencil.tga").c_str());
    else
        tgaLoad(&imgPoster, pathData("poster.tga").c_str());

    tgaLoadFile(&imgFloor, pathData("floor.tga").c_str());
    tgaMirrorTile(&imgFloor);
    tgaLoadFile(&imgWall, pathData("wall.tga").c_str());
    tgaMirrorTile(&imgWall);
    tgaLoadFile(&imgWood, pathData("wood.tga").c_str());
    tgaLoadFile(&imgHay, pathData("heu.tga").c_str());
    tgaLoadFile(&imgOilcan, pathData("oilcan.tga").c_str());
    tgaLoadFile(&imgSpider, pathData("spider.tga").c_str());
    TgaImage* frames[8] = {&imgMap1, &imgMap2, &imgMap3, &imgMap4, &imgMap5, &imgMap6, &imgMap7, &imgMap8};
    char name[16];
    for (int i = 0; i < 8; ++i) {
        snprintf(name, sizeof name, "map%d.tga", i + 1);
        tgaLoadFile(frames[i], pathData(name).c_str());
    }
    tgaLoadFile(&imgHorse, pathData("pferd.tga").c_str());
    tgaLoadFile(&imgHorseLeg, pathData("pferd_bein.tga").c_str());

    for (TgaImage* frame : frames) tgaAddAlpha(frame, explosionAlpha);
}

int openDisplaySurface() {
    if (record.gameModeString[0] != 0) {
        // The string may come without its terminator from the settings file.
        char mode[sizeof record.gameModeString];
        snprintf(mode, sizeof mode, "%.*s", int(sizeof mode - 1), record.gameModeString);
        glutGameModeString(mode);
        glutEnterGameMode();
        if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) return 1;
        // Without any window the toolkit's main loop would end the program at once.
        printf("Kavernix: game mode \"%s\" refused, opening a window instead\n", mode);
        fflush(stdout);
    }
    glutInitWindowSize(record.windowWidth, record.windowHeight);
    glutCreateWindow("Kavernix");
    if (record.fullScreen) glutFullScreen();
    return 0;
}

void initGlState() {
    glClearColor(1, 0, 0, 0);
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

static void joinLoaders() {
    for (std::thread** t : {&modelLoader, &imageLoader})
        if (*t) {
            (*t)->join();
            delete *t;
            *t = nullptr;
        }
}

void startupLoadDataBegin() {
    resetInventory();
    modelTableReset();
    imageTableReset();
    static bool joinAtExit = false;
    if (!joinAtExit) atexit(joinLoaders);
    joinAtExit = true;
    modelLoader = new std::thread(modelTableLoadModels);
    imageLoader = new std::thread([] {
        loadImages();
        fontBuild(&imgFont, pathData(record.gothicFont ? "fontgotic.tga" : "fontmaze.tga").c_str());
        tgaSave(&imgFont, pathCache("fonttest.tga").c_str());
    });
}

void startupLoadDataEnd() {
    // The models first: what building them prints comes before the maze, as without the threads.
    modelLoader->join();
    delete modelLoader;
    modelLoader = nullptr;
    mazeBuild(&maze, record.mazeSize);
    joinLoaders();
    soundInit(record.soundVolume);
}

void startupLoadData() {
    startupLoadDataBegin();
    startupLoadDataEnd();
}

void startupOpenWindow() {
    record.perfFrequency = monotonicFrequency;
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    openDisplaySurface();
    initGlState();
    glutWarpPointer(record.windowWidth / 2, record.windowHeight / 2);
    glutSetCursor(GLUT_CURSOR_NONE);
    glutIgnoreKeyRepeat(1);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The gamepad through SDL's game controller API, whose library is opened when the pad starts.
#include "app/pad.h"
#include <GL/freeglut.h>
#include <SDL.h>
#include <atomic>
#include <iterator>
#include <thread>
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include "app/input.h"
#include "app/lang.h"
#include "app/record.h"
#include "file/file.h"
#include "game/actor.h"
#include "maze/maze.h"
#include "setup/settings_file.h"
#include "text/hud.h"

// SDL's functions the pad calls, from libSDL2 (the game does not link it, so that a start loads none
// of SDL and what it needs).
static struct {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_Init) Init;
    decltype(&SDL_GetError) GetError;
    decltype(&SDL_RWFromFile) RWFromFile;
    decltype(&SDL_GameControllerAddMappingsFromRW) GameControllerAddMappingsFromRW;
    decltype(&SDL_NumJoysticks) NumJoysticks;
    decltype(&SDL_IsGameController) IsGameController;
    decltype(&SDL_GameControllerOpen) GameControllerOpen;
    decltype(&SDL_GameControllerGetJoystick) GameControllerGetJoystick;
    decltype(&SDL_JoystickInstanceID) JoystickInstanceID;
    decltype(&SDL_GameControllerClose) GameControllerClose;
    decltype(&SDL_PollEvent) PollEvent;
    decltype(&SDL_GameControllerGetAxis) GameControllerGetAxis;
    decltype(&SDL_GameControllerRumble) GameControllerRumble;
} sdl;
static const FileLibraryFunction sdlFunctions[] = {
    {"SDL_SetHint", &sdl.SetHint},
    {"SDL_Init", &sdl.Init},
    {"SDL_GetError", &sdl.GetError},
    {"SDL_RWFromFile", &sdl.RWFromFile},
    {"SDL_GameControllerAddMappingsFromRW", &sdl.GameControllerAddMappingsFromRW},
    {"SDL_NumJoysticks", &sdl.NumJoysticks},
    {"SDL_IsGameController", &sdl.IsGameController},
    {"SDL_GameControllerOpen", &sdl.GameControllerOpen},
    {"SDL_GameControllerGetJoystick", &sdl.GameControllerGetJoystick},
    {"SDL_JoystickInstanceID", &sdl.JoystickInstanceID},
    {"SDL_GameControllerClose", &sdl.GameControllerClose},
    {"SDL_PollEvent", &sdl.PollEvent},
    {"SDL_GameControllerGetAxis", &sdl.GameControllerGetAxis},
    {"SDL_GameControllerRumble", &sdl.GameControllerRumble},
};

// Where the pad's start stands: PAD_STARTED once SDL's controller support runs.
static enum { PAD_IDLE, PAD_STARTING, PAD_STARTED, PAD_REFUSED } startStage;
static SDL_GameController* pad;
static SDL_JoystickID padId = -1;
static int triggerDown[2]; // left, right: pushed past half way

static const char* const disconnectedMessage = LANG_ID("Pad disconnected");

// gamecontrollerdb.txt in the folder of the settings file.
static std::string mappingsPath() {
    std::string path = settingsPath();
    size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/gamecontrollerdb.txt";
}

// Takes the first pad SDL knows when none plays yet.
static void openAny() {
    for (int i = 0; i < sdl.NumJoysticks() && !pad; i++) {
        if (!sdl.IsGameController(i)) continue;
        pad = sdl.GameControllerOpen(i);
        if (pad) padId = sdl.JoystickInstanceID(sdl.GameControllerGetJoystick(pad));
    }
}

// The part of the start that takes long: loading SDL and what it links, and SDL's own start (its
// look at the devices, its session bus connection), 6 to 8 ms of processor time. It runs on a
// thread of its own, so that no frame waits for it; what went wrong is said later, on the game's
// thread.
enum { SDL_STARTED, SDL_NOT_LOADED, SDL_NOT_STARTED };
static int startSdl(std::string* why) {
    if (!fileLoadLibrary("libSDL2-2.0.so.0", sdlFunctions, int(std::size(sdlFunctions)), why))
        return SDL_NOT_LOADED;
    sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (sdl.Init(SDL_INIT_GAMECONTROLLER) != 0) {
        *why = sdl.GetError();
        return SDL_NOT_STARTED;
    }
    return SDL_STARTED;
}

static std::thread starter;
static std::atomic<bool> starterDone;
static int starterResult;
static std::string starterWhy;

static void joinStarter() {
    if (starter.joinable()) starter.join();
}

void padStartBegin() {
    if (startStage != PAD_IDLE) return;
    startStage = PAD_STARTING;
    static int hooked;
    if (!hooked) hooked = atexit(joinStarter) == 0; // a start still under way is waited for at exit
    starterDone = false;
    starter = std::thread([] {
        starterResult = startSdl(&starterWhy);
        starterDone.store(true, std::memory_order_release);
    });
}

int padStartEnd(int wait) {
    if (startStage == PAD_STARTED) return 1;
    if (startStage != PAD_STARTING) return -1;
    if (!wait && !starterDone.load(std::memory_order_acquire)) return 0;
    joinStarter();
    if (starterResult != SDL_STARTED) {
        // Said once; the game goes on without a pad.
        fprintf(stderr,
                starterResult == SDL_NOT_LOADED
                    ? langConsole("kavernix: no gamepad: SDL's library cannot be loaded (%s)\n")
                    : langConsole("kavernix: no gamepad: SDL's controller support did not start (%s)\n"),
                starterWhy.c_str());
        startStage = PAD_REFUSED;
        return -1;
    }
    startStage = PAD_STARTED;
    inputPollWith(padPoll); // the input timer reads the pad also while the game is halted
    const std::string db = mappingsPath();
    struct stat st;
    if (stat(db.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        sdl.GameControllerAddMappingsFromRW(sdl.RWFromFile(db.c_str(), "rb"), 1) < 0)
        fprintf(stderr, langConsole("kavernix: %s: not read (%s)\n"), db.c_str(), sdl.GetError());
    openAny(); // a pad plugged in before the start, also one the file just described
    return 1;
}

int padStart() {
    padStartBegin();
    return padStartEnd(1) == 1;
}

int padConnected() {
    return pad != nullptr;
}

static void releasePad() {
    for (int a = 0; a < ACTION_ALL; a++) inputAction(SOURCE_PAD, a, 0);
    triggerDown[0] = triggerDown[1] = 0;
}

// The pad that played was unplugged: a running game pauses, as consoles do.
static void padLost() {
    sdl.GameControllerClose(pad);
    pad = nullptr;
    padId = -1;
    releasePad();
    if (inputScreen() == INPUT_GAME && record.running && bossScreen == 0) {
        inputPress(ACTION_PAUSE);
        showMessage(langText(disconnectedMessage));
        glutPostRedisplay();
    }
    openAny();
}

static void button(int which, int down) {
    if (down && !inputHasFocus()) return; // input meant for another window
    inputAction(SOURCE_PAD, keyPadAction(record.padButtons, inputScreenMask(), which), down);
}

static void trigger(int axis, int value) {
    int side = axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT ? 0 : 1;
    int down = value > SDL_JOYSTICK_AXIS_MAX / 2;
    if (down == triggerDown[side]) return;
    triggerDown[side] = down;
    button(side ? PAD_RIGHT_TRIGGER : PAD_LEFT_TRIGGER, down);
}

void padPoll() {
    if (startStage != PAD_STARTED) return;
    SDL_Event e;
    while (sdl.PollEvent(&e)) {
        switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
            openAny();
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (pad && e.cdevice.which == padId) padLost();
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (pad && e.cbutton.which == padId) button(e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (pad && e.caxis.which == padId &&
                (e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT ||
                 e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT))
                trigger(e.caxis.axis, e.caxis.value);
            break;
        default:
            break;
        }
    }
}

// A stick's position beyond the dead zone, each part -1..1: nothing within the dead zone, then
// rising evenly to full deflection. 0 when no pad plays or the window lacks the keyboard.
static int stick(SDL_GameControllerAxis xAxis, SDL_GameControllerAxis yAxis, float* x, float* y) {
    *x = *y = 0;
    if (!pad || !inputHasFocus()) return 0;
    float sx = float(sdl.GameControllerGetAxis(pad, xAxis)) / 32767.0f;
    float sy = float(sdl.GameControllerGetAxis(pad, yAxis)) / 32767.0f;
    float length = hypotf(sx, sy), dead = float(record.padDeadZone) / 100.0f;
    if (length <= dead || dead >= 1) return 0;
    float scaled = fminf(1.0f, (length - dead) / (1.0f - dead));
    *x = sx / length * scaled;
    *y = sy / length * scaled;
    return 1;
}

void padSticks(float sticks[4]) {
    stick(SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY, &sticks[0], &sticks[1]);
    stick(SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY, &sticks[2], &sticks[3]);
}

void padRumble() {
    if (pad && record.padRumble) sdl.GameControllerRumble(pad, 0xA000, 0xD000, 120);
}

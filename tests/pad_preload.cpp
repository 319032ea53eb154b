// SPDX-License-Identifier: GPL-3.0-or-later
// A pad for the play test, loaded into the real program with LD_PRELOAD: when the game starts SDL,
// SDL's virtual game controller is plugged in, and the lines the test appends to the file named by
// KX_PAD_SCRIPT are played: "down BUTTON", "up BUTTON", "axis AXIS VALUE" (SDL's names, such as a,
// dpup, leftshoulder, lefty, righttrigger), "unplug" and "plug". The virtual pad keeps states, not
// events, so one line is played each time the game starts reading SDL's events: a press and its
// release are never seen as one state, however slow the game's frames are.
#include <SDL.h>
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

SDL_Joystick* joystick;
std::mutex linesLock;
std::deque<std::string> lines; // read from the script, not played yet

void plug() {
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Kavernix play test pad";
    int device = SDL_JoystickAttachVirtualEx(&desc);
    joystick = device >= 0 ? SDL_JoystickOpen(device) : nullptr;
    if (!joystick) fprintf(stderr, "pad_preload: no virtual pad: %s\n", SDL_GetError());
}

void unplug() {
    if (!joystick) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    SDL_JoystickClose(joystick);
    joystick = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); i++)
        if (SDL_JoystickIsVirtual(i) && SDL_JoystickGetDeviceInstanceID(i) == id)
            SDL_JoystickDetachVirtual(i);
}

void perform(const char* line) {
    char word[32] = "", name[32] = "";
    int value = 0;
    if (sscanf(line, "%31s %31s %d", word, name, &value) < 1) return;
    if (!strcmp(word, "plug")) return plug();
    if (!strcmp(word, "unplug")) return unplug();
    if (!joystick) return;
    if (!strcmp(word, "down") || !strcmp(word, "up"))
        SDL_JoystickSetVirtualButton(joystick, SDL_GameControllerGetButtonFromString(name),
                                     !strcmp(word, "down"));
    else if (!strcmp(word, "axis"))
        SDL_JoystickSetVirtualAxis(joystick, SDL_GameControllerGetAxisFromString(name), Sint16(value));
    else
        fprintf(stderr, "pad_preload: '%s' is no command\n", line);
}

// Follows the script file as the test writes it, line by line.
void playScript(std::string path) {
    long done = 0;
    for (;;) {
        FILE* f = fopen(path.c_str(), "r");
        if (f && fseek(f, done, SEEK_SET) == 0) {
            char line[128];
            while (fgets(line, sizeof line, f) && strchr(line, '\n')) {
                done += long(strlen(line));
                std::lock_guard<std::mutex> hold(linesLock);
                lines.push_back(line);
            }
        }
        if (f) fclose(f);
        usleep(10000);
    }
}

} // namespace

extern "C" int SDL_Init(Uint32 flags) {
    static auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Init"));
    int result = real ? real(flags) : -1;
    const char* script = getenv("KX_PAD_SCRIPT");
    static bool started = false;
    if (result == 0 && script && !started && (flags & SDL_INIT_GAMECONTROLLER)) {
        started = true;
        plug();
        std::thread(playScript, std::string(script)).detach();
    }
    return result;
}

// The game reads SDL's events until none is left; the first read of each round plays a line.
extern "C" int SDL_PollEvent(SDL_Event* event) {
    static auto real = reinterpret_cast<int (*)(SDL_Event*)>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
    static bool roundStarts = true;
    if (roundStarts) {
        std::string line;
        {
            std::lock_guard<std::mutex> hold(linesLock);
            if (!lines.empty()) line = lines.front(), lines.pop_front();
        }
        if (!line.empty()) perform(line.c_str());
    }
    int result = real ? real(event) : 0;
    roundStarts = result == 0;
    return result;
}

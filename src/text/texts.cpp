// The texts table: German first, as the game always had them, then English.
#include "text/texts.h"
#include <cstdio>
#include <cstring>
#include "app/lang.h"

namespace {

struct Wording {
    const char* german;
    const char* english;
};

// Latin-1 bytes: \xD6 O-umlaut, \xFC u-umlaut.
const Wording texts[TEXT_COUNT] = {
    {"\xD6L", "OIL"},
    {"STROH", "STRAW"},
    {"DIAMANTEN", "DIAMONDS"},
    {"GRUBENLAMPE", "MINER'S LAMP"},
    {"Nr. 7", "No. 7"},
    {"KARTE", "MAP"},
    {"Pause", "Paused"},
    {"Weiter mit %s", "Press %s to go on"},
    {"Das Pferd braucht Stroh", "The horse needs straw"},
    {"Fertig mit Enter", "Press Enter to finish"},
    {"Tippe Deinen Namen", "Type your name"},
};
static_assert(sizeof texts / sizeof texts[0] == TEXT_COUNT, "one wording per text");

// German keeps the messages the game always showed; English says plainly what is now on. Both
// name the state switched to (distance detail on is "no static LOD").
const Wording switches[SWITCH_COUNT] = {
    {"Shoot", "Shoot"},
    {"no static LOD", "Distance LOD on"},
    {"static LOD", "Distance LOD off"},
    {"FPS on", "Frame rate on"},
    {"FPS off", "Frame rate off"},
    {"LOD", "Detail %d of 3"},
    {"Portal on", "Portals on"},
    {"no Portal", "Portals off"},
    {"Repair Stencil", "Frame redrawn"},
    {"Wireframe", "Wireframe"},
    {"Flat shading", "Flat shading"},
    {"Smooth shading", "Smooth shading"},
    {"no Texture", "Textures off"},
    {"Texture", "Textures on"},
    {"MipMaps", "Mipmaps on"},
    {"DisplList", "Lists on"},
    {"no DisplList", "Lists off"},
    {"BF Cull on", "Culling on"},
    {"no BF Cull", "Culling off"},
    {"FullScreen on", "Full screen on"},
    {"FullScreen off", "Full screen off"},
    {"Sound on", "Sound on"},
    {"Sound off", "Sound off"},
    {"no Sound", "No sound"},
};
static_assert(sizeof switches / sizeof switches[0] == SWITCH_COUNT, "one wording per switch");

} // namespace

int textGerman() {
    return langSpoken() == LANG_DE;
}

const char* textOf(TextId id) {
    return textGerman() ? texts[id].german : texts[id].english;
}

const char* switchText(SwitchText id, int value) {
    static char formatted[32];
    const char* text = textGerman() ? switches[id].german : switches[id].english;
    if (!strchr(text, '%')) return text;
    snprintf(formatted, sizeof formatted, text, value);
    return formatted;
}

// The screens' shared state, texts and rules that need no window: the fades and the story's
// paging. The callbacks that draw and register live in screens.cpp.
#include "app/record.h"
#include "app/screens.h"

GameState gameState;

// Latin-1 bytes: \xE4 a-umlaut, \xF6 o-umlaut, \xFC u-umlaut, \xD6 O-umlaut, \xDF sharp s. Each
// escape ends its literal so that a following letter cannot extend the hex number.
const char storyPages[storyPageCount][storyPageSize] = {
    "Vor langer Zeit\nterrorisierte der b\xF6"
    "se\nDrache Grolk das Land.\n\nTarvin wollte aus der Mine\nDiamanten holen\nund dem Drachen "
    "schenken,\ndamit er friedlicher wird.\n\nGrolk bemerkte, wie Tarvin\nin die Mine ging,\nwurde "
    "w\xFC"
    "tend und sagte:\n\n(Enter) f\xFC"
    "r weiter",
    "\"Du brichst in meine\nMine ein und willst\nmir meine eigenen\nDiamanten schenken?\n\nF\xFC"
    "r diese Frechheit sperre\nich Dich in die Mine ein\nund la\xDF"
    " Dich erst wieder\nheraus, wenn Du mir Diamanten\neingesammelt hast.\"\n\n(Enter) f\xFC"
    "r weiter",
    "Grolk gab Tarvin und\nseinem Pferd einen Tritt\nund schlo\xDF"
    " die T\xFC"
    "r zur Mine.\n\nDie Mine ist wie ein Irrgarten\nsammle \xD6"
    "lkannen, damit\nDir das Licht nicht ausgeht,\nStrohballen f\xFC"
    "r Dein Pferd\nund Diamanten.\n\nWo ist der Ausgang ??\n\n(Enter) f\xFC"
    "r weiter",
    "Mit der Maus drehst Du Dich,\nmit den Cursortasten gehst Du,\nmit Page Up kommt das Pferd zu "
    "Dir,\nmit Page Down gehst Du zum Pferd,\nmit H steigst Du auf und ab\nund mit Pos 1 gehst Du "
    "mit\nDeinem Pferd zum Ausgang.\n\nViel Gl\xFC"
    "ck !\n\n(Enter) f\xFC"
    "r Beginn",
};

const char riderLabels[riderLabelCount][riderLabelSize] = {"Tarvin", "Horse", "Ride", "Get on", "Get Off"};

void fadeIn() {
    if (gameState.fadeState == 0 || gameState.fadeState == 4) gameState.fadeLevel = 1.0f;
    gameState.fadeState = 1;
}

void fadeOut() {
    if (gameState.fadeState == 0 || gameState.fadeState == 2) gameState.fadeLevel = 1.0f;
    gameState.fadeState = 3;
}

void storyEnterPressed() {
    if (gameState.storyScroll < storyRestHeight) {
        gameState.storyScroll = storyRestHeight;
        return;
    }
    gameState.storyPage += 1;
    gameState.storyScroll = 0;
    if (gameState.storyPage >= storyPageCount) fadeOut();
}

void storyRise(float frameTime) {
    if (record.running && gameState.storyScroll <= storyRestHeight) gameState.storyScroll += frameTime / 50;
}

const char* storyPageText() {
    if (gameState.storyPage < 0 || gameState.storyPage >= storyPageCount) return nullptr;
    return storyPages[gameState.storyPage];
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The languages: the choice from the setting, the command line and the environment, the German texts
// the game has always shown, every text's room on screen in each language, and the story's first
// page drawn in the language the environment names.
#include <gtest/gtest.h>
#include <GL/glu.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>
#include "app/end_screen.h"
#include "app/game_frame.h"
#include "app/input.h"
#include "app/lang.h"
#include "app/mines.h"
#include "app/record.h"
#include "app/screens.h"
#include "game/actor.h"
#include "game/rider.h"
#include "gl_context.h"
#include "image/tga.h"
#include "setup/key_table.h"
#include "setup/mine_code.h"
#include "setup/settings_file.h"
#include "text/font.h"
#include "text/hud.h"
#include "text/texts.h"

namespace {

// The German texts, byte for byte (Latin-1) as the game has always drawn them; the controls page
// names Page Up and Page Down as German keyboards do (calling the horse in a line that holds them) and
// has the map's legend before the wish of luck.
const char* const germanPages[storyPageCount] = {
    "Vor langer Zeit\nterrorisierte der b\xF6se\nDrache Grolk das Land.\n\nTarvin wollte aus der "
    "Mine\nDiamanten holen\nund dem Drachen schenken,\ndamit er friedlicher wird.\n\nGrolk bemerkte, wie "
    "Tarvin\nin die Mine ging,\nwurde w\xFCtend und sagte:\n\n(Enter) f\xFCr weiter",
    "\"Du brichst in meine\nMine ein und willst\nmir meine eigenen\nDiamanten schenken?\n\nF\xFCr diese "
    "Frechheit sperre\nich Dich in die Mine ein\nund la\xDF Dich erst wieder\nheraus, wenn Du mir "
    "Diamanten\neingesammelt hast.\"\n\n(Enter) f\xFCr weiter",
    "Grolk gab Tarvin und\nseinem Pferd einen Tritt\nund schlo\xDF die T\xFCr zur Mine.\n\nDie Mine ist "
    "wie ein Irrgarten\nsammle \xD6lkannen, damit\nDir das Licht nicht ausgeht,\nStrohballen f\xFCr Dein "
    "Pferd\nund Diamanten.\n\nWo ist der Ausgang ??\n\n(Enter) f\xFCr weiter",
    "Mit der Maus drehst Du Dich,\nmit den Cursortasten gehst Du,\nmit Bild auf rufst Du das "
    "Pferd,\nmit Bild ab gehst Du zum Pferd,\nmit H steigst Du auf und ab\nund mit Pos 1 gehst Du "
    "mit\nDeinem Pferd zum Ausgang.\n\nAuf der Karte bist Du rot,\ndas Pferd blau, der Ausgang\ngr\xFCn, "
    "Funde und Spinnen gelb.\nViel Gl\xFC"
    "ck !\n\n(Enter) f\xFCr Beginn"};
// clang-format off
// The end screen's three lines for a lost, a ranked and a slow run.
const struct { int lost, rank; std::vector<std::string> lines; } germanEnds[] = {
    {1, -1, {"Nicht Geschafft.", "Du hast das Pferd getroffen !", "Pass das n\xE4" "chste Mal besser auf."}},
    {0, 0, {"Geschafft.", "Du darfst Dich in der Hall of Fame", "eintragen : "}},
    {0, -1, {"Geschafft.", "Zu langsam f\xFC" "r die Hall of Fame", "Deine Zeit war : "}}};
const char* const germanRider[riderLabelCount] = {"Tarvin", "Horse", "Ride", "Get on", "Get Off"};
// The lamp frame's printed labels, once drawn into the art.
const struct { TextId id; const char* german; } germanLabels[] = {
    {TEXT_LABEL_OIL, "\xD6L"}, {TEXT_LABEL_STRAW, "STROH"}, {TEXT_LABEL_DIAMONDS, "DIAMANTEN"},
    {TEXT_LABEL_LAMP, "GRUBENLAMPE"}, {TEXT_LABEL_LAMP_NUMBER, "Nr. 7"}, {TEXT_LABEL_MAP, "KARTE"}};
// The rendering switches' and the arrow's messages.
const struct { SwitchText id; const char* german; } germanSwitches[] = {
    {SWITCH_SHOOT, "Shoot"}, {SWITCH_DISTANCE_DETAIL_ON, "no static LOD"},
    {SWITCH_DISTANCE_DETAIL_OFF, "static LOD"}, {SWITCH_FPS_ON, "FPS on"}, {SWITCH_FPS_OFF, "FPS off"},
    {SWITCH_DETAIL, "LOD"}, {SWITCH_PORTALS_ON, "Portal on"}, {SWITCH_PORTALS_OFF, "no Portal"},
    {SWITCH_FRAME_REDRAWN, "Repair Stencil"}, {SWITCH_WIREFRAME, "Wireframe"}, {SWITCH_FLAT, "Flat shading"},
    {SWITCH_SMOOTH, "Smooth shading"}, {SWITCH_TEXTURES_OFF, "no Texture"}, {SWITCH_TEXTURES_ON, "Texture"},
    {SWITCH_MIPMAPS_ON, "MipMaps"}, {SWITCH_LISTS_ON, "DisplList"}, {SWITCH_LISTS_OFF, "no DisplList"},
    {SWITCH_CULLING_ON, "BF Cull on"}, {SWITCH_CULLING_OFF, "no BF Cull"},
    {SWITCH_FULL_SCREEN_ON, "FullScreen on"}, {SWITCH_FULL_SCREEN_OFF, "FullScreen off"}}; // clang-format on

// Every key that names a rendering switch or the sound, pressed in turn until each message was shown.
const char toggleKeys[] = "ddiioouurssstttLbbm ";

// LANG put back as the test found it, the other locale variables unset meanwhile.
struct LocaleKept {
    const bool had = getenv("LANG");
    const std::string kept = had ? getenv("LANG") : "";
    LocaleKept() { unsetenv("LANGUAGE"), unsetenv("LC_ALL"), unsetenv("LC_MESSAGES"); }
    ~LocaleKept() { had ? setenv("LANG", kept.c_str(), 1) : unsetenv("LANG"); }
};

// Checks that each line of a story page fits the page's width; returns how many lines it has.
int expectLinesFit(const std::string& page, int language) {
    int lines = 0;
    for (size_t at = 0, end; at <= page.size(); at = end + 1, ++lines) {
        end = page.find('\n', at);
        if (end == std::string::npos) end = page.size();
        EXPECT_LE(end - at, size_t(storyLineMax)) << language << ": " << page.substr(at, end - at);
    }
    return lines;
}

class Lang : public ::testing::Test {
  protected:
    void SetUp() override {
        // The run folder holds locale/ as the game's data folder does.
        ASSERT_EQ(chdir(KX_RUN_DIR), 0);
        glTestContext(640, 480);
        unsetenv("KAVERNIX_DATA");
        memset(&record, 0, sizeof record);
        keySetDefaults(&record);
        record.windowWidth = record.windowedWidth = 640;
        record.windowHeight = record.windowedHeight = 480;
        gameState = GameState{};
        inputHandle(INPUT_GAME, gamePress, nullptr);
        inputSetScreen(INPUT_GAME);
    }
    void TearDown() override { langApply(LANG_EN); }
    static std::vector<std::string> pages() {
        std::vector<std::string> out;
        for (gameState.storyPage = 0; gameState.storyPage < storyPageCount; ++gameState.storyPage)
            out.push_back(storyPageText());
        gameState.storyPage = 0;
        return out;
    }
    // The end screen's three lines above the hall of fame for a lost, a ranked and a slow run.
    static std::vector<std::string> endLines(int lost, int rank) {
        gameSetHorseHit(lost);
        exitDoor.pitch = 2; // the door opened: won unless the horse was hit
        gameState.hallRank = rank;
        record.finalTime = 100;
        EndLine lines[endLineMax];
        int count = endScreenLines(lines);
        std::vector<std::string> out;
        for (int i = 0; i < count && i < 3; ++i) out.push_back(lines[i].text);
        return out;
    }
};

TEST_F(Lang, TheSettingTheEnvironmentOrEnglishChoose) {
    // clang-format off
    struct { int setting; const char *language, *lcAll, *lcMessages, *lang; int spoken; } cases[] = {
        {LANG_DE, nullptr, nullptr, nullptr, "en_US.UTF-8", LANG_DE},
        {LANG_EN, nullptr, nullptr, nullptr, "de_DE.UTF-8", LANG_EN},
        {LANG_AUTO, nullptr, nullptr, nullptr, "de_DE.UTF-8", LANG_DE},
        {LANG_AUTO, nullptr, nullptr, nullptr, "en_US.UTF-8", LANG_EN},
        {LANG_AUTO, nullptr, nullptr, nullptr, "xx_YY.UTF-8", LANG_EN},
        {LANG_AUTO, nullptr, nullptr, nullptr, nullptr, LANG_EN},
        {LANG_AUTO, nullptr, "de_AT", nullptr, "en_GB.UTF-8", LANG_DE},
        {LANG_AUTO, nullptr, nullptr, "de_CH.UTF-8@euro", "en_GB", LANG_DE},
        {LANG_AUTO, "fr:de:en", nullptr, nullptr, "en_US.UTF-8", LANG_DE},
        {LANG_AUTO, "fr", nullptr, nullptr, "de_DE.UTF-8", LANG_EN},
        {LANG_AUTO, "de", nullptr, nullptr, "C", LANG_EN},
        {LANG_AUTO, "de", "POSIX", nullptr, nullptr, LANG_EN},
        {LANG_AUTO, "", nullptr, nullptr, "de_DE", LANG_DE},
        {LANG_AUTO, nullptr, "", "", "dea_XX", LANG_EN}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(langResolve(c.setting, c.language, c.lcAll, c.lcMessages, c.lang), c.spoken)
            << c.setting << " " << (c.language ? c.language : "-") << " " << (c.lang ? c.lang : "-");
}

TEST_F(Lang, TheCommandLineLanguageOutranksTheSetting) {
    const std::tuple<const char*, int, int, int> cases[] = {
        {"de", 1, LANG_EN, LANG_DE}, {"en", 1, LANG_DE, LANG_EN}, {"auto", 1, LANG_DE, LANG_EN},
        {"fr", 0, LANG_DE, LANG_EN}, {"", 1, LANG_DE, LANG_DE},   {"DE", 0, LANG_DE, LANG_DE}};
    LocaleKept locale;
    setenv("LANG", "en_US.UTF-8", 1);
    for (const auto& [value, ok, setting, spoken] : cases) {
        const char* why = "";
        EXPECT_EQ(langFromOption(value, &why), ok) << value;
        unsetenv("LANGUAGE");
        EXPECT_EQ(langApply(setting), spoken) << value;
        if (!ok) {
            EXPECT_NE(strstr(why, value), nullptr) << why;
        }
    }
}

// Automatic follows the desktop's own LANG and LANGUAGE after any language was spoken: the
// LANGUAGE the game writes for itself is never read back as the desktop's.
TEST_F(Lang, AutomaticFollowsTheDesktopAfterAnotherLanguageWasSpoken) {
    // clang-format off
    const std::tuple<const char*, const char*, int, int> cases[] = {
        {"de_DE.UTF-8", nullptr, LANG_EN, LANG_DE}, {"en_US.UTF-8", nullptr, LANG_DE, LANG_EN},
        {"en_US.UTF-8", "de", LANG_EN, LANG_DE},    {"de_DE.UTF-8", "en", LANG_DE, LANG_EN},
        {"de_DE.UTF-8", "en", LANG_EN, LANG_EN}};
    // clang-format on
    LocaleKept locale;
    for (const auto& [lang, language, first, automatic] : cases) {
        SCOPED_TRACE(std::string(lang) + " LANGUAGE=" + (language ? language : "-"));
        setenv("LANG", lang, 1);
        language ? setenv("LANGUAGE", language, 1) : unsetenv("LANGUAGE");
        langApply(first);
        EXPECT_EQ(langApply(LANG_AUTO), automatic);
        EXPECT_EQ(langApply(first), first);
        EXPECT_EQ(langApply(LANG_AUTO), automatic) << "chosen again, then Automatic again";
    }
    unsetenv("LANGUAGE");
}

TEST_F(Lang, GermanDrawsTheBytesItAlwaysDrew) {
    ASSERT_EQ(langApply(LANG_DE), LANG_DE);
    std::vector<std::string> shown = pages();
    for (int page = 0; page < storyPageCount; ++page) EXPECT_EQ(shown[page], germanPages[page]) << page;
    for (const auto& end : germanEnds) EXPECT_EQ(endLines(end.lost, end.rank), end.lines) << end.lines[1];
    for (int state = 0; state < riderLabelCount; ++state) {
        record.riderState = state;
        EXPECT_STREQ(riderLabel(), germanRider[state]);
    }
    for (const auto& label : germanLabels) EXPECT_STREQ(textOf(label.id), label.german) << label.id;
    for (const auto& s : germanSwitches) EXPECT_STREQ(textSwitch(s.id, 3), s.german) << s.id;
}

TEST_F(Lang, EveryTextFitsWhereItIsDrawnInEachLanguage) {
    for (int language : {LANG_EN, LANG_DE}) {
        ASSERT_EQ(langApply(language), language);
        // Story lines start at 4 % of the width in glyphs 3/160 wide and end left of the poster's
        // figures at 70 %: 35 fit.
        // From the resting height 0.7, lines a twentieth high: 14 reach the bottom edge.
        for (const std::string& page : pages()) EXPECT_LE(expectLinesFit(page, language), 14) << page;
        for (int lost : {0, 1}) {
            for (int rank : {-1, 0}) {
                gameSetHorseHit(lost), gameState.hallRank = rank, exitDoor.pitch = 2;
                EndLine lines[endLineMax];
                int count = endScreenLines(lines);
                for (int i = 0; i < count && i < 3; ++i) {
                    // The clock beside "Your time" begins at 0.6.
                    float room = (i == 2 && !lost && rank < 0) ? 0.6f : 1.0f;
                    EXPECT_LE(lines[i].x + 0.02f * float(strlen(lines[i].text)), room)
                        << language << ": " << lines[i].text;
                }
                // The mine's line with the widest code there is (the largest maze, the most items), in
                // the end screen's glyphs, 3/160 of the width.
                const int most = settingsItemLimit(66);
                const MineCode widest = {66, most, most, 0xFFFFFFFFu};
                char code[MINE_CODE_TEXT];
                mineCodeFormat(&widest, code);
                const std::string shown = minesCodeLine();
                const size_t width = shown.size() - strlen(minesCodeText()) + strlen(code);
                int found = 0;
                for (int i = 0; i < count; ++i) {
                    if (shown != lines[i].text) continue;
                    found++;
                    EXPECT_LE(lines[i].x + 3.0f / 160.0f * float(width), 1.0f)
                        << language << ": " << shown << code;
                }
                EXPECT_EQ(found, 1) << language << " lost " << lost << " rank " << rank;
            }
        }
        std::vector<std::string> status;
        for (int state = 0; state < riderLabelCount; ++state) {
            record.riderState = state;
            status.push_back(riderLabel());
        }
        for (const char* key = toggleKeys; *key; ++key) {
            inputKeyDown(*key), inputKeyUp(*key); // pressed and let go on the game screen
            status.push_back(record.messageText);
        }
        status.push_back(langText("No room to get off here"));
        status.push_back(langText("Pad disconnected"));
        // The status field starts at 0.53 and narrows a long text to the window; no narrower than the
        // small font's glyphs, a fiftieth of the width.
        for (const std::string& text : status) {
            float glyph = hudLargeGlyphWidth(0.53f, text.c_str());
            EXPECT_LE(0.53f + glyph * float(text.size()), 0.99f + 1e-5f) << language << ": " << text;
            EXPECT_GE(glyph, 0.0199f) << language << ": " << text;
        }
    }
}

// The controls page names the keys bound now; long key names wrap it within its width.
TEST_F(Lang, TheControlsPageNamesTheKeysBoundNowWithinItsWidth) {
    // clang-format off
    const struct { int language; std::vector<int> keys; std::vector<const char*> said; } cases[] = {
        {LANG_EN, {'w', 's', 'a', 'd', 'x'}, {"with W, A, S, D.", "\nX leads you both"}},
        {LANG_DE, {'w', 's', 'a', 'd', 'x'}, {"mit W, A, S, D gehst Du,", "und mit X gehst Du mit"}},
        {LANG_EN, {KEY_SPECIAL_KEY(105), KEY_SPECIAL_KEY(104), '\b', 127, 'Q'}, {"Shift+Q"}},
        {LANG_DE, {KEY_SPECIAL_KEY(105), KEY_SPECIAL_KEY(104), '\b', 127, 'Q'}, {"Umschalt+Q"}}};
    // clang-format on
    for (const auto& c : cases) {
        const int actions[] = {ACTION_FORWARD, ACTION_BACK, ACTION_STEP_LEFT, ACTION_STEP_RIGHT,
                               ACTION_WALK_OUT};
        for (int i = 0; i < 5; ++i) record.keys[actions[i]] = c.keys[size_t(i)];
        langApply(c.language);
        const std::string page = pages()[storyPageCount - 1];
        expectLinesFit(page, c.language);
        for (const char* said : c.said) EXPECT_NE(page.find(said), std::string::npos) << page;
    }
}

// The story's first page as storyDisplay draws its text at rest in a 640 x 480 window.
std::vector<uint8_t> firstPageDrawn() {
    record.windowWidth = 640, record.windowHeight = 480;
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 640, 0, 480);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.25f, 0.25f, 0.25f, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    gameState.storyPage = 0;
    const float white[4] = {1, 1, 1, 0};
    drawText(0.2f, storyRestHeight, storyPageText(), white);
    return readBack(GL_RGB, 640, 480);
}

TEST_F(Lang, TheFirstPageIsDrawnInTheEnvironmentsLanguage) {
    ASSERT_EQ(fontBuild(&imgFont, "fontmaze.tga"), 1);
    fontBuildLists(&imgFont);
    std::vector<uint8_t> drawn[LANG_COUNT];
    for (int language : {LANG_EN, LANG_DE}) {
        langApply(language);
        drawn[language] = firstPageDrawn();
    }
    ASSERT_NE(drawn[LANG_EN], drawn[LANG_DE]) << "the two languages draw alike";
    LocaleKept locale;
    const std::pair<const char*, int> cases[] = {
        {"de_DE.UTF-8", LANG_DE}, {"en_US.UTF-8", LANG_EN}, {"xx_XX.UTF-8", LANG_EN}};
    for (const auto& [lang, language] : cases) {
        setenv("LANG", lang, 1);
        unsetenv("LANGUAGE"); // the game sets it to its choice; a new start begins without it
        langApply(LANG_AUTO);
        EXPECT_TRUE(firstPageDrawn() == drawn[language]) << lang;
    }
}

} // namespace

// F9 and F10 say the angle in the player's language, in the font's Latin-1, within the status field.
TEST_F(Lang, TheViewKeysSayTheAngleInEachLanguage) {
    const std::tuple<int, const char*> cases[] = {{LANG_EN, "Field of view 120\xB0"},
                                                  {LANG_DE, "Blickfeld 120\xB0"}};
    for (const auto& [language, said] : cases) {
        langApply(language);
        gameFieldOfViewMessage(120);
        EXPECT_STREQ(record.messageText, said);
        const float glyph = hudLargeGlyphWidth(0.53f, record.messageText);
        EXPECT_LE(0.53f + glyph * float(strlen(record.messageText)), 0.99f + 1e-5f);
    }
}

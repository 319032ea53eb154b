// SPDX-License-Identifier: GPL-3.0-or-later
// Sound as OpenAL renders it: its wave writer stands in for the device, and the rendered file shows
// what a player would hear, placed by the device clock. The clips: refused when they are not sound.
#include <gtest/gtest.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <gtk/gtk.h>
#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>
#include "app/game_frame.h"
#include "app/input.h"
#include "app/record.h"
#include "app/timing.h"
#include "setup/setup.h"
#include "brep/catalogue.h"
#include "game/actor.h"
#include "scene/creatures.h"
#include "sound/sound.h"
#include "gl_context.h"
#include "output_capture.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

const int RATE = 44100;

// Frames the device has mixed so far.
int64_t deviceFrame() {
    ALCdevice* device = alcGetContextsDevice(alcGetCurrentContext());
    auto clock = (LPALCGETINTEGER64VSOFT)alcGetProcAddress(device, "alcGetInteger64vSOFT");
    ALCint64SOFT ns = 0;
    clock(device, ALC_DEVICE_CLOCK_SOFT, 1, &ns);
    return ns * RATE / 1000000000;
}

void waitSeconds(double s) {
    usleep(useconds_t(s * 1e6));
}

// OpenAL's wave writer as the device, writing out.wav; `general` adds to its [general] part.
void useWaveWriter(const TempDir& dir, const std::string& general = "") {
    std::ofstream(dir.file("alsoft.conf")) << "[general]\ndrivers = wave\n"
                                           << general << "[wave]\nfile = " << dir.file("out.wav") << "\n";
    setenv("ALSOFT_CONF", dir.file("alsoft.conf").c_str(), 1);
}

// soundInit(volume) in the run folder, where the clips are read.
int soundInitInRunFolder(int volume) {
    const std::string here = std::filesystem::current_path();
    if (chdir(KX_RUN_DIR) != 0) return -1;
    const int opened = soundInit(volume);
    return chdir(here.c_str()) == 0 ? opened : -1;
}

// Interleaved stereo frames of a rendered file.
struct Rendered {
    std::vector<float> s;
    int64_t frames() const { return int64_t(s.size() / 2); }
    float peak(int64_t from, int64_t to) const {
        float p = 0;
        for (int64_t i = std::max<int64_t>(from, 0) * 2; i < std::min(to, frames()) * 2; i++)
            p = std::max(p, std::fabs(s[size_t(i)]));
        return p;
    }
    double rms(int channel, int64_t from, int64_t to) const {
        double sum = 0;
        for (int64_t i = from; i < to && i < frames(); i++)
            sum += double(s[size_t(2 * i + channel)]) * s[size_t(2 * i + channel)];
        return std::sqrt(sum / double(std::max<int64_t>(to - from, 1)));
    }
};

// One session as rendered: the shot's key at `key`, a spider on the player's left heard from
// spiderFrom to spiderTo, then M's mute from muteFrom to muteTo.
struct Session {
    Rendered r;
    int64_t key = 0, spiderFrom = 0, spiderTo = 0, muteFrom = 0, muteTo = 0;
};

void renderSession(Session* s) {
    TempDir dir;
    useWaveWriter(dir, "frequency = " + std::to_string(RATE) +
                           "\nchannels = stereo\nsample-type = float32\nperiod_size = 256\n");
    memset(&record, 0, sizeof record);
    record.mazeSize = 16;
    for (ModelEntry& row : modelTable) row.count = 0;
    actorsPlaceForGame(); // heading 90: forward is +x, so the left is -z
    shotState = 0;
    ASSERT_EQ(soundInitInRunFolder(7), 1) << "OpenAL's wave writer did not open";
    gameSoundsStart();
    soundLoopStop(0); // no ambience: every sound below is the one under test
    waitSeconds(0.3);

    // Space, then the frame's update: the bow is heard before one frame (1/60 s) has gone by.
    s->key = deviceFrame();
    inputHandle(INPUT_GAME, gamePress, nullptr);
    inputSetScreen(INPUT_GAME);
    StepInput step{}; // the press as the step takes it, at its start
    gameStepPress(&step, ACTION_SHOOT);
    gameStepActPresses(&step);
    gameSounds();
    waitSeconds(0.6);

    // One spider a cell to the player's left scuttles on the left.
    ModelEntry& spiders = modelTable[ROW_SPIDER];
    spiders.count = 1;
    actorInit(&spiders.entities[0], player.x, 0.5f, player.z - 1, 0, 0, 0.1f);
    shotState = 0;
    gameSounds();
    s->spiderFrom = deviceFrame() + RATE / 20;
    waitSeconds(0.8);
    s->spiderTo = deviceFrame();

    // M's mute: silence while the spider goes on.
    ASSERT_EQ(soundToggleMute(), 1);
    s->muteFrom = deviceFrame() + RATE / 20; // the gain glides to 0 within a mix
    waitSeconds(0.5);
    s->muteTo = deviceFrame();
    soundShutdown();
    spiders.count = 0;

    SF_INFO info = {};
    SNDFILE* f = sf_open(dir.file("out.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    ASSERT_EQ(info.channels, 2);
    s->r.s.resize(size_t(info.frames * 2));
    sf_readf_float(f, s->r.s.data(), info.frames);
    sf_close(f);
}

// The session is rendered once for the tests run together: it takes two seconds of real time.
class Sound : public ::testing::Test {
  protected:
    static Session s;
    void SetUp() override {
        static const bool rendered = (renderSession(&s), true);
        ASSERT_TRUE(rendered);
        ASSERT_GT(s.muteTo, 0) << "the session was not rendered";
        ASSERT_GE(s.r.frames(), s.muteTo);
    }
};
Session Sound::s;

TEST_F(Sound, TheBowSoundsWithinAFrameOfTheKey) {
    EXPECT_LT(s.r.peak(0, s.key), 0.001) << "silence before the key";
    int64_t onset = s.key;
    while (onset < s.r.frames() && s.r.peak(onset, onset + 1) < 0.02f) onset++;
    EXPECT_LE(onset - s.key, RATE / 60) << "the bow sounds " << onset - s.key << " frames after the key";
}

TEST_F(Sound, ASpiderOnTheLeftIsHeardOnTheLeft) {
    double left = s.r.rms(0, s.spiderFrom, s.spiderTo), right = s.r.rms(1, s.spiderFrom, s.spiderTo);
    EXPECT_GT(left, 0.002);
    EXPECT_GT(left, 2 * right) << "left " << left << ", right " << right;
}

TEST_F(Sound, MuteSilencesTheGame) {
    EXPECT_LT(s.r.peak(s.muteFrom, s.muteTo), 1e-4f) << "muted";
}

TEST(SoundFile, TheGeneratedClipsDecode) {
    for (const char* clip : soundFileNames) {
        SoundClip c;
        OutputCapture quiet(stderr);
        EXPECT_EQ(soundReadFile((std::string(KX_RUN_DIR "/") + clip).c_str(), &c), 1) << quiet.finish();
        EXPECT_EQ(c.channels, 1) << clip;
        EXPECT_EQ(c.rate, 22050) << clip;
        EXPECT_GT(c.samples.size(), 2000u) << clip;
    }
}

TEST(SoundFile, OtherBytesAreRefusedInOneLine) {
    const std::string wav = readFileText(KX_RUN_DIR "/step.wav");
    const std::pair<std::string, const char*> bad[] = {
        {"RIFF junk that is no sound at all", "is not a sound file"},
        {wav.substr(0, 44), "holds no sound"},
        {"", "is not a sound file"}};
    for (const auto& b : bad) {
        SoundClip c;
        OutputCapture said(stderr);
        EXPECT_EQ(soundDecode(b.first.data(), b.first.size(), "x.wav", &c), 0);
        std::string line = said.finish();
        EXPECT_EQ(line.rfind("Sound: x.wav ", 0), 0u) << line;
        EXPECT_NE(line.find(b.second), std::string::npos) << line;
        EXPECT_TRUE(c.samples.empty());
    }
}

// The device opened on a thread of its own: until it is handed over the game finds none, then it
// finds it whole; an opening asked for meanwhile waits for the thread instead of opening a second.
TEST(SoundOpening, TheGameFindsNoDeviceUntilTheThreadHandsItOver) {
    TempDir dir;
    useWaveWriter(dir);
    const std::string here = std::filesystem::current_path();
    ASSERT_EQ(chdir(KX_RUN_DIR), 0) << "the clips are read from the run folder";
    soundInitBegin(7);
    EXPECT_EQ(soundToggleMute(), -1) << "a device before the hand-over";
    soundLoopHere(0, SOUND_AMBIENCE);
    EXPECT_EQ(soundLoopState(0), 0);
    int opened = 0;
    for (int tries = 0; tries < 10000 && opened == 0; ++tries) {
        opened = soundInitEnd(0);
        if (opened == 0) usleep(1000);
    }
    ASSERT_EQ(opened, 1) << "OpenAL's wave writer did not open";
    soundLoopHere(0, SOUND_AMBIENCE);
    EXPECT_EQ(soundLoopState(0), 1);
    soundShutdown();

    soundInitBegin(7);
    EXPECT_EQ(soundInit(7), 1);
    EXPECT_EQ(soundInitEnd(0), 1) << "the thread's device is the one in use";
    soundLoopHere(0, SOUND_AMBIENCE);
    EXPECT_EQ(soundLoopState(0), 1);
    soundShutdown();
    EXPECT_EQ(soundInitEnd(0), -1);
    ASSERT_EQ(chdir(here.c_str()), 0);
}

// No device to be found (OpenAL reads its settings once, when it is first loaded): one line, and the
// game stays silent without trying again.
TEST(SoundOpening, WithoutADeviceTheGameSaysSoOnceAndStaysSilent) {
    TempDir dir;
    std::ofstream(dir.file("alsoft.conf")) << "[general]\ndrivers = nosuchdriver\n";
    setenv("ALSOFT_CONF", dir.file("alsoft.conf").c_str(), 1);
    const std::string here = std::filesystem::current_path();
    ASSERT_EQ(chdir(KX_RUN_DIR), 0);
    OutputCapture err(stderr);
    soundInitBegin(7);
    EXPECT_EQ(soundInitEnd(1), -1);
    soundInitBegin(7);
    EXPECT_EQ(soundInitEnd(0), -1);
    EXPECT_EQ(soundInit(7), 0);
    EXPECT_EQ(err.finish(), "kavernix: no audio device; playing without sound\n");
    ASSERT_EQ(chdir(here.c_str()), 0);
}

// A game running with the mine's hum, OpenAL's wave writer as the device; `volume` 0 leaves the
// device closed.
class GameSound : public ::testing::Test {
  protected:
    TempDir dir;
    void open(int volume) {
        useWaveWriter(dir);
        glTestContext();
        memset(&record, 0, sizeof record);
        record.mazeSize = 16, record.running = 1, record.perfFrequency = monotonicFrequency;
        record.soundVolume = volume;
        for (ModelEntry& row : modelTable) row.count = 0;
        actorsPlaceForGame();
        OutputCapture quiet(stderr);
        ASSERT_NE(soundInitInRunFolder(volume), -1) << "the clips are read from the run folder";
        gameSoundsStart();
        if (volume) {
            ASSERT_EQ(soundLoopState(0), 1) << "OpenAL's wave writer did not open";
        }
    }
    void TearDown() override {
        glutIdleFunc(nullptr);
        soundShutdown();
    }
};

// Keys pressed in the game, from a running game with the boss picture off: the pause (P) and the
// boss picture (B) each hold the hum until they end.
TEST_F(GameSound, ThePauseOrTheBossPictureHoldsTheSoundUntilItEnds) {
    ASSERT_NO_FATAL_FAILURE(open(7));
    inputHandle(INPUT_GAME, gamePress, nullptr);
    inputSetScreen(INPUT_GAME);
    // The keys pressed (B the boss picture, p the pause) and the hum after them (1 playing, 2 held).
    const std::pair<const char*, int> cases[] = {{"B", 2},  {"Bpp", 2}, {"BppB", 1}, {"p", 2},
                                                 {"pB", 2}, {"pBB", 2}, {"pBBp", 1}, {"BpBp", 1}};
    for (const auto& [keys, hum] : cases) {
        record.running = 1, bossScreen = 0;
        gameSoundHold();
        for (const char* k = keys; *k; ++k) inputPress(*k == 'B' ? ACTION_BOSS : ACTION_PAUSE);
        EXPECT_EQ(soundLoopState(0), hum) << keys;
    }
}

TEST_F(GameSound, AHiddenWindowHoldsTheSound) {
    ASSERT_NO_FATAL_FAILURE(open(7));
    bossScreen = 0;
    gameVisibility(GLUT_NOT_VISIBLE);
    EXPECT_EQ(soundLoopState(0), 2) << "hidden or iconified";
    gameVisibility(GLUT_VISIBLE);
    EXPECT_EQ(soundLoopState(0), 1) << "shown again";
}

// Cancel pressed on the settings dialog, after noting what the hum did while it was open.
struct HumUnderDialog {
    int hum = -1, polls = 0;
};

gboolean cancelDialog(gpointer data) {
    HumUnderDialog* s = (HumUnderDialog*)data;
    GList* tops = gtk_window_list_toplevels();
    GtkWidget* dialog = nullptr;
    for (GList* l = tops; l; l = l->next)
        if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            dialog = GTK_WIDGET(l->data);
    g_list_free(tops);
    if (!dialog) return ++s->polls < 200 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    s->hum = soundLoopState(0);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return G_SOURCE_REMOVE;
}

TEST_F(GameSound, TheSettingsDialogHoldsTheSoundWhileItIsOpen) {
    ASSERT_STRNE(getenv("DISPLAY") ? getenv("DISPLAY") : "", "")
        << "needs a display: run the tests under xvfb-run";
    ASSERT_NO_FATAL_FAILURE(open(7));
    setenv("KAVERNIX_SETTINGS", dir.file("settings.ini").c_str(), 1);
    unsetenv("KAVERNIX_SETUP_DIALOG");
    setenv("NO_AT_BRIDGE", "1", 1);
    HumUnderDialog seen;
    guint source = g_timeout_add(50, cancelDialog, &seen);
    gameSettingsDialog();
    if (seen.hum < 0 && seen.polls < 200) g_source_remove(source);
    ASSERT_NE(seen.hum, -1) << "no dialog came up";
    EXPECT_EQ(seen.hum, 2) << "held under the dialog";
    EXPECT_EQ(soundLoopState(0), 1) << "on again after it";
}

// The dialog raises the volume from 0: the device opens and the mine's hum plays at once, or is
// held at once when the game is paused.
TEST_F(GameSound, RaisingTheVolumeFromZeroStartsTheHumAtOnce) {
    ASSERT_NO_FATAL_FAILURE(open(0));
    EXPECT_EQ(soundLoopState(0), 0) << "no device yet";
    writeFileText(dir.file("settings.ini"), "soundVolume = 7\n");
    setenv("KAVERNIX_SETTINGS", dir.file("settings.ini").c_str(), 1);
    setenv("KAVERNIX_SETUP_DIALOG", "0", 1);
    setupLoad(&record); // as at start: the library knows the game's record
    for (int running : {1, 0}) {
        soundShutdown();
        record.soundVolume = 0, record.running = uint8_t(running);
        const std::string here = std::filesystem::current_path();
        ASSERT_EQ(chdir(KX_RUN_DIR), 0);
        gameSettingsDialog();
        ASSERT_EQ(chdir(here.c_str()), 0);
        EXPECT_EQ(soundLoopState(0), running ? 1 : 2) << "running " << running;
    }
}

} // namespace

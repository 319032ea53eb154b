// SPDX-License-Identifier: GPL-3.0-or-later
// Sound through OpenAL: clips read from the WAV files in the working directory, one-shot sounds at a
// place in the mine, looping sources that follow a body, and the listener, who is the player. Every
// call is safe without a device: the game then runs silently.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum SoundId {
    SOUND_STEP,          // the hero's step on gravel
    SOUND_HOOF,          // one hoof beat of the horse
    SOUND_BOW,           // the bow releasing an arrow
    SOUND_HIT,           // the arrow striking
    SOUND_STRAW,         // picking up a straw bale
    SOUND_OILCAN,        // picking up an oil can
    SOUND_DIAMOND,       // picking up a diamond
    SOUND_SPIDER_CAUGHT, // a spider taken off the board
    SOUND_SPIDERS,       // a spider scuttling (loop)
    SOUND_DOOR,          // the exit door creaking open
    SOUND_WON,
    SOUND_LOST,
    SOUND_AMBIENCE, // the mine's hum with dripping water (loop)
    SOUND_PAGE,     // a story page turning
    SOUND_COUNT
};
// The file of each sound, as kavernix-art writes it: "step.wav", ...
extern const char* const soundFileNames[SOUND_COUNT];
// Looping sounds play on numbered channels: 0 the ambience, 1.. the spiders.
enum { SOUND_LOOPS = 10 };

// A decoded clip: 16-bit samples, interleaved when there are two channels.
struct SoundClip {
    std::vector<int16_t> samples;
    int channels;
    int rate;
};
// Decodes a whole sound file held in memory (libsndfile). A file that is not one, or has more than two
// channels, a rate outside 8000..96000 Hz, no samples or more than 60 seconds, is refused with one line
// on standard error naming it. Returns 1 or 0.
int soundDecode(const void* data, size_t size, const char* name, SoundClip* clip);
int soundReadFile(const char* path, SoundClip* clip); // the same for a file; 0 also when it is missing

// Opens the audio device and reads every sound file. Volume 0 or no device: 0, and one line on standard
// error says that the game is silent. Returns 1 when sound plays.
int soundInit(int volume);
// The same opening with its slow parts on a thread of its own, so that the library, the sound
// servers' client libraries, the device's context and the clips cost the game no frame (the volume
// and its refusals are taken at once; the device itself is opened on the calling thread, by
// soundInitEnd, since its probing has the standard error sent away for a moment). Until soundInitEnd
// hands the device over, every call finds none, as without sound. soundInitEnd(0) starts the next
// part once the one before is done and returns 0 while the opening goes on; with wait 1 it waits.
// Then, like later calls: 1 when sound plays, -1 when it does not.
void soundInitBegin(int volume);
int soundInitEnd(int wait);
void soundShutdown();
// Volume 0..10 (0 silences); opens the device when it was not yet open and volume is above 0.
void soundSetVolume(int volume);
// Mutes or unmutes: 1 now muted, 0 now audible, -1 when there is no sound to mute.
int soundToggleMute();
void soundPause(int paused); // 1 holds every source where it is, 0 goes on
// The listener stands at the player's eye and looks along heading (degrees, as the player's).
void soundListener(float x, float y, float z, float heading);
void soundPlay(int id, float x, float y, float z); // once, at a place in the mine
void soundPlayHere(int id);                        // once, at the listener (no direction)
// A looping sound on a channel at a place (starts it, or moves it when it already plays that sound);
// soundLoopHere plays at the listener.
void soundLoop(int channel, int id, float x, float y, float z);
void soundLoopHere(int channel, int id);
void soundLoopStop(int channel);
// What a loop channel does now: 1 playing, 2 held by soundPause, 0 silent (or no device).
int soundLoopState(int channel);

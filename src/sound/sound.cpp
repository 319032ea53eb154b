// SPDX-License-Identifier: GPL-3.0-or-later
// Sound: the clips, the device, the one-shot and looping sources, the listener. libsndfile and OpenAL
// are opened when first needed (the game does not link them, so that a start loads neither them nor
// the many libraries they need before the first frame).
#include "sound/sound.h"
#include <iterator>
#include "app/lang.h"
#include "file/file.h"
#include <AL/al.h>
#include <AL/alc.h>
#include <sndfile.h>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include "app/paths.h"

const char* const soundFileNames[SOUND_COUNT] = {
    "step.wav",   "hoof.wav",    "bow.wav",  "hit.wav", "straw.wav", "oilcan.wav",   "diamond.wav",
    "spider.wav", "spiders.wav", "door.wav", "won.wav", "lost.wav",  "ambience.wav", "page.wav"};

// ---- The libraries' functions.

namespace {
struct {
    decltype(&sf_open_virtual) open_virtual;
    decltype(&sf_readf_short) readf_short;
    decltype(&sf_close) close;
} sf;
const FileLibraryFunction sfFunctions[] = {
    {"sf_open_virtual", &sf.open_virtual},
    {"sf_readf_short", &sf.readf_short},
    {"sf_close", &sf.close},
};

struct {
    decltype(&alcOpenDevice) OpenDevice;
    decltype(&alcCreateContext) CreateContext;
    decltype(&alcMakeContextCurrent) MakeContextCurrent;
    decltype(&alcDestroyContext) DestroyContext;
    decltype(&alcCloseDevice) CloseDevice;
} alc;
struct {
    decltype(&alGenBuffers) GenBuffers;
    decltype(&alBufferData) BufferData;
    decltype(&alDeleteBuffers) DeleteBuffers;
    decltype(&alGenSources) GenSources;
    decltype(&alDeleteSources) DeleteSources;
    decltype(&alSourcef) Sourcef;
    decltype(&alSourcei) Sourcei;
    decltype(&alSource3f) Source3f;
    decltype(&alGetSourcei) GetSourcei;
    decltype(&alSourcePlay) SourcePlay;
    decltype(&alSourcePause) SourcePause;
    decltype(&alSourceStop) SourceStop;
    decltype(&alListenerf) Listenerf;
    decltype(&alListener3f) Listener3f;
    decltype(&alListenerfv) Listenerfv;
} al;
const FileLibraryFunction alFunctions[] = {
    {"alcOpenDevice", &alc.OpenDevice},
    {"alcCreateContext", &alc.CreateContext},
    {"alcMakeContextCurrent", &alc.MakeContextCurrent},
    {"alcDestroyContext", &alc.DestroyContext},
    {"alcCloseDevice", &alc.CloseDevice},
    {"alGenBuffers", &al.GenBuffers},
    {"alBufferData", &al.BufferData},
    {"alDeleteBuffers", &al.DeleteBuffers},
    {"alGenSources", &al.GenSources},
    {"alDeleteSources", &al.DeleteSources},
    {"alSourcef", &al.Sourcef},
    {"alSourcei", &al.Sourcei},
    {"alSource3f", &al.Source3f},
    {"alGetSourcei", &al.GetSourcei},
    {"alSourcePlay", &al.SourcePlay},
    {"alSourcePause", &al.SourcePause},
    {"alSourceStop", &al.SourceStop},
    {"alListenerf", &al.Listenerf},
    {"alListener3f", &al.Listener3f},
    {"alListenerfv", &al.Listenerfv},
};

// Opens a library once; a library that is missing is said in one line, once.
int load(const char* soname, const FileLibraryFunction* table, int count, int* state) {
    if (*state == 0) {
        std::string why;
        *state = fileLoadLibrary(soname, table, count, &why) ? 1 : -1;
        if (*state < 0) fprintf(stderr, langConsole("kavernix: %s; playing without sound\n"), why.c_str());
    }
    return *state > 0;
}
int sfState, alState; // 0 not tried yet, 1 loaded, -1 missing
} // namespace

// ---- Decoding.

namespace {
struct MemoryFile {
    const unsigned char* data;
    sf_count_t size, pos;
};
sf_count_t memLength(void* user) {
    return static_cast<MemoryFile*>(user)->size;
}
sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
    MemoryFile* m = static_cast<MemoryFile*>(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->size;
    sf_count_t to = base + offset;
    if (to < 0 || to > m->size) return -1;
    m->pos = to;
    return to;
}
sf_count_t memRead(void* out, sf_count_t count, void* user) {
    MemoryFile* m = static_cast<MemoryFile*>(user);
    if (count < 0) return 0;
    sf_count_t n = count < m->size - m->pos ? count : m->size - m->pos;
    memcpy(out, m->data + m->pos, (size_t)n);
    m->pos += n;
    return n;
}
sf_count_t memWrite(const void*, sf_count_t, void*) {
    return 0;
}
sf_count_t memTell(void* user) {
    return static_cast<MemoryFile*>(user)->pos;
}
} // namespace

int soundDecode(const void* data, size_t size, const char* name, SoundClip* clip) {
    clip->samples.clear();
    clip->channels = clip->rate = 0;
    if (!load("libsndfile.so.1", sfFunctions, int(std::size(sfFunctions)), &sfState)) return 0;
    MemoryFile m = {static_cast<const unsigned char*>(data), (sf_count_t)size, 0};
    SF_VIRTUAL_IO io = {memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info = {};
    SNDFILE* f = sf.open_virtual(&io, SFM_READ, &info, &m);
    if (!f) {
        // libsndfile's own reason speaks of files and pipes even for bytes in memory: not shown.
        fprintf(stderr, "Sound: %s is not a sound file that libsndfile reads\n", name);
        return 0;
    }
    const char* fault = nullptr;
    if (info.channels < 1 || info.channels > 2)
        fault = "has more than two channels";
    else if (info.samplerate < 8000 || info.samplerate > 96000)
        fault = "has a rate outside 8000..96000 Hz";
    else if (info.frames <= 0)
        fault = "holds no sound";
    else if (info.frames > (sf_count_t)info.samplerate * 60)
        fault = "is longer than 60 seconds";
    if (!fault) {
        clip->samples.resize((size_t)(info.frames * info.channels));
        sf_count_t got = sf.readf_short(f, clip->samples.data(), info.frames);
        if (got <= 0) fault = "cannot be decoded";
        clip->samples.resize((size_t)(got > 0 ? got * info.channels : 0));
    }
    sf.close(f);
    if (fault) {
        fprintf(stderr, "Sound: %s %s\n", name, fault);
        clip->samples.clear();
        return 0;
    }
    clip->channels = info.channels;
    clip->rate = info.samplerate;
    return 1;
}

int soundReadFile(const char* path, SoundClip* clip) {
    clip->samples.clear();
    const char* why = "";
    FILE* f = fileOpenReadStream(path, &why); // never waits on a FIFO or device
    if (!f) {
        fprintf(stderr, "Sound: %s %s\n", path, why);
        return 0;
    }
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t n;
    // A clip of 60 s of 96 kHz stereo is about 23 MB; anything much larger is refused unread.
    while ((n = fread(buf, 1, sizeof buf, f)) > 0 && bytes.size() < (32u << 20))
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    if (bytes.size() >= (32u << 20)) {
        fprintf(stderr, "Sound: %s is larger than 32 MB\n", path);
        return 0;
    }
    return soundDecode(bytes.data(), bytes.size(), path, clip);
}

// ---- The device and its sources.

enum { SHOT_SOURCES = 16 };
static ALCdevice* device;
static ALCcontext* context;
static ALuint buffers[SOUND_COUNT];
static ALuint shotSources[SHOT_SOURCES];
static ALuint loopSources[SOUND_LOOPS];
static int loopPlaying[SOUND_LOOPS]; // sound id + 1, 0 none
static int nextShot;
static int volumeLevel;
static int muted;
static int openFailed; // once no device was found, the game stays silent

static void applyGain() {
    if (device) al.Listenerf(AL_GAIN, muted ? 0.0f : float(volumeLevel) / 10.0f);
}

// The audio libraries print their own probing on failure; the player gets one line from us instead
// (unless OpenAL's log is asked for).
static ALCdevice* openQuietly() {
    if (getenv("ALSOFT_LOGLEVEL")) return alc.OpenDevice(nullptr);
    fflush(stderr);
    int saved = dup(2);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) dup2(null, 2);
    ALCdevice* d = alc.OpenDevice(nullptr);
    if (saved >= 0 && null >= 0) dup2(saved, 2);
    if (null >= 0) close(null);
    if (saved >= 0) close(saved);
    return d;
}

// ---- Opening: the library, the sound servers' clients, then the device (on the game's thread: see
// openQuietly), then the context, the clips and the sources. All but the device may run on a thread
// of their own (soundInitBegin); they touch only what the game reads once `device` is set.

static int loadLibrary() {
    return load("libopenal.so.1", alFunctions, int(std::size(alFunctions)), &alState);
}

// OpenAL links the client libraries of the sound servers it may talk to (PulseAudio's above all,
// with its dozen dependencies) only when a device opens, and the device opens on the game's thread.
// Linked here first, on the opener's thread, they are found already loaded there: the game's frame
// keeps 2 to 3 ms. One that is not installed is passed over; OpenAL then passes it over too.
static int loadServerClients() {
    for (const char* soname : {"libpulse.so.0", "libjack.so.0", "libportaudio.so.2"})
        dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    return 1;
}

static void loadBuffers() {
    al.GenBuffers(SOUND_COUNT, buffers);
    for (int id = 0; id < SOUND_COUNT; id++) {
        SoundClip clip;
        if (!soundReadFile(pathData(soundFileNames[id]).c_str(), &clip))
            continue; // a missing clip stays silent
        al.BufferData(buffers[id], clip.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16,
                      clip.samples.data(), ALsizei(clip.samples.size() * sizeof(int16_t)), clip.rate);
    }
}

static ALCdevice* opening; // the device between openQuietly and takeDevice

static int makeContext() {
    context = alc.CreateContext(opening, nullptr);
    if (!context || !alc.MakeContextCurrent(context)) {
        fputs(langConsole("kavernix: no audio device; playing without sound\n"), stderr);
        if (context) alc.DestroyContext(context);
        alc.CloseDevice(opening);
        context = nullptr;
        opening = nullptr;
        return 0;
    }
    loadBuffers();
    al.GenSources(SHOT_SOURCES, shotSources);
    al.GenSources(SOUND_LOOPS, loopSources);
    for (ALuint s : shotSources) al.Sourcef(s, AL_ROLLOFF_FACTOR, 1.5f);
    for (ALuint s : loopSources) {
        al.Sourcei(s, AL_LOOPING, AL_TRUE);
        al.Sourcef(s, AL_REFERENCE_DISTANCE, 0.5f);
        al.Sourcef(s, AL_ROLLOFF_FACTOR, 2.0f);
    }
    return 1;
}

// The device itself, on the game's thread. 1 when one opened.
static int openDevice() {
    opening = openQuietly();
    if (opening) return 1;
    fputs(langConsole("kavernix: no audio device; playing without sound\n"), stderr);
    return 0;
}

// The device is the game's from here on, or the game stays silent.
static int takeDevice(int ok) {
    if (!ok) {
        openFailed = 1;
        return 0;
    }
    device = opening;
    opening = nullptr;
    applyGain();
    // exit() ends the game; a closed device finishes what it was writing.
    static int hooked;
    if (!hooked) hooked = atexit(soundShutdown) == 0;
    return 1;
}

// The thread that runs one part of the opening, and where the opening stands.
static std::thread opener;
static std::atomic<bool> openerDone;
static int openerOk;
static enum { OPEN_NONE, OPEN_READING, OPEN_CLIENTS, OPEN_CONTEXT } openStage;

static void runOpener(int (*part)()) {
    openerDone = false;
    opener = std::thread([part] {
        openerOk = part();
        openerDone.store(true, std::memory_order_release);
    });
}

static void joinOpener() {
    if (opener.joinable()) opener.join();
}

// Refusals that need no device: volume 0, or no device found before. 1 when an opening may go on.
static int mayOpen(int volume) {
    volumeLevel = volume < 0 ? 0 : (volume > 10 ? 10 : volume);
    if (device) {
        applyGain();
        return 0;
    }
    if (volumeLevel == 0) {
        fputs(langConsole("kavernix: soundVolume is 0; playing without sound\n"), stderr);
        return 0;
    }
    return !openFailed && openStage == OPEN_NONE;
}

int soundInit(int volume) {
    if (openStage != OPEN_NONE) soundInitEnd(1);
    if (!mayOpen(volume)) return device != nullptr;
    return takeDevice(loadLibrary() && loadServerClients() && openDevice() && makeContext());
}

void soundInitBegin(int volume) {
    if (!mayOpen(volume)) return;
    static int hooked;
    if (!hooked) hooked = atexit(joinOpener) == 0; // a thread still opening is waited for at exit
    openStage = OPEN_READING;
    runOpener(loadLibrary);
}

int soundInitEnd(int wait) {
    while (openStage != OPEN_NONE) {
        if (!wait && !openerDone.load(std::memory_order_acquire)) return 0;
        joinOpener();
        int ok = openerOk;
        // One part per look, each in a frame of its own: the library, the servers' clients, then
        // the device here and the context on the thread again.
        if (openStage == OPEN_READING && ok) {
            openStage = OPEN_CLIENTS;
            runOpener(loadServerClients);
            continue;
        }
        if (openStage == OPEN_CLIENTS) {
            if (openDevice()) {
                openStage = OPEN_CONTEXT;
                runOpener(makeContext);
                continue;
            }
            ok = 0;
        }
        openStage = OPEN_NONE;
        takeDevice(ok);
    }
    return device ? 1 : -1;
}

void soundShutdown() {
    if (!device) return;
    al.DeleteSources(SHOT_SOURCES, shotSources);
    al.DeleteSources(SOUND_LOOPS, loopSources);
    al.DeleteBuffers(SOUND_COUNT, buffers);
    alc.MakeContextCurrent(nullptr);
    alc.DestroyContext(context);
    alc.CloseDevice(device);
    device = nullptr;
    context = nullptr;
    memset(loopPlaying, 0, sizeof loopPlaying);
}

void soundSetVolume(int volume) {
    if (!device && volume > 0) {
        soundInit(volume);
        return;
    }
    volumeLevel = volume < 0 ? 0 : (volume > 10 ? 10 : volume);
    applyGain();
}

int soundToggleMute() {
    if (!device) return -1;
    muted = !muted;
    applyGain();
    return muted;
}

void soundPause(int paused) {
    if (!device) return;
    auto hold = [paused](ALuint s) {
        ALint state;
        al.GetSourcei(s, AL_SOURCE_STATE, &state);
        if (paused && state == AL_PLAYING) al.SourcePause(s);
        if (!paused && state == AL_PAUSED) al.SourcePlay(s);
    };
    for (ALuint s : shotSources) hold(s);
    for (ALuint s : loopSources) hold(s);
}

void soundListener(float x, float y, float z, float heading) {
    if (!device) return;
    float h = heading * float(M_PI / 180.0);
    const float orientation[6] = {sinf(h), 0, -cosf(h), 0, 1, 0};
    al.Listener3f(AL_POSITION, x, y, z);
    al.Listenerfv(AL_ORIENTATION, orientation);
}

static void place(ALuint s, int here, float x, float y, float z) {
    al.Sourcei(s, AL_SOURCE_RELATIVE, here ? AL_TRUE : AL_FALSE);
    al.Source3f(s, AL_POSITION, here ? 0 : x, here ? 0 : y, here ? 0 : z);
}

static void playOnce(int id, int here, float x, float y, float z) {
    if (!device || id < 0 || id >= SOUND_COUNT) return;
    // The next source that is free, or else the oldest one.
    int pick = nextShot;
    for (int i = 0; i < SHOT_SOURCES; i++) {
        ALint state;
        al.GetSourcei(shotSources[(nextShot + i) % SHOT_SOURCES], AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING && state != AL_PAUSED) {
            pick = (nextShot + i) % SHOT_SOURCES;
            break;
        }
    }
    nextShot = (pick + 1) % SHOT_SOURCES;
    ALuint s = shotSources[pick];
    al.SourceStop(s);
    al.Sourcei(s, AL_BUFFER, ALint(buffers[id]));
    place(s, here, x, y, z);
    al.SourcePlay(s);
}

void soundPlay(int id, float x, float y, float z) {
    playOnce(id, 0, x, y, z);
}

void soundPlayHere(int id) {
    playOnce(id, 1, 0, 0, 0);
}

static void loop(int channel, int id, int here, float x, float y, float z) {
    if (!device || channel < 0 || channel >= SOUND_LOOPS || id < 0 || id >= SOUND_COUNT) return;
    ALuint s = loopSources[channel];
    place(s, here, x, y, z);
    if (loopPlaying[channel] == id + 1) return;
    al.SourceStop(s);
    al.Sourcei(s, AL_BUFFER, ALint(buffers[id]));
    // Loops of one clip on several channels start at different places, so they do not sound as one.
    al.Sourcef(s, AL_SEC_OFFSET, 0.37f * float(channel));
    al.SourcePlay(s);
    loopPlaying[channel] = id + 1;
}

void soundLoop(int channel, int id, float x, float y, float z) {
    loop(channel, id, 0, x, y, z);
}

void soundLoopHere(int channel, int id) {
    loop(channel, id, 1, 0, 0, 0);
}

void soundLoopStop(int channel) {
    if (!device || channel < 0 || channel >= SOUND_LOOPS || !loopPlaying[channel]) return;
    al.SourceStop(loopSources[channel]);
    loopPlaying[channel] = 0;
}

int soundLoopState(int channel) {
    if (!device || channel < 0 || channel >= SOUND_LOOPS || !loopPlaying[channel]) return 0;
    ALint state;
    al.GetSourcei(loopSources[channel], AL_SOURCE_STATE, &state);
    return state == AL_PLAYING ? 1 : state == AL_PAUSED ? 2 : 0;
}

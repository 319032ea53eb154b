// SPDX-License-Identifier: GPL-3.0-or-later
// The game's sounds, synthesised from a table of voices: each voice is a tone (a sine, with some of
// its second and third partials, gliding from f0 to f1) or a band of noise (between f0 and f1), shaped
// by a rise and an exponential fall, and repeated with a seeded jitter where a sound is a patter
// (gravel, straw, spider feet, a creaking hinge). No clock and no libc random numbers: the same bytes
// on every run.
#include "art.h"
#include "sound/sound.h"

#include <sndfile.h>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int RATE = 22050;
const double TWO_PI = 6.283185307179586;

enum { TONE, NOISE };

struct Voice {
    int sound;
    int kind;
    float start, length; // seconds
    float attack, decay; // rise time, then the time in which the fall reaches 1/e
    float f0, f1;        // tone: glide from f0 to f1; noise: the band between f0 and f1
    float gain;
    int repeats;     // 1: once
    float every;     // seconds between repeats
    float jitter;    // each repeat moves by up to half this share of `every`, either way
    float harmonics; // tone: weight of the second and third partials
};

struct Clip {
    float seconds;
    float peak; // the loudest sample after shaping
    int loop;   // 1: the end runs seamlessly into the start
};

const Clip clips[SOUND_COUNT] = {
    {0.25f, 0.50f, 0}, // step
    {0.20f, 0.60f, 0}, // hoof
    {0.50f, 0.70f, 0}, // bow
    {0.40f, 0.80f, 0}, // hit
    {0.50f, 0.55f, 0}, // straw
    {0.60f, 0.60f, 0}, // oil can
    {0.90f, 0.55f, 0}, // diamond
    {0.40f, 0.60f, 0}, // spider caught
    {1.20f, 0.35f, 1}, // spiders
    {2.40f, 0.70f, 0}, // door
    {1.60f, 0.65f, 0}, // won
    {1.80f, 0.65f, 0}, // lost
    {8.00f, 0.22f, 1}, // ambience
    {0.35f, 0.45f, 0}, // page
};

const float ALWAYS = 1e6f; // a decay that never falls

const Voice voices[] = {
    // sound, kind, start, length, attack, decay, f0, f1, gain, repeats, every, jitter, harmonics
    {SOUND_STEP, NOISE, 0, 0.12f, 0.005f, 0.03f, 300, 3000, 1, 1, 0, 0, 0},
    {SOUND_STEP, NOISE, 0.01f, 0.01f, 0.001f, 0.004f, 1500, 6000, 0.6f, 6, 0.015f, 0.8f, 0},
    {SOUND_STEP, TONE, 0, 0.08f, 0.003f, 0.03f, 90, 60, 0.5f, 1, 0, 0, 0},
    {SOUND_HOOF, TONE, 0, 0.10f, 0.002f, 0.025f, 160, 90, 1, 1, 0, 0, 0.3f},
    {SOUND_HOOF, NOISE, 0, 0.02f, 0.001f, 0.005f, 800, 4000, 0.6f, 1, 0, 0, 0},
    {SOUND_BOW, TONE, 0, 0.45f, 0.002f, 0.12f, 220, 200, 1, 1, 0, 0, 0.8f},
    {SOUND_BOW, NOISE, 0.02f, 0.30f, 0.10f, 0.08f, 500, 2500, 0.3f, 1, 0, 0, 0},
    {SOUND_HIT, TONE, 0, 0.30f, 0.002f, 0.06f, 110, 50, 1, 1, 0, 0, 0.5f},
    {SOUND_HIT, NOISE, 0, 0.20f, 0.001f, 0.03f, 200, 5000, 0.9f, 1, 0, 0, 0},
    {SOUND_STRAW, NOISE, 0, 0.06f, 0.01f, 0.02f, 1500, 7000, 0.6f, 12, 0.03f, 0.7f, 0},
    {SOUND_OILCAN, TONE, 0, 0.50f, 0.001f, 0.15f, 523, 523, 1, 1, 0, 0, 0},
    {SOUND_OILCAN, TONE, 0, 0.40f, 0.001f, 0.10f, 1187, 1187, 0.7f, 1, 0, 0, 0},
    {SOUND_OILCAN, TONE, 0, 0.30f, 0.001f, 0.07f, 1960, 1960, 0.5f, 1, 0, 0, 0},
    {SOUND_OILCAN, NOISE, 0, 0.03f, 0.001f, 0.008f, 1000, 6000, 0.5f, 1, 0, 0, 0},
    {SOUND_DIAMOND, TONE, 0, 0.70f, 0.002f, 0.25f, 1568, 1568, 1, 1, 0, 0, 0},
    {SOUND_DIAMOND, TONE, 0.08f, 0.70f, 0.002f, 0.25f, 2349, 2349, 0.7f, 1, 0, 0, 0},
    {SOUND_DIAMOND, TONE, 0.16f, 0.70f, 0.002f, 0.25f, 3136, 3136, 0.6f, 1, 0, 0, 0},
    {SOUND_SPIDER_CAUGHT, TONE, 0, 0.25f, 0.005f, 0.08f, 1200, 600, 0.8f, 1, 0, 0, 0.5f},
    {SOUND_SPIDER_CAUGHT, NOISE, 0.05f, 0.20f, 0.01f, 0.05f, 200, 1200, 1, 1, 0, 0, 0},
    {SOUND_SPIDERS, NOISE, 0, 0.008f, 0.0005f, 0.003f, 2000, 8000, 1, 24, 0.05f, 0.9f, 0},
    {SOUND_SPIDERS, NOISE, 0.02f, 0.006f, 0.0005f, 0.002f, 3000, 9000, 0.6f, 16, 0.07f, 0.9f, 0},
    {SOUND_DOOR, TONE, 0, 0.04f, 0.002f, 0.012f, 420, 300, 0.7f, 40, 0.045f, 0.3f, 1},
    {SOUND_DOOR, TONE, 2.0f, 0.35f, 0.003f, 0.10f, 70, 50, 1, 1, 0, 0, 0.5f},
    {SOUND_DOOR, NOISE, 2.0f, 0.30f, 0.002f, 0.08f, 100, 800, 0.8f, 1, 0, 0, 0},
    {SOUND_WON, TONE, 0, 1.10f, 0.01f, 0.40f, 523, 523, 1, 1, 0, 0, 0.3f},
    {SOUND_WON, TONE, 0.15f, 1.10f, 0.01f, 0.40f, 659, 659, 1, 1, 0, 0, 0.3f},
    {SOUND_WON, TONE, 0.30f, 1.10f, 0.01f, 0.40f, 784, 784, 1, 1, 0, 0, 0.3f},
    {SOUND_WON, TONE, 0.45f, 1.10f, 0.01f, 0.50f, 1047, 1047, 1, 1, 0, 0, 0.3f},
    {SOUND_LOST, TONE, 0, 0.80f, 0.02f, 0.35f, 392, 392, 1, 1, 0, 0, 0.6f},
    {SOUND_LOST, TONE, 0.30f, 0.80f, 0.02f, 0.35f, 370, 370, 1, 1, 0, 0, 0.6f},
    {SOUND_LOST, TONE, 0.60f, 0.80f, 0.02f, 0.35f, 349, 349, 1, 1, 0, 0, 0.6f},
    {SOUND_LOST, TONE, 0.90f, 0.90f, 0.02f, 0.45f, 294, 280, 1, 1, 0, 0, 0.6f},
    {SOUND_AMBIENCE, NOISE, 0, 8.30f, 0, ALWAYS, 30, 200, 0.35f, 1, 0, 0, 0},
    {SOUND_AMBIENCE, TONE, 0.7f, 0.07f, 0.001f, 0.02f, 900, 1800, 0.5f, 4, 1.9f, 0.8f, 0},
    {SOUND_AMBIENCE, TONE, 1.3f, 0.05f, 0.001f, 0.015f, 1300, 2400, 0.25f, 3, 2.4f, 0.6f, 0},
    {SOUND_PAGE, NOISE, 0, 0.30f, 0.08f, 0.06f, 800, 6000, 1, 1, 0, 0, 0},
    {SOUND_PAGE, NOISE, 0.20f, 0.03f, 0.001f, 0.01f, 2000, 8000, 0.6f, 1, 0, 0, 0},
};

// Noise in -1..1 from the sample index and a seed.
double noiseAt(int i, uint32_t seed) {
    return artRandom(i, 0, seed) * 2.0 - 1.0;
}

void addVoice(std::vector<double>* out, const Voice& v, double start, uint32_t seed) {
    int first = int(lrint(start * RATE));
    int n = int(lrint(double(v.length) * RATE));
    int fade = RATE / 200; // 5 ms to zero at the end, so no voice clicks off
    // One-pole low passes at both band edges: their difference is the band.
    double low = 1 - exp(-TWO_PI * v.f0 / RATE), high = 1 - exp(-TWO_PI * v.f1 / RATE);
    // A narrow band of white noise is weak; this brings every band to about the same loudness.
    double bandGain = v.kind == NOISE ? sqrt(RATE / 2.0 / (double(v.f1) - double(v.f0))) : 1.0;
    double lo = 0, hi = 0, phase = 0;
    for (int i = 0; i < n && first + i < int(out->size()); i++) {
        if (first + i < 0) continue;
        double t = double(i) / RATE;
        double env = t < v.attack ? t / v.attack : exp(-(t - v.attack) / v.decay);
        if (n - i < fade) env *= double(n - i) / fade;
        double s;
        if (v.kind == TONE) {
            double f = v.f0 * pow(double(v.f1) / v.f0, t / v.length);
            phase += TWO_PI * f / RATE;
            s = sin(phase) + v.harmonics * (sin(2 * phase) / 2 + sin(3 * phase) / 3);
        } else {
            double w = noiseAt(i, seed);
            hi += high * (w - hi);
            lo += low * (w - lo);
            s = (hi - lo) * bandGain;
        }
        (*out)[size_t(first + i)] += v.gain * env * s;
    }
}

std::vector<double> synthesise(int id) {
    const Clip& c = clips[id];
    // A loop is made longer by its seam, which is then folded over its start.
    int length = int(lrint(double(c.seconds) * RATE));
    int seam = c.loop ? RATE / 4 : 0;
    std::vector<double> out(size_t(length + seam), 0.0);
    int index = 0;
    for (const Voice& v : voices) {
        index++;
        if (v.sound != id) continue;
        for (int k = 0; k < v.repeats; k++) {
            uint32_t seed = uint32_t(index * 1000 + k);
            double shift = v.jitter * v.every * (artRandom(k, index, 777) - 0.5);
            addVoice(&out, v, v.start + k * v.every + shift, seed);
        }
    }
    for (int i = 0; i < seam; i++) {
        double w = double(i) / seam;
        out[size_t(i)] = out[size_t(i)] * w + out[size_t(length + i)] * (1 - w);
    }
    out.resize(size_t(length));
    double peak = 0;
    for (double s : out) peak = fmax(peak, fabs(s));
    if (peak > 0)
        for (double& s : out) s *= c.peak / peak;
    return out;
}

int writeWav(const std::string& path, const std::vector<double>& sound) {
    SF_INFO info = {};
    info.samplerate = RATE;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        printf("kavernix-art: cannot write %s (%s)\n", path.c_str(), sf_strerror(nullptr));
        return 0;
    }
    std::vector<short> pcm(sound.size());
    for (size_t i = 0; i < sound.size(); i++) pcm[i] = short(lrint(artClamp(float(sound[i]), -1, 1) * 32767));
    bool ok = sf_write_short(f, pcm.data(), sf_count_t(pcm.size())) == sf_count_t(pcm.size());
    ok = sf_close(f) == 0 && ok;
    if (!ok) printf("kavernix-art: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace

int artSounds(const char* dir) {
    int failed = 0;
    for (int id = 0; id < SOUND_COUNT; id++)
        failed += !writeWav(std::string(dir) + "/" + soundFileNames[id], synthesise(id));
    return failed;
}

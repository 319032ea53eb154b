// SPDX-License-Identifier: GPL-3.0-or-later
// The art generator's shared helpers: integer-hash noise, a Cairo canvas that saves through the TGA
// module, and the fonts. Everything is deterministic: no clock, no libc random numbers, Cairo's image
// backend and fixed font files, so every build writes the same bytes.
#pragma once
#include <cairo.h>
#include <cstdint>

// ---- Noise. Every function gives the same value for the same arguments on every machine.
uint32_t artHash(int32_t x, int32_t y, uint32_t seed);
float artRandom(int32_t x, int32_t y, uint32_t seed); // 0 to 1
// Smooth value noise, 0 to 1; with period > 0 it repeats every period units in x, and every periodY
// units in y (the same as x when periodY is not given).
float artNoise(float x, float y, uint32_t seed, int period = 0, int periodY = -1);
// Fractal sum of octaves (each twice the frequency, half the weight), 0 to 1; repeats like artNoise.
float artFbm(float x, float y, int octaves, uint32_t seed, int period = 0, int periodY = -1);
// Cell noise: distances to the nearest and second-nearest feature point of a jittered grid, and the
// hash of the nearest cell (to colour each cell on its own). Repeats every period cells when > 0.
struct ArtCells {
    float f1, f2;
    uint32_t id;
    float dx, dy; // from the nearest feature point to the sample
};
ArtCells artCells(float x, float y, uint32_t seed, int period = 0);

// A small sequence of numbers for placing shapes (stars, straws, rivets). Draw at most one number per
// expression: the order in which a call's arguments are evaluated differs between compilers.
struct ArtRng {
    uint32_t state;
    float next();                    // 0 to 1
    float range(float lo, float hi); // lo to hi
};

float artClamp(float v, float lo = 0, float hi = 1);
float artMix(float a, float b, float t);
float artSmooth(float e0, float e1, float v); // smoothstep

// ---- Canvas: a Cairo ARGB32 image surface (top row first), drawn on with Cairo or pixel by pixel.
struct ArtCanvas {
    cairo_surface_t* surface;
    cairo_t* cr;
    int width;
    int height;
};
ArtCanvas artCanvasCreate(int width, int height);
void artCanvasFree(ArtCanvas* c);
// Pixel access, y counted from the top like Cairo; colours 0 to 1, opaque. Direct pixel work stands
// between artPixelsBegin and artPixelsEnd, so that Cairo drawing before and after sees it.
void artPixelsBegin(ArtCanvas* c);
void artPixelsEnd(ArtCanvas* c);
void artPut(ArtCanvas* c, int x, int y, float r, float g, float b);
void artGet(ArtCanvas* c, int x, int y, float* r, float* g, float* b);
// Sets Cairo's source to the colour c (red, green, blue, 0 to 1) times k.
void artSetRgb(cairo_t* cr, const float c[3], float k = 1);
// Fills every pixel from a function of (x, y) with y counted from the top.
template <typename F> void artShade(ArtCanvas* c, F f) {
    artPixelsBegin(c);
    for (int y = 0; y < c->height; y++)
        for (int x = 0; x < c->width; x++) {
            float r, g, b;
            f(x, y, &r, &g, &b);
            artPut(c, x, y, r, g, b);
        }
    artPixelsEnd(c);
}
// Writes dir/name as a TGA of 24 bits (alpha dropped) or 32 bits (alpha un-premultiplied).
// swapRedBlue stores the picture with red and blue exchanged (for images that the game exchanges
// again when it mirror-tiles them). Result 1 on success.
int artSave(ArtCanvas* c, const char* dir, const char* name, int bits, bool swapRedBlue = false);

// ---- Fonts.
enum ArtFontId { artFontSans, artFontSansBook, artFontGothic, artFontSerif, artFontCount };
const char* artFontPath(ArtFontId id); // the font file found, or null
struct FT_FaceRec_;
FT_FaceRec_* artFtFace(ArtFontId id); // the FreeType face (null if its file is missing); owned here
// A Cairo face for one of the fonts (null if its file is missing); owned by the helper.
cairo_font_face_t* artFontFace(ArtFontId id);
// Sets the face on the context with fixed, hinting-free options.
void artUseFont(cairo_t* cr, ArtFontId id, double size);
// Adds the outline of a text to the current path (fill or stroke it), with the left end of its
// baseline (align 0), its centre (0.5) or its right end (1) at x, y.
void artText(cairo_t* cr, const char* utf8, double x, double y, double align = 0);

// ---- The groups of pictures; each returns the number of files it failed to write.
int artPictures(const char* dir); // the full-window pictures, 1280 x 960
int artLampFrame(const char* dir);
int artTextures(const char* dir);
int artFonts(const char* dir);
int artSounds(const char* dir); // every sound of the game as a WAV file; the count of files not written
// The desktop icon in several sizes, as dir/hicolor/NxN/apps/kavernix.png (folders made as needed).
int artIcons(const char* dir);

// ---- Full-window pictures that artPictures writes from files of their own; each returns 1 when written.
int artDoorOpen(const char* dir);    // dooropen.tga: daylight through the opening exit
int artLastPicture(const char* dir); // lastpic.tga: won, Tarvin and his horse in the sun
int artBossPicture(
    const char* dir); // boss.tga and boss-en.tga: the boss key's spreadsheet, German and English

// SPDX-License-Identifier: GPL-3.0-or-later
// The art generator's shared helpers: noise, the canvas and its TGA output, the fonts.
#include "art.h"

#include "image/tga.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

uint32_t mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

int wrap(int v, int period) {
    if (period <= 0) return v;
    v %= period;
    return v < 0 ? v + period : v;
}

float fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

} // namespace

uint32_t artHash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = mix32(seed + 0x9E3779B9u);
    h = mix32(h ^ uint32_t(x));
    return mix32(h ^ (uint32_t(y) * 0x85EBCA6Bu));
}

float artRandom(int32_t x, int32_t y, uint32_t seed) {
    return float(artHash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float artNoise(float x, float y, uint32_t seed, int period, int periodY) {
    if (periodY < 0) periodY = period;
    float fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    float tx = fade(x - fx), ty = fade(y - fy);
    int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    int y0 = wrap(iy, periodY), y1 = wrap(iy + 1, periodY);
    float a = artRandom(x0, y0, seed), b = artRandom(x1, y0, seed);
    float c = artRandom(x0, y1, seed), d = artRandom(x1, y1, seed);
    return artMix(artMix(a, b, tx), artMix(c, d, tx), ty);
}

float artFbm(float x, float y, int octaves, uint32_t seed, int period, int periodY) {
    if (periodY < 0) periodY = period;
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; i++) {
        sum += weight * artNoise(x, y, seed + uint32_t(i) * 7919u, period, periodY);
        total += weight;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
        if (periodY > 0) periodY *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

ArtCells artCells(float x, float y, uint32_t seed, int period) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    ArtCells out{1e9f, 1e9f, 0, 0, 0};
    for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++) {
            int cx = wrap(ix + dx, period), cy = wrap(iy + dy, period);
            float px = fx + dx + 0.1f + 0.8f * artRandom(cx, cy, seed);
            float py = fy + dy + 0.1f + 0.8f * artRandom(cx, cy, seed + 1);
            float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < out.f1) {
                out.f2 = out.f1;
                out.f1 = d;
                out.id = artHash(cx, cy, seed + 2);
                out.dx = x - px;
                out.dy = y - py;
            } else if (d < out.f2) {
                out.f2 = d;
            }
        }
    return out;
}

float ArtRng::next() {
    state = mix32(state + 0x6D2B79F5u);
    return float(state >> 8) * (1.0f / 16777216.0f);
}

float ArtRng::range(float lo, float hi) {
    return lo + (hi - lo) * next();
}

float artClamp(float v, float lo, float hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

float artMix(float a, float b, float t) {
    return a + (b - a) * t;
}

float artSmooth(float e0, float e1, float v) {
    float t = artClamp((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// ---- Canvas.

ArtCanvas artCanvasCreate(int width, int height) {
    ArtCanvas c;
    c.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    c.cr = cairo_create(c.surface);
    c.width = width;
    c.height = height;
    cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_GOOD);
    return c;
}

void artCanvasFree(ArtCanvas* c) {
    cairo_destroy(c->cr);
    cairo_surface_destroy(c->surface);
    c->cr = nullptr;
    c->surface = nullptr;
}

static uint32_t* pixelAt(ArtCanvas* c, int x, int y) {
    unsigned char* data = cairo_image_surface_get_data(c->surface);
    int stride = cairo_image_surface_get_stride(c->surface);
    return reinterpret_cast<uint32_t*>(data + y * stride) + x;
}

static uint32_t toByte(float v) {
    return uint32_t(artClamp(v) * 255.0f + 0.5f);
}

void artPut(ArtCanvas* c, int x, int y, float r, float g, float b) {
    if (x < 0 || y < 0 || x >= c->width || y >= c->height) return;
    *pixelAt(c, x, y) = 0xFF000000u | (toByte(r) << 16) | (toByte(g) << 8) | toByte(b);
}

void artPixelsBegin(ArtCanvas* c) {
    cairo_surface_flush(c->surface);
}

void artPixelsEnd(ArtCanvas* c) {
    cairo_surface_mark_dirty(c->surface);
}

void artGet(ArtCanvas* c, int x, int y, float* r, float* g, float* b) {
    uint32_t p = *pixelAt(c, x, y);
    *r = float((p >> 16) & 255) / 255.0f;
    *g = float((p >> 8) & 255) / 255.0f;
    *b = float(p & 255) / 255.0f;
}

void artSetRgb(cairo_t* cr, const float c[3], float k) {
    cairo_set_source_rgb(cr, c[0] * k, c[1] * k, c[2] * k);
}

int artSave(ArtCanvas* c, const char* dir, const char* name, int bits, bool swapRedBlue) {
    cairo_surface_flush(c->surface);
    TgaImage img{};
    if (!tgaCreate(&img, bits, c->width, c->height)) return 0;
    int bpp = bits / 8;
    for (int y = 0; y < c->height; y++)
        for (int x = 0; x < c->width; x++) {
            uint32_t p = *pixelAt(c, x, y);
            uint32_t a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            if (bits == 32 && a > 0 && a < 255) {
                r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
                g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
                b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
            }
            if (swapRedBlue) std::swap(r, b);
            // Cairo's first row is the top; the TGA record's row 0 is the bottom.
            uint8_t* q = img.pixels + (int64_t(c->height - 1 - y) * c->width + x) * bpp;
            q[0] = uint8_t(r);
            q[1] = uint8_t(g);
            q[2] = uint8_t(b);
            if (bpp == 4) q[3] = uint8_t(a);
        }
    std::string path = std::string(dir) + "/" + name;
    int ok = tgaSave(&img, path.c_str());
    tgaFree(&img);
    if (!ok) printf("kavernix-art: cannot write %s\n", path.c_str());
    return ok;
}

// ---- Fonts.

namespace {

const char* const fontCandidates[artFontCount][3] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "/usr/share/fonts/dejavu/DejaVuSans-Bold.ttf",
     "/usr/share/fonts/TTF/DejaVuSans-Bold.ttf"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "/usr/share/fonts/dejavu/DejaVuSans.ttf",
     "/usr/share/fonts/TTF/DejaVuSans.ttf"},
    {"/usr/share/fonts/truetype/blankenburg/Blankenburg_UNZ1A.ttf",
     "/usr/share/fonts/blankenburg/Blankenburg_UNZ1A.ttf", "/usr/share/fonts/TTF/Blankenburg_UNZ1A.ttf"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", "/usr/share/fonts/dejavu/DejaVuSerif-Bold.ttf",
     "/usr/share/fonts/TTF/DejaVuSerif-Bold.ttf"},
};

FT_Library library = nullptr;
FT_Face faces[artFontCount];
cairo_font_face_t* cairoFaces[artFontCount];
bool tried[artFontCount];

} // namespace

const char* artFontPath(ArtFontId id) {
    for (const char* path : fontCandidates[id])
        if (access(path, R_OK) == 0) return path;
    return nullptr;
}

FT_FaceRec_* artFtFace(ArtFontId id) {
    if (tried[id]) return faces[id];
    tried[id] = true;
    if (!library && FT_Init_FreeType(&library) != 0) return nullptr;
    const char* path = artFontPath(id);
    if (!path || FT_New_Face(library, path, 0, &faces[id]) != 0) {
        printf("kavernix-art: font %s not found\n", fontCandidates[id][0]);
        faces[id] = nullptr;
    }
    return faces[id];
}

cairo_font_face_t* artFontFace(ArtFontId id) {
    if (!cairoFaces[id] && artFtFace(id))
        cairoFaces[id] = cairo_ft_font_face_create_for_ft_face(faces[id], 0);
    return cairoFaces[id];
}

void artUseFont(cairo_t* cr, ArtFontId id, double size) {
    cairo_font_face_t* face = artFontFace(id);
    if (face) cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

void artText(cairo_t* cr, const char* utf8, double x, double y, double align) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, utf8, &e);
    cairo_move_to(cr, x - align * e.x_advance, y);
    cairo_text_path(cr, utf8);
}

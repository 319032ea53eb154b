// SPDX-License-Identifier: GPL-3.0-or-later
// The textures: rock for floor and walls, wood, straw, the oil can, the spider, the horse's hide and
// legs, and the eight frames of the arrow's explosion. All are powers of two; every noise repeats
// across the image so the textures tile where the models wrap them.
#include "art.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace {

const float pi = 3.14159265f;

// ---- Floor: dark gravel, rounded pebbles of three sizes in a gritty bed. The game exchanges red and
// blue of the floor and wall when it mirror-tiles them, so both are stored exchanged and show as
// drawn here. That tiling mirrors the picture at every edge, so the pebbles are lit from the front,
// alike on every side: a light from one side would turn round at each mirror line and show it as a
// seam.
int floorTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    const int scales[3] = {11, 19, 32};
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, v = float(y) / size;
        float grit = artFbm(u * 64, v * 64, 2, 13, 64);
        float value = 0.07f + 0.07f * grit + 0.05f * artRandom(x, y, 14);
        float warm = 1.0f;
        // The big pebbles lie on top of the smaller ones.
        for (int layer = 2; layer >= 0; layer--) {
            int n = scales[layer];
            ArtCells cell = artCells(u * n, v * n, 11 + uint32_t(layer), n);
            float radius = 0.34f + 0.12f * float(cell.id & 255) / 255.0f;
            if (cell.f1 > radius) continue;
            float nx = cell.dx / radius, ny = cell.dy / radius;
            float nz = std::sqrt(artClamp(1 - nx * nx - ny * ny));
            float lit = artClamp(0.15f + 0.85f * nz);
            float tone = 0.2f + 0.22f * float((cell.id >> 8) & 255) / 255.0f;
            float rim = artSmooth(radius, radius * 0.8f, cell.f1);
            value = artMix(value, tone * (0.35f + 0.85f * lit) * (0.85f + 0.3f * grit), rim);
            int kind = int(cell.id >> 16) % 4;
            warm = kind == 0 ? 1.15f : kind == 1 ? 0.9f : 1.0f;
        }
        *r = value * 1.08f * warm;
        *g = value * 0.98f;
        *b = value * 0.86f / warm;
    });
    int ok = artSave(&c, dir, "floor.tga", 24, true);
    artCanvasFree(&c);
    return ok;
}

// ---- Wall: rough stone in strata, cracked, with a vein of ochre.
int wallTexture(const char* dir) {
    const int size = 512;
    ArtCanvas c = artCanvasCreate(size, size);
    const float layer[6][3] = {{0.42f, 0.39f, 0.35f}, {0.5f, 0.43f, 0.34f},  {0.33f, 0.31f, 0.30f},
                               {0.47f, 0.44f, 0.40f}, {0.52f, 0.43f, 0.31f}, {0.37f, 0.33f, 0.29f}};
    // Height of the rock surface; its slope towards the light (from above) shades it.
    auto height = [](float u, float v) {
        float bumps = artFbm(u * 10, v * 10, 5, 22, 10);
        float chips = artCells(u * 14, v * 14, 25, 14).f1;
        return bumps * 0.8f + chips * 0.25f;
    };
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, v = float(y) / size;
        float warp = artFbm(u * 4, v * 4, 4, 21, 4) - 0.5f;
        float strata = v * 7 + warp * 0.9f + 0.15f * std::sin(u * 2 * pi);
        int band = int(std::floor(strata));
        float inBand = strata - float(band);
        const float* col = layer[((band % 6) + 6) % 6];
        // Seams between layers: a dark groove with a lit lower lip.
        float seam = artSmooth(0.0f, 0.05f, inBand) * artSmooth(1.0f, 0.93f, inBand);
        float h = height(u, v);
        float slope = (height(u, v - 1.5f / size) - height(u, v + 1.5f / size)) * 40;
        float slopeX = (height(u + 1.5f / size, v) - height(u - 1.5f / size, v)) * 20;
        float fine = artFbm(u * 64, v * 64, 2, 23, 64);
        // Cracks: thin valleys of a warped noise, only in some places.
        float n = artFbm(u * 5, v * 5, 4, 24, 5);
        float where = artSmooth(0.45f, 0.6f, artNoise(u * 3, v * 3, 26, 3));
        float crack = 1 - (1 - artSmooth(0.0f, 0.012f, std::fabs(n - 0.5f))) * where;
        float light = 0.72f + 0.26f * slope + 0.15f * slopeX + 0.35f * (h - 0.5f) + 0.2f * (fine - 0.5f);
        light = artClamp(light, 0.08f, 1.3f);
        light *= 0.4f + 0.6f * seam;
        light *= 0.5f + 0.5f * crack;
        *r = col[0] * light * 1.1f;
        *g = col[1] * light * 1.1f;
        *b = col[2] * light * 1.1f;
    });
    int ok = artSave(&c, dir, "wall.tga", 24, true);
    artCanvasFree(&c);
    return ok;
}

// ---- Wood: two planks side by side, grain along t. The pit props use a thin strip around s = 0,
// which falls in the middle of a plank; the door shows both planks and their joints.
int woodTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, v = float(y) / size;
        int plank = int(std::floor((u + 0.25f) * 2)) & 1; // joints at u = 0.25 and 0.75
        float across = (u + 0.25f) * 2 - std::floor((u + 0.25f) * 2);
        float wobble = artFbm(u * 4, v * 2, 4, 31 + plank, 4, 2) - 0.5f;
        // A knot pulls the grain around itself.
        float kx = plank ? 0.62f : 0.2f, ky = plank ? 0.3f : 0.72f;
        float dx = u - kx, dy = (v - ky) * 0.35f;
        float knot = std::exp(-(dx * dx + dy * dy) * 900);
        float grainPos = u * 38 + wobble * 3.5f + knot * 2.5f * std::sin(std::atan2(dy, dx));
        float ring = 0.5f + 0.5f * std::sin(grainPos * 2 * pi);
        ring = std::pow(ring, 3.0f);
        float fibre = artFbm(u * 128, v * 8, 3, 33, 128, 8);
        float tone = 0.78f + 0.22f * (artFbm(u * 3, v * 3, 3, 34 + plank, 3) - 0.5f) * 2;
        float value = tone * (0.88f - 0.3f * ring + 0.16f * (fibre - 0.5f)) - 0.5f * knot;
        float joint = artSmooth(0.0f, 0.025f, across) * artSmooth(1.0f, 0.975f, across);
        value *= 0.25f + 0.75f * joint;
        float grime = artFbm(u * 8, v * 8, 4, 35, 8);
        value *= 0.8f + 0.25f * grime;
        *r = value * 0.62f;
        *g = value * 0.43f;
        *b = value * 0.24f;
    });
    // Nail heads along the door's cross battens.
    cairo_t* cr = c.cr;
    for (int i = 0; i < 4; i++) {
        double x = 32 + 64 * i + (i % 2 ? 10 : -10);
        for (double y : {40.0, 216.0}) {
            cairo_arc(cr, x, y, 3.2, 0, 2 * pi);
            cairo_set_source_rgb(cr, 0.12, 0.1, 0.09);
            cairo_fill_preserve(cr);
            cairo_set_source_rgb(cr, 0.32, 0.3, 0.28);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    }
    int ok = artSave(&c, dir, "wood.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// Draws a stroke of the texture at (x, y) and again shifted by the image size, so it wraps.
template <typename F> void wrapped(int size, double x0, double y0, double x1, double y1, F draw) {
    for (int oy = -1; oy <= 1; oy++)
        for (int ox = -1; ox <= 1; ox++) {
            double dx = ox * size, dy = oy * size;
            double minX = std::fmin(x0, x1) + dx, maxX = std::fmax(x0, x1) + dx;
            double minY = std::fmin(y0, y1) + dy, maxY = std::fmax(y0, y1) + dy;
            if (maxX < -8 || minX > size + 8 || maxY < -8 || minY > size + 8) continue;
            draw(x0 + dx, y0 + dy, x1 + dx, y1 + dy);
        }
}

// ---- Straw: layers of stalks, mostly lengthwise, over a shadowed bed.
int hayTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float n = artFbm(float(x) / 32, float(y) / 32, 3, 41, 8);
        *r = 0.35f + 0.15f * n;
        *g = 0.26f + 0.12f * n;
        *b = 0.07f;
    });
    cairo_t* cr = c.cr;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    ArtRng rng{42};
    for (int i = 0; i < 1400; i++) {
        double x = rng.range(0, size), y = rng.range(0, size);
        // One call per statement: the order of the numbers must not depend on the compiler.
        double angle = rng.range(-0.35f, 0.35f);
        if (rng.next() < 0.15f) angle += rng.range(-1.2f, 1.2f);
        double len = rng.range(30, 110), width = rng.range(1.4f, 3.6f);
        double x1 = x + std::cos(angle) * len, y1 = y + std::sin(angle) * len;
        float shade = rng.range(0.65f, 1.1f);
        float green = rng.next() < 0.1f ? 0.08f : 0;
        wrapped(size, x, y, x1, y1, [&](double ax, double ay, double bx, double by) {
            cairo_move_to(cr, ax, ay);
            cairo_line_to(cr, bx, by);
            cairo_set_line_width(cr, width + 1.2);
            cairo_set_source_rgba(cr, 0.2, 0.13, 0.03, 0.55);
            cairo_stroke_preserve(cr);
            cairo_set_line_width(cr, width);
            cairo_set_source_rgb(cr, 0.86 * shade, (0.72 + green) * shade, 0.32 * shade);
            cairo_stroke_preserve(cr);
            cairo_set_line_width(cr, width * 0.35);
            cairo_set_source_rgba(cr, 1.0, 0.95, 0.7, 0.45 * shade);
            cairo_stroke(cr);
        });
    }
    int ok = artSave(&c, dir, "heu.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// ---- Oil can: red enamel with rolled ribs, worn edges, rust, and a cream label.
int oilcanTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, v = float(y) / size;
        float rib = 0.5f + 0.5f * std::cos(v * 2 * pi * 6);
        float wear = artFbm(u * 8, v * 8, 5, 51, 8);
        float rust = artSmooth(0.62f, 0.72f, wear * 0.7f + 0.3f * artFbm(u * 32, v * 32, 3, 52, 32));
        float sheen = 0.85f + 0.15f * rib + 0.06f * (artFbm(u * 2, v * 40, 2, 53, 2) - 0.5f);
        float pr = 0.72f * sheen, pg = 0.1f * sheen, pb = 0.07f * sheen;
        float bare = artSmooth(0.58f, 0.64f, wear) * (1 - rust);
        pr = artMix(pr, 0.55f, bare * 0.6f);
        pg = artMix(pg, 0.53f, bare * 0.6f);
        pb = artMix(pb, 0.5f, bare * 0.6f);
        float rustTone = 0.6f + 0.4f * artRandom(x, y, 54);
        *r = artMix(pr, 0.45f * rustTone, rust);
        *g = artMix(pg, 0.22f * rustTone, rust);
        *b = artMix(pb, 0.08f * rustTone, rust);
    });
    cairo_t* cr = c.cr;
    // The label, repeated on both halves so it shows from either side of the can.
    for (int side = 0; side < 2; side++) {
        double x = 20 + side * 128, y = 78, w = 88, h = 100;
        cairo_rectangle(cr, x, y, w, h);
        cairo_set_source_rgb(cr, 0.9, 0.84, 0.62);
        cairo_fill(cr);
        cairo_rectangle(cr, x + 4, y + 4, w - 8, h - 8);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        // A flame.
        double fx = x + w / 2, fy = y + 52;
        cairo_move_to(cr, fx, fy - 30);
        cairo_curve_to(cr, fx + 16, fy - 10, fx + 14, fy + 6, fx, fy + 8);
        cairo_curve_to(cr, fx - 14, fy + 6, fx - 16, fy - 10, fx, fy - 30);
        cairo_set_source_rgb(cr, 0.9, 0.45, 0.05);
        cairo_fill(cr);
        cairo_move_to(cr, fx, fy - 14);
        cairo_curve_to(cr, fx + 8, fy - 2, fx + 7, fy + 6, fx, fy + 7);
        cairo_curve_to(cr, fx - 7, fy + 6, fx - 8, fy - 2, fx, fy - 14);
        cairo_set_source_rgb(cr, 1.0, 0.85, 0.2);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.1, 0.08, 0.06);
        artUseFont(cr, artFontSans, 17);
        artText(cr, "LAMPEN", fx, y + 20, 0.5);
        cairo_fill(cr);
        artUseFont(cr, artFontSans, 22);
        artText(cr, "\xC3\x96L", fx, y + h - 12, 0.5); // "ÖL"
        cairo_fill(cr);
    }
    // Scratches and dirt over everything, the label included.
    ArtRng rng{55};
    cairo_set_line_width(cr, 0.8);
    for (int i = 0; i < 70; i++) {
        double x = rng.range(0, size), y = rng.range(0, size), a = rng.range(0, 2 * pi), l = rng.range(4, 18);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + std::cos(a) * l, y + std::sin(a) * l);
        cairo_set_source_rgba(cr, 0.75, 0.72, 0.68, 0.35);
        cairo_stroke(cr);
    }
    artPixelsBegin(&c);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            float r, g, b;
            artGet(&c, x, y, &r, &g, &b);
            float dirt = 0.8f + 0.2f * artFbm(float(x) / 16, float(y) / 16, 4, 56, 16);
            artPut(&c, x, y, r * dirt, g * dirt, b * dirt);
        }
    artPixelsEnd(&c);
    int ok = artSave(&c, dir, "oilcan.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// ---- Spider: near-black body, dense bristles, faint pale bands.
int spiderTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, v = float(y) / size;
        float n = artFbm(u * 8, v * 8, 4, 61, 8);
        float band = artSmooth(0.75f, 0.95f, 0.5f + 0.5f * std::sin(v * 2 * pi * 4 + n * 3));
        float value = 0.06f + 0.08f * n + 0.12f * band;
        *r = value * 1.1f;
        *g = value * 0.9f;
        *b = value * 0.75f;
    });
    cairo_t* cr = c.cr;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    ArtRng rng{62};
    for (int i = 0; i < 5000; i++) {
        double x = rng.range(0, size), y = rng.range(0, size);
        double angle = 0.6 + rng.range(-0.5f, 0.5f), len = rng.range(3, 10);
        float light = rng.next();
        double x1 = x + std::cos(angle) * len, y1 = y + std::sin(angle) * len;
        wrapped(size, x, y, x1, y1, [&](double ax, double ay, double bx, double by) {
            cairo_move_to(cr, ax, ay);
            cairo_line_to(cr, bx, by);
            cairo_set_line_width(cr, 0.9);
            if (light < 0.8f)
                cairo_set_source_rgba(cr, 0.01, 0.01, 0.01, 0.7);
            else
                cairo_set_source_rgba(cr, 0.42, 0.35, 0.27, 0.55);
            cairo_stroke(cr);
        });
    }
    int ok = artSave(&c, dir, "spider.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// The horse's coat: a warm bay brown with hair running along t (the body's length) and soft dapples.
void horseCoat(float u, float v, uint32_t seed, float* r, float* g, float* b) {
    float hair = artFbm(u * 96, v * 6, 3, seed, 96, 6);
    float patch = artFbm(u * 4, v * 4, 4, seed + 1, 4);
    ArtCells dapple = artCells(u * 10, v * 10, seed + 2, 10);
    float value =
        0.8f + 0.3f * (patch - 0.5f) * 2 + 0.2f * (hair - 0.5f) + 0.06f * artSmooth(0.55f, 0.1f, dapple.f1);
    *r = 0.6f * value;
    *g = 0.34f * value;
    *b = 0.16f * value;
}

int horseTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, v = float(y) / size;
        horseCoat(u, v, 71, r, g, b);
    });
    int ok = artSave(&c, dir, "pferd.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// Legs: the coat above, darker towards the fetlock, and a dark hoof at the bottom end of t
// (the image's lowest rows).
int horseLegTexture(const char* dir) {
    const int size = 256;
    ArtCanvas c = artCanvasCreate(size, size);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / size, t = 1 - (float(y) + 0.5f) / size;
        horseCoat(u, t, 81, r, g, b);
        float dark = artSmooth(0.42f, 0.2f, t);
        *r *= 1 - 0.6f * dark;
        *g *= 1 - 0.62f * dark;
        *b *= 1 - 0.6f * dark;
        float edge = 0.14f + 0.015f * std::sin(u * 2 * pi * 3);
        if (t < edge + 0.01f) {
            float hoofLine = 0.5f + 0.5f * std::sin(t * 2 * pi * 22 + artNoise(u * 16, t * 16, 82, 16) * 2);
            float hoof = 0.11f + 0.05f * hoofLine + 0.04f * artFbm(u * 32, t * 32, 2, 83, 32);
            float blend = artSmooth(edge + 0.01f, edge - 0.005f, t);
            *r = artMix(*r, hoof * 1.05f, blend);
            *g = artMix(*g, hoof * 0.97f, blend);
            *b = artMix(*b, hoof * 0.9f, blend);
        }
    });
    int ok = artSave(&c, dir, "pferd_bein.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// ---- Explosion: eight frames on pure black, a white-hot core flaring into ragged flame and
// dying to embers. The frames are drawn with additive blending, so black adds nothing.
int explosionFrame(const char* dir, int frame) {
    const int size = 128;
    ArtCanvas c = artCanvasCreate(size, size);
    float t = float(frame) / 7;                         // 0 to 1 over the frames
    float radius = 0.22f + 0.7f * std::sqrt(t);         // of the half size
    float heat = frame == 0 ? 1.3f : 1.05f - 0.85f * t; // brightness of the core
    float hollow = artSmooth(0.35f, 1.0f, t) * 0.75f;   // the middle burns out first
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float dx = (float(x) + 0.5f - size / 2) / (size / 2), dy = (float(y) + 0.5f - size / 2) / (size / 2);
        float d = std::sqrt(dx * dx + dy * dy);
        float a = std::atan2(dy, dx);
        float tongues = artFbm((a / (2 * pi) + 0.5f) * 12, t * 3, 3, 91, 12);
        float puff = artFbm(dx * 4 + 10, dy * 4 + 10 + t * 2, 4, 92);
        float edge = radius * (0.7f + 0.5f * tongues) * 0.92f;
        float body = artSmooth(edge, edge * 0.55f, d);
        float inner = artSmooth(radius * hollow * 0.9f, radius * hollow * 0.9f - 0.12f, d) * hollow;
        float e = body * (0.55f + 0.7f * puff) * heat * (1 - 0.8f * inner);
        e = artClamp(e * artSmooth(0.98f, 0.85f, d), 0, 1.4f);
        float white = artSmooth(0.7f, 1.2f, e);
        *r = artClamp(e * 1.6f);
        *g = artClamp(e * e * 1.2f + white * 0.3f);
        *b = artClamp(e * e * e * 0.6f + white * 0.5f);
        if (*r < 0.02f) *r = *g = *b = 0; // keep the background exactly black
    });
    // Sparks flying out in the early frames, drawn additively so the black around them stays black.
    if (frame >= 1 && frame <= 5) {
        cairo_t* cr = c.cr;
        cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        ArtRng rng{93};
        float fadeOut = 1 - float(frame - 1) / 5;
        for (int i = 0; i < 18; i++) {
            double a = rng.range(0, 2 * pi), speed = rng.range(0.6f, 1.0f);
            double outer = std::fmin(0.9, (0.35 + 0.12 * frame) * speed) * size / 2;
            double inner = outer * 0.75;
            cairo_move_to(cr, size / 2 + std::cos(a) * inner, size / 2 + std::sin(a) * inner);
            cairo_line_to(cr, size / 2 + std::cos(a) * outer, size / 2 + std::sin(a) * outer);
            cairo_set_line_width(cr, 1.6);
            cairo_set_source_rgba(cr, 1.0, 0.85, 0.4, 0.8 * fadeOut);
            cairo_stroke(cr);
        }
    }
    char name[24]; // room for any int, so the formatting cannot be cut short
    snprintf(name, sizeof name, "map%d.tga", frame + 1);
    int ok = artSave(&c, dir, name, 24);
    artCanvasFree(&c);
    return ok;
}

} // namespace

int artTextures(const char* dir) {
    int written = floorTexture(dir) + wallTexture(dir) + woodTexture(dir) + hayTexture(dir) +
                  oilcanTexture(dir) + spiderTexture(dir) + horseTexture(dir) + horseLegTexture(dir);
    for (int frame = 0; frame < 8; frame++) written += explosionFrame(dir, frame);
    return 16 - written;
}

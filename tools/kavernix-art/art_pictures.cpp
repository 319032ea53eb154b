// SPDX-License-Identifier: GPL-3.0-or-later
// The full-window pictures with the dragon Grolk: the story poster and the lost end picture; and
// artPictures, which writes them with the rest (art_daylight.cpp, art_boss.cpp). All are 1280 x 960;
// the game fits them to the window.
#include "art.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

const int W = 1280, H = 960;
const double pi = 3.14159265358979;

// ---- The dragon Grolk, as one closed outline: body, neck and horned head, a curled tail, two
// bat wings and short legs. Drawn facing right around (0, 0) at about 400 units of wingspan.
void dragonPath(cairo_t* cr) {
    // Body and neck up to the head.
    cairo_move_to(cr, -70, 0);
    cairo_curve_to(cr, -40, -28, 20, -30, 55, -20);
    cairo_curve_to(cr, 80, -35, 90, -70, 110, -88); // neck, back side
    cairo_line_to(cr, 104, -112);                   // horn
    cairo_line_to(cr, 122, -94);
    cairo_line_to(cr, 128, -118); // second horn
    cairo_line_to(cr, 136, -94);
    cairo_curve_to(cr, 150, -92, 165, -86, 178, -80); // snout
    cairo_line_to(cr, 172, -72);
    cairo_line_to(cr, 150, -72); // open jaw
    cairo_line_to(cr, 170, -60);
    cairo_curve_to(cr, 150, -56, 132, -58, 122, -62);
    cairo_curve_to(cr, 105, -40, 95, -15, 75, 8); // throat
    // Front leg.
    cairo_line_to(cr, 62, 14);
    cairo_line_to(cr, 70, 36);
    cairo_line_to(cr, 80, 42);
    cairo_line_to(cr, 64, 44);
    cairo_line_to(cr, 50, 18);
    // Belly to the hind leg.
    cairo_curve_to(cr, 20, 24, -10, 24, -25, 20);
    cairo_line_to(cr, -15, 46);
    cairo_line_to(cr, -2, 54);
    cairo_line_to(cr, -20, 56);
    cairo_line_to(cr, -42, 22);
    // Tail, curling down and back up to a spade.
    cairo_curve_to(cr, -90, 30, -120, 70, -170, 60);
    cairo_curve_to(cr, -200, 54, -215, 30, -205, 12);
    cairo_line_to(cr, -226, 8);
    cairo_line_to(cr, -204, -10);
    cairo_line_to(cr, -196, 12);
    cairo_curve_to(cr, -200, 40, -175, 48, -150, 44);
    cairo_curve_to(cr, -115, 38, -95, 14, -70, 0);
    cairo_close_path(cr);
    // The near wing: from the shoulder up to the wrist, out to the tip, then scalloped back.
    cairo_move_to(cr, 20, -24);
    cairo_curve_to(cr, 0, -80, -40, -150, -70, -190);
    cairo_line_to(cr, -210, -170);
    cairo_curve_to(cr, -170, -150, -150, -120, -160, -90);
    cairo_curve_to(cr, -130, -100, -110, -80, -108, -50);
    cairo_curve_to(cr, -85, -60, -60, -45, -55, -20);
    cairo_curve_to(cr, -30, -30, -10, -22, 20, -24);
    cairo_close_path(cr);
    // The far wing, raised behind the neck.
    cairo_move_to(cr, 40, -26);
    cairo_curve_to(cr, 40, -90, 50, -160, 60, -215);
    cairo_line_to(cr, 170, -235);
    cairo_curve_to(cr, 140, -200, 125, -175, 135, -150);
    cairo_curve_to(cr, 110, -150, 95, -130, 92, -110);
    cairo_curve_to(cr, 80, -100, 70, -60, 60, -22);
    cairo_close_path(cr);
}

// The bones of the wings, drawn as lines over a filled dragon.
void dragonBones(cairo_t* cr) {
    const double near[4][2] = {{-210, -170}, {-160, -90}, {-108, -50}, {-55, -20}};
    for (const auto& p : near) {
        cairo_move_to(cr, -70, -190);
        cairo_line_to(cr, p[0], p[1]);
    }
    const double far[3][2] = {{170, -235}, {135, -150}, {92, -110}};
    for (const auto& p : far) {
        cairo_move_to(cr, 60, -215);
        cairo_line_to(cr, p[0], p[1]);
    }
}

// Fire from the dragon's jaw: overlapping translucent tongues, hottest at the mouth.
void dragonFire(cairo_t* cr, uint32_t seed, double length, double spread) {
    ArtRng rng{seed};
    const float colours[4][3] = {
        {0.6f, 0.05f, 0.0f}, {0.95f, 0.3f, 0.02f}, {1.0f, 0.65f, 0.1f}, {1.0f, 0.95f, 0.6f}};
    for (int layer = 0; layer < 4; layer++) {
        double scale = 1.0 - layer * 0.2;
        for (int i = 0; i < 14; i++) {
            double len = length * scale * rng.range(0.6f, 1.0f);
            double a = rng.range(-0.5f, 0.5f) * spread;
            double w = len * 0.16 * rng.range(0.7f, 1.2f);
            double ex = 175 + std::cos(a) * len, ey = -66 + std::sin(a) * len;
            cairo_move_to(cr, 172, -66);
            cairo_curve_to(cr, 175 + len * 0.3, -66 - w, ex - len * 0.2, ey - w * 1.5, ex, ey);
            cairo_curve_to(cr, ex - len * 0.25, ey + w * 1.5, 175 + len * 0.3, -66 + w, 172, -66);
            cairo_set_source_rgba(cr, colours[layer][0], colours[layer][1], colours[layer][2], 0.35);
            cairo_fill(cr);
        }
    }
}

// ---- Stars: small points and a few larger ones, only above the skyline.
template <typename F> void stars(ArtCanvas* c, double maxY, uint32_t seed, F skyline) {
    cairo_t* cr = c->cr;
    ArtRng rng{seed};
    for (int i = 0; i < 700; i++) {
        double x = rng.range(0, W), y = rng.range(0, float(maxY));
        if (y > skyline(x) - 4) continue;
        double fadeDown = 1 - y / maxY;
        double b = rng.range(0.3f, 1.0f) * (0.3 + 0.7 * fadeDown);
        double r = rng.next() < 0.06f ? 1.8 : 0.8;
        cairo_arc(cr, x, y, r, 0, 2 * pi);
        cairo_set_source_rgba(cr, 0.85, 0.9, 1.0, b);
        cairo_fill(cr);
    }
}

// The profile of a mountain ridge: height above the bottom (in pixels) at column x.
double ridge(double x, double peakX, double peakY, double slopeL, double slopeR, uint32_t seed) {
    double d = x - peakX;
    double y = peakY + (d < 0 ? -d * slopeL : d * slopeR);
    y += (artFbm(float(x) / 90, 0.5f, 5, seed) - 0.5) * 90;
    return y;
}

// ---- The story poster. The figures keep to the right and the top: the story's text rests in the
// left part, from 4 % to 70 % of the width and 10 % to 75 % of the height from the bottom.
const double moonX = 0.86 * W, moonY = 0.19 * H, moonR = 120;
const double peakX = 0.87 * W, peakY = 0.4 * H;
// The mine's door low on the mountain.
const double doorX = 0.85 * W, doorY = 0.83 * H, doorW = 110, doorH = 140;

// The tops of the far range and of the main mountain at column x.
double farRange(double x) {
    return 0.58 * H + (artFbm(float(x) / 160, 3.5f, 5, 202) - 0.5) * 160;
}
double mountain(double x) {
    return ridge(x, peakX, peakY, 1.25, 0.9, 204);
}

// The night: sky, the far range, the main mountain, the foreground slope and the stars.
void posterNight(ArtCanvas* c) {
    artShade(c, [&](int x, int y, float* r, float* g, float* b) {
        float v = float(y) / H;
        // Night sky, brighter near the horizon and around the moon.
        float dm = float(std::sqrt((x - moonX) * (x - moonX) + (y - moonY) * (y - moonY)));
        float halo = std::exp(-dm / 260.0f) * 0.35f;
        float cloud = artSmooth(0.55f, 0.8f, artFbm(float(x) / 300, float(y) / 90, 5, 201)) * 0.12f;
        *r = 0.01f + 0.05f * v + halo * 0.6f + cloud * 0.5f;
        *g = 0.015f + 0.06f * v + halo * 0.65f + cloud * 0.55f;
        *b = 0.05f + 0.14f * v + halo * 0.8f + cloud * 0.8f;
        // Far range, blue in the moonlight.
        double far = farRange(x);
        if (y > far) {
            float k = 0.55f + 0.2f * artFbm(float(x) / 40, float(y) / 40, 3, 203);
            *r = 0.05f * k;
            *g = 0.06f * k;
            *b = 0.13f * k;
        }
        // The main mountain, where the mine is.
        double top = mountain(x);
        if (y > top) {
            float u = float(x) / W;
            float rock = artFbm(u * 20, v * 20, 5, 205);
            float strata = 0.5f + 0.5f * std::sin(v * 60 + rock * 6);
            // Moonlight from the right: the slopes facing it and the crest are brighter.
            float slope = float(mountain(x + 25) - mountain(x - 25)) / 50;
            float lit = float(artClamp(float(1 - (y - top) / 90.0))) *
                        (0.4f + 0.6f * artClamp(-slope + 0.5f)) *
                        artSmooth(0.72f * W, 0.78f * W, float(x)); // the moon lights the right part only
            float face = 0.08f * artSmooth(float(peakX) - 60, float(peakX) + 160, float(x));
            float k = 0.08f + 0.09f * rock + 0.025f * strata + 0.16f * lit + face * rock;
            *r = k * 0.9f;
            *g = k * 0.92f;
            *b = k * 1.25f;
        }
        // Foreground slope along the bottom, darkest at the lower left for the story text.
        double ground = 0.86 * H + (artFbm(float(x) / 220, 7.5f, 4, 206) - 0.5) * 80 - x * 0.05;
        if (y > ground) {
            float k = 0.02f + 0.03f * artFbm(float(x) / 30, float(y) / 30, 3, 207);
            *r = k;
            *g = k * 1.1f;
            *b = k * 1.4f;
        }
        // Shade the lower left, where the story text rises.
        float shade = artSmooth(0.15f, 0.75f, float(y) / H) * artSmooth(0.95f, 0.35f, float(x) / W);
        *r *= 1 - 0.75f * shade;
        *g *= 1 - 0.75f * shade;
        *b *= 1 - 0.75f * shade;
    });
    stars(c, 0.6 * H, 208, [&](double x) { return std::fmin(farRange(x), mountain(x)); });
}

// The moon, with the dragon across it.
void posterMoon(cairo_t* cr) {
    {
        cairo_pattern_t* p = cairo_pattern_create_radial(moonX - 30, moonY - 30, 10, moonX, moonY, moonR);
        cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.98, 0.88);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.85, 0.82, 0.7);
        cairo_arc(cr, moonX, moonY, moonR, 0, 2 * pi);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        ArtRng rng{209};
        for (int i = 0; i < 9; i++) {
            double a = rng.range(0, 2 * pi), d = rng.range(0, 85), r = rng.range(8, 24);
            cairo_arc(cr, moonX + std::cos(a) * d, moonY + std::sin(a) * d, r, 0, 2 * pi);
            cairo_set_source_rgba(cr, 0.6, 0.58, 0.5, 0.25);
            cairo_fill(cr);
        }
    }
    cairo_save(cr);
    // Wing tips and the tail's spade stay inside the picture, clear of its right edge.
    cairo_translate(cr, moonX - 35, moonY + 75);
    cairo_scale(cr, -0.72, 0.72); // facing left, towards the title
    cairo_rotate(cr, -0.12);
    dragonPath(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_source_rgb(cr, 0.01, 0.01, 0.02);
    cairo_fill(cr);
    dragonBones(cr);
    cairo_set_source_rgba(cr, 0.15, 0.12, 0.12, 0.8);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    cairo_arc(cr, 140, -82, 4, 0, 2 * pi); // a glowing eye
    cairo_set_source_rgb(cr, 1.0, 0.3, 0.05);
    cairo_fill(cr);
    cairo_restore(cr);
}

// The lantern's glow on the rock, and the dark tunnel mouth around the door's frame.
void posterTunnel(cairo_t* cr) {
    cairo_pattern_t* glow =
        cairo_pattern_create_radial(doorX + 95, doorY - 110, 5, doorX + 95, doorY - 110, 260);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.7, 0.3, 0.55);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.5, 0.1, 0);
    cairo_rectangle(cr, doorX - 260, doorY - 400, 640, 520);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_move_to(cr, doorX - doorW / 2 - 40, doorY);
    cairo_curve_to(cr, doorX - doorW / 2 - 50, doorY - doorH - 40, doorX + doorW / 2 + 50, doorY - doorH - 50,
                   doorX + doorW / 2 + 40, doorY);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.03, 0.025, 0.02);
    cairo_fill(cr);
}

// The plank door with its braces and Grolk's padlock, in a timber frame of two posts and a lintel.
void posterDoor(cairo_t* cr) {
    for (int i = 0; i < 5; i++) {
        double x = doorX - doorW / 2 + i * doorW / 5;
        cairo_rectangle(cr, x + 1, doorY - doorH, doorW / 5 - 2, doorH);
        float k = 0.85f + 0.15f * float(i % 2);
        cairo_set_source_rgb(cr, 0.36 * k, 0.22 * k, 0.11 * k);
        cairo_fill(cr);
    }
    for (double y : {doorY - doorH + 25, doorY - 30}) {
        cairo_rectangle(cr, doorX - doorW / 2, y, doorW, 12);
        cairo_set_source_rgb(cr, 0.3, 0.18, 0.08);
        cairo_fill(cr);
    }
    cairo_move_to(cr, doorX - doorW / 2, doorY - 30);
    cairo_line_to(cr, doorX + doorW / 2, doorY - doorH + 37);
    cairo_set_line_width(cr, 10);
    cairo_set_source_rgb(cr, 0.3, 0.18, 0.08);
    cairo_stroke(cr);
    // A padlock: Grolk keeps it shut.
    cairo_arc(cr, doorX + 30, doorY - 80, 9, pi, 2 * pi);
    cairo_set_line_width(cr, 4);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_stroke(cr);
    cairo_rectangle(cr, doorX + 19, doorY - 80, 22, 18);
    cairo_set_source_rgb(cr, 0.7, 0.6, 0.25);
    cairo_fill(cr);
    // Timber frame: two posts and a lintel.
    const float timber[3] = {0.42f, 0.27f, 0.13f};
    cairo_rectangle(cr, doorX - doorW / 2 - 18, doorY - doorH - 10, 18, doorH + 10);
    cairo_rectangle(cr, doorX + doorW / 2, doorY - doorH - 10, 18, doorH + 10);
    cairo_rectangle(cr, doorX - doorW / 2 - 34, doorY - doorH - 30, doorW + 68, 22);
    artSetRgb(cr, timber);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.1, 0.06, 0.03);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

// The lantern on a hook beside the door, and a few rails leading out of the mine.
void posterLanternAndRails(cairo_t* cr) {
    double lx = doorX + 95, ly = doorY - 110;
    cairo_move_to(cr, doorX + doorW / 2 + 18, ly - 30);
    cairo_line_to(cr, lx, ly - 30);
    cairo_line_to(cr, lx, ly - 18);
    cairo_set_source_rgb(cr, 0.15, 0.12, 0.1);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_rectangle(cr, lx - 9, ly - 18, 18, 26);
    cairo_set_source_rgb(cr, 1.0, 0.85, 0.45);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.15, 0.12, 0.1);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 3);
    cairo_set_source_rgba(cr, 0.45, 0.4, 0.38, 0.8);
    cairo_move_to(cr, doorX - 30, doorY);
    cairo_line_to(cr, doorX - 140, H);
    cairo_move_to(cr, doorX + 30, doorY);
    cairo_line_to(cr, doorX + 60, H);
    cairo_stroke(cr);
    for (int i = 0; i < 6; i++) {
        double t = (i + 0.5) / 6, y = doorY + t * (H - doorY);
        cairo_move_to(cr, doorX - 30 - 110 * t - 10, y);
        cairo_line_to(cr, doorX + 30 + 30 * t + 10, y);
        cairo_set_source_rgba(cr, 0.25, 0.16, 0.08, 0.8);
        cairo_set_line_width(cr, 5);
        cairo_stroke(cr);
    }
}

// The title: gold blackletter with a dark outline and a warm glow.
void posterTitle(cairo_t* cr) {
    artUseFont(cr, artFontGothic, 200);
    const double titleX = 0.34 * W, titleY = 0.19 * H;
    for (int i = 6; i >= 1; i--) {
        artText(cr, "Kavernix", titleX, titleY, 0.5);
        cairo_set_source_rgba(cr, 1.0, 0.6, 0.15, 0.05);
        cairo_set_line_width(cr, i * 7);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    artText(cr, "Kavernix", titleX, titleY, 0.5);
    cairo_set_source_rgb(cr, 0.12, 0.05, 0.01);
    cairo_set_line_width(cr, 9);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, titleY - 170, 0, titleY + 40);
    cairo_pattern_add_color_stop_rgb(gold, 0, 1.0, 0.95, 0.7);
    cairo_pattern_add_color_stop_rgb(gold, 0.45, 0.95, 0.72, 0.25);
    cairo_pattern_add_color_stop_rgb(gold, 0.55, 0.75, 0.48, 0.12);
    cairo_pattern_add_color_stop_rgb(gold, 1, 0.98, 0.8, 0.4);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    cairo_pattern_destroy(gold);
}

int poster(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    posterNight(&c);
    posterMoon(c.cr);
    posterTunnel(c.cr);
    posterDoor(c.cr);
    posterLanternAndRails(c.cr);
    posterTitle(c.cr);
    int ok = artSave(&c, dir, "poster.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// ---- Lost: Grolk in a rage, breathing fire over a burning red sky.
int badDragon(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
        float v = float(y) / H;
        float smoke = artFbm(float(x) / 220, float(y) / 160, 6, 501);
        float heat = artSmooth(0.3f, 1.0f, v);
        *r = 0.08f + 0.45f * heat * smoke + 0.15f * smoke;
        *g = 0.01f + 0.12f * heat * smoke * smoke;
        *b = 0.02f + 0.03f * smoke;
        // Jagged black rocks along the bottom.
        double rocks = 0.82 * H + (artFbm(float(x) / 70, 2.5f, 4, 502) - 0.5) * 150;
        if (y > rocks) {
            float k = 0.02f + 0.04f * artFbm(float(x) / 20, float(y) / 20, 3, 503);
            float rim = std::exp(-float(y - rocks) / 8.0f) * 0.5f;
            *r = k + rim;
            *g = k * 0.6f + rim * 0.25f;
            *b = k * 0.5f;
        }
    });
    cairo_t* cr = c.cr;
    // Embers rising.
    ArtRng rng{504};
    for (int i = 0; i < 220; i++) {
        double x = rng.range(0, W), y = rng.range(0.2f * H, H), r = rng.range(1, 3.5f);
        cairo_arc(cr, x, y, r, 0, 2 * pi);
        double green = rng.range(0.4f, 0.8f);
        double alpha = rng.range(0.4f, 0.9f);
        cairo_set_source_rgba(cr, 1.0, green, 0.1, alpha);
        cairo_fill(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, 0.42 * W, 0.62 * H);
    cairo_scale(cr, 2.3, 2.3);
    cairo_rotate(cr, -0.1);
    dragonFire(cr, 505, 260, 0.7);
    dragonPath(cr);
    cairo_pattern_t* scales = cairo_pattern_create_linear(0, -240, 0, 60);
    cairo_pattern_add_color_stop_rgb(scales, 0, 0.35, 0.05, 0.03);
    cairo_pattern_add_color_stop_rgb(scales, 0.6, 0.18, 0.02, 0.02);
    cairo_pattern_add_color_stop_rgb(scales, 1, 0.06, 0.01, 0.01);
    cairo_set_source(cr, scales);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(scales);
    cairo_set_source_rgb(cr, 0.9, 0.3, 0.05); // firelight on the outline
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    dragonBones(cr);
    cairo_set_source_rgba(cr, 0.05, 0.0, 0.0, 0.9);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    // Teeth in the open jaw.
    for (int i = 0; i < 4; i++) {
        double x = 152 + i * 5;
        cairo_move_to(cr, x, -72);
        cairo_line_to(cr, x + 2.5, -66);
        cairo_line_to(cr, x + 5, -72);
        cairo_close_path(cr);
        cairo_move_to(cr, x - 1, -69 + i * 2.4);
        cairo_line_to(cr, x + 1.5, -74 + i * 2.4);
        cairo_line_to(cr, x + 4, -69 + i * 2.4);
        cairo_close_path(cr);
    }
    cairo_set_source_rgb(cr, 1.0, 0.95, 0.8);
    cairo_fill(cr);
    // The angry eye and brow.
    cairo_arc(cr, 140, -84, 5, 0, 2 * pi);
    cairo_set_source_rgb(cr, 1.0, 0.9, 0.2);
    cairo_fill(cr);
    cairo_move_to(cr, 128, -96);
    cairo_line_to(cr, 152, -86);
    cairo_set_source_rgb(cr, 0.05, 0.0, 0.0);
    cairo_set_line_width(cr, 3.5);
    cairo_stroke(cr);
    cairo_restore(cr);
    int ok = artSave(&c, dir, "baddragon.tga", 24);
    artCanvasFree(&c);
    return ok;
}

} // namespace

int artPictures(const char* dir) {
    int written = poster(dir) + artDoorOpen(dir) + artLastPicture(dir) + badDragon(dir) + artBossPicture(dir);
    return 5 - written;
}

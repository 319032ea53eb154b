// SPDX-License-Identifier: GPL-3.0-or-later
// The full-window pictures: the story poster, daylight through the opening exit, the won and lost end
// pictures and the boss key's spreadsheet. All are 1280 x 960; the game fits them to the window.
#include "art.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

const int W = 1280, H = 960;
const double pi = 3.14159265358979;

void setRgb(cairo_t* cr, const float c[3], float k = 1) {
    cairo_set_source_rgb(cr, c[0] * k, c[1] * k, c[2] * k);
}

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

// ---- The story poster.
int poster(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    cairo_t* cr = c.cr;
    // The figures keep to the right and the top: the story's text rests in the left part, from
    // 4 % to 70 % of the width and 10 % to 75 % of the height from the bottom.
    const double moonX = 0.86 * W, moonY = 0.19 * H, moonR = 120;
    const double peakX = 0.87 * W, peakY = 0.4 * H;
    auto farRange = [](double x) { return 0.58 * H + (artFbm(float(x) / 160, 3.5f, 5, 202) - 0.5) * 160; };
    auto mountain = [&](double x) { return ridge(x, peakX, peakY, 1.25, 0.9, 204); };
    artShade(&c, [&](int x, int y, float* r, float* g, float* b) {
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
            float lit = float(artClamp(float(1 - (y - top) / 90.0))) * (0.4f + 0.6f * artClamp(-slope + 0.5f)) *
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
    stars(&c, 0.6 * H, 208, [&](double x) { return std::fmin(farRange(x), mountain(x)); });

    // The moon, with the dragon across it.
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
    cairo_translate(cr, moonX + 10, moonY + 75);
    cairo_scale(cr, -0.8, 0.8); // facing left, towards the title
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

    // The mine's door low on the mountain: a timber frame, a plank door and a lantern's glow.
    const double doorX = 0.85 * W, doorY = 0.83 * H, doorW = 110, doorH = 140;
    {
        cairo_pattern_t* glow =
            cairo_pattern_create_radial(doorX + 95, doorY - 110, 5, doorX + 95, doorY - 110, 260);
        cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.7, 0.3, 0.55);
        cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.5, 0.1, 0);
        cairo_rectangle(cr, doorX - 260, doorY - 400, 640, 520);
        cairo_set_source(cr, glow);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
        // The dark tunnel mouth around the frame.
        cairo_move_to(cr, doorX - doorW / 2 - 40, doorY);
        cairo_curve_to(cr, doorX - doorW / 2 - 50, doorY - doorH - 40, doorX + doorW / 2 + 50,
                       doorY - doorH - 50, doorX + doorW / 2 + 40, doorY);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 0.03, 0.025, 0.02);
        cairo_fill(cr);
        // Door planks.
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
        setRgb(cr, timber);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.1, 0.06, 0.03);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        // The lantern on a hook beside the door.
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
        // A few rails leading out of the mine.
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

    int ok = artSave(&c, dir, "poster.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// ---- A sunny landscape: sky, sun, hills and meadow; shared by the open door and the won picture.
void daylight(ArtCanvas* c, double horizon, double sunX, double sunY, uint32_t seed) {
    artShade(c, [&](int x, int y, float* r, float* g, float* b) {
        float v = float(y) / H;
        float ds = float(std::sqrt((x - sunX) * (x - sunX) + (y - sunY) * (y - sunY)));
        float sun = std::exp(-ds / 160.0f);
        float cloud = artSmooth(0.5f, 0.75f, artFbm(float(x) / 260, float(y) / 70, 5, seed));
        *r = 0.35f + 0.4f * v + 0.6f * sun;
        *g = 0.6f + 0.3f * v + 0.5f * sun;
        *b = 0.95f + 0.05f * v + 0.2f * sun;
        *r = artMix(*r, 1.0f, cloud * 0.85f);
        *g = artMix(*g, 1.0f, cloud * 0.85f);
        *b = artMix(*b, 1.0f, cloud * 0.85f);
        // Distant blue mountains, then two rows of green hills.
        double far = horizon - 120 + (artFbm(float(x) / 200, 1.5f, 5, seed + 1) - 0.5) * 200;
        if (y > far) {
            float k = float(y - far) / 200;
            *r = 0.45f + 0.1f * k;
            *g = 0.55f + 0.1f * k;
            *b = 0.75f;
        }
        double hills = horizon - 30 + (artFbm(float(x) / 260, 4.5f, 4, seed + 2) - 0.5) * 110;
        if (y > hills) {
            float k = artFbm(float(x) / 60, float(y) / 30, 4, seed + 3);
            *r = 0.3f + 0.15f * k;
            *g = 0.55f + 0.15f * k;
            *b = 0.22f + 0.05f * k;
        }
        double meadow = horizon + 40 + (artFbm(float(x) / 300, 8.5f, 4, seed + 4) - 0.5) * 60;
        if (y > meadow) {
            float k = artFbm(float(x) / 25, float(y) / 12, 4, seed + 5);
            float depth = float(y - meadow) / float(H - meadow);
            float flower = artRandom(x / 3, y / 3, seed + 6) > 0.985f ? 1.0f : 0.0f;
            *r = 0.28f + 0.2f * k + 0.1f * depth;
            *g = 0.62f + 0.2f * k - 0.1f * depth;
            *b = 0.15f + 0.05f * k;
            if (flower > 0) {
                int kind = int(artHash(x / 3, y / 3, seed + 7) % 3);
                *r = kind == 1 ? 0.95f : 1.0f;
                *g = kind == 0 ? 0.95f : kind == 1 ? 0.3f : 1.0f;
                *b = kind == 2 ? 1.0f : 0.3f;
            }
        }
    });
    // The sun itself, bright with a soft corona.
    cairo_t* cr = c->cr;
    cairo_pattern_t* p = cairo_pattern_create_radial(sunX, sunY, 30, sunX, sunY, 140);
    cairo_pattern_add_color_stop_rgba(p, 0, 1.0, 1.0, 0.85, 1.0);
    cairo_pattern_add_color_stop_rgba(p, 1, 1.0, 0.95, 0.6, 0.0);
    cairo_arc(cr, sunX, sunY, 140, 0, 2 * pi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_arc(cr, sunX, sunY, 48, 0, 2 * pi);
    cairo_set_source_rgb(cr, 1.0, 1.0, 0.9);
    cairo_fill(cr);
}

// A round tree on the hills.
void tree(cairo_t* cr, double x, double y, double s) {
    cairo_rectangle(cr, x - 4 * s, y - 30 * s, 8 * s, 30 * s);
    cairo_set_source_rgb(cr, 0.35, 0.22, 0.1);
    cairo_fill(cr);
    const double blobs[4][3] = {{0, -50, 24}, {-16, -40, 18}, {16, -40, 18}, {0, -66, 16}};
    for (const auto& b : blobs) {
        cairo_arc(cr, x + b[0] * s, y + b[1] * s, b[2] * s, 0, 2 * pi);
        cairo_set_source_rgb(cr, 0.16, 0.42, 0.14);
        cairo_fill(cr);
        cairo_arc(cr, x + (b[0] - 5) * s, y + (b[1] - 6) * s, b[2] * s * 0.55, 0, 2 * pi);
        cairo_set_source_rgba(cr, 0.4, 0.65, 0.25, 0.5);
        cairo_fill(cr);
    }
}

// ---- Daylight through the opening exit: the bright world framed by the dark tunnel mouth.
int doorOpen(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    daylight(&c, 0.55 * H, 0.62 * W, 0.22 * H, 301);
    cairo_t* cr = c.cr;
    tree(cr, 0.25 * W, 0.56 * H, 1.4);
    tree(cr, 0.3 * W, 0.57 * H, 1.0);
    tree(cr, 0.82 * W, 0.58 * H, 1.2);
    // A path leading away from the mine.
    cairo_move_to(cr, 0.42 * W, H);
    cairo_curve_to(cr, 0.47 * W, 0.8 * H, 0.5 * W, 0.7 * H, 0.52 * W, 0.62 * H);
    cairo_line_to(cr, 0.535 * W, 0.62 * H);
    cairo_curve_to(cr, 0.56 * W, 0.7 * H, 0.62 * W, 0.8 * H, 0.7 * W, H);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0.75, 0.65, 0.45, 0.85);
    cairo_fill(cr);
    // The rock around the opening: dark, rough, lit at its inner edge.
    artPixelsBegin(&c);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            float dx = (x - 0.5f * W) / (0.47f * W), dy = (y - 0.52f * H) / (0.5f * H);
            float a = std::atan2(dy, dx);
            float rough = artFbm(a * 3 + 10, 0.5f, 5, 302) - 0.5f;
            float d = std::sqrt(dx * dx + dy * dy) * (1 - 0.28f * rough);
            if (d < 0.86f) continue;
            float rock = artFbm(float(x) / 50, float(y) / 50, 5, 303);
            float edgeLight = std::exp(-(d - 0.86f) * 14);
            float k = 0.05f + 0.12f * rock + 0.5f * edgeLight * rock;
            artPut(&c, x, y, k * 1.15f, k * 1.0f, k * 0.85f);
        }
    artPixelsEnd(&c);
    int ok = artSave(&c, dir, "dooropen.tga", 24);
    artCanvasFree(&c);
    return ok;
}

// ---- The horse, standing, facing right, feet at (0, 0); about 300 units long.
void horse(cairo_t* cr) {
    const float coat[3] = {0.55f, 0.3f, 0.13f};
    const float dark[3] = {0.18f, 0.1f, 0.05f};
    // Tail.
    cairo_move_to(cr, -118, -205);
    cairo_curve_to(cr, -160, -190, -170, -120, -150, -80);
    cairo_curve_to(cr, -140, -110, -135, -160, -112, -190);
    cairo_close_path(cr);
    setRgb(cr, dark);
    cairo_fill(cr);
    // Legs: far pair darker, behind the body.
    const double legs[4][2] = {{-95, 0}, {75, 0}, {-70, 0}, {100, 0}};
    for (int i = 0; i < 4; i++) {
        double x = legs[i][0];
        float k = i < 2 ? 0.7f : 1.0f;
        cairo_move_to(cr, x - 11, -150);
        cairo_line_to(cr, x + 11, -150);
        cairo_line_to(cr, x + 8, -60);
        cairo_line_to(cr, x + 7, -14);
        cairo_line_to(cr, x - 7, -14);
        cairo_line_to(cr, x - 8, -60);
        cairo_close_path(cr);
        setRgb(cr, coat, k);
        cairo_fill(cr);
        cairo_rectangle(cr, x - 9, -14, 19, 14); // hoof
        setRgb(cr, dark, k * 0.6f);
        cairo_fill(cr);
    }
    // Body.
    cairo_save(cr);
    cairo_translate(cr, 0, -175);
    cairo_scale(cr, 130, 48);
    cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
    cairo_restore(cr);
    setRgb(cr, coat);
    cairo_fill(cr);
    // Neck and head.
    cairo_move_to(cr, 80, -200);
    cairo_curve_to(cr, 110, -250, 130, -290, 150, -300);
    cairo_line_to(cr, 200, -255); // nose
    cairo_curve_to(cr, 205, -245, 195, -235, 185, -238);
    cairo_line_to(cr, 150, -258);
    cairo_curve_to(cr, 140, -230, 130, -180, 110, -150);
    cairo_close_path(cr);
    setRgb(cr, coat);
    cairo_fill(cr);
    // Ear, mane, eye.
    cairo_move_to(cr, 142, -296);
    cairo_line_to(cr, 140, -320);
    cairo_line_to(cr, 156, -300);
    cairo_close_path(cr);
    setRgb(cr, coat, 0.9f);
    cairo_fill(cr);
    cairo_move_to(cr, 146, -298);
    cairo_curve_to(cr, 120, -280, 100, -240, 75, -212);
    cairo_curve_to(cr, 95, -230, 112, -262, 146, -286);
    cairo_close_path(cr);
    setRgb(cr, dark);
    cairo_fill(cr);
    cairo_arc(cr, 160, -282, 4, 0, 2 * pi);
    cairo_set_source_rgb(cr, 0.05, 0.03, 0.02);
    cairo_fill(cr);
    // Sunlight on the back.
    cairo_save(cr);
    cairo_translate(cr, -10, -195);
    cairo_scale(cr, 100, 20);
    cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 1.0, 0.85, 0.6, 0.18);
    cairo_fill(cr);
}

// ---- Tarvin, standing, lamp raised in his right hand, feet at (0, 0); about 260 units tall.
void hero(cairo_t* cr) {
    // Legs and boots.
    for (double x : {-14.0, 14.0}) {
        cairo_rectangle(cr, x - 10, -120, 20, 105);
        cairo_set_source_rgb(cr, 0.35, 0.26, 0.16);
        cairo_fill(cr);
        cairo_rectangle(cr, x - 12, -18, 26, 18);
        cairo_set_source_rgb(cr, 0.15, 0.1, 0.06);
        cairo_fill(cr);
    }
    // Body.
    cairo_move_to(cr, -30, -205);
    cairo_line_to(cr, 30, -205);
    cairo_line_to(cr, 28, -115);
    cairo_line_to(cr, -28, -115);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.2, 0.35, 0.6);
    cairo_fill(cr);
    cairo_rectangle(cr, -28, -128, 56, 10); // belt
    cairo_set_source_rgb(cr, 0.25, 0.15, 0.08);
    cairo_fill(cr);
    // Arms: the left one hanging, the right one raised with the lamp.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 16);
    cairo_set_source_rgb(cr, 0.2, 0.35, 0.6);
    cairo_move_to(cr, -28, -195);
    cairo_line_to(cr, -40, -130);
    cairo_stroke(cr);
    cairo_move_to(cr, 28, -195);
    cairo_line_to(cr, 58, -230);
    cairo_line_to(cr, 62, -275);
    cairo_stroke(cr);
    // Head, beard and miner's hat.
    cairo_arc(cr, 0, -228, 22, 0, 2 * pi);
    cairo_set_source_rgb(cr, 0.93, 0.75, 0.6);
    cairo_fill(cr);
    cairo_move_to(cr, -19, -222);
    cairo_curve_to(cr, -18, -198, 18, -198, 19, -222);
    cairo_curve_to(cr, 10, -214, -10, -214, -19, -222);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.55, 0.35, 0.15);
    cairo_fill(cr);
    for (double ex : {-8.0, 8.0}) {
        cairo_arc(cr, ex, -232, 2.5, 0, 2 * pi);
        cairo_set_source_rgb(cr, 0.1, 0.08, 0.06);
        cairo_fill(cr);
    }
    cairo_move_to(cr, -6, -219);
    cairo_curve_to(cr, -3, -215, 3, -215, 6, -219);
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgb(cr, 0.45, 0.2, 0.15);
    cairo_stroke(cr);
    cairo_rectangle(cr, -30, -250, 60, 7);
    cairo_move_to(cr, -20, -250);
    cairo_curve_to(cr, -20, -275, 20, -275, 20, -250);
    cairo_set_source_rgb(cr, 0.2, 0.18, 0.15);
    cairo_fill(cr);
    // The lamp in his hand, still glowing.
    cairo_pattern_t* glow = cairo_pattern_create_radial(62, -292, 4, 62, -292, 45);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1.0, 0.9, 0.5, 0.8);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1.0, 0.8, 0.3, 0.0);
    cairo_arc(cr, 62, -292, 45, 0, 2 * pi);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_rectangle(cr, 52, -305, 20, 24);
    cairo_set_source_rgb(cr, 0.75, 0.55, 0.2);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
}

// ---- Won: Tarvin and his horse in the sun, the mine behind them.
int lastPicture(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    daylight(&c, 0.5 * H, 0.8 * W, 0.17 * H, 401);
    cairo_t* cr = c.cr;
    // The mine's hill on the left with the open door.
    cairo_move_to(cr, -10, 0.62 * H);
    cairo_curve_to(cr, 0.05 * W, 0.3 * H, 0.2 * W, 0.28 * H, 0.34 * W, 0.6 * H);
    cairo_line_to(cr, -10, 0.62 * H);
    cairo_close_path(cr);
    {
        cairo_pattern_t* p = cairo_pattern_create_linear(0.05 * W, 0.3 * H, 0.25 * W, 0.62 * H);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.6, 0.58, 0.52);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.32, 0.3, 0.27);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        ArtRng rng{402};
        for (int i = 0; i < 40; i++) {
            double x = rng.range(0.02f * W, 0.3f * W), y = rng.range(0.42f * H, 0.6f * H);
            double hill = 0.62 * H - (0.6 - std::fabs(x / W - 0.16) * 3) * 0.3 * H;
            if (y < hill + 12) continue;
            cairo_save(cr);
            cairo_translate(cr, x, y);
            double sx = rng.range(6, 16);
            double sy = rng.range(3, 7);
            cairo_scale(cr, sx, sy);
            cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
            cairo_restore(cr);
            cairo_set_source_rgba(cr, 0.2, 0.19, 0.17, 0.5);
            cairo_fill(cr);
        }
    }
    cairo_move_to(cr, 0.12 * W, 0.6 * H);
    cairo_line_to(cr, 0.12 * W, 0.49 * H);
    cairo_curve_to(cr, 0.13 * W, 0.45 * H, 0.17 * W, 0.45 * H, 0.18 * W, 0.49 * H);
    cairo_line_to(cr, 0.18 * W, 0.6 * H);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.05, 0.04, 0.03);
    cairo_fill(cr);
    cairo_rectangle(cr, 0.18 * W, 0.49 * H, 14, 0.11 * H); // the door, swung open
    cairo_set_source_rgb(cr, 0.4, 0.25, 0.12);
    cairo_fill(cr);
    tree(cr, 0.55 * W, 0.55 * H, 1.1);
    tree(cr, 0.92 * W, 0.56 * H, 1.5);
    // Shadows, then the two figures.
    const double shadows[2][2] = {{0.47 * W, 150.0}, {0.68 * W, 40.0}};
    for (const auto& s : shadows) {
        cairo_save(cr);
        cairo_translate(cr, s[0], 0.86 * H);
        cairo_scale(cr, s[1], 14);
        cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
        cairo_restore(cr);
        cairo_set_source_rgba(cr, 0.1, 0.25, 0.05, 0.45);
        cairo_fill(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, 0.47 * W, 0.86 * H);
    cairo_scale(cr, 1.15, 1.15);
    horse(cr);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, 0.68 * W, 0.86 * H);
    cairo_scale(cr, 1.15, 1.15);
    hero(cr);
    cairo_restore(cr);
    int ok = artSave(&c, dir, "lastpic.tga", 24);
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

// ---- The boss key's picture: a dull spreadsheet filling the screen.
int bossPicture(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    cairo_t* cr = c.cr;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    // Title bar.
    cairo_rectangle(cr, 0, 0, W, 30);
    cairo_set_source_rgb(cr, 0.16, 0.3, 0.55);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    artUseFont(cr, artFontSans, 15);
    artText(cr, "Quartalsbericht_Kostenstellen_Q3_final_v7.xls - Tabellenkalkulation", 12, 21);
    cairo_fill(cr);
    for (int i = 0; i < 3; i++) {
        cairo_rectangle(cr, W - 100 + i * 32, 6, 24, 18);
        cairo_set_source_rgb(cr, i == 2 ? 0.75 : 0.3, i == 2 ? 0.2 : 0.42, i == 2 ? 0.2 : 0.65);
        cairo_fill(cr);
    }
    // Menu bar.
    cairo_rectangle(cr, 0, 30, W, 26);
    cairo_set_source_rgb(cr, 0.94, 0.94, 0.93);
    cairo_fill(cr);
    artUseFont(cr, artFontSansBook, 14);
    const char* menus[] = {"Datei", "Bearbeiten", "Ansicht", "Einf\xC3\xBCgen", "Format", "Extras",
                           "Daten", "Fenster",    "Hilfe"};
    double mx = 12;
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    for (const char* m : menus) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, m, &e);
        artText(cr, m, mx, 48);
        cairo_fill(cr);
        mx += e.x_advance + 22;
    }
    // Toolbar: rows of small grey icons.
    cairo_rectangle(cr, 0, 56, W, 36);
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.89);
    cairo_fill(cr);
    ArtRng rng{601};
    for (int i = 0; i < 30; i++) {
        double x = 10 + i * 30 + (i / 6) * 12;
        cairo_rectangle(cr, x, 62, 22, 22);
        cairo_set_source_rgb(cr, 0.82, 0.82, 0.8);
        cairo_fill(cr);
        float hue = rng.next();
        cairo_rectangle(cr, x + 5, 67, 12, 12);
        cairo_set_source_rgb(cr, 0.3 + 0.5 * hue, 0.4 + 0.3 * (1 - hue), 0.5);
        cairo_fill(cr);
    }
    // Formula bar.
    cairo_rectangle(cr, 0, 92, W, 28);
    cairo_set_source_rgb(cr, 0.97, 0.97, 0.97);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    artText(cr, "F17", 14, 111);
    artText(cr, "=SUMME(F4:F16)-SVERWEIS($A17;Stammdaten!$A$2:$K$400;7;FALSCH)", 110, 111);
    cairo_fill(cr);
    // The grid.
    const double top = 122, headH = 22, rowH = 22, left = 46;
    const double colW[10] = {190, 110, 110, 110, 110, 120, 110, 110, 110, 150};
    const int rows = int((H - top - headH - 30) / rowH);
    cairo_rectangle(cr, 0, top, W, headH);
    cairo_rectangle(cr, 0, top, left, H - top);
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
    cairo_fill(cr);
    artUseFont(cr, artFontSansBook, 13);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    double x = left;
    for (int col = 0; col < 10 && x < W; col++) {
        char name[2] = {char('A' + col), 0};
        artText(cr, name, x + colW[col] / 2, top + 16, 0.5);
        cairo_fill(cr);
        x += colW[col];
    }
    for (int row = 0; row < rows; row++) {
        char num[8];
        snprintf(num, sizeof num, "%d", row + 1);
        artText(cr, num, left - 8, top + headH + row * rowH + 16, 1);
        cairo_fill(cr);
    }
    const char* heads[10] = {"Kostenstelle", "Januar", "Februar", "M\xC3\xA4rz", "April",
                             "Summe Q1",     "Plan",   "Abw.",    "Abw. %",      "Bemerkung"};
    const char* places[] = {"Verwaltung",
                            "Vertrieb Nord",
                            "Vertrieb S\u00FCd",
                            "Einkauf",
                            "Lager",
                            "Fuhrpark",
                            "IT",
                            "Personal",
                            "Buchhaltung",
                            "Kantine",
                            "Hausmeisterei",
                            "Marketing",
                            "Qualit\xC3\xA4t"};
    const char* notes[] = {"", "", "pr\u00FCfen", "", "s. Mail v. 12.", "", "", "Nachtrag"};
    for (int row = 0; row < rows; row++) {
        double y = top + headH + row * rowH + 16;
        x = left;
        long sum = 0;
        for (int col = 0; col < 10; col++) {
            char text[40] = "";
            double align = 1, tx = x + colW[col] - 6;
            bool bold = row == 0 || row == 15;
            if (row == 0) {
                snprintf(text, sizeof text, "%s", heads[col]);
                align = col == 0 || col == 9 ? 0 : 1;
            } else if (row == 14 || row >= 15 + 1 + 8) {
                text[0] = 0;
            } else if (row == 15) {
                if (col == 0) snprintf(text, sizeof text, "Gesamt");
                if (col >= 1 && col <= 8)
                    snprintf(text, sizeof text, "%ld.%03ld,%02d", 180 + long(col) * 37,
                             long(artHash(col, row, 602) % 1000), int(artHash(col, row, 603) % 100));
                if (col == 0) align = 0;
            } else if (col == 0) {
                snprintf(text, sizeof text, "%s", places[(row - 1 + (row > 15 ? 5 : 0)) % 13]);
                align = 0;
            } else if (col == 9) {
                snprintf(text, sizeof text, "%s", notes[artHash(row, 9, 604) % 8]);
                align = 0;
            } else if (col == 8) {
                int pct = int(artHash(row, col, 605) % 2000) - 1000;
                snprintf(text, sizeof text, "%d,%d %%", pct / 100, std::abs(pct % 100) / 10);
            } else {
                long v = long(artHash(row, col, 606) % 90000) + 2000;
                if (col == 5) v = sum;
                if (col <= 4) sum += v;
                snprintf(text, sizeof text, "%ld.%03ld,%02d", v / 1000, v % 1000,
                         int(artHash(row, col, 607) % 100));
            }
            if (align == 0) tx = x + 6;
            if (text[0]) {
                artUseFont(cr, bold ? artFontSans : artFontSansBook, 13);
                if (col == 8 && text[0] == '-')
                    cairo_set_source_rgb(cr, 0.75, 0.1, 0.1);
                else
                    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
                artText(cr, text, tx, y, align);
                cairo_fill(cr);
            }
            x += colW[col];
        }
    }
    // Grid lines, and the selected cell.
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.78, 0.78, 0.78);
    x = left;
    for (int col = 0; col <= 10; col++) {
        cairo_move_to(cr, std::floor(x) + 0.5, top);
        cairo_line_to(cr, std::floor(x) + 0.5, top + headH + rows * rowH);
        if (col < 10) x += colW[col];
    }
    for (int row = 0; row <= rows + 1; row++) {
        double y = std::floor(top + headH + (row - 1) * rowH + (row == 0 ? rowH : 0)) + 0.5;
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, W, y);
    }
    cairo_stroke(cr);
    double selX = left + 190 + 4 * 110;
    cairo_rectangle(cr, selX, top + headH + 16 * rowH, 120, rowH);
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // Sheet tabs and the status bar.
    double barY = H - 30;
    cairo_rectangle(cr, 0, barY, W, 30);
    cairo_set_source_rgb(cr, 0.92, 0.92, 0.91);
    cairo_fill(cr);
    artUseFont(cr, artFontSansBook, 13);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    artText(cr, "Tabelle1   |   Stammdaten   |   Pivot (alt)", 12, barY + 20);
    artText(cr, "Bereit", W - 300, barY + 20);
    artText(cr, "Summe: 1.482.977,31", W - 180, barY + 20);
    cairo_fill(cr);
    int ok = artSave(&c, dir, "boss.tga", 24);
    artCanvasFree(&c);
    return ok;
}

} // namespace

int artPictures(const char* dir) {
    int written = poster(dir) + doorOpen(dir) + lastPicture(dir) + badDragon(dir) + bossPicture(dir);
    return 5 - written;
}

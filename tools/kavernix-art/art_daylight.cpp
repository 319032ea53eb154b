// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures in daylight: the world seen through the opening exit, and the won picture of Tarvin
// and his horse in the sun.
#include "art.h"

#include <cmath>
#include <initializer_list>

namespace {

const int W = 1280, H = 960;
const double pi = 3.14159265358979;

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

} // namespace

// ---- Daylight through the opening exit: the bright world framed by the dark tunnel mouth.
int artDoorOpen(const char* dir) {
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

namespace {

// ---- The horse, standing, facing right, feet at (0, 0); about 300 units long.
void horse(cairo_t* cr) {
    const float coat[3] = {0.55f, 0.3f, 0.13f};
    const float dark[3] = {0.18f, 0.1f, 0.05f};
    // Tail.
    cairo_move_to(cr, -118, -205);
    cairo_curve_to(cr, -160, -190, -170, -120, -150, -80);
    cairo_curve_to(cr, -140, -110, -135, -160, -112, -190);
    cairo_close_path(cr);
    artSetRgb(cr, dark);
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
        artSetRgb(cr, coat, k);
        cairo_fill(cr);
        cairo_rectangle(cr, x - 9, -14, 19, 14); // hoof
        artSetRgb(cr, dark, k * 0.6f);
        cairo_fill(cr);
    }
    // Body.
    cairo_save(cr);
    cairo_translate(cr, 0, -175);
    cairo_scale(cr, 130, 48);
    cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
    cairo_restore(cr);
    artSetRgb(cr, coat);
    cairo_fill(cr);
    // Neck and head.
    cairo_move_to(cr, 80, -200);
    cairo_curve_to(cr, 110, -250, 130, -290, 150, -300);
    cairo_line_to(cr, 200, -255); // nose
    cairo_curve_to(cr, 205, -245, 195, -235, 185, -238);
    cairo_line_to(cr, 150, -258);
    cairo_curve_to(cr, 140, -230, 130, -180, 110, -150);
    cairo_close_path(cr);
    artSetRgb(cr, coat);
    cairo_fill(cr);
    // Ear, mane, eye.
    cairo_move_to(cr, 142, -296);
    cairo_line_to(cr, 140, -320);
    cairo_line_to(cr, 156, -300);
    cairo_close_path(cr);
    artSetRgb(cr, coat, 0.9f);
    cairo_fill(cr);
    cairo_move_to(cr, 146, -298);
    cairo_curve_to(cr, 120, -280, 100, -240, 75, -212);
    cairo_curve_to(cr, 95, -230, 112, -262, 146, -286);
    cairo_close_path(cr);
    artSetRgb(cr, dark);
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

} // namespace

// ---- Won: Tarvin and his horse in the sun, the mine behind them.
int artLastPicture(const char* dir) {
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

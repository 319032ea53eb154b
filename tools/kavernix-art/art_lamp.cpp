// SPDX-License-Identifier: GPL-3.0-or-later
// The lamp frame ("stencil.tga") and its mask ("stencilmask.tga"). Only the frame's pure white pixels
// let the game show anything: the scene through the lamp's glass, the overview map, the counters with
// the status field, and the frame-rate line. Everything else is the brass lamp and the dark around it,
// and no pixel there is pure white, anti-aliased edges included.
#include "art.h"

#include <cmath>

namespace {

const int W = 1280, H = 960;
const double pi = 3.14159265358979;

// The lamp's glass: a circle in the middle-upper part of the picture (Cairo coordinates); the game
// keeps the picture's proportions, so it stays round on every window.
const double glassX = 0.44 * W, glassY = 0.44 * H, glassRX = 0.39 * H, glassRY = 0.39 * H;

// A rectangle in Cairo pixels (top-down), made from window fractions measured from the bottom left,
// grown by a margin so that the mask still covers the whole area after the picture is scaled.
struct Box {
    double x0, y0, x1, y1;
};
Box fromWindow(double left, double bottom, double right, double top, double margin) {
    return Box{left * W - margin, (1 - top) * H - margin, right * W + margin, (1 - bottom) * H + margin};
}

// The overview map's scissor box (74 % to 93.1 % of the width, 71.5 % to 94 % of the height), the
// counters and status field along the bottom, and the frame-rate line at (0.01, 0.2).
const Box mapBox = fromWindow(0.74, 0.715, 0.931, 0.94, 4);
const Box hudBox = fromWindow(0.115, 0.03, 1.0, 0.125, 0);
const Box fpsBox = fromWindow(0.005, 0.195, 0.25, 0.255, 0);
const double corner = 6; // corner radius of the small windows

bool insideRounded(const Box& b, double x, double y, double r) {
    if (x < b.x0 || x > b.x1 || y < b.y0 || y > b.y1) return false;
    double cx = std::fmin(std::fmax(x, b.x0 + r), b.x1 - r);
    double cy = std::fmin(std::fmax(y, b.y0 + r), b.y1 - r);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

// Widths of the brass bezels around the map and the frame-rate line; they cover the glass's edge.
const double mapBezel = 18, fpsBezel = 8;

Box grow(const Box& b, double d) {
    return Box{b.x0 - d, b.y0 - d, b.x1 + d, b.y1 + d};
}

// Whether a pixel (its centre) belongs to one of the openings: the small windows, and the glass
// where no bezel lies over it.
bool isOpening(int x, int y) {
    double px = x + 0.5, py = y + 0.5;
    Box hud = hudBox;
    hud.x1 = W + corner; // runs off the right edge: no rounded corner there
    if (insideRounded(mapBox, px, py, corner) || insideRounded(hud, px, py, corner) ||
        insideRounded(fpsBox, px, py, corner))
        return true;
    if (insideRounded(grow(mapBox, mapBezel), px, py, corner + mapBezel * 0.6) ||
        insideRounded(grow(fpsBox, fpsBezel), px, py, corner + fpsBezel * 0.6))
        return false;
    double ex = (px - glassX) / glassRX, ey = (py - glassY) / glassRY;
    return ex * ex + ey * ey <= 1;
}

void roundedRect(cairo_t* cr, const Box& b, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, b.x1 - r, b.y0 + r, r, -pi / 2, 0);
    cairo_arc(cr, b.x1 - r, b.y1 - r, r, 0, pi / 2);
    cairo_arc(cr, b.x0 + r, b.y1 - r, r, pi / 2, pi);
    cairo_arc(cr, b.x0 + r, b.y0 + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

// Brushed brass: a vertical gradient of warm metal over the current path.
void brassFill(cairo_t* cr, double y0, double y1, double bright) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(p, 0.0, 0.78 * bright, 0.6 * bright, 0.3 * bright);
    cairo_pattern_add_color_stop_rgb(p, 0.35, 0.55 * bright, 0.4 * bright, 0.17 * bright);
    cairo_pattern_add_color_stop_rgb(p, 0.7, 0.36 * bright, 0.25 * bright, 0.1 * bright);
    cairo_pattern_add_color_stop_rgb(p, 1.0, 0.22 * bright, 0.15 * bright, 0.06 * bright);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_source_rgba(cr, 0.08, 0.05, 0.02, 0.9);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void rivet(cairo_t* cr, double x, double y, double r) {
    cairo_arc(cr, x + 1.5, y + 1.5, r, 0, 2 * pi);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(x - r * 0.35, y - r * 0.35, r * 0.1, x, y, r);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.95, 0.82, 0.5);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.6, 0.45, 0.2);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.25, 0.17, 0.07);
    cairo_arc(cr, x, y, r, 0, 2 * pi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// A brass bezel around a window, with a rivet in each corner.
void bezel(cairo_t* cr, const Box& window, double width) {
    Box outer = grow(window, width);
    roundedRect(cr, outer, corner + width * 0.6);
    brassFill(cr, outer.y0, outer.y1, 1.0);
    roundedRect(cr, grow(window, 3), corner + 2);
    cairo_set_source_rgb(cr, 0.1, 0.07, 0.03);
    cairo_fill(cr);
    double in = width * 0.5;
    rivet(cr, outer.x0 + in, outer.y0 + in, 4.5);
    rivet(cr, outer.x1 - in, outer.y0 + in, 4.5);
    rivet(cr, outer.x0 + in, outer.y1 - in, 4.5);
    rivet(cr, outer.x1 - in, outer.y1 - in, 4.5);
}

// Darkness: sooty rock, faintly warmed by the lamp near the glass.
void darkness(ArtCanvas* c) {
    artShade(c, [&](int x, int y, float* r, float* g, float* b) {
        float u = float(x) / W, v = float(y) / H;
        float rock = artFbm(u * 12, v * 9, 5, 101);
        float dx = (x - float(glassX)) / float(glassRX), dy = (y - float(glassY)) / float(glassRY);
        float glow = std::exp(-(std::sqrt(dx * dx + dy * dy) - 1) * 2.2f);
        float value = 0.025f + 0.05f * rock + 0.1f * glow * rock;
        *r = value * 1.25f;
        *g = value * 0.95f;
        *b = value * 0.7f;
    });
}

// The lamp housing: a brass ring around the glass, with a hood and a handle on top.
void lampRing(cairo_t* cr) {
    cairo_save(cr);
    cairo_translate(cr, glassX, glassY);
    cairo_scale(cr, glassRX, glassRY);
    cairo_arc(cr, 0, 0, 1.13, 0, 2 * pi);
    cairo_restore(cr);
    {
        cairo_pattern_t* p = cairo_pattern_create_radial(glassX - 0.3 * glassRX, glassY - 0.5 * glassRY, 20,
                                                         glassX, glassY, glassRX * 1.2);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.85, 0.66, 0.32);
        cairo_pattern_add_color_stop_rgb(p, 0.6, 0.55, 0.39, 0.15);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.2, 0.13, 0.05);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    // Engine-turned rings on the brass.
    for (int i = 0; i < 5; i++) {
        double s = 1.035 + i * 0.02;
        cairo_save(cr);
        cairo_translate(cr, glassX, glassY);
        cairo_scale(cr, glassRX * s, glassRY * s);
        cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
        cairo_restore(cr);
        cairo_set_source_rgba(cr, i % 2 ? 1.0 : 0.1, i % 2 ? 0.85 : 0.06, i % 2 ? 0.55 : 0.02, 0.25);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
}

// Soot on the brass, thickest at the top where the flame's smoke rises; then the ring's rivets.
void lampRingSoot(ArtCanvas* c) {
    cairo_t* cr = c->cr;
    artPixelsBegin(c);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            float dx = (x - float(glassX)) / float(glassRX), dy = (y - float(glassY)) / float(glassRY);
            float d = std::sqrt(dx * dx + dy * dy);
            if (d < 0.99f || d > 1.14f) continue;
            float r, g, b;
            artGet(c, x, y, &r, &g, &b);
            float soot = artFbm(float(x) / 40, float(y) / 40, 4, 102) * (0.55f - 0.4f * dy / (d + 0.01f));
            float scratch = artFbm(float(x) / 3, float(y) / 60, 2, 103);
            float k = artClamp(1.1f - soot) * (0.92f + 0.16f * scratch);
            artPut(c, x, y, r * k, g * k, b * k);
        }
    artPixelsEnd(c);
    for (int i = 0; i < 36; i++) {
        double a = 2 * pi * (i + 0.5) / 36;
        rivet(cr, glassX + std::cos(a) * glassRX * 1.085, glassY + std::sin(a) * glassRY * 1.085, 6);
    }
}

// The glass's lit inner lip: warm light on the ring's inner edge.
void lampGlassLip(cairo_t* cr) {
    cairo_save(cr);
    cairo_translate(cr, glassX, glassY);
    cairo_scale(cr, glassRX, glassRY);
    cairo_arc(cr, 0, 0, 1.012, 0, 2 * pi);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 1.0, 0.82, 0.45, 0.9);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
}

// Bottom panel: a brass bar carrying the counters' window.
void bottomPanel(cairo_t* cr) {
    // Room above the counters' window for the labels the game prints there.
    Box bar{-10, hudBox.y0 - 40, W + 10, double(H) + 10};
    cairo_rectangle(cr, bar.x0, bar.y0, bar.x1 - bar.x0, bar.y1 - bar.y0);
    brassFill(cr, bar.y0, bar.y1, 0.9);
    for (int i = 0; i < 2; i++) {
        double y = i == 0 ? bar.y0 + 3 : H - 8;
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, W, y);
        cairo_set_source_rgba(cr, 0.1, 0.06, 0.02, 0.6);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    // The game prints the counters' names above them (each counter is W / 25 wide at 0.12, 0.29 and
    // 0.46 of the width, its name centred 0.02 further right); rivets in between.
    const double labelX[] = {0.14, 0.31, 0.48};
    for (int i = 0; i < 13; i++) {
        double x = 20 + i * 103.0;
        bool nearLabel = false;
        for (double l : labelX) nearLabel = nearLabel || std::fabs(x - l * W) < 90;
        if (!nearLabel) rivet(cr, x, bar.y0 + 15, 3.5);
    }
    Box hudWindow = hudBox;
    hudWindow.x1 = W + 20;
    roundedRect(cr, grow(hudWindow, 3), corner + 2);
    cairo_set_source_rgb(cr, 0.1, 0.07, 0.03);
    cairo_fill(cr);
    // The left end of the bar carries the lamp's maker's plate, printed by the game.
}

void drawFrame(ArtCanvas* c) {
    cairo_t* cr = c->cr;
    darkness(c);
    lampRing(cr);
    lampRingSoot(c);
    lampGlassLip(cr);
    bottomPanel(cr);
    // The map's gauge in the upper right, and the small plate of the frame-rate line.
    bezel(cr, mapBox, mapBezel); // the game prints the map's name under it
    bezel(cr, fpsBox, fpsBezel);
}

} // namespace

int artLampFrame(const char* dir) {
    ArtCanvas c = artCanvasCreate(W, H);
    drawFrame(&c);
    // The openings are exactly pure white; no other pixel is.
    ArtCanvas mask = artCanvasCreate(W, H);
    artPixelsBegin(&c);
    artPixelsBegin(&mask);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            bool open = isOpening(x, y);
            if (open) {
                artPut(&c, x, y, 1, 1, 1);
            } else {
                float r, g, b;
                artGet(&c, x, y, &r, &g, &b);
                const float top = 254.0f / 255.0f;
                artPut(&c, x, y, std::fmin(r, top), std::fmin(g, top), std::fmin(b, top));
            }
            float m = open ? 1.0f : 0.0f;
            artPut(&mask, x, y, m, m, m);
        }
    artPixelsEnd(&c);
    artPixelsEnd(&mask);
    int written = artSave(&c, dir, "stencil.tga", 24) + artSave(&mask, dir, "stencilmask.tga", 24);
    artCanvasFree(&c);
    artCanvasFree(&mask);
    return 2 - written;
}

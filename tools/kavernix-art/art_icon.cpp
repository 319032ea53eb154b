// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop icon: a timbered mine entrance in a rock face, a diamond glowing in the lamp light
// inside. Drawn afresh for every size (not scaled down), so the small ones keep clean edges.
#include "art.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

const int iconSizes[] = {16, 24, 32, 48, 64, 128, 256};

void roundedSquare(cairo_t* cr, double x, double y, double side, double radius) {
    const double half = 1.5707963267948966;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + side - radius, y + radius, radius, -half, 0);
    cairo_arc(cr, x + side - radius, y + side - radius, radius, 0, half);
    cairo_arc(cr, x + radius, y + side - radius, radius, half, 2 * half);
    cairo_arc(cr, x + radius, y + radius, radius, 2 * half, 3 * half);
    cairo_close_path(cr);
}

// The opening under the lintel: straight sides and a flat top, a little narrower at the top.
void opening(cairo_t* cr) {
    cairo_move_to(cr, 0.27, 0.92);
    cairo_line_to(cr, 0.30, 0.30);
    cairo_line_to(cr, 0.70, 0.30);
    cairo_line_to(cr, 0.73, 0.92);
    cairo_close_path(cr);
}

void beam(cairo_t* cr, double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
          double line) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_line_to(cr, x3, y3);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.58, 0.38, 0.18);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.24, 0.14, 0.06);
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
}

// The diamond seen from the side: a flat table, the crown's three facets and the pavilion's two,
// each lit a little differently.
void diamond(cairo_t* cr, double cx, double top, double w, double line) {
    const double crown = top + 0.30 * w, tip = top + 0.95 * w, half = w / 2, table = w / 4;
    struct Facet {
        double pts[4][2];
        int n;
        double r, g, b;
    };
    const Facet facets[] = {
        {{{cx - half, crown}, {cx - table, top}, {cx - table * 0.3, crown}}, 3, 0.62, 0.86, 0.98},
        {{{cx - table, top}, {cx + table, top}, {cx + table * 0.3, crown}, {cx - table * 0.3, crown}},
         4,
         0.92,
         0.98,
         1.0},
        {{{cx + half, crown}, {cx + table, top}, {cx + table * 0.3, crown}}, 3, 0.45, 0.72, 0.92},
        {{{cx - half, crown}, {cx, crown}, {cx, tip}}, 3, 0.36, 0.62, 0.90},
        {{{cx, crown}, {cx + half, crown}, {cx, tip}}, 3, 0.20, 0.42, 0.78},
    };
    for (const Facet& f : facets) {
        cairo_move_to(cr, f.pts[0][0], f.pts[0][1]);
        for (int i = 1; i < f.n; i++) cairo_line_to(cr, f.pts[i][0], f.pts[i][1]);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, f.r, f.g, f.b);
        cairo_fill(cr);
    }
    cairo_move_to(cr, cx - table, top);
    cairo_line_to(cr, cx + table, top);
    cairo_line_to(cr, cx + half, crown);
    cairo_line_to(cr, cx, tip);
    cairo_line_to(cr, cx - half, crown);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.06, 0.16, 0.34);
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
}

void drawIcon(cairo_t* cr, int size) {
    cairo_scale(cr, size, size);
    const double pixel = 1.0 / size;
    const double line = std::fmax(pixel, 0.018);

    // Rock face, lit from the upper left, with a few cracks where there is room for them.
    roundedSquare(cr, 0.02, 0.02, 0.96, 0.16);
    cairo_pattern_t* rock = cairo_pattern_create_radial(0.3, 0.25, 0.05, 0.45, 0.45, 0.8);
    cairo_pattern_add_color_stop_rgb(rock, 0, 0.56, 0.50, 0.43);
    cairo_pattern_add_color_stop_rgb(rock, 1, 0.20, 0.17, 0.15);
    cairo_set_source(cr, rock);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(rock);
    cairo_set_source_rgb(cr, 0.10, 0.08, 0.07);
    cairo_set_line_width(cr, line);
    cairo_stroke(cr);
    if (size >= 48) {
        const double cracks[3][6] = {{0.10, 0.30, 0.16, 0.36, 0.12, 0.46},
                                     {0.86, 0.14, 0.80, 0.22, 0.88, 0.30},
                                     {0.84, 0.62, 0.90, 0.70, 0.86, 0.80}};
        cairo_set_source_rgb(cr, 0.16, 0.13, 0.11);
        cairo_set_line_width(cr, line * 0.8);
        for (const auto& c : cracks) {
            cairo_move_to(cr, c[0], c[1]);
            cairo_line_to(cr, c[2], c[3]);
            cairo_line_to(cr, c[4], c[5]);
            cairo_stroke(cr);
        }
    }

    // The dark tunnel with the lamp's warm glow low in it.
    opening(cr);
    cairo_pattern_t* glow = cairo_pattern_create_radial(0.5, 0.66, 0.02, 0.5, 0.66, 0.36);
    cairo_pattern_add_color_stop_rgb(glow, 0, 0.85, 0.62, 0.22);
    cairo_pattern_add_color_stop_rgb(glow, 0.45, 0.36, 0.20, 0.07);
    cairo_pattern_add_color_stop_rgb(glow, 1, 0.03, 0.02, 0.02);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    // Two posts leaning in and the lintel across them.
    beam(cr, 0.19, 0.93, 0.23, 0.28, 0.31, 0.28, 0.29, 0.93, line);
    beam(cr, 0.71, 0.93, 0.69, 0.28, 0.77, 0.28, 0.81, 0.93, line);
    beam(cr, 0.13, 0.22, 0.87, 0.22, 0.87, 0.32, 0.13, 0.32, line);

    diamond(cr, 0.5, 0.50, size >= 32 ? 0.30 : 0.34, line * 0.7);

    // A glint on the diamond's table, big enough to read only on the larger icons.
    if (size >= 32) {
        const double x = 0.58, y = 0.50, r = 0.09;
        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
        cairo_move_to(cr, x - r, y);
        cairo_line_to(cr, x, y - r * 0.2);
        cairo_line_to(cr, x + r, y);
        cairo_line_to(cr, x, y + r * 0.2);
        cairo_close_path(cr);
        cairo_move_to(cr, x, y - r);
        cairo_line_to(cr, x + r * 0.2, y);
        cairo_line_to(cr, x, y + r);
        cairo_line_to(cr, x - r * 0.2, y);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
}

bool makeFolder(const std::string& path) {
    struct stat st;
    return mkdir(path.c_str(), 0755) == 0 || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

} // namespace

int artIcons(const char* dir) {
    int failed = 0;
    for (int size : iconSizes) {
        std::string folder = std::string(dir) + "/hicolor";
        bool made = makeFolder(folder);
        folder += "/" + std::to_string(size) + "x" + std::to_string(size);
        made = made && makeFolder(folder);
        folder += "/apps";
        made = made && makeFolder(folder);
        const std::string path = folder + "/kavernix.png";
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
        cairo_t* cr = cairo_create(surface);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
        drawIcon(cr, size);
        cairo_destroy(cr);
        if (!made || cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
            printf("kavernix-art: cannot write %s\n", path.c_str());
            failed++;
        }
        cairo_surface_destroy(surface);
    }
    return failed;
}

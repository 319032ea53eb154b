// SPDX-License-Identifier: GPL-3.0-or-later
// Captures what GL draws as its feedback stream: every polygon, line, point and pass-through
// marker with its vertices, turned back from window into world positions, their colours and
// texture coordinates.
#pragma once
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

struct FbVertex {
    double x, y, z; // world position (unprojected)
    float colour[4], tex[4];
};

struct FbItem {
    GLenum token; // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_POINT_TOKEN, GL_PASS_THROUGH_TOKEN...
    float pass;   // the value of a pass-through marker
    std::vector<FbVertex> v;
};

// x, y and world z all in [lo, hi], seen through a 1000 x 1000 viewport.
struct FbView {
    double lo = -2, hi = 70;
};

// Runs draw in feedback mode (culling off, so every face is reported) and returns the items.
inline std::vector<FbItem> feedbackCapture(const std::function<void()>& draw, const FbView& view = FbView()) {
    static std::vector<GLfloat> buffer(1 << 24);
    const double lo = view.lo, hi = view.hi, pixel = (hi - lo) / 1000;
    glViewport(0, 0, 1000, 1000);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(lo, hi, lo, hi, -hi, -lo);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    GLboolean culling = glIsEnabled(GL_CULL_FACE);
    glDisable(GL_CULL_FACE);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint n = glRenderMode(GL_RENDER);
    if (culling) glEnable(GL_CULL_FACE);
    EXPECT_GE(n, 0) << "feedback buffer overflow";

    std::vector<FbItem> items;
    for (GLint i = 0; i < n;) {
        FbItem item{GLenum(buffer[i++]), 0, {}};
        int count = 1; // point, bitmap and pixel tokens carry one vertex
        if (item.token == GL_POLYGON_TOKEN) count = int(buffer[i++]);
        if (item.token == GL_LINE_TOKEN || item.token == GL_LINE_RESET_TOKEN) count = 2;
        if (item.token == GL_PASS_THROUGH_TOKEN) count = 0, item.pass = buffer[i++];
        for (int k = 0; k < count; ++k, i += 11) {
            // Window depth 0..1 runs from world z = hi to z = lo.
            FbVertex v{
                lo + buffer[i] * pixel, lo + buffer[i + 1] * pixel, hi - buffer[i + 2] * (hi - lo), {}, {}};
            std::copy(&buffer[i + 3], &buffer[i + 7], v.colour);
            std::copy(&buffer[i + 7], &buffer[i + 11], v.tex);
            item.v.push_back(v);
        }
        items.push_back(item);
    }
    return items;
}

inline std::vector<FbItem> feedbackPolygons(const std::vector<FbItem>& items) {
    std::vector<FbItem> out;
    for (const FbItem& it : items)
        if (it.token == GL_POLYGON_TOKEN) out.push_back(it);
    return out;
}

inline bool near(double a, double b, double eps = 1e-4) {
    return std::fabs(a - b) < eps;
}

// The box around every vertex drawn.
struct FbBox {
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    void add(const FbVertex& v) {
        const double p[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    }
};

inline FbBox fbBox(const std::vector<FbItem>& items) {
    FbBox box;
    for (const FbItem& it : items)
        for (const FbVertex& v : it.v) box.add(v);
    return box;
}

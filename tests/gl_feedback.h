// Captures what GL draws as its feedback stream: every polygon, line, point and pass-through
// marker with its window-space vertices, colour and texture coordinates. With an orthographic
// projection set by feedbackOrtho, window coordinates unproject exactly back to world positions.
#pragma once
#include <GL/glu.h>
#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <vector>

struct FbVertex {
    double x, y, z; // world position (unprojected)
    float colour[4];
    float tex[4];
};

struct FbItem {
    GLenum token; // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_POINT_TOKEN, GL_PASS_THROUGH_TOKEN...
    float pass;   // the value of a pass-through marker
    std::vector<FbVertex> v;
};

// The viewport and orthographic box every capture uses: x in [lo, hi], y in [lo, hi], world z in
// [lo, hi] (eye z = world z with an identity modelview).
struct FbView {
    double lo = -2, hi = 70;
};

inline void feedbackOrtho(const FbView& view) {
    glViewport(0, 0, 1000, 1000);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(view.lo, view.hi, view.lo, view.hi, -view.hi, -view.lo);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Runs draw in feedback mode (culling off, so every face is reported) and returns the items.
inline std::vector<FbItem> feedbackCapture(const std::function<void()>& draw, const FbView& view = FbView()) {
    static std::vector<GLfloat> buffer(1 << 24);
    feedbackOrtho(view);
    GLdouble model[16], proj[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLboolean culling = glIsEnabled(GL_CULL_FACE);
    glDisable(GL_CULL_FACE);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint n = glRenderMode(GL_RENDER);
    if (culling) glEnable(GL_CULL_FACE);

    std::vector<FbItem> items;
    GLint i = 0;
    auto vertex = [&]() {
        FbVertex v;
        gluUnProject(buffer[i], buffer[i + 1], buffer[i + 2], model, proj, viewport, &v.x, &v.y, &v.z);
        for (int k = 0; k < 4; ++k) v.colour[k] = buffer[i + 3 + k];
        for (int k = 0; k < 4; ++k) v.tex[k] = buffer[i + 7 + k];
        i += 11;
        return v;
    };
    while (i < n) {
        FbItem item;
        item.token = GLenum(buffer[i++]);
        item.pass = 0;
        int count = 0;
        switch (item.token) {
        case GL_POLYGON_TOKEN:
            count = int(buffer[i++]);
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            count = 2;
            break;
        case GL_PASS_THROUGH_TOKEN:
            item.pass = buffer[i++];
            break;
        default: // point, bitmap and pixel tokens carry one vertex
            count = 1;
        }
        for (int k = 0; k < count; ++k) item.v.push_back(vertex());
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

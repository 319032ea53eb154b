// Drawing a model, read back through GL feedback: which primitive each face becomes, the corner it
// starts at, its texture coordinates and normal, and that a compiled list replays the same stream.
//
// Mesa reports a filled quad (a, b, c, d) sent with GL_QUADS as the triangles (a, b, d), (b, c, d),
// and a polygon (v0 .. vn) sent with GL_POLYGON as the fan (v1, v2, v0), (v2, v3, v0), ...; so the
// stream shows both the primitive and the corner order it was sent in.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_draw.h"
#include "brep_test_models.h"
#include "gl_context.h"

namespace {

struct Corner {
    float s, t;      // texture coordinates as sent
    float colour[4]; // lit colour
    bool operator==(const Corner& o) const { return s == o.s && t == o.t; }
};
using Triangle = std::vector<Corner>;

// Everything drawn, as raw feedback words and as the triangles they describe.
struct Feedback {
    std::vector<GLfloat> words;
    std::vector<Triangle> polygons;
};

template <class F> Feedback capture(F draw) {
    static std::vector<GLfloat> buffer(1 << 20);
    glTestContext();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint n = glRenderMode(GL_RENDER);
    EXPECT_GE(n, 0) << "feedback buffer overflow";
    Feedback fb;
    fb.words.assign(buffer.begin(), buffer.begin() + (n > 0 ? n : 0));
    for (GLint i = 0; i < n;) {
        GLint token = (GLint)buffer[i++];
        EXPECT_EQ(token, GL_POLYGON_TOKEN);
        if (token != GL_POLYGON_TOKEN) break;
        int count = (int)buffer[i++];
        Triangle p;
        for (int k = 0; k < count; k++, i += 11) {
            Corner c;
            c.s = buffer[i + 7];
            c.t = buffer[i + 8];
            for (int j = 0; j < 4; j++) c.colour[j] = buffer[i + 3 + j];
            p.push_back(c);
        }
        fb.polygons.push_back(p);
    }
    return fb;
}

// Corner i of the test faces carries s = i + 10·mapping and t = 100·mapping + i in both mappings,
// so every corner sent names itself and the mapping it came from.
BrepVertex* corner(BrepModel* m, int i, float x, float y, float z) {
    return brepNewVertex(m, x, y, z, 1, 1, (float)i, (float)i, 100.0f + i, 10.0f + i);
}
Corner sent(int i, int mapping) {
    return Corner{(float)i + 10.0f * mapping, 100.0f * mapping + i, {}};
}

BrepFace* faceOf(BrepModel* m, std::vector<BrepVertex*> corners, int mapping) {
    addFace(m, 1, BREP_CW, corners);
    m->faces->mapping = mapping;
    return m->faces;
}

// The triangles Mesa reports for each primitive, given the corners in the order they were sent.
std::vector<Triangle> asQuad(const std::vector<Corner>& c) {
    return {{c[0], c[1], c[3]}, {c[1], c[2], c[3]}};
}
std::vector<Triangle> asPolygon(const std::vector<Corner>& c) {
    std::vector<Triangle> out;
    for (size_t i = 1; i + 1 < c.size(); i++) out.push_back({c[i], c[i + 1], c[0]});
    return out;
}

class BrepDraw : public ::testing::Test {
  protected:
    BrepModel* m = nullptr;
    void SetUp() override {
        glTestContext();
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        brepCreate(&m, "DRAW", 0);
    }
    void TearDown() override { brepFree(&m); }
};

TEST_F(BrepDraw, QuadStartsAtItsCornerOfGreatestSum) {
    // Sums x + y + z: 1, 3, 3, 2. The first 3 wins the tie: sent as corners 1, 2, 3, 0.
    BrepVertex* c0 = corner(m, 0, 1, 0, 0);
    BrepVertex* c1 = corner(m, 1, 2, 1, 0);
    BrepVertex* c2 = corner(m, 2, 1, 2, 0);
    BrepVertex* c3 = corner(m, 3, 0, 2, 0);
    faceOf(m, {c0, c1, c2, c3}, 0);
    Feedback fb = capture([&] { brepDraw(m); });
    EXPECT_EQ(fb.polygons, asQuad({sent(1, 0), sent(2, 0), sent(3, 0), sent(0, 0)}));
}

TEST_F(BrepDraw, PrimitiveFollowsTheCornerCount) {
    // Corner 0 has the greatest sum in every face, so each is sent in its own corner order.
    std::vector<BrepVertex*> v = {corner(m, 0, 3, 3, 0), corner(m, 1, 1, 3, 0), corner(m, 2, -1, 1, 0),
                                  corner(m, 3, 0, -1, 0), corner(m, 4, 2, 0, 0)};
    std::vector<Corner> c = {sent(0, 1), sent(1, 1), sent(2, 1), sent(3, 1), sent(4, 1)};
    struct Case {
        int count;
        std::vector<Triangle> expected;
    } cases[] = {
        {3, {{c[0], c[1], c[2]}}},             // GL_TRIANGLES: one triangle as sent
        {4, asQuad({c[0], c[1], c[2], c[3]})}, // GL_QUADS
        {5, asPolygon(c)},                     // GL_POLYGON
        {2, {}},                               // GL_POLYGON of two corners: nothing to fill
        {1, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.count);
        BrepModel* one = nullptr;
        brepCreate(&one, "ONE", 0); // faces only; the corners stay m's
        std::vector<BrepVertex*> corners(v.begin(), v.begin() + k.count);
        faceOf(one, corners, 1);
        Feedback fb = capture([&] { brepDraw(one); });
        EXPECT_EQ(fb.polygons, k.expected);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        brepFree(&one);
    }
}

TEST_F(BrepDraw, EachFaceSendsTheCoordinatesOfItsMapping) {
    BrepVertex* a = corner(m, 0, 2, 0, 0);
    BrepVertex* b = corner(m, 1, 0, 1, 0);
    BrepVertex* c = corner(m, 2, 0, 0, 0);
    faceOf(m, {a, b, c}, 0);
    faceOf(m, {a, b, c}, 1);
    Feedback fb = capture([&] { brepDraw(m); });
    // The face made last is at the head of the list and drawn first.
    std::vector<Triangle> expected = {{sent(0, 1), sent(1, 1), sent(2, 1)},
                                      {sent(0, 0), sent(1, 0), sent(2, 0)}};
    EXPECT_EQ(fb.polygons, expected);
}

TEST_F(BrepDraw, OneNormalPerFaceLightsAllItsCorners) {
    BrepVertex* a = corner(m, 0, 2, 0, 0);
    BrepVertex* b = corner(m, 1, 0, 2, 0);
    BrepVertex* c = corner(m, 2, 0, 0, 0);
    BrepFace* away = faceOf(m, {a, b, c}, 0);
    BrepFace* toward = faceOf(m, {a, b, c}, 0);
    // The stored normal is what is sent, whatever the corners say.
    away->normal[0] = 0, away->normal[1] = 0, away->normal[2] = -1;
    toward->normal[0] = 0, toward->normal[1] = 0, toward->normal[2] = 1;
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0); // white, from +z
    Feedback fb = capture([&] { brepDraw(m); });
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    ASSERT_EQ(fb.polygons.size(), 2u);
    for (const Corner& k : fb.polygons[0]) EXPECT_NEAR(k.colour[0], 0.84f, 0.01f); // toward the light
    for (const Corner& k : fb.polygons[1]) EXPECT_NEAR(k.colour[0], 0.04f, 0.01f); // ambient only
}

// Mesa 22's feedback replay of a display list reports only the first primitive kind of a list
// that mixes kinds (and can crash on it), so streams are compared for lists of one kind each, and
// a model of mixed faces by the image and depth it renders.
TEST_F(BrepDraw, CompiledListReplaysTheSameStream) {
    BrepModel *floor0 = nullptr, *floor1 = nullptr, *quads = nullptr, *triangles = nullptr;
    brepBuildFloor(&floor0, "FLOOR0");
    brepRefineFloor(floor0, &floor1);
    brepRefineFloor(floor1, &quads);
    brepRefineFloor(floor1, &triangles);
    brepSplitPolygons(triangles);
    EXPECT_EQ(countFaces(quads), 16);
    EXPECT_EQ(countFaces(triangles), 32);
    BrepModel* pentagons = nullptr;
    brepCreate(&pentagons, "PENTA", 0);
    for (int i = 0; i < 16; i++) {
        float x = (float)(i % 4) * 4 - 8, y = (float)(i / 4) * 4 - 8, s = (float)i / 16;
        addFace(pentagons, 1, i % 2 ? BREP_CW : BREP_CCW,
                {brepNewVertex(pentagons, x, y, 0, 1, 1, s, 0, 0, 0),
                 brepNewVertex(pentagons, x + 2, y, 0, 1, 1, s, 1, 0, 0),
                 brepNewVertex(pentagons, x + 2, y + 1, 0.5f, 1, 1, 1, 1, 0, 0),
                 brepNewVertex(pentagons, x + 1, y + 2, 0, 1, 1, 1, s, 0, 0),
                 brepNewVertex(pentagons, x, y + 1, 0, 1, 1, 0, s, 0, 0)});
    }
    for (BrepModel* model : {quads, triangles, pentagons}) {
        SCOPED_TRACE(model->name);
        GLuint list = 0;
        brepCompileList(model, &list);
        EXPECT_NE(list, 0u);
        EXPECT_TRUE(glIsList(list));
        Feedback direct = capture([&] { brepDraw(model); });
        Feedback replayed = capture([&] { glCallList(list); });
        EXPECT_EQ(direct.polygons.size(), model == pentagons ? 48u : 32u); // all reported as triangles
        EXPECT_EQ(direct.words, replayed.words);
        glDeleteLists(list, 1);
    }
    brepFree(&floor0);
    brepFree(&floor1);
    brepFree(&quads);
    brepFree(&triangles);
    brepFree(&pentagons);
}

// Colour and depth of the whole window after drawing, lit and textured with a gradient whose
// colour is the texture coordinate.
struct Rendered {
    std::vector<GLubyte> colour;
    std::vector<GLuint> depth;
};
Rendered renderLitTextured(const std::function<void()>& draw) {
    glTestContext(256, 256);
    glViewport(0, 0, 256, 256);
    static GLuint texture = 0;
    if (!texture) {
        std::vector<GLubyte> texels(64 * 64 * 3);
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) {
                texels[(y * 64 + x) * 3] = (GLubyte)(x * 4);
                texels[(y * 64 + x) * 3 + 1] = (GLubyte)(y * 4);
                texels[(y * 64 + x) * 3 + 2] = (GLubyte)((x ^ y) * 4);
            }
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 5, -2, 6, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(20, 1, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    glFinish();
    Rendered out;
    out.colour.resize(256 * 256 * 4);
    glReadPixels(0, 0, 256, 256, GL_RGBA, GL_UNSIGNED_BYTE, out.colour.data());
    out.depth.resize(256 * 256);
    glReadPixels(0, 0, 256, 256, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, out.depth.data());
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glLoadIdentity();
    return out;
}

TEST_F(BrepDraw, CompiledListOfMixedFacesDrawsTheSameImage) {
    // Flat faces whose texture coordinates follow their positions, so that however the driver
    // cuts a quad or a pentagon into triangles, every pixel gets the same values.
    BrepModel* mixed = nullptr;
    brepCreate(&mixed, "MIXED", 0);
    auto at = [&](float x, float y, float z) {
        return brepNewVertex(mixed, x, y, z, 1, 1, y / 8, x / 8, y / 8, x / 8);
    };
    addFace(mixed, 1, BREP_CW, {at(0, 0, 0), at(2, 0, 0), at(1, 2, 0)});
    addFace(mixed, 1, BREP_CCW, {at(2.5f, 0, 1), at(4.5f, 0.5f, 1), at(4, 3, 1), at(2.5f, 2.5f, 1)});
    addFace(mixed, 1, BREP_CW,
            {at(0, 3, -1), at(2, 3, -1), at(2.5f, 4.5f, -1), at(1, 5.5f, -1), at(-0.5f, 4.5f, -1)});
    addFace(mixed, 1, BREP_CW, {at(3, 3.5f, 2), at(4.5f, 3.5f, 2), at(4.5f, 5.5f, 2), at(3, 5.5f, 2)});
    GLuint list = 0;
    brepCompileList(mixed, &list);
    Rendered direct = renderLitTextured([&] { brepDraw(mixed); });
    Rendered replayed = renderLitTextured([&] { glCallList(list); });
    Rendered blank = renderLitTextured([] {});
    EXPECT_NE(direct.colour, blank.colour);
    EXPECT_TRUE(direct.colour == replayed.colour);
    // Depth is interpolated over whichever triangles the driver cut: equal up to rounding.
    int worst = 0;
    for (size_t i = 0; i < direct.depth.size(); i++)
        worst = std::max(worst, std::abs((int)(direct.depth[i] >> 8) - (int)(replayed.depth[i] >> 8)));
    EXPECT_LE(worst, 4);
    glDeleteLists(list, 1);
    brepFree(&mixed);
}

TEST_F(BrepDraw, NullModelDrawsNothingAndCompilesAnEmptyList) {
    Feedback direct = capture([] { brepDraw(nullptr); });
    EXPECT_TRUE(direct.words.empty());
    GLuint list = 0;
    brepCompileList(nullptr, &list);
    EXPECT_NE(list, 0u);
    EXPECT_TRUE(glIsList(list));
    Feedback replayed = capture([&] { glCallList(list); });
    EXPECT_TRUE(replayed.words.empty());
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDeleteLists(list, 1);
}

TEST_F(BrepDraw, CompilingReportsPendingErrorsDrawingLeavesThem) {
    BrepVertex* a = corner(m, 0, 2, 0, 0);
    BrepVertex* b = corner(m, 1, 0, 1, 0);
    BrepVertex* c = corner(m, 2, 0, 0, 0);
    faceOf(m, {a, b, c}, 0);

    glEnable(GL_LINE); // not a capability: GL_INVALID_ENUM waits
    std::string out = captureOutput([&] { brepDraw(m); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_ENUM);

    glEnable(GL_LINE);
    GLuint list = 0;
    out = captureOutput([&] { brepCompileList(m, &list); });
    EXPECT_EQ(countLines(out, "OpenGL:"), 1) << out;
    EXPECT_EQ(countLines(out, ""), 1) << out;
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glDeleteLists(list, 1);
}

} // namespace

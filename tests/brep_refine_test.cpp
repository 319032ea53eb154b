// The levels of detail: refinement counts of tubes and the cube, where the new corners go (weights,
// feature corners), the gap faces, the floor split, the cutting into triangles, the refusal of open
// models, and the identity of indexed and scanned lookups on whole models.
#include <cmath>
#include <array>
#include <functional>
#include <set>
#include "brep_helpers.h"

namespace {

BrepModel* tube(const TempDir& dir, const std::string& text, const char* name = "TUBE") {
    std::string path = dir.write(std::string(name) + ".brepdef.txt", text);
    BrepModel* m = nullptr;
    brepCreate(&m, name, 0);
    captured([&] { brepLoadDefFile(&m, path.c_str()); });
    return m;
}

struct CubeSetup {
    float faceWeight[6] = {1, 1, 1, 1, 1, 1};
    // Per corner (x + 2y + 4z): weight and kind, used where the corner is first added.
    float vertexWeight[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    int kind[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    int ccwFace = -1; // this face says counter-clockwise
};

// The unit cube from six quadrilaterals, normals outward, built by position. Face 0 is z = 0,
// face 2 is y = 0.
BrepModel* cube(const CubeSetup& s = CubeSetup()) {
    static const int faces[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};
    BrepModel* m = nullptr;
    brepCreate(&m, "CUBE", 0);
    for (int f = 0; f < 6; f++) {
        brepBeginFace(m, s.faceWeight[f], f == s.ccwFace ? BREP_CCW : BREP_CW);
        for (const int* p : faces[f]) {
            int c = p[0] + 2 * p[1] + 4 * p[2];
            brepFaceAddPoint(m, (float)p[0], (float)p[1], (float)p[2], s.vertexWeight[c], s.kind[c],
                             (float)p[0], (float)p[1], (float)p[1], (float)p[2]);
        }
        brepEndFace(m);
    }
    brepCheck(m, 1);
    return m;
}

bool joinsDiagonal(const BrepEdge* e, const BrepVertex* a, const BrepVertex* b) {
    return (e->v[0] == a && e->v[1] == b) || (e->v[0] == b && e->v[1] == a);
}

BrepModel* refined(BrepModel* src, std::string* printed = nullptr) {
    BrepModel* out = nullptr;
    std::string p = captured([&] { brepRefine(src, &out); });
    if (printed) *printed = p;
    return out;
}

// The normal of the corner order by the right-hand rule (before any negation).
void windingNormal(const BrepFace* f, float n[3]) {
    n[0] = n[1] = n[2] = 0;
    for (int i = 0; i < f->count; i++) {
        const float* a = f->verts[i]->pos;
        const float* b = f->verts[(i + 1) % f->count]->pos;
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
}

bool normalNegated(const BrepFace* f) {
    float n[3];
    windingNormal(f, n);
    float dot = n[0] * f->normal[0] + n[1] * f->normal[1] + n[2] * f->normal[2];
    return f->orientation == BREP_CW ? dot < 0 : dot > 0;
}

BrepVertex* vertexAt(BrepModel* m, float x, float y, float z) {
    for (BrepVertex* v = m->vertices; v; v = v->next)
        if (v->pos[0] == x && v->pos[1] == y && v->pos[2] == z) return v;
    return nullptr;
}

std::string counts(int f, int e, int v) {
    return "Face: " + std::to_string(f) + "\nEdge: " + std::to_string(e) + "\nVertex: " + std::to_string(v) +
           "\n\n\n";
}

TEST(BrepRefine, TubesKeepTheirSeamAndGiveTheKnownCounts) {
    TempDir dir;
    struct Case {
        int n, faces, edges, vertices;
    } cases[] = {{4, 47, 89, 44}, {3, 29, 53, 26}};
    for (const Case& c : cases) {
        BrepModel* m = tube(dir, straightTube(c.n));
        std::string printed;
        BrepModel* r = refined(m, &printed);
        EXPECT_EQ(counts(c.faces, c.edges, c.vertices), printed) << c.n; // and no "Brep Error"
        EXPECT_EQ(c.faces, countFaces(r));
        EXPECT_EQ(1, r->level);
        EXPECT_STREQ("TUBE", r->name);
        for (BrepFace* f = r->faces; f; f = f->next) EXPECT_FALSE(normalNegated(f));
        // Every old face has its own shrunken copy with as many corners.
        std::set<BrepFace*> derived;
        for (BrepFace* f = m->faces; f; f = f->next) {
            ASSERT_NE(nullptr, f->derived);
            EXPECT_EQ(f->count, f->derived->count);
            derived.insert(f->derived);
        }
        EXPECT_EQ((size_t)countFaces(m), derived.size());
        brepFree(&r);
        brepFree(&m);
    }
}

TEST(BrepRefine, FurtherLevelsStayClosed) {
    TempDir dir;
    BrepModel* level[4] = {tube(dir, windingTube(12))};
    for (int l = 1; l <= 3; l++) {
        std::string printed;
        level[l] = refined(level[l - 1], &printed);
        EXPECT_EQ(std::string::npos, printed.find("Brep Error")) << l;
        EXPECT_EQ(l, level[l]->level);
        for (BrepEdge* e = level[l]->edges; e; e = e->next) EXPECT_EQ(2, e->faceCount);
        // Euler characteristic of a closed tube: 2.
        EXPECT_EQ(2, countVertices(level[l]) - countEdges(level[l]) + countFaces(level[l])) << l;
    }
    for (BrepModel*& m : level) brepFree(&m);
}

TEST(BrepRefine, UnitCubeGivesShrunkenSquaresEdgeQuadsAndCornerTriangles) {
    BrepModel* c = cube();
    std::string printed;
    BrepModel* r = refined(c, &printed);
    EXPECT_EQ(counts(26, 48, 24), printed);
    int byCount[5] = {0, 0, 0, 0, 0};
    for (BrepFace* f = r->faces; f; f = f->next) {
        byCount[f->count]++;
        EXPECT_FALSE(normalNegated(f));
    }
    EXPECT_EQ(8, byCount[3]);
    EXPECT_EQ(6 + 12, byCount[4]);
    // The face at z = 0 (the oldest face, last in the list).
    BrepFace* bottom = c->faces;
    while (bottom->next) bottom = bottom->next;
    const float expected[4][3] = {{0.25f, 0.25f, 0}, {0.25f, 0.75f, 0}, {0.75f, 0.75f, 0}, {0.75f, 0.25f, 0}};
    for (int i = 0; i < 4; i++)
        for (int k = 0; k < 3; k++) EXPECT_EQ(expected[i][k], bottom->derived->verts[i]->pos[k]);
    EXPECT_FLOAT_EQ(-1, bottom->derived->normal[2]);
    brepFree(&r);
    brepFree(&c);
}

TEST(BrepRefine, FaceWeightZeroKeepsCornersVertexWeightZeroGoesToCentres) {
    CubeSetup s;
    s.faceWeight[0] = 0;   // z = 0 stays where it is
    s.vertexWeight[7] = 0; // corner (1, 1, 1) moves to the face centres
    BrepModel* c = cube(s);
    BrepModel* r = refined(c);
    BrepFace* bottom = c->faces;
    while (bottom->next) bottom = bottom->next;
    for (int i = 0; i < 4; i++)
        for (int k = 0; k < 3; k++) EXPECT_EQ(bottom->verts[i]->pos[k], bottom->derived->verts[i]->pos[k]);
    EXPECT_EQ(0, bottom->derived->weight);
    EXPECT_NE(nullptr, vertexAt(r, 0.5f, 0.5f, 1)); // centre of z = 1
    EXPECT_NE(nullptr, vertexAt(r, 0.5f, 1, 0.5f)); // centre of y = 1
    EXPECT_NE(nullptr, vertexAt(r, 1, 0.5f, 0.5f)); // centre of x = 1
    brepFree(&r);
    brepFree(&c);
}

TEST(BrepRefine, FeatureCornersGiveTheCentreOnlyFromTwoOrMore) {
    CubeSetup one;
    one.kind[0] = 2; // one feature corner on z = 0: the centre of all corners
    BrepModel* c = cube(one);
    BrepModel* r = refined(c);
    EXPECT_NE(nullptr, vertexAt(r, 0.75f, 0.75f, 0));
    brepFree(&r);
    brepFree(&c);

    CubeSetup two;
    two.kind[0] = two.kind[2] = 2; // (0,0,0) and (0,1,0): the centre of z = 0 is (0, 0.5, 0)
    c = cube(two);
    r = refined(c);
    BrepFace* bottom = c->faces;
    while (bottom->next) bottom = bottom->next;
    const float* p = bottom->derived->verts[2]->pos; // from (1, 1, 0)
    EXPECT_FLOAT_EQ(0.5f, p[0]);
    EXPECT_FLOAT_EQ(0.75f, p[1]);
    EXPECT_EQ(2, bottom->derived->verts[0]->kind); // new corners inherit the kind
    EXPECT_EQ(1, bottom->derived->verts[2]->kind);
    // Texture values are blended the same way.
    EXPECT_FLOAT_EQ(0.5f, bottom->derived->verts[2]->texT[0]);
    brepFree(&r);
    brepFree(&c);
}

TEST(BrepRefine, WeightsShrinkBySquareRootEachLevel) {
    CubeSetup s;
    s.vertexWeight[0] = 16;
    s.faceWeight[1] = 16;
    BrepModel* levels[4] = {cube(s)};
    const float expected[4] = {16, 4, 2, sqrtf(2)};
    for (int l = 1; l <= 3; l++) {
        levels[l] = refined(levels[l - 1]);
        // The heaviest vertex and face of each level come from the heavy ones of level 0.
        float vertexMax = 0, faceMax = 0;
        for (BrepVertex* v = levels[l]->vertices; v; v = v->next) vertexMax = std::max(vertexMax, v->weight);
        for (BrepFace* f = levels[l]->faces; f; f = f->next) faceMax = std::max(faceMax, f->weight);
        EXPECT_EQ(expected[l], vertexMax) << l;
        EXPECT_EQ(expected[l], faceMax) << l;
    }
    int heavy = 0;
    for (BrepVertex* v = levels[1]->vertices; v; v = v->next) heavy += v->weight == 4;
    EXPECT_EQ(3, heavy); // the corners of the three faces at the heavy vertex
    for (BrepModel*& m : levels) brepFree(&m);
}

TEST(BrepRefine, EdgeWithOneSharedEndGetsATriangleAndTheMeshStaysClosed) {
    // (0,0,0) and (1,0,0) are the only feature corners, so z = 0 and y = 0 both take their centre
    // (0.5, 0, 0). The weight-0 vertex (0,0,0) then lands on that centre in both faces, while the
    // different face weights part the corners at (1,0,0).
    CubeSetup s;
    s.kind[0] = s.kind[1] = 2;
    s.vertexWeight[0] = 0;
    s.faceWeight[2] = 2;
    BrepModel* c = cube(s);
    std::string printed;
    BrepModel* r = refined(c, &printed);
    EXPECT_EQ(std::string::npos, printed.find("Brep Error")) << printed;
    BrepVertex* shared = vertexAt(r, 0.5f, 0, 0);
    ASSERT_NE(nullptr, shared);
    int triangles = 0;
    for (BrepFace* f = r->faces; f; f = f->next) {
        std::set<BrepVertex*> corners(f->verts, f->verts + f->count);
        EXPECT_EQ((size_t)f->count, corners.size()); // no face repeats a corner
        triangles += f->count == 3 && corners.count(shared);
    }
    EXPECT_GE(triangles, 1);
    for (BrepEdge* e = r->edges; e; e = e->next) EXPECT_EQ(2, e->faceCount);
    brepFree(&r);
    brepFree(&c);
}

TEST(BrepRefine, BothEndsSharedMakesNoEdgeFace) {
    CubeSetup s;
    s.faceWeight[0] = s.faceWeight[2] = 0; // z = 0 and y = 0 keep their corners: they still meet
    BrepModel* c = cube(s);
    std::string printed;
    BrepModel* r = refined(c, &printed);
    EXPECT_EQ(std::string::npos, printed.find("Brep Error")) << printed;
    // No edge face along their common edge, and no corner triangle at its two ends, where only two
    // distinct new corners meet; the result is still one closed surface.
    EXPECT_EQ(26 - 1 - 2, countFaces(r));
    EXPECT_EQ(24 - 2, countVertices(r));
    EXPECT_EQ(2, countVertices(r) - countEdges(r) + countFaces(r));
    brepFree(&r);
    brepFree(&c);
}

TEST(BrepRefine, GapFaceNormalsAgreeWithTheirNeighbours) {
    // y = 0 keeps its corner order but says counter-clockwise, so its normal points into the cube.
    // Edge and corner faces take their orientation from one neighbour and their corners from all
    // of them; where the result points away from the neighbours' mean normal, the normal is turned
    // (the corner order is kept).
    CubeSetup s;
    s.ccwFace = 2;
    BrepModel* c = cube(s);
    BrepModel* r = refined(c);
    std::set<BrepFace*> shrunken;
    for (BrepFace* f = c->faces; f; f = f->next) shrunken.insert(f->derived);
    int negatedQuads = 0, negatedTriangles = 0;
    for (BrepFace* q = r->faces; q; q = q->next) {
        if (shrunken.count(q)) continue;
        (q->count == 4 ? negatedQuads : negatedTriangles) += normalNegated(q);
        // The neighbours whose mean decides: the shrunken faces along edges 0 and 2 of an edge face
        // (corners b, a, d, c), the faces around the hole of a corner face.
        float mean[3] = {0, 0, 0};
        std::vector<int> sides = q->count == 4 ? std::vector<int>{0, 2} : std::vector<int>{0, 1, 2};
        for (int i : sides) {
            BrepEdge* e = q->edges[i];
            BrepFace* g = e->face[0] == q ? e->face[1] : e->face[0];
            for (int k = 0; k < 3; k++) mean[k] += g->normal[k];
        }
        EXPECT_GE(mean[0] * q->normal[0] + mean[1] * q->normal[1] + mean[2] * q->normal[2], 0);
    }
    EXPECT_EQ(0, negatedQuads); // their two neighbours' normals cancel out: a tie keeps the normal
    EXPECT_EQ(2, negatedTriangles);
    brepFree(&r);
    brepFree(&c);
}

TEST(BrepRefine, OpenModelsAreRefusedWithAMessage) {
    BrepModel* open = nullptr;
    brepBuildFloor(&open, "OPEN");
    brepCheck(open, 0);
    std::string printed;
    BrepModel* r = refined(open, &printed);
    EXPECT_EQ("Brep Error OPEN.000: not a closed, checked model: not refined\n", printed);
    EXPECT_EQ(1, r->level);
    EXPECT_EQ(nullptr, r->faces);
    EXPECT_EQ(nullptr, open->faces->derived);
    brepFree(&r);
    brepFree(&open);

    // Faces without edges (as read from a file) are not a checked model either.
    BrepModel* c = cube();
    BrepModel* bare = nullptr;
    brepCreate(&bare, "BARE", 0);
    for (BrepFace* f = c->faces; f; f = f->next) {
        brepBeginFace(bare, 1, BREP_CW);
        for (int i = 0; i < f->count; i++) brepFaceAddVertexNoEdge(bare, f->verts[i]);
        brepEndFaceNoEdges(bare);
    }
    r = refined(bare, &printed);
    EXPECT_NE(std::string::npos, printed.find("not refined"));
    brepFree(&r);
    brepFree(&bare);
    brepFree(&c);
}

// A double cone: a ring of `sides` vertices around the z axis, a tip above and below.
BrepModel* doubleCone(int sides) {
    BrepModel* m = nullptr;
    brepCreate(&m, "CONE", 0);
    BrepVertex* top = brepNewVertex(m, 0, 0, 1, 1, 1, 0, 0, 0, 0);
    BrepVertex* bottom = brepNewVertex(m, 0, 0, -1, 1, 1, 0, 0, 0, 0);
    std::vector<BrepVertex*> ring;
    for (int i = 0; i < sides; i++) {
        float a = 6.2831853f * i / sides;
        ring.push_back(brepNewVertex(m, cosf(a), sinf(a), 0, 1, 1, 0, 0, 0, 0));
    }
    for (int i = 0; i < sides; i++) {
        BrepVertex* a = ring[i];
        BrepVertex* b = ring[(i + 1) % sides];
        for (auto corners :
             {std::array<BrepVertex*, 3>{top, a, b}, std::array<BrepVertex*, 3>{bottom, b, a}}) {
            brepBeginFace(m, 1, BREP_CW);
            for (BrepVertex* v : corners) brepFaceAddVertex(m, v);
            brepEndFace(m);
        }
    }
    brepCheck(m, 1);
    return m;
}

TEST(BrepRefine, HolesBeyondTheCornerLimitAreRefusedNotOverrun) {
    struct Case {
        int sides;
        const char* message;
    } cases[] = {{16, nullptr},
                 {17, "Brep Error CONE.001: hole of 17 corners, more than 16: no face made\n"},
                 {33, "Brep Error CONE.001: hole loop of 33 edges, more than 32: no face made\n"}};
    for (const Case& c : cases) {
        BrepModel* m = doubleCone(c.sides);
        std::string printed;
        BrepModel* r = refined(m, &printed);
        int largest = 0;
        for (BrepFace* f = r->faces; f; f = f->next) largest = std::max(largest, f->count);
        if (!c.message) {
            EXPECT_EQ(std::string::npos, printed.find("Brep Error")) << printed;
            EXPECT_EQ(16, largest);
        } else {
            // Both tips are refused; the holes stay open, which the strict check reports.
            EXPECT_EQ(0u, printed.find(std::string(c.message) + c.message)) << printed;
            EXPECT_NE(std::string::npos, printed.find("Brep Error Edge not conncted !")) << printed;
            EXPECT_EQ(4, largest);
        }
        brepFree(&r);
        brepFree(&m);
    }
}

TEST(BrepRefineFloor, FourTilesPerTileWithMidpointTextures) {
    BrepModel* levels[4] = {nullptr};
    brepBuildFloor(&levels[0], "FLOOR0");
    for (int l = 1; l <= 3; l++) brepRefineFloor(levels[l - 1], &levels[l]);
    EXPECT_EQ(4, countFaces(levels[1]));
    EXPECT_EQ(9, countVertices(levels[1]));
    EXPECT_EQ(16, countFaces(levels[2]));
    EXPECT_EQ(64, countFaces(levels[3]));
    EXPECT_EQ(81, countVertices(levels[3]));
    for (int l = 1; l <= 3; l++) {
        EXPECT_EQ(l, levels[l]->level);
        EXPECT_STREQ("FLOOR0", levels[l]->name);
    }
    std::set<float> values;
    for (BrepFace* f = levels[1]->faces; f; f = f->next) {
        float lo = 2, hi = -1;
        for (int i = 0; i < 4; i++) {
            const BrepVertex* v = f->verts[i];
            lo = std::min(lo, v->pos[0]);
            hi = std::max(hi, v->pos[0]);
            EXPECT_EQ(v->pos[0], v->texT[0]); // the floor's t follows x and s follows z
            EXPECT_EQ(v->pos[2], v->texS[0]);
            EXPECT_EQ(v->texT[0], v->texT[1]);
            values.insert(v->texS[0]);
        }
        EXPECT_EQ(0.5f, hi - lo);
        EXPECT_FLOAT_EQ(1, f->normal[1]);
    }
    EXPECT_EQ((std::set<float>{0, 0.5f, 1}), values);
    // The first tile made: corner 0, midpoint 0-1, centre, midpoint 3-0.
    BrepFace* first = levels[1]->faces;
    while (first->next) first = first->next;
    const float expected[4][3] = {{0, 0, 0}, {0, 0, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0, 0}};
    for (int i = 0; i < 4; i++)
        for (int k = 0; k < 3; k++) EXPECT_EQ(expected[i][k], first->verts[i]->pos[k]);
    for (BrepModel*& m : levels) brepFree(&m);
}

TEST(BrepRefineFloor, CornersSnapToTheUnitSquare) {
    BrepModel* m = nullptr;
    brepCreate(&m, "F", 0);
    brepBeginFace(m, 1, BREP_CW);
    brepFaceAddPoint(m, 0.00005f, 0, -0.00005f, 1, 1, 0, 0, 0, 0);
    brepFaceAddPoint(m, 0, 0.3f, 0.99995f, 1, 1, 0, 1, 0, 1);
    brepFaceAddPoint(m, 1.00001f, 0, 1, 1, 1, 1, 1, 1, 1);
    brepFaceAddPoint(m, 1, 0, 0, 1, 1, 1, 0, 1, 0);
    brepEndFace(m);
    BrepModel* r = nullptr;
    brepRefineFloor(m, &r);
    EXPECT_NE(nullptr, vertexAt(r, 0, 0, 0));
    EXPECT_NE(nullptr, vertexAt(r, 0, 0.3f, 1)); // y is not snapped
    EXPECT_NE(nullptr, vertexAt(r, 1, 0, 1));
    brepFree(&r);
    brepFree(&m);
}

BrepModel* polygon(const std::vector<std::array<float, 2>>& pts, std::vector<BrepVertex*>* made) {
    BrepModel* m = nullptr;
    brepCreate(&m, "P", 0);
    brepBeginFace(m, 3, BREP_CCW);
    for (auto& p : pts) brepFaceAddPoint(m, p[0], p[1], 0, 1, 1, 0, 0, 0, 0);
    brepEndFace(m);
    for (BrepVertex* v = m->vertices; v; v = v->next) made->insert(made->begin(), v);
    return m;
}

TEST(BrepSplit, QuadrilateralIsCutBetweenCornersZeroAndTwo) {
    std::vector<BrepVertex*> v;
    // The 1-3 diagonal is the shorter one, but a diagonal to the last corner is never considered.
    BrepModel* m = polygon({{0, 0}, {2, 1}, {4, 0}, {2, -1}}, &v);
    brepSplitPolygons(m);
    ASSERT_EQ(2, countFaces(m));
    BrepFace* second = m->faces;
    BrepFace* first = second->next;
    EXPECT_EQ((std::vector<BrepVertex*>{v[0], v[1], v[2]}),
              std::vector<BrepVertex*>(first->verts, first->verts + first->count));
    EXPECT_EQ((std::vector<BrepVertex*>{v[0], v[2], v[3]}),
              std::vector<BrepVertex*>(second->verts, second->verts + second->count));
    EXPECT_EQ(3, first->weight);
    EXPECT_EQ(BREP_CCW, second->orientation);
    for (BrepEdge* e = m->edges; e; e = e->next)
        EXPECT_EQ(joinsDiagonal(e, v[0], v[2]) ? 2 : 1, e->faceCount);
    brepFree(&m);
}

TEST(BrepSplit, PentagonTakesTheShortestConsideredDiagonal) {
    std::vector<BrepVertex*> v;
    // Diagonal lengths: 0-2 and 0-3 long, 1-3 shorter, 2-4 shortest but never considered.
    BrepModel* m = polygon({{0, 0}, {1, 3}, {2.4f, 3.2f}, {3, 2}, {2.5f, 3.4f}}, &v);
    brepSplitPolygons(m);
    std::set<std::set<BrepVertex*>> tris;
    for (BrepFace* f = m->faces; f; f = f->next) {
        EXPECT_EQ(3, f->count);
        tris.insert(std::set<BrepVertex*>(f->verts, f->verts + 3));
    }
    // 1-3 first: (1,2,3) and (1,3,4,0); the quadrilateral is then cut between its corners 0 and 2.
    std::set<std::set<BrepVertex*>> expected = {{v[1], v[2], v[3]}, {v[1], v[3], v[4]}, {v[1], v[4], v[0]}};
    EXPECT_EQ(expected, tris);
    brepFree(&m);
}

TEST(BrepSplit, SharedPositionsTakeTheRecordNearestTheHead) {
    BrepModel* m = nullptr;
    brepCreate(&m, "D", 0);
    BrepVertex* old[4];
    const float p[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; i++) old[i] = brepNewVertex(m, p[i][0], p[i][1], 0, 1, 1, 0, 0, 0, 0);
    BrepVertex* twin = brepNewVertex(m, 1, 0, 0, 5, 2, 0, 0, 0, 0); // same place as old[1], newer
    brepBeginFace(m, 1, BREP_CW);
    for (BrepVertex* v : old) brepFaceAddVertex(m, v);
    brepEndFace(m);
    brepSplitPolygons(m);
    bool sawTwin = false;
    for (BrepFace* f = m->faces; f; f = f->next)
        for (int i = 0; i < f->count; i++) {
            EXPECT_NE(old[1], f->verts[i]);
            sawTwin |= f->verts[i] == twin;
        }
    EXPECT_TRUE(sawTwin);
    brepFree(&m);
}

TEST(BrepSplit, ClosedModelStaysClosedWithOnlyTriangles) {
    BrepModel* c = cube();
    std::string printed = captured([&] {
        brepSplitPolygons(c);
        brepCheck(c, 1);
    });
    EXPECT_EQ("", printed);
    EXPECT_EQ(12, countFaces(c));
    EXPECT_EQ(18, countEdges(c));
    for (BrepFace* f = c->faces; f; f = f->next) EXPECT_EQ(3, f->count);
    brepFree(&c);
}

// ---- Indexed and scanned lookups give the same records in the same order.

struct Built {
    BrepModel* levels[4] = {nullptr, nullptr, nullptr, nullptr};
    std::string printed;
    ~Built() {
        for (BrepModel*& m : levels) brepFree(&m);
    }
};

void buildAll(int indexed, const std::function<BrepModel*()>& level0, bool floor, bool split, Built* b) {
    brepSetIndexed(indexed);
    b->printed = captured([&] {
        b->levels[0] = level0();
        for (int l = 1; l <= 3; l++) {
            if (floor)
                brepRefineFloor(b->levels[l - 1], &b->levels[l]);
            else
                brepRefine(b->levels[l - 1], &b->levels[l]);
        }
        if (split)
            for (BrepModel* m : b->levels) brepSplitPolygons(m);
    });
    brepSetIndexed(1);
}

void expectSameBothWays(const std::function<BrepModel*()>& level0, bool floor = false, bool split = false) {
    SCOPED_TRACE(testing::Message() << "floor " << floor << " split " << split);
    Built indexed, scanned;
    buildAll(1, level0, floor, split, &indexed);
    buildAll(0, level0, floor, split, &scanned);
    EXPECT_EQ(scanned.printed, indexed.printed);
    for (int l = 0; l < 4; l++)
        EXPECT_EQ("", modelDifference(indexed.levels[l], scanned.levels[l])) << "level " << l;
}

TEST(BrepIndex, SameModelsAsThePlainScans) {
    TempDir dir;
    dir.write("A.brepdef.txt", windingTube(14));
    dir.write("B.brepdef.txt", straightTube(4));
    // A cross-section flat in z (below = above = 0): corners of one ring share positions, and
    // refinement meets faces that repeat corners.
    std::vector<ProfilePoint> flat;
    for (int i = 0; i < 6; i++) {
        ProfilePoint p = profilePoint((float)i, i * 0.2f, 0.4f, 1 + i % 2, 1 + i % 3);
        p.below = 0;
        p.above = i % 2 ? 0.3f : 0;
        flat.push_back(p);
    }
    dir.write("C.brepdef.txt", definitionText(flat));
    InDir in(dir.path);
    expectSameBothWays([] {
        BrepModel* m = nullptr;
        brepBuildFromDef(&m, "A");
        return m;
    });
    expectSameBothWays([] {
        BrepModel* m = nullptr;
        brepBuildFromDef(&m, "B");
        brepLoadDef(&m, "A");
        return m;
    });
    expectSameBothWays(
        [] {
            BrepModel* m = nullptr;
            brepBuildFromDef(&m, "C");
            return m;
        },
        false, true);
    expectSameBothWays([] { return cube(); }, false, true);
    CubeSetup odd;
    odd.kind[0] = odd.kind[1] = 2;
    odd.vertexWeight[0] = 0;
    odd.faceWeight[2] = 2;
    odd.faceWeight[4] = 0;
    expectSameBothWays([odd] { return cube(odd); }, false, true);
    expectSameBothWays(
        [] {
            BrepModel* m = nullptr;
            brepBuildFloor(&m, "FLOOR0");
            return m;
        },
        true, true);
}

TEST(BrepIndex, RemovedFacesLeaveTheIndex) {
    // Faces removed by the split must not be found again by a later end call.
    BrepModel* m = nullptr;
    brepCreate(&m, "R", 0);
    const float p[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int round = 0; round < 3; round++) {
        brepBeginFace(m, 1, BREP_CW);
        for (auto& q : p) brepFaceAddPoint(m, q[0], q[1], 0, 1, 1, 0, 0, 0, 0);
        BrepFace* quad = brepEndFace(m);
        EXPECT_EQ(quad, m->faces);
        EXPECT_EQ(4, quad->count);
        brepSplitPolygons(m);
        EXPECT_EQ(2, countFaces(m));
    }
    brepFree(&m);
}

} // namespace

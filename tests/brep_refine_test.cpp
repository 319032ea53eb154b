// SPDX-License-Identifier: GPL-3.0-or-later
// The levels of detail: refinement counts of tubes and the cube, where the new corners go, the gap
// faces, the refusal of open models and of holes past the corner limit, the floor split, the cutting
// into triangles, and the identity of indexed and scanned lookups on whole models.
#include <functional>
#include <set>
#include "brep_helpers.h"

namespace {

struct CubeSetup {
    float faceWeight[6] = {1, 1, 1, 1, 1, 1};
    float vertexWeight[8] = {1, 1, 1, 1, 1, 1, 1, 1}; // per corner x + 2y + 4z
    int kind[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    int ccwFace = -1;
};

// The unit cube from six quadrilaterals, normals outward. Face 0 is z = 0 (the oldest, last in the
// list), face 2 is y = 0.
BrepModel* cube(const CubeSetup& s = CubeSetup()) {
    static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                    {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    BrepModel* m = nullptr;
    brepCreate(&m, "CUBE", 0);
    for (int f = 0; f < 6; f++) {
        brepBeginFace(m, s.faceWeight[f], f == s.ccwFace ? BREP_CCW : BREP_CW);
        for (int c : faces[f]) {
            float x = c & 1, y = c >> 1 & 1, z = c >> 2;
            brepFaceAddPoint(m, x, y, z, s.vertexWeight[c], s.kind[c], x, y, y, z);
        }
        brepEndFace(m);
    }
    brepCheck(m, 1);
    return m;
}

// A model and its refinement, released together.
struct Refined {
    BrepModel *src, *out = nullptr;
    std::string printed;
    explicit Refined(BrepModel* m) : src(m) {
        printed = captured([&] { brepRefine(src, &out); });
    }
    ~Refined() {
        brepFree(&out);
        brepFree(&src);
    }
    BrepFace* bottom() const { // made from z = 0, the oldest face
        BrepFace* f = src->faces;
        while (f->next) f = f->next;
        return f->derived;
    }
    bool has(float x, float y, float z) const {
        for (BrepVertex* v = out->vertices; v; v = v->next)
            if (v->pos[0] == x && v->pos[1] == y && v->pos[2] == z) return true;
        return false;
    }
};

// Faces of `count` corners (0: all) whose stored normal is against the right-hand rule of their
// corners, turned by their orientation.
int negatedNormals(const BrepModel* m, int count = 0) {
    int negated = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) {
        float n[3] = {0, 0, 0};
        for (int i = 0; i < f->count; i++) {
            const float *a = f->verts[i]->pos, *b = f->verts[(i + 1) % f->count]->pos;
            for (int k = 0; k < 3; k++)
                n[k] += (a[(k + 1) % 3] - b[(k + 1) % 3]) * (a[(k + 2) % 3] + b[(k + 2) % 3]);
        }
        float dot = n[0] * f->normal[0] + n[1] * f->normal[1] + n[2] * f->normal[2];
        negated += (!count || f->count == count) && (f->orientation == BREP_CW ? dot < 0 : dot > 0);
    }
    return negated;
}

// Every edge has two faces, no face repeats a corner, and V - E + F = 2.
void expectClosed(const BrepModel* m) {
    for (BrepEdge* e = m->edges; e; e = e->next) EXPECT_EQ(2, e->faceCount);
    for (BrepFace* f = m->faces; f; f = f->next)
        EXPECT_EQ((size_t)f->count, std::set<BrepVertex*>(f->verts, f->verts + f->count).size());
    std::vector<int> n = sizes(m);
    EXPECT_EQ(2, n[0] - n[1] + n[2]);
}

using BrepRefine = ScratchDir;

// Level 0 of a tube of three and of four profile lines, then level 1.
TEST_F(BrepRefine, TubesGiveTheKnownCounts) {
    for (int n : {4, 3}) {
        SCOPED_TRACE(n);
        writeFileText("TUBE.brepdef.txt", tubeText(n));
        BrepModel* m = nullptr;
        EXPECT_EQ("", captured([&] { brepBuildFromDef(&m, "TUBE"); })); // the strict check is silent
        EXPECT_EQ((n == 3 ? std::vector<int>{7, 15, 10} : std::vector<int>{12, 25, 15}), sizes(m));
        int triangles = 0;
        for (BrepFace* f = m->faces; f; f = f->next) triangles += f->count == 3;
        EXPECT_EQ(10, triangles);
        Refined r(m);
        EXPECT_EQ(n == 4 ? "Face: 47\nEdge: 89\nVertex: 44\n\n\n" : "Face: 29\nEdge: 53\nVertex: 26\n\n\n",
                  r.printed); // and no "Brep Error"
        EXPECT_EQ(0, negatedNormals(r.out));
        EXPECT_EQ(1, r.out->level);
    }
}

TEST(BrepRefineCube, FacesBecomeShrunkenSquaresEdgeQuadsCornerTriangles) {
    Refined r(cube());
    EXPECT_EQ("Face: 26\nEdge: 48\nVertex: 24\n\n\n", r.printed);
    int byCount[5] = {0, 0, 0, 0, 0};
    for (BrepFace* f = r.out->faces; f; f = f->next) byCount[f->count]++;
    EXPECT_EQ(byCount[3], 8);
    EXPECT_EQ(byCount[4], 6 + 12);
    EXPECT_EQ(0, negatedNormals(r.out));
    const float want[4][3] = {{0.25f, 0.25f, 0}, {0.25f, 0.75f, 0}, {0.75f, 0.75f, 0}, {0.75f, 0.25f, 0}};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ((std::vector<float>(want[i], want[i] + 3)),
                  (std::vector<float>(r.bottom()->verts[i]->pos, r.bottom()->verts[i]->pos + 3)));
    EXPECT_EQ(-1, r.bottom()->normal[2]);
}

// A face of weight 0 (z = 0) keeps its corners; a corner of weight 0 (1, 1, 1) moves to the centres
// of its faces; feature corners place the new corners too.
TEST(BrepRefineCube, WeightZeroAndFeatureCornersPlaceTheNewCorners) {
    CubeSetup zero;
    zero.faceWeight[0] = zero.vertexWeight[7] = 0;
    Refined r(cube(zero));
    const float corners[][3] = {{0, 0, 0},       {0, 1, 0},       {1, 1, 0},      {1, 0, 0},
                                {0.5f, 0.5f, 1}, {0.5f, 1, 0.5f}, {1, 0.5f, 0.5f}};
    for (const auto& p : corners) EXPECT_TRUE(r.has(p[0], p[1], p[2])) << p[0] << "," << p[1] << "," << p[2];
    CubeSetup one, two;
    one.kind[0] = 2; // one feature corner on z = 0: the centre of all corners
    EXPECT_TRUE(Refined(cube(one)).has(0.75f, 0.75f, 0));
    two.kind[0] = two.kind[2] = 2; // (0,0,0) and (0,1,0): the centre of z = 0 is (0, 0.5, 0)
    Refined t(cube(two));
    const BrepVertex* from110 = t.bottom()->verts[2];
    EXPECT_EQ(0.5f, from110->pos[0]);
    EXPECT_EQ(0.75f, from110->pos[1]);
    EXPECT_EQ(0.5f, from110->texT[0]);        // texture values blend the same way
    EXPECT_EQ(2, t.bottom()->verts[0]->kind); // the kind is inherited
    EXPECT_EQ(1, from110->kind);
}

TEST(BrepRefineCube, WeightsShrinkBySquareRootEachLevel) {
    CubeSetup s;
    s.vertexWeight[0] = s.faceWeight[1] = 16;
    BrepModel* levels[4] = {cube(s)};
    for (int l = 1; l <= 3; l++) {
        captured([&] { brepRefine(levels[l - 1], &levels[l]); });
        float vertexMax = 0, faceMax = 0;
        for (BrepVertex* v = levels[l]->vertices; v; v = v->next) vertexMax = std::max(vertexMax, v->weight);
        for (BrepFace* f = levels[l]->faces; f; f = f->next) faceMax = std::max(faceMax, f->weight);
        const float want = l == 1 ? 4 : l == 2 ? 2 : sqrtf(2);
        EXPECT_EQ(want, vertexMax) << l;
        EXPECT_EQ(want, faceMax) << l;
    }
    for (BrepModel*& m : levels) brepFree(&m);
}

TEST(BrepRefineCube, EdgesWhoseEndsStaySharedGetNoFaceGapNormalsFollowTheNeighbours) {
    CubeSetup bothEnds; // z = 0 and y = 0 keep their corners: no edge face, no corner triangles there
    bothEnds.faceWeight[0] = bothEnds.faceWeight[2] = 0;
    Refined kept(cube(bothEnds));
    EXPECT_EQ(std::string::npos, kept.printed.find("Brep Error")) << kept.printed;
    expectClosed(kept.out);
    EXPECT_EQ(26 - 1 - 2, countList(kept.out->faces));
    // y = 0 says counter-clockwise over clockwise corners, so its normal points into the cube. The
    // corner faces beside it point away from their neighbours' mean and are turned; at the edge
    // faces the two neighbours cancel out, and a tie keeps the normal.
    CubeSetup inward;
    inward.ccwFace = 2;
    Refined r(cube(inward));
    EXPECT_EQ(0, negatedNormals(r.out, 4));
    EXPECT_EQ(2, negatedNormals(r.out, 3));
}

TEST(BrepRefineCube, OpenOrEdgelessModelsAreNotRefined) {
    BrepModel* open = floorLevels(0)[0];
    brepCheck(open, 0);
    Refined floor(open);
    EXPECT_EQ("Brep Error FLOOR0.000: not a closed, checked model: not refined\n", floor.printed);
    EXPECT_EQ(1, floor.out->level);
    EXPECT_EQ(nullptr, floor.out->faces);
    BrepModel *c = cube(), *bare = nullptr; // faces without edges, as read from a file
    brepCreate(&bare, "BARE", 0);
    for (BrepFace* f = c->faces; f; f = f->next) addFace(bare, 1, BREP_CW, {f->verts, f->verts + f->count});
    EXPECT_NE(std::string::npos, Refined(bare).printed.find("not refined"));
    brepFree(&c);
}

TEST(BrepRefineCube, HolesPastTheCornerLimitGetNoFace) {
    // A double cone of n sides: a ring round the z axis, a tip above and one below.
    for (int n : {16, 17, 33}) {
        BrepModel* m = nullptr;
        brepCreate(&m, "CONE", 0);
        for (int i = 0; i < n; i++)
            for (int t = 0; t < 2; t++) {
                brepBeginFace(m, 1, BREP_CW);
                brepFaceAddPoint(m, 0, 0, t ? -1 : 1, 1, 1, 0, 0, 0, 0);
                for (int k : {i + t, i + 1 - t}) {
                    float a = 6.2831853f * (k % n) / n;
                    brepFaceAddPoint(m, cosf(a), sinf(a), 0, 1, 1, 0, 0, 0, 0);
                }
                brepEndFace(m);
            }
        brepCheck(m, 1);
        Refined r(m);
        int largest = 0;
        for (BrepFace* f = r.out->faces; f; f = f->next) largest = std::max(largest, f->count);
        EXPECT_EQ(n == 16 ? 16 : 4, largest); // both tips refused, their holes left open
        std::string message =
            n == 17 ? "Brep Error CONE.001: hole of 17 corners, more than 16: no face made\n"
                    : "Brep Error CONE.001: hole loop of 33 edges, more than 32: no face made\n";
        EXPECT_EQ(n == 16, r.printed.find(n == 16 ? "Brep Error" : message + message) == std::string::npos);
    }
}

TEST(BrepRefineFloor, FourTilesPerTileWithMidpointTextures) {
    std::vector<BrepModel*> levels = floorLevels(3);
    EXPECT_EQ((std::vector<int>{9, 12, 4}), sizes(levels[1]));
    EXPECT_EQ(64, countList(levels[3]->faces));
    EXPECT_EQ(3, levels[3]->level);
    std::set<float> values; // the tiles' corners at 0, 0.5 and 1 with t following x and s following z
    for (BrepVertex* v = levels[1]->vertices; v; v = v->next) {
        EXPECT_EQ(v->pos[0], v->texT[0]);
        EXPECT_EQ(v->pos[2], v->texS[0]);
        EXPECT_EQ(v->texT[0], v->texT[1]);
        values.insert(v->pos[0]);
        values.insert(v->pos[2]);
    }
    EXPECT_EQ((std::set<float>{0, 0.5f, 1}), values);
    for (BrepModel* m : levels) brepFree(&m);
}

TEST(BrepSplit, QuadsFromCornerZeroPentagonsByTheShortestConsideredDiagonalSharedPositionsFromTheHead) {
    // The quad's 1-3 diagonal is shorter, but no diagonal to the last corner is considered. Of the
    // pentagon's, 0-2 and 0-3 are long, 1-3 shorter, 2-4 shortest but not considered; 1-3 first,
    // then the quadrilateral (1, 3, 4, 0) between its corners 0 and 2.
    const std::vector<std::vector<float>> shapes = {{0, 0, 2, 1, 4, 0, 2, -1},
                                                    {0, 0, 1, 3, 2.4f, 3.2f, 3, 2, 2.5f, 3.4f}};
    const std::vector<std::set<std::vector<int>>> want = {{{0, 1, 2}, {0, 2, 3}},
                                                          {{1, 2, 3}, {1, 3, 4}, {0, 1, 4}}};
    for (size_t s = 0; s < shapes.size(); s++) {
        BrepModel* m = nullptr;
        brepCreate(&m, "P", 0);
        std::vector<BrepVertex*> v;
        for (size_t i = 0; i < shapes[s].size(); i += 2)
            v.push_back(brepNewVertex(m, shapes[s][i], shapes[s][i + 1], 0, 1, 1, 0, 0, 0, 0));
        BrepVertex* twin = brepNewVertex(m, 0, 0, 0, 5, 2, 0, 0, 0, 0); // where v[0] is, newer
        addFace(m, 3, BREP_CCW, v);
        brepSplitPolygons(m);
        std::set<std::vector<int>> made;
        int twins = 0;
        for (BrepFace* f = m->faces; f; f = f->next) {
            EXPECT_EQ(3, f->weight);
            EXPECT_EQ(BREP_CCW, f->orientation);
            std::vector<int> corners;
            for (int i = 0; i < f->count; i++) {
                twins += f->verts[i] == twin;
                corners.push_back(
                    f->verts[i] == twin ? 0 : (int)(std::find(v.begin(), v.end(), f->verts[i]) - v.begin()));
            }
            if (s) std::sort(corners.begin(), corners.end()); // the pentagon's as sets
            made.insert(corners);
        }
        EXPECT_EQ(want[s], made);
        EXPECT_EQ(s ? 1 : 2, twins); // and never v[0]
        brepFree(&m);
    }
    BrepModel* c = cube();
    EXPECT_EQ("", captured([&] {
                  brepSplitPolygons(c);
                  brepCheck(c, 1);
              }));
    EXPECT_EQ((std::vector<int>{8, 18, 12}), sizes(c));
    brepFree(&c);
}

// ---- Indexed and scanned lookups give the same records in the same order.

void expectSameBothWays(const std::function<BrepModel*()>& level0, bool floor = false, bool split = false,
                        bool closed = true) {
    std::string dumps[2][4], printed[2];
    for (int indexed = 0; indexed < 2; indexed++) {
        brepSetIndexed(indexed);
        BrepModel* levels[4] = {nullptr};
        printed[indexed] = captured([&] {
            levels[0] = level0();
            for (int l = 1; l <= 3; l++) (floor ? brepRefineFloor : brepRefine)(levels[l - 1], &levels[l]);
            if (split)
                for (BrepModel* m : levels) brepSplitPolygons(m);
        });
        for (int l = 0; l < 4; l++) dumps[indexed][l] = dump(levels[l]);
        for (BrepModel*& m : levels) brepFree(&m);
    }
    brepSetIndexed(1);
    EXPECT_EQ(printed[0], printed[1]);
    if (closed) { // every level closed
        EXPECT_EQ(std::string::npos, printed[1].find("Brep Error")) << printed[1];
    }
    for (int l = 0; l < 4; l++) EXPECT_EQ("", firstDifference(dumps[1][l], dumps[0][l])) << "level " << l;
}

BrepModel* fromDefs(std::initializer_list<const char*> names) {
    BrepModel* m = nullptr;
    for (const char* name : names) m ? (void)brepLoadDef(&m, name) : brepBuildFromDef(&m, name);
    return m;
}

// An octahedron with the given face weights and vertex weights and kinds (corners +x, -x, +y, -y,
// +z, -z): weights of 0 and feature corners merge new corners, leave faces shared and holes that
// are not simple loops.
BrepModel* octahedron(const std::vector<float>& faceWeight, const std::vector<float>& vertexWeight,
                      const std::vector<int>& kind) {
    static const int faces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                    {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    BrepModel* m = nullptr;
    brepCreate(&m, "OCTA", 0);
    for (int f = 0; f < 8; f++) {
        brepBeginFace(m, faceWeight[f], BREP_CW);
        for (int c : faces[f]) {
            float p[3] = {0, 0, 0};
            p[c / 2] = c % 2 ? -1.0f : 1.0f;
            brepFaceAddPoint(m, p[0], p[1], p[2], vertexWeight[c], kind[c], p[0], p[1], p[1], p[2]);
        }
        brepEndFace(m);
    }
    brepCheck(m, 0);
    return m;
}

TEST_F(BrepRefine, IndexedLookupsGiveTheSameModelsAsThePlainScans) {
    writeFileText("A.brepdef.txt", tubeText(14, true));
    writeFileText("B.brepdef.txt", tubeText(4));
    // Cross-sections flat in z (below = above = 0 on every other line): corners of a ring share
    // positions, and refinement meets faces that repeat corners.
    std::ostringstream flat;
    flat << "6 0 0 1 1\n";
    for (int i = 0; i < 6; i++) {
        flat << i << " " << i * 0.2f << " 0.4 0.4 0 " << (i % 2 ? 0.3f : 0);
        for (int k = 0; k < 8; k++) flat << " " << 1 + i % (k < 4 ? 2 : 3);
        flat << "\n";
    }
    writeFileText("C.brepdef.txt", flat.str());
    expectSameBothWays([] { return fromDefs({"A"}); });
    expectSameBothWays([] { return fromDefs({"B", "A"}); });
    expectSameBothWays([] { return fromDefs({"C"}); }, false, true, false);
    expectSameBothWays([] { return cube(); }, false, true);
    CubeSetup odd;
    odd.kind[0] = odd.kind[1] = 2;
    odd.vertexWeight[0] = odd.faceWeight[4] = 0;
    odd.faceWeight[2] = 2;
    expectSameBothWays([odd] { return cube(odd); }, false, true, false); // level 1 comes out open
    expectSameBothWays([] { return floorLevels(0)[0]; }, true, true);
    const std::vector<float> faceWeights[3] = {
        {0, 1, 1, 1, 2, 2, 2, 0}, {0.5f, 0, 1, 0, 1, 0, 0, 1}, {1, 1, 2, 2, 2, 1, 2, 2}};
    const std::vector<float> vertexWeights[3] = {
        {2, 2, 0.5f, 1, 0.5f, 1}, {1, 1, 1, 2, 0.5f, 0.5f}, {1, 1, 2, 1, 0.5f, 0}};
    const std::vector<int> kinds[3] = {{1, 1, 1, 1, 1, 1}, {2, 2, 1, 1, 1, 2}, {2, 2, 1, 1, 1, 1}};
    for (int i = 0; i < 3; i++) // merged corners
        expectSameBothWays([&] { return octahedron(faceWeights[i], vertexWeights[i], kinds[i]); }, false,
                           false, false);
}

TEST(BrepIndex, FacesRemovedBySplittingLeaveTheIndex) {
    BrepModel* m = nullptr;
    brepCreate(&m, "R", 0);
    for (int round = 0; round < 3; round++) {
        brepBeginFace(m, 1, BREP_CW);
        for (int q : {0, 1, 3, 2}) brepFaceAddPoint(m, q & 1, q >> 1, 0, 1, 1, 0, 0, 0, 0);
        BrepFace* quad = brepEndFace(m);
        EXPECT_EQ(4, quad->count); // not a split triangle found by its corners
        EXPECT_EQ(m->faces, quad);
        brepSplitPolygons(m);
        EXPECT_EQ(2, countList(m->faces));
    }
    brepFree(&m);
}

} // namespace

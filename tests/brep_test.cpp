// SPDX-License-Identifier: GPL-3.0-or-later
// The mesh records and level 0 from definitions: shared vertices, edges and faces, normals and
// mappings, the connectivity check, the limits of the records, the tube builder and its refusals.
#include "brep_helpers.h"

namespace {

BrepFace* face(BrepModel* m, std::initializer_list<BrepVertex*> corners, int orientation = BREP_CW) {
    brepBeginFace(m, 1, orientation);
    for (BrepVertex* v : corners) brepFaceAddVertex(m, v);
    return brepEndFace(m);
}

// Every record test holds with the hash indexes and with the plain scans. Corners 0-3 are a unit
// square in z = 0.
class BrepModelTest : public testing::TestWithParam<int> {
  protected:
    BrepModel* m = nullptr;
    BrepVertex* v[5];
    void SetUp() override {
        brepSetIndexed(GetParam());
        brepCreate(&m, "T", 0);
        const float p[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 2}};
        for (int i = 0; i < 5; i++) v[i] = brepNewVertex(m, p[i][0], p[i][1], p[i][2], 1, 1, 0, 0, 0, 0);
    }
    void TearDown() override {
        brepFree(&m);
        brepSetIndexed(1);
    }
    // f0 from points, its first at -0 where v[0] and a newer vertex stand; f1 (a, b, d) and f2 (b, a, c)
    // over corners 0-3 (a-d), sharing a-b.
    BrepVertex* newer = nullptr;
    BrepFace *f0 = nullptr, *f1 = nullptr, *f2 = nullptr;
    void threeFaces() {
        newer = brepNewVertex(m, 0, 0, 0, 9, 2, 0.5f, 0.5f, 0.5f, 0.5f);
        brepBeginFace(m, 1, BREP_CW);
        brepFaceAddPoint(m, -0.0f, 0, 0, 3, 1, 0, 0, 0, 0);
        brepFaceAddPoint(m, 1, 0, 0, 3, 1, 0, 0, 0, 0);
        brepFaceAddPoint(m, 0, 5, 0, 3, 1, 0, 0, 0, 0);
        f0 = brepEndFace(m);
        f1 = face(m, {v[0], v[1], v[3]});
        f2 = face(m, {v[1], v[0], v[2]});
    }
};

// A point at a vertex's position (-0 equals 0) takes the newest vertex there, as it is; faces share
// the edge between two corners, made from the previous corner to the new one; the check links each
// edge to its faces in list order.
TEST_P(BrepModelTest, ThreeFacesGiveTheKnownSharedRecords) {
    threeFaces();
    EXPECT_EQ(newer, f0->verts[0]);
    EXPECT_EQ(9, newer->weight);
    EXPECT_EQ(2, newer->kind);
    EXPECT_EQ(v[1], f0->verts[1]);
    EXPECT_EQ(7, countList(m->vertices));
    BrepEdge* ab = f1->edges[0];
    EXPECT_EQ(ab, f2->edges[0]);
    EXPECT_EQ(v[0], ab->v[0]);
    EXPECT_EQ(v[1], ab->v[1]);
    EXPECT_EQ(v[3], f1->edges[2]->v[0]); // the closing edge
    EXPECT_EQ(v[0], f1->edges[2]->v[1]);
    EXPECT_EQ(3 + 5, countList(m->edges));
    EXPECT_EQ("", captured([&] { brepCheck(m, 0); }));
    ASSERT_EQ(2, ab->faceCount);
    EXPECT_EQ(f2, ab->face[0]);
    EXPECT_EQ(f1, ab->face[1]);
}

// A third face on a-b: the oldest face, met last, finds it full and skips its later edges. The strict
// check also reports every edge without two faces, f0's three among them.
TEST_P(BrepModelTest, CheckReportsEdgesWithoutTwoFaces) {
    threeFaces();
    face(m, {v[0], v[1], v[4]});
    const std::string multiple = "Brep Error Edge multiple conncted !\n";
    EXPECT_EQ(multiple, captured([&] { brepCheck(m, 0); }));
    EXPECT_EQ(0, f1->edges[1]->faceCount);
    std::string strict = multiple;
    for (int i = 0; i < 6 + 3; i++) strict += "Brep Error Edge not conncted !\n";
    EXPECT_EQ(strict, captured([&] { brepCheck(m, 1); }));
}

// A face with the corner set of one in the list, in any order and orientation, is that face, until
// it is removed from the list.
TEST_P(BrepModelTest, FacesAreFoundByCornerSetUntilRemoved) {
    BrepFace* f = face(m, {v[0], v[1], v[2], v[3]});
    EXPECT_EQ(f, face(m, {v[2], v[1], v[0], v[3]}, BREP_CCW));
    BrepFace* triangle = face(m, {v[0], v[1], v[2]});
    EXPECT_NE(f, triangle);
    addFace(m, 1, BREP_CW, {v[0], v[1], v[2], v[3]}); // always added, without edges
    BrepFace* g = m->faces;
    EXPECT_NE(f, g);
    EXPECT_EQ(nullptr, g->edges[3]);
    EXPECT_EQ(g, face(m, {v[3], v[2], v[1], v[0]})); // the newest with the set
    // Identical corner pairs are counted: a face repeating a corner matches one more distinct corner.
    BrepFace* odd = face(m, {v[0], v[0], v[1], v[4]});
    EXPECT_EQ(odd, face(m, {v[0], v[1], v[4], v[3]}));
    EXPECT_EQ(f, brepRemoveFace(&m->faces, triangle));
    EXPECT_EQ(nullptr, brepRemoveFace(&m->faces, f)); // the last one
    BrepFace stranger = {};
    EXPECT_EQ(nullptr, brepRemoveFace(&m->faces, &stranger));
    EXPECT_EQ(2, countList(m->faces));
    EXPECT_EQ(m->faces, face(m, {v[1], v[2], v[0]})); // a removed set is made again
}

TEST_P(BrepModelTest, FacesBeyondSixteenCornersAreRefused) {
    std::string out = captured([&] {
        brepBeginFace(m, 1, BREP_CW);
        for (int i = 0; i < 20; i++) brepFaceAddPoint(m, cosf(i * 0.3f), sinf(i * 0.3f), 0, 1, 1, 0, 0, 0, 0);
        EXPECT_EQ(nullptr, brepEndFace(m));
        brepBeginFace(m, 1, BREP_CW);
        EXPECT_EQ(nullptr, brepEndFace(m));
    });
    EXPECT_EQ("Brep Error Face with more than 16 corners !\nBrep Error Face without corners !\n", out);
    brepBeginFace(m, 1, BREP_CW);
    BrepVertex* p = m->vertices;
    for (int i = 0; i < 16; i++, p = p->next) brepFaceAddVertex(m, p);
    EXPECT_EQ(16, brepEndFace(m)->count);
}

INSTANTIATE_TEST_SUITE_P(Lookups, BrepModelTest, testing::Values(1, 0));

TEST(BrepModel, OverlongNamesAreCutWithOneLine) {
    BrepModel* named = nullptr;
    std::string out = captured([&] { brepBuildFromDef(&named, std::string(5000, 'N').c_str()); });
    EXPECT_EQ(0u, out.find("Brep Error Model name longer than 31 characters")) << out;
    EXPECT_EQ(std::string(31, 'N'), named->name);
    brepFree(&named);
}

// ---- Level 0 from definition files.

class BrepDefinition : public ScratchDir {
  protected:
    BrepModel* m = nullptr;
    void TearDown() override {
        brepFree(&m);
        ScratchDir::TearDown();
    }
};

// The worked example, three profile lines along +x: its vertices, and face normals pointing away
// from the profile line y = z = 0.
TEST_F(BrepDefinition, WorkedExampleGivesTheKnownVerticesFacingOutward) {
    m = tubeModel("3 0 0 1 1\n0 0 9 9 9 9 1 1 1 1 1 1 1 1\n"
                  "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n2 0 9 9 9 9 1 1 1 1 1 1 1 1\n");
    std::vector<BrepVertex*> v = created(m->vertices);
    ASSERT_EQ(7u, v.size());
    const float want[7][7] = {// x y z t s0 s1 kind
                              {0, 0, 0, 0, 0.5f, 0.5f, 2},
                              {1, 0.5f, 0, 0.5f, 0, 1, 2},
                              {1, 0.5f, -0.25f, 0.5f, 0.125f, 0.125f, 1},
                              {1, -0.5f, -0.25f, 0.5f, 0.375f, 0.375f, 1},
                              {1, -0.5f, 0.25f, 0.5f, 0.625f, 0.625f, 1},
                              {1, 0.5f, 0.25f, 0.5f, 0.875f, 0.875f, 1},
                              {2, 0, 0, 1, 0.5f, 0.5f, 2}};
    for (int i = 0; i < 7; i++) {
        const BrepVertex& p = *v[i];
        EXPECT_EQ((std::vector<float>(want[i], want[i] + 7)),
                  (std::vector<float>{p.pos[0], p.pos[1], p.pos[2], p.texT[0], p.texS[0], p.texS[1],
                                      (float)p.kind}))
            << i;
        EXPECT_EQ(p.texT[0], p.texT[1]);
    }
    for (BrepFace* f = m->faces; f; f = f->next) {
        float c[3] = {0, 0, 0};
        for (int i = 0; i < f->count; i++)
            for (int k = 0; k < 3; k++) c[k] += f->verts[i]->pos[k] / f->count;
        EXPECT_GT(f->normal[0] * (c[0] - 1) + f->normal[1] * c[1] + f->normal[2] * c[2], 0);
    }
}

// The directions before and after the middle line cancel: its ring is built along (1, 0).
TEST_F(BrepDefinition, ProfileDoublingBackTakesTheNormalOneZero) {
    m = tubeModel("3 0 0 1 1\n0 0 .5 .5 .25 .25 1 1 1 1 1 1 1 1\n"
                  "1 0 .5 .5 .25 .25 1 1 1 1 1 1 1 1\n0 0 .5 .5 .25 .25 1 1 1 1 1 1 1 1\n");
    std::vector<BrepVertex*> v = created(m->vertices);
    EXPECT_EQ((std::vector<float>{v[1]->pos[0], v[3]->pos[0], v[3]->pos[1]}),
              (std::vector<float>{0.5f, 1.5f, 0}));
}

TEST_F(BrepDefinition, SeamFacesChooseTheMappingWithoutTheWrap) {
    m = tubeModel(tubeText(5));
    int seam = 0;
    for (BrepFace* f = m->faces; f; f = f->next) {
        bool hasA = false, hasB = false;
        for (int i = 0; i < f->count; i++) {
            hasA |= f->verts[i]->texS[0] != f->verts[i]->texS[1];
            hasB |= f->verts[i]->texS[0] == 0.125f;
        }
        EXPECT_EQ(hasA && hasB ? 0 : 1, f->mapping); // E-A faces and the ties take 1
        seam += hasA;
    }
    EXPECT_EQ(8, seam); // two per section: 2 caps + 2 quads x 3 sections
}

TEST_F(BrepDefinition, MalformedDefinitionsAreRefusedWithOneLineAddingNothing) {
    std::string line = "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n", head = "3 0 0 1 1\n" + line;
    // The text "missing" writes no file.
    const std::pair<std::string, const char*> cases[] = {
        {"missing", "does not exist"},
        {"", "empty definition"},
        {"2 0 0 1 1\n" + line + line, "2 profile lines, at least 3 needed"},
        {"3.5 0 0 1 1\n" + line + line + line, "'3.5' is not a whole number"},
        {"3 0 0", "ends inside the first line"},
        {head + line + "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1\n",
         "ends in profile line 3 of 3 (13 of 14 numbers)"},
        {"2000000000 0 0 1 1\n" + line + line + line, "ends in profile line 4 of 2000000000"},
        {head + "1 0 0.5 half 0.25 0.25 1 1 1 1 1 1 1 1\n" + line, "line 3: 'half' is not a number"},
        {head + "1 0 nan 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n" + line, "'nan'"},
        {std::string("3 0 0 1 1\n\x01\x02\xff", 13), "'\x3f\x3f\x3f' is not a number"}};
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(message);
        remove("BAD.brepdef.txt");
        if (text != "missing") writeFileText("BAD.brepdef.txt", text);
        brepCreate(&m, "BAD", 0);
        std::string out = captured([&] { EXPECT_EQ(0, brepLoadDefFile(&m, "BAD.brepdef.txt")); });
        EXPECT_EQ(0u, out.find("Brep Error BAD.brepdef.txt")) << out;
        EXPECT_NE(std::string::npos, out.find(message)) << out;
        EXPECT_EQ(1, std::count(out.begin(), out.end(), '\n')) << out;
        EXPECT_EQ((std::vector<int>{0, 0, 0}), sizes(m));
        brepFree(&m);
    }
}

} // namespace

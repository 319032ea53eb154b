// Level 0 from definition files: the tube's counts, positions, texture coordinates, weights and
// kinds, several definitions in one model, the refusal of malformed definitions, and the floor tile.
#include <cmath>
#include "brep_helpers.h"

namespace {

BrepModel* tubeModel(const TempDir& dir, const std::string& text, std::string* out = nullptr) {
    std::string path = dir.write("TUBE.brepdef.txt", text);
    BrepModel* m = nullptr;
    brepCreate(&m, "TUBE", 0);
    std::string printed = captured([&] { brepLoadDefFile(&m, path.c_str()); });
    if (out) *out = printed;
    return m;
}

// Vertices in creation order (the list runs newest first).
std::vector<BrepVertex*> creationOrder(BrepModel* m) {
    std::vector<BrepVertex*> v;
    for (BrepVertex* p = m->vertices; p; p = p->next) v.insert(v.begin(), p);
    return v;
}

void expectPosition(const BrepVertex* v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(x, v->pos[0]);
    EXPECT_FLOAT_EQ(y, v->pos[1]);
    EXPECT_FLOAT_EQ(z, v->pos[2]);
}

TEST(BrepDefinition, TubeCountsAndSilentStrictCheck) {
    TempDir dir;
    struct Case {
        int n, vertices, faces, edges, triangles;
    } cases[] = {{3, 7, 10, 15, 10}, {4, 12, 15, 25, 10}, {10, 42, 45, 85, 10}};
    for (const Case& c : cases) {
        std::string printed;
        BrepModel* m = tubeModel(dir, straightTube(c.n), &printed);
        EXPECT_EQ("", printed) << c.n;
        EXPECT_EQ(c.vertices, countVertices(m)) << c.n;
        EXPECT_EQ(c.faces, countFaces(m)) << c.n;
        EXPECT_EQ(c.edges, countEdges(m)) << c.n;
        int triangles = 0;
        for (BrepFace* f = m->faces; f; f = f->next) {
            triangles += f->count == 3;
            EXPECT_TRUE(f->count == 3 || f->count == 4);
            EXPECT_EQ(BREP_CW, f->orientation);
        }
        EXPECT_EQ(c.triangles, triangles) << c.n;
        for (BrepEdge* e = m->edges; e; e = e->next) EXPECT_EQ(2, e->faceCount);
        EXPECT_EQ(0, m->level);
        brepFree(&m);
    }
}

TEST(BrepDefinition, WorkedExamplePositionsAndTextureCoordinates) {
    TempDir dir;
    std::string text = "3 0 0 1 1\n"
                       "0 0 9 9 9 9 1 1 1 1 1 1 1 1\n"
                       "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n"
                       "2 0 9 9 9 9 1 1 1 1 1 1 1 1\n";
    BrepModel* m = tubeModel(dir, text);
    std::vector<BrepVertex*> v = creationOrder(m);
    ASSERT_EQ(7u, v.size());
    expectPosition(v[0], 0, 0, 0);          // start cap
    expectPosition(v[1], 1, 0.5f, 0);       // A: inner goes to +y on a profile along +x
    expectPosition(v[2], 1, 0.5f, -0.25f);  // B
    expectPosition(v[3], 1, -0.5f, -0.25f); // C
    expectPosition(v[4], 1, -0.5f, 0.25f);  // D
    expectPosition(v[5], 1, 0.5f, 0.25f);   // E
    expectPosition(v[6], 2, 0, 0);          // end cap
    float t[7] = {0, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1};
    float s0[7] = {0.5f, 0, 0.125f, 0.375f, 0.625f, 0.875f, 0.5f};
    float s1[7] = {0.5f, 1, 0.125f, 0.375f, 0.625f, 0.875f, 0.5f};
    int kind[7] = {2, 2, 1, 1, 1, 1, 2};
    for (int i = 0; i < 7; i++) {
        EXPECT_FLOAT_EQ(t[i], v[i]->texT[0]) << i;
        EXPECT_FLOAT_EQ(t[i], v[i]->texT[1]) << i;
        EXPECT_FLOAT_EQ(s0[i], v[i]->texS[0]) << i;
        EXPECT_FLOAT_EQ(s1[i], v[i]->texS[1]) << i;
        EXPECT_EQ(kind[i], v[i]->kind) << i;
    }
    // Every face's normal points out of the tube: away from the profile line (y = z = 0).
    for (BrepFace* f = m->faces; f; f = f->next) {
        float c[3] = {0, 0, 0};
        for (int i = 0; i < f->count; i++)
            for (int k = 0; k < 3; k++) c[k] += f->verts[i]->pos[k] / f->count;
        EXPECT_GT(f->normal[1] * c[1] + f->normal[2] * c[2] + f->normal[0] * (c[0] - 1), 0);
    }
    brepFree(&m);
}

TEST(BrepDefinition, TextureCoordinateTFollowsLineNumbers) {
    TempDir dir;
    std::vector<ProfilePoint> pts = {profilePoint(0, 0), profilePoint(1, 0), profilePoint(5, 0),
                                     profilePoint(6, 0)};
    BrepModel* m = tubeModel(dir, definitionText(pts, 2, 0, 5, 1));
    std::vector<BrepVertex*> v = creationOrder(m);
    EXPECT_FLOAT_EQ(2, v[0]->texT[0]);
    for (int k = 1; k <= 5; k++) EXPECT_FLOAT_EQ(3, v[k]->texT[0]); // not the length along the profile
    for (int k = 6; k <= 10; k++) EXPECT_FLOAT_EQ(4, v[k]->texT[1]);
    EXPECT_FLOAT_EQ(5, v[11]->texT[0]);
    brepFree(&m);
}

TEST(BrepDefinition, ProfileThatDoublesBackUsesNormalPlusX) {
    TempDir dir;
    std::vector<ProfilePoint> pts = {profilePoint(0, 0), profilePoint(1, 0), profilePoint(0, 0)};
    BrepModel* m = tubeModel(dir, definitionText(pts));
    std::vector<BrepVertex*> v = creationOrder(m);
    expectPosition(v[1], 0.5f, 0, 0);      // A = P - inner * (1, 0)
    expectPosition(v[3], 1.5f, 0, -0.25f); // C = P + outer * (1, 0)
    brepFree(&m);
}

TEST(BrepDefinition, WeightsComeFromTheLineBeforeAndFaceWeightsByCorner) {
    TempDir dir;
    std::vector<ProfilePoint> pts = {profilePoint(0, 0), profilePoint(1, 0), profilePoint(2, 0)};
    for (int k = 0; k < 4; k++) {
        pts[0].vw[k] = 1.0f + k; // 1 2 3 4
        pts[1].vw[k] = 5.0f + k; // never used with n = 3
        pts[2].vw[k] = 10.0f * (k + 1);
        pts[0].fw[k] = 10.0f + k;
        pts[1].fw[k] = 20.0f + k;
        pts[2].fw[k] = 99;
    }
    BrepModel* m = tubeModel(dir, definitionText(pts));
    std::vector<BrepVertex*> v = creationOrder(m);
    float expected[7] = {2.5f, 2.5f, 1, 2, 3, 4, 25};
    for (int i = 0; i < 7; i++) EXPECT_FLOAT_EQ(expected[i], v[i]->weight) << i;
    // Faces in creation order: start cap k = 0..4, then end cap k = 0..4.
    std::vector<BrepFace*> f;
    for (BrepFace* p = m->faces; p; p = p->next) f.insert(f.begin(), p);
    ASSERT_EQ(10u, f.size());
    float fw[10] = {10, 11, 12, 13, 10, 20, 21, 22, 23, 20};
    for (int i = 0; i < 10; i++) EXPECT_FLOAT_EQ(fw[i], f[i]->weight) << i;
    EXPECT_EQ(v[0], f[0]->verts[0]);
    EXPECT_EQ(v[1], f[0]->verts[1]); // A
    EXPECT_EQ(v[2], f[0]->verts[2]); // B
    EXPECT_EQ(v[6], f[5]->verts[0]);
    EXPECT_EQ(v[2], f[5]->verts[1]); // end cap runs the ring backwards: B then A
    EXPECT_EQ(v[1], f[5]->verts[2]);
    brepFree(&m);
}

TEST(BrepDefinition, SeamFacesChooseTheMappingWithoutTheWrap) {
    TempDir dir;
    BrepModel* m = tubeModel(dir, straightTube(5));
    int checked = 0;
    for (BrepFace* f = m->faces; f; f = f->next) {
        bool hasA = false, hasB = false, hasE = false;
        for (int i = 0; i < f->count; i++) {
            const BrepVertex* v = f->verts[i];
            hasA |= v->kind == 2 && v->texS[0] != v->texS[1];
            hasB |= v->texS[0] == 0.125f;
            hasE |= v->texS[0] == 0.875f;
        }
        if (hasA && hasB)
            EXPECT_EQ(0, f->mapping);
        else
            EXPECT_EQ(1, f->mapping); // the E-A faces, and the ties of the other sides
        checked += hasA;
    }
    EXPECT_EQ(2 * 4, checked); // two seam faces per section: 2 caps + 2 quads x 3 sections
    brepFree(&m);
}

TEST(BrepDefinition, SeveralDefinitionsStaySeparateClosedParts) {
    TempDir dir;
    dir.write("PART.brepdef.txt", straightTube(3));
    dir.write("PART1.brepdef.txt", straightTube(4));
    InDir in(dir.path);
    BrepModel* m = nullptr;
    std::string printed = captured([&] {
        brepBuildFromDef(&m, "PART");
        brepLoadDef(&m, "PART1");
    });
    EXPECT_EQ("", printed);
    EXPECT_STREQ("PART", m->name);
    EXPECT_EQ(0, m->level);
    EXPECT_EQ(7 + 12, countVertices(m)); // equal positions in both are not merged
    EXPECT_EQ(10 + 15, countFaces(m));
    EXPECT_EQ(15 + 25, countEdges(m));
    brepFree(&m);
}

struct BadDefinition {
    const char* what;
    std::string text;
    const char* message; // part of the one reported line
};

TEST(BrepDefinition, MalformedDefinitionsAreRefusedWithOneLineAndAddNothing) {
    std::string good = straightTube(3);
    std::string line = "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n";
    std::vector<BadDefinition> cases = {
        {"empty", "", "empty definition"},
        {"too few lines", "2 0 0 1 1\n" + line + line, "2 profile lines, at least 3 needed"},
        {"no lines", "0 0 0 1 1\n", "0 profile lines"},
        {"negative count", "-4 0 0 1 1\n", "-4 profile lines"},
        {"count not a number", "three 0 0 1 1\n" + line + line + line, "'three' is not a whole number"},
        {"count not whole", "3.5 0 0 1 1\n" + line + line + line, "'3.5' is not a whole number"},
        {"short first line", "3 0 0", "ends inside the first line"},
        {"short last line", "3 0 0 1 1\n" + line + line + "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1\n",
         "ends in profile line 3 of 3 (13 of 14 numbers)"},
        {"missing line", "4 0 0 1 1\n" + line + line + line, "ends in profile line 4 of 4"},
        {"huge count", "2000000000 0 0 1 1\n" + line + line + line, "ends in profile line 4 of 2000000000"},
        {"word in a line", "3 0 0 1 1\n" + line + "1 0 0.5 half 0.25 0.25 1 1 1 1 1 1 1 1\n" + line,
         "line 3: 'half' is not a number"},
        {"glued token", "3 0 0 1 1\n" + line + "1 0 0.5 0.5,0.25 0.25 1 1 1 1 1 1 1 1\n" + line,
         "'0.5,0.25' is not a number"},
        {"not finite", "3 0 0 1 1\n" + line + "1 0 nan 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n" + line, "'nan'"},
        {"overflow", "3 0 0 1 1\n" + line + "1 0 1e99 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n" + line, "'1e99'"},
        {"binary junk", std::string("3 0 0 1 1\n\x01\x02\xff", 13), "'\x3f\x3f\x3f' is not a number"},
    };
    TempDir dir;
    for (const BadDefinition& c : cases) {
        std::string path = dir.write("BAD.brepdef.txt", c.text);
        BrepModel* m = nullptr;
        brepCreate(&m, "BAD", 0);
        std::string printed = captured([&] { EXPECT_EQ(0, brepLoadDefFile(&m, path.c_str())) << c.what; });
        EXPECT_EQ(0u, printed.find("Brep Error " + path)) << c.what << ": " << printed;
        EXPECT_NE(std::string::npos, printed.find(c.message)) << c.what << ": " << printed;
        EXPECT_EQ(1, std::count(printed.begin(), printed.end(), '\n')) << c.what << ": " << printed;
        EXPECT_EQ(0, countVertices(m)) << c.what;
        EXPECT_EQ(0, countFaces(m)) << c.what;
        EXPECT_EQ(0, countEdges(m)) << c.what;
        brepFree(&m);
    }
}

TEST(BrepDefinition, MissingFileIsReportedByNameAndKeepsTheModel) {
    TempDir dir;
    dir.write("HAVE.brepdef.txt", straightTube(3));
    InDir in(dir.path);
    BrepModel* m = nullptr;
    std::string printed = captured([&] {
        brepBuildFromDef(&m, "HAVE");
        brepLoadDef(&m, "NOTHERE");
    });
    EXPECT_EQ("Brep Error NOTHERE.brepdef.txt: cannot open\n", printed);
    EXPECT_EQ(7, countVertices(m));
    EXPECT_EQ(10, countFaces(m));
    brepFree(&m);
    printed = captured([&] { brepBuildFromDef(&m, "GONE"); });
    EXPECT_EQ("Brep Error GONE.brepdef.txt: cannot open\n", printed);
    EXPECT_STREQ("GONE", m->name);
    EXPECT_EQ(nullptr, m->faces);
    brepFree(&m);
    // A very long definition name forms its file name without overflowing anything.
    std::string longName(5000, 'x');
    printed = captured([&] { brepBuildFromDef(&m, longName.c_str()); });
    EXPECT_NE(std::string::npos, printed.find("cannot open"));
    EXPECT_EQ(31u, strlen(m->name));
    brepFree(&m);
}

TEST(BrepFloor, OneUnitTileFacingUp) {
    BrepModel* m = nullptr;
    brepBuildFloor(&m, "FLOOR0");
    EXPECT_STREQ("FLOOR0", m->name);
    EXPECT_EQ(0, m->level);
    ASSERT_EQ(1, countFaces(m));
    EXPECT_EQ(4, countVertices(m));
    EXPECT_EQ(4, countEdges(m));
    BrepFace* f = m->faces;
    EXPECT_EQ(4, f->count);
    EXPECT_FLOAT_EQ(1, f->weight);
    EXPECT_EQ(BREP_CW, f->orientation);
    EXPECT_FLOAT_EQ(0, f->normal[0]);
    EXPECT_FLOAT_EQ(1, f->normal[1]);
    EXPECT_FLOAT_EQ(0, f->normal[2]);
    // The vertex list runs newest first: (1,0,0), (1,0,1), (0,0,1), (0,0,0); the face lists them
    // in the order they were added.
    float expected[4][5] = {{1, 0, 0, 1, 0}, {1, 0, 1, 1, 1}, {0, 0, 1, 0, 1}, {0, 0, 0, 0, 0}};
    int i = 0;
    for (BrepVertex* v = m->vertices; v; v = v->next, i++) {
        expectPosition(v, expected[i][0], expected[i][1], expected[i][2]);
        EXPECT_EQ(expected[i][3], v->texT[0]);
        EXPECT_EQ(expected[i][4], v->texS[0]);
        EXPECT_EQ(expected[i][3], v->texT[1]);
        EXPECT_EQ(expected[i][4], v->texS[1]);
        EXPECT_EQ(1, v->weight);
        EXPECT_EQ(1, v->kind);
        EXPECT_EQ(v, f->verts[3 - i]);
    }
    brepFree(&m);
}

} // namespace

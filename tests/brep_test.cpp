// The B-rep records: construction, sharing of vertices, edges and faces, normals, texture mapping,
// the connectivity check, face removal and the limits of the records.
#include <cmath>
#include <cstring>
#include "brep_helpers.h"

namespace {

BrepModel* newModel(const char* name = "T") {
    BrepModel* m = nullptr;
    brepCreate(&m, name, 0);
    return m;
}

// A face over existing vertices, in the given order.
BrepFace* face(BrepModel* m, std::initializer_list<BrepVertex*> corners, int orientation = BREP_CW,
               float weight = 1) {
    brepBeginFace(m, weight, orientation);
    for (BrepVertex* v : corners) brepFaceAddVertex(m, v);
    return brepEndFace(m);
}

BrepVertex* vertex(BrepModel* m, float x, float y, float z) {
    return brepNewVertex(m, x, y, z, 1, 1, 0, 0, 0, 0);
}

// Both lookup modes: every behaviour below must hold with the indexes and with the plain scans.
class BrepModelTest : public testing::TestWithParam<int> {
  protected:
    void SetUp() override { brepSetIndexed(GetParam()); }
    void TearDown() override { brepSetIndexed(1); }
};

TEST_P(BrepModelTest, CreateSetsNameLevelAndEmptyLists) {
    BrepModel* m = newModel("SPIDER");
    EXPECT_STREQ("SPIDER", m->name);
    EXPECT_EQ(0u, m->base);
    EXPECT_EQ(0u, m->size);
    EXPECT_EQ(nullptr, m->faces);
    EXPECT_EQ(nullptr, m->edges);
    EXPECT_EQ(nullptr, m->vertices);
    brepFree(&m);
    EXPECT_EQ(nullptr, m);
}

TEST_P(BrepModelTest, NewVertexGoesToHeadWithoutSearch) {
    BrepModel* m = newModel();
    BrepVertex* a = brepNewVertex(m, 1, 2, 3, 4, 2, 0.1f, 0.2f, 0.3f, 0.4f);
    BrepVertex* b = brepNewVertex(m, 1, 2, 3, 5, 1, 0, 0, 0, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(b, m->vertices);
    EXPECT_EQ(a, b->next);
    EXPECT_FLOAT_EQ(0.1f, a->texT[0]);
    EXPECT_FLOAT_EQ(0.3f, a->texT[1]);
    EXPECT_FLOAT_EQ(0.2f, a->texS[0]);
    EXPECT_FLOAT_EQ(0.4f, a->texS[1]);
    EXPECT_EQ(2, a->kind);
    brepFree(&m);
}

TEST_P(BrepModelTest, PointAtAnOccupiedPositionReusesTheNewestVertexUnchanged) {
    BrepModel* m = newModel();
    brepNewVertex(m, 0, 0, 0, 7, 1, 0, 0, 0, 0);
    BrepVertex* newer = brepNewVertex(m, 0, 0, 0, 9, 2, 0.5f, 0.5f, 0.5f, 0.5f);
    brepBeginFace(m, 1, BREP_CW);
    brepFaceAddPoint(m, -0.0f, 0, 0, 3, 1, 0, 0, 0, 0); // -0 equals 0
    brepFaceAddPoint(m, 1, 0, 0, 3, 1, 0, 0, 0, 0);
    brepFaceAddPoint(m, 0, 1, 0, 3, 1, 0, 0, 0, 0);
    BrepFace* f = brepEndFace(m);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(newer, f->verts[0]);
    EXPECT_EQ(9, newer->weight);
    EXPECT_EQ(2, newer->kind);
    EXPECT_EQ(4, countVertices(m)); // two new corners only
    brepFree(&m);
}

TEST_P(BrepModelTest, OppositeFacesShareOneEdgeListedInFaceOrder) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 1, 1, 0);
    BrepFace* f1 = face(m, {a, b, c});
    BrepFace* f2 = face(m, {b, a, d});
    EXPECT_EQ(5, countEdges(m));
    EXPECT_EQ(f1->edges[0], f2->edges[0]); // a-b and b-a
    BrepEdge* ab = f1->edges[0];
    EXPECT_EQ(a, ab->v[0]); // made by the first face: previous corner, then new corner
    EXPECT_EQ(b, ab->v[1]);
    EXPECT_EQ(0, ab->faceCount);
    brepCheck(m, 0);
    EXPECT_EQ(2, ab->faceCount);
    EXPECT_EQ(f2, ab->face[0]); // f2 is nearer the head
    EXPECT_EQ(f1, ab->face[1]);
    // Closing edge runs from the last corner to the first.
    EXPECT_EQ(c, f1->edges[2]->v[0]);
    EXPECT_EQ(a, f1->edges[2]->v[1]);
    brepFree(&m);
}

TEST_P(BrepModelTest, EdgeHintsGiveTheEdgeTheSearchWouldFind) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 1, 1, 0);
    BrepFace* f = face(m, {a, b, c});
    BrepEdge* ab = f->edges[0];
    BrepEdge* ca = f->edges[2];
    // Right hints are the searched edges; a hint that joins other corners is ignored.
    brepBeginFace(m, 1, BREP_CW);
    brepFaceAddVertexHint(m, b, ca);
    brepFaceAddVertexHint(m, a, ab);
    brepFaceAddVertexHint(m, d, ab);
    BrepFace* g = brepEndFaceHint(m, ca);
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(ab, g->edges[0]);
    EXPECT_EQ(5, countEdges(m)); // a-d and d-b made, not mixed up with the wrong hints
    EXPECT_TRUE(g->edges[1] != ab && g->edges[2] != ca);
    EXPECT_EQ(d, g->edges[2]->v[0]);
    EXPECT_EQ(b, g->edges[2]->v[1]);
    brepFree(&m);
}

TEST_P(BrepModelTest, CheckReportsThirdFaceOnceAndStrictOpenEdges) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 1, 1, 0), *e = vertex(m, 2, 2, 2);
    BrepFace* oldest = face(m, {a, b, c});
    face(m, {b, a, d});
    face(m, {a, b, e});
    // Faces are met from the head, so the oldest face finds a-b full.
    std::string out = captured([&] { brepCheck(m, 0); });
    EXPECT_EQ("Brep Error Edge multiple conncted !\n", out);
    // Its later edges were skipped, so b-c and c-a have no faces.
    EXPECT_EQ(2, oldest->edges[0]->faceCount);
    EXPECT_EQ(0, oldest->edges[1]->faceCount);
    EXPECT_EQ(0, oldest->edges[2]->faceCount);
    // Strict: the open edges b-c, c-a, a-d, d-b, b-e and e-a each report once.
    out = captured([&] { brepCheck(m, 1); });
    std::string expected = "Brep Error Edge multiple conncted !\n";
    for (int i = 0; i < 6; i++) expected += "Brep Error Edge not conncted !\n";
    EXPECT_EQ(expected, out);
    brepFree(&m);
}

TEST_P(BrepModelTest, ClosedTetrahedronChecksSilentlyEvenStrict) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 0, 0, 1);
    face(m, {a, c, b});
    face(m, {a, b, d});
    face(m, {b, c, d});
    face(m, {c, a, d});
    EXPECT_EQ("", captured([&] { brepCheck(m, 1); }));
    for (BrepEdge* e = m->edges; e; e = e->next) EXPECT_EQ(2, e->faceCount);
    brepFree(&m);
}

TEST_P(BrepModelTest, EndFaceReturnsExistingFaceWithSameCornerSetInAnyOrder) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 1, 1, 0);
    BrepFace* f = face(m, {a, b, c, d});
    EXPECT_EQ(f, face(m, {c, b, a, d}, BREP_CCW));
    EXPECT_EQ(1, countFaces(m));
    EXPECT_NE(f, face(m, {a, b, c})); // a different set
    // The file readers' end call always adds.
    brepBeginFace(m, 1, BREP_CW);
    for (BrepVertex* v : {a, b, c, d}) brepFaceAddVertexNoEdge(m, v);
    BrepFace* g = brepEndFaceNoEdges(m);
    EXPECT_NE(f, g);
    for (int i = 0; i < 4; i++) EXPECT_EQ(nullptr, g->edges[i]);
    EXPECT_EQ(3, countFaces(m));
    // Now the newest face with the set is found first.
    EXPECT_EQ(g, face(m, {d, c, b, a}));
    brepFree(&m);
}

TEST_P(BrepModelTest, CornerSetRuleCountsIdenticalPairs) {
    // The match counts identical (i, j) corner pairs, so a face that repeats a corner matches
    // a new face with one more distinct corner whenever the pair count equals the corner count.
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 1, 1, 0);
    BrepFace* odd = face(m, {a, a, b, c});
    EXPECT_EQ(odd, face(m, {a, b, c, d}));
    EXPECT_NE(odd, face(m, {a, a, b, c})); // 2*2 + 1 + 1 pairs: not even itself
    EXPECT_EQ(2, countFaces(m));
    brepFree(&m);
}

TEST_P(BrepModelTest, SquareNormalsFollowOrientation) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 1, 1, 0),
               *d = vertex(m, 0, 1, 0);
    BrepFace* cw = face(m, {a, b, c, d}, BREP_CW);
    EXPECT_FLOAT_EQ(0, cw->normal[0]);
    EXPECT_FLOAT_EQ(0, cw->normal[1]);
    EXPECT_FLOAT_EQ(1, cw->normal[2]);
    brepBeginFace(m, 1, BREP_CCW);
    for (BrepVertex* v : {a, b, c, d}) brepFaceAddVertexNoEdge(m, v);
    BrepFace* ccw = brepEndFaceNoEdges(m);
    EXPECT_FLOAT_EQ(-1, ccw->normal[2]);
    EXPECT_EQ(BREP_CCW, ccw->orientation);
    // A face without area keeps a zero normal instead of dividing by zero.
    BrepFace* flat = face(m, {a, b, vertex(m, 2, 0, 0)});
    EXPECT_EQ(0, flat->normal[0]);
    EXPECT_EQ(0, flat->normal[1]);
    EXPECT_EQ(0, flat->normal[2]);
    brepFree(&m);
}

TEST_P(BrepModelTest, MappingIsTheShorterOutlineTieGoesToOne) {
    BrepModel* m = newModel();
    BrepVertex* a = brepNewVertex(m, 0, 0, 0, 1, 1, 0, 0, 0, 0);
    BrepVertex* b = brepNewVertex(m, 1, 0, 0, 1, 1, 0, 0.1f, 0, 0.9f);
    BrepVertex* c = brepNewVertex(m, 0, 1, 0, 1, 1, 0.1f, 0, 0.1f, 0);
    EXPECT_EQ(0, face(m, {a, b, c})->mapping);
    BrepVertex* p = brepNewVertex(m, 5, 0, 0, 1, 1, 0, 0, 0, 0);
    BrepVertex* q = brepNewVertex(m, 6, 0, 0, 1, 1, 0.9f, 0.9f, 0.1f, 0);
    BrepVertex* r = brepNewVertex(m, 5, 1, 0, 1, 1, 0, 0.9f, 0, 0.1f);
    EXPECT_EQ(1, face(m, {p, q, r})->mapping);
    BrepVertex* e = brepNewVertex(m, 2, 1, 0, 1, 1, 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(1, face(m, {a, c, e})->mapping); // a, c and e have equal values in both mappings
    brepFree(&m);
}

TEST_P(BrepModelTest, RemoveFaceUnlinksOrReportsNotFound) {
    BrepModel* m = newModel();
    BrepVertex *a = vertex(m, 0, 0, 0), *b = vertex(m, 1, 0, 0), *c = vertex(m, 0, 1, 0),
               *d = vertex(m, 1, 1, 0);
    BrepFace* f1 = face(m, {a, b, c});
    BrepFace* f2 = face(m, {b, d, c});
    BrepFace* f3 = face(m, {a, b, d});
    EXPECT_EQ(f1, brepRemoveFace(&m->faces, f2));
    EXPECT_EQ(f3, m->faces);
    EXPECT_EQ(f1, f3->next);
    EXPECT_EQ(nullptr, brepRemoveFace(&m->faces, f1)); // the last one: nothing follows
    EXPECT_EQ(f3, m->faces);
    EXPECT_EQ(nullptr, f3->next);
    BrepFace stranger = {};
    EXPECT_EQ(nullptr, brepRemoveFace(&m->faces, &stranger));
    EXPECT_EQ(1, countFaces(m));
    // The removed corner set can be made again as a new face.
    BrepFace* again = face(m, {c, b, d});
    EXPECT_EQ(again, m->faces);
    EXPECT_EQ(2, countFaces(m));
    brepFree(&m);
}

TEST_P(BrepModelTest, SeventeenthCornerIsRefusedNotWrittenPastTheFace) {
    BrepModel* m = newModel();
    std::string out = captured([&] {
        brepBeginFace(m, 1, BREP_CW);
        for (int i = 0; i < 20; i++) brepFaceAddPoint(m, cosf(i * 0.3f), sinf(i * 0.3f), 0, 1, 1, 0, 0, 0, 0);
        EXPECT_EQ(nullptr, brepEndFace(m));
        brepBeginFace(m, 1, BREP_CW);
        for (int i = 0; i < 17; i++) brepFaceAddVertexNoEdge(m, m->vertices);
        EXPECT_EQ(nullptr, brepEndFaceNoEdges(m));
        brepBeginFace(m, 1, BREP_CW);
        EXPECT_EQ(nullptr, brepEndFace(m));
    });
    EXPECT_EQ("Brep Error Face with more than 16 corners !\nBrep Error Face with more than 16 corners !\n"
              "Brep Error Face without corners !\n",
              out);
    EXPECT_EQ(0, countFaces(m));
    // Sixteen corners are fine.
    brepBeginFace(m, 1, BREP_CW);
    BrepVertex* v = m->vertices;
    for (int i = 0; i < 16; i++, v = v->next) brepFaceAddVertex(m, v);
    BrepFace* f = brepEndFace(m);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(16, f->count);
    brepFree(&m);
}

TEST_P(BrepModelTest, OverlongNameIsReportedAndCut) {
    std::string name(40, 'N');
    BrepModel* m = nullptr;
    std::string out = captured([&] { brepCreate(&m, name.c_str(), 2); });
    EXPECT_EQ(0u, out.find("Brep Error Model name longer than 31 characters"));
    EXPECT_EQ(std::string(31, 'N'), m->name);
    EXPECT_EQ(2, m->level);
    brepFree(&m);
}

TEST_P(BrepModelTest, FreeReleasesAPackedModelAsOneBlock) {
    // A packed model: header, one vertex and one face in one malloc'd block.
    size_t size = sizeof(BrepModel) + sizeof(BrepVertex) + sizeof(BrepFace);
    char* block = (char*)calloc(1, size);
    BrepModel* m = (BrepModel*)block;
    m->base = (uintptr_t)block;
    m->size = (uint32_t)size;
    BrepVertex* v = (BrepVertex*)(block + sizeof(BrepModel));
    BrepFace* f = (BrepFace*)(block + sizeof(BrepModel) + sizeof(BrepVertex));
    m->vertices = v;
    m->faces = f;
    f->count = 1;
    f->verts[0] = v;
    brepFree(&m); // one free(): the sanitizer and valgrind runs catch anything else
    EXPECT_EQ(nullptr, m);
    BrepModel* none = nullptr;
    brepFree(&none);
}

INSTANTIATE_TEST_SUITE_P(Lookups, BrepModelTest, testing::Values(1, 0),
                         [](const testing::TestParamInfo<int>& i) {
                             return i.param ? "Indexed" : "Scanned";
                         });

} // namespace

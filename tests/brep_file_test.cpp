// The text form and the binary cache of a model level: what they write, what they read back, and
// that every malformed file is refused with an empty model and one message instead of a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brep/brep.h"
#include "brep/brep_build.h"
#include "brep/brep_file.h"
#include "brep_test_models.h"
#include "image/tga.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A refused or missing file leaves an empty model under the requested name and level.
void expectEmpty(const BrepModel* m, const char* name, int level) {
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->name, name);
    EXPECT_EQ(m->level, level);
    EXPECT_EQ(m->vertices, nullptr);
    EXPECT_EQ(m->faces, nullptr);
    EXPECT_EQ(m->edges, nullptr);
}

using BrepText = ScratchDir;
using BrepBinary = ScratchDir;

TEST_F(BrepText, RewritingAReadModelReversesLinesAndRenumbersCorners) {
    BrepModel* m = makeMixedModel("MIX", 2);
    brepWriteText(m);
    std::vector<std::string> first = lines(readFileText("MIX.002.brep.txt"));
    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadText(&back, "MIX", 2), 1);
    brepWriteText(back);
    std::vector<std::string> second = lines(readFileText("MIX.002.brep.txt"));

    ASSERT_EQ(first.size(), second.size());
    const int V = 7, F = 3;
    ASSERT_EQ(first.size(), (size_t)(2 + V + F));
    EXPECT_EQ(first[0], "7");
    EXPECT_EQ(second[0], "7");
    for (int i = 0; i < V; i++) EXPECT_EQ(second[1 + i], first[1 + V - 1 - i]);
    EXPECT_EQ(second[1 + V], "3");
    // Vertex number n of the first file is V-1-n in the second.
    for (int i = 0; i < F; i++) {
        std::istringstream a(first[2 + V + F - 1 - i]), b(second[2 + V + i]);
        std::string weightA, weightB;
        int orientA, orientB, countA, countB;
        a >> weightA >> orientA >> countA;
        b >> weightB >> orientB >> countB;
        EXPECT_EQ(weightA, weightB);
        EXPECT_EQ(orientA, orientB);
        ASSERT_EQ(countA, countB);
        for (int k = 0; k < countA; k++) {
            int ca, cb;
            a >> ca;
            b >> cb;
            EXPECT_EQ(cb, V - 1 - ca);
        }
    }
    // Normals and mappings are computed again from the values read; they match the originals.
    const BrepFace* original = m->faces;
    std::vector<const BrepFace*> readFaces;
    for (const BrepFace* f = back->faces; f; f = f->next) readFaces.insert(readFaces.begin(), f);
    for (const BrepFace* f : readFaces) {
        for (int k = 0; k < 3; k++) EXPECT_NEAR(f->normal[k], original->normal[k], 1e-5);
        EXPECT_EQ(f->mapping, original->mapping);
        original = original->next;
    }
    brepFree(&m);
    brepFree(&back);
}

TEST_F(BrepText, FloorTileFileIsTheKnownText) {
    BrepModel* floor = nullptr;
    brepBuildFloor(&floor, "FLOOR0");
    brepWriteText(floor);
    EXPECT_EQ(readFileText("FLOOR0.000.brep.txt"),
              "4\n"
              "1.000000 0.000000 0.000000 1.000000 1 1.000000 0.000000 1.000000 0.000000\n"
              "1.000000 0.000000 1.000000 1.000000 1 1.000000 1.000000 1.000000 1.000000\n"
              "0.000000 0.000000 1.000000 1.000000 1 0.000000 1.000000 0.000000 1.000000\n"
              "0.000000 0.000000 0.000000 1.000000 1 0.000000 0.000000 0.000000 0.000000\n"
              "1\n"
              "1.000000 2304 4 3 2 1 0\n");
    brepFree(&floor);
}

TEST_F(BrepText, ModelWithoutFacesKeepsItsVertices) {
    BrepModel* m = nullptr;
    brepCreate(&m, "DOTS", 0);
    brepNewVertex(m, 1, 2, 3, 1, 1, 0, 0, 0, 0);
    brepNewVertex(m, 4, 5, 6, 1, 1, 0, 0, 0, 0);
    brepWriteText(m);
    std::vector<std::string> text = lines(readFileText("DOTS.000.brep.txt"));
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(text[3], "0");
    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadText(&back, "DOTS", 0), 1);
    EXPECT_EQ(countVertices(back), 2);
    EXPECT_EQ(back->faces, nullptr);
    brepFree(&m);
    brepFree(&back);
}

TEST_F(BrepText, RepeatedCornersAndEqualPositionsAreKeptAsWritten) {
    writeFileText("REP.001.brep.txt", "3\n"
                                      "0 0 0 1 1 0 0 0 0\n"
                                      "0 0 0 1 1 0 0 0 0\n"
                                      "1 0 0 1 1 0 0 0 0\n"
                                      "1\n"
                                      "1 2304 3 0 0 2\n");
    BrepModel* m = nullptr;
    ASSERT_EQ(brepReadText(&m, "REP", 1), 1);
    EXPECT_EQ(countVertices(m), 3); // equal positions stay two vertices
    ASSERT_EQ(countFaces(m), 1);
    EXPECT_EQ(m->faces->verts[0], m->faces->verts[1]);
    EXPECT_NE(m->faces->verts[0], m->faces->verts[2]);
    EXPECT_EQ(m->edges, nullptr);
    brepFree(&m);
}

TEST_F(BrepText, TokensMayBeSplitByAnyWhiteSpace) {
    writeFileText("WS.000.brep.txt", "  1\r\n\t0 0 0 1\n1 0 0\n0 0\n\n1 1 2305\n1\n0");
    BrepModel* m = nullptr;
    ASSERT_EQ(brepReadText(&m, "WS", 0), 1);
    ASSERT_EQ(countFaces(m), 1);
    EXPECT_EQ(m->faces->orientation, BREP_CCW);
    brepFree(&m);
}

TEST_F(BrepText, MissingFileGivesAnEmptyModelSilently) {
    BrepModel* m = nullptr;
    std::string out = captureOutput([&] { EXPECT_EQ(brepReadText(&m, "NOPE", 3), 0); });
    expectEmpty(m, "NOPE", 3);
    EXPECT_EQ(out, "");
    brepFree(&m);
}

TEST_F(BrepText, OverLongNameIsCutToTheHeader) {
    const char* longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdef";
    BrepModel* m = nullptr;
    brepCreate(&m, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", 0);
    brepNewVertex(m, 1, 2, 3, 1, 1, 0, 0, 0, 0);
    brepWriteText(m);
    BrepModel* back = nullptr;
    EXPECT_EQ(brepReadText(&back, longName, 0), 1);
    EXPECT_STREQ(back->name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
    EXPECT_EQ(countVertices(back), 1);
    brepFree(&m);
    brepFree(&back);
}

struct BadText {
    const char* what;
    std::string text;
};

const char* const V3 = "3\n0 0 0 1 1 0 0 0 0\n1 0 0 1 1 0 0 0 0\n0 1 0 1 1 0 0 0 0\n";

TEST_F(BrepText, MalformedFilesAreRefusedWithOneMessage) {
    std::string v3 = V3;
    const BadText cases[] = {
        {"empty file", ""},
        {"negative vertex count", "-1\n0\n"},
        {"more vertices than the file can hold", "1000000\n0 0 0 1 1 0 0 0 0\n0\n"},
        {"huge vertex count", "99999999999999999999\n"},
        {"short vertex line", "1\n0 0 0 1 1 0 0 0\n"},
        {"missing face count", "1\n0 0 0 1 1 0 0 0 0\n"},
        {"word in place of a number", "1\n0 0 zero 1 1 0 0 0 0\n0\n"},
        {"fraction as kind", "1\n0 0 0 1 1.5 0 0 0 0\n0\n"},
        {"number glued to text", "1\n0 0 0 1 1 0 0 0 0x\n0\n"},
        {"not a number", "1\nnan 0 0 1 1 0 0 0 0\n0\n"},
        {"infinite value", "1\n1e99 0 0 1 1 0 0 0 0\n0\n"},
        {"over-long token", "1\n0.0000000000000000000000000000000000000000000000000001 0 0 1 1 0 0 0 0\n0\n"},
        {"negative face count", "1\n0 0 0 1 1 0 0 0 0\n-2\n"},
        {"more faces than the file can hold", "1\n0 0 0 1 1 0 0 0 0\n500\n1 2304 1 0\n"},
        {"corner number past the vertices", v3 + "1\n1 2304 3 0 1 3\n"},
        {"negative corner number", v3 + "1\n1 2304 3 0 -1 2\n"},
        {"no corners", v3 + "1\n1 2304 0\n"},
        {"seventeen corners", v3 + "1\n1 2304 17 0 1 2 0 1 2 0 1 2 0 1 2 0 1 2 0 1\n"},
        {"orientation zero", v3 + "1\n1 0 3 0 1 2\n"},
        {"orientation 2306", v3 + "1\n1 2306 3 0 1 2\n"},
        {"corners cut short", v3 + "1\n1 2304 4 0 1 2\n"},
        {"second face missing", v3 + "2\n1 2304 3 0 1 2\n"},
        {"text after the last face", v3 + "1\n1 2304 3 0 1 2\n7\n"},
    };
    for (const BadText& c : cases) {
        SCOPED_TRACE(c.what);
        writeFileText("BAD.002.brep.txt", c.text.c_str());
        BrepModel* m = nullptr;
        std::string out = captureOutput([&] { EXPECT_EQ(brepReadText(&m, "BAD", 2), 0); });
        expectEmpty(m, "BAD", 2);
        EXPECT_EQ(countLines(out, "Brep Error BAD.002.brep.txt: "), 1) << out;
        EXPECT_EQ(countLines(out, ""), 1) << out;
        brepFree(&m);
    }
}

TEST_F(BrepText, TextureHintDrawsEdgesInTextureSpace) {
    BrepModel* m = nullptr;
    brepCreate(&m, "HINT", 1);
    // One triangle using mapping 0: (s, t) = (0, 0), (1, 0), (0, 1); mapping 1 is made longer.
    BrepVertex* a = brepNewVertex(m, 0, 0, 0, 1, 1, 0, 0, 5, 5);
    BrepVertex* b = brepNewVertex(m, 1, 0, 0, 1, 1, 0, 1, 0, 0);
    BrepVertex* c = brepNewVertex(m, 0, 1, 0, 1, 1, 1, 0, 9, 9);
    addFace(m, 1, BREP_CW, {a, b, c});
    ASSERT_EQ(m->faces->mapping, 0);
    EXPECT_EQ(brepWriteTexHint(m, 256), 1);

    TgaImage img;
    tgaReset(&img);
    ASSERT_EQ(tgaLoad(&img, "HINT.001.texhint.tga"), 1);
    ASSERT_EQ(img.width, 256);
    ASSERT_EQ(img.height, 256);
    // Row 0 holds the edge (0,0)-(1,0): 100 points from column 255 (256 held at the border) down
    // to column 2, and column 0 from the edge that ends at (0,0).
    std::vector<int> expected = {0};
    for (int k = 99; k >= 0; k--) expected.push_back(std::min(255, (int)std::floor(2.56 * (100 - k))));
    std::vector<int> lit;
    for (int x = 0; x < 256; x++)
        if (tgaGetPixel(&img, x, 0) != 0) lit.push_back(x);
    EXPECT_EQ(lit, expected);
    EXPECT_EQ(tgaGetPixel(&img, 255, 0), 0xFFFFFFu);
    EXPECT_EQ(tgaGetPixel(&img, 1, 0), 0u);
    EXPECT_EQ(tgaGetPixel(&img, 128, 128), 0xFFFFFFu); // on the diagonal edge
    EXPECT_EQ(tgaGetPixel(&img, 100, 50), 0u);
    tgaFree(&img);
    brepFree(&m);
}

TEST_F(BrepText, TextureHintOfAModelReadFromAFileNeedsNoEdges) {
    BrepModel* m = makeMixedModel("HINTED", 0);
    brepWriteText(m);
    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadText(&back, "HINTED", 0), 1);
    EXPECT_EQ(brepWriteTexHint(back, 64), 1);
    EXPECT_TRUE(fileExists("HINTED.000.texhint.tga"));
    brepFree(&m);
    brepFree(&back);
}

// ---- Binary cache.

uint32_t word(const std::string& bytes, size_t at) {
    return (uint32_t)(uint8_t)bytes[at] | (uint32_t)(uint8_t)bytes[at + 1] << 8 |
           (uint32_t)(uint8_t)bytes[at + 2] << 16 | (uint32_t)(uint8_t)bytes[at + 3] << 24;
}
void setWord(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; i++) bytes[at + i] = (char)(value >> (8 * i));
}

// A built model with edges (the floor refined twice: 16 quads) and a mixed one.
BrepModel* builtFloor() {
    BrepModel *l0 = nullptr, *l1 = nullptr, *l2 = nullptr;
    brepBuildFloor(&l0, "FLOOR0");
    brepRefineFloor(l0, &l1);
    brepRefineFloor(l1, &l2);
    brepFree(&l0);
    brepFree(&l1);
    return l2;
}

TEST_F(BrepBinary, PackWriteAndReadKeepEveryValueAndTheListOrder) {
    for (BrepModel* m : {builtFloor(), makeMixedModel("MIX", 1)}) {
        SCOPED_TRACE(m->name);
        ModelPicture before = picture(m);
        int V = countVertices(m), F = countFaces(m);
        std::string name = m->name;
        int level = m->level;

        BrepModel* packed = brepPack(&m);
        ASSERT_EQ(packed, m);
        EXPECT_NE(m->base, 0u);
        EXPECT_EQ(m->size, (uint32_t)(288 + 44 * V + 164 * F));
        EXPECT_EQ(m->edges, nullptr);
        EXPECT_STREQ(m->name, name.c_str());
        EXPECT_EQ(m->level, level);
        EXPECT_TRUE(picture(m) == before);

        ASSERT_EQ(brepWriteBinary(m), 1);
        char path[64];
        snprintf(path, sizeof path, "%s.%03d.brep.bin", name.c_str(), level);
        std::string bytes = readFileText(path);
        ASSERT_EQ(bytes.size(), (size_t)(288 + 44 * V + 164 * F));

        BrepModel* back = nullptr;
        ASSERT_EQ(brepReadBinary(&back, name.c_str(), level), 1);
        EXPECT_TRUE(picture(back) == before);
        EXPECT_EQ(back->edges, nullptr);
        EXPECT_NE(back->base, 0u);
        EXPECT_EQ(back->size, m->size);
        for (const BrepFace* f = back->faces; f; f = f->next)
            for (int i = 0; i < BREP_MAX_CORNERS; i++) EXPECT_EQ(f->edges[i], nullptr);
        brepFree(&m);
        brepFree(&back);
        EXPECT_EQ(back, nullptr);
    }
}

TEST_F(BrepBinary, FileLayoutIsTheThirtyTwoBitImage) {
    BrepModel* m = makeMixedModel("LAYOUT", 3);
    brepPack(&m);
    ASSERT_EQ(brepWriteBinary(m), 1);
    std::string b = readFileText("LAYOUT.003.brep.bin");
    const uint32_t V = 7, F = 3;
    ASSERT_EQ(b.size(), 288 + 44 * V + 164 * F);
    uint32_t base = word(b, 0);
    EXPECT_EQ(base, BREP_PACK_BASE);
    EXPECT_EQ(word(b, 4), b.size());
    EXPECT_EQ(std::string(b.c_str() + 8), "LAYOUT");
    EXPECT_EQ(word(b, 40), 3u);
    EXPECT_EQ(word(b, 44), base + 288 + 44 * V); // first face after the vertices
    EXPECT_EQ(word(b, 48), 0u);                  // no edges
    EXPECT_EQ(word(b, 52), base + 288);          // first vertex right after the header
    // The head vertex (the last made: i = 6) and its chain.
    float x;
    uint32_t bits = word(b, 288);
    memcpy(&x, &bits, 4);
    EXPECT_EQ(x, 3.0f);
    EXPECT_EQ(word(b, 288 + 16), 0u); // kind 6 % 3
    EXPECT_EQ(word(b, 288 + 40), base + 288 + 44);
    EXPECT_EQ(word(b, 288 + 44 * 6 + 40), 0u);
    // The head face (the pentagon): orientation, count, mapping and its first corner (vertex 6,
    // the head at offset 288).
    size_t face = 288 + 44 * V;
    EXPECT_EQ(word(b, face + 12), (uint32_t)BREP_CW);
    EXPECT_EQ(word(b, face + 20), 5u);
    EXPECT_LE(word(b, face + 24), 1u);
    EXPECT_EQ(word(b, face + 92), base + 288);
    EXPECT_EQ(word(b, face + 160), base + 288 + 44 * V + 164);
    EXPECT_EQ(word(b, face + 164 * 2 + 160), 0u);
    brepFree(&m);
}

TEST_F(BrepBinary, ModelWithoutFacesHasANullFaceHead) {
    BrepModel* m = nullptr;
    brepCreate(&m, "DOTS", 0);
    brepNewVertex(m, 1, 2, 3, 1, 1, 0, 0, 0, 0);
    brepNewVertex(m, 4, 5, 6, 1, 1, 0, 0, 0, 0);
    brepPack(&m);
    EXPECT_EQ(m->size, 288u + 2 * 44);
    EXPECT_EQ(m->faces, nullptr);
    ASSERT_EQ(brepWriteBinary(m), 1);
    EXPECT_EQ(word(readFileText("DOTS.000.brep.bin"), 44), 0u);
    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadBinary(&back, "DOTS", 0), 1);
    EXPECT_EQ(back->faces, nullptr);
    EXPECT_EQ(countVertices(back), 2);
    brepFree(&m);
    brepFree(&back);
}

TEST_F(BrepBinary, TwoReadsOfOneFileAreIndependent) {
    BrepModel* m = makeMixedModel("TWICE", 0);
    ModelPicture before = picture(m);
    brepPack(&m);
    brepWriteBinary(m);
    BrepModel *a = nullptr, *b = nullptr;
    ASSERT_EQ(brepReadBinary(&a, "TWICE", 0), 1);
    ASSERT_EQ(brepReadBinary(&b, "TWICE", 0), 1);
    EXPECT_NE(a, b);
    EXPECT_NE(a->vertices, b->vertices);
    EXPECT_NE(a->faces->verts[0], b->faces->verts[0]);
    brepFree(&a);
    EXPECT_TRUE(picture(b) == before);
    brepFree(&b);
    brepFree(&m);
}

TEST_F(BrepBinary, WritingAModelReadFromTheCacheGivesTheSameFile) {
    BrepModel* m = builtFloor();
    brepPack(&m);
    brepWriteBinary(m);
    std::string first = readFileText("FLOOR0.002.brep.bin");
    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadBinary(&back, "FLOOR0", 2), 1);
    ASSERT_EQ(remove("FLOOR0.002.brep.bin"), 0);
    ASSERT_EQ(brepWriteBinary(back), 1);
    EXPECT_TRUE(readFileText("FLOOR0.002.brep.bin") == first);
    BrepModel* again = nullptr;
    ASSERT_EQ(brepReadBinary(&again, "FLOOR0", 2), 1);
    EXPECT_TRUE(picture(again) == picture(m));
    brepFree(&m);
    brepFree(&back);
    brepFree(&again);
}

TEST_F(BrepBinary, ForeignBaseAndRecordOrderSurviveARewrite) {
    // A file packed elsewhere: another base, and the vertex list running backwards through the
    // records. Both are sound; reading and writing again keeps every byte.
    BrepModel* m = makeMixedModel("ODD", 0);
    brepPack(&m);
    brepWriteBinary(m);
    std::string b = readFileText("ODD.000.brep.bin");
    const uint32_t V = 7, F = 3, oldBase = word(b, 0), newBase = 0x00401000;
    auto rebase = [&](size_t at) {
        if (word(b, at)) setWord(b, at, word(b, at) - oldBase + newBase);
    };
    setWord(b, 0, newBase);
    rebase(44);
    rebase(52);
    for (uint32_t k = 0; k < V; k++) rebase(288 + 44 * k + 40);
    for (uint32_t k = 0; k < F; k++) {
        size_t at = 288 + 44 * V + 164 * k;
        for (int i = 0; i < 16; i++) rebase(at + 92 + 4 * i);
        rebase(at + 160);
    }
    // Reverse the vertex chain: head is the last record, each next points at the record before.
    setWord(b, 52, newBase + 288 + 44 * (V - 1));
    for (uint32_t k = 0; k < V; k++) setWord(b, 288 + 44 * k + 40, k ? newBase + 288 + 44 * (k - 1) : 0);
    writeFileText("ODD.000.brep.bin", b);

    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadBinary(&back, "ODD", 0), 1);
    ModelPicture p = picture(back);
    EXPECT_EQ(p.vertices.front()[0], 0.0f); // the oldest vertex (x = 0) now heads the list
    ASSERT_EQ(remove("ODD.000.brep.bin"), 0);
    ASSERT_EQ(brepWriteBinary(back), 1);
    EXPECT_TRUE(readFileText("ODD.000.brep.bin") == b);
    brepFree(&m);
    brepFree(&back);
}

TEST_F(BrepBinary, UnpackedModelIsNotWritten) {
    BrepModel* m = makeMixedModel("LOOSE", 0);
    std::string out = captureOutput([&] { EXPECT_EQ(brepWriteBinary(m), 0); });
    EXPECT_EQ(countLines(out, "Brep Error LOOSE.000.brep.bin: "), 1);
    EXPECT_FALSE(fileExists("LOOSE.000.brep.bin"));
    brepFree(&m);
}

TEST_F(BrepBinary, MissingFileGivesAnEmptyModelAndOneMessage) {
    BrepModel* m = nullptr;
    std::string out = captureOutput([&] { EXPECT_EQ(brepReadBinary(&m, "GONE", 1), 0); });
    expectEmpty(m, "GONE", 1);
    EXPECT_EQ(countLines(out, "Brep Error GONE.001.brep.bin: "), 1) << out;
    brepFree(&m);
}

TEST_F(BrepBinary, MalformedFilesAreRefusedWithOneMessage) {
    BrepModel* m = makeMixedModel("BIN", 1);
    brepPack(&m);
    brepWriteBinary(m);
    const std::string good = readFileText("BIN.001.brep.bin");
    brepFree(&m);
    const uint32_t V = 7, base = word(good, 0);
    const size_t faces = 288 + 44 * V, lastVertex = 288 + 44 * (V - 1);

    struct Bad {
        const char* what;
        std::function<void(std::string&)> spoil;
    };
    const Bad cases[] = {
        {"empty", [](std::string& b) { b.clear(); }},
        {"shorter than the header", [](std::string& b) { b.resize(287); }},
        {"shorter than its size", [](std::string& b) { b.resize(b.size() - 1); }},
        {"longer than its size", [](std::string& b) { b += '\0'; }},
        {"size field too small", [](std::string& b) { setWord(b, 4, word(b, 4) - 164); }},
        {"base zero", [](std::string& b) { setWord(b, 0, 0); }},
        {"block past 4 GiB", [](std::string& b) { setWord(b, 0, 0xFFFFFF00u); }},
        {"name not terminated", [](std::string& b) { memset(&b[8], 'A', 32); }},
        {"edge list not empty", [&](std::string& b) { setWord(b, 48, base + 288); }},
        {"vertex head into a record", [&](std::string& b) { setWord(b, 52, base + 292); }},
        {"vertex head before the block", [&](std::string& b) { setWord(b, 52, base - 44); }},
        {"vertex head into the header", [&](std::string& b) { setWord(b, 52, base + 200); }},
        {"vertex head past the block", [&](std::string& b) { setWord(b, 52, base + (uint32_t)b.size()); }},
        {"vertex next into a face",
         [&](std::string& b) { setWord(b, lastVertex + 40, base + (uint32_t)faces); }},
        {"vertex list in a circle", [&](std::string& b) { setWord(b, lastVertex + 40, base + 288); }},
        {"vertex list stops early", [&](std::string& b) { setWord(b, 288 + 44 * 2 + 40, 0); }},
        {"face head at a vertex", [&](std::string& b) { setWord(b, 44, base + 288); }},
        {"face head into a record", [&](std::string& b) { setWord(b, 44, base + (uint32_t)faces + 4); }},
        {"face list in a circle",
         [&](std::string& b) { setWord(b, faces + 164 * 2 + 160, base + (uint32_t)faces); }},
        {"face list skips a record", [&](std::string& b) { setWord(b, 44, base + (uint32_t)faces + 164); }},
        {"face next to itself", [&](std::string& b) { setWord(b, faces + 160, base + (uint32_t)faces); }},
        {"corner out of the block", [&](std::string& b) { setWord(b, faces + 92, base + 0x100000); }},
        {"corner into a face", [&](std::string& b) { setWord(b, faces + 96, base + (uint32_t)faces); }},
        {"corner into a vertex record", [&](std::string& b) { setWord(b, faces + 96, base + 288 + 20); }},
        {"null corner", [&](std::string& b) { setWord(b, faces + 92, 0); }},
        {"no corners", [&](std::string& b) { setWord(b, faces + 20, 0); }},
        {"seventeen corners", [&](std::string& b) { setWord(b, faces + 20, 17); }},
        {"negative corners", [&](std::string& b) { setWord(b, faces + 20, 0xFFFFFFFFu); }},
        {"mapping two", [&](std::string& b) { setWord(b, faces + 24, 2); }},
        {"orientation zero", [&](std::string& b) { setWord(b, faces + 12, 0); }},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = good;
        c.spoil(bytes);
        writeFileText("BIN.001.brep.bin", bytes);
        BrepModel* r = nullptr;
        std::string out = captureOutput([&] { EXPECT_EQ(brepReadBinary(&r, "BIN", 1), 0); });
        expectEmpty(r, "BIN", 1);
        EXPECT_EQ(r->base, 0u);
        EXPECT_EQ(countLines(out, "Brep Error BIN.001.brep.bin: "), 1) << out;
        EXPECT_EQ(countLines(out, ""), 1) << out;
        brepFree(&r);
    }
    // The unspoilt file still reads.
    writeFileText("BIN.001.brep.bin", good);
    BrepModel* r = nullptr;
    EXPECT_EQ(brepReadBinary(&r, "BIN", 1), 1);
    brepFree(&r);
}

} // namespace

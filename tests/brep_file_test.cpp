// SPDX-License-Identifier: GPL-3.0-or-later
// The text form and the binary cache of a model level: what they write, what they read back, and
// that every malformed file is refused with an empty model and one message instead of a crash.
#include <cstring>
#include <functional>
#include <tuple>
#include "brep/brep_file.h"
#include "brep_helpers.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A refused or missing file leaves an empty model under the requested name and level, and prints
// one "Brep Error" line naming the file.
void expectRefused(const BrepModel* m, const std::string& out, const char* name, int level,
                   const char* file) {
    ASSERT_NE(nullptr, m);
    EXPECT_STREQ(name, m->name);
    EXPECT_EQ(level, m->level);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), sizes(m));
    EXPECT_EQ(0u, out.find(std::string("Brep Error ") + file + ": ")) << out;
    EXPECT_EQ(1, std::count(out.begin(), out.end(), '\n')) << out;
}

using BrepText = ScratchDir;
using BrepBinary = ScratchDir;

// Rewriting a read model reverses its lists, renumbering the corners; its faces' normals and mappings
// are computed again as they were.
TEST_F(BrepText, RewritingAReadModelReversesItsListsRenumberingCorners) {
    BrepModel* m = makeMixedModel("MIX", 2);
    brepWriteText(m);
    std::string first = readFileText("MIX.002.brep.txt"), second;
    BrepModel *back = nullptr, *twice = nullptr;
    ASSERT_EQ(1, brepReadText(&back, "MIX", 2));
    brepWriteText(back);
    second = readFileText("MIX.002.brep.txt");
    ASSERT_EQ(1, brepReadText(&twice, "MIX", 2));
    brepWriteText(twice);
    EXPECT_EQ(first, readFileText("MIX.002.brep.txt")); // reversed twice, corners renumbered twice
    std::vector<std::string> a = lines(first), b = lines(second);
    ASSERT_EQ(2u + 7 + 3, a.size());
    for (int i = 0; i < 7; i++) EXPECT_EQ(a[7 - i], b[1 + i]); // vertex lines reversed
    EXPECT_EQ(" 5 6 5 1 0 2",
              b.back().substr(b.back().size() - 12)); // the pentagon, now last: 0 1 5 6 4 first
    // Normals and mappings are not in the file: read faces compute them again.
    const BrepFace* original = m->faces;
    for (const BrepFace* f : created(back->faces)) {
        for (int k = 0; k < 3; k++) EXPECT_NEAR(original->normal[k], f->normal[k], 1e-5);
        EXPECT_EQ(original->mapping, f->mapping);
        original = original->next;
    }
    for (BrepModel* p : {m, back, twice}) brepFree(&p);
}

TEST_F(BrepText, FloorTileFileIsTheKnownText) {
    std::vector<BrepModel*> floor = floorLevels(0);
    brepWriteText(floor[0]);
    EXPECT_EQ("4\n"
              "1.000000 0.000000 0.000000 1.000000 1 1.000000 0.000000 1.000000 0.000000\n"
              "1.000000 0.000000 1.000000 1.000000 1 1.000000 1.000000 1.000000 1.000000\n"
              "0.000000 0.000000 1.000000 1.000000 1 0.000000 1.000000 0.000000 1.000000\n"
              "0.000000 0.000000 0.000000 1.000000 1 0.000000 0.000000 0.000000 0.000000\n"
              "1\n"
              "1.000000 2304 4 3 2 1 0\n",
              readFileText("FLOOR0.000.brep.txt"));
    brepFree(&floor[0]);
}

// Every number as "%f" and "%d" print it: signs of zero and of values that round to it, ties (a
// multiple of 1/128 has a half in the seventh decimal; it goes to the even neighbour), large values.
TEST_F(BrepText, NumbersAreWrittenAsPrintfWritesThem) {
    const float values[] = {-0.0f,       -1e-7f,       0.0078125f, 0.0234375f, -0.0390625f, 4.9999995e-7f,
                            123456.789f, -98765.4321f, 3.0e12f,    -1.0e20f,   0.1f,        2.0f / 3};
    BrepModel* m = nullptr;
    brepCreate(&m, "NUMBERS", 0);
    std::vector<BrepVertex*> corners;
    std::string want = "3\n";
    char text[512];
    for (int i = 0; i < 3; i++) {
        const float* v = values + 4 * i;
        corners.push_back(brepNewVertex(m, v[0], v[1], v[2], v[3], -7 * i, v[1], v[2], v[3], v[0]));
    }
    for (int i = 2; i >= 0; i--) { // the newest vertex first
        const float* v = values + 4 * i;
        snprintf(text, sizeof text, "%f %f %f %f %d %f %f %f %f\n", v[0], v[1], v[2], v[3], -7 * i, v[1],
                 v[2], v[3], v[0]);
        want += text;
    }
    addFace(m, values[9], BREP_CW, corners);
    snprintf(text, sizeof text, "1\n%f %d 3 2 1 0\n", values[9], BREP_CW); // numbered newest first
    want += text;
    brepWriteText(m);
    EXPECT_EQ(want, readFileText("NUMBERS.000.brep.txt"));
    brepFree(&m);
}

TEST_F(BrepText, OddButSoundFilesReadAsWritten) {
    // No faces; a face repeating a corner over two vertices at one position; any white space.
    const std::tuple<std::string, int, int> cases[] = {
        {"2\n1 2 3 1 1 0 0 0 0\n4 5 6 1 1 0 0 0 0\n0\n", 2, 0},
        {"3\n0 0 0 1 1 0 0 0 0\n0 0 0 1 1 0 0 0 0\n1 0 0 1 1 0 0 0 0\n1\n1 2304 3 0 0 2\n", 3, 1},
        {"  1\r\n\t0 0 0 1\n1 0 0\n0 0\n\n1 1 2305\n1\n0", 1, 1}};
    for (const auto& [text, vertices, faces] : cases) {
        SCOPED_TRACE(text);
        writeFileText("ODD.001.brep.txt", text);
        BrepModel* m = nullptr;
        ASSERT_EQ(1, brepReadText(&m, "ODD", 1));
        EXPECT_EQ((std::vector<int>{vertices, 0, faces}), sizes(m));
        if (vertices == 3) {
            EXPECT_EQ(m->faces->verts[0], m->faces->verts[1]);
        }
        brepFree(&m);
    }
}

TEST_F(BrepText, MissingOrMalformedFilesAreRefused) {
    const std::string v3 = "3\n0 0 0 1 1 0 0 0 0\n1 0 0 1 1 0 0 0 0\n0 1 0 1 1 0 0 0 0\n";
    const std::pair<const char*, std::string> cases[] = {
        {"missing file", ""},
        {"empty file", ""},
        {"negative vertex count", "-1\n0\n"},
        {"more vertices than the file can hold", "1000000\n0 0 0 1 1 0 0 0 0\n0\n"},
        {"short vertex line", "1\n0 0 0 1 1 0 0 0\n"},
        {"word in place of a number", "1\n0 0 zero 1 1 0 0 0 0\n0\n"},
        {"number glued to text", "1\n0 0 0 1 1 0 0 0 0x\n0\n"},
        {"not a number", "1\nnan 0 0 1 1 0 0 0 0\n0\n"},
        {"infinite value", "1\n1e99 0 0 1 1 0 0 0 0\n0\n"},
        {"more faces than the file can hold", "1\n0 0 0 1 1 0 0 0 0\n500\n1 2304 1 0\n"},
        {"corner number past the vertices", v3 + "1\n1 2304 3 0 1 3\n"},
        {"negative corner number", v3 + "1\n1 2304 3 0 -1 2\n"},
        {"no corners", v3 + "1\n1 2304 0\n"},
        {"seventeen corners", v3 + "1\n1 2304 17 0 1 2 0 1 2 0 1 2 0 1 2 0 1 2 0 1\n"},
        {"orientation 2306", v3 + "1\n1 2306 3 0 1 2\n"},
        {"second face missing", v3 + "2\n1 2304 3 0 1 2\n"},
        {"text after the last face", v3 + "1\n1 2304 3 0 1 2\n7\n"}};
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        bool missing = what == cases[0].first;
        remove("BAD.002.brep.txt");
        if (!missing) writeFileText("BAD.002.brep.txt", text);
        BrepModel* m = nullptr;
        std::string out = captured([&] { EXPECT_EQ(0, brepReadText(&m, "BAD", 2)); });
        expectRefused(m, out, "BAD", 2, "BAD.002.brep.txt");
        if (missing) {
            EXPECT_NE(out.npos, out.find("does not exist")) << out;
        }
        brepFree(&m);
    }
}

// ---- Binary cache.

uint32_t word(const std::string& bytes, size_t at) {
    uint32_t w;
    memcpy(&w, &bytes[at], 4);
    return w;
}
void setWord(std::string& bytes, size_t at, uint32_t value) {
    memcpy(&bytes[at], &value, 4);
}

// For 16 quads with edges (floor level 2), the mixed model and a model without faces: packing puts
// every value in one block without edges; the file is that block with addresses from the base; two
// reads of it give independent blocks, the second keeping every value when the first is freed; and a
// read model is written again to the same bytes.
TEST_F(BrepBinary, PackedModelsGoThroughTheFileUnchanged) {
    std::vector<BrepModel*> floor = floorLevels(2);
    BrepModel* dots = nullptr;
    brepCreate(&dots, "DOTS", 0);
    brepNewVertex(dots, 1, 2, 3, 1, 1, 0, 0, 0, 0);
    for (BrepModel* m : {floor[2], makeMixedModel("MIX", 1), dots}) {
        SCOPED_TRACE(m->name);
        const std::string before = dump(m, false), name = m->name;
        const int level = m->level, vertices = countList(m->vertices), faces = countList(m->faces);
        const uint32_t size = 288 + 44 * vertices + 164 * faces;
        const std::string file = name + ".00" + std::to_string(level) + ".brep.bin";
        const BrepModel* packed = brepPack(&m); // the block replaces the model
        ASSERT_EQ(m, packed);
        EXPECT_NE(0u, m->base);
        EXPECT_EQ(size, m->size);
        EXPECT_EQ(nullptr, m->edges);
        EXPECT_EQ(level, m->level);
        EXPECT_EQ(name, m->name);
        EXPECT_EQ("", firstDifference(before, dump(m, false)));
        ASSERT_EQ(1, brepWriteBinary(m));
        const std::string bytes = readFileText(file);
        ASSERT_EQ(size, bytes.size());
        EXPECT_EQ(BREP_PACK_BASE, word(bytes, 0));
        EXPECT_EQ(BREP_PACK_BASE + 288, word(bytes, 52)); // the vertices right after the header
        EXPECT_EQ(faces ? BREP_PACK_BASE + 288 + 44 * vertices : 0, word(bytes, 44));
        BrepModel *back = nullptr, *again = nullptr;
        ASSERT_EQ(1, brepReadBinary(&back, name.c_str(), level));
        ASSERT_EQ(1, brepReadBinary(&again, name.c_str(), level));
        EXPECT_NE(back->vertices, again->vertices);
        EXPECT_NE(0u, back->base);
        EXPECT_EQ(size, back->size);
        brepFree(&back);
        EXPECT_EQ("", firstDifference(before, dump(again))); // no edges, none in the faces' slots
        ASSERT_EQ(0, remove(file.c_str()));
        ASSERT_EQ(1, brepWriteBinary(again));
        EXPECT_TRUE(bytes == readFileText(file)); // not printed: binary
        brepFree(&again);
        brepFree(&m);
    }
    brepFree(&floor[0]);
    brepFree(&floor[1]);
}

TEST_F(BrepBinary, UnpackedModelIsNotWritten) {
    BrepModel* m = makeMixedModel("BIN", 1);
    std::string out = captured([&] { EXPECT_EQ(0, brepWriteBinary(m)); });
    EXPECT_EQ(0u, out.find("Brep Error BIN.001.brep.bin: ")) << out;
    brepFree(&m);
}

TEST_F(BrepBinary, MissingOrMalformedFilesAreRefused) {
    BrepModel* m = makeMixedModel("BIN", 1);
    brepPack(&m);
    brepWriteBinary(m);
    const std::string good = readFileText("BIN.001.brep.bin");
    brepFree(&m);
    const uint32_t base = BREP_PACK_BASE, faces = 288 + 44 * 7, lastVertex = 288 + 44 * 6;
    const std::pair<const char*, std::function<void(std::string&)>> cases[] = {
        {"missing", [](std::string& b) { b = "-"; }},
        {"empty", [](std::string& b) { b.clear(); }},
        {"shorter than the header", [](std::string& b) { b.resize(287); }},
        {"shorter than its size", [](std::string& b) { b.resize(b.size() - 1); }},
        {"longer than its size", [](std::string& b) { b += '\0'; }},
        {"size field too small", [](std::string& b) { setWord(b, 4, word(b, 4) - 164); }},
        {"name not terminated", [](std::string& b) { memset(&b[8], 'A', 32); }},
        {"vertex head into a record", [&](std::string& b) { setWord(b, 52, base + 292); }},
        {"vertex head past the block", [&](std::string& b) { setWord(b, 52, base + (uint32_t)b.size()); }},
        {"vertex next into a face", [&](std::string& b) { setWord(b, lastVertex + 40, base + faces); }},
        {"vertex list in a circle", [&](std::string& b) { setWord(b, lastVertex + 40, base + 288); }},
        {"face list in a circle", [&](std::string& b) { setWord(b, faces + 164 * 2 + 160, base + faces); }},
        {"corner out of the block", [&](std::string& b) { setWord(b, faces + 92, base + 0x100000); }},
        {"corner into a vertex record", [&](std::string& b) { setWord(b, faces + 96, base + 288 + 20); }},
        {"seventeen corners", [&](std::string& b) { setWord(b, faces + 20, 17); }},
        {"orientation zero", [&](std::string& b) { setWord(b, faces + 12, 0); }}};
    for (const auto& [what, spoil] : cases) {
        SCOPED_TRACE(what);
        std::string bytes = good;
        spoil(bytes);
        remove("BIN.001.brep.bin");
        if (bytes != "-") writeFileText("BIN.001.brep.bin", bytes);
        BrepModel* r = nullptr;
        std::string out = captured([&] { EXPECT_EQ(0, brepReadBinary(&r, "BIN", 1)); });
        expectRefused(r, out, "BIN", 1, "BIN.001.brep.bin");
        EXPECT_EQ(0u, r->base);
        brepFree(&r);
    }
}

} // namespace

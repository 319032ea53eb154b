// The model catalogue: what each source loads, the files source 0 leaves behind, the routines of
// the rows, compiling and releasing, and the level chosen for a distance.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "app/record.h"
#include "brep/brep.h"
#include "brep/brep_file.h"
#include "brep/catalogue.h"
#include "brep_test_models.h"
#include "game/actor.h"
#include "gl_context.h"
#include "maze/maze_draw.h"
#include "scene/creatures.h"

namespace {

const char* const definitionNames[] = {"STRAWBAR",   "OILCAN",     "OILCAN1", "OILCAN2", "DIAMOND",
                                       "SPIDER",     "SPIDER1",    "SPIDER2", "SPIDER3", "SPIDER4",
                                       "VORDERBEIN", "HINTERBEIN", "PFERD",   "arrow"};

// A tube of four profile lines (12 vertices, 15 faces), its size and place set by n.
void writeDefinition(const char* name, int n) {
    float a = 0.2f + 0.05f * n, y = 0.1f * n;
    char text[1024];
    snprintf(text, sizeof text,
             "4 0 0 1 1\n"
             "0 %g 0 0 0 0 2 2 2 2 1 1 1 1\n"
             "1 %g %g %g %g %g 2 2 2 2 1 1 1 1\n"
             "2 %g %g %g %g %g 4 4 4 4 2 2 2 2\n"
             "3 %g 0 0 0 0 2 2 2 2 1 1 1 1\n",
             y, y + 0.3f, a, a, a, a, y + 0.1f, a * 1.5f, a, a * 0.5f, a, y);
    std::string path = std::string(name) + ".brepdef.txt";
    writeFileText(path, text);
}

std::set<std::string> filesEndingIn(const std::string& suffix) {
    std::set<std::string> out;
    DIR* d = opendir(".");
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.insert(n);
    }
    closedir(d);
    return out;
}

// The same model read back from text: lists reversed, corners renumbered; values rounded to six
// decimals and normals computed again from them.
void expectSameGeometry(const ModelPicture& built, const ModelPicture& read) {
    ASSERT_EQ(built.vertices.size(), read.vertices.size());
    ASSERT_EQ(built.faces.size(), read.faces.size());
    size_t V = built.vertices.size(), F = built.faces.size();
    for (size_t i = 0; i < V; i++)
        for (size_t k = 0; k < 9; k++) EXPECT_NEAR(built.vertices[i][k], read.vertices[V - 1 - i][k], 1e-5);
    for (size_t i = 0; i < F; i++) {
        const std::vector<float>& a = built.faces[i];
        const std::vector<float>& b = read.faces[F - 1 - i];
        ASSERT_EQ(a.size(), b.size());
        for (size_t k = 0; k < 3; k++) EXPECT_NEAR(a[k], b[k], 1e-3);
        EXPECT_EQ(a[3], b[3]);         // orientation
        EXPECT_NEAR(a[4], b[4], 1e-5); // weight, six decimals
        EXPECT_EQ(a[5], b[5]);         // corner count
        for (size_t k = 7; k < a.size(); k++) EXPECT_EQ(b[k], (float)(V - 1) - a[k]);
        // A face whose outline is equally long in both mappings may tip either way once its
        // coordinates are rounded to six decimals (the file keeps no mapping).
        if (a[6] != b[6]) {
            double length[2] = {0, 0};
            size_t n = a.size() - 7;
            for (int m = 0; m < 2; m++)
                for (size_t k = 0; k < n; k++) {
                    const std::vector<float>& p = built.vertices[(size_t)a[7 + k]];
                    const std::vector<float>& q = built.vertices[(size_t)a[7 + (k + 1) % n]];
                    length[m] += std::hypot(p[5 + 2 * m] - q[5 + 2 * m], p[6 + 2 * m] - q[6 + 2 * m]);
                }
            EXPECT_NEAR(length[0], length[1], 1e-5);
        }
    }
}

class Catalogue : public ScratchDir {
  protected:
    SettingsRecord saved;
    void SetUp() override {
        ScratchDir::SetUp();
        saved = record;
        int n = 0;
        for (const char* name : definitionNames) writeDefinition(name, n++);
    }
    void TearDown() override {
        modelTableFree();
        brepFree(&arrowModel);
        record = saved;
        ScratchDir::TearDown();
    }
    void load(int source, int split = 0) {
        modelTableFree();
        brepFree(&arrowModel);
        record.modelSource = source;
        record.splitQuads = split;
        captureOutput([] { modelTableLoad(); }); // the refinement prints its counts
    }
    std::vector<ModelPicture> pictures() {
        std::vector<ModelPicture> out;
        for (int row = 0; row < MODEL_ROWS; row++)
            for (int level = 0; level < MODEL_LEVELS; level++)
                out.push_back(picture(modelTable[row].models[level]));
        return out;
    }
};

TEST_F(Catalogue, DefinitionsBuildEveryLevelAndWriteExactlyTheTextFiles) {
    load(0);
    std::set<std::string> expected;
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) {
            const BrepModel* m = modelTable[row].models[level];
            ASSERT_NE(m, nullptr);
            EXPECT_STREQ(m->name, modelNames[row]);
            EXPECT_EQ(m->level, level);
            EXPECT_NE(m->faces, nullptr);
            char file[64];
            snprintf(file, sizeof file, "%s.%03d.brep.txt", modelNames[row], level);
            expected.insert(file);
        }
    EXPECT_EQ(filesEndingIn(".brep.txt"), expected);
    EXPECT_EQ(expected.size(), 32u);
    EXPECT_TRUE(expected.count("STRAWBAR.000.brep.txt") && expected.count("PFERD.003.brep.txt"));
    EXPECT_TRUE(filesEndingIn(".brep.bin").empty());
    // Composite rows hold every part's faces: a four-line tube has 15.
    EXPECT_EQ(countFaces(modelTable[ROW_STRAW].models[0]), 15);
    EXPECT_EQ(countFaces(modelTable[ROW_OILCAN].models[0]), 3 * 15);
    EXPECT_EQ(countFaces(modelTable[ROW_SPIDER].models[0]), 5 * 15);
    EXPECT_EQ(countFaces(modelTable[ROW_FLOOR].models[3]), 64);
    EXPECT_EQ(countFaces(arrowModel), 15);
}

TEST_F(Catalogue, AllThreeSourcesGiveTheSameGeometry) {
    load(0);
    std::vector<ModelPicture> built = pictures();
    EXPECT_EQ(modelFilesPack(), 32);
    EXPECT_EQ(filesEndingIn(".brep.bin").size(), 32u);
    load(1);
    std::vector<ModelPicture> text = pictures();
    load(2);
    std::vector<ModelPicture> binary = pictures();
    for (size_t i = 0; i < built.size(); i++) {
        SCOPED_TRACE(modelNames[i / MODEL_LEVELS] + std::string(" level ") +
                     std::to_string(i % MODEL_LEVELS));
        expectSameGeometry(built[i], text[i]);
        EXPECT_TRUE(binary[i] == text[i]); // packed from the text files, bit for bit
    }
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) {
            EXPECT_NE(modelTable[row].models[level]->base, 0u);
            EXPECT_EQ(modelTable[row].models[level]->level, level);
        }
}

TEST_F(Catalogue, SplittingLeavesOnlyTriangles) {
    load(0, 1);
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++)
            for (const BrepFace* f = modelTable[row].models[level]->faces; f; f = f->next)
                ASSERT_EQ(f->count, 3);
    BrepModel* back = nullptr;
    ASSERT_EQ(brepReadText(&back, "PFERD", 2), 1);
    for (const BrepFace* f = back->faces; f; f = f->next) ASSERT_EQ(f->count, 3);
    brepFree(&back);
}

TEST_F(Catalogue, ArrowIsBuiltWhateverTheSource) {
    for (int source : {1, 2, 7}) {
        SCOPED_TRACE(source);
        load(source);
        ASSERT_NE(arrowModel, nullptr);
        EXPECT_EQ(countFaces(arrowModel), 15);
        EXPECT_NE(arrowModel->edges, nullptr); // built, not read
    }
    // Any other source loads no row.
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) EXPECT_EQ(modelTable[row].models[level], nullptr);
}

TEST_F(Catalogue, MissingBinaryFilesLeaveEmptyModelsAndOneLineEach) {
    record.modelSource = 2;
    std::string out = captureOutput([] { modelTableLoad(); });
    EXPECT_EQ(countLines(out, "Brep Error "), 32) << out;
    EXPECT_NE(out.find("Brep Error SPIDER.002.brep.bin: "), std::string::npos);
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) {
            const BrepModel* m = modelTable[row].models[level];
            ASSERT_NE(m, nullptr);
            EXPECT_STREQ(m->name, modelNames[row]);
            EXPECT_EQ(m->level, level);
            EXPECT_EQ(m->faces, nullptr);
        }
}

TEST_F(Catalogue, RowsGetTheirRoutinesAndStartEmpty) {
    modelTable[ROW_STRAW].count = 5;
    load(7);
    void (*const materials[])() = {strawMaterial, oilcanMaterial, diamondMaterial, spiderMaterial,
                                   floorMaterial};
    void (*const entities[])(const Actor*) = {strawDraw, oilcanDraw, diamondDraw, spiderDraw, drawFloorTile};
    for (int row = 0; row < MODEL_ROWS; row++) {
        EXPECT_EQ(modelTable[row].count, 0);
        EXPECT_EQ(modelTable[row].applyMaterial, row < 5 ? materials[row] : nullptr);
        EXPECT_EQ(modelTable[row].drawEntity, row < 5 ? entities[row] : nullptr);
        for (int level = 0; level < MODEL_LEVELS; level++) EXPECT_EQ(modelTable[row].lists[level], 0u);
    }
    EXPECT_EQ(modelRowByName("FLOOR0"), ROW_FLOOR);
    EXPECT_EQ(modelRowByName("arrow"), -1);
}

TEST_F(Catalogue, CompileMakesAListPerLevelAndFreeReleasesThem) {
    load(0);
    glTestContext();
    std::string out = captureOutput([] { modelTableCompile(); });
    EXPECT_EQ(countLines(out, "OpenGL:"), 0) << out;
    EXPECT_NE(arrowList, 0u);
    EXPECT_TRUE(glIsList(arrowList));
    std::set<uint32_t> names = {arrowList};
    for (int row = 0; row < MODEL_ROWS; row++)
        for (int level = 0; level < MODEL_LEVELS; level++) {
            uint32_t list = modelTable[row].lists[level];
            EXPECT_TRUE(glIsList(list));
            names.insert(list);
        }
    EXPECT_EQ(names.size(), 33u);
    uint32_t one = modelTable[ROW_HORSE].lists[2];
    modelTable[ROW_SPIDER].count = 3;
    modelTableFree();
    EXPECT_FALSE(glIsList(one));
    for (int row = 0; row < MODEL_ROWS; row++) {
        EXPECT_EQ(modelTable[row].count, 0);
        for (int level = 0; level < MODEL_LEVELS; level++) {
            EXPECT_EQ(modelTable[row].models[level], nullptr);
            EXPECT_EQ(modelTable[row].lists[level], 0u);
        }
    }
    glDeleteLists(arrowList, 1);
    arrowList = 0;
}

TEST(LodForPosition, WholeUnitsOfGroundDistanceFromThePlayer) {
    SettingsRecord saved = record;
    Actor savedPlayer = player;
    player.x = 10, player.y = 0.5f, player.z = 20;
    record.distanceLod = 1;
    record.lodLevel = 1;
    struct Case {
        float distance;
        int level;
    } cases[] = {{0, 3}, {0.99f, 3}, {1.0f, 2}, {2.5f, 1}, {2.999f, 1}, {3.0f, 0}, {40, 0}, {1e30f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        // Along x, along z, diagonally, and with a height far from the player's.
        float d = c.distance, s = (float)(c.distance / std::sqrt(2.0));
        float along[][3] = {{10 + d, 0.5f, 20}, {10, 0.5f, 20 - d}, {10 - s, 0.5f, 20 + s}, {10 + d, 77, 20}};
        for (const float* pos : along) {
            if (pos == along[2] && (c.distance == 1.0f || c.distance == 3.0f))
                continue; // rounding at the step
            EXPECT_EQ(lodForPosition(pos), c.level);
        }
    }
    record.distanceLod = 0;
    for (int fixed = 0; fixed < 4; fixed++) {
        record.lodLevel = fixed;
        float near[3] = {10, 0.5f, 20}, far[3] = {60, 0, 90};
        EXPECT_EQ(lodForPosition(near), fixed);
        EXPECT_EQ(lodForPosition(far), fixed);
    }
    record = saved;
    player = savedPlayer;
}

} // namespace

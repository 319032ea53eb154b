// SPDX-License-Identifier: GPL-3.0-or-later
// The model catalogue: the three sources give the same models, source 0 leaves exactly the text
// files behind, the arrow is always built, the level chosen for a distance; and kavernix-tool's
// model commands run as a program on the same definitions.
#include <algorithm>
#include <map>
#include <thread>
#include <set>
#include "app/record.h"
#include "brep/brep_file.h"
#include "brep/catalogue.h"
#include "brep_helpers.h"
#include "game/actor.h"
#include "scene/creatures.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

const char* const definitionNames[] = {"STRAWBAR",   "OILCAN",     "OILCAN1", "OILCAN2", "DIAMOND",
                                       "SPIDER",     "SPIDER1",    "SPIDER2", "SPIDER3", "SPIDER4",
                                       "VORDERBEIN", "HINTERBEIN", "PFERD",   "arrow"};

std::set<std::string> filesEndingIn(const std::string& suffix) {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (std::string n = e.path().filename();
            n.size() > suffix.size() && !n.compare(n.size() - suffix.size(), suffix.size(), suffix))
            out.insert(n);
    return out;
}

// Per face, oldest first: its orientation and weight, then per corner the position, the texture
// values, the weight and the kind. Reading a text file reverses the lists, so a model read back gives
// the same rows in list order.
using Faces = std::vector<std::vector<float>>;
Faces geometry(const BrepModel* m, bool oldestFirst) {
    Faces out;
    for (const BrepFace* f = m->faces; f; f = f->next) {
        std::vector<float> row = {(float)f->orientation, f->weight};
        for (int i = 0; i < f->count; i++) {
            const BrepVertex* v = f->verts[i];
            row.insert(row.end(), {v->pos[0], v->pos[1], v->pos[2], v->texT[0], v->texS[0], v->texT[1],
                                   v->texS[1], v->weight, (float)v->kind});
        }
        out.insert(oldestFirst ? out.begin() : out.end(), row);
    }
    return out;
}

// Equal up to the six decimals of the text files; reports the first difference only.
void expectSameGeometry(const Faces& built, const Faces& read) {
    ASSERT_EQ(built.size(), read.size());
    for (size_t i = 0; i < built.size(); i++) {
        ASSERT_EQ(built[i].size(), read[i].size()) << "face " << i;
        for (size_t k = 0; k < built[i].size(); k++)
            ASSERT_NEAR(built[i][k], read[i][k], 1e-5) << "face " << i << " value " << k;
    }
}

class Catalogue : public ScratchDir {
  protected:
    SettingsRecord saved;
    void SetUp() override {
        ScratchDir::SetUp();
        saved = record;
        int n = 0;
        for (const char* name : definitionNames) { // four-line tubes, size and place set by n
            float a = 0.2f + 0.05f * n, y = 0.1f * n++;
            char text[512];
            snprintf(text, sizeof text,
                     "4 0 0 1 1\n0 %g 0 0 0 0 2 2 2 2 1 1 1 1\n1 %g %g %g %g %g 2 2 2 2 1 1 1 1\n"
                     "2 %g %g %g %g %g 4 4 4 4 2 2 2 2\n3 %g 0 0 0 0 2 2 2 2 1 1 1 1\n",
                     y, y + 0.3f, a, a, a, a, y + 0.1f, a * 1.5f, a, a * 0.5f, a, y);
            writeFileText(std::string(name) + ".brepdef.txt", text);
        }
    }
    void TearDown() override {
        modelTableFree();
        brepFree(&arrowModel);
        record = saved;
        ScratchDir::TearDown();
    }
    void load(int source) {
        modelTableFree();
        brepFree(&arrowModel);
        record.modelSource = source;
        record.splitQuads = 0;
        captured([] { modelTableLoad(); }); // the refinement prints its counts
        ASSERT_NE(nullptr, arrowModel);
        EXPECT_EQ(15, countList(arrowModel->faces)) << "source " << source; // built whatever the source
        EXPECT_NE(nullptr, arrowModel->edges);
    }
};

// Calls f(row, level, its place in catalogue order) for every model of the catalogue.
template <class F> void forEachModel(F f) {
    for (int level = 0, i = 0; level < MODEL_LEVELS; level++)
        for (int row = 0; row < MODEL_ROWS; row++, i++) {
            SCOPED_TRACE(std::string(modelNames[row]) + " " + std::to_string(level));
            f(row, level, i);
        }
}

// Source 0 builds every part of every model from the definitions, writing only the text files (not
// the arrow's); source 1 reads back what it built; source 2 reads those files packed, bit for bit.
TEST_F(Catalogue, ThreeSourcesGiveTheSameModels) {
    load(0);
    std::set<std::string> want;
    std::vector<Faces> built;
    forEachModel([&](int row, int level, int) {
        want.insert(std::string(modelNames[row]) + ".00" + std::to_string(level) + ".brep.txt");
        built.push_back(geometry(modelTable[row].models[level], true));
    });
    EXPECT_EQ(32u, want.size());
    EXPECT_EQ(want, filesEndingIn(".brep.txt"));
    EXPECT_TRUE(filesEndingIn(".brep.bin").empty());
    EXPECT_EQ(3 * 15, countList(modelTable[ROW_OILCAN].models[0]->faces)); // every part's faces
    EXPECT_EQ(5 * 15, countList(modelTable[ROW_SPIDER].models[0]->faces));
    EXPECT_EQ(32, modelFilesPack());
    load(1);
    std::vector<std::string> text;
    forEachModel([&](int row, int level, int i) {
        EXPECT_EQ(level, modelTable[row].models[level]->level);
        expectSameGeometry(built[i], geometry(modelTable[row].models[level], false));
        text.push_back(dump(modelTable[row].models[level]));
    });
    load(2);
    forEachModel([&](int row, int level, int i) {
        EXPECT_EQ("", firstDifference(text[i], dump(modelTable[row].models[level])));
    });
}

// The text files of source 0 may be written by several threads at once (the loader at its low
// priority, the exit at its own): each file is written once and whole, and a later call writes none.
TEST_F(Catalogue, SeveralWritersShareTheTextFiles) {
    load(0);
    std::map<std::string, std::string> alone;
    for (const std::string& name : filesEndingIn(".brep.txt")) alone[name] = readFileText(name);
    ASSERT_EQ(32u, alone.size());
    for (const auto& file : alone) std::filesystem::remove(file.first);
    modelTableFree();
    brepFree(&arrowModel);
    captured([] { modelTableBuildModels(); });
    std::vector<std::thread> writers;
    for (int i = 0; i < 3; i++) writers.emplace_back(modelTableWriteBuilt);
    modelTableWriteBuilt();
    for (std::thread& t : writers) t.join();
    for (const auto& [name, text] : alone) EXPECT_EQ(text, readFileText(name)) << name;
    std::filesystem::remove(alone.begin()->first);
    modelTableWriteBuilt();
    EXPECT_EQ(31u, filesEndingIn(".brep.txt").size()) << "every file was taken";
}

TEST_F(Catalogue, AnyOtherSourceBuildsOnlyTheArrow) {
    load(7);
    for (const ModelEntry& row : modelTable)
        for (const BrepModel* m : row.models) EXPECT_EQ(nullptr, m);
}

// A broken definition leaves its row empty and its good text files as they were.
TEST_F(Catalogue, BrokenDefinitionKeepsTheGoodFiles) {
    load(0);
    const std::string good = readFileText("DIAMOND.002.brep.txt");
    writeFileText("DIAMOND.brepdef.txt", "3 0 0 1 1\n0 0 0 0");
    load(0);
    EXPECT_EQ(nullptr, modelTable[ROW_DIAMOND].models[0]->faces);
    EXPECT_EQ(nullptr, modelTable[ROW_DIAMOND].models[3]->faces);
    EXPECT_NE(nullptr, modelTable[ROW_SPIDER].models[3]->faces);
    EXPECT_EQ(good, readFileText("DIAMOND.002.brep.txt"));
}

// As an older start wrote from a broken definition.
TEST_F(Catalogue, EmptyModelFileIsNamedWhenRead) {
    load(0);
    writeFileText("DIAMOND.002.brep.txt", "0\n0\n");
    modelTableFree();
    record.modelSource = 1;
    EXPECT_EQ("Brep Error DIAMOND.002.brep.txt: holds no faces\n", captured([] { modelTableLoad(); }));
}

TEST(LodForPosition, WholeUnitsOfGroundDistanceFromThePlayerOrTheFixedLevel) {
    SettingsRecord saved = record;
    Actor savedPlayer = player;
    player.x = 10, player.y = 0.5f, player.z = 20;
    const float cases[][2] = {{0, 3},      {0.99f, 3}, {1, 2},  {2.5f, 1},
                              {2.999f, 1}, {3, 0},     {40, 0}, {1e30f, 0}};
    for (int distanceLod : {1, 0})
        for (const auto& c : cases) {
            record.distanceLod = distanceLod;
            record.lodLevel = (int)c[1] ^ 1; // differs from the distance's level
            float d = c[0], s = (float)(d / std::sqrt(2.0));
            // Along x, along z, at another height; diagonally only off the steps.
            float at[][3] = {
                {10 + d, 0.5f, 20}, {10, 0.5f, 20 - d}, {10 + d, 77, 20}, {10 - s, 0.5f, 20 + s}};
            for (int i = 0; i < (d == 1 || d == 3 ? 3 : 4); i++)
                EXPECT_EQ(distanceLod ? c[1] : record.lodLevel, lodForPosition(at[i])) << d << " " << i;
        }
    record = saved;
    player = savedPlayer;
}

using ModelTool = Catalogue;

// The commands in turn as a program in the working directory: each one's exit status and the texts
// it prints on either stream. Pack-all needs every text file of the catalogue, which the cache
// command writes; a usage fault exits with 2.
TEST_F(ModelTool, CommandsRunOnTheDefinitionsInTheFolder) {
    writeFileText("BAD.000.brep.bin", std::string(300, '\x01'));
    // clang-format off
    const struct { const char* args; int status; std::vector<const char*> texts; } runs[] = {
        {"model build --out built DIAMOND", 0, {"DIAMOND.000: 15 faces, 25 edges, 12 vertices\n",
                                                "DIAMOND.001: 47 faces, 89 edges, 44 vertices\n"}},
        {"model build --floor --out built", 0, {"FLOOR0.003: 64 faces"}},
        {"model info built/FLOOR0.003.brep.txt", 0, {"vertices 81, faces 64 (triangles 0, quads 64"}},
        {"model build DIAMOND", 0, {}},
        {"model pack DIAMOND 1", 0, {"DIAMOND.001.brep.bin: 9932 bytes\n"}}, // 288 + 44 * 44 + 164 * 47
        {"model info DIAMOND.001.brep.bin", 0, {"binary model \"DIAMOND\" level 1", "vertices 44, faces 47"}},
        {"model info BAD.000.brep.bin", 1, {"Brep Error BAD.000.brep.bin: size field"}},
        {"model texhint OILCAN 1 128", 0, {}}, {"model pack-all", 1, {}},
        {"model cache", 0, {"32 text and 32 binary model files written"}}, {"model pack-all", 0, {}},
        {"model build", 2, {}}, {"model pack DIAMOND two", 2, {}}, {"model texhint OILCAN 1 0", 2, {}},
        {"model info x.md", 2, {}}};
    // clang-format on
    for (const auto& run : runs) {
        int status;
        const std::string out =
            commandOutput(std::string("'" KX_BINARY_DIR "/kavernix-tool' ") + run.args + " 2>&1", &status);
        EXPECT_EQ(run.status, status) << run.args;
        for (const char* text : run.texts)
            EXPECT_NE(std::string::npos, out.find(text)) << run.args << ": " << out;
    }
    EXPECT_EQ(18u + 128 * 128 * 3, readFileText("OILCAN.001.texhint.tga").size());
    EXPECT_EQ(32u + 1, filesEndingIn(".brep.bin").size()); // and the bad one
}

} // namespace

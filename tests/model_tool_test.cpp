// kavernix-tool's model file commands, run as a program in a scratch folder: making every model
// file from definitions, looking into good and spoilt files, packing one file, the texture hint.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "brep/brep_file.h"
#include "brep_test_models.h"

namespace {

struct ToolRun {
    std::string out;
    int status = -1;
};

// Runs kavernix-tool in the working directory; stderr is dropped.
ToolRun runTool(const std::string& args) {
    std::string cmd = std::string("'") + KX_BINARY_DIR + "/kavernix-tool' " + args + " 2>/dev/null";
    ToolRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, got);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

const char* const definitionNames[] = {"STRAWBAR",   "OILCAN",     "OILCAN1", "OILCAN2", "DIAMOND",
                                       "SPIDER",     "SPIDER1",    "SPIDER2", "SPIDER3", "SPIDER4",
                                       "VORDERBEIN", "HINTERBEIN", "PFERD",   "arrow"};

// Three profile lines: one cross-section, 10 triangles.
void writeDefinitions() {
    for (const char* name : definitionNames)
        writeFileText(std::string(name) + ".brepdef.txt", "3 0 0 1 1\n"
                                                          "0 0 0 0 0 0 1 1 1 1 1 1 1 1\n"
                                                          "1 0 0.5 0.5 0.25 0.25 1 1 1 1 1 1 1 1\n"
                                                          "2 0 0 0 0 0 1 1 1 1 1 1 1 1\n");
}

using ModelTool = ScratchDir;

TEST_F(ModelTool, CacheWritesEveryTextAndBinaryFile) {
    writeDefinitions();
    ToolRun r = runTool("model-cache");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("32 text and 32 binary model files written"), std::string::npos) << r.out;
    for (const char* name :
         {"STRAWBAR", "OILCAN", "DIAMOND", "SPIDER", "FLOOR0", "VORDERBEIN", "HINTERBEIN", "PFERD"})
        for (int level = 0; level < 4; level++) {
            char stem[64];
            snprintf(stem, sizeof stem, "%s.%03d.brep.", name, level);
            EXPECT_TRUE(fileExists(std::string(stem) + "txt")) << stem;
            EXPECT_TRUE(fileExists(std::string(stem) + "bin")) << stem;
        }
    EXPECT_FALSE(fileExists("arrow.000.brep.txt"));

    ToolRun info = runTool("model-info DIAMOND.000.brep.bin");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("binary model \"DIAMOND\" level 0"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("vertices 7, faces 10 (triangles 10, quads 0, other polygons 0)"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("bounds x 0 .. 2, y -0.5 .. 0.5, z -0.25 .. 0.25"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("sound"), std::string::npos);
    info = runTool("model-info FLOOR0.003.brep.txt");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("vertices 81, faces 64 (triangles 0, quads 64"), std::string::npos) << info.out;
}

TEST_F(ModelTool, InfoRefusesSpoiltFiles) {
    writeFileText("BAD.000.brep.txt", "2\n0 0 0 1 1 0 0 0 0\n");
    ToolRun r = runTool("model-info BAD.000.brep.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Brep Error BAD.000.brep.txt: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("BAD.000.brep.txt: refused"), std::string::npos) << r.out;
    writeFileText("BAD.000.brep.bin", std::string(300, '\x01'));
    r = runTool("model-info BAD.000.brep.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Brep Error BAD.000.brep.bin: size field"), std::string::npos) << r.out;
    EXPECT_EQ(runTool("model-info NONE.000.brep.bin").status, 1);
    EXPECT_EQ(runTool("model-info notes.md").status, 2);
}

TEST_F(ModelTool, PackMakesTheBinaryFormOfOneTextFile) {
    BrepModel* m = makeMixedModel("MIX", 2);
    brepWriteText(m);
    brepFree(&m);
    ToolRun r = runTool("model-pack MIX 2");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "MIX.002.brep.bin: 1088 bytes\n"); // 288 + 7 * 44 + 3 * 164
    EXPECT_EQ(readFileText("MIX.002.brep.bin").size(), 1088u);
    EXPECT_EQ(runTool("model-pack MIX 3").status, 1); // no such text file
    EXPECT_EQ(runTool("model-pack MIX two").status, 2);
    EXPECT_EQ(runTool("model-pack-all").status, 1); // the catalogue's files are not here
}

TEST_F(ModelTool, TexhintDrawsABuiltModel) {
    writeDefinitions();
    ToolRun r = runTool("model-texhint OILCAN 1 128");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("OILCAN.001.texhint.tga: 128 x 128"), std::string::npos) << r.out;
    EXPECT_EQ(readFileText("OILCAN.001.texhint.tga").size(), 18u + 128 * 128 * 3);
    EXPECT_EQ(runTool("model-texhint OILCAN 1 0").status, 2);
    EXPECT_EQ(runTool("model-texhint NOTHING 0 64").status, 1);
}

} // namespace

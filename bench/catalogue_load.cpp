// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the whole catalogue (32 models and the arrow) from each source side by side: building
// from the definitions with refinement and writing the text files (0), reading the text files
// (1), reading the binary cache (2). The definitions are the game's own (data/) when present,
// else simple tubes; the model files are made once in a temporary folder before timing.
#include <benchmark/benchmark.h>
#include "bench_util.h"
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "app/record.h"
#include "app/startup.h"
#include "brep/brep.h"
#include "brep/catalogue.h"
#include "scene/creatures.h"

namespace {

// The catalogue's rows get their routines and room for placed instances, as at start-up.
[[maybe_unused]] const bool modelsRegistered = (sceneRegisterModels(), true);

const char* const definitionNames[] = {"STRAWBAR",   "OILCAN",     "OILCAN1", "OILCAN2", "DIAMOND",
                                       "SPIDER",     "SPIDER1",    "SPIDER2", "SPIDER3", "SPIDER4",
                                       "VORDERBEIN", "HINTERBEIN", "PFERD",   "arrow"};

bool copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    return true;
}

// A tube of eight profile lines.
void writeSimpleDefinition(const std::string& path) {
    std::ofstream out(path);
    out << "8 0 0 1 1\n";
    for (int i = 0; i < 8; i++) {
        float r = (i == 0 || i == 7) ? 0 : 0.3f + 0.05f * (i % 3);
        out << i << " " << 0.1f * (i % 2) << " " << r << " " << r << " " << r << " " << r
            << " 2 2 2 2 1 1 1 1\n";
    }
}

// Runs f with the console output (refinement counts, messages) thrown away.
template <class F> void quietly(F f) {
    Quiet quiet;
    f();
}

void unload() {
    modelTableFree();
    brepFree(&arrowModel);
}

int totalFaces() {
    int n = 0;
    for (const ModelEntry& e : modelTable)
        for (const BrepModel* m : e.models)
            for (const BrepFace* f = m ? m->faces : nullptr; f; f = f->next) n++;
    return n;
}

std::string prepared; // the folder with definitions, text and binary files

void prepare() {
    if (!prepared.empty()) return;
    // In memory where there is a tmpfs, so that source 0's file writing does not wait for a disk.
    char pattern[64] = "/dev/shm/kx_bench_catalogue_XXXXXX";
    if (!mkdtemp(pattern) && !mkdtemp(strcpy(pattern, "/tmp/kx_bench_catalogue_XXXXXX"))) abort();
    prepared = pattern;
    bool ownData = true;
    for (const char* name : definitionNames) {
        std::string file = std::string(name) + ".brepdef.txt";
        if (!copyFile(std::string(KX_SOURCE_DIR) + "/data/" + file, prepared + "/" + file)) ownData = false;
    }
    if (!ownData)
        for (const char* name : definitionNames)
            writeSimpleDefinition(prepared + "/" + name + ".brepdef.txt");
    fprintf(stderr, "definitions: %s\n", ownData ? "data/ of the game" : "generated tubes");
    if (chdir(prepared.c_str()) != 0) abort();
    record.modelSource = 0;
    record.splitQuads = 0;
    quietly([] {
        modelTableLoad();
        if (modelFilesPack() != MODEL_ROWS * MODEL_LEVELS) abort();
    });
    unload();
}

void BM_CatalogueLoad(benchmark::State& state) {
    prepare();
    record.modelSource = (int32_t)state.range(0);
    record.splitQuads = 0;
    for (auto _ : state) {
        quietly([] { modelTableLoad(); });
        state.PauseTiming();
        state.counters["faces"] = totalFaces();
        unload();
        state.ResumeTiming();
    }
}
// Source 7 loads no row, only the arrow that every source builds from its definition.
BENCHMARK(BM_CatalogueLoad)->ArgName("source")->Arg(0)->Arg(1)->Arg(2)->Arg(7)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The game's own heap: every source then works in memory the process already has, as the game
    // does after its first second. A cold start pays for fresh pages in every source alike.
    startupHeap();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!prepared.empty()) {
        std::string command = "rm -rf '" + prepared + "'";
        if (system(command.c_str()) != 0) return 1;
    }
    return 0;
}

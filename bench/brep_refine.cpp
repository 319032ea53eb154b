// Building and refining models: a long winding tube from its definition file and a closed cube, each
// built and refined three times. Reports output faces per second for every level and in total, with
// the hash-indexed lookups and with the plain list scans on the same tube.
#include <benchmark/benchmark.h>
#include "bench_util.h"
#include <fcntl.h>
#include <unistd.h>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "brep/brep.h"
#include "brep/brep_build.h"

namespace {

// Processor time of this thread: the machine is shared, and waiting for a processor is not work.
double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// A winding tube of `lines` profile lines, written once into a temp folder.
std::string tubeDefinition(int lines) {
    static std::string dir;
    if (dir.empty()) {
        const char* tmp = getenv("TMPDIR");
        std::string tmpl = std::string(tmp ? tmp : "/tmp") + "/kx_bench_brep_XXXXXX";
        dir = mkdtemp(&tmpl[0]);
        atexit([] { system(("rm -rf '" + dir + "'").c_str()); });
    }
    std::string path = dir + "/TUBE" + std::to_string(lines) + ".brepdef.txt";
    FILE* f = fopen(path.c_str(), "w");
    fprintf(f, "%d 0 0 4 1\n", lines);
    for (int i = 0; i < lines; i++) {
        float a = i * 0.13f;
        fprintf(f, "%f %f %f %f %f %f %d %d %d %d %d %d %d %d\n", i * 0.1f + 0.05f * sinf(3 * a), sinf(a),
                0.2f + 0.05f * cosf(a), 0.25f, 0.15f, 0.2f, 1 + i % 3, 2, 1, 3, 1 + i % 2, 1, 2, 1);
    }
    fclose(f);
    return path;
}

BrepModel* cubeModel() {
    static const int faces[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};
    BrepModel* m = nullptr;
    brepCreate(&m, "CUBE", 0);
    for (auto& face : faces) {
        brepBeginFace(m, 1, BREP_CW);
        for (const int* p : face) brepFaceAddPoint(m, p[0], p[1], p[2], 1, 1, p[0], p[1], p[1], p[2]);
        brepEndFace(m);
    }
    brepCheck(m, 1);
    return m;
}

int faceCount(const BrepModel* m) {
    int n = 0;
    for (const BrepFace* f = m->faces; f; f = f->next) n++;
    return n;
}

// One run: level 0 (from the definition or the cube), then levels 1 to 3; each level's output faces
// and processor time are summed over the iterations and reported as faces per second.
void buildAndRefine(benchmark::State& state, int indexed, const std::string& definition) {
    brepSetIndexed(indexed);
    double faces[4] = {0, 0, 0, 0}, seconds[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        BrepModel* levels[4] = {nullptr, nullptr, nullptr, nullptr};
        Quiet quiet;
        for (int l = 0; l < 4; l++) {
            double start = threadSeconds();
            if (l > 0) {
                brepRefine(levels[l - 1], &levels[l]);
            } else if (definition.empty()) {
                levels[0] = cubeModel();
            } else {
                brepCreate(&levels[0], "TUBE", 0);
                brepLoadDefFile(&levels[0], definition.c_str());
            }
            seconds[l] += threadSeconds() - start;
            faces[l] += faceCount(levels[l]);
        }
        state.PauseTiming();
        for (BrepModel*& m : levels) brepFree(&m);
        state.ResumeTiming();
    }
    brepSetIndexed(1);
    double allFaces = 0, allSeconds = 0;
    for (int l = 0; l < 4; l++) {
        state.counters["L" + std::to_string(l) + "_faces/s"] = faces[l] / seconds[l];
        allFaces += faces[l];
        allSeconds += seconds[l];
    }
    state.counters["L3_faces"] = faces[3] / state.iterations();
    state.counters["total_faces/s"] = allFaces / allSeconds;
}

enum { LONG_TUBE = 300, SHARED_TUBE = 60 };

void BM_LongTubeIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, tubeDefinition(LONG_TUBE));
}
void BM_CubeIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, "");
}
// The plain scans are quadratic (the long tube would take half an hour): the side-by-side pair
// uses a shorter tube.
void BM_TubeIndexed(benchmark::State& state) {
    buildAndRefine(state, 1, tubeDefinition(SHARED_TUBE));
}
void BM_TubeScanned(benchmark::State& state) {
    buildAndRefine(state, 0, tubeDefinition(SHARED_TUBE));
}

} // namespace

BENCHMARK(BM_LongTubeIndexed)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CubeIndexed)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TubeIndexed)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TubeScanned)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);

BENCHMARK_MAIN();

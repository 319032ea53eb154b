// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 2048 x 2048 32-bit TGA file with tgaLoad, side by side with a plain fread of the same
// file into a buffer: the loader's extra work (header checks, the red/blue exchange) should cost at
// most as much again as the read itself. The file sits in the page cache after the first pass.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "image/tga.h"

namespace {

constexpr int side = 2048;

// Seconds of processor time of this thread, the kernel's share (the copy out of the page cache)
// included: steadier than wall time on a machine shared with builds.
double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Writes the test file once per process into a fresh temporary folder.
const std::string& testFile() {
    static const std::string path = [] {
        char pattern[] = "/tmp/kx_bench_tga_XXXXXX";
        if (!mkdtemp(pattern)) abort();
        const std::string file = std::string(pattern) + "/big.tga";
        TgaImage img{};
        if (!tgaCreate(&img, 32, side, side)) abort();
        for (int32_t i = 0; i < img.byteSize; i++) img.pixels[i] = uint8_t(i * 31 + (i >> 11));
        if (!tgaSave(&img, file.c_str())) abort();
        tgaFree(&img);
        return file;
    }();
    return path;
}

long fileSize(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) abort();
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fclose(f);
    return size;
}

double loadOnce(const std::string& path) {
    const auto start = cpuNow();
    TgaImage img{};
    if (!tgaLoad(&img, path.c_str())) abort();
    benchmark::DoNotOptimize(img.pixels);
    tgaFree(&img);
    return cpuNow() - start;
}

double readOnce(const std::string& path, long size) {
    const auto start = cpuNow();
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) abort();
    uint8_t* buffer = static_cast<uint8_t*>(malloc(size_t(size)));
    if (fread(buffer, 1, size_t(size), f) != size_t(size)) abort();
    fclose(f);
    benchmark::DoNotOptimize(buffer);
    benchmark::ClobberMemory();
    free(buffer);
    return cpuNow() - start;
}

// Both in every iteration, so machine load falls on both alike.
void BM_TgaLoadBesideFread(benchmark::State& state) {
    const std::string& path = testFile();
    const long size = fileSize(path);
    double loadSeconds = 0, readSeconds = 0;
    for (auto _ : state) {
        loadSeconds += loadOnce(path);
        readSeconds += readOnce(path, size);
    }
    const double megabytes = double(size) * double(state.iterations()) / 1e6;
    state.counters["tgaLoad_MBps"] = megabytes / loadSeconds;
    state.counters["fread_MBps"] = megabytes / readSeconds;
    state.counters["load_to_fread_speed"] = readSeconds / loadSeconds;
    state.SetLabel("2048 x 2048 x 32 bits");
}
BENCHMARK(BM_TgaLoadBesideFread)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TgaLoad(benchmark::State& state) {
    const std::string& path = testFile();
    for (auto _ : state) loadOnce(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * fileSize(path));
}
BENCHMARK(BM_TgaLoad)->Unit(benchmark::kMillisecond);

void BM_PlainFread(benchmark::State& state) {
    const std::string& path = testFile();
    const long size = fileSize(path);
    for (auto _ : state) readOnce(path, size);
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}
BENCHMARK(BM_PlainFread)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The test file's folder goes with the process.
    const std::string& path = testFile();
    remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
    return 0;
}

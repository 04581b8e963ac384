// The chapter list at its largest: import of a plain file of 640000 numbers, its export, and one
// sort-and-trim of 640000 entries, each beside a plain reference doing the same work with the
// standard library (strtol over the read file, fprintf, std::sort).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "preview/chapter_file.h"
#include "preview/chapter_list.h"
#include "settings/core.h"

namespace {

const std::vector<int32_t>& random_frames() {
    static const std::vector<int32_t> frames = [] {
        std::vector<int32_t> v(qv::MAX_CHAPTERS);
        std::mt19937 random(2024);
        for (auto& x : v) x = static_cast<int32_t>(random() % 2000000);
        return v;
    }();
    return frames;
}

std::string scratch(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// A plain chapter file of 640000 numbers, one per line, in random order.
const std::string& plain_file() {
    static const std::string path = [] {
        std::string text;
        for (int32_t x : random_frames()) text += std::to_string(x) + "\n";
        std::string p = scratch("qv_bench_chapters_plain.txt");
        qv::write_file_atomic(p, text);
        return p;
    }();
    return path;
}

qv::Core& core() {
    static qv::Core c;
    c.source.frame_count = 3000000;
    return c;
}

void fill_list(qv::Core& c) {
    const auto& frames = random_frames();
    std::copy(frames.begin(), frames.end(), c.settings.chapters.begin() + 1);
    c.settings.chapter_count = qv::MAX_CHAPTERS;
}

void BM_ImportPlainFile(benchmark::State& state) {
    qv::Core& c = core();
    const std::string& path = plain_file();
    for (auto _ : state) {
        if (!qv::import_chapter_file(c, path)) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(c.settings.chapters.data());
    }
}

// The parse alone, from memory (the import without the file read and the sort).
void BM_ImportParseOnly(benchmark::State& state) {
    std::string text;
    qv::read_file(plain_file(), text, qv::CHAPTER_FILE_LIMIT);
    std::vector<int32_t> out(qv::MAX_CHAPTERS + 1);
    for (auto _ : state) benchmark::DoNotOptimize(qv::parse_chapter_text(text, out).count);
}

void BM_ImportReference_ReadAndStrtol(benchmark::State& state) {
    const std::string& path = plain_file();
    std::vector<int32_t> out(qv::MAX_CHAPTERS + 1);
    for (auto _ : state) {
        std::string text;
        qv::read_file(path, text, qv::CHAPTER_FILE_LIMIT);
        const char* p = text.c_str();
        char* end = nullptr;
        std::size_t n = 0;
        for (long v = std::strtol(p, &end, 10); end != p && n < out.size(); v = std::strtol(p, &end, 10)) {
            out[n++] = static_cast<int32_t>(v);
            p = end;
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_ExportFile(benchmark::State& state) {
    qv::Core& c = core();
    fill_list(c);
    const std::string path = scratch("qv_bench_chapters_export.txt");
    for (auto _ : state)
        if (!qv::export_chapter_file(c, path)) state.SkipWithError("export failed");
    std::filesystem::remove(path);
}

void BM_ExportReference_Fprintf(benchmark::State& state) {
    const auto& frames = random_frames();
    const std::string path = scratch("qv_bench_chapters_fprintf.txt");
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fprintf(f, "*CHAPTER          %d\n", qv::MAX_CHAPTERS);
        for (int32_t x : frames) std::fprintf(f, "%d\n", x);
        std::fclose(f);
    }
    std::filesystem::remove(path);
}

void BM_SortAndTrim(benchmark::State& state) {
    qv::Core& c = core();
    c.source.frame_count = 1900000;  // about 5% of the entries are out of range
    for (auto _ : state) {
        state.PauseTiming();
        fill_list(c);
        state.ResumeTiming();
        benchmark::DoNotOptimize(qv::edit_chapter_list(c, 0));
    }
}

void BM_SortReference_StdSort(benchmark::State& state) {
    std::vector<int32_t> v;
    for (auto _ : state) {
        state.PauseTiming();
        v = random_frames();
        state.ResumeTiming();
        std::sort(v.begin(), v.end());
        benchmark::DoNotOptimize(v.data());
    }
}

BENCHMARK(BM_ImportPlainFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportReference_ReadAndStrtol)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportReference_Fprintf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAndTrim)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortReference_StdSort)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Loading and writing a settings file with the largest chapter list (640000 entries) and a
// custom matrix; target: each under 100 ms. Beside them, the reference: the same file read line
// by line with the standard library (every number parsed) and the same bytes written in one go.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/wiring.h"
#include "platform/files.h"
#include "settings/core.h"
#include "settings/settings_reader.h"
#include "settings/settings_writer.h"

namespace {

struct Fixture {
    std::string folder;
    std::string big_file;
    std::string text;
    std::unique_ptr<qv::Core> core = std::make_unique<qv::Core>();

    Fixture() {
        std::string pattern = "/tmp/qv-bench-settings-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        folder = pattern + "/";
        big_file = folder + "big.ini";
        qv::wire_hooks(*core);
        qv::Settings& s = core->settings;
        s.matrix_mode = qv::MatrixMode::custom;
        s.chapter_count = qv::MAX_CHAPTERS;
        for (int i = 1; i <= qv::MAX_CHAPTERS; ++i) s.chapters[static_cast<std::size_t>(i)] = i * 15;
        s.interlaced = true;
        s.timecode_hours = "1";
        if (!qv::settings_file_text(*core, text)) std::abort();
        if (!qv::write_file_atomic(big_file, text)) std::abort();
    }
    ~Fixture() {
        ::unlink(big_file.c_str());
        ::unlink((folder + "out.ini").c_str());
        ::unlink((folder + "ref.ini").c_str());
        ::rmdir(folder.c_str());
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_LoadSettings(benchmark::State& state) {
    Fixture& f = fixture();
    f.core->settings.user_ini_path = f.big_file;
    for (auto _ : state) {
        qv::LoadResult r = qv::load_settings(*f.core, qv::SettingsFile::user);
        if (r != qv::LoadResult::processed || f.core->settings.chapter_count != qv::MAX_CHAPTERS)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(f.text.size()));
}

void BM_WriteSettings(benchmark::State& state) {
    Fixture& f = fixture();
    f.core->settings.user_ini_path = f.big_file;
    qv::load_settings(*f.core, qv::SettingsFile::user);
    f.core->settings.user_ini_path = f.folder + "out.ini";
    for (auto _ : state) {
        qv::write_settings(*f.core, qv::SettingsFile::user);
        if (!f.core->settings.ini_write_ok) state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(f.text.size()));
}

void BM_ReferenceReadLines(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        std::ifstream in(f.big_file);
        std::string line;
        long sum = 0;
        while (std::getline(in, line)) sum += std::strtol(line.c_str(), nullptr, 10);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_ReferenceWriteBytes(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        if (!qv::write_file_atomic(f.folder + "ref.ini", f.text)) state.SkipWithError("write failed");
    }
}

}  // namespace

BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceReadLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceWriteBytes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

// The scan's kernels and the whole scan beside their references, in one run.
//
//   PlaneSad/*           plane_sad over a 720 x 576 luma plane (bytes/s = plane bytes)
//   Memcpy720x576        memcpy of the same plane (the reference for PlaneSad)
//   FrameToBitmap/*      a 720 x 576 frame to the preview bitmap
//   SwscaleBgr24         libswscale yuv420p -> bgr24, one thread (the reference for FrameToBitmap)
//   DecoderSequential    getFrame(0..n-1) through the program's decoder binding
//   Scan/plain|prefetch  the whole scene-change scan of the same project
//   FfmpegScdet          ffmpeg -i stream -vf scdet -f null -  (default threading)
extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "preview/bitmap.h"
#include "preview/plane_sad.h"
#include "preview/scene_scan.h"
#include "sources/input_classification.h"
#include "sources/project_source.h"

namespace {

constexpr int W = 720;
constexpr int H = 576;
constexpr int LUMA = W * H;

// Planes in a frame store, so alignment and size are those of the program.
struct Frames {
    std::unique_ptr<qv::FrameStore> store = qv::FrameStore::create();
    Frames() {
        std::mt19937 rng(3);
        for (int i = 0; i < LUMA; ++i) {
            store->y[i] = static_cast<uint8_t>(rng());
            store->prev_y[i] = static_cast<uint8_t>(rng());
        }
        for (int i = 0; i < LUMA / 4; ++i) {
            store->u[i] = static_cast<uint8_t>(rng());
            store->v[i] = static_cast<uint8_t>(rng());
        }
    }
};

Frames& frames() {
    static Frames f;
    return f;
}

void PlaneSad(benchmark::State& state) {
    const auto path = static_cast<qv::SadPath>(state.range(0));
    if (!qv::sad_path_available(path)) {
        state.SkipWithError("path not available");
        return;
    }
    qv::FrameStore& f = *frames().store;
    for (auto _ : state) benchmark::DoNotOptimize(qv::plane_sad(path, f.y, f.prev_y, LUMA, 2));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * LUMA);
}
BENCHMARK(PlaneSad)->Arg(static_cast<int>(qv::SadPath::avx2))->Arg(static_cast<int>(qv::SadPath::sse2))
    ->Arg(static_cast<int>(qv::SadPath::scalar))->ArgName("path(0=scalar,1=sse2,2=avx2)");

// The scan's fused form: compare and copy over the previous plane in one pass.
void PlaneSadAndCopy(benchmark::State& state) {
    qv::FrameStore& f = *frames().store;
    for (auto _ : state) benchmark::DoNotOptimize(qv::plane_sad_and_copy(f.y, f.prev_u, LUMA, 2));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * LUMA);
}
BENCHMARK(PlaneSadAndCopy);

void Memcpy720x576(benchmark::State& state) {
    qv::FrameStore& f = *frames().store;
    for (auto _ : state) {
        std::memcpy(f.prev_u, f.y, LUMA);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * LUMA);
}
BENCHMARK(Memcpy720x576);

void FrameToBitmap(benchmark::State& state) {
    const auto path = static_cast<qv::PixelPath>(state.range(0));
    if (!qv::pixel_path_available(path)) {
        state.SkipWithError("path not available");
        return;
    }
    qv::FrameStore& f = *frames().store;
    for (auto _ : state) {
        qv::frame_to_bitmap(path, f.y, f.u, f.v, W, H, f.bitmap);
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(FrameToBitmap)->Arg(static_cast<int>(qv::PixelPath::avx512))->Arg(static_cast<int>(qv::PixelPath::avx2))
    ->Arg(static_cast<int>(qv::PixelPath::ssse3))->Arg(static_cast<int>(qv::PixelPath::sse2))
    ->Arg(static_cast<int>(qv::PixelPath::scalar))->ArgName("path(0=scalar,1=sse2,2=ssse3,3=avx2,4=avx512)");

void SwscaleBgr24(benchmark::State& state) {
    SwsContext* ctx = sws_alloc_context();
    av_opt_set_int(ctx, "srcw", W, 0);
    av_opt_set_int(ctx, "srch", H, 0);
    av_opt_set_int(ctx, "src_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(ctx, "dstw", W, 0);
    av_opt_set_int(ctx, "dsth", H, 0);
    av_opt_set_int(ctx, "dst_format", AV_PIX_FMT_BGR24, 0);
    av_opt_set_int(ctx, "sws_flags", SWS_POINT, 0);
    av_opt_set_int(ctx, "threads", 1, 0);
    if (sws_init_context(ctx, nullptr, nullptr) < 0) {
        state.SkipWithError("swscale context");
        sws_freeContext(ctx);
        return;
    }
    qv::FrameStore& f = *frames().store;
    const uint8_t* src[4] = {f.y, f.u, f.v, nullptr};
    const int src_stride[4] = {W, W / 2, W / 2, 0};
    uint8_t* dst[4] = {f.bitmap + 54, nullptr, nullptr, nullptr};
    const int dst_stride[4] = {3 * W, 0, 0, 0};
    for (auto _ : state) {
        sws_scale(ctx, src, src_stride, 0, H, dst, dst_stride);
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    sws_freeContext(ctx);
}
BENCHMARK(SwscaleBgr24);

// The benchmark project opened as the program opens it (classification, library, project).
qv::Core& project_core() {
    static std::unique_ptr<qv::Core> core = [] {
        ::setenv("XDG_CACHE_HOME", QV_BENCH_CACHE, 1);
        auto c = std::make_unique<qv::Core>();
        c->env.program_dir = std::string(QV_PROGRAM_DIR) + "/";
        c->env.decoder_dir = c->env.program_dir + "DGDecode/";
        c->vector_level = 3;
        c->settings.input_path = QV_BENCH_PROJECT;
        c->settings.input_valid = true;
        qv::classify_input(*c);
        qv::open_project_source(*c);
        if (!c->settings.input_opened)
            throw std::runtime_error("cannot open the benchmark project: " + c->message.message_text());
        return c;
    }();
    return *core;
}

void DecoderSequential(benchmark::State& state) {
    qv::Core& core = project_core();
    qv::ProjectBinding& b = qv::project_binding(core);
    const int n = core.source.frame_count;
    for (auto _ : state)
        for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(b.get_frame(i));
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(DecoderSequential)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void Scan(benchmark::State& state) {
    qv::Core& core = project_core();
    qv::set_scan_options(core, qv::ScanOptions{state.range(0) != 0});
    const int n = core.source.frame_count;
    for (auto _ : state) {
        qv::toggle_scene_scan(core);
        qv::wait_scene_scan(core);
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                                    benchmark::Counter::kIsRate);
    state.counters["chapters"] = core.settings.chapter_count;
}
BENCHMARK(Scan)->Arg(0)->Arg(1)->ArgName("prefetch")->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Iterations(3);

void FfmpegScdet(benchmark::State& state) {
    const std::string command = std::string(QV_BENCH_FFMPEG) + " -nostdin -v error -i " +
                                QV_BENCH_STREAM + " -vf scdet -f null -";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
    const int n = project_core().source.frame_count;
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(FfmpegScdet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

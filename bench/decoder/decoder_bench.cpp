// Frame access through the decoder library against a plain single-threaded libavcodec decode of
// the same MPEG-2 stream, in one run.
//
//   DecoderLibrarySequential  getFrame(0), getFrame(1), ... over the whole stream
//   LibavcodecSequential      the reference: demux and decode every frame, one thread
//   DecoderLibraryRandom      getFrame at random frame numbers; the counter frames_per_access
//                             is the cost of one access in sequential frame times (a GOP is 15)
//   DecoderLibraryRandomAfterSeekPoint  the same for the costliest targets
//   OpenProject*              opening the project with and without a cached index (and, for a
//                             program stream, without the copy of its video)
// The /es cases read an elementary stream, the /vob cases the same frames in a DVD program
// stream.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

struct Record {
    std::int32_t width;
    std::int32_t height;
    std::int32_t rate_num;
    std::int32_t rate_den;
    std::int32_t frame_count;
    std::int32_t colour_format;
};

struct DecoderLibrary {
    DecoderLibrary()
    {
        ::setenv("XDG_CACHE_HOME", QV_BENCH_CACHE, 1);
        handle = ::dlopen(QV_BENCH_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            throw std::runtime_error(::dlerror());
        open = reinterpret_cast<Record* (*)(const char*)>(::dlsym(handle, "openMPEG2Source"));
        get = reinterpret_cast<unsigned char* (*)(int)>(::dlsym(handle, "getFrame"));
        close = reinterpret_cast<void (*)()>(::dlsym(handle, "closeVideo"));
        if (!open || !get || !close)
            throw std::runtime_error("entry points missing");
    }
    Record* (*open)(const char*) = nullptr;
    unsigned char* (*get)(int) = nullptr;
    void (*close)() = nullptr;
    void* handle = nullptr;
};

DecoderLibrary& library()
{
    static DecoderLibrary lib;
    return lib;
}

// The same 1500 frames as an elementary stream and as a DVD program stream.
struct Stream {
    const char* file;
    const char* project;
};
constexpr Stream ES{QV_BENCH_STREAM, QV_BENCH_PROJECT};
constexpr Stream VOB{QV_BENCH_VOB_STREAM, QV_BENCH_VOB_PROJECT};

const Record& open_project(const Stream& stream)
{
    const Record* r = library().open(stream.project);
    if (r == nullptr)
        throw std::runtime_error("cannot open the benchmark project");
    return *r;
}

void DecoderLibrarySequential(benchmark::State& state, const Stream& stream)
{
    const int frames = open_project(stream).frame_count;
    std::uint64_t checksum = 0;
    for (auto _ : state) {
        for (int n = 0; n < frames; ++n) {
            const unsigned char* frame = library().get(n);
            if (frame == nullptr) {
                state.SkipWithError("getFrame failed");
                return;
            }
            checksum += frame[n % 720];
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["frames"] = frames;
}

// Decodes the whole stream with one thread; returns the number of frames.
int decode_with_libavcodec(const char* file)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, file, nullptr, nullptr) < 0)
        throw std::runtime_error("avformat_open_input failed");
    avformat_find_stream_info(format, nullptr);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[stream]->codecpar);
    context->thread_count = 1;
    avcodec_open2(context, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    const auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
            benchmark::DoNotOptimize(frame->data[0][0]);
            ++frames;
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream) {
            avcodec_send_packet(context, packet);
            drain();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return frames;
}

void LibavcodecSequential(benchmark::State& state, const Stream& stream)
{
    int frames = 0;
    for (auto _ : state)
        frames = decode_with_libavcodec(stream.file);
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["frames"] = frames;
}

// Random access; with worst_case set, only to the two frames after each seek point of this
// stream (every 15 frames from frame 13), which are approached from the seek point before.
void random_access(benchmark::State& state, const Stream& stream, bool worst_case)
{
    const int frames = open_project(stream).frame_count;
    // The time of one frame in sequential access, for scale.
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < frames; ++n)
        benchmark::DoNotOptimize(library().get(n));
    const double per_frame =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;

    std::mt19937 random(11);
    std::uniform_int_distribution<int> pick(0, frames - 1);
    std::uniform_int_distribution<int> pick_gop(1, frames / 15 - 2);
    std::int64_t accesses = 0;
    const auto random_start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const int n = worst_case ? pick_gop(random) * 15 + 13 + static_cast<int>(accesses % 2)
                                 : pick(random);
        benchmark::DoNotOptimize(library().get(n));
        ++accesses;
    }
    const double per_access =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - random_start).count() /
        static_cast<double>(std::max<std::int64_t>(accesses, 1));
    state.SetItemsProcessed(accesses);
    state.counters["frames_per_access"] = per_access / per_frame;
}

void DecoderLibraryRandom(benchmark::State& state, const Stream& stream)
{
    random_access(state, stream, false);
}
void DecoderLibraryRandomAfterSeekPoint(benchmark::State& state, const Stream& stream)
{
    random_access(state, stream, true);
}

void OpenProjectCached(benchmark::State& state, const Stream& stream)
{
    open_project(stream);  // makes sure the index is in the cache
    for (auto _ : state)
        benchmark::DoNotOptimize(open_project(stream).frame_count);
}

// For a program stream this includes copying its video out once.
void OpenProjectUncached(benchmark::State& state, const Stream& stream)
{
    for (auto _ : state) {
        state.PauseTiming();
        library().close();
        std::filesystem::remove_all(QV_BENCH_CACHE);
        state.ResumeTiming();
        benchmark::DoNotOptimize(open_project(stream).frame_count);
    }
}

}  // namespace

// On a shared machine the fastest of several repetitions is the fairest figure:
//   decoder_bench --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}
BENCHMARK_CAPTURE(DecoderLibrarySequential, es, ES)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(LibavcodecSequential, es, ES)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(DecoderLibraryRandom, es, ES)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecoderLibraryRandomAfterSeekPoint, es, ES)->Unit(benchmark::kMillisecond);
// Program streams are decoded from a copy of their video as an elementary stream.
BENCHMARK_CAPTURE(DecoderLibrarySequential, vob, VOB)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(LibavcodecSequential, vob, VOB)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);
BENCHMARK_CAPTURE(DecoderLibraryRandom, vob, VOB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecoderLibraryRandomAfterSeekPoint, vob, VOB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenProjectCached, es, ES)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenProjectUncached, es, ES)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenProjectCached, vob, VOB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenProjectUncached, vob, VOB)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

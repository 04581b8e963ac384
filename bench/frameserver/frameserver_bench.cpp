// Frames per second the bundled frame server delivers to a caller that copies each frame into
// packed planes, as the program's frame fetch does; the reference copies the same planes from
// memory without asking the frame server.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sources/frameserver_interface.h"

namespace {

struct Api {
    avs_create_script_environment_func create;
    avs_invoke_func invoke;
    avs_take_clip_func take_clip;
    avs_release_value_func release_value;
    avs_get_video_info_func info;
    avs_get_frame_func get_frame;
    avs_release_video_frame_func release_frame;
    avs_get_read_ptr_p_func ptr;
    avs_get_pitch_p_func pitch;
    avs_get_row_size_p_func row_size;
    avs_get_height_p_func height;
};

template <typename F>
void bind(void* lib, const char* name, F& f) {
    f = reinterpret_cast<F>(dlsym(lib, name));
    if (f == nullptr) {
        std::fprintf(stderr, "missing %s\n", name);
        std::abort();
    }
}

const Api& api() {
    static const Api a = [] {
        void* lib = dlopen(QV_BENCH_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) {
            std::fprintf(stderr, "cannot load %s\n", QV_BENCH_LIBRARY);
            std::abort();
        }
        Api r{};
        bind(lib, "avs_create_script_environment", r.create);
        bind(lib, "avs_invoke", r.invoke);
        bind(lib, "avs_take_clip", r.take_clip);
        bind(lib, "avs_release_value", r.release_value);
        bind(lib, "avs_get_video_info", r.info);
        bind(lib, "avs_get_frame", r.get_frame);
        bind(lib, "avs_release_video_frame", r.release_frame);
        bind(lib, "avs_get_read_ptr_p", r.ptr);
        bind(lib, "avs_get_pitch_p", r.pitch);
        bind(lib, "avs_get_row_size_p", r.row_size);
        bind(lib, "avs_get_height_p", r.height);
        return r;
    }();
    return a;
}

AVS_Clip* open_sample(const char* name) {
    static AVS_ScriptEnvironment* env = api().create(AVS_INTERFACE_VERSION);
    const std::string path = std::string(QV_BENCH_SAMPLES) + "/" + name;
    AVS_Value v = api().invoke(env, "Import", avs_new_value_string(path.c_str()), nullptr);
    if (!avs_is_clip(v)) {
        std::fprintf(stderr, "%s: %s\n", name, avs_is_error(v) ? avs_as_error(v) : "not a clip");
        std::abort();
    }
    AVS_Clip* clip = api().take_clip(v, env);
    api().release_value(v);
    return clip;
}

// Copies the three planes of a frame row by row into packed buffers.
void copy_planes(const uint8_t* const src[3], const int pitch[3], int width, int height,
                 std::vector<uint8_t>& y, std::vector<uint8_t>& u, std::vector<uint8_t>& v) {
    uint8_t* dst[3] = {y.data(), u.data(), v.data()};
    for (int p = 0; p < 3; ++p) {
        const int w = p == 0 ? width : width / 2;
        const int h = p == 0 ? height : height / 2;
        for (int row = 0; row < h; ++row)
            std::memcpy(dst[p] + static_cast<size_t>(row) * w, src[p] + static_cast<size_t>(row) * pitch[p],
                        static_cast<size_t>(w));
    }
}

void fetch_all(benchmark::State& state, const char* sample) {
    AVS_Clip* clip = open_sample(sample);
    const AVS_VideoInfo& vi = *api().info(clip);
    std::vector<uint8_t> y(static_cast<size_t>(vi.width) * vi.height), u(y.size() / 4), v(y.size() / 4);
    int n = 0;
    for (auto _ : state) {
        AVS_VideoFrame* f = api().get_frame(clip, n);
        const uint8_t* src[3] = {api().ptr(f, AVS_PLANAR_Y), api().ptr(f, AVS_PLANAR_U), api().ptr(f, AVS_PLANAR_V)};
        const int pitch[3] = {api().pitch(f, AVS_PLANAR_Y), api().pitch(f, AVS_PLANAR_U), api().pitch(f, AVS_PLANAR_V)};
        copy_planes(src, pitch, api().row_size(f, AVS_PLANAR_Y), api().height(f, AVS_PLANAR_Y), y, u, v);
        benchmark::DoNotOptimize(y.data());
        api().release_frame(f);
        n = (n + 1) % vi.num_frames;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FetchHardCuts(benchmark::State& state) { fetch_all(state, "grey_white_cuts.avs"); }
void BM_FetchDissolve(benchmark::State& state) { fetch_all(state, "dissolve.avs"); }
void BM_FetchColorBars(benchmark::State& state) { fetch_all(state, "colorbars.avs"); }

// Reference: the same plane copies of a 720x576 frame held in memory.
void BM_ReferencePlaneCopy(benchmark::State& state) {
    const int width = 720, height = 576, pitch_y = 832;
    std::vector<uint8_t> frame(static_cast<size_t>(pitch_y) * height * 3 / 2, 128);
    const uint8_t* src[3] = {frame.data(), frame.data() + static_cast<size_t>(pitch_y) * height,
                             frame.data() + static_cast<size_t>(pitch_y) * height * 5 / 4};
    const int pitch[3] = {pitch_y, pitch_y / 2, pitch_y / 2};
    std::vector<uint8_t> y(static_cast<size_t>(width) * height), u(y.size() / 4), v(y.size() / 4);
    for (auto _ : state) {
        copy_planes(src, pitch, width, height, y, u, v);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_ReferencePlaneCopy);
BENCHMARK(BM_FetchHardCuts);
BENCHMARK(BM_FetchDissolve);
BENCHMARK(BM_FetchColorBars);
BENCHMARK_MAIN();

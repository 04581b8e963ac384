#include "tests/frameserver/frameserver_api.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fstest {

namespace {

template <typename F>
void bind(void* lib, const char* name, F& target) {
    void* p = dlsym(lib, name);
    if (p == nullptr) {
        std::fprintf(stderr, "frame server entry point %s missing\n", name);
        std::abort();
    }
    target = reinterpret_cast<F>(p);
}

Api load() {
    const std::string path = std::string(QV_PROGRAM_DIR) + "/frameserver/libavisynth.so";
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        std::abort();
    }
    Api a{};
    bind(lib, "avs_create_script_environment", a.create_script_environment);
    bind(lib, "avs_get_error", a.get_error);
    bind(lib, "avs_delete_script_environment", a.delete_script_environment);
    bind(lib, "avs_invoke", a.invoke);
    bind(lib, "avs_release_value", a.release_value);
    bind(lib, "avs_take_clip", a.take_clip);
    bind(lib, "avs_release_clip", a.release_clip);
    bind(lib, "avs_clip_get_error", a.clip_get_error);
    bind(lib, "avs_get_video_info", a.get_video_info);
    bind(lib, "avs_get_frame", a.get_frame);
    bind(lib, "avs_release_video_frame", a.release_video_frame);
    bind(lib, "avs_get_read_ptr_p", a.get_read_ptr_p);
    bind(lib, "avs_get_pitch_p", a.get_pitch_p);
    bind(lib, "avs_get_row_size_p", a.get_row_size_p);
    bind(lib, "avs_get_height_p", a.get_height_p);
    return a;
}

}  // namespace

const Api& api() {
    static const Api a = load();
    return a;
}

Frame::~Frame() {
    if (f_ != nullptr) api().release_video_frame(f_);
}

Session::Session() : env_(api().create_script_environment(AVS_INTERFACE_VERSION)), dir_(temp_dir()) {}

Session::~Session() {
    drop_clip();
    api().delete_script_environment(env_);
}

void Session::drop_clip() {
    if (clip_ != nullptr) api().release_clip(clip_);
    clip_ = nullptr;
}

bool Session::import(const std::string& path) {
    drop_clip();
    error_.clear();
    AVS_Value arg = avs_new_value_string(path.c_str());
    AVS_Value result = api().invoke(env_, "Import", arg, nullptr);
    type_ = static_cast<char>(result.type);
    int_ = avs_is_int(result) ? avs_as_int(result) : 0;
    if (avs_is_error(result)) error_ = avs_as_error(result);
    if (avs_is_clip(result)) clip_ = api().take_clip(result, env_);
    api().release_value(result);
    return clip_ != nullptr;
}

bool Session::run(const std::string& text) {
    path_ = dir_ + "/script" + std::to_string(++counter_) + ".avs";
    std::ofstream(path_, std::ios::binary) << text;
    return import(path_);
}

std::unique_ptr<Frame> Session::frame(int n) const {
    return std::make_unique<Frame>(api().get_frame(clip_, n));
}

std::string Session::clip_error() const {
    const char* e = api().clip_get_error(clip_);
    return e == nullptr ? std::string() : std::string(e);
}

std::string sample(const std::string& name) {
    return std::string(QV_SOURCE_DIR) + "/samples/scripts/" + name;
}

std::string temp_dir() {
    // Made once per test program and removed when it ends.
    struct TempDir {
        std::string path;
        TempDir() {
            path = "/tmp/qv_frameserver_test_XXXXXX";
            if (mkdtemp(path.data()) == nullptr) std::abort();
        }
        ~TempDir() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const TempDir dir;
    return dir.path;
}

}  // namespace fstest

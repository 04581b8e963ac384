// The exported C interface of the frame server. Nothing thrown inside leaves this file:
// failures become error values, error texts and null results.
#include <cstdlib>
#include <deque>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/interpreter.h"

struct AVS_ScriptEnvironment {
    qvfs::Interpreter interpreter;
    std::string error;                 // empty when the last call went well
    std::deque<std::string> strings;   // texts handed out in string values; live with the environment
};

struct AVS_Clip {
    qvfs::ClipPtr clip;
    AVS_VideoInfo info{};
    std::string error;
};

struct AVS_VideoFrame {
    qvfs::FramePtr frame;
};

namespace {

// What a clip value's pointer refers to. The tag guards against values that are not ours.
constexpr unsigned kClipValueTag = 0x51564643u;
struct ClipValue {
    unsigned tag = kClipValueTag;
    qvfs::ClipPtr clip;
};

const qvfs::ClipPtr* clip_of(const AVS_Value& v) {
    if (v.type != 'c' || v.d.clip == nullptr) return nullptr;
    const auto* cv = static_cast<const ClipValue*>(v.d.clip);
    return cv->tag == kClipValueTag ? &cv->clip : nullptr;
}

AVS_Value error_value(AVS_ScriptEnvironment* env, std::string text) {
    env->error = std::move(text);
    AVS_Value v = avs_void_value();
    v.type = 'e';
    v.d.string = env->error.c_str();
    return v;
}

qvfs::Value to_internal(const AVS_Value& v) {
    switch (v.type) {
    case 'c':
        if (const qvfs::ClipPtr* clip = clip_of(v)) return qvfs::Value(*clip);
        throw qvfs::ScriptError("avs_invoke: a clip argument is not a clip of this frame server");
    case 'b': return qvfs::Value(v.d.boolean != 0);
    case 'i': return qvfs::Value(v.d.integer);
    case 'f': return qvfs::Value(static_cast<double>(v.d.floating_pt));
    case 's':
        if (v.d.string == nullptr) throw qvfs::ScriptError("avs_invoke: a string argument is null");
        return qvfs::Value(std::string(v.d.string));
    case 'v': return {};
    default: throw qvfs::ScriptError("avs_invoke: unsupported argument type");
    }
}

AVS_Value to_external(AVS_ScriptEnvironment* env, const qvfs::Value& v) {
    AVS_Value out = avs_void_value();
    if (v.is_clip()) {
        out.type = 'c';
        out.d.clip = new ClipValue{kClipValueTag, v.as_clip()};
    } else if (v.is_bool()) {
        out = avs_new_value_bool(v.as_bool() ? 1 : 0);
    } else if (v.is_int()) {
        out = avs_new_value_int(v.as_int());
    } else if (v.is_float()) {
        out = avs_new_value_float(static_cast<float>(v.as_float()));
    } else if (v.is_string()) {
        env->strings.push_back(v.as_string());
        out = avs_new_value_string(env->strings.back().c_str());
    }
    return out;
}

// The test hook: QV_TEST_FRAMESERVER_FAIL_FRAME=n makes every request for frame n fail,
// so callers can exercise their handling of a frame the server cannot deliver.
bool test_hook_fails(int n) {
    const char* text = std::getenv("QV_TEST_FRAMESERVER_FAIL_FRAME");
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    const long wanted = std::strtol(text, &end, 10);
    return *end == '\0' && wanted == n;
}

const AVS_VideoInfo kNoVideo{};

}  // namespace

extern "C" {

AVS_ScriptEnvironment* avs_create_script_environment(int version) {
    try {
        auto* env = new AVS_ScriptEnvironment{};
        if (version > AVS_INTERFACE_VERSION)
            env->error = "Frame server: interface version " + std::to_string(version) +
                         " requested, this frame server offers version " +
                         std::to_string(AVS_INTERFACE_VERSION);
        return env;
    } catch (...) {
        return nullptr;
    }
}

const char* avs_get_error(AVS_ScriptEnvironment* env) {
    if (env == nullptr) return "Frame server: no script environment";
    return env->error.empty() ? nullptr : env->error.c_str();
}

void avs_delete_script_environment(AVS_ScriptEnvironment* env) { delete env; }

AVS_Value avs_invoke(AVS_ScriptEnvironment* env, const char* name, AVS_Value args,
                     const char** arg_names) {
    if (env == nullptr) return avs_void_value();
    env->error.clear();
    try {
        if (name == nullptr) return error_value(env, "avs_invoke: no function name");
        std::vector<qvfs::Value> positional;
        std::vector<std::pair<std::string, qvfs::Value>> named;
        const int count = args.type == 'a' ? args.array_size : (args.type == 'v' ? 0 : 1);
        if (count < 0 || (args.type == 'a' && count > 0 && args.d.array == nullptr))
            return error_value(env, "avs_invoke: invalid argument array");
        for (int i = 0; i < count; ++i) {
            const AVS_Value& arg = args.type == 'a' ? args.d.array[i] : args;
            qvfs::Value value = to_internal(arg);
            const char* arg_name = arg_names != nullptr ? arg_names[i] : nullptr;
            if (arg_name != nullptr)
                named.emplace_back(arg_name, std::move(value));
            else
                positional.push_back(std::move(value));
        }
        return to_external(env, env->interpreter.invoke(name, positional, named));
    } catch (const qvfs::ScriptError& e) {
        return error_value(env, e.text());
    } catch (const std::bad_alloc&) {
        return error_value(env, "Frame server: out of memory");
    } catch (const std::exception& e) {
        return error_value(env, std::string("Frame server: ") + e.what());
    }
}

void avs_release_value(AVS_Value value) {
    if (value.type == 'c' && clip_of(value) != nullptr) delete static_cast<ClipValue*>(value.d.clip);
}

void avs_copy_value(AVS_Value* dest, AVS_Value src) {
    if (dest == nullptr) return;
    *dest = src;
    if (const qvfs::ClipPtr* clip = clip_of(src)) {
        try {
            dest->d.clip = new ClipValue{kClipValueTag, *clip};
        } catch (...) {
            *dest = avs_void_value();
        }
    }
}

AVS_Clip* avs_take_clip(AVS_Value value, AVS_ScriptEnvironment* env) {
    if (env != nullptr) env->error.clear();
    const qvfs::ClipPtr* clip = clip_of(value);
    if (clip == nullptr) {
        if (env != nullptr) env->error = "avs_take_clip: the value is not a clip";
        return nullptr;
    }
    try {
        auto* handle = new AVS_Clip{};
        handle->clip = *clip;
        handle->info = (*clip)->info();
        return handle;
    } catch (...) {
        if (env != nullptr) env->error = "Frame server: out of memory";
        return nullptr;
    }
}

void avs_release_clip(AVS_Clip* clip) { delete clip; }

const char* avs_clip_get_error(AVS_Clip* clip) {
    if (clip == nullptr) return "Frame server: no clip";
    return clip->error.empty() ? nullptr : clip->error.c_str();
}

const AVS_VideoInfo* avs_get_video_info(AVS_Clip* clip) {
    return clip == nullptr ? &kNoVideo : &clip->info;
}

int avs_get_version(AVS_Clip* clip) { return clip == nullptr ? 0 : AVS_INTERFACE_VERSION; }

AVS_VideoFrame* avs_get_frame(AVS_Clip* clip, int n) {
    if (clip == nullptr) return nullptr;
    clip->error.clear();
    try {
        if (test_hook_fails(n)) {
            clip->error = "QV_TEST_FRAMESERVER_FAIL_FRAME: frame " + std::to_string(n) +
                          " refused on request of the test environment";
            return nullptr;
        }
        return new AVS_VideoFrame{clip->clip->frame(n)};
    } catch (const qvfs::ScriptError& e) {
        clip->error = e.text();
    } catch (const std::bad_alloc&) {
        clip->error = "Frame server: out of memory";
    } catch (const std::exception& e) {
        clip->error = std::string("Frame server: ") + e.what();
    }
    return nullptr;
}

void avs_release_video_frame(AVS_VideoFrame* frame) { delete frame; }

}  // extern "C"

namespace {

int plane_index(int plane) {
    switch (plane) {
    case AVS_PLANAR_U: return qvfs::kPlaneU;
    case AVS_PLANAR_V: return qvfs::kPlaneV;
    default: return qvfs::kPlaneY;
    }
}

}  // namespace

extern "C" {

const uint8_t* avs_get_read_ptr_p(const AVS_VideoFrame* frame, int plane) {
    return frame == nullptr ? nullptr : frame->frame->plane[plane_index(plane)];
}

int avs_get_pitch_p(const AVS_VideoFrame* frame, int plane) {
    return frame == nullptr ? 0 : frame->frame->pitch[plane_index(plane)];
}

int avs_get_row_size_p(const AVS_VideoFrame* frame, int plane) {
    return frame == nullptr ? 0 : frame->frame->row_size[plane_index(plane)];
}

int avs_get_height_p(const AVS_VideoFrame* frame, int plane) {
    return frame == nullptr ? 0 : frame->frame->rows[plane_index(plane)];
}

}  // extern "C"

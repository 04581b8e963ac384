#include "sources/script_source.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <numeric>

#include "platform/dynamic_library.h"
#include "sources/frameserver_interface.h"
#include "sources/source_properties.h"

namespace qv {

namespace {

const char* const SYSTEM_LIBRARY_NAME = "libavisynth.so";
const char* const BUNDLED_LIBRARY = "frameserver/libavisynth.so";

std::atomic<bool> system_search{true};

}  // namespace

// The loaded frame server: its entry points, its one environment and the current clip.
// Released in reverse order: clip, environment, library.
struct ScriptBinding {
    DynamicLibrary library;
    avs_create_script_environment_func create_environment = nullptr;
    avs_get_error_func get_error = nullptr;
    avs_delete_script_environment_func delete_environment = nullptr;
    avs_invoke_func invoke = nullptr;
    avs_release_value_func release_value = nullptr;
    avs_take_clip_func take_clip = nullptr;
    avs_release_clip_func release_clip = nullptr;
    avs_clip_get_error_func clip_get_error = nullptr;  // optional
    avs_get_video_info_func get_video_info = nullptr;
    avs_get_frame_func get_frame = nullptr;
    avs_release_video_frame_func release_frame = nullptr;
    avs_get_read_ptr_p_func read_ptr = nullptr;
    avs_get_pitch_p_func pitch = nullptr;
    avs_get_row_size_p_func row_size = nullptr;
    avs_get_height_p_func plane_height = nullptr;

    AVS_ScriptEnvironment* env = nullptr;
    AVS_Clip* clip = nullptr;
    int clip_frames = 0;

    ScriptBinding() = default;
    ScriptBinding(const ScriptBinding&) = delete;
    ScriptBinding& operator=(const ScriptBinding&) = delete;
    ~ScriptBinding() { release_all(); }

    // Every entry point the program calls; false when one is missing.
    bool bind() {
        const DynamicLibrary& l = library;
        create_environment =
            l.function<avs_create_script_environment_func>("avs_create_script_environment");
        get_error = l.function<avs_get_error_func>("avs_get_error");
        delete_environment =
            l.function<avs_delete_script_environment_func>("avs_delete_script_environment");
        invoke = l.function<avs_invoke_func>("avs_invoke");
        release_value = l.function<avs_release_value_func>("avs_release_value");
        take_clip = l.function<avs_take_clip_func>("avs_take_clip");
        release_clip = l.function<avs_release_clip_func>("avs_release_clip");
        clip_get_error = l.function<avs_clip_get_error_func>("avs_clip_get_error");
        get_video_info = l.function<avs_get_video_info_func>("avs_get_video_info");
        get_frame = l.function<avs_get_frame_func>("avs_get_frame");
        release_frame = l.function<avs_release_video_frame_func>("avs_release_video_frame");
        read_ptr = l.function<avs_get_read_ptr_p_func>("avs_get_read_ptr_p");
        pitch = l.function<avs_get_pitch_p_func>("avs_get_pitch_p");
        row_size = l.function<avs_get_row_size_p_func>("avs_get_row_size_p");
        plane_height = l.function<avs_get_height_p_func>("avs_get_height_p");
        return create_environment && get_error && delete_environment && invoke && release_value &&
               take_clip && release_clip && get_video_info && get_frame && release_frame &&
               read_ptr && pitch && row_size && plane_height;
    }

    void drop_clip() {
        if (clip) release_clip(clip);
        clip = nullptr;
        clip_frames = 0;
    }

    void release_all() {
        drop_clip();
        if (env) delete_environment(env);
        env = nullptr;
        library.close();
    }
};

namespace {

// At most SCRIPT_ERROR_CAPACITY bytes, never ending inside a UTF-8 sequence.
std::string bounded_error_text(const char* text) {
    if (!text) return {};
    size_t n = ::strnlen(text, SCRIPT_ERROR_CAPACITY + 1);
    if (n > SCRIPT_ERROR_CAPACITY) {
        n = SCRIPT_ERROR_CAPACITY;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    return std::string(text, n);
}

// A frame rate as two int32 values: reduced, and scaled down in the rare case it still does
// not fit.
void store_rate(unsigned num, unsigned den, int32_t& out_num, int32_t& out_den) {
    if (num != 0 && den != 0) {
        const unsigned g = std::gcd(num, den);
        num /= g;
        den /= g;
    }
    while (num > 0x7FFFFFFFu || den > 0x7FFFFFFFu) {
        num = (num + 1) / 2;
        den = (den + 1) / 2;
    }
    out_num = static_cast<int32_t>(num);
    out_den = static_cast<int32_t>(den);
}

// Loads the library at `name` into `b` and creates the environment: 0, 1 or 2. On failure
// nothing stays loaded.
int try_library(ScriptBinding& b, const std::string& name) {
    if (!b.library.open(name)) return SCRIPT_NOT_LOADED;
    if (!b.bind()) {
        b.library.close();
        return SCRIPT_NO_ENVIRONMENT;
    }
    b.env = b.create_environment(AVS_INTERFACE_VERSION);
    if (!b.env) {
        b.library.close();
        return SCRIPT_NO_ENVIRONMENT;
    }
    if (b.get_error(b.env) != nullptr) {
        b.delete_environment(b.env);
        b.env = nullptr;
        b.library.close();
        return SCRIPT_NO_ENVIRONMENT;
    }
    return SCRIPT_OK;
}

// Copies `rows` rows of `bytes` bytes; false (nothing copied) when the destination cannot hold
// them or the source is missing.
struct PlaneCopy {
    const uint8_t* src = nullptr;
    ptrdiff_t src_pitch = 0;
    uint8_t* dst = nullptr;
    ptrdiff_t dst_pitch = 0;
    int bytes = 0;
    int rows = 0;

    bool fits() const {
        if (rows <= 0 || bytes <= 0) return true;  // nothing to move
        if (!src || dst_pitch < bytes) return false;
        const long long last = static_cast<long long>(rows - 1) * dst_pitch + bytes;
        return last <= MAX_PLANE_BYTES;
    }
    void run() const {
        if (rows <= 0 || bytes <= 0) return;
        for (int r = 0; r < rows; ++r)
            std::memcpy(dst + r * dst_pitch, src + r * src_pitch, static_cast<size_t>(bytes));
    }
};

// The input is not open: forgotten, with the movie information and the input button told.
void forget_input(Core& core) {
    Settings& s = core.settings;
    s.input_opened = false;
    s.input_path.clear();
    core.source.is_script = false;
    s.input_valid = false;
    core.source.frame_count = 0;
    if (core.hooks.show_movie_info) core.hooks.show_movie_info(core);
}

const char* code_message(int code) {
    switch (code) {
    case SCRIPT_NOT_LOADED: return " Avisynth.dll not loaded";
    case SCRIPT_IMPORT_FAILED: return " error loading Avisynth script, ";
    case SCRIPT_NO_VIDEO: return " can't load video";
    case SCRIPT_NOT_YV12: return " no YV12 color space, add ConvertToYV12() to script";
    default: return " can't load video";
    }
}

}  // namespace

void set_script_library_system_search(bool enabled) { system_search = enabled; }

int open_script_library(Core& core) {
    if (core.script_binding && core.script_binding->env) return SCRIPT_OK;
    auto binding = std::make_shared<ScriptBinding>();
    int code = SCRIPT_NOT_LOADED;
    // An installed frame server first; the bundled one when there is none or it is unusable.
    if (system_search) code = try_library(*binding, SYSTEM_LIBRARY_NAME);
    if (code != SCRIPT_OK && !core.env.program_dir.empty()) {
        const int bundled = try_library(*binding, core.env.program_dir + BUNDLED_LIBRARY);
        code = bundled == SCRIPT_OK ? SCRIPT_OK : std::max(code, bundled);
    }
    if (code != SCRIPT_OK) return code;
    core.script_binding = std::move(binding);
    return SCRIPT_OK;
}

int open_script(Core& core, const std::string& path, ScriptVideoInfo& info,
                std::string& error_text) {
    error_text.clear();
    ScriptBinding* b = core.script_binding.get();
    if (!b || !b->env) return SCRIPT_NOT_LOADED;
    b->drop_clip();

    AVS_Value result = b->invoke(b->env, "Import", avs_new_value_string(path.c_str()), nullptr);
    if (avs_is_error(result)) {
        // The text lives only until the next call on the environment.
        error_text = bounded_error_text(avs_as_error(result));
        b->release_value(result);
        return SCRIPT_IMPORT_FAILED;
    }
    if (!avs_is_clip(result)) {
        b->release_value(result);  // a number, a text, nothing: no video to load
        return SCRIPT_NO_VIDEO;
    }
    AVS_Clip* clip = b->take_clip(result, b->env);
    b->release_value(result);
    if (!clip) {
        const char* e = b->get_error(b->env);
        if (e) {
            error_text = bounded_error_text(e);
            return SCRIPT_IMPORT_FAILED;
        }
        return SCRIPT_NO_VIDEO;
    }
    if (b->clip_get_error) {
        if (const char* e = b->clip_get_error(clip)) {
            error_text = bounded_error_text(e);
            b->release_clip(clip);
            return SCRIPT_IMPORT_FAILED;
        }
    }
    const AVS_VideoInfo* vi = b->get_video_info(clip);
    int code = SCRIPT_OK;
    if (!vi || vi->width == 0 || vi->height <= 0 || vi->num_frames <= 0)
        code = SCRIPT_NO_VIDEO;
    else if ((vi->pixel_type & SCRIPT_COLOUR_YV12) != SCRIPT_COLOUR_YV12 &&
             (vi->pixel_type & SCRIPT_COLOUR_I420) != SCRIPT_COLOUR_I420)
        code = SCRIPT_NOT_YV12;
    if (code != SCRIPT_OK) {
        b->release_clip(clip);  // no input is open after a failure, so no clip is held
        return code;
    }
    info.width = vi->width;
    info.height = vi->height;
    info.frame_count = vi->num_frames;
    store_rate(vi->fps_numerator, vi->fps_denominator, info.rate_num, info.rate_den);
    info.colour_format = vi->pixel_type;
    b->clip = clip;
    b->clip_frames = vi->num_frames;
    return SCRIPT_OK;
}

int close_script_library(Core& core) {
    if (core.script_binding) core.script_binding->release_all();
    core.script_binding.reset();
    core.source.script_library_loaded = false;
    core.source.script_env_created = false;
    // The platform's unload reports no failure, so SCRIPT_UNLOAD_FAILED does not arise here.
    return SCRIPT_OK;
}

void open_script_source(Core& core) {
    SourceState& src = core.source;
    Settings& s = core.settings;
    if (!src.script_library_loaded) {
        if (open_script_library(core) != SCRIPT_OK) {
            core.show(", Avisynth.dll NOT loaded", true);
            return;
        }
        core.show(", Avisynth.dll loaded", true);
        src.script_library_loaded = true;
        src.script_env_created = true;
    }

    ScriptVideoInfo info;
    std::string error_text;
    const int code = open_script(core, s.input_path, info, error_text);
    core.frames->current_frame = 0;
    src.project_version = 0;

    if (code == SCRIPT_OK) {
        // The frame store has room for 1920 x 1152 with even sizes only: anything else is
        // refused here rather than overrunning it later.
        if (const char* problem = frame_size_problem(info.width, info.height)) {
            core.script_binding->drop_clip();
            forget_input(core);
            core.show(problem, true);
            core.ui.main.set_text(mainp::INPUT, INPUT_CAPTION_UNSET);
            return;
        }
        s.input_opened = true;
        s.input_valid = true;
        store_source_properties(core, info);
        src.chroma_pitch = info.width / 2;
        src.luma_pitch = info.width;
        core.show(", Avisynth successfully initialized", true);
        apply_source_properties(core);
        if (core.hooks.show_movie_info) core.hooks.show_movie_info(core);
        check_dvd_compliance(core);
        core.frames->current_frame = 0;
        return;
    }

    forget_input(core);
    // One text for the import failure: appended on its own, the error text would lose the blank
    // that ends the first part (the line drops trailing blanks).
    if (code == SCRIPT_IMPORT_FAILED)
        core.show(std::string(code_message(code)) + error_text);
    else
        core.show(code_message(code));
    core.ui.main.set_text(mainp::INPUT, INPUT_CAPTION_UNSET);
}

int fetch_script_frame(Core& core, int n) {
    ScriptBinding* b = core.script_binding.get();
    if (!b || !b->clip) return SCRIPT_FRAME_FAILED;
    // The frame server clamps a frame number outside the clip; the caller must learn of it.
    if (n < 0 || n >= b->clip_frames) return SCRIPT_FRAME_FAILED;
    AVS_VideoFrame* frame = b->get_frame(b->clip, n);
    if (!frame) return SCRIPT_FRAME_FAILED;

    FrameStore& store = *core.frames;
    const SourceState& src = core.source;
    const int luma_bytes = b->row_size(frame, AVS_PLANAR_Y);
    const int luma_rows = b->plane_height(frame, AVS_PLANAR_Y);
    PlaneCopy planes[3];
    planes[0] = {b->read_ptr(frame, AVS_PLANAR_Y), b->pitch(frame, AVS_PLANAR_Y), store.y,
                 src.luma_pitch, luma_bytes, luma_rows};
    const int chroma_planes[2] = {AVS_PLANAR_U, AVS_PLANAR_V};
    uint8_t* const chroma_dst[2] = {store.u, store.v};
    for (int i = 0; i < 2; ++i) {
        const int p = chroma_planes[i];
        PlaneCopy& c = planes[i + 1];
        c.src_pitch = b->pitch(frame, p);
        c.dst = chroma_dst[i];
        c.dst_pitch = src.chroma_pitch;
        if (c.src_pitch == 0) continue;  // no chroma planes: nothing to move
        c.src = b->read_ptr(frame, p);
        c.bytes = std::min(luma_bytes / 2, b->row_size(frame, p));
        c.rows = std::min(luma_rows / 2, b->plane_height(frame, p));
    }
    bool ok = true;
    for (const PlaneCopy& c : planes) ok = ok && c.fits();
    if (ok)
        for (const PlaneCopy& c : planes) c.run();
    b->release_frame(frame);
    return ok ? SCRIPT_OK : SCRIPT_FRAME_FAILED;
}

std::string script_library_file(const Core& core) {
    return core.script_binding ? core.script_binding->library.path() : std::string();
}

}  // namespace qv

#include "sources/project_source.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "settings/text.h"
#include "sources/source_properties.h"

namespace qv {

namespace {

// Forgets the project record and the entry points (the library stays as it is).
void forget_project(ProjectBinding& b) {
    b.entry_points_bound = false;
    b.open_source = nullptr;
    b.get_frame = nullptr;
    b.close_video = nullptr;
    b.project = nullptr;
    b.width = b.height = b.frame_count = 0;
    b.frame_bytes = b.plane_bytes = 0;
}

const char* loaded_message(int32_t version) {
    switch (version) {
        case 6: return ", DGDecode.dll (project version 6) loaded";
        case 10: return ", DGDecode.dll (project version 10) loaded";
        case 11: return ", DGDecode.dll (project version 11) loaded";
        case 12: return ", DGDecode.dll (project version 12) loaded";
        case 13: return ", DGDecode.dll (project version 13) loaded";
        default: return nullptr;
    }
}

const char* open_failure_message(int32_t code) {
    switch (code) {
        case DECODER_NOT_LOADED: return ", error initializing DGDecode, dll not loaded";
        case DECODER_ENTRY_POINT_MISSING:
            return ", error initializing DGDecode, can't load load routines from dll";
        case DECODER_OPEN_FAILED: return ", error initializing DGDecode, can't open mpeg file";
        default:
            return ", error initializing DGDecode, mpeg file opened but can't read specifications";
    }
}

// The decoder folder as the messages name it: without its final separator.
std::string decoder_folder_text(const Core& core) {
    std::string folder = core.env.decoder_dir.empty() ? core.env.program_dir + "DGDecode"
                                                      : core.env.decoder_dir;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

void show_movie_info(Core& core) {
    if (core.hooks.show_movie_info) core.hooks.show_movie_info(core);
}

// After a failed open: no input, no library, the input must be chosen again.
void open_failed(Core& core, const char* message) {
    Settings& s = core.settings;
    SourceState& src = core.source;
    s.input_opened = false;
    s.input_path.clear();
    free_decoder_library(core);
    src.decoder_loaded = false;
    src.is_project = false;
    s.input_valid = false;
    src.frame_count = 0;
    core.ui.main.set_text(mainp::INPUT, INPUT_CAPTION_UNSET);
    core.show(message, true);
    show_movie_info(core);
}

}  // namespace

ProjectBinding& project_binding(Core& core) {
    if (!core.project_binding) core.project_binding = std::make_shared<ProjectBinding>();
    return *core.project_binding;
}

int32_t load_decoder_library(Core& core, const std::string& library_path) {
    ProjectBinding& b = project_binding(core);
    forget_project(b);
    return b.library.open(library_path) ? DECODER_OK : DECODER_NOT_LOADED;
}

int32_t free_decoder_library(Core& core) {
    if (!core.project_binding) return DECODER_OK;
    ProjectBinding& b = *core.project_binding;
    forget_project(b);
    if (!b.library.is_open()) return DECODER_OK;
    return b.library.close() ? DECODER_OK : DECODER_UNLOAD_FAILED;
}

int32_t open_project(Core& core, const std::string& project_path, ProjectProperties& out) {
    ProjectBinding& b = project_binding(core);
    if (!b.library.is_open()) return DECODER_NOT_LOADED;
    if (!b.entry_points_bound) {
        auto open_source = b.library.function<OpenMpeg2SourceFn>("openMPEG2Source");
        auto get_frame = b.library.function<GetFrameFn>("getFrame");
        auto close_video = b.library.function<CloseVideoFn>("closeVideo");
        if (!open_source || !get_frame || !close_video) return DECODER_ENTRY_POINT_MISSING;
        b.open_source = open_source;
        b.get_frame = get_frame;
        b.close_video = close_video;
        b.entry_points_bound = true;
    }
    // A new open ends the library's previous project; its geometry no longer holds.
    b.project = nullptr;
    b.width = b.height = b.frame_count = 0;
    b.frame_bytes = b.plane_bytes = 0;

    const int32_t* record = b.open_source(project_path.c_str());
    if (!record) return DECODER_OPEN_FAILED;
    ProjectProperties p;
    p.width = record[0];
    p.height = record[1];
    p.rate_num = record[2];
    p.rate_den = record[3];
    p.frame_count = record[4];
    p.colour_format = record[5];
    // Zero means the library could not read the property; a negative one is no better, and
    // the frame copies and the rate computations must never see either.
    if (p.width <= 0 || p.height <= 0 || p.frame_count <= 0 || p.rate_num <= 0 || p.rate_den <= 0)
        return DECODER_NO_PROPERTIES;
    const int64_t frame_bytes = static_cast<int64_t>(p.width) * p.height;
    if (frame_bytes > INT32_MAX) return DECODER_NO_PROPERTIES;

    b.project = record;
    b.width = p.width;
    b.height = p.height;
    b.frame_count = p.frame_count;
    b.frame_bytes = static_cast<int32_t>(frame_bytes);
    b.plane_bytes = b.frame_bytes >> 2;
    out = p;
    return DECODER_OK;
}

void open_project_source(Core& core) {
    Settings& s = core.settings;
    SourceState& src = core.source;

    if (!src.decoder_loaded) {
        if (!file_exists(src.decoder_library_path)) {
            core.show(", DGDecode.dll NOT found in " + decoder_folder_text(core), true);
            s.input_opened = false;
            return;
        }
        if (free_decoder_library(core) == DECODER_UNLOAD_FAILED)
            core.show(" ERROR unloading DGDecode.dll", false);
        if (load_decoder_library(core, src.decoder_library_path) != DECODER_OK) {
            core.show(", DGDecode.dll NOT loaded", true);
            s.input_opened = false;
            return;
        }
        const char* loaded = loaded_message(src.project_version);
        if (!loaded) return;  // only the five supported versions come this far
        core.show(loaded, true);
        src.decoder_loaded = true;
    }

    ProjectProperties p;
    const int32_t code = open_project(core, trimmed(s.input_path), p);
    core.frames->current_frame = 0;
    if (code != DECODER_OK) {
        open_failed(core, open_failure_message(code));
        return;
    }
    // The frame store is sized once for the largest DVD-related frame; a larger (or odd) frame
    // would not fit its planes, so such a source is refused like any other failed open.
    if (const char* problem = frame_size_problem(p.width, p.height)) {
        open_failed(core, problem);
        return;
    }

    s.input_opened = true;
    s.input_valid = true;
    core.show(", DGDecode successfully initialized", true);
    store_source_properties(core, p);
    apply_source_properties(core);
    show_movie_info(core);
    check_dvd_compliance(core);
    core.frames->current_frame = 0;
}

int fetch_project_frame(Core& core, int n) {
    if (!core.project_binding) return DECODER_NOT_LOADED;
    ProjectBinding& b = *core.project_binding;
    if (!b.library.is_open() || !b.project || !b.get_frame || b.frame_count <= 0)
        return DECODER_NOT_LOADED;
    // Only a geometry the planes can hold was accepted at open; never copy more than that.
    if (b.frame_bytes > MAX_PLANE_BYTES || frame_size_problem(b.width, b.height))
        return DECODER_NOT_LOADED;
    n = std::clamp(n, 0, b.frame_count - 1);
    const unsigned char* block = b.get_frame(n);
    if (!block) return DECODER_NO_FRAME;
    FrameStore& f = *core.frames;
    const auto luma = static_cast<std::size_t>(b.frame_bytes);
    const auto chroma = static_cast<std::size_t>(b.plane_bytes);
    std::memcpy(f.y, block, luma);
    std::memcpy(f.u, block + luma, chroma);
    std::memcpy(f.v, block + luma + chroma, chroma);
    return DECODER_OK;
}

}  // namespace qv

// Index projects: the MPEG-2 decoder library of the project's format version, loaded at run
// time and bound by its three entry points, the project opened through it, and frames read
// from it.
//
// Two layers. The binding (load_decoder_library, free_decoder_library, open_project) only
// talks to the library and returns codes; open_project_source turns those codes into the
// source state and the message line.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dynamic_library.h"
#include "settings/core.h"
#include "sources/source_properties.h"

namespace qv {

// Result codes of the binding.
inline constexpr int32_t DECODER_OK = 0;
inline constexpr int32_t DECODER_NOT_LOADED = 128;        // load failed / no library held
inline constexpr int32_t DECODER_UNLOAD_FAILED = 129;
inline constexpr int32_t DECODER_ENTRY_POINT_MISSING = 130;
inline constexpr int32_t DECODER_OPEN_FAILED = 131;       // openMPEG2Source returned null
inline constexpr int32_t DECODER_NO_PROPERTIES = 132;     // a size, count or rate is not positive
// fetch_project_frame only: the library delivered no frame.
inline constexpr int32_t DECODER_NO_FRAME = 133;

// The entry points as the library exports them (plain C calling convention).
using OpenMpeg2SourceFn = const int32_t* (*)(const char* project_path);
using GetFrameFn = const unsigned char* (*)(int32_t n);
using CloseVideoFn = void (*)();

// What openMPEG2Source reports about the project.
using ProjectProperties = VideoProperties;

// The binding's state, one per Core (core.project_binding).
struct ProjectBinding {
    DynamicLibrary library;
    bool entry_points_bound = false;
    OpenMpeg2SourceFn open_source = nullptr;
    GetFrameFn get_frame = nullptr;
    CloseVideoFn close_video = nullptr;  // required to be present; never called
    // The library's record of the open project (owned by the library); null when none.
    const int32_t* project = nullptr;
    // Geometry of the open project, kept for the frame copies.
    int32_t width = 0;
    int32_t height = 0;
    int32_t frame_count = 0;
    int32_t frame_bytes = 0;  // width * height
    int32_t plane_bytes = 0;  // frame_bytes >> 2
};

// The core's binding, made on first use.
ProjectBinding& project_binding(Core& core);

// Forgets any project and the entry points, then loads the library: 0, or 128 when it cannot be
// loaded.
int32_t load_decoder_library(Core& core, const std::string& library_path);

// Forgets any project and the entry points and unloads the library: 0 when none was held or it
// was unloaded, 129 when unloading failed. No library is held afterwards. The program's shutdown
// calls this.
int32_t free_decoder_library(Core& core);

// Binds the entry points (first call after a load) and opens the project: 0, or 128, 130, 131,
// 132 (see above). `out` is filled on success only.
int32_t open_project(Core& core, const std::string& project_path, ProjectProperties& out);

// Opens settings.input_path (a project accepted by classify_input) with the library of its
// version, loading that library first when decoder_loaded is false. Reports on the message line
// and fills the source properties, the frame range, the movie information and the DVD warnings.
void open_project_source(Core& core);

// Frame n of the open project (clamped into 0 .. frame_count-1) into the frame store's y, u
// and v planes: 0, 128 when no project is open, 133 when the library delivers no frame (the
// planes then keep their content). Allocates nothing.
int fetch_project_frame(Core& core, int n);

}  // namespace qv

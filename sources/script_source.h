// Frame-server scripts as a source: the binding to the frame-server library (loaded at run time
// through its C interface) and the open operation the rest of the program calls.
//
// The binding keeps, per Core (core.script_binding), the loaded library, its one script
// environment and the clip of the last imported script. The library and the environment are
// kept from the first successful load until close_script_library; the clip from a successful
// import until the next import (released before it) or close_script_library.
//
// Library lookup: the plain name "libavisynth.so" through the system's library search first,
// so an installed frame server wins; then the bundled core.env.program_dir +
// "frameserver/libavisynth.so".
//
// Threads: the frame server's environment and clip are not safe for concurrent use. Everything
// here is called from one thread at a time: the window thread, or the scene-change worker,
// which fetches frames from its own thread while the window thread leaves the clip alone (the
// controls that fetch or open are disabled while a scan runs). Nothing here locks.
#pragma once

#include <cstdint>
#include <string>

#include "settings/core.h"
#include "sources/source_properties.h"

namespace qv {

// Results of the binding layer.
inline constexpr int SCRIPT_OK = 0;
inline constexpr int SCRIPT_NOT_LOADED = 1;      // no library (or it could not be loaded)
inline constexpr int SCRIPT_NO_ENVIRONMENT = 2;  // not a usable frame server, or no environment
inline constexpr int SCRIPT_IMPORT_FAILED = 3;   // the error text says why
inline constexpr int SCRIPT_NO_VIDEO = 4;        // no video, or the script's result is no clip
inline constexpr int SCRIPT_NOT_YV12 = 5;        // neither YV12 nor I420
inline constexpr int SCRIPT_FRAME_FAILED = 6;    // a frame could not be delivered
inline constexpr int SCRIPT_UNLOAD_FAILED = 7;

inline constexpr int32_t SCRIPT_COLOUR_YV12 = static_cast<int32_t>(0xA0000008u);
inline constexpr int32_t SCRIPT_COLOUR_I420 = static_cast<int32_t>(0xA0000010u);
inline constexpr size_t SCRIPT_ERROR_CAPACITY = 200;

// What open_script reports about the imported clip.
using ScriptVideoInfo = VideoProperties;

// Loads the frame-server library and creates the script environment: 0, 1 (the library cannot
// be loaded) or 2 (entry points missing, or no environment). A failure keeps nothing loaded.
// Loading again while loaded keeps what is loaded and answers 0.
int open_script_library(Core& core);

// Imports the script at `path` and holds its clip: 0 (info filled), 1, 3 (error_text holds the
// frame server's text, at most 200 characters), 4 or 5. The previous clip is released first;
// after a failure no clip is held.
int open_script(Core& core, const std::string& path, ScriptVideoInfo& info, std::string& error_text);

// Releases the clip, the environment and the library: 0, or 7 when unloading failed.
int close_script_library(Core& core);

// Opens settings.input_path as the source, reporting on the message line: library state,
// success with the derived properties, movie information and DVD check, or the failure (the
// input is then forgotten). A frame size the frame store cannot hold fails the open too.
void open_script_source(Core& core);

// Frame n of the open clip into core.frames->y/u/v at the pitches luma_pitch / chroma_pitch.
// 0, or 6 with the planes unchanged when no clip is open, n is outside the clip or the frame
// server cannot deliver the frame. Allocates nothing.
int fetch_script_frame(Core& core, int n);

// The file of the loaded frame-server library (empty when none is loaded).
std::string script_library_file(const Core& core);

// Test seam: false skips the system's library search, so only the bundled library under
// core.env.program_dir is tried (true, the default, restores the normal lookup). Process-wide.
void set_script_library_system_search(bool enabled);

}  // namespace qv

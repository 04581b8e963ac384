// The open input: its kind, the project check, the library state and the source properties.
// And the frame store: the current and previous frame as 8-bit 4:2:0 planes and the preview
// bitmap, sized once for the largest frame the program handles.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace qv {

inline constexpr int MAX_FRAME_WIDTH = 1920;
inline constexpr int MAX_FRAME_HEIGHT = 1152;
inline constexpr int32_t MAX_PLANE_BYTES = MAX_FRAME_WIDTH * MAX_FRAME_HEIGHT;  // 2,211,840
inline constexpr int32_t BITMAP_BYTES = 3 * MAX_FRAME_WIDTH * MAX_FRAME_HEIGHT + 1024;

struct SourceState {
    // Input classification and project check.
    bool is_script = false;
    bool is_project = false;
    int32_t project_version = 0;
    bool project_version_ok = true;
    bool project_files_found = true;
    std::string decoder_library_path;

    // Library state.
    bool script_library_loaded = false;  // the frame-server library is loaded
    bool script_env_created = false;     // and its script environment was created
    bool decoder_loaded = false;         // a decoder library is loaded

    // Source properties (filled by the open).
    int32_t width = 0;
    int32_t height = 0;
    int32_t frame_count = 0;
    int32_t rate_num = 0;
    int32_t rate_den = 0;
    int32_t colour_format = 0;
    int32_t luma_size = 0;
    int32_t chroma_size = 0;
    int32_t luma_pitch = 0;
    int32_t chroma_pitch = 0;
    float fps = 0.0f;
    float duration_s = 0.0f;
    bool film_rate = false;
};

// Plane buffers start on 64-byte boundaries so vector kernels may read whole aligned units.
struct FrameStore {
    alignas(64) uint8_t y[MAX_PLANE_BYTES];
    alignas(64) uint8_t u[MAX_PLANE_BYTES];
    alignas(64) uint8_t v[MAX_PLANE_BYTES];
    alignas(64) uint8_t prev_y[MAX_PLANE_BYTES];
    alignas(64) uint8_t prev_u[MAX_PLANE_BYTES];
    alignas(64) uint8_t prev_v[MAX_PLANE_BYTES];
    alignas(64) uint8_t bitmap[BITMAP_BYTES];
    int32_t current_frame = 0;
    // Held while the bitmap is written (the scan worker renders) or read (the window paints).
    std::mutex bitmap_mutex;

    // One allocation for the whole run; the buffers start zeroed.
    static std::unique_ptr<FrameStore> create();
};

}  // namespace qv

// Video frames: one aligned buffer holding one or three planes, shared read-only once made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace qvfs {

// Plane indices: 0 is luma (or the only plane of a packed format), 1 is U, 2 is V.
constexpr int kPlaneY = 0;
constexpr int kPlaneU = 1;
constexpr int kPlaneV = 2;

struct Frame {
    int pixel_type = 0;
    int width = 0;
    int height = 0;
    uint8_t* plane[3] = {nullptr, nullptr, nullptr};
    int pitch[3] = {0, 0, 0};     // bytes from one row to the next; 0 for an absent plane
    int row_size[3] = {0, 0, 0};  // meaningful bytes per row
    int rows[3] = {0, 0, 0};

    struct FreeBuffer {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, FreeBuffer> buffer;
};

using FramePtr = std::shared_ptr<const Frame>;

// A new frame of the given format and size with every plane laid out but not filled.
// Pitches are wider than the rows (64-byte multiples plus 64 bytes of padding), so readers
// that copy row by row are exercised; rows start on 64-byte boundaries. Throws ScriptError
// when the memory cannot be had.
std::shared_ptr<Frame> allocate_frame(int pixel_type, int width, int height);

// Formats this frame server makes.
bool is_planar_420(int pixel_type);
bool is_supported_format(int pixel_type);
const char* format_name(int pixel_type);

}  // namespace qvfs

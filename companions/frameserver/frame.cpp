#include "companions/frameserver/frame.h"

#include <cstring>

#include "companions/frameserver/errors.h"
#include "sources/frameserver_interface.h"

namespace qvfs {

namespace {

int padded_pitch(int row_bytes) { return (row_bytes + 63) / 64 * 64 + 64; }

}  // namespace

bool is_planar_420(int pixel_type) {
    return pixel_type == AVS_CS_YV12 || pixel_type == AVS_CS_I420;
}

bool is_supported_format(int pixel_type) {
    return is_planar_420(pixel_type) || pixel_type == AVS_CS_YUY2 || pixel_type == AVS_CS_BGR32;
}

const char* format_name(int pixel_type) {
    switch (pixel_type) {
    case AVS_CS_YV12: return "YV12";
    case AVS_CS_I420: return "I420";
    case AVS_CS_YUY2: return "YUY2";
    case AVS_CS_BGR32: return "RGB32";
    default: return "unknown";
    }
}

std::shared_ptr<Frame> allocate_frame(int pixel_type, int width, int height) {
    auto frame = std::make_shared<Frame>();
    frame->pixel_type = pixel_type;
    frame->width = width;
    frame->height = height;
    size_t offsets[3] = {0, 0, 0};
    size_t total = 0;
    if (is_planar_420(pixel_type)) {
        const int luma_pitch = padded_pitch(width);
        const int chroma_pitch = luma_pitch / 2;  // a multiple of 32, wider than width / 2
        frame->pitch[0] = luma_pitch;
        frame->row_size[0] = width;
        frame->rows[0] = height;
        for (int p = 1; p < 3; ++p) {
            frame->pitch[p] = chroma_pitch;
            frame->row_size[p] = width / 2;
            frame->rows[p] = height / 2;
        }
        const size_t luma_bytes = static_cast<size_t>(luma_pitch) * static_cast<size_t>(height);
        const size_t chroma_bytes =
            static_cast<size_t>(chroma_pitch) * static_cast<size_t>(height / 2);
        // YV12 keeps V before U in memory, I420 U before V; readers go through the plane table.
        const bool v_first = pixel_type == AVS_CS_YV12;
        offsets[0] = 0;
        offsets[v_first ? 2 : 1] = luma_bytes;
        offsets[v_first ? 1 : 2] = luma_bytes + chroma_bytes;
        total = luma_bytes + 2 * chroma_bytes;
    } else {
        const int bytes_per_pixel = pixel_type == AVS_CS_YUY2 ? 2 : 4;
        frame->pitch[0] = padded_pitch(width * bytes_per_pixel);
        frame->row_size[0] = width * bytes_per_pixel;
        frame->rows[0] = height;
        total = static_cast<size_t>(frame->pitch[0]) * static_cast<size_t>(height);
    }
    total = (total + 63) / 64 * 64;
    if (total == 0) total = 64;
    auto* data = static_cast<uint8_t*>(std::aligned_alloc(64, total));
    if (data == nullptr) throw ScriptError("Frame server: out of memory for a frame");
    frame->buffer.reset(data);
    for (int p = 0; p < 3; ++p) frame->plane[p] = frame->pitch[p] != 0 ? data + offsets[p] : data;
    return frame;
}

}  // namespace qvfs

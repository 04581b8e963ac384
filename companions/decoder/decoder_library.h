// The three C entry points of the MPEG-2 decoder library, as the program binds them by name.
#pragma once

#include <cstdint>

#define QV_DECODER_EXPORT __attribute__((visibility("default")))

extern "C" {

// First fields of the record openMPEG2Source returns; the program reads the six integers.
struct QvProjectRecord {
    std::int32_t width;
    std::int32_t height;
    std::int32_t rate_num;
    std::int32_t rate_den;
    std::int32_t frame_count;
    std::int32_t colour_format;
};

// Opens an index project (closing any open one). Null on failure; the record stays valid until
// the next open or closeVideo.
QV_DECODER_EXPORT QvProjectRecord* openMPEG2Source(const char* project_path);

// Frame n as Y (width*height bytes), U, V ((width/2)*(height/2) bytes each), packed. n is clamped
// to the frame range; null when no project is open or the frame cannot be decoded. Valid until
// the next call.
QV_DECODER_EXPORT unsigned char* getFrame(int n);

QV_DECODER_EXPORT void closeVideo();
}

// The five exported queries. Each call opens the file, reads its information and closes it;
// nothing is kept between calls.
#include "clipinfo/clipinfo.h"

#include "clipinfo/avi_reader.h"

#include <cstdio>

#define CLIPINFO_EXPORT __attribute__((visibility("default")))

namespace {

enum class Field { frames, width, height, scale, rate };

// There is no window system to own a message box here: the message goes to standard error as
// its caption, a colon, a blank and the text.
void report_open_failure(void* /*window*/) {
    std::fputs("Damned!: Unable to open this AVI-File!\n", stderr);
    std::fflush(stderr);
}

std::int32_t query(const char* path, void* window, Field field) noexcept {
    clipinfo::ReadResult result;
    try {
        result = clipinfo::read_avi_file(path);
    } catch (...) {
        return 0; // out of memory for the read buffers: the information could not be read
    }
    if (result.status == clipinfo::ReadStatus::not_avi) {
        report_open_failure(window);
        return 4;
    }
    if (result.status != clipinfo::ReadStatus::ok) return 0;
    std::uint32_t value = 0;
    switch (field) {
    case Field::frames: value = result.info.frames; break;
    case Field::width: value = result.info.width; break;
    case Field::height: value = result.info.height; break;
    case Field::scale: value = result.info.scale; break;
    case Field::rate: value = result.info.rate; break;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" {

CLIPINFO_EXPORT int32_t GetFrames(const char* path, void* window) {
    return query(path, window, Field::frames);
}

CLIPINFO_EXPORT int32_t GetWidth(const char* path, void* window) {
    return query(path, window, Field::width);
}

CLIPINFO_EXPORT int32_t GetHeight(const char* path, void* window) {
    return query(path, window, Field::height);
}

CLIPINFO_EXPORT int32_t GetScale(const char* path, void* window) {
    return query(path, window, Field::scale);
}

CLIPINFO_EXPORT int32_t GetRate(const char* path, void* window) {
    return query(path, window, Field::rate);
}

} // extern "C"

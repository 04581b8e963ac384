// clipinfo FILE... : prints the five values the clip information library gives for each file.
#include "clipinfo/avi_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

void usage(std::FILE* out) {
    std::fputs("usage: clipinfo FILE...\n"
               "Prints, for each AVI file, one line:\n"
               "  frames=N width=N height=N scale=N rate=N FILE\n"
               "(frames per second = rate / scale). Exits with 1 if a file could not be read.\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        usage(stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--") == 0) first = 2;
    if (first >= argc) {
        usage(stderr);
        return 2;
    }
    int status = 0;
    for (int i = first; i < argc; ++i) {
        const char* path = argv[i];
        const clipinfo::ReadResult r = clipinfo::read_avi_file(path);
        if (r.status == clipinfo::ReadStatus::not_avi) {
            std::fprintf(stderr, "clipinfo: %s: Unable to open this AVI-File!\n", path);
            status = 1;
            continue;
        }
        if (r.status != clipinfo::ReadStatus::ok) {
            std::fprintf(stderr, "clipinfo: %s: the clip information could not be read\n", path);
            status = 1;
            continue;
        }
        // The same 32-bit values the library's exports return.
        std::printf("frames=%d width=%d height=%d scale=%d rate=%d %s\n",
                    static_cast<std::int32_t>(r.info.frames), static_cast<std::int32_t>(r.info.width),
                    static_cast<std::int32_t>(r.info.height), static_cast<std::int32_t>(r.info.scale),
                    static_cast<std::int32_t>(r.info.rate), path);
    }
    return status;
}

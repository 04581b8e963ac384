// Fuzz entry point for the file version reader: arbitrary bytes as an ELF image, and as a
// library file name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/file_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::FileVersion version{1, 1, 1, 1};
    if (!qv::find_version_note(data, size, version)) {
        // A failed search must leave no stale numbers behind.
        for (std::uint16_t part : version)
            if (part != 0) std::abort();
    }
    const std::string name(reinterpret_cast<const char*>(data), size < 512 ? size : 512);
    qv::FileVersion from_name{1, 1, 1, 1};
    if (!qv::version_from_library_name(name, from_name)) {
        for (std::uint16_t part : from_name)
            if (part != 0) std::abort();
    }
    return 0;
}

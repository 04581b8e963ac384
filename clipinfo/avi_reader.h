// Reads the information of an AVI file from its RIFF structure: the headers of the first RIFF
// list, and the index or the data list of the first stream. Only small pieces are read at
// known offsets, so files of any size (OpenDML files over 1 GB included) cost a few reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace clipinfo {

// Random access to the bytes of a file (or of a memory buffer for the fuzzer).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset` and returns the number of bytes read; fewer than asked means
    // the end of the data, or an error if error() turns true.
    virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    virtual bool error() const { return false; }
};

// The file information of an AVI file, as the AVI file services of the platform report it.
struct ClipInfo {
    std::uint32_t frames = 0; // length of the first stream in its own time base
    std::uint32_t width = 0;  // largest frame among the video streams
    std::uint32_t height = 0;
    std::uint32_t scale = 0; // time base of the first stream: rate / scale per second
    std::uint32_t rate = 0;
    std::uint32_t streams = 0; // stream headers found
};

enum class ReadStatus {
    ok,          // the information is valid
    not_avi,     // the file does not open: not a RIFF AVI, empty, or cut inside its headers
    unreadable,  // the headers were read, but a read error stopped the rest
};

struct ReadResult {
    ReadStatus status = ReadStatus::not_avi;
    ClipInfo info;
};

// Reads the headers and the first stream's index entries of an AVI file.
ReadResult read_avi(ByteSource& source);

// Opens the file at `path` (regular files only) and reads it as read_avi does. A path that
// cannot be opened or is not a regular file gives not_avi.
ReadResult read_avi_file(const char* path);

} // namespace clipinfo

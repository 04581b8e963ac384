#pragma once
// The four-part file version (major, minor, patch, build) of a program or shared library.
//
// Our programs and libraries carry it in an ELF note of their own (see
// cmake/QvVersionNote.cmake): section ".note.qvgui.version", owner "QVgui", type 1, four 16-bit
// numbers in the file's byte order. Shared libraries from elsewhere carry no such note; for them
// the numbers of a versioned library file name are used (libX.so.3.7.3 is 3.7.3.0).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv {

using FileVersion = std::array<std::uint16_t, 4>;

// Status of read_file_version when the file was read but holds no version information.
inline constexpr int FILE_VERSION_NOT_FOUND = -1;

// Reads the version of the file at `path`. Returns 0 on success; FILE_VERSION_NOT_FOUND when
// the file is readable but has no version (not an ELF file, no note, no versioned library name);
// otherwise the errno value of why the file could not be read (ENOENT, EACCES, EISDIR, ...).
// `version` is all zeros unless the result is 0. Only the headers and note areas of the file
// are read, never the whole file; any content whatsoever is handled safely.
int read_file_version(const std::string& path, FileVersion& version);

// The version note of an ELF image held in memory (32 or 64 bit, either byte order), looked up
// through the section headers, else through the PT_NOTE program headers. False, with `version`
// zeroed, when there is none or the image is malformed.
bool find_version_note(const std::uint8_t* data, std::size_t size, FileVersion& version);

// The numbers of a versioned shared-library file name: "libX.so.3.7.3" gives 3.7.3.0,
// "libX.so.3" gives 3.0.0.0. At most four numbers of 0-65535 each. Only the last path component
// is looked at; links are not resolved here.
bool version_from_library_name(const std::string& file_name, FileVersion& version);

// "1.2.0.19"
std::string format_file_version(const FileVersion& version);

}  // namespace qv

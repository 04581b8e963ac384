#pragma once
// Small file operations on paths as the user wrote them (no case folding, no trimming).
#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// True when something other than a directory exists at `path` (symbolic links followed).
bool file_exists(const std::string& path);

// Removes the file at `path` (never a directory). True when it was removed.
bool delete_file(const std::string& path);

// Copies `from` to `to`, replacing any file there. The copy is written to a temporary file in the
// target's directory and renamed over the target, so a reader never sees a half-written file and
// a failed copy leaves the old target untouched. The copy gets the source's permission bits.
// True on success.
bool copy_file_replace(const std::string& from, const std::string& to);

// Writes `bytes` as the whole content of `path`: into a temporary file in the same folder, then
// renamed over the target, so a failed or cut-short write never destroys the file it replaces.
// A new file gets mode 0644 (less the umask); an existing one keeps its permission bits.
// True only when every byte reached the file.
bool write_file_atomic(const std::string& path, std::string_view bytes);

// Reads the whole file (regular files only, at most `limit` bytes). False when it cannot be
// opened or read, is not a regular file, or is larger than the limit.
bool read_file(const std::string& path, std::string& out, std::size_t limit);

// The time the file was created, in seconds since the epoch, where the file system records it;
// otherwise the time of its last modification. False when the file cannot be examined.
bool file_birth_time(const std::string& path, std::int64_t& seconds_since_epoch);

}  // namespace qv

// The chapter file: the layout of the settings file's *CHAPTER block on its own. Written as a
// line "*CHAPTER" padded to 18 characters followed by the count, then one frame number per line.
// Read in that form (any letter case, leading blanks, numbers in free format) or as a plain list
// of numbers, one per line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/core.h"

namespace qv {

// Chapter files larger than this are refused as unreadable (640000 numbers take about 5 MiB).
inline constexpr std::size_t CHAPTER_FILE_LIMIT = std::size_t{64} << 20;
// Only this much of the first line is looked at.
inline constexpr std::size_t CHAPTER_FIRST_LINE_CAPACITY = 80;

struct ChapterParse {
    bool ok = false;            // false: unreadable number, early end, negative count, empty
    int32_t count = 0;          // numbers stored at positions 1..count
    bool over_limit = false;    // more than 640000 numbers were offered; the first 640000 kept
};

// Reads a chapter file's text into positions 1..count of `chapters` (which must have room for
// 640000 positions after index 0). Positions beyond the count are not touched.
ChapterParse parse_chapter_text(std::string_view text, std::span<int32_t> chapters);

// The text export writes for positions 1..count.
std::string chapter_file_text(std::span<const int32_t> chapters, int32_t count);

// Replaces the chapter list by the numbers of a chapter file, sorts it and trims it against the
// source, and reports on the message line: " <n> chapters successfully read", with
// ", WARNING, <m> chapters removed, out of range" appended when entries were trimmed. A file
// that cannot be read, is empty or holds a malformed number gives " error reading chapterfile"
// and an empty list. True on success.
bool import_chapter_file(Core& core, const std::string& path);

// Writes the chapter list to a file (replaced as a whole or not at all). An empty list writes
// nothing. A failed write is reported as " error writing chapterfile" and returns false.
bool export_chapter_file(Core& core, const std::string& path);

}  // namespace qv

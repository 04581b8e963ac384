// The part of an MPEG-2 index project file that names the video: the header with its format
// version, the number of source files and one line per source file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv::decoder {

// Longest line the reader takes, as the program that checks projects reads them.
constexpr std::size_t MAX_PROJECT_LINE = 512;
// The colour format code reported with every project: planar 4:2:0.
constexpr int COLOUR_FORMAT_YV12 = static_cast<int>(0xA0000008u);

struct ProjectFile {
    int version = 0;
    // Source files in play order, resolved: as written when that names a file relative to the
    // current directory, else relative to the project's own folder.
    std::vector<std::string> files;
};

// Versions 6, 10, 11, 12 and 13.
bool is_supported_project_version(int version);

// The version from a header line: its last two non-blank characters read as an integer
// ("...06", "... 6" and "...16" give 6, 6 and 16). -1 when they are not a number.
int project_version_from_header(const std::string& header);

// The path in one source-file line. Version 6 lines carry a leading field before the path;
// later versions hold the path alone. Leading and trailing blanks are dropped.
std::string project_source_path(const std::string& line, int version);

// Reads the header, the file count and the file lines. False with a reason for anything that
// is not a supported, complete project.
bool read_project_file(const std::filesystem::path& path, ProjectFile& project, std::string& error);

}  // namespace qv::decoder

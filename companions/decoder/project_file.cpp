#include "companions/decoder/project_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace qv::decoder {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string trim_trailing(std::string text)
{
    while (!text.empty() && is_blank(text.back()))
        text.pop_back();
    return text;
}

std::string trim_leading(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    return text.substr(i);
}

enum class LineResult { ok, end, too_long, binary };

// One line without its terminator (LF or CR LF). Lines longer than MAX_PROJECT_LINE and lines
// holding NUL bytes mean the file is not a project.
LineResult read_line(std::FILE* file, std::string& line)
{
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (c == '\0')
            return LineResult::binary;
        if (line.size() >= MAX_PROJECT_LINE + 1)  // room for a CR before the LF
            return LineResult::too_long;
        line.push_back(static_cast<char>(c));
    }
    if (!any)
        return LineResult::end;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > MAX_PROJECT_LINE)
        return LineResult::too_long;
    return LineResult::ok;
}

// An optional sign and digits at the start of `text` (after blanks); false when there are no
// digits. Stops at the first other character.
bool read_leading_integer(const std::string& text, long long& value)
{
    std::size_t i = 0;
    while (i < text.size() && (is_blank(text[i]) || text[i] == ','))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long result = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        result = std::min(result * 10 + (text[i] - '0'), 10000000000LL);  // saturates
    }
    if (digits == 0)
        return false;
    value = negative ? -result : result;
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool is_supported_project_version(int version)
{
    return version == 6 || (version >= 10 && version <= 13);
}

int project_version_from_header(const std::string& header)
{
    const std::string trimmed = trim_trailing(header);
    if (trimmed.empty())
        return -1;
    const std::string tail = trimmed.size() >= 2 ? trimmed.substr(trimmed.size() - 2) : trimmed;
    const std::string number = trim_leading(tail);
    if (number.empty())
        return -1;
    int value = 0;
    for (char c : number) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string project_source_path(const std::string& line, int version)
{
    std::string rest = line;
    if (version == 6 && !rest.empty() && !is_blank(rest.front())) {
        const auto blank = rest.find_first_of(" \t");
        rest = blank == std::string::npos ? std::string() : rest.substr(blank);
    }
    return trim_trailing(trim_leading(rest));
}

bool read_project_file(const std::filesystem::path& path, ProjectFile& project, std::string& error)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open the project file";
        return false;
    }
    std::string header;
    if (read_line(file.get(), header) != LineResult::ok) {
        error = "the project file has no readable header";
        return false;
    }
    project.version = project_version_from_header(header);
    if (!is_supported_project_version(project.version)) {
        error = "unsupported project version";
        return false;
    }
    std::string count_line;
    long long count = 0;
    if (read_line(file.get(), count_line) != LineResult::ok ||
        !read_leading_integer(count_line, count)) {
        error = "the project file has no file count";
        return false;
    }
    if (count <= 0) {
        error = "the project lists no video files";
        return false;
    }
    const auto project_dir = std::filesystem::absolute(path).parent_path();
    project.files.clear();
    for (long long i = 0; i < count; ++i) {
        std::string line;
        if (read_line(file.get(), line) != LineResult::ok) {
            error = "the project file ends before its file list does";
            return false;
        }
        const std::string name = project_source_path(line, project.version);
        if (name.empty()) {
            error = "the project file has an empty file line";
            return false;
        }
        std::error_code ec;
        std::filesystem::path resolved = name;
        if (resolved.is_relative() && !std::filesystem::exists(resolved, ec))
            resolved = project_dir / resolved;
        if (!std::filesystem::is_regular_file(resolved, ec)) {
            error = "cannot find the video file " + name;
            return false;
        }
        project.files.push_back(resolved.string());
    }
    return true;
}

}  // namespace qv::decoder

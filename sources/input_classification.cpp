#include "sources/input_classification.h"

#include <string>
#include <string_view>

#include "platform/files.h"
#include "settings/numbers.h"
#include "settings/record_reader.h"
#include "settings/text.h"

namespace qv {

namespace {

// The decoder library for a project format version; nullptr when no library reads it.
const char* decoder_library_name(int32_t version) {
    switch (version) {
        case 6: return "DGDecode06.dll";
        case 10: return "DGDecode10.dll";
        case 11: return "DGDecode11.dll";
        case 12: return "DGDecode12.dll";
        case 13: return "DGDecode13.dll";
        default: return nullptr;
    }
}

std::string_view skip_blanks(std::string_view text) {
    std::size_t start = text.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// Where a source-file line of the project names its file.
std::string_view source_file_path(std::string_view line, int32_t version) {
    if (version == 6 && !line.empty() && line[0] != ' ') {
        // A leading field, a blank, then the path.
        std::size_t blank = line.find(' ');
        line = blank == std::string_view::npos ? std::string_view() : line.substr(blank);
    }
    return trim_trailing(skip_blanks(line));
}

void unsupported(SourceState& src) {
    src.project_version_ok = false;
    src.is_project = false;
}

}  // namespace

void classify_input(Core& core) {
    SourceState& src = core.source;
    src.project_files_found = true;
    src.project_version_ok = true;

    const std::string folded = to_lower_ascii(trim_trailing(core.settings.input_path));
    std::string_view tail =
        std::string_view(folded).substr(folded.size() >= 4 ? folded.size() - 4 : 0);
    src.is_script = tail == ".avs";
    src.is_project = tail == ".d2v";
    if (!src.is_project) {
        src.project_version = 0;
        return;
    }

    // A header that cannot be read as expected counts as an unsupported version.
    RecordReader project;
    std::string_view line;
    if (!project.open(trimmed(core.settings.input_path)) ||
        project.next(line) != RecordReader::Status::record) {
        src.project_version = 0;
        unsupported(src);
        return;
    }
    std::string_view header = trim_trailing(line);
    std::string last_two(header.substr(header.size() >= 2 ? header.size() - 2 : 0));
    int32_t version = 0;
    if (!read_int(last_two, version)) version = 0;
    src.project_version = version;

    int32_t count = 0;
    if (project.next(line) != RecordReader::Status::record || !read_int(line, count)) {
        unsupported(src);
        return;
    }
    const char* library = decoder_library_name(version);
    if (!library) {
        unsupported(src);
        return;
    }
    src.decoder_library_path = fit_path(core.env.decoder_dir + library);

    for (int32_t i = 0; i < count; ++i) {
        if (project.next(line) != RecordReader::Status::record) {
            unsupported(src);  // fewer source-file lines than the count says
            return;
        }
        std::string path(source_file_path(line, version));
        if (path.find('\0') != std::string::npos || !file_exists(path)) {
            src.project_files_found = false;
            unsupported(src);
            return;
        }
    }
}

}  // namespace qv

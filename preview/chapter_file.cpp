#include "preview/chapter_file.h"

#include <charconv>

#include "platform/files.h"
#include "preview/chapter_list.h"
#include "settings/numbers.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* OVER_LIMIT =
    " more than 640000 chapters detected, chapters > 640000 skipped";
constexpr const char* READ_ERROR = " error reading chapterfile";
constexpr const char* WRITE_ERROR = " error writing chapterfile";

constexpr std::string_view CHAPTER_KEYWORD = "*chapter";
constexpr std::size_t KEYWORD_FIELD = 18;

// Splits off the next line (without its line feed) from `text`.
std::string_view next_line(std::string_view& text) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return line;
}

bool blank_line(std::string_view line) {
    for (char c : line)
        if (!is_number_separator(c)) return false;
    return true;
}

}  // namespace

ChapterParse parse_chapter_text(std::string_view text, std::span<int32_t> chapters) {
    ChapterParse result;
    if (text.empty() || chapters.size() < static_cast<std::size_t>(MAX_CHAPTERS) + 1) return result;

    std::string_view rest = text;
    std::string_view first = next_line(rest);
    first = first.substr(0, std::min(first.size(), CHAPTER_FIRST_LINE_CAPACITY));
    while (!first.empty() && (first.front() == ' ' || first.front() == '\t')) first.remove_prefix(1);

    if (first.size() >= CHAPTER_KEYWORD.size() &&
        equals_ignore_case(first.substr(0, CHAPTER_KEYWORD.size()), CHAPTER_KEYWORD)) {
        int32_t count = 0;
        if (!read_int(first.substr(CHAPTER_KEYWORD.size()), count) || count < 0) return result;
        if (count > MAX_CHAPTERS) {
            result.over_limit = true;
            count = MAX_CHAPTERS;
        }
        NumberScanner numbers(rest);
        for (int32_t i = 1; i <= count; ++i)
            if (!numbers.next_int(chapters[static_cast<std::size_t>(i)])) return result;
        result.count = count;
        result.ok = true;
        return result;
    }

    // A plain list: the first number of every line that is not blank.
    int32_t value = 0;
    if (!read_int(first, value)) return result;
    chapters[1] = value;
    int32_t count = 1;
    while (!rest.empty()) {
        std::string_view line = next_line(rest);
        if (!read_int(line, value)) {
            if (blank_line(line)) continue;
            return result;
        }
        if (count == MAX_CHAPTERS) {
            result.over_limit = true;
            break;
        }
        chapters[static_cast<std::size_t>(++count)] = value;
    }
    result.count = count;
    result.ok = true;
    return result;
}

std::string chapter_file_text(std::span<const int32_t> chapters, int32_t count) {
    std::string out = "*CHAPTER";
    out.resize(KEYWORD_FIELD, ' ');
    out += int_text(count);
    out += '\n';
    out.reserve(out.size() + static_cast<std::size_t>(count) * 12);
    char digits[16];
    for (int32_t i = 1; i <= count && static_cast<std::size_t>(i) < chapters.size(); ++i) {
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, chapters[static_cast<std::size_t>(i)]);
        (void)ec;
        out.append(digits, end);
        out += '\n';
    }
    return out;
}

bool import_chapter_file(Core& core, const std::string& path) {
    Settings& s = core.settings;
    std::string content;
    ChapterParse parsed;
    if (read_file(std::string(trim_trailing(path)), content, CHAPTER_FILE_LIMIT))
        parsed = parse_chapter_text(content, s.chapters);
    if (!parsed.ok) {
        core.show(READ_ERROR);
        clear_chapters(core);
        return false;
    }
    if (parsed.over_limit) core.show(OVER_LIMIT);
    // Positions past the new count may still hold numbers of the old list.
    std::fill(s.chapters.begin() + parsed.count + 1, s.chapters.end(), 0);
    s.chapter_count = parsed.count;

    core.show(" " + int_text(parsed.count) + " chapters successfully read");
    int32_t removed = edit_chapter_list(core, 0);
    if (removed > 0)
        core.show(", WARNING, " + int_text(removed) + " chapters removed, out of range", true);
    return true;
}

bool export_chapter_file(Core& core, const std::string& path) {
    const Settings& s = core.settings;
    if (s.chapter_count <= 0) return true;
    if (!write_file_atomic(std::string(trim_trailing(path)), chapter_file_text(s.chapters, s.chapter_count))) {
        core.show(WRITE_ERROR);
        return false;
    }
    return true;
}

}  // namespace qv

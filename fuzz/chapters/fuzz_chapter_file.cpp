// The chapter file reader over arbitrary bytes, then a sort of what it read: the count stays
// within the list, nothing is written past it, and a read list writes out and reads back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "preview/chapter_file.h"
#include "preview/chapter_list.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<int32_t> list(qv::MAX_CHAPTERS + 2, 0);
    static std::vector<int32_t> again(qv::MAX_CHAPTERS + 1, 0);
    list.back() = 0x5a5a5a5a;  // a guard one past the list
    std::span<int32_t> chapters(list.data(), qv::MAX_CHAPTERS + 1);
    qv::ChapterParse parsed = qv::parse_chapter_text(
        std::string_view(reinterpret_cast<const char*>(data), size), chapters);
    if (list.back() != 0x5a5a5a5a) std::abort();
    if (!parsed.ok) return 0;
    if (parsed.count < 0 || parsed.count > qv::MAX_CHAPTERS) std::abort();
    qv::sort_chapters(chapters, parsed.count);
    if (!std::is_sorted(list.begin() + 1, list.begin() + 1 + parsed.count)) std::abort();
    if (parsed.count > 0) {
        qv::ChapterParse back =
            qv::parse_chapter_text(qv::chapter_file_text(chapters, parsed.count), again);
        if (!back.ok || back.count != parsed.count ||
            !std::equal(list.begin() + 1, list.begin() + 1 + parsed.count, again.begin() + 1))
            std::abort();
    }
    return 0;
}

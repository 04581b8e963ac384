#pragma once
// Helpers shared by the chapter tests: set and read the list as plain vectors.
#include <cstdint>
#include <string>
#include <vector>

#include "settings/core.h"

namespace qv_test {

inline void set_chapters(qv::Core& core, const std::vector<int32_t>& values) {
    qv::Settings& s = core.settings;
    std::fill(s.chapters.begin(), s.chapters.end(), 0);
    for (std::size_t i = 0; i < values.size(); ++i) s.chapters[i + 1] = values[i];
    s.chapter_count = static_cast<int32_t>(values.size());
}

inline std::vector<int32_t> chapters(const qv::Core& core) {
    const qv::Settings& s = core.settings;
    return std::vector<int32_t>(s.chapters.begin() + 1, s.chapters.begin() + 1 + s.chapter_count);
}

// True when no position past the count holds anything (and index 0 is unused).
inline bool tail_is_empty(const qv::Core& core) {
    const qv::Settings& s = core.settings;
    if (s.chapters[0] != 0) return false;
    for (std::size_t i = static_cast<std::size_t>(s.chapter_count) + 1; i < s.chapters.size(); ++i)
        if (s.chapters[i] != 0) return false;
    return true;
}

}  // namespace qv_test

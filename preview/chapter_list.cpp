#include "preview/chapter_list.h"

#include <algorithm>
#include <vector>

#include "settings/pages.h"
#include "settings/text.h"

namespace qv {

namespace {

// Position `count` of a 1-based list, as an index of the span.
inline std::size_t at(int32_t position) { return static_cast<std::size_t>(position); }

// Drops entries above the source's last frame from the end of the (sorted) list.
int32_t trim_chapters(Settings& s, int32_t frame_count) {
    int32_t removed = 0;
    while (s.chapter_count > 0 && s.chapters[at(s.chapter_count)] > frame_count) {
        s.chapters[at(s.chapter_count)] = 0;
        --s.chapter_count;
        ++removed;
    }
    return removed;
}

void remove_position(Settings& s, int32_t position) {
    s.chapters[at(position)] = 0;
    // Close every hole in one stable pass (entries read from a file may hold 0 as well).
    int32_t kept = 0;
    for (int32_t i = 1; i <= s.chapter_count; ++i) {
        int32_t v = s.chapters[at(i)];
        if (v != 0) s.chapters[at(++kept)] = v;
    }
    for (int32_t i = kept + 1; i <= s.chapter_count; ++i) s.chapters[at(i)] = 0;
    s.chapter_count = kept;
}

}  // namespace

int32_t edit_chapter_list(Core& core, int32_t a) {
    Settings& s = core.settings;
    if (a < 0) {
        // -a cannot overflow here: a >= -chapter_count.
        if (a < -s.chapter_count) return 0;
        remove_position(s, -a);
        return trim_chapters(s, core.source.frame_count);
    }
    if (a > 0) {
        for (int32_t i = 1; i <= s.chapter_count; ++i)
            if (s.chapters[at(i)] == a) return 0;
        if (s.chapter_count >= MAX_CHAPTERS) return 0;
        s.chapters[at(++s.chapter_count)] = a;
    }
    sort_chapters(s.chapters, s.chapter_count);
    return trim_chapters(s, core.source.frame_count);
}

void sort_chapters(std::span<int32_t> chapters, int32_t count) {
    if (count < 2) return;
    if (static_cast<std::size_t>(count) >= chapters.size())
        count = static_cast<int32_t>(chapters.size()) - 1;
    int32_t* a = chapters.data();  // a[1..n]
    const std::size_t n = static_cast<std::size_t>(count);
    // Every refresh of the pages sorts the list again; a list in order needs no heap.
    if (std::is_sorted(a + 1, a + 1 + n)) return;

    // Puts `value` into the heap a[hole..size] whose top `hole` is free: the hole first runs down
    // to a leaf along the larger children (one comparison per level), then `value` climbs back
    // up to its place. Values taken from the bottom are small, so the climb is short; this needs
    // about half the comparisons of the textbook sift.
    auto sift_down = [a](std::size_t hole, std::size_t size, int32_t value) {
        const std::size_t top = hole;
        std::size_t child = hole * 2;
        while (child < size) {
            if (child * 16 <= size) __builtin_prefetch(a + child * 16);  // four levels down
            child += a[child + 1] > a[child] ? 1 : 0;
            a[hole] = a[child];
            hole = child;
            child = hole * 2;
        }
        if (child == size) {  // a last parent with one child
            a[hole] = a[child];
            hole = child;
        }
        while (hole > top && a[hole / 2] < value) {
            a[hole] = a[hole / 2];
            hole /= 2;
        }
        a[hole] = value;
    };

    for (std::size_t i = n / 2; i >= 1; --i) sift_down(i, n, a[i]);
    for (std::size_t size = n; size > 1; --size) {
        int32_t largest = a[1];
        sift_down(1, size - 1, a[size]);
        a[size] = largest;
    }
}

void clear_chapters(Core& core) {
    Settings& s = core.settings;
    s.chapter_count = 0;
    std::fill(s.chapters.begin(), s.chapters.end(), 0);
    core.ui.preview.clear_entries(prv::CHAPTER_LIST);
}

std::string chapter_entry_text(int32_t frame) { return right_aligned(frame, 8); }

void fill_chapter_list_box(Core& core) {
    const Settings& s = core.settings;
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(s.chapter_count));
    for (int32_t i = 1; i <= s.chapter_count; ++i) entries.push_back(chapter_entry_text(s.chapters[at(i)]));
    PageModel& page = core.ui.preview;
    page.set_redraw(prv::CHAPTER_LIST, false);
    page.set_entries(prv::CHAPTER_LIST, std::move(entries));
    page.set_redraw(prv::CHAPTER_LIST, true);
}

}  // namespace qv

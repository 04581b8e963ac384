#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "preview/chapter_list.h"
#include "settings/core.h"
#include "settings/pages.h"
#include "tests/chapters/chapter_test_support.h"

namespace qv {
namespace {

using qv_test::chapters;
using qv_test::set_chapters;
using qv_test::tail_is_empty;
using V = std::vector<int32_t>;

TEST(EditChapterList, AddKeepsTheListSortedUniqueAndWithinTheSource) {
    Core core;
    core.source.frame_count = 1000;
    EXPECT_EQ(edit_chapter_list(core, 500), 0);
    EXPECT_EQ(edit_chapter_list(core, 100), 0);
    EXPECT_EQ(edit_chapter_list(core, 1000), 0);  // frame_count itself stays
    EXPECT_EQ(edit_chapter_list(core, 300), 0);
    EXPECT_EQ(chapters(core), (V{100, 300, 500, 1000}));
    EXPECT_EQ(edit_chapter_list(core, 1001), 1);  // one past it does not
    EXPECT_EQ(chapters(core), (V{100, 300, 500, 1000}));
    EXPECT_TRUE(tail_is_empty(core));
}

TEST(EditChapterList, DuplicateAddChangesNothingNotEvenTheOrder) {
    Core core;
    core.source.frame_count = 100;
    set_chapters(core, {50, 10, 500});
    EXPECT_EQ(edit_chapter_list(core, 10), 0);
    EXPECT_EQ(chapters(core), (V{50, 10, 500}));
    EXPECT_EQ(edit_chapter_list(core, 20), 1);  // a new one sorts and trims
    EXPECT_EQ(chapters(core), (V{10, 20, 50}));
}

TEST(EditChapterList, SortAndTrimOnly) {
    struct Case {
        V before;
        int32_t frame_count;
        V after;
        int32_t removed;
    };
    const Case cases[] = {
        {{}, 100, {}, 0},
        {{300, 100, 200}, 300, {100, 200, 300}, 0},
        {{300, 100, 200}, 299, {100, 200}, 1},
        {{300, 100, 200}, 0, {}, 3},          // no source: every positive entry goes
        {{0, -5, 7, 7}, 0, {-5, 0}, 2},       // numbers from a file are not filtered
        {{5, 5, 5}, 5, {5, 5, 5}, 0},
    };
    for (const Case& c : cases) {
        Core core;
        core.source.frame_count = c.frame_count;
        set_chapters(core, c.before);
        EXPECT_EQ(edit_chapter_list(core, 0), c.removed);
        EXPECT_EQ(chapters(core), c.after);
        EXPECT_TRUE(tail_is_empty(core));
    }
}

TEST(EditChapterList, RemoveByPosition) {
    struct Case {
        V before;
        int32_t a;
        V after;
    };
    const Case cases[] = {
        {{100, 200, 300}, -2, {100, 300}},
        {{100, 200, 300}, -1, {200, 300}},
        {{100, 200, 300}, -3, {100, 200}},
        {{100}, -1, {}},
        // Positions outside the list change nothing.
        {{100, 200, 300}, -4, {100, 200, 300}},
        {{100, 200, 300}, -640001, {100, 200, 300}},
        {{100, 200, 300}, INT_MIN, {100, 200, 300}},
        {{}, -1, {}},
        // Holes read from a file close as well: no 0 stays among the used positions.
        {{0, 100, 0, 200, 300}, -4, {100, 300}},
        {{-5, 0, 100}, -1, {100}},
    };
    for (const Case& c : cases) {
        Core core;
        core.source.frame_count = 1000;
        set_chapters(core, c.before);
        EXPECT_EQ(edit_chapter_list(core, c.a), 0) << c.a;
        EXPECT_EQ(chapters(core), c.after) << c.a;
        EXPECT_TRUE(tail_is_empty(core));
    }
}

TEST(EditChapterList, RemovalTrimsButDoesNotSort) {
    Core core;
    core.source.frame_count = 250;
    set_chapters(core, {300, 100, 200, 400});
    EXPECT_EQ(edit_chapter_list(core, -1), 1);  // 400 at the end is out of range
    EXPECT_EQ(chapters(core), (V{100, 200}));
    set_chapters(core, {200, 100});
    EXPECT_EQ(edit_chapter_list(core, -3), 0);
    EXPECT_EQ(chapters(core), (V{200, 100}));
}

TEST(EditChapterList, FullListRefusesAnAdd) {
    Core core;
    core.source.frame_count = INT32_MAX;
    Settings& s = core.settings;
    for (int32_t i = 1; i <= MAX_CHAPTERS; ++i) s.chapters[static_cast<std::size_t>(i)] = i * 2;
    s.chapter_count = MAX_CHAPTERS;
    const std::size_t capacity = s.chapters.capacity();
    EXPECT_EQ(edit_chapter_list(core, 3), 0);
    EXPECT_EQ(s.chapter_count, MAX_CHAPTERS);
    EXPECT_EQ(s.chapters[2], 4);
    EXPECT_EQ(s.chapters.size(), static_cast<std::size_t>(MAX_CHAPTERS) + 1);
    EXPECT_EQ(s.chapters.capacity(), capacity);
    // One removed makes room again.
    EXPECT_EQ(edit_chapter_list(core, -1), 0);
    EXPECT_EQ(edit_chapter_list(core, 3), 0);
    EXPECT_EQ(s.chapter_count, MAX_CHAPTERS);
    EXPECT_EQ(s.chapters[1], 3);
    EXPECT_EQ(s.chapters[2], 4);
}

TEST(SortChapters, AscendingOverPositionsOneToCount) {
    const V cases[] = {{},
                       {5},
                       {2, 1},
                       {1, 2},
                       {3, 3, 3},
                       {INT32_MAX, INT32_MIN, 0, -1, 1},
                       {9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
                       {1, 5, 1, 5, 1, 5, 2}};
    for (const V& c : cases) {
        std::vector<int32_t> storage(c.size() + 3, 77);
        storage[0] = -99;
        std::copy(c.begin(), c.end(), storage.begin() + 1);
        sort_chapters(storage, static_cast<int32_t>(c.size()));
        V expected = c;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(V(storage.begin() + 1, storage.begin() + 1 + static_cast<std::ptrdiff_t>(c.size())), expected);
        EXPECT_EQ(storage[0], -99);  // index 0 and the positions past count are not touched
        EXPECT_EQ(storage[c.size() + 1], 77);
        EXPECT_EQ(storage[c.size() + 2], 77);
    }

    std::mt19937 random(12345);
    for (int n : {3, 100, 1001, 65536}) {
        std::vector<int32_t> storage(static_cast<std::size_t>(n) + 1);
        for (auto& v : storage) v = static_cast<int32_t>(random() % 5000) - 100;
        V expected(storage.begin() + 1, storage.end());
        std::sort(expected.begin(), expected.end());
        sort_chapters(storage, n);
        EXPECT_EQ(V(storage.begin() + 1, storage.end()), expected) << n;
    }
}

TEST(ChapterListBox, ClearAndFill) {
    Core core;
    core.source.frame_count = 100000;
    set_chapters(core, {7, 12345678, 99999});
    fill_chapter_list_box(core);
    EXPECT_EQ(core.ui.preview.entries(prv::CHAPTER_LIST),
              (std::vector<std::string>{"       7", "12345678", "   99999"}));
    EXPECT_EQ(chapter_entry_text(-3), "      -3");
    EXPECT_TRUE(core.ui.preview.snapshot(prv::CHAPTER_LIST).redraw);

    clear_chapters(core);
    EXPECT_EQ(core.settings.chapter_count, 0);
    EXPECT_TRUE(tail_is_empty(core));
    EXPECT_EQ(core.settings.chapters[3], 0);
    EXPECT_EQ(core.ui.preview.entry_count(prv::CHAPTER_LIST), 0u);
}

}  // namespace
}  // namespace qv

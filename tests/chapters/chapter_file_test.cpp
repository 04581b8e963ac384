#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "preview/chapter_file.h"
#include "preview/chapter_list.h"
#include "settings/core.h"
#include "settings/pages.h"
#include "tests/chapters/chapter_test_support.h"
#include "tests/platform/test_dir.h"

namespace qv {
namespace {

using qv_test::chapters;
using qv_test::read_bytes;
using qv_test::set_chapters;
using qv_test::tail_is_empty;
using qv_test::TempDir;
using qv_test::write_bytes;
using V = std::vector<int32_t>;

std::string fixture(const std::string& name) {
    return std::string(QV_SOURCE_DIR) + "/tests/chapters/fixtures/" + name;
}

const char* const READ_ERROR = " error reading chapterfile";

// Every text the message line was given during a call, in order.
struct MessageLog {
    std::vector<std::string> texts;
    explicit MessageLog(Core& core) {
        core.message.add_observer([this, &core] { texts.push_back(core.message.message_text()); });
    }
};

TEST(ImportChapterFile, Fixtures) {
    struct Case {
        const char* file;
        int32_t frame_count;
        V expected;
        const char* message;
    };
    const Case cases[] = {
        {"keyword_count2.txt", 1000, {10, 20}, " 2 chapters successfully read"},
        {"keyword_free_form.txt", 10000, {1200, 5431, 9000}, " 3 chapters successfully read"},
        {"keyword_crlf.txt", 10000, {1200, 5431, 9000}, " 3 chapters successfully read"},
        {"plain_unsorted.txt", 5000, {300, 5000}, " 2 chapters successfully read"},
        {"plain_unsorted.txt", 4999, {300},
         " 2 chapters successfully read, WARNING, 1 chapters removed, out of range"},
        {"plain_unsorted.txt", 0, {},
         " 2 chapters successfully read, WARNING, 2 chapters removed, out of range"},
        {"plain_crlf.txt", 100, {3, 5, 7}, " 3 chapters successfully read"},
        {"negative_count.txt", 100, {}, READ_ERROR},
        {"count_too_high.txt", 100, {}, READ_ERROR},
        {"plain_junk_line.txt", 1000, {}, READ_ERROR},
        {"plain_huge.txt", 1000, {}, READ_ERROR},
        {"plain_nul.txt", 1000, {}, READ_ERROR},
        {"plain_blank_first.txt", 1000, {}, READ_ERROR},
        {"keyword_glued.txt", 1000, {}, READ_ERROR},
        {"no_such_file.txt", 1000, {}, READ_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Core core;
        core.source.frame_count = c.frame_count;
        set_chapters(core, {1, 2, 3, 4, 5, 6});
        fill_chapter_list_box(core);
        bool ok = import_chapter_file(core, fixture(c.file));
        EXPECT_EQ(ok, std::string(c.message) != READ_ERROR);
        EXPECT_EQ(core.message.message_text(), c.message);
        EXPECT_EQ(chapters(core), c.expected);
        EXPECT_TRUE(tail_is_empty(core));  // nothing of the old list is left behind
        if (!ok) {
            EXPECT_EQ(core.ui.preview.entry_count(prv::CHAPTER_LIST), 0u);
        }
    }
}

TEST(ImportChapterFile, EmptyUnreadableAndOddFiles) {
    TempDir dir;
    std::string giant;
    for (int i = 0; i < 300000; ++i) giant += "12 ";
    struct Case {
        const char* name;
        std::string content;
        V expected;  // empty with ok false: the error
        bool ok;
    };
    const Case cases[] = {
        {"empty.txt", "", {}, false},
        {"blanks.txt", "   \n\n", {}, false},
        {"giant_plain.txt", giant + "\n4\n", {4, 12}, true},  // the first number of each line
        {"giant_keyword.txt", "*chapter 3\n" + giant, {12, 12, 12}, true},
        {"count0.txt", "*CHAPTER          0\n", {}, true},
        {"long_first_line.txt", "*chapter" + std::string(72, ' ') + "5\n1 2\n", {}, false},
        {"binary.txt", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), {}, false},
        {"negative.txt", "-5\n0\n3\n3\n", {-5, 0, 3, 3}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Core core;
        core.source.frame_count = 100;
        write_bytes(dir / c.name, c.content);
        EXPECT_EQ(import_chapter_file(core, dir / c.name), c.ok);
        EXPECT_EQ(chapters(core), c.expected);
        if (!c.ok) {
            EXPECT_EQ(core.message.message_text(), READ_ERROR);
        }
    }
    Core core;
    std::filesystem::create_directory(dir / "folder.txt");
    EXPECT_FALSE(import_chapter_file(core, dir / "folder.txt"));
    EXPECT_EQ(core.message.message_text(), READ_ERROR);
}

std::string plain_numbers(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += std::to_string(count - i + 1) + "\n";
    return text;
}

TEST(ImportChapterFile, TheLimitOf640000) {
    TempDir dir;
    const std::string over =
        " more than 640000 chapters detected, chapters > 640000 skipped";
    struct Case {
        const char* name;
        std::string content;
        bool message;
    };
    const Case cases[] = {
        {"exact.txt", plain_numbers(MAX_CHAPTERS), false},
        {"one_more.txt", plain_numbers(MAX_CHAPTERS + 1), true},
        {"keyword_exact.txt", "*CHAPTER          640000\n" + plain_numbers(MAX_CHAPTERS), false},
        {"keyword_over.txt", "*CHAPTER          640001\n" + plain_numbers(MAX_CHAPTERS + 1), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Core core;
        core.source.frame_count = 700000;
        write_bytes(dir / c.name, c.content);
        MessageLog log(core);
        ASSERT_TRUE(import_chapter_file(core, dir / c.name));
        bool saw_over = std::find(log.texts.begin(), log.texts.end(), over) != log.texts.end();
        EXPECT_EQ(saw_over, c.message);
        EXPECT_EQ(core.message.message_text(), " 640000 chapters successfully read");
        ASSERT_EQ(core.settings.chapter_count, MAX_CHAPTERS);
        const int32_t first = c.message ? 2 : 1;  // the number past the limit (1) is dropped
        EXPECT_EQ(core.settings.chapters[1], first);
        EXPECT_EQ(core.settings.chapters[MAX_CHAPTERS], MAX_CHAPTERS + first - 1);
    }
}

TEST(ExportChapterFile, WritesTheKeywordLayout) {
    Core core;
    TempDir dir;
    set_chapters(core, {1200, 5431, 9000});
    ASSERT_TRUE(export_chapter_file(core, dir / "c.txt"));
    EXPECT_EQ(read_bytes(dir / "c.txt"), "*CHAPTER          3\n1200\n5431\n9000\n");

    // What is written reads back.
    Core other;
    other.source.frame_count = 9000;
    ASSERT_TRUE(import_chapter_file(other, dir / "c.txt"));
    EXPECT_EQ(chapters(other), (V{1200, 5431, 9000}));

    set_chapters(core, {-4, 0, 2147483647});
    ASSERT_TRUE(export_chapter_file(core, dir / "c.txt"));
    EXPECT_EQ(read_bytes(dir / "c.txt"), "*CHAPTER          3\n-4\n0\n2147483647\n");
}

TEST(ExportChapterFile, EmptyListWritesNothing) {
    Core core;
    TempDir dir;
    core.show(" kept");
    EXPECT_TRUE(export_chapter_file(core, dir / "c.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.txt"));
    EXPECT_EQ(core.message.message_text(), " kept");
}

TEST(ExportChapterFile, FailedWriteIsReportedAndKeepsTheOldFile) {
    Core core;
    TempDir dir;
    set_chapters(core, {1, 2});
    EXPECT_FALSE(export_chapter_file(core, dir / "no/such/folder/c.txt"));
    EXPECT_EQ(core.message.message_text(), " error writing chapterfile");
    std::filesystem::create_directory(dir / "taken.txt");
    core.show(" other");
    EXPECT_FALSE(export_chapter_file(core, dir / "taken.txt"));
    EXPECT_EQ(core.message.message_text(), " error writing chapterfile");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace qv

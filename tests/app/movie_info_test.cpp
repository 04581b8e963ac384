#include "app/movie_info.h"

#include <gtest/gtest.h>

#include "app/page_refresh.h"
#include "app/wiring.h"

namespace qv {
namespace {

TEST(FormatHms, EightColumnsWithAsterisksPastNinetyNineHours) {
    EXPECT_EQ(format_hms(5400), " 1:30:00");
    EXPECT_EQ(format_hms(59), " 0:00:59");
    EXPECT_EQ(format_hms(0), " 0:00:00");
    EXPECT_EQ(format_hms(99 * 3600 + 59 * 60 + 59), "99:59:59");
    EXPECT_EQ(format_hms(100 * 3600), "**:00:00");
}

void open_source(Core& core, int frames, int num, int den) {
    core.settings.input_opened = true;
    core.source.width = 720;
    core.source.height = 576;
    core.source.frame_count = frames;
    core.source.rate_num = num;
    core.source.rate_den = den;
    core.source.fps = static_cast<float>(static_cast<double>(num) / den);
    core.source.duration_s = static_cast<float>(frames / (static_cast<double>(num) / den));
    core.settings.start_frame_value = 0;
    core.settings.end_frame_value = frames - 1;
    core.settings.frames_to_encode = frames;
}

TEST(ShowMovieInfo, FillsTheBoxOrShowsDashes) {
    Core core;
    open_source(core, 135000, 25, 1);
    show_movie_info(core);
    const PageModel& m = core.ui.main;
    EXPECT_EQ(m.text(mainp::MOVIE_SIZE), "720 x 576");
    EXPECT_EQ(m.text(mainp::MOVIE_RATE), "25.0000");
    EXPECT_EQ(m.text(mainp::MOVIE_FRAMES), "135000");
    EXPECT_EQ(m.text(mainp::MOVIE_SEC), "5400.00");
    EXPECT_EQ(m.text(mainp::MOVIE_HMS), "1:30:00");
    EXPECT_EQ(m.text(mainp::ENCODE_HMS), "1:30:00");
    EXPECT_EQ(m.text(mainp::START_FRAME), "0");
    EXPECT_EQ(m.text(mainp::END_FRAME), "134999");
    EXPECT_TRUE(m.enabled(mainp::ALL_FRAMES));

    Core none;
    show_movie_info(none);
    EXPECT_EQ(none.ui.main.text(mainp::MOVIE_SIZE), "-");
    EXPECT_EQ(none.ui.main.text(mainp::START_FRAME), "-");
    EXPECT_EQ(none.settings.frames_to_encode, 0);
    EXPECT_FALSE(none.ui.main.enabled(mainp::ALL_FRAMES));
}

TEST(ShowFileLength, FromTheAverageBitrateOverTheRange) {
    Core core;
    open_source(core, 2500, 25, 1);
    core.settings.avg_bitrate = "4000";
    show_file_length(core);
    EXPECT_EQ(core.settings.file_length_kb, "48828");

    core.source.fps = 0.5f;  // at most one frame per second: no length
    show_file_length(core);
    EXPECT_EQ(core.settings.file_length_kb, "0");

    Core none;
    none.settings.file_length_kb = "123";
    show_file_length(none);
    EXPECT_EQ(none.settings.file_length_kb, "");
}

TEST(RefreshPages, ShowsFilesChaptersAndEnabling) {
    Core core;
    wire_hooks(core);
    ScriptedShell shell;
    core.shell = &shell;
    open_source(core, 1000, 25, 1);
    core.settings.input_valid = true;
    core.settings.input_path = "/very/long/path/to/the/videos/of/the/holiday/movie.avs";
    core.settings.output_set = true;
    core.settings.output_chosen = true;
    core.settings.output_path = "/v/out.m2v";
    core.settings.chapter_count = 3;
    core.settings.chapters[1] = 500;
    core.settings.chapters[2] = 20;
    core.settings.chapters[3] = 1001;  // beyond the source: dropped
    refresh_pages(core);
    EXPECT_EQ(core.ui.main.text(mainp::INPUT), "input: /very.../videos/of/the/holiday/movie.avs");
    EXPECT_EQ(core.ui.main.text(mainp::OUTPUT), "output: /v/out.m2v");
    EXPECT_TRUE(core.ui.main.enabled(mainp::LOG));
    EXPECT_TRUE(core.ui.window.enabled(win::ENCODE));
    EXPECT_EQ(core.ui.preview.entries(prv::CHAPTER_LIST),
              (std::vector<std::string>{"      20", "     500"}));
    EXPECT_TRUE(core.ui.main.enabled(mainp::MAX_KBPS));

    // A script whose library is not loaded cannot be encoded.
    core.source.is_script = true;
    refresh_pages(core);
    EXPECT_FALSE(core.ui.window.enabled(win::ENCODE));
}

TEST(SelectPage, RefusedDuringAScanOtherwiseClearsTheLine) {
    Core core;
    wire_hooks(core);
    ScriptedShell shell;
    core.shell = &shell;
    core.show(" something");
    select_page(core, 1);
    EXPECT_EQ(core.message.displayed_text(), "");
    EXPECT_FALSE(core.ui.advanced.entries(adv::QV_INI_LIST).empty());
    EXPECT_EQ(shell.focus_clears, 1);

    select_page(core, 3);  // no source: the seventeen controls stay off
    for (int id : prv::SOURCE_CONTROLS) EXPECT_FALSE(core.ui.preview.enabled(id));
    open_source(core, 100, 25, 1);
    core.frames->current_frame = 42;
    select_page(core, 3);
    for (int id : prv::SOURCE_CONTROLS) EXPECT_TRUE(core.ui.preview.enabled(id));
    EXPECT_EQ(core.ui.preview.text(prv::CURRENT_FRAME), "42");
    EXPECT_TRUE(core.ui.preview.entries(prv::CHAPTER_LIST).empty());

    core.scan_running = true;
    select_page(core, 0);
    EXPECT_EQ(core.ui.window.selection(win::TABS), 3);
    EXPECT_EQ(core.message.displayed_text(),
              " can't change tab while scene change detection scan is running");
}

}  // namespace
}  // namespace qv

#include <algorithm>

#include "app/main_page.h"
#include "page_fixture.h"

namespace qv {
namespace {

std::string flat(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

class MainPage : public PageTest {};

enum class Act { select, on, off, click, focus };

struct MessageCase {
    int id;
    Act act;
    const char* expected;  // what the message line shows afterwards
};

const MessageCase MAIN_MESSAGES[] = {
    {mainp::FILE_LENGTH, Act::select, " please set file length and maximum bitrate"},
    {mainp::AVERAGE_BITRATE, Act::select, " please set average and maximum bitrate"},
    {mainp::FAST, Act::select, " fastest encode, lowest quality but still pretty good :)"},
    {mainp::NORMAL, Act::select, " normal speed encode, normal quality"},
    {mainp::BEST, Act::select, " slowest encode, high quality"},
    {mainp::DC8, Act::select, " dc precision 8 set, recommended for low bitrate"},
    {mainp::DC9, Act::select, " dc precision 9 set, recommended for normal bitrate"},
    {mainp::DC10, Act::select, " dc precision 10 set, recommended for high bitrate"},
    {mainp::DC11, Act::select, " dc precision 11 set, NOT DVD-COMPLIANT !!"},
    {mainp::AR_1_1, Act::select, " aspect ratio set to 1:1, NOT DVD-COMPLIANT !!"},
    {mainp::AR_4_3, Act::select, " aspect ratio set to 4:3"},
    {mainp::AR_16_9, Act::select, " aspect ratio set to 16:9"},
    {mainp::AR_2_21, Act::select, " aspect ratio set to 2.21:1, NOT DVD-COMPLIANT !!"},
    {mainp::INTERLACED, Act::on,
     " changing interlaced also changes TFF/BFF and scan method, set to TFF and alternate"},
    {mainp::INTERLACED, Act::off,
     " changing interlaced also changes scan method, scan method set to zigzag"},
    {mainp::PULLDOWN, Act::on,
     " pulldown turned on, set flags for 23.976 --> 29.97 fps, interlaced is disabled, if your "
     "source is interlaced please de-interlace it first, if input rate is not equal to 23.976, "
     "setting is ignored"},
    {mainp::PULLDOWN, Act::off, " pulldown turned off"},
    {mainp::SCENE_CHANGE, Act::on,
     " scene change detection turned on, new closed GOP on every scene change"},
    {mainp::SCENE_CHANGE, Act::off, " scene change detection turned off"},
    {mainp::AUTOGOP, Act::off, " autogop turned off, you can change GOP settings in Advanced tab"},
    {mainp::AUTOGOP, Act::on, " autogop turned on, maximum GOP length 15, variable B frames"},
    {mainp::CLOSED_GOPS, Act::on, " closedgops turned on, every GOP will be closed"},
    {mainp::CLOSED_GOPS, Act::off, " closedgops turned off"},
    {mainp::PREVIEW, Act::on, " turns on the preview window in the encoder"},
    {mainp::PREVIEW, Act::off, " turns off the preview window in the encoder (default)"},
    {mainp::SHUTDOWN, Act::on,
     " shutdown turned on, system will shutdown in 300 sec after encoding finishes"},
    {mainp::SHUTDOWN, Act::off, " shutdown turned off"},
    {mainp::ALL_FRAMES, Act::click, " frame range set to all frames in video"},
    {mainp::RESET, Act::click, " all values reset to default"},
    // A PAL source of DVD size: nothing about the source is appended.
    {mainp::MAKE_DVD, Act::click, " possible non-DVD compliant settings fixed"},
    {mainp::FILE_LENGTH_KB, Act::focus, ""},
    {mainp::AVG_KBPS, Act::focus, ""},
    {mainp::MAX_KBPS, Act::focus, ""},
    {mainp::START_FRAME, Act::focus, ""},
    {mainp::END_FRAME, Act::focus, ""},
};

TEST_F(MainPage, EveryControlShowsItsMessage) {
    open_source(1000, 25, 1);
    for (const MessageCase& c : MAIN_MESSAGES) {
        SCOPED_TRACE(core.ui.main.label(c.id));
        core.show(" previous message");
        switch (c.act) {
            case Act::select: select(PageId::main, c.id); break;
            case Act::on: check(PageId::main, c.id, true); break;
            case Act::off: check(PageId::main, c.id, false); break;
            case Act::click: click(PageId::main, c.id); break;
            case Act::focus: focus_in(PageId::main, c.id); break;
        }
        EXPECT_EQ(flat(line()), c.expected);
        if (c.act == Act::select) {
            EXPECT_TRUE(core.ui.main.checked(c.id));
        }
    }
}

TEST_F(MainPage, AspectRatioRadiosKeepTheNumber) {
    const int ids[] = {mainp::AR_1_1, mainp::AR_4_3, mainp::AR_16_9, mainp::AR_2_21};
    for (int n = 1; n <= 4; ++n) {
        select(PageId::main, ids[n - 1]);
        EXPECT_EQ(static_cast<int>(core.settings.aspect_ratio), n);
        for (int other : ids) EXPECT_EQ(core.ui.main.checked(other), other == ids[n - 1]);
    }
}

TEST_F(MainPage, BitrateModeSwitchesTheEntries) {
    open_source(2500, 25, 1);
    select(PageId::main, mainp::FILE_LENGTH);
    EXPECT_TRUE(core.ui.main.enabled(mainp::FILE_LENGTH_KB));
    EXPECT_FALSE(core.ui.main.enabled(mainp::AVG_KBPS));
    EXPECT_TRUE(core.ui.main.enabled(mainp::MAX_KBPS));
    EXPECT_TRUE(core.settings.max_bitrate_enabled);
    select(PageId::main, mainp::AVERAGE_BITRATE);
    EXPECT_FALSE(core.ui.main.enabled(mainp::FILE_LENGTH_KB));
    EXPECT_TRUE(core.ui.main.enabled(mainp::AVG_KBPS));
    EXPECT_TRUE(core.ui.main.enabled(mainp::MAX_KBPS));
}

TEST_F(MainPage, FileLengthGivesTheAverageWithinTheMaximum) {
    open_source(2500, 25, 1);
    select(PageId::main, mainp::FILE_LENGTH);
    // 100 s, 50000 kbytes = 409600 kbit: 4096 kb/s, below the maximum of 8000.
    enter(mainp::FILE_LENGTH_KB, "50000");
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "4096");
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "50000");
    EXPECT_EQ(core.settings.avg_bitrate_value, 4096);
    EXPECT_EQ(main_text(mainp::MAX_KBPS), "8000");

    // With a maximum of 4000 the average is held there and the length follows: 4000 * 100 / 8.
    core.ui.main.set_text(mainp::MAX_KBPS, "4000");
    enter(mainp::FILE_LENGTH_KB, "50000");
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "4000");
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "50000");
    EXPECT_EQ(core.settings.avg_bitrate_value, 4000);
    EXPECT_EQ(core.settings.max_bitrate_value, 4000);
    EXPECT_EQ(core.settings.file_length_kb_value, 50000);

    // Repeating the event changes nothing.
    focus_out(PageId::main, mainp::FILE_LENGTH_KB);
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "4000");
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "50000");
}

TEST_F(MainPage, FileLengthBelowOneOrUnreadable) {
    open_source(2500, 25, 1);
    select(PageId::main, mainp::FILE_LENGTH);
    enter(mainp::FILE_LENGTH_KB, "12500");  // 102400 kbit over 100 s
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "1024");
    enter(mainp::FILE_LENGTH_KB, "");  // keeps the previous length
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "12500");
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "1024");
    enter(mainp::FILE_LENGTH_KB, "0");
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "1");
    EXPECT_EQ(core.settings.file_length_kb_value, 1);
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "0");  // 8 kbit over 100 s rounds to 0
}

TEST_F(MainPage, FileLengthWithoutARangeOrRateKeepsTheAverage) {
    struct Case {
        const char* what;
        int frames, num, den, start, end;
    } cases[] = {{"no frame rate", 2500, 0, 1, 0, 2499}, {"start after end", 2500, 25, 1, 20, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open_source(c.frames, c.num, c.den);
        core.settings.start_frame_value = c.start;
        core.settings.end_frame_value = c.end;
        core.settings.frames_to_encode = c.end - c.start + 1;
        core.ui.main.set_text(mainp::AVG_KBPS, "3000");
        core.settings.avg_bitrate_value = 3000;
        core.ui.main.set_text(mainp::FILE_LENGTH_KB, "777");
        focus_out(PageId::main, mainp::FILE_LENGTH_KB);
        EXPECT_EQ(main_text(mainp::AVG_KBPS), "3000");
        EXPECT_EQ(core.settings.avg_bitrate_value, 3000);
        EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "777");
        EXPECT_EQ(line(), " source opened");
    }
}

TEST_F(MainPage, AverageAndMaximumPushEachOther) {
    open_source(2500, 25, 1);
    // show_file_length after the average: 4000 * 100 / 1.024 = 390625, div 8.
    enter(mainp::AVG_KBPS, "4000");
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "48828");
    EXPECT_EQ(core.settings.file_length_kb_value, 48828);

    enter(mainp::AVG_KBPS, "9000");  // above the maximum of 8000: the maximum follows
    EXPECT_EQ(main_text(mainp::MAX_KBPS), "9000");
    EXPECT_EQ(core.settings.max_bitrate_value, 9000);
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "109863");

    enter(mainp::MAX_KBPS, "3000");  // below the average: the average follows
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "3000");
    EXPECT_EQ(core.settings.avg_bitrate_value, 3000);
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "109863");  // not redrawn by the maximum

    enter(mainp::MAX_KBPS, "");  // unreadable: the previous maximum
    EXPECT_EQ(main_text(mainp::MAX_KBPS), "3000");
    enter(mainp::AVG_KBPS, "");
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "3000");

    enter(mainp::MAX_KBPS, "0");  // no lower limit
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "0");
    enter(mainp::AVG_KBPS, "5000");
    EXPECT_EQ(main_text(mainp::MAX_KBPS), "5000");
    EXPECT_LE(core.settings.avg_bitrate_value, core.settings.max_bitrate_value);
}

TEST_F(MainPage, FrameRangeIsCorrected) {
    open_source(1000, 25, 1);
    struct Case {
        int id;
        const char* typed;
        const char* start;
        const char* end;
        int frames;
    } cases[] = {
        {mainp::END_FRAME, "5000", "0", "999", 1000},  // beyond the source
        {mainp::START_FRAME, "500", "500", "999", 500},
        {mainp::END_FRAME, "100", "500", "500", 1},  // below the start
        {mainp::END_FRAME, "", "500", "500", 1},     // unreadable: kept
        {mainp::END_FRAME, "749", "500", "749", 250},
        {mainp::START_FRAME, "-5", "0", "749", 750},  // negative start
        {mainp::START_FRAME, "900", "749", "749", 1},  // after the end
        {mainp::START_FRAME, "", "749", "749", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(core.ui.main.label(c.id)) + " <- '" + c.typed + "'");
        enter(c.id, c.typed);
        EXPECT_EQ(main_text(mainp::START_FRAME), c.start);
        EXPECT_EQ(main_text(mainp::END_FRAME), c.end);
        EXPECT_EQ(core.settings.frames_to_encode, c.frames);
        EXPECT_EQ(main_text(mainp::ENCODE_FRAMES), std::to_string(c.frames));
    }
    // The file length follows the range: 4000 kb/s over 1 frame (0.04 s).
    EXPECT_EQ(main_text(mainp::FILE_LENGTH_KB), "19");

    click(PageId::main, mainp::ALL_FRAMES);
    EXPECT_EQ(main_text(mainp::START_FRAME), "0");
    EXPECT_EQ(main_text(mainp::END_FRAME), "999");
    EXPECT_EQ(core.settings.frames_to_encode, 1000);
    EXPECT_EQ(core.settings.end_frame_value, 999);
    EXPECT_EQ(main_text(mainp::ENCODE_HMS), "0:00:40");
}

TEST_F(MainPage, InterlacedAndPulldownSetTheFieldOrder) {
    PageModel& a = core.ui.advanced;
    check(PageId::main, mainp::INTERLACED, true);
    EXPECT_TRUE(a.checked(adv::TFF));
    EXPECT_TRUE(a.enabled(adv::TFF));
    EXPECT_TRUE(a.enabled(adv::BFF));
    EXPECT_TRUE(a.checked(adv::ALTERNATE));
    EXPECT_EQ(core.settings.field_order, FieldOrder::top_first);

    check(PageId::main, mainp::INTERLACED, false);
    EXPECT_TRUE(a.checked(adv::BFF));
    EXPECT_FALSE(a.enabled(adv::TFF));
    EXPECT_FALSE(a.enabled(adv::BFF));
    EXPECT_TRUE(a.checked(adv::ZIGZAG));

    check(PageId::main, mainp::INTERLACED, true);
    check(PageId::main, mainp::PULLDOWN, true);
    EXPECT_FALSE(core.settings.interlaced);
    EXPECT_FALSE(core.ui.main.enabled(mainp::INTERLACED));
    EXPECT_TRUE(a.checked(adv::BFF));
    EXPECT_FALSE(a.enabled(adv::TFF));
    EXPECT_FALSE(a.enabled(adv::BFF));
    EXPECT_EQ(core.settings.scan_method, ScanMethod::zigzag);

    check(PageId::main, mainp::PULLDOWN, false);
    EXPECT_FALSE(core.settings.interlaced);
    EXPECT_TRUE(core.ui.main.enabled(mainp::INTERLACED));
    EXPECT_TRUE(a.checked(adv::BFF));
    EXPECT_FALSE(a.enabled(adv::BFF));
}

TEST_F(MainPage, AutogopSwitchesTheGopControls) {
    const int gop_controls[] = {adv::GOP, adv::B_FRAMES, adv::GOP_SPIN, adv::B_FRAMES_SPIN};
    check(PageId::main, mainp::AUTOGOP, false);
    for (int id : gop_controls) EXPECT_TRUE(core.ui.advanced.enabled(id)) << id;
    check(PageId::main, mainp::AUTOGOP, true);
    for (int id : gop_controls) EXPECT_FALSE(core.ui.advanced.enabled(id)) << id;
}

TEST_F(MainPage, ResetRestoresTheDefaults) {
    select(PageId::main, mainp::BEST);
    check(PageId::main, mainp::SHUTDOWN, true);
    core.ui.main.set_text(mainp::AVG_KBPS, "1234");
    click(PageId::main, mainp::RESET);
    EXPECT_EQ(core.settings.profile, Profile::normal);
    EXPECT_FALSE(core.settings.shutdown);
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "4000");
}

TEST_F(MainPage, MakeDvdCompliantCorrectsTheRecord) {
    open_source(1000, 25, 1);
    select(PageId::main, mainp::AR_2_21);
    select(PageId::main, mainp::DC11);
    check(PageId::main, mainp::AUTOGOP, false);
    type(PageId::advanced, adv::GOP, "18");
    type(PageId::advanced, adv::B_FRAMES, "2");
    check(PageId::advanced, adv::VBV_CHECK, false);
    core.ui.main.set_text(mainp::AVG_KBPS, "12000");
    core.ui.main.set_text(mainp::MAX_KBPS, "15000");
    core.ui.advanced.set_text(adv::HOUR, "30");
    core.ui.advanced.set_text(adv::MIN, "75");
    core.ui.advanced.set_text(adv::FRAME, "x");
    core.ui.advanced.set_text(adv::SEC, "12");

    click(PageId::main, mainp::MAKE_DVD);
    EXPECT_TRUE(core.ui.main.checked(mainp::AR_16_9));
    EXPECT_EQ(static_cast<int>(core.settings.aspect_ratio), 3);
    EXPECT_TRUE(core.ui.main.checked(mainp::DC10));
    EXPECT_EQ(adv_text(adv::GOP), "15");
    EXPECT_EQ(core.ui.advanced.position(adv::GOP_SPIN), 15);
    EXPECT_EQ(adv_text(adv::B_FRAMES), "2");
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "9000");
    EXPECT_EQ(main_text(mainp::MAX_KBPS), "9800");
    EXPECT_EQ(core.settings.avg_bitrate_value, 9000);
    EXPECT_EQ(core.settings.max_bitrate_value, 9800);
    EXPECT_TRUE(core.settings.vbv_check);
    EXPECT_EQ(adv_text(adv::HOUR), "23");
    EXPECT_EQ(adv_text(adv::MIN), "59");
    EXPECT_EQ(adv_text(adv::SEC), "12");
    EXPECT_EQ(adv_text(adv::FRAME), "0");
    EXPECT_EQ(line(), " possible non-DVD compliant settings fixed");

    // Each limit on its own: an average below 9000 stays.
    core.ui.main.set_text(mainp::AVG_KBPS, "5000");
    core.ui.main.set_text(mainp::MAX_KBPS, "20000");
    click(PageId::main, mainp::MAKE_DVD);
    EXPECT_EQ(main_text(mainp::AVG_KBPS), "5000");
    EXPECT_EQ(main_text(mainp::MAX_KBPS), "9800");
}

TEST_F(MainPage, MakeDvdCompliantUnderConstantQuantization) {
    open_source(1000, 25, 1);
    check(PageId::advanced, adv::CONSTANT_QUANT, true);
    EXPECT_FALSE(core.ui.main.enabled(mainp::MAX_KBPS));
    click(PageId::main, mainp::MAKE_DVD);
    EXPECT_TRUE(core.ui.main.enabled(mainp::MAX_KBPS));
    EXPECT_TRUE(core.settings.max_bitrate_enabled);
    EXPECT_TRUE(core.ui.advanced.checked(adv::CHECK_VBV_MAX));
}

TEST_F(MainPage, MakeDvdCompliantSetsPulldownOnlyForFilmRate) {
    open_source(2400, 24000, 1001, 720, 480);
    ASSERT_TRUE(core.source.film_rate);
    check(PageId::main, mainp::INTERLACED, true);
    click(PageId::main, mainp::MAKE_DVD);
    EXPECT_TRUE(core.settings.pulldown);
    EXPECT_FALSE(core.settings.interlaced);
    EXPECT_FALSE(core.ui.main.enabled(mainp::INTERLACED));
    EXPECT_TRUE(core.ui.advanced.checked(adv::BFF));
    EXPECT_FALSE(core.ui.advanced.enabled(adv::TFF));
    EXPECT_FALSE(core.ui.advanced.enabled(adv::BFF));
    EXPECT_TRUE(core.ui.advanced.checked(adv::ZIGZAG));
    // With pulldown set the film-rate NTSC source raises nothing more.
    EXPECT_EQ(line(), " possible non-DVD compliant settings fixed");

    open_source(1000, 25, 1);
    check(PageId::main, mainp::PULLDOWN, true);
    click(PageId::main, mainp::MAKE_DVD);
    EXPECT_FALSE(core.settings.pulldown);
    EXPECT_FALSE(core.settings.interlaced);
    EXPECT_TRUE(core.ui.main.enabled(mainp::INTERLACED));
    EXPECT_TRUE(core.ui.advanced.checked(adv::BFF));
}

TEST_F(MainPage, MakeDvdCompliantAppendsTheSourceFindings) {
    open_source(1000, 30, 1, 800, 600);
    click(PageId::main, mainp::MAKE_DVD);
    EXPECT_EQ(flat(line()),
              " possible non-DVD compliant settings fixed, WARNING, width > 720, height > 576, "
              "please resize source, WARNING, frame rate NOT DVD compliant, WARNING, "
              "resolution/frame rate mismatch");
}

}  // namespace
}  // namespace qv

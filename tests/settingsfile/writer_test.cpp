#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/settings_writer.h"
#include "test_support.h"

namespace qv {
namespace {

using testing_support::golden;
using testing_support::prepare;
using testing_support::read_text;
using testing_support::ScratchDir;
using testing_support::write_text;

struct GoldenCase {
    const char* golden_file;
    std::function<void(Settings&)> setup;
};

void interlaced_record(Settings& s) {
    s.input_valid = true;
    s.input_path = "/video/Movie One.avs";
    s.output_set = true;
    s.output_path = "/video/out/Movie One.m2v";
    s.log_set = true;
    s.log_path = "/video/out/movie.log";
    s.avg_bitrate = "5500";
    s.max_bitrate_enabled = true;
    s.max_bitrate = "9000";
    s.start_frame = "10";
    s.end_frame = "2000";
    s.profile = Profile::best;
    s.aspect_ratio = AspectRatio::four_three;
    s.auto_gop = false;
    s.gop_length = "12";
    s.b_frames = "1";
    s.dc_precision = 10;
    s.interlaced = true;
    s.field_order = FieldOrder::top_first;
    s.scan_method = ScanMethod::alternate;
    s.scene_change = false;
    s.vbv_check = false;
    s.closed_gops = true;
    s.seq_endcode = false;
    s.vbr_bias = "250";
    s.adaptive_matrix = true;
    s.last_iframe = true;
    s.preview = true;
    s.builtin_matrix = 12;
    s.cpu = Cpu::sse2;
    s.wait_seconds = "12";
    s.shutdown = true;
}

void constant_quant_record(Settings& s) {
    s.constant_quant = true;
    s.cq_max_bitrate = true;
    s.max_bitrate_enabled = true;
    s.cq_value = "4.500";
    s.cq_p_factor = "1.250";  // written with four characters
    s.cq_b_factor = "1.000";  // contains "1.00": not written
    s.vbr_bias = "50";        // the bias does not apply with constant quantization
    s.aspect_ratio = AspectRatio::two_two_one;
    s.scan_method = ScanMethod::alternate;
    s.builtin_matrix = 8;
}

void custom_matrix_record(Settings& s) {
    s.matrix_mode = MatrixMode::custom;
    s.builtin_matrix = CUSTOM_MATRIX;
    for (int i = 0; i < MATRIX_CELLS; ++i) s.custom_non_intra[static_cast<std::size_t>(i)] = i + 1;
    s.custom_non_intra[63] = 255;
}

void chapters_record(Settings& s) {
    s.chapter_count = 3;
    s.chapters[1] = 0;
    s.chapters[2] = 1500;
    s.chapters[3] = 123456;
    s.chapters[4] = 99;  // beyond the count: not written
}

TEST(WriteSettings, GoldenFiles) {
    const GoldenCase cases[] = {
        {"defaults_no_input.ini", [](Settings&) {}},
        {"interlaced_tff.ini", interlaced_record},
        {"constant_quant.ini", constant_quant_record},
        {"custom_matrix.ini", custom_matrix_record},
        {"chapters.ini", chapters_record},
        {"timecode.ini",
         [](Settings& s) {
             s.timecode_hours = "1";
             s.timecode_minutes = "2";
             s.timecode_seconds = "3";
             s.timecode_frames = "4";
         }},
        {"timecode_seconds.ini", [](Settings& s) { s.timecode_seconds = "10"; }},
        {"timecode_clamped.ini",
         [](Settings& s) {
             s.timecode_hours = "30";
             s.timecode_minutes = "75";
             s.timecode_seconds = "10";
             s.timecode_frames = "-4";
         }},
    };
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(c.golden_file);
        ScratchDir dir;
        Core core;
        prepare(core, dir);
        c.setup(core.settings);
        core.settings.user_ini_path = dir.file("out.ini");
        write_settings(core, SettingsFile::user);
        EXPECT_TRUE(core.settings.ini_write_ok);
        EXPECT_EQ(core.message.message_text(), " file successfully written");
        EXPECT_EQ(read_text(dir.file("out.ini")), golden(c.golden_file));

        // The list shows the same lines.
        render_settings_list(core);
        std::string listed;
        for (const auto& line : core.ui.advanced.entries(adv::QV_INI_LIST)) listed += line + "\n";
        EXPECT_EQ(listed, golden(c.golden_file));
    }
}

TEST(WriteSettings, ClampedValuesAndFrameRangeAreStoredBack) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    Settings& s = core.settings;
    interlaced_record(s);
    s.timecode_hours = "30";
    s.timecode_minutes = "-2";
    s.wait_seconds = "400";
    core.settings.user_ini_path = dir.file("out.ini");
    write_settings(core, SettingsFile::user);
    EXPECT_EQ(s.vbr_bias, "100");
    EXPECT_EQ(s.wait_seconds, "99");
    EXPECT_EQ(s.timecode_hours, "23");
    EXPECT_EQ(s.timecode_minutes, "0");
    EXPECT_EQ(s.start_frame_value, 10);
    EXPECT_EQ(s.end_frame_value, 2000);
}

TEST(WriteSettings, ProgramFileGoesToQvIni) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    write_settings(core, SettingsFile::program);
    EXPECT_EQ(read_text(dir.file("QV.ini")), golden("defaults_no_input.ini"));
}

TEST(WriteSettings, InvalidQuantizerAbortsAndLeavesThePreviousFile) {
    for (const char* quantizer : {"abc", "******", ""}) {
        SCOPED_TRACE(quantizer);
        ScratchDir dir;
        Core core;
        prepare(core, dir);
        write_text(dir.file("out.ini"), "*BITRATE          7000\n");
        core.settings.constant_quant = true;
        core.settings.cq_value = quantizer;
        core.settings.user_ini_path = dir.file("out.ini");
        write_settings(core, SettingsFile::user);
        EXPECT_FALSE(core.settings.ini_write_ok);
        EXPECT_EQ(core.message.message_text(),
                  " QV.ini write aborted, invalid CQ value, not a number");
        EXPECT_EQ(read_text(dir.file("out.ini")), "*BITRATE          7000\n");
    }
}

TEST(WriteSettings, UnwritableTargetIsReportedNeverAsSuccess) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    core.settings.user_ini_path = dir.file("no-such-folder/out.ini");
    write_settings(core, SettingsFile::user);
    EXPECT_FALSE(core.settings.ini_write_ok);
    EXPECT_EQ(core.message.message_text(), " error writing ini file");

    // A directory in the target's place, and an empty name.
    ::mkdir(dir.file("taken.ini").c_str(), 0755);
    core.settings.user_ini_path = dir.file("taken.ini");
    write_settings(core, SettingsFile::user);
    EXPECT_FALSE(core.settings.ini_write_ok);
    core.settings.user_ini_path.clear();
    write_settings(core, SettingsFile::user);
    EXPECT_FALSE(core.settings.ini_write_ok);
    EXPECT_EQ(core.message.message_text(), " error writing ini file");

    if (::geteuid() != 0) {  // root writes anywhere
        ::mkdir(dir.file("locked").c_str(), 0555);
        core.settings.user_ini_path = dir.file("locked/out.ini");
        write_settings(core, SettingsFile::user);
        EXPECT_FALSE(core.settings.ini_write_ok);
    }
}

TEST(RenderSettingsList, LongPathsAreCutAndInvalidQuantizerEndsTheList) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    Settings& s = core.settings;
    s.input_valid = true;
    s.input_path = "/" + std::string(300, 'a') + ".avs";
    s.constant_quant = true;
    s.cq_value = "x5";
    s.ini_write_ok = true;
    core.show(" earlier message");
    EXPECT_FALSE(render_settings_list(core));
    auto lines = core.ui.advanced.entries(adv::QV_INI_LIST);
    ASSERT_EQ(lines.size(), 1u);  // only the lines before the quantizer
    EXPECT_EQ(lines[0].size(), 128u);
    EXPECT_EQ(lines[0], ("*INFILE           " + s.input_path).substr(0, 128));
    EXPECT_EQ(core.message.message_text(), " show QV.ini aborted, invalid CQ value, not a number");
    EXPECT_TRUE(s.ini_write_ok);

    // A valid quantizer: the whole list, no message of its own, and the list is replaced.
    s.cq_value = "5.000";
    core.show(" earlier message");
    EXPECT_TRUE(render_settings_list(core));
    lines = core.ui.advanced.entries(adv::QV_INI_LIST);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "*CQ               5.000");
    EXPECT_EQ(lines[2], "*MATRIX           mpeg");
    EXPECT_EQ(core.message.message_text(), " earlier message");
    EXPECT_TRUE(core.ui.advanced.snapshot(adv::QV_INI_LIST).redraw);
}

TEST(RenderSettingsList, CustomMatricesAreSeparatedByAnEmptyEntry) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    custom_matrix_record(core.settings);
    render_settings_list(core);
    auto lines = core.ui.advanced.entries(adv::QV_INI_LIST);
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[1], "*CUSTOMMATRIX");
    EXPECT_EQ(lines[10], "");
    EXPECT_EQ(lines[11], "   1   2   3   4   5   6   7   8");
}

// The list shows the clamped values the file would get but leaves the entries as typed (a
// negative minute stays in its edit); a file write stores the clamped values back.
TEST(RenderSettingsList, ShowsClampedValuesWithoutChangingTheEntries) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    Settings& s = core.settings;
    s.timecode_minutes = "-5";
    s.timecode_hours = "30";
    s.wait_seconds = "150";
    s.vbr_bias = "abc";
    render_settings_list(core);
    auto lines = core.ui.advanced.entries(adv::QV_INI_LIST);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "*TIMECODE         23  0  0  0"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "*WAIT             99"), lines.end());
    EXPECT_EQ(s.timecode_minutes, "-5");
    EXPECT_EQ(s.timecode_hours, "30");
    EXPECT_EQ(s.wait_seconds, "150");
    EXPECT_EQ(s.vbr_bias, "abc");

    std::string text;
    ASSERT_TRUE(settings_file_text(core, text));
    EXPECT_EQ(s.timecode_minutes, "0");
    EXPECT_EQ(s.timecode_hours, "23");
    EXPECT_EQ(s.wait_seconds, "99");
    EXPECT_EQ(s.vbr_bias, "0");
}

}  // namespace
}  // namespace qv

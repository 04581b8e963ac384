// The bundled frame server as the program sees it: scripts in, properties, frames and error
// texts out, through the C interface only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "tests/frameserver/frameserver_api.h"

using fstest::api;
using fstest::sample;
using fstest::Session;

namespace {

constexpr int kYV12 = AVS_CS_YV12;
constexpr int kI420 = AVS_CS_I420;
constexpr int kRGB32 = AVS_CS_BGR32;
constexpr int kYUY2 = AVS_CS_YUY2;

// Luma of the top-left pixel of frame n.
int luma(const Session& s, int n) {
    auto f = s.frame(n);
    EXPECT_TRUE(f->ok()) << s.clip_error();
    return f->ok() ? f->at(AVS_PLANAR_Y, 0, 0) : -1;
}

int frame_count_of(const std::string& script) {
    Session s;
    EXPECT_TRUE(s.run(script)) << script << "\n" << s.error();
    return s.clip() != nullptr ? s.info().num_frames : -1;
}

}  // namespace

TEST(FrameServerEnvironment, CreatesVersion6AndRefusesNewerVersions) {
    AVS_ScriptEnvironment* env = api().create_script_environment(6);
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(api().get_error(env), nullptr);
    api().delete_script_environment(env);

    env = api().create_script_environment(99);
    ASSERT_NE(env, nullptr);
    EXPECT_NE(api().get_error(env), nullptr);
    api().delete_script_environment(env);
}

TEST(FrameServerSamples, ReportTheirProperties) {
    struct Case {
        const char* script;
        int width, height;
        unsigned num, den;
        int frames;
        int pixel_type;
    };
    const Case cases[] = {
        {"colorbars.avs", 720, 480, 30000, 1001, 300, kYV12},
        {"grey_white_cuts.avs", 720, 576, 25, 1, 168, kYV12},
        {"dissolve.avs", 720, 480, 24000, 1001, 72, kYV12},
        {"import_trim.avs", 720, 576, 25, 1, 40, kYV12},
        {"rgb32.avs", 720, 576, 25, 1, 100, kRGB32},
        {"i420.avs", 352, 288, 25, 1, 50, kI420},
        {"shots.avs", 720, 480, 30000, 1001, 210, kYV12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Session s;
        ASSERT_TRUE(s.import(sample(c.script))) << s.error();
        EXPECT_EQ(s.info().width, c.width);
        EXPECT_EQ(s.info().height, c.height);
        EXPECT_EQ(s.info().fps_numerator, c.num);
        EXPECT_EQ(s.info().fps_denominator, c.den);
        EXPECT_EQ(s.info().num_frames, c.frames);
        EXPECT_EQ(s.info().pixel_type, c.pixel_type);
    }
}

TEST(FrameServerSamples, AudioOnlyScriptHasNoVideoAndNoFrames) {
    Session s;
    ASSERT_TRUE(s.import(sample("audio_only.avs"))) << s.error();
    EXPECT_EQ(s.info().width, 0);
    EXPECT_GT(s.info().audio_samples_per_second, 0);
    EXPECT_FALSE(s.frame(0)->ok());
    EXPECT_FALSE(s.clip_error().empty());
}

TEST(FrameServerSamples, SyntaxErrorNamesFileLineAndColumn) {
    Session s;
    const std::string path = sample("syntax_error.avs");
    EXPECT_FALSE(s.import(path));
    EXPECT_EQ(s.result_type(), 'e');
    EXPECT_EQ(s.error().rfind("Script error: ", 0), 0u) << s.error();
    EXPECT_NE(s.error().find("\n(" + path + ", line 3, column "), std::string::npos) << s.error();
    // The environment reports the same text until its next call.
    ASSERT_NE(api().get_error(s.env()), nullptr);
    EXPECT_EQ(s.error(), api().get_error(s.env()));
}

TEST(FrameServerSamples, HardCutsAndDissolveShowInTheFrames) {
    Session cuts;
    ASSERT_TRUE(cuts.import(sample("grey_white_cuts.avs"))) << cuts.error();
    const struct {
        int frame, y;
    } shots[] = {{0, 126}, {47, 126}, {48, 235}, {71, 235}, {72, 126}, {143, 126}, {144, 235}, {167, 235}};
    for (const auto& shot : shots) EXPECT_EQ(luma(cuts, shot.frame), shot.y) << "frame " << shot.frame;

    Session fade;
    ASSERT_TRUE(fade.import(sample("dissolve.avs"))) << fade.error();
    EXPECT_EQ(luma(fade, 23), 16);
    int previous = 16;
    for (int n = 24; n < 48; ++n) {
        const int y = luma(fade, n);
        EXPECT_GT(y, previous) << "frame " << n;
        EXPECT_LT(y, 235) << "frame " << n;
        previous = y;
    }
    EXPECT_EQ(luma(fade, 48), 235);
    EXPECT_EQ(luma(fade, 71), 235);
    // Half way through the 24-frame fade, the picture is about half way between black and white.
    EXPECT_NEAR(luma(fade, 35), (16 + 235) / 2, 6);
}

TEST(FrameServerFrames, PlanarLayoutHasPaddedPitchesAndHalfSizeChroma) {
    for (const char* type : {"YV12", "I420"}) {
        SCOPED_TRACE(type);
        Session s;
        ASSERT_TRUE(s.run(std::string("BlankClip(length=3, width=720, height=480, pixel_type=\"") +
                          type + "\")")) << s.error();
        auto f = s.frame(1);
        ASSERT_TRUE(f->ok());
        EXPECT_EQ(f->row_size(AVS_PLANAR_Y), 720);
        EXPECT_EQ(f->height(AVS_PLANAR_Y), 480);
        for (int plane : {AVS_PLANAR_U, AVS_PLANAR_V}) {
            EXPECT_EQ(f->row_size(plane), 360);
            EXPECT_EQ(f->height(plane), 240);
            EXPECT_GT(f->pitch(plane), f->row_size(plane));
            EXPECT_NE(f->ptr(plane), nullptr);
        }
        EXPECT_GT(f->pitch(AVS_PLANAR_Y), f->row_size(AVS_PLANAR_Y));
        EXPECT_EQ(f->pitch(AVS_PLANAR_U), f->pitch(AVS_PLANAR_V));
        EXPECT_NE(f->ptr(AVS_PLANAR_U), f->ptr(AVS_PLANAR_V));
    }
}

TEST(FrameServerFrames, PackedFormatsHaveOnePlane) {
    const struct {
        const char* type;
        int pixel_type, bytes_per_pixel;
    } cases[] = {{"RGB32", kRGB32, 4}, {"YUY2", kYUY2, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Session s;
        ASSERT_TRUE(s.run(std::string("BlankClip(length=2, width=320, height=240, pixel_type=\"") +
                          c.type + "\")")) << s.error();
        EXPECT_EQ(s.info().pixel_type, c.pixel_type);
        auto f = s.frame(0);
        ASSERT_TRUE(f->ok());
        EXPECT_EQ(f->row_size(AVS_PLANAR_Y), 320 * c.bytes_per_pixel);
        EXPECT_GE(f->pitch(AVS_PLANAR_Y), f->row_size(AVS_PLANAR_Y));
        EXPECT_EQ(f->height(AVS_PLANAR_Y), 240);
        EXPECT_EQ(f->pitch(AVS_PLANAR_U), 0);  // "no chroma pitch": callers copy no chroma rows
        EXPECT_EQ(f->row_size(AVS_PLANAR_U), 0);
        EXPECT_EQ(f->height(AVS_PLANAR_V), 0);
    }
}

// Solid colours through the studio-range Rec.601 conversion: Y 16-235, U and V 16-240.
TEST(FrameServerFrames, BlankClipColoursFollowRec601StudioRange) {
    const struct {
        const char* colour;
        int y, u, v;
    } cases[] = {
        {"$FFFFFF", 235, 128, 128}, {"$000000", 16, 128, 128}, {"$808080", 126, 128, 128},
        {"$FF0000", 82, 90, 240},   {"$00FF00", 145, 54, 34},  {"$0000FF", 41, 240, 110},
    };
    for (const char* type : {"YV12", "I420", "YUY2"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(type) + " " + c.colour);
            Session s;
            ASSERT_TRUE(s.run(std::string("BlankClip(length=1, width=64, height=32, pixel_type=\"") +
                              type + "\", color=" + c.colour + ")")) << s.error();
            auto f = s.frame(0);
            ASSERT_TRUE(f->ok());
            if (std::string(type) == "YUY2") {
                EXPECT_NEAR(f->at(AVS_PLANAR_Y, 0, 31), c.y, 1);
                EXPECT_NEAR(f->at(AVS_PLANAR_Y, 1, 31), c.u, 1);
                EXPECT_NEAR(f->at(AVS_PLANAR_Y, 2, 31), c.y, 1);
                EXPECT_NEAR(f->at(AVS_PLANAR_Y, 3, 31), c.v, 1);
            } else {
                EXPECT_NEAR(f->at(AVS_PLANAR_Y, 63, 31), c.y, 1);
                EXPECT_NEAR(f->at(AVS_PLANAR_U, 31, 15), c.u, 1);
                EXPECT_NEAR(f->at(AVS_PLANAR_V, 31, 15), c.v, 1);
            }
        }
    }
}

TEST(FrameServerFrames, Rgb32HoldsBlueGreenRedBytes) {
    Session s;
    ASSERT_TRUE(s.import(sample("rgb32.avs"))) << s.error();
    auto f = s.frame(5);
    ASSERT_TRUE(f->ok());
    for (int x : {0, 719}) {
        EXPECT_EQ(f->at(AVS_PLANAR_Y, 4 * x, 0), 0xC0);
        EXPECT_EQ(f->at(AVS_PLANAR_Y, 4 * x + 1, 0), 0x40);
        EXPECT_EQ(f->at(AVS_PLANAR_Y, 4 * x + 2, 575), 0x20);
    }
}

TEST(FrameServerFrames, ColorBarsShowTheBarsInEveryFormat) {
    // YUV: 75% grey, then yellow, in the top part; black at the bottom right.
    for (const char* type : {"YV12", "YUY2"}) {
        SCOPED_TRACE(type);
        Session s;
        ASSERT_TRUE(s.run(std::string("ColorBars(pixel_type=\"") + type + "\")")) << s.error();
        EXPECT_EQ(s.info().width, 640);
        EXPECT_EQ(s.info().height, 480);
        auto f = s.frame(1000);
        ASSERT_TRUE(f->ok());
        const bool packed = std::string(type) == "YUY2";
        const int step = packed ? 2 : 1;
        EXPECT_NEAR(f->at(AVS_PLANAR_Y, 40 * step, 100), 180, 2);   // grey bar
        EXPECT_NEAR(f->at(AVS_PLANAR_Y, 130 * step, 100), 162, 2);  // yellow bar
        EXPECT_NEAR(f->at(AVS_PLANAR_Y, 630 * step, 470), 16, 2);   // black
        if (!packed) {
            EXPECT_NEAR(f->at(AVS_PLANAR_U, 20, 50), 128, 2);
            EXPECT_NEAR(f->at(AVS_PLANAR_U, 65, 50), 44, 3);
            EXPECT_NEAR(f->at(AVS_PLANAR_V, 65, 50), 142, 3);
        }
    }
    // RGB32 is stored bottom-up: the first stored row is the bottom of the picture.
    Session rgb;
    ASSERT_TRUE(rgb.run("ColorBars()")) << rgb.error();
    EXPECT_EQ(rgb.info().pixel_type, kRGB32);
    EXPECT_EQ(rgb.info().num_frames, 107892);
    EXPECT_EQ(rgb.info().fps_numerator, 30000u);
    EXPECT_EQ(rgb.info().fps_denominator, 1001u);
    auto f = rgb.frame(0);
    ASSERT_TRUE(f->ok());
    const int top = 479;
    EXPECT_EQ(f->at(AVS_PLANAR_Y, 4 * 40 + 2, top), 180);      // grey bar, red byte
    EXPECT_EQ(f->at(AVS_PLANAR_Y, 4 * 130 + 0, top), 16);      // yellow bar has no blue
    EXPECT_EQ(f->at(AVS_PLANAR_Y, 4 * 160 + 1, 0), 235);       // 100% white at the bottom
}

TEST(FrameServerFrames, ConversionsKeepTheColour) {
    Session s;
    ASSERT_TRUE(s.run("BlankClip(length=4, width=64, height=32, color=$FFFFFF).ConvertToYV12")) << s.error();
    EXPECT_EQ(s.info().pixel_type, kYV12);
    EXPECT_EQ(luma(s, 2), 235);

    Session back;
    ASSERT_TRUE(back.run("BlankClip(length=4, width=64, height=32, pixel_type=\"YV12\", color=$C04020)\n"
                         "ConvertToYUY2()\nConvertToRGB32()")) << back.error();
    EXPECT_EQ(back.info().pixel_type, kRGB32);
    auto f = back.frame(0);
    ASSERT_TRUE(f->ok());
    EXPECT_NEAR(f->at(AVS_PLANAR_Y, 40, 3), 0x20, 3);
    EXPECT_NEAR(f->at(AVS_PLANAR_Y, 41, 3), 0x40, 3);
    EXPECT_NEAR(f->at(AVS_PLANAR_Y, 42, 3), 0xC0, 3);
}

TEST(FrameServerFrames, ChromaPlanesAreNotSwappedInEitherPlanarLayout) {
    for (const char* type : {"YV12", "I420"}) {
        SCOPED_TRACE(type);
        Session s;
        ASSERT_TRUE(s.run(std::string("BlankClip(length=1, width=16, height=16, pixel_type=\"") + type +
                          "\", color_yuv=$5A28F0)")) << s.error();
        auto f = s.frame(0);
        ASSERT_TRUE(f->ok());
        EXPECT_EQ(f->at(AVS_PLANAR_Y, 3, 3), 0x5A);
        EXPECT_EQ(f->at(AVS_PLANAR_U, 3, 3), 0x28);
        EXPECT_EQ(f->at(AVS_PLANAR_V, 3, 3), 0xF0);
    }
}

TEST(FrameServerFrames, OutOfRangeFrameNumbersAreClamped) {
    Session s;
    ASSERT_TRUE(s.import(sample("grey_white_cuts.avs"))) << s.error();
    EXPECT_EQ(luma(s, -1), 126);
    EXPECT_EQ(luma(s, -1000000), 126);
    EXPECT_EQ(luma(s, 168), 235);
    EXPECT_EQ(luma(s, 2147483647), 235);
}

TEST(FrameServerFrames, TestHookMakesOneFrameFail) {
    Session s;
    ASSERT_TRUE(s.import(sample("grey_white_cuts.avs"))) << s.error();
    ::setenv("QV_TEST_FRAMESERVER_FAIL_FRAME", "3", 1);
    EXPECT_FALSE(s.frame(3)->ok());
    const std::string error = s.clip_error();
    EXPECT_TRUE(s.frame(2)->ok());
    EXPECT_TRUE(s.clip_error().empty());
    ::unsetenv("QV_TEST_FRAMESERVER_FAIL_FRAME");
    EXPECT_NE(error.find("QV_TEST_FRAMESERVER_FAIL_FRAME"), std::string::npos) << error;
    EXPECT_TRUE(s.frame(3)->ok());
}

TEST(FrameServerFrames, ClipsAndFramesOutliveTheirEnvironment) {
    AVS_ScriptEnvironment* env = api().create_script_environment(6);
    AVS_Value arg = avs_new_value_int(7);
    const char* names[] = {"length"};
    AVS_Value v = api().invoke(env, "BlankClip", avs_new_value_array(&arg, 1), names);
    ASSERT_TRUE(avs_is_clip(v));
    AVS_Clip* clip = api().take_clip(v, env);
    api().release_value(v);
    api().delete_script_environment(env);
    EXPECT_EQ(api().get_video_info(clip)->num_frames, 7);
    AVS_VideoFrame* frame = api().get_frame(clip, 3);
    api().release_clip(clip);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(api().get_row_size_p(frame, AVS_PLANAR_Y), 640 * 4);
    api().release_video_frame(frame);
}

TEST(FrameServerScripts, DefaultsMatchTheUsualFunctions) {
    Session s;
    ASSERT_TRUE(s.run("BlankClip()")) << s.error();
    EXPECT_EQ(s.info().width, 640);
    EXPECT_EQ(s.info().height, 480);
    EXPECT_EQ(s.info().num_frames, 240);
    EXPECT_EQ(s.info().fps_numerator, 24u);
    EXPECT_EQ(s.info().fps_denominator, 1u);
    EXPECT_EQ(s.info().pixel_type, kRGB32);
    EXPECT_EQ(s.info().audio_samples_per_second, 44100);
}

TEST(FrameServerScripts, TrimSpliceAndDissolveFrameCounts) {
    const struct {
        const char* script;
        int frames;
    } cases[] = {
        {"BlankClip(length=100).Trim(10, 19)", 10},
        {"BlankClip(length=100).Trim(10, 0)", 90},
        {"BlankClip(length=100).Trim(10, -5)", 5},
        {"BlankClip(length=100).Trim(0, end=9)", 10},
        {"BlankClip(length=100).Trim(5, length=20)", 20},
        {"BlankClip(length=100).Trim(95, 200)", 5},
        {"a = BlankClip(length=10)\nb = BlankClip(length=15)\na + b", 25},
        {"a = BlankClip(length=10)\nb = BlankClip(length=15)\na ++ b ++ a", 35},
        {"a = BlankClip(length=10)\nAlignedSplice(a, a, a, a)", 40},
        {"a = BlankClip(length=10)\nb = BlankClip(length=15)\nDissolve(a, b, 4)", 21},
        {"a = BlankClip(length=10)\nDissolve(a, a, a, 5)", 20},
        {"a = BlankClip(length=10)\nDissolve(a, a, 50)", 10},
        {"BlankClip(length=9)\nTrim(2, 4)", 3},
        {"a = BlankClip(length=5)\nb = BlankClip(length=7)\na", 5},
        {"BlankClip(length=5)\nx = 1", 5},
    };
    for (const auto& c : cases) EXPECT_EQ(frame_count_of(c.script), c.frames) << c.script;
}

TEST(FrameServerScripts, TrimOfASpliceShowsTheRightShots) {
    Session s;
    ASSERT_TRUE(s.run("black = BlankClip(length=10, pixel_type=\"YV12\", color=$000000)\n"
                      "white = BlankClip(length=10, pixel_type=\"YV12\", color=$FFFFFF)\n"
                      "(black ++ white).Trim(5, 14)")) << s.error();
    ASSERT_EQ(s.info().num_frames, 10);
    for (int n = 0; n < 5; ++n) EXPECT_EQ(luma(s, n), 16) << n;
    for (int n = 5; n < 10; ++n) EXPECT_EQ(luma(s, n), 235) << n;
}

TEST(FrameServerScripts, FrameRates) {
    const struct {
        const char* script;
        unsigned num, den;
    } cases[] = {
        {"BlankClip(fps=25)", 25, 1},
        {"BlankClip(fps=29.97)", 2997, 100},
        {"BlankClip(fps=30000, fps_denominator=1001)", 30000, 1001},
        {"BlankClip().AssumeFPS(\"ntsc_video\")", 30000, 1001},
        {"BlankClip().AssumeFPS(50, 2)", 50, 2},
        {"BlankClip().AssumeFPS(ColorBars())", 30000, 1001},
    };
    for (const auto& c : cases) {
        Session s;
        ASSERT_TRUE(s.run(c.script)) << c.script << "\n" << s.error();
        EXPECT_EQ(s.info().fps_numerator, c.num) << c.script;
        EXPECT_EQ(s.info().fps_denominator, c.den) << c.script;
    }
}

TEST(FrameServerScripts, LanguageBasics) {
    Session s;
    ASSERT_TRUE(s.run("# comment\n"
                      "/* block\n comment */\n"
                      "n = 2 * (3 + 4) - 4       # 10\n"
                      "big = n > 5 ? true : false\n"
                      "kind = \"Y\" + \"V12\"\n"
                      "BlankClip(length=big ? n : 1, pixel_type=kind, \\\n"
                      "          width=320, height=240)\n")) << s.error();
    EXPECT_EQ(s.info().num_frames, 10);
    EXPECT_EQ(s.info().pixel_type, kYV12);

    // Windows line ends and a UTF-8 byte order mark are fine; so are non-ASCII comments.
    Session windows;
    ASSERT_TRUE(windows.run("\xEF\xBB\xBF# gr\xC3\xBC\xC3\x9F\r\nBlankClip(length=4)\r\nTrim(1, 2)\r\n"))
        << windows.error();
    EXPECT_EQ(windows.info().num_frames, 2);

    // A bare function name is a call; a call that needs a clip takes `last`.
    Session bare;
    ASSERT_TRUE(bare.run("BlankClip(length=3, width=32, height=32)\nConvertToYV12\n")) << bare.error();
    EXPECT_EQ(bare.info().pixel_type, kYV12);
    EXPECT_EQ(bare.info().num_frames, 3);

    // Clip properties as values, with and without `last`.
    Session props;
    ASSERT_TRUE(props.run("c = BlankClip(length=12, width=320, height=240)\n"
                          "c = c.IsYV12 ? c : c.ConvertToYV12()\n"
                          "c.Trim(0, c.FrameCount / 2 - 1)\n"
                          "Width == 320 && Height == 240 && FrameRate == 24.0 ? last : BlankClip()"))
        << props.error();
    EXPECT_EQ(props.info().num_frames, 6);
    EXPECT_EQ(props.info().pixel_type, kYV12);

    // Scripts whose value is not a clip.
    Session number;
    EXPECT_FALSE(number.run("1 + 41"));
    EXPECT_EQ(number.result_type(), 'i');
    EXPECT_EQ(number.result_int(), 42);
    Session empty;
    EXPECT_FALSE(empty.run("# nothing here\n"));
    EXPECT_EQ(empty.result_type(), 'v');
    EXPECT_TRUE(empty.error().empty());
}

TEST(FrameServerErrors, TextsReadLikeTheFrameServersOwn) {
    const struct {
        const char* script;
        const char* starts_with;
    } cases[] = {
        {"Foo(1)", "Script error: there is no function named \"Foo\"\n("},
        {"BlankClip(length=\"long\")", "Script error: Invalid arguments to function \"BlankClip\"\n("},
        {"BlankClip().Trim(\"a\", 2)", "Script error: Invalid arguments to function \"Trim\"\n("},
        {"x", "I don't know what \"x\" means\n("},
        {"BlankClip(width=100000, height=100000)", "BlankClip: frame size 100000x100000 is too large"},
        {"BlankClip(width=9000, height=9000)", "BlankClip: frame size 9000x9000 is too large"},
        {"BlankClip(width=-5)", "BlankClip: width and height must not be negative"},
        {"BlankClip(width=321, pixel_type=\"YV12\")", "BlankClip: YV12 width must be a multiple of 2"},
        {"BlankClip(pixel_type=\"RGB48\")", "BlankClip: pixel_type must be"},
        {"BlankClip(width=320) ++ BlankClip(width=640)", "AlignedSplice: Frame sizes don't match"},
        {"BlankClip(pixel_type=\"YV12\") + BlankClip()", "UnalignedSplice: Video formats don't match"},
        {"BlankClip(fps=25) ++ BlankClip()", "AlignedSplice: Video framerate doesn't match"},
        {"Dissolve(BlankClip(), BlankClip(), -1)", "Dissolve: Cannot dissolve if overlap is less than zero"},
        {"n = 1 / 0", "Evaluate: division by zero"},
        {"BlankClip(length=\"ab)", "Script error: unterminated string\n("},
        {"BlankClip(length=10", "Script error: expected \",\" or \")\"\n("},
        {"a = = 3", "Script error: syntax error\n("},
        {"BlankClip().ConvertToYV12(matrix=\"Rec2020\")", "ConvertToYV12: invalid \"matrix\" parameter"},
        {"BlankClip().KillVideo().ConvertToYV12()", "ConvertToYV12: the clip has no video"},
    };
    for (const auto& c : cases) {
        Session s;
        EXPECT_FALSE(s.run(c.script)) << c.script;
        EXPECT_EQ(s.result_type(), 'e') << c.script;
        EXPECT_EQ(s.error().rfind(c.starts_with, 0), 0u) << c.script << "\ngave: " << s.error();
        // Every error inside a script says where.
        EXPECT_NE(s.error().find("(" + s.script_path() + ", line 1"), std::string::npos) << s.error();
    }
}

TEST(FrameServerErrors, MissingFileAndNestedErrors) {
    Session s;
    EXPECT_FALSE(s.import("/nonexistent/folder/missing.avs"));
    EXPECT_EQ(s.error(), "Import: couldn't open \"/nonexistent/folder/missing.avs\"");
    EXPECT_FALSE(s.import(fstest::temp_dir()));  // a folder is not a script
    EXPECT_EQ(s.error().rfind("Import: couldn't open", 0), 0u);

    // An error in an imported script names both scripts, the inner one first.
    ASSERT_FALSE(s.run("BlankClip( \\\n  length=Oops())"));
    const std::string inner = s.script_path();
    ASSERT_FALSE(s.run("\nImport(\"" + inner + "\")"));
    EXPECT_EQ(s.error(), "Script error: there is no function named \"Oops\"\n(" + inner +
                             ", line 2)\n(" + s.script_path() + ", line 2)");
}

TEST(FrameServerErrors, RunawayInputIsRefusedNotFollowed) {
    // A script that imports itself.
    Session self;
    const std::string path = fstest::temp_dir() + "/self.avs";
    std::ofstream(path) << "Import(\"" << path << "\")\n";
    EXPECT_FALSE(self.import(path));
    EXPECT_NE(self.error().find("too deeply"), std::string::npos) << self.error().substr(0, 200);

    const struct {
        std::string script;
        const char* contains;
    } cases[] = {
        {std::string(5000, '(') + "1" + std::string(5000, ')'), "nested too deeply"},
        {std::string(5000, '-') + "1", "nested too deeply"},
        {"x = 1" + [] { std::string s; for (int i = 0; i < 5000; ++i) s += " + 1"; return s; }(),
         "too complex"},
        {"c = BlankClip(length=1)" + [] { std::string s; for (int i = 0; i < 3000; ++i) s += ".Trim(0, 0)"; return s; }(),
         "too complex"},
        {"c = BlankClip(length=1)\n" + [] { std::string s; for (int i = 0; i < 1500; ++i) s += "c = c.KillAudio()\n"; return s; }() + "c",
         "filter chain is too long"},
        {"c = BlankClip(length=100)\n" + [] { std::string s; for (int i = 0; i < 20; ++i) s += "c = Dissolve(c, c, 50)\n"; return s; }() + "c",
         "filter graph is too large"},
        {"s = \"abcdefgh\"\n" + [] { std::string s; for (int i = 0; i < 30; ++i) s += "s = s + s\n"; return s; }(),
         "string too long"},
        {"c = BlankClip(length=2000000000)\nc ++ c", "the joined clip is too long"},
    };
    for (const auto& c : cases) {
        Session s;
        EXPECT_FALSE(s.run(c.script)) << c.script.substr(0, 80);
        EXPECT_NE(s.error().find(c.contains), std::string::npos)
            << c.script.substr(0, 80) << "\ngave: " << s.error().substr(0, 300);
    }
}

TEST(FrameServerErrors, BinaryJunkGivesAScriptError) {
    std::mt19937 random(12345);
    for (int round = 0; round < 50; ++round) {
        std::string junk(200 + round * 37, '\0');
        for (char& c : junk) c = static_cast<char>(random() & 0xff);
        Session s;
        EXPECT_FALSE(s.run(junk));
        EXPECT_EQ(s.result_type(), 'e');
        EXPECT_FALSE(s.error().empty());
    }
}

TEST(FrameServerErrors, InvokeRefusesUnknownFunctionsAndBadArguments) {
    Session s;
    AVS_Value v = api().invoke(s.env(), "NoSuchThing", avs_void_value(), nullptr);
    ASSERT_TRUE(avs_is_error(v));
    EXPECT_STREQ(avs_as_error(v), "Script error: there is no function named \"NoSuchThing\"");
    EXPECT_STREQ(api().get_error(s.env()), avs_as_error(v));

    v = api().invoke(s.env(), "Import", avs_new_value_int(3), nullptr);
    ASSERT_TRUE(avs_is_error(v));
    EXPECT_STREQ(avs_as_error(v), "Script error: Invalid arguments to function \"Import\"");

    // A good call clears the error.
    v = api().invoke(s.env(), "BlankClip", avs_void_value(), nullptr);
    ASSERT_TRUE(avs_is_clip(v));
    EXPECT_EQ(api().get_error(s.env()), nullptr);
    api().release_value(v);
}

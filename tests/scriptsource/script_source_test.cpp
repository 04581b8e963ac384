// Scripts opened through the frame-server binding: the bundled frame server for real scripts,
// stand-in libraries for a library that is missing, not a frame server, or fails.
#include "sources/script_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "sources/frameserver_interface.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::string PROGRAM_DIR = std::string(QV_PROGRAM_DIR) + "/";
const std::string SAMPLES = PROGRAM_DIR + "samples/scripts/";
const std::string FAKES = std::string(QV_SCRIPTSOURCE_FAKES) + "/";

// The message line as one line (it breaks long texts into lines of about 100 characters).
std::string line(const Core& core) {
    std::string text = core.message.message_text();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

class ScriptSource : public ::testing::Test {
protected:
    void SetUp() override {
        // Only the library under core.env.program_dir: an installed frame server must not
        // decide these tests.
        set_script_library_system_search(false);
        dir_ = fs::path(::testing::TempDir()) /
               ("scriptsource_" + std::string(::testing::UnitTest::GetInstance()
                                                  ->current_test_info()
                                                  ->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ::unsetenv("QV_TEST_FRAMESERVER_FAIL_FRAME");
        ::unsetenv("QV_FAKE_FRAMESERVER");
    }
    void TearDown() override {
        set_script_library_system_search(true);
        ::unsetenv("QV_TEST_FRAMESERVER_FAIL_FRAME");
        ::unsetenv("QV_FAKE_FRAMESERVER");
        fs::remove_all(dir_);
    }

    // A script file with this text in the test's folder.
    std::string script(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p) << text << "\n";
        return p.string();
    }

    // A Core as the file commands leave it after classifying a script, with the movie
    // information hook counting its calls.
    void prepare(Core& core, const std::string& program_dir = PROGRAM_DIR) {
        core.env.program_dir = program_dir;
        core.hooks.show_movie_info = [this](Core& c) {
            ++movie_info_calls_;
            movie_info_line_ = line(c);
        };
    }

    // Opens `path` as the file commands do: classified as a script, the line started.
    void open(Core& core, const std::string& path) {
        core.settings.input_path = path;
        core.source.is_script = true;
        core.ui.main.set_text(mainp::INPUT, "input: " + path);
        core.show(" input");
        open_script_source(core);
    }

    fs::path dir_;
    int movie_info_calls_ = 0;
    std::string movie_info_line_;
};

// The state every failed open leaves behind.
void expect_no_input(const Core& core) {
    EXPECT_EQ(core.settings.input_path, "");
    EXPECT_FALSE(core.settings.input_opened);
    EXPECT_FALSE(core.settings.input_valid);
    EXPECT_FALSE(core.source.is_script);
    EXPECT_EQ(core.source.frame_count, 0);
    EXPECT_EQ(core.source.project_version, 0);
    EXPECT_EQ(core.frames->current_frame, 0);
    EXPECT_EQ(core.ui.main.text(mainp::INPUT), INPUT_CAPTION_UNSET);
}

// The frame server's own error text for importing `path`, read straight from the library.
std::string frame_server_error(const std::string& path) {
    DynamicLibrary lib;
    EXPECT_TRUE(lib.open(PROGRAM_DIR + "frameserver/libavisynth.so")) << lib.error();
    auto create = lib.function<avs_create_script_environment_func>("avs_create_script_environment");
    auto destroy = lib.function<avs_delete_script_environment_func>("avs_delete_script_environment");
    auto invoke = lib.function<avs_invoke_func>("avs_invoke");
    AVS_ScriptEnvironment* env = create(AVS_INTERFACE_VERSION);
    AVS_Value v = invoke(env, "Import", avs_new_value_string(path.c_str()), nullptr);
    std::string text = avs_is_error(v) ? avs_as_error(v) : "";
    destroy(env);
    return text;
}

void fill_planes(Core& core, uint8_t value) {
    std::memset(core.frames->y, value, MAX_PLANE_BYTES);
    std::memset(core.frames->u, value, MAX_PLANE_BYTES);
    std::memset(core.frames->v, value, MAX_PLANE_BYTES);
}

bool plane_is(const uint8_t* plane, size_t from, size_t to, uint8_t value) {
    for (size_t i = from; i < to; ++i)
        if (plane[i] != value) return false;
    return true;
}

TEST_F(ScriptSource, FailedOpensReplaceTheLineWithTheCodesMessageAndForgetTheInput) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"audio_only.avs", "BlankClip(length=100).KillVideo", " can't load video"},
        {"number.avs", "6 * 7", " can't load video"},
        {"text.avs", "\"no clip here\"", " can't load video"},
        {"empty_clip.avs", "BlankClip(length=0, width=720, height=576, pixel_type=\"YV12\")",
         " can't load video"},
        {"rgb32.avs", "BlankClip(length=10, width=720, height=576, fps=25)",
         " no YV12 color space, add ConvertToYV12() to script"},
        {"yuy2.avs", "BlankClip(length=10, width=720, height=576, pixel_type=\"YUY2\")",
         " no YV12 color space, add ConvertToYV12() to script"},
        {"bars_rgb.avs", "ColorBars(width=720, height=480)",
         " no YV12 color space, add ConvertToYV12() to script"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Core core;
        prepare(core);
        movie_info_calls_ = 0;
        open(core, script(c.name, c.text));
        EXPECT_EQ(line(core), c.message);
        expect_no_input(core);
        EXPECT_EQ(movie_info_calls_, 1);
        EXPECT_TRUE(core.source.script_library_loaded);  // the library stays for the next open
        EXPECT_EQ(fetch_script_frame(core, 0), SCRIPT_FRAME_FAILED);  // no clip is held
    }
}

TEST_F(ScriptSource, ImportErrorsShowTheFrameServersOwnText) {
    const std::string paths[] = {SAMPLES + "syntax_error.avs", (dir_ / "missing.avs").string(),
                                 script("unknown.avs", "NoSuchFilter(1)")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string own = frame_server_error(path);
        ASSERT_FALSE(own.empty());
        Core core;
        prepare(core);
        open(core, path);
        // The line shows the text's line feeds as blanks.
        std::string expected = std::string(" error loading Avisynth script, ") + own;
        for (char& ch : expected)
            if (ch == '\n') ch = ' ';
        EXPECT_EQ(line(core), expected.substr(0, 200));
        expect_no_input(core);
    }
}

TEST_F(ScriptSource, ImportErrorTextIsBoundedTo200Characters) {
    Core core;
    prepare(core);
    ASSERT_EQ(open_script_library(core), SCRIPT_OK);
    ScriptVideoInfo info;
    std::string error = "stale";
    const std::string long_path = (dir_ / (std::string(300, 'x') + ".avs")).string();
    EXPECT_EQ(open_script(core, long_path, info, error), SCRIPT_IMPORT_FAILED);
    EXPECT_EQ(error, frame_server_error(long_path).substr(0, 200));
    EXPECT_EQ(error.size(), 200u);
}

TEST_F(ScriptSource, SuccessfulOpenFillsTheSourceAndReportsInOrder) {
    struct Case {
        std::string path;
        int w, h, frames, num, den;
        int32_t colour;
        const char* line;
    };
    const Case cases[] = {
        {SAMPLES + "colorbars.avs", 720, 480, 300, 30000, 1001, SCRIPT_COLOUR_YV12,
         " input, Avisynth.dll loaded, Avisynth successfully initialized"},
        {SAMPLES + "i420.avs", 352, 288, 50, 25, 1, SCRIPT_COLOUR_I420,
         " input, Avisynth.dll loaded, Avisynth successfully initialized"},
        {SAMPLES + "dissolve.avs", 720, 480, 72, 24000, 1001, SCRIPT_COLOUR_YV12,
         " input, Avisynth.dll loaded, Avisynth successfully initialized, use pulldown for DVD "
         "compliancy"},
        {script("hd.avs", "BlankClip(length=30, width=1920, height=1080, pixel_type=\"YV12\", "
                          "fps=30, fps_denominator=1)"),
         1920, 1080, 30, 30, 1, SCRIPT_COLOUR_YV12,
         " input, Avisynth.dll loaded, Avisynth successfully initialized, WARNING, width > 720, "
         "height > 576, please resize source, WARNING, frame rate NOT DVD compliant, WARNING, "
         "resolution/frame rate mismatch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Core core;
        prepare(core);
        movie_info_calls_ = 0;
        core.frames->current_frame = 17;
        core.source.project_version = 12;
        open(core, c.path);
        EXPECT_EQ(line(core), c.line);
        const SourceState& src = core.source;
        EXPECT_EQ(src.width, c.w);
        EXPECT_EQ(src.height, c.h);
        EXPECT_EQ(src.frame_count, c.frames);
        EXPECT_EQ(src.rate_num, c.num);
        EXPECT_EQ(src.rate_den, c.den);
        EXPECT_EQ(src.colour_format, c.colour);
        EXPECT_EQ(src.luma_size, c.w * c.h);
        EXPECT_EQ(src.chroma_size, c.w * c.h / 4);
        EXPECT_EQ(src.luma_pitch, c.w);
        EXPECT_EQ(src.chroma_pitch, c.w / 2);
        EXPECT_FLOAT_EQ(src.fps, static_cast<float>(static_cast<double>(c.num) / c.den));
        EXPECT_TRUE(src.script_library_loaded);
        EXPECT_TRUE(src.is_script);
        EXPECT_EQ(src.project_version, 0);
        EXPECT_EQ(core.frames->current_frame, 0);
        EXPECT_TRUE(core.settings.input_opened);
        EXPECT_TRUE(core.settings.input_valid);
        EXPECT_EQ(core.settings.input_path, c.path);
        EXPECT_EQ(core.settings.end_frame, std::to_string(c.frames - 1));
        EXPECT_EQ(core.settings.frames_to_encode, c.frames);
        // The movie information comes after the properties and before the DVD check.
        EXPECT_EQ(movie_info_calls_, 1);
        EXPECT_EQ(movie_info_line_,
                  " input, Avisynth.dll loaded, Avisynth successfully initialized");
        EXPECT_EQ(core.ui.main.text(mainp::INPUT), "input: " + c.path);
    }
}

TEST_F(ScriptSource, FrameSizesTheStoreCannotHoldAreRefusedAtOpen) {
    struct Case {
        const char* name;
        const char* text;
        const char* appended;
    };
    const Case cases[] = {
        {"wide.avs", "BlankClip(length=5, width=2048, height=1080, pixel_type=\"YV12\")",
         ", can't load video, frame size above 1920 x 1152 not supported"},
        {"tall.avs", "BlankClip(length=5, width=720, height=1200, pixel_type=\"YV12\")",
         ", can't load video, frame size above 1920 x 1152 not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Core core;
        prepare(core);
        open(core, script(c.name, c.text));
        EXPECT_EQ(line(core),
                  std::string(" input, Avisynth.dll loaded") + c.appended);
        expect_no_input(core);
        EXPECT_EQ(fetch_script_frame(core, 0), SCRIPT_FRAME_FAILED);
    }
}

TEST_F(ScriptSource, LaterOpensKeepTheLibraryAndReplaceTheClip) {
    Core core;
    prepare(core);
    const std::string first = script("first.avs",
                                     "BlankClip(length=4, width=64, height=48, pixel_type=\"YV12\", "
                                     "color_yuv=$102030)");
    const std::string second = script("second.avs",
                                      "BlankClip(length=9, width=32, height=16, "
                                      "pixel_type=\"YV12\", color_yuv=$405060)");
    open(core, first);
    ASSERT_TRUE(core.settings.input_opened);
    open(core, second);
    // No second load message; the new clip is the one fetched.
    EXPECT_EQ(line(core), " input, Avisynth successfully initialized, WARNING, "
                                           "frame rate NOT DVD compliant, WARNING, "
                                           "resolution/frame rate mismatch");
    EXPECT_EQ(core.source.frame_count, 9);
    EXPECT_EQ(fetch_script_frame(core, 8), SCRIPT_OK);
    EXPECT_EQ(core.frames->y[0], 0x40);

    // A failed import after a good one: nothing held, the input forgotten.
    open(core, SAMPLES + "syntax_error.avs");
    expect_no_input(core);
    EXPECT_EQ(fetch_script_frame(core, 0), SCRIPT_FRAME_FAILED);

    // And the library still serves the next open.
    open(core, first);
    EXPECT_TRUE(core.settings.input_opened);
    EXPECT_EQ(fetch_script_frame(core, 3), SCRIPT_OK);
    EXPECT_EQ(core.frames->y[0], 0x10);
}

TEST_F(ScriptSource, MissingLibraryAppendsNotLoadedAndChangesNothingElse) {
    const fs::path empty_program = dir_ / "program";
    fs::create_directories(empty_program);
    Core core;
    prepare(core, empty_program.string() + "/");
    const std::string path = SAMPLES + "colorbars.avs";
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        core.frames->current_frame = 5;
        open(core, path);
        EXPECT_EQ(line(core), " input, Avisynth.dll NOT loaded");
        EXPECT_EQ(core.settings.input_path, path);
        EXPECT_TRUE(core.source.is_script);
        EXPECT_FALSE(core.settings.input_opened);
        EXPECT_FALSE(core.source.script_library_loaded);
        EXPECT_EQ(core.source.frame_count, 0);
        EXPECT_EQ(core.frames->current_frame, 5);
        EXPECT_EQ(core.ui.main.text(mainp::INPUT), "input: " + path);
        EXPECT_EQ(movie_info_calls_, 0);
        EXPECT_EQ(script_library_file(core), "");
    }
    // Without a library the binding answers 1.
    ScriptVideoInfo info;
    std::string error;
    EXPECT_EQ(open_script(core, path, info, error), SCRIPT_NOT_LOADED);
    EXPECT_EQ(fetch_script_frame(core, 0), SCRIPT_FRAME_FAILED);

    // The next open tries again: once the library is there, it loads.
    core.env.program_dir = PROGRAM_DIR;
    open(core, path);
    EXPECT_EQ(line(core),
              " input, Avisynth.dll loaded, Avisynth successfully initialized");
    EXPECT_TRUE(core.source.script_library_loaded);
}

TEST_F(ScriptSource, LibrariesThatAreNoFrameServerAreNotLoaded) {
    const fs::path junk_program = dir_ / "junk";
    fs::create_directories(junk_program / "frameserver");
    std::ofstream(junk_program / "frameserver" / "libavisynth.so") << "not a library\n";
    struct Case {
        std::string program_dir;
        const char* mode;
        int code;
    };
    const Case cases[] = {
        {junk_program.string() + "/", "", SCRIPT_NOT_LOADED},
        {FAKES + "not_a_frameserver/", "", SCRIPT_NO_ENVIRONMENT},
        {FAKES + "fake_frameserver/", "no-environment", SCRIPT_NO_ENVIRONMENT},
        {FAKES + "fake_frameserver/", "env-error", SCRIPT_NO_ENVIRONMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program_dir + " " + c.mode);
        ::setenv("QV_FAKE_FRAMESERVER", c.mode, 1);
        Core core;
        prepare(core, c.program_dir);
        EXPECT_EQ(open_script_library(core), c.code);
        EXPECT_EQ(script_library_file(core), "");  // nothing kept after a failure

        const std::string path = SAMPLES + "colorbars.avs";
        open(core, path);
        EXPECT_EQ(line(core), " input, Avisynth.dll NOT loaded");
        EXPECT_EQ(core.settings.input_path, path);
        EXPECT_FALSE(core.source.script_library_loaded);
        EXPECT_FALSE(core.source.script_env_created);
    }
}

TEST_F(ScriptSource, LibraryLookupFallsBackToTheBundledFrameServer) {
    set_script_library_system_search(true);
    const bool installed = [] {
        DynamicLibrary probe;
        return probe.open("libavisynth.so");
    }();
    Core core;
    prepare(core);
    ASSERT_EQ(open_script_library(core), SCRIPT_OK);
    const std::string bundled = PROGRAM_DIR + "frameserver/libavisynth.so";
    if (installed)
        EXPECT_NE(script_library_file(core), bundled);  // an installed frame server wins
    else
        EXPECT_EQ(script_library_file(core), bundled);
    EXPECT_EQ(open_script_library(core), SCRIPT_OK);  // loaded once
}

TEST_F(ScriptSource, CloseReleasesClipEnvironmentAndLibrary) {
    Core core;
    prepare(core);
    open(core, SAMPLES + "i420.avs");
    ASSERT_TRUE(core.settings.input_opened);
    ASSERT_NE(script_library_file(core), "");
    EXPECT_EQ(close_script_library(core), SCRIPT_OK);
    EXPECT_EQ(script_library_file(core), "");
    EXPECT_FALSE(core.source.script_library_loaded);
    EXPECT_EQ(fetch_script_frame(core, 0), SCRIPT_FRAME_FAILED);
    ScriptVideoInfo info;
    std::string error;
    EXPECT_EQ(open_script(core, SAMPLES + "i420.avs", info, error), SCRIPT_NOT_LOADED);
    EXPECT_EQ(close_script_library(core), SCRIPT_OK);  // a second close is harmless
}

TEST_F(ScriptSource, FetchPutsEachPlaneWhereItBelongs) {
    // A solid colour makes the planes tell U from V, for both plane orders.
    for (const char* format : {"YV12", "I420"}) {
        SCOPED_TRACE(format);
        Core core;
        prepare(core);
        open(core, script("solid.avs", std::string("BlankClip(length=3, width=352, height=288, "
                                                   "fps=25, pixel_type=\"") +
                                           format + "\", color_yuv=$515AF0)"));
        ASSERT_TRUE(core.settings.input_opened) << line(core);
        fill_planes(core, 0xEE);
        ASSERT_EQ(fetch_script_frame(core, 2), SCRIPT_OK);
        const size_t luma = 352 * 288, chroma = luma / 4;
        EXPECT_TRUE(plane_is(core.frames->y, 0, luma, 0x51));
        EXPECT_TRUE(plane_is(core.frames->u, 0, chroma, 0x5A));
        EXPECT_TRUE(plane_is(core.frames->v, 0, chroma, 0xF0));
        // Nothing past the packed planes is written.
        EXPECT_TRUE(plane_is(core.frames->y, luma, luma + 4096, 0xEE));
        EXPECT_TRUE(plane_is(core.frames->u, chroma, chroma + 4096, 0xEE));
        EXPECT_TRUE(plane_is(core.frames->v, chroma, chroma + 4096, 0xEE));
    }
}

TEST_F(ScriptSource, FetchCopiesPaddedRowsOneByOne) {
    // Colour bars: every row of the top two thirds is the same, the bars change along the row,
    // and the bottom rows differ from the top. The frame server's rows are padded, so a copy
    // that ignores either pitch shifts or mixes rows.
    Core core;
    prepare(core);
    open(core, SAMPLES + "colorbars.avs");
    ASSERT_TRUE(core.settings.input_opened);
    ASSERT_EQ(fetch_script_frame(core, 0), SCRIPT_OK);
    const int w = 720, h = 480, cw = w / 2;
    const uint8_t* y = core.frames->y;
    const uint8_t* u = core.frames->u;
    for (int r = 1; r < h * 2 / 3; ++r) {
        ASSERT_EQ(std::memcmp(y + r * w, y, w), 0) << "luma row " << r;
        if (r < h / 3) {
            ASSERT_EQ(std::memcmp(u + r * cw, u, cw), 0) << "chroma row " << r;
        }
    }
    std::vector<uint8_t> levels;
    for (int x = 0; x < w; ++x)
        if (levels.empty() || levels.back() != y[x]) levels.push_back(y[x]);
    EXPECT_EQ(levels.size(), 7u);  // seven bars, no stray bytes between them
    EXPECT_NE(std::memcmp(y + (h - 1) * w, y, w), 0);
    for (int r = h * 3 / 4 + 1; r < h; ++r) ASSERT_EQ(std::memcmp(y + r * w, y + (h - 1) * w, w), 0);
}

TEST_F(ScriptSource, FetchFailuresLeaveThePlanesAlone) {
    Core core;
    prepare(core);
    open(core, script("cuts.avs",
                      "a = BlankClip(length=3, width=64, height=48, pixel_type=\"YV12\", "
                      "color_yuv=$102030)\n"
                      "a ++ BlankClip(a, color_yuv=$405060)"));
    ASSERT_EQ(core.source.frame_count, 6);
    ::setenv("QV_TEST_FRAMESERVER_FAIL_FRAME", "4", 1);
    struct Case {
        int n;
        int code;
        uint8_t y, u, v;
    };
    const Case cases[] = {
        {2, SCRIPT_OK, 0x10, 0x20, 0x30},       {3, SCRIPT_OK, 0x40, 0x50, 0x60},
        {6, SCRIPT_FRAME_FAILED, 0xEE, 0xEE, 0xEE},  // past the end: not clamped to frame 5
        {-1, SCRIPT_FRAME_FAILED, 0xEE, 0xEE, 0xEE},
        {4, SCRIPT_FRAME_FAILED, 0xEE, 0xEE, 0xEE},  // the frame server refuses it
        {5, SCRIPT_OK, 0x40, 0x50, 0x60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        fill_planes(core, 0xEE);
        EXPECT_EQ(fetch_script_frame(core, c.n), c.code);
        EXPECT_TRUE(plane_is(core.frames->y, 0, 64 * 48, c.y));
        EXPECT_TRUE(plane_is(core.frames->u, 0, 32 * 24, c.u));
        EXPECT_TRUE(plane_is(core.frames->v, 0, 32 * 24, c.v));
    }
}

TEST_F(ScriptSource, FetchHonoursWhatTheFramesReport) {
    // Frames without chroma pitch move luma only; rows wider than the destination pitch are
    // refused whole.
    struct Case {
        const char* mode;
        int code;
        uint8_t y;
    };
    const Case cases[] = {{"no-chroma", SCRIPT_OK, 101}, {"wide-rows", SCRIPT_FRAME_FAILED, 0xEE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ::setenv("QV_FAKE_FRAMESERVER", c.mode, 1);
        Core core;
        prepare(core, FAKES + "fake_frameserver/");
        open(core, "anything.avs");
        ASSERT_TRUE(core.settings.input_opened) << line(core);
        fill_planes(core, 0xEE);
        EXPECT_EQ(fetch_script_frame(core, 1), c.code);
        EXPECT_TRUE(plane_is(core.frames->y, 0, 64 * 48, c.y));
        EXPECT_TRUE(plane_is(core.frames->y, 64 * 48, 64 * 48 + 256, 0xEE));
        EXPECT_TRUE(plane_is(core.frames->u, 0, 4096, 0xEE));
        EXPECT_TRUE(plane_is(core.frames->v, 0, 4096, 0xEE));
    }
}

}  // namespace
}  // namespace qv

// Opening index projects through the decoder libraries of the program directory, as the file
// commands do (classify, clear decoder_loaded, open), and reading frames back into the store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "sources/input_classification.h"
#include "sources/project_source.h"

using namespace qv;
using namespace qv::decoder_test;

namespace {

constexpr int32_t YV12 = static_cast<int32_t>(0xA0000008u);
const std::string LOADED_10 = ", DGDecode.dll (project version 10) loaded";
const std::string INITIALIZED = ", DGDecode successfully initialized";

struct Stream {
    std::string name;
    int width, height, rate_num, rate_den, frames;
};
const Stream PAL{"pal_count", 720, 576, 25, 1, 40};
const Stream NTSC{"ntsc_cut", 720, 480, 30000, 1001, 30};

std::string stream_path(const Stream& s) { return material(s.name + ".m2v").string(); }

// The message line as one line (it breaks long texts at blanks).
std::string flat(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Whether a library file is mapped into this process.
bool mapped(const std::string& file_name) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.size() >= file_name.size() &&
            line.compare(line.size() - file_name.size(), file_name.size(), file_name) == 0)
            return true;
    return false;
}

// What the movie information saw when the open refreshed it.
struct MovieInfoCall {
    std::string message;
    bool input_opened;
    int32_t frames_to_encode;
    float fps;
};

class ProjectSourceTest : public ::testing::Test {
protected:
    ProjectSourceTest() {
        core.env.program_dir = std::string(QV_PROGRAM_DIR) + "/";
        core.env.decoder_dir = core.env.program_dir + "DGDecode/";
        core.hooks.show_movie_info = [this](Core& c) {
            movie_info.push_back({flat(c.message.message_text()), c.settings.input_opened,
                                  c.settings.frames_to_encode, c.source.fps});
        };
    }
    ~ProjectSourceTest() override { free_decoder_library(core); }

    std::string write_project(const std::string& text) {
        const auto path = dir_ / ("project" + std::to_string(++projects_) + ".d2v");
        write_file(path, text);
        return path.string();
    }

    // The user picks a project: classified, a new library for it, the line starts afresh.
    void choose(const std::string& project_path) {
        core.settings.input_path = project_path;
        core.settings.input_valid = true;
        classify_input(core);
        ASSERT_TRUE(core.source.is_project) << project_path;
        core.source.decoder_loaded = false;
        core.show(" ", false);
    }
    void choose(int version, const std::vector<std::string>& files) {
        choose(write_project(project_text(version, files)));
    }

    // A project for the stand-in library, which reports exactly these properties.
    void choose_fake(const std::string& properties, int32_t version = 12) {
        core.settings.input_path = write_project(properties + "\n");
        core.settings.input_valid = true;
        core.source.is_project = true;
        core.source.project_version = version;
        core.source.decoder_library_path = QV_FAKE_DECODER_LIBRARY;
        core.source.decoder_loaded = false;
        core.show(" ", false);
    }

    std::string message() const { return flat(core.message.message_text()); }
    ProjectBinding& binding() { return project_binding(core); }

    // The state every failed project open leaves.
    void expect_closed_after_failure() {
        EXPECT_FALSE(core.settings.input_opened);
        EXPECT_FALSE(core.settings.input_valid);
        EXPECT_TRUE(core.settings.input_path.empty());
        EXPECT_FALSE(core.source.decoder_loaded);
        EXPECT_FALSE(core.source.is_project);
        EXPECT_EQ(core.source.frame_count, 0);
        EXPECT_FALSE(binding().library.is_open());
        EXPECT_EQ(core.ui.main.text(mainp::INPUT), INPUT_CAPTION_UNSET);
        ASSERT_FALSE(movie_info.empty());
        EXPECT_FALSE(movie_info.back().input_opened);
        EXPECT_EQ(fetch_project_frame(core, 0), DECODER_NOT_LOADED);
    }

    TempDir dir_;
    ScopedEnv cache_{"XDG_CACHE_HOME", (dir_.path() / "cache").string()};
    Core core;
    std::vector<MovieInfoCall> movie_info;
    int projects_ = 0;
};

TEST_F(ProjectSourceTest, EverySupportedVersionLoadsItsLibraryAndFillsTheSource) {
    for (int version : {6, 10, 11, 12, 13}) {
        for (const Stream& s : {PAL, NTSC}) {
            SCOPED_TRACE(std::to_string(version) + " " + s.name);
            movie_info.clear();
            choose(version, {stream_path(s)});
            open_project_source(core);

            // Both sources are DVD sizes at DVD rates: nothing but the two reports.
            const std::string loaded =
                ", DGDecode.dll (project version " + std::to_string(version) + ") loaded";
            EXPECT_EQ(message(), loaded + INITIALIZED);
            char library[32];
            std::snprintf(library, sizeof library, "DGDecode%02d.dll", version);
            EXPECT_EQ(std::filesystem::path(binding().library.path()).filename(), library);

            const SourceState& src = core.source;
            EXPECT_TRUE(core.settings.input_opened);
            EXPECT_TRUE(core.settings.input_valid);
            EXPECT_TRUE(src.decoder_loaded);
            EXPECT_TRUE(src.is_project);
            EXPECT_EQ(src.width, s.width);
            EXPECT_EQ(src.height, s.height);
            EXPECT_EQ(src.frame_count, s.frames);
            EXPECT_EQ(src.rate_num, s.rate_num);
            EXPECT_EQ(src.rate_den, s.rate_den);
            EXPECT_EQ(src.colour_format, YV12);
            EXPECT_EQ(src.luma_size, s.width * s.height);
            EXPECT_EQ(src.chroma_size, s.width * s.height / 4);
            EXPECT_FLOAT_EQ(src.fps, static_cast<float>(double(s.rate_num) / s.rate_den));
            EXPECT_NEAR(src.duration_s, s.frames * double(s.rate_den) / s.rate_num, 1e-4);
            EXPECT_EQ(core.settings.start_frame_value, 0);
            EXPECT_EQ(core.settings.end_frame_value, s.frames - 1);
            EXPECT_EQ(core.settings.frames_to_encode, s.frames);
            EXPECT_EQ(core.frames->current_frame, 0);
            ASSERT_EQ(movie_info.size(), 1u);
            EXPECT_TRUE(movie_info[0].input_opened);
        }
    }
}

TEST_F(ProjectSourceTest, PropertiesMovieInformationAndDvdWarningsComeInThatOrder) {
    // 1920 x 1080 at 25: the warnings about the size follow the open's own reports, and the
    // movie information is shown with the frame range and rate already derived.
    choose_fake("1920 1080 25 1 250 7");
    core.settings.pulldown = false;
    open_project_source(core);
    const std::string opened = ", DGDecode.dll (project version 12) loaded" + INITIALIZED;
    EXPECT_EQ(message(), opened +
                             ", WARNING, width > 720, height > 576, please resize source"
                             ", WARNING, resolution/frame rate mismatch");
    ASSERT_EQ(movie_info.size(), 1u);
    EXPECT_EQ(movie_info[0].message, opened);
    EXPECT_EQ(movie_info[0].frames_to_encode, 250);
    EXPECT_FLOAT_EQ(movie_info[0].fps, 25.0f);
    EXPECT_EQ(core.source.colour_format, 7);  // kept as the library reports it
}

TEST_F(ProjectSourceTest, EveryOpenFailureIsReportedAndLeavesNoInputAndNoLibrary) {
    // A stream cut inside its sequence header, and one with headers but no picture.
    const std::string pal = read_file(stream_path(PAL));
    write_file(dir_ / "cut_header.m2v", pal.substr(0, 8));
    write_file(dir_ / "no_picture.m2v", pal.substr(0, 28) + std::string("\0\0\1\xb7", 4));
    write_file(dir_ / "empty.m2v", "");

    struct Case {
        const char* what;
        std::string project;  // for the real version-10 library
        std::string fake;     // or properties for the stand-in library
        std::string expected;
    };
    const std::string cant_open = ", error initializing DGDecode, can't open mpeg file";
    const std::string no_specs =
        ", error initializing DGDecode, mpeg file opened but can't read specifications";
    const std::string opened_12 = ", DGDecode.dll (project version 12) loaded";
    const std::vector<Case> cases = {
        {"sound only", project_text(10, {material("tone.wav").string()}), "", LOADED_10 + cant_open},
        {"MPEG-4 video", project_text(10, {material("clip_mpeg4.avi").string()}), "",
         LOADED_10 + cant_open},
        {"stream cut in its header", project_text(10, {(dir_ / "cut_header.m2v").string()}), "",
         LOADED_10 + cant_open},
        {"empty stream", project_text(10, {(dir_ / "empty.m2v").string()}), "", LOADED_10 + cant_open},
        // The decoder library refuses a stream without pictures when it opens it.
        {"no picture", project_text(10, {(dir_ / "no_picture.m2v").string()}), "",
         LOADED_10 + cant_open},
        {"no source file lines", "QVTestIndexProject10\n0\n", "", LOADED_10 + cant_open},
        {"zero frames", "", "720 576 25 1 0 0", opened_12 + no_specs},
        {"zero width", "", "0 576 25 1 10 0", opened_12 + no_specs},
        {"zero height", "", "720 0 25 1 10 0", opened_12 + no_specs},
        {"zero rate numerator", "", "720 576 0 1 10 0", opened_12 + no_specs},
        {"zero rate denominator", "", "720 576 25 0 10 0", opened_12 + no_specs},
        {"negative frame count", "", "720 576 25 1 -5 0", opened_12 + no_specs},
        {"record refused", "", "not a record", opened_12 + cant_open},
        {"frame wider than the store", "", "2048 1080 25 1 10 0",
         opened_12 + ", can't load video, frame size above 1920 x 1152 not supported"},
        {"frame taller than the store", "", "720 1200 25 1 10 0",
         opened_12 + ", can't load video, frame size above 1920 x 1152 not supported"},
        {"odd frame width", "", "721 576 25 1 10 0",
         opened_12 + ", can't load video, frame size must be even"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        movie_info.clear();
        if (c.fake.empty())
            choose(write_project(c.project));
        else
            choose_fake(c.fake);
        open_project_source(core);
        EXPECT_EQ(message(), c.expected);
        expect_closed_after_failure();
    }
}

TEST_F(ProjectSourceTest, LibraryWithoutCloseVideoIsRefusedWithCode130) {
    choose(10, {stream_path(PAL)});
    core.source.decoder_library_path = QV_DECODER_BROKEN_LIBRARY;
    open_project_source(core);
    EXPECT_EQ(message(),
              LOADED_10 + ", error initializing DGDecode, can't load load routines from dll");
    expect_closed_after_failure();

    // The binding layer alone: the code, and no entry point kept.
    ASSERT_EQ(load_decoder_library(core, QV_DECODER_BROKEN_LIBRARY), DECODER_OK);
    ProjectProperties p;
    EXPECT_EQ(open_project(core, write_project(project_text(10, {stream_path(PAL)})), p),
              DECODER_ENTRY_POINT_MISSING);
    EXPECT_FALSE(binding().entry_points_bound);
    EXPECT_EQ(binding().open_source, nullptr);
    EXPECT_EQ(binding().get_frame, nullptr);
}

TEST_F(ProjectSourceTest, MissingOrUnloadableLibraryLeavesTheInputNamedButNotOpened) {
    TempDir program;
    std::filesystem::create_directory(program.path() / "DGDecode");
    core.env.program_dir = program.path().string() + "/";
    core.env.decoder_dir = core.env.program_dir + "DGDecode/";

    const std::string project = write_project(project_text(11, {stream_path(PAL)}));
    choose(project);
    EXPECT_EQ(core.source.decoder_library_path, core.env.decoder_dir + "DGDecode11.dll");
    open_project_source(core);
    EXPECT_EQ(message(), ", DGDecode.dll NOT found in " + program.path().string() + "/DGDecode");

    // A file of that name that is no library.
    write_file(program.path() / "DGDecode" / "DGDecode11.dll", "MZ not a library at all");
    choose(project);
    open_project_source(core);
    EXPECT_EQ(message(), ", DGDecode.dll NOT loaded");

    EXPECT_FALSE(core.settings.input_opened);
    EXPECT_TRUE(core.settings.input_valid);
    EXPECT_EQ(core.settings.input_path, project);
    EXPECT_FALSE(core.source.decoder_loaded);
    EXPECT_TRUE(core.source.is_project);
    EXPECT_FALSE(binding().library.is_open());
    EXPECT_TRUE(movie_info.empty());
    EXPECT_FALSE(mapped("DGDecode11.dll"));
}

TEST_F(ProjectSourceTest, BindingCodesWithoutALibrary) {
    ProjectProperties p;
    EXPECT_EQ(open_project(core, "/nonexistent.d2v", p), DECODER_NOT_LOADED);
    EXPECT_EQ(free_decoder_library(core), DECODER_OK);
    EXPECT_EQ(load_decoder_library(core, (dir_ / "none.dll").string()), DECODER_NOT_LOADED);
    EXPECT_EQ(fetch_project_frame(core, 0), DECODER_NOT_LOADED);

    // A stale decoder_loaded with no library held: the open reports code 128.
    choose(10, {stream_path(PAL)});
    core.source.decoder_loaded = true;
    open_project_source(core);
    EXPECT_EQ(message(), ", error initializing DGDecode, dll not loaded");
    expect_closed_after_failure();
}

TEST_F(ProjectSourceTest, UnsupportedVersionStopsAfterLoadingWithoutAReport) {
    choose_fake("720 576 25 1 10 0", 9);
    open_project_source(core);
    EXPECT_EQ(message(), "");
    EXPECT_FALSE(core.source.decoder_loaded);
    EXPECT_FALSE(core.settings.input_opened);
    EXPECT_TRUE(movie_info.empty());
}

TEST_F(ProjectSourceTest, FramesReadBackMatchTheReferenceDecode) {
    for (const Stream& s : {PAL, NTSC}) {
        SCOPED_TRACE(s.name);
        choose(12, {stream_path(s)});
        open_project_source(core);
        ASSERT_TRUE(core.settings.input_opened) << message();
        const Reference ref(material(s.name + ".yuv"), s.width, s.height);
        ASSERT_EQ(ref.frame_count(), s.frames);
        const std::size_t luma = static_cast<std::size_t>(s.width) * s.height;
        const std::size_t chroma = luma / 4;

        // Every frame in order, then in a shuffled order.
        std::vector<int> order(static_cast<std::size_t>(s.frames));
        std::iota(order.begin(), order.end(), 0);
        std::vector<int> shuffled = order;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
        order.insert(order.end(), shuffled.begin(), shuffled.end());
        for (int n : order) {
            ASSERT_EQ(fetch_project_frame(core, n), DECODER_OK) << n;
            const std::uint8_t* r = ref.frame(n);
            const FrameStore& f = *core.frames;
            EXPECT_LE(mean_abs_diff(f.y, r, luma), 0.5) << "Y of frame " << n;
            EXPECT_LE(mean_abs_diff(f.u, r + luma, chroma), 0.5) << "U of frame " << n;
            EXPECT_LE(mean_abs_diff(f.v, r + luma + chroma, chroma), 0.5) << "V of frame " << n;
        }
        // The chroma planes are not swapped: U differs from V in the reference.
        ASSERT_EQ(fetch_project_frame(core, 0), DECODER_OK);
        EXPECT_GT(mean_abs_diff(core.frames->u, ref.frame(0) + luma + chroma, chroma), 2.0);
    }
}

TEST_F(ProjectSourceTest, FrameNumbersOutsideTheSourceAreClampedAndNothingIsReadBeyondTheFrame) {
    // The stand-in delivers only frames 0..9, each of exactly its packed size.
    choose_fake("352 288 25 1 10 0");
    open_project_source(core);
    ASSERT_TRUE(core.settings.input_opened) << message();
    const std::size_t luma = 352 * 288, chroma = luma / 4;
    auto expect_frame = [&](int requested, int delivered) {
        SCOPED_TRACE(requested);
        ASSERT_EQ(fetch_project_frame(core, requested), DECODER_OK);
        const FrameStore& f = *core.frames;
        for (std::size_t i = 0; i < luma; ++i)
            ASSERT_EQ(f.y[i], static_cast<std::uint8_t>(i * 3 + delivered)) << i;
        for (std::size_t i = 0; i < chroma; ++i) {
            ASSERT_EQ(f.u[i], static_cast<std::uint8_t>(i * 5 + delivered + 1)) << i;
            ASSERT_EQ(f.v[i], static_cast<std::uint8_t>(i * 7 + delivered + 2)) << i;
        }
    };
    expect_frame(3, 3);
    expect_frame(-1, 0);
    expect_frame(INT32_MIN, 0);
    expect_frame(10, 9);
    expect_frame(INT32_MAX, 9);
    // Bytes past the frame's planes stay as they were.
    core.frames->u[chroma] = 0xAB;
    core.frames->y[luma] = 0xCD;
    expect_frame(5, 5);
    EXPECT_EQ(core.frames->u[chroma], 0xAB);
    EXPECT_EQ(core.frames->y[luma], 0xCD);

    // The real library too: both ends give the first and last frames.
    choose(10, {stream_path(PAL)});
    open_project_source(core);
    ASSERT_TRUE(core.settings.input_opened) << message();
    const Reference ref(material("pal_count.yuv"), 720, 576);
    for (auto [requested, delivered] : {std::pair{-7, 0}, {40, 39}, {1000000, 39}}) {
        ASSERT_EQ(fetch_project_frame(core, requested), DECODER_OK);
        EXPECT_LE(mean_abs_diff(core.frames->y, ref.frame(delivered), 720 * 576), 0.5) << requested;
    }
}

TEST_F(ProjectSourceTest, AFrameTheLibraryCannotDeliverLeavesThePlanesAlone) {
    choose_fake("352 288 25 1 10 0 blank");
    open_project_source(core);
    ASSERT_TRUE(core.settings.input_opened) << message();
    std::memset(core.frames->y, 0x11, 352 * 288);
    std::memset(core.frames->v, 0x22, 352 * 288 / 4);
    EXPECT_EQ(fetch_project_frame(core, 4), DECODER_NO_FRAME);
    EXPECT_EQ(core.frames->y[0], 0x11);
    EXPECT_EQ(core.frames->y[352 * 288 - 1], 0x11);
    EXPECT_EQ(core.frames->v[352 * 288 / 4 - 1], 0x22);
}

TEST_F(ProjectSourceTest, TruncatedStreamOpensWithTheFramesItHolds) {
    const std::string pal = read_file(stream_path(PAL));
    write_file(dir_ / "half.m2v", pal.substr(0, pal.size() / 2));
    choose(10, {(dir_ / "half.m2v").string()});
    open_project_source(core);
    EXPECT_EQ(message(), LOADED_10 + INITIALIZED);
    ASSERT_TRUE(core.settings.input_opened);
    EXPECT_GE(core.source.frame_count, 1);
    EXPECT_LT(core.source.frame_count, PAL.frames);
    const Reference ref(material("pal_count.yuv"), 720, 576);
    for (int n = 0; n < core.source.frame_count; ++n) {
        ASSERT_EQ(fetch_project_frame(core, n), DECODER_OK) << n;
        // The pictures before the cut decode as they should (the last may be damaged).
        if (n + 1 < core.source.frame_count) {
            EXPECT_LE(mean_abs_diff(core.frames->y, ref.frame(n), 720 * 576), 0.5) << n;
        }
    }
}

TEST_F(ProjectSourceTest, EachNewProjectReloadsAndAnotherVersionUnloadsThePreviousLibrary) {
    choose(10, {stream_path(PAL)});
    open_project_source(core);
    ASSERT_TRUE(core.settings.input_opened) << message();
    EXPECT_TRUE(mapped("DGDecode10.dll"));

    choose(12, {stream_path(NTSC)});
    open_project_source(core);
    EXPECT_EQ(message(), ", DGDecode.dll (project version 12) loaded" + INITIALIZED);
    EXPECT_FALSE(mapped("DGDecode10.dll"));
    EXPECT_TRUE(mapped("DGDecode12.dll"));
    EXPECT_EQ(core.source.width, 720);
    EXPECT_EQ(core.source.height, 480);
    ASSERT_EQ(fetch_project_frame(core, 29), DECODER_OK);

    // The same version again is loaded afresh, and the new project is the one read.
    choose(12, {stream_path(PAL)});
    open_project_source(core);
    EXPECT_EQ(message(), ", DGDecode.dll (project version 12) loaded" + INITIALIZED);
    EXPECT_EQ(core.source.height, 576);
    EXPECT_EQ(core.source.frame_count, 40);

    // After a failed open the next open reports no unloading error.
    choose(13, {material("tone.wav").string()});
    open_project_source(core);
    EXPECT_FALSE(mapped("DGDecode12.dll"));
    EXPECT_FALSE(mapped("DGDecode13.dll"));
    choose(6, {stream_path(PAL)});
    open_project_source(core);
    EXPECT_EQ(message(), ", DGDecode.dll (project version 6) loaded" + INITIALIZED);

    // Shutdown: released once, then nothing is held.
    EXPECT_EQ(free_decoder_library(core), DECODER_OK);
    EXPECT_FALSE(mapped("DGDecode06.dll"));
    EXPECT_EQ(free_decoder_library(core), DECODER_OK);
    EXPECT_EQ(fetch_project_frame(core, 0), DECODER_NOT_LOADED);
}

}  // namespace

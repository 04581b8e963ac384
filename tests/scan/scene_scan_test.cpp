#include "preview/scene_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "preview/bitmap.h"
#include "preview/chapter_list.h"
#include "sources/frame_fetch.h"
#include "sources/input_classification.h"
#include "sources/project_source.h"
#include "sources/script_source.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::vector<int32_t> chapters_of(const Core& core) {
    const Settings& s = core.settings;
    return std::vector<int32_t>(s.chapters.begin() + 1, s.chapters.begin() + 1 + s.chapter_count);
}

// A Core with a frame-server script open, as the program has it after choosing the input.
class ScanTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        set_script_library_system_search(false);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir_ = fs::temp_directory_path() / ("qv_scan_" + std::to_string(::getpid()) + "_" + name);
        fs::create_directories(dir_);
        core_ = make_core();
    }
    void TearDown() override {
        core_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::unique_ptr<Core> make_core() {
        auto core = std::make_unique<Core>();
        core->env.program_dir = std::string(QV_PROGRAM_DIR) + "/";
        core->vector_level = 2;
        set_scan_options(*core, ScanOptions{GetParam()});
        return core;
    }

    // Opens a script given as text (written to the test's folder) or a sample by file name.
    void open_script_text(const std::string& text, Core* core = nullptr) {
        fs::path file = dir_ / ("clip" + std::to_string(scripts_++) + ".avs");
        std::ofstream(file) << text;
        open_file(file.string(), core);
    }
    void open_sample(const std::string& name) {
        open_file(std::string(QV_PROGRAM_DIR) + "/samples/scripts/" + name, nullptr);
    }
    void open_file(const std::string& path, Core* core) {
        Core& c = core ? *core : *core_;
        c.settings.input_path = path;
        c.settings.input_valid = true;
        c.source.is_script = true;
        open_script_source(c);
        ASSERT_TRUE(c.settings.input_opened) << path << ": " << c.message.message_text();
        for (int id : prv::SOURCE_CONTROLS) c.ui.preview.set_enabled(id, true);
    }

    // An MPEG-2 index project over a stream that ffmpeg makes: `first` frames of grey, a hard cut,
    // then `second` frames of white (CIF, 25 frames per second).
    void open_project_with_cut(int first, int second) {
        const fs::path stream = dir_ / "cut.m2v";
        const std::string command =
            "ffmpeg -nostdin -v error -y -f lavfi -i color=c=0x808080:s=352x288:r=25 -f lavfi -i "
            "color=c=white:s=352x288:r=25 -filter_complex \"[0]trim=end_frame=" +
            std::to_string(first) + "[a];[1]trim=end_frame=" + std::to_string(second) +
            "[b];[a][b]concat=n=2:v=1\" -c:v mpeg2video -g 12 -bf 2 -q:v 2 -f mpeg2video " +
            stream.string();
        if (std::system(command.c_str()) != 0) GTEST_SKIP() << "ffmpeg could not make the stream";
        const fs::path project = dir_ / "cut.d2v";
        std::ofstream(project) << "QVScanTestProject12\n1\n" << stream.string() << "\n";
        ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        Core& c = *core_;
        c.env.decoder_dir = c.env.program_dir + "DGDecode/";
        c.settings.input_path = project.string();
        c.settings.input_valid = true;
        classify_input(c);
        ASSERT_TRUE(c.source.is_project);
        open_project_source(c);
        ASSERT_TRUE(c.settings.input_opened) << c.message.message_text();
        ASSERT_EQ(c.source.frame_count, first + second);
        for (int id : prv::SOURCE_CONTROLS) c.ui.preview.set_enabled(id, true);
    }

    // Starts the scan and waits for the worker to end by itself.
    void scan_to_end() {
        core_->show(" creating a chapter list based on scene changes");
        toggle_scene_scan(*core_);
        wait_scene_scan(*core_);
    }

    void expect_idle_page(const Core& core) {
        EXPECT_FALSE(scan_running(core));
        EXPECT_EQ(core.ui.preview.text(prv::SCAN), SCAN_CAPTION);
        for (int id : SCAN_LOCKED_CONTROLS) EXPECT_TRUE(core.ui.preview.enabled(id)) << id;
        // The list box shows the list.
        std::vector<std::string> entries;
        for (int32_t c : chapters_of(core)) entries.push_back(chapter_entry_text(c));
        EXPECT_EQ(core.ui.preview.entries(prv::CHAPTER_LIST), entries);
    }

    fs::path dir_;
    int scripts_ = 0;
    std::unique_ptr<Core> core_;
};

const char* const GREY = "$808080";

std::string blank(int length, const char* colour, int width = 352, int height = 288) {
    return "BlankClip(length=" + std::to_string(length) + ", width=" + std::to_string(width) +
           ", height=" + std::to_string(height) + ", pixel_type=\"YV12\", fps=25, color=" + colour +
           ")";
}

// Hard cuts of the sample (grey and white shots) become chapters at the first frame of each new
// shot; the scan ends with its message, the page as it was and the encode button as it was.
TEST_P(ScanTest, HardCutsOfTheSampleBecomeChapters) {
    ASSERT_NO_FATAL_FAILURE(open_sample("grey_white_cuts.avs"));
    for (bool encode : {true, false}) {
        core_->ui.window.set_enabled(win::ENCODE, encode);
        scan_to_end();
        EXPECT_EQ(chapters_of(*core_), (std::vector<int32_t>{48, 72, 144}));
        EXPECT_EQ(core_->message.message_text(), " scene change chapters put into list");
        expect_idle_page(*core_);
        EXPECT_EQ(core_->ui.window.enabled(win::ENCODE), encode);
        // The progress reached the end: frame 167 of 168 is 994 on the slider.
        EXPECT_EQ(core_->ui.preview.position(prv::SLIDER), 994);
        EXPECT_EQ(core_->ui.preview.text(prv::CURRENT_FRAME), "167");
    }
}

TEST_P(ScanTest, OneFrameFindsNothing) {
    ASSERT_NO_FATAL_FAILURE(open_script_text(blank(1, GREY)));
    edit_chapter_list(*core_, 5);  // an old list is emptied by the start
    scan_to_end();
    EXPECT_EQ(core_->settings.chapter_count, 0);
    EXPECT_EQ(core_->message.message_text(), " no scene change found");
    expect_idle_page(*core_);
}

TEST_P(ScanTest, NoSourceFindsNothing) {
    scan_to_end();
    EXPECT_EQ(core_->settings.chapter_count, 0);
    EXPECT_EQ(core_->message.message_text(), " no scene change found");
    expect_idle_page(*core_);
}

// A fade from black to white over 24 frames changes every frame by about the same amount: the
// ratios stay small and nothing is marked.
TEST_P(ScanTest, SteadyDissolveMarksNothing) {
    ASSERT_NO_FATAL_FAILURE(open_sample("dissolve.avs"));
    scan_to_end();
    EXPECT_EQ(core_->settings.chapter_count, 0);
    EXPECT_EQ(core_->message.message_text(), " no scene change found");
}

TEST_P(ScanTest, CutBetweenTheFirstTwoFramesMarksFrameOne) {
    ASSERT_NO_FATAL_FAILURE(open_script_text(blank(1, "$000000") + " ++ " + blank(30, "$E0E0E0")));
    scan_to_end();
    EXPECT_EQ(chapters_of(*core_), (std::vector<int32_t>{1}));
}

// The same through the decoder library: an index project with a cut at frame 30.
TEST_P(ScanTest, HardCutInAnIndexProject) {
    ASSERT_NO_FATAL_FAILURE(open_project_with_cut(30, 25));
    if (IsSkipped()) return;
    scan_to_end();
    EXPECT_EQ(chapters_of(*core_), (std::vector<int32_t>{30}));
    EXPECT_EQ(core_->message.message_text(), " scene change chapters put into list");
    expect_idle_page(*core_);
}

// A still shot cut at frame k to a shot that changes a little every frame: chapter k, and while
// the worker marks it, the preview shows frame k + 1 and the page is locked.
TEST_P(ScanTest, MarkShowsTheFrameAfterTheCut) {
    const int k = 20;
    ASSERT_NO_FATAL_FAILURE(open_script_text(blank(k, GREY) + " ++ Dissolve(" + blank(41, "$202020") + ", " +
                     blank(41, "$606060") + ", 40)"));
    struct Seen {
        std::vector<uint8_t> bitmap;
        int32_t chapters = 0;
        bool running = false, locked = true, list_empty = false;
        std::string caption;
    };
    std::mutex mutex;
    std::vector<Seen> seen;
    core_->ui.preview.add_observer([&](PageId, int id) {
        if (id != prv::PREVIEW_BOX) return;
        Seen s;
        {
            std::lock_guard<std::mutex> lock(core_->frames->bitmap_mutex);
            s.bitmap.assign(core_->frames->bitmap, core_->frames->bitmap + bitmap_size(352, 288));
        }
        s.chapters = core_->settings.chapter_count;
        s.running = scan_running(*core_);
        for (int c : SCAN_LOCKED_CONTROLS) s.locked = s.locked && !core_->ui.preview.enabled(c);
        s.list_empty = core_->ui.preview.entry_count(prv::CHAPTER_LIST) == 0;
        s.caption = core_->ui.preview.text(prv::SCAN);
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(std::move(s));
    });
    scan_to_end();
    ASSERT_EQ(chapters_of(*core_), (std::vector<int32_t>{k}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].chapters, 1);
    EXPECT_TRUE(seen[0].running);
    EXPECT_TRUE(seen[0].locked);
    EXPECT_TRUE(seen[0].list_empty);
    EXPECT_EQ(seen[0].caption, SCAN_STOP_CAPTION);

    // What frames k and k + 1 look like.
    auto picture = [&](int n) {
        fetch_frame(*core_, n);
        std::vector<uint8_t> out(bitmap_size(352, 288));
        frame_to_bitmap(core_->frames->y, core_->frames->u, core_->frames->v, 352, 288, out.data());
        return out;
    };
    EXPECT_EQ(seen[0].bitmap, picture(k + 1));
    EXPECT_NE(seen[0].bitmap, picture(k));
}

// A long source with a cut every 10 frames, stopped part-way: the chapters found so far stay,
// in ascending order, and are exactly the ones a full scan finds first.
TEST_P(ScanTest, StoppingKeepsTheChaptersFoundSoFar) {
    std::string script = blank(10, "$000000");
    for (int i = 1; i < 300; ++i) script += " ++ " + blank(10, i % 2 ? "$C0C0C0" : "$000000");
    ASSERT_NO_FATAL_FAILURE(open_script_text(script));  // 3000 frames, chapters at 10, 20, ... 2990

    core_->show(" creating a chapter list based on scene changes");
    toggle_scene_scan(*core_);
    EXPECT_TRUE(scan_running(*core_));
    EXPECT_EQ(core_->ui.preview.text(prv::SCAN), SCAN_STOP_CAPTION);
    for (int id : SCAN_LOCKED_CONTROLS) EXPECT_FALSE(core_->ui.preview.enabled(id)) << id;
    EXPECT_TRUE(core_->ui.preview.enabled(prv::SCAN));
    EXPECT_TRUE(core_->ui.preview.enabled(prv::CHAPTER_LIST));
    // Wait for 40 % (or the end, on a machine that is faster than the polling).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (core_->ui.preview.position(prv::SLIDER) < 400 && scan_running(*core_) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const bool stopped_early = scan_running(*core_);
    EXPECT_TRUE(stopped_early);
    if (stopped_early)
        toggle_scene_scan(*core_);
    else
        wait_scene_scan(*core_);

    std::vector<int32_t> found = chapters_of(*core_);
    ASSERT_FALSE(found.empty());
    for (size_t i = 0; i < found.size(); ++i) ASSERT_EQ(found[i], int32_t(10 * (i + 1)));
    expect_idle_page(*core_);
    if (stopped_early) {
        EXPECT_LT(found.size(), 299u);
        EXPECT_EQ(core_->message.message_text(),
                  " scanning interrupted, found scene change chapters put into list");
    }
}

// Start, stop and close in quick succession, and a Core destroyed with its scan running: no
// hang, no crash, and the page ends idle.
TEST_P(ScanTest, QuickStartStopAndClose) {
    std::string script = blank(200, "$000000");
    for (int i = 0; i < 10; ++i) script += " ++ " + blank(100, i % 2 ? "$000000" : "$FFFFFF");
    ASSERT_NO_FATAL_FAILURE(open_script_text(script));
    for (int round = 0; round < 5; ++round) {
        toggle_scene_scan(*core_);
        toggle_scene_scan(*core_);
        expect_idle_page(*core_);
        toggle_scene_scan(*core_);
        stop_scene_scan(*core_);  // the close box: no closing steps
        EXPECT_FALSE(scan_running(*core_));
        toggle_scene_scan(*core_);  // the caption still says "stop scanning": this closes it
        expect_idle_page(*core_);
    }
    for (int round = 0; round < 3; ++round) {
        auto other = make_core();
        ASSERT_NO_FATAL_FAILURE(open_script_text(script, other.get()));
        toggle_scene_scan(*other);
        if (round > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5 * round));
        other.reset();  // joins the worker before the frame store and the clip go
    }
    stop_scene_scan(*core_);  // nothing running: nothing happens
    EXPECT_FALSE(scan_running(*core_));
}

// 2500 frames move the progress 1000 times at most: once per new rounded value, always forward.
TEST_P(ScanTest, ProgressMovesAtMostAThousandTimes) {
    ASSERT_NO_FATAL_FAILURE(open_script_text(blank(2500, GREY, 64, 64)));
    std::vector<int> positions;
    std::vector<std::string> frames;
    std::string shown = core_->ui.preview.text(prv::CURRENT_FRAME);
    core_->ui.preview.add_observer([&](PageId, int id) {
        // (Switching the controls off and on also notifies; only changes of value count.)
        const int p = core_->ui.preview.position(prv::SLIDER);
        if (id == prv::SLIDER && p != (positions.empty() ? 0 : positions.back())) positions.push_back(p);
        const std::string f = core_->ui.preview.text(prv::CURRENT_FRAME);
        if (id == prv::CURRENT_FRAME && f != shown) frames.push_back(shown = f);
    });
    scan_to_end();
    ASSERT_EQ(positions.size(), 1000u);
    for (size_t i = 0; i < positions.size(); ++i) ASSERT_EQ(positions[i], int(i) + 1);
    ASSERT_EQ(frames.size(), 1000u);
    EXPECT_EQ(frames.front(), "2");     // 2 x 1000 / 2500 = 0.8 rounds to 1
    EXPECT_EQ(frames.back(), "2499");   // 999.6 rounds to 1000
}

// With no source open a fetch does nothing and reports nothing.
TEST(FrameFetch, WithoutASourceNothingHappens) {
    auto core = std::make_unique<Core>();
    std::memset(core->frames->y, 9, 64);
    EXPECT_EQ(fetch_frame(*core, 0), 0);
    EXPECT_EQ(core->frames->y[0], 9);
    EXPECT_EQ(core->frames->y[63], 9);
}

INSTANTIATE_TEST_SUITE_P(Fetch, ScanTest, ::testing::Values(false, true),
                         [](const auto& param_info) { return param_info.param ? "Prefetch" : "Plain"; });

// The detector on its own: history floors, the chroma weight and the rounding of the score.
TEST(SceneDetector, ScoresFromTheHistory) {
    const int32_t luma = 1000, chroma = 250;
    {
        SceneDetector d;  // still frames: every value floors at 1
        for (int i = 0; i < 5; ++i) EXPECT_EQ(d.step(0, 0, 0, luma, chroma), 0);
    }
    {
        SceneDetector d;  // one jump of 40 per pixel in luma
        EXPECT_EQ(d.step(0, 0, 0, luma, chroma), 0);
        EXPECT_EQ(d.step(40 * luma, 0, 0, luma, chroma), 1);   // (1, 1, 40): 39/40 rounds to 1
        EXPECT_EQ(d.step(0, 0, 0, luma, chroma), 78);          // (1, 40, 1): 39 + 39
        EXPECT_EQ(d.step(0, 0, 0, luma, chroma), 1);           // (40, 1, 1): 39/40 + 0
    }
}

TEST(SceneDetector, ChromaIsWeightedAndRoundedHalfAway) {
    const int32_t luma = 1000, chroma = 250;
    SceneDetector d;
    // Chroma sums of 250 give 4 x 250 / 250 = 4 per chroma plane.
    EXPECT_EQ(d.step(0, 250, 250, luma, chroma), 2);  // (1,1,4) twice: 0.75 + 0.75 = 1.5 -> 2
    EXPECT_EQ(d.step(0, 0, 0, luma, chroma), 12);     // (1,4,1): 3 + 3 per chroma plane
    EXPECT_EQ(d.step(0, 0, 0, luma, chroma), 2);      // (4,1,1): 0.75 per chroma plane
    // 4 x 249 / 250 truncates to 3; luma 2499 / 1000 to 2.
    SceneDetector e;
    EXPECT_EQ(e.step(2499, 249, 0, luma, chroma), 1);  // 0.5 (luma) + 0.667 (U) = 1.17
    EXPECT_EQ(e.step(0, 0, 0, luma, chroma), 6);       // luma (1,2,1): 1 + 1; U (1,3,1): 2 + 2
}

TEST(ScanProgress, RoundsHalfAwayFromZero) {
    EXPECT_EQ(scan_progress(1, 2000), 1);      // 0.5
    EXPECT_EQ(scan_progress(1, 2001), 0);      // 0.49975
    EXPECT_EQ(scan_progress(500, 1001), 500);  // 499.5
    EXPECT_EQ(scan_progress(167, 168), 994);
    EXPECT_EQ(scan_progress(0, 0), 0);
    EXPECT_EQ(scan_progress(2000000, 2000001), 1000);
}

}  // namespace
}  // namespace qv

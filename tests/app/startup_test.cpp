#include "app/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "preview/scene_scan.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// A scratch program directory with the bundled frame server beside the program.
class StartUp : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qv_start_" + std::to_string(getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "frameserver");
        fs::copy_file(fs::path(QV_PROGRAM_DIR) / "frameserver" / "libavisynth.so",
                      dir_ / "frameserver" / "libavisynth.so");
        core_.shell = &shell_;
    }
    void TearDown() override {
        shut_down(core_);
        fs::remove_all(dir_);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name) << text;
    }
    std::string program() const { return (dir_ / "QVgui").string(); }

    fs::path dir_;
    ScriptedShell shell_;
    Core core_;
};

TEST_F(StartUp, WithoutQvIniEverythingStaysAtTheDefaults) {
    start_up(core_, program());
    EXPECT_EQ(core_.message.message_text(), " QV.ini not found, using default GUI settings");
    EXPECT_FALSE(core_.settings.input_opened);
    EXPECT_EQ(core_.settings.avg_bitrate, "4000");
    EXPECT_GE(core_.vector_level, 2);
    EXPECT_FALSE(core_.ui.window.enabled(win::ENCODE));
    EXPECT_TRUE(shell_.quit_requests.empty());
}

TEST_F(StartUp, AQvIniNamingAScriptOpensItAndFillsTheMovieInformation) {
    write("clip.avs", "BlankClip(length=250, width=720, height=576, pixel_type=\"YV12\", fps=25)\n");
    write("QV.ini", "*INFILE           " + (dir_ / "clip.avs").string() +
                        "\n*OUTFILE          " + (dir_ / "out.m2v").string() + "\n");
    start_up(core_, program());
    EXPECT_TRUE(core_.settings.input_opened);
    EXPECT_EQ(core_.ui.main.text(mainp::MOVIE_SIZE), "720 x 576");
    EXPECT_EQ(core_.ui.main.text(mainp::MOVIE_FRAMES), "250");
    EXPECT_EQ(core_.ui.main.text(mainp::MOVIE_HMS), "0:00:10");
    EXPECT_EQ(core_.settings.end_frame, "249");
    EXPECT_TRUE(core_.ui.window.enabled(win::ENCODE));
    std::string line = core_.message.message_text();
    EXPECT_EQ(line.rfind(" QV.ini successfully processed", 0), 0u) << line;
    EXPECT_NE(line.find(", Avisynth successfully initialized"), std::string::npos) << line;
}

TEST_F(StartUp, ClosingDuringAScanStopsItFirst) {
    write("long.avs",
          "BlankClip(length=200000, width=720, height=576, pixel_type=\"YV12\", fps=25)\n");
    write("QV.ini", "*INFILE           " + (dir_ / "long.avs").string() + "\n");
    start_up(core_, program());
    ASSERT_TRUE(core_.settings.input_opened);
    toggle_scene_scan(core_);
    ASSERT_TRUE(scan_running(core_));
    close_requested(core_);
    EXPECT_FALSE(scan_running(core_));
    EXPECT_EQ(core_.message.message_text(), " aborting scene change detection scan...");
    EXPECT_EQ(shell_.sleeps.back(), 1000);
    EXPECT_EQ(shell_.quit_requests, std::vector<int>{0});

    // Without a scan the close box only quits.
    close_requested(core_);
    EXPECT_EQ(shell_.quit_requests.size(), 2u);
    EXPECT_EQ(shell_.sleeps.size(), 1u);
}

}  // namespace
}  // namespace qv

#include "app/environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qv {
namespace {

namespace fs = std::filesystem;

class ScratchDir : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qv_env_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void touch(const std::string& name) { std::ofstream(dir_ / name) << "x"; }
    fs::path dir_;
};

TEST_F(ScratchDir, FindsCompanionsAndRemovesWhatAnEncodeLeft) {
    touch("QV.dbs");
    touch("DGDecode.dll");
    touch("QV.ini");
    Core core;
    std::string program = (dir_ / "QVgui").string();
    discover_environment(core, program);
    std::string d = dir_.string() + "/";
    EXPECT_EQ(core.env.program_dir, d);
    EXPECT_EQ(core.env.decoder_dir, d + "DGDecode/");
    EXPECT_EQ(core.env.matrix_dir, d + "matrix/");
    EXPECT_EQ(core.settings.qv_ini_path, d + "QV.ini");
    EXPECT_TRUE(core.env.qv_ini_exists);
    EXPECT_EQ(core.env.encoder_path, d + "QVenc_019.exe");
    EXPECT_FALSE(fs::exists(dir_ / "QV.dbs"));
    EXPECT_FALSE(fs::exists(dir_ / "DGDecode.dll"));
    EXPECT_TRUE(fs::exists(dir_ / "QV.ini"));
    EXPECT_FALSE(core.env.frameserver_path.empty());
}

TEST_F(ScratchDir, AProgramNameWithoutFolderUsesTheWorkingDirectory) {
    Core core;
    discover_environment(core, "QVgui");
    EXPECT_EQ(core.env.program_dir, "");
    EXPECT_EQ(core.settings.qv_ini_path, "QV.ini");
    EXPECT_EQ(core.env.encoder_path, "QVenc_019.exe");
}

TEST_F(ScratchDir, TheBundledFrameServerIsTheFallbackAndItsDateIsFormatted) {
    fs::create_directories(dir_ / "frameserver");
    touch("frameserver/libavisynth.so");
    std::string d = dir_.string() + "/";
    std::string path = frameserver_library_path(d);
    // An installed frame server wins; otherwise the bundled one.
    if (path == d + "frameserver/libavisynth.so") {
        Core core;
        discover_environment(core, d + "QVgui");
        ASSERT_EQ(core.env.frameserver_date.size(), 10u);
        EXPECT_EQ(core.env.frameserver_date[2], '-');
        EXPECT_EQ(core.env.frameserver_date[5], '-');
    }
    // 5 March 2024, noon UTC: blank-padded day and month.
    std::string date = format_library_date(1709640000);
    EXPECT_EQ(date, " 5- 3-2024");
}

struct CpuCase {
    uint32_t ecx, edx;
    int level;
};

TEST(CpuLevel, LaterFeaturesOverrideEarlierOnes) {
    const CpuCase cases[] = {
        {0, 0, 0},
        {0, 1u << 23, 1},
        {0, (1u << 23) | (1u << 26), 2},
        {1, (1u << 23) | (1u << 26), 3},
        {1, 1u << 23, 3},  // SSE3 without SSE2 still gets level 3
        {1, 0, 3},
        {0, 1u << 26, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(cpu_level_from({c.ecx, c.edx}), c.level);
    EXPECT_GE(cpu_level_from(read_cpu_features()), 2);  // every x86-64 processor has SSE2
}

TEST(CpuLevel, NoMmxShowsTheMessageWaitsAndQuits) {
    Core core;
    ScriptedShell shell;
    core.shell = &shell;
    detect_cpu_level(core, CpuFeatures{0, 0});
    EXPECT_EQ(core.message.message_text(), " no MMX detected, aborting...");
    EXPECT_EQ(shell.sleeps, std::vector<int>{5000});
    EXPECT_EQ(shell.quit_requests, std::vector<int>{0});
    EXPECT_EQ(core.vector_level, 0);

    Core ok;
    ok.shell = &shell;
    detect_cpu_level(ok, CpuFeatures{1, (1u << 23) | (1u << 26)});
    EXPECT_EQ(ok.vector_level, 3);
    EXPECT_EQ(shell.quit_requests.size(), 1u);
}

}  // namespace
}  // namespace qv

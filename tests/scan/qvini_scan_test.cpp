// qvini's commands that open the named input: "show --open" and "scan".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/wiring.h"
#include "sources/script_source.h"
#include "tools/qvini/qvini_commands.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class QviniSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_script_library_system_search(false);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir_ = fs::temp_directory_path() / ("qv_qvini_scan_" + std::to_string(::getpid()) + "_" + name);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string settings_file(const std::string& input) {
        const fs::path file = dir_ / "job.ini";
        std::ofstream(file) << "*INFILE " << input << "\n*BITRATE 5000\n";
        return file.string();
    }

    static Outcome run(const std::vector<std::string>& arguments) {
        Core core;
        wire_hooks(core);
        core.env.program_dir = std::string(QV_PROGRAM_DIR) + "/";
        core.env.decoder_dir = core.env.program_dir + "DGDecode/";
        reset_to_defaults(core);
        std::ostringstream out, err;
        Outcome r;
        r.status = qvini::run(core, arguments, out, err);
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    const std::string sample = std::string(QV_PROGRAM_DIR) + "/samples/scripts/grey_white_cuts.avs";
    fs::path dir_;
};

TEST_F(QviniSourceTest, ScanPrintsTheChaptersAndTheMessage) {
    Outcome r = run({"scan", settings_file(sample)});
    EXPECT_EQ(r.status, qvini::PROCESSED) << r.err;
    EXPECT_EQ(r.out, "48\n72\n144\n scene change chapters put into list\n");
    EXPECT_NE(r.err.find("scanning 167 / 168"), std::string::npos) << r.err;
}

TEST_F(QviniSourceTest, ScanWritesTheChapterList) {
    const std::string target = (dir_ / "out.ini").string();
    Outcome r = run({"scan", settings_file(sample), "--write", target});
    EXPECT_EQ(r.status, qvini::PROCESSED) << r.out;
    std::ifstream in(target);
    std::stringstream text;
    text << in.rdbuf();
    const std::string written = text.str();
    EXPECT_NE(written.find(sample), std::string::npos) << written;
    EXPECT_NE(written.find("*CHAPTER          3\n48\n72\n144\n"), std::string::npos) << written;
}

TEST_F(QviniSourceTest, ScanOfAnInputThatDoesNotOpenFails) {
    const fs::path broken = dir_ / "broken.avs";
    std::ofstream(broken) << "this is not a script (\n";
    Outcome r = run({"scan", settings_file(broken.string())});
    EXPECT_EQ(r.status, qvini::FAILED);
    EXPECT_EQ(r.out.find("\n144\n"), std::string::npos) << r.out;  // no chapter lines
    Outcome missing = run({"scan", (dir_ / "none.ini").string()});
    EXPECT_EQ(missing.status, qvini::NOT_OPENED);
}

TEST_F(QviniSourceTest, ShowOpenPrintsTheMovieInformation) {
    Outcome r = run({"show", "--open", settings_file(sample)});
    EXPECT_EQ(r.status, qvini::PROCESSED) << r.err;
    EXPECT_NE(r.out.find(", Avisynth successfully initialized"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("movie size:   720 x 576\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frame rate:   25.0000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frames:       168\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("seconds:      6.72\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("encode range: 0 - 167, 168 frames"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("*INFILE"), std::string::npos) << r.out;
    // The plain show does not open the input.
    Outcome plain = run({"show", settings_file(sample)});
    EXPECT_EQ(plain.out.find("movie size"), std::string::npos);
    EXPECT_EQ(plain.out.find("Avisynth"), std::string::npos);
}

TEST_F(QviniSourceTest, WrongArgumentsShowTheUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"scan"}, {"scan", "a", "--wrote", "b"}, {"show", "--opem", "x"}}) {
        Outcome r = run(args);
        EXPECT_EQ(r.status, qvini::USAGE);
        EXPECT_NE(r.err.find("qvini scan FILE"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace qv

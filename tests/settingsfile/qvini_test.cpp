#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "test_support.h"
#include "tools/qvini/qvini_commands.h"

namespace qv {
namespace {

using testing_support::golden;
using testing_support::prepare;
using testing_support::read_text;
using testing_support::ScratchDir;
using testing_support::write_text;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

RunResult run_in_process(const std::vector<std::string>& arguments) {
    ScratchDir program_dir;
    Core core;
    prepare(core, program_dir);
    std::ostringstream out, err;
    RunResult r;
    r.status = qvini::run(core, arguments, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

TEST(Qvini, ShowPrintsTheMessageAndTheList) {
    ScratchDir dir;
    write_text(dir.file("clip.avs"), "x\n");
    write_text(dir.file("a.ini"), "*INFILE " + dir.file("clip.avs") +
                                      "\r\n*bitrate 5000\n*MAXBITRATE 7000\n*INTERLACED\n");
    RunResult r = run_in_process({"show", dir.file("a.ini")});
    EXPECT_EQ(r.status, qvini::PROCESSED);
    // The accepted input counts as opened, as it would be in the program: *MAXBITRATE applies.
    EXPECT_EQ(r.out, " USER ini file successfully processed\n"
                     "*INFILE           " + dir.file("clip.avs") + "\n"
                     "*BITRATE          5000\n"
                     "*MAXBITRATE       7000\n"
                     "*INTERLACED\n*TFF\n"
                     "*MATRIX           mpeg\n");

    // Without an input the maximum does not apply.
    write_text(dir.file("b.ini"), "*MAXBITRATE 7000\n");
    r = run_in_process({"show", dir.file("b.ini")});
    EXPECT_EQ(r.out, " USER ini file successfully processed, WARNING, input file not found\n" +
                         golden("defaults_no_input.ini"));
}

TEST(Qvini, WriteRewritesAFileAsSaveIniDoes) {
    ScratchDir dir;
    write_text(dir.file("in.ini"), "*ASPECT 16:9\n*TIMECODE 30 0 0 0\n*PROFILE fast\n");
    RunResult r = run_in_process({"write", dir.file("in.ini"), dir.file("out.ini")});
    EXPECT_EQ(r.status, qvini::PROCESSED);
    EXPECT_EQ(r.out, " USER ini file successfully processed, WARNING, input file not found\n"
                     " file successfully written\n");
    EXPECT_EQ(read_text(dir.file("out.ini")),
              "*BITRATE          4000\n*PROFILE          fast\n*TIMECODE         23  0  0  0\n"
              "*MATRIX           mpeg\n");
}

TEST(Qvini, ErrorsAndUsage) {
    ScratchDir dir;
    write_text(dir.file("bad.ini"), "*GOP 12\n");
    write_text(dir.file("out.ini"), "keep\n");
    RunResult r = run_in_process({"write", dir.file("bad.ini"), dir.file("out.ini")});
    EXPECT_EQ(r.status, qvini::FAILED);
    EXPECT_EQ(r.out, " error processing ini file:: *GOP\n");
    EXPECT_EQ(read_text(dir.file("out.ini")), "keep\n");  // a failed load writes nothing

    write_text(dir.file("good.ini"), "*BITRATE 5000\n");
    r = run_in_process({"write", dir.file("good.ini"), dir.file("no/such/out.ini")});
    EXPECT_EQ(r.status, qvini::FAILED);

    r = run_in_process({"show", dir.file("none.ini")});
    EXPECT_EQ(r.status, qvini::NOT_OPENED);
    EXPECT_EQ(r.out, " error openening ini file\n" + golden("defaults_no_input.ini"));

    for (auto args : {std::vector<std::string>{}, {"show"}, {"frobnicate", "x"}}) {
        r = run_in_process(args);
        EXPECT_EQ(r.status, qvini::USAGE);
        EXPECT_NE(r.err.find("qvini show FILE"), std::string::npos);
        EXPECT_NE(r.err.find("qvini write IN OUT"), std::string::npos);
    }
}

// The installed program: exit statuses as a script sees them.
int exit_status(const std::string& command_line) {
    int rc = std::system(command_line.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(Qvini, ProgramExitStatuses) {
    ScratchDir dir;
    const std::string qvini = std::string(QV_PROGRAM_DIR) + "/qvini";
    write_text(dir.file("good.ini"), "*BITRATE 5000\n");
    write_text(dir.file("bad.ini"), "*BITRATE\n");
    const std::string quiet = " >/dev/null 2>&1";
    EXPECT_EQ(exit_status("'" + qvini + "' show '" + dir.file("good.ini") + "'" + quiet), 0);
    EXPECT_EQ(exit_status("'" + qvini + "' show '" + dir.file("bad.ini") + "'" + quiet), 1);
    EXPECT_EQ(exit_status("'" + qvini + "' show '" + dir.file("none.ini") + "'" + quiet), 2);
    EXPECT_EQ(exit_status("'" + qvini + "' write '" + dir.file("good.ini") + "' '" +
                          dir.file("copy.ini") + "'" + quiet),
              0);
    EXPECT_EQ(read_text(dir.file("copy.ini")), "*BITRATE          5000\n*MATRIX           mpeg\n");
}

}  // namespace
}  // namespace qv

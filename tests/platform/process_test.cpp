#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files.h"
#include "test_dir.h"

namespace {

using qv::ProcessExit;
using qv::ProcessHandle;
using qv_test::TempDir;

const std::string BUILT_ENCODER = std::string(QV_PROGRAM_DIR) + "/QVenc_019.exe";

// Sets a test-only environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
};

std::uint64_t fnv1a64(const std::string& bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string hex64(std::uint64_t v) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

// A scratch program directory holding a copy of the test encoder and its input files.
class ProcessWithEncoder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        encoder_ = dir_ / "QVenc_019.exe";
        ASSERT_TRUE(qv::copy_file_replace(BUILT_ENCODER, encoder_)) << BUILT_ENCODER;
        report_path_ = dir_ / "report.txt";
        report_env_ = std::make_unique<ScopedEnv>("QV_TEST_ENCODER_REPORT", report_path_);
    }

    std::map<std::string, std::string> report() const {
        std::map<std::string, std::string> fields;
        std::istringstream in(qv_test::read_bytes(report_path_));
        std::string line;
        while (std::getline(in, line)) {
            const size_t eq = line.find('=');
            if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return fields;
    }

    ProcessExit run_encoder() {
        ProcessHandle handle;
        const int rc = qv::start_process(encoder_, handle);
        EXPECT_EQ(rc, 0);
        EXPECT_TRUE(handle.valid());
        return qv::wait_process(handle);
    }

    TempDir dir_;
    std::string encoder_;
    std::string report_path_;
    std::unique_ptr<ScopedEnv> report_env_;
};

TEST_F(ProcessWithEncoder, EncoderGetsOnlyItsPathOurSurroundingsAndNothingElse) {
    const std::string ini = "*BITRATE 5000\n*INFILE some file.avs\n";
    qv_test::write_bytes(dir_ / "QV.ini", ini);
    qv_test::write_bytes(dir_ / "DGDecode.dll", "decoder");

    // Our working directory, an environment value, a pipe as our standard input and a
    // descriptor without close-on-exec: the first two must reach the encoder, the others not.
    TempDir cwd;
    char old_cwd[4096];
    ASSERT_NE(::getcwd(old_cwd, sizeof old_cwd), nullptr);
    ASSERT_EQ(::chdir(cwd.path().c_str()), 0);
    ScopedEnv probe("QV_TEST_ENCODER_ENV_PROBE", "probe value");
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const int saved_stdin = ::dup(STDIN_FILENO);
    ASSERT_GE(::dup2(pipe_fds[0], STDIN_FILENO), 0);
    const int leaked = ::open("/dev/null", O_RDONLY);  // deliberately inheritable
    ASSERT_GE(leaked, 0);

    ProcessHandle handle;
    const int rc = qv::start_process(encoder_, handle);
    const pid_t child = handle.pid;
    const ProcessExit exit = qv::wait_process(handle);

    ::close(leaked);
    ::dup2(saved_stdin, STDIN_FILENO);
    ::close(saved_stdin);
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    ASSERT_EQ(::chdir(old_cwd), 0);

    ASSERT_EQ(rc, 0);
    EXPECT_EQ(exit.kind, ProcessExit::Kind::exited);
    EXPECT_EQ(exit.status, 0);
    EXPECT_FALSE(handle.valid());

    auto r = report();
    ASSERT_FALSE(r.empty()) << "no report from the encoder";
    EXPECT_EQ(r["argc"], "1");
    EXPECT_EQ(r["argv[0]"], encoder_);
    EXPECT_EQ(r.count("argv[1]"), 0u);
    EXPECT_EQ(r["cwd"], std::filesystem::canonical(cwd.path()).string());
    EXPECT_EQ(r["program_dir"], std::filesystem::canonical(dir_.path()).string() + "/");
    EXPECT_EQ(r["env_probe"], "probe value");
    EXPECT_EQ(r["stdin"], "dev_null");
    EXPECT_EQ(r["pid"], std::to_string(child));
    EXPECT_EQ(r["own_session"], "yes");
    EXPECT_NE(r["sid"], std::to_string(::getsid(0)));
    EXPECT_EQ(r["qv_ini_exists"], "yes");
    EXPECT_EQ(r["qv_ini_size"], std::to_string(ini.size()));
    EXPECT_EQ(r["qv_ini_fnv1a64"], hex64(fnv1a64(ini)));
    EXPECT_EQ(r["dgdecode_dll_exists"], "yes");
    const std::string fds = "," + r["open_fds"] + ",";
    EXPECT_NE(fds.find(",0,1,2,"), std::string::npos) << fds;
    EXPECT_EQ(fds.find("," + std::to_string(leaked) + ","), std::string::npos) << fds;
    EXPECT_EQ(fds.find("," + std::to_string(pipe_fds[1]) + ","), std::string::npos) << fds;
}

TEST_F(ProcessWithEncoder, MissingInputFilesAreReportedMissing) {
    ASSERT_EQ(run_encoder().kind, ProcessExit::Kind::exited);
    auto r = report();
    EXPECT_EQ(r["qv_ini_exists"], "no");
    EXPECT_EQ(r["qv_ini_size"], "");
    EXPECT_EQ(r["dgdecode_dll_exists"], "no");
    EXPECT_FALSE(qv::file_exists(dir_ / "QV.dbs"));
}

TEST_F(ProcessWithEncoder, ExitStatusOrFatalSignalIsReported) {
    struct Case {
        const char* variable;
        const char* value;
        ProcessExit::Kind kind;
        int status;
        int signal;
    };
    const Case cases[] = {
        {"QV_TEST_ENCODER_EXIT", "0", ProcessExit::Kind::exited, 0, 0},
        {"QV_TEST_ENCODER_EXIT", "3", ProcessExit::Kind::exited, 3, 0},
        {"QV_TEST_ENCODER_EXIT", "255", ProcessExit::Kind::exited, 255, 0},
        {"QV_TEST_ENCODER_CRASH", "1", ProcessExit::Kind::signalled, 0, SIGSEGV},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
        ScopedEnv behaviour(c.variable, c.value);
        const ProcessExit exit = run_encoder();
        EXPECT_EQ(exit.kind, c.kind);
        EXPECT_EQ(exit.status, c.status);
        EXPECT_EQ(exit.signal, c.signal);
    }
}

TEST_F(ProcessWithEncoder, LongRunningEncoderIsWaitedForAndReaped) {
    ScopedEnv sleep("QV_TEST_ENCODER_SLEEP_MS", "2000");
    ScopedEnv dbs("QV_TEST_ENCODER_LEAVE_DBS", "1");
    ScopedEnv status("QV_TEST_ENCODER_EXIT", "7");
    const auto started = std::chrono::steady_clock::now();
    ProcessHandle handle;
    ASSERT_EQ(qv::start_process(encoder_, handle), 0);
    const pid_t child = handle.pid;
    const ProcessExit exit = qv::wait_process(handle);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(exit.kind, ProcessExit::Kind::exited);
    EXPECT_EQ(exit.status, 7);
    EXPECT_GE(waited, std::chrono::milliseconds(1900));  // did not return before the end
    EXPECT_TRUE(qv::file_exists(dir_ / "QV.dbs"));
    errno = 0;
    EXPECT_EQ(::kill(child, 0), -1);  // reaped: no zombie left
    EXPECT_EQ(errno, ESRCH);
}

volatile sig_atomic_t g_alarms = 0;
void count_alarm(int) { g_alarms = g_alarms + 1; }

TEST_F(ProcessWithEncoder, WaitSurvivesInterruptingSignals) {
    struct sigaction action {};
    action.sa_handler = count_alarm;  // no SA_RESTART: the wait is interrupted
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    itimerval every_100ms{{0, 100000}, {0, 100000}};
    itimerval off{};
    g_alarms = 0;

    ScopedEnv sleep("QV_TEST_ENCODER_SLEEP_MS", "700");
    ProcessHandle handle;
    ASSERT_EQ(qv::start_process(encoder_, handle), 0);
    ::setitimer(ITIMER_REAL, &every_100ms, nullptr);
    const ProcessExit exit = qv::wait_process(handle);
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);

    EXPECT_GT(g_alarms, 0);
    EXPECT_EQ(exit.kind, ProcessExit::Kind::exited);
    EXPECT_EQ(exit.status, 0);
}

TEST(Process, ProgramsThatCannotRunAreStartFailures) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    qv_test::write_bytes(dir / "not_executable", "#!/bin/sh\nexit 0\n");
    ::chmod((dir / "not_executable").c_str(), 0644);
    qv_test::write_bytes(dir / "not_a_program", "just text, no interpreter line\n");
    ::chmod((dir / "not_a_program").c_str(), 0755);
    ::mkdir((dir / "a_directory").c_str(), 0755);
    qv_test::write_bytes(dir / "empty", "");
    ::chmod((dir / "empty").c_str(), 0755);

    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {
        {dir / "missing.exe", ENOENT},
        {dir / "no_such_dir/QVenc_019.exe", ENOENT},
        {dir / "not_executable", EACCES},
        {dir / "a_directory", EACCES},
        {dir / "not_a_program", ENOEXEC},
        {dir / "empty", ENOEXEC},
        {"", ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ProcessHandle handle;
        EXPECT_EQ(qv::start_process(c.path, handle), c.error);
        EXPECT_FALSE(handle.valid());
        const ProcessExit exit = qv::wait_process(handle);
        EXPECT_EQ(exit.kind, ProcessExit::Kind::not_waited);
        // No child was left behind to be waited for.
        int status = 0;
        errno = 0;
        EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }
}

}  // namespace

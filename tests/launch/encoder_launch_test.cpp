#include "app/encoder_launch.h"

#include <csignal>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/dispatch.h"
#include "launch_fixture.h"

namespace qv::testing_launch {
namespace {

// Sets a variable of the test encoder for the life of the object.
class EncoderVariable {
public:
    EncoderVariable(const char* name, const std::string& value) : name_(name) {
        ::setenv(name, value.c_str(), 1);
    }
    ~EncoderVariable() { ::unsetenv(name_); }
    EncoderVariable(const EncoderVariable&) = delete;
    EncoderVariable& operator=(const EncoderVariable&) = delete;

private:
    const char* name_;
};

class Launch : public ProgramDir {
protected:
    void SetUp() override {
        ProgramDir::SetUp();
        core_.settings.output_path = prog_ + "movie.m2v";
        core_.settings.output_set = true;
    }
    void click(int id) { handle_event(core_, PageId::window, id, UiEvent::clicked); }
    // An index project of version 13 whose decoder library is a small marked file.
    void make_index_project() {
        write_text(dir_ / "DGDecode" / "DGDecode13.dll", "decoder library 13");
        core_.source.is_project = true;
        core_.source.project_version = 13;
        core_.source.decoder_library_path = prog_ + "DGDecode/DGDecode13.dll";
    }
};

TEST_F(Launch, TheEncoderStartsWithoutArgumentsInOurDirectoryWithQvIniBesideIt) {
    EncoderVariable probe("QV_TEST_ENCODER_ENV_PROBE", "inherited");
    click(win::ENCODE);

    EXPECT_TRUE(shell_.questions.empty()) << "no output file, no question";
    EXPECT_EQ(message(), " encoding finished");
    auto r = report();
    EXPECT_EQ(r["argc"], "1");
    EXPECT_EQ(r["argv[0]"], prog_ + "QVenc_019.exe");
    EXPECT_EQ(r["cwd"], fs::current_path().string());
    EXPECT_EQ(r["program_dir"], prog_);
    EXPECT_EQ(r["env_probe"], "inherited");
    EXPECT_EQ(r["stdin"], "dev_null");
    ASSERT_EQ(r["qv_ini_exists"], "yes");
    // The file the encoder read is the one the front end wrote for this record, and it stays.
    std::string ini = read_text(dir_ / "QV.ini");
    EXPECT_NE(ini.find("*OUTFILE"), std::string::npos);
    EXPECT_NE(ini.find(prog_ + "movie.m2v"), std::string::npos);
    EXPECT_EQ(r["qv_ini_fnv1a64"], fnv1a64(ini));
    EXPECT_EQ(r["dgdecode_dll_exists"], "no");

    EXPECT_EQ(shell_.hides, 1);
    EXPECT_EQ(shell_.restores, 1);
    EXPECT_EQ(shell_.focus_clears, 1);
    EXPECT_TRUE(shell_.sleeps.empty()) << "no library copy, no pause";
}

TEST_F(Launch, AnIndexProjectHandsTheEncoderItsLibraryAndEverythingLeftIsRemovedAfterwards) {
    make_index_project();
    write_text(dir_ / "DGDecode.dll", "stale copy");
    EncoderVariable leave("QV_TEST_ENCODER_LEAVE_DBS", "1");
    click(win::ENCODE);

    EXPECT_EQ(message(), " encoding finished");
    auto r = report();
    EXPECT_EQ(r["dgdecode_dll_exists"], "yes");
    EXPECT_EQ(r["dgdecode_dll_fnv1a64"], fnv1a64("decoder library 13"));
    EXPECT_EQ(shell_.sleeps, std::vector<int>{500});
    EXPECT_FALSE(fs::exists(dir_ / "DGDecode.dll"));
    EXPECT_FALSE(fs::exists(dir_ / "QV.dbs"));
    EXPECT_EQ(read_text(dir_ / "DGDecode" / "DGDecode13.dll"), "decoder library 13");
    EXPECT_TRUE(fs::exists(dir_ / "QV.ini"));
}

TEST_F(Launch, AScriptInputGetsNoCopyYetAStaleCopyIsDeleted) {
    core_.source.is_script = true;
    core_.source.project_version = 0;
    write_text(dir_ / "DGDecode.dll", "stale copy");
    click(win::ENCODE);

    EXPECT_EQ(message(), " encoding finished");
    // The encoder saw the stale file as it was: nothing was copied over it.
    EXPECT_EQ(report()["dgdecode_dll_fnv1a64"], fnv1a64("stale copy"));
    EXPECT_TRUE(shell_.sleeps.empty());
    EXPECT_FALSE(fs::exists(dir_ / "DGDecode.dll"));
}

TEST_F(Launch, NoAtTheOverwriteQuestionLeavesEveryFileUntouched) {
    make_index_project();
    write_text(dir_ / "movie.m2v", "earlier encode");
    write_text(dir_ / "QV.ini", "*BITRATE 1234\n");
    write_text(dir_ / "DGDecode.dll", "stale copy");
    shell_.yes_no_answers = {false};
    click(win::ENCODE);

    ASSERT_EQ(shell_.questions.size(), 1u);
    EXPECT_EQ(shell_.questions[0].first, "m2v output file already exists, OVERWRITE ?");
    EXPECT_EQ(shell_.questions[0].second, "QV message");
    EXPECT_EQ(message(), " please rename outputfile");
    EXPECT_EQ(read_text(dir_ / "movie.m2v"), "earlier encode");
    EXPECT_EQ(read_text(dir_ / "QV.ini"), "*BITRATE 1234\n");
    EXPECT_EQ(read_text(dir_ / "DGDecode.dll"), "stale copy");
    EXPECT_FALSE(encoder_ran());
    EXPECT_EQ(shell_.hides, 0);
    EXPECT_TRUE(shell_.sleeps.empty());
}

TEST_F(Launch, YesOverwritesAndASecondEncodeAsksAgain) {
    write_text(dir_ / "movie.m2v", "earlier encode");
    shell_.yes_no_answers = {true, true};
    click(win::ENCODE);
    EXPECT_EQ(message(), " encoding finished");
    ASSERT_TRUE(encoder_ran());
    // The front end leaves the output to the encoder.
    EXPECT_EQ(read_text(dir_ / "movie.m2v"), "earlier encode");

    fs::remove(dir_ / "QVenc_report.txt");
    core_.show(" something else");
    click(win::ENCODE);
    EXPECT_EQ(shell_.questions.size(), 2u);
    EXPECT_EQ(message(), " encoding finished");
    EXPECT_TRUE(encoder_ran());
    EXPECT_EQ(shell_.hides, 2);
    EXPECT_EQ(shell_.restores, 2);
}

TEST_F(Launch, AMissingEncoderLeavesTheRewrittenSettingsAndTheLibraryCopy) {
    make_index_project();
    fs::remove(dir_ / "QVenc_019.exe");
    write_text(dir_ / "QV.ini", "old\n");
    click(win::ENCODE);

    EXPECT_EQ(message(), " encoder " + prog_ + "QVenc_019.exe NOT found");
    EXPECT_NE(read_text(dir_ / "QV.ini"), "old\n");
    EXPECT_NE(read_text(dir_ / "QV.ini").find("*OUTFILE"), std::string::npos);
    EXPECT_EQ(read_text(dir_ / "DGDecode.dll"), "decoder library 13");
    EXPECT_EQ(shell_.hides, 0);
}

TEST_F(Launch, AFolderInPlaceOfTheEncoderIsNoEncoder) {
    fs::remove(dir_ / "QVenc_019.exe");
    fs::create_directory(dir_ / "QVenc_019.exe");
    click(win::ENCODE);
    EXPECT_EQ(message(), " encoder " + prog_ + "QVenc_019.exe NOT found");
    EXPECT_EQ(shell_.hides, 0);
}

TEST_F(Launch, AnEncoderThatCannotBeStartedIsReportedAndTheLibraryCopyRemoved) {
    make_index_project();
    // Without any execute permission even root cannot run it.
    fs::permissions(dir_ / "QVenc_019.exe", fs::perms::owner_read | fs::perms::owner_write);
    click(win::ENCODE);

    EXPECT_EQ(message(), " failed to start encoding, can't create process");
    EXPECT_FALSE(fs::exists(dir_ / "DGDecode.dll"));
    EXPECT_TRUE(fs::exists(dir_ / "QV.ini"));
    EXPECT_FALSE(encoder_ran());
    EXPECT_EQ(shell_.hides, 0) << "the window is hidden only once the encoder runs";
    EXPECT_EQ(shell_.restores, 0);
}

// Settings that cannot be written stop the encode with the writer's message continued.
TEST_F(Launch, SettingsThatCannotBeWrittenStopTheEncodeBeforeTheStart) {
    struct Case {
        const char* name;
        bool invalid_quantizer;
        bool ini_is_folder;
        const char* message;
    };
    const Case cases[] = {
        {"invalid quantizer", true, false,
         " QV.ini write aborted, invalid CQ value, not a number, can't start encode..."},
        // Running as root, permissions do not stop a write; a folder in the file's place does.
        {"unwritable QV.ini", false, true, " error writing ini file, can't start encode..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_ / "QV.ini");
        fs::remove(dir_ / "DGDecode.dll");
        make_index_project();
        if (c.ini_is_folder) {
            fs::create_directory(dir_ / "QV.ini");
        } else {
            write_text(dir_ / "QV.ini", "old\n");
        }
        core_.settings.constant_quant = c.invalid_quantizer;
        core_.settings.cq_value = c.invalid_quantizer ? "five" : "5.000";
        click(win::ENCODE);

        EXPECT_EQ(message(), c.message);
        EXPECT_FALSE(encoder_ran());
        EXPECT_EQ(shell_.hides, 0);
        if (!c.ini_is_folder) {
            EXPECT_EQ(read_text(dir_ / "QV.ini"), "old\n");
        }
        // The library was placed before the settings were written.
        EXPECT_EQ(read_text(dir_ / "DGDecode.dll"), "decoder library 13");
    }
}

TEST_F(Launch, NothingHappensWhileTheSceneChangeScanRuns) {
    write_text(dir_ / "movie.m2v", "earlier encode");
    make_index_project();
    core_.scan_running = true;
    click(win::ENCODE);
    EXPECT_EQ(message(), " can't start encode while scene change detection scan is running");
    EXPECT_TRUE(shell_.questions.empty());
    EXPECT_FALSE(fs::exists(dir_ / "QV.ini"));
    EXPECT_FALSE(fs::exists(dir_ / "DGDecode.dll"));
    EXPECT_FALSE(encoder_ran());
}

// Kills the encoder from outside once it has reported, while the main window is hidden.
class KillingShell : public ScriptedShell {
public:
    explicit KillingShell(fs::path report) : report_(std::move(report)) {}
    ~KillingShell() override { join(); }
    void join() {
        if (killer_.joinable()) killer_.join();
    }
    void hide_main_window() override {
        ScriptedShell::hide_main_window();
        killer_ = std::thread([this] {
            for (int i = 0; i < 3000; ++i) {
                std::string text = read_text(report_);
                auto at = text.find("\npid=");
                auto end = at == std::string::npos ? at : text.find('\n', at + 5);
                if (end != std::string::npos) {
                    hidden_while_running = restores == 0;
                    killed = ::kill(std::atoi(text.c_str() + at + 5), SIGKILL) == 0;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    bool killed = false;
    bool hidden_while_running = false;

private:
    fs::path report_;
    std::thread killer_;
};

TEST_F(Launch, HoweverTheEncoderEndsTheWindowComesBackWithEncodingFinished) {
    struct Case {
        const char* name;
        const char* variable;
        const char* value;
    };
    const Case cases[] = {
        {"non-zero exit", "QV_TEST_ENCODER_EXIT", "3"},
        {"crash", "QV_TEST_ENCODER_CRASH", "1"},
        {"killed", "QV_TEST_ENCODER_SLEEP_MS", "120000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool kill_it = std::string(c.name) == "killed";
        KillingShell killing(dir_ / "QVenc_report.txt");
        ScriptedShell plain;
        ScriptedShell& shell = kill_it ? killing : plain;
        core_.shell = &shell;
        fs::remove(dir_ / "QVenc_report.txt");
        make_index_project();
        EncoderVariable fault(c.variable, c.value);
        EncoderVariable leave("QV_TEST_ENCODER_LEAVE_DBS", "1");
        core_.show(" before");

        click(win::ENCODE);

        EXPECT_EQ(message(), " encoding finished");
        EXPECT_TRUE(encoder_ran());
        EXPECT_EQ(shell.hides, 1);
        EXPECT_EQ(shell.restores, 1);
        EXPECT_EQ(shell.focus_clears, 1);
        EXPECT_FALSE(fs::exists(dir_ / "DGDecode.dll"));
        EXPECT_FALSE(fs::exists(dir_ / "QV.dbs"));
        if (kill_it) {
            killing.join();
            EXPECT_TRUE(killing.killed);
            EXPECT_TRUE(killing.hidden_while_running);
        }
    }
    core_.shell = &shell_;
}

TEST_F(Launch, AboutShowsTheThreeLineBoxAndChangesNothing) {
    core_.show(" unchanged");
    click(win::ABOUT);
    ASSERT_EQ(shell_.information.size(), 1u);
    EXPECT_EQ(shell_.information[0].second, "QVgui 019");
    const std::string& text = shell_.information[0].first;
    auto first = text.find('\n');
    ASSERT_NE(first, std::string::npos);
    std::string line1 = text.substr(0, first);
    EXPECT_EQ(line1.rfind("MPEG2 encoder by ", 0), 0u);
    EXPECT_EQ(line1.substr(line1.size() - 21), "  -  release 0.19.0.1");
    EXPECT_GT(line1.size(), std::string("MPEG2 encoder by   -  release 0.19.0.1").size());
    EXPECT_EQ(text.substr(first, 2), "\n\n");
    std::string line3 = text.substr(first + 2);
    EXPECT_EQ(line3.rfind("home of QV at: ", 0), 0u);
    EXPECT_GT(line3.size(), 15u);
    EXPECT_EQ(line3.find('\n'), std::string::npos);
    EXPECT_EQ(message(), " unchanged");
    EXPECT_TRUE(shell_.quit_requests.empty());
}

TEST_F(Launch, ExitRequestsQuitAndSavesNothing) {
    click(win::EXIT);
    EXPECT_EQ(shell_.quit_requests, std::vector<int>{0});
    EXPECT_FALSE(fs::exists(dir_ / "QV.ini"));
    EXPECT_TRUE(shell_.questions.empty());
    EXPECT_TRUE(shell_.information.empty());
}

TEST_F(Launch, OnlyClicksOfTheThreeButtonsAreAnswered) {
    core_.show(" unchanged");
    handle_event(core_, PageId::window, win::ENCODE, UiEvent::focus_gained);
    handle_event(core_, PageId::window, win::MESSAGE, UiEvent::clicked);
    handle_event(core_, PageId::window, win::TABS, UiEvent::clicked);
    EXPECT_FALSE(encoder_ran());
    EXPECT_FALSE(fs::exists(dir_ / "QV.ini"));
    EXPECT_TRUE(shell_.quit_requests.empty());
    EXPECT_TRUE(shell_.information.empty());
    EXPECT_EQ(message(), " unchanged");
}

TEST_F(Launch, WithoutAWindowSystemAnExistingOutputIsKept) {
    core_.shell = nullptr;
    write_text(dir_ / "movie.m2v", "earlier encode");
    start_encode(core_);
    EXPECT_EQ(message(), " please rename outputfile");
    EXPECT_FALSE(encoder_ran());
    fs::remove(dir_ / "movie.m2v");
    start_encode(core_);
    EXPECT_EQ(message(), " encoding finished");
    EXPECT_TRUE(encoder_ran());
}

}  // namespace
}  // namespace qv::testing_launch

// The file commands through handle_event, with a scripted shell answering the file dialogs:
// the dialogs each button asks for, the input command's outcomes for scripts, projects and
// files of neither kind, cancels, and the settings, chapter and matrix files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dispatch.h"
#include "app/file_commands.h"
#include "app/wiring.h"
#include "decoder_test_support.h"
#include "matrix/matrix_commands.h"
#include "preview/chapter_list.h"
#include "settings/core.h"
#include "settings/settings_file.h"
#include "sources/project_source.h"
#include "sources/script_source.h"

namespace qv {
namespace {

namespace dt = decoder_test;
using Kind = FileDialogRequest::Kind;

const std::string PROGRAM_DIR = std::string(QV_PROGRAM_DIR) + "/";
const std::string SAMPLES = PROGRAM_DIR + "samples/scripts/";
const std::string PROJECT_OPENED = " D2V project file opened, DGDecode.dll (project version 10) loaded"
                                   ", DGDecode successfully initialized";
const std::string FILES_MISSING = " ERROR, invalid D2V project, can't find the VOB/MPEG files";
const std::string VERSION_MISMATCH = " ERROR, invalid D2V project, DGIndex/DGDecode mismatch";

std::string flat(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Also notes what the command's path held while its dialog was up.
class RecordingShell : public ScriptedShell {
public:
    explicit RecordingShell(Core& core) : core_(core) {}
    std::optional<std::string> choose_file(const FileDialogRequest& request) override {
        const Settings& s = core_.settings;
        paths_during_dialog.push_back(s.input_path + "|" + s.output_path + "|" + s.log_path + "|" +
                                      s.user_ini_path + "|" + s.chapter_file_path + "|" +
                                      s.matrix_file_path);
        return ScriptedShell::choose_file(request);
    }
    std::vector<std::string> paths_during_dialog;

private:
    Core& core_;
};

class FileCommands : public ::testing::Test {
protected:
    FileCommands() {
        set_script_library_system_search(false);
        wire_hooks(core);
        core.shell = &shell;
        core.env.program_dir = PROGRAM_DIR;
        core.env.decoder_dir = PROGRAM_DIR + "DGDecode/";
        core.env.matrix_dir = PROGRAM_DIR + "matrix/";
        core.settings.qv_ini_path = (dir / "QV.ini").string();
        reset_to_defaults(core);
    }
    ~FileCommands() override {
        free_decoder_library(core);
        close_script_library(core);
        set_script_library_system_search(true);
    }

    void click(PageId page, int id) { handle_event(core, page, id, UiEvent::clicked); }
    void click(int id) { click(PageId::main, id); }
    // The input button with a chosen file (or a cancel).
    void choose_input(const std::optional<std::string>& answer) {
        shell.file_answers.push_back(answer);
        click(mainp::INPUT);
    }

    std::string project(int version, const std::vector<std::string>& files) {
        const auto path = dir / ("project" + std::to_string(++projects) + ".d2v");
        dt::write_file(path, dt::project_text(version, files));
        return path.string();
    }
    std::string pal_project() { return project(10, {dt::material("pal_count.m2v").string()}); }
    std::string file(const std::string& name, const std::string& text) {
        dt::write_file(dir / name, text);
        return (dir / name).string();
    }

    std::string message() const { return flat(core.message.message_text()); }
    std::string input_button() const { return core.ui.main.text(mainp::INPUT); }
    void add_chapters(std::initializer_list<int32_t> frames) {
        for (int32_t f : frames) edit_chapter_list(core, f);
        fill_chapter_list_box(core);
    }
    void expect_no_input() {
        EXPECT_TRUE(core.settings.input_path.empty());
        EXPECT_FALSE(core.settings.input_valid);
        EXPECT_FALSE(core.settings.input_opened);
        EXPECT_EQ(input_button(), INPUT_CAPTION_UNSET);
        EXPECT_EQ(core.settings.chapter_count, 0);
        EXPECT_TRUE(core.ui.preview.entries(prv::CHAPTER_LIST).empty());
        EXPECT_EQ(core.ui.main.text(mainp::MOVIE_FRAMES), "-");
    }

    dt::TempDir dir;
    dt::ScopedEnv cache{"XDG_CACHE_HOME", (dir / "cache").string()};
    Core core;
    RecordingShell shell{core};
    int projects = 0;
};

TEST_F(FileCommands, EveryButtonAsksForItsOwnDialog) {
    // Earlier paths give the dialogs their folders.
    Settings& s = core.settings;
    s.input_path = "/media/films/a.avs";
    s.output_path = "/out/b.m2v";
    s.log_path = "/logs/c.log";
    const struct {
        PageId page;
        int id;
        FileDialogRequest expected;
    } cases[] = {
        {PageId::main, mainp::INPUT,
         {Kind::open, "select input file", "input files  (*.d2v, *.avs)", "*.d2v;*.avs", "input",
          "/media/films/"}},
        {PageId::main, mainp::OUTPUT,
         {Kind::open, "select output file", "output files (*.m2v)", "*.m2v", "output", "/out/"}},
        {PageId::main, mainp::LOG,
         {Kind::open, "select log file", "log files    (*.log)", "*.log", "logfile", "/logs/"}},
        {PageId::main, mainp::LOAD_INI,
         {Kind::open, "select ini file", "ini file     (*.ini)", "*.ini", "ini", "/ini/"}},
        {PageId::main, mainp::SAVE_INI,
         {Kind::save, "save ini file", "ini file     (*.ini)", "*.ini", "ini", "/ini/"}},
        {PageId::preview, prv::IMPORT,
         {Kind::open, "import chapter file", "txt file     (*.txt)", "*.txt", "txt", "/ini/"}},
        {PageId::preview, prv::EXPORT,
         {Kind::save, "export chapter file", "txt file     (*.txt)", "*.txt", "txt", "/ini/"}},
        {PageId::matrix, mtx::LOAD, load_matrix_dialog(core)},
        {PageId::matrix, mtx::SAVE_CQM, save_matrix_cqm_dialog()},
        {PageId::matrix, mtx::SAVE_MTX, save_matrix_mtx_dialog()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.title);
        s.user_ini_path = "/ini/mine.ini";
        s.chapter_file_path = "/old/chapters.txt";
        s.matrix_file_path = "/old/m.mtx";
        shell.file_requests.clear();
        shell.paths_during_dialog.clear();
        click(c.page, c.id);
        ASSERT_EQ(shell.file_requests.size(), 1u);
        EXPECT_EQ(shell.file_requests[0], c.expected);
    }
    // The command's own path is blank while its dialog is up; cancels bring back the input,
    // output and log paths, and leave the others blank.
    EXPECT_EQ(s.input_path, "/media/films/a.avs");
    EXPECT_EQ(s.output_path, "/out/b.m2v");
    EXPECT_EQ(s.log_path, "/logs/c.log");
    EXPECT_EQ(s.matrix_file_path, "");
    s.user_ini_path = "/ini/mine.ini";
    s.chapter_file_path = "/old/chapters.txt";
    shell.paths_during_dialog.clear();
    for (int id : {mainp::INPUT, mainp::OUTPUT, mainp::LOG, mainp::LOAD_INI}) click(id);
    click(PageId::preview, prv::IMPORT);
    EXPECT_EQ(shell.paths_during_dialog,
              (std::vector<std::string>{
                  "|/out/b.m2v|/logs/c.log|/ini/mine.ini|/old/chapters.txt|",
                  "/media/films/a.avs||/logs/c.log|/ini/mine.ini|/old/chapters.txt|",
                  "/media/films/a.avs|/out/b.m2v||/ini/mine.ini|/old/chapters.txt|",
                  "/media/films/a.avs|/out/b.m2v|/logs/c.log||/old/chapters.txt|",
                  "/media/films/a.avs|/out/b.m2v|/logs/c.log|||"}));
    // After the cancelled "load ini file" the chapter dialog starts in its own folder.
    EXPECT_EQ(shell.file_requests.back().initial_folder, "");
    EXPECT_EQ(s.user_ini_path, "");
}

TEST_F(FileCommands, ScriptInputIsOpenedAndReported) {
    add_chapters({10, 20});
    core.show(" earlier");
    choose_input(SAMPLES + "colorbars.avs");
    EXPECT_EQ(message().rfind(" AVS file opened, Avisynth.dll loaded, Avisynth successfully initialized", 0), 0u)
        << message();
    EXPECT_TRUE(core.settings.input_valid);
    EXPECT_TRUE(core.settings.input_opened);
    EXPECT_EQ(core.source.frame_count, 300);
    EXPECT_EQ(input_button(), "input: " + shorten_path(SAMPLES + "colorbars.avs"));
    EXPECT_TRUE(core.ui.main.enabled(mainp::OUTPUT));
    EXPECT_TRUE(core.ui.main.enabled(mainp::LOG));
    EXPECT_EQ(core.settings.chapter_count, 0);
    EXPECT_TRUE(core.ui.preview.entries(prv::CHAPTER_LIST).empty());

    // A cancel keeps the input and its name on the button.
    choose_input(std::nullopt);
    EXPECT_EQ(core.settings.input_path, SAMPLES + "colorbars.avs");
    EXPECT_TRUE(core.settings.input_opened);
    EXPECT_EQ(input_button(), "input: " + shorten_path(SAMPLES + "colorbars.avs"));

    // A script the frame server rejects leaves no input; its own message stays.
    choose_input(SAMPLES + "syntax_error.avs");
    EXPECT_EQ(message().rfind(" error loading Avisynth script, ", 0), 0u) << message();
    expect_no_input();
}

TEST_F(FileCommands, AcceptedProjectIsOpenedAndReported) {
    const std::string path = pal_project();
    choose_input(path);
    EXPECT_EQ(message(), PROJECT_OPENED);
    EXPECT_TRUE(core.settings.input_valid);
    EXPECT_TRUE(core.settings.input_opened);
    EXPECT_TRUE(core.source.decoder_loaded);
    EXPECT_EQ(core.source.frame_count, 40);
    EXPECT_EQ(core.ui.main.text(mainp::MOVIE_FRAMES), "40");
    EXPECT_EQ(input_button(), "input: " + shorten_path(path));
}

TEST_F(FileCommands, RejectedProjectsLeaveNoInput) {
    const std::string missing = project(10, {(dir / "gone.m2v").string()});
    const std::string version7 = project(7, {dt::material("pal_count.m2v").string()});
    const struct {
        std::string path;
        std::string message;
    } cases[] = {{missing, FILES_MISSING}, {version7, VERSION_MISMATCH}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        // Each time after an accepted project with chapters.
        choose_input(pal_project());
        ASSERT_TRUE(core.settings.input_opened);
        add_chapters({5, 6});
        choose_input(c.path);
        EXPECT_EQ(message(), c.message);  // only the error, nothing of an open
        expect_no_input();
        EXPECT_TRUE(core.ui.main.enabled(mainp::OUTPUT));
        EXPECT_TRUE(core.ui.main.enabled(mainp::LOG));
    }
}

TEST_F(FileCommands, FileOfNeitherKindIsDropped) {
    core.show(" earlier");
    add_chapters({3});
    choose_input(file("notes.txt", "hello\n"));
    EXPECT_EQ(message(), " earlier");
    expect_no_input();

    // With a source open, the file does not take over its name: there is no input afterwards.
    choose_input(pal_project());
    ASSERT_TRUE(core.settings.input_opened);
    choose_input(file("clip.mkv", "junk"));
    expect_no_input();
    EXPECT_FALSE(core.ui.window.enabled(win::ENCODE));
}

TEST_F(FileCommands, MissingInputFileKeepsTheOpenSource) {
    const std::string path = pal_project();
    choose_input(path);
    add_chapters({7});
    choose_input((dir / "nowhere.d2v").string());
    EXPECT_EQ(message(), " input file not found");
    EXPECT_TRUE(core.settings.input_opened);
    EXPECT_TRUE(core.settings.input_valid);
    EXPECT_EQ(core.settings.input_path, path);  // the open source keeps its name
    EXPECT_EQ(input_button(), "input: " + shorten_path(path));
    EXPECT_EQ(core.settings.chapter_count, 1);

    // Nothing open before: nothing open after.
    Core fresh;
    wire_hooks(fresh);
    ScriptedShell other;
    fresh.shell = &other;
    other.file_answers.push_back((dir / "nowhere.avs").string());
    handle_event(fresh, PageId::main, mainp::INPUT, UiEvent::clicked);
    EXPECT_EQ(fresh.message.message_text(), " input file not found");
    EXPECT_TRUE(fresh.settings.input_path.empty());
    EXPECT_FALSE(fresh.settings.input_valid);
}

TEST_F(FileCommands, NewInputRestoresTheWholeRangeAndEmptiesTheList) {
    const std::string path = pal_project();
    const std::string ini =
        file("range.ini", "*INFILE " + path + "\n*FRAMES 5 20\n*CHAPTER          2\n8\n9\n");
    shell.file_answers.push_back(ini);
    click(mainp::LOAD_INI);
    ASSERT_TRUE(core.settings.input_opened) << message();
    EXPECT_EQ(core.settings.user_ini_path, ini);
    EXPECT_EQ(core.settings.start_frame_value, 5);
    EXPECT_EQ(core.settings.end_frame_value, 20);
    EXPECT_EQ(core.ui.preview.entries(prv::CHAPTER_LIST),
              (std::vector<std::string>{chapter_entry_text(8), chapter_entry_text(9)}));

    choose_input(path);
    EXPECT_EQ(message(), PROJECT_OPENED);
    EXPECT_FALSE(core.settings.seen[kw::FRAMES]);
    EXPECT_EQ(core.settings.start_frame_value, 0);
    EXPECT_EQ(core.settings.end_frame_value, 39);
    EXPECT_EQ(core.settings.frames_to_encode, 40);
    EXPECT_EQ(core.settings.chapter_count, 0);
    EXPECT_TRUE(core.ui.preview.entries(prv::CHAPTER_LIST).empty());
}

TEST_F(FileCommands, LoadedSettingsOpenTheirInputWithTheRightLibrary) {
    choose_input(pal_project());
    ASSERT_TRUE(core.source.decoder_loaded);
    // A project of another version through a settings file gets that version's library.
    const std::string v12 = project(12, {dt::material("ntsc_cut.m2v").string()});
    shell.file_answers.push_back(file("v12.ini", "*INFILE " + v12 + "\n"));
    click(mainp::LOAD_INI);
    EXPECT_TRUE(core.settings.input_opened) << message();
    EXPECT_NE(message().find("(project version 12) loaded"), std::string::npos) << message();
    EXPECT_EQ(core.source.frame_count, 30);
    const std::string library = project_binding(core).library.path();
    EXPECT_EQ(library.substr(library.size() - 14), "DGDecode12.dll") << library;
}

TEST_F(FileCommands, OutputAndLogTakeTheChoice) {
    shell.file_answers.push_back((dir / "film.m2v").string());
    click(mainp::OUTPUT);
    EXPECT_EQ(core.settings.output_path, (dir / "film.m2v").string());
    EXPECT_TRUE(core.settings.output_set);
    EXPECT_TRUE(core.settings.output_chosen);
    EXPECT_EQ(core.ui.main.text(mainp::OUTPUT), "output: " + shorten_path((dir / "film.m2v").string()));
    click(mainp::OUTPUT);  // cancel
    EXPECT_EQ(core.settings.output_path, (dir / "film.m2v").string());
    EXPECT_TRUE(core.settings.output_chosen);

    shell.file_answers.push_back((dir / "run.log").string());
    click(mainp::LOG);
    EXPECT_EQ(core.settings.log_path, (dir / "run.log").string());
    EXPECT_TRUE(core.settings.log_set);
    EXPECT_EQ(core.ui.main.text(mainp::LOG), "log: " + shorten_path((dir / "run.log").string()));
    click(mainp::LOG);  // cancel
    EXPECT_EQ(core.settings.log_path, (dir / "run.log").string());

    // With a source open the encode button comes on.
    choose_input(SAMPLES + "colorbars.avs");
    EXPECT_TRUE(core.ui.window.enabled(win::ENCODE));
}

TEST_F(FileCommands, SettingsFilesAreWrittenAndRead) {
    choose_input(SAMPLES + "colorbars.avs");
    core.settings.avg_bitrate = "6000";
    const std::string ini = file("existing.ini", "old content that must go\n");
    shell.file_answers.push_back(ini);
    click(mainp::SAVE_INI);
    EXPECT_TRUE(shell.questions.empty());  // replaced without a question
    const std::string written = dt::read_file(ini);
    EXPECT_EQ(written.find("old content"), std::string::npos);
    EXPECT_NE(written.find("*INFILE"), std::string::npos);
    EXPECT_NE(written.find("colorbars.avs"), std::string::npos);
    EXPECT_EQ(core.settings.user_ini_path, ini);

    // The program's own file, without dialogs.
    click(mainp::SAVE_QV_INI);
    EXPECT_EQ(dt::read_file(core.settings.qv_ini_path), written);
    core.settings.avg_bitrate = "3000";
    click(mainp::LOAD_QV_INI);
    EXPECT_TRUE(shell.file_requests.size() == 2u);  // input and save ini only
    EXPECT_EQ(core.settings.avg_bitrate, "6000");
    EXPECT_TRUE(core.settings.input_opened) << message();
    EXPECT_EQ(core.source.frame_count, 300);

    // A cancelled "save ini file" writes nothing and forgets the settings-file folder.
    click(mainp::SAVE_INI);
    EXPECT_EQ(core.settings.user_ini_path, "");
}

TEST_F(FileCommands, ChapterFilesGoBothWays) {
    choose_input(SAMPLES + "colorbars.avs");
    add_chapters({100, 50});
    const std::string out = (dir / "chapters.txt").string();
    shell.file_answers.push_back(out);
    click(PageId::preview, prv::EXPORT);
    EXPECT_EQ(dt::read_file(out), "*CHAPTER          2\n50\n100\n");

    dt::write_file(out, "400\n20\n999\n");
    shell.file_answers.push_back(out);
    click(PageId::preview, prv::IMPORT);
    EXPECT_EQ(core.settings.chapter_file_path, out);
    // Sorted and trimmed against the 300 frames, and shown.
    EXPECT_EQ(message(), " 3 chapters successfully read, WARNING, 2 chapters removed, out of range");
    EXPECT_EQ(core.ui.preview.entries(prv::CHAPTER_LIST),
              (std::vector<std::string>{chapter_entry_text(20)}));

    // A cancel does nothing.
    core.show(" kept");
    click(PageId::preview, prv::IMPORT);
    EXPECT_EQ(message(), " kept");
    EXPECT_EQ(core.settings.chapter_count, 1);
}

TEST_F(FileCommands, NothingRunsDuringAScan) {
    core.scan_running = true;
    for (int id : {mainp::INPUT, mainp::LOAD_INI, mainp::LOAD_QV_INI}) click(id);
    click(PageId::preview, prv::IMPORT);
    click(PageId::matrix, mtx::LOAD);
    EXPECT_TRUE(shell.file_requests.empty());
    core.scan_running = false;
}

}  // namespace
}  // namespace qv

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "matrix/builtin_matrices.h"
#include "matrix/matrix_commands.h"
#include "matrix/matrix_files.h"
#include "settings/core.h"
#include "tests/platform/test_dir.h"

namespace qv {
namespace {

using qv_test::read_bytes;
using qv_test::TempDir;
using qv_test::write_bytes;

std::string fixture(const std::string& name) {
    return read_bytes(std::string(QV_SOURCE_DIR) + "/tests/matrix/fixtures/" + name);
}

struct Fixture {
    Core core;
    ScriptedShell shell;
    TempDir dir;
    Fixture() {
        core.shell = &shell;
        core.env.program_dir = dir.path() + "/";
        core.env.matrix_dir = dir.path() + "/matrix/";
    }
};

TEST(MatrixCommands, DialogRequests) {
    Fixture f;
    for (int id : {mtx::LOAD, mtx::SAVE_CQM, mtx::SAVE_MTX}) EXPECT_TRUE(handle_matrix_file_command(f.core, id));
    EXPECT_FALSE(handle_matrix_file_command(f.core, mtx::ADAPTIVE));
    ASSERT_EQ(f.shell.file_requests.size(), 3u);

    const FileDialogRequest& load = f.shell.file_requests[0];
    EXPECT_EQ(load.kind, FileDialogRequest::Kind::open);
    EXPECT_EQ(load.title, "import matrix file");
    EXPECT_EQ(load.filter_description, "matrix file  (*.mtx, *.cqm)");
    EXPECT_EQ(load.filter_pattern, "*.mtx;*.cqm");
    EXPECT_EQ(load.default_extension, "mtx");
    EXPECT_EQ(load.initial_folder, f.dir.path() + "/matrix/");

    const FileDialogRequest& cqm = f.shell.file_requests[1];
    EXPECT_EQ(cqm.kind, FileDialogRequest::Kind::save);
    EXPECT_EQ(cqm.title, "export matrix file as cqm");
    EXPECT_EQ(cqm.filter_description, "matrix file  (*.cqm)");
    EXPECT_EQ(cqm.filter_pattern, "*.cqm");
    EXPECT_EQ(cqm.default_extension, "cqm");
    EXPECT_EQ(cqm.initial_folder, "");

    const FileDialogRequest& mtx_request = f.shell.file_requests[2];
    EXPECT_EQ(mtx_request.kind, FileDialogRequest::Kind::save);
    EXPECT_EQ(mtx_request.title, "export matrix file as mtx");
    EXPECT_EQ(mtx_request.filter_description, "matrix file  (*.mtx)");
    EXPECT_EQ(mtx_request.filter_pattern, "*.mtx");
    EXPECT_EQ(mtx_request.default_extension, "mtx");
    EXPECT_EQ(mtx_request.initial_folder, "");
}

TEST(MatrixCommands, CancelChangesNothing) {
    Fixture f;
    f.core.show(" as it was");
    f.core.settings.builtin_matrix = 4;
    MatrixValues intra = f.core.settings.custom_intra;
    load_custom_matrix(f.core);
    save_custom_matrix_cqm(f.core);
    save_custom_matrix_mtx(f.core);
    EXPECT_EQ(f.shell.file_requests.size(), 3u);
    EXPECT_EQ(f.core.message.message_text(), " as it was");
    EXPECT_EQ(f.core.settings.builtin_matrix, 4);
    EXPECT_EQ(f.core.settings.custom_intra, intra);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.path()),
                            std::filesystem::directory_iterator()), 0);

    Core no_window;  // no shell: nothing to ask, nothing happens
    load_custom_matrix(no_window);
    EXPECT_EQ(no_window.message.message_text(), "");
}

TEST(MatrixCommands, LoadSelectsAndShowsTheCustomPair) {
    Fixture f;
    std::string bytes(128, '\0');
    for (int k = 0; k < 128; ++k) bytes[static_cast<std::size_t>(k)] = static_cast<char>(k * 2);
    write_bytes(f.dir / "Mine.CQM", bytes);
    f.shell.file_answers.push_back(f.dir / "Mine.CQM");
    load_custom_matrix(f.core);

    const Settings& s = f.core.settings;
    EXPECT_EQ(f.core.message.message_text(), " matrix file successfully read");
    EXPECT_EQ(s.builtin_matrix, CUSTOM_MATRIX);
    EXPECT_EQ(s.matrix_file_path, f.dir / "Mine.CQM");
    // Shown as read, then made valid.
    EXPECT_EQ(f.core.ui.matrix.text(mtx::intra_cell(0)), "0");
    EXPECT_EQ(f.core.ui.matrix.text(mtx::intra_cell(1)), "2");
    EXPECT_EQ(f.core.ui.matrix.text(mtx::non_intra_cell(63)), "254");
    EXPECT_EQ(s.custom_intra[0], 8);
    EXPECT_EQ(s.custom_intra[1], 2);
    EXPECT_EQ(s.displayed_non_intra[0], 128);
}

TEST(MatrixCommands, FailedLoadKeepsSelectionAndReportsTheReader) {
    Fixture f;
    f.core.settings.builtin_matrix = 7;
    write_bytes(f.dir / "one_line.mtx", fixture("one_line.mtx"));
    f.shell.file_answers.push_back(f.dir / "one_line.mtx");
    f.shell.file_answers.push_back(f.dir / "notes.txt");
    load_custom_matrix(f.core);
    EXPECT_EQ(f.core.message.message_text(), "error reading matrix file");
    load_custom_matrix(f.core);
    EXPECT_EQ(f.core.message.message_text(), "unknown format matrix file");
    EXPECT_EQ(f.core.settings.builtin_matrix, 7);
}

TEST(MatrixCommands, SaveWritesAndReports) {
    Fixture f;
    f.shell.file_answers.push_back(f.dir / "a.cqm");
    f.shell.file_answers.push_back(f.dir / "a.mtx");
    save_custom_matrix_cqm(f.core);
    EXPECT_EQ(f.core.message.message_text(), " matrix file successfully written");
    f.core.show(" other");
    save_custom_matrix_mtx(f.core);
    EXPECT_EQ(f.core.message.message_text(), " matrix file successfully written");
    EXPECT_EQ(read_bytes(f.dir / "a.cqm"), fixture("initial_custom.cqm"));
    EXPECT_EQ(read_bytes(f.dir / "a.mtx"), fixture("initial_custom.mtx"));
}

TEST(MatrixCommands, FailedSaveIsNeverReportedAsWritten) {
    Fixture f;
    write_bytes(f.dir / "keep.mtx", "old content\n");
    std::filesystem::create_directory(f.dir / "folder.cqm");
    f.shell.file_answers.push_back(f.dir / "no/such/folder/a.mtx");
    f.shell.file_answers.push_back(f.dir / "folder.cqm");
    save_custom_matrix_mtx(f.core);
    EXPECT_EQ(f.core.message.message_text(), " error writing matrix file");
    f.core.show(" other");
    save_custom_matrix_cqm(f.core);
    EXPECT_EQ(f.core.message.message_text(), " error writing matrix file");
    EXPECT_EQ(read_bytes(f.dir / "keep.mtx"), "old content\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.path()),
                            std::filesystem::directory_iterator()), 2);
}

}  // namespace
}  // namespace qv

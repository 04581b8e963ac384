#include "matrix/matrix_commands.h"

#include <optional>
#include <string>

#include "matrix/builtin_matrices.h"
#include "matrix/matrix_files.h"
#include "settings/pages.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* READ_OK = " matrix file successfully read";
constexpr const char* WRITE_OK = " matrix file successfully written";
constexpr const char* WRITE_ERROR = " error writing matrix file";

// The chosen path as the program holds paths (512 characters, no trailing blanks), or nothing
// when the dialog was cancelled (or there is no window to ask).
std::optional<std::string> ask_for_matrix_file(Core& core, const FileDialogRequest& request) {
    if (!core.shell) return std::nullopt;
    std::optional<std::string> chosen = core.shell->choose_file(request);
    if (!chosen) return std::nullopt;
    std::string path = fit_path(*chosen);
    core.settings.matrix_file_path = path;
    return path;
}

void save_custom_matrix(Core& core, const FileDialogRequest& request,
                        bool (*write)(const Core&, const std::string&)) {
    std::optional<std::string> path = ask_for_matrix_file(core, request);
    if (!path) return;
    core.show(write(core, *path) ? WRITE_OK : WRITE_ERROR);
}

}  // namespace

FileDialogRequest load_matrix_dialog(const Core& core) {
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::open;
    r.title = "import matrix file";
    r.filter_description = "matrix file  (*.mtx, *.cqm)";
    r.filter_pattern = "*.mtx;*.cqm";
    r.default_extension = "mtx";
    r.initial_folder = core.env.matrix_dir;
    return r;
}

FileDialogRequest save_matrix_cqm_dialog() {
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::save;
    r.title = "export matrix file as cqm";
    r.filter_description = "matrix file  (*.cqm)";
    r.filter_pattern = "*.cqm";
    r.default_extension = "cqm";
    return r;
}

FileDialogRequest save_matrix_mtx_dialog() {
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::save;
    r.title = "export matrix file as mtx";
    r.filter_description = "matrix file  (*.mtx)";
    r.filter_pattern = "*.mtx";
    r.default_extension = "mtx";
    return r;
}

void load_custom_matrix(Core& core) {
    std::optional<std::string> path = ask_for_matrix_file(core, load_matrix_dialog(core));
    if (!path) return;
    // The path is opened as chosen; only the format test ignores letter case.
    if (!read_matrix_file(core, *path)) return;
    core.settings.builtin_matrix = CUSTOM_MATRIX;
    show_selected_matrix(core);
    core.show(READ_OK);
}

void save_custom_matrix_cqm(Core& core) {
    save_custom_matrix(core, save_matrix_cqm_dialog(), write_matrix_file_cqm);
}

void save_custom_matrix_mtx(Core& core) {
    save_custom_matrix(core, save_matrix_mtx_dialog(), write_matrix_file_mtx);
}

bool handle_matrix_file_command(Core& core, int control_id) {
    switch (control_id) {
        case mtx::LOAD: load_custom_matrix(core); return true;
        case mtx::SAVE_CQM: save_custom_matrix_cqm(core); return true;
        case mtx::SAVE_MTX: save_custom_matrix_mtx(core); return true;
        default: return false;
    }
}

}  // namespace qv

#include "app/file_commands.h"

#include <optional>
#include <utility>

#include "app/page_refresh.h"
#include "app/startup.h"
#include "matrix/matrix_commands.h"
#include "platform/files.h"
#include "preview/chapter_file.h"
#include "preview/chapter_list.h"
#include "settings/settings_file.h"
#include "settings/settings_reader.h"
#include "settings/settings_writer.h"
#include "settings/text.h"
#include "sources/input_classification.h"
#include "sources/project_source.h"
#include "sources/script_source.h"

namespace qv {

namespace {

FileDialogRequest dialog(FileDialogRequest::Kind kind, const char* title, const char* description,
                         const char* pattern, const char* extension, const std::string& folder) {
    FileDialogRequest r;
    r.kind = kind;
    r.title = title;
    r.filter_description = description;
    r.filter_pattern = pattern;
    r.default_extension = extension;
    r.initial_folder = folder;
    return r;
}

constexpr auto OPEN = FileDialogRequest::Kind::open;
constexpr auto SAVE = FileDialogRequest::Kind::save;

// Blanks `path`, asks for a file starting in the old path's folder, and returns the choice as a
// stored path; `previous` gets the old value for a caller that restores it on a cancel.
std::optional<std::string> ask(Core& core, std::string& path, std::string& previous,
                               FileDialogRequest (*make)(const std::string&)) {
    previous = std::exchange(path, std::string());
    if (!core.shell) return std::nullopt;
    std::optional<std::string> chosen = core.shell->choose_file(make(directory_part(previous)));
    if (!chosen) return std::nullopt;
    return fit_path(*chosen);
}

// No input any more: the path, the validity and the open state are gone and the button says so.
void drop_input(Core& core) {
    Settings& s = core.settings;
    s.input_path.clear();
    s.input_valid = false;
    s.input_opened = false;
    core.source.frame_count = 0;
    core.ui.main.set_text(mainp::INPUT, INPUT_CAPTION_UNSET);
}

void load_settings_file(Core& core, SettingsFile file) {
    core.source.is_script = false;
    core.source.is_project = false;
    core.settings.input_opened = false;
    load_settings(core, file);
    // The file may name a project of another version than the loaded library reads.
    if (core.source.is_project) core.source.decoder_loaded = false;
    open_named_input(core);
    refresh_pages(core);
}

}  // namespace

FileDialogRequest input_file_dialog(const std::string& folder) {
    return dialog(OPEN, "select input file", "input files  (*.d2v, *.avs)", "*.d2v;*.avs", "input",
                  folder);
}
FileDialogRequest output_file_dialog(const std::string& folder) {
    return dialog(OPEN, "select output file", "output files (*.m2v)", "*.m2v", "output", folder);
}
FileDialogRequest log_file_dialog(const std::string& folder) {
    return dialog(OPEN, "select log file", "log files    (*.log)", "*.log", "logfile", folder);
}
FileDialogRequest load_ini_dialog(const std::string& folder) {
    return dialog(OPEN, "select ini file", "ini file     (*.ini)", "*.ini", "ini", folder);
}
FileDialogRequest save_ini_dialog(const std::string& folder) {
    return dialog(SAVE, "save ini file", "ini file     (*.ini)", "*.ini", "ini", folder);
}
FileDialogRequest import_chapter_dialog(const std::string& folder) {
    return dialog(OPEN, "import chapter file", "txt file     (*.txt)", "*.txt", "txt", folder);
}
FileDialogRequest export_chapter_dialog(const std::string& folder) {
    return dialog(SAVE, "export chapter file", "txt file     (*.txt)", "*.txt", "txt", folder);
}

void choose_input(Core& core) {
    Settings& s = core.settings;
    std::string previous;
    std::optional<std::string> chosen = ask(core, s.input_path, previous, input_file_dialog);
    if (!chosen) {
        s.input_path = previous;
        refresh_pages(core);
        return;
    }
    s.input_path = *chosen;
    if (!file_exists(s.input_path)) {
        // The source that is open keeps its name: a blank name beside an open source would
        // reach the encoder as an empty input.
        s.input_path = previous;
        core.show(" input file not found");
        refresh_pages(core);
        return;
    }
    open_chosen_input(core);
}

void open_chosen_input(Core& core) {
    Settings& s = core.settings;
    SourceState& src = core.source;
    classify_input(core);
    s.input_valid = (src.is_project && src.project_version_ok) || src.is_script;
    s.seen[kw::FRAMES] = false;  // the new source gets its whole frame range
    src.decoder_loaded = false;

    if (src.is_script) core.show(" AVS file opened");
    if (src.is_project) core.show(" D2V project file opened");
    if (src.is_script) {
        open_script_source(core);
    } else if (src.is_project && src.project_version_ok) {
        open_project_source(core);
    } else if (!src.is_project) {
        // Neither a script nor a project: whatever was open before no longer goes with the
        // chosen name, so there is no input.
        s.input_opened = false;
    }

    if (!src.project_files_found) {
        drop_input(core);
        clear_chapters(core);
        core.show(" ERROR, invalid D2V project, can't find the VOB/MPEG files");
    } else if (!src.project_version_ok) {
        drop_input(core);
        core.show(" ERROR, invalid D2V project, DGIndex/DGDecode mismatch");
        clear_chapters(core);
    } else if (!s.input_opened) {
        drop_input(core);
        clear_chapters(core);
    } else {
        s.input_valid = true;
        clear_chapters(core);
    }

    core.ui.main.set_enabled(mainp::OUTPUT, true);
    core.ui.main.set_enabled(mainp::LOG, true);
    refresh_pages(core);
}

void choose_output(Core& core) {
    Settings& s = core.settings;
    std::string previous;
    std::optional<std::string> chosen = ask(core, s.output_path, previous, output_file_dialog);
    if (!chosen) {
        s.output_path = previous;
        return;
    }
    s.output_path = *chosen;
    s.output_set = true;
    s.output_chosen = true;
    refresh_pages(core);
}

void choose_log(Core& core) {
    Settings& s = core.settings;
    std::string previous;
    std::optional<std::string> chosen = ask(core, s.log_path, previous, log_file_dialog);
    if (!chosen) {
        s.log_path = previous;
        return;
    }
    s.log_path = *chosen;
    s.log_set = true;
    refresh_pages(core);
}

void load_ini_file(Core& core) {
    Settings& s = core.settings;
    std::string previous;
    std::optional<std::string> chosen = ask(core, s.user_ini_path, previous, load_ini_dialog);
    if (!chosen) return;  // the path stays blank
    s.user_ini_path = *chosen;
    load_settings_file(core, SettingsFile::user);
}

void save_ini_file(Core& core) {
    Settings& s = core.settings;
    std::string previous;
    std::optional<std::string> chosen = ask(core, s.user_ini_path, previous, save_ini_dialog);
    if (!chosen) return;  // the path stays blank
    s.user_ini_path = *chosen;
    write_settings(core, SettingsFile::user);
}

void load_qv_ini(Core& core) { load_settings_file(core, SettingsFile::program); }

void save_qv_ini(Core& core) { write_settings(core, SettingsFile::program); }

void import_chapters(Core& core) {
    Settings& s = core.settings;
    s.chapter_file_path.clear();
    if (!core.shell) return;
    std::optional<std::string> chosen =
        core.shell->choose_file(import_chapter_dialog(directory_part(s.user_ini_path)));
    if (!chosen) return;
    s.chapter_file_path = fit_path(*chosen);
    import_chapter_file(core, s.chapter_file_path);
    refresh_pages(core);
}

void export_chapters(Core& core) {
    Settings& s = core.settings;
    s.chapter_file_path.clear();
    if (!core.shell) return;
    std::optional<std::string> chosen =
        core.shell->choose_file(export_chapter_dialog(directory_part(s.user_ini_path)));
    if (!chosen) return;
    s.chapter_file_path = fit_path(*chosen);
    export_chapter_file(core, s.chapter_file_path);
}

bool handle_file_command(Core& core, PageId page, int id) {
    void (*command)(Core&) = nullptr;
    if (page == PageId::main) {
        switch (id) {
            case mainp::INPUT: command = choose_input; break;
            case mainp::OUTPUT: command = choose_output; break;
            case mainp::LOG: command = choose_log; break;
            case mainp::LOAD_INI: command = load_ini_file; break;
            case mainp::SAVE_INI: command = save_ini_file; break;
            case mainp::LOAD_QV_INI: command = load_qv_ini; break;
            case mainp::SAVE_QV_INI: command = save_qv_ini; break;
            default: return false;
        }
    } else if (page == PageId::preview) {
        switch (id) {
            case prv::IMPORT: command = import_chapters; break;
            case prv::EXPORT: command = export_chapters; break;
            default: return false;
        }
    } else if (page == PageId::matrix) {
        if (id != mtx::LOAD && id != mtx::SAVE_CQM && id != mtx::SAVE_MTX) return false;
        if (core.scan_running) return true;
        core.settings.matrix_file_path.clear();
        return handle_matrix_file_command(core, id);
    } else {
        return false;
    }
    if (!core.scan_running) command(core);
    return true;
}

}  // namespace qv

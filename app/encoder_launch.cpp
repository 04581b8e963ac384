#include "app/encoder_launch.h"

#include "platform/files.h"
#include "platform/process.h"
#include "settings/settings_writer.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* SCAN_RUNNING =
    " can't start encode while scene change detection scan is running";
constexpr const char* OVERWRITE_QUESTION = "m2v output file already exists, OVERWRITE ?";
constexpr const char* MESSAGE_CAPTION = "QV message";
constexpr const char* RENAME_OUTPUT = " please rename outputfile";
constexpr const char* CANT_START = ", can't start encode...";
constexpr const char* CANT_CREATE = " failed to start encoding, can't create process";
constexpr const char* FINISHED = " encoding finished";

constexpr int LIBRARY_SETTLE_MS = 500;

constexpr const char* ABOUT_CAPTION = "QVgui 019";
constexpr const char* ABOUT_TEXT =
    "MPEG2 encoder by the QVgui developers  -  release 0.19.0.1\n"
    "\n"
    "home of QV at: https://qvgui.example.org";

// Keeps the main window hidden for as long as it lives: whatever happens while the encoder
// runs, the window comes back.
class HiddenMainWindow {
public:
    explicit HiddenMainWindow(Shell* shell) : shell_(shell) {
        if (shell_) shell_->hide_main_window();
    }
    ~HiddenMainWindow() {
        if (shell_) shell_->restore_main_window();
    }
    HiddenMainWindow(const HiddenMainWindow&) = delete;
    HiddenMainWindow& operator=(const HiddenMainWindow&) = delete;

private:
    Shell* shell_;
};

// Without a window system there is nobody to say yes: an existing output is kept.
bool may_overwrite(Core& core) {
    return core.shell && core.shell->ask_yes_no(OVERWRITE_QUESTION, MESSAGE_CAPTION);
}

}  // namespace

void handle_main_window_button(Core& core, int id) {
    switch (id) {
        case win::ENCODE:
            start_encode(core);
            break;
        case win::EXIT:
            request_exit(core);
            break;
        case win::ABOUT:
            show_about(core);
            break;
        default:
            break;
    }
}

void start_encode(Core& core) {
    // The scan's worker reads the source and writes the chapter list; the encoder must see
    // neither half-done.
    if (core.scan_running.load()) {
        core.show(SCAN_RUNNING);
        return;
    }

    const std::string output = trimmed(core.settings.output_path);
    if (!output.empty() && file_exists(output) && !may_overwrite(core)) {
        core.show(RENAME_OUTPUT);
        return;
    }

    // The encoder opens index projects through "DGDecode.dll" beside it: place the copy of the
    // project's own library there. Failures show up in the encoder's run, not here.
    const std::string library_copy = trimmed(core.env.decoder_copy_path);
    if (core.source.project_version >= 1) {
        delete_file(library_copy);
        copy_file_replace(trimmed(core.source.decoder_library_path), library_copy);
        if (core.shell) core.shell->sleep_ms(LIBRARY_SETTLE_MS);
    }

    write_settings(core, SettingsFile::program);
    if (!core.settings.ini_write_ok) {
        core.show(CANT_START, true);  // after the writer's own message
        return;
    }

    const std::string encoder = trimmed(core.env.encoder_path);
    if (!file_exists(encoder)) {
        core.show(" encoder " + encoder + " NOT found");
        return;
    }

    ProcessHandle child;
    if (start_process(encoder, child) != 0) {
        core.show(CANT_CREATE);
        delete_file(library_copy);
        return;
    }

    {
        // Hidden only once the encoder runs; its exit status is of no interest: the encoder
        // reports its own results.
        HiddenMainWindow hidden(core.shell);
        wait_process(child);
    }
    if (core.shell) core.shell->clear_focus();
    core.show(FINISHED);

    const std::string scratch = trimmed(core.env.scratch_path);
    if (file_exists(scratch)) delete_file(scratch);
    delete_file(library_copy);
}

void show_about(Core& core) {
    if (core.shell) core.shell->show_information(ABOUT_TEXT, ABOUT_CAPTION);
}

void request_exit(Core& core) {
    if (core.shell) core.shell->request_quit(0);
}

}  // namespace qv

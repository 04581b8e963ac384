#include "app/startup.h"

#include "app/environment.h"
#include "app/page_refresh.h"
#include "app/wiring.h"
#include "preview/scene_scan.h"
#include "settings/settings_reader.h"
#include "sources/project_source.h"
#include "sources/script_source.h"

namespace qv {

void open_named_input(Core& core) {
    if (core.source.is_script)
        open_script_source(core);
    else if (core.source.is_project)
        open_project_source(core);
}

void start_up(Core& core, const std::string& program_file) {
    wire_hooks(core);
    set_initial_state(core);
    core.ui.window.set_enabled(win::ENCODE, true);
    core.ui.window.set_enabled(win::EXIT, true);
    core.ui.window.set_enabled(win::ABOUT, true);
    if (program_file.empty())
        discover_environment(core);
    else
        discover_environment(core, program_file);
    reset_to_defaults(core);
    load_settings(core, SettingsFile::program);
    open_named_input(core);
    refresh_pages(core);
    detect_cpu_level(core);
}

void close_requested(Core& core) {
    if (scan_running(core)) {
        // The worker leaves at its next frame boundary; its closing steps do not run.
        stop_scene_scan(core);
        core.show(" aborting scene change detection scan...");
        if (core.shell) core.shell->sleep_ms(1000);
    }
    if (core.shell) core.shell->request_quit(0);
}

void shut_down(Core& core) {
    stop_scene_scan(core);
    close_script_library(core);
    if (core.source.decoder_loaded) free_decoder_library(core);
}

}  // namespace qv

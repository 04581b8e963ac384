// The process-wide state of the program, in one place: the settings record, the open source,
// the frame store, the environment, the message line and the page models. Operations are plain
// functions over it; tests make one per case.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "settings/environment.h"
#include "settings/message_line.h"
#include "settings/pages.h"
#include "settings/settings.h"
#include "settings/shell.h"
#include "settings/source_state.h"

namespace qv {

struct Core;
struct ScriptBinding;  // the frame-server binding's library, environment and clip (sources/)
// The decoder library binding of index projects (sources/project_source.h); made on first use.
struct ProjectBinding;

// Operations of higher subsystems that lower ones trigger (the reset redraws the matrix cells
// and the movie information; the settings reader classifies the named input). The program wires
// them once (app/wiring.h); an unwired hook is skipped.
struct Hooks {
    std::function<void(Core&)> show_selected_matrix;
    std::function<void(Core&)> show_movie_info;
    std::function<void(Core&)> classify_input;
};

struct Core {
    Core();
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Settings settings;
    SourceState source;
    Environment env;
    MessageLine message;
    Ui ui{settings};
    std::unique_ptr<FrameStore> frames = FrameStore::create();
    Shell* shell = nullptr;
    Hooks hooks;
    // Library, script environment and clip of the frame-server source; held from the first
    // script open to close_script_library (shutdown).
    std::shared_ptr<ScriptBinding> script_binding;
    // Library, entry points and open project of the index-project source; held from the first
    // project open to shutdown.
    std::shared_ptr<ProjectBinding> project_binding;

    int vector_level = 0;  // 1 MMX, 2 SSE2, 3 SSE3
    std::atomic<bool> scan_running{false};

    // Shorthand for the message line.
    void show(std::string_view text, bool append = false) { message.show_message(text, append); }

    // The scene-change scan's worker (preview/scene_scan.h); releasing it stops and joins the
    // thread. Keep this the LAST member: it is destroyed first, while everything the worker
    // touches (frame store, source bindings, pages, message line) still exists.
    std::shared_ptr<void> scan_job;
};

// The initial run-time state, set before anything else at start-up.
void set_initial_state(Core& core);

// The defaults of every option and the enabled states that go with them ("reset GUI to
// default", the start of every load).
void reset_to_defaults(Core& core);

// Which bitrate and frame-range entries are usable, from the open input and constant
// quantization.
void update_bitrate_enabling(Core& core);

}  // namespace qv

// The program's own start-up and shutdown order, independent of the window system: the window
// creates the pages and shows itself, then calls start_up; its close box calls close_requested;
// after the message loop, shut_down releases the video libraries.
#pragma once

#include "settings/core.h"

namespace qv {

// Initial state, environment, defaults, QV.ini, the input it names, page refresh, processor
// check. `program_file` empty: the running program's own file.
void start_up(Core& core, const std::string& program_file = {});

// Opens the input that a settings load classified (a script or a project).
void open_named_input(Core& core);

// The close box: stop a running scan (" aborting scene change detection scan...", a 1000 ms
// wait) and ask to quit.
void close_requested(Core& core);

// Releases the clip, the frame server and the decoder library.
void shut_down(Core& core);

}  // namespace qv

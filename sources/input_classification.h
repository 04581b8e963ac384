// Which kind of input a file is (frame-server script or index project), and for a project the
// check of its header and of the source files it lists.
#pragma once

#include "settings/core.h"

namespace qv {

// Reads settings.input_path (a file that exists) and writes core.source: is_script, is_project,
// project_version, project_version_ok, project_files_found and decoder_library_path. Only the
// project text file is opened; nothing is loaded. input_path itself is kept as written (paths are
// case-sensitive here); the extension test folds a copy.
void classify_input(Core& core);

}  // namespace qv

// The three file buttons of the Matrix page: load the custom pair from a file, save it as "cqm",
// save it as "mtx". Each asks the shell for a file; a cancelled dialog changes nothing and shows
// nothing.
#pragma once

#include "settings/core.h"
#include "settings/shell.h"

namespace qv {

// The dialogs the three buttons show (the load dialog starts in the program's matrix folder).
FileDialogRequest load_matrix_dialog(const Core& core);
FileDialogRequest save_matrix_cqm_dialog();
FileDialogRequest save_matrix_mtx_dialog();

// "load custom matrix": on a successful read the custom pair is selected (99) and shown, and the
// message line says " matrix file successfully read".
void load_custom_matrix(Core& core);
// "save custom matrix (cqm)" / "(mtx)": " matrix file successfully written" after a completed
// write, " error writing matrix file" when the file could not be written.
void save_custom_matrix_cqm(Core& core);
void save_custom_matrix_mtx(Core& core);

// The click handler for the three buttons; false for any other control id.
bool handle_matrix_file_command(Core& core, int control_id);

}  // namespace qv

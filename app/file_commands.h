// The buttons that name a file: input, output and log of the encode, the user's settings files
// and the program's QV.ini (Main page), the chapter files (Preview/Chapters page) and the matrix
// files (Matrix page). Each shows the shell's file dialog, takes the chosen path into the record
// and hands the file to the part that reads or writes it. Before a dialog the command's path is
// blanked so the dialog starts with an empty name; its old folder is where the dialog starts.
#pragma once

#include <string>

#include "settings/core.h"
#include "settings/shell.h"

namespace qv {

// The dialogs, each starting in `folder` (empty: the dialog's own choice).
FileDialogRequest input_file_dialog(const std::string& folder);
FileDialogRequest output_file_dialog(const std::string& folder);
FileDialogRequest log_file_dialog(const std::string& folder);
FileDialogRequest load_ini_dialog(const std::string& folder);
FileDialogRequest save_ini_dialog(const std::string& folder);
FileDialogRequest import_chapter_dialog(const std::string& folder);
FileDialogRequest export_chapter_dialog(const std::string& folder);

// The input button. After a choice: a missing file gives " input file not found"; otherwise the
// file is classified, opened as a script or a project, the outcome reported, the chapter list
// emptied and the pages refreshed. A cancel restores the previous input path.
void choose_input(Core& core);
// The steps after a choice, for settings.input_path (also for callers without a dialog).
void open_chosen_input(Core& core);

void choose_output(Core& core);
void choose_log(Core& core);
void load_ini_file(Core& core);  // "load ini file": dialog, then the user's file
void save_ini_file(Core& core);  // "save ini file": dialog, then write the user's file
void load_qv_ini(Core& core);    // "load QV.ini", no dialog
void save_qv_ini(Core& core);    // "save QV.ini", no dialog
void import_chapters(Core& core);
void export_chapters(Core& core);

// The click handler of every file button: the Main page's file and ini buttons, the
// Preview/Chapters page's chapter-file buttons and the Matrix page's matrix-file buttons. False
// for any other control. Ignored while a scene-change scan runs (the scan owns the source and
// the chapter list).
bool handle_file_command(Core& core, PageId page, int id);

}  // namespace qv

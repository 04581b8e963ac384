// The main window's three buttons: "encode" hands the settings to the encoder program and waits
// for it, "exit" ends the program, "about QV" describes the encoder.
//
// The encoder program lives in the program directory and is told everything through files
// there: QV.ini (always written just before the start) and, for index projects, "DGDecode.dll",
// a copy of the project's decoder library. It is started without arguments, with our
// environment and working directory, and waited for without a time limit while the main window
// is hidden. Afterwards "QV.dbs" and "DGDecode.dll" are removed, whatever the encoder's end.
#pragma once

#include "settings/core.h"

namespace qv {

// Click on win::ENCODE, win::EXIT or win::ABOUT; any other id is ignored.
void handle_main_window_button(Core& core, int id);

// The encode button: checks, preparation, start, wait and clean-up; every outcome ends as one
// text on the message line.
void start_encode(Core& core);

// The information box "QVgui 019".
void show_about(Core& core);

// Ends the message loop with code 0; nothing is saved or asked.
void request_exit(Core& core);

}  // namespace qv

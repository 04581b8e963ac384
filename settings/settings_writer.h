// Writing the settings file for the encoder, and showing the same lines in the Advanced page's
// list "current QV.ini".
#pragma once

#include <string>

#include "settings/core.h"
#include "settings/settings_file.h"

namespace qv {

// Writes the lines for the current record to the program's QV.ini or the user's file and reports
// on the message line. Sets settings.ini_write_ok. The whole text is built first and then
// replaces the file in one step, so a write that fails or is aborted (invalid quantizer) leaves
// the previous file as it was.
void write_settings(Core& core, SettingsFile target);

// The same lines as entries of adv::QV_INI_LIST (128 columns, path values cut to 127). Returns
// false when an invalid quantizer ended the list early (reported on the message line).
bool render_settings_list(Core& core);

// The file text write_settings would write (with its side effects on the record: the numeric
// frame range and the clamped bias, wait and time code). False when an invalid quantizer stops
// it; `text` then holds the lines before the quantizer line.
bool settings_file_text(Core& core, std::string& text);

}  // namespace qv

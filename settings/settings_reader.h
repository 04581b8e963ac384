// Reading a settings file (the program's QV.ini or a user's file) into the settings record.
#pragma once

#include "settings/core.h"
#include "settings/settings_file.h"

namespace qv {

enum class LoadResult {
    processed,         // the file was read to its end and applied
    not_found,         // the program's QV.ini does not exist: the defaults stay
    open_failed,       // the file could not be opened: the defaults stay
    processing_error,  // a line could not be read or a value was malformed: nothing applied
};

// Resets the record to its defaults, reads the file, classifies the input it names
// (core.hooks.classify_input) and applies what it found, reporting on the message line. The
// caller opens the classified input and refreshes the pages afterwards.
LoadResult load_settings(Core& core, SettingsFile source);

}  // namespace qv

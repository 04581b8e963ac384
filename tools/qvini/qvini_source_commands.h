// qvini commands that open the input a settings file names, as the program's start-up does:
// "show --open" (what the program would show) and "scan" (the scene-change scan on the command
// line).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "settings/core.h"

namespace qv::qvini {

// show --open FILE: the settings file loaded, its input opened, then the message line, the movie
// information and the lines of "current QV.ini".
int show_opened(Core& core, const std::vector<std::string>& arguments, std::ostream& out,
                std::ostream& err);

// scan FILE [--write OUT]: the settings file loaded, its input opened and scanned for scene
// changes (progress on `err`); the chapters one per line, then the final message. With --write
// the settings are saved to OUT with the chapter list found, as "save ini file" does.
int scan(Core& core, const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace qv::qvini

// qvini: what the encoder gets from a settings file, for scripts and batch work.
//   qvini show FILE      load FILE as "load ini file" does; print the message line and the lines
//                        of "current QV.ini"
//   qvini write IN OUT   load IN the same way and write OUT as "save ini file" does
//   qvini show --open FILE   as show, and open the input FILE names as start-up does; also print
//                        the movie information
//   qvini scan FILE [--write OUT]   open the input FILE names, run the scene-change scan (progress
//                        on standard error), print the chapters found and the message; --write
//                        saves the settings with that chapter list to OUT
// Exit status: 0 processed, 1 processing or write error, 2 the file could not be opened.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/environment.h"
#include "app/wiring.h"
#include "tools/qvini/qvini_commands.h"

int main(int argc, char** argv) {
    auto core = std::make_unique<qv::Core>();
    qv::discover_environment(*core);
    qv::wire_hooks(*core);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return qv::qvini::run(*core, arguments, std::cout, std::cerr);
}

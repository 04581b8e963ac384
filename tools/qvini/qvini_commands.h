// The commands of qvini. Each command runs on a Core that has its environment and hooks, using
// the program's own operations, and answers with an exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "settings/core.h"

namespace qv::qvini {

// Exit statuses.
inline constexpr int PROCESSED = 0;
inline constexpr int FAILED = 1;         // a processing or write error
inline constexpr int NOT_OPENED = 2;     // the file could not be opened
inline constexpr int USAGE = 64;

struct Command {
    const char* name;
    const char* usage;  // the arguments, as the help shows them
    int argument_count;
    int (*run)(Core& core, const std::vector<std::string>& arguments, std::ostream& out,
               std::ostream& err);
};

// Every command; a new one is one more entry here.
const std::vector<Command>& commands();

// Runs argv[1..] (command name first); prints usage to `err` for an unknown command or a wrong
// argument count.
int run(Core& core, const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Loads a settings file as the program's "load ini file" does (defaults first, the named input
// classified, the source not opened). Returns PROCESSED, FAILED or NOT_OPENED.
int load_user_file(Core& core, const std::string& path);

}  // namespace qv::qvini

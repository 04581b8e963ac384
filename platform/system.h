// What the program asks of the operating system about itself and its libraries.
#pragma once

#include <string>

namespace qv {

// The running program's full file name; empty when the system cannot tell.
std::string program_file_path();

// Where the dynamic loader finds a library of this plain name (for example "libavisynth.so")
// through the system's search; empty when it finds none.
std::string system_library_path(const std::string& name);

// The value of an environment variable; empty when unset.
std::string environment_variable(const std::string& name);

}  // namespace qv

// Connects the operations that lower subsystems trigger to the subsystems that own them.
#pragma once

#include "settings/core.h"

namespace qv {

// Sets every hook of core.hooks; the program and the command-line tools call it once.
void wire_hooks(Core& core);

}  // namespace qv

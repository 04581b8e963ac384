// Routes one event of one control to the handler of its page. The window system (or a test)
// calls it for every user action; the handlers change the models and the message line.
#pragma once

#include "settings/core.h"

namespace qv {

void handle_event(Core& core, PageId page, int id, UiEvent event);

}  // namespace qv

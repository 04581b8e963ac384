// The main window's own behaviour: bringing the pages in line with the record after a load or an
// input change, and switching tabs.
#pragma once

#include "settings/core.h"

namespace qv {

// File buttons, encode button, chapter list, bitrate enabling, slider, movie information.
void refresh_pages(Core& core);

// The user selected tab `index` (0 Main .. 3 Preview/Chapters); refused while a scan runs.
void select_page(Core& core, int index);

// The Preview/Chapters controls that need an open source: enabled, current frame shown and the
// chapter list box refilled; or all seventeen disabled.
void enable_preview_controls(Core& core);

}  // namespace qv

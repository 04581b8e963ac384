// The Main page's handlers: the bitrate mode and bitrate/file-length arithmetic, the frame range,
// the profile, dc-precision and aspect-ratio radios, the seven switches with the Advanced page
// controls they couple, "reset GUI to default" and "make DVD compliant". The file buttons and the
// three info buttons have handlers of their own.
#pragma once

#include "settings/core.h"

namespace qv {

// One event of a Main page control, after the view has stored the control's new value. Returns
// false (and does nothing) for a control or event this page does not answer here.
bool handle_main_page_event(Core& core, int id, UiEvent event);

// Corrects the record towards DVD rules: aspect ratio, dc precision, VBV check, the bitrate
// limits, the time code, pulldown for film-rate sources and the GOP structure.
void make_dvd_compliant(Core& core);

}  // namespace qv

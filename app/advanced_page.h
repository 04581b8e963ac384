// The Advanced page's handlers: field order, scan method, switches and processor radios report
// what they set; the time-code, VBR bias, wait and GOP entries correct themselves; constant
// quantization switches its own controls and the Main page's bitrate controls; the P- and
// B-factor spins show the factor and the quantizer it gives. After every handled event the list
// "current QV.ini" is rendered again.
#pragma once

#include "settings/core.h"

namespace qv {

// One event of an Advanced page control, after the view has stored the control's new value.
// Returns false (and does nothing) for a control or event this page does not answer.
bool handle_advanced_page_event(Core& core, int id, UiEvent event);

}  // namespace qv

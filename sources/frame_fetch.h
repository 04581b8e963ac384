// The one way the rest of the program reads a frame: frame n of whichever source is open, into
// the frame store's y, u and v planes.
#pragma once

#include "settings/core.h"

namespace qv {

// Index project: through the decoder library; script: through the frame-server clip; neither:
// nothing happens and the result is 0. Otherwise the binding's result (0 for success); after a
// failure the planes keep their previous content. Callers pass 0 .. frame_count - 1.
int fetch_frame(Core& core, int n);

}  // namespace qv

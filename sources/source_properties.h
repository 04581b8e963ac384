// What every open source derives from its properties: rate, length and the frame range, and the
// check of the source against DVD sizes and frame rates.
#pragma once

#include <cstdint>

#include "settings/core.h"

namespace qv {

// What a source reports when it is opened (a script's clip or an index project).
struct VideoProperties {
    int32_t width = 0;
    int32_t height = 0;
    int32_t frame_count = 0;
    int32_t rate_num = 0;
    int32_t rate_den = 0;
    int32_t colour_format = 0;
};

// Takes an opened source's properties into core.source (with the plane sizes).
void store_source_properties(Core& core, const VideoProperties& p);

// fps and duration; the frame range (the whole source unless the settings file gave one);
// frames_to_encode.
void apply_source_properties(Core& core);

// Appends the DVD warnings about the source to the message line and sets film_rate.
void check_dvd_compliance(Core& core);

// A frame size the frame store cannot hold: the message to append (", can't load video, ..."),
// or nullptr when the size fits.
const char* frame_size_problem(int width, int height);

}  // namespace qv

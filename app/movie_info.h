// The Main page's "movie info" box and the file length shown beside the bitrate.
#pragma once

#include <cstdint>
#include <string>

#include "settings/core.h"

namespace qv {

// "h:mm:ss" with the hours right-aligned in 2 columns (8 characters); hours above 99 show "**".
std::string format_hms(int32_t seconds);

// Halves away from zero, as every rounding of the pages does.
int64_t round_half_away(double value);

// Fills the frame-range edits and the movie information; enables "all frames" only with an
// open source.
void show_movie_info(Core& core);

// Recomputes the file length from the average bitrate and shows it (empty without a source).
void show_file_length(Core& core);

}  // namespace qv

// The chapter list: frame numbers handed to the encoder as chapter points. It lives in the
// settings record as positions 1..chapter_count of the preallocated array `chapters` (640000
// positions); unused positions hold 0. Nothing here allocates.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "settings/core.h"

namespace qv {

// Changes the list and keeps it in order and within the source:
//   a > 0: adds frame a, unless it is already in the list or the list is full (640000);
//   a < 0: removes the entry at position -a (a position outside the list changes nothing);
//   a = 0: only sorts and trims.
// Adding and a = 0 sort the list; every call except a refused or duplicate add then drops entries
// greater than frame_count from the end. A removal closes every hole, so no 0 is left among the
// used positions. Returns the number of entries dropped as out of range.
int32_t edit_chapter_list(Core& core, int32_t a);

// Ascending in-place heap sort of positions 1..count (index 0 is not touched).
void sort_chapters(std::span<int32_t> chapters, int32_t count);

// Empties the list (every position 0) and the chapter list box of the Preview/Chapters page.
void clear_chapters(Core& core);

// One list box entry: the frame number right-aligned in 8 characters.
std::string chapter_entry_text(int32_t frame);

// Refills the chapter list box from the list (emptied, then one entry per used position, with
// redrawing off meanwhile).
void fill_chapter_list_box(Core& core);

}  // namespace qv

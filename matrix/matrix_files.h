// The two custom matrix file formats: "mtx", text (64 intra values, then 64 non-intra values
// starting on a new line, in free format) and "cqm", 128 raw bytes (intra, then non-intra).
// Both hold the pair in raster order.
#pragma once

#include <string>
#include <string_view>

#include "settings/core.h"
#include "settings/settings.h"

namespace qv {

// Files larger than this are refused as unreadable (a matrix file is a few hundred bytes).
inline constexpr std::size_t MATRIX_FILE_LIMIT = std::size_t{64} << 20;
inline constexpr std::size_t CQM_FILE_BYTES = 128;

enum class MatrixFileFormat { unknown, mtx, cqm };

// The format named by the last three characters of a path (trailing blanks ignored, letter case
// ignored, no dot needed).
MatrixFileFormat matrix_file_format(std::string_view path);

// The text form: 64 integers, then, from the line after the one holding the 64th, 64 more.
// False when the text ends early or holds something that is not a 32-bit integer; the arrays
// may then be partly filled.
bool parse_mtx_text(std::string_view text, MatrixValues& intra, MatrixValues& non_intra);

// The binary form: false when shorter than 128 bytes; anything after byte 128 is ignored.
bool parse_cqm_bytes(std::string_view bytes, MatrixValues& intra, MatrixValues& non_intra);

// What the writers store: eight rows of eight values right-aligned in four columns, an empty
// line, eight more rows; and the low bytes of the 128 values.
std::string mtx_text(const MatrixValues& intra, const MatrixValues& non_intra);
std::string cqm_bytes(const MatrixValues& intra, const MatrixValues& non_intra);

// Replaces the custom pair by the pair of a matrix file. On failure the message line says why
// ("unknown format matrix file", "error opening matrix file", "error reading matrix file") and
// the custom pair stays as it was. Values are taken unchecked; show_selected_matrix corrects them.
bool read_matrix_file(Core& core, const std::string& path);

// Write the custom pair. The file is replaced as a whole or not at all; true when every byte was
// written. They report nothing themselves.
bool write_matrix_file_mtx(const Core& core, const std::string& path);
bool write_matrix_file_cqm(const Core& core, const std::string& path);

}  // namespace qv

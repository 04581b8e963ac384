#include "matrix/matrix_files.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "settings/numbers.h"
#include "settings/text.h"

namespace qv {

MatrixFileFormat matrix_file_format(std::string_view path) {
    std::string_view name = trim_trailing(path);
    if (name.size() < 3) return MatrixFileFormat::unknown;
    std::string_view ending = name.substr(name.size() - 3);
    if (equals_ignore_case(ending, "cqm")) return MatrixFileFormat::cqm;
    if (equals_ignore_case(ending, "mtx")) return MatrixFileFormat::mtx;
    return MatrixFileFormat::unknown;
}

bool parse_mtx_text(std::string_view text, MatrixValues& intra, MatrixValues& non_intra) {
    NumberScanner first(text);
    for (int32_t& v : intra)
        if (!first.next_int(v)) return false;
    // The second array starts on the line after the one that held the 64th value; whatever
    // follows that value on its own line is not read.
    std::string_view rest = first.rest();
    std::size_t line_end = rest.find('\n');
    if (line_end == std::string_view::npos) return false;
    NumberScanner second(rest.substr(line_end + 1));
    for (int32_t& v : non_intra)
        if (!second.next_int(v)) return false;
    return true;
}

bool parse_cqm_bytes(std::string_view bytes, MatrixValues& intra, MatrixValues& non_intra) {
    if (bytes.size() < CQM_FILE_BYTES) return false;
    for (std::size_t k = 0; k < MATRIX_CELLS; ++k) {
        intra[k] = static_cast<unsigned char>(bytes[k]);
        non_intra[k] = static_cast<unsigned char>(bytes[MATRIX_CELLS + k]);
    }
    return true;
}

std::string mtx_text(const MatrixValues& intra, const MatrixValues& non_intra) {
    std::string out;
    out.reserve(2 * 8 * 33 + 1);
    auto rows = [&out](const MatrixValues& values) {
        for (std::size_t row = 0; row < 8; ++row) {
            // Right-aligned in four columns; a value too wide for them (possible only in a pair
            // that was never made valid) still gets a blank before it, so it reads back.
            for (std::size_t col = 0; col < 8; ++col) {
                out += ' ';
                out += right_aligned(values[row * 8 + col], 3);
            }
            out += '\n';
        }
    };
    rows(intra);
    out += '\n';
    rows(non_intra);
    return out;
}

std::string cqm_bytes(const MatrixValues& intra, const MatrixValues& non_intra) {
    std::string out(CQM_FILE_BYTES, '\0');
    for (std::size_t k = 0; k < MATRIX_CELLS; ++k) {
        out[k] = static_cast<char>(static_cast<unsigned char>(intra[k] & 0xff));
        out[MATRIX_CELLS + k] = static_cast<char>(static_cast<unsigned char>(non_intra[k] & 0xff));
    }
    return out;
}

namespace {

constexpr const char* UNKNOWN_FORMAT = "unknown format matrix file";
constexpr const char* OPEN_ERROR = "error opening matrix file";
constexpr const char* READ_ERROR = "error reading matrix file";

}  // namespace

bool read_matrix_file(Core& core, const std::string& path) {
    MatrixFileFormat format = matrix_file_format(path);
    if (format == MatrixFileFormat::unknown) {
        core.show(UNKNOWN_FORMAT);
        return false;
    }
    std::string name(trim_trailing(path));
    std::string content;
    if (!read_file(name, content, MATRIX_FILE_LIMIT)) {
        // A name with no file behind it reads as an empty file; so does one too large to be a
        // matrix file. Anything else that stops the read is a failed open.
        std::error_code ec;
        bool exists = std::filesystem::exists(name, ec);
        bool too_large = std::filesystem::is_regular_file(name, ec) &&
                         std::filesystem::file_size(name, ec) > MATRIX_FILE_LIMIT && !ec;
        core.show(!exists || too_large ? READ_ERROR : OPEN_ERROR);
        return false;
    }
    MatrixValues intra{};
    MatrixValues non_intra{};
    bool ok = format == MatrixFileFormat::cqm ? parse_cqm_bytes(content, intra, non_intra)
                                              : parse_mtx_text(content, intra, non_intra);
    if (!ok) {
        core.show(READ_ERROR);
        return false;
    }
    core.settings.custom_intra = intra;
    core.settings.custom_non_intra = non_intra;
    return true;
}

bool write_matrix_file_mtx(const Core& core, const std::string& path) {
    return write_file_atomic(std::string(trim_trailing(path)),
                             mtx_text(core.settings.custom_intra, core.settings.custom_non_intra));
}

bool write_matrix_file_cqm(const Core& core, const std::string& path) {
    return write_file_atomic(std::string(trim_trailing(path)),
                             cqm_bytes(core.settings.custom_intra, core.settings.custom_non_intra));
}

}  // namespace qv

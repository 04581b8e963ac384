// Both matrix file readers over arbitrary bytes: the text reader must end in a clean yes or no,
// the binary one must take exactly the first 128 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "matrix/matrix_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::MatrixValues intra{};
    qv::MatrixValues non_intra{};
    if (qv::parse_mtx_text(bytes, intra, non_intra)) {
        // What was read writes out and reads back the same.
        qv::MatrixValues again_intra{};
        qv::MatrixValues again_non_intra{};
        if (!qv::parse_mtx_text(qv::mtx_text(intra, non_intra), again_intra, again_non_intra) ||
            again_intra != intra || again_non_intra != non_intra)
            std::abort();
    }
    bool binary = qv::parse_cqm_bytes(bytes, intra, non_intra);
    if (binary != (size >= qv::CQM_FILE_BYTES)) std::abort();
    if (binary && qv::cqm_bytes(intra, non_intra) != bytes.substr(0, qv::CQM_FILE_BYTES)) std::abort();
    return 0;
}

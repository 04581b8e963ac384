// Fuzz entry point: any bytes as an index project. The classification must answer with a
// consistent set of flags.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

#include "platform/files.h"
#include "settings/core.h"
#include "sources/input_classification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string folder = [] {
        std::string pattern = "/tmp/qv-fuzz-classify-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern + "/";
    }();
    static auto core = [] {
        auto c = std::make_unique<qv::Core>();
        c->env.decoder_dir = folder + "DGDecode/";
        return c;
    }();
    const std::string project = folder + "project.d2v";
    if (!qv::write_file_atomic(project, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    core->settings.input_path = project;
    qv::classify_input(*core);
    const qv::SourceState& src = core->source;
    if (src.is_script) std::abort();
    if (src.is_project && !(src.project_version_ok && src.project_files_found)) std::abort();
    if (!src.project_files_found && src.project_version_ok) std::abort();
    if (core->settings.input_path != project) std::abort();
    return 0;
}

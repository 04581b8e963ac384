#include "app/companion_info.h"

#include <cstdint>

#include "app/environment.h"
#include "platform/file_version.h"
#include "platform/files.h"
#include "platform/system.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* FRAMESERVER_LIBRARY = "libavisynth.so";
constexpr const char* ENCODER_NAME = "QVenc_019.exe";
constexpr const char* NO_VERSION = ", no file version information available";

struct DecoderLibrary {
    const char* file;
    const char* version;
};
constexpr DecoderLibrary DECODER_LIBRARIES[] = {
    {"DGDecode06.dll", "6"},   {"DGDecode10.dll", "10"}, {"DGDecode11.dll", "11"},
    {"DGDecode12.dll", "12"}, {"DGDecode13.dll", "13"},
};

// ", file version: 1.2.0.19", or the text for a file without one.
std::string version_text(const std::string& path, bool& found) {
    FileVersion version{};
    found = read_file_version(path, version) == 0;
    return found ? ", file version: " + format_file_version(version) : NO_VERSION;
}

}  // namespace

bool handle_companion_info_button(Core& core, int id) {
    switch (id) {
        case mainp::QVENC_INFO:
            report_qvenc_info(core);
            return true;
        case mainp::AVISYNTH_INFO:
            report_avisynth_info(core);
            return true;
        case mainp::DGDECODE_INFO:
            report_dgdecode_info(core);
            return true;
        default:
            return false;
    }
}

void report_qvenc_info(Core& core) {
    const std::string dir = trimmed(core.env.program_dir);
    const std::string encoder = dir + ENCODER_NAME;
    if (!file_exists(encoder)) {
        core.show(" QV encoder: " + dir + ENCODER_NAME + " NOT found");
        return;
    }
    core.show(" QVenc found: " + encoder);
    bool found = false;
    core.show(version_text(encoder, found), true);
}

bool query_avisynth_install(Core& core) {
    return query_avisynth_install(core, system_library_path(FRAMESERVER_LIBRARY));
}

bool query_avisynth_install(Core& core, const std::string& located_library) {
    if (located_library.empty()) {
        core.show(" Avisynth installation NOT found");
        return false;
    }
    // The installation folder, as a folder is written: without its trailing separator.
    std::string folder = directory_part(located_library);
    if (folder.size() > 1) folder.pop_back();
    core.show(" Avisynth installation found: " + trimmed(folder));

    core.env.frameserver_path = fit_path(located_library);
    std::int64_t born = 0;
    if (file_exists(core.env.frameserver_path) && file_birth_time(core.env.frameserver_path, born))
        core.env.frameserver_date = format_library_date(born);
    return true;
}

void report_avisynth_info(Core& core) {
    report_avisynth_info(core, system_library_path(FRAMESERVER_LIBRARY));
}

void report_avisynth_info(Core& core, const std::string& located_library) {
    if (!query_avisynth_install(core, located_library)) return;
    const std::string library = trimmed(core.env.frameserver_path);
    if (!file_exists(library)) {
        core.show(" Avisynth.dll NOT found in " + library);
        return;
    }
    bool found = false;
    std::string text = version_text(library, found);
    if (found) text += ", creation date: " + core.env.frameserver_date;
    core.show(text, true);
}

void report_dgdecode_info(Core& core) {
    const std::string folder = trimmed(core.env.decoder_dir);
    std::string versions;
    for (const DecoderLibrary& library : DECODER_LIBRARIES) {
        if (file_exists(folder + library.file)) {
            versions += "  ";
            versions += library.version;
        }
    }
    if (versions.empty()) {
        core.show(" DGDecode NOT found");
        return;
    }
    core.show(" DGDecode decoder found, valid project versions: " + versions);
}

}  // namespace qv

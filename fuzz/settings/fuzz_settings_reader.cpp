// Fuzz entry point: any bytes as a user settings file. The load must end in one of its
// messages, and whatever it accepted must render and write without trouble.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

#include "app/wiring.h"
#include "platform/files.h"
#include "settings/core.h"
#include "settings/settings_reader.h"
#include "settings/settings_writer.h"

namespace {

std::string scratch_folder() {
    static std::string folder = [] {
        std::string pattern = "/tmp/qv-fuzz-settings-XXXXXX";
        char* made = ::mkdtemp(pattern.data());
        if (!made) std::abort();
        return pattern + "/";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto core = [] {
        auto c = std::make_unique<qv::Core>();
        qv::wire_hooks(*c);
        c->env.decoder_dir = scratch_folder() + "DGDecode/";
        return c;
    }();
    const std::string in = scratch_folder() + "in.ini";
    const std::string out = scratch_folder() + "out.ini";
    if (!qv::write_file_atomic(in, std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    core->settings.user_ini_path = in;
    qv::LoadResult result = qv::load_settings(*core, qv::SettingsFile::user);
    if (result == qv::LoadResult::open_failed || result == qv::LoadResult::not_found) std::abort();
    if (core->settings.chapter_count < 0 || core->settings.chapter_count > qv::MAX_CHAPTERS)
        std::abort();
    qv::render_settings_list(*core);
    for (const std::string& line : core->ui.advanced.entries(qv::adv::QV_INI_LIST))
        if (line.size() > 128) std::abort();
    core->settings.user_ini_path = out;
    qv::write_settings(*core, qv::SettingsFile::user);
    ::unlink(out.c_str());
    return 0;
}

#include "app/environment.h"

#include <ctime>

#include "platform/files.h"
#include "platform/system.h"
#include "settings/text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace qv {

namespace {
const char* const FRAMESERVER_NAME = "libavisynth.so";
const char* const BUNDLED_FRAMESERVER = "frameserver/libavisynth.so";
}  // namespace

std::string frameserver_library_path(const std::string& program_dir) {
    std::string system = system_library_path(FRAMESERVER_NAME);
    if (!system.empty()) return fit_path(system);
    return fit_path(program_dir + BUNDLED_FRAMESERVER);
}

std::string format_library_date(std::int64_t seconds_since_epoch) {
    std::time_t t = static_cast<std::time_t>(seconds_since_epoch);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    return right_aligned(tm.tm_mday, 2) + "-" + right_aligned(tm.tm_mon + 1, 2) + "-" +
           right_aligned(tm.tm_year + 1900, 4);
}

void discover_environment(Core& core) { discover_environment(core, program_file_path()); }

void discover_environment(Core& core, const std::string& program_file) {
    Environment& env = core.env;
    env.program_file = fit_path(program_file);
    env.program_dir = directory_part(env.program_file);
    const std::string& dir = env.program_dir;
    env.decoder_dir = fit_path(dir + "DGDecode/");
    env.matrix_dir = fit_path(dir + "matrix/");
    core.settings.qv_ini_path = fit_path(dir + "QV.ini");
    env.qv_ini_exists = file_exists(core.settings.qv_ini_path);
    env.encoder_path = fit_path(dir + "QVenc_019.exe");
    env.scratch_path = fit_path(dir + "QV.dbs");
    if (file_exists(env.scratch_path)) delete_file(env.scratch_path);
    env.decoder_copy_path = fit_path(dir + "DGDecode.dll");
    delete_file(env.decoder_copy_path);  // a missing file is no error
    env.frameserver_path = frameserver_library_path(dir);
    env.frameserver_date.clear();
    std::int64_t born = 0;
    if (file_exists(env.frameserver_path) && file_birth_time(env.frameserver_path, born))
        env.frameserver_date = format_library_date(born);
}

CpuFeatures read_cpu_features() {
    CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    __get_cpuid(0, &a, &b, &c, &d);  // the vendor words are read but not used
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        f.ecx = c;
        f.edx = d;
    }
#else
    // Not an x86 processor: report the 16-byte vector level, which every kernel has in C.
    f.edx = (1u << 23) | (1u << 26);
#endif
    return f;
}

int cpu_level_from(const CpuFeatures& f) {
    int level = (f.edx & (1u << 23)) ? 1 : 0;
    if (f.edx & (1u << 26)) level = 2;
    if (f.ecx & 1u) level = 3;
    return level;
}

void detect_cpu_level(Core& core) { detect_cpu_level(core, read_cpu_features()); }

void detect_cpu_level(Core& core, const CpuFeatures& features) {
    int level = cpu_level_from(features);
    if (level == 0) {
        core.show(" no MMX detected, aborting...");
        if (core.shell) {
            core.shell->sleep_ms(5000);
            core.shell->request_quit(0);
        }
        return;
    }
    core.vector_level = level;
}

}  // namespace qv

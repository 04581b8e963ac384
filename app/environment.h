// Start-up: where the program and its companions live, the clean-up of what an earlier encode
// left behind, and the processor check.
#pragma once

#include <cstdint>
#include <string>

#include "settings/core.h"

namespace qv {

// Fills core.env and settings.qv_ini_path from the running program's location, deletes a stale
// "QV.dbs" and "DGDecode.dll", and reads the frame-server library's date.
void discover_environment(Core& core);
// The same, for a given program file (tests and tools use it with a scratch directory).
void discover_environment(Core& core, const std::string& program_file);

// The frame-server library the program would load: the system's, else the bundled one.
std::string frameserver_library_path(const std::string& program_dir);

// "dd-mm-yyyy" with day and month right-aligned in two columns, from seconds since the epoch
// (local time).
std::string format_library_date(std::int64_t seconds_since_epoch);

// The processor's feature words of cpuid leaf 1.
struct CpuFeatures {
    uint32_t ecx = 0;
    uint32_t edx = 0;
};
CpuFeatures read_cpu_features();
// 1 MMX, 2 SSE2, 3 SSE3, 0 none; later tests override earlier ones.
int cpu_level_from(const CpuFeatures& features);

// Sets core.vector_level; without MMX shows " no MMX detected, aborting...", waits 5000 ms and
// asks the shell to quit.
void detect_cpu_level(Core& core);
void detect_cpu_level(Core& core, const CpuFeatures& features);

}  // namespace qv

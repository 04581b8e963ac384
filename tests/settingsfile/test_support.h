// Scratch folders and small file helpers for the settings-file tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/wiring.h"
#include "tests/support/temp_dir.h"
#include "settings/core.h"

namespace qv::testing_support {

using ScratchDir = qv::test::TempDir;

inline void write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string golden(const std::string& name) {
    return read_text(std::string(QV_SOURCE_DIR) + "/tests/settingsfile/golden/" + name);
}

// A Core as the program has it after start-up: hooks wired, the defaults in force, the decoder
// folder inside `dir`.
inline void prepare(Core& core, const ScratchDir& dir) {
    wire_hooks(core);
    core.env.program_dir = dir.path() + "/";
    core.env.decoder_dir = dir.path() + "/DGDecode/";
    core.settings.qv_ini_path = dir.file("QV.ini");
    reset_to_defaults(core);
}

}  // namespace qv::testing_support

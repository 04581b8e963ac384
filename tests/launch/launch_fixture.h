// A scratch program directory holding a copy of the test encoder, with a Core discovered there.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

#include "app/environment.h"
#include "settings/core.h"

namespace qv::testing_launch {

namespace fs = std::filesystem;

inline const std::string TEST_ENCODER = std::string(QV_PROGRAM_DIR) + "/QVenc_019.exe";

inline std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_text(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The test encoder's digest of a file's bytes.
inline std::string fnv1a64(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

class ProgramDir : public ::testing::Test {
protected:
    void SetUp() override {
        // Short: the paths end up in the message line, which breaks after 100 characters.
        static int serial = 0;
        dir_ = fs::temp_directory_path() /
               ("qvl_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "DGDecode");
        fs::copy_file(TEST_ENCODER, dir_ / "QVenc_019.exe");
        prog_ = dir_.string() + "/";
        discover_environment(core_, prog_ + "QVgui");
        reset_to_defaults(core_);
        core_.shell = &shell_;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // The test encoder's report of its last run; empty when it did not run.
    std::map<std::string, std::string> report() const {
        std::map<std::string, std::string> keys;
        std::istringstream in(read_text(dir_ / "QVenc_report.txt"));
        std::string line;
        while (std::getline(in, line)) {
            auto eq = line.find('=');
            if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return keys;
    }
    // The message line's text with its line breaks undone.
    std::string message() const {
        std::string text = core_.message.message_text();
        for (char& c : text)
            if (c == '\n') c = ' ';
        return text;
    }
    bool encoder_ran() const { return fs::exists(dir_ / "QVenc_report.txt"); }

    fs::path dir_;
    std::string prog_;
    Core core_;
    ScriptedShell shell_;
};

}  // namespace qv::testing_launch

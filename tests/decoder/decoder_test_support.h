// Helpers shared by the decoder tests: the generated material, scratch folders, project files
// and the reference decodes made by ffmpeg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qv::decoder_test {

std::filesystem::path material(const std::string& name);

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool had_value_ = false;
    std::string old_value_;
};

void write_file(const std::filesystem::path& path, const std::string& bytes);
std::string read_file(const std::filesystem::path& path);

// A project of `version` listing `files` in the layout of that version: version 6 lines carry a
// leading field, later versions hold the path alone. The header ends in the two-digit version,
// and a few lines of other project content follow the file list, as in real projects.
std::string project_text(int version, const std::vector<std::string>& files);

// Frames of an 8-bit 4:2:0 raw decode.
class Reference {
public:
    Reference(const std::filesystem::path& yuv, int width, int height);
    int frame_count() const { return static_cast<int>(bytes_.size() / frame_bytes_); }
    const std::uint8_t* frame(int n) const { return bytes_.data() + frame_bytes_ * static_cast<std::size_t>(n); }
    std::size_t frame_bytes() const { return frame_bytes_; }
    void append(const Reference& other);

private:
    std::size_t frame_bytes_;
    std::vector<std::uint8_t> bytes_;
};

double mean_abs_diff(const std::uint8_t* a, const std::uint8_t* b, std::size_t size);

// Files in a folder, recursively, with the given extension.
std::vector<std::filesystem::path> files_with_extension(const std::filesystem::path& dir,
                                                        const std::string& extension);

}  // namespace qv::decoder_test

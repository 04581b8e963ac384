#include "decoder_test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qv::decoder_test {

std::filesystem::path material(const std::string& name)
{
    return std::filesystem::path(QV_DECODER_MATERIAL_DIR) / name;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-decoder-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name)
{
    if (const char* old = std::getenv(name); old != nullptr) {
        had_value_ = true;
        old_value_ = old;
    }
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (had_value_)
        ::setenv(name_.c_str(), old_value_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

void write_file(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string project_text(int version, const std::vector<std::string>& files)
{
    char header[64];
    std::snprintf(header, sizeof header, "QVTestIndexProject%02d", version);
    std::string text = std::string(header) + "\n" + std::to_string(files.size()) + "\n";
    for (std::size_t i = 0; i < files.size(); ++i)
        text += (version == 6 ? std::to_string(i + 1) + " " : std::string()) + files[i] + "\n";
    text += "\nStream_Type=0\nMPEG_Type=2\nLocation=0,0,0,0\n\n7 0 0 0 0 0 1 2 3\n";
    return text;
}

Reference::Reference(const std::filesystem::path& yuv, int width, int height)
    : frame_bytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3 / 2)
{
    const std::string bytes = read_file(yuv);
    bytes_.assign(bytes.begin(), bytes.end());
}

void Reference::append(const Reference& other)
{
    if (other.frame_bytes_ != frame_bytes_)
        throw std::runtime_error("frame sizes differ");
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
}

double mean_abs_diff(const std::uint8_t* a, const std::uint8_t* b, std::size_t size)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += static_cast<std::uint64_t>(a[i] > b[i] ? a[i] - b[i] : b[i] - a[i]);
    return size == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(size);
}

std::vector<std::filesystem::path> files_with_extension(const std::filesystem::path& dir,
                                                        const std::string& extension)
{
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    if (!std::filesystem::exists(dir, ec))
        return found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec))
        if (entry.is_regular_file() && entry.path().extension() == extension)
            found.push_back(entry.path());
    return found;
}

}  // namespace qv::decoder_test

// A scratch folder for one test, removed with everything in it afterwards (also when a test took
// the write permission away from it).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace qv::test {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "qvtest") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + ".XXXXXX")).string();
        if (char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~TempDir() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return file(name); }

private:
    std::string path_;
};

}  // namespace qv::test

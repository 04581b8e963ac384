#include "platform/system.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace qv {

std::string program_file_path() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string system_library_path(const std::string& name) {
    // Only the system's search: a plain name without a slash, never a path of ours.
    if (name.find('/') != std::string::npos) return {};
    void* handle = dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) return {};
    std::string path;
    struct link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) path = map->l_name;
    dlclose(handle);
    return path;
}

std::string environment_variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

}  // namespace qv

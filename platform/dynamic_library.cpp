#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <link.h>

namespace qv {

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool DynamicLibrary::open(const std::string& name_or_path) {
    close();
    error_.clear();
    if (name_or_path.empty()) {
        error_ = "no library named";
        return false;
    }
    // RTLD_LOCAL: our libraries' symbols never satisfy another library's lookups.
    handle_ = ::dlopen(name_or_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* e = ::dlerror();
        error_ = e ? e : "cannot load library";
        return false;
    }
    return true;
}

bool DynamicLibrary::close() {
    bool released = true;
    if (handle_ && ::dlclose(handle_) != 0) {
        const char* e = ::dlerror();
        error_ = e ? e : "cannot release library";
        released = false;
    }
    handle_ = nullptr;
    return released;
}

void* DynamicLibrary::symbol(const char* name) const {
    if (!handle_ || !name) return nullptr;
    return ::dlsym(handle_, name);
}

std::string DynamicLibrary::path() const {
    if (!handle_) return {};
    struct link_map* map = nullptr;
    if (::dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return {};
    return map->l_name;
}

}  // namespace qv

// Libraries loaded at run time: opened by name or path, entry points looked up by name, and
// released when no longer needed. The handle is forgotten when released.
#pragma once

#include <string>

namespace qv {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

    // A plain name goes through the system's search; a name with a "/" is loaded from there.
    // False (with error() telling why) when it cannot be loaded; a loaded library is released
    // first.
    bool open(const std::string& name_or_path);
    bool is_open() const { return handle_ != nullptr; }
    // Releases the library; false when the system refused to unload it (the handle is
    // forgotten either way).
    bool close();

    // The address of an exported symbol, or nullptr.
    void* symbol(const char* name) const;
    template <typename F>
    F function(const char* name) const {
        return reinterpret_cast<F>(symbol(name));
    }

    // Where the loaded library lives (empty when not loaded).
    std::string path() const;
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace qv

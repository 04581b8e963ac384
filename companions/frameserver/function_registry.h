// The table of script functions: names, parameter lists and implementations.
//
// Each group of functions lives in its own file and adds itself through one register_* call
// (see build_standard_registry). A new group, such as a file-source function, needs a new file
// and one line there.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "companions/frameserver/value.h"

namespace qvfs {

class Interpreter;

// One parameter. Types: 'c' clip, 'i' int, 'f' float (an int is accepted), 's' string,
// 'b' bool, '.' anything.
struct Param {
    std::string name;
    char type = '.';
    bool optional = false;
    bool named_only = false;  // may only be given as name=value
    int repeat_min = -1;      // >= 0: takes this many or more consecutive positional values

    static Param req(std::string n, char t) { return {std::move(n), t, false, false, -1}; }
    static Param opt(std::string n, char t) { return {std::move(n), t, true, false, -1}; }
    static Param named(std::string n, char t) { return {std::move(n), t, true, true, -1}; }
    static Param many(std::string n, char t, int min) { return {std::move(n), t, min == 0, false, min}; }
};

// Arguments bound to a function's parameters, in parameter order.
class Args {
public:
    explicit Args(std::vector<std::vector<Value>> slots) : slots_(std::move(slots)) {}

    bool defined(size_t i) const { return i < slots_.size() && !slots_[i].empty(); }
    const Value& at(size_t i) const { return slots_.at(i).at(0); }
    const std::vector<Value>& all(size_t i) const { return slots_.at(i); }

    const ClipPtr& clip(size_t i) const { return at(i).as_clip(); }
    int get_int(size_t i, int fallback) const { return defined(i) ? at(i).as_int() : fallback; }
    double get_float(size_t i, double fallback) const {
        return defined(i) ? at(i).as_float() : fallback;
    }
    bool get_bool(size_t i, bool fallback) const { return defined(i) ? at(i).as_bool() : fallback; }
    std::string get_string(size_t i, const std::string& fallback) const {
        return defined(i) ? at(i).as_string() : fallback;
    }

private:
    std::vector<std::vector<Value>> slots_;
};

// What a function sees of its caller.
struct CallContext {
    Interpreter& interpreter;
    const std::string& name;  // the function's name as registered
};

using FunctionImpl = std::function<Value(CallContext&, const Args&)>;

struct Function {
    std::string name;
    std::vector<Param> params;
    FunctionImpl impl;
};

class FunctionRegistry {
public:
    void add(std::string name, std::vector<Param> params, FunctionImpl impl);
    // Every overload of the name (case-insensitive); null when there is none.
    const std::vector<Function>* find(const std::string& name) const;

    // Binds positional and named values to the parameters; false when they do not fit.
    static bool bind(const Function& f, const std::vector<Value>& positional,
                     const std::vector<std::pair<std::string, Value>>& named,
                     std::vector<std::vector<Value>>& slots);

private:
    std::map<std::string, std::vector<Function>> table_;  // keyed by lower-case name
};

// Function groups.
void register_script_functions(FunctionRegistry& registry);   // Import
void register_source_functions(FunctionRegistry& registry);   // BlankClip, ColorBars
void register_edit_functions(FunctionRegistry& registry);     // Trim, splices, Dissolve, ...
void register_convert_functions(FunctionRegistry& registry);  // ConvertTo*
void register_property_functions(FunctionRegistry& registry); // Width, FrameCount, IsYV12, ...
void register_ffms_functions(FunctionRegistry& registry);     // FFVideoSource

// The registry with every group; built once, shared read-only.
const FunctionRegistry& standard_registry();

std::string to_lower(std::string text);

}  // namespace qvfs

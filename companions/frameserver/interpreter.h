// Running scripts: variables, function calls, operators, and nested imports.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "companions/frameserver/function_registry.h"
#include "companions/frameserver/script_parser.h"

namespace qvfs {

constexpr int kMaxImportDepth = 32;
constexpr int kMaxEvalDepth = 2000;
constexpr size_t kMaxStringBytes = 1u << 20;

// One interpreter per script environment. Not thread-safe; the caller serialises use.
class Interpreter {
public:
    explicit Interpreter(const FunctionRegistry& registry = standard_registry());

    // Calls a function by name with values from outside a script (no implicit `last`).
    // Throws ScriptError.
    Value invoke(const std::string& name, const std::vector<Value>& positional,
                 const std::vector<std::pair<std::string, Value>>& named);

    // Runs a script file; relative paths are taken from the importing script's folder.
    // Throws ScriptError.
    Value run_file(const std::string& path);

    // Runs script text; `path` names it in messages and gives the folder for nested imports.
    Value run_text(std::string_view text, const std::string& path);

    // Starts a fresh set of script variables (globals stay), as every outside Import does.
    void reset_variables();

    // The folder of the script being run, with its trailing "/"; empty outside a script.
    const std::string& script_folder() const { return folders_.empty() ? no_folder_ : folders_.back(); }

private:
    struct Scope;

    Value run_program(const Program& program, const std::string& path);
    Value eval(const Node& node);
    Value eval_call(const Node& node);
    Value eval_variable(const Node& node);
    Value eval_unary(const Node& node);
    Value eval_binary(const Node& node);
    Value call_function(const std::string& name, std::vector<Value> positional,
                        const std::vector<std::pair<std::string, Value>>& named, bool allow_last);
    const Value* lookup_variable(const std::string& name) const;

    const FunctionRegistry& registry_;
    std::map<std::string, Value> variables_;  // lower-case names
    std::map<std::string, Value> globals_;
    std::vector<std::string> folders_;        // folder of each script being run, innermost last
    const std::string no_folder_;
    int import_depth_ = 0;
    int eval_depth_ = 0;
};

}  // namespace qvfs

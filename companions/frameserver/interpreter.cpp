#include "companions/frameserver/interpreter.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "companions/frameserver/errors.h"

namespace qvfs {

namespace {

class DepthGuard {
public:
    DepthGuard(int& depth, int limit, const char* what) : depth_(depth) {
        if (depth_ >= limit) throw ScriptError(what);
        ++depth_;
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int wrap_int(long long v) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

Interpreter::Interpreter(const FunctionRegistry& registry) : registry_(registry) {}

void Interpreter::reset_variables() { variables_.clear(); }

Value Interpreter::invoke(const std::string& name, const std::vector<Value>& positional,
                          const std::vector<std::pair<std::string, Value>>& named) {
    reset_variables();
    return call_function(name, positional, named, false);
}

Value Interpreter::run_file(const std::string& given_path) {
    std::string path = given_path;
    if (!path.empty() && path[0] != '/' && !folders_.empty() && !folders_.back().empty())
        path = folders_.back() + path;
    if (import_depth_ >= kMaxImportDepth)
        throw ScriptError("Import: scripts import each other too deeply (more than " +
                          std::to_string(kMaxImportDepth) + " levels)");
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw ScriptError("Import: couldn't open " + quoted(given_path));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScriptError("Import: couldn't open " + quoted(given_path));
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxScriptBytes)
            throw ScriptError("Import: " + quoted(given_path) + " is too large for a script");
    }
    return run_text(text, path);
}

Value Interpreter::run_text(std::string_view text, const std::string& path) {
    DepthGuard guard(import_depth_, kMaxImportDepth,
                     "Import: scripts import each other too deeply");
    const Program program = parse_script(text, path);
    folders_.push_back(folder_of(path));
    try {
        Value result = run_program(program, path);
        folders_.pop_back();
        return result;
    } catch (...) {
        folders_.pop_back();
        throw;
    }
}

Value Interpreter::run_program(const Program& program, const std::string& path) {
    Value result;
    bool ended_with_expression = false;
    for (const Statement& st : program.statements) {
        try {
            switch (st.kind) {
            case Statement::Kind::Expression: {
                Value v = eval(*st.expr);
                if (v.is_clip()) variables_["last"] = v;
                result = std::move(v);
                ended_with_expression = true;
                break;
            }
            case Statement::Kind::Assign:
                variables_[to_lower(st.name)] = eval(*st.expr);
                ended_with_expression = false;
                break;
            case Statement::Kind::GlobalAssign:
                globals_[to_lower(st.name)] = eval(*st.expr);
                ended_with_expression = false;
                break;
            case Statement::Kind::Return:
                return eval(*st.expr);
            }
        } catch (ScriptError& e) {
            const int line = e.line() != 0 ? e.line() : st.line;
            e.append("\n(" + path + ", line " + std::to_string(line) + ")");
            e.set_line(0);
            throw;
        }
    }
    if (ended_with_expression) return result;
    if (const Value* last = lookup_variable("last")) return *last;
    return {};
}

const Value* Interpreter::lookup_variable(const std::string& name) const {
    const auto key = to_lower(name);
    if (auto it = variables_.find(key); it != variables_.end()) return &it->second;
    if (auto it = globals_.find(key); it != globals_.end()) return &it->second;
    return nullptr;
}

Value Interpreter::eval(const Node& node) {
    DepthGuard guard(eval_depth_, kMaxEvalDepth, "Script error: evaluation nested too deeply");
    switch (node.kind) {
    case Node::Kind::Literal: return node.literal;
    case Node::Kind::Variable: return eval_variable(node);
    case Node::Kind::Call: return eval_call(node);
    case Node::Kind::Unary: return eval_unary(node);
    case Node::Kind::Binary: return eval_binary(node);
    case Node::Kind::Ternary: {
        const Value cond = eval(*node.children[0]);
        if (!cond.is_bool())
            throw ScriptError("Evaluate: the condition before \"?\" must be true or false",
                              node.line);
        return eval(*node.children[cond.as_bool() ? 1 : 2]);
    }
    }
    return {};
}

Value Interpreter::eval_variable(const Node& node) {
    if (const Value* v = lookup_variable(node.name)) return *v;
    if (registry_.find(node.name) != nullptr) {
        try {
            return call_function(node.name, {}, {}, true);
        } catch (ScriptError& e) {
            if (e.line() == 0) e.set_line(node.line);
            throw;
        }
    }
    throw ScriptError("I don't know what " + quoted(node.name) + " means", node.line);
}

Value Interpreter::eval_call(const Node& node) {
    std::vector<Value> positional;
    std::vector<std::pair<std::string, Value>> named;
    for (size_t i = 0; i < node.children.size(); ++i) {
        Value v = eval(*node.children[i]);
        if (node.arg_names[i].empty()) {
            if (!named.empty())
                throw ScriptError("Script error: a value without a name follows a named value in "
                                  "the call of " + quoted(node.name), node.line);
            positional.push_back(std::move(v));
        } else {
            named.emplace_back(node.arg_names[i], std::move(v));
        }
    }
    try {
        return call_function(node.name, std::move(positional), named, !node.method);
    } catch (ScriptError& e) {
        if (e.line() == 0) e.set_line(node.line);
        throw;
    }
}

Value Interpreter::call_function(const std::string& name, std::vector<Value> positional,
                                 const std::vector<std::pair<std::string, Value>>& named,
                                 bool allow_last) {
    const std::vector<Function>* overloads = registry_.find(name);
    if (overloads == nullptr)
        throw ScriptError("Script error: there is no function named " + quoted(name));
    std::vector<std::vector<Value>> slots;
    for (const Function& f : *overloads) {
        if (FunctionRegistry::bind(f, positional, named, slots)) {
            CallContext ctx{*this, f.name};
            return f.impl(ctx, Args(std::move(slots)));
        }
    }
    // A call that does not fit as written is tried once more with `last` in front.
    if (allow_last) {
        if (const Value* last = lookup_variable("last"); last != nullptr && last->is_clip()) {
            positional.insert(positional.begin(), *last);
            for (const Function& f : *overloads) {
                if (FunctionRegistry::bind(f, positional, named, slots)) {
                    CallContext ctx{*this, f.name};
                    return f.impl(ctx, Args(std::move(slots)));
                }
            }
        }
    }
    throw ScriptError("Script error: Invalid arguments to function " + quoted(overloads->front().name));
}

Value Interpreter::eval_unary(const Node& node) {
    const Value v = eval(*node.children[0]);
    if (node.name == "!") {
        if (!v.is_bool()) throw ScriptError("Evaluate: operand of \"!\" must be true or false", node.line);
        return Value(!v.as_bool());
    }
    if (v.is_int()) return node.name == "-" ? Value(wrap_int(-static_cast<long long>(v.as_int()))) : v;
    if (v.is_float()) return node.name == "-" ? Value(-v.as_float()) : v;
    throw ScriptError("Evaluate: operand of " + quoted(node.name) + " must be a number", node.line);
}

Value Interpreter::eval_binary(const Node& node) {
    const std::string& op = node.name;
    if (op == "&&" || op == "||") {
        const Value left = eval(*node.children[0]);
        if (!left.is_bool())
            throw ScriptError("Evaluate: operands of " + quoted(op) + " must be true or false", node.line);
        if (op == "&&" ? !left.as_bool() : left.as_bool()) return left;
        const Value right = eval(*node.children[1]);
        if (!right.is_bool())
            throw ScriptError("Evaluate: operands of " + quoted(op) + " must be true or false", node.line);
        return right;
    }
    const Value a = eval(*node.children[0]);
    const Value b = eval(*node.children[1]);
    const auto fail = [&](const char* what) -> Value {
        throw ScriptError("Evaluate: operands of " + quoted(op) + " must " + what, node.line);
    };

    if (op == "++") {
        if (!a.is_clip() || !b.is_clip()) return fail("both be clips");
        return call_function("AlignedSplice", {a, b}, {}, false);
    }
    if (op == "+") {
        if (a.is_clip() && b.is_clip()) return call_function("UnalignedSplice", {a, b}, {}, false);
        if (a.is_string() && b.is_string()) {
            if (a.as_string().size() + b.as_string().size() > kMaxStringBytes)
                throw ScriptError("Evaluate: string too long (more than 1 MB)", node.line);
            return Value(a.as_string() + b.as_string());
        }
        if (!a.is_number() || !b.is_number()) return fail("both be numbers, strings or clips");
        if (a.is_int() && b.is_int())
            return Value(wrap_int(static_cast<long long>(a.as_int()) + b.as_int()));
        return Value(a.as_float() + b.as_float());
    }
    if (op == "-" || op == "*" || op == "/" || op == "%") {
        if (!a.is_number() || !b.is_number()) return fail("both be numbers");
        if (a.is_int() && b.is_int()) {
            const long long x = a.as_int();
            const long long y = b.as_int();
            if (op == "-") return Value(wrap_int(x - y));
            if (op == "*") return Value(wrap_int(x * y));
            if (y == 0) throw ScriptError("Evaluate: division by zero", node.line);
            return Value(wrap_int(op == "/" ? x / y : x % y));
        }
        const double x = a.as_float();
        const double y = b.as_float();
        if (op == "-") return Value(x - y);
        if (op == "*") return Value(x * y);
        if (op == "/") return Value(x / y);
        return Value(std::fmod(x, y));
    }
    // Comparisons.
    int order = 0;
    if (a.is_number() && b.is_number()) {
        if (a.is_int() && b.is_int())
            order = (a.as_int() > b.as_int()) - (a.as_int() < b.as_int());
        else
            order = (a.as_float() > b.as_float()) - (a.as_float() < b.as_float());
    } else if (a.is_string() && b.is_string()) {
        const int c = to_lower(a.as_string()).compare(to_lower(b.as_string()));
        order = (c > 0) - (c < 0);
    } else if (a.is_bool() && b.is_bool() && (op == "==" || op == "!=" || op == "<>")) {
        order = a.as_bool() == b.as_bool() ? 0 : 1;
    } else {
        return fail("be two numbers, two strings or two booleans");
    }
    if (op == "==") return Value(order == 0);
    if (op == "!=" || op == "<>") return Value(order != 0);
    if (op == "<") return Value(order < 0);
    if (op == ">") return Value(order > 0);
    if (op == "<=") return Value(order <= 0);
    return Value(order >= 0);
}

// Import: runs other scripts in the same variables; the value is that of the last one.
void register_script_functions(FunctionRegistry& registry) {
    registry.add("Import", {Param::many("path", 's', 1)}, [](CallContext& ctx, const Args& args) {
        Value result;
        for (const Value& path : args.all(0)) result = ctx.interpreter.run_file(path.as_string());
        return result;
    });
}

}  // namespace qvfs

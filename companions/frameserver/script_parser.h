// Reading a script: the text becomes a list of statements over expression trees.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "companions/frameserver/value.h"

namespace qvfs {

constexpr int kMaxParseNesting = 200;   // brackets, unary operators and arguments inside each other
constexpr int kMaxTreeHeight = 1000;    // longest path in one statement's expression tree
constexpr size_t kMaxScriptBytes = 4u << 20;

struct Node {
    enum class Kind { Literal, Variable, Call, Unary, Binary, Ternary };
    Kind kind = Kind::Literal;
    int line = 0;
    int column = 0;
    int height = 1;
    Value literal;
    std::string name;  // variable or function name, or the operator
    std::vector<std::unique_ptr<Node>> children;
    std::vector<std::string> arg_names;  // Call: one per child, empty for a positional value
    bool method = false;                 // Call: written as value.Function
};

struct Statement {
    enum class Kind { Expression, Assign, GlobalAssign, Return };
    Kind kind = Kind::Expression;
    int line = 0;
    std::string name;  // the assigned variable
    std::unique_ptr<Node> expr;
};

struct Program {
    std::vector<Statement> statements;
};

// Parses a whole script. Throws ScriptError "Script error: ...\n(path, line N, column M)".
Program parse_script(std::string_view text, const std::string& path);

}  // namespace qvfs

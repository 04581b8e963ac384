#include "companions/frameserver/script_parser.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <algorithm>

#include "companions/frameserver/errors.h"
#include "companions/frameserver/function_registry.h"

namespace qvfs {

namespace {

enum class Tok { End, Newline, Ident, Int, Float, String, Op };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // identifier, string contents or operator
    int ival = 0;
    double fval = 0.0;
    int line = 1;
    int column = 1;
};

[[noreturn]] void fail_at(const std::string& path, int line, int column, const std::string& what) {
    throw ScriptError("Script error: " + what + "\n(" + path + ", line " + std::to_string(line) +
                      ", column " + std::to_string(column) + ")");
}

bool is_ident_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool is_ident_char(char c) { return is_ident_start(c) || std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
public:
    Lexer(std::string_view text, const std::string& path) : s_(text), path_(path) {}

    std::vector<Token> run() {
        while (pos_ < s_.size()) step();
        push_newline();
        Token end;
        end.kind = Tok::End;
        end.line = line_;
        end.column = column();
        tokens_.push_back(end);
        return std::move(tokens_);
    }

private:
    int column() const { return static_cast<int>(pos_ - line_start_) + 1; }
    char peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
    [[noreturn]] void fail(const std::string& what) { fail_at(path_, line_, column(), what); }

    void newline_consumed() {
        ++line_;
        line_start_ = pos_;
    }

    void push_newline() { push_newline(line_, column()); }
    void push_newline(int line, int col) {
        if (tokens_.empty() || tokens_.back().kind == Tok::Newline) return;
        Token t;
        t.kind = Tok::Newline;
        t.line = line;
        t.column = col;
        tokens_.push_back(t);
    }

    void skip_block_comment() {  // /* ... */
        const int start_line = line_;
        const int start_col = column();
        pos_ += 2;
        while (pos_ < s_.size()) {
            if (s_[pos_] == '*' && peek(1) == '/') {
                pos_ += 2;
                return;
            }
            if (s_[pos_++] == '\n') newline_consumed();
        }
        fail_at(path_, start_line, start_col, "unterminated comment");
    }

    void skip_nested_comment() {  // [* ... *], may nest
        const int start_line = line_;
        const int start_col = column();
        pos_ += 2;
        int level = 1;
        while (pos_ < s_.size()) {
            if (s_[pos_] == '[' && peek(1) == '*') {
                ++level;
                pos_ += 2;
            } else if (s_[pos_] == '*' && peek(1) == ']') {
                pos_ += 2;
                if (--level == 0) return;
            } else if (s_[pos_++] == '\n') {
                newline_consumed();
            }
        }
        fail_at(path_, start_line, start_col, "unterminated comment");
    }

    void step() {
        const char c = s_[pos_];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++pos_;
            return;
        }
        if (c == '#') {
            while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            return;
        }
        if (c == '/' && peek(1) == '*') return skip_block_comment();
        if (c == '[' && peek(1) == '*') return skip_nested_comment();
        if (c == '\n') {
            const int end_line = line_;
            const int end_column = column();
            ++pos_;
            newline_consumed();
            // A line whose first visible character is a backslash continues the previous one.
            size_t look = pos_;
            while (look < s_.size() && (s_[look] == ' ' || s_[look] == '\t' || s_[look] == '\r'))
                ++look;
            if (look < s_.size() && s_[look] == '\\') {
                pos_ = look + 1;
                return;
            }
            push_newline(end_line, end_column);
            return;
        }
        if (c == '\\') {
            // A backslash at the end of a line joins the next line to this one.
            size_t look = pos_ + 1;
            while (look < s_.size() && (s_[look] == ' ' || s_[look] == '\t' || s_[look] == '\r'))
                ++look;
            if (look < s_.size() && s_[look] == '#')
                while (look < s_.size() && s_[look] != '\n') ++look;
            if (look < s_.size() && s_[look] != '\n') fail("unexpected character \"\\\"");
            pos_ = look < s_.size() ? look + 1 : look;
            if (look < s_.size()) newline_consumed();
            return;
        }
        Token t;
        t.line = line_;
        t.column = column();
        if (c == '"') return lex_string(t);
        if (is_digit(c) || (c == '.' && is_digit(peek(1)))) return lex_number(t);
        if (c == '$') return lex_hex(t);
        if (is_ident_start(c)) {
            const size_t start = pos_;
            while (pos_ < s_.size() && is_ident_char(s_[pos_])) ++pos_;
            t.kind = Tok::Ident;
            t.text = std::string(s_.substr(start, pos_ - start));
            tokens_.push_back(std::move(t));
            return;
        }
        static const char* const two_char_ops[] = {"++", "==", "!=", "<>", "<=", ">=", "&&", "||"};
        for (const char* op : two_char_ops) {
            if (c == op[0] && peek(1) == op[1]) {
                t.kind = Tok::Op;
                t.text = op;
                pos_ += 2;
                tokens_.push_back(std::move(t));
                return;
            }
        }
        static const std::string_view one_char_ops = "+-*/%<>=!?:(),.";
        if (one_char_ops.find(c) != std::string_view::npos) {
            t.kind = Tok::Op;
            t.text = std::string(1, c);
            ++pos_;
            tokens_.push_back(std::move(t));
            return;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) fail(std::string("unexpected character \"") + c + "\"");
        char code[8];
        std::to_chars(code, code + sizeof code, static_cast<int>(byte), 16);
        fail("invalid character (byte 0x" + std::string(code, byte < 16 ? 1 : 2) + ")");
    }

    void lex_string(Token& t) {
        t.kind = Tok::String;
        const bool triple = peek(1) == '"' && peek(2) == '"';
        const size_t quote_len = triple ? 3 : 1;
        pos_ += quote_len;
        const size_t start = pos_;
        for (;;) {
            if (pos_ >= s_.size()) fail_at(path_, t.line, t.column, "unterminated string");
            if (s_[pos_] == '"' && (!triple || (peek(1) == '"' && peek(2) == '"'))) break;
            if (s_[pos_++] == '\n') newline_consumed();
        }
        t.text = std::string(s_.substr(start, pos_ - start));
        pos_ += quote_len;
        tokens_.push_back(std::move(t));
    }

    void lex_number(Token& t) {
        const size_t start = pos_;
        while (is_digit(peek())) ++pos_;
        bool is_float = false;
        if (peek() == '.' && is_digit(peek(1))) {
            is_float = true;
            ++pos_;
            while (is_digit(peek())) ++pos_;
        }
        const std::string_view digits = s_.substr(start, pos_ - start);
        if (is_float) {
            t.kind = Tok::Float;
            std::from_chars(digits.data(), digits.data() + digits.size(), t.fval);
        } else {
            t.kind = Tok::Int;
            long long v = 0;
            for (char d : digits) {
                v = v * 10 + (d - '0');
                if (v > INT_MAX) fail_at(path_, t.line, t.column, "number too large");
            }
            t.ival = static_cast<int>(v);
        }
        tokens_.push_back(std::move(t));
    }

    void lex_hex(Token& t) {
        ++pos_;
        const size_t start = pos_;
        while (std::isxdigit(static_cast<unsigned char>(peek())) != 0) ++pos_;
        const size_t n = pos_ - start;
        if (n == 0 || n > 8) fail_at(path_, t.line, t.column, "invalid hexadecimal number");
        uint32_t v = 0;
        for (size_t i = start; i < pos_; ++i) {
            const char d = s_[i];
            const uint32_t digit = is_digit(d) ? static_cast<uint32_t>(d - '0')
                                               : static_cast<uint32_t>(std::tolower(d) - 'a' + 10);
            v = v * 16 + digit;
        }
        t.kind = Tok::Int;
        t.ival = static_cast<int>(v);
        tokens_.push_back(std::move(t));
    }

    std::string_view s_;
    const std::string& path_;
    size_t pos_ = 0;
    size_t line_start_ = 0;
    int line_ = 1;
    std::vector<Token> tokens_;
};

class Parser {
public:
    Parser(std::vector<Token> tokens, const std::string& path)
        : t_(std::move(tokens)), path_(path) {}

    Program run() {
        Program program;
        while (cur().kind != Tok::End) {
            if (cur().kind == Tok::Newline) {
                ++i_;
                continue;
            }
            program.statements.push_back(statement());
            if (cur().kind != Tok::Newline && cur().kind != Tok::End) fail_here("syntax error");
        }
        return program;
    }

private:
    const Token& cur() const { return t_[i_]; }
    const Token& ahead(size_t k) const { return t_[std::min(i_ + k, t_.size() - 1)]; }
    bool is_op(const char* op) const { return cur().kind == Tok::Op && cur().text == op; }
    bool is_word(const char* word) const {
        return cur().kind == Tok::Ident && to_lower(cur().text) == word;
    }
    [[noreturn]] void fail_here(const std::string& what) {
        fail_at(path_, cur().line, cur().column, what);
    }
    void expect(const char* op) {
        if (!is_op(op)) fail_here(std::string("expected \"") + op + "\"");
        ++i_;
    }

    struct Nest {
        explicit Nest(Parser& p) : p_(p) {
            if (++p_.nesting_ > kMaxParseNesting) p_.fail_here("expression nested too deeply");
        }
        ~Nest() { --p_.nesting_; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;
        Parser& p_;
    };

    std::unique_ptr<Node> make(Node::Kind kind, const Token& at) {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->line = at.line;
        n->column = at.column;
        return n;
    }

    void adopt(Node& parent, std::unique_ptr<Node> child) {
        parent.height = std::max(parent.height, child->height + 1);
        if (parent.height > kMaxTreeHeight)
            fail_at(path_, parent.line, parent.column, "expression too complex");
        parent.children.push_back(std::move(child));
    }

    Statement statement() {
        Statement st;
        st.line = cur().line;
        if (is_word("return")) {
            ++i_;
            st.kind = Statement::Kind::Return;
            st.expr = expression();
            return st;
        }
        if (is_word("global") && ahead(1).kind == Tok::Ident && ahead(2).kind == Tok::Op &&
            ahead(2).text == "=") {
            st.kind = Statement::Kind::GlobalAssign;
            st.name = ahead(1).text;
            i_ += 3;
            st.expr = expression();
            return st;
        }
        if (cur().kind == Tok::Ident && ahead(1).kind == Tok::Op && ahead(1).text == "=") {
            st.kind = Statement::Kind::Assign;
            st.name = cur().text;
            i_ += 2;
            st.expr = expression();
            return st;
        }
        st.expr = expression();
        return st;
    }

    std::unique_ptr<Node> expression() {
        Nest nest(*this);
        auto cond = logical_or();
        if (!is_op("?")) return cond;
        auto node = make(Node::Kind::Ternary, cur());
        ++i_;
        adopt(*node, std::move(cond));
        adopt(*node, expression());
        expect(":");
        adopt(*node, expression());
        return node;
    }

    template <typename Next>
    std::unique_ptr<Node> binary_level(std::initializer_list<const char*> ops, Next next) {
        auto left = (this->*next)();
        for (;;) {
            const char* matched = nullptr;
            for (const char* op : ops)
                if (is_op(op)) matched = op;
            if (matched == nullptr) return left;
            auto node = make(Node::Kind::Binary, cur());
            node->name = matched;
            ++i_;
            adopt(*node, std::move(left));
            adopt(*node, (this->*next)());
            left = std::move(node);
        }
    }

    std::unique_ptr<Node> logical_or() { return binary_level({"||"}, &Parser::logical_and); }
    std::unique_ptr<Node> logical_and() { return binary_level({"&&"}, &Parser::comparison); }
    std::unique_ptr<Node> comparison() {
        return binary_level({"==", "!=", "<>", "<=", ">=", "<", ">"}, &Parser::additive);
    }
    std::unique_ptr<Node> additive() { return binary_level({"++", "+", "-"}, &Parser::multiplicative); }
    std::unique_ptr<Node> multiplicative() { return binary_level({"*", "/", "%"}, &Parser::unary); }

    std::unique_ptr<Node> unary() {
        if (is_op("-") || is_op("!") || is_op("+")) {
            Nest nest(*this);
            auto node = make(Node::Kind::Unary, cur());
            node->name = cur().text;
            ++i_;
            adopt(*node, unary());
            return node;
        }
        return postfix();
    }

    std::unique_ptr<Node> postfix() {
        auto value = primary();
        while (is_op(".")) {
            ++i_;
            if (cur().kind != Tok::Ident) fail_here("expected a function name after \".\"");
            auto call = make(Node::Kind::Call, cur());
            call->name = cur().text;
            call->method = true;
            ++i_;
            adopt(*call, std::move(value));
            call->arg_names.emplace_back();
            if (is_op("(")) arguments(*call);
            value = std::move(call);
        }
        return value;
    }

    void arguments(Node& call) {
        Nest nest(*this);
        expect("(");
        if (is_op(")")) {
            ++i_;
            return;
        }
        for (;;) {
            std::string arg_name;
            if (cur().kind == Tok::Ident && ahead(1).kind == Tok::Op && ahead(1).text == "=") {
                arg_name = cur().text;
                i_ += 2;
            }
            adopt(call, expression());
            call.arg_names.push_back(arg_name);
            if (is_op(")")) {
                ++i_;
                return;
            }
            if (!is_op(",")) fail_here("expected \",\" or \")\"");
            ++i_;
        }
    }

    std::unique_ptr<Node> primary() {
        const Token& t = cur();
        switch (t.kind) {
        case Tok::Int: {
            auto n = make(Node::Kind::Literal, t);
            n->literal = Value(t.ival);
            ++i_;
            return n;
        }
        case Tok::Float: {
            auto n = make(Node::Kind::Literal, t);
            n->literal = Value(t.fval);
            ++i_;
            return n;
        }
        case Tok::String: {
            auto n = make(Node::Kind::Literal, t);
            n->literal = Value(t.text);
            ++i_;
            return n;
        }
        case Tok::Ident: {
            const auto word = to_lower(t.text);
            if (word == "true" || word == "yes" || word == "false" || word == "no") {
                auto n = make(Node::Kind::Literal, t);
                n->literal = Value(word == "true" || word == "yes");
                ++i_;
                return n;
            }
            if (ahead(1).kind == Tok::Op && ahead(1).text == "(") {
                auto call = make(Node::Kind::Call, t);
                call->name = t.text;
                ++i_;
                arguments(*call);
                return call;
            }
            auto n = make(Node::Kind::Variable, t);
            n->name = t.text;
            ++i_;
            return n;
        }
        case Tok::Op:
            if (t.text == "(") {
                Nest nest(*this);
                ++i_;
                auto inner = expression();
                expect(")");
                return inner;
            }
            fail_here("syntax error");
        case Tok::Newline:
        case Tok::End:
            fail_here("unexpected end of line");
        }
        fail_here("syntax error");
    }

    std::vector<Token> t_;
    const std::string& path_;
    size_t i_ = 0;
    int nesting_ = 0;
};

}  // namespace

Program parse_script(std::string_view text, const std::string& path) {
    if (text.size() > kMaxScriptBytes)
        throw ScriptError("Script error: the script is too large (more than 4 MB)\n(" + path + ")");
    // Editors on some systems start UTF-8 files with a byte order mark; it is not script text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return Parser(Lexer(text, path).run(), path).run();
}

}  // namespace qvfs

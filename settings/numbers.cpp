#include "settings/numbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace qv {

bool is_number_separator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool parse_int_token(std::string_view token, int32_t& out) {
    if (token.empty()) return false;
    std::size_t i = 0;
    bool negative = false;
    if (token[0] == '+' || token[0] == '-') {
        negative = token[0] == '-';
        i = 1;
    }
    if (i == token.size()) return false;
    int64_t value = 0;
    for (; i < token.size(); ++i) {
        char c = token[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > int64_t{2147483648}) return false;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool parse_real_token(std::string_view token, double& out) {
    // Shape check first: sign, digits, at most one point, optional exponent with sign and digits.
    std::size_t i = 0, n = token.size();
    if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
    std::size_t mantissa_digits = 0;
    bool point = false;
    for (; i < n; ++i) {
        char c = token[i];
        if (c >= '0' && c <= '9') {
            ++mantissa_digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (mantissa_digits == 0) return false;
    if (i < n) {
        if (token[i] != 'e' && token[i] != 'E' && token[i] != 'd' && token[i] != 'D') return false;
        ++i;
        if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        for (; i < n && token[i] >= '0' && token[i] <= '9'; ++i) ++exp_digits;
        if (exp_digits == 0 || i != n) return false;
    }
    std::string copy(token);
    for (char& c : copy)
        if (c == 'd' || c == 'D') c = 'e';
    const char* first = copy.data();
    if (*first == '+') ++first;
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, copy.data() + copy.size(), value);
    if (ec != std::errc() || ptr != copy.data() + copy.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

std::string_view NumberScanner::peek_token(std::size_t& end) const {
    std::size_t start = pos_;
    while (start < text_.size() && is_number_separator(text_[start])) ++start;
    end = start;
    while (end < text_.size() && !is_number_separator(text_[end])) ++end;
    return text_.substr(start, end - start);
}

bool NumberScanner::next_int(int32_t& out) {
    std::size_t end = 0;
    std::string_view token = peek_token(end);
    if (!parse_int_token(token, out)) return false;
    pos_ = end;
    return true;
}

bool NumberScanner::next_real(double& out) {
    std::size_t end = 0;
    std::string_view token = peek_token(end);
    if (!parse_real_token(token, out)) return false;
    pos_ = end;
    return true;
}

bool NumberScanner::at_end() const {
    for (std::size_t i = pos_; i < text_.size(); ++i)
        if (!is_number_separator(text_[i])) return false;
    return true;
}

bool read_int(std::string_view text, int32_t& out) { return NumberScanner(text).next_int(out); }

bool read_real(std::string_view text, double& out) { return NumberScanner(text).next_real(out); }

bool read_ints(std::string_view text, int32_t* out, int count, int* read) {
    NumberScanner scanner(text);
    int n = 0;
    while (n < count && scanner.next_int(out[n])) ++n;
    if (read) *read = n;
    return n == count;
}

}  // namespace qv

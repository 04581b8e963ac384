#include "settings/text.h"

#include <cstdio>

namespace qv {

std::string_view trim_trailing(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return text.substr(0, n);
}

std::string trimmed(std::string_view text) { return std::string(trim_trailing(text)); }

std::string fit(std::string_view text, std::size_t capacity) {
    return trimmed(text.substr(0, capacity < text.size() ? capacity : text.size()));
}

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_upper(c);
    return out;
}

std::string to_lower_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_lower(c);
    return out;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
    return true;
}

std::string directory_part(std::string_view path) {
    std::string_view p = trim_trailing(path);
    std::size_t slash = p.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(p.substr(0, slash + 1));
}

std::string shorten_path(std::string_view path) {
    std::string_view p = trim_trailing(path);
    if (p.size() <= ENTRY_CAPACITY) return std::string(p);
    std::string out(p.substr(0, 5));
    out += "...";
    out += p.substr(p.size() - 32);
    return out;
}

std::string int_text(long long value) { return std::to_string(value); }

std::string right_aligned(long long value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) >= width) return digits;
    return std::string(static_cast<std::size_t>(width) - digits.size(), ' ') + digits;
}

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace qv

// Text helpers shared by every subsystem: limits, trimming, ASCII case folding, path pieces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// Capacities that matter to behaviour.
inline constexpr std::size_t PATH_CAPACITY = 512;
inline constexpr std::size_t ENTRY_CAPACITY = 40;
inline constexpr std::size_t MESSAGE_CAPACITY = 200;
inline constexpr std::size_t LIST_LINE_CAPACITY = 128;

// The text without its trailing blanks (the form handed to platform calls).
std::string_view trim_trailing(std::string_view text);
std::string trimmed(std::string_view text);

// The text cut to at most `capacity` characters, then without trailing blanks.
std::string fit(std::string_view text, std::size_t capacity);

// A path as stored: at most 512 characters, no trailing blanks.
inline std::string fit_path(std::string_view text) { return fit(text, PATH_CAPACITY); }

// An entry text as stored: its 40 significant characters, no trailing blanks.
inline std::string fit_entry(std::string_view text) { return fit(text, ENTRY_CAPACITY); }

// ASCII-only case folding; bytes outside A-Z / a-z are left alone.
char ascii_upper(char c);
char ascii_lower(char c);
std::string to_upper_ascii(std::string_view text);
std::string to_lower_ascii(std::string_view text);
bool equals_ignore_case(std::string_view a, std::string_view b);

// The folder of a path: up to and including its last '/', empty when there is none.
std::string directory_part(std::string_view path);

// The display form of a path: at most 40 characters; a longer path keeps its first 5
// characters, "..." and its last 32.
std::string shorten_path(std::string_view path);

// Decimal text of an integer, left-aligned (how numbers are written back into entries).
std::string int_text(long long value);

// Right-aligned decimal text in a field of `width` columns (wider numbers keep every digit).
std::string right_aligned(long long value, int width);

// True when the whole text is digits (and not empty).
bool all_digits(std::string_view text);

}  // namespace qv

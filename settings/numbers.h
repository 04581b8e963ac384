// Free-format number reading, used by every reader of the program: the settings file, page
// entries, matrix files and chapter files. Numbers are separated by blanks (tabs, carriage
// returns and line feeds count as blanks) or commas. An integer is an optional sign and digits
// and must fit 32 bits; a real may also have a decimal point and an exponent. A malformed or
// missing number is a failed read; the caller decides what that means.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

// Reads numbers one after the other from a text.
class NumberScanner {
public:
    explicit NumberScanner(std::string_view text) : text_(text) {}

    // The next number as a 32-bit integer. On failure the scanner stays where it was.
    bool next_int(int32_t& out);
    // The next number as a real (an integer text reads as a real too).
    bool next_real(double& out);
    // True when only separators are left.
    bool at_end() const;
    // What has not been read yet.
    std::string_view rest() const { return text_.substr(pos_); }

private:
    // The next token (run of non-separators) starting at or after pos_; sets `end` past it.
    std::string_view peek_token(std::size_t& end) const;

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool is_number_separator(char c);

// One integer or real token, exactly (no separators around it).
bool parse_int_token(std::string_view token, int32_t& out);
bool parse_real_token(std::string_view token, double& out);

// The first number of a text (separators around it allowed; anything after it ignored, as a
// free-format read of one value does).
bool read_int(std::string_view text, int32_t& out);
bool read_real(std::string_view text, double& out);

// Reads `count` integers from a text; false (with `read` telling how many came) when short or
// malformed.
bool read_ints(std::string_view text, int32_t* out, int count, int* read = nullptr);

}  // namespace qv

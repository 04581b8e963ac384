// Values of the script language.
#pragma once

#include <string>
#include <variant>

#include "companions/frameserver/clip.h"

namespace qvfs {

class Value {
public:
    Value() = default;
    Value(ClipPtr clip) : data_(std::move(clip)) {}  // NOLINT: values convert freely
    Value(bool b) : data_(b) {}                       // NOLINT
    Value(int i) : data_(i) {}                        // NOLINT
    Value(double f) : data_(f) {}                     // NOLINT
    Value(std::string s) : data_(std::move(s)) {}     // NOLINT
    Value(const char* s) : data_(std::string(s)) {}   // NOLINT

    bool is_void() const { return std::holds_alternative<std::monostate>(data_); }
    bool is_clip() const { return std::holds_alternative<ClipPtr>(data_); }
    bool is_bool() const { return std::holds_alternative<bool>(data_); }
    bool is_int() const { return std::holds_alternative<int>(data_); }
    bool is_float() const { return std::holds_alternative<double>(data_); }
    bool is_number() const { return is_int() || is_float(); }
    bool is_string() const { return std::holds_alternative<std::string>(data_); }

    const ClipPtr& as_clip() const { return std::get<ClipPtr>(data_); }
    bool as_bool() const { return std::get<bool>(data_); }
    int as_int() const { return std::get<int>(data_); }
    double as_float() const { return is_int() ? static_cast<double>(as_int()) : std::get<double>(data_); }
    const std::string& as_string() const { return std::get<std::string>(data_); }

    // The type letter of the C interface ('v', 'c', 'b', 'i', 'f', 's').
    char type_letter() const;
    // A short name for messages ("clip", "int", ...).
    const char* type_name() const;

private:
    std::variant<std::monostate, ClipPtr, bool, int, double, std::string> data_;
};

}  // namespace qvfs

#include "companions/frameserver/value.h"

namespace qvfs {

char Value::type_letter() const {
    if (is_clip()) return 'c';
    if (is_bool()) return 'b';
    if (is_int()) return 'i';
    if (is_float()) return 'f';
    if (is_string()) return 's';
    return 'v';
}

const char* Value::type_name() const {
    if (is_clip()) return "clip";
    if (is_bool()) return "bool";
    if (is_int()) return "int";
    if (is_float()) return "float";
    if (is_string()) return "string";
    return "void";
}

}  // namespace qvfs

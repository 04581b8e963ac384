#include "companions/frameserver/function_registry.h"

#include <cctype>

namespace qvfs {

std::string to_lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void FunctionRegistry::add(std::string name, std::vector<Param> params, FunctionImpl impl) {
    auto key = to_lower(name);
    table_[key].push_back(Function{std::move(name), std::move(params), std::move(impl)});
}

const std::vector<Function>* FunctionRegistry::find(const std::string& name) const {
    auto it = table_.find(to_lower(name));
    return it == table_.end() ? nullptr : &it->second;
}

namespace {

bool type_fits(char type, const Value& v) {
    switch (type) {
    case 'c': return v.is_clip();
    case 'i': return v.is_int();
    case 'f': return v.is_number();
    case 's': return v.is_string();
    case 'b': return v.is_bool();
    default: return !v.is_void();
    }
}

}  // namespace

bool FunctionRegistry::bind(const Function& f, const std::vector<Value>& positional,
                            const std::vector<std::pair<std::string, Value>>& named,
                            std::vector<std::vector<Value>>& slots) {
    const auto& params = f.params;
    slots.assign(params.size(), {});
    size_t pi = 0;
    for (const Value& arg : positional) {
        for (;;) {
            while (pi < params.size() && params[pi].named_only) ++pi;
            if (pi >= params.size()) return false;
            const Param& p = params[pi];
            if (p.repeat_min >= 0) {
                if (type_fits(p.type, arg)) {
                    slots[pi].push_back(arg);
                    break;
                }
                if (static_cast<int>(slots[pi].size()) < p.repeat_min) return false;
                ++pi;  // the run of repeated values has ended; try the next parameter
                continue;
            }
            if (!type_fits(p.type, arg)) return false;
            slots[pi].push_back(arg);
            ++pi;
            break;
        }
    }
    for (const auto& [name, value] : named) {
        const auto key = to_lower(name);
        size_t found = params.size();
        for (size_t i = 0; i < params.size(); ++i)
            if (params[i].repeat_min < 0 && to_lower(params[i].name) == key) found = i;
        if (found == params.size()) return false;
        if (!slots[found].empty() || !type_fits(params[found].type, value)) return false;
        slots[found].push_back(value);
    }
    for (size_t i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        if (p.repeat_min >= 0) {
            if (static_cast<int>(slots[i].size()) < p.repeat_min) return false;
        } else if (!p.optional && slots[i].empty()) {
            return false;
        }
    }
    return true;
}

const FunctionRegistry& standard_registry() {
    static const FunctionRegistry registry = [] {
        FunctionRegistry r;
        register_script_functions(r);
        register_source_functions(r);
        register_edit_functions(r);
        register_convert_functions(r);
        register_property_functions(r);
        register_ffms_functions(r);
        return r;
    }();
    return registry;
}

}  // namespace qvfs

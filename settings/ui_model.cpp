#include "settings/ui_model.h"

#include <stdexcept>

namespace qv {

Control& PageModel::add(Control control) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    int id = control.id;
    if (controls_.count(id)) throw std::logic_error("control id used twice: " + std::to_string(id));
    order_.push_back(id);
    return controls_[id] = std::move(control);
}

bool PageModel::has(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return controls_.count(id) != 0;
}

std::vector<int> PageModel::ids() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return order_;
}

Control& PageModel::at(int id) {
    auto it = controls_.find(id);
    if (it == controls_.end()) throw std::logic_error("no control " + std::to_string(id));
    return it->second;
}

const Control& PageModel::at(int id) const {
    auto it = controls_.find(id);
    if (it == controls_.end()) throw std::logic_error("no control " + std::to_string(id));
    return it->second;
}

Control PageModel::snapshot(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Control c = at(id);
    if (c.text_binding.get) c.text = c.text_binding.get();
    if (c.check_binding.get) c.checked = c.check_binding.get();
    c.text_binding = {};
    c.check_binding = {};
    return c;
}

ControlKind PageModel::kind(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).kind;
}

std::string PageModel::label(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).label;
}

std::string PageModel::text(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const Control& c = at(id);
    return c.text_binding.get ? c.text_binding.get() : c.text;
}

void PageModel::set_text(int id, std::string_view text) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        Control& c = at(id);
        if (c.text_binding.set)
            c.text_binding.set(std::string(text));
        else
            c.text = std::string(text);
    }
    notify(id);
}

bool PageModel::checked(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const Control& c = at(id);
    return c.check_binding.get ? c.check_binding.get() : c.checked;
}

void PageModel::set_checked(int id, bool checked) {
    bool whole_group = false;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        Control& c = at(id);
        if (c.check_binding.set) {
            c.check_binding.set(checked);
        } else {
            c.checked = checked;
        }
        if (c.kind == ControlKind::radio && checked) {
            whole_group = true;
            for (auto& [other_id, other] : controls_)
                if (other_id != id && other.kind == ControlKind::radio && other.group == c.group &&
                    !other.check_binding.set)
                    other.checked = false;
        }
    }
    if (whole_group)
        notify(0);
    else
        notify(id);
}

bool PageModel::enabled(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).enabled;
}

void PageModel::set_enabled(int id, bool enabled) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        Control& c = at(id);
        if (c.enabled == enabled) return;
        c.enabled = enabled;
    }
    notify(id);
}

int PageModel::position(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).position;
}

void PageModel::set_position(int id, int position) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        at(id).position = position;
    }
    notify(id);
}

void PageModel::set_range(int id, int minimum, int maximum) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        Control& c = at(id);
        c.minimum = minimum;
        c.maximum = maximum;
    }
    notify(id);
}

int PageModel::minimum(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).minimum;
}

int PageModel::maximum(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).maximum;
}

std::vector<std::string> PageModel::entries(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).entries;
}

std::size_t PageModel::entry_count(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).entries.size();
}

void PageModel::set_entries(int id, std::vector<std::string> entries) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        Control& c = at(id);
        c.entries = std::move(entries);
        c.selection = -1;
    }
    notify(id);
}

void PageModel::add_entry(int id, std::string entry) {
    bool redraw;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        Control& c = at(id);
        c.entries.push_back(std::move(entry));
        redraw = c.redraw;
    }
    if (redraw) notify(id);
}

void PageModel::clear_entries(int id) { set_entries(id, {}); }

int PageModel::selection(int id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return at(id).selection;
}

void PageModel::set_selection(int id, int selection) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        at(id).selection = selection;
    }
    notify(id);
}

void PageModel::set_redraw(int id, bool redraw) {
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        at(id).redraw = redraw;
    }
    if (redraw) notify(id);
}

void PageModel::add_observer(Observer observer) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    observers_.push_back(std::move(observer));
}

void PageModel::notify_all() { notify(0); }

void PageModel::touch(int id) { notify(id); }

void PageModel::notify(int id) {
    std::vector<Observer> copy;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        copy = observers_;
    }
    for (auto& o : copy) o(page_, id);
}

}  // namespace qv

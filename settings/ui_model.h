// The window-system-free models of the window's controls. Each control is a small value (an
// edit's text, a check box's state, a list's entries ...) plus its enabled state. Where the
// settings record has a field for a control, the control is bound to it: the field is the value
// and nothing is copied. Handlers change the models; observers (the Qt view is one) are told
// which control changed and read the model again. The scene-change worker changes some controls
// of the Preview/Chapters page, so every page guards its controls with a mutex and notifies from
// whichever thread made the change.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class ControlKind {
    button,
    check_box,
    radio,
    edit,
    label,  // a static text whose content the program changes (movie info, message line)
    static_text,
    group_box,
    list_box,
    combo_box,
    spin,
    slider,
    tab_control,
    picture,  // the preview box
};

enum class UiEvent { clicked, text_changed, focus_gained, focus_lost, selection_changed, position_changed };

enum class PageId { window, main, advanced, matrix, preview };

// How a control reaches the settings field it shows.
struct TextBinding {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
};
struct CheckBinding {
    std::function<bool()> get;
    std::function<void(bool)> set;  // radios are only ever set to true
};

struct Control {
    int id = 0;
    ControlKind kind = ControlKind::static_text;
    std::string label;  // the text a person reads next to or on the control
    std::string group;  // the group box (or radio group) it sits in
    bool enabled = true;
    bool digits_only = false;
    bool read_only = false;
    bool centred = false;
    bool fixed_pitch = false;
    int buddy = 0;  // a spin's edit

    // Values; a bound control keeps its value in the settings record instead.
    std::string text;
    bool checked = false;
    int position = 0;
    int minimum = 0;
    int maximum = 0;
    std::vector<std::string> entries;
    int selection = -1;
    bool redraw = true;

    TextBinding text_binding;
    CheckBinding check_binding;
};

class PageModel {
public:
    using Observer = std::function<void(PageId page, int id)>;  // id 0: everything may have changed

    PageModel(PageId page, std::string title) : page_(page), title_(std::move(title)) {}
    PageModel(const PageModel&) = delete;
    PageModel& operator=(const PageModel&) = delete;

    PageId page() const { return page_; }
    const std::string& title() const { return title_; }

    // Building (at start-up, before any observer).
    Control& add(Control control);

    bool has(int id) const;
    std::vector<int> ids() const;  // in creation order
    // A copy of the control with its current values filled in (bound values read through).
    Control snapshot(int id) const;
    ControlKind kind(int id) const;
    std::string label(int id) const;

    std::string text(int id) const;
    void set_text(int id, std::string_view text);
    bool checked(int id) const;
    // A radio set to true clears the other radios of its group.
    void set_checked(int id, bool checked);
    bool enabled(int id) const;
    void set_enabled(int id, bool enabled);
    int position(int id) const;
    void set_position(int id, int position);
    void set_range(int id, int minimum, int maximum);
    int minimum(int id) const;
    int maximum(int id) const;
    std::vector<std::string> entries(int id) const;
    std::size_t entry_count(int id) const;
    void set_entries(int id, std::vector<std::string> entries);
    void add_entry(int id, std::string entry);
    void clear_entries(int id);
    int selection(int id) const;
    void set_selection(int id, int selection);
    void set_redraw(int id, bool redraw);

    void add_observer(Observer observer);
    // Tells the observers that any control may have changed (after direct record changes).
    void notify_all();
    // Tells the observers that what a control shows changed outside the model (the preview
    // picture after a new bitmap).
    void touch(int id);

private:
    Control& at(int id);
    const Control& at(int id) const;
    void notify(int id);

    PageId page_;
    std::string title_;
    mutable std::recursive_mutex mutex_;
    std::vector<int> order_;
    std::map<int, Control> controls_;
    std::vector<Observer> observers_;
};

}  // namespace qv

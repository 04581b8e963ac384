#include "tools/qvini/qvini_commands.h"

#include <algorithm>
#include <ostream>

#include "settings/settings_reader.h"
#include "settings/settings_writer.h"
#include "tools/qvini/qvini_source_commands.h"

namespace qv::qvini {

namespace {

// The message line as one line of text (the display's line breaks undone).
std::string message_line(const Core& core) {
    std::string text = core.message.message_text();
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

int show(Core& core, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int status = load_user_file(core, args[0]);
    out << message_line(core) << '\n';
    // The list as the program shows it after this load: the defaults when nothing was applied.
    bool complete = render_settings_list(core);
    for (const std::string& line : core.ui.advanced.entries(adv::QV_INI_LIST)) out << line << '\n';
    if (!complete) err << message_line(core) << '\n';
    return status;
}

int write(Core& core, const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    int status = load_user_file(core, args[0]);
    out << message_line(core) << '\n';
    // A file that did not load is not written: the target would only get the defaults.
    if (status != PROCESSED) return status;
    core.settings.user_ini_path = args[1];
    write_settings(core, SettingsFile::user);
    out << message_line(core) << '\n';
    return core.settings.ini_write_ok ? PROCESSED : FAILED;
}

}  // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"show", "FILE", 1, show},
        {"write", "IN OUT", 2, write},
        {"show", "--open FILE", 2, show_opened},
        {"scan", "FILE", 1, scan},
        {"scan", "FILE --write OUT", 3, scan},
    };
    return table;
}

int load_user_file(Core& core, const std::string& path) {
    Settings& s = core.settings;
    s.user_ini_path = path;
    core.source.is_script = core.source.is_project = false;
    s.input_opened = false;
    LoadResult result = load_settings(core, SettingsFile::user);
    // The window program opens the accepted input and then applies the bitrate enabling rule;
    // the source is not opened here, so the enabling is computed as if the open succeeded: what
    // the encoder would be given.
    if (result == LoadResult::processed) {
        s.input_opened = s.input_valid;
        update_bitrate_enabling(core);
        s.input_opened = false;
    }
    switch (result) {
        case LoadResult::processed: return PROCESSED;
        case LoadResult::processing_error: return FAILED;
        case LoadResult::not_found:
        case LoadResult::open_failed: return NOT_OPENED;
    }
    return FAILED;
}

int run(Core& core, const std::vector<std::string>& arguments, std::ostream& out,
        std::ostream& err) {
    if (!arguments.empty()) {
        // A name may have several entries, one per argument count; a command that finds its
        // arguments wrong answers USAGE.
        for (const Command& c : commands()) {
            if (arguments[0] != c.name || static_cast<int>(arguments.size()) - 1 != c.argument_count)
                continue;
            int status = c.run(core, std::vector<std::string>(arguments.begin() + 1, arguments.end()),
                               out, err);
            if (status != USAGE) return status;
            break;
        }
    }
    err << "usage:\n";
    for (const Command& c : commands()) err << "  qvini " << c.name << ' ' << c.usage << '\n';
    return USAGE;
}

}  // namespace qv::qvini

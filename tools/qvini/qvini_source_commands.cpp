#include "tools/qvini/qvini_source_commands.h"

#include <algorithm>
#include <mutex>
#include <ostream>

#include "app/environment.h"
#include "app/page_refresh.h"
#include "app/startup.h"
#include "preview/scene_scan.h"
#include "settings/settings_writer.h"
#include "tools/qvini/qvini_commands.h"

namespace qv::qvini {

namespace {

std::string one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Loads the settings file and opens the input it names, as start-up does with QV.ini: the open
// reads the properties, derives the frame range and adds the DVD warnings; then the pages are
// brought in line. PROCESSED when the input is open; otherwise the load's status, or FAILED.
int load_and_open(Core& core, const std::string& path) {
    int status = load_user_file(core, path);
    if (status != PROCESSED) return status;
    open_named_input(core);
    refresh_pages(core);
    return core.settings.input_opened ? PROCESSED : FAILED;
}

void print_movie_info(const Core& core, std::ostream& out) {
    const PageModel& m = core.ui.main;
    out << "movie size:   " << m.text(mainp::MOVIE_SIZE) << '\n'
        << "frame rate:   " << m.text(mainp::MOVIE_RATE) << '\n'
        << "frames:       " << m.text(mainp::MOVIE_FRAMES) << '\n'
        << "seconds:      " << m.text(mainp::MOVIE_SEC) << '\n'
        << "h:mm:ss:      " << m.text(mainp::MOVIE_HMS) << '\n'
        << "encode range: " << m.text(mainp::START_FRAME) << " - " << m.text(mainp::END_FRAME)
        << ", " << m.text(mainp::ENCODE_FRAMES) << " frames, " << m.text(mainp::ENCODE_SEC)
        << " s, " << m.text(mainp::ENCODE_HMS) << '\n';
}

}  // namespace

int show_opened(Core& core, const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
    if (args.size() != 2 || args[0] != "--open") return USAGE;
    const int status = load_and_open(core, args[1]);
    out << one_line(core.message.message_text()) << '\n';
    if (core.settings.input_opened) print_movie_info(core, out);
    const bool complete = render_settings_list(core);
    for (const std::string& line : core.ui.advanced.entries(adv::QV_INI_LIST)) out << line << '\n';
    if (!complete) err << one_line(core.message.message_text()) << '\n';
    return status;
}

int scan(Core& core, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const bool write = args.size() == 3 && args[1] == "--write";
    if (args.size() != 1 && !write) return USAGE;
    const int status = load_and_open(core, args[0]);
    if (status != PROCESSED) {
        out << one_line(core.message.message_text()) << '\n';
        return status;
    }
    if (core.vector_level == 0) detect_cpu_level(core);

    // Progress: the worker moves the slider, then writes the frame, at most 1000 times; each step
    // rewrites one line.
    std::mutex progress_mutex;
    const int32_t frames = core.source.frame_count;
    core.ui.preview.add_observer([&](PageId, int id) {
        if (id != prv::CURRENT_FRAME) return;
        std::lock_guard<std::mutex> lock(progress_mutex);
        const int p = core.ui.preview.position(prv::SLIDER);
        err << "\rscanning " << core.ui.preview.text(prv::CURRENT_FRAME) << " / " << frames
            << " (" << p / 10 << '.' << p % 10 << " %)" << std::flush;
    });
    core.show(" creating a chapter list based on scene changes");
    toggle_scene_scan(core);
    wait_scene_scan(core);
    {
        std::lock_guard<std::mutex> lock(progress_mutex);
        err << '\n';
    }

    const Settings& s = core.settings;
    for (int32_t i = 1; i <= s.chapter_count; ++i) out << s.chapters[static_cast<std::size_t>(i)] << '\n';
    out << one_line(core.message.message_text()) << '\n';
    if (!write) return PROCESSED;
    core.settings.user_ini_path = args[2];
    write_settings(core, SettingsFile::user);
    out << one_line(core.message.message_text()) << '\n';
    return core.settings.ini_write_ok ? PROCESSED : FAILED;
}

}  // namespace qv::qvini

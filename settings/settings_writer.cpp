#include "settings/settings_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "settings/numbers.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* WRITE_OK = " file successfully written";
constexpr const char* WRITE_ERROR = " error writing ini file";
constexpr const char* WRITE_ABORTED = " QV.ini write aborted, invalid CQ value, not a number";
constexpr const char* SHOW_ABORTED = " show QV.ini aborted, invalid CQ value, not a number";

// Receives the finished lines; the file and the list differ only in where they go and how long a
// path value may be.
class LineSink {
public:
    explicit LineSink(std::size_t path_limit) : path_limit_(path_limit) {}
    virtual ~LineSink() = default;
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;
    virtual void line(std::string_view text) = 0;
    std::size_t path_limit() const { return path_limit_; }

private:
    std::size_t path_limit_;
};

class FileSink : public LineSink {
public:
    explicit FileSink(std::string& out) : LineSink(PATH_CAPACITY), out_(out) {}
    void line(std::string_view text) override {
        out_.append(trim_trailing(text));
        out_.push_back('\n');
    }

private:
    std::string& out_;
};

class ListSink : public LineSink {
public:
    explicit ListSink(std::vector<std::string>& out)
        : LineSink(LIST_LINE_CAPACITY - 1), out_(out) {}
    void line(std::string_view text) override { out_.push_back(fit(text, LIST_LINE_CAPACITY)); }

private:
    std::vector<std::string>& out_;
};

// Builds one line at a time: the keyword in 18 columns, then the value.
class LineBuilder {
public:
    explicit LineBuilder(LineSink& sink) : sink_(sink) { buffer_.reserve(600); }

    void flag(std::string_view keyword) { sink_.line(keyword); }

    void value(std::string_view keyword, std::string_view value) {
        buffer_.assign(keyword);
        if (buffer_.size() < KEYWORD_FIELD) buffer_.append(KEYWORD_FIELD - buffer_.size(), ' ');
        buffer_.append(value);
        sink_.line(buffer_);
    }

    void path(std::string_view keyword, std::string_view path) {
        std::string_view p = trim_trailing(path);
        value(keyword, p.substr(0, std::min(p.size(), sink_.path_limit())));
    }

    void plain(std::string_view text) { sink_.line(text); }

private:
    LineSink& sink_;
    std::string buffer_;
};

// An entry's text left-aligned, cut to `width` characters, without trailing blanks.
std::string_view left_text(std::string_view text, std::size_t width = ENTRY_CAPACITY) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    return trim_trailing(text.substr(0, std::min(text.size(), width)));
}

std::string_view digits(char (&buf)[16], long long value) {
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    return std::string_view(buf, static_cast<std::size_t>(end - buf));
}

// An entry read as an integer and clamped; an entry that does not read counts as its default.
// A file write stores the value back into the entry as the file gets it; the list only shows
// it, so an entry the user is still editing (a negative minute, say) stays as typed.
int32_t clamped_entry(std::string& entry, int32_t low, int32_t high, int32_t fallback,
                      bool store) {
    int32_t v = fallback;
    if (read_int(entry, v)) v = std::clamp(v, low, high);
    if (store) entry = int_text(v);
    return v;
}

bool emit_lines(Core& core, LineSink& sink, bool store) {
    Settings& s = core.settings;
    LineBuilder out(sink);
    char buf[16];

    if (s.input_valid) out.path("*INFILE", s.input_path);
    if (s.output_set) out.path("*OUTFILE", s.output_path);
    if (s.log_set) out.path("*LOGFILE", s.log_path);
    if (!s.constant_quant) out.value("*BITRATE", left_text(s.avg_bitrate));
    if (s.max_bitrate_enabled) out.value("*MAXBITRATE", left_text(s.max_bitrate));

    int32_t first = 0, last = 0;
    if (read_int(s.start_frame, first) && read_int(s.end_frame, last)) {
        s.start_frame_value = first;
        s.end_frame_value = last;
        std::string v(left_text(s.start_frame, 8));
        v += ' ';
        v += left_text(s.end_frame, 8);
        out.value("*FRAMES", v);
    }

    if (s.profile == Profile::fast) out.value("*PROFILE", "fast");
    if (s.profile == Profile::best) out.value("*PROFILE", "best");
    switch (s.aspect_ratio) {
        case AspectRatio::square: out.value("*ASPECT", "1:1"); break;
        case AspectRatio::four_three: out.value("*ASPECT", "4:3"); break;
        case AspectRatio::two_two_one: out.value("*ASPECT", "2.21:1"); break;
        case AspectRatio::sixteen_nine: break;
    }

    if (!s.auto_gop) {
        // An entry that does not read as a number is written (and shown) as its default.
        int32_t gop = 0, b = 0;
        std::string gop_text = read_int(s.gop_length, gop) ? s.gop_length : std::string("15");
        std::string b_text = read_int(s.b_frames, b) ? s.b_frames : std::string("2");
        if (store) {
            s.gop_length = gop_text;
            s.b_frames = b_text;
        }
        std::string v(left_text(gop_text, 8));
        v += ' ';
        v += left_text(b_text, 8);
        out.value("*GOP", v);
    }

    if (s.constant_quant) {
        double q = 0;
        if (!read_real(s.cq_value, q)) return false;
        out.value(s.cq_max_bitrate ? "*CQ_MAXBITRATE" : "*CQ", left_text(s.cq_value));
        if (s.cq_p_factor.find("1.00") == std::string::npos)
            out.value("*CQ_PFACTOR", left_text(s.cq_p_factor, 4));
        if (s.cq_b_factor.find("1.00") == std::string::npos)
            out.value("*CQ_BFACTOR", left_text(s.cq_b_factor, 4));
    }

    if (s.dc_precision == 8 || s.dc_precision == 10 || s.dc_precision == 11)
        out.value("*DC_PREC", digits(buf, s.dc_precision));

    if (s.interlaced) {
        out.flag("*INTERLACED");
        out.flag(s.field_order == FieldOrder::top_first ? "*TFF" : "*BFF");
    }
    if (s.scan_method == ScanMethod::zigzag && s.interlaced) out.value("*SCANMETHOD", "zigzag");
    if (s.scan_method == ScanMethod::alternate && !s.interlaced) out.value("*SCANMETHOD", "alt");
    if (!s.scene_change) out.flag("*NOSCD");
    if (!s.vbv_check) out.flag("*NOVBV");
    if (s.closed_gops) out.flag("*CLOSEDGOPS");
    if (!s.seq_endcode) out.flag("*NOSEQ_ENDCODE");

    if (!s.constant_quant) {
        int32_t bias = clamped_entry(s.vbr_bias, 0, 100, 0, store);
        if (bias >= 1) out.value("*BIAS", digits(buf, bias));
    }

    if (s.adaptive_matrix) out.flag("*ADAPTIVEMATRIX");
    if (s.pulldown) out.flag("*PULLDOWN");
    if (s.last_iframe) out.flag("*LASTIFRAME");
    if (s.preview) out.flag("*PREVIEW");

    int32_t tc[4] = {clamped_entry(s.timecode_hours, 0, 23, 0, store),
                     clamped_entry(s.timecode_minutes, 0, 59, 0, store),
                     clamped_entry(s.timecode_seconds, 0, 59, 0, store),
                     clamped_entry(s.timecode_frames, 0, 59, 0, store)};
    if (tc[0] + tc[1] + tc[2] + tc[3] >= 1) {
        std::string v;
        for (int32_t t : tc) v += right_aligned(t, 3);
        out.value("*TIMECODE", left_text(v, 12));
    }

    if (s.matrix_mode == MatrixMode::builtin) {
        std::string_view name = builtin_matrix_word(s.builtin_matrix);
        if (!name.empty()) out.value("*MATRIX", name);
    } else {
        out.flag("*CUSTOMMATRIX");
        auto rows = [&out](const MatrixValues& m) {
            for (int r = 0; r < 8; ++r) {
                std::string row;
                for (int c = 0; c < 8; ++c) row += right_aligned(m[static_cast<std::size_t>(r * 8 + c)], 4);
                out.plain(row);
            }
        };
        rows(s.custom_intra);
        out.plain("");
        rows(s.custom_non_intra);
    }

    switch (s.cpu) {
        case Cpu::mmx: out.value("*CPU", "mmx"); break;
        case Cpu::sse2: out.value("*CPU", "sse2"); break;
        case Cpu::sse3: out.value("*CPU", "sse3"); break;
        case Cpu::automatic: break;
    }

    int32_t wait = clamped_entry(s.wait_seconds, 0, 99, 5, store);
    if (wait != 5) out.value("*WAIT", digits(buf, wait));
    if (s.shutdown) out.flag("*SHUTDOWN");

    if (s.chapter_count >= 1) {
        int32_t count = std::min(s.chapter_count, MAX_CHAPTERS);
        out.value("*CHAPTER", digits(buf, count));
        for (int32_t i = 1; i <= count; ++i)
            out.plain(digits(buf, s.chapters[static_cast<std::size_t>(i)]));
    }
    return true;
}

}  // namespace

bool settings_file_text(Core& core, std::string& text) {
    text.clear();
    FileSink sink(text);
    return emit_lines(core, sink, true);
}

void write_settings(Core& core, SettingsFile target) {
    Settings& s = core.settings;
    s.ini_write_ok = true;
    std::string text;
    if (s.chapter_count > 0) text.reserve(static_cast<std::size_t>(s.chapter_count) * 8 + 4096);
    if (!settings_file_text(core, text)) {
        core.show(WRITE_ABORTED);
        s.ini_write_ok = false;
        return;
    }
    const std::string& path = target == SettingsFile::program ? s.qv_ini_path : s.user_ini_path;
    if (!write_file_atomic(trimmed(path), text)) {
        core.show(WRITE_ERROR);
        s.ini_write_ok = false;
        return;
    }
    core.show(WRITE_OK);
}

bool render_settings_list(Core& core) {
    PageModel& page = core.ui.advanced;
    page.clear_entries(adv::QV_INI_LIST);
    page.set_redraw(adv::QV_INI_LIST, false);
    std::vector<std::string> lines;
    ListSink sink(lines);
    bool complete = emit_lines(core, sink, false);
    page.set_entries(adv::QV_INI_LIST, std::move(lines));
    page.set_redraw(adv::QV_INI_LIST, true);
    if (!complete) core.show(SHOW_ABORTED);
    return complete;
}

}  // namespace qv

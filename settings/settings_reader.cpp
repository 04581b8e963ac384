#include "settings/settings_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "settings/numbers.h"
#include "settings/record_reader.h"
#include "settings/text.h"

namespace qv {

namespace {

constexpr const char* PROGRAM_FILE_MISSING = " QV.ini not found, using default GUI settings";
constexpr const char* OPEN_ERROR = " error openening ini file";
constexpr const char* PROCESSING_ERROR = " error processing ini file:";
constexpr const char* PROGRAM_FILE_DONE = " QV.ini successfully processed";
constexpr const char* USER_FILE_DONE = " USER ini file successfully processed";
constexpr const char* PROJECT_FILES_MISSING =
    ", ERROR, invalid D2V project, can't find the VOB/MPEG files";
constexpr const char* PROJECT_VERSION_MISMATCH =
    ", ERROR, invalid D2V project, DGIndex/DGDecode mismatch, D2V project must be file format "
    "version 6, 10, 11 or 12";
constexpr const char* INPUT_MISSING = ", WARNING, input file not found";

// A path keyword's value must start within this many columns of its window.
constexpr std::size_t PATH_START_LIMIT = 99;

// What the number and word keywords read, kept until the file has been read to its end.
struct ReadValues {
    int32_t frames[2] = {0, 0};
    double cq = 0;
    double cq_max = 0;
    int32_t bitrate = 0;
    int32_t max_bitrate = 0;
    int profile = 2;
    int aspect = 3;
    double p_factor = 1;
    double b_factor = 1;
    int cpu = 0;
    int32_t gop[2] = {15, 2};
    int32_t dc_precision = 9;
    int32_t timecode[4] = {0, 0, 0, 0};
    int32_t bias = 0;
    int32_t wait = 5;
    int scan = 0;
};

// The quantizer as the entry shows it: three decimals in six columns, asterisks when it does not
// fit.
std::string quantizer_text(double q) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", q);
    if (std::strlen(buf) > 6) return "******";
    return buf;
}

// A bitrate as its entry shows it: six columns, asterisks when it does not fit.
std::string bitrate_text(int32_t value) {
    std::string t = int_text(value);
    return t.size() > 6 ? std::string("******") : t;
}

// The spin position (1..32) whose factor is nearest; on equal distance the lower one.
int factor_position(double factor) {
    double f = std::clamp(factor, cq_factor_table[1], cq_factor_table[CQ_FACTOR_POSITIONS]);
    int best = 1;
    double best_distance = std::fabs(f - cq_factor_table[1]);
    for (int i = 2; i <= CQ_FACTOR_POSITIONS; ++i) {
        double d = std::fabs(f - cq_factor_table[static_cast<std::size_t>(i)]);
        if (d < best_distance - 1e-9) {
            best = i;
            best_distance = d;
        }
    }
    return best;
}

std::string factor_text(int position) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", cq_factor_table[static_cast<std::size_t>(position)]);
    return buf;
}

class SettingsReader {
public:
    SettingsReader(Core& core, RecordReader& file) : core_(core), s_(core.settings), file_(file) {}

    // Reads every record; false at the first processing error (tag_ tells where).
    bool read_all() {
        std::string_view record;
        for (;;) {
            tag_ = nullptr;
            RecordReader::Status status = file_.next(record);
            if (status == RecordReader::Status::end) return true;
            if (status == RecordReader::Status::error) return false;
            if (!handle(record)) return false;
        }
    }

    const char* tag() const { return tag_; }
    const ReadValues& values() const { return v_; }

private:
    bool handle(std::string_view record) {
        raw_.fill(' ');
        std::memcpy(raw_.data(), record.data(), std::min(record.size(), raw_.size()));
        for (std::size_t i = 0; i < raw_.size(); ++i) upper_[i] = ascii_upper(raw_[i]);
        std::string_view upper(upper_.data(), upper_.size());
        const KeywordInfo* k = match_keyword(upper);
        if (!k) return true;
        switch (k->kind) {
            case ValueKind::flag: mark(k->code); return true;
            case ValueKind::path: handle_path(*k); return true;
            case ValueKind::word: handle_word(*k); return true;
            case ValueKind::numbers:
            case ValueKind::following: break;
        }
        tag_ = k->error_tag;
        if (k->code == kw::CUSTOMMATRIX) return read_custom_matrix();
        NumberScanner in(window(upper, *k));
        if (k->code == kw::CHAPTER) return read_chapters(in);
        if (!read_numbers(k->code, in)) return false;
        mark(k->code);
        return true;
    }

    static std::string_view window(std::string_view record, const KeywordInfo& k) {
        return record.substr(k.first_column - 1, k.last_column - k.first_column + 1);
    }

    void mark(int code) { s_.seen[static_cast<std::size_t>(code)] = true; }

    void handle_path(const KeywordInfo& k) {
        std::string_view w = window(std::string_view(raw_.data(), raw_.size()), k);
        std::size_t start = w.find_first_not_of(' ');
        if (start == std::string_view::npos || start >= PATH_START_LIMIT) return;
        std::string_view path = trim_trailing(w.substr(start));
        if (k.code == kw::OUTFILE) {
            s_.output_path = fit_path(path);
            s_.output_set = true;
            mark(k.code);
        } else if (k.code == kw::LOGFILE) {
            s_.log_path = fit_path(path);
            s_.log_set = true;
            mark(k.code);
        } else {
            handle_input(path);
        }
    }

    // The last *INFILE line decides: each one starts from "no input".
    void handle_input(std::string_view path) {
        SourceState& src = core_.source;
        s_.input_path = fit_path(path);
        s_.input_valid = false;
        s_.input_exists = false;
        s_.d2v_problem = 0;
        s_.seen[kw::INFILE] = false;
        src.is_script = src.is_project = false;
        if (path.find('\0') != std::string_view::npos || !file_exists(s_.input_path)) return;
        s_.input_exists = true;
        src.project_files_found = src.project_version_ok = true;
        if (core_.hooks.classify_input) core_.hooks.classify_input(core_);
        if (!src.project_files_found || !src.project_version_ok) {
            s_.input_path.clear();
            s_.input_valid = false;
            s_.input_opened = false;
            s_.d2v_problem = src.project_files_found ? 1 : 2;
            return;
        }
        s_.input_valid = true;
        mark(kw::INFILE);
    }

    void handle_word(const KeywordInfo& k) {
        if (k.code == kw::MATRIX) s_.builtin_matrix = 1;
        const std::size_t first = k.first_column - 1;
        for (std::size_t offset = 0; offset < k.word_limit; ++offset) {
            const std::size_t column = first + offset;
            for (std::size_t i = 0; i < k.word_count; ++i) {
                const WordInfo& w = k.words[i];
                std::size_t n = std::strlen(w.word);
                if (column + n <= upper_.size() && std::memcmp(upper_.data() + column, w.word, n) == 0) {
                    apply_word(k.code, w.value);
                    mark(k.code);
                    return;
                }
            }
        }
    }

    void apply_word(int code, int value) {
        switch (code) {
            case kw::PROFILE: v_.profile = value; break;
            case kw::ASPECT: v_.aspect = value; break;
            case kw::CPU: v_.cpu = value; break;
            case kw::SCANMETHOD: v_.scan = value; break;
            case kw::MATRIX: s_.builtin_matrix = value; break;
            default: break;
        }
    }

    bool read_numbers(int code, NumberScanner& in) {
        switch (code) {
            case kw::FRAMES: return in.next_int(v_.frames[0]) && in.next_int(v_.frames[1]);
            case kw::CQ: return in.next_real(v_.cq);
            case kw::CQ_MAXBITRATE: return in.next_real(v_.cq_max);
            case kw::BITRATE:
                if (!in.next_int(v_.bitrate)) return false;
                s_.last_read_bitrate = v_.bitrate;
                return true;
            case kw::MAXBITRATE: return in.next_int(v_.max_bitrate);
            case kw::CQ_PFACTOR: return in.next_real(v_.p_factor);
            case kw::CQ_BFACTOR: return in.next_real(v_.b_factor);
            case kw::GOP: return in.next_int(v_.gop[0]) && in.next_int(v_.gop[1]);
            case kw::DC_PREC: return in.next_int(v_.dc_precision);
            case kw::TIMECODE: {
                static constexpr int32_t limits[4] = {23, 59, 59, 59};
                for (int i = 0; i < 4; ++i) {
                    if (!in.next_int(v_.timecode[i])) return false;
                    v_.timecode[i] = std::clamp(v_.timecode[i], 0, limits[i]);
                }
                return true;
            }
            case kw::BIAS:
                if (!in.next_int(v_.bias)) return false;
                v_.bias = std::clamp(v_.bias, 0, 100);
                return true;
            case kw::WAIT:
                if (!in.next_int(v_.wait)) return false;
                v_.wait = std::clamp(v_.wait, 0, 99);
                return true;
            default: return false;
        }
    }

    // `count` integers from the lines that follow, any number per line, blank lines skipped.
    bool read_following(int32_t* out, std::size_t count) {
        std::size_t got = 0;
        std::string_view record;
        while (got < count) {
            if (file_.next(record) != RecordReader::Status::record) return false;
            NumberScanner in(record);
            while (got < count && in.next_int(out[got])) ++got;
            if (got < count && !in.at_end()) return false;
        }
        return true;
    }

    // The list is taken only when it was read whole; a failing block leaves the earlier list.
    bool read_chapters(NumberScanner& in) {
        int32_t count = 0;
        if (!in.next_int(count)) return false;
        count = std::min(count, MAX_CHAPTERS);
        if (count > 0) {
            chapter_values_.resize(static_cast<std::size_t>(count));
            if (!read_following(chapter_values_.data(), chapter_values_.size())) return false;
        } else {
            // A negative count reads no values and empties the list.
            count = 0;
        }
        const std::size_t n = static_cast<std::size_t>(count);
        const std::size_t old = static_cast<std::size_t>(std::max(s_.chapter_count, 0));
        std::copy_n(chapter_values_.begin(), n, s_.chapters.begin() + 1);
        if (old > n) std::fill(s_.chapters.begin() + 1 + static_cast<std::ptrdiff_t>(n),
                               s_.chapters.begin() + 1 + static_cast<std::ptrdiff_t>(old), 0);
        s_.chapter_count = count;
        mark(kw::CHAPTER);
        return true;
    }

    bool read_custom_matrix() {
        std::array<int32_t, 2 * MATRIX_CELLS> values{};
        if (!read_following(values.data(), values.size())) return false;
        std::copy_n(values.begin(), MATRIX_CELLS, s_.custom_intra.begin());
        std::copy_n(values.begin() + MATRIX_CELLS, MATRIX_CELLS, s_.custom_non_intra.begin());
        mark(kw::CUSTOMMATRIX);
        return true;
    }

    Core& core_;
    Settings& s_;
    RecordReader& file_;
    ReadValues v_;
    const char* tag_ = nullptr;
    std::array<char, RECORD_COLUMNS> raw_{};
    std::array<char, RECORD_COLUMNS> upper_{};
    std::vector<int32_t> chapter_values_;
};

void enable_constant_quantization(Core& core, double quantizer) {
    Settings& s = core.settings;
    PageModel& a = core.ui.advanced;
    PageModel& m = core.ui.main;
    s.constant_quant = true;
    s.cq_value = quantizer_text(quantizer);
    for (int id : {adv::QUANT_VALUE, adv::CHECK_VBV_MAX, adv::P_FACTOR, adv::B_FACTOR,
                   adv::P_FACTOR_SPIN, adv::B_FACTOR_SPIN})
        a.set_enabled(id, true);
    a.set_enabled(adv::VBR_BIAS, false);
    for (int id : {mainp::AVERAGE_BITRATE, mainp::FILE_LENGTH, mainp::AVG_KBPS,
                   mainp::FILE_LENGTH_KB, mainp::MAX_KBPS})
        m.set_enabled(id, false);
    s.max_bitrate_enabled = false;
}

void apply_factor(Core& core, double factor, std::string& text, int spin) {
    int position = factor_position(factor);
    text = factor_text(position);
    core.ui.advanced.set_position(spin, position);
}

// Applies what was seen, in a fixed order whatever the order of the file: later steps override
// earlier ones.
void apply(Core& core, const ReadValues& v) {
    Settings& s = core.settings;
    PageModel& m = core.ui.main;
    PageModel& a = core.ui.advanced;
    PageModel& mx = core.ui.matrix;
    auto seen = [&s](int code) { return s.seen[static_cast<std::size_t>(code)]; };

    if (seen(kw::INFILE)) {
        m.set_text(mainp::INPUT, "input: " + shorten_path(s.input_path));
        m.set_enabled(mainp::OUTPUT, true);
    }
    if (seen(kw::OUTFILE)) {
        m.set_enabled(mainp::OUTPUT, true);
        m.set_text(mainp::OUTPUT, "output: " + shorten_path(s.output_path));
        s.output_chosen = true;
    }
    if (seen(kw::FRAMES)) {
        s.start_frame = int_text(v.frames[0]);
        s.end_frame = int_text(v.frames[1]);
        s.start_frame_value = v.frames[0];
        s.end_frame_value = v.frames[1];
        int64_t n = int64_t{v.frames[1]} - v.frames[0] + 1;
        s.frames_to_encode = static_cast<int32_t>(std::clamp<int64_t>(n, INT32_MIN, INT32_MAX));
    }
    if (seen(kw::CQ)) enable_constant_quantization(core, v.cq);
    if (seen(kw::BITRATE)) {
        s.avg_bitrate = bitrate_text(v.bitrate);
        s.avg_bitrate_value = v.bitrate;
    }
    if (seen(kw::MAXBITRATE)) {
        int32_t max = std::max(v.max_bitrate, s.last_read_bitrate);
        s.max_bitrate = bitrate_text(max);
        s.max_bitrate_value = max;
    }
    if (seen(kw::PROFILE)) {
        if (v.profile == 1) s.profile = Profile::fast;
        if (v.profile == 2) s.profile = Profile::normal;
        if (v.profile == 4) s.profile = Profile::best;
    }
    if (seen(kw::ASPECT) && v.aspect >= 1 && v.aspect <= 4)
        s.aspect_ratio = static_cast<AspectRatio>(v.aspect);
    if (seen(kw::CQ_MAXBITRATE)) {
        enable_constant_quantization(core, v.cq_max);
        s.cq_max_bitrate = true;
        m.set_enabled(mainp::MAX_KBPS, true);
        s.max_bitrate_enabled = true;
    }
    if (s.input_valid) m.set_enabled(mainp::LOG, true);
    if (seen(kw::LOGFILE)) {
        m.set_enabled(mainp::LOG, true);
        m.set_text(mainp::LOG, "log: " + shorten_path(s.log_path));
    }
    if (seen(kw::LASTIFRAME)) s.last_iframe = true;
    if (seen(kw::PREVIEW)) s.preview = true;
    if (seen(kw::CQ_PFACTOR)) apply_factor(core, v.p_factor, s.cq_p_factor, adv::P_FACTOR_SPIN);
    if (seen(kw::CQ_BFACTOR)) apply_factor(core, v.b_factor, s.cq_b_factor, adv::B_FACTOR_SPIN);
    if (seen(kw::CPU) && v.cpu >= 0 && v.cpu <= 3) s.cpu = static_cast<Cpu>(v.cpu);
    if (seen(kw::GOP)) {
        s.auto_gop = false;
        int32_t gop = std::clamp(v.gop[0], 1, 36);
        int32_t b = std::clamp(v.gop[1], 0, 2);
        s.gop_length = int_text(gop);
        s.b_frames = int_text(b);
        for (int id : {adv::GOP, adv::GOP_SPIN, adv::B_FRAMES, adv::B_FRAMES_SPIN})
            a.set_enabled(id, true);
        a.set_position(adv::GOP_SPIN, gop);
        a.set_position(adv::B_FRAMES_SPIN, b);
    }
    if (seen(kw::DC_PREC) && v.dc_precision >= 8 && v.dc_precision <= 11)
        s.dc_precision = v.dc_precision;
    if (seen(kw::TIMECODE)) {
        s.timecode_hours = int_text(v.timecode[0]);
        s.timecode_minutes = int_text(v.timecode[1]);
        s.timecode_seconds = int_text(v.timecode[2]);
        s.timecode_frames = int_text(v.timecode[3]);
    }
    if (seen(kw::MATRIX)) {
        s.matrix_mode = MatrixMode::builtin;
        std::string_view name = builtin_matrix_caption(s.builtin_matrix);
        mx.set_text(mtx::COMBO, name);
        for (int i = 0; i < 12; ++i)
            if (name == MATRIX_LIST_NAMES[i]) mx.set_selection(mtx::COMBO, i);
        for (int id : {mtx::LOAD, mtx::SAVE_CQM, mtx::SAVE_MTX}) mx.set_enabled(id, false);
        if (core.hooks.show_selected_matrix) core.hooks.show_selected_matrix(core);
    }
    if (seen(kw::CUSTOMMATRIX)) {
        s.matrix_mode = MatrixMode::custom;
        mx.set_enabled(mtx::COMBO, false);
        for (int id : {mtx::LOAD, mtx::SAVE_CQM, mtx::SAVE_MTX}) mx.set_enabled(id, true);
        s.builtin_matrix = CUSTOM_MATRIX;
        if (core.hooks.show_selected_matrix) core.hooks.show_selected_matrix(core);
    }
    if (seen(kw::BIAS)) s.vbr_bias = int_text(v.bias);
    if (seen(kw::CLOSEDGOPS)) s.closed_gops = true;
    if (seen(kw::NOVBV)) s.vbv_check = false;
    if (seen(kw::NOSCD)) s.scene_change = false;
    if (seen(kw::INTERLACED)) {
        s.interlaced = true;
        s.scan_method = ScanMethod::alternate;
        s.field_order = FieldOrder::top_first;
        a.set_enabled(adv::TFF, true);
        a.set_enabled(adv::BFF, true);
    }
    if (seen(kw::SCANMETHOD)) s.scan_method = v.scan == 1 ? ScanMethod::alternate : ScanMethod::zigzag;
    if (seen(kw::TFF)) s.field_order = FieldOrder::top_first;
    if (seen(kw::BFF)) s.field_order = FieldOrder::bottom_first;
    if (seen(kw::ADAPTIVEMATRIX)) s.adaptive_matrix = true;
    if (seen(kw::PULLDOWN)) {
        s.pulldown = true;
        s.interlaced = false;
        m.set_enabled(mainp::INTERLACED, false);
        s.field_order = FieldOrder::bottom_first;
        a.set_enabled(adv::TFF, false);
        a.set_enabled(adv::BFF, false);
        s.scan_method = ScanMethod::zigzag;
    }
    if (seen(kw::WAIT)) s.wait_seconds = int_text(v.wait);
    if (seen(kw::NOSEQ_ENDCODE)) s.seq_endcode = false;
    if (seen(kw::SHUTDOWN)) s.shutdown = true;

    // The caller's page refresh makes these usable again by the enabling rule.
    for (int id : {mainp::AVERAGE_BITRATE, mainp::FILE_LENGTH, mainp::AVG_KBPS,
                   mainp::FILE_LENGTH_KB, mainp::MAX_KBPS})
        m.set_enabled(id, false);
    core.ui.window.set_enabled(win::ENCODE, false);
}

// After a processing error nothing of the file counts.
void discard_read(Core& core) {
    Settings& s = core.settings;
    s.seen.fill(false);
    s.input_valid = s.output_set = s.log_set = false;
    s.input_path.clear();
    s.output_path.clear();
    s.log_path.clear();
    s.input_exists = false;
    s.input_opened = false;
    s.d2v_problem = 0;
    core.source.is_script = core.source.is_project = false;
}

}  // namespace

LoadResult load_settings(Core& core, SettingsFile source) {
    Settings& s = core.settings;

    // 1. Start from the defaults.
    s.input_path.clear();
    s.output_path.clear();
    s.log_path.clear();
    s.seen.fill(false);
    s.input_valid = s.output_set = s.log_set = false;
    s.input_exists = false;
    s.d2v_problem = 0;
    reset_to_defaults(core);
    s.chapter_count = 0;
    std::fill(s.chapters.begin(), s.chapters.end(), 0);

    // 2. Open.
    const std::string path =
        trimmed(source == SettingsFile::program ? s.qv_ini_path : s.user_ini_path);
    if (source == SettingsFile::program && !file_exists(path)) {
        core.show(PROGRAM_FILE_MISSING);
        core.ui.notify_all();
        return LoadResult::not_found;
    }
    RecordReader file;
    if (!file.open(path)) {
        s.seen.fill(false);
        core.show(OPEN_ERROR);
        core.ui.notify_all();
        return LoadResult::open_failed;
    }

    // 3. Read.
    SettingsReader reader(core, file);
    bool complete = reader.read_all();
    file.close();
    if (!complete) {
        discard_read(core);
        std::string message = PROCESSING_ERROR;
        message += reader.tag() ? reader.tag() : "";
        core.show(message);
        core.ui.notify_all();
        return LoadResult::processing_error;
    }

    // 4. Report.
    core.show(source == SettingsFile::program ? PROGRAM_FILE_DONE : USER_FILE_DONE);
    if (s.d2v_problem == 2) core.show(PROJECT_FILES_MISSING, true);
    if (s.d2v_problem == 1) core.show(PROJECT_VERSION_MISMATCH, true);
    if (s.d2v_problem != 0 && core.hooks.show_movie_info) core.hooks.show_movie_info(core);
    if (!s.input_exists) core.show(INPUT_MISSING, true);

    // 5. Apply.
    apply(core, reader.values());
    core.ui.notify_all();
    return LoadResult::processed;
}

}  // namespace qv

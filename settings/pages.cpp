#include "settings/pages.h"

#include <string>

namespace qv {

const char* const MATRIX_LIST_NAMES[12] = {"MPEG",     "QLB",     "NOTCH",     "TERN1",
                                           "QV",       "QVLOW",   "MORVA1CD",  "HVSGOOD",
                                           "HVSBETTER", "HVSBEST", "AVAMAT6",  "AVAMAT7"};

namespace {

TextBinding bind(std::string& field) {
    return {[&field] { return field; }, [&field](const std::string& t) { field = t; }};
}

CheckBinding bind(bool& field) {
    return {[&field] { return field; }, [&field](bool b) { field = b; }};
}

template <typename E>
CheckBinding bind_choice(E& field, E value) {
    return {[&field, value] { return field == value; },
            [&field, value](bool b) {
                if (b) field = value;
            }};
}

Control make(int id, ControlKind kind, std::string label, std::string group = {}) {
    Control c;
    c.id = id;
    c.kind = kind;
    c.label = std::move(label);
    c.group = std::move(group);
    if (kind == ControlKind::button || kind == ControlKind::label) c.text = c.label;
    return c;
}

Control button(int id, std::string label, std::string group = {}) {
    return make(id, ControlKind::button, std::move(label), std::move(group));
}

Control check(int id, std::string label, bool& field, std::string group = {}) {
    Control c = make(id, ControlKind::check_box, std::move(label), std::move(group));
    c.check_binding = bind(field);
    return c;
}

template <typename E>
Control radio(int id, std::string label, std::string group, E& field, E value) {
    Control c = make(id, ControlKind::radio, std::move(label), std::move(group));
    c.check_binding = bind_choice(field, value);
    return c;
}

Control edit(int id, std::string label, std::string& field, bool digits, std::string group = {}) {
    Control c = make(id, ControlKind::edit, std::move(label), std::move(group));
    c.text_binding = bind(field);
    c.digits_only = digits;
    return c;
}

Control display(int id, std::string label, std::string group) {
    Control c = make(id, ControlKind::label, std::move(label), std::move(group));
    c.text = "-";
    return c;
}

Control spin(int id, std::string label, int buddy, int position, int lo, int hi,
             std::string group) {
    Control c = make(id, ControlKind::spin, std::move(label), std::move(group));
    c.buddy = buddy;
    c.position = position;
    c.minimum = lo;
    c.maximum = hi;
    return c;
}

void add_statics(PageModel& page, int first_id, std::string group,
                 std::initializer_list<const char*> texts) {
    int id = first_id;
    for (const char* t : texts) {
        Control c = make(id++, ControlKind::static_text, t, group);
        c.text = t;
        page.add(std::move(c));
    }
}

void build_window(PageModel& p) {
    Control tabs = make(win::TABS, ControlKind::tab_control, "tabs");
    tabs.entries = {"Main", "Advanced", "Matrix", "Preview/Chapters"};
    tabs.selection = 0;
    p.add(std::move(tabs));
    Control caption = make(win::INFO_CAPTION, ControlKind::static_text, "info");
    caption.text = "info";
    p.add(std::move(caption));
    Control message = make(win::MESSAGE, ControlKind::label, "message line");
    message.text.clear();
    p.add(std::move(message));
    p.add(button(win::ENCODE, "encode"));
    p.add(button(win::EXIT, "exit"));
    p.add(button(win::ABOUT, "about QV"));
}

void build_main(PageModel& p, Settings& s) {
    p.add(button(mainp::INPUT, INPUT_CAPTION_UNSET, "files"));
    p.add(button(mainp::OUTPUT, OUTPUT_CAPTION_UNSET, "files"));
    p.add(button(mainp::LOG, LOG_CAPTION_UNSET, "files"));
    p.add(button(mainp::LOAD_INI, "load ini file", "ini file"));
    p.add(button(mainp::SAVE_INI, "save ini file", "ini file"));
    p.add(button(mainp::LOAD_QV_INI, "load QV.ini", "ini file"));
    p.add(button(mainp::SAVE_QV_INI, "save QV.ini", "ini file"));

    const std::string rate = "bitrate";
    p.add(radio(mainp::AVERAGE_BITRATE, "average bitrate", rate, s.bitrate_mode,
                BitrateMode::average_bitrate));
    p.add(radio(mainp::FILE_LENGTH, "file length", rate, s.bitrate_mode, BitrateMode::file_length));
    p.add(edit(mainp::FILE_LENGTH_KB, "file length in kbytes", s.file_length_kb, true, rate));
    p.add(edit(mainp::AVG_KBPS, "average (kb/s)", s.avg_bitrate, true, rate));
    p.add(edit(mainp::MAX_KBPS, "maximum (kb/s)", s.max_bitrate, true, rate));

    const std::string range = "frame range";
    p.add(edit(mainp::START_FRAME, "start frame", s.start_frame, true, range));
    p.add(edit(mainp::END_FRAME, "end frame", s.end_frame, true, range));
    p.add(button(mainp::ALL_FRAMES, "all frames", range));

    p.add(radio(mainp::FAST, "Fast", "profile", s.profile, Profile::fast));
    p.add(radio(mainp::NORMAL, "Normal", "profile", s.profile, Profile::normal));
    p.add(radio(mainp::BEST, "Best", "profile", s.profile, Profile::best));

    for (int dc = 8; dc <= 11; ++dc) {
        Control c = make(mainp::DC8 + dc - 8, ControlKind::radio, std::to_string(dc), "dc prec");
        c.check_binding = {[&s, dc] { return s.dc_precision == dc; },
                           [&s, dc](bool b) {
                               if (b) s.dc_precision = dc;
                           }};
        p.add(std::move(c));
    }

    const char* ratios[4] = {"1:1", "4:3", "16:9", "2.21:1"};
    for (int i = 0; i < 4; ++i)
        p.add(radio(mainp::AR_1_1 + i, ratios[i], "aspect ratio", s.aspect_ratio,
                    static_cast<AspectRatio>(i + 1)));

    const std::string misc = "miscellaneous";
    p.add(check(mainp::INTERLACED, "interlaced", s.interlaced, misc));
    p.add(check(mainp::PULLDOWN, "3:2 pulldown", s.pulldown, misc));
    p.add(check(mainp::SCENE_CHANGE, "scene change", s.scene_change, misc));
    p.add(check(mainp::AUTOGOP, "autogop", s.auto_gop, misc));
    p.add(check(mainp::CLOSED_GOPS, "closed gops", s.closed_gops, misc));
    p.add(check(mainp::PREVIEW, "preview", s.preview, misc));
    p.add(check(mainp::SHUTDOWN, "shutdown", s.shutdown, misc));

    p.add(button(mainp::RESET, "reset GUI to default"));
    p.add(button(mainp::MAKE_DVD, "make DVD compliant"));
    p.add(button(mainp::QVENC_INFO, "QVenc info", "info"));
    p.add(button(mainp::AVISYNTH_INFO, "Avisynth info", "info"));
    p.add(button(mainp::DGDECODE_INFO, "DGDecode info", "info"));

    const std::string movie = "movie info";
    p.add(display(mainp::MOVIE_SIZE, "width x height", movie));
    p.add(display(mainp::MOVIE_RATE, "frame rate", movie));
    p.add(display(mainp::MOVIE_FRAMES, "frames", "movie length"));
    p.add(display(mainp::MOVIE_SEC, "sec", "movie length"));
    p.add(display(mainp::MOVIE_HMS, "hms", "movie length"));
    p.add(display(mainp::ENCODE_FRAMES, "frames", "encoding length"));
    p.add(display(mainp::ENCODE_SEC, "sec", "encoding length"));
    p.add(display(mainp::ENCODE_HMS, "hms", "encoding length"));
}

void build_advanced(PageModel& p, Settings& s) {
    p.add(radio(adv::TFF, "TFF", "field order", s.field_order, FieldOrder::top_first));
    p.add(radio(adv::BFF, "BFF", "field order", s.field_order, FieldOrder::bottom_first));
    p.add(radio(adv::ZIGZAG, "zigzag", "scan method", s.scan_method, ScanMethod::zigzag));
    p.add(radio(adv::ALTERNATE, "alternate", "scan method", s.scan_method, ScanMethod::alternate));

    const std::string tc = "time code";
    p.add(edit(adv::HOUR, "hour", s.timecode_hours, true, tc));
    p.add(edit(adv::MIN, "min", s.timecode_minutes, false, tc));
    p.add(edit(adv::SEC, "sec", s.timecode_seconds, true, tc));
    p.add(edit(adv::FRAME, "frame", s.timecode_frames, true, tc));
    p.add(edit(adv::VBR_BIAS, "VBR bias", s.vbr_bias, true, "VBR"));
    p.add(edit(adv::WAIT, "wait (sec)", s.wait_seconds, true, "wait"));

    const std::string sw = "switches";
    p.add(check(adv::VBV_CHECK, "VBV check", s.vbv_check, sw));
    p.add(check(adv::LAST_IFRAME, "last I-frame", s.last_iframe, sw));
    p.add(check(adv::SEQ_ENDCODE, "seq endcode", s.seq_endcode, sw));

    const std::string gop = "GOP";
    add_statics(p, 9101, gop,
                {"if autogop is turned off you", "can set a fixed GOP length",
                 "and nr. of B-frames.", "max GOP length:", "PAL = 15, NTSC = 18"});
    p.add(edit(adv::GOP, "GOP length", s.gop_length, true, gop));
    p.add(spin(adv::GOP_SPIN, "GOP length spin", adv::GOP, 15, 1, 36, gop));
    p.add(edit(adv::B_FRAMES, "B frames", s.b_frames, true, gop));
    p.add(spin(adv::B_FRAMES_SPIN, "B frames spin", adv::B_FRAMES, 2, 0, 2, gop));

    p.add(radio(adv::CPU_AUTO, "auto", "CPU", s.cpu, Cpu::automatic));
    p.add(radio(adv::CPU_MMX, "MMX", "CPU", s.cpu, Cpu::mmx));
    p.add(radio(adv::CPU_SSE2, "SSE2", "CPU", s.cpu, Cpu::sse2));
    p.add(radio(adv::CPU_SSE3, "SSE3", "CPU", s.cpu, Cpu::sse3));

    const std::string cq = "constant Quantization";
    p.add(check(adv::CONSTANT_QUANT, "constant Quantization", s.constant_quant, cq));
    p.add(edit(adv::QUANT_VALUE, "Quant value", s.cq_value, false, cq));
    p.add(check(adv::CHECK_VBV_MAX, "check VBV/max bitrate", s.cq_max_bitrate, cq));
    Control pf = edit(adv::P_FACTOR, "P-factor for Quant", s.cq_p_factor, false, cq);
    pf.read_only = true;
    p.add(std::move(pf));
    p.add(spin(adv::P_FACTOR_SPIN, "P-factor spin", adv::P_FACTOR, CQ_FACTOR_DEFAULT_POSITION, 1,
               CQ_FACTOR_POSITIONS, cq));
    Control bf = edit(adv::B_FACTOR, "B-factor for Quant", s.cq_b_factor, false, cq);
    bf.read_only = true;
    p.add(std::move(bf));
    p.add(spin(adv::B_FACTOR_SPIN, "B-factor spin", adv::B_FACTOR, CQ_FACTOR_DEFAULT_POSITION, 1,
               CQ_FACTOR_POSITIONS, cq));
    add_statics(p, 9110, cq, {"(non-linear)"});

    Control list = make(adv::QV_INI_LIST, ControlKind::list_box, "current QV.ini", "current QV.ini");
    list.fixed_pitch = true;
    p.add(std::move(list));
}

void build_matrix(PageModel& p, Settings& s) {
    p.add(radio(mtx::BUILTIN, "built in matrix", "matrix mode", s.matrix_mode, MatrixMode::builtin));
    p.add(radio(mtx::CUSTOM, "custom matrix", "matrix mode", s.matrix_mode, MatrixMode::custom));
    Control combo = make(mtx::COMBO, ControlKind::combo_box, "built in matrix", "built in matrix");
    combo.entries.assign(std::begin(MATRIX_LIST_NAMES), std::end(MATRIX_LIST_NAMES));
    combo.text = "MPEG";
    combo.selection = 0;
    p.add(std::move(combo));
    for (int i = 0; i < MATRIX_CELLS; ++i) {
        int row = i / 8 + 1, col = i % 8 + 1;
        for (int pass = 0; pass < 2; ++pass) {
            bool intra = pass == 0;
            Control c = make(intra ? mtx::intra_cell(i) : mtx::non_intra_cell(i), ControlKind::edit,
                             (intra ? "intra row " : "non-intra row ") + std::to_string(row) +
                                 " column " + std::to_string(col),
                             intra ? "intra" : "non-intra");
            c.digits_only = true;
            c.centred = true;
            c.enabled = false;
            p.add(std::move(c));
        }
    }
    p.add(button(mtx::LOAD, "load custom matrix", "load/save"));
    p.add(button(mtx::SAVE_CQM, "save custom matrix (cqm)", "load/save"));
    p.add(button(mtx::SAVE_MTX, "save custom matrix (mtx)", "load/save"));
    p.add(check(mtx::ADAPTIVE, "adaptive matrix", s.adaptive_matrix, "adaptive matrix (advanced)"));
    add_statics(p, 9201, "info",
                {"use one of the built in matrices", "or use your own custom matrix.",
                 "matrices shown below", "will be used for encoding.",
                 "load/save your own matrices", "supported formats:", "- simple text file (mtx)",
                 "- binary format (cqm)"});
    add_statics(p, 9211, "adaptive matrix (advanced)",
                {"write your own code to adapt matrices,", "see the manual for more information how",
                 "to create the DLL."});
    add_statics(p, 9221, "current matrix", {"current matrix"});
}

void build_preview(PageModel& p) {
    Control box = make(prv::PREVIEW_BOX, ControlKind::picture, "preview", "preview");
    p.add(std::move(box));
    const std::string ch = "chapters";
    p.add(button(prv::IMPORT, "import chapter list from file", ch));
    p.add(button(prv::EXPORT, "export chapter list to file", ch));
    p.add(button(prv::ADD, "add", ch));
    p.add(button(prv::REMOVE, "remove", ch));
    p.add(button(prv::CLEAR, "clear list", ch));
    p.add(button(prv::SCAN, SCAN_CAPTION, ch));
    p.add(button(prv::SET_START, "set current as start frame"));
    p.add(button(prv::SET_END, "set current as end frame"));
    Control current = make(prv::CURRENT_FRAME, ControlKind::edit, "current frame");
    current.digits_only = true;
    p.add(std::move(current));
    p.add(make(prv::CHAPTER_LIST, ControlKind::list_box, "chapter list", ch));
    p.add(button(prv::BACK_1, "<"));
    p.add(button(prv::BACK_10, "<<"));
    p.add(button(prv::BACK_100, "<<<"));
    p.add(button(prv::FWD_1, ">"));
    p.add(button(prv::FWD_10, ">>"));
    p.add(button(prv::FWD_100, ">>>"));
    Control slider = make(prv::SLIDER, ControlKind::slider, "frame slider");
    slider.minimum = 0;
    slider.maximum = prv::SLIDER_MAX;
    p.add(std::move(slider));
    for (int id : prv::SOURCE_CONTROLS) p.set_enabled(id, false);
}

}  // namespace

Ui::Ui(Settings& settings) {
    build_window(window);
    build_main(main, settings);
    build_advanced(advanced, settings);
    build_matrix(matrix, settings);
    build_preview(preview);
}

PageModel& Ui::page(PageId id) {
    switch (id) {
        case PageId::window: return window;
        case PageId::main: return main;
        case PageId::advanced: return advanced;
        case PageId::matrix: return matrix;
        case PageId::preview: return preview;
    }
    return window;
}

void Ui::notify_all() {
    window.notify_all();
    main.notify_all();
    advanced.notify_all();
    matrix.notify_all();
    preview.notify_all();
}

}  // namespace qv

// The controls of the main window and its four pages, by id, and the Ui record that holds their
// models. Ids are those of the window's dialogs; they are unique within a page, not across pages.
#pragma once

#include "settings/settings.h"
#include "settings/ui_model.h"

namespace qv {

namespace win {
inline constexpr int TABS = 1006;
inline constexpr int INFO_CAPTION = 1075;
inline constexpr int MESSAGE = 1076;
inline constexpr int ENCODE = 1012;
inline constexpr int EXIT = 1013;
inline constexpr int ABOUT = 1011;
}  // namespace win

namespace mainp {
inline constexpr int INPUT = 1008;
inline constexpr int OUTPUT = 1029;
inline constexpr int LOG = 1030;
inline constexpr int LOAD_INI = 1009;
inline constexpr int SAVE_INI = 1010;
inline constexpr int LOAD_QV_INI = 1012;
inline constexpr int SAVE_QV_INI = 1013;
inline constexpr int AVERAGE_BITRATE = 1085;
inline constexpr int FILE_LENGTH = 1033;
inline constexpr int FILE_LENGTH_KB = 1086;
inline constexpr int AVG_KBPS = 1087;
inline constexpr int MAX_KBPS = 1018;
inline constexpr int START_FRAME = 1088;
inline constexpr int END_FRAME = 1089;
inline constexpr int ALL_FRAMES = 1111;
inline constexpr int FAST = 1078;
inline constexpr int NORMAL = 1079;
inline constexpr int BEST = 1080;
inline constexpr int DC8 = 1046;  // DC8..DC11 are consecutive
inline constexpr int DC9 = 1047;
inline constexpr int DC10 = 1048;
inline constexpr int DC11 = 1049;
inline constexpr int AR_1_1 = 1081;  // AR_1_1..AR_2_21 are consecutive, in the numeric order
inline constexpr int AR_4_3 = 1082;
inline constexpr int AR_16_9 = 1083;
inline constexpr int AR_2_21 = 1084;
inline constexpr int INTERLACED = 1041;
inline constexpr int PULLDOWN = 1044;
inline constexpr int SCENE_CHANGE = 1040;
inline constexpr int AUTOGOP = 1077;
inline constexpr int CLOSED_GOPS = 1090;
inline constexpr int PREVIEW = 1021;
inline constexpr int SHUTDOWN = 1039;
inline constexpr int RESET = 1011;
inline constexpr int MAKE_DVD = 1091;
inline constexpr int QVENC_INFO = 1092;
inline constexpr int AVISYNTH_INFO = 1093;
inline constexpr int DGDECODE_INFO = 1094;
inline constexpr int MOVIE_SIZE = 1099;
inline constexpr int MOVIE_RATE = 1101;
inline constexpr int MOVIE_FRAMES = 1098;
inline constexpr int MOVIE_SEC = 1102;
inline constexpr int MOVIE_HMS = 1103;
inline constexpr int ENCODE_FRAMES = 1106;
inline constexpr int ENCODE_SEC = 1104;
inline constexpr int ENCODE_HMS = 1105;
}  // namespace mainp

namespace adv {
inline constexpr int TFF = 1092;
inline constexpr int BFF = 1093;
inline constexpr int ZIGZAG = 1019;
inline constexpr int ALTERNATE = 1020;
inline constexpr int HOUR = 1031;
inline constexpr int MIN = 1032;
inline constexpr int SEC = 1033;
inline constexpr int FRAME = 1034;
inline constexpr int VBR_BIAS = 1035;
inline constexpr int WAIT = 1017;
inline constexpr int VBV_CHECK = 1021;
inline constexpr int LAST_IFRAME = 1018;
inline constexpr int SEQ_ENDCODE = 1022;
inline constexpr int GOP = 1045;
inline constexpr int GOP_SPIN = 1023;
inline constexpr int B_FRAMES = 1544;
inline constexpr int B_FRAMES_SPIN = 1024;
inline constexpr int CPU_AUTO = 1050;  // CPU_AUTO..CPU_SSE3 are consecutive
inline constexpr int CPU_MMX = 1051;
inline constexpr int CPU_SSE2 = 1052;
inline constexpr int CPU_SSE3 = 1053;
inline constexpr int CONSTANT_QUANT = 1055;
inline constexpr int QUANT_VALUE = 1056;
inline constexpr int CHECK_VBV_MAX = 1057;
inline constexpr int P_FACTOR = 1038;
inline constexpr int P_FACTOR_SPIN = 1109;
inline constexpr int B_FACTOR = 1037;
inline constexpr int B_FACTOR_SPIN = 1110;
inline constexpr int QV_INI_LIST = 1107;
}  // namespace adv

namespace mtx {
inline constexpr int BUILTIN = 1010;
inline constexpr int CUSTOM = 1011;
inline constexpr int COMBO = 1054;
inline constexpr int LOAD = 1102;
inline constexpr int SAVE_CQM = 1103;
inline constexpr int SAVE_MTX = 1104;
inline constexpr int ADAPTIVE = 1025;
// Cells: intra 1201..1264 and non-intra 1301..1364, row by row.
inline constexpr int INTRA_FIRST = 1201;
inline constexpr int NON_INTRA_FIRST = 1301;
inline constexpr int intra_cell(int index) { return INTRA_FIRST + index; }         // index 0..63
inline constexpr int non_intra_cell(int index) { return NON_INTRA_FIRST + index; }  // index 0..63
}  // namespace mtx

namespace prv {
inline constexpr int IMPORT = 2008;
inline constexpr int EXPORT = 2009;
inline constexpr int ADD = 2010;
inline constexpr int REMOVE = 2011;
inline constexpr int CLEAR = 2012;
inline constexpr int SCAN = 2013;
inline constexpr int SET_START = 2014;
inline constexpr int SET_END = 2015;
inline constexpr int CURRENT_FRAME = 2016;
inline constexpr int CHAPTER_LIST = 2017;
inline constexpr int BACK_1 = 2018;    // "<"
inline constexpr int BACK_10 = 2019;   // "<<"
inline constexpr int BACK_100 = 2020;  // "<<<"
inline constexpr int FWD_1 = 2021;     // ">"
inline constexpr int FWD_10 = 2022;    // ">>"
inline constexpr int FWD_100 = 2023;   // ">>>"
inline constexpr int SLIDER = 2024;
inline constexpr int PREVIEW_BOX = 2025;
// The seventeen controls that need an open source.
inline constexpr int SOURCE_CONTROLS[17] = {BACK_1,   BACK_10, BACK_100, FWD_1,     FWD_10,
                                            FWD_100,  SET_START, SET_END, ADD,      REMOVE,
                                            SCAN,     CURRENT_FRAME, CLEAR, IMPORT, EXPORT,
                                            SLIDER,   CHAPTER_LIST};
inline constexpr int SLIDER_MAX = 1000;
inline constexpr int SMALL_STEP = 10;
inline constexpr int LARGE_STEP = 100;
}  // namespace prv

// Button captions that the program changes.
inline constexpr const char* INPUT_CAPTION_UNSET = "input file name (*.d2v, *.avs)";
inline constexpr const char* OUTPUT_CAPTION_UNSET = "output file name (not set)";
inline constexpr const char* LOG_CAPTION_UNSET = "log file name (not set)";
inline constexpr const char* SCAN_CAPTION = "create SCD chapter list";
inline constexpr const char* SCAN_STOP_CAPTION = "stop scanning";
inline constexpr const char* WINDOW_CAPTION = "  QVgui 0.19.0.1";

// The shown names of the built-in matrices in the order of the matrix list.
extern const char* const MATRIX_LIST_NAMES[12];

struct Ui {
    explicit Ui(Settings& settings);

    PageModel window{PageId::window, WINDOW_CAPTION};
    PageModel main{PageId::main, "Main"};
    PageModel advanced{PageId::advanced, "Advanced"};
    PageModel matrix{PageId::matrix, "Matrix"};
    PageModel preview{PageId::preview, "Preview/Chapters"};

    PageModel& page(PageId id);
    // Tells every observer of every page that anything may have changed.
    void notify_all();
};

}  // namespace qv

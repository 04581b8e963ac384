#include <algorithm>

#include "app/advanced_page.h"
#include "page_fixture.h"

namespace qv {
namespace {

class AdvancedPage : public PageTest {
protected:
    bool list_has(const std::string& keyword, const std::string& value) const {
        for (const std::string& e : core.ui.advanced.entries(adv::QV_INI_LIST)) {
            if (e.rfind(keyword, 0) != 0) continue;
            std::string rest = e.substr(keyword.size());
            rest.erase(0, rest.find_first_not_of(' '));
            if (rest == value) return true;
        }
        return false;
    }
};

enum class Act { select, on, off };

struct MessageCase {
    int id;
    Act act;
    const char* expected;
};

const MessageCase ADVANCED_MESSAGES[] = {
    {adv::TFF, Act::select, " Top Field First flagged, only applicable for interlaced encoding"},
    {adv::BFF, Act::select, " Bottom Field First flagged, only applicable for interlaced encoding"},
    {adv::ALTERNATE, Act::select, " scanning set to alternate, recommended for interlaced video"},
    {adv::ZIGZAG, Act::select, " scanning set to zigzag, recommended for progressive video"},
    {adv::LAST_IFRAME, Act::on, " last I-frame turned on, last frame will be encoded as an I-frame"},
    {adv::LAST_IFRAME, Act::off, " last I-frame turned off"},
    {adv::VBV_CHECK, Act::off, " VBV checking turned off"},
    {adv::VBV_CHECK, Act::on, " VBV checking turned on"},
    {adv::SEQ_ENDCODE, Act::off,
     " sequence end code turned off, no end of sequence header will be written"},
    {adv::SEQ_ENDCODE, Act::on,
     " sequence end code turned on, an end of sequence header will be written"},
    {adv::CPU_MMX, Act::select, " CPU is forced to use MMX/ISSE extensions"},
    {adv::CPU_SSE2, Act::select, " CPU is forced to use SSE2 extensions"},
    {adv::CPU_SSE3, Act::select, " CPU is forced to use SSE3 extensions"},
    {adv::CPU_AUTO, Act::select, " auto detection of CPU extensions"},
    {adv::CONSTANT_QUANT, Act::on,
     " 1 pass constant quantization turned on, you might consider turning on -check VBV/max "
     "bitrate- also"},
    {adv::CHECK_VBV_MAX, Act::on,
     " check VBV/max bitrate turned on, maximum bitrate set will not be exceeded"},
    {adv::CHECK_VBV_MAX, Act::off, " check VBV/max bitrate turned off"},
    {adv::CONSTANT_QUANT, Act::off, " constant quantization turned off"},
};

TEST_F(AdvancedPage, EverySwitchShowsItsMessageAndTheListFollows) {
    open_source(1000, 25, 1);
    for (const MessageCase& c : ADVANCED_MESSAGES) {
        SCOPED_TRACE(core.ui.advanced.label(c.id));
        core.show(" previous message");
        core.ui.advanced.clear_entries(adv::QV_INI_LIST);
        if (c.act == Act::off)
            check(PageId::advanced, c.id, false);
        else
            check(PageId::advanced, c.id, true);
        EXPECT_EQ(line(), c.expected);
        EXPECT_FALSE(core.ui.advanced.entries(adv::QV_INI_LIST).empty());
    }
}

TEST_F(AdvancedPage, ListShowsWhatTheControlsNowHold) {
    check(PageId::advanced, adv::LAST_IFRAME, true);
    EXPECT_TRUE(list_has("*LASTIFRAME", ""));
    select(PageId::advanced, adv::CPU_SSE2);
    EXPECT_TRUE(list_has("*CPU", "sse2"));
    type(PageId::advanced, adv::WAIT, "12");
    EXPECT_TRUE(list_has("*WAIT", "12"));
    // Selecting a line only renders the list again.
    core.ui.advanced.clear_entries(adv::QV_INI_LIST);
    core.show(" kept");
    core.ui.advanced.set_selection(adv::QV_INI_LIST, 0);
    handle_event(core, PageId::advanced, adv::QV_INI_LIST, UiEvent::selection_changed);
    EXPECT_TRUE(list_has("*WAIT", "12"));
    EXPECT_EQ(line(), " kept");
}

TEST_F(AdvancedPage, TimeCodeEntriesAreLimited) {
    struct Case {
        int id;
        const char* typed;
        const char* result;
        const char* message;  // "" : the line is blanked
    } cases[] = {
        {adv::HOUR, "25", "23", " hour timecode corrected, set to the maximum: 23"},
        {adv::HOUR, "2", "2", ""},
        {adv::HOUR, "23", "23", ""},
        {adv::HOUR, "", "23", ""},  // an emptied entry gets its last value back
        {adv::MIN, "75", "59", " minute timecode corrected, set to the maximum: 59"},
        {adv::MIN, "abc", "59", ""},
        {adv::MIN, "4", "4", ""},
        {adv::SEC, "60", "59", " second timecode corrected, set to the maximum: 59"},
        {adv::SEC, " 7 ", "7", ""},
        {adv::FRAME, "99", "59", " frame timecode corrected, set to the maximum: 59"},
        {adv::FRAME, "0", "0", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(core.ui.advanced.label(c.id)) + " <- '" + c.typed + "'");
        core.show(" previous message");
        type(PageId::advanced, c.id, c.typed);
        EXPECT_EQ(adv_text(c.id), c.result);
        EXPECT_EQ(line(), c.message);
        // The view may deliver the change again; nothing moves.
        handle_event(core, PageId::advanced, c.id, UiEvent::text_changed);
        EXPECT_EQ(adv_text(c.id), c.result);
    }
    EXPECT_TRUE(list_has("*TIMECODE", "23  4  7  0"));
}

TEST_F(AdvancedPage, EmptiedEntryFallsBackToWhatItHeldWhenEntered) {
    // A load put "7" into the hour entry without passing through the page.
    core.settings.timecode_hours = "7";
    focus_in(PageId::advanced, adv::HOUR);
    type(PageId::advanced, adv::HOUR, "");
    EXPECT_EQ(adv_text(adv::HOUR), "7");
    core.settings.vbr_bias = "40";
    focus_in(PageId::advanced, adv::VBR_BIAS);
    type(PageId::advanced, adv::VBR_BIAS, "");
    EXPECT_EQ(adv_text(adv::VBR_BIAS), "40");
}

TEST_F(AdvancedPage, BiasAndWaitAreLimitedSilently) {
    struct Case {
        int id;
        const char* typed;
        const char* result;
    } cases[] = {
        {adv::VBR_BIAS, "250", "100"}, {adv::VBR_BIAS, "", "100"}, {adv::VBR_BIAS, "30", "30"},
        {adv::WAIT, "120", "99"},      {adv::WAIT, "", "99"},      {adv::WAIT, "8", "8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(core.ui.advanced.label(c.id)) + " <- '" + c.typed + "'");
        core.show(" previous message");
        type(PageId::advanced, c.id, c.typed);
        EXPECT_EQ(adv_text(c.id), c.result);
        EXPECT_EQ(line(), "");
    }
}

TEST_F(AdvancedPage, GopEntryAndSpinCheckTheNorms) {
    check(PageId::main, mainp::AUTOGOP, false);
    struct Case {
        const char* typed;
        const char* result;
        const char* message;
    } cases[] = {
        {"", "15", ""},
        {"40", "36", " WARNING, GOP length not valid for PAL and NTSC"},
        {"18", "18", " WARNING, GOP length not valid for PAL"},
        {"16", "16", " WARNING, GOP length not valid for PAL"},
        {"19", "19", " WARNING, GOP length not valid for PAL and NTSC"},
        {"0", "1", ""},
        {"15", "15", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("GOP <- '") + c.typed + "'");
        core.show(" previous message");
        type(PageId::advanced, adv::GOP, c.typed);
        EXPECT_EQ(adv_text(adv::GOP), c.result);
        EXPECT_EQ(std::to_string(core.ui.advanced.position(adv::GOP_SPIN)), c.result);
        EXPECT_EQ(line(), c.message);
    }

    struct SpinCase {
        int position;
        const char* message;
    } spins[] = {
        {17, " WARNING !!, GOP length not valid for PAL"},
        {18, " WARNING !!, GOP length not valid for PAL"},
        {19, " WARNING !!, GOP length not valid for PAL and NTSC"},
        {36, " WARNING !!, GOP length not valid for PAL and NTSC"},
        {12, ""},
    };
    for (const SpinCase& c : spins) {
        SCOPED_TRACE(c.position);
        core.show(" previous message");
        spin(PageId::advanced, adv::GOP_SPIN, c.position);
        EXPECT_EQ(adv_text(adv::GOP), std::to_string(c.position));
        EXPECT_EQ(line(), c.message);
    }
    EXPECT_TRUE(list_has("*GOP", "12 2"));
}

TEST_F(AdvancedPage, BFramesStayWithinTwo) {
    const struct {
        const char* typed;
        const char* result;
    } cases[] = {{"7", "2"}, {"0", "0"}, {"", "2"}, {"1", "1"}};
    for (const auto& c : cases) {
        core.show(" previous message");
        type(PageId::advanced, adv::B_FRAMES, c.typed);
        EXPECT_EQ(adv_text(adv::B_FRAMES), c.result);
        EXPECT_EQ(std::to_string(core.ui.advanced.position(adv::B_FRAMES_SPIN)), c.result);
        EXPECT_EQ(line(), "");
    }
    core.show(" previous message");
    spin(PageId::advanced, adv::B_FRAMES_SPIN, 0);
    EXPECT_EQ(adv_text(adv::B_FRAMES), "0");
    EXPECT_EQ(line(), "");
}

TEST_F(AdvancedPage, ConstantQuantizationSwitchesBothPages) {
    open_source(1000, 25, 1);
    PageModel& a = core.ui.advanced;
    PageModel& m = core.ui.main;
    const int cq_controls[] = {adv::QUANT_VALUE, adv::CHECK_VBV_MAX, adv::P_FACTOR,
                               adv::B_FACTOR,    adv::P_FACTOR_SPIN, adv::B_FACTOR_SPIN};
    const int bitrate_controls[] = {mainp::AVERAGE_BITRATE, mainp::FILE_LENGTH,
                                    mainp::FILE_LENGTH_KB, mainp::AVG_KBPS, mainp::MAX_KBPS};

    select(PageId::main, mainp::FILE_LENGTH);
    check(PageId::advanced, adv::CONSTANT_QUANT, true);
    for (int id : cq_controls) EXPECT_TRUE(a.enabled(id)) << id;
    EXPECT_FALSE(a.enabled(adv::VBR_BIAS));
    for (int id : bitrate_controls) EXPECT_FALSE(m.enabled(id)) << id;
    EXPECT_FALSE(core.settings.max_bitrate_enabled);
    EXPECT_TRUE(list_has("*CQ", "5.000"));

    check(PageId::advanced, adv::CHECK_VBV_MAX, true);
    EXPECT_TRUE(m.enabled(mainp::MAX_KBPS));
    EXPECT_TRUE(core.settings.max_bitrate_enabled);
    EXPECT_TRUE(list_has("*CQ_MAXBITRATE", "5.000"));
    check(PageId::advanced, adv::CHECK_VBV_MAX, false);
    EXPECT_FALSE(m.enabled(mainp::MAX_KBPS));
    check(PageId::advanced, adv::CHECK_VBV_MAX, true);

    check(PageId::advanced, adv::CONSTANT_QUANT, false);
    EXPECT_FALSE(a.checked(adv::CHECK_VBV_MAX));
    for (int id : cq_controls) EXPECT_FALSE(a.enabled(id)) << id;
    EXPECT_TRUE(a.enabled(adv::VBR_BIAS));
    EXPECT_TRUE(m.checked(mainp::AVERAGE_BITRATE));
    EXPECT_EQ(core.settings.bitrate_mode, BitrateMode::average_bitrate);
    EXPECT_TRUE(m.enabled(mainp::AVERAGE_BITRATE));
    EXPECT_TRUE(m.enabled(mainp::FILE_LENGTH));
    EXPECT_FALSE(m.enabled(mainp::FILE_LENGTH_KB));
    EXPECT_TRUE(m.enabled(mainp::AVG_KBPS));
    EXPECT_TRUE(m.enabled(mainp::MAX_KBPS));
    EXPECT_TRUE(core.settings.max_bitrate_enabled);
}

TEST_F(AdvancedPage, QuantValueIsCorrectedOnLeaving) {
    check(PageId::advanced, adv::CONSTANT_QUANT, true);
    struct Case {
        const char* typed;
        const char* result;
    } cases[] = {{"abc", "5.000"}, {"", "5.000"},   {"0.5", "1.000"},
                 {"40", "31.000"}, {"7.25", "7.250"}, {"1e1", "10.000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("quant <- '") + c.typed + "'");
        core.show(" previous message");
        focus_in(PageId::advanced, adv::QUANT_VALUE);
        EXPECT_EQ(line(), "");
        core.ui.advanced.set_text(adv::QUANT_VALUE, c.typed);
        focus_out(PageId::advanced, adv::QUANT_VALUE);
        EXPECT_EQ(adv_text(adv::QUANT_VALUE), c.result);
        EXPECT_TRUE(list_has("*CQ", c.result));
        core.ui.advanced.set_text(adv::QUANT_VALUE, "5.000");
    }
    // Letters typed after a value of 7.250 bring 7.250 back.
    core.ui.advanced.set_text(adv::QUANT_VALUE, "7.250");
    focus_in(PageId::advanced, adv::QUANT_VALUE);
    core.ui.advanced.set_text(adv::QUANT_VALUE, "x");
    focus_out(PageId::advanced, adv::QUANT_VALUE);
    EXPECT_EQ(adv_text(adv::QUANT_VALUE), "7.250");
}

TEST_F(AdvancedPage, FactorSpinsShowFactorAndQuantizer) {
    check(PageId::advanced, adv::CONSTANT_QUANT, true);
    struct Case {
        int spin;
        int position;
        const char* quant;
        const char* factor;
        const char* message;
    } cases[] = {
        {adv::P_FACTOR_SPIN, 17, "5", "1.50", " Constant Quantization for P-frames set to 7.500"},
        {adv::P_FACTOR_SPIN, 32, "10", "4.00", " Constant Quantization for P-frames set to 31.000"},
        {adv::P_FACTOR_SPIN, 9, "5.000", "1.00", " Constant Quantization for P-frames set to 5.000"},
        {adv::P_FACTOR_SPIN, 1, "1.5", "0.50", " Constant Quantization for P-frames set to 1.000"},
        {adv::B_FACTOR_SPIN, 4, "5", "0.75", " Constant Quantization for B-frames set to 3.750"},
        {adv::B_FACTOR_SPIN, 10, "20", "1.05", " Constant Quantization for B-frames set to 21.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const int edit = c.spin == adv::P_FACTOR_SPIN ? adv::P_FACTOR : adv::B_FACTOR;
        core.ui.advanced.set_text(adv::QUANT_VALUE, c.quant);
        const int clears = shell.focus_clears;
        spin(PageId::advanced, c.spin, c.position);
        EXPECT_EQ(shell.focus_clears, clears + 1);
        EXPECT_EQ(adv_text(edit), c.factor);
        EXPECT_EQ(adv_text(adv::QUANT_VALUE), c.quant);  // the quantizer itself stays
        EXPECT_EQ(line(), c.message);
    }
    EXPECT_TRUE(list_has("*CQ_BFACTOR", "1.05"));
    EXPECT_TRUE(list_has("*CQ_PFACTOR", "0.50"));

    // An unreadable quantizer: the warning, and the list stops at the quantizer line.
    core.ui.advanced.set_text(adv::QUANT_VALUE, "x");
    shown.clear();
    spin(PageId::advanced, adv::P_FACTOR_SPIN, 17);
    EXPECT_EQ(adv_text(adv::P_FACTOR), "1.50");
    EXPECT_TRUE(was_shown(" WARNING, invalid CQ value, not a number"));
    EXPECT_EQ(line(), " show QV.ini aborted, invalid CQ value, not a number");
}

TEST_F(AdvancedPage, FactorSpinsDoNothingWithoutConstantQuantization) {
    core.show(" previous message");
    spin(PageId::advanced, adv::P_FACTOR_SPIN, 17);
    EXPECT_EQ(adv_text(adv::P_FACTOR), "1.00");
    EXPECT_EQ(shell.focus_clears, 0);
    EXPECT_EQ(line(), " previous message");
    EXPECT_FALSE(core.ui.advanced.entries(adv::QV_INI_LIST).empty());
}

// The spin takes the focus from "Quant value" first; the window delivers that entry's focus loss
// before the spin reads the quantizer.
TEST_F(AdvancedPage, FactorSpinFinishesAPendingQuantEdit) {
    struct FocusShell : ScriptedShell {
        Core* core = nullptr;
        void clear_focus() override {
            ScriptedShell::clear_focus();
            handle_event(*core, PageId::advanced, adv::QUANT_VALUE, UiEvent::focus_lost);
        }
    } focus_shell;
    focus_shell.core = &core;
    core.shell = &focus_shell;
    check(PageId::advanced, adv::CONSTANT_QUANT, true);
    focus_in(PageId::advanced, adv::QUANT_VALUE);
    core.ui.advanced.set_text(adv::QUANT_VALUE, "40");
    spin(PageId::advanced, adv::P_FACTOR_SPIN, 17);
    EXPECT_EQ(adv_text(adv::QUANT_VALUE), "31.000");
    EXPECT_EQ(line(), " Constant Quantization for P-frames set to 31.000");
    core.shell = &shell;
}

}  // namespace
}  // namespace qv

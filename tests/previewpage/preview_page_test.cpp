// The Preview/Chapters page through handle_event, on a script of the bundled frame server: the
// view sets a control's value, then the router calls the page's handler.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/dispatch.h"
#include "app/wiring.h"
#include "preview/chapter_list.h"
#include "preview/preview_page.h"
#include "preview/scene_scan.h"
#include "settings/core.h"
#include "sources/script_source.h"
#include "tests/platform/test_dir.h"

namespace qv {
namespace {

// 1001 frames of 64 x 48: grey, except frame 500 (white) and frame 1000 (black).
const char* const MARKED_CLIP =
    "grey = BlankClip(length=500, width=64, height=48, pixel_type=\"YV12\", fps=25, color=$808080)\n"
    "white = BlankClip(grey, length=1, color=$FFFFFF)\n"
    "black = BlankClip(grey, length=1, color=$000000)\n"
    "grey ++ white ++ grey.Trim(0, 498) ++ black\n";
constexpr int32_t FRAMES = 1001;

enum class Shade { black, grey, white };

std::vector<std::string> entries_of(std::initializer_list<int32_t> frames) {
    std::vector<std::string> entries;
    for (int32_t f : frames) entries.push_back(chapter_entry_text(f));
    return entries;
}

class PreviewPage : public ::testing::Test {
protected:
    void SetUp() override {
        set_script_library_system_search(false);
        wire_hooks(core);
        core.shell = &shell;
        core.env.program_dir = std::string(QV_PROGRAM_DIR) + "/";
        core.vector_level = 2;
        core.ui.preview.add_observer([this](PageId, int id) {
            if (id == prv::PREVIEW_BOX) ++renders;
        });
    }
    void TearDown() override { set_script_library_system_search(true); }

    // Opens a script as the input command does and shows the page.
    void open(const std::string& text) {
        const std::string path = dir / "clip.avs";
        std::ofstream(path) << text;
        open_file(path);
    }
    void open_file(const std::string& path) {
        core.settings.input_path = path;
        core.source.is_script = true;
        open_script_source(core);
        ASSERT_TRUE(core.settings.input_opened) << core.message.message_text();
        show_page();
    }
    void show_page() {
        core.ui.window.set_selection(win::TABS, 3);
        handle_event(core, PageId::window, win::TABS, UiEvent::selection_changed);
    }

    void click(int id) { handle_event(core, PageId::preview, id, UiEvent::clicked); }
    void type_frame(const std::string& text) {
        page().set_text(prv::CURRENT_FRAME, text);
        handle_event(core, PageId::preview, prv::CURRENT_FRAME, UiEvent::text_changed);
    }
    void slide(int position) {
        page().set_position(prv::SLIDER, position);
        handle_event(core, PageId::preview, prv::SLIDER, UiEvent::position_changed);
    }
    void select(int index) {
        page().set_selection(prv::CHAPTER_LIST, index);
        handle_event(core, PageId::preview, prv::CHAPTER_LIST, UiEvent::selection_changed);
    }
    // Navigates to a frame and leaves a message that navigation must clear.
    void go_to(int32_t frame) {
        type_frame(std::to_string(frame));
        ASSERT_EQ(core.frames->current_frame, frame);
        core.show(" before");
    }

    PageModel& page() { return core.ui.preview; }
    int32_t current() const { return core.frames->current_frame; }
    Shade shade() const {
        const int y = core.frames->y[0];
        return y > 200 ? Shade::white : y < 40 ? Shade::black : Shade::grey;
    }
    // What every navigation leaves: the frame in the field, the picture redrawn, no message.
    void expect_shown(int32_t frame, int slider) {
        EXPECT_EQ(current(), frame);
        EXPECT_EQ(page().text(prv::CURRENT_FRAME), std::to_string(frame));
        EXPECT_EQ(page().position(prv::SLIDER), slider);
        EXPECT_EQ(core.message.displayed_text(), "");
    }

    qv_test::TempDir dir;
    Core core;
    ScriptedShell shell;
    int renders = 0;
};

TEST_F(PreviewPage, StepButtonsStopAtBothEnds) {
    open(MARKED_CLIP);
    const struct {
        int32_t from;
        int button;
        int32_t to;
    } cases[] = {
        {FRAMES - 50, prv::FWD_100, FRAMES - 1}, {30, prv::BACK_100, 0},  {100, prv::FWD_100, 200},
        {100, prv::BACK_100, 0},                 {995, prv::FWD_10, 1000}, {5, prv::BACK_10, 0},
        {990, prv::FWD_10, 1000},                {20, prv::BACK_10, 10},   {1000, prv::FWD_1, 1000},
        {0, prv::BACK_1, 0},                     {499, prv::FWD_1, 500},   {501, prv::BACK_1, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " button " + std::to_string(c.button));
        go_to(c.from);
        const int before = renders;
        click(c.button);
        expect_shown(c.to, slider_position_for_frame(c.to, FRAMES));
        EXPECT_GT(renders, before);
        EXPECT_EQ(shade(), c.to == 500 ? Shade::white : c.to == 1000 ? Shade::black : Shade::grey);
    }
}

TEST_F(PreviewPage, TypedFrameIsClampedAndWrittenBack) {
    open(MARKED_CLIP);
    type_frame("5000");
    expect_shown(1000, 999);  // 1000 x 1000 / 1001
    EXPECT_EQ(shade(), Shade::black);

    go_to(500);
    for (const char* text : {"", "abc"}) {
        type_frame(text);
        EXPECT_EQ(current(), 500) << text;  // the frame on view stays
        EXPECT_EQ(shade(), Shade::white);
    }
    type_frame("0");
    expect_shown(0, 0);
}

TEST_F(PreviewPage, SliderAndFrameRoundHalvesAwayFromZero) {
    open(MARKED_CLIP);
    slide(500);
    EXPECT_EQ(current(), 500);
    EXPECT_EQ(page().text(prv::CURRENT_FRAME), "500");
    EXPECT_EQ(page().position(prv::SLIDER), 500);  // not set back
    EXPECT_EQ(shade(), Shade::white);
    EXPECT_EQ(core.message.displayed_text(), "");

    // Frame 500 of 1001 is 499.5 on the slider, shown as 500.
    go_to(10);
    type_frame("500");
    expect_shown(500, 500);
    slide(1000);
    EXPECT_EQ(current(), 1000);
    EXPECT_EQ(shade(), Shade::black);

    // The two conversions on their own, at the halves and the ends.
    const struct {
        int32_t position, frame_count, frame;
    } to_frame[] = {{250, 3, 1}, {249, 3, 0}, {750, 3, 2}, {1000, 3, 2}, {0, 3, 0},
                    {-5, 3, 0},  {1200, 3, 2}, {500, 1, 0},  {500, 0, 0},  {1, 501, 1}};
    for (const auto& c : to_frame)
        EXPECT_EQ(frame_for_slider_position(c.position, c.frame_count), c.frame)
            << c.position << " of " << c.frame_count;
    const struct {
        int32_t frame, frame_count, position;
    } to_position[] = {{500, 1001, 500}, {1, 2000, 1}, {1, 2001, 0}, {2, 4, 500}, {0, 0, 0}};
    for (const auto& c : to_position)
        EXPECT_EQ(slider_position_for_frame(c.frame, c.frame_count), c.position)
            << c.frame << " of " << c.frame_count;
}

TEST_F(PreviewPage, ChapterButtonsEditTheListAndReport) {
    open(MARKED_CLIP);
    for (const char* frame : {"300", "100", "200", "100"}) {
        type_frame(frame);
        click(prv::ADD);
        EXPECT_EQ(core.message.message_text(), " chapter added to list") << frame;
    }
    EXPECT_EQ(page().entries(prv::CHAPTER_LIST), entries_of({100, 200, 300}));
    EXPECT_EQ(page().entries(prv::CHAPTER_LIST)[0], "     100");

    click(prv::REMOVE);
    EXPECT_EQ(core.message.message_text(), " remove chapter pressed but no chapter was selected, ignored");
    EXPECT_EQ(core.settings.chapter_count, 3);

    // Selecting an entry shows its frame.
    select(1);
    expect_shown(200, slider_position_for_frame(200, FRAMES));
    select(1);
    click(prv::REMOVE);
    EXPECT_EQ(core.message.message_text(), " chapter removed from list");
    EXPECT_EQ(page().entries(prv::CHAPTER_LIST), entries_of({100, 300}));

    // A list box without a selection selects nothing to show.
    go_to(7);
    select(-1);
    EXPECT_EQ(current(), 7);

    click(prv::CLEAR);
    EXPECT_EQ(core.message.message_text(), " chapter list cleared");
    EXPECT_EQ(core.settings.chapter_count, 0);
    EXPECT_TRUE(page().entries(prv::CHAPTER_LIST).empty());
}

TEST_F(PreviewPage, ChapterAtTheSourceEndShowsTheLastFrame) {
    open(MARKED_CLIP);
    // The list keeps an entry equal to frame_count.
    core.settings.chapters[1] = 400;
    core.settings.chapters[2] = FRAMES;
    core.settings.chapter_count = 2;
    EXPECT_EQ(edit_chapter_list(core, 0), 0);
    fill_chapter_list_box(core);
    select(1);
    expect_shown(FRAMES - 1, 999);
    EXPECT_EQ(shade(), Shade::black);
}

TEST_F(PreviewPage, CurrentFrameSetsTheEncodeRange) {
    open(MARKED_CLIP);
    Settings& s = core.settings;
    ASSERT_EQ(s.start_frame_value, 0);
    ASSERT_EQ(s.end_frame_value, 1000);

    type_frame("100");
    click(prv::SET_START);
    EXPECT_EQ(core.message.message_text(), " current frame set as start frame");
    EXPECT_EQ(s.start_frame_value, 100);
    EXPECT_EQ(s.end_frame_value, 1000);
    EXPECT_EQ(s.frames_to_encode, 901);
    EXPECT_EQ(core.ui.main.text(mainp::START_FRAME), "100");
    EXPECT_EQ(core.ui.main.text(mainp::ENCODE_FRAMES), "901");

    // Below the start: both ends move there.
    type_frame("50");
    click(prv::SET_END);
    EXPECT_EQ(core.message.message_text(), " current frame set as end frame");
    EXPECT_EQ(s.start_frame_value, 50);
    EXPECT_EQ(s.end_frame_value, 50);
    EXPECT_EQ(s.frames_to_encode, 1);
    EXPECT_EQ(core.ui.main.text(mainp::END_FRAME), "50");

    // Beyond the end: both ends move there too.
    type_frame("700");
    click(prv::SET_START);
    EXPECT_EQ(s.start_frame_value, 700);
    EXPECT_EQ(s.end_frame_value, 700);
    EXPECT_EQ(s.frames_to_encode, 1);
}

TEST_F(PreviewPage, UnreadableFrameFieldIgnoresTheFieldButtons) {
    open(MARKED_CLIP);
    core.show(" before");
    for (const char* text : {"", "abc", "-3"}) {
        page().set_text(prv::CURRENT_FRAME, text);
        for (int id : {prv::ADD, prv::SET_START, prv::SET_END}) click(id);
        EXPECT_EQ(core.message.message_text(), " before") << text;
        EXPECT_EQ(core.settings.chapter_count, 0);
        EXPECT_EQ(core.settings.start_frame_value, 0);
        EXPECT_EQ(core.settings.end_frame_value, 1000);
    }
}

TEST_F(PreviewPage, PageShownFollowsTheSource) {
    // No source: every control that needs one is off, and navigation does nothing.
    show_page();
    for (int id : prv::SOURCE_CONTROLS) EXPECT_FALSE(page().enabled(id)) << id;
    click(prv::FWD_100);
    slide(700);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(renders, 0);

    open(MARKED_CLIP);
    for (int id : prv::SOURCE_CONTROLS) EXPECT_TRUE(page().enabled(id)) << id;
    EXPECT_EQ(page().text(prv::CURRENT_FRAME), "0");
    EXPECT_TRUE(page().entries(prv::CHAPTER_LIST).empty());
}

TEST_F(PreviewPage, ScanButtonBuildsTheListFromSceneChanges) {
    open_file(std::string(QV_PROGRAM_DIR) + "/samples/scripts/grey_white_cuts.avs");
    click(prv::SCAN);
    EXPECT_EQ(core.message.message_text(), " creating a chapter list based on scene changes");
    wait_scene_scan(core);
    EXPECT_EQ(core.message.message_text(), " scene change chapters put into list");
    EXPECT_EQ(page().entries(prv::CHAPTER_LIST), entries_of({48, 72, 144}));
    EXPECT_EQ(page().text(prv::SCAN), SCAN_CAPTION);
}

TEST_F(PreviewPage, ScanButtonStopsARunningScanAndTheOtherButtonsWait) {
    // Long enough that the scan is still running when the button is pressed again.
    open("ColorBars(width=720, height=480, pixel_type=\"YV12\")\n");
    click(prv::SCAN);
    ASSERT_TRUE(scan_running(core));
    EXPECT_EQ(page().text(prv::SCAN), SCAN_STOP_CAPTION);
    for (int id : {prv::ADD, prv::REMOVE, prv::CLEAR, prv::SET_START, prv::SET_END}) click(id);
    EXPECT_EQ(core.message.message_text(), " creating a chapter list based on scene changes");
    EXPECT_EQ(core.settings.start_frame_value, 0);

    click(prv::SCAN);
    EXPECT_FALSE(scan_running(core));
    EXPECT_EQ(core.message.message_text(),
              " scanning interrupted, found scene change chapters put into list");
    EXPECT_EQ(page().text(prv::SCAN), SCAN_CAPTION);
    for (int id : SCAN_LOCKED_CONTROLS) EXPECT_TRUE(page().enabled(id)) << id;
}

}  // namespace
}  // namespace qv

#include "sources/source_properties.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"

namespace qv {
namespace {

struct DvdCase {
    int w, h, num, den;
    bool pulldown;
    const char* appended;
    bool film;
};

TEST(CheckDvdCompliance, AppendsTheWarningsInStepOrder) {
    const DvdCase cases[] = {
        {720, 576, 25, 1, false, "", false},
        {720, 480, 24000, 1001, false, ", use pulldown for DVD compliancy", true},
        {720, 480, 24000, 1001, true, "", true},
        {640, 480, 30000, 1001, false, ", WARNING, resolution/frame rate mismatch", false},
        {1920, 1080, 24, 1, false,
         ", WARNING, width > 720, height > 576, please resize source, WARNING, frame rate NOT DVD "
         "compliant, WARNING, resolution/frame rate mismatch",
         false},
        {720, 576, 30000, 1001, false, ", WARNING, resolution/frame rate mismatch", false},
        {352, 288, 25, 1, false, "", false},
        {352, 240, 30000, 1001, false, "", false},
        {704, 576, 24000, 1001, true, ", WARNING, resolution/frame rate mismatch", true},
        {800, 480, 30000, 1001, false,
         ", WARNING, width > 720, please resize source, WARNING, resolution/frame rate mismatch",
         false},
    };
    for (const auto& c : cases) {
        Core core;
        core.source.width = c.w;
        core.source.height = c.h;
        core.source.rate_num = c.num;
        core.source.rate_den = c.den;
        core.source.frame_count = 100;
        core.settings.pulldown = c.pulldown;
        apply_source_properties(core);
        core.show(" open");
        check_dvd_compliance(core);
        // The line breaking may turn a blank into a line feed; compare the flat text.
        std::string expected = std::string(" open") + c.appended;
        std::string flat = core.message.message_text();
        for (char& ch : flat)
            if (ch == '\n') ch = ' ';
        EXPECT_EQ(flat, expected) << c.w << "x" << c.h << " @ " << c.num << "/" << c.den;
        EXPECT_EQ(core.source.film_rate, c.film);
    }
}

TEST(ApplySourceProperties, WholeRangeUnlessTheSettingsGaveOne) {
    Core core;
    core.source.frame_count = 1000;
    core.source.rate_num = 25;
    core.source.rate_den = 1;
    apply_source_properties(core);
    EXPECT_EQ(core.settings.start_frame_value, 0);
    EXPECT_EQ(core.settings.end_frame_value, 999);
    EXPECT_EQ(core.settings.end_frame, "999");
    EXPECT_EQ(core.settings.frames_to_encode, 1000);
    EXPECT_FLOAT_EQ(core.source.fps, 25.0f);
    EXPECT_FLOAT_EQ(core.source.duration_s, 40.0f);

    Core ranged;
    ranged.source.frame_count = 1000;
    ranged.source.rate_num = 30000;
    ranged.source.rate_den = 1001;
    ranged.settings.seen[kw::FRAMES] = true;
    ranged.settings.start_frame_value = 100;
    ranged.settings.end_frame_value = 5000;
    apply_source_properties(ranged);
    EXPECT_EQ(ranged.settings.start_frame, "100");
    EXPECT_EQ(ranged.settings.end_frame, "999");
    EXPECT_EQ(ranged.settings.frames_to_encode, 900);

    Core no_rate;  // no division by zero
    no_rate.source.frame_count = 10;
    apply_source_properties(no_rate);
    EXPECT_EQ(no_rate.source.fps, 0.0f);
    EXPECT_EQ(no_rate.source.duration_s, 0.0f);
}

TEST(FrameSizeProblem, RefusesWhatTheFrameStoreCannotHold) {
    EXPECT_EQ(frame_size_problem(720, 576), nullptr);
    EXPECT_EQ(frame_size_problem(1920, 1152), nullptr);
    EXPECT_STREQ(frame_size_problem(1922, 1080),
                 ", can't load video, frame size above 1920 x 1152 not supported");
    EXPECT_STREQ(frame_size_problem(1920, 1154),
                 ", can't load video, frame size above 1920 x 1152 not supported");
    EXPECT_STREQ(frame_size_problem(721, 576), ", can't load video, frame size must be even");
    EXPECT_STREQ(frame_size_problem(0, 576), ", can't load video, frame size must be even");
}

}  // namespace
}  // namespace qv

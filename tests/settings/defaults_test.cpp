#include <gtest/gtest.h>

#include "settings/core.h"

namespace qv {
namespace {

TEST(ResetToDefaults, RestoresOptionsAndKeepsFilesMatricesAndChapters) {
    Core core;
    Settings& s = core.settings;
    s.input_valid = true;
    s.input_path = "/v/movie.avs";
    core.ui.main.set_text(mainp::OUTPUT, "output: /v/movie.m2v");
    s.constant_quant = true;
    core.ui.advanced.set_enabled(adv::VBR_BIAS, false);
    s.custom_intra[5] = 77;
    s.chapter_count = 2;
    s.chapters[1] = 10;
    s.chapters[2] = 20;
    s.profile = Profile::best;
    s.gop_length = "18";
    s.file_length_kb = "50000";
    s.start_frame = "10";

    reset_to_defaults(core);

    EXPECT_EQ(s.input_path, "/v/movie.avs");
    EXPECT_TRUE(core.ui.main.enabled(mainp::OUTPUT));
    EXPECT_TRUE(core.ui.main.enabled(mainp::LOG));
    EXPECT_EQ(core.ui.main.text(mainp::OUTPUT), "output: /v/movie.m2v");
    EXPECT_FALSE(s.constant_quant);
    EXPECT_TRUE(core.ui.advanced.enabled(adv::VBR_BIAS));
    EXPECT_FALSE(core.ui.advanced.enabled(adv::QUANT_VALUE));
    EXPECT_EQ(s.custom_intra[5], 77);
    EXPECT_EQ(s.chapter_count, 2);
    EXPECT_EQ(s.profile, Profile::normal);
    EXPECT_EQ(s.gop_length, "15");
    EXPECT_EQ(s.file_length_kb, "50000");
    EXPECT_EQ(s.start_frame, "10");
    EXPECT_EQ(core.ui.advanced.position(adv::P_FACTOR_SPIN), 9);
    EXPECT_EQ(core.ui.advanced.position(adv::GOP_SPIN), 15);
    EXPECT_FALSE(core.ui.advanced.enabled(adv::TFF));
    EXPECT_TRUE(core.ui.advanced.checked(adv::BFF));
}

TEST(ResetToDefaults, LeavesCustomModeWithTheGridLocked) {
    Core core;
    core.settings.matrix_mode = MatrixMode::custom;
    core.settings.builtin_matrix = CUSTOM_MATRIX;
    core.ui.matrix.set_enabled(mtx::non_intra_cell(10), true);
    core.ui.matrix.set_enabled(mtx::LOAD, true);
    reset_to_defaults(core);
    EXPECT_EQ(core.settings.matrix_mode, MatrixMode::builtin);
    EXPECT_EQ(core.settings.builtin_matrix, 1);
    EXPECT_FALSE(core.ui.matrix.enabled(mtx::non_intra_cell(10)));
    EXPECT_FALSE(core.ui.matrix.enabled(mtx::LOAD));
    EXPECT_TRUE(core.ui.matrix.enabled(mtx::COMBO));
}

TEST(ResetToDefaults, WithoutInputTheFileButtonsGoBackAndMaximumIsNotUsable) {
    Core core;
    core.ui.main.set_text(mainp::OUTPUT, "output: stale");
    core.settings.max_bitrate_enabled = true;
    reset_to_defaults(core);
    EXPECT_EQ(core.ui.main.text(mainp::INPUT), "input file name (*.d2v, *.avs)");
    EXPECT_EQ(core.ui.main.text(mainp::OUTPUT), "output file name (not set)");
    EXPECT_EQ(core.ui.main.text(mainp::LOG), "log file name (not set)");
    EXPECT_FALSE(core.ui.main.enabled(mainp::OUTPUT));
    EXPECT_FALSE(core.settings.max_bitrate_enabled);
    EXPECT_FALSE(core.ui.main.enabled(mainp::MAX_KBPS));
    EXPECT_FALSE(core.ui.main.enabled(mainp::AVG_KBPS));
    EXPECT_FALSE(core.ui.window.enabled(win::ENCODE));
}

TEST(ResetToDefaults, CallsTheMatrixAndMovieInformationRedraws) {
    Core core;
    int matrix = 0, movie = 0;
    core.hooks.show_selected_matrix = [&](Core&) { ++matrix; };
    core.hooks.show_movie_info = [&](Core&) { ++movie; };
    reset_to_defaults(core);
    EXPECT_EQ(matrix, 1);
    EXPECT_EQ(movie, 1);
}

struct EnablingCase {
    bool opened, cq, cq_max;
    bool avg_enabled, max_enabled, radios_enabled, range_enabled;
};

TEST(UpdateBitrateEnabling, FollowsInputAndConstantQuantization) {
    const EnablingCase cases[] = {
        {false, false, false, false, false, false, false},
        {false, true, true, false, false, false, false},
        {true, false, false, true, true, true, true},
        {true, true, false, false, false, false, true},
        {true, true, true, false, true, false, true},
    };
    for (const auto& c : cases) {
        Core core;
        core.settings.input_opened = c.opened;
        core.settings.constant_quant = c.cq;
        core.settings.cq_max_bitrate = c.cq_max;
        core.settings.bitrate_mode = BitrateMode::file_length;
        update_bitrate_enabling(core);
        const PageModel& m = core.ui.main;
        SCOPED_TRACE(testing::Message() << c.opened << c.cq << c.cq_max);
        EXPECT_EQ(m.enabled(mainp::AVG_KBPS), c.avg_enabled);
        EXPECT_EQ(m.enabled(mainp::MAX_KBPS), c.max_enabled);
        EXPECT_EQ(core.settings.max_bitrate_enabled, c.max_enabled);
        EXPECT_EQ(m.enabled(mainp::AVERAGE_BITRATE), c.radios_enabled);
        EXPECT_EQ(m.enabled(mainp::FILE_LENGTH), c.radios_enabled);
        EXPECT_EQ(m.enabled(mainp::START_FRAME), c.range_enabled);
        EXPECT_FALSE(m.enabled(mainp::FILE_LENGTH_KB));
        // An opened input without constant quantization goes back to the average bitrate.
        EXPECT_EQ(core.settings.bitrate_mode == BitrateMode::average_bitrate, c.opened && !c.cq);
    }
}

}  // namespace
}  // namespace qv

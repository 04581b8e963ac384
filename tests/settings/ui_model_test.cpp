#include "settings/ui_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/core.h"

namespace qv {
namespace {

TEST(PageModel, BoundControlsShowTheRecordAndRadiosFollowTheirGroup) {
    Core core;
    PageModel& m = core.ui.main;
    std::vector<int> changed;
    m.add_observer([&](PageId, int id) { changed.push_back(id); });

    core.settings.avg_bitrate = "5500";
    EXPECT_EQ(m.text(mainp::AVG_KBPS), "5500");
    m.set_text(mainp::MAX_KBPS, "9000");
    EXPECT_EQ(core.settings.max_bitrate, "9000");
    EXPECT_EQ(changed.back(), mainp::MAX_KBPS);

    m.set_checked(mainp::BEST, true);
    EXPECT_EQ(core.settings.profile, Profile::best);
    EXPECT_FALSE(m.checked(mainp::NORMAL));
    m.set_checked(mainp::DC11, true);
    EXPECT_EQ(core.settings.dc_precision, 11);
    m.set_checked(mainp::AR_2_21, true);
    EXPECT_EQ(core.settings.aspect_ratio, AspectRatio::two_two_one);

    core.settings.interlaced = true;
    EXPECT_TRUE(m.snapshot(mainp::INTERLACED).checked);
}

TEST(PageModel, EveryPageHasItsControlsWithLabels) {
    Core core;
    EXPECT_EQ(core.ui.matrix.label(mtx::intra_cell(63)), "intra row 8 column 8");
    EXPECT_EQ(core.ui.matrix.label(mtx::non_intra_cell(8)), "non-intra row 2 column 1");
    EXPECT_EQ(core.ui.main.text(mainp::INPUT), "input file name (*.d2v, *.avs)");
    EXPECT_EQ(core.ui.preview.text(prv::SCAN), "create SCD chapter list");
    EXPECT_EQ(core.ui.advanced.label(adv::QV_INI_LIST), "current QV.ini");
    EXPECT_EQ(core.ui.window.entries(win::TABS).size(), 4u);
    for (int id : prv::SOURCE_CONTROLS) EXPECT_FALSE(core.ui.preview.enabled(id)) << id;
    EXPECT_EQ(core.ui.matrix.entries(mtx::COMBO).size(), 12u);
}

}  // namespace
}  // namespace qv

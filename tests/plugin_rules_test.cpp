#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/export_firewall.h"
#include "plugin/view_layout.h"

namespace {

TEST(LoadingLabel, CentredBandHalfItsHeightAboveTheMiddle) {
    const LabelBounds regular = LoadingLabelBounds(800, 600);
    EXPECT_EQ(regular.x, 0);
    EXPECT_EQ(regular.y, 288);
    EXPECT_EQ(regular.width, 800);
    EXPECT_EQ(regular.height, 24);
    for (const auto& [height, y] : {std::pair{24, 0}, {0, -12}, {25, 0}, {-3, -13}}) {
        EXPECT_EQ(LoadingLabelBounds(10, height).y, y) << height;
    }
}

TEST(ExportFirewall, AnyExceptionBecomesTheFailureResult) {
    EXPECT_EQ(ExportFirewall(1, [] { return 0; }), 0);
    EXPECT_EQ(ExportFirewall(1, []() -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(ExportFirewall(1, []() -> int { throw 42; }), 1);
}

}  // namespace

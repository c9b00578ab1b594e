#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "plugin/export_firewall.h"
#include "plugin/view_layout.h"

namespace {

TEST(LoadingLabel, CentredBandHalfItsHeightAboveTheMiddle) {
    const LabelBounds regular = LoadingLabelBounds(800, 600);
    EXPECT_EQ(regular.x, 0);
    EXPECT_EQ(regular.y, 288);
    EXPECT_EQ(regular.width, 800);
    EXPECT_EQ(regular.height, 24);
    EXPECT_EQ(LoadingLabelBounds(10, 24).y, 0);
    EXPECT_EQ(LoadingLabelBounds(10, 0).y, -12);
    EXPECT_EQ(LoadingLabelBounds(10, 25).y, 0);
    EXPECT_EQ(LoadingLabelBounds(10, -3).y, -13);
}

TEST(ExportFirewall, AnyExceptionBecomesTheFailureResult) {
    int* none = nullptr;
    int value = 5;
    EXPECT_EQ(ExportFirewall<int*>(none, [&] { return &value; }), &value);
    EXPECT_EQ(ExportFirewall<int*>(none, []() -> int* { throw std::bad_alloc(); }), nullptr);
    EXPECT_EQ(ExportFirewall(1, []() -> int { throw std::length_error("huge"); }), 1);
    EXPECT_EQ(ExportFirewall(1, []() -> int { throw 42; }), 1);
}

}  // namespace

#include "platform/units.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

TEST(LayoutUnits, ConvertAtNinetySixDpiRoundingToNearest) {
    EXPECT_EQ(platform::unitsToPixelsX(366, 96), 100);
    EXPECT_EQ(platform::unitsToPixelsY(400, 96), 100);
    // 5 / 3.66 = 1.37 and 7 / 3.66 = 1.91; 6 / 4 = 1.5 rounds up.
    EXPECT_EQ(platform::unitsToPixelsX(5, 96), 1);
    EXPECT_EQ(platform::unitsToPixelsX(7, 96), 2);
    EXPECT_EQ(platform::unitsToPixelsY(6, 96), 2);
    EXPECT_EQ(platform::unitsToPixelsY(5, 96), 1);
    EXPECT_EQ(platform::unitsToPixelsX(0, 96), 0);
}

TEST(LayoutUnits, ScaleWithTheScreenDpi) {
    EXPECT_EQ(platform::unitsToPixelsX(366, 144), 150);
    EXPECT_EQ(platform::unitsToPixelsY(400, 192), 200);
    EXPECT_EQ(platform::unitsToPixels(37, 40, 1098, 80, 120), QRect(13, 13, 375, 25));
}

TEST(LayoutUnits, PlaceControlSetsGeometryFromUnits) {
    QWidget window;
    QLabel label(&window);
    platform::placeControl(&label, 732, 400, 1464, 80);
    EXPECT_EQ(label.geometry(), platform::unitsToPixels(732, 400, 1464, 80, platform::screenDpi()));
    platform::placeControl(nullptr, 1, 1, 1, 1);
}

} // namespace

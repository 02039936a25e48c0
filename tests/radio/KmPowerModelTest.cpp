// K and M from two power readings, and the powers a stored pair describes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "radio/kmPowerModel.h"

namespace vantrel {
namespace {

const kmPowerModel kMobile = kmPowerModel::forRadio(false);
const kmPowerModel kHighMobile = kmPowerModel::forRadio(true);

TEST(KmPowerModel, MobileReadingsGiveTheWorkedPair) {
    // 4 W at level 100 and 1 W at level 50: slope 0.02, M = 50.5 truncated, K = (2 - 2) * 25 + 128.
    const auto pair = kMobile.fromReadings(4.0, 1.0, 100, 50);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->m, 50);
    EXPECT_EQ(pair->k, 128);
    EXPECT_EQ(pair->softpotValue(), 0x8032);
    EXPECT_NEAR(kMobile.power(128, 50, 100), 4.0, 1e-9);
    EXPECT_NEAR(kMobile.secondPower(128, 50, 100, 50), 1.0, 1e-9);
}

TEST(KmPowerModel, HighMobileReversesTheSlopeAndScalesKBy625) {
    const auto pair = kHighMobile.fromReadings(1.0, 4.0, 100, 50);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->m, 50);
    EXPECT_EQ(pair->k, 19);
    EXPECT_EQ(pair->softpotValue(), 0x1332);
    // Shown back from the stored pair: (19 / 6.25 - 0.02 * 100)^2 and (1.04 + 0.02 * 50)^2.
    EXPECT_NEAR(kHighMobile.power(19, 50, 100), 1.0816, 1e-9);
    EXPECT_NEAR(kHighMobile.secondPower(19, 50, 100, 50), 4.1616, 1e-9);
}

TEST(KmPowerModel, EqualReadingsGiveAFlatPair) {
    const auto mobile = kMobile.fromReadings(9.0, 9.0, 120, 60);
    ASSERT_TRUE(mobile);
    EXPECT_EQ(mobile->m, 0);
    EXPECT_EQ(mobile->k, 128 + 75);
    // Empty boxes read 0 W: an unused point must not stop Program.
    const auto empty = kMobile.fromReadings(0.0, 0.0, 120, 60);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->m, 0);
    EXPECT_EQ(empty->k, 128);
    const auto high = kHighMobile.fromReadings(0.0, 0.0, 120, 60);
    ASSERT_TRUE(high);
    EXPECT_EQ(high->k, 0);
}

TEST(KmPowerModel, PairsTheRadioCannotHoldAreRefused) {
    EXPECT_FALSE(kMobile.fromReadings(400.0, 0.0, 100, 50));    // M = 1000
    EXPECT_FALSE(kMobile.fromReadings(1.0, 4.0, 100, 50));      // M below 0 after truncation
    EXPECT_FALSE(kMobile.fromReadings(900.0, 900.0, 100, 50));  // K = 878
    EXPECT_FALSE(kHighMobile.fromReadings(4.0, 1.0, 100, 50));  // M below 0 on the reversed slope
    // Equal levels leave the slope undefined; negative and non-finite readings are no measurements.
    EXPECT_FALSE(kMobile.fromReadings(4.0, 1.0, 80, 80));
    EXPECT_FALSE(kMobile.fromReadings(-1.0, 1.0, 100, 50));
    EXPECT_FALSE(kMobile.fromReadings(4.0, std::numeric_limits<double>::quiet_NaN(), 100, 50));
    EXPECT_FALSE(kMobile.fromReadings(std::numeric_limits<double>::infinity(), 1.0, 100, 50));
    EXPECT_FALSE(kMobile.fromReadings(1e300, 0.0, 100, 50));
}

TEST(KmPowerModel, TruncationTowardZeroKeepsValuesJustBelowZero) {
    // M = 2500 * (-0.0001) + 0.5 = 0.25: truncates to 0 and is kept.
    const auto pair = kMobile.fromReadings(1.0, std::pow(1.0 + 0.0001 * 50, 2), 100, 50);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->m, 0);
    // The edges of a byte are held.
    const auto top = kMobile.fromReadings(std::pow(255.3 / 2500 * 50, 2), 0.0, 50, 0);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->m, 255);
}

TEST(KmPowerReading, ReadsTheLeadingNumberOfTheFirst19Characters) {
    EXPECT_EQ(parsePowerReading(""), 0.0);
    EXPECT_EQ(parsePowerReading("abc"), 0.0);
    EXPECT_EQ(parsePowerReading("4.5"), 4.5);
    EXPECT_EQ(parsePowerReading(" 12.25W"), 12.25);
    EXPECT_EQ(parsePowerReading("1.2.3"), 1.2);
    EXPECT_EQ(parsePowerReading("-2"), -2.0);
    EXPECT_EQ(parsePowerReading("0000000000000000001"), 1.0);
    EXPECT_EQ(parsePowerReading("00000000000000000001"), 0.0);  // the 20th character is not read
    EXPECT_FALSE(std::isfinite(parsePowerReading("inf")));
    EXPECT_TRUE(std::isnan(parsePowerReading("nan")));
}

}  // namespace
}  // namespace vantrel

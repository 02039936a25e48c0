// Tests of point choice, channel pairing, the frequency formula, the low-band limits and hex conversion.
#include <gtest/gtest.h>

#include <array>

#include "radio/RF_Frequency.h"
#include "radio/convertUtil.h"

namespace vantrel {
namespace {

void setPoints(radioStorage& r, int firstColumn, const std::array<int, 7>& channels) {
    for (int i = 0; i < 7; ++i) r.setValue(row::Frequency, firstColumn + i, channels[i]);
}

TEST(RfFrequency, FormulaUsesBaseAndChannelSteps) {
    RF_Frequency f;
    EXPECT_DOUBLE_EQ(f.pointFrequency(0, 30000), 150.0);
    EXPECT_EQ(f.lastFrequencyKhz(), 150000u);
    EXPECT_DOUBLE_EQ(f.pointFrequency(5200, 2000), 140.0);
    EXPECT_EQ(f.lastFrequencyKhz(), 140000u);
}

TEST(RfFrequency, PointsScanPastUnusedOnes) {
    radioStorage r;
    setPoints(r, col::TxPointFirst, {0, 0, 12, 0, 40, 0, 0});
    RF_Frequency f;
    EXPECT_EQ(f.lowestTxPoint(r), 3);
    EXPECT_EQ(f.highestTxPoint(r), 5);
    EXPECT_EQ(f.middleTxPoint(r), 4);
    EXPECT_EQ(f.middleTxChannel(r), 0);
    EXPECT_EQ(f.lowestTxChannel(r), 12);
    EXPECT_EQ(f.highestTxChannel(r), 40);
    EXPECT_EQ(f.lowestRxPoint(r), 0);
    EXPECT_EQ(f.lowestRxChannel(r), 0);
}

TEST(RfFrequency, SinglePointIsLowestMiddleAndHighest) {
    radioStorage r;
    setPoints(r, col::RxPointFirst, {0, 0, 0, 0, 0, 0, 900});
    RF_Frequency f;
    EXPECT_EQ(f.lowestRxPoint(r), 7);
    EXPECT_EQ(f.middleRxPoint(r), 7);
    EXPECT_EQ(f.highestRxPoint(r), 7);
    EXPECT_EQ(f.firstPointNumber(r, true), 7);
    EXPECT_EQ(f.firstPointNumber(r, false), 0);
}

TEST(RfFrequency, ChannelForFallsBackToTheFirstUsedPoint) {
    radioStorage r;
    setPoints(r, col::TxPointFirst, {100, 200, 300, 400, 500, 600, 700});
    setPoints(r, col::RxPointFirst, {0, 0, 330, 0, 0, 0, 0});
    RF_Frequency f;
    EXPECT_EQ(f.channelFor(r, true, 3), 330);
    EXPECT_EQ(f.channelFor(r, true, 5), 330);
    EXPECT_EQ(f.channelFor(r, false, 5), 500);
    EXPECT_EQ(f.channelFor(r, false, 0), 0);
    EXPECT_EQ(f.channelFor(r, false, 8), 0);

    setPoints(r, col::RxPointFirst, {0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(f.channelFor(r, true, 2), 0);
}

TEST(RfFrequency, LowBandExcludesBothLimits) {
    EXPECT_FALSE(RF_Frequency::isLowBandKhz(29700));
    EXPECT_TRUE(RF_Frequency::isLowBandKhz(29701));
    EXPECT_TRUE(RF_Frequency::isLowBandKhz(49999));
    EXPECT_FALSE(RF_Frequency::isLowBandKhz(50000));
}

TEST(ConvertUtil, HexToIntReadsDigitsAfterLeadingZeros) {
    convertUtil c;
    EXPECT_EQ(c.hexToInt("00", 2), 0u);
    EXPECT_EQ(c.hexToInt("0000", 4), 0u);
    EXPECT_EQ(c.hexToInt("0A", 2), 10u);
    EXPECT_EQ(c.hexToInt("1F", 2), 31u);
    EXPECT_EQ(c.hexToInt("FF", 2), 255u);
    EXPECT_EQ(c.hexToInt("ff", 2), 255u);
    EXPECT_EQ(c.hexToInt("1F", 1), 1u);  // only `length` characters
    EXPECT_EQ(c.hexToInt("G1", 2), 1u);  // a non-digit counts 0
    EXPECT_EQ(c.hexToInt("F", 4), 15u);  // never reads past the text
    EXPECT_EQ(c.hexToInt("12", -1), 0u);
}

}  // namespace
}  // namespace vantrel

// Data sets: spacing and low-band derivation, seven-point reads with and without the multi-value read.
#include <gtest/gtest.h>

#include "SimBench.h"
#include "link/cominit.h"
#include "radio/rxDataSets.h"
#include "radio/txDataSets.h"

namespace vantrel {
namespace {

using test::SimBench;

TEST(DataSetSpacing, WidestSupportedSpacingWins) {
    struct Case {
        int option;
        int spacing;
    };
    for (const Case c : {Case{5, 2}, Case{3, 1}, Case{2, 1}, Case{1, 0}, Case{0, 0}, Case{7, 2}}) {
        radioStorage record;
        record.setValue(row::Frequency, col::OptionByte, c.option);
        txRefOscData refOsc;
        refOsc.deriveSpacing(record);
        EXPECT_EQ(refOsc.getSpacing(), c.spacing) << "option byte " << c.option;
    }
}

TEST(DataSetSpacing, RatedVolumeForcesNarrowSpacingOnMainSeriesM) {
    radioStorage record;
    record.setValue(row::Frequency, col::OptionByte, 7);
    record.setModelNo("P47MSC6A2T");  // main series portable, variant M
    rxRatedVolumeData volume;
    volume.deriveSpacing(record);
    EXPECT_EQ(volume.getSpacing(), 0);
    record.setModelNo("P45TSC7B4W");
    volume.deriveSpacing(record);
    EXPECT_EQ(volume.getSpacing(), 2);
}

TEST(DataSetLowBand, LimitsAreExcluded) {
    radioStorage record;
    record.setValue(row::Frequency, col::FrequencyBase, 1000);     // 25 MHz
    record.setValue(row::Frequency, col::TxPointFirst, 940);       // 29.700 MHz
    record.setValue(row::Frequency, col::TxPointFirst + 6, 5000);  // 50.000 MHz
    record.setValue(row::TxDacMarker, col::TxDacMarker, 1);
    txTransmitPowData power;
    power.deriveLowBand(record);
    EXPECT_EQ(record.getValue(row::MobilePower, col::LowBandFlag), 0);
    EXPECT_EQ(record.getValue(row::TxDacMarker, col::TxDacMarker), 0);

    record.setValue(row::Frequency, col::TxPointFirst, 941);  // 29.705 MHz
    power.deriveLowBand(record);
    EXPECT_EQ(record.getValue(row::MobilePower, col::LowBandFlag), 1);
}

/// A radio without the multi-value read and with transmit points only at F2 and F5.
SimProfile twoPointRadio(const std::string& extra = "") {
    return test::profileFrom(
        R"({"tuning": {"tx": [0, 2000, 0, 0, 5000, 0, 0], "rx": [0, 2100, 0, 0, 5100, 0, 0]},
                                "tableRead": false)" +
        extra + "}");
}

void fillRow(radioStorage& record, int row, int value) {
    for (int c = 0; c < record::kColumns; ++c) record.setValue(row, c, value);
}

void loadPoints(radioStorage& record, const SimProfile& p) {
    for (int n = 0; n < record::kPointCount; ++n) {
        record.setValue(row::Frequency, col::TxPointFirst + n, p.txPoints[static_cast<size_t>(n)]);
        record.setValue(row::Frequency, col::RxPointFirst + n, p.rxPoints[static_cast<size_t>(n)]);
    }
}

TEST(SevenPointRead, FallsBackToUsedPointsOnly) {
    SimProfile profile =
        twoPointRadio(R"(, "softpots": {"0": [[10, 11, 12, 13, 14, 15, 16], [20, 21, 22, 23, 24, 25, 26]]})");
    SimBench bench(profile);
    radioStorage record;
    loadPoints(record, profile);
    fillRow(record, row::TxPower, -1);
    {
        cominit link;
        txTransmitPowData power;
        power.setupTest(selector::High, link, false, true);
        power.readHigh(record, link);
    }
    EXPECT_EQ(bench.requests(), (std::vector<std::string>{"T 1 0 2", "T 129 0 2", "S 0/3", "C 2000 2100",
                                                          "S 0/0", "C 5000 5100", "S 0/0"}));
    EXPECT_EQ(record.getValue(row::TxPower, 1), 11);
    EXPECT_EQ(record.getValue(row::TxPower, 4), 14);
    for (int c : {0, 2, 3, 5, 6}) EXPECT_EQ(record.getValue(row::TxPower, c), -1) << "column " << c;
    EXPECT_TRUE(record.isSupported(flag::TxPower));
    EXPECT_FALSE(record.isSupported(flag::MultiValueRead));
}

TEST(SevenPointRead, ReceiveSetsPairTheFirstTransmitChannelFirst) {
    SimProfile profile = twoPointRadio();
    SimBench bench(profile);
    radioStorage record;
    loadPoints(record, profile);
    {
        cominit link;
        rxAutoSquelchData squelch;
        squelch.read(selector::Set12k5, record, link);
    }
    // Receive F2 pairs with transmit F2; both channels on the wire, transmit first.
    EXPECT_EQ(bench.requests("C"), (std::vector<std::string>{"C 2000 2100", "C 5000 5100"}));
}

TEST(SevenPointRead, GatedReadStopsWhenRefusedAtFirstPointAndKeepsTheRecord) {
    SimProfile profile = test::profileFrom(R"({"tableRead": false, "unsupported": [0]})");
    SimBench bench(profile);
    radioStorage record;
    loadPoints(record, profile);
    fillRow(record, row::TxPower, 77);
    {
        cominit link;
        txTransmitPowData power;
        power.readHigh(record, link);
    }
    EXPECT_EQ(bench.requests("CS"), (std::vector<std::string>{"S 0/3", "C 1000 1000", "S 0/0"}));
    EXPECT_FALSE(record.isSupported(flag::TxPower));
    for (int c = 0; c < record::kPointCount; ++c) EXPECT_EQ(record.getValue(row::TxPower, c), 77);
}

TEST(SevenPointRead, ThirdPowerFallbackStoresTheValueOfItsOwnPoint) {
    SimProfile profile = twoPointRadio(R"(, "softpots": {"28": [30, 31, 32, 33, 34, 35, 36]})");
    SimBench bench(profile);
    radioStorage record;
    loadPoints(record, profile);
    {
        cominit link;
        txTransmitPowData().readThird(record, link);
    }
    EXPECT_EQ(record.getValue(row::TxPowerThird, 1), 31);
    EXPECT_EQ(record.getValue(row::TxPowerThird, 4), 34);
}

TEST(SevenPointRead, PaVoltageLimitSendsTheTransmitChannelTwice) {
    SimProfile profile = twoPointRadio();
    SimBench bench(profile);
    radioStorage record;
    loadPoints(record, profile);
    {
        cominit link;
        txPAVoltageLimitData().read(record, link);
    }
    EXPECT_EQ(bench.requests("C"), (std::vector<std::string>{"C 2000 2000", "C 5000 5000"}));
}

TEST(DataSetSetup, TestModeBytesOfEveryProcedure) {
    SimBench bench(SimProfile::defaults());
    {
        cominit link;
        txModAttnData().setupTest(1, link);
        txVCOAttnData().setupTest(selector::Set20k, link);
        txVCOAttnData().setupTest(4, link);  // no such set: nothing sent
        txPABiasHighVoltageData high;
        high.setupTest(link);
        high.setupTestSecond(link);
        txPABiasRxModeData rxMode;
        rxMode.setupTestReceive(link);
        rxRatedVolumeData volume;
        volume.setupTest(link, rxRatedVolumeData::Brightline);
        txSelect5Data().setupTest(link);
        txHSSData().setupTest(link);
        txTransmitPowData power;
        power.setSpacing(0);
        power.setupTest(selector::Low, link, true, false);
        power.setupTest(3, link, false, true);  // no such selector: nothing sent
    }
    EXPECT_EQ(
        bench.requests("TS"),
        (std::vector<std::string>{"T 14 2 1", "S 2/2: 127", "T 1 2 1", "T 128 2 1", "T 9 0 2", "T 9 2 2",
                                  "T 0 2 2", "T 18 2 2", "T 4 2 2", "T 7 2 2", "T 0 2 0", "T 129 2 0"}));
}

TEST(DataSetWrites, BatteryProgramsOneAndRefOscTakesTwoBytes) {
    SimBench bench(SimProfile::defaults());
    {
        cominit link;
        txBatteryData().program(200, link);
        txRefOscData refOsc;
        refOsc.setLive(0x1234, link);
        refOsc.program(0x0203, link);
    }
    EXPECT_EQ(bench.requests("S"), (std::vector<std::string>{"S 10/1: 1", "S 11/2: 18 52", "S 11/1: 2 3"}));
}

}  // namespace
}  // namespace vantrel

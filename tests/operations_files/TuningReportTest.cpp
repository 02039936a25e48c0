// Tuning report text: whole reports against reviewed files, and the rules that vary by record.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "operations/tuningReport.h"
#include "radio/ModelTable.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

std::string readText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every value cell of rows 1..21 holds row * 10 + column; points, identity and flags per report.
void fillCommon(radioStorage& r, const int (&tx)[7], const int (&rx)[7]) {
    for (int row = 1; row < record::kRows; ++row) {
        for (int c = 0; c < record::kColumns; ++c) r.setValue(row, c, row * 10 + c);
    }
    for (int k = 0; k < record::kPointCount; ++k) {
        r.setValue(row::Frequency, col::TxPointFirst + k, tx[k]);
        r.setValue(row::Frequency, col::RxPointFirst + k, rx[k]);
    }
    r.setValue(row::Parameters, col::ParameterByte, 75);
    r.setValue(row::Parameters, col::BatteryThreshold, 123);
}

void fillPortable(radioStorage& r) {
    r.setSerialNo("PRT0000123");
    r.setModelNo("P47XYZ0001      ");
    fillCommon(r, {0, 0, 12, 0, 40, 0, 0}, {0, 20, 30, 0, 50, 0, 0});
    r.setValue(row::Frequency, col::FrequencyBase, 6000);
    r.setTuningProcedure(1);
    r.markUnsupported(flag::Qdt1200Deviation);
    r.markUnsupported(flag::PaBiasSecond);
}

// A high-power mobile: the DAC block shows through the model, not the low-band flag.
void fillMobile(radioStorage& r) {
    r.setSerialNo("MOB4567890");
    r.setModelNo("M52ABC1234      ");
    fillCommon(r, {2000, 2100, 0, 2300, 0, 0, 2600}, {2000, 0, 0, 0, 0, 0, 2400});
    r.setValue(row::Frequency, col::FrequencyBase, 5200);
    r.setTuningProcedure(2);
    for (int f :
         {flag::AutoSquelch, flag::Rssi, flag::PaBiasFirstHigh, flag::Select5Deviation, flag::RefOscWarp}) {
        r.markUnsupported(f);
    }
    r.markSupported(flag::MobileTxPower);
    r.markSupported(flag::BatteryThreshold);
    for (int k = 0; k < record::kPointCount; ++k) {
        r.setValue(row::MobilePower, col::KmFirst + 2 * k, 20 + k);
        r.setValue(row::MobilePower, col::KmFirst + 2 * k + 1, 60 + 3 * k);
    }
    r.setValue(row::MobilePower, col::LowBandTxDacFirst, 200);
    r.setValue(row::MobilePower, col::LowBandTxDacSecond, 150);
    r.setValue(row::MobilePower, col::LowBandFlag, 0);
}

class TuningReportText : public ::testing::Test {
  protected:
    void SetUp() override { resetActiveModelTable(); }
};

TEST_F(TuningReportText, PortableRecordMatchesReviewedReport) {
    radioStorage r;
    fillPortable(r);
    EXPECT_EQ(tuningReport(r).text(), readText(VANTREL_TEST_DATA_DIR "/report_portable.txt"));
}

TEST_F(TuningReportText, MobileRecordMatchesReviewedReport) {
    radioStorage r;
    fillMobile(r);
    EXPECT_EQ(tuningReport(r).text(), readText(VANTREL_TEST_DATA_DIR "/report_mobile.txt"));
}

TEST_F(TuningReportText, LowBandMobileShowsDacAndOffsetsK) {
    radioStorage r;
    fillMobile(r);
    r.setModelNo("M47ABC1234      ");  // not a high-power mobile
    r.setValue(row::MobilePower, col::KmFirst, 150);
    r.setValue(row::MobilePower, col::KmFirst + 1, 60);
    r.setValue(row::MobilePower, col::LowBandFlag, 1);
    const std::string text = tuningReport(r).text();
    EXPECT_NE(text.find("\t \t\t**** DAC SOFTPOTS ****\n"), std::string::npos);
    // K' = 150 - 128, factor 0.04: P1 = (4.8 + 0.88)^2, P2 = (sqrt(P1) - 1.2)^2.
    EXPECT_NE(text.find("  140.000000\t \t150\t \t60\t \t32.262\t \t20.070\n"), std::string::npos);

    r.setValue(row::MobilePower, col::LowBandFlag, 0);
    EXPECT_NE(tuningReport(r).text().find("\t \t\t**** DAC SOFTPOTS (UNSUPPORTED) ****\n\n"),
              std::string::npos);
}

TEST_F(TuningReportText, WritesDisplayFileAndKeepsItWhenThePlaceIsUnwritable) {
    std::string dir = ::testing::TempDir() + "rptXXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    radioStorage r;
    fillPortable(r);
    tuningReport report(r);
    const std::string file = dir + "/" + std::string(tuningReport::kDefaultFileName);
    ASSERT_TRUE(report.write(file));
    EXPECT_EQ(readText(file), readText(VANTREL_TEST_DATA_DIR "/report_portable.txt"));
    EXPECT_FALSE(report.write(dir + "/missing/display.txt"));
    std::filesystem::remove_all(dir);
}

// --- The "Before" column -----------------------------------------------------------------------------

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(TuningReportText, BeforeColumnMarksChangedValuesAndListsOtherDifferencesInTheHead) {
    radioStorage before, after;
    fillPortable(before);
    fillPortable(after);
    before.setSerialNo("PRT0000999");
    before.markUnsupported(flag::DtmfDeviation);   // the after record holds it alone
    before.markSupported(flag::Qdt1200Deviation);  // the before record holds it alone
    const int f3 = col::TxPowerHigh + 2;
    after.setValue(row::TxPower, f3, before.getValue(row::TxPower, f3) + 5);

    tuningReport report(after);
    report.showBefore(before, "old.sfp");
    const std::string text = report.text();

    EXPECT_NE(text.find("Before: old.sfp  (Radio Serial No: PRT0000999  Radio Model No: P47XYZ0001"),
              std::string::npos);
    EXPECT_NE(text.find("\n1 value differs.\n"), std::string::npos);
    EXPECT_NE(text.find("  Serial Number: \"PRT0000999\" -> \"PRT0000123\"\n"), std::string::npos);
    EXPECT_NE(text.find("  DTMF Signalling: only after\n"), std::string::npos);
    EXPECT_NE(text.find("  QDT1200 Signalling: only before\n"), std::string::npos);
    EXPECT_NE(text.find("Frequency(MHz)\t \tSoftpot Values\tBefore\n"), std::string::npos);

    // The changed point shows both values and the mark; its neighbour in the low power table does not.
    const std::string changed = "\t \t    " + std::to_string(after.getValue(row::TxPower, f3)) + "\t\t" +
                                std::to_string(before.getValue(row::TxPower, f3)) + " *\n";
    EXPECT_NE(text.find(changed), std::string::npos) << text;
    const std::string low = std::to_string(after.getValue(row::TxPower, col::TxPowerLow + 2));
    EXPECT_NE(text.find("\t \t    " + low + "\t\t" + low + "\n"), std::string::npos);
    // A data set the earlier record lacks is marked as changed, whatever its cell holds.
    EXPECT_NE(
        text.find(std::to_string(after.getValue(row::DtmfDeviation, col::Single)) + "\t\t----" + " *\n"),
        std::string::npos);
    // Nothing else is marked.
    EXPECT_EQ(countOf(text, " *\n"), 2) << text;
}

TEST_F(TuningReportText, BeforeColumnOfMobileBlocksAndOfEqualRecords) {
    radioStorage before, after;
    fillMobile(before);
    fillMobile(after);
    after.setValue(row::MobilePower, col::KmFirst, 99);  // K at F1
    after.setValue(row::Parameters, col::BatteryThreshold, 120);
    after.setValue(row::MobilePower, col::LowBandTxDacSecond, 140);

    tuningReport report(after);
    report.showBefore(before, "radio");
    const std::string text = report.text();
    EXPECT_NE(text.find("\n3 values differ.\n"), std::string::npos);
    EXPECT_NE(text.find("P2(W) \tBefore (K, M)\n"), std::string::npos);
    EXPECT_NE(text.find("\t\t20 *, 60\n"), std::string::npos) << text;  // K was 20, M unchanged
    EXPECT_NE(text.find("\t\t21, 63\n"), std::string::npos);
    EXPECT_NE(text.find(" DAC 2\t \t\t    140\t\t150 *\n"), std::string::npos);
    EXPECT_NE(text.find(" DAC 1\t \t\t    200\t\t200\n"), std::string::npos);
    EXPECT_NE(text.find("120\t7.50, 123 *\n"), std::string::npos);
    EXPECT_EQ(countOf(text, " *\n") + countOf(text, " *,"), 3) << text;

    // Against itself: nothing marked, and the plain report is still the reviewed one.
    tuningReport same(before);
    same.showBefore(before, "itself");
    const std::string sameText = same.text();
    EXPECT_NE(sameText.find("\nNo value differs.\n"), std::string::npos);
    EXPECT_EQ(countOf(sameText, " *\n"), 0);
    EXPECT_EQ(tuningReport(before).text(), readText(VANTREL_TEST_DATA_DIR "/report_mobile.txt"));
}

}  // namespace
}  // namespace vantrel

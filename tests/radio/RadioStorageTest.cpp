// Tests of the radio record: model code extraction, flag independence, guarded table access, baseband rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

TEST(RadioStorage, ModelCodeAtStartKeepsTheWholeRawText) {
    radioStorage r;
    r.setModelNo("P47MSC6A2T-01.2X");
    EXPECT_EQ(r.modelNoBytes(), "P47MSC6A2T-01.2X");
}

TEST(RadioStorage, ModelCodeAtPositionThreeMovesToFrontAndKeepsTrailingSix) {
    radioStorage r;
    r.setModelNo("ABCM52HSC7E1TXYZ");
    EXPECT_EQ(r.modelNoBytes(), "M52HSC7E1T      ");  // blanks left from construction

    r.setModelNo("P47MSC6A2T123456");
    r.setModelNo("ABCM52HSC7E1TXYZ");
    EXPECT_EQ(r.modelNoBytes(), "M52HSC7E1T123456");  // what the previous text left there
}

TEST(RadioStorage, LastMatchingPrefixPositionWins) {
    radioStorage r;
    r.setModelNo("XP47M52HSC7E1TQQ");
    EXPECT_EQ(std::string(r.getModelNo(), 10), "M52HSC7E1T");
}

TEST(RadioStorage, UnknownModelTextIsTakenUnchanged) {
    radioStorage r;
    r.setModelNo("NULL            ");
    EXPECT_EQ(r.modelNoBytes(), "NULL            ");
    r.setModelNo("SHORT");
    EXPECT_STREQ(r.getModelNo(), "SHORT");
}

TEST(RadioStorage, StartsAndResetsWithNullTexts) {
    radioStorage r;
    r.setModelNo("P47MSC6A2T      ");
    r.setSerialNo("1234567890");
    r.setUuid(std::string(16, '\x7f'));
    r.resetIdentity();
    EXPECT_EQ(r.modelNoBytes(), "NULL            ");
    EXPECT_EQ(r.serialNoBytes(), "NULL      ");
    EXPECT_EQ(r.uuidBytes(), "NULL            ");
    EXPECT_STREQ(r.getIcVersion(), "NULL");
}

TEST(RadioStorage, IdentityTextsAreCopiedWithEveryByte) {
    radioStorage r;
    {
        std::string serial = "Invalid";
        r.setSerialNo(serial);
        serial = "overwrite!";
    }
    EXPECT_STREQ(r.getSerialNo(), "Invalid");

    const std::string id(
        "\x00\x01\xFE\xFF\x00"
        "abcdefghijk",
        16);
    r.setUuid(id);
    EXPECT_EQ(r.uuidBytes(), id);

    r.setSerialNo("12345678901234");  // longer than the field
    EXPECT_EQ(r.serialNoBytes(), "1234567890");
    EXPECT_EQ(std::strlen(r.getSerialNo()), 10u);
}

TEST(RadioStorage, EachFlagOperationTouchesExactlyOneFlag) {
    for (int i = flag::First; i <= flag::Last; ++i) {
        radioStorage r;
        for (int j = flag::First; j <= flag::Last; ++j) r.markSupported(j);
        r.markUnsupported(i);
        for (int j = flag::First; j <= flag::Last; ++j) EXPECT_EQ(r.isSupported(j), j != i) << i << " " << j;

        for (int j = flag::First; j <= flag::Last; ++j) r.markUnsupported(j);
        r.markSupported(i);
        for (int j = flag::First; j <= flag::Last; ++j) EXPECT_EQ(r.isSupported(j), j == i) << i << " " << j;
    }
}

TEST(RadioStorage, NeighbouringFlagsStayAsTheyWere) {
    radioStorage r;
    r.markUnsupported(flag::PaBiasFirstHigh);
    EXPECT_TRUE(r.isSupported(flag::PaBiasFirstLow));
    r.markSupported(flag::PaBiasThird);
    EXPECT_FALSE(r.isSupported(flag::BatteryThreshold));
    r.markSupported(flag::BatteryThreshold);
    r.markUnsupported(flag::BatteryThreshold);
    EXPECT_TRUE(r.isSupported(flag::MultiValueRead));
}

TEST(RadioStorage, FlagIndicesOutsideTheRangeAreFalseAndIgnored) {
    radioStorage r;
    r.markSupported(1);
    r.markSupported(29);
    EXPECT_FALSE(r.isSupported(1));
    EXPECT_FALSE(r.isSupported(29));
    r.markUnsupported(1);
    r.markUnsupported(29);
    EXPECT_TRUE(r.isSupported(flag::First));
    EXPECT_TRUE(r.isSupported(flag::Last));
}

TEST(RadioStorage, MobilePowerAndBatteryThresholdStartUnsupported) {
    radioStorage r;
    EXPECT_FALSE(r.isSupported(flag::MobileTxPower));
    EXPECT_FALSE(r.isSupported(flag::BatteryThreshold));
    EXPECT_TRUE(r.isSupported(flag::TxPower));
}

TEST(RadioStorage, ValueAccessOutsideTheTableIsHarmless) {
    radioStorage r;
    r.setValue(0, record::kColumns, 77);  // would spill into row 1
    r.setValue(record::kRows, 0, 77);
    r.setValue(-1, 5, 77);
    EXPECT_EQ(r.getValue(1, 0), 0);
    EXPECT_EQ(r.getValue(record::kRows, 0), 0);
    EXPECT_EQ(r.getValue(0, -1), 0);
    r.setValue(row::TxPowerThird, 21, -5);
    EXPECT_EQ(r.getValue(row::TxPowerThird, 21), -5);
    r.setTuningProcedure(2);
    EXPECT_EQ(r.getValue(row::Frequency, col::TuningProcedure), 2);
}

TEST(RadioStorage, RadioHeldOffsetsGiveNineFixedRows) {
    radioStorage r;
    r.bboBlock().bboRowCount = 4;
    r.setBboFromRadio(true);
    EXPECT_EQ(r.getBboRowCount(), 9);
    ASSERT_TRUE(r.allocateBboRows());
    ASSERT_EQ(r.getBboRows().size(), 9u);
    EXPECT_EQ(r.bboBlock().bboRowCount, 9);
    EXPECT_STREQ(r.getBboRows()[0].name, "CSQ Offset               ");
    EXPECT_STREQ(r.getBboRows()[1].name, "NUV/QDT/ZAPO Offset      ");
    EXPECT_STREQ(r.getBboRows()[8].name, "LTR Low Deviation Offset ");
}

TEST(RadioStorage, ConfiguredRowCountIsAllocatedAndDamagedCountsRefused) {
    radioStorage r;
    r.setBboFromRadio(false);
    r.bboBlock().bboRowCount = 5;
    ASSERT_TRUE(r.allocateBboRows());
    EXPECT_EQ(r.getBboRows().size(), 5u);
    EXPECT_EQ(r.getBboRowCount(), 5);

    r.bboBlock().bboRowCount = -1;
    EXPECT_FALSE(r.allocateBboRows());
    EXPECT_TRUE(r.getBboRows().empty());
    r.bboBlock().bboRowCount = 0x7fffffff;
    EXPECT_FALSE(r.allocateBboRows());
}

}  // namespace
}  // namespace vantrel

// Baseband offsets of one radio on the simulated radio: codes, choices and updates of both kinds.
#include <gtest/gtest.h>

#include "../operations/SimBench.h"
#include "link/cominit.h"
#include "operations/basebandOffsets.h"
#include "operations/bboConfigFileModule.h"
#include "operations/radioOperations.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"

namespace vantrel {
namespace {

/// The radio of a profile with its record read as far as the baseband offsets need.
struct OffsetRig {
    explicit OffsetRig(const std::string& profile) : bench(test::profileNamed(profile)) {
        record.setModelNo(bench.radio.profile().modelNo);
        record.setSerialNo(bench.radio.profile().serialNo);
        cominit link;
        radioOperations().readBasebandOffsets(record, link);
        bboConfigFileModule config;
        EXPECT_EQ(config.loadFile(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo.cfg"),
                  bboLoadResult::Loaded);
        EXPECT_EQ(config.matchRadio(record, link), bboMatchResult::Matched);
    }
    test::SimBench bench;
    radioStorage record;
};

TEST(BasebandCodes, NibblesAndTexts) {
    EXPECT_EQ(basebandOffsets::merge(0xA7, 0x0F, 3), 0xA3);
    EXPECT_EQ(basebandOffsets::merge(0xA7, 0xF0, 3), 0x37);
    EXPECT_EQ(basebandOffsets::extract(0xA7, 0xF0), 10);
    EXPECT_EQ(bboCode::text(10), "1215 Hz");
    EXPECT_EQ(bboCode::text(bboCode::None), "");
    EXPECT_EQ(bboCode::fromText("512 Hz"), 15);
    EXPECT_EQ(bboCode::fromText("512"), bboCode::None);
    std::vector<std::string> shown;
    for (int code : bboCode::listOrder()) shown.push_back(bboCode::text(code));
    EXPECT_EQ(shown, (std::vector<std::string>{"28 Hz", "57 Hz", "86 Hz", "115 Hz", "144 Hz", "174 Hz",
                                               "204 Hz", "234 Hz", "512 Hz", "646 Hz", "781 Hz", "921 Hz",
                                               "1066 Hz", "1215 Hz", "1370 Hz", "1500 Hz"}));
}

TEST(BasebandRadioHeld, TwentyKilohertzRowsZeroAndOneWriteF5ForItemFive) {
    OffsetRig rig("bbo-radio");
    ASSERT_TRUE(rig.record.isBboFromRadio());
    basebandOffsets offsets(rig.record);
    cominit link;
    ASSERT_TRUE(offsets.load(link));
    EXPECT_EQ(offsets.rowCount(), 9);
    // Item 5 of 20 kHz is 37 = 0x25: row 0 the low nibble, row 1 the high one.
    EXPECT_EQ(offsets.defaultCode(1, 0), 5);
    EXPECT_EQ(offsets.defaultCode(1, 1), 2);
    EXPECT_TRUE(offsets.choose(1, 1, bboCode::fromText("512 Hz")));
    EXPECT_TRUE(offsets.choose(1, 0, bboCode::fromText("86 Hz")));
    EXPECT_TRUE(offsets.choose(1, 2, bboCode::None));  // a text that is no offset changes nothing
    EXPECT_EQ(offsets.newCode(1, 2), offsets.defaultCode(1, 2));
    const size_t before = rig.bench.requests("B").size();
    ASSERT_EQ(offsets.update(link), basebandOffsets::UpdateResult::Updated);
    const std::vector<std::string> writes = rig.bench.requests("B");
    ASSERT_EQ(writes.size() - before, 15u);
    EXPECT_EQ(writes[before + 5], "B 5 130");  // item 5 with index 0x82, the first of the 20 kHz items
    EXPECT_EQ(rig.bench.radio.bboByte(1, 0), 0xF5);
    EXPECT_EQ(rig.record.getValue(row::BasebandOffset, 5), 0xF5);
    EXPECT_EQ(offsets.defaultCode(1, 1), 15);
}

TEST(BasebandRadioHeld, FailedWriteKeepsTheRecordAndDefaultsOfWhatDidNotGo) {
    OffsetRig rig("bbo-radio");
    basebandOffsets offsets(rig.record);
    cominit link;
    ASSERT_TRUE(offsets.load(link));
    offsets.choose(2, 8, 0);
    const int oldByte = rig.record.getValue(row::BasebandOffset, 14);
    SimFaultRule silence;
    silence.kind = SimFaultKind::Silence;
    silence.atRequest = rig.bench.radio.requestCount() + 11;  // the fifteenth write never answers
    silence.times = 0;
    rig.bench.radio.addFault(silence);
    EXPECT_EQ(offsets.update(link), basebandOffsets::UpdateResult::Failed);
    EXPECT_EQ(rig.record.getValue(row::BasebandOffset, 14), oldByte);
    EXPECT_NE(offsets.defaultCode(2, 8), 0);
}

TEST(BasebandTable, MainBandGroupKeepsTheCodeplugChecksum) {
    OffsetRig rig("bbo-codeplug");
    ASSERT_TRUE(radiomodel().isMainBandGroup(rig.record));
    basebandOffsets offsets(rig.record);
    cominit link;
    ASSERT_TRUE(offsets.load(link));
    ASSERT_TRUE(offsets.readChecksum(link));
    // Entry 1 (20 kHz) byte 0 is 107 = 0x6B: CSQ (low nibble) 11, NUV (high nibble) 6.
    EXPECT_EQ(offsets.defaultCode(1, 0), 11);
    EXPECT_EQ(offsets.defaultCode(1, 1), 6);
    ASSERT_TRUE(offsets.choose(1, 1, 15));
    ASSERT_EQ(offsets.update(link), basebandOffsets::UpdateResult::Updated);
    EXPECT_EQ(rig.bench.radio.codeplug()[512 + 3 + 4], 0xFB);
    EXPECT_TRUE(rig.bench.radio.codeplugChecksumValid());
    EXPECT_EQ(offsets.defaultCode(1, 1), 15);
    EXPECT_EQ(rig.bench.requests().back(), "X");
}

TEST(BasebandTable, UnknownChecksumRefusesTheUpdateAndWritesNothing) {
    OffsetRig rig("bbo-codeplug");
    basebandOffsets offsets(rig.record);
    cominit link;
    ASSERT_TRUE(offsets.load(link));
    ASSERT_TRUE(offsets.choose(0, 0, 1));
    const std::vector<uint8_t> before = rig.bench.radio.codeplug();
    EXPECT_EQ(offsets.update(link), basebandOffsets::UpdateResult::ChecksumUnknown);
    EXPECT_EQ(rig.bench.radio.codeplug(), before);
}

TEST(BasebandTable, OtherRadiosMoveTheTablesOwnChecksums) {
    for (const char* profile : {"bbo-codeplug-sums", "bbo-codeplug-long", "bbo-codeplug-varying"}) {
        SCOPED_TRACE(profile);
        OffsetRig rig(profile);
        basebandOffsets offsets(rig.record);
        cominit link;
        ASSERT_TRUE(offsets.load(link));
        EXPECT_TRUE(offsets.readChecksum(link));
        for (int s = 0; s < bboCode::Spacings; ++s)
            for (int j = 0; j < offsets.rowCount(); ++j) ASSERT_TRUE(offsets.choose(s, j, (s * 5 + j) % 16));
        ASSERT_EQ(offsets.update(link), basebandOffsets::UpdateResult::Updated);
        basebandOffsets again(rig.record);
        ASSERT_TRUE(again.load(link));
        for (int s = 0; s < bboCode::Spacings; ++s)
            for (int j = 0; j < offsets.rowCount(); ++j) EXPECT_EQ(again.defaultCode(s, j), (s * 5 + j) % 16);
    }
}

TEST(BasebandTable, RowOutsideTheEntryIsADataEntryError) {
    OffsetRig rig("bbo-codeplug-sums");
    rig.record.getBboRows()[2].bytePosition = 3;  // entries hold three bytes: 0..2
    basebandOffsets offsets(rig.record);
    cominit link;
    EXPECT_FALSE(offsets.load(link));
    rig.record.getBboRows()[2].bytePosition = 1;
    ASSERT_TRUE(offsets.load(link));
    rig.record.getBboRows()[2].bytePosition = 3;
    EXPECT_FALSE(offsets.choose(0, 2, 4));
    EXPECT_TRUE(offsets.entryError());
}

}  // namespace
}  // namespace vantrel

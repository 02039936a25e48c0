// The simulator's own frame codec: encodings, assembly, noise and gaps; codeplug tables and checksums.
#include <gtest/gtest.h>

#include "sim/SimCodeplug.h"
#include "sim/SimFrame.h"

namespace vantrel {
namespace {

TEST(SimFrameCodec, EncodesTheKnownFrames) {
    struct Case {
        uint8_t opcode;
        std::vector<uint8_t> payload;
        std::vector<uint8_t> frame;
    };
    const Case cases[] = {
        {0x19, {0x01}, {0xF2, 0x19, 0x01, 0xF3}},
        {0x19, {0x00}, {0xF2, 0x19, 0x00, 0xF4}},
        {0x10, {}, {0xF1, 0x10, 0xFE}},
        {0x05, {}, {0x50}},
        {0x06, {}, {0x60}},
        {0x86, {0x20}, {0xF2, 0x86, 0x20, 0x67}},
    };
    for (const Case& c : cases) EXPECT_EQ(encodeSimFrame(c.opcode, c.payload), c.frame) << hexBytes(c.frame);
}

TEST(SimFrameCodec, FourteenPayloadBytesSwitchToTheSixteenBitCount) {
    const auto f13 = encodeSimFrame(0x8A, std::vector<uint8_t>(13, 1));
    EXPECT_EQ(f13[0], 0xFE);
    const auto f14 = encodeSimFrame(0x8A, std::vector<uint8_t>(14, 1));
    ASSERT_EQ(f14.size(), 1u + 1 + 2 + 14 + 1);
    EXPECT_EQ(f14[0], 0xFF);
    EXPECT_EQ(f14[2], 0x00);
    EXPECT_EQ(f14[3], 15);
}

TEST(SimFrameAssembly, AssemblesShortExtendedAndLongCountFrames) {
    SimFrameAssembler a;
    for (const auto& frame :
         {encodeSimFrame(0x20, {11, 0, 0}), encodeSimFrame(0x17, std::vector<uint8_t>(40, 7)),
          std::vector<uint8_t>{0x50}}) {
        std::optional<SimFrame> got;
        for (size_t i = 0; i < frame.size(); ++i) {
            got = a.feed(frame[i], 10);
            if (i + 1 < frame.size()) {
                EXPECT_FALSE(got) << "early at byte " << i;
            }
        }
        ASSERT_TRUE(got);
        EXPECT_EQ(got->raw, frame);
        EXPECT_TRUE(got->checksumOk);
    }
}

TEST(SimFrameAssembly, FlagsABadChecksumAndDropsAStaleFragment) {
    SimFrameAssembler a(50);
    a.feed(0xF2, 0);
    a.feed(0x19, 0);
    a.feed(0x01, 0);
    auto bad = a.feed(0x00, 0);
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->checksumOk);

    a.feed(0xF4, 100);  // a fragment
    a.feed(0x19, 100);
    EXPECT_FALSE(a.feed(0xF2, 200));
    EXPECT_EQ(a.dropped(), (std::vector<uint8_t>{0xF4, 0x19}));
    a.feed(0x19, 200);
    a.feed(0x00, 200);
    auto ok = a.feed(0xF4, 200);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->checksumOk);
    EXPECT_EQ(ok->opcode, 0x19);
}

TEST(SimFrameAssembly, ANoiseHeaderAskingForAHugeFrameIsDroppedAtOnce) {
    SimFrameAssembler a;
    a.feed(0xFF, 0);
    a.feed(0x19, 0);
    a.feed(0xFF, 0);
    a.feed(0xFF, 0);
    EXPECT_TRUE(a.idle());
}

TEST(SimCodeplugTables, ShortFormWithEntryAndTableChecksumsHasTheDocumentedLength) {
    SimCodeplugTable t;
    t.entrySize = 2;
    t.entryChecksums = true;
    t.tableChecksum = true;
    t.records = {{{1, 2}, {3, 4}, {10, 13}, {5, 6}}};
    const auto bytes = encodeCodeplugTable(t);
    EXPECT_EQ(bytes.size(), 16u);
    EXPECT_EQ(bytes[0], 0xC0);
    std::vector<uint8_t> image(1024, 0xFF);
    std::copy(bytes.begin(), bytes.end(), image.begin() + 100);
    EXPECT_EQ(verifyCodeplugTable(image, 100), "");
    // A program that changes byte 1 of entry 2 from 13 to 10 and lowers nothing breaks entry 2.
    image[100 + 3 + 2 * 3 + 1] = 10;
    EXPECT_NE(verifyCodeplugTable(image, 100).find("entry 2"), std::string::npos);
    // Moving the entry checksum by the opposite amount repairs it; the table checksum is untouched.
    image[100 + 3 + 2 * 3 + 2] = static_cast<uint8_t>(image[100 + 3 + 2 * 3 + 2] + 3);
    EXPECT_EQ(verifyCodeplugTable(image, 100), "");
}

TEST(SimCodeplugTables, LongFormsCarryRecordChecksums) {
    SimCodeplugTable fixed;
    fixed.longForm = true;
    fixed.recordChecksums = true;
    fixed.tableChecksum = true;
    fixed.entrySize = 2;
    fixed.records = {{{1, 2}, {3, 4}}, {{5, 6}, {7, 8}}};
    const auto f = encodeCodeplugTable(fixed);
    EXPECT_EQ(f.size(), 6u + 4 * 2 + 2 + 1);
    EXPECT_EQ(f[1], 4);  // record size

    SimCodeplugTable varying = fixed;
    varying.varyingRecords = true;
    varying.records = {{{1, 2}}, {{3, 4}, {5, 6}, {7, 8}}};
    const auto v = encodeCodeplugTable(varying);
    EXPECT_EQ(v.size(), 5u + (2 * 1 + 1 + 1) + (2 * 3 + 1 + 1) + 1);
    EXPECT_EQ(v[1], 0);  // varying records
    EXPECT_EQ(v[5], 1);  // first record's entry count

    for (const auto& bytes : {f, v}) {
        std::vector<uint8_t> image(256, 0);
        std::copy(bytes.begin(), bytes.end(), image.begin());
        EXPECT_EQ(verifyCodeplugTable(image, 0), "");
    }
}

TEST(SimCodeplugTables, RaggedEntriesAreRefused) {
    SimCodeplugTable t;
    t.entrySize = 2;
    t.records = {{{1, 2}, {3}}};
    EXPECT_THROW(encodeCodeplugTable(t), std::invalid_argument);
}

TEST(SimCodeplugChecksum, KeepsTheSixteenBitSumConstant) {
    std::vector<uint8_t> image(1024, 0xFF);
    storeCodeplugChecksum(image);
    EXPECT_TRUE(codeplugChecksumHolds(image));
    image[10] = 0x20;  // was 0xFF: the sum drops by 0xDF
    EXPECT_FALSE(codeplugChecksumHolds(image));
    uint16_t sum = static_cast<uint16_t>(image[766] << 8 | image[767]);
    sum = static_cast<uint16_t>(sum + 0xFF - 0x20);
    image[766] = static_cast<uint8_t>(sum >> 8);
    image[767] = static_cast<uint8_t>(sum);
    EXPECT_TRUE(codeplugChecksumHolds(image));
}

}  // namespace
}  // namespace vantrel

// Codeplug tables: header forms, lengths, positions, checksum finding, keep-sum changes, chunked transfers.
#include <gtest/gtest.h>

#include "FakeCodeplug.h"
#include "radio/codeplugAccess.h"
#include "sim/SimCodeplug.h"

namespace vantrel {
namespace {

using test::FakeCodeplug;

constexpr uint32_t kAt = 100;

/// A codeplug of `size` bytes of 0xEE with the encoded table at kAt.
std::vector<uint8_t> imageWith(const SimCodeplugTable& table, size_t size = 1024) {
    std::vector<uint8_t> image(size, 0xEE);
    const std::vector<uint8_t> bytes = encodeCodeplugTable(table);
    std::copy(bytes.begin(), bytes.end(), image.begin() + kAt);
    return image;
}

SimCodeplugTable shortTable(bool entrySums, bool tableSum) {
    SimCodeplugTable t;
    t.address = kAt;
    t.entrySize = 2;
    t.entryChecksums = entrySums;
    t.tableChecksum = tableSum;
    t.records = {{{1, 2}, {3, 4}, {5, 10}, {7, 8}}};
    return t;
}

/// Entry size 2, counts 3 and 1, entry, record and table checksums.
SimCodeplugTable varyingTable() {
    SimCodeplugTable t;
    t.address = kAt;
    t.longForm = true;
    t.varyingRecords = true;
    t.entrySize = 2;
    t.entryChecksums = true;
    t.recordChecksums = true;
    t.tableChecksum = true;
    t.records = {{{1, 2}, {3, 4}, {5, 6}}, {{9, 8}}};
    return t;
}

struct Loaded {
    explicit Loaded(const SimCodeplugTable& table) : radio(imageWith(table)) {
        ok = access.loadTable(radio, kAt);
    }
    /// Writes the table back and checks every sum of it with the simulated radio's own checker.
    std::string storedVerdict() {
        EXPECT_TRUE(access.storeTable(radio, kAt));
        return verifyCodeplugTable(radio.image, kAt);
    }
    FakeCodeplug radio;
    codeplugAccess access;
    bool ok = false;
};

TEST(CodeplugAccessShape, ShortTableWithEntryAndTableSumsIsSixteenBytes) {
    Loaded t(shortTable(true, true));
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.access.tableLength(), 16u);
    EXPECT_EQ(t.access.state(), codeplugAccess::StateLoaded);
    EXPECT_EQ(t.access.positionOf(0, 2, 1), 10);
    EXPECT_EQ(t.access.checksumFor(10), 11);
    uint8_t b = 0;
    ASSERT_TRUE(t.access.getEntryByte(b, 0, 2, 1));
    EXPECT_EQ(b, 10);
}

TEST(CodeplugAccessShape, VaryingTableLengthAndRecordPositions) {
    Loaded t(varyingTable());
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.access.tableLength(), 22u);
    EXPECT_EQ(t.access.positionOf(1, 0, 0), 17);
    uint8_t b = 0;
    ASSERT_TRUE(t.access.getEntryByte(b, 1, 0, 1));
    EXPECT_EQ(b, 8);
    // The count bytes of later records are asked for one by one before the table itself.
    EXPECT_EQ(t.radio.reads, (std::vector<unsigned>{6, 1, 22}));
}

TEST(CodeplugAccessShape, LongFixedRecordsWithRecordSums) {
    SimCodeplugTable table;
    table.address = kAt;
    table.longForm = true;
    table.entrySize = 3;
    table.recordChecksums = true;
    table.records = {{{1, 2, 3}, {4, 5, 6}}, {{7, 8, 9}, {10, 11, 12}}};
    Loaded t(table);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.access.tableLength(), 6u + 2 * 7);
    EXPECT_EQ(t.access.positionOf(1, 1, 2), 6 + 7 + 3 + 2);
    EXPECT_EQ(t.access.checksumFor(6 + 7 + 3 + 2), 6 + 7 + 6);
    EXPECT_TRUE(t.access.setEntryByte(99, 1, 1, 2));
    EXPECT_EQ(t.storedVerdict(), "");
}

TEST(CodeplugAccessChunks, SeventyByteTableLoadsAsThirtyTwoThirtyTwoSixAndStoresAsThirtyEightThirtyTwo) {
    SimCodeplugTable table;
    table.address = kAt;
    table.entrySize = 67;
    table.records = {{std::vector<uint8_t>(67, 0x11)}};
    Loaded t(table);
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(t.access.tableLength(), 70u);
    EXPECT_EQ(t.radio.reads, (std::vector<unsigned>{6, 32, 32, 6}));
    EXPECT_TRUE(t.access.storeTable(t.radio, kAt));
    EXPECT_EQ(t.radio.writes, (std::vector<unsigned>{38, 32}));
}

TEST(CodeplugAccessChecksums, EntryChangeMovesItsEntrySumAndLeavesTheTableSum) {
    Loaded t(shortTable(true, true));
    const uint8_t entrySum = t.radio.image[kAt + 11];
    const uint8_t tableSum = t.radio.image[kAt + 15];
    ASSERT_TRUE(t.access.setEntryByte(13, 0, 2, 1));
    EXPECT_EQ(t.access.buffer()[11], static_cast<uint8_t>(entrySum - 3));
    EXPECT_EQ(t.access.buffer()[15], tableSum);
    EXPECT_EQ(t.access.lastChecksumPosition(), 11u);
    EXPECT_EQ(t.storedVerdict(), "");
}

TEST(CodeplugAccessChecksums, TableSumOnlyMovesTheLastByte) {
    Loaded t(shortTable(false, true));
    ASSERT_EQ(t.access.tableLength(), 12u);
    const uint8_t last = t.access.buffer()[11];
    ASSERT_TRUE(t.access.setEntryByte(0x20, 0, 0, 0));
    EXPECT_EQ(t.access.buffer()[11], static_cast<uint8_t>(last + 1 - 0x20));
    EXPECT_EQ(t.storedVerdict(), "");
}

TEST(CodeplugAccessChecksums, TableWithoutSumsJustTakesTheByte) {
    Loaded t(shortTable(false, false));
    const std::vector<uint8_t> before = t.access.buffer();
    ASSERT_TRUE(t.access.setEntryByte(0x77, 0, 3, 1));
    std::vector<uint8_t> expected = before;
    expected[3 + 3 * 2 + 1] = 0x77;
    EXPECT_EQ(t.access.buffer(), expected);
}

TEST(CodeplugAccessChecksums, EveryEntryOfEveryFormKeepsAllItsSums) {
    // Entry sums inside record sums inside a table sum: only the innermost moves, the outer ones hold.
    Loaded t(varyingTable());
    ASSERT_TRUE(t.ok);
    const uint8_t tableSum = t.access.buffer().back();
    int changed = 0;
    for (int r = 0; r < 2; ++r)
        for (int e = 0; e < 3; ++e)
            for (int k = 0; k < 2; ++k)
                if (t.access.setEntryByte(static_cast<uint8_t>(0x40 + r * 8 + e * 2 + k), r, e, k))
                    ++changed;
    EXPECT_EQ(changed, 8);
    EXPECT_EQ(t.access.buffer().back(), tableSum);
    EXPECT_EQ(t.storedVerdict(), "");
}

TEST(CodeplugAccessChecksums, KeepSumMovesTheCodeplugSumBothBytes) {
    Loaded t(shortTable(false, false));
    ASSERT_TRUE(t.access.setEntryByte(0x10, 0, 0, 0));
    uint8_t sum[2] = {0x01, 0x00};
    ASSERT_TRUE(t.access.setEntryByteKeepSum(0x20, 0, 0, 0, sum));
    EXPECT_EQ(sum[0], 0x00);
    EXPECT_EQ(sum[1], 0xF0);
    uint8_t b = 0;
    t.access.getEntryByte(b, 0, 0, 0);
    EXPECT_EQ(b, 0x20);
}

TEST(CodeplugAccessChecksums, KeepSumRefusesTablesWithTheirOwnSums) {
    Loaded t(shortTable(true, false));
    uint8_t sum[2] = {0x12, 0x34};
    const std::vector<uint8_t> before = t.access.buffer();
    EXPECT_FALSE(t.access.setEntryByteKeepSum(0x20, 0, 0, 0, sum));
    EXPECT_EQ(sum[0], 0x12);
    EXPECT_EQ(sum[1], 0x34);
    EXPECT_EQ(t.access.buffer(), before);
}

TEST(CodeplugAccessBounds, PositionsOutsideTheEntriesAreRefusedAndNothingChanges) {
    Loaded t(varyingTable());
    const std::vector<uint8_t> before = t.access.buffer();
    uint8_t sum[2] = {0, 0};
    struct Case {
        int record, entry, byte;
    };
    // Record 2 does not exist; record 1 holds one entry only; entries have two bytes.
    for (const Case& c : {Case{2, 0, 0}, Case{1, 1, 0}, Case{0, 3, 0}, Case{0, 0, 2}, Case{-1, 0, 0},
                          Case{0, -1, 0}, Case{0, 0, -1}}) {
        uint8_t b = 0;
        EXPECT_FALSE(t.access.getEntryByte(b, c.record, c.entry, c.byte)) << c.record << c.entry << c.byte;
        EXPECT_FALSE(t.access.setEntryByte(1, c.record, c.entry, c.byte));
        EXPECT_FALSE(t.access.setEntryByteKeepSum(1, c.record, c.entry, c.byte, sum));
    }
    EXPECT_EQ(t.access.buffer(), before);
}

TEST(CodeplugAccessBounds, ShortFormHasOnlyRecordZero) {
    Loaded t(shortTable(false, false));
    uint8_t b = 0;
    EXPECT_TRUE(t.access.getEntryByte(b, 0, 3, 1));
    EXPECT_FALSE(t.access.getEntryByte(b, 1, 0, 0));
    EXPECT_FALSE(t.access.getEntryByte(b, 0, 4, 0));
}

TEST(CodeplugAccessBounds, FixedRecordSizeTooSmallForItsEntriesOffersOnlyTheFittingOnes) {
    // A damaged header: two entries of 3 bytes announced in records of 4 bytes.
    std::vector<uint8_t> image(256, 0);
    const uint8_t header[] = {0x04, 4, 2, 0, 3, 2};
    std::copy(std::begin(header), std::end(header), image.begin() + kAt);
    FakeCodeplug radio(image);
    codeplugAccess access;
    ASSERT_TRUE(access.loadTable(radio, kAt));
    EXPECT_EQ(access.tableLength(), 14u);
    EXPECT_EQ(access.positionOf(0, 0, 2), 8);
    EXPECT_EQ(access.positionOf(0, 1, 0), -1);  // would lie in record 1
}

TEST(CodeplugAccessLoad, HeaderReachingPastTheAddressSpaceIsRefusedUnread) {
    std::vector<uint8_t> image(256, 0);
    // Short form of 255 entries of 255 bytes near the top of the 24-bit space.
    FakeCodeplug radio(image);
    codeplugAccess access;
    EXPECT_FALSE(access.loadTable(radio, 0x1000000));
    EXPECT_TRUE(radio.reads.empty());
    radio.image.assign(256, 0xFF);  // 0xFF: long form, varying... every count 255
    radio.image[0] = 0x84;
    EXPECT_FALSE(access.loadTable(radio, 0));  // the table runs past the image: the radio refuses
    EXPECT_FALSE(access.isLoaded());
}

TEST(CodeplugAccessLoad, FailedReloadLeavesNothingLoaded) {
    Loaded t(shortTable(true, true));
    ASSERT_TRUE(t.ok);
    t.radio.failReadAt = t.radio.reads.size() + 2;
    EXPECT_FALSE(t.access.loadTable(t.radio, kAt));
    EXPECT_FALSE(t.access.isLoaded());
    uint8_t b = 0;
    EXPECT_FALSE(t.access.getEntryByte(b, 0, 0, 0));
    EXPECT_FALSE(t.access.setEntryByte(1, 0, 0, 0));
    const size_t writes = t.radio.writes.size();
    EXPECT_FALSE(t.access.storeTable(t.radio, kAt));
    EXPECT_EQ(t.radio.writes.size(), writes);
}

TEST(CodeplugAccessLoad, RepliesOfTheWrongLengthOrAddressAreFailures) {
    for (int variant = 0; variant < 2; ++variant) {
        FakeCodeplug radio(imageWith(shortTable(false, false)));
        (variant ? radio.addressSkew : radio.shortBy) = 1;
        codeplugAccess access;
        EXPECT_FALSE(access.loadTable(radio, kAt)) << variant;
    }
}

TEST(CodeplugAccessStore, WriteFailureIsAnsweredFalse) {
    SimCodeplugTable table;
    table.address = kAt;
    table.entrySize = 60;
    table.records = {{std::vector<uint8_t>(60, 1)}};
    Loaded t(table);
    t.radio.failWriteAt = 2;
    EXPECT_FALSE(t.access.storeTable(t.radio, kAt));
    EXPECT_EQ(t.radio.writes.size(), 2u);
}

TEST(CodeplugAccessChecksumWord, ReadsAndWritesTheWordAt766HighByteFirst) {
    FakeCodeplug radio(std::vector<uint8_t>(1024, 0));
    radio.image[766] = 0xAB;
    radio.image[767] = 0xCD;
    uint8_t sum[2] = {0, 0};
    ASSERT_TRUE(codeplugAccess::readCodeplugChecksum(sum, radio));
    EXPECT_EQ(sum[0], 0xAB);
    EXPECT_EQ(sum[1], 0xCD);
    const uint8_t next[2] = {0x12, 0x34};
    ASSERT_TRUE(codeplugAccess::writeCodeplugChecksum(next, radio));
    EXPECT_EQ(radio.image[766], 0x12);
    EXPECT_EQ(radio.image[767], 0x34);
    radio.failReadAt = radio.reads.size() + 1;
    EXPECT_FALSE(codeplugAccess::readCodeplugChecksum(sum, radio));
    radio.failWriteAt = radio.writes.size() + 1;
    EXPECT_FALSE(codeplugAccess::writeCodeplugChecksum(next, radio));
}

}  // namespace
}  // namespace vantrel

// Codeplug tables and temp comp bytes on the simulated radio: kept across requests, checksums enforced.
#include <gtest/gtest.h>

#include "../operations/SimBench.h"
#include "link/Exceptions.h"
#include "link/cominit.h"
#include "radio/codeplugAccess.h"
#include "sim/SimCodeplug.h"

namespace vantrel {
namespace {

struct TableCase {
    const char* profile;
    int spacingEntries;  ///< entries of record 0
};

class SimTables : public ::testing::TestWithParam<TableCase> {};

TEST_P(SimTables, EveryEntryByteChangedAndStoredKeepsTheTableValid) {
    test::SimBench bench(test::profileNamed(GetParam().profile));
    const uint32_t at = bench.radio.profile().bboConfig->tableAddress;
    {
        cominit link;
        codeplugAccess table;
        ASSERT_TRUE(table.loadTable(link, at));
        for (int e = 0; e < GetParam().spacingEntries; ++e)
            for (int k = 0; k < 2; ++k) {
                uint8_t b = 0;
                ASSERT_TRUE(table.getEntryByte(b, 0, e, k));
                ASSERT_TRUE(table.setEntryByte(static_cast<uint8_t>(b ^ 0x5A), 0, e, k));
            }
        ASSERT_TRUE(table.storeTable(link, at));
    }
    const std::vector<uint8_t> image = bench.radio.codeplug();
    EXPECT_EQ(verifyCodeplugTable(image, at), "");
    // A fresh load sees the changed bytes: the radio kept them.
    cominit link;
    codeplugAccess again;
    ASSERT_TRUE(again.loadTable(link, at));
    uint8_t b = 0;
    ASSERT_TRUE(again.getEntryByte(b, 0, 0, 0));
    EXPECT_EQ(b, static_cast<uint8_t>(bench.radio.profile().tables[0].records[0][0][0] ^ 0x5A));
}

INSTANTIATE_TEST_SUITE_P(Forms, SimTables,
                         ::testing::Values(TableCase{"bbo-codeplug", 3}, TableCase{"bbo-codeplug-sums", 3},
                                           TableCase{"bbo-codeplug-long", 3},
                                           TableCase{"bbo-codeplug-varying", 3}),
                         [](const auto& info) {
                             std::string name = info.param.profile;
                             for (char& c : name)
                                 if (c == '-')
                                     c = '_';
                             return name;
                         });

TEST(SimTableGuard, TableWriteWithAWrongChecksumIsRefusedAndTheTableKept) {
    test::SimBench bench(test::profileNamed("bbo-codeplug-sums"));
    const uint32_t at = 300;
    const std::vector<uint8_t> before = bench.radio.codeplug();
    std::vector<uint8_t> table(before.begin() + at, before.begin() + at + 16);
    table[3] ^= 0x01;  // an entry byte changed without its checksum
    cominit link;
    EXPECT_THROW(link.writeMemory(table.data(), at, static_cast<unsigned>(table.size())), BadWrite);
    EXPECT_EQ(bench.radio.codeplug(), before);
}

TEST(SimTableGuard, LongTableIsHeldUntilItsLastChunkThenChecked) {
    // 71 bytes with only a table checksum: the change and the checksum travel in different chunks.
    SimProfile p = test::profileFrom(R"({"codeplug": {"tables": [
        {"address": 100, "entrySize": 67, "tableChecksum": true, "entries": [[)" +
                                     [] {
                                         std::string bytes;
                                         for (int i = 0; i < 67; ++i)
                                             bytes += (i ? ", " : "") + std::to_string(i);
                                         return bytes;
                                     }() +
                                     R"(]]}]}})");
    test::SimBench bench(p);
    cominit link;
    codeplugAccess table;
    ASSERT_TRUE(table.loadTable(link, 100));
    ASSERT_EQ(table.tableLength(), 71u);
    ASSERT_TRUE(table.setEntryByte(0xAA, 0, 0, 1));
    ASSERT_TRUE(table.storeTable(link, 100));
    EXPECT_EQ(verifyCodeplugTable(bench.radio.codeplug(), 100), "");
    EXPECT_EQ(bench.radio.codeplug()[100 + 3 + 1], 0xAA);
}

TEST(SimTempComp, WrittenBytesAreKeptAndReadBack) {
    test::SimBench bench(test::profileNamed("portable"));
    cominit link;
    const uint8_t bytes[4] = {0x1A, 0x2B, 0x3C, 0x4D};
    link.writeSoftpotBytes(1, 1, bytes, 4);
    link.resetRadio();
    EXPECT_EQ(link.readTempComp(), (TempCompBytes{0x1A, 0x2B, 0x3C, 0x4D}));
}

}  // namespace
}  // namespace vantrel

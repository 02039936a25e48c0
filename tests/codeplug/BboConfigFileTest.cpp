// The baseband offset configuration file: round trips, the simulator's files, damaged files, matching a
// radio.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../support/ScratchDirectory.h"
#include "FakeCodeplug.h"
#include "operations/bboConfigFileModule.h"
#include "radio/radioStorage.h"
#include "sim/SimProfile.h"

namespace vantrel {
namespace {

using test::FakeCodeplug;

bboConfigBlock block(const std::string& key, char modelChar, int rows, uint32_t versionAddress = 2) {
    bboConfigBlock b;
    b.word = 7;
    b.modelKey = key;
    b.modelChar = modelChar;
    b.versionAddress = versionAddress;
    b.lowVersion = 10;
    b.highVersion = 12;
    b.tableAddress = 300;
    for (int i = 0; i < rows; ++i) {
        bboConfigRow r;
        r.name = "Row " + std::to_string(i) + " offsets";  // lower-case 's' is stored as a carriage return
        r.name.resize(bboConfigFileModule::kNameLength, ' ');
        r.position = static_cast<uint8_t>(i / 2);
        r.mask = i % 2 ? 0xF0 : 0x0F;
        b.rows.push_back(r);
    }
    return b;
}

std::vector<bboConfigBlock> twoBlocks() {
    return {block("P45", '2', 3), block("P47", '1', 20, 5)};
}

TEST(BboConfigFormat, KeyedNumbersAndScrambledTexts) {
    const std::string text = bboConfigFileModule::write({block("P4B", '1', 0)}, 1234);
    EXPECT_EQ(text.substr(0, 12), "1234\r\n1234\r\n");  // the key, then version 0 + key
    EXPECT_EQ(static_cast<unsigned char>(bboConfigFileModule::scramble('B')), 230u);
    EXPECT_EQ(bboConfigFileModule::unscramble(static_cast<char>(230)), 'B');
    EXPECT_EQ(bboConfigFileModule::scramble('s'), '\r');
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(bboConfigFileModule::unscramble(bboConfigFileModule::scramble(static_cast<char>(c))),
                  static_cast<char>(c));
}

TEST(BboConfigFormat, WrittenFilesReadBackAsWritten) {
    for (int key : {0, 1234, -77}) {
        bboConfigFileModule module;
        ASSERT_TRUE(module.parse(bboConfigFileModule::write(twoBlocks(), key))) << key;
        EXPECT_EQ(module.key(), key);
        EXPECT_EQ(module.version(), 0);
        EXPECT_EQ(module.blocks(), twoBlocks());
    }
}

TEST(BboConfigFormat, LineFeedOnlyFilesReadLikeCarriageReturnLineFeed) {
    std::string text = bboConfigFileModule::write(twoBlocks());
    std::string lf;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lf += text[i];
    bboConfigFileModule module;
    ASSERT_TRUE(module.parse(lf));
    EXPECT_EQ(module.blocks(), twoBlocks());
}

TEST(BboConfigFormat, SimulatorWriterAgreesWithTheCoreWriter) {
    // The simulated radio keeps a writer of its own (it shares no code with the core): both must make
    // the same bytes, and the core must read the file that ships with the simulator's profiles.
    std::vector<SimBboConfigBlock> simBlocks;
    std::vector<bboConfigBlock> coreBlocks;
    for (const char* name :
         {"bbo-codeplug", "bbo-codeplug-sums", "bbo-codeplug-long", "bbo-codeplug-varying"}) {
        const SimProfile p = SimProfile::load(std::string(VANTREL_SIM_TEST_PROFILES) + "/" + name + ".json");
        ASSERT_TRUE(p.bboConfig);
        simBlocks.push_back(*p.bboConfig);
        bboConfigBlock b;
        b.word = static_cast<int32_t>(p.bboConfig->word);
        b.modelKey = p.bboConfig->modelKey;
        b.modelChar = p.bboConfig->modelChar;
        b.versionAddress = p.bboConfig->versionAddress;
        b.lowVersion = static_cast<int32_t>(p.bboConfig->lowVersion);
        b.highVersion = static_cast<int32_t>(p.bboConfig->highVersion);
        b.tableAddress = p.bboConfig->tableAddress;
        for (const SimBboConfigRow& r : p.bboConfig->rows) {
            std::string name = r.name;
            name.resize(bboConfigFileModule::kNameLength, ' ');
            b.rows.push_back({name, r.position, r.mask});
        }
        coreBlocks.push_back(b);
    }
    EXPECT_EQ(bboConfigFileModule::write(coreBlocks, 1234), writeBboConfig(simBlocks, 1234));
    bboConfigFileModule module;
    ASSERT_EQ(module.loadFile(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo.cfg"), bboLoadResult::Loaded);
    EXPECT_EQ(module.blocks(), coreBlocks);
}

TEST(BboConfigDamage, EveryTruncationIsUnreadable) {
    const std::string text = bboConfigFileModule::write(twoBlocks());
    for (size_t n = 0; n < text.size(); ++n) {
        bboConfigFileModule module;
        EXPECT_FALSE(module.parse(text.substr(0, n))) << "cut at " << n;
        EXPECT_FALSE(module.isLoaded());
    }
}

TEST(BboConfigDamage, RowCountsOutsideZeroToTwentyAreUnreadable) {
    for (int rows : {-1, 21, 1000000}) {
        bboConfigBlock b = block("P47", '1', 0);
        std::string text = bboConfigFileModule::write({b}, 1000);
        // The row count is the last line of a block without rows.
        const size_t at = text.rfind("1000\r\n");
        text.replace(at, 4, std::to_string(1000 + rows));
        bboConfigFileModule module;
        EXPECT_FALSE(module.parse(text)) << rows;
    }
    bboConfigFileModule module;
    EXPECT_TRUE(module.parse(bboConfigFileModule::write({block("P47", '1', 20)})));
}

TEST(BboConfigDamage, NumberLinesUpToTwentyNineCharacters) {
    const std::string text = bboConfigFileModule::write({block("P47", '1', 1)}, 1234);
    const std::string tail = text.substr(6);
    bboConfigFileModule module;
    EXPECT_TRUE(module.parse(std::string(25, '0') + "1234\r\n" + tail));
    EXPECT_EQ(module.key(), 1234);
    EXPECT_FALSE(module.parse(std::string(26, '0') + "1234\r\n" + tail));
    EXPECT_FALSE(module.parse("12x4\r\n" + tail));
    EXPECT_FALSE(module.parse("99999999999999999999\r\n" + tail));  // beyond 64 bits
}

TEST(BboConfigDamage, TextsMustEndWhereTheirWidthEnds) {
    std::string text = bboConfigFileModule::write({block("P47", '1', 1)});
    std::string modelKey;
    for (char c : std::string("P47")) modelKey += bboConfigFileModule::scramble(c);
    const size_t at = text.find(modelKey + "\r\n");
    ASSERT_NE(at, std::string::npos);
    bboConfigFileModule module;
    ASSERT_TRUE(module.parse(text));
    EXPECT_FALSE(module.parse(std::string(text).insert(at + 3, "x")));  // four characters
    // One character short reads the carriage return as a scrambled 's' and still ends at the line feed;
    // two short leave no line end where the width ends.
    EXPECT_FALSE(module.parse(std::string(text).erase(at + 1, 2)));
}

TEST(BboConfigDamage, AddressesOutsideTheCodeplugAreUnreadable) {
    bboConfigFileModule module;
    EXPECT_FALSE(module.parse(bboConfigFileModule::write({block("P47", '1', 1, 0x1000000)})));
    EXPECT_TRUE(module.parse(bboConfigFileModule::write({block("P47", '1', 1, 0xFFFFFF)})));
}

TEST(BboConfigFile, MissingAndUnreadableFilesSayWhich) {
    test::ScratchDirectory dir;
    bboConfigFileModule module;
    EXPECT_EQ(bboConfigFileModule::pathIn(dir.path().string()), dir.path().string() + "/bbo.cfg");
    EXPECT_EQ(module.loadFile(bboConfigFileModule::pathIn(dir.path().string())), bboLoadResult::Missing);
    EXPECT_EQ(bboConfigFileModule::messageFor(bboLoadResult::Missing).text,
              "Baseband Offset Utility configuration file is missing.\nPlease contact Kestrane for latest "
              "configuration file.");
    EXPECT_EQ(bboConfigFileModule::messageFor(bboLoadResult::Missing).caption, " NOTE");
    EXPECT_EQ(module.loadFile(dir.path().string()), bboLoadResult::Unreadable);  // a directory
    std::ofstream(dir.file("bbo.cfg"), std::ios::binary) << "1234\r\n1234\r\n1235\r\n";
    EXPECT_EQ(module.loadFile(dir.file("bbo.cfg")), bboLoadResult::Unreadable);
    const PromptMessage m = bboConfigFileModule::messageFor(bboLoadResult::Unreadable);
    EXPECT_EQ(m.text, "Unable to read Baseband Offset Utility configuration file");
    EXPECT_EQ(m.caption, "Error");
    std::ofstream(dir.file("bbo.cfg"), std::ios::binary) << bboConfigFileModule::write(twoBlocks());
    EXPECT_EQ(module.loadFile(dir.file("bbo.cfg")), bboLoadResult::Loaded);
}

/// A record of the given model whose radio answers version `version` at every address.
struct MatchRig {
    MatchRig(const std::string& model, uint8_t version) : radio(std::vector<uint8_t>(1024, version)) {
        record.setModelNo(model);
    }
    bboMatchResult match(const std::string& text) {
        EXPECT_TRUE(module.parse(text));
        return module.matchRadio(record, radio);
    }
    radioStorage record;
    FakeCodeplug radio;
    bboConfigFileModule module;
};

TEST(BboConfigMatch, FirstFittingBlockGoesIntoTheRecord) {
    MatchRig rig("P47TSC6A1L      ", 12);  // 12: the highest accepted version still matches
    ASSERT_EQ(rig.match(bboConfigFileModule::write(twoBlocks())), bboMatchResult::Matched);
    const BboBlock& b = rig.record.bboBlock();
    EXPECT_STREQ(b.modelKey, "P47");
    EXPECT_EQ(b.tableAddress, 300);
    EXPECT_EQ(b.versionAddress, 5);
    EXPECT_EQ(rig.record.getBboRowCount(), 20);
    ASSERT_EQ(rig.record.getBboRows().size(), 20u);
    EXPECT_EQ(std::string(rig.record.getBboRows()[3].name), "Row 3 offsets            ");
    EXPECT_EQ(rig.record.getBboRows()[3].bytePosition, 1);
    EXPECT_EQ(rig.record.getBboRows()[3].mask, 0xF0);
    EXPECT_EQ(rig.record.getBboConfigBlocks(), 2);
    EXPECT_EQ(rig.record.getBboConfigStatus(), 0);
    // Only the block whose model fits had its version byte read.
    EXPECT_EQ(rig.radio.reads, (std::vector<unsigned>{1}));
}

TEST(BboConfigMatch, VersionWindowIsInclusive) {
    for (const auto& [version, expected] :
         std::vector<std::pair<uint8_t, bboMatchResult>>{{9, bboMatchResult::NoMatch},
                                                         {10, bboMatchResult::Matched},
                                                         {12, bboMatchResult::Matched},
                                                         {13, bboMatchResult::NoMatch}}) {
        MatchRig rig("P45GSC6B2Q      ", version);
        EXPECT_EQ(rig.match(bboConfigFileModule::write(twoBlocks())), expected) << int(version);
    }
}

TEST(BboConfigMatch, TwoLeadingJsShiftTheModelCharacters) {
    MatchRig rig("JJX99ABCDE7Z    ", 11);
    EXPECT_EQ(bboConfigFileModule::modelOffset(rig.record), 2);
    EXPECT_EQ(rig.match(bboConfigFileModule::write({block("JJX", '9', 1), block("X99", '7', 2)})),
              bboMatchResult::Matched);
    EXPECT_STREQ(rig.record.bboBlock().modelKey, "X99");
    MatchRig single("JAX99ABCDE7Z    ", 11);
    EXPECT_EQ(bboConfigFileModule::modelOffset(single.record), 0);
}

TEST(BboConfigMatch, FailuresEndInTheirMessages) {
    MatchRig wrongKey("P47TSC6A1L      ", 11);
    std::string text = bboConfigFileModule::write(twoBlocks(), 1234);
    text.replace(0, 4, "1233");  // every number is now one too high: version 1
    EXPECT_EQ(wrongKey.match(text), bboMatchResult::UnsupportedVersion);
    EXPECT_EQ(bboConfigFileModule::messageFor(bboMatchResult::UnsupportedVersion).text,
              "The current Tuner does not support this version of the Baseband Update configuration file");

    MatchRig other("P52HSC7A1D      ", 11);
    EXPECT_EQ(other.match(bboConfigFileModule::write(twoBlocks())), bboMatchResult::NoMatch);
    EXPECT_TRUE(other.radio.reads.empty());

    MatchRig silent("P47TSC6A1L      ", 11);
    silent.radio.failReadAt = 1;
    EXPECT_EQ(silent.match(bboConfigFileModule::write(twoBlocks())), bboMatchResult::LinkFailed);
    const PromptMessage m = bboConfigFileModule::messageFor(bboMatchResult::LinkFailed);
    EXPECT_EQ(m.caption, " WARNING");
    EXPECT_EQ(m.icon, PromptIcon::Exclamation);
}

TEST(BboConfigMatch, RadiosHoldingTheirOffsetsGetTheNineFixedRowsWithoutAFile) {
    MatchRig rig("P47TSC6B2L      ", 11);
    rig.record.setBboFromRadio(true);
    EXPECT_EQ(rig.module.matchRadio(rig.record, rig.radio), bboMatchResult::Matched);
    EXPECT_EQ(rig.record.getBboRows().size(), 9u);
    EXPECT_TRUE(rig.radio.reads.empty());
}

}  // namespace
}  // namespace vantrel

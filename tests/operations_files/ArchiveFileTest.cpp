// Softpot archive files: round trips, byte layout, absence markers, version gates, messages, damage.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "operations/ArchiveLayout.h"
#include "operations/UserPrompt.h"
#include "operations/fileModule.h"
#include "radio/ModelTable.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

const PromptMessage kLoadedNote{"Tuning data has been loaded.", "NOTE", PromptIcon::Information};
const PromptMessage kSaveFailed{"Archive File could not be saved!!", "ERROR", PromptIcon::Exclamation};

class ArchiveFile : public ::testing::Test {
  protected:
    void SetUp() override {
        resetActiveModelTable();
        std::string pattern = ::testing::TempDir() + "sfpXXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    static void writeText(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string readText(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // A mobile record with a value in every archived cell, some negative, every flag set.
    static void fill(radioStorage& r) {
        r.setSerialNo("1234AB5678");
        r.setModelNo("M52ABC1234QRSTU ");
        r.setDataVersion(record::kCompleteReadVersion);
        for (int row = 0; row < record::kRows; ++row) {
            for (int col = 0; col < record::kColumns; ++col) r.setValue(row, col, row * 37 - col * 11 + 5);
        }
        r.setTuningProcedure(2);
        for (int f = flag::First; f <= flag::Last; ++f) r.markSupported(f);
    }

    // Every archived cell and flag of `loaded` equals that of `source`.
    static void expectArchivedEqual(const radioStorage& source, const radioStorage& loaded) {
        EXPECT_EQ(loaded.serialNoBytes(), source.serialNoBytes());
        EXPECT_EQ(loaded.modelNoBytes(), source.modelNoBytes());
        EXPECT_EQ(loaded.getDataVersion(), source.getDataVersion());
        for (int n = 1; n <= archive::kEntryCount; ++n) {
            const auto& place = archive::kEntryPlaces[static_cast<std::size_t>(n - 1)];
            if (place.head) {
                EXPECT_EQ(loaded.isSupported(place.flag), source.isSupported(place.flag)) << n;
            }
            if (place.flag != archive::kNoFlag && !source.isSupported(place.flag))
                continue;
            EXPECT_EQ(loaded.getValue(place.row, place.column), source.getValue(place.row, place.column))
                << "entry " << n;
        }
    }

    // Replaces the data version character of an encoded archive.
    static void setVersionChar(std::string& text, char version) {
        std::string c(1, version);
        fileModule::scramble(c);
        text[archive::kModelOffset + archive::kVersionCharInModel] = c[0];
    }

    std::string m_dir;
    ScriptedPrompt m_prompt;
};

TEST_F(ArchiveFile, ScrambleGivesTheKnownBytesAndUndoesItself) {
    std::string text = "ABC";
    fileModule::scramble(text);
    EXPECT_EQ(text, std::string({char(63), char(230), char(61)}));
    fileModule::scramble(text);
    EXPECT_EQ(text, "ABC");

    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string twice = all;
    fileModule::scramble(twice);
    fileModule::scramble(twice);
    EXPECT_EQ(twice, all);
}

TEST_F(ArchiveFile, HeaderAndFirstEntriesAreLaidOutToTheByte) {
    radioStorage r;
    r.setSerialNo("ABC");
    r.setModelNo("P47XYZ0001      ");
    r.setDataVersion(35);
    r.setTuningProcedure(1);
    r.setValue(row::Frequency, col::FrequencyBase, 6000);
    r.setValue(row::Frequency, col::TxPointFirst, -120);
    const std::string text = fileModule::encodeArchive(r, 507);

    std::string serial = std::string("ABC") + std::string(7, '\0');
    fileModule::scramble(serial);
    std::string model = "P47XYZ0001     #";
    fileModule::scramble(model);
    const std::string header = ":TORKA" + serial + model + "10" + "3507";
    ASSERT_GE(text.size(), header.size());
    EXPECT_EQ(text.substr(0, header.size()), header);
    // Entry 1: 6000 + 507; entry 2: -120 + 507; entry 3: 0 + 507.
    EXPECT_EQ(text.substr(header.size(), 13), "4650733873507");
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST_F(ArchiveFile, TwoSavesDifferByKeyButReadBackAlike) {
    radioStorage source;
    fill(source);
    source.setValue(row::TxPower, 2, -250);  // a negative value carries its sign through the file
    std::vector<std::int32_t> keys{0, 31000, 32767};
    std::size_t next = 0;
    fileModule files(m_prompt, [&] { return keys[next++]; });

    std::vector<std::string> texts;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string file = path("radio" + std::to_string(i) + ".sfp");
        ASSERT_TRUE(files.writeArchive(file, source));
        texts.push_back(readText(file));
        radioStorage loaded;
        const ArchiveLoadResult result = files.readArchive(file, loaded);
        EXPECT_EQ(result, ArchiveLoadResult::Loaded);
        EXPECT_EQ(fileModule::tuningAllowedAfter(result), true);
        expectArchivedEqual(source, loaded);
        EXPECT_EQ(loaded.getValue(row::TxPower, 2), -250);
        EXPECT_EQ(files.archiveFileName(), file);
    }
    EXPECT_NE(texts[0], texts[1]);
    EXPECT_NE(texts[1], texts[2]);
    EXPECT_TRUE(m_prompt.shown().size() == keys.size() && m_prompt.shown().back() == kLoadedNote);
    radioStorage loaded;
    files.readArchive(path("radio0.sfp"), loaded);
    EXPECT_EQ(fileModule::statusText(loaded),
              "Radio Serial No :1234AB5678" + std::string(95, ' ') + "Radio Model No: M52ABC1234QRSTU ");
}

TEST_F(ArchiveFile, ClearFlagIsWrittenAsAbsenceMarkerAndReadAsClearedFlag) {
    radioStorage source;
    fill(source);
    source.markUnsupported(flag::RatedVolume);
    source.setValue(row::RatedVolume, col::RatedVolume, 17);
    source.setValue(row::RatedVolume, col::RatedVolumeBrightline, 23);
    const std::int32_t key = 1000;
    const std::string text = fileModule::encodeArchive(source, key);
    EXPECT_NE(text.find("45095"
                        "41023"),
              std::string::npos);  // entries 91 and 92

    writeText(path("rv.sfp"), text);
    radioStorage loaded;
    loaded.setValue(row::RatedVolume, col::RatedVolume, -1);
    loaded.setValue(row::RatedVolume, col::RatedVolumeBrightline, -2);
    fileModule files(m_prompt);
    ASSERT_EQ(files.readArchive(path("rv.sfp"), loaded), ArchiveLoadResult::Loaded);
    EXPECT_FALSE(loaded.isSupported(flag::RatedVolume));
    EXPECT_EQ(loaded.getValue(row::RatedVolume, col::RatedVolume), -1);
    EXPECT_EQ(loaded.getValue(row::RatedVolume, col::RatedVolumeBrightline), -2);
    expectArchivedEqual(source, loaded);  // every later entry read back unchanged
}

TEST_F(ArchiveFile, EveryFlagClearRecordComesBackWithEveryFlagClear) {
    radioStorage source;
    fill(source);
    for (int f = flag::First; f <= flag::Last; ++f) source.markUnsupported(f);
    fileModule files(m_prompt, [] { return 4095; });  // key equal to the marker: entry texts are 8190
    ASSERT_TRUE(files.writeArchive(path("none.sfp"), source));
    radioStorage loaded;
    ASSERT_EQ(files.readArchive(path("none.sfp"), loaded), ArchiveLoadResult::Loaded);
    expectArchivedEqual(source, loaded);
    EXPECT_EQ(loaded.getValue(row::TxDacMarker, col::TxDacMarker), 0);
    EXPECT_EQ(loaded.getValue(row::MobilePower, col::LowBandFlag), 0);
    EXPECT_EQ(loaded.getValue(row::MobilePower, col::LowBandTxDacFirst), 0);  // rides on flag 16
}

TEST_F(ArchiveFile, OlderVersionsLackTheLaterDataSets) {
    radioStorage source;
    fill(source);
    const std::string full = fileModule::encodeArchive(source, 321);
    const int mobileSets[] = {flag::MobileTxPower, flag::PaBiasSecond, flag::PaBiasThird,
                              flag::BatteryThreshold};
    const int limitSets[] = {flag::HssDeviation, flag::PaVoltageLimit};

    struct Case {
        char version;
        bool mobileSetsLoaded;
        bool limitSetsLoaded;
    };
    for (const Case c : {Case{'!', false, false}, Case{'"', true, false}, Case{'#', true, true}}) {
        SCOPED_TRACE(c.version);
        std::string text = full;
        setVersionChar(text, c.version);
        writeText(path("v.sfp"), text);
        radioStorage loaded;
        loaded.setValue(row::MobilePower, col::KmFirst, -7);
        loaded.setValue(row::PaVoltageLimit, 0, -8);
        fileModule files(m_prompt);
        ASSERT_EQ(files.readArchive(path("v.sfp"), loaded), ArchiveLoadResult::Loaded);
        EXPECT_EQ(loaded.getDataVersion(), static_cast<std::uint8_t>(c.version));
        for (int f : mobileSets) EXPECT_EQ(loaded.isSupported(f), c.mobileSetsLoaded) << f;
        for (int f : limitSets) EXPECT_EQ(loaded.isSupported(f), c.limitSetsLoaded) << f;
        EXPECT_EQ(loaded.getValue(row::MobilePower, col::KmFirst),
                  c.mobileSetsLoaded ? source.getValue(row::MobilePower, col::KmFirst) : -7);
        EXPECT_EQ(loaded.getValue(row::PaVoltageLimit, 0),
                  c.limitSetsLoaded ? source.getValue(row::PaVoltageLimit, 0) : -8);
        // Sets without a version gate, before and after the gated ones, still load.
        EXPECT_TRUE(loaded.isSupported(flag::TxPowerThird));
        EXPECT_EQ(loaded.getValue(row::TxPowerThird, 6), source.getValue(row::TxPowerThird, 6));
        EXPECT_EQ(loaded.getValue(row::Rssi, 5), source.getValue(row::Rssi, 5));
    }
}

TEST_F(ArchiveFile, LoadedMobilePowerRecomputesTheLowBandFlag) {
    struct Case {
        std::int32_t channel;
        std::int32_t lowBand;
    };
    // Base 1000 is 25 MHz; channel 940 is 29.700 MHz (excluded), 941 is 29.705 MHz, 5000 is 50 MHz.
    for (const Case c : {Case{940, 0}, Case{941, 1}, Case{5000, 0}, Case{4999, 1}}) {
        radioStorage source;
        fill(source);
        source.setValue(row::Frequency, col::FrequencyBase, 1000);
        for (int k = 0; k < record::kPointCount; ++k) source.setValue(row::Frequency, k, 0);
        source.setValue(row::Frequency, 3, c.channel);
        writeText(path("lb.sfp"), fileModule::encodeArchive(source, 5));
        radioStorage loaded;
        loaded.setValue(row::TxDacMarker, col::TxDacMarker, 1);
        loaded.setValue(row::MobilePower, col::LowBandFlag, 7);
        fileModule files(m_prompt);
        ASSERT_EQ(files.readArchive(path("lb.sfp"), loaded), ArchiveLoadResult::Loaded);
        EXPECT_EQ(loaded.getValue(row::MobilePower, col::LowBandFlag), c.lowBand) << c.channel;
        EXPECT_EQ(loaded.getValue(row::TxDacMarker, col::TxDacMarker), 0);
    }
}

TEST_F(ArchiveFile, EveryLoadFailureShowsItsMessageAndStopsWhereItShould) {
    radioStorage source;
    fill(source);
    const std::string good = fileModule::encodeArchive(source, 4242);
    std::string oldVersion = good;
    setVersionChar(oldVersion, ' ');  // 32
    std::string badProcedure = good;
    badProcedure[archive::kProcedureOffset] = '3';
    std::string lineFeedInMagic = good;
    lineFeedInMagic[3] = '\n';
    std::string blankThenShortWord = good;
    blankThenShortWord.replace(0, 6, ": TORK");

    struct Case {
        const char* name;
        const std::string* text;  // nullptr: no such file
        ArchiveLoadResult result;
        PromptMessage message;
        bool identityStored;
        std::optional<bool> tuningAllowed;
    };
    const std::string notArchive = "Just a text file\n";
    const std::string empty;
    const std::string headerOnly = good.substr(0, archive::kHeaderLength - 1);
    const PromptMessage invalid{"Invalid file format!! File is not an *.SFP file", "ERROR",
                                PromptIcon::Exclamation};
    const Case cases[] = {
        {"missing",
         nullptr,
         ArchiveLoadResult::CannotOpen,
         {"Archive File could not be opened!!", "ERROR", PromptIcon::Exclamation},
         false,
         std::nullopt},
        {"not an archive", &notArchive, ArchiveLoadResult::InvalidFormat, invalid, false, std::nullopt},
        {"empty", &empty, ArchiveLoadResult::InvalidFormat, invalid, false, std::nullopt},
        {"line feed in magic", &lineFeedInMagic, ArchiveLoadResult::InvalidFormat, invalid, false,
         std::nullopt},
        {"blank then short word", &blankThenShortWord, ArchiveLoadResult::InvalidFormat, invalid, false,
         std::nullopt},
        {"cut in header", &headerOnly, ArchiveLoadResult::InvalidFormat, invalid, false, std::nullopt},
        {"old version",
         &oldVersion,
         ArchiveLoadResult::Incompatible,
         {"Softpot archive file is incompatible with current version of the Tuner", "ERROR",
          PromptIcon::Exclamation},
         true,
         std::nullopt},
        {"bad procedure",
         &badProcedure,
         ArchiveLoadResult::InvalidProcedure,
         {"Archive file contains invalid Tuning Procedure Version. All tuning operations blocked", "NOTE",
          PromptIcon::Information},
         true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = path(std::string(c.name) + ".sfp");
        if (c.text != nullptr)
            writeText(file, *c.text);
        radioStorage loaded;
        loaded.setValue(row::TxPower, 0, -99);
        ScriptedPrompt prompt;
        fileModule files(prompt);
        const ArchiveLoadResult result = files.readArchive(file, loaded);
        EXPECT_EQ(result, c.result);
        ASSERT_EQ(prompt.shown().size(), 1u);
        EXPECT_EQ(prompt.shown()[0], c.message);
        EXPECT_EQ(files.archiveFileName(), file);
        EXPECT_EQ(fileModule::tuningAllowedAfter(result), c.tuningAllowed);
        EXPECT_EQ(loaded.getSerialNo() == std::string("1234AB5678"), c.identityStored);
        EXPECT_EQ(loaded.getValue(row::TxPower, 0), -99);  // no entry stored on any failure
    }
}

TEST_F(ArchiveFile, TruncatedFileIsNotAnArchiveAndLeavesTheRecordAlone) {
    radioStorage source;
    fill(source);
    const std::string full = fileModule::encodeArchive(source, 12345);
    fileModule files(m_prompt);
    // Every cut, in the header, the key or anywhere in the number run (35 bytes short, one byte short).
    for (std::size_t length = 0; length < full.size(); ++length) {
        writeText(path("t.sfp"), full.substr(0, length));
        radioStorage loaded;
        loaded.setSerialNo("KEEP000001");
        loaded.setValue(row::Frequency, col::TempCompFirst, 77);
        m_prompt.clear();
        ASSERT_EQ(files.readArchive(path("t.sfp"), loaded), ArchiveLoadResult::InvalidFormat) << length;
        ASSERT_EQ(m_prompt.shown().size(), 1u);
        EXPECT_EQ(m_prompt.shown()[0].text, "Invalid file format!! File is not an *.SFP file");
        EXPECT_EQ(loaded.serialNoBytes(), "KEEP000001") << length;
        EXPECT_EQ(loaded.getValue(row::Frequency, col::TempCompFirst), 77) << length;
    }

    // Bytes after entry 140 are not looked at, however many there are.
    for (const std::string& tail : {std::string("x"), std::string("5"), std::string(5000, '7')}) {
        writeText(path("t.sfp"), full + tail);
        radioStorage longer;
        ASSERT_EQ(files.readArchive(path("t.sfp"), longer), ArchiveLoadResult::Loaded);
        expectArchivedEqual(source, longer);
    }
}

TEST_F(ArchiveFile, StrayByteInTheNumberRunIsNotAnArchive) {
    radioStorage source;
    fill(source);
    source.setValue(row::Frequency, col::FrequencyBase, 6000);
    const std::string good = fileModule::encodeArchive(source, 10);
    const std::size_t run = archive::kKeyOffset + 2;
    fileModule files(m_prompt);

    // Entry 1 with a letter among its digits.
    std::string text = good;
    ASSERT_EQ(text.substr(run, 5), "46010");  // base 6000 + key 10
    text[run + 3] = 'x';
    writeText(path("d.sfp"), text);
    radioStorage loaded;
    EXPECT_EQ(files.readArchive(path("d.sfp"), loaded), ArchiveLoadResult::InvalidFormat);

    // Every byte from the key length on replaced in turn by bytes that can stand for no digit.
    for (char bad : {'\0', '/', ':', ' ', '\xff'}) {
        for (std::size_t i = archive::kKeyDigitsOffset; i < good.size(); i += 7) {
            std::string damaged = good;
            damaged[i] = bad;
            writeText(path("d.sfp"), damaged);
            radioStorage r;
            EXPECT_EQ(files.readArchive(path("d.sfp"), r), ArchiveLoadResult::InvalidFormat) << i;
        }
    }
    // A length digit of 0 leaves no room for a value.
    text = good;
    text[run] = '0';
    writeText(path("d.sfp"), text);
    EXPECT_EQ(files.readArchive(path("d.sfp"), loaded), ArchiveLoadResult::InvalidFormat);

    // A run of one long number is 140 entries of nine nines: whole, and the values saturate nowhere.
    writeText(path("d.sfp"), good.substr(0, run) + std::string(3000, '9'));
    radioStorage r;
    EXPECT_EQ(files.readArchive(path("d.sfp"), r), ArchiveLoadResult::Loaded);
    EXPECT_EQ(r.getValue(row::Frequency, col::FrequencyBase), 999'999'999 - 10);
}

TEST_F(ArchiveFile, FailedSaveKeepsThePreviousFile) {
    radioStorage source;
    fill(source);
    fileModule files(m_prompt, [] { return 1; });

    // The name is taken by a directory: nothing can be renamed over it, and it stays as it was.
    const std::string taken = path("taken.sfp");
    ASSERT_EQ(::mkdir(taken.c_str(), 0755), 0);
    writeText(taken + "/inside", "old");
    EXPECT_FALSE(files.writeArchive(taken, source));
    EXPECT_EQ(readText(taken + "/inside"), "old");

    // A directory that does not exist.
    EXPECT_FALSE(files.writeArchive(path("missing/x.sfp"), source));
    ASSERT_EQ(m_prompt.shown().size(), 2u);
    EXPECT_EQ(m_prompt.shown()[0], kSaveFailed);
    EXPECT_EQ(m_prompt.shown()[1], kSaveFailed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}),
              1);  // no temporary file left behind

    // A read-only directory holding an older archive (only meaningful without superuser rights).
    if (::geteuid() != 0) {
        const std::string ro = path("ro");
        ASSERT_EQ(::mkdir(ro.c_str(), 0755), 0);
        writeText(ro + "/a.sfp", "previous");
        ASSERT_EQ(::chmod(ro.c_str(), 0555), 0);
        EXPECT_FALSE(files.writeArchive(ro + "/a.sfp", source));
        EXPECT_EQ(readText(ro + "/a.sfp"), "previous");
        ::chmod(ro.c_str(), 0755);
    }

    // A successful save replaces the previous file whole.
    writeText(path("ok.sfp"), std::string(3000, 'z'));
    m_prompt.clear();
    ASSERT_TRUE(files.writeArchive(path("ok.sfp"), source));
    EXPECT_EQ(readText(path("ok.sfp")), fileModule::encodeArchive(source, 1));
    EXPECT_TRUE(m_prompt.shown().empty());
}

}  // namespace
}  // namespace vantrel

// Archive files on a disk that refuses the save, and archive files that are damaged, empty, binary or huge.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <random>

#include "FaultBench.h"
#include "operations/UserPrompt.h"
#include "operations/fileModule.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel::faults {
namespace {

const char* const kSaveFailed = "Archive File could not be saved!!";
const char* const kNotArchive = "Invalid file format!! File is not an *.SFP file";
const char* const kOpenFailed = "Archive File could not be opened!!";

void fillRecord(radioStorage& record, const char* serial, std::int32_t seed) {
    record.setSerialNo(serial);
    record.setModelNo("P47MSC6A1L      ");
    record.setDataVersion(35);
    record.setTuningProcedure(1);
    for (int column = 0; column < record::kPointCount; ++column)
        record.setValue(row::TxPower, col::TxPowerHigh + column, seed + column);
    record.markSupported(flag::TxPower);
}

// Files left in a directory besides the ones expected (temporary files of a failed save).
std::vector<std::string> entriesOf(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RefusedSave : public ::testing::Test {
  protected:
    RefusedSave() : module(prompt, [] { return 1234; }) {
        fillRecord(oldRecord, "OLD0000001", 100);
        fillRecord(newRecord, "NEW0000002", 900);
        archive = dir.file("radio.sfp");
    }
    ScratchDirectory dir;
    ScriptedPrompt prompt;
    fileModule module;
    radioStorage oldRecord, newRecord;
    std::string archive;
};

// The file system stops taking bytes part-way (a full disk): as root a read-only directory refuses
// nothing, so a child process lowers its own file size limit and saves there.
TEST_F(RefusedSave, DiskFullPartWayKeepsTheOldArchive) {
    ASSERT_TRUE(module.writeArchive(archive, oldRecord));
    const std::string before = fileBytes(archive);
    ASSERT_GT(before.size(), 200u);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        ScriptedPrompt childPrompt;
        fileModule childModule(childPrompt, [] { return 1234; });
        const bool saved = childModule.writeArchive(archive, newRecord);
        const bool told = childPrompt.shown().size() == 1 && childPrompt.shown()[0].text == kSaveFailed;
        _exit(!saved && told ? 0 : 1);
    }
    const int status = reapChild(child, 20000);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save claimed success or told nothing";
    EXPECT_EQ(fileBytes(archive), before);
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"radio.sfp"});

    radioStorage loaded;
    EXPECT_EQ(module.readArchive(archive, loaded), ArchiveLoadResult::Loaded);
    EXPECT_EQ(loaded.serialNoBytes(), "OLD0000001");
}

TEST_F(RefusedSave, ParentThatIsAFileRefusesTheSave) {
    writeBytes(dir.file("notadir"), "plain file");
    EXPECT_FALSE(module.writeArchive(dir.file("notadir") + "/radio.sfp", newRecord));
    ASSERT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(prompt.shown()[0].text, kSaveFailed);
    EXPECT_EQ(fileBytes(dir.file("notadir")), "plain file");
}

TEST_F(RefusedSave, DirectoryInTheWayIsLeftAloneWithNoTemporaryFile) {
    std::filesystem::create_directory(archive);
    writeBytes(archive + "/inside", "kept");
    EXPECT_FALSE(module.writeArchive(archive, newRecord));
    EXPECT_EQ(prompt.shown().at(0).text, kSaveFailed);
    EXPECT_EQ(fileBytes(archive + "/inside"), "kept");
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"radio.sfp"});
}

// ---- damaged archive files --------------------------------------------------------------------

class DamagedArchive : public ::testing::Test {
  protected:
    DamagedArchive() : module(prompt, [] { return 1234; }) {
        fillRecord(good, "GOOD000001", 300);
        path = dir.file("damaged.sfp");
        whole = fileModule::encodeArchive(good, 1234);
    }
    /// Loads `bytes` into a record that holds a marker serial; answers the result and checks that
    /// exactly one message was shown.
    ArchiveLoadResult load(const std::string& bytes, radioStorage& record) {
        writeBytes(path, bytes);
        prompt.clear();
        record.setSerialNo("MARKER0001");
        const ArchiveLoadResult result = module.readArchive(path, record);
        EXPECT_EQ(prompt.shown().size(), 1u);
        return result;
    }
    ScratchDirectory dir;
    ScriptedPrompt prompt;
    fileModule module;
    radioStorage good;
    std::string path;
    std::string whole;
};

TEST_F(DamagedArchive, EmptyAndBinaryFilesAreNotArchives) {
    radioStorage record;
    EXPECT_EQ(load("", record), ArchiveLoadResult::InvalidFormat);
    EXPECT_EQ(prompt.shown().at(0).text, kNotArchive);
    EXPECT_EQ(record.serialNoBytes(), "MARKER0001");

    std::mt19937 bytes(7);
    std::string binary(4096, '\0');
    for (char& c : binary) c = static_cast<char>(bytes());
    EXPECT_EQ(load(binary, record), ArchiveLoadResult::InvalidFormat);
    EXPECT_EQ(record.serialNoBytes(), "MARKER0001");
}

// Every cut of a good archive is refused with one message, and the record keeps what it held: a cut
// number run would otherwise program wrong values into a radio.
TEST_F(DamagedArchive, TruncatedAtEveryLengthIsRefusedWhole) {
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        radioStorage record;
        EXPECT_EQ(load(whole.substr(0, length), record), ArchiveLoadResult::InvalidFormat);
        EXPECT_EQ(prompt.shown().at(0).text, kNotArchive);
        EXPECT_EQ(record.serialNoBytes(), "MARKER0001");
    }
    radioStorage record;
    ASSERT_EQ(load(whole, record), ArchiveLoadResult::Loaded);
    EXPECT_EQ(record.getValue(row::TxPower, col::TxPowerHigh + 6), 306);
}

TEST_F(DamagedArchive, HugeFileIsReadOnlyAtItsStart) {
    writeBytes(path, whole);
    // A sparse gigabyte of zeros after a good archive: the reader stops long before.
    ASSERT_EQ(truncate(path.c_str(), 1LL << 30), 0);
    radioStorage record;
    prompt.clear();
    double seconds =
        secondsOf([&] { EXPECT_EQ(module.readArchive(path, record), ArchiveLoadResult::Loaded); });
    EXPECT_EQ(record.serialNoBytes(), "GOOD000001");
    EXPECT_LT(seconds, 5.0);

    // A huge file of noise is simply not an archive.
    std::string noise(3 << 20, 'x');
    EXPECT_EQ(load(noise, record), ArchiveLoadResult::InvalidFormat);
}

TEST_F(DamagedArchive, MissingFileAndDirectoryCannotBeOpened) {
    radioStorage record;
    record.setSerialNo("MARKER0001");
    EXPECT_EQ(module.readArchive(dir.file("absent.sfp"), record), ArchiveLoadResult::CannotOpen);
    EXPECT_EQ(prompt.shown().at(0).text, kOpenFailed);
    prompt.clear();
    EXPECT_EQ(module.readArchive(dir.path().string(), record), ArchiveLoadResult::CannotOpen);
    EXPECT_EQ(prompt.shown().size(), 1u);
    EXPECT_EQ(record.serialNoBytes(), "MARKER0001");
}

}  // namespace
}  // namespace vantrel::faults

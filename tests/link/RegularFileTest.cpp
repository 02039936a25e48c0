// Reading the files the program is given: regular files only, never a wait on a FIFO or a device.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "link/regularFile.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

TEST(RegularFile, OnlyRegularFilesAreReadAndNothingWaits) {
    const fs::path dir = fs::temp_directory_path() / ("vantrel-regular-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "text") << "0123456789";
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);  // no writer: a blocking open would never end
    struct Case {
        std::string path;
        std::size_t limit;
        bool prefix;
        RegularFileText::Status status;
        std::string text;
    };
    const Case cases[] = {
        {(dir / "text").string(), 10, false, RegularFileText::Status::Read, "0123456789"},
        {(dir / "text").string(), 9, false, RegularFileText::Status::TooLarge, ""},
        {(dir / "text").string(), 4, true, RegularFileText::Status::Read, "0123"},
        {(dir / "fifo").string(), 10, false, RegularFileText::Status::NotRegular, ""},
        {"/dev/zero", 10, true, RegularFileText::Status::NotRegular, ""},
        {dir.string(), 10, false, RegularFileText::Status::NotRegular, ""},
        {(dir / "gone").string(), 10, false, RegularFileText::Status::Missing, ""},
        {(dir / "text" / "below").string(), 10, false, RegularFileText::Status::Missing, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const RegularFileText got = readRegularFile(c.path, c.limit, c.prefix);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.text, c.text);
        EXPECT_EQ(static_cast<bool>(got), c.status == RegularFileText::Status::Read);
    }
    EXPECT_EQ(readRegularFile((dir / "fifo").string(), 1).reason(), "not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vantrel

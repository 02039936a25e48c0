// The lookup order of data files: settings folder, XDG data folders, program folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "../support/ScratchDirectory.h"
#include "link/dataFiles.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

/// Sets (or, with nullopt, unsets) an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

  private:
    std::string m_name;
    std::optional<std::string> m_old;
};

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

TEST(DataFiles, TheFirstFolderHoldingTheFileWinsInTheDocumentedOrder) {
    test::ScratchDirectory root;
    const fs::path settings = root.path() / "config/vantrel", home = root.path() / "home-data",
                   shareA = root.path() / "a", shareB = root.path() / "b", program = root.path() / "bin";
    ScopedEnv dataHome("XDG_DATA_HOME", home.string());
    // A relative entry and a trailing slash: the first is skipped, the second is the same folder.
    ScopedEnv dataDirs("XDG_DATA_DIRS", "relative/share:" + shareA.string() + "/:" + shareB.string());
    const auto folders = dataFileFolders(settings.string(), program.string());
    const std::vector<std::string> expected = {settings.string(), (home / "vantrel").string(),
                                               (shareA / "vantrel").string(), (shareB / "vantrel").string(),
                                               program.string()};
    EXPECT_EQ(folders, expected);

    const std::vector<fs::path> candidates = {settings / "bbo.cfg", home / "vantrel/bbo.cfg",
                                              shareA / "vantrel/bbo.cfg", shareB / "vantrel/bbo.cfg",
                                              program / "bbo.cfg"};
    for (const fs::path& c : candidates) touch(c);
    // Remove the winner each time: the next folder in the order takes over.
    for (const fs::path& c : candidates) {
        EXPECT_EQ(findDataFile("bbo.cfg", folders), c.string());
        fs::remove(c);
    }
    EXPECT_EQ(findDataFile("bbo.cfg", folders), "");
}

TEST(DataFiles, DefaultsAndRepeatsAndWhatIsNoFile) {
    test::ScratchDirectory root;
    ScopedEnv dataHome("XDG_DATA_HOME", (root.path() / "data").string());
    ScopedEnv dataDirs("XDG_DATA_DIRS", std::nullopt);
    // Run from a build folder the settings folder is the program folder: it is searched once.
    const std::string program = (root.path() / "bin").string();
    const auto folders = dataFileFolders(program, program);
    const std::vector<std::string> expected = {program, (root.path() / "data/vantrel").string(),
                                               "/usr/local/share/vantrel", "/usr/share/vantrel"};
    EXPECT_EQ(folders, expected);

    // A folder of the file's name in the first place is passed over for the real file after it.
    fs::create_directories(root.path() / "bin/bbo.cfg");
    touch(root.path() / "data/vantrel/bbo.cfg");
    EXPECT_EQ(findDataFile("bbo.cfg", folders), (root.path() / "data/vantrel/bbo.cfg").string());
}

}  // namespace
}  // namespace vantrel

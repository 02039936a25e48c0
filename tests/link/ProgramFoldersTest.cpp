// Where the program reads and writes its files: beside itself from a folder, per user when installed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "../support/ScratchDirectory.h"
#include "link/RF_CommunicationSetup.h"
#include "link/programFolders.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

/// Sets environment variables for one test and restores them after.
class ScopedEnvironment {
  public:
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const std::optional<std::string>& value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }

  private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

class ProgramFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        home = (scratch.path() / "home").string();
        fs::create_directories(home);
        env.set("HOME", home);
        env.set("XDG_CONFIG_HOME", std::nullopt);
        env.set("XDG_DATA_HOME", std::nullopt);
    }
    /// <scratch>/usr/bin with <scratch>/usr/share/vantrel beside it, as a package lays it out.
    std::string installedBin() {
        fs::create_directories(scratch.path() / "usr/bin");
        fs::create_directories(scratch.path() / "usr/share/vantrel");
        return (scratch.path() / "usr/bin").string();
    }
    static void touch(const std::string& path) { std::ofstream(path) << "COM Port Id :4\n "; }

    test::ScratchDirectory scratch{"vantrel-folders"};
    ScopedEnvironment env;
    std::string home;
};

TEST_F(ProgramFolders, AFolderCopyOrBuildTreeKeepsEverythingBesideTheProgram) {
    // A build tree's bin/ has no share/vantrel beside it; a copied folder is not called bin at all.
    fs::create_directories(scratch.path() / "build/bin");
    fs::create_directories(scratch.path() / "copy");
    fs::create_directories(scratch.path() / "opt/share/vantrel");  // data beside a folder not named bin
    fs::create_directories(scratch.path() / "opt/tuner");
    for (const char* folder : {"build/bin", "copy", "opt/tuner"}) {
        const std::string program = (scratch.path() / folder).string();
        const programFolders f = programFolders::resolve(program + "/");
        EXPECT_FALSE(f.installed) << folder;
        EXPECT_EQ(f.program, program) << folder;
        EXPECT_EQ(f.data, program) << folder;
        EXPECT_EQ(f.settings, program) << folder;
        EXPECT_EQ(f.work, program) << folder;
    }
    EXPECT_FALSE(fs::exists(home + "/.config/vantrel"));
}

TEST_F(ProgramFolders, InstalledUsesSharedDataAndTheUsersXdgFolders) {
    const std::string bin = installedBin();
    programFolders f = programFolders::resolve(bin);
    EXPECT_TRUE(f.installed);
    EXPECT_EQ(f.data, (scratch.path() / "usr/share/vantrel").string());
    EXPECT_EQ(f.settings, home + "/.config/vantrel");
    EXPECT_EQ(f.work, home + "/.local/share/vantrel");

    env.set("XDG_CONFIG_HOME", scratch.file("cfg") + "/");
    env.set("XDG_DATA_HOME", scratch.file("data"));
    f = programFolders::resolve(bin);
    EXPECT_EQ(f.settings, scratch.file("cfg") + "/vantrel");
    EXPECT_EQ(f.work, scratch.file("data") + "/vantrel");

    // Relative XDG bases are ignored: the folders would move with the current directory.
    env.set("XDG_CONFIG_HOME", "cfg");
    env.set("XDG_DATA_HOME", "");
    f = programFolders::resolve(bin);
    EXPECT_EQ(f.settings, home + "/.config/vantrel");
    EXPECT_EQ(f.work, home + "/.local/share/vantrel");
}

TEST_F(ProgramFolders, ComIniBesideAnInstalledProgramIsReadFirst) {
    const std::string bin = installedBin();
    for (const char* name : {"COM.INI", "com.ini"}) {
        touch(bin + "/" + name);
        const programFolders f = programFolders::resolve(bin);
        EXPECT_EQ(f.settings, bin) << name;
        EXPECT_EQ(comIni::read(f.settings), 4) << name;
        // The data and work folders do not follow COM.INI.
        EXPECT_EQ(f.work, home + "/.local/share/vantrel") << name;
        fs::remove(bin + "/" + name);
    }
}

TEST_F(ProgramFolders, InstalledComIniRoundTripsThroughTheCreatedSettingsFolder) {
    const programFolders f = programFolders::resolve(installedBin());
    EXPECT_EQ(comIni::read(f.settings), -1);
    ASSERT_TRUE(f.createUserFolders());
    struct stat st {};
    ASSERT_EQ(::stat(f.settings.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(fs::is_directory(f.work));

    ASSERT_TRUE(comIni::write(f.settings, 3));
    EXPECT_EQ(comIni::read(f.settings), 3);
    EXPECT_TRUE(fs::exists(home + "/.config/vantrel/COM.INI"));
    EXPECT_FALSE(fs::exists(f.program + "/COM.INI"));
}

TEST_F(ProgramFolders, UserFoldersThatCannotBeMadeAreReported) {
    // A file where the config base should be: nothing can be created below it.
    std::ofstream(scratch.file("blocked")) << "x";
    env.set("XDG_CONFIG_HOME", scratch.file("blocked"));
    const programFolders f = programFolders::resolve(installedBin());
    EXPECT_FALSE(f.createUserFolders());
    EXPECT_FALSE(comIni::write(f.settings, 2));
    EXPECT_FALSE(makeDirectories(""));
}

}  // namespace
}  // namespace vantrel

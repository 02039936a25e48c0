// COM.INI and connections: the settings file, the remembered port, opening and closing per operation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ScriptedRadio.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/VirtualLine.h"
#include "link/cominit.h"

namespace vantrel::test {

namespace fs = std::filesystem;

class ComIni : public ::testing::Test {
  protected:
    ComIni() {
        char tmpl[] = "/tmp/vantrel-comini-XXXXXX";
        dir = mkdtemp(tmpl);
        RF_CommunicationSetup::forgetRememberedPort();
    }
    ~ComIni() override { fs::remove_all(dir); }
    void put(const std::string& text, const std::string& name = "COM.INI") {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    }
    std::string content() {
        std::ifstream in(comIni::path(dir), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir;
};

TEST_F(ComIni, WrittenFormatIsExact) {
    ASSERT_TRUE(comIni::write(dir, 2));
    EXPECT_EQ(content(), "COM Port Id :2\n ");
    EXPECT_EQ(comIni::read(dir), 2);
}

TEST_F(ComIni, ReaderRules) {
    put("COM Port Id :3\n ");
    EXPECT_EQ(comIni::read(dir), 3);
    put("COM Port Id 3\n");
    EXPECT_EQ(comIni::read(dir), -1);
    put("");
    EXPECT_EQ(comIni::read(dir), -1);
    put("x:    4");
    EXPECT_EQ(comIni::read(dir), 4);
    put("COM Port Id :\n4");
    EXPECT_EQ(comIni::read(dir), -1);
    fs::remove(dir + "/COM.INI");
    EXPECT_EQ(comIni::read(dir), -1);
}

TEST_F(ComIni, LowerCaseNameIsFoundAndRewritten) {
    put("COM Port Id :1\n ", "com.ini");
    EXPECT_EQ(comIni::read(dir), 1);
    comIni::write(dir, 4);
    EXPECT_FALSE(fs::exists(dir + "/COM.INI"));
    EXPECT_EQ(comIni::read(dir), 4);
}

TEST_F(ComIni, MinusOneWrittenGivesNoUsablePort) {
    comIni::write(dir, -1);
    EXPECT_EQ(content(), "COM Port Id :-1\n ");
    EXPECT_EQ(comIni::read(dir), -1);
}

TEST_F(ComIni, UnreadableFileFallsBackToTheRememberedPort) {
    ScopedLinkContext ctx(LinkContext{dir, nullptr, nullptr, {}});
    EXPECT_EQ(RF_CommunicationSetup().portNumber, 0);
    comIni::write(dir, 3);
    EXPECT_EQ(RF_CommunicationSetup().portNumber, 3);
    fs::remove(comIni::path(dir));
    EXPECT_EQ(RF_CommunicationSetup().portNumber, 3);
}

class Connection : public ComIni {
  protected:
    Connection() : line(clock), opener(line, 1) { line.setPeer(&radio); }
    VirtualClock clock;
    VirtualLine line;
    VirtualPortOpener opener;
    ScriptedRadio radio;
};

TEST_F(Connection, OpensThePortForItsLifetimeOnly) {
    comIni::write(dir, 1);
    ScopedLinkContext ctx(LinkContext{dir, &opener, &clock, {}});
    radio.fallback({Bytes{kAck}});
    {
        cominit link;
        EXPECT_TRUE(line.deviceOpen());
        EXPECT_EQ(link.chunkSize(), 64);
        link.resetRadio();
        EXPECT_THROW(cominit(), PortInUseError);
    }
    EXPECT_FALSE(line.deviceOpen());
    cominit again;
    EXPECT_EQ(line.openCount(), 2u);
}

TEST_F(Connection, PortWithoutDeviceIsPortInUse) {
    comIni::write(dir, 2);
    ScopedLinkContext ctx(LinkContext{dir, &opener, &clock, {}});
    try {
        cominit link;
        FAIL() << "opened";
    } catch (const PortInUseError& e) {
        EXPECT_EQ(e.cause(), PortOpenCause::NoSuchDevice);
    }
}

}  // namespace vantrel::test

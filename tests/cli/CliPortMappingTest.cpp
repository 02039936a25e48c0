// `port --map`, `port --unmap` and the mapping in `port --list`, against a by-id folder of the test's own.
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "CliTestSupport.h"
#include "cli/CliExitCode.h"
#include "cli/CliOptions.h"
#include "link/portMapping.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::fileText;
using test::linesOf;
using test::runCli;
using test::ScratchDirectory;
using test::writeText;

/// A settings folder, a by-id folder holding one pty-backed adapter, and no VANTREL_COM<n> set.
struct AdapterBench {
    AdapterBench() {
        ok = openpty(&master, &slave, tty, nullptr, nullptr) == 0;
        if (ok)
            fs::create_symlink(tty, byId.path() / kAdapter);
        for (int n = 1; n <= 4; ++n) unsetenv(("VANTREL_COM" + std::to_string(n)).c_str());
    }
    ~AdapterBench() {
        if (ok) {
            close(slave);
            close(master);
        }
    }
    std::string settingsDir() const { return settings.path().string(); }
    std::string adapterPath() const { return (byId.path() / kAdapter).string(); }
    std::string mappingText() const { return fileText(portMappingPath(settingsDir())); }

    static constexpr const char* kAdapter = "usb-Maker_Cable_0042-if00-port0";
    ScratchDirectory settings{"vantrel-settings"};
    ScratchDirectory byId{"vantrel-by-id"};
    ScopedSerialAdapterDirectory adapters{byId.path().string()};
    bool ok = false;
    int master = -1, slave = -1;
    char tty[256] = {};
};

TEST(CliPortMapping, MapByAdapterNameIsKeptAndListed) {
    AdapterBench bench;
    ASSERT_TRUE(bench.ok);
    const auto map = runCli(bench.settingsDir(), {"port", "--map", "COM2", AdapterBench::kAdapter});
    ASSERT_EQ(map.exit, exitCode::Success) << map.err;
    EXPECT_EQ(map.out, "COM2 now opens " + bench.adapterPath() + "\n");
    EXPECT_NE(bench.mappingText().find("COM2=" + bench.adapterPath() + "\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(bench.settings.path() / "COM.INI"));  // COM.INI is none of its business

    const auto list = runCli(bench.settingsDir(), {"port", "--list"});
    ASSERT_EQ(list.exit, exitCode::Success) << list.err;
    EXPECT_TRUE(list.err.empty()) << list.err;
    const std::vector<std::string> lines = linesOf(list.out);
    ASSERT_EQ(lines.size(), 6u) << list.out;
    EXPECT_EQ(lines[1], "COM2 " + bench.adapterPath() + " (mapped): available");
    EXPECT_EQ(lines[4], "Serial adapters in " + bench.byId.path().string() + ":");
    EXPECT_EQ(lines[5],
              "  " + std::string(AdapterBench::kAdapter) + " -> " + bench.tty + " (mapped to COM2)");
}

TEST(CliPortMapping, UnpluggedAdapterShowsMissingAndARadioCommandSaysWhichOne) {
    AdapterBench bench;
    ASSERT_TRUE(bench.ok);
    ASSERT_EQ(runCli(bench.settingsDir(), {"port", "--map", "com1", bench.adapterPath()}).exit,
              exitCode::Success);
    fs::remove(bench.byId.path() / AdapterBench::kAdapter);

    const auto list = runCli(bench.settingsDir(), {"port", "--list"});
    ASSERT_EQ(list.exit, exitCode::Success);
    const std::vector<std::string> lines = linesOf(list.out);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "COM1 " + bench.adapterPath() + " (mapped): missing: the adapter is not plugged in");
    EXPECT_EQ(lines[4], "Serial adapters in " + bench.byId.path().string() + ": none");

    // The radio commands open the mapped adapter: nothing falls back to /dev/ttyS0.
    const auto read =
        runCli(bench.settingsDir(), {"read", "--port", "1", "-o", bench.settings.file("r.sfp")});
    EXPECT_EQ(read.exit, exitCode::PortBusy);
    EXPECT_NE(read.err.find("COM1 is mapped to the serial adapter " + bench.adapterPath() +
                            ", which is not plugged in"),
              std::string::npos)
        << read.err;
}

TEST(CliPortMapping, UnmapReturnsTheDefaultAndKeepsTheOtherPorts) {
    AdapterBench bench;
    ASSERT_TRUE(bench.ok);
    ASSERT_EQ(runCli(bench.settingsDir(), {"port", "--map", "COM1", AdapterBench::kAdapter}).exit, 0);
    ASSERT_EQ(runCli(bench.settingsDir(), {"port", "--map=COM4", "/dev/ttyUSB7"}).exit, 0);

    const auto unmap = runCli(bench.settingsDir(), {"port", "--unmap", "COM1"});
    EXPECT_EQ(unmap.exit, exitCode::Success) << unmap.err;
    EXPECT_EQ(unmap.out, "COM1 is no longer mapped; it opens /dev/ttyS0\n");
    EXPECT_EQ(readPortMapping(bench.settingsDir()), (PortMapping{{4, "/dev/ttyUSB7"}}));

    const auto twice = runCli(bench.settingsDir(), {"port", "--unmap", "1"});
    EXPECT_EQ(twice.exit, exitCode::Success);
    EXPECT_EQ(twice.out, "COM1 was not mapped; it opens /dev/ttyS0\n");
}

TEST(CliPortMapping, BadSettingsFileIsToldAndOverwrittenOnlyByAMap) {
    AdapterBench bench;
    ASSERT_TRUE(bench.ok);
    writeText(portMappingPath(bench.settingsDir()), "COM9=/dev/x\n\x01\x02garbage\nCOM2=/dev/ttyUSB1\n");
    const auto list = runCli(bench.settingsDir(), {"port", "--list"});
    EXPECT_EQ(list.exit, exitCode::Success);
    EXPECT_EQ(linesOf(list.err).size(), 2u) << list.err;
    EXPECT_NE(list.err.find(" line 1 ignored: the port must be COM1 to COM4"), std::string::npos) << list.err;
    EXPECT_EQ(linesOf(list.out)[1], "COM2 /dev/ttyUSB1 (mapped): missing: the adapter is not plugged in");

    ASSERT_EQ(runCli(bench.settingsDir(), {"port", "--map", "COM3", "/dev/ttyUSB2"}).exit, 0);
    EXPECT_EQ(readPortMapping(bench.settingsDir()), (PortMapping{{2, "/dev/ttyUSB1"}, {3, "/dev/ttyUSB2"}}));
}

TEST(CliPortMapping, SaveFailureExits6) {
    AdapterBench bench;
    const auto missing =
        runCli(bench.settings.file("missing/deeper"), {"port", "--map", "COM1", "/dev/ttyUSB0"});
    EXPECT_EQ(missing.exit, exitCode::FileFailure);
    EXPECT_EQ(linesOf(missing.err).size(), 1u) << missing.err;
    EXPECT_TRUE(missing.out.empty());
}

TEST(CliPortMapping, BadMapCommandLinesAreUsageErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"port", "--map", "COM5", "/dev/ttyUSB0"},
             {"port", "--map", "COM1"},
             {"port", "--map", "COM1", "/dev/x", "--unmap", "COM2"},
             {"read", "--unmap", "COM1"},
         })
        EXPECT_TRUE(std::holds_alternative<CliUsageError>(parseCliArguments(args))) << args.back();
    ScratchDirectory dir;
    const auto blank = runCli(dir.path().string(), {"port", "--map", "COM1", ".."});
    EXPECT_EQ(blank.exit, exitCode::Usage);
    EXPECT_FALSE(fs::exists(portMappingPath(dir.path().string())));
}

}  // namespace
}  // namespace vantrel

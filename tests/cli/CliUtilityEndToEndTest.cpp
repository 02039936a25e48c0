// End to end: vantrel-cli's production-line utilities (serial, temp-comp, bbo) against vantrel-sim over a
// pty.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CliProcess.h"
#include "cli/CliExitCode.h"

namespace vantrel {
namespace {

using test::runTool;
using test::SimulatorProcess;

/// The simulator with a profile for one test, and the tool's runs against it.
class UtilityRig {
  public:
    explicit UtilityRig(const std::string& profile) : m_sim(VANTREL_SIM_EXE, m_dir.file("com1"), profile) {
        m_device = m_sim.announcedDevice();
    }
    bool ready() const { return !m_device.empty(); }
    test::CliRun run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", "1"});
        return runTool(args, m_device);
    }
    std::string config() const { return std::string(VANTREL_SIM_PROFILES) + "/bbo.cfg"; }

  private:
    test::ScratchDirectory m_dir;
    SimulatorProcess m_sim;
    std::string m_device;
};

bool simulatorBuilt() {
    const std::string simulator = VANTREL_SIM_EXE;
    return !simulator.empty() && std::filesystem::exists(simulator);
}

TEST(CliUtilitiesEndToEnd, SerialIsProgrammedOnlyIntoABlankRadio) {
    if (!simulatorBuilt())
        GTEST_SKIP() << "vantrel-sim is not built";
    UtilityRig rig("blank-serial");
    ASSERT_TRUE(rig.ready());
    const auto bad = rig.run({"serial", "ABC12345"});
    EXPECT_EQ(bad.exit, exitCode::Usage) << bad.err;
    const auto first = rig.run({"serial", "VT-0042.{A"});
    ASSERT_EQ(first.exit, exitCode::Success) << first.out << first.err;
    EXPECT_EQ(first.out, "Serial No. has been successfully programmed !!\n");
    const auto again = rig.run({"serial", "VT00000043"});
    EXPECT_EQ(again.exit, exitCode::SerialMismatch);
    EXPECT_EQ(again.out, "Serial No. is not blank\n");
}

TEST(CliUtilitiesEndToEnd, TempCompIsReadWrittenAndReadBack) {
    if (!simulatorBuilt())
        GTEST_SKIP() << "vantrel-sim is not built";
    UtilityRig rig("portable");
    ASSERT_TRUE(rig.ready());
    const auto read = rig.run({"temp-comp"});
    ASSERT_EQ(read.exit, exitCode::Success) << read.err;
    EXPECT_EQ(read.out, "12345678\n");
    const auto write = rig.run({"temp-comp", "01A000fF"});
    ASSERT_EQ(write.exit, exitCode::Success) << write.err;
    EXPECT_EQ(write.out, "Temp Comp data has been written in successfully !!\n01a000ff\n");
    EXPECT_EQ(rig.run({"temp-comp"}).out, "01a000ff\n");
    EXPECT_EQ(rig.run({"temp-comp", "01A000f"}).exit, exitCode::Usage);
}

TEST(CliUtilitiesEndToEnd, BasebandOffsetsInACodeplugTableAreListedSetAndKept) {
    if (!simulatorBuilt())
        GTEST_SKIP() << "vantrel-sim is not built";
    UtilityRig rig("bbo-codeplug-sums");
    ASSERT_TRUE(rig.ready());
    EXPECT_EQ(rig.run({"bbo"}).exit, exitCode::Usage);  // this radio needs its configuration file
    const auto set =
        rig.run({"bbo", "--config", rig.config(), "--set", "qdt offset=1500Hz", "--spacing", "25"});
    ASSERT_EQ(set.exit, exitCode::Success) << set.out << set.err;
    EXPECT_EQ(set.out, "Baseband offset parameters updated successfully\n");
    const auto list = rig.run({"bbo", "--config", rig.config(), "--list"});
    ASSERT_EQ(list.exit, exitCode::Success) << list.err;
    EXPECT_NE(list.out.find("25 kHz\n  CSQ OFFSET: 115 Hz\n  QDT OFFSET: 1500 Hz\n"), std::string::npos)
        << list.out;
    EXPECT_EQ(rig.run({"bbo", "--config", "/nonexistent/bbo.cfg"}).exit, exitCode::FileFailure);
}

TEST(CliUtilitiesEndToEnd, BasebandOffsetsHeldByTheRadioNeedNoFile) {
    if (!simulatorBuilt())
        GTEST_SKIP() << "vantrel-sim is not built";
    UtilityRig rig("bbo-radio");
    ASSERT_TRUE(rig.ready());
    const auto set =
        rig.run({"bbo", "--set", "NUV/QDT/ZAPO Offset=15", "--set", "CSQ Offset=86", "--spacing", "20"});
    ASSERT_EQ(set.exit, exitCode::Success) << set.out << set.err;
    EXPECT_EQ(set.out, "Baseband Offset parameters updated successfully\n");
    const auto list = rig.run({"bbo"});
    EXPECT_NE(list.out.find("20 kHz\n  CSQ Offset: 86 Hz\n  NUV/QDT/ZAPO Offset: 512 Hz\n"),
              std::string::npos)
        << list.out;
}

}  // namespace
}  // namespace vantrel

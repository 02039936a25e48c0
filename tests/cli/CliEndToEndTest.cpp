// End to end: the vantrel-cli executable reads and programs the vantrel-sim radio over a pty in real time.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "cli/CliExitCode.h"

namespace vantrel {
namespace {

using test::runTool;
using test::SimulatorProcess;

TEST(CliEndToEnd, ReadsThenProgramsTheSimulatedRadioOverAPty) {
    const std::string simulator = VANTREL_SIM_EXE;
    if (simulator.empty() || !std::filesystem::exists(simulator))
        GTEST_SKIP() << "vantrel-sim is not built";

    test::ScratchDirectory dir;
    SimulatorProcess sim(simulator, dir.file("com1"));
    const std::string device = sim.announcedDevice();
    ASSERT_FALSE(device.empty()) << "the simulator did not announce its device";

    const std::string archive = dir.file("radio.sfp");
    const auto read = runTool({"--port", "1", "read", "-o", archive}, device);
    ASSERT_EQ(read.exit, exitCode::Success) << read.out << read.err;
    EXPECT_EQ(read.out, "Radio has been successfully read !!\nTuning data has been saved.\n");
    EXPECT_NE(read.err.find("\n30% Complete\n"), std::string::npos) << read.err;

    const auto program = runTool({"program", archive, "--yes", "--port", "1"}, device);
    ASSERT_EQ(program.exit, exitCode::Success) << program.out << program.err;
    EXPECT_EQ(program.out, "Tuning data has been loaded.\nRadio successfully programmed!!\n");
}

}  // namespace
}  // namespace vantrel

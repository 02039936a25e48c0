// End to end: the vantrel-cli executable reads and programs the vantrel-sim radio over a pty in real time.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "cli/CliExitCode.h"
#include "operations/UserPrompt.h"
#include "operations/fileModule.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

using test::Clock;
using test::kCommandLimit;
using test::reap;
using test::runTool;
using test::spawn;
using test::SimulatorProcess;

// Runs the tool with stdout on /dev/full (every write fails for lack of space); answers the exit code
// and what it said on stderr.
test::CliRun runWithStdoutOnFullDisk(const std::vector<std::string>& args, const std::string& device = {}) {
    int err[2];
    test::CliRun run;
    if (pipe(err) != 0)
        return run;
    const int full = open("/dev/full", O_WRONLY);
    if (full < 0)
        return run;
    std::vector<std::string> argv = {VANTREL_CLI_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    int outPipe[2] = {-1, full};
    const pid_t pid = spawn(argv, {"VANTREL_COM1=" + device}, outPipe, err);
    close(full);
    close(err[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;)
        run.err.append(buffer, static_cast<std::size_t>(n));
    close(err[0]);
    int status = 0;
    if (reap(pid, static_cast<int>(std::chrono::milliseconds(kCommandLimit).count()), &status))
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CliEndToEnd, StdoutOnAFullDiskExits6) {
    test::ScratchDirectory dir;
    radioStorage record;
    record.setSerialNo("FULL000001");
    record.setDataVersion(35);
    record.setTuningProcedure(1);
    ScriptedPrompt prompt;
    fileModule files(prompt);
    ASSERT_TRUE(files.writeArchive(dir.file("a.sfp"), record));

    const auto dump = runWithStdoutOnFullDisk({"dump", dir.file("a.sfp")});
    EXPECT_EQ(dump.exit, exitCode::FileFailure) << dump.err;
    EXPECT_NE(dump.err.find("cannot write to standard output"), std::string::npos) << dump.err;

    const std::string simulator = VANTREL_SIM_EXE;
    if (simulator.empty() || !std::filesystem::exists(simulator))
        GTEST_SKIP() << "vantrel-sim is not built";
    SimulatorProcess sim(simulator, dir.file("com1"));
    const std::string device = sim.announcedDevice();
    ASSERT_FALSE(device.empty()) << "the simulator did not announce its device";
    const auto read = runWithStdoutOnFullDisk({"read", "--port", "1", "--json"}, device);
    EXPECT_EQ(read.exit, exitCode::FileFailure) << read.err;
    EXPECT_NE(read.err.find("cannot write to standard output"), std::string::npos) << read.err;
}

TEST(CliEndToEnd, SigintDuringAReadExits130AndKeepsTheArchive) {
    const std::string simulator = VANTREL_SIM_EXE;
    if (simulator.empty() || !std::filesystem::exists(simulator))
        GTEST_SKIP() << "vantrel-sim is not built";
    test::ScratchDirectory dir;
    SimulatorProcess sim(simulator, dir.file("com1"));
    const std::string device = sim.announcedDevice();
    ASSERT_FALSE(device.empty()) << "the simulator did not announce its device";
    const std::string archive = dir.file("radio.sfp");
    test::writeText(archive, "the previous archive");

    int out[2], err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    const pid_t pid =
        spawn({VANTREL_CLI_EXE, "read", "--port", "1", "-o", archive}, {"VANTREL_COM1=" + device}, out, err);
    close(out[1]);
    close(err[1]);
    // Interrupt once the read is well under way.
    std::string progress;
    const auto deadline = Clock::now() + kCommandLimit;
    while (progress.find("30% Complete") == std::string::npos && Clock::now() < deadline) {
        char buffer[256];
        const ssize_t n = read(err[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        progress.append(buffer, static_cast<std::size_t>(n));
    }
    ASSERT_NE(progress.find("30% Complete"), std::string::npos) << progress;
    kill(pid, SIGINT);
    for (char buffer[256]; read(err[0], buffer, sizeof buffer) > 0;) {
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    ASSERT_TRUE(reap(pid, static_cast<int>(std::chrono::milliseconds(kCommandLimit).count()), &status));
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(test::fileText(archive), "the previous archive");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path() == archive || entry.path().filename() == "com1") << entry.path();
}

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

// End to end: vantrel-cli's production-line utilities (serial, temp-comp, bbo) against vantrel-sim over a
// pty.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "CliProcess.h"
#include "cli/CliExitCode.h"
#include "cli/RecordJson.h"
#include "radio/radioStorage.h"

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

/// The tool as a process whose stdin is a terminal (a pseudo-terminal), for what it asks there.
class TerminalRun {
  public:
    explicit TerminalRun(const std::vector<std::string>& args) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 || pipe(m_err) != 0)
            return;
        const std::string slave = ptsname(m_master);
        std::vector<std::string> argv = {VANTREL_CLI_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        m_pid = fork();
        if (m_pid == 0) {
            setsid();
            const int terminal = open(slave.c_str(), O_RDWR);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(terminal, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(m_err[1], STDERR_FILENO);
            std::vector<char*> raw;
            for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
            raw.push_back(nullptr);
            execv(raw[0], raw.data());
            _exit(127);
        }
        close(m_err[1]);
        m_err[1] = -1;
    }
    ~TerminalRun() {
        if (m_pid > 0 && !m_reaped) {
            kill(m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
        for (const int fd : {m_master, m_err[0], m_err[1]})
            if (fd >= 0)
                close(fd);
    }
    /// Reads stderr until `text` shows, at most `limitMs`.
    bool waitForErr(const std::string& text, int limitMs) {
        const auto deadline = test::Clock::now() + std::chrono::milliseconds(limitMs);
        while (err.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - test::Clock::now()).count();
            pollfd p{m_err[0], POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
                return false;
            char buffer[256];
            const ssize_t n = read(m_err[0], buffer, sizeof buffer);
            if (n <= 0)
                return false;
            err.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }
    /// Sends the signal and waits at most `limitMs` for the exit; the exit code, or -1.
    int stop(int signal, int limitMs) {
        kill(m_pid, signal);
        return finish(limitMs);
    }
    /// Waits at most `limitMs` for the exit; the exit code, or -1.
    int finish(int limitMs) {
        int status = 0;
        if (!test::reap(m_pid, limitMs, &status))
            return -1;
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool started() const { return m_pid > 0; }
    std::string err;

  private:
    int m_master = -1;
    int m_err[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_reaped = false;
};

TEST(CliUtilitiesEndToEnd, SigintEndsAWaitThatIsNoRadioExchange) {
    // Waiting for the technician's answer at the terminal, nothing waits on the radio: Ctrl+C ends the
    // tool at once instead of being held until Enter.
    test::ScratchDirectory dir;
    radioStorage record;
    record.setSerialNo("SN00000001");
    record.setDataVersion(35);
    record.setTuningProcedure(1);
    test::writeText(dir.file("radio.json"), RecordJson::toJson(record));
    const std::string archive = dir.file("radio.sfp");
    ASSERT_EQ(test::runCli(dir.path().string(), {"import", dir.file("radio.json"), "-o", archive}).exit,
              exitCode::Success);
    TerminalRun run({"program", archive, "--port", "1"});
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.waitForErr("Program Radio?", 10000)) << run.err;
    EXPECT_EQ(run.stop(SIGINT, 5000), 128 + SIGINT) << run.err;
}

TEST(CliUtilitiesEndToEnd, AConfigurationFifoIsRefusedWithoutWaitingForAWriter) {
    test::ScratchDirectory dir;
    const std::string fifo = dir.file("bbo.cfg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TerminalRun run({"bbo", "--port", "1", "--config", fifo});
    ASSERT_TRUE(run.started());
    // Bounded: an open that waited for a writer would never end.
    EXPECT_EQ(run.finish(5000), exitCode::FileFailure);
}

}  // namespace
}  // namespace vantrel

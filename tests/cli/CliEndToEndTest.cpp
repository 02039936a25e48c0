// End to end: the vantrel-cli executable reads and programs the vantrel-sim radio over a pty in real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "cli/CliExitCode.h"
#include "operations/UserPrompt.h"
#include "operations/fileModule.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kSimStartLimit = std::chrono::seconds(10);
constexpr auto kCommandLimit = std::chrono::seconds(180);
constexpr int kSimStopLimitMs = 5000;

// Starts a program with its stdout (and stderr when asked) on pipes and stdin on /dev/null.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment, int outPipe[2],
            int errPipe[2]) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    if (errPipe)
        dup2(errPipe[1], STDERR_FILENO);
    for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

// Waits for a child to end, at most `limitMs`; answers whether it ended (without sleeping: a pidfd).
bool reap(pid_t pid, int limitMs, int* status) {
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        const int ready = poll(&p, 1, limitMs);
        close(pidfd);
        if (ready <= 0)
            return false;
    }
    return waitpid(pid, status, 0) == pid;
}

// The simulator for one test; stopped (and reaped) whatever happens.
class SimulatorProcess {
  public:
    SimulatorProcess(const std::string& exe, const std::string& linkPath) {
        if (pipe(m_out) != 0)
            return;
        m_pid = spawn({exe, "--link", linkPath}, {}, m_out, nullptr);
        close(m_out[1]);
    }
    ~SimulatorProcess() {
        if (m_pid > 0) {
            int status = 0;
            kill(m_pid, SIGTERM);
            if (!reap(m_pid, kSimStopLimitMs, &status)) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
            }
        }
        if (m_out[0] >= 0)
            close(m_out[0]);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    /// The device path the simulator announces as "VANTREL_COM1=PATH", or empty after the time limit.
    std::string announcedDevice() {
        const std::string marker = "VANTREL_COM1=";
        std::string seen;
        const auto deadline = Clock::now() + kSimStartLimit;
        while (Clock::now() < deadline) {
            if (const auto at = seen.find(marker); at != std::string::npos) {
                if (const auto end = seen.find('\n', at); end != std::string::npos)
                    return seen.substr(at + marker.size(), end - at - marker.size());
            }
            pollfd p{m_out[0], POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (poll(&p, 1, static_cast<int>(std::max<long long>(1, left.count()))) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = read(m_out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            seen.append(buffer, static_cast<std::size_t>(n));
        }
        return {};
    }

  private:
    pid_t m_pid = -1;
    int m_out[2] = {-1, -1};
};

// Runs the tool as a process, bounded in time; a run past the limit is killed and answers -1.
test::CliRun runTool(const std::vector<std::string>& args, const std::string& device) {
    int out[2], err[2];
    test::CliRun run;
    if (pipe(out) != 0 || pipe(err) != 0)
        return run;
    std::vector<std::string> argv = {VANTREL_CLI_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = spawn(argv, {"VANTREL_COM1=" + device}, out, err);
    close(out[1]);
    close(err[1]);

    const auto deadline = Clock::now() + kCommandLimit;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && Clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (poll(fds, 2, static_cast<int>(std::max<long long>(1, left.count()))) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);
    int status = 0;
    if (open > 0)
        kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    run.exit = open == 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

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

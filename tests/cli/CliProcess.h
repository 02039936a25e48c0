// The command-line tool and the simulator as processes: spawning, bounded waits, the announced device.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace vantrel::test {

using Clock = std::chrono::steady_clock;

constexpr auto kSimStartLimit = std::chrono::seconds(10);
constexpr auto kCommandLimit = std::chrono::seconds(180);
constexpr int kSimStopLimitMs = 5000;

// Starts a program with its stdout (and stderr when asked) on pipes and stdin on /dev/null.
inline pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   int outPipe[2], int errPipe[2]) {
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
inline bool reap(pid_t pid, int limitMs, int* status) {
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
    SimulatorProcess(const std::string& exe, const std::string& linkPath, const std::string& profile = "") {
        if (pipe(m_out) != 0)
            return;
        std::vector<std::string> argv = {exe, "--link", linkPath};
        if (!profile.empty()) {
            argv.push_back("--profile");
            argv.push_back(profile);
        }
        m_pid = spawn(argv, {}, m_out, nullptr);
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
inline CliRun runTool(const std::vector<std::string>& args, const std::string& device) {
    int out[2], err[2];
    CliRun run;
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

}  // namespace vantrel::test

// Shared helpers of the fault tests: a simulated radio on a real pty, scratch directories, child processes.
#pragma once

#include "../support/ScratchDirectory.h"
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "link/LinkContext.h"
#include "link/PosixSerialDevice.h"
#include "sim/PtySimServer.h"
#include "sim/SimFaults.h"
#include "sim/SimRadio.h"

namespace vantrel::faults {

using SteadyClock = std::chrono::steady_clock;

using test::ScratchDirectory;

inline std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

/// The simulated radio served on a pseudo-terminal in real time, with the process's link pointed at it:
/// every connection the operations open reaches the radio, whatever COM port they ask for.
class RadioOnPty {
  public:
    explicit RadioOnPty(SimProfile profile = SimProfile::defaults())
        : m_radio(std::move(profile)), m_server(m_radio, m_dir.file("radio")), m_opener(m_dir.file("radio")) {
        m_server.start();
        LinkContext context;
        context.programDirectory = m_dir.path().string();  // no COM.INI there
        context.opener = &m_opener;
        m_context = std::make_unique<ScopedLinkContext>(std::move(context));
    }
    /// Adds a fault rule in the simulator's text form ("nak@3", "silence*0").
    void fault(const std::string& rule) { m_radio.addFault(parseSimFault(rule)); }
    SimRadio& radio() { return m_radio; }
    /// The symlink to the pty slave the program opens.
    std::string device() const { return m_server.linkPath(); }

  private:
    ScratchDirectory m_dir;
    SimRadio m_radio;
    PtySimServer m_server;
    FixedPathOpener m_opener;
    std::unique_ptr<ScopedLinkContext> m_context;
};

/// Seconds of wall time spent by f.
template <typename F>
double secondsOf(F f) {
    const auto start = SteadyClock::now();
    f();
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

/// Waits for a child to end, at most limitMs (a pidfd, no sleeping); kills it past the limit.
/// Answers the wait status, or -1 when it had to be killed.
inline int reapChild(pid_t pid, int limitMs) {
    int status = 0;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    bool ended = true;
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        ended = poll(&p, 1, limitMs) > 0;
        close(pidfd);
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    waitpid(pid, &status, 0);
    return status;
}

/// What a program run as a child printed and how it ended.
struct ChildRun {
    int exitCode = -1;  ///< -1: killed at the time limit or not started
    std::string out;
    std::string err;
};

/// Runs argv with extra environment settings, stdin on /dev/null, bounded by limitMs.
inline ChildRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                           int limitMs) {
    ChildRun run;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return run;
    const pid_t pid = fork();
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(limitMs);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && SteadyClock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
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
    for (pollfd& p : fds)
        if (p.fd >= 0)
            close(p.fd);
    const int status = reapChild(
        pid,
        std::max<long long>(
            1, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count()));
    if (status >= 0 && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace vantrel::faults

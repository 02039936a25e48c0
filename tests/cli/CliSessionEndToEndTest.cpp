// End to end: vantrel-cli session as a process against the simulated radio over a pty, ended by real
// signals, a hung-up terminal and a reader of its answers that goes away.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>

#include "CliProcess.h"
#include "SessionBench.h"
#include "cli/CliExitCode.h"
#include "sim/PtySimServer.h"
#include "sim/SimRadio.h"

namespace vantrel {
namespace {

using test::Clock;
using test::kCommandLimit;
using test::reap;
using test::SimulatorProcess;

// Reads from `fd` until `pending` holds a complete line (or the time limit); answers what came.
std::string readLine(int fd, std::string& pending) {
    const auto deadline = Clock::now() + kCommandLimit;
    while (pending.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t end = pending.find('\n');
    if (end == std::string::npos)
        return std::exchange(pending, {});
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    return line;
}

TEST(CliSessionEndToEnd, AnswersOverAPtyAndStopsOnSigtermWhileWaiting) {
    const std::string simulator = VANTREL_SIM_EXE;
    if (simulator.empty() || !std::filesystem::exists(simulator))
        GTEST_SKIP() << "vantrel-sim is not built";
    test::ScratchDirectory dir;
    SimulatorProcess sim(simulator, dir.file("com1"));
    const std::string device = sim.announcedDevice();
    ASSERT_FALSE(device.empty()) << "the simulator did not announce its device";

    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[1]);
        close(out[0]);
        execl(VANTREL_CLI_EXE, VANTREL_CLI_EXE, "session", "--device", device.c_str(), nullptr);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    const std::string request = "{\"cmd\":\"identify\",\"id\":1}\n";
    ASSERT_EQ(write(in[1], request.data(), request.size()), static_cast<ssize_t>(request.size()));
    std::string pending;
    const nlohmann::json identified = nlohmann::json::parse(readLine(out[0], pending));
    EXPECT_EQ(identified["ok"], true) << identified;
    EXPECT_EQ(identified["id"], 1);
    EXPECT_EQ(identified["serial"].get<std::string>().size(), 10u);

    // The session now waits for input that never comes: the signal alone must end it.
    kill(pid, SIGTERM);
    const nlohmann::json last = nlohmann::json::parse(readLine(out[0], pending));
    EXPECT_EQ(last["error"]["code"], "interrupted") << last;
    int status = 0;
    ASSERT_TRUE(reap(pid, static_cast<int>(std::chrono::milliseconds(kCommandLimit).count()), &status));
    close(in[1]);
    close(out[0]);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 143);
}

// The simulated radio served on a pty by this process, so a test can look at its state after the session.
class ServedRadio {
  public:
    // A read in real time takes about ten seconds: each test reads once.
    ServedRadio() : m_radio(SimProfile::defaults()), m_server(m_radio, m_dir.file("radio")) {
        m_server.start();
    }
    SimRadio& radio() { return m_radio; }
    std::string device() const { return m_server.linkPath(); }
    /// Keyed during the test, then dekeyed and reset.
    bool dekeyedAndReset() {
        const std::vector<SimEvent> keys = m_radio.transcript().filter(SimEventKind::State, SimTopic::Key);
        return !keys.empty() && test::endedDekeyedAndReset(m_radio);
    }

  private:
    test::ScratchDirectory m_dir;
    SimRadio m_radio;
    PtySimServer m_server;
};

// `vantrel-cli session --device DEVICE` with its requests, answers and notes on pipes (or its requests
// and answers on a terminal of its own); killed at the end of the test whatever happened.
class SessionProcess {
  public:
    /// `terminal`: stdin and stdout are a pty that is the session's controlling terminal.
    SessionProcess(const std::string& device, std::vector<std::string> extra = {}, bool terminal = false) {
        int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
        int slave = -1;
        if (pipe(err) != 0)
            return;
        if (terminal) {
            m_master = posix_openpt(O_RDWR | O_NOCTTY);
            if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
                return;
            // Raw: no echo of the requests, no line feed turned into two bytes.
            termios mode{};
            tcgetattr(m_master, &mode);
            cfmakeraw(&mode);
            tcsetattr(m_master, TCSANOW, &mode);
            m_slavePath = ptsname(m_master);
        } else if (pipe(in) != 0 || pipe(out) != 0) {
            return;
        }
        std::vector<std::string> argv = {VANTREL_CLI_EXE, "session", "--device", device};
        argv.insert(argv.end(), extra.begin(), extra.end());
        m_pid = fork();
        if (m_pid == 0) {
            // The test ignores SIGPIPE for its own writes; the tool must cope with the default.
            signal(SIGPIPE, SIG_DFL);
            if (terminal) {
                setsid();
                slave = open(m_slavePath.c_str(), O_RDWR);
                ioctl(slave, TIOCSCTTY, 0);
                dup2(slave, STDIN_FILENO);
                dup2(slave, STDOUT_FILENO);
            } else {
                dup2(in[0], STDIN_FILENO);
                dup2(out[1], STDOUT_FILENO);
            }
            dup2(err[1], STDERR_FILENO);
            // No other end of these pipes may stay open here, or a closed end would not count as closed.
            for (int fd = STDERR_FILENO + 1; fd < 1024; ++fd) close(fd);
            std::vector<char*> args;
            for (std::string& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(err[1]);
        m_err = err[0];
        if (terminal) {
            m_in = m_out = m_master;
        } else {
            close(in[0]);
            close(out[1]);
            m_in = in[1];
            m_out = out[0];
        }
    }
    ~SessionProcess() {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        for (const int fd : {m_in, m_out, m_err})
            if (fd >= 0 && fd != m_master)
                close(fd);
        if (m_master >= 0)
            close(m_master);
    }
    SessionProcess(const SessionProcess&) = delete;
    SessionProcess& operator=(const SessionProcess&) = delete;

    pid_t pid() const { return m_pid; }
    bool send(const std::string& text) {
        return write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    nlohmann::json answer() {
        const std::string line = readLine(m_out, m_pending);
        try {
            return nlohmann::json::parse(line);
        } catch (const nlohmann::json::exception&) {
            return nlohmann::json{{"unreadable", line}};
        }
    }
    /// The reader of the answers goes away.
    void closeAnswers() {
        if (m_master >= 0) {
            close(m_master);  // the terminal hangs up
            m_master = m_in = m_out = -1;
        } else {
            close(m_out);
            m_out = -1;
        }
    }
    /// The notes on stderr so far (call after the end: the tool writes no more then).
    const std::string& notes() {
        pollfd p{m_err, POLLIN, 0};
        char buffer[1024];
        ssize_t n = 0;
        while (poll(&p, 1, 0) > 0 && (n = read(m_err, buffer, sizeof buffer)) > 0)
            m_notes.append(buffer, static_cast<std::size_t>(n));
        return m_notes;
    }
    /// Waits for the end at most `limitMs`; its wait status, or nullopt when it did not end.
    std::optional<int> ended(int limitMs) {
        int status = 0;
        if (!reap(m_pid, limitMs, &status))
            return std::nullopt;
        m_ended = true;
        return status;
    }

  private:
    pid_t m_pid = -1;
    int m_in = -1, m_out = -1, m_err = -1, m_master = -1;
    std::string m_slavePath;
    std::string m_pending;
    std::string m_notes;
    bool m_ended = false;
};

// SIGPIPE ignored in the test process while a test writes to a session that may have ended.
class IgnoredSigpipe {
  public:
    IgnoredSigpipe() { m_previous = signal(SIGPIPE, SIG_IGN); }
    ~IgnoredSigpipe() { signal(SIGPIPE, m_previous); }

  private:
    sighandler_t m_previous;
};

constexpr int kEndLimitMs = 20000;

// Reads the radio, opens the transmit procedure and keys it; false (with a test failure) when one failed.
bool keyedSession(SessionProcess& session) {
    const char* requests[] = {"{\"cmd\":\"read\"}\n", "{\"cmd\":\"open\",\"procedure\":\"tx-high-power\"}\n",
                              "{\"cmd\":\"key\",\"id\":\"key\"}\n"};
    for (const char* request : requests) {
        EXPECT_TRUE(session.send(request));
        const nlohmann::json answer = session.answer();
        if (answer.value("ok", false) != true) {
            ADD_FAILURE() << request << " answered " << answer;
            return false;
        }
    }
    return true;
}

TEST(CliSessionEndToEnd, SighupWhileKeyedDekeysResetsAndEndsWith129) {
    IgnoredSigpipe ignored;
    ServedRadio served;
    SessionProcess session(served.device());
    ASSERT_TRUE(keyedSession(session));
    ASSERT_TRUE(served.radio().keyed());

    kill(session.pid(), SIGHUP);
    const nlohmann::json last = session.answer();
    EXPECT_EQ(last["error"]["code"], "interrupted") << last;
    EXPECT_NE(last["error"]["text"].get<std::string>().find("SIGHUP"), std::string::npos);
    EXPECT_FALSE(last.contains("warning"));
    const std::optional<int> status = session.ended(kEndLimitMs);
    ASSERT_TRUE(status);
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(*status), exitCode::Interrupted + SIGHUP);
    EXPECT_TRUE(served.dekeyedAndReset());
}

// The session's terminal goes away (a remote shell drops): the kernel's SIGHUP and the end of input both
// come; either way the radio is dekeyed and reset before the tool ends.
TEST(CliSessionEndToEnd, AHungUpTerminalLeavesTheRadioDekeyedAndReset) {
    IgnoredSigpipe ignored;
    ServedRadio served;
    SessionProcess session(served.device(), {}, true);
    ASSERT_TRUE(keyedSession(session));
    ASSERT_TRUE(served.radio().keyed());

    session.closeAnswers();
    const std::optional<int> status = session.ended(kEndLimitMs);
    ASSERT_TRUE(status);
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << (WIFSIGNALED(*status) ? WTERMSIG(*status) : 0);
    EXPECT_TRUE(WEXITSTATUS(*status) == exitCode::Interrupted + SIGHUP ||
                WEXITSTATUS(*status) == exitCode::Success || WEXITSTATUS(*status) == exitCode::FileFailure)
        << WEXITSTATUS(*status) << "\n"
        << session.notes();
    EXPECT_TRUE(served.dekeyedAndReset());
}

// The script reading the answers dies while the session waits, its requests' pipe still open: the session
// notices at once instead of waiting for a request or the watchdog.
TEST(CliSessionEndToEnd, AReaderGoneWhileWaitingEndsTheSessionWithTheRadioSafe) {
    IgnoredSigpipe ignored;
    ServedRadio served;
    SessionProcess session(served.device(), {"--watchdog", "600"});
    ASSERT_TRUE(keyedSession(session));

    session.closeAnswers();
    const std::optional<int> status = session.ended(kEndLimitMs);
    ASSERT_TRUE(status) << "the session went on waiting with the radio keyed";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), exitCode::FileFailure) << session.notes();
    EXPECT_NE(session.notes().find("went away"), std::string::npos);
    EXPECT_TRUE(served.dekeyedAndReset());
}

// The reader goes away while requests are under way: the next answer fails with EPIPE (not a SIGPIPE that
// would end the tool with the radio keyed) and the session ends there with the radio safe.
TEST(CliSessionEndToEnd, AnAnswerThatCannotBeWrittenEndsTheSessionWithTheRadioSafe) {
    IgnoredSigpipe ignored;
    ServedRadio served;
    SessionProcess session(served.device(), {"--watchdog", "600"});
    ASSERT_TRUE(keyedSession(session));

    // One write: the session takes all of them in one read, and answers them without waiting again.
    std::string requests;
    for (int i = 0; i < 20; ++i) requests += "{\"cmd\":\"live\",\"value\":" + std::to_string(40 + i) + "}\n";
    ASSERT_TRUE(session.send(requests));
    EXPECT_EQ(session.answer()["ok"], true);
    session.closeAnswers();
    const std::optional<int> status = session.ended(kEndLimitMs);
    ASSERT_TRUE(status);
    ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << (WIFSIGNALED(*status) ? WTERMSIG(*status) : 0);
    EXPECT_EQ(WEXITSTATUS(*status), exitCode::FileFailure) << session.notes();
    EXPECT_NE(session.notes().find("cannot write to standard output"), std::string::npos);
    EXPECT_TRUE(served.dekeyedAndReset());
}

}  // namespace
}  // namespace vantrel

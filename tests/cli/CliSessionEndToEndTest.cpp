// End to end: vantrel-cli session against the vantrel-sim radio over a pty, stopped by a real SIGTERM.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "CliProcess.h"

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

}  // namespace
}  // namespace vantrel

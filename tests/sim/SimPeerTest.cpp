// The simulated radio plugged in two ways: on the virtual line in virtual time, and on a pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "link/VirtualLine.h"
#include "sim/PtySimServer.h"
#include "sim/SimPeer.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

std::vector<uint8_t> readAll(SerialDevice& device) {
    std::vector<uint8_t> out(128);
    out.resize(device.readAvailable(out.data(), out.size()));
    return out;
}

TEST(SimPeerOnVirtualLine, WholeAnswerIsWaitingAfterThePostSendPause) {
    VirtualClock clock;
    VirtualLine line(clock);
    SimRadio radio(SimProfile::defaults());
    SimPeer peer(radio);
    line.setPeer(&peer);
    auto device = line.openDevice();

    for (uint8_t b : simtest::request(0x23, {0x01})) device->transmit(b);
    clock.sleep(110);
    const auto got = readAll(*device);
    ASSERT_EQ(got.size(), 4u + 1 + 14);
    EXPECT_EQ(got[4], 0x50);
    EXPECT_EQ(std::string(got.begin() + 5 + 3, got.begin() + 5 + 13), "SIM0000001");
    // The radio saw the request at the virtual time it was sent.
    const auto in = radio.transcript().filter(SimEventKind::FrameIn);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].atMs, 0u);
}

TEST(SimPeerOnVirtualLine, EchoArrivesBeforeTheAcknowledgeAndDataReplyByteByByte) {
    VirtualClock clock;
    VirtualLine line(clock);
    SimRadio radio(SimProfile::defaults());
    SimPeer peer(radio);
    line.setPeer(&peer);
    auto device = line.openDevice();
    for (uint8_t b : std::vector<uint8_t>{0xF2, 0x19, 0x01, 0xF3}) device->transmit(b);
    ASSERT_TRUE(device->waitReadable(10));
    EXPECT_LE(clock.now(), 10u);
    EXPECT_EQ(readAll(*device), (std::vector<uint8_t>{0xF2}));
}

TEST(SimPeerOnVirtualLine, DisconnectFaultPullsTheCable) {
    VirtualClock clock;
    VirtualLine line(clock);
    SimRadio radio(SimProfile::defaults());
    radio.addFault(parseSimFault("disconnect@2"));
    SimPeer peer(radio);
    line.setPeer(&peer);
    auto device = line.openDevice();
    for (uint8_t b : std::vector<uint8_t>{0xF2, 0x19, 0x00, 0xF4}) device->transmit(b);
    clock.sleep(110);
    EXPECT_FALSE(line.disconnected());
    readAll(*device);
    for (uint8_t b : std::vector<uint8_t>{0xF2, 0x19, 0x00, 0xF4}) device->transmit(b);
    EXPECT_TRUE(line.disconnected());
}

/// Reads from fd until `count` bytes came or a second passed (waiting on the descriptor, not sleeping).
std::vector<uint8_t> readFor(int fd, size_t count) {
    std::vector<uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        uint8_t buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            out.insert(out.end(), buf, buf + n);
    }
    return out;
}

TEST(PtySimServerTest, AnswersOnTheSlaveAndRemovesItsLinkOnStop) {
    const std::string link =
        (std::filesystem::temp_directory_path() / ("vantrel-sim-test-" + std::to_string(getpid()))).string();
    SimRadio radio(SimProfile::defaults());
    PtySimServer server(radio, link);
    server.start();
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const uint8_t key[] = {0xF2, 0x19, 0x01, 0xF3};
    ASSERT_EQ(::write(fd, key, sizeof key), 4);
    const auto got = readFor(fd, 4 + 1 + 4);
    ASSERT_EQ(got.size(), 9u);
    EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + 5),
              (std::vector<uint8_t>{0xF2, 0x19, 0x01, 0xF3, 0x50}));
    EXPECT_TRUE(radio.keyed());
    ::close(fd);
    server.stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(PtySimServerTest, RefusesToReplaceARegularFile) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vantrel-sim-file-" + std::to_string(getpid()))).string();
    { std::ofstream(path) << "keep me"; }
    SimRadio radio(SimProfile::defaults());
    PtySimServer server(radio, path);
    EXPECT_THROW(server.start(), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace vantrel

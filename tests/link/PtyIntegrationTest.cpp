// One real-time exchange over a pseudo-terminal, and exclusive opening of the device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "ScriptedRadio.h"
#include "link/Exceptions.h"
#include "link/PosixSerialDevice.h"
#include "link/SBEPMessage.h"

namespace vantrel::test {

namespace {

// A radio on the master side of the pty: echoes, then answers every complete frame.
class PtyRadio {
  public:
    PtyRadio() {
        if (openpty(&m_master, &m_slave, m_name, nullptr, nullptr) != 0)
            return;
        termios tio{};
        tcgetattr(m_master, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_master, TCSANOW, &tio);
        m_thread = std::thread([this] { serve(); });
    }
    ~PtyRadio() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_slave >= 0)
            close(m_slave);
        if (m_master >= 0)
            close(m_master);
    }
    bool ok() const { return m_master >= 0; }
    std::string path() const { return m_name; }

  private:
    void serve() {
        Bytes current;
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            uint8_t buf[64];
            ssize_t n = read(m_master, buf, sizeof buf);
            if (n <= 0)
                continue;
            (void)!write(m_master, buf, static_cast<size_t>(n));  // the echo of the shared bus
            current.insert(current.end(), buf, buf + n);
            if (current.size() >= 4 && current.size() == size_t(2 + (current[0] & 0x0F))) {
                Bytes answer = ackThen(frame(0x23, {0x01, 'P', 'T', 'Y'}));
                (void)!write(m_master, answer.data(), answer.size());
                current.clear();
            }
        }
    }
    int m_master = -1, m_slave = -1;
    char m_name[128] = {};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace

TEST(PtyIntegration, ExchangeInRealTimeAndExclusiveOpen) {
    PtyRadio radio;
    ASSERT_TRUE(radio.ok());
    std::unique_ptr<PosixSerialDevice> device;
    try {
        device = std::make_unique<PosixSerialDevice>(radio.path());
    } catch (const PortInUseError& e) {
        FAIL() << e.detail();
    }
    Win32CommunicationPort port(std::move(device), SystemClock::instance(), 1, 9600, 0, 8, 0, false);
    SBEPMessage request(0x23, {0x01});
    uint8_t buffer[50] = {};
    try {
        request.sendInto(port, buffer);
    } catch (const Exception& e) {
        FAIL() << e.what();
    }
    EXPECT_EQ(request.attempts(), 1u);
    EXPECT_EQ(buffer[3], 'P');
    EXPECT_EQ(buffer[5], 'Y');
    try {
        PosixSerialDevice second(radio.path());
        FAIL() << "second open succeeded";
    } catch (const PortInUseError& e) {
        EXPECT_EQ(e.cause(), PortOpenCause::Busy);
    }
}

TEST(PtyIntegration, ClosedPortCanBeOpenedAgain) {
    PtyRadio radio;
    ASSERT_TRUE(radio.ok());
    { PosixSerialDevice first(radio.path()); }
    EXPECT_NO_THROW(PosixSerialDevice again(radio.path()));
}

TEST(PtyIntegration, MissingDeviceSaysSo) {
    try {
        PosixSerialDevice d("/dev/vantrel-no-such-port");
        FAIL();
    } catch (const PortInUseError& e) {
        EXPECT_EQ(e.cause(), PortOpenCause::NoSuchDevice);
        EXPECT_NE(e.detail().find("no such device"), std::string::npos);
    }
}

}  // namespace vantrel::test

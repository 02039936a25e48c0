// A termios device with an instrument's own line settings, behind the serial device seam.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "instruments/InstrumentError.h"
#include "instruments/ScpiTransport.h"

namespace vantrel {

namespace {

speed_t speedOf(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B0;
    }
}

class InstrumentSerialDevice : public SerialDevice {
  public:
    InstrumentSerialDevice(const std::string& path, const SerialLineSettings& settings)
        : m_path(path), m_settings(settings) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            throw InstrumentError(InstrumentError::Kind::Disconnected,
                                  "serial " + path + ": cannot open: " + std::strerror(errno));
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0) {
            ::close(m_fd);
            throw InstrumentError(InstrumentError::Kind::Config, "serial " + path + ": not a serial device");
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(m_fd);
            throw InstrumentError(InstrumentError::Kind::Disconnected,
                                  "serial " + path + ": in use by another program");
        }
        ::ioctl(m_fd, TIOCEXCL);
    }
    ~InstrumentSerialDevice() override {
        ::ioctl(m_fd, TIOCNXCL);
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }

    void applyLineSettings() override {
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0)
            throw InstrumentError(InstrumentError::Kind::Disconnected,
                                  "serial " + m_path + ": settings refused");
        ::cfmakeraw(&tio);
        tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK);
        tio.c_iflag |= IGNBRK;
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
        tio.c_cflag |= (m_settings.dataBits == 7 ? CS7 : CS8) | CLOCAL | CREAD;
        if (m_settings.parity != 'N')
            tio.c_cflag |= PARENB | (m_settings.parity == 'O' ? PARODD : 0);
        if (m_settings.stopBits == 2)
            tio.c_cflag |= CSTOPB;
        if (m_settings.rtsCts)
            tio.c_cflag |= CRTSCTS;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        const speed_t speed = speedOf(m_settings.baud);
        if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0 ||
            ::tcsetattr(m_fd, TCSANOW, &tio) != 0)
            throw InstrumentError(InstrumentError::Kind::Config,
                                  "serial " + m_path + ": cannot set " + m_settings.toString());
    }
    void dropModemLines() override {}
    void discardInput() override { ::tcflush(m_fd, TCIFLUSH); }
    size_t readAvailable(uint8_t* dst, size_t max) override {
        const ssize_t n = ::read(m_fd, dst, max);
        if (n > 0)
            return static_cast<size_t>(n);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return 0;
        // A pseudo-terminal whose other end closed reads EIO; a pulled adapter ENXIO or 0 after a hangup.
        if (n < 0 || hungUp())
            m_lost = true;
        return 0;
    }
    bool waitReadable(uint32_t timeoutMs) override {
        pollfd p{m_fd, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(timeoutMs));
        if (n > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN))
            m_lost = true;
        return n > 0;
    }
    bool transmit(uint8_t byte) override {
        const ssize_t n = ::write(m_fd, &byte, 1);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            m_lost = true;
        return n == 1;
    }
    uint32_t takeLineErrors() override { return m_lost ? lineError::DeviceLost : 0; }
    std::string name() const override { return m_path; }

  private:
    bool hungUp() {
        pollfd p{m_fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
    }
    std::string m_path;
    SerialLineSettings m_settings;
    int m_fd = -1;
    bool m_lost = false;
};

}  // namespace

SerialLineSettings SerialLineSettings::parse(const std::string& text) {
    std::istringstream in(text);
    std::string baud, frame, flow, extra;
    in >> baud >> frame >> flow >> extra;
    SerialLineSettings s;
    auto bad = [&]() {
        return InstrumentError(
            InstrumentError::Kind::Config,
            "serial settings '" + text + "': expected such as \"9600 8N1\" or \"19200 7E2 rtscts\"");
    };
    if (baud.empty() || baud.size() > 6 || baud.find_first_not_of("0123456789") != std::string::npos)
        throw bad();
    s.baud = static_cast<uint32_t>(std::stoul(baud));
    if (speedOf(s.baud) == B0)
        throw bad();
    if (!frame.empty()) {
        if (frame.size() != 3 || (frame[0] != '7' && frame[0] != '8') ||
            std::string("NEO").find(frame[1]) == std::string::npos || (frame[2] != '1' && frame[2] != '2'))
            throw bad();
        s.dataBits = frame[0] - '0';
        s.parity = frame[1];
        s.stopBits = frame[2] - '0';
    }
    if (!flow.empty()) {
        if (flow != "rtscts" && flow != "none")
            throw bad();
        s.rtsCts = flow == "rtscts";
    }
    if (!extra.empty())
        throw bad();
    return s;
}

std::string SerialLineSettings::toString() const {
    std::string out =
        std::to_string(baud) + " " + std::to_string(dataBits) + parity + std::to_string(stopBits);
    if (rtsCts)
        out += " rtscts";
    return out;
}

std::unique_ptr<SerialDevice> openInstrumentSerial(const std::string& path,
                                                   const SerialLineSettings& settings) {
    auto device = std::make_unique<InstrumentSerialDevice>(path, settings);
    device->applyLineSettings();
    return device;
}

}  // namespace vantrel

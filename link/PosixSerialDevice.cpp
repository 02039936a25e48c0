// termios serial device: raw 9600 8N1, exclusive open, modem lines dropped, line errors from the driver's
// counters.
#include "link/PosixSerialDevice.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/portMapping.h"

namespace vantrel {

namespace {

// ENOTTY and EINVAL mean the device lacks the feature (pseudo-terminals, some USB adapters).
bool unsupportedFeature(int err) {
    return err == ENOTTY || err == EINVAL;
}

PortInUseError openError(const std::string& path, int err) {
    switch (err) {
        case EBUSY:
        case EWOULDBLOCK:
            return PortInUseError(PortOpenCause::Busy, path, path + " is in use by another program");
        case EACCES:
        case EPERM:
            return PortInUseError(PortOpenCause::PermissionDenied, path,
                                  "permission denied on " + path + ": add the user to the dialout group");
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return PortInUseError(PortOpenCause::NoSuchDevice, path, "no such device: " + path);
        default:
            return PortInUseError(PortOpenCause::Other, path, path + ": " + std::strerror(err));
    }
}

}  // namespace

PosixSerialDevice::PosixSerialDevice(const std::string& path) : m_path(path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        throw openError(path, errno);
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0) {
        ::close(m_fd);
        m_fd = -1;
        throw PortInUseError(PortOpenCause::NotASerialDevice, path, path + " is not a serial device");
    }
    // Drop DTR and RTS before anything else: some radio cables key the transmitter on them.
    tio.c_cflag &= ~HUPCL;
    tcsetattr(m_fd, TCSANOW, &tio);
    try {
        dropModemLines();
    } catch (...) {
        ::close(m_fd);
        m_fd = -1;
        throw PortInUseError(PortOpenCause::Other, path, path + ": the modem lines cannot be set");
    }
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(m_fd);
        m_fd = -1;
        throw openError(path, err == EWOULDBLOCK ? EBUSY : err);
    }
    if (ioctl(m_fd, TIOCEXCL) != 0 && !unsupportedFeature(errno)) {
        int err = errno;
        flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
        throw openError(path, err);
    }
    if (!readCounters(m_counters))
        m_countersSupported = false;
}

PosixSerialDevice::~PosixSerialDevice() {
    if (m_fd < 0)
        return;
    // Some devices (pseudo-terminals among them) keep the exclusive flag after close and would
    // refuse the next open by a user who is not root.
    ioctl(m_fd, TIOCNXCL);
    flock(m_fd, LOCK_UN);
    ::close(m_fd);
}

void PosixSerialDevice::applyLineSettings() {
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
        throw GeneralCommunicationError();
    cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK | IGNPAR);
    tio.c_iflag |= IGNBRK;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0)
        throw BaudRateSettingError();
    if (tcsetattr(m_fd, TCSANOW, &tio) != 0)
        throw GeneralCommunicationError();
}

void PosixSerialDevice::dropModemLines() {
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(m_fd, TIOCMBIC, &lines) != 0 && !unsupportedFeature(errno))
        throw GeneralCommunicationError();
}

void PosixSerialDevice::discardInput() {
    if (tcflush(m_fd, TCIFLUSH) != 0 && !unsupportedFeature(errno))
        throw GeneralCommunicationError();
}

size_t PosixSerialDevice::readAvailable(uint8_t* dst, size_t max) {
    if (m_lost)
        throw GeneralCommunicationError();
    size_t total = 0;
    while (total < max) {
        ssize_t n = ::read(m_fd, dst + total, max - total);
        if (n > 0) {
            total += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // In raw mode with no minimum count an empty queue reads as 0 bytes (or EAGAIN).
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        // A hard error: the cable or the other end of the pseudo-terminal is gone.
        m_lost = true;
        if (total > 0)
            break;
        throw GeneralCommunicationError();
    }
    return total;
}

bool PosixSerialDevice::waitReadable(uint32_t timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, static_cast<int>(timeoutMs));
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        throw GeneralCommunicationError();
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        m_lost = true;
    return r > 0;
}

bool PosixSerialDevice::transmit(uint8_t byte) {
    if (m_lost)
        throw GeneralCommunicationError();
    for (;;) {
        ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return false;
        m_lost = true;
        throw GeneralCommunicationError();
    }
}

bool PosixSerialDevice::readCounters(Counters& out) {
    serial_icounter_struct ic{};
    if (ioctl(m_fd, TIOCGICOUNT, &ic) != 0)
        return false;
    out.frame = ic.frame;
    out.overrun = ic.overrun;
    out.parity = ic.parity;
    out.brk = ic.brk;
    out.bufOverrun = ic.buf_overrun;
    return true;
}

uint32_t PosixSerialDevice::takeLineErrors() {
    uint32_t flags = m_lost ? lineError::DeviceLost : 0;
    if (!m_countersSupported)
        return flags;
    Counters now;
    if (!readCounters(now))
        return flags;
    if (now.brk != m_counters.brk)
        flags |= lineError::Break;
    if (now.frame != m_counters.frame)
        flags |= lineError::Framing;
    if (now.overrun != m_counters.overrun)
        flags |= lineError::Overrun;
    if (now.parity != m_counters.parity)
        flags |= lineError::Parity;
    if (now.bufOverrun != m_counters.bufOverrun)
        flags |= lineError::ReceiveOverflow;
    m_counters = now;
    return flags;
}

std::string PosixPortOpener::devicePath(unsigned portNumber) {
    return routeOf(portNumber, linkContext().programDirectory).device;
}

std::unique_ptr<SerialDevice> PosixPortOpener::open(unsigned portNumber) {
    const std::string name = "COM" + std::to_string(portNumber);
    if (portNumber < 1 || portNumber > 9)
        throw PortInUseError(PortOpenCause::NoSuchDevice, name, "no COM port is configured");
    const PortRoute route = routeOf(portNumber, linkContext().programDirectory);
    try {
        return std::make_unique<PosixSerialDevice>(route.device);
    } catch (const PortInUseError& e) {
        // A mapped adapter that is gone must not look like a fault of the port: say which one to plug in.
        if (route.source != PortSource::Mapping || e.cause() != PortOpenCause::NoSuchDevice)
            throw;
        throw PortInUseError(
            PortOpenCause::NoSuchDevice, route.device,
            name + " is mapped to the serial adapter " + route.device + ", which is not plugged in");
    }
}

std::unique_ptr<SerialDevice> FixedPathOpener::open(unsigned) {
    return std::make_unique<PosixSerialDevice>(m_path);
}

}  // namespace vantrel

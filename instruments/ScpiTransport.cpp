// TCP, serial and USBTMC paths to an instrument, each read and write bounded by a deadline.
#include "instruments/ScpiTransport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "instruments/InstrumentError.h"

namespace vantrel {

namespace {

using Kind = InstrumentError::Kind;

/// Milliseconds left before a deadline taken on a wrapping tick counter; 0 once it has passed.
uint32_t remaining(Clock& clock, uint32_t start, uint32_t timeoutMs) {
    const uint32_t spent = clock.tick() - start;
    return spent >= timeoutMs ? 0 : timeoutMs - spent;
}

std::string systemText(int error) {
    return std::strerror(error);
}

/// Takes bytes into the assembler; answers a line, throws for a refused one, or nullopt for "need more".
/// Bytes after a complete line stay in `pending` for the next call.
bool drainPending(LineAssembler& lines, std::string& pending, std::string& out, const std::string& where) {
    size_t used = 0;
    for (; used < pending.size(); ++used) {
        const auto r = lines.take(static_cast<uint8_t>(pending[used]));
        if (r == LineAssembler::Result::Line) {
            out = lines.line();
            pending.erase(0, used + 1);
            return true;
        }
        if (r == LineAssembler::Result::Refused) {
            pending.erase(0, used + 1);
            throw InstrumentError(Kind::BadReply, where + ": " + lines.why());
        }
    }
    pending.clear();
    return false;
}

/// poll() on one descriptor for the given events within ms; true when ready. EINTR restarts.
bool waitFd(int fd, short events, uint32_t ms) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, static_cast<int>(ms));
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
}

/// Writes all of `data` to a descriptor that may take it in pieces, within the deadline.
void writeAll(int fd, const std::string& data, uint32_t timeoutMs, Clock& clock, const std::string& where,
              bool socket) {
    const uint32_t start = clock.tick();
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = socket ? ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL)
                                 : ::write(fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            throw InstrumentError(Kind::Disconnected, where + ": cannot send: " + systemText(errno));
        const uint32_t left = remaining(clock, start, timeoutMs);
        if (left == 0 || !waitFd(fd, POLLOUT, left))
            throw InstrumentError(Kind::Timeout, where + ": did not take a command within " +
                                                     std::to_string(timeoutMs) + " ms");
    }
}

/// Reads a line from a non-blocking descriptor within the deadline.
std::string readFdLine(int fd, LineAssembler& lines, std::string& pending, uint32_t timeoutMs, Clock& clock,
                       const std::string& where) {
    std::string out;
    if (drainPending(lines, pending, out, where))
        return out;
    const uint32_t start = clock.tick();
    for (;;) {
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            pending.assign(buf, static_cast<size_t>(n));
            if (drainPending(lines, pending, out, where))
                return out;
            continue;
        }
        if (n == 0)
            throw InstrumentError(Kind::Disconnected, where + ": the instrument closed the connection");
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            throw InstrumentError(Kind::Disconnected, where + ": cannot read: " + systemText(errno));
        const uint32_t left = remaining(clock, start, timeoutMs);
        if (left == 0 || !waitFd(fd, POLLIN, left)) {
            // What came of this line is no answer to the next query.
            lines.abandonLine();
            throw InstrumentError(Kind::Timeout,
                                  where + ": no answer within " + std::to_string(timeoutMs) + " ms");
        }
    }
}

/// Drops complete lines that have arrived; a line still arriving is skipped through its end later.
void discardBytes(LineAssembler& lines, const char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) lines.take(static_cast<uint8_t>(data[i]));
}

void discardFd(int fd, LineAssembler& lines, std::string& pending) {
    discardBytes(lines, pending.data(), pending.size());
    pending.clear();
    char buf[256];
    // Bounded: a stream that never stops is cut off after 64 kB, the next read sorts out the rest.
    for (int i = 0; i < 256; ++i) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        discardBytes(lines, buf, static_cast<size_t>(n));
    }
    lines.abandonLine();
}

}  // namespace

// --- LineAssembler ---------------------------------------------------------------------------------------

LineAssembler::Result LineAssembler::take(uint8_t byte) {
    if (m_complete) {
        m_line.clear();
        m_complete = false;
    }
    if (byte == '\n') {
        if (m_skipping) {
            m_skipping = false;
            m_line.clear();
            return Result::Incomplete;
        }
        if (!m_line.empty() && m_line.back() == '\r')
            m_line.pop_back();
        m_complete = true;
        return Result::Line;
    }
    if (m_skipping)
        return Result::Incomplete;
    const bool printable = (byte >= 0x20 && byte < 0x7F) || byte == '\t' || byte == '\r';
    if (!printable) {
        m_why = "binary data in an answer (byte 0x" + std::string(1, "0123456789ABCDEF"[byte >> 4]) +
                std::string(1, "0123456789ABCDEF"[byte & 15]) + ")";
    } else if (m_line.size() >= kMaxReplyLine) {
        m_why = "an answer longer than " + std::to_string(kMaxReplyLine) + " characters";
    } else {
        m_line += static_cast<char>(byte);
        return Result::Incomplete;
    }
    m_line.clear();
    m_skipping = true;
    return Result::Refused;
}

void LineAssembler::abandonLine() {
    if (!m_complete && !m_line.empty())
        m_skipping = true;
    m_line.clear();
    m_complete = false;
}

// --- TCP -------------------------------------------------------------------------------------------------

TcpTransport::TcpTransport(const std::string& host, uint16_t port, uint32_t timeoutMs, Clock& clock)
    : m_where("tcp " + host + ":" + std::to_string(port)), m_clock(clock) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0 || !found)
        throw InstrumentError(Kind::Disconnected, m_where + ": unknown host: " + gai_strerror(rc));
    std::string failure = "no address";
    const uint32_t start = clock.tick();
    for (addrinfo* a = found; a && m_fd < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            failure = systemText(errno);
            continue;
        }
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
            failure = systemText(errno);
            ::close(fd);
            continue;
        }
        const uint32_t left = remaining(clock, start, timeoutMs);
        int error = 0;
        socklen_t length = sizeof error;
        if (!waitFd(fd, POLLOUT, left)) {
            failure = "no connection within " + std::to_string(timeoutMs) + " ms";
            ::close(fd);
            continue;
        }
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            failure = systemText(error);
            ::close(fd);
            continue;
        }
        const int yes = 1;
        // Commands are short lines that want to leave at once.
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        m_fd = fd;
    }
    ::freeaddrinfo(found);
    if (m_fd < 0)
        throw InstrumentError(Kind::Disconnected, m_where + ": cannot connect: " + failure);
}

TcpTransport::~TcpTransport() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void TcpTransport::writeLine(const std::string& line, uint32_t timeoutMs) {
    writeAll(m_fd, line + "\n", timeoutMs, m_clock, m_where, true);
}

std::string TcpTransport::readLine(uint32_t timeoutMs) {
    return readFdLine(m_fd, m_lines, m_pending, timeoutMs, m_clock, m_where);
}

void TcpTransport::discardInput() {
    discardFd(m_fd, m_lines, m_pending);
}

std::string TcpTransport::describe() const {
    return m_where;
}

// --- Serial ----------------------------------------------------------------------------------------------

SerialTransport::SerialTransport(std::unique_ptr<SerialDevice> device, Clock& clock)
    : m_device(std::move(device)), m_clock(clock) {}

void SerialTransport::writeLine(const std::string& line, uint32_t timeoutMs) {
    const std::string data = line + "\n";
    const uint32_t start = m_clock.tick();
    for (char c : data) {
        while (!m_device->transmit(static_cast<uint8_t>(c))) {
            if (m_device->takeLineErrors() & lineError::DeviceLost)
                throw InstrumentError(Kind::Disconnected, describe() + ": the serial device went away");
            if (remaining(m_clock, start, timeoutMs) == 0)
                throw InstrumentError(Kind::Timeout, describe() + ": did not take a command within " +
                                                         std::to_string(timeoutMs) + " ms");
            m_clock.sleep(1);
        }
    }
}

std::string SerialTransport::readLine(uint32_t timeoutMs) {
    std::string out;
    if (drainPending(m_lines, m_pending, out, describe()))
        return out;
    const uint32_t start = m_clock.tick();
    for (;;) {
        uint8_t buf[256];
        const size_t n = m_device->readAvailable(buf, sizeof buf);
        if (n > 0) {
            m_pending.assign(reinterpret_cast<const char*>(buf), n);
            if (drainPending(m_lines, m_pending, out, describe()))
                return out;
            continue;
        }
        if (m_device->takeLineErrors() & lineError::DeviceLost)
            throw InstrumentError(Kind::Disconnected, describe() + ": the serial device went away");
        const uint32_t left = remaining(m_clock, start, timeoutMs);
        if (left == 0) {
            m_lines.abandonLine();
            throw InstrumentError(Kind::Timeout,
                                  describe() + ": no answer within " + std::to_string(timeoutMs) + " ms");
        }
        m_device->waitReadable(std::min<uint32_t>(left, kIdleSliceMs * 10));
    }
}

void SerialTransport::discardInput() {
    discardBytes(m_lines, m_pending.data(), m_pending.size());
    m_pending.clear();
    uint8_t buf[256];
    for (int i = 0; i < 256; ++i) {
        const size_t n = m_device->readAvailable(buf, sizeof buf);
        if (n == 0)
            break;
        discardBytes(m_lines, reinterpret_cast<const char*>(buf), n);
    }
    m_lines.abandonLine();
}

std::string SerialTransport::describe() const {
    return "serial " + m_device->name();
}

// --- USBTMC ----------------------------------------------------------------------------------------------

UsbtmcTransport::UsbtmcTransport(const std::string& path, Clock& clock) : m_path(path), m_clock(clock) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0)
        throw InstrumentError(Kind::Disconnected, describe() + ": cannot open: " + systemText(errno));
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        throw InstrumentError(Kind::Config, describe() + ": not a device file");
    }
    m_driver = setDriverTimeout(1000);
    if (m_driver) {
        // The driver bounds each transfer itself; its reads do not work non-blocking.
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        termios tio{};
        if (::tcgetattr(m_fd, &tio) == 0) {
            // A terminal standing in for the device: raw bytes both ways.
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
}

UsbtmcTransport::~UsbtmcTransport() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool UsbtmcTransport::setDriverTimeout(uint32_t timeoutMs) {
    unsigned int ms = std::max<uint32_t>(timeoutMs, 100);
    return ::ioctl(m_fd, USBTMC_IOCTL_SET_TIMEOUT, &ms) == 0;
}

void UsbtmcTransport::writeLine(const std::string& line, uint32_t timeoutMs) {
    if (m_driver) {
        setDriverTimeout(timeoutMs);
        const std::string data = line + "\n";
        const ssize_t n = ::write(m_fd, data.data(), data.size());
        if (n == static_cast<ssize_t>(data.size()))
            return;
        if (n < 0 && errno == ETIMEDOUT)
            throw InstrumentError(Kind::Timeout, describe() + ": did not take a command within " +
                                                     std::to_string(timeoutMs) + " ms");
        throw InstrumentError(Kind::Disconnected,
                              describe() + ": cannot send: " + (n < 0 ? systemText(errno) : "short write"));
    }
    writeAll(m_fd, line + "\n", timeoutMs, m_clock, describe(), false);
}

std::string UsbtmcTransport::readLine(uint32_t timeoutMs) {
    if (!m_driver)
        return readFdLine(m_fd, m_lines, m_pending, timeoutMs, m_clock, describe());
    std::string out;
    if (drainPending(m_lines, m_pending, out, describe()))
        return out;
    const uint32_t start = m_clock.tick();
    for (;;) {
        const uint32_t left = remaining(m_clock, start, timeoutMs);
        if (left == 0)
            break;
        setDriverTimeout(left);
        char buf[256];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            m_pending.assign(buf, static_cast<size_t>(n));
            if (drainPending(m_lines, m_pending, out, describe()))
                return out;
            continue;
        }
        if (n < 0 && errno == ETIMEDOUT)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        throw InstrumentError(Kind::Disconnected,
                              describe() + ": cannot read: " + (n < 0 ? systemText(errno) : "end of file"));
    }
    m_lines.abandonLine();
    throw InstrumentError(Kind::Timeout,
                          describe() + ": no answer within " + std::to_string(timeoutMs) + " ms");
}

void UsbtmcTransport::discardInput() {
    if (m_driver) {
        m_pending.clear();
        m_lines.abandonLine();
        // Aborts a transfer the instrument still holds, so its late answer is not read as the next one.
        ::ioctl(m_fd, USBTMC_IOCTL_CLEAR);
        return;
    }
    discardFd(m_fd, m_lines, m_pending);
}

std::string UsbtmcTransport::describe() const {
    return "usbtmc " + m_path;
}

}  // namespace vantrel

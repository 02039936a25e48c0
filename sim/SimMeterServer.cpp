// The simulated power meter on a loopback TCP port.
#include "sim/SimMeterServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "sim/SimScpiMeter.h"

namespace vantrel {

namespace {

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

/// One connected client: its socket, the bytes of an unfinished line, unsent answers and its meter.
struct Client {
    int fd = -1;
    std::string input;
    bool discarding = false;  ///< inside a line that grew too long, until its newline
    std::string output;
    std::unique_ptr<SimScpiInstrument> meter;
};

}  // namespace

SimMeterServer::SimMeterServer(std::string identity, std::function<double()> watts)
    : m_make([identity = std::move(identity), watts = std::move(watts)] {
          return std::make_unique<SimScpiMeter>(identity, watts);
      }) {}

SimMeterServer::SimMeterServer(std::function<std::unique_ptr<SimScpiInstrument>()> make)
    : m_make(std::move(make)) {}

SimMeterServer::~SimMeterServer() {
    stop();
}

void SimMeterServer::start(uint16_t port) {
    if (m_running)
        return;
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listen < 0)
        throw failure("cannot open a socket");
    const int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    // The meter is reached from this machine only.
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listen, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listen, 8) != 0) {
        const std::runtime_error e = failure("cannot listen on 127.0.0.1:" + std::to_string(port));
        closeFd(m_listen);
        throw e;
    }
    socklen_t length = sizeof addr;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length);
    m_port = ntohs(addr.sin_port);
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        const std::runtime_error e = failure("cannot make a pipe");
        closeFd(m_listen);
        throw e;
    }
    m_running = true;
    m_thread = std::thread([this] { serve(); });
}

void SimMeterServer::stop() {
    if (m_running) {
        m_running = false;
        const char c = 0;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    closeFd(m_listen);
    closeFd(m_wake[0]);
    closeFd(m_wake[1]);
}

void SimMeterServer::serve() {
    std::vector<Client> clients;
    auto drop = [](Client& c) { closeFd(c.fd); };

    while (m_running) {
        const SimInstrumentFault fault = m_fault;
        m_refusing = fault == SimInstrumentFault::Errors;
        if (fault == SimInstrumentFault::Disconnect) {
            for (Client& c : clients) drop(c);
            clients.clear();
        }
        std::vector<pollfd> fds;
        fds.push_back({m_wake[0], POLLIN, 0});
        fds.push_back({m_listen, POLLIN, 0});
        for (const Client& c : clients)
            fds.push_back({c.fd, static_cast<short>(POLLIN | (c.output.empty() ? 0 : POLLOUT)), 0});
        // A fault set from outside takes effect within a tenth of a second.
        if (::poll(fds.data(), fds.size(), 100) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            break;

        for (size_t i = 0; i < clients.size(); ++i) {
            Client& c = clients[i];
            const short ev = fds[i + 2].revents;
            if (ev & (POLLIN | POLLHUP | POLLERR)) {
                char buf[4096];
                const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                    // A client that stopped sending may still read what it asked for.
                    if (n == 0 && !c.output.empty()) [[maybe_unused]]
                        ssize_t sent = ::send(c.fd, c.output.data(), c.output.size(), MSG_NOSIGNAL);
                    drop(c);
                    continue;
                }
                for (ssize_t k = 0; k < n; ++k) {
                    const char ch = buf[k];
                    if (ch != '\n') {
                        if (c.discarding)
                            continue;
                        if (c.input.size() >= kMaxLine) {
                            // A line this long is no command of this meter; forget it up to its end.
                            c.meter->pushError(SimScpiInstrument::kTooMuchData, "Too much data");
                            c.input.clear();
                            c.discarding = true;
                            continue;
                        }
                        c.input += ch;
                        continue;
                    }
                    // Faults are looked at line by line, so one set from outside holds from the next line.
                    m_refusing = m_fault == SimInstrumentFault::Errors;
                    if (!c.discarding && m_fault != SimInstrumentFault::Timeout) {
                        if (const auto reply = c.meter->handleLine(c.input))
                            c.output += *reply + "\n";
                    }
                    c.input.clear();
                    c.discarding = false;
                }
                if (c.output.size() > kMaxPendingOutput) {
                    // A client that asks without ever reading would hold its answers here for ever.
                    drop(c);
                    continue;
                }
            }
            if (!c.output.empty()) {
                const ssize_t n = ::send(c.fd, c.output.data(), c.output.size(), MSG_NOSIGNAL);
                if (n > 0)
                    c.output.erase(0, static_cast<size_t>(n));
                else if (n < 0 && errno != EAGAIN && errno != EINTR)
                    drop(c);
            }
        }
        std::erase_if(clients, [](const Client& c) { return c.fd < 0; });

        if (fds[1].revents & POLLIN) {
            for (;;) {
                const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0)
                    break;
                if (clients.size() >= kMaxClients || m_fault == SimInstrumentFault::Disconnect) {
                    ::close(fd);
                    continue;
                }
                Client c;
                c.fd = fd;
                c.meter = m_make();
                c.meter->setRefuseFlag(&m_refusing);
                clients.push_back(std::move(c));
            }
        }
    }
    for (Client& c : clients) drop(c);
}

}  // namespace vantrel

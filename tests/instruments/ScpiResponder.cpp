// The tests' own SCPI responder: plain sockets and a pseudo-terminal, no code of the instrument layer.
#include "tests/instruments/ScpiResponder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace vantrel::testing {

ScpiResponder::ScpiResponder(Script script, bool pty) : m_script(std::move(script)) {
    if (::pipe(m_wake) != 0)
        throw std::runtime_error("pipe");
    if (pty) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("pty");
        m_path = ::ptsname(m_master);
        termios tio{};
        ::tcgetattr(m_master, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_master, TCSANOW, &tio);
        m_thread = std::thread([this] { servePty(); });
        return;
    }
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 4) != 0)
        throw std::runtime_error("listen");
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { serveTcp(); });
}

ScpiResponder::~ScpiResponder() {
    m_running = false;
    [[maybe_unused]] ssize_t n = ::write(m_wake[1], "x", 1);
    m_thread.join();
    for (int fd : {m_listen, m_master, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

std::vector<std::string> ScpiResponder::lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

void ScpiResponder::queueError(const std::string& entry) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errors.push_back(entry);
}

void ScpiResponder::handle(int fd, std::string& buffer, const char* data, size_t n, bool& closeIt) {
    buffer.append(data, n);
    size_t nl;
    while ((nl = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        Response r;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(line);
        }
        if (line == "*IDN?") {
            r.bytes = "Test,Responder,1,1.0\n";
        } else if (line == "SYST:ERR?" || line == ":SYST:ERR?") {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_errors.empty()) {
                r.bytes = "+0,\"No error\"\n";
            } else {
                r.bytes = m_errors.front() + "\n";
                m_errors.erase(m_errors.begin());
            }
        } else {
            r = m_script(line);
        }
        for (size_t done = 0; done < r.bytes.size();) {
            const ssize_t w = ::write(fd, r.bytes.data() + done, r.bytes.size() - done);
            if (w <= 0)
                break;
            done += static_cast<size_t>(w);
        }
        if (r.close) {
            closeIt = true;
            return;
        }
    }
}

void ScpiResponder::serveTcp() {
    struct Client {
        int fd;
        std::string buffer;
    };
    std::vector<Client> clients;
    while (m_running) {
        std::vector<pollfd> p = {{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        for (const Client& c : clients) p.push_back({c.fd, POLLIN, 0});
        if (::poll(p.data(), p.size(), -1) <= 0 || p[0].revents)
            break;
        for (size_t i = 0; i < clients.size(); ++i) {
            if (!p[i + 2].revents)
                continue;
            char buf[4096];
            const ssize_t n = ::read(clients[i].fd, buf, sizeof buf);
            bool closeIt = n <= 0;
            if (n > 0)
                handle(clients[i].fd, clients[i].buffer, buf, static_cast<size_t>(n), closeIt);
            if (closeIt) {
                ::close(clients[i].fd);
                clients[i].fd = -1;
            }
        }
        std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
        if (p[1].revents) {
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd >= 0)
                clients.push_back({fd, {}});
        }
    }
    for (const Client& c : clients) ::close(c.fd);
}

void ScpiResponder::servePty() {
    std::string buffer;
    while (m_running) {
        pollfd p[2] = {{m_wake[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        if (::poll(p, 2, -1) <= 0 || p[0].revents)
            return;
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            // No slave open yet (EIO): wait a moment rather than spin.
            ::usleep(2000);
            continue;
        }
        bool closeIt = false;
        handle(m_master, buffer, buf, static_cast<size_t>(n), closeIt);
    }
}

}  // namespace vantrel::testing

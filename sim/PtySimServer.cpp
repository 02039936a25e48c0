// The simulated radio on a pseudo-terminal.
#include "sim/PtySimServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>

namespace vantrel {

namespace {

void makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
}

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PtySimServer::PtySimServer(SimRadio& radio, std::string linkPath)
    : m_radio(radio), m_linkPath(std::move(linkPath)) {}

PtySimServer::~PtySimServer() {
    stop();
}

void PtySimServer::start() {
    if (m_running)
        return;
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        throw failure("cannot open a pseudo-terminal");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        throw failure("cannot unlock the pseudo-terminal");
    }
    m_slavePath = ptsname(m_master);
    makeRaw(m_master);
    m_slaveKeep = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (m_slaveKeep >= 0)
        makeRaw(m_slaveKeep);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path link(m_linkPath);
    if (fs::is_symlink(fs::symlink_status(link, ec))) {
        fs::remove(link, ec);
    } else if (fs::exists(fs::symlink_status(link, ec))) {
        stop();
        throw std::runtime_error(m_linkPath + " exists and is not a symbolic link; not replacing it");
    }
    fs::create_symlink(m_slavePath, link, ec);
    if (ec) {
        stop();
        throw std::runtime_error("cannot make " + m_linkPath + ": " + ec.message());
    }
    if (pipe(m_wake) != 0) {
        stop();
        throw failure("cannot make a pipe");
    }
    m_running = true;
    m_thread = std::thread([this] { serve(); });
}

void PtySimServer::stop() {
    if (m_running) {
        m_running = false;
        const char c = 0;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_master, &m_slaveKeep, &m_wake[0], &m_wake[1]})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    std::error_code ec;
    if (!m_slavePath.empty() &&
        std::filesystem::is_symlink(std::filesystem::symlink_status(m_linkPath, ec)) &&
        std::filesystem::read_symlink(m_linkPath, ec) == m_slavePath)
        std::filesystem::remove(m_linkPath, ec);
}

void PtySimServer::serve() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nowMs = [&] {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    };
    std::multimap<uint64_t, uint8_t> pending;
    bool gone = false;
    while (m_running) {
        int timeout = 100;
        if (!pending.empty()) {
            const uint64_t now = nowMs();
            timeout = pending.begin()->first > now ? static_cast<int>(pending.begin()->first - now) : 0;
        }
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
        if (m_master >= 0 && (fds[0].revents & POLLIN)) {
            uint8_t buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                for (const SimOutput& out : m_radio.receive(buf[i], nowMs())) {
                    if (out.disconnect) {
                        // The radio went away: hang up the line so the program's port fails.
                        pending.clear();
                        gone = true;
                        break;
                    }
                    for (size_t k = 0; k < out.bytes.size(); ++k)
                        pending.emplace(out.atMs + k * out.perByteMs, out.bytes[k]);
                }
            }
        }
        if (gone && m_master >= 0) {
            ::close(m_master);
            m_master = -1;
            if (m_slaveKeep >= 0)
                ::close(m_slaveKeep);
            m_slaveKeep = -1;
        }
        if (gone)
            continue;
        const uint64_t now = nowMs();
        std::vector<uint8_t> due;
        while (!pending.empty() && pending.begin()->first <= now) {
            due.push_back(pending.begin()->second);
            pending.erase(pending.begin());
        }
        if (!due.empty()) [[maybe_unused]]
            ssize_t w = ::write(m_master, due.data(), due.size());
    }
}

}  // namespace vantrel

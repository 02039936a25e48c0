// Where a tuning session's requests come from: one line at a time, with a time limit for the watchdog.
#include "cli/SessionInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace vantrel {

namespace {

constexpr std::size_t kReadChunk = 4096;
/// A line longer than this is not a request: it is handed on whole so the session answers bad-json
/// instead of buffering without limit.
constexpr std::size_t kLongestLine = 1 << 20;

}  // namespace

SessionInput::Event StreamSessionInput::next(std::string& line, std::optional<std::uint32_t>) {
    if (std::getline(m_in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return Event::Line;
    }
    return Event::End;
}

DescriptorSessionInput::DescriptorSessionInput(int descriptor, int stopDescriptor, int (*stopPending)(),
                                               int outputDescriptor)
    : m_descriptor(descriptor),
      m_stopDescriptor(stopDescriptor),
      m_outputDescriptor(outputDescriptor),
      m_stopPending(stopPending) {}

bool DescriptorSessionInput::takeLine(std::string& line) {
    const std::size_t end = m_buffer.find('\n');
    if (end == std::string::npos) {
        if (m_buffer.size() < kLongestLine)
            return false;
        line = m_buffer;
        m_buffer.clear();
        return true;
    }
    line = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

SessionInput::Event DescriptorSessionInput::next(std::string& line, std::optional<std::uint32_t> timeoutMs) {
    using steady = std::chrono::steady_clock;
    const auto deadline =
        timeoutMs ? steady::now() + std::chrono::milliseconds(*timeoutMs) : steady::time_point{};
    for (;;) {
        if (m_stopPending && m_stopPending() != 0)
            return Event::Stop;
        if (takeLine(line))
            return Event::Line;
        if (m_ended) {
            // A last line without its line feed still counts.
            if (m_buffer.empty())
                return Event::End;
            line.swap(m_buffer);
            m_buffer.clear();
            return Event::Line;
        }
        int waitMs = -1;
        if (timeoutMs) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
            if (left.count() <= 0)
                return Event::Timeout;
            waitMs = static_cast<int>(left.count());
        }
        // The output is watched for nothing but its errors: a pipe whose reader closed reports POLLERR,
        // a hung-up terminal POLLHUP; a file or a live reader reports nothing here.
        pollfd fds[3] = {
            {m_descriptor, POLLIN, 0}, {m_stopDescriptor, POLLIN, 0}, {m_outputDescriptor, 0, 0}};
        const int ready = ::poll(fds, 3, waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;  // the loop looks at the stop signal first
            m_ended = true;
            continue;
        }
        if (ready == 0)
            continue;  // the deadline is checked above
        if (fds[2].revents & POLLNVAL)
            m_outputDescriptor = -1;  // not a descriptor: its writes will tell
        else if (fds[2].revents & (POLLERR | POLLHUP))
            return Event::OutputGone;
        if (fds[1].revents & POLLIN) {
            // One read empties it in practice; a blocking descriptor must not hang the loop here.
            char drain[64];
            [[maybe_unused]] const ssize_t drained = ::read(m_stopDescriptor, drain, sizeof drain);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            char chunk[kReadChunk];
            const ssize_t got = ::read(m_descriptor, chunk, sizeof chunk);
            if (got > 0)
                m_buffer.append(chunk, static_cast<std::size_t>(got));
            else if (got == 0 || (errno != EINTR && errno != EAGAIN))
                m_ended = true;
        }
    }
}

}  // namespace vantrel

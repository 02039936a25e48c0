// Where a tuning session's requests come from: one line at a time, with a time limit for the watchdog.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace vantrel {

/// The requests of a session, one line each. The wait for a line ends early when the time limit is up
/// or the program is asked to stop, so the session can dekey the radio while its script is silent.
class SessionInput {
  public:
    enum class Event {
        Line,        ///< a line arrived (without its line feed)
        Timeout,     ///< the time limit passed without a complete line
        End,         ///< end of input (or a read error): no more requests will come
        Stop,        ///< a stop signal was noted while waiting
        OutputGone,  ///< the reader of the answers went away (a closed pipe, a hung-up terminal)
    };
    virtual ~SessionInput() = default;
    /// Waits for the next line at most `timeoutMs` milliseconds (nullopt: without limit).
    virtual Event next(std::string& line, std::optional<std::uint32_t> timeoutMs) = 0;
};

/// Lines from a stream that is always ready (tests, files): never times out, stops only at the end.
class StreamSessionInput : public SessionInput {
  public:
    explicit StreamSessionInput(std::istream& in) : m_in(in) {}
    Event next(std::string& line, std::optional<std::uint32_t> timeoutMs) override;

  private:
    std::istream& m_in;
};

/// Lines from a file descriptor (standard input), waited for with poll() together with the stop
/// signal's wake-up descriptor, so a signal is noticed at once even while the script is silent.
class DescriptorSessionInput : public SessionInput {
  public:
    /// `stopDescriptor` (-1: none) becomes readable when a stop signal is noted; `stopPending` tells
    /// whether one is. `outputDescriptor` (-1: none) is where the answers go: when its reader goes away
    /// (a pipe without reader, a hung-up terminal) the wait ends with OutputGone, so a keyed radio is not
    /// left waiting for an answer nobody will read.
    DescriptorSessionInput(int descriptor, int stopDescriptor, int (*stopPending)(),
                           int outputDescriptor = -1);
    Event next(std::string& line, std::optional<std::uint32_t> timeoutMs) override;

  private:
    /// Moves one complete line out of the buffer; false when there is none.
    bool takeLine(std::string& line);

    int m_descriptor;
    int m_stopDescriptor;
    int m_outputDescriptor;
    int (*m_stopPending)();
    std::string m_buffer;
    bool m_ended = false;
};

}  // namespace vantrel

// A small SCPI instrument written for the tests, independent of the instrument layer: it answers each line
// with whatever bytes its script gives, over TCP or on a pseudo-terminal.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::testing {

/// What the responder does with one line.
struct Response {
    std::string bytes;   ///< sent as they are (a newline is not added)
    bool close = false;  ///< then closes the connection
};

using Script = std::function<Response(const std::string& line)>;

/// Answers "*IDN?" and the error queue like an instrument, and anything else through the script; lines
/// it was sent are kept for the test to look at.
class ScpiResponder {
  public:
    /// Serves TCP on 127.0.0.1 (a free port) when `pty` is false, else a pseudo-terminal.
    ScpiResponder(Script script, bool pty = false);
    ~ScpiResponder();
    uint16_t port() const { return m_port; }
    /// The pseudo-terminal's device path.
    const std::string& devicePath() const { return m_path; }
    std::vector<std::string> lines() const;
    /// Queues an error entry for SYST:ERR? to hand out.
    void queueError(const std::string& entry);

  private:
    void serveTcp();
    void servePty();
    void handle(int fd, std::string& buffer, const char* data, size_t n, bool& closeIt);

    Script m_script;
    int m_listen = -1;
    int m_master = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::string m_path;
    std::atomic<bool> m_running{true};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_errors;
    std::thread m_thread;
};

}  // namespace vantrel::testing

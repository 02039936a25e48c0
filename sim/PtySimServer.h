// Serves a simulated radio in real time on a pseudo-terminal whose slave a symlink points at.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "sim/SimRadio.h"

namespace vantrel {

/// Opens a pty, points `linkPath` at its slave and answers the program's bytes with the radio's, on
/// its own thread. The radio must outlive the server.
class PtySimServer {
  public:
    PtySimServer(SimRadio& radio, std::string linkPath);
    ~PtySimServer();
    PtySimServer(const PtySimServer&) = delete;
    PtySimServer& operator=(const PtySimServer&) = delete;

    /// Opens the pty, makes the symlink and starts serving. Throws std::runtime_error with the reason
    /// (no pty, the link path is a regular file or cannot be made).
    void start();
    /// Stops serving, closes the pty and removes the symlink. Safe to call twice.
    void stop();
    bool running() const { return m_running; }
    /// The slave device (/dev/pts/N) and the symlink that points at it.
    const std::string& slavePath() const { return m_slavePath; }
    const std::string& linkPath() const { return m_linkPath; }

  private:
    void serve();

    SimRadio& m_radio;
    std::string m_linkPath;
    std::string m_slavePath;
    int m_master = -1;
    int m_slaveKeep = -1;  ///< held open so the master never sees a hang-up between connections
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace vantrel

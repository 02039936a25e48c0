// Serves the simulated power meter over TCP on the loopback interface, the way bench instruments are
// reached over a network.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace vantrel {

/// A power meter speaking SCPI on 127.0.0.1: one newline-terminated command line at a time from each of
/// several clients, each client with its own error queue (see SimScpiMeter). Readings come from `watts`,
/// called on the server's thread, so it must be safe to call from there (SimRadio::outputWatts is).
class SimMeterServer {
  public:
    /// Clients served at once; a further connection is closed at once.
    static constexpr std::size_t kMaxClients = 16;
    /// Longest command line; the rest of a longer one is dropped and -223 queued.
    static constexpr std::size_t kMaxLine = 1024;
    /// Unread answers a client may leave waiting before it is disconnected.
    static constexpr std::size_t kMaxPendingOutput = 64 * 1024;

    SimMeterServer(std::string identity, std::function<double()> watts);
    ~SimMeterServer();
    SimMeterServer(const SimMeterServer&) = delete;
    SimMeterServer& operator=(const SimMeterServer&) = delete;

    /// Listens on 127.0.0.1:`port` (0: a free port the system picks) and starts serving. Throws
    /// std::runtime_error with the reason (the port is taken, for instance).
    void start(uint16_t port);
    /// Stops serving and closes every connection. Safe to call twice.
    void stop();
    bool running() const { return m_running; }
    /// The port listened on, once started.
    uint16_t port() const { return m_port; }

  private:
    void serve();

    std::string m_identity;
    std::function<double()> m_watts;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace vantrel

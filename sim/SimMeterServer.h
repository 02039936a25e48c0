// Serves a simulated SCPI instrument (the power meter, or any bench instrument) over TCP on the loopback
// interface, the way bench instruments are reached over a network.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace vantrel {

class SimScpiInstrument;

/// Faults a simulated instrument can be given, like the radio's.
enum class SimInstrumentFault {
    None,
    Timeout,     ///< lines are taken and never answered
    Errors,      ///< every command and query but *IDN? and the error queue is refused with -200
    Disconnect,  ///< every connection is closed at once, new ones too
};

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
    /// Any instrument: `make` builds the interpreter of each new client (called on the server's thread).
    explicit SimMeterServer(std::function<std::unique_ptr<SimScpiInstrument>()> make);
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
    /// Sets the fault from now on (safe from any thread).
    void setFault(SimInstrumentFault fault) { m_fault = fault; }
    SimInstrumentFault fault() const { return m_fault; }

  private:
    void serve();

    std::function<std::unique_ptr<SimScpiInstrument>()> m_make;
    std::atomic<SimInstrumentFault> m_fault{SimInstrumentFault::None};
    std::atomic<bool> m_refusing{false};
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace vantrel

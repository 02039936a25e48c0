// One simulated radio served on a real pseudo-terminal, and the measured runs of operations against it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/PauseClock.h"
#include "link/LinkContext.h"
#include "link/PosixSerialDevice.h"
#include "sim/PtySimServer.h"
#include "sim/SimRadio.h"

namespace vantrel {
class radioStorage;
}

namespace vantrel::bench {

/// Seconds one character takes on the line: 10 bits at 9600 bit/s.
constexpr double kCharacterSeconds = 10.0 / 9600.0;

/// One request the radio received, with the pause the program's send primitive took after it.
struct RequestRecord {
    std::vector<uint8_t> frame;  ///< the request as it arrived
    uint32_t pauseMs = 0;        ///< 110 or 175; 0 when no pause could be paired with it
    uint32_t answerMs = 0;       ///< from its arrival to the radio's last byte for it (echo included)
    int64_t pauseUs = 0;         ///< the pause as really slept
    int64_t intervalUs = 0;      ///< from the start of this pause to the start of the next (or the end)
    int64_t timerSleepUs = 0;    ///< the link's other sleeps in that interval (character timer waits)
    unsigned timerSleeps = 0;

    /// The protocol's floor of this request: its pause plus its bytes at line speed, in seconds.
    double floorSeconds() const { return pauseMs / 1000.0 + frame.size() * kCharacterSeconds; }
    /// The least this request can cost against the simulated radio: the radio answers while the program
    /// pauses, so its answer adds only what outlasts the pause. Seconds.
    double honestFloorSeconds() const { return std::max(pauseMs, answerMs) / 1000.0; }
    /// What the program spent on this request beyond its pause and the radio's answer, milliseconds.
    double overheadMs() const { return intervalUs / 1000.0 - std::max(pauseMs, answerMs); }
    /// A short name of the request ("softpot read", "memory read").
    std::string kind() const;
};

/// What one operation cost.
struct OperationMeasurement {
    bool ok = false;
    std::string failure;          ///< why it did not complete, when !ok
    double wallSeconds = 0;       ///< the whole operation, port openings included
    double cpuSeconds = 0;        ///< user + system time of the thread (or child process) that ran it
    long peakRssKb = 0;           ///< child processes only
    unsigned badFrames = 0;       ///< frames the radio dropped (bad checksum, incomplete): should be 0
    unsigned unpairedPauses = 0;  ///< pauses and requests that could not be paired one to one
    int64_t leadUs = 0;           ///< from the start to the first pause (port opening, first frame)
    unsigned connections = 0;     ///< ports opened (one per step of the operation; in-process runs)
    double loadAverage = 0;       ///< the machine's 1-minute load average when the run started
    /// The link's idle hook (the application's event loop) during the operation: how often it ran and
    /// the longest time without it, from the start to the end (in-process runs only).
    unsigned idleCalls = 0;
    int64_t longestStallUs = 0;
    int64_t longestStallEndUs = 0;  ///< when the longest stall ended, from the start of the operation
    std::string stallWhere;         ///< the request it fell in, and whether in its pause or after it
    std::vector<RequestRecord> requests;

    /// Sum over the requests of their pause and frame bytes.
    double floorSeconds() const;
    double floorRatio() const { return wallSeconds / floorSeconds(); }
    /// Sum over the requests of their pause or the radio's answer, whichever is longer.
    double honestFloorSeconds() const;
    double honestRatio() const { return wallSeconds / honestFloorSeconds(); }
    /// Wall time beyond the honest floor per request, milliseconds.
    double overheadPerRequestMs() const;
    double cpuShare() const { return cpuSeconds / wallSeconds; }
    /// Requests sent with write (175 ms) and with writeNoEcho (110 ms).
    unsigned echoRequests() const;
    unsigned noEchoRequests() const;
};

/// A simulated radio of one profile behind a pseudo-terminal, with the process's link context pointed at
/// it (through COM.INI in a scratch directory) and timed by a PauseClock. Its idle hook stands for the
/// application's event loop and notes when it runs. One session at a time.
class LinkSession {
  public:
    /// profile: a profile name or file. Throws std::runtime_error when the pseudo-terminal cannot be made.
    explicit LinkSession(const std::string& profile);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    /// Read Radio into record, on this thread.
    OperationMeasurement readRadio(radioStorage& record);
    /// Program All of record (the serial number check first, as the command does), on this thread.
    OperationMeasurement programAll(radioStorage& record);
    /// Runs a program (argv[0] is its path) as a child process talking to this radio; ok when it exits 0.
    OperationMeasurement runChild(const std::vector<std::string>& argv);
    /// Runs any operation on this thread (it answers an empty string, or why it failed) and measures it.
    OperationMeasurement runInProcess(const std::function<std::string()>& op) { return measure(op, false); }
    /// Opens and closes a connection (COM.INI, port, line settings) `count` times as every step of an
    /// operation does; answers each one's cost in microseconds.
    std::vector<double> connectionCostsUs(int count);

    /// The simulated radio served (to hang a power meter on it, for instance).
    SimRadio& radio() { return m_radio; }

    const std::filesystem::path& directory() const { return m_dir; }
    const std::string& devicePath() const { return m_linkPath; }

  private:
    /// Runs op (which answers an empty string or why it failed) and gathers the measurement.
    OperationMeasurement measure(const std::function<std::string()>& op, bool child);
    void pair(OperationMeasurement& m, int64_t startUs, int64_t endUs);
    void idle();

    std::filesystem::path m_dir;
    std::string m_linkPath;
    SimRadio m_radio;
    PtySimServer m_server;
    PauseClock m_clock;
    /// Opens the pseudo-terminal whatever port is asked, and counts the openings.
    class CountingOpener : public PortOpener {
      public:
        explicit CountingOpener(std::string path) : m_inner(std::move(path)) {}
        std::unique_ptr<SerialDevice> open(unsigned portNumber) override {
            ++opened;
            return m_inner.open(portNumber);
        }
        unsigned opened = 0;

      private:
        FixedPathOpener m_inner;
    } m_opener;
    std::unique_ptr<ScopedLinkContext> m_context;
    long m_childRssKb = 0;
    int64_t m_lastIdleUs = 0;
    int64_t m_longestStallUs = 0;
    int64_t m_longestStallEndUs = 0;
    unsigned m_idleCalls = 0;
    double m_childCpu = 0;
};

}  // namespace vantrel::bench

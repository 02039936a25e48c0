// An in-memory serial line on a virtual clock: tests and the simulated radio run whole exchanges in virtual
// time.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "link/Clock.h"
#include "link/SerialDevice.h"

namespace vantrel {

/// A clock that moves only when someone waits on it. tick() = startTick + now (wrapping).
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(uint32_t startTick = 1000) : m_startTick(startTick) {}
    uint32_t tick() override { return static_cast<uint32_t>(m_startTick + m_now); }
    void sleep(uint32_t ms) override { m_now += ms; }
    /// Milliseconds of virtual time since construction (does not wrap).
    uint64_t now() const { return m_now; }
    void advanceTo(uint64_t t) {
        if (t > m_now)
            m_now = t;
    }

  private:
    uint32_t m_startTick;
    uint64_t m_now = 0;
};

class VirtualLine;

/// The far end of a virtual line (a scripted radio, the simulated radio). It sees every byte the
/// program transmits, at the virtual time it was transmitted, and answers by scheduling bytes on the
/// line with VirtualLine::deliver. It echoes what it wants echoed: the line adds nothing by itself.
class LinePeer {
  public:
    virtual ~LinePeer() = default;
    virtual void onHostByte(uint8_t byte, uint64_t nowMs, VirtualLine& line) = 0;
};

/// One byte the program transmitted, with its virtual time.
struct TimedByte {
    uint64_t atMs;
    uint8_t byte;
};

/// The line: the program's side is a SerialDevice (openDevice), the radio's side is a LinePeer.
class VirtualLine {
  public:
    explicit VirtualLine(VirtualClock& clock) : m_clock(clock) {}
    VirtualClock& clock() { return m_clock; }

    void setPeer(LinePeer* peer) { m_peer = peer; }

    /// Schedules bytes to reach the program at atMs, then one every perByteMs milliseconds.
    void deliver(const uint8_t* bytes, size_t count, uint64_t atMs, uint32_t perByteMs = 0);
    void deliver(const std::vector<uint8_t>& bytes, uint64_t atMs, uint32_t perByteMs = 0) {
        deliver(bytes.data(), bytes.size(), atMs, perByteMs);
    }
    /// Line error flags the program will find at its next look at the line.
    void raiseLineErrors(uint32_t flags) { m_pendingErrors |= flags; }
    /// Pulls the cable: every later device call fails.
    void disconnect() { m_disconnected = true; }
    bool disconnected() const { return m_disconnected; }

    /// Everything the program transmitted since construction or the last clearSent().
    const std::vector<TimedByte>& sent() const { return m_sent; }
    std::vector<uint8_t> sentBytes() const;
    void clearSent() { m_sent.clear(); }

    /// Opens the program's side. Only one device may be open at a time (PortInUseError otherwise).
    std::unique_ptr<SerialDevice> openDevice();
    bool deviceOpen() const { return m_open; }
    /// How many times the program's side was opened.
    unsigned openCount() const { return m_openCount; }

  private:
    friend class VirtualSerialDevice;
    void moveDue();

    VirtualClock& m_clock;
    LinePeer* m_peer = nullptr;
    std::multimap<uint64_t, uint8_t> m_scheduled;
    std::deque<uint8_t> m_received;
    std::vector<TimedByte> m_sent;
    uint32_t m_pendingErrors = 0;
    bool m_disconnected = false;
    bool m_open = false;
    unsigned m_openCount = 0;
};

/// Opens the virtual line for the listed COM port numbers (all four by default).
class VirtualPortOpener : public PortOpener {
  public:
    explicit VirtualPortOpener(VirtualLine& line, unsigned onlyPort = 0)
        : m_line(line), m_onlyPort(onlyPort) {}
    std::unique_ptr<SerialDevice> open(unsigned portNumber) override;

  private:
    VirtualLine& m_line;
    unsigned m_onlyPort;
};

}  // namespace vantrel

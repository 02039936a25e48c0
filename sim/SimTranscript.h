// The simulated radio's transcript: every frame in and out and every change of its state, with times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel {

/// What one transcript entry records.
enum class SimEventKind {
    FrameIn,   ///< a complete request frame with a good checksum
    BadFrame,  ///< a frame with a bad checksum, or bytes of an incomplete frame dropped
    FrameOut,  ///< a frame the radio sends (acknowledge, data reply, NAK), at its send time
    Fault,     ///< a fault the radio committed on purpose
    State,     ///< a change of the radio's state
};

/// Which part of the radio's state changed (State entries only).
enum class SimTopic {
    None,
    LiveValue,        ///< softpot, set, point, value
    ProgrammedValue,  ///< softpot, set, point, value
    TestMode,         ///< bytes: the three parameters
    Channel,          ///< bytes: the channel codes as sent; point: the point the radio settled on
    Key,              ///< value 1 keyed, 0 dekeyed
    Reset,
    Memory,    ///< address, bytes written
    SerialNo,  ///< text
    Bbo,       ///< address = item code, point = spacing index 0..2, value = byte
    AutoTune,  ///< softpot, set, point, value settled on
};

/// One transcript entry. Fields not used by a kind or topic stay at their defaults.
struct SimEvent {
    uint64_t atMs = 0;
    SimEventKind kind = SimEventKind::State;
    SimTopic topic = SimTopic::None;
    std::vector<uint8_t> bytes;  ///< the frame, or the data of a memory write or test mode
    int softpot = -1;
    int set = -1;    ///< value set (power level, spacing, volume mode) or -1
    int point = -1;  ///< 0-based frequency point or -1
    int64_t value = 0;
    uint32_t address = 0;
    std::string text;  ///< what a technician reads: "key up", "program softpot 0 F3 = 186"
};

/// Thread-safe list of the latest events with an optional listener called for each new event. It keeps
/// at most capacity() events, dropping the oldest first, so a radio served for days does not grow
/// without limit; a listener sees every event (the trace streams through it).
class SimTranscript {
  public:
    /// Events kept by default: several complete reads and programs of a radio.
    static constexpr std::size_t kDefaultCapacity = 20000;

    void add(SimEvent event);
    /// Keeps at most `events` (0: none, only the listener sees them); drops the oldest beyond it now.
    void setCapacity(std::size_t events);
    std::size_t capacity() const;
    /// Events dropped so far to stay within the capacity.
    std::size_t dropped() const;
    /// A copy of every entry so far.
    std::vector<SimEvent> entries() const;
    /// Entries of one kind, and of one topic when topic is not None.
    std::vector<SimEvent> filter(SimEventKind kind, SimTopic topic = SimTopic::None) const;
    void clear();
    /// Called (on the thread that drives the radio, while the radio is locked) for each new entry; the
    /// listener must not call back into the radio.
    void setListener(std::function<void(const SimEvent&)> listener);

    /// One readable line: "  1234.000  <- F2 19 01 F3  key up".
    static std::string format(const SimEvent& event);
    /// Every entry, one per line.
    std::string formatAll() const;

  private:
    mutable std::mutex m_mutex;
    std::deque<SimEvent> m_events;
    std::size_t m_capacity = kDefaultCapacity;
    std::size_t m_dropped = 0;
    std::function<void(const SimEvent&)> m_listener;
};

}  // namespace vantrel

// The simulated radio: takes the program's bytes with their times and answers with timed bytes.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "sim/SimFaults.h"
#include "sim/SimFrame.h"
#include "sim/SimProfile.h"
#include "sim/SimTranscript.h"

namespace vantrel {

/// Bytes the radio puts on the line: `bytes` starting at atMs, one every perByteMs milliseconds.
/// `disconnect` means the radio went away at atMs (the bytes are then empty).
struct SimOutput {
    uint64_t atMs = 0;
    std::vector<uint8_t> bytes;
    uint32_t perByteMs = 0;
    bool disconnect = false;
};

/// An independent model of a radio on the half-duplex bus. It echoes every byte, answers each
/// well-formed request with the acknowledge and a data reply, and keeps its state like a radio:
/// programmed values persist in its profile for the run; live values, test mode, channel pair and
/// keying last until a reset. Thread-safe: every call locks the radio.
class SimRadio {
  public:
    explicit SimRadio(SimProfile profile);

    /// One byte from the program, received at nowMs (milliseconds on any monotonic scale). Answers what
    /// the radio sends in return, in time order.
    std::vector<SimOutput> receive(uint8_t byte, uint64_t nowMs);

    /// The profile with the programmed values, serial number and codeplug as they stand now.
    SimProfile profile() const;
    SimTranscript& transcript() { return m_transcript; }
    /// Adds a fault rule (see SimFaultRule); the profile's own rules are added at construction.
    void addFault(const SimFaultRule& rule);
    void clearFaults();
    /// Changes the answer timing from now on.
    void setTiming(const SimTiming& timing);

    // State as a test or a trace wants to see it.
    bool keyed() const;
    std::optional<std::array<uint8_t, 3>> testMode() const;
    std::vector<uint16_t> channels() const;
    /// The stored value of a softpot (set and point 0-based; single softpots use point 0).
    int64_t programmedValue(int softpot, int set = 0, int point = 0) const;
    /// The live value, when one is set.
    std::optional<int64_t> liveValue(int softpot, int set = 0, int point = 0) const;
    std::string serialNo() const;
    std::vector<uint8_t> codeplug() const;
    /// Whether the 16-bit codeplug checksum matches the codeplug.
    bool codeplugChecksumValid() const;
    /// Baseband offset byte held by the radio (spacing 0..2, item position 0..4 in order 5, 0, 2, 10, 8).
    std::optional<uint8_t> bboByte(int spacing, int itemPosition) const;
    /// The transmitter's output in watts now: 0 while dekeyed, else the profile's power model at the live
    /// (else programmed) value of its power softpot, in the set the test mode selects, at the point
    /// whose transmit channel is selected. Safe to call from any thread.
    double outputWatts() const;
    // What the bench instruments see (safe to call from any thread).
    /// The carrier in Hz while keyed: the transmit channel's frequency moved by the warp softpot; nullopt
    /// while dekeyed.
    std::optional<double> carrierHz() const;
    /// Peak deviation in Hz and the tone while keyed, from the test mode's modulation model ({0, 0} in a
    /// test mode that modulates nothing); nullopt while dekeyed.
    std::optional<std::pair<double, double>> deviation() const;
    /// Current drawn from the supply in amps: idle current, plus the PA bias currents in PA bias test mode
    /// (keyed or not), or the current of the output power while keyed otherwise.
    double supplyAmps() const;
    /// The bench supply's set voltage while its output is on (nullopt: off). The radio's supply measurement
    /// follows it from the first call on.
    void setSupplyVolts(std::optional<double> volts);
    /// The generator's signal on the receiver input (nullopt: output off). From the first call on, RSSI,
    /// the calibration DAC readings and the squelch and PA voltage auto-tunes follow it.
    void setRfInput(std::optional<std::pair<double, double>> hzAndDbm);

    /// Well-formed requests seen so far.
    unsigned requestCount() const;
    bool disconnected() const;

  private:
    struct Answer {
        bool silent = false;
        bool nak = false;
        std::vector<uint8_t> data;  ///< data reply frame; empty for none
        std::string text;           ///< readable description of the data reply
    };
    using LiveKey = std::tuple<int, int, int>;

    Answer handle(const SimFrame& request, uint64_t nowMs);
    Answer onSoftpot(const std::vector<uint8_t>& p, uint64_t nowMs);
    Answer onAutoTune(const std::vector<uint8_t>& p, uint64_t nowMs);
    Answer onRssi(int number, uint8_t function, const std::vector<uint8_t>& p, uint64_t nowMs);
    Answer onIdentity(const std::vector<uint8_t>& p);
    Answer onReadMemory(const std::vector<uint8_t>& p);
    Answer onWriteMemory(const std::vector<uint8_t>& p, uint64_t nowMs);
    Answer onBbo(const std::vector<uint8_t>& p, uint64_t nowMs);
    Answer tuningBlock() const;
    Answer unsupported(uint8_t opcode, const std::string& why) const;
    Answer generic(uint8_t opcode, const std::vector<uint8_t>& p, const std::string& text) const;
    Answer softpotReply(int number, const std::vector<uint8_t>& valueBytes, const std::string& text) const;

    void resetState(uint64_t nowMs);
    void noteState(uint64_t nowMs, SimTopic topic, std::string text, int softpot = -1, int set = -1,
                   int point = -1, int64_t value = 0);
    int setIndex(const SimSoftpotSpec& sp) const;
    int pointIndex(const SimSoftpotSpec& sp) const;
    int64_t currentValue(const SimSoftpotSpec& sp, int set, int point) const;
    double channelHz(uint16_t channel) const;
    uint16_t txChannel() const;
    uint16_t rxChannel() const;
    /// RSSI of the signal on the receiver input now (the profile's level until a generator drives it).
    uint8_t inputRssi() const;
    double outputWattsLocked() const;
    /// The battery softpot's supply measurement: the profile's supply, or the stored threshold.
    int64_t batteryMeasurement(const SimSoftpotSpec& battery) const;
    void program(SimSoftpotSpec& sp, int set, int point, int64_t value, uint64_t nowMs);
    std::string describeRequest(const SimFrame& f) const;

    mutable std::mutex m_mutex;
    SimProfile m_profile;
    SimTranscript m_transcript;
    SimFaultPlan m_faults;
    SimFrameAssembler m_assembler;
    uint64_t m_nextEchoMs = 0;
    unsigned m_requests = 0;
    bool m_disconnected = false;
    size_t m_calDacReads = 0;
    bool m_rfDriven = false;                             ///< a generator has been connected
    std::optional<std::pair<double, double>> m_rfInput;  ///< Hz, dBm
    int m_lastLiveSoftpot = -1;  ///< calibration DAC reads answered, for the profile's reading sequence

    // State a reset clears.
    bool m_keyed = false;
    std::optional<std::array<uint8_t, 3>> m_testMode;
    std::vector<uint16_t> m_channels;
    std::map<LiveKey, int64_t> m_live;

    /// A codeplug table as the radio guards it: writes into it are held until the one that reaches its
    /// last byte, and then taken only when every checksum of the whole table holds.
    struct GuardedTable {
        uint32_t address = 0;
        uint32_t length = 0;
        std::vector<uint8_t> staged;  ///< the table with the writes held so far; empty when none
    };
    std::vector<GuardedTable> m_tables;
};

}  // namespace vantrel

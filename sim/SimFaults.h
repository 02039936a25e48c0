// Faults the simulated radio commits on demand: silence, NAK, bad checksums, late or cut replies, noise.
#pragma once

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// What goes wrong.
enum class SimFaultKind {
    Silence,      ///< the radio answers nothing (the bus still echoes)
    Nak,          ///< negative acknowledge 0x60 instead of 0x50, no data reply
    BadChecksum,  ///< acknowledge, then a data reply whose checksum byte is wrong
    Unsupported,  ///< acknowledge, then the unsupported reply (opcode 0x86)
    LateReply,    ///< acknowledge now, the data reply `delayMs` later
    Truncated,    ///< acknowledge, then a data reply missing its last `dropBytes` bytes
    Noise,        ///< noise bytes between the echo and the acknowledge
    Disconnect,   ///< the radio goes away for good: nothing more is echoed or answered
};

/// One fault rule. A rule fires on requests that match its trigger, at most `times` times (0: no limit).
struct SimFaultRule {
    SimFaultKind kind = SimFaultKind::Silence;
    /// Fires from this request on (1-based count of well-formed requests); 0 means from the start.
    unsigned atRequest = 0;
    /// Fires only on requests with this extended opcode.
    std::optional<uint8_t> opcode;
    /// With `opcode`: fires only when the first payload byte (softpot number, sub-code) matches.
    std::optional<uint8_t> firstByte;
    unsigned times = 1;
    uint32_t delayMs = 11000;  ///< LateReply: beyond the program's wait
    unsigned dropBytes = 1;    ///< Truncated
    /// Noise: the bytes sent. Filled from an array, not a brace list, which GCC 12 takes for uninitialized
    /// when the rule is built inline in an optimized build.
    static constexpr uint8_t kDefaultNoise[] = {0x13, 0x37, 0xA5};
    std::vector<uint8_t> noise = std::vector<uint8_t>(std::begin(kDefaultNoise), std::end(kDefaultNoise));
    unsigned fired = 0;  ///< how often the rule has fired so far
};

/// Parses "kind[@N][/0xOP[.0xBB]][*times][:param]", e.g. "nak@3", "silence/0x23", "late/0x20.0x0B:12000",
/// "noise*0". Kinds: silence, nak, badsum, unsupported, late, truncated, noise, disconnect.
/// Throws std::invalid_argument with a readable message on a malformed text.
SimFaultRule parseSimFault(const std::string& text);

/// Short name of a fault kind ("nak").
const char* simFaultName(SimFaultKind kind);

/// The faults of one radio, checked once per well-formed request.
class SimFaultPlan {
  public:
    void add(const SimFaultRule& rule) { m_rules.push_back(rule); }
    void clear() { m_rules.clear(); }
    bool empty() const { return m_rules.empty(); }
    /// The first rule that fires on request number `requestNumber` (1-based) with this opcode and
    /// first payload byte; counts the firing. Empty when no rule fires.
    std::optional<SimFaultRule> take(unsigned requestNumber, uint8_t opcode,
                                     std::optional<uint8_t> firstByte);
    const std::vector<SimFaultRule>& rules() const { return m_rules; }

  private:
    std::vector<SimFaultRule> m_rules;
};

}  // namespace vantrel

// A scripted far end for the virtual line: echoes every byte, then plays one scripted answer per frame.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "link/VirtualLine.h"

namespace vantrel::test {

using Bytes = std::vector<uint8_t>;

/// What the radio does after one complete frame from the program.
struct Answer {
    Answer() = default;
    Answer(std::vector<uint8_t> b) : bytes(std::move(b)) {}  // NOLINT: implicit on purpose
    std::vector<uint8_t> bytes;                              // empty: silence
    uint32_t delayMs = 2;                                    // after the frame's last byte
    uint32_t perByteMs = 0;                                  // spacing between the answer's bytes
    /// A second part sent later (a reply that trickles in).
    std::vector<uint8_t> later;
    uint32_t laterDelayMs = 0;
};

/// Echoes at +1 ms per byte and splits the program's bytes into frames with its own decoder.
/// When the script runs out, every further frame gets the fallback answer.
class ScriptedRadio : public LinePeer {
  public:
    void onHostByte(uint8_t byte, uint64_t nowMs, VirtualLine& line) override;

    void script(Answer a) { m_script.push_back(std::move(a)); }
    void fallback(Answer a) {
        m_fallback = std::move(a);
        m_hasFallback = true;
    }
    /// Every complete frame received, in order.
    const std::vector<std::vector<uint8_t>>& frames() const { return m_frames; }
    bool echo = true;

  private:
    std::vector<uint8_t> m_current;
    std::vector<std::vector<uint8_t>> m_frames;
    std::deque<Answer> m_script;
    Answer m_fallback;
    bool m_hasFallback = false;
};

/// Builds a frame with the test's own encoder (independent of the link layer's).
std::vector<uint8_t> frame(uint8_t opcode, std::vector<uint8_t> payload);
/// Acknowledge followed by a data reply frame.
std::vector<uint8_t> ackThen(const std::vector<uint8_t>& reply);
constexpr uint8_t kAck = 0x50;

}  // namespace vantrel::test

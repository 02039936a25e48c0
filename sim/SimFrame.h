// The simulated radio's own frame codec: builds reply frames and assembles request frames byte by byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// One decoded frame as the simulated radio sees it.
struct SimFrame {
    uint8_t opcode = 0;            ///< short opcode 0..14 or extended opcode
    bool extended = false;         ///< the opcode came in its own byte
    std::vector<uint8_t> payload;  ///< data bytes between the header fields and the checksum
    std::vector<uint8_t> raw;      ///< every byte of the frame as it came
    bool checksumOk = true;        ///< false when the last byte is not the checksum of the bytes before it
};

/// Checksum of a byte run: 0xFF minus the 8-bit sum of the bytes.
uint8_t simChecksum(const uint8_t* bytes, size_t count);

/// Encodes a frame. Opcodes below 0x0F use the short form; a short opcode without payload gives the
/// lone header byte (acknowledge 0x50, NAK 0x60). Payloads of 14 bytes or more use the 16-bit count.
std::vector<uint8_t> encodeSimFrame(uint8_t opcode, const std::vector<uint8_t>& payload = {});

/// Encodes a frame with an extended opcode even when the opcode is short (never needed by the radio,
/// kept for tests that build odd frames).
std::vector<uint8_t> encodeSimFrameExtended(uint8_t opcode, const std::vector<uint8_t>& payload);

/// Bytes as "F2 19 01 F3".
std::string hexBytes(const std::vector<uint8_t>& bytes);

/// Assembles frames from a byte stream. A frame left incomplete for longer than the gap limit is
/// dropped, so a garbled request never swallows the retry that follows it.
class SimFrameAssembler {
  public:
    explicit SimFrameAssembler(uint32_t gapLimitMs = 50) : m_gapLimitMs(gapLimitMs) {}

    /// Feeds one byte received at nowMs; answers a frame when the byte completed one.
    std::optional<SimFrame> feed(uint8_t byte, uint64_t nowMs);
    /// Bytes of an incomplete frame dropped by the last feed (empty when none), for the transcript.
    const std::vector<uint8_t>& dropped() const { return m_dropped; }
    bool idle() const { return m_bytes.empty(); }
    void clear() { m_bytes.clear(); }

  private:
    /// Frame length once enough header bytes are known; 0 while still unknown.
    size_t expectedLength() const;

    uint32_t m_gapLimitMs;
    std::vector<uint8_t> m_bytes;
    std::vector<uint8_t> m_dropped;
    uint64_t m_lastMs = 0;
};

}  // namespace vantrel

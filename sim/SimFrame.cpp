// The simulated radio's frame codec.
#include "sim/SimFrame.h"

#include <cstdio>

#include "sim/SimProtocol.h"

namespace vantrel {

using namespace sim;

static constexpr size_t kMaxFrameLength = 512;

uint8_t simChecksum(const uint8_t* bytes, size_t count) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(frame::kChecksumBase - sum);
}

static std::vector<uint8_t> encode(uint8_t opcode, const std::vector<uint8_t>& payload, bool extended) {
    std::vector<uint8_t> out;
    const size_t count = payload.size() + 1;
    const bool longCount = count >= frame::kFirstLongCount;
    if (!extended && payload.empty()) {
        out.push_back(static_cast<uint8_t>(opcode << 4));
        return out;
    }
    const uint8_t high = extended ? frame::kExtendedOpcode : opcode;
    const uint8_t low = longCount ? frame::kExtendedCount : static_cast<uint8_t>(count);
    out.push_back(static_cast<uint8_t>((high << 4) | low));
    if (extended)
        out.push_back(opcode);
    if (longCount) {
        out.push_back(static_cast<uint8_t>(count >> 8));
        out.push_back(static_cast<uint8_t>(count));
    }
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(simChecksum(out.data(), out.size()));
    return out;
}

std::vector<uint8_t> encodeSimFrame(uint8_t opcode, const std::vector<uint8_t>& payload) {
    return encode(opcode, payload, opcode >= frame::kFirstLongOpcode);
}

std::vector<uint8_t> encodeSimFrameExtended(uint8_t opcode, const std::vector<uint8_t>& payload) {
    return encode(opcode, payload, true);
}

std::string hexBytes(const std::vector<uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

size_t SimFrameAssembler::expectedLength() const {
    const uint8_t header = m_bytes[0];
    const bool extended = (header >> 4) == frame::kExtendedOpcode;
    const uint8_t nibble = header & 0x0F;
    if (nibble == 0 && !extended)
        return 1;
    size_t fields = 1 + (extended ? 1 : 0);
    size_t count = nibble;
    if (nibble == frame::kExtendedCount) {
        if (m_bytes.size() < fields + 2)
            return 0;
        count = (static_cast<size_t>(m_bytes[fields]) << 8) | m_bytes[fields + 1];
        fields += 2;
    }
    // A count of 0 after an extended opcode still ends the frame at the opcode byte.
    return fields + count;
}

std::optional<SimFrame> SimFrameAssembler::feed(uint8_t byte, uint64_t nowMs) {
    m_dropped.clear();
    if (!m_bytes.empty() && nowMs > m_lastMs + m_gapLimitMs)
        m_dropped.swap(m_bytes);
    m_lastMs = nowMs;
    m_bytes.push_back(byte);
    const size_t length = expectedLength();
    if (length > kMaxFrameLength) {
        // No request is this long: the header was noise.
        m_dropped.swap(m_bytes);
        m_bytes.clear();
        return std::nullopt;
    }
    if (length == 0 || m_bytes.size() < length)
        return std::nullopt;

    SimFrame f;
    f.raw.swap(m_bytes);
    const uint8_t header = f.raw[0];
    f.extended = (header >> 4) == frame::kExtendedOpcode;
    f.opcode = f.extended && f.raw.size() > 1 ? f.raw[1] : static_cast<uint8_t>(header >> 4);
    if (f.raw.size() == 1)
        return f;
    size_t start = 1 + (f.extended ? 1 : 0) + ((header & 0x0F) == frame::kExtendedCount ? 2 : 0);
    if (start < f.raw.size())
        f.payload.assign(f.raw.begin() + start, f.raw.end() - 1);
    f.checksumOk = (header & 0x0F) != 0 && f.raw.back() == simChecksum(f.raw.data(), f.raw.size() - 1);
    return f;
}

}  // namespace vantrel

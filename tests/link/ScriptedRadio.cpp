// The scripted far end of the virtual line.
#include "ScriptedRadio.h"

namespace vantrel::test {

namespace {
// Total length of a frame from its first bytes, or 0 while more bytes are needed.
size_t frameLength(const std::vector<uint8_t>& b) {
    if (b.empty())
        return 0;
    size_t header = 1;
    bool extOp = (b[0] >> 4) == 0xF;
    if (extOp)
        ++header;
    size_t n = b[0] & 0x0F;
    if (n == 0xF) {
        if (b.size() < header + 2)
            return 0;
        n = (size_t(b[header]) << 8) | b[header + 1];
        header += 2;
    }
    return header + n;
}
}  // namespace

std::vector<uint8_t> frame(uint8_t opcode, std::vector<uint8_t> payload) {
    std::vector<uint8_t> f;
    size_t n = payload.size() + 1;
    bool ext = opcode >= 0xF;
    bool lone = !ext && payload.empty();
    uint8_t lowNibble = lone ? 0 : (n >= 15 ? 0xF : uint8_t(n));
    f.push_back(uint8_t(((ext ? 0xF : opcode) << 4) | lowNibble));
    if (ext)
        f.push_back(opcode);
    if (!lone && n >= 15) {
        f.push_back(uint8_t(n >> 8));
        f.push_back(uint8_t(n));
    }
    f.insert(f.end(), payload.begin(), payload.end());
    if (!lone) {
        unsigned sum = 0;
        for (uint8_t b : f) sum += b;
        f.push_back(uint8_t(0xFF - (sum & 0xFF)));
    }
    return f;
}

std::vector<uint8_t> ackThen(const std::vector<uint8_t>& reply) {
    // Room for both first: growing a one-byte vector by insert trips GCC 12's -Warray-bounds (a false
    // report inside the library's memcpy).
    std::vector<uint8_t> out;
    out.reserve(reply.size() + 1);
    out.push_back(kAck);
    out.insert(out.end(), reply.begin(), reply.end());
    return out;
}

void ScriptedRadio::onHostByte(uint8_t byte, uint64_t nowMs, VirtualLine& line) {
    if (echo)
        line.deliver(&byte, 1, nowMs + 1);
    m_current.push_back(byte);
    size_t len = frameLength(m_current);
    if (len == 0 || m_current.size() < len)
        return;
    m_frames.push_back(m_current);
    m_current.clear();
    Answer a;
    if (!m_script.empty()) {
        a = m_script.front();
        m_script.pop_front();
    } else if (m_hasFallback) {
        a = m_fallback;
    } else {
        return;
    }
    uint64_t at = nowMs + 1 + a.delayMs;
    if (!a.bytes.empty())
        line.deliver(a.bytes, at, a.perByteMs);
    if (!a.later.empty())
        line.deliver(a.later, at + a.laterDelayMs);
}

}  // namespace vantrel::test

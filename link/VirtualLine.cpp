// The in-memory serial line and its device.
#include "link/VirtualLine.h"

#include "link/Exceptions.h"

namespace vantrel {

class VirtualSerialDevice : public SerialDevice {
  public:
    explicit VirtualSerialDevice(VirtualLine& line) : m_line(line) {}
    ~VirtualSerialDevice() override { m_line.m_open = false; }

    void applyLineSettings() override { check(); }
    void dropModemLines() override {}
    void discardInput() override {
        check();
        m_line.moveDue();
        m_line.m_received.clear();
    }
    size_t readAvailable(uint8_t* dst, size_t max) override {
        check();
        m_line.moveDue();
        size_t n = 0;
        while (n < max && !m_line.m_received.empty()) {
            dst[n++] = m_line.m_received.front();
            m_line.m_received.pop_front();
        }
        return n;
    }
    bool waitReadable(uint32_t timeoutMs) override {
        check();
        m_line.moveDue();
        if (!m_line.m_received.empty())
            return true;
        VirtualClock& clock = m_line.m_clock;
        uint64_t limit = clock.now() + timeoutMs;
        if (!m_line.m_scheduled.empty() && m_line.m_scheduled.begin()->first <= limit) {
            clock.advanceTo(m_line.m_scheduled.begin()->first);
            m_line.moveDue();
            return true;
        }
        clock.advanceTo(limit);
        return false;
    }
    bool transmit(uint8_t byte) override {
        check();
        uint64_t now = m_line.m_clock.now();
        m_line.m_sent.push_back({now, byte});
        if (m_line.m_peer)
            m_line.m_peer->onHostByte(byte, now, m_line);
        return true;
    }
    uint32_t takeLineErrors() override {
        uint32_t flags = m_line.m_pendingErrors;
        m_line.m_pendingErrors = 0;
        if (m_line.m_disconnected)
            flags |= lineError::DeviceLost;
        return flags;
    }
    std::string name() const override { return "virtual line"; }

  private:
    void check() const {
        if (m_line.m_disconnected)
            throw GeneralCommunicationError();
    }
    VirtualLine& m_line;
};

void VirtualLine::deliver(const uint8_t* bytes, size_t count, uint64_t atMs, uint32_t perByteMs) {
    for (size_t i = 0; i < count; ++i) m_scheduled.emplace(atMs + i * perByteMs, bytes[i]);
}

void VirtualLine::moveDue() {
    uint64_t now = m_clock.now();
    while (!m_scheduled.empty() && m_scheduled.begin()->first <= now) {
        m_received.push_back(m_scheduled.begin()->second);
        m_scheduled.erase(m_scheduled.begin());
    }
}

std::vector<uint8_t> VirtualLine::sentBytes() const {
    std::vector<uint8_t> out;
    out.reserve(m_sent.size());
    for (const TimedByte& t : m_sent) out.push_back(t.byte);
    return out;
}

std::unique_ptr<SerialDevice> VirtualLine::openDevice() {
    if (m_open)
        throw PortInUseError(PortOpenCause::Busy, "virtual line", "the port is held by another program");
    if (m_disconnected)
        throw PortInUseError(PortOpenCause::NoSuchDevice, "virtual line", "no such device");
    m_open = true;
    ++m_openCount;
    return std::make_unique<VirtualSerialDevice>(*this);
}

std::unique_ptr<SerialDevice> VirtualPortOpener::open(unsigned portNumber) {
    if (m_onlyPort != 0 && portNumber != m_onlyPort)
        throw PortInUseError(PortOpenCause::NoSuchDevice, "COM" + std::to_string(portNumber),
                             "no such device");
    return m_line.openDevice();
}

}  // namespace vantrel

// A tap on the serial line: every byte sent and received, for the link monitor and the support trace.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/SerialDevice.h"

namespace vantrel {

class Clock;

/// Hears the raw bytes of every connection. It sees the line exactly as the port does and decodes it
/// with code of its own, so a framing fault in the link cannot hide from it. Calls come on the thread
/// that runs the exchange; an observer must not throw.
class LinkTap {
  public:
    virtual ~LinkTap() = default;
    /// A connection opened the device `name` at line time `ms`.
    virtual void portOpened(uint32_t ms, const std::string& name) = 0;
    virtual void portClosed(uint32_t ms) = 0;
    /// One byte handed to the driver.
    virtual void byteSent(uint32_t ms, uint8_t byte) = 0;
    /// Bytes taken from the driver (echo and radio answers alike).
    virtual void bytesReceived(uint32_t ms, const uint8_t* bytes, size_t count) = 0;
};

/// A serial device that reports its traffic to a tap; everything else goes to the device it wraps.
class TappedDevice : public SerialDevice {
  public:
    TappedDevice(std::unique_ptr<SerialDevice> device, LinkTap& tap, Clock& clock);
    ~TappedDevice() override;

    void applyLineSettings() override { m_device->applyLineSettings(); }
    void dropModemLines() override { m_device->dropModemLines(); }
    void discardInput() override { m_device->discardInput(); }
    size_t readAvailable(uint8_t* dst, size_t max) override;
    bool waitReadable(uint32_t timeoutMs) override { return m_device->waitReadable(timeoutMs); }
    bool transmit(uint8_t byte) override;
    uint32_t takeLineErrors() override { return m_device->takeLineErrors(); }
    std::string name() const override { return m_device->name(); }

  private:
    std::unique_ptr<SerialDevice> m_device;
    LinkTap& m_tap;
    Clock& m_clock;
};

}  // namespace vantrel

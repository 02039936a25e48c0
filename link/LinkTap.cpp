// The tapped serial device.
#include "link/LinkTap.h"

#include "link/Clock.h"

namespace vantrel {

TappedDevice::TappedDevice(std::unique_ptr<SerialDevice> device, LinkTap& tap, Clock& clock)
    : m_device(std::move(device)), m_tap(tap), m_clock(clock) {
    m_tap.portOpened(m_clock.tick(), m_device->name());
}

TappedDevice::~TappedDevice() {
    m_tap.portClosed(m_clock.tick());
}

size_t TappedDevice::readAvailable(uint8_t* dst, size_t max) {
    const size_t n = m_device->readAvailable(dst, max);
    if (n > 0)
        m_tap.bytesReceived(m_clock.tick(), dst, n);
    return n;
}

bool TappedDevice::transmit(uint8_t byte) {
    const bool taken = m_device->transmit(byte);
    if (taken)
        m_tap.byteSent(m_clock.tick(), byte);
    return taken;
}

}  // namespace vantrel

// The concrete serial port over a SerialDevice.
#include "link/Win32CommunicationPort.h"

#include <algorithm>

#include "link/CharacterTimer.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/LinkTap.h"

namespace vantrel {

namespace {
constexpr uint32_t kWritePauseMs = 175;
constexpr uint32_t kWriteNoEchoPauseMs = 110;
// Longest a driver may refuse a byte before the transmit queue counts as full.
constexpr uint32_t kTransmitRefusalLimitMs = 2000;
constexpr uint32_t kRate128000Code = 0x1FF00;
constexpr uint32_t kRate256000Code = 0x3FF00;
}  // namespace

void throwLineError(int64_t flags) {
    if (flags == 0)
        return;
    if (flags == -12)
        throw BaudRateSettingError();
    if (flags == -11)
        throw CharacterSizeSettingError();
    if (flags & lineError::Break)
        throw BreakDetected();
    if (flags & lineError::Framing)
        throw FramingError();
    if (flags & lineError::Overrun)
        throw OverrunError();
    if (flags & lineError::Parity)
        throw ParityError();
    if (flags & lineError::ReceiveOverflow)
        throw InputBufferFull();
    if (flags & lineError::TransmitFull)
        throw OutputBufferFull();
    throw GeneralCommunicationError();
}

Win32CommunicationPort::Win32CommunicationPort(unsigned portNumber, uint32_t lineRate, int parity,
                                               int dataBits, int stopBits, bool echoCheck)
    : m_echoCheck(echoCheck), m_portNumber(portNumber), m_clock(linkContext().lineClock()) {
    m_device = linkContext().portOpener().open(portNumber);
    if (LinkTap* tap = linkContext().tap)
        m_device = std::make_unique<TappedDevice>(std::move(m_device), *tap, m_clock);
    open(lineRate, parity, dataBits, stopBits);
}

Win32CommunicationPort::Win32CommunicationPort(std::unique_ptr<SerialDevice> device, Clock& clock,
                                               unsigned portNumber, uint32_t lineRate, int parity,
                                               int dataBits, int stopBits, bool echoCheck)
    : m_echoCheck(echoCheck), m_device(std::move(device)), m_portNumber(portNumber), m_clock(clock) {
    open(lineRate, parity, dataBits, stopBits);
}

Win32CommunicationPort::~Win32CommunicationPort() = default;

void Win32CommunicationPort::open(uint32_t lineRate, int parity, int dataBits, int stopBits) {
    m_device->dropModemLines();
    configure(lineRate, parity, dataBits, stopBits);
    m_device->discardInput();
    m_device->takeLineErrors();
}

void Win32CommunicationPort::apply() {
    // The line always runs at 9600 bit/s, 8 data bits, no parity, one stop bit, no flow control,
    // DTR and RTS off, whatever was asked.
    m_settings.rateField = 9600;
    m_settings.dataBits = 8;
    m_settings.parity = 0;
    m_settings.stopBits = 0;
    m_settings.dtr = false;
    m_settings.rts = false;
    m_settings.eofChar = 0x0A;
    m_device->applyLineSettings();
    m_device->dropModemLines();
}

void Win32CommunicationPort::configure(uint32_t lineRate, int parity, int dataBits, int stopBits) {
    m_settings.rateField = lineRate;
    if (parity >= 0 && parity <= 2)
        m_settings.parity = parity;
    if (dataBits < 4 || dataBits > 8)
        throw CharacterSizeSettingError();
    m_settings.dataBits = dataBits;
    if (stopBits >= 0 && stopBits <= 2)
        m_settings.stopBits = stopBits;
    apply();
}

void Win32CommunicationPort::setLineRate(uint32_t rate) {
    m_settings.rateField = rate;
    apply();
}

uint32_t Win32CommunicationPort::lineRate() const {
    if (m_settings.rateField == kRate128000Code)
        return 128000;
    if (m_settings.rateField == kRate256000Code)
        return 256000;
    return m_settings.rateField;
}

void Win32CommunicationPort::setParity(int parity) {
    if (parity >= 0 && parity <= 2)
        m_settings.parity = parity;
    apply();
}

void Win32CommunicationPort::setDataBits(int bits) {
    if (bits < 4 || bits > 8)
        throw CharacterSizeSettingError();
    m_settings.dataBits = bits;
    apply();
}

void Win32CommunicationPort::setStopBits(int code) {
    if (code >= 0 && code <= 2)
        m_settings.stopBits = code;
    apply();
}

double Win32CommunicationPort::bitsPerCharacter() const {
    static constexpr double kStopBits[] = {1.0, 1.5, 2.0};
    return m_settings.dataBits + m_settings.parity + 1 + kStopBits[m_settings.stopBits];
}

double Win32CommunicationPort::characterTime() {
    return bitsPerCharacter() / lineRate();
}

void Win32CommunicationPort::idle() {
    if (linkContext().idleHook)
        linkContext().idleHook();
}

void Win32CommunicationPort::send(const uint8_t* bytes, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        uint32_t started = m_clock.tick();
        uint32_t lastIdle = started;
        while (!m_device->transmit(bytes[i])) {
            if (m_clock.tick() - started > kTransmitRefusalLimitMs)
                throw OutputBufferFull();
            if (m_clock.tick() - lastIdle >= kIdleSliceMs) {
                idle();
                lastIdle = m_clock.tick();
            }
            m_clock.sleep(1);
        }
    }
}

void Win32CommunicationPort::pause(uint32_t ms) {
    m_clock.sleepIdle(ms, linkContext().idleHook);
}

void Win32CommunicationPort::write(const uint8_t* bytes, unsigned count) {
    send(bytes, count);
    pause(kWritePauseMs);
    if (!m_echoCheck)
        return;
    waitForBytes(count, 1);
    std::vector<uint8_t> echo(count);
    int got = read(echo.data(), static_cast<int>(count));
    if (got != static_cast<int>(count) || !std::equal(echo.begin(), echo.end(), bytes))
        throw DataCollision();
}

void Win32CommunicationPort::writeNoEcho(const uint8_t* bytes, unsigned count) {
    send(bytes, count);
    pause(kWriteNoEchoPauseMs);
}

void Win32CommunicationPort::drainDevice() {
    uint8_t chunk[256];
    for (;;) {
        size_t n = m_device->readAvailable(chunk, sizeof chunk);
        m_queue.insert(m_queue.end(), chunk, chunk + n);
        if (n < sizeof chunk)
            break;
    }
    uint32_t errors = m_device->takeLineErrors();
    if (errors & lineError::DeviceLost)
        throw GeneralCommunicationError();
    m_pendingErrors |= errors;
}

int Win32CommunicationPort::read(uint8_t* destination, int count) {
    if (count <= 0)
        return 0;
    // 0x14 is never a valid acknowledge byte: the frame layer relies on it after an empty read.
    destination[0] = 0x14;
    drainDevice();
    if (m_pendingErrors != 0) {
        uint32_t errors = m_pendingErrors;
        m_pendingErrors = 0;
        m_queue.clear();
        throwLineError(errors);
    }
    int n = 0;
    while (n < count && !m_queue.empty()) {
        destination[n++] = m_queue.front();
        m_queue.pop_front();
    }
    return n;
}

void Win32CommunicationPort::purgeInput() {
    m_device->discardInput();
    m_queue.clear();
    m_pendingErrors = 0;
    m_device->takeLineErrors();
}

unsigned Win32CommunicationPort::bytesWaiting() {
    drainDevice();
    return static_cast<unsigned>(m_queue.size());
}

uint32_t Win32CommunicationPort::waitForBytes(unsigned count, uint32_t maxIdle) {
    // Silence is counted in whole character periods; it only matters while what is awaited is still
    // incomplete. Once the bytes are in, the wait is over: no further period is slept.
    const uint32_t period = std::max<uint32_t>(CharacterTimer(m_clock, characterTime()).periodMs(), 1);
    unsigned seen = bytesWaiting();
    uint32_t lastArrival = m_clock.tick();
    uint32_t idleCount = 0;
    while (seen < count) {
        uint32_t silentMs = m_clock.tick() - lastArrival;
        idleCount = silentMs / period;
        if (idleCount >= maxIdle)
            throw TimeoutOnReceive();
        uint32_t remaining = (maxIdle - idleCount) * period - silentMs % period;
        if (linkContext().idleHook) {
            idle();
            remaining = std::min(remaining, m_clock.idleSliceMs());
        }
        const uint32_t before = m_clock.tick();
        if (!m_device->waitReadable(remaining))
            m_clock.noteWake(remaining, m_clock.tick() - before);
        unsigned now = bytesWaiting();
        if (now != seen) {
            seen = now;
            idleCount = (m_clock.tick() - lastArrival) / period;
            lastArrival = m_clock.tick();
        }
    }
    return idleCount;
}

uint8_t Win32CommunicationPort::readByte(uint32_t maxIdle) {
    waitForByte(maxIdle);
    uint8_t b = 0;
    read(&b, 1);
    return b;
}

void Win32CommunicationPort::readBytes(uint8_t* destination, unsigned count, uint32_t maxIdle) {
    if (count == 0)
        return;
    waitForBytes(count, maxIdle);
    read(destination, static_cast<int>(count));
}

uint16_t Win32CommunicationPort::readWord16(uint32_t maxIdle) {
    waitForBytes(2, maxIdle);
    uint8_t b[2] = {0, 0};
    read(b, 2);
    return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

int Win32CommunicationPort::peekByte(unsigned index) {
    drainDevice();
    return index < m_queue.size() ? m_queue[index] : -1;
}

}  // namespace vantrel

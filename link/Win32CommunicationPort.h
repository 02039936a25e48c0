// The concrete serial port: fixed 9600 8N1 line, exclusive open, character-timed waits.
#pragma once

#include <deque>
#include <memory>

#include "link/Clock.h"
#include "link/CommunicationPort.h"
#include "link/SerialDevice.h"

namespace vantrel {

/// Line settings as the port keeps them (the classic device-control block, reduced to what we use).
struct LineSettings {
    uint32_t rateField = 9600;  // bit/s, or a special code (0x1FF00 = 128000, 0x3FF00 = 256000)
    int dataBits = 8;
    int parity = 0;    // 0 none, 1 odd, 2 even
    int stopBits = 0;  // 0 one, 1 one and a half, 2 two
    bool dtr = false;
    bool rts = false;
    uint8_t eofChar = 0x0A;
};

/// Throws the exception for a line error value: 0 nothing, -12 BaudRateSettingError,
/// -11 CharacterSizeSettingError, then break, framing, overrun, parity, receive overflow,
/// transmit full in that order, anything else GeneralCommunicationError.
void throwLineError(int64_t flags);

/// The serial port of one connection. Owns the device; destroying the port closes it.
/// Every wait and pause blocks (no busy loop) and calls the link context's idle hook at least every
/// kIdleSliceMs.
class Win32CommunicationPort : public CommunicationPort {
  public:
    /// Opens COM<portNumber> through the link context's opener and clock. Throws PortInUseError.
    Win32CommunicationPort(unsigned portNumber, uint32_t lineRate, int parity, int dataBits, int stopBits,
                           bool echoCheck);
    /// Uses an already open device (tests, --device).
    Win32CommunicationPort(std::unique_ptr<SerialDevice> device, Clock& clock, unsigned portNumber,
                           uint32_t lineRate, int parity, int dataBits, int stopBits, bool echoCheck);
    ~Win32CommunicationPort() override;

    void write(const uint8_t* bytes, unsigned count) override;
    void writeNoEcho(const uint8_t* bytes, unsigned count) override;
    int read(uint8_t* destination, int count) override;
    void purgeInput() override;
    unsigned bytesWaiting() override;
    double characterTime() override;

    unsigned portNumber() const override { return m_portNumber; }
    void configure(uint32_t lineRate, int parity, int dataBits, int stopBits) override;
    void setLineRate(uint32_t rate) override;
    uint32_t lineRate() const override;
    void setParity(int parity) override;
    int parity() const override { return m_settings.parity; }
    void setDataBits(int bits) override;
    int dataBits() const override { return m_settings.dataBits; }
    void setStopBits(int code) override;
    int stopBits() const override { return m_settings.stopBits; }
    double bitsPerCharacter() const override;

    /// Waits until at least count bytes are queued, tolerating at most maxIdle character times of
    /// silence between arrivals (TimeoutOnReceive otherwise), and returns as soon as they are: at once
    /// when they are already in. Returns the idle count of the last wait.
    uint32_t waitForBytes(unsigned count, uint32_t maxIdle);
    uint32_t waitForByte(uint32_t maxIdle) { return waitForBytes(1, maxIdle); }
    uint8_t readByte(uint32_t maxIdle);
    void readBytes(uint8_t* destination, unsigned count, uint32_t maxIdle);
    uint16_t readWord16(uint32_t maxIdle);
    /// The queued byte at index (0 = next to be read) without consuming it; -1 when not there yet.
    int peekByte(unsigned index);

    Clock& clock() { return m_clock; }
    const LineSettings& settings() const { return m_settings; }
    bool echoCheck() const { return m_echoCheck; }

  private:
    void open(uint32_t lineRate, int parity, int dataBits, int stopBits);
    void apply();
    void send(const uint8_t* bytes, unsigned count);
    void drainDevice();
    void idle();
    /// The pause after a frame: the idle hook keeps running through it.
    void pause(uint32_t ms);

    bool m_echoCheck;
    LineSettings m_settings;
    std::unique_ptr<SerialDevice> m_device;
    unsigned m_portNumber;
    Clock& m_clock;
    std::deque<uint8_t> m_queue;
    uint32_t m_pendingErrors = 0;
};

}  // namespace vantrel

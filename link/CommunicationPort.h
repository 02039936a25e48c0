// The abstract byte transport and line-setting interfaces of a serial port.
#pragma once

#include <cstdint>

namespace vantrel {

/// Byte transport: send, receive, purge, count, character time.
class CommunicationInterface {
  public:
    virtual ~CommunicationInterface() = default;
    /// Sends the bytes, pauses 175 ms, then (echo check set) reads back and compares the echo.
    virtual void write(const uint8_t* bytes, unsigned count) = 0;
    /// Sends the bytes and pauses 110 ms.
    virtual void writeNoEcho(const uint8_t* bytes, unsigned count) = 0;
    /// Reads up to count bytes that have arrived; returns how many (0 leaves 0x14 in destination[0]).
    virtual int read(uint8_t* destination, int count) = 0;
    /// Discards the receive queue.
    virtual void purgeInput() = 0;
    /// Number of received bytes not yet read.
    virtual unsigned bytesWaiting() = 0;
    /// Seconds one character takes on the line (bitsPerCharacter / lineRate).
    virtual double characterTime() = 0;
};

/// Line settings. The concrete port applies fixed settings (9600 8N1) whatever is set.
class CommunicationPort : public CommunicationInterface {
  public:
    virtual unsigned portNumber() const = 0;
    virtual void configure(uint32_t lineRate, int parity, int dataBits, int stopBits) = 0;
    virtual void setLineRate(uint32_t rate) = 0;
    virtual uint32_t lineRate() const = 0;
    /// 0 none, 1 odd, 2 even; other values leave the setting unchanged.
    virtual void setParity(int parity) = 0;
    virtual int parity() const = 0;
    /// 4 to 8, else CharacterSizeSettingError.
    virtual void setDataBits(int bits) = 0;
    virtual int dataBits() const = 0;
    /// 0 one, 1 one and a half, 2 two; other values leave it unchanged.
    virtual void setStopBits(int code) = 0;
    virtual int stopBits() const = 0;
    virtual double bitsPerCharacter() const = 0;
};

}  // namespace vantrel

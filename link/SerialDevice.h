// The small device interface under the serial port: a termios device in production, a virtual line in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vantrel {

/// Line error flags as the port's error mapping understands them (bit values of the classic
/// clear-communication-error call).
namespace lineError {
constexpr uint32_t ReceiveOverflow = 0x0001;
constexpr uint32_t Overrun = 0x0002;
constexpr uint32_t Parity = 0x0004;
constexpr uint32_t Framing = 0x0008;
constexpr uint32_t Break = 0x0010;
constexpr uint32_t TransmitFull = 0x0100;
/// Pseudo flag: the device went away (cable pulled, pty closed, read failed).
constexpr uint32_t DeviceLost = 0x8000;
}  // namespace lineError

/// One open serial device. All calls are non-blocking except waitReadable().
/// Failures of the calls a serial device must support throw GeneralCommunicationError (or the
/// setting errors); optional features a device lacks (modem lines, error counters) are skipped.
class SerialDevice {
  public:
    virtual ~SerialDevice() = default;
    /// Raw mode, 9600 bit/s, 8 data bits, no parity, 1 stop bit, no flow control.
    virtual void applyLineSettings() = 0;
    /// Holds DTR and RTS off.
    virtual void dropModemLines() = 0;
    /// Discards everything received and not yet read.
    virtual void discardInput() = 0;
    /// Moves up to max received bytes into dst without waiting; returns how many.
    virtual size_t readAvailable(uint8_t* dst, size_t max) = 0;
    /// Blocks until input arrives or timeoutMs pass; true when input may be ready.
    virtual bool waitReadable(uint32_t timeoutMs) = 0;
    /// Hands one byte to the driver for immediate transmission; false when it cannot take it now.
    virtual bool transmit(uint8_t byte) = 0;
    /// Returns and clears the pending line error flags (lineError bits).
    virtual uint32_t takeLineErrors() = 0;
    /// A name for messages ("/dev/ttyUSB0").
    virtual std::string name() const = 0;
};

/// Maps a COM port number (1 to 4) to an open device. Throws PortInUseError with the real cause.
class PortOpener {
  public:
    virtual ~PortOpener() = default;
    virtual std::unique_ptr<SerialDevice> open(unsigned portNumber) = 0;
};

}  // namespace vantrel

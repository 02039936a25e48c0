// The serial device on POSIX termios, and the opener that maps COM1..COM4 to device paths.
#pragma once

#include <string>

#include "link/SerialDevice.h"

namespace vantrel {

/// A termios serial device (on-board UART, USB adapter, pseudo-terminal), opened exclusively.
/// Exclusivity: TIOCEXCL plus a non-blocking advisory lock, so a second open fails even for root.
/// Opening never raises DTR or RTS for longer than the driver forces: the device is opened
/// non-blocking, HUPCL is cleared and both lines are dropped at once.
class PosixSerialDevice : public SerialDevice {
  public:
    /// Opens path. Throws PortInUseError carrying the real cause.
    explicit PosixSerialDevice(const std::string& path);
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    void applyLineSettings() override;
    void dropModemLines() override;
    void discardInput() override;
    size_t readAvailable(uint8_t* dst, size_t max) override;
    bool waitReadable(uint32_t timeoutMs) override;
    bool transmit(uint8_t byte) override;
    uint32_t takeLineErrors() override;
    std::string name() const override { return m_path; }

  private:
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    bool readCounters(Counters& out);

    std::string m_path;
    int m_fd = -1;
    bool m_lost = false;
    bool m_countersSupported = true;
    Counters m_counters;
};

/// Maps COM<n> to a device: the environment variable VANTREL_COM<n> when set, else the adapter the
/// mapping file of the link context's settings folder names, else /dev/ttyS<n-1> (see routeOf).
class PosixPortOpener : public PortOpener {
  public:
    std::unique_ptr<SerialDevice> open(unsigned portNumber) override;
    /// The device path COM<n> maps to, with the mapping of the link context's settings folder.
    static std::string devicePath(unsigned portNumber);
};

/// Opens one fixed device path whatever port number is asked (the command-line tool's --device).
class FixedPathOpener : public PortOpener {
  public:
    explicit FixedPathOpener(std::string path) : m_path(std::move(path)) {}
    std::unique_ptr<SerialDevice> open(unsigned) override;

  private:
    std::string m_path;
};

}  // namespace vantrel

// The byte paths to an instrument: a TCP socket, a serial line, a USBTMC device file. Lines in, lines out,
// every call bounded in time and in size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/Clock.h"
#include "link/SerialDevice.h"

namespace vantrel {

/// Longest reply line taken from an instrument, terminator excluded. An identity or a number is far
/// shorter; a longer line is a runaway or a binary block and is refused.
inline constexpr std::size_t kMaxReplyLine = 512;

/// One line-oriented connection to an instrument. Not thread-safe: one caller at a time.
class ScpiTransport {
  public:
    virtual ~ScpiTransport() = default;
    /// Sends `line` followed by a newline. Throws InstrumentError (Timeout when the instrument does not
    /// take it within timeoutMs, Disconnected when the path is gone).
    virtual void writeLine(const std::string& line, uint32_t timeoutMs) = 0;
    /// Reads one line ('\n' terminated; a '\r' before it is dropped) within timeoutMs in all, however
    /// slowly its bytes come. Throws InstrumentError: Timeout, Disconnected, or BadReply for a line
    /// longer than kMaxReplyLine or holding control or non-ASCII bytes (the rest of such a line is
    /// discarded before the next command).
    virtual std::string readLine(uint32_t timeoutMs) = 0;
    /// Drops whatever has arrived and not been read (a late answer to an earlier, timed-out query).
    virtual void discardInput() = 0;
    /// "tcp 127.0.0.1:5025", "serial /dev/ttyUSB0", "usbtmc /dev/usbtmc0".
    virtual std::string describe() const = 0;
};

/// Assembles lines from raw bytes with the limits every transport shares.
class LineAssembler {
  public:
    enum class Result { Incomplete, Line, Refused };
    /// Takes one byte. Line: `line()` holds a complete line. Refused: the line broke a rule; `why()` says
    /// which, and bytes are skipped up to its newline.
    Result take(uint8_t byte);
    const std::string& line() const { return m_line; }
    const std::string& why() const { return m_why; }
    /// Gives up the line being received (after a timeout or a discard): the rest of a line already begun
    /// is skipped through its newline, so its tail is never taken for the next answer.
    void abandonLine();
    /// Whether a refused line's bytes are still being skipped.
    bool skipping() const { return m_skipping; }

  private:
    std::string m_line;
    std::string m_why;
    bool m_skipping = false;
    bool m_complete = false;
};

/// SCPI over a raw TCP socket (port 5025 on most instruments).
class TcpTransport : public ScpiTransport {
  public:
    /// Connects to host:port (a numeric address or a name) within timeoutMs. Throws InstrumentError.
    TcpTransport(const std::string& host, uint16_t port, uint32_t timeoutMs, Clock& clock);
    ~TcpTransport() override;
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;
    void writeLine(const std::string& line, uint32_t timeoutMs) override;
    std::string readLine(uint32_t timeoutMs) override;
    void discardInput() override;
    std::string describe() const override;

  private:
    int m_fd = -1;
    std::string m_where;
    Clock& m_clock;
    LineAssembler m_lines;
    std::string m_pending;  ///< bytes received after the last line handed out
};

/// SCPI over a serial line, through the serial device seam (a termios device or a test double).
class SerialTransport : public ScpiTransport {
  public:
    /// Takes the device, already set up for the instrument's line settings.
    SerialTransport(std::unique_ptr<SerialDevice> device, Clock& clock);
    void writeLine(const std::string& line, uint32_t timeoutMs) override;
    std::string readLine(uint32_t timeoutMs) override;
    void discardInput() override;
    std::string describe() const override;

  private:
    std::unique_ptr<SerialDevice> m_device;
    Clock& m_clock;
    LineAssembler m_lines;
    std::string m_pending;
};

/// SCPI through a USBTMC device file (/dev/usbtmcN). The kernel driver bounds each transfer by its own
/// timeout, which is set to the call's; on a file without the driver's controls (a pseudo-terminal in
/// tests) reads are bounded by poll instead.
class UsbtmcTransport : public ScpiTransport {
  public:
    /// Opens the device file read-write. Throws InstrumentError.
    UsbtmcTransport(const std::string& path, Clock& clock);
    ~UsbtmcTransport() override;
    UsbtmcTransport(const UsbtmcTransport&) = delete;
    UsbtmcTransport& operator=(const UsbtmcTransport&) = delete;
    void writeLine(const std::string& line, uint32_t timeoutMs) override;
    std::string readLine(uint32_t timeoutMs) override;
    void discardInput() override;
    std::string describe() const override;

  private:
    bool setDriverTimeout(uint32_t timeoutMs);
    int m_fd = -1;
    std::string m_path;
    Clock& m_clock;
    bool m_driver = false;  ///< the usbtmc driver's timeout control works on this file
    LineAssembler m_lines;
    std::string m_pending;
};

/// Serial line settings of one instrument (they are its own, not the radio's).
struct SerialLineSettings {
    uint32_t baud = 9600;  ///< one of the standard rates 1200 to 230400
    int dataBits = 8;      ///< 7 or 8
    char parity = 'N';     ///< 'N', 'E' or 'O'
    int stopBits = 1;      ///< 1 or 2
    bool rtsCts = false;   ///< hardware flow control
    /// "9600 8N1", "19200 7E2 rtscts"; throws InstrumentError (Config) for anything else.
    static SerialLineSettings parse(const std::string& text);
    std::string toString() const;
};

/// A termios serial device with an instrument's own line settings; opened exclusively, modem lines
/// left as the settings need them.
std::unique_ptr<SerialDevice> openInstrumentSerial(const std::string& path,
                                                   const SerialLineSettings& settings);

}  // namespace vantrel

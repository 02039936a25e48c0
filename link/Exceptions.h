// The closed family of link failures: what the serial port and the SBEP frame layer throw.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

/// Root of every failure the link raises. Never thrown itself.
class Exception {
  public:
    virtual ~Exception() = default;
    /// A short English description of the kind of failure.
    virtual std::string what() const { return "link failure"; }

    /// One line for a technician: the kind of failure, the request it ended and what the radio sent,
    /// e.g. "no answer from the radio to the serial number request after 4 attempts". Without a noted
    /// request it is what().
    std::string describe() const;

    /// The frame layer notes the request a failure ended ("serial number request") and how often the
    /// request was sent.
    void noteRequest(std::string request, unsigned attempts) {
        m_request = std::move(request);
        m_attempts = attempts;
    }
    /// What arrived instead of the expected reply, in words or hex bytes.
    void noteArrived(std::string arrived) { m_arrived = std::move(arrived); }
    /// Nothing at all came back after the echo of the request.
    void noteNoAnswer() { m_noAnswer = true; }

    const std::string& request() const { return m_request; }
    unsigned attempts() const { return m_attempts; }
    const std::string& arrived() const { return m_arrived; }
    bool noAnswer() const { return m_noAnswer; }

  private:
    std::string m_request;
    unsigned m_attempts = 0;
    std::string m_arrived;
    bool m_noAnswer = false;
};

inline std::string Exception::describe() const {
    if (m_request.empty())
        return m_arrived.empty() ? what() : what() + ": " + m_arrived;
    const std::string times = std::to_string(m_attempts) + (m_attempts == 1 ? " attempt" : " attempts");
    if (m_noAnswer)
        return "no answer from the radio to the " + m_request + " after " + times;
    std::string text = what() + " (" + m_request + ", " + times + ")";
    if (!m_arrived.empty())
        text += ": " + m_arrived;
    return text;
}

/// Any failure on the way to or from the radio. Callers that started an exchange catch this and show
/// their own radio-communication message. All kinds except UnsupportedMessage are retried by the
/// frame layer (at most four attempts) before they reach the caller.
class CommunicationError : public Exception {
  public:
    std::string what() const override { return "communication error"; }
};

/// Why a port could not be opened. The user always sees "COM Port is currently in use by another
/// application"; the cause lets the application and the command-line tool add one line of detail.
enum class PortOpenCause { Busy, PermissionDenied, NoSuchDevice, NotASerialDevice, Other };

/// The port could not be opened (held by another program, no such device, no permission...).
/// Callers show the port-in-use message and abandon the operation; nothing was sent.
class PortInUseError : public CommunicationError {
  public:
    PortInUseError() = default;
    PortInUseError(PortOpenCause cause, std::string device, std::string detail)
        : m_cause(cause), m_device(std::move(device)), m_detail(std::move(detail)) {}
    PortOpenCause cause() const { return m_cause; }
    const std::string& device() const { return m_device; }
    /// One line for the technician, e.g. "permission denied: add the user to the dialout group".
    const std::string& detail() const { return m_detail; }
    std::string what() const override { return "port in use: " + m_detail; }

  private:
    PortOpenCause m_cause = PortOpenCause::Other;
    std::string m_device;
    std::string m_detail;
};

#define VANTREL_LINK_ERROR(Name, Base, Text)               \
    class Name : public Base {                             \
      public:                                              \
        std::string what() const override { return Text; } \
    };

VANTREL_LINK_ERROR(BaudRateSettingError, CommunicationError, "line rate refused")
VANTREL_LINK_ERROR(CharacterSizeSettingError, CommunicationError, "character size refused")
VANTREL_LINK_ERROR(BreakDetected, CommunicationError, "break detected on the line")
VANTREL_LINK_ERROR(FramingError, CommunicationError, "framing error on the line")
VANTREL_LINK_ERROR(OverrunError, CommunicationError, "receive overrun")
VANTREL_LINK_ERROR(ParityError, CommunicationError, "parity error on the line")
VANTREL_LINK_ERROR(InputBufferFull, CommunicationError, "receive queue overflow")
VANTREL_LINK_ERROR(OutputBufferFull, CommunicationError, "transmit queue full")
VANTREL_LINK_ERROR(GeneralCommunicationError, CommunicationError, "general communication error")
VANTREL_LINK_ERROR(DataCollision, CommunicationError, "echo differs from what was sent")
VANTREL_LINK_ERROR(TimeoutOnReceive, CommunicationError, "the radio did not answer in time")
/// Failures of the SBEP frame layer: a reply that is not what the request expects.
VANTREL_LINK_ERROR(RadioProtocolError, CommunicationError, "radio protocol error")
/// Wrong opcode, wrong length, wrong checksum or a reply for another softpot. Retried.
VANTREL_LINK_ERROR(BadReply, RadioProtocolError, "bad reply from the radio")
/// The radio answered the request with something other than the acknowledge. Retried.
VANTREL_LINK_ERROR(MessageNotAcknowledged, RadioProtocolError, "request not acknowledged")
/// The radio answered 0x86: it does not support the request. Never retried.
VANTREL_LINK_ERROR(UnsupportedMessage, RadioProtocolError, "request not supported by the radio")

#undef VANTREL_LINK_ERROR

/// The radio refused a memory write (reply 0x85) at the address it names.
class BadWrite : public RadioProtocolError {
  public:
    explicit BadWrite(uint32_t address) : m_address(address) {}
    uint32_t address() const { return m_address; }
    std::string what() const override { return "memory write refused"; }

  private:
    uint32_t m_address;
};

/// The program was asked to stop (SIGINT, SIGTERM) between two exchanges. Not a link failure: the radio
/// answered everything so far. The caller resets the radio and ends the operation.
class OperationInterrupted : public Exception {
  public:
    explicit OperationInterrupted(int signal) : m_signal(signal) {}
    int signal() const { return m_signal; }
    std::string what() const override { return "interrupted by signal " + std::to_string(m_signal); }

  private:
    int m_signal;
};

/// A data reply whose declared length differs from what arrived ("comm error"). Deliberately outside
/// the CommunicationError family: it is not retried. Every caller that catches CommunicationError
/// also catches this and shows its own link-failure message.
class ReplyLengthError : public Exception {
  public:
    std::string what() const override { return "comm error"; }
};

}  // namespace vantrel

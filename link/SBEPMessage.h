// SBEP frames: building, reading replies, the shared receive buffer, and the exchange with its retries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Win32CommunicationPort.h"

namespace vantrel {

class SupportNotes;
class Exception;

/// Opcodes and frame constants of SBEP.
namespace sbep {
constexpr uint8_t Ack = 0x05;
constexpr uint8_t Nak = 0x06;
constexpr uint8_t AckFrame = 0x50;
constexpr uint8_t MemoryReadReply = 0x80;
constexpr uint8_t MemoryWriteReply = 0x84;
constexpr uint8_t MemoryWriteRefused = 0x85;
constexpr uint8_t Unsupported = 0x86;
constexpr uint8_t BboReply = 0x88;
constexpr uint8_t SoftpotReply = 0x8A;
constexpr uint8_t ExtendedMarker = 0x0F;  // header nibble meaning "extended opcode" or "extended count"
constexpr uint8_t ResetOpcode = 0x10;
/// Maximum attempts of one request (the first plus three retries).
constexpr uint32_t MaxAttempts = 4;
/// Size of the raw reply buffers callers pass in.
constexpr size_t ReplyBufferSize = 50;

/// Silence limits, in character times.
constexpr uint32_t EchoStartLimit = 10;
constexpr uint32_t EchoSilencePerByte = 250;
constexpr uint32_t AckSilence = 250;
constexpr uint32_t DataReplySilence = 10250;
constexpr uint32_t SeparateReplySilence = 20000;
constexpr uint32_t DiscardReplySilence = 250;

/// Builds a complete frame for opcode and payload (header, extended fields, payload, checksum).
std::vector<uint8_t> buildFrame(uint8_t opcode, const uint8_t* payload, size_t length);
/// 0xFF minus the 8-bit sum of the bytes.
uint8_t checksum(const uint8_t* bytes, size_t count);
/// What a technician calls the request in a frame: "serial number request", "softpot 0 table program
/// request", "tuning block request".
std::string requestName(const uint8_t* frame, size_t length);
/// "F2 19 00 F4"; "nothing" for no bytes.
std::string hexBytes(const uint8_t* bytes, size_t count);
/// Length of the header fields (header, extended opcode, extended count) of a frame starting with b0.
size_t headerLength(uint8_t b0);
/// The opcode of a frame: its extended opcode byte, or the header's high nibble.
uint8_t frameOpcode(const uint8_t* frame);
}  // namespace sbep

/// What a data reply must be before its bytes reach the caller as the radio's answer to the request.
struct DataReplyRule {
    /// The reply opcode the request expects; -1 for identity-type replies, whose opcode is the radio's
    /// choice: then any opcode except a refusal, a negative acknowledge or the opcode of another kind of
    /// reply (memory, baseband offsets, softpot).
    int opcode = -1;
    /// The payload starts with these bytes: the sub-code, softpot number, item code or address the radio
    /// echoes.
    std::vector<uint8_t> echo;
    /// Payload bytes the caller takes, the echo included; with `exact` the payload has exactly this many.
    size_t payload = 0;
    bool exact = false;
    /// Header length (2: short count, 4: extended count) the caller's fixed frame positions assume; 0
    /// when the caller reads either form.
    size_t header = 0;
    /// A well-formed reply of another opcode means "the radio has none of these" (the baseband offset
    /// probe) instead of a bad reply.
    bool otherOpcodeMeansNone = false;
};

namespace sbep {
/// The one check of every data reply whose bytes a caller takes. `frame` holds `length` received bytes.
/// Throws UnsupportedMessage for the radio's refusal (0x86), BadReply for a negative acknowledge, a
/// reply of another request (opcode, echo, frame form) or one too short for what the caller takes; the
/// failure notes the bytes that arrived. Answers false only for a reply of another opcode under
/// `otherOpcodeMeansNone`, true when the reply meets the rule.
bool checkDataReply(const DataReplyRule& rule, const uint8_t* frame, size_t length);
}  // namespace sbep

/// A sequence of bytes.
class ByteSequence {
  public:
    virtual size_t size() const = 0;
    virtual const uint8_t* bytes() const = 0;
    virtual ~ByteSequence() = default;
};

/// A frame. Copies share the same bytes (the last copy frees them).
class ProtocolMessage : public ByteSequence {
  public:
    size_t size() const override { return m_frame ? m_frame->size() : 0; }
    const uint8_t* bytes() const override { return m_frame ? m_frame->data() : nullptr; }
    virtual void exchange(Win32CommunicationPort& port) = 0;
    virtual void send(Win32CommunicationPort& port) = 0;

  protected:
    ProtocolMessage() = default;
    explicit ProtocolMessage(std::vector<uint8_t> frame)
        : m_frame(std::make_shared<std::vector<uint8_t>>(std::move(frame))) {}
    std::shared_ptr<std::vector<uint8_t>> m_frame;
};

/// The receive buffer shared by all exchanges (one exchange at a time): the echo of the request at
/// 0 .. offset-1, the acknowledge at offset, the data reply (if any) from offset + 1.
class ReceiveBuffer {
  public:
    static constexpr size_t Size = 50;
    /// Room for a long echo (memory writes) on top of the classic 50 bytes.
    static constexpr size_t Capacity = 160;

    void clear();
    uint8_t* raw() { return m_bytes; }
    const uint8_t* raw() const { return m_bytes; }
    size_t offset() const { return m_offset; }
    void setOffset(size_t offset) { m_offset = offset; }
    /// Bytes of data reply the buffer keeps after the acknowledge.
    size_t dataRoom() const;

    bool dataReplyPresent() const { return m_bytes[m_offset + 1] != 0; }
    /// The data reply is the radio's refusal (opcode 0x86).
    bool dataReplyUnsupported() const;
    /// Payload byte i of the data reply.
    uint8_t dataReplyByte(size_t i) const;
    uint8_t dataReplyValue8() const { return dataReplyByte(1); }
    uint16_t dataReplyValue16() const;
    uint32_t dataReplyValue32() const;
    /// Copies the raw data reply frame (header first) into a 50-byte buffer.
    void copyDataReply(uint8_t* buffer) const;
    /// Stores a reply that was read separately where a data reply arriving with the acknowledge goes.
    void storeDataReply(const uint8_t* frame, size_t length);

  private:
    uint8_t m_bytes[Capacity] = {};
    size_t m_offset = 0;
};

/// The receive buffer of this thread (the user-interface thread in the application).
ReceiveBuffer& receiveBuffer();

/// One reply frame received from the radio.
class SBEPReply : public ByteSequence {
  public:
    explicit SBEPReply(std::vector<uint8_t> frame) : m_frame(std::move(frame)) {}
    size_t size() const override { return m_frame.size(); }
    const uint8_t* bytes() const override { return m_frame.data(); }
    uint8_t opcode() const;
    /// Payload length (count minus the checksum), 0 for a one-byte frame.
    size_t dataLength() const;
    /// The payload bytes.
    const uint8_t* data() const;
    void copyData(uint8_t* destination) const;

  private:
    std::vector<uint8_t> m_frame;
};

/// How a reply reader checks the opcode.
struct ReplyAcceptance {
    enum class Kind { Any, Expected, List } kind = Kind::Any;
    uint8_t expected = 0;
    std::vector<uint8_t> accepted;
    static ReplyAcceptance any() { return {}; }
    static ReplyAcceptance expect(uint8_t op) { return {Kind::Expected, op, {}}; }
    static ReplyAcceptance list(std::initializer_list<uint8_t> ops) { return {Kind::List, 0, ops}; }
};

/// Reads one reply frame: first bytes within firstByteLimit character times, the rest with at most
/// maxIdle character times of silence. Throws BadReply for a refused opcode or a wrong checksum,
/// TimeoutOnReceive when the radio goes quiet.
SBEPReply readReplyFrame(Win32CommunicationPort& port, uint32_t firstByteLimit, uint32_t maxIdle,
                         const ReplyAcceptance& acceptance);

/// A request to the radio and the exchange that carries it. One object serves one operation: its
/// attempt counter is never reset, so it is sent at most four times in all.
class SBEPMessage : public ProtocolMessage {
  public:
    SBEPMessage(uint8_t opcode, const uint8_t* payload, size_t length);
    SBEPMessage(uint8_t opcode, std::initializer_list<uint8_t> payload);

    uint8_t opcode() const { return m_opcode; }
    uint32_t attempts() const { return m_attempts; }

    /// Exchange sent with writeNoEcho; without a data reply, awaitReply.
    void exchange(Win32CommunicationPort& port) override;
    /// Retrying exchange.
    void send(Win32CommunicationPort& port) override;
    /// Exchange sent with write; the data reply frame is copied into buffer (50 bytes).
    virtual void exchangeInto(Win32CommunicationPort& port, uint8_t* buffer);
    /// Exchange sent with write; then awaitReplyNoted.
    virtual void exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag);
    /// Nothing here; the softpot read overrides it.
    virtual void exchangeFirst(Win32CommunicationPort& port, SupportNotes& notes, int flag);
    virtual void sendInto(Win32CommunicationPort& port, uint8_t* buffer);
    virtual void sendNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag);
    /// exchangeFirst once, then on a retryable failure the retrying sendNoted.
    virtual void sendFirst(Win32CommunicationPort& port, SupportNotes& notes, int flag);
    /// Reads one more reply within 250 character times and discards it; ignores every failure.
    virtual void awaitReply(Win32CommunicationPort& port);
    /// Reads a separate reply (20000 character times) and copies its first 24 bytes into buffer.
    virtual void awaitReplyInto(Win32CommunicationPort& port, uint8_t* buffer);
    virtual void awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag);
    /// Returns 1 when the failure was handled by resending; the memory write overrides it.
    virtual int handleWriteFailure(const Exception& failure, Win32CommunicationPort& port);

    /// The rule the data reply must meet when the caller takes data from it (raw-reply requests).
    const std::optional<DataReplyRule>& dataReplyRule() const { return m_rule; }
    /// After a request under `otherOpcodeMeansNone`: the radio answered with another kind of reply.
    bool answeredNone() const { return m_answeredNone; }

  protected:
    /// Raw-reply requests name what their data reply must be: sendInto then hands the caller only a
    /// reply that meets the rule, and fails when none came.
    void expectDataReply(DataReplyRule rule) { m_rule = std::move(rule); }
    /// Requests that take nothing back but whose refusal must not pass as done (a refused dekey leaves
    /// the radio keyed): the radio's 0x86 answer fails them with UnsupportedMessage.
    void failOnRefusal() { m_refusalFails = true; }
    /// Throws UnsupportedMessage when the data reply in `frame` is the radio's refusal and this request
    /// fails on one.
    void checkRefusal(const uint8_t* frame, size_t length) const;

    enum class SendMode { NoEcho, Echo };
    /// Purges, sends, consumes the echo, requires the acknowledge and collects a data reply, then runs
    /// body; on any failure waits out the rest of the first window and rethrows.
    void withinWindow(Win32CommunicationPort& port, SendMode mode, const std::function<void()>& body);
    template <typename Slot>
    void retrying(Slot slot);

    /// Collects echo, acknowledge and data reply into the receive buffer and checks them.
    void collect(Win32CommunicationPort& port);
    /// Notes this request and its attempts on a failure that ends it (unless a request already did).
    void noteFailure(Exception& failure) const;

  private:
    /// Why a raw-reply request ended without data the caller can take (not retried: the radio answered).
    enum class MissingData { None, NoReply, TooLate };
    /// Checks a raw data reply against the rule and hands at most `room` bytes of it to the caller.
    void takeDataReply(const uint8_t* frame, size_t length, uint8_t* buffer, size_t room);

    uint8_t m_opcode;
    uint32_t m_attempts = 0;
    std::optional<DataReplyRule> m_rule;
    bool m_refusalFails = false;
    bool m_answeredNone = false;
    MissingData m_missing = MissingData::None;
    std::string m_lateBytes;
};

}  // namespace vantrel

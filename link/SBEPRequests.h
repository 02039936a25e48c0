// The request catalogue: every command the program sends, with its opcode, payload and reply decoding.
#pragma once

#include <cstdint>

#include "link/SBEPMessage.h"

namespace vantrel {

/// Opcodes and sub-codes of the requests.
namespace sbepOp {
constexpr uint8_t Reset = 0x10;
constexpr uint8_t ReadMemory = 0x11;
constexpr uint8_t WriteMemory = 0x17;
constexpr uint8_t WriteSerialNo = 0x18;
constexpr uint8_t Key = 0x19;
constexpr uint8_t ReadTune = 0x1B;
constexpr uint8_t AutoTune = 0x1F;
constexpr uint8_t Softpot = 0x20;
constexpr uint8_t Channel = 0x21;
constexpr uint8_t TestMode = 0x22;
constexpr uint8_t Identity = 0x23;
constexpr uint8_t Bbo = 0x28;
}  // namespace sbepOp

namespace identity {
constexpr uint8_t ModelNo = 0x00;
constexpr uint8_t SerialNo = 0x01;
constexpr uint8_t PowerUp = 0x05;
constexpr uint8_t ICVersion = 0x0E;
constexpr uint8_t UUID = 0x0F;
}  // namespace identity

/// Softpot function bytes.
namespace softpotFunction {
constexpr uint8_t Read = 0;
constexpr uint8_t Program = 1;
constexpr uint8_t SetLive = 2;
constexpr uint8_t ReadTable = 3;
constexpr uint8_t ProgramTable = 4;
}  // namespace softpotFunction

/// Payload bytes of the raw data replies that callers take, the echoed sub-code or number included.
namespace replyPayload {
constexpr size_t ModelNo = 1 + 16;    ///< sub-code, sixteen characters (frame bytes 5..20)
constexpr size_t SerialNo = 1 + 10;   ///< sub-code, ten characters (frame bytes 3..12)
constexpr size_t PowerUp = 1 + 1;     ///< sub-code, status (frame byte 3)
constexpr size_t ICVersion = 1 + 4;   ///< sub-code, four bytes (frame bytes 3..6)
constexpr size_t UUID = 1 + 16;       ///< sub-code, sixteen bytes (frame bytes 5..20)
constexpr size_t TuningBlock = 40;    ///< frame bytes 4..43
constexpr size_t TempComp = 1 + 4;    ///< softpot number, four bytes (frame bytes 3..6)
constexpr size_t Rssi = 1 + 3;        ///< softpot number, three values (frame bytes 3..5)
constexpr size_t CalDac = 1 + 3;      ///< softpot number, three values (frame bytes 3..5)
constexpr size_t Bbo = 1 + 1;         ///< item code, the offset byte (frame byte 3)
constexpr size_t MemoryAddress = 3;   ///< the address a memory read reply starts with
constexpr size_t ShortHeader = 2;     ///< header and extended opcode
constexpr size_t ExtendedHeader = 4;  ///< header, extended opcode and the 16-bit count
}  // namespace replyPayload

/// Softpot numbers the link itself names.
namespace softpotNumber {
constexpr uint8_t TempComp = 1;
constexpr uint8_t CalDac25 = 25;
constexpr uint8_t RSSI = 26;
}  // namespace softpotNumber

class SBEPResetRequest : public SBEPMessage {
  public:
    SBEPResetRequest() : SBEPMessage(sbepOp::Reset, {}) {}
};
class SBEPWriteSerialNoRequest : public SBEPMessage {
  public:
    /// 0x00 then the ten characters.
    explicit SBEPWriteSerialNoRequest(const char* serialNo);
};
/// Keying: a refused key change fails (a refused dekey must never pass for a dekeyed radio).
class SBEPKeyUpRequest : public SBEPMessage {
  public:
    SBEPKeyUpRequest() : SBEPMessage(sbepOp::Key, {0x01}) { failOnRefusal(); }
};
class SBEPDekeyRequest : public SBEPMessage {
  public:
    SBEPDekeyRequest() : SBEPMessage(sbepOp::Key, {0x00}) { failOnRefusal(); }
};
class SBEPReadTuneRequest : public SBEPMessage {
  public:
    SBEPReadTuneRequest();
};
class SBEPTempCompRequest : public SBEPMessage {
  public:
    SBEPTempCompRequest();
};
class SBEPReadRSSIRequest : public SBEPMessage {
  public:
    SBEPReadRSSIRequest();
};
class SBEPReadRSSICalDacRequest : public SBEPMessage {
  public:
    explicit SBEPReadRSSICalDacRequest(uint8_t softpot);
};
/// Channel request: the mode byte carries bit 7 for the (first) code and bit 6 for the second; mode
/// value 2 sets neither, so every caller's request carries 0x00. Mode 3 sets the code's bit.
class SBEPChannelRequest : public SBEPMessage {
  public:
    SBEPChannelRequest(uint16_t code, int mode);
    SBEPChannelRequest(uint16_t first, int firstMode, uint16_t second, int secondMode);
};
class SBEPTestModeRequest : public SBEPMessage {
  public:
    SBEPTestModeRequest(uint8_t a, uint8_t b, uint8_t c) : SBEPMessage(sbepOp::TestMode, {a, b, c}) {}
};
/// Identity requests: the reply echoes the sub-code, the data follows it.
class SBEPIdentityRequest : public SBEPMessage {
  public:
    SBEPIdentityRequest(uint8_t subCode, size_t payload, size_t header);
};
class SBEPRadioModelNoRequest : public SBEPIdentityRequest {
  public:
    SBEPRadioModelNoRequest()
        : SBEPIdentityRequest(identity::ModelNo, replyPayload::ModelNo, replyPayload::ExtendedHeader) {}
};
class SBEPRadioSerialNoRequest : public SBEPIdentityRequest {
  public:
    SBEPRadioSerialNoRequest()
        : SBEPIdentityRequest(identity::SerialNo, replyPayload::SerialNo, replyPayload::ShortHeader) {}
};
class SBEPRadioPowerUpRequest : public SBEPIdentityRequest {
  public:
    SBEPRadioPowerUpRequest()
        : SBEPIdentityRequest(identity::PowerUp, replyPayload::PowerUp, replyPayload::ShortHeader) {}
};
class SBEPRadioICVersionRequest : public SBEPIdentityRequest {
  public:
    SBEPRadioICVersionRequest()
        : SBEPIdentityRequest(identity::ICVersion, replyPayload::ICVersion, replyPayload::ShortHeader) {}
};
class SBEPRadioUUIDRequest : public SBEPIdentityRequest {
  public:
    SBEPRadioUUIDRequest()
        : SBEPIdentityRequest(identity::UUID, replyPayload::UUID, replyPayload::ExtendedHeader) {}
};
/// Baseband offset read: the 0x88 reply echoes the item code, then the offset byte. The probe form takes
/// any other well-formed reply as "this radio holds no offsets" (answeredNone()).
class SBEPReadBBORequest : public SBEPMessage {
  public:
    enum class Form { Read, Probe };
    SBEPReadBBORequest(uint8_t itemCode, uint8_t index, Form form = Form::Read);
};
/// Baseband offset write; a refusal fails it (the offset was not taken).
class SBEPWriteBBORequest : public SBEPMessage {
  public:
    /// The payload goes second, third, first.
    SBEPWriteBBORequest(uint8_t first, uint8_t second, uint8_t third)
        : SBEPMessage(sbepOp::Bbo, {second, third, first}) {
        failOnRefusal();
    }
};

/// Softpot requests (opcode 0x20, or 0x1F for auto-tune): softpot number, function, value bytes.
class SBEPSoftpotRequest : public SBEPMessage {
  public:
    uint8_t softpot() const { return m_softpot; }
    /// The decoded value (big-endian) and its width in bytes; width 0 when no value was decoded.
    uint32_t value() const { return m_value; }
    unsigned width() const { return m_width; }

    void awaitReply(Win32CommunicationPort& port) override = 0;

  protected:
    enum class Form { Read, TableRead };
    /// Checks a softpot reply (0x8A, this softpot's number, at least `valueBytes` value bytes); throws
    /// like sbep::checkDataReply.
    void checkSoftpotReply(const uint8_t* frame, size_t length, unsigned valueBytes) const;
    SBEPSoftpotRequest(uint8_t softpot, Form form);
    SBEPSoftpotRequest(uint8_t softpot, uint8_t function, uint32_t value, unsigned width);
    SBEPSoftpotRequest(uint8_t softpot, uint8_t function, const uint8_t* bytes, unsigned count);
    SBEPSoftpotRequest(uint8_t softpot, uint8_t opcode);

    /// Reads a separate 0x8A/0x86 reply with at least m_valueBytes value bytes. Returns false when the
    /// radio said unsupported.
    bool readSeparateReply(Win32CommunicationPort& port, uint32_t firstByteLimit);
    /// Decodes a data reply that came with the acknowledge: checks it, takes the value with the given
    /// width (0: every payload byte after the softpot number).
    void decodeWithAck(unsigned width);
    /// Tells `notes` from the data reply that came with the acknowledge whether the radio holds `flag`'s
    /// softpot, after checking that it is this softpot's reply with `valueBytes` value bytes; returns
    /// true when the radio answered with data.
    bool noteWithAck(SupportNotes& notes, int flag, unsigned valueBytes);

    uint8_t m_softpot;
    uint32_t m_value = 0;
    unsigned m_width = 0;
    /// Value bytes a reply must carry: 1 for reads, the table's bytes for a table read, 0 for writes
    /// (their reply echoes the softpot number).
    unsigned m_valueBytes = 1;
};

class SBEPSoftpotReadRequest : public SBEPSoftpotRequest {
  public:
    /// Read of the current value (function 0).
    explicit SBEPSoftpotReadRequest(uint8_t softpot) : SBEPSoftpotRequest(softpot, Form::Read) {}
    /// Table read of every point (function 3); the reply must carry `valueBytes` value bytes.
    static SBEPSoftpotReadRequest table(uint8_t softpot, unsigned valueBytes = 1) {
        SBEPSoftpotReadRequest request(softpot, Form::TableRead);
        request.m_valueBytes = valueBytes > 0 ? valueBytes : 1;
        return request;
    }

    void exchange(Win32CommunicationPort& port) override;
    void exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;
    void exchangeFirst(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;
    void awaitReply(Win32CommunicationPort& port) override;
    void awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;

  private:
    SBEPSoftpotReadRequest(uint8_t softpot, Form form) : SBEPSoftpotRequest(softpot, form) {}
};

class SBEPSoftpotWriteRequest : public SBEPSoftpotRequest {
  public:
    SBEPSoftpotWriteRequest(uint8_t softpot, uint8_t function, uint32_t value, unsigned width)
        : SBEPSoftpotRequest(softpot, function, value, width) {}
    SBEPSoftpotWriteRequest(uint8_t softpot, uint8_t function, const uint8_t* bytes, unsigned count)
        : SBEPSoftpotRequest(softpot, function, bytes, count) {}

    void exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;
    void awaitReply(Win32CommunicationPort& port) override;
    void awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;
};

class SBEPAutoTuneRequest : public SBEPSoftpotRequest {
  public:
    explicit SBEPAutoTuneRequest(uint8_t softpot) : SBEPSoftpotRequest(softpot, sbepOp::AutoTune) {}

    void exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;
    void awaitReply(Win32CommunicationPort& port) override;
    void awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) override;
};

/// Memory read of at most 32 bytes: the reply is the raw 0x80 frame (address, then the data).
/// The reply must echo the address and carry exactly the bytes asked for.
class SBEPReadRequest : public SBEPMessage {
  public:
    SBEPReadRequest(uint32_t address, uint8_t count);
    uint32_t address() const { return m_address; }
    void awaitReply(Win32CommunicationPort& port) override;

  private:
    uint32_t m_address;
};

/// Memory write of one chunk. The radio confirms with 0x84 and the chunk's address, asks for a
/// resend with 0xFFFFFF, 0 or the previous chunk's address, or refuses with 0x85 (BadWrite).
class SBEPWriteRequest : public SBEPMessage {
  public:
    SBEPWriteRequest(uint32_t address, const uint8_t* data, unsigned count);
    uint32_t address() const { return m_address; }
    /// The request that must be sent again (this one or the previous chunk), or none.
    SBEPWriteRequest* link() const { return m_link; }
    void setLink(SBEPWriteRequest* link) { m_link = link; }

    void exchange(Win32CommunicationPort& port) override;
    void awaitReply(Win32CommunicationPort& port) override;
    int handleWriteFailure(const Exception& failure, Win32CommunicationPort& port) override;

  private:
    void decode(const SBEPReply& reply);
    uint32_t m_address;
    SBEPWriteRequest* m_link = nullptr;
};

}  // namespace vantrel

// The command layer: one operation per radio command, each one request sent with the frame layer's retries.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/RadioProtocol.h"
#include "link/SupportNotes.h"

namespace vantrel {

/// The 40 bytes of the tuning block: base, option byte, transmit and receive points, DAC bytes, procedure.
using TuningBlock = std::array<uint8_t, 40>;
/// The four temp comp bytes (softpot 1).
using TempCompBytes = std::array<uint8_t, 4>;
/// The three values of an RSSI or calibration DAC read.
using RssiValues = std::array<uint8_t, 3>;

/// One operation per radio command. Every operation throws GeneralCommunicationError (and sends
/// nothing) when no port is attached; every exchange failure propagates after the frame layer's
/// retries (up to 4 attempts; UnsupportedMessage and ReplyLengthError at once). A read hands over
/// its data only when the reply is the data reply of that very request (opcode, echoed sub-code or
/// number, frame form and length): the radio's refusal throws UnsupportedMessage, a reply of another
/// request BadReply, an acknowledge without a usable data reply TimeoutOnReceive. Keying, serial number
/// and baseband offset writes fail with UnsupportedMessage when the radio refuses them; other writes
/// (softpot, channel, test mode) keep the radio's refusal to the noted operations. "softpot" is the
/// radio's softpot number;
/// "flag" is the support-flag index (2..28) of the radio record that the noted operations tell `notes`:
/// supported when the radio answers with data, unsupported when it answers 0x86.
class EnhancedSBEP : public RadioProtocol {
  public:
    void keyUp() override;
    void dekey() override;
    void resetRadio() override;
    /// count must be below the chunk size; raw reply frame in destination (data from frame byte 5,
    /// or 7 when the header's count nibble is 0xF).
    void readMemory(uint8_t* destination, uint32_t address, unsigned count) override;
    /// Writes in chunks of the chunk size, resending chunks the radio asks for again.
    void writeMemory(const uint8_t* source, uint32_t address, unsigned count) override;

    /// The power-up status (0 and 32: ready).
    uint8_t radioPowerUp();
    /// Identity fields exactly as the radio sent them, any byte (NUL fill included): the model number
    /// (16 characters), the serial number (10), the unique identifier (16 bytes), the IC version (4).
    std::string readModelNo();
    std::string readSerialNo();
    std::string readUUID();
    std::string readICVersion();
    TuningBlock readTune();
    TempCompBytes readTempComp();
    /// The RSSI values (softpot 26, table read) and the calibration DAC values of softpots 26 and 25.
    RssiValues readRSSI();
    RssiValues readRSSICalDac();
    RssiValues readRSSICalDac25();
    /// Baseband offset read of a radio that holds offsets: the offset byte of the 0x88 reply.
    uint8_t readBBO(uint8_t itemCode, uint8_t index);
    /// The first baseband offset read: the offset byte when the radio holds offsets; none when it
    /// refuses the request or answers with another kind of reply.
    std::optional<uint8_t> probeBBO(uint8_t itemCode, uint8_t index);
    /// Payload on the wire: second, third, first.
    void writeBBO(uint8_t first, uint8_t second, uint8_t third);
    /// 10 characters.
    void writeSerialNo(const char* serialNo);

    void writeSoftpot(uint8_t softpot, uint8_t function, uint32_t value, unsigned width);
    void writeSoftpotBytes(uint8_t softpot, uint8_t function, const uint8_t* bytes, unsigned count);
    /// Notes support flag 27 (single-point power writes).
    void writeSoftpotNoted(SupportNotes& notes, uint8_t softpot, uint8_t function, uint32_t value,
                           unsigned width);
    /// Notes support flag 21 (seven-value writes).
    void writeSoftpotBytesNoted(SupportNotes& notes, uint8_t softpot, uint8_t function, const uint8_t* bytes,
                                unsigned count);
    /// Returns the width in bytes; value out.
    unsigned readSoftpot(uint8_t softpot, uint32_t& value);
    /// Returns the width (0 when the radio answered unsupported and the flag was cleared).
    unsigned readSoftpotNoted(uint8_t softpot, uint32_t& value, SupportNotes& notes, int flag);
    /// The value big-endian into buffer's first width bytes; returns the width.
    unsigned readSoftpotBytes(uint8_t softpot, uint8_t* buffer);
    /// Lets the radio tune the softpot; returns the width, tuned value out.
    unsigned autoTune(uint8_t softpot, uint32_t& value, SupportNotes& notes, int flag);
    /// Table read (function 3); read the payload with softpotTableByte. A reply with fewer than
    /// `valueBytes` value bytes (the bytes the caller takes) is a bad reply.
    void readSoftpotTable(uint8_t softpot, SupportNotes& notes, int flag, unsigned valueBytes = 1);
    /// Payload byte index of the last data reply (0 is the softpot number).
    uint8_t softpotTableByte(unsigned index) const;

    void setChannel(uint16_t code, int mode);
    void setChannelPair(uint16_t firstCode, int firstMode, uint16_t secondCode, int secondMode);
    void setTestMode(uint8_t a, uint8_t b, uint8_t c);

    uint8_t chunkSize() const { return m_chunkSize; }
    void setChunkSize(uint8_t size) { m_chunkSize = size; }

    /// Bound of the linked resend loop of writeMemory (the radio asking for the same chunk again).
    static constexpr unsigned MaxLinkedResends = 8;

  protected:
    Win32CommunicationPort& port();

  private:
    /// Sends one request and hands over the N data bytes of its reply (after the echoed sub-code or
    /// number), which the request's reply rule has checked to be there.
    template <size_t N, typename Request, typename... Args>
    std::array<uint8_t, N> readData(Args... args);
    /// Sends one request that needs nothing back but the acknowledge.
    template <typename Request, typename... Args>
    void sendPlain(Args... args);

    uint8_t m_chunkSize = 64;
};

}  // namespace vantrel

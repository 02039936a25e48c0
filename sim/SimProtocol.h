// Named opcodes, sub-codes, softpot numbers and frame offsets as the simulated radio sees them.
#pragma once

#include <cstdint>

namespace vantrel::sim {

/// Frame header fields of the bus protocol.
namespace frame {
inline constexpr uint8_t kExtendedOpcode = 0x0F;   ///< high nibble: the opcode follows in the next byte
inline constexpr uint8_t kExtendedCount = 0x0F;    ///< low nibble: a 16-bit count follows
inline constexpr uint8_t kChecksumBase = 0xFF;     ///< all bytes of a frame add up to this, modulo 256
inline constexpr uint8_t kFirstLongOpcode = 0x0F;  ///< opcodes from here on need the extended form
inline constexpr uint8_t kFirstLongCount = 0x0F;   ///< counts from here on need the extended form
}  // namespace frame

/// Opcodes of requests the radio understands (all extended).
namespace op {
inline constexpr uint8_t Reset = 0x10;
inline constexpr uint8_t ReadMemory = 0x11;
inline constexpr uint8_t WriteMemory = 0x17;
inline constexpr uint8_t WriteSerialNo = 0x18;
inline constexpr uint8_t Key = 0x19;
inline constexpr uint8_t ReadTune = 0x1B;
inline constexpr uint8_t AutoTune = 0x1F;
inline constexpr uint8_t Softpot = 0x20;
inline constexpr uint8_t Channel = 0x21;
inline constexpr uint8_t TestMode = 0x22;
inline constexpr uint8_t Identity = 0x23;
inline constexpr uint8_t Bbo = 0x28;
}  // namespace op

/// Opcodes of what the radio sends.
namespace reply {
inline constexpr uint8_t Ack = 0x05;         ///< one-byte frame 0x50
inline constexpr uint8_t Nak = 0x06;         ///< one-byte frame 0x60
inline constexpr uint8_t MemoryData = 0x80;  ///< 3-byte address, then the bytes read
inline constexpr uint8_t MemoryWritten = 0x84;
inline constexpr uint8_t MemoryRefused = 0x85;
inline constexpr uint8_t Unsupported = 0x86;  ///< payload: the opcode of the refused request
inline constexpr uint8_t Bbo = 0x88;          ///< the radio holds baseband offsets
inline constexpr uint8_t Softpot = 0x8A;      ///< softpot number, then value bytes
/// Requests without an opcode of their own are answered with the request's opcode plus this.
inline constexpr uint8_t kGenericBit = 0x80;
}  // namespace reply

/// Sub-codes of the identity request (payload byte 0).
namespace identity {
inline constexpr uint8_t ModelNo = 0x00;
inline constexpr uint8_t SerialNo = 0x01;
inline constexpr uint8_t PowerUp = 0x05;
inline constexpr uint8_t IcVersion = 0x0E;
inline constexpr uint8_t Uuid = 0x0F;
inline constexpr int kModelLength = 16;
inline constexpr int kSerialLength = 10;
inline constexpr int kUuidLength = 16;
inline constexpr int kIcVersionLength = 4;
}  // namespace identity

/// Function byte of a softpot request.
namespace function {
inline constexpr uint8_t Read = 0;
inline constexpr uint8_t Program = 1;
inline constexpr uint8_t SetLive = 2;
inline constexpr uint8_t ReadTable = 3;
inline constexpr uint8_t ProgramTable = 4;
}  // namespace function

/// The radio's softpot numbers.
namespace softpot {
inline constexpr int TxPower = 0;
inline constexpr int TempComp = 1;
inline constexpr int VcoAttenuation = 2;
inline constexpr int ModAttenuation = 3;
inline constexpr int Mpt1327Deviation = 5;
inline constexpr int PaVoltageLimit = 6;
inline constexpr int AutoSquelch = 7;
inline constexpr int RatedVolume = 8;
inline constexpr int Battery = 10;
inline constexpr int RefOscWarp = 11;
inline constexpr int FrontEndFilter = 13;
inline constexpr int DtmfDeviation = 14;
inline constexpr int Select5Deviation = 15;
inline constexpr int HssDeviation = 16;
inline constexpr int MobilePower = 17;
inline constexpr int PaBiasFirst = 18;
inline constexpr int PaBiasSecond = 20;
inline constexpr int Qdt1200Deviation = 24;
inline constexpr int RssiCal25 = 25;
inline constexpr int Rssi = 26;
inline constexpr int PaBiasThird = 27;
inline constexpr int TxPowerThird = 28;
inline constexpr int kHighest = 28;
inline constexpr int kPointCount = 7;
inline constexpr int kRssiBytes = 3;  ///< RSSI values and calibration DAC values per reply
}  // namespace softpot

/// Byte positions of the tuning block reply frame (extended opcode and extended count form).
namespace tune {
inline constexpr int kFrameLength = 45;  ///< header 4 bytes, payload 40 bytes, checksum
inline constexpr int Base = 4;           ///< 16-bit frequency base
inline constexpr int Option = 6;         ///< channel spacing bits: 0 12.5, 1 20, 2 25 kHz
inline constexpr int TxPoints = 8;       ///< seven 16-bit transmit channels
inline constexpr int RxPoints = 24;      ///< seven 16-bit receive channels
inline constexpr int TxDac = 40;         ///< two bytes
inline constexpr int Procedure = 42;     ///< 1 portable, 2 mobile
inline constexpr int Parameter = 43;
}  // namespace tune

/// Test-mode parameter bytes the radio interprets.
namespace testmode {
inline constexpr uint8_t PowerHigh = 0;    ///< second byte: high power
inline constexpr uint8_t PowerLow = 2;     ///< second byte: low power
inline constexpr uint8_t Brightline = 18;  ///< first byte: Brightline rated volume
inline constexpr int kSpacingCount = 3;    ///< third byte: 0 12.5, 1 20, 2 25 kHz
}  // namespace testmode

/// Key request payload.
namespace key {
inline constexpr uint8_t Dekey = 0x00;
inline constexpr uint8_t KeyUp = 0x01;
}  // namespace key

/// Baseband offset requests: reads carry (item, index 1..3), writes (item, 0x81..0x83, byte).
namespace bbo {
inline constexpr uint8_t Items[] = {5, 0, 2, 10, 8};  ///< item codes in the radio's column order
inline constexpr int kItemCount = 5;
inline constexpr int kSpacingCount = 3;
inline constexpr uint8_t kWriteIndexBase = 0x81;
inline constexpr int kReadPayload = 2;
inline constexpr int kWritePayload = 3;
}  // namespace bbo

/// Codeplug memory.
namespace codeplug {
inline constexpr uint32_t VersionAddress = 2;     ///< codeplug version byte
inline constexpr uint32_t ChecksumAddress = 766;  ///< 16-bit checksum, high byte first
inline constexpr int kAddressBytes = 3;
inline constexpr uint32_t kDefaultSize = 1024;
}  // namespace codeplug

}  // namespace vantrel::sim

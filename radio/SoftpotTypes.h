// Named softpot numbers, softpot functions, test-mode bytes and channel-request values the data sets send.
#pragma once

#include <cstdint>

namespace vantrel {

/// The radio's own softpot numbers (the first byte of a softpot request). Not the record's flag indices.
namespace softpot {
inline constexpr std::uint8_t TxPower = 0;
inline constexpr std::uint8_t TempComp = 1;
inline constexpr std::uint8_t VcoAttenuation = 2;
inline constexpr std::uint8_t ModAttenuation = 3;
inline constexpr std::uint8_t Mpt1327Deviation = 5;
inline constexpr std::uint8_t PaVoltageLimit = 6;
inline constexpr std::uint8_t AutoSquelch = 7;
inline constexpr std::uint8_t RatedVolume = 8;
inline constexpr std::uint8_t Battery = 10;
inline constexpr std::uint8_t RefOscWarp = 11;
inline constexpr std::uint8_t FrontEndFilter = 13;
inline constexpr std::uint8_t DtmfDeviation = 14;
inline constexpr std::uint8_t Select5Deviation = 15;
inline constexpr std::uint8_t HssDeviation = 16;
inline constexpr std::uint8_t MobilePower = 17;  ///< K and M pair, two bytes; also the low-band DAC values
inline constexpr std::uint8_t PaBiasFirst = 18;
inline constexpr std::uint8_t PaBiasSecond = 20;
inline constexpr std::uint8_t Qdt1200Deviation = 24;
inline constexpr std::uint8_t RssiCalDac25 = 25;
inline constexpr std::uint8_t Rssi = 26;
inline constexpr std::uint8_t PaBiasThird = 27;
inline constexpr std::uint8_t TxPowerThird = 28;
}  // namespace softpot

/// Function byte of a softpot request.
namespace spfunction {
inline constexpr std::uint8_t Read = 0;
inline constexpr std::uint8_t Program = 1;       ///< store one value
inline constexpr std::uint8_t SetLive = 2;       ///< use at once, do not store
inline constexpr std::uint8_t ReadTable = 3;     ///< all points in one reply
inline constexpr std::uint8_t ProgramTable = 4;  ///< store all points at once
}  // namespace spfunction

/// Widths in bytes of written values.
namespace spwidth {
inline constexpr unsigned One = 1;
inline constexpr unsigned Two = 2;
}  // namespace spwidth

/// Payload positions of a softpot data reply (position 0 echoes the softpot number).
namespace sptable {
inline constexpr unsigned FirstValue = 1;    ///< F1 of a seven-point reply
inline constexpr unsigned BatteryValue = 2;  ///< second value of the battery multi-value read
}  // namespace sptable

/// Values sent live to take a limiting softpot out of the way while another one is tuned.
inline constexpr std::uint32_t kReleasedLevel = 127;

/// The three bytes of a test-mode request: (mode, argument, spacing). Their meaning is the radio's.
namespace testmode {
// First byte.
inline constexpr std::uint8_t FirstForm = 0;   ///< first form of a transmit set-up; also receive modes
inline constexpr std::uint8_t SecondForm = 1;  ///< second form of a transmit set-up
inline constexpr std::uint8_t Dtmf = 3;
inline constexpr std::uint8_t Signalling = 4;  ///< QDT1200 and Select 5
inline constexpr std::uint8_t Mpt1327 = 5;
inline constexpr std::uint8_t Hss = 7;
inline constexpr std::uint8_t PaBias = 9;  ///< also the battery threshold
inline constexpr std::uint8_t ModAttenuation = 14;
inline constexpr std::uint8_t Brightline = 18;
inline constexpr std::uint8_t VcoFollow = 128;    ///< follows a VCO attenuation set-up
inline constexpr std::uint8_t PowerFollow = 129;  ///< follows a transmit set-up
// Second byte.
inline constexpr std::uint8_t HighPower = 0;
inline constexpr std::uint8_t LowPower = 2;  ///< also the argument of every non-power mode
inline constexpr std::uint8_t Normal = 2;
}  // namespace testmode

/// Channel spacing codes, the third test-mode byte.
namespace spacing {
inline constexpr std::int32_t k12_5 = 0;
inline constexpr std::int32_t k20 = 1;
inline constexpr std::int32_t k25 = 2;
// Bits of the tuning block's option byte.
inline constexpr std::int32_t kBit12_5 = 0x01;
inline constexpr std::int32_t kBit20 = 0x02;
inline constexpr std::int32_t kBit25 = 0x04;
}  // namespace spacing

/// Set selectors of the procedures with several sets of seven values.
namespace selector {
inline constexpr int High = 1;  ///< transmit power, DAC, PA voltage limit: high power
inline constexpr int Low = 2;   ///< low power
inline constexpr int Set25k = 1;
inline constexpr int Set20k = 2;
inline constexpr int Set12k5 = 3;
}  // namespace selector

/// Mode value passed for every frequency of a channel request (puts 0 in the mode byte).
inline constexpr int kChannelMode = 2;

}  // namespace vantrel

// Frequency point helpers: choosing transmit and receive points and turning channel numbers into MHz.
#pragma once

#include <array>
#include <cstdint>

#include "radio/radioStorage.h"

namespace vantrel {

/// Point and channel choice over the record's transmit points (`values[0][0..6]`) and receive points
/// (`values[0][14..20]`), and the channel-to-frequency formula kHz = base * 25 + channel * 5 (unsigned
/// 32-bit arithmetic). Point numbers are 1..7, 0 meaning "no point". Channels are 16-bit, 0 meaning the
/// point is not used. Every operation taking a record remembers it; the object owns nothing.
class RF_Frequency {
  public:
    /// First non-zero transmit point scanning F1 upward, 0 when none; copies the transmit channels into
    /// the working copy.
    int lowestTxPoint(const radioStorage& record);
    /// Last non-zero transmit point scanning F7 downward, 0 when none.
    int highestTxPoint(const radioStorage& record);
    /// lowest + (highest - lowest) / 2, rounded down; 0 when none.
    int middleTxPoint(const radioStorage& record);
    int lowestRxPoint(const radioStorage& record);
    int highestRxPoint(const radioStorage& record);
    int middleRxPoint(const radioStorage& record);

    /// Channel at the named point, 0 when the point number is 0.
    std::uint16_t lowestTxChannel(const radioStorage& record);
    std::uint16_t highestTxChannel(const radioStorage& record);
    std::uint16_t middleTxChannel(const radioStorage& record);
    std::uint16_t lowestRxChannel(const radioStorage& record);
    std::uint16_t highestRxChannel(const radioStorage& record);
    std::uint16_t middleRxChannel(const radioStorage& record);

    /// Frequency in MHz of `channel` over `base`; the kHz value is kept (lastFrequencyKhz).
    double pointFrequency(std::uint32_t base, std::uint32_t channel);
    /// kHz value of the last pointFrequency call, 0 before any.
    std::uint32_t lastFrequencyKhz() const { return m_lastFrequencyKhz; }

    /// First non-zero point 1..7 of the named side, 0 when none.
    int firstPointNumber(const radioStorage& record, bool receiveSide);
    /// Channel of point 1..7 of the named side, or the channel of that side's first non-zero point
    /// when this one is 0; 0 for any other point number or when the side has no point.
    std::uint16_t channelFor(const radioStorage& record, bool receiveSide, int pointNumber);

    /// Channel of point 1..7 of the named side as stored (0 for any other point number).
    static std::uint16_t channelAt(const radioStorage& record, bool receiveSide, int pointNumber);

    /// Low band: strictly above 29700 kHz and strictly below 50000 kHz.
    static bool isLowBandKhz(std::uint32_t khz);

    static constexpr std::uint32_t kLowBandLowerKhz = 29700;  ///< excluded
    static constexpr std::uint32_t kLowBandUpperKhz = 50000;  ///< excluded

  private:
    int lowestPoint(const radioStorage& record, bool receiveSide);
    int highestPoint(const radioStorage& record, bool receiveSide);
    int middlePoint(const radioStorage& record, bool receiveSide);
    std::uint16_t channelOrZero(const radioStorage& record, bool receiveSide, int pointNumber);
    void scan(const radioStorage& record, bool receiveSide);

    std::array<std::int32_t, record::kPointCount> m_points{};  ///< working copy of the last side scanned
    const radioStorage* m_record = nullptr;  ///< record of the last operation; not owned
    std::uint32_t m_lastFrequencyKhz = 0;
};

}  // namespace vantrel

// What every softpot data set shares: the test spacing, channel selection and the seven-point read.
#pragma once

#include <array>
#include <cstdint>

#include "radio/RF_Frequency.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/softpotBase.h"

namespace vantrel {

class EnhancedSBEP;

/// Which channels a per-point read selects for point n.
enum class PointSide {
    Transmit,      ///< transmit channel of n, receive channel from channelFor
    Receive,       ///< transmit channel from channelFor, receive channel of n
    TransmitBoth,  ///< transmit channel of n as both codes
};

/// Where and how a procedure's seven point values are read.
struct SevenPointShape {
    std::uint8_t softpot = 0;  ///< the radio's softpot number
    int flag = 0;              ///< the record's support flag of the procedure
    int row = 0;               ///< record row
    int firstColumn = 0;       ///< column of F1
    PointSide side = PointSide::Transmit;
    bool gated = false;    ///< stop after point 1 when the radio refused the softpot there
    bool kmPairs = false;  ///< two one-byte values per point (K, M) in two columns each
};

/// Base of every data set. Data sets never catch: a failed exchange reaches the caller unchanged. A softpot
/// the radio refuses is no failure: the command layer clears its flag and the record keeps its old value
/// (a data set stores only values the radio actually answered).
class dataSetBase : public softpotBase {
  public:
    /// Test spacing code 0 (12.5 kHz), 1 (20 kHz) or 2 (25 kHz); 2 after construction.
    std::int32_t getSpacing() const { return m_spacing; }
    void setSpacing(std::int32_t code) { m_spacing = code; }
    /// Sets the spacing from the option byte `values[0][13]`: the widest spacing the radio supports
    /// (bit 2: 25 kHz; else bit 1: 20 kHz; else 12.5 kHz).
    void deriveSpacing(const radioStorage& record);
    /// Spacing code the option byte of `record` gives (see deriveSpacing).
    static std::int32_t spacingFor(const radioStorage& record);

    /// Selects the test channel pair, transmit channel first.
    void selectChannelPair(std::uint16_t txChannel, std::uint16_t rxChannel, EnhancedSBEP& link);
    /// Selects one receive channel.
    void selectChannel(std::uint16_t rxChannel, EnhancedSBEP& link);

    /// Width in bytes of the last value read (0 when the radio refused it).
    unsigned lastWidth() const { return m_width; }

  protected:
    /// Sends one test-mode request with the three bytes.
    static void sendTestMode(EnhancedSBEP& link, std::uint8_t mode, std::uint8_t argument,
                             std::int32_t spacingCode);
    /// Table read naming the multi-value flag; when the radio answers it, every point's value is stored and
    /// the procedure's flag set. Otherwise point by point over the side's non-zero points.
    void readSevenPoints(const SevenPointShape& shape, radioStorage& record, EnhancedSBEP& link);
    /// Selects the channels of point n (1..7) on `side`.
    void selectPoint(PointSide side, int n, const radioStorage& record, EnhancedSBEP& link);
    /// Reads one softpot naming `flag`; stores it at (row, column) when the radio answered. Answers the
    /// width.
    unsigned readSingle(std::uint8_t softpotType, int flag, int row, int column, radioStorage& record,
                        EnhancedSBEP& link);

    RF_Frequency m_frequency;
    std::array<std::uint16_t, record::kPointCount> m_channels{};  ///< channels of the points being walked
    std::uint32_t m_readBuffer = 0;
    unsigned m_width = 0;

  private:
    std::int32_t m_spacing = spacing::k25;
};

}  // namespace vantrel

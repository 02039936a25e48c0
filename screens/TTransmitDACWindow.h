// The transmit DAC screen of low-band mobiles.
#pragma once

#include <cstdint>

#include "operations/procedurePieces.h"
#include "screens/TTuningScreen.h"

namespace vantrel {

/// The two power levels (DACs) at which the K and M screen measures, tuned at the highest transmit point:
/// rows "DAC 1" and "DAC 2", record row 17, columns 14 and 15, 0 to 255. Values go live to the power
/// softpot 0 only while keyed, and into the record at once; the screen programs nothing (the values reach
/// the radio's memory with the rest of the record). A successful opening marks the record (row 1,
/// column 0), which the K and M screen of a high series low-band mobile waits for. Closing warns about a
/// DAC pair that looks like a hardware failure.
class TTransmitDACWindow : public TTuningScreen {
    Q_OBJECT
  public:
    static constexpr const char* kDacWarningText = transmitDacPiece::kWarningText;
    static constexpr const char* kDacWarningCaption = transmitDacPiece::kWarningCaption;
    static constexpr std::uint32_t kDacLowest = transmitDacPiece::kLowest;
    static constexpr std::uint32_t kDacHighest = transmitDacPiece::kHighest;

    explicit TTransmitDACWindow(const screenEnvironment& environment);
    static tuningProcedure describe();

    /// Either value outside 20..200 and DAC 2 below DAC 1.
    static bool unacceptable(std::uint32_t dac1, std::uint32_t dac2);
};

}  // namespace vantrel

// What the two transmit power screens share: the power data set and the per-point program rule.
#pragma once

#include "radio/RecordLayout.h"
#include "screens/TTuningScreen.h"

namespace vantrel {

/// A seven-point screen of the transmit power softpot 0 at one power level. Program writes each point
/// with the noted single-point write; a radio with the power limit table (flag 26) tells through flag 27
/// whether it took the value, and a refused value keeps the record's old one and shows the refused-value
/// message, while the remaining points are still programmed. The rule is the transmit power piece's.
class TTransmitPowerWindow : public TTuningScreen {
  public:
    /// Flag of the radio's per-point power limit table (the third power softpot).
    static constexpr int kPowerLimitTableFlag = flag::TxPowerThird;
    /// Flag the noted power write sets when the radio accepted the value.
    static constexpr int kAcceptedFlag = flag::SinglePointPowerWrite;

  protected:
    TTransmitPowerWindow(const screenEnvironment& environment, std::string_view name,
                         tuningProcedure procedure);
};

}  // namespace vantrel

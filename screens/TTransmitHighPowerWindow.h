// The transmit high power screen.
#pragma once

#include "operations/procedureTable.h"
#include "screens/TTransmitPowerWindow.h"

namespace vantrel {

/// Transmit power softpot 0 at high power, record row 3, columns 0..6. Its maximum is class-wide: 127
/// until a screen is constructed, then 255 for radios that satisfy isHighPortable, isHighMobile or
/// isSixPortable and 127 otherwise. On an isHighPortableC radio without the power limit table a value
/// above the point's stored low power value is refused without being written.
class TTransmitHighPowerWindow : public TTransmitPowerWindow {
  public:
    static constexpr int kWideMaximum = procedures::kWideHighPower;
    static constexpr int kNarrowMaximum = procedures::kNarrowHighPower;

    explicit TTransmitHighPowerWindow(const screenEnvironment& environment);

    /// The maximum shared by every high power screen.
    static int highPowerMaximum() { return m_highPowerMaximum; }
    /// Chooses the class-wide maximum from the record's model and describes the procedure with it.
    static tuningProcedure describe(const radioStorage& record);
    /// The procedure for the record's model, leaving the class-wide maximum as it is (for the report).
    static tuningProcedure procedureFor(const radioStorage& record);

  private:
    static inline int m_highPowerMaximum = kNarrowMaximum;
};

}  // namespace vantrel

// The transmit low power screen.
#pragma once

#include "screens/TTransmitPowerWindow.h"

namespace vantrel {

/// Transmit power softpot 0 at low power, record row 3, columns 7..13, range 0 to 127.
class TTransmitLowPowerWindow : public TTransmitPowerWindow {
  public:
    static constexpr int kMaximum = 127;

    explicit TTransmitLowPowerWindow(const screenEnvironment& environment);

    static tuningProcedure describe();
};

}  // namespace vantrel

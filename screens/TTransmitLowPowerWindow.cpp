// The transmit low power screen.
#include "screens/TTransmitLowPowerWindow.h"

#include "operations/procedureTable.h"

namespace vantrel {

tuningProcedure TTransmitLowPowerWindow::describe() {
    return tuningProcedure::from(procedures::txLowPower(), screenLayout::sevenPoint());
}

TTransmitLowPowerWindow::TTransmitLowPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, describe()) {}

}  // namespace vantrel

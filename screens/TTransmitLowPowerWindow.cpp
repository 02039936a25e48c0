// The transmit low power screen.
#include "screens/TTransmitLowPowerWindow.h"

#include "operations/procedurePieces.h"
#include "operations/procedureTable.h"

namespace vantrel {

tuningProcedure TTransmitLowPowerWindow::describe() {
    tuningProcedure p = tuningProcedure::from(procedures::txLowPower(), screenLayout::sevenPoint());
    return p;
}

TTransmitLowPowerWindow::TTransmitLowPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, "tx-low-power", describe()) {}

}  // namespace vantrel

// The transmit low power screen.
#include "screens/TTransmitLowPowerWindow.h"

#include "operations/procedurePieces.h"
#include "operations/procedureTable.h"

namespace vantrel {

tuningProcedure TTransmitLowPowerWindow::describe() {
    tuningProcedure p = tuningProcedure::from(procedures::txLowPower(), screenLayout::sevenPoint());
    p.makePiece = &tuningProcedure::piece<transmitPowerPiece>;
    return p;
}

TTransmitLowPowerWindow::TTransmitLowPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, "tx-low-power", describe()) {}

}  // namespace vantrel

// The transmit high power screen.
#include "screens/TTransmitHighPowerWindow.h"

#include "operations/procedurePieces.h"

namespace vantrel {

tuningProcedure TTransmitHighPowerWindow::describe(const radioStorage& record) {
    tuningProcedure p = procedureFor(record);
    m_highPowerMaximum = p.maximum;
    return p;
}

tuningProcedure TTransmitHighPowerWindow::procedureFor(const radioStorage& record) {
    tuningProcedure p = tuningProcedure::from(procedures::txHighPower(record), screenLayout::sevenPoint());
    return p;
}

TTransmitHighPowerWindow::TTransmitHighPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, "tx-high-power", describe(*environment.record)) {}

}  // namespace vantrel

// The transmit high power screen.
#include "screens/TTransmitHighPowerWindow.h"

namespace vantrel {

tuningProcedure TTransmitHighPowerWindow::describe(const radioStorage& record) {
    tuningProcedure p = tuningProcedure::from(procedures::txHighPower(record), screenLayout::sevenPoint());
    m_highPowerMaximum = p.maximum;
    return p;
}

TTransmitHighPowerWindow::TTransmitHighPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, describe(*environment.record)) {}

}  // namespace vantrel

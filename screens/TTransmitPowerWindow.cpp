// What the two transmit power screens share.
#include "screens/TTransmitPowerWindow.h"

namespace vantrel {

TTransmitPowerWindow::TTransmitPowerWindow(const screenEnvironment& environment, tuningProcedure procedure)
    : TTuningScreen(environment, std::move(procedure)) {}

}  // namespace vantrel

// What the two transmit power screens share.
#include "screens/TTransmitPowerWindow.h"

namespace vantrel {

TTransmitPowerWindow::TTransmitPowerWindow(const screenEnvironment& environment, std::string_view name,
                                           tuningProcedure procedure)
    : TTuningScreen(environment, name, std::move(procedure)) {}

}  // namespace vantrel

// The transmit low power screen.
#include "screens/TTransmitLowPowerWindow.h"

#include "radio/SoftpotTypes.h"

namespace vantrel {

tuningProcedure TTransmitLowPowerWindow::describe() {
    tuningProcedure p;
    p.makeDataSet = &makePowerDataSet;
    p.selector = selector::Low;
    p.softpot = softpot::TxPower;
    p.row = row::TxPower;
    p.firstColumn = col::TxPowerLow;
    p.minimum = 0;
    p.maximum = kMaximum;
    p.note = "Note : Valid Softpot values will range from 0-127";
    p.commitQuestion = "Commit new softpot values? Softpot Value Range (0-127)";
    p.illegalValue = "Program softpots aborted for Transmit Low Power!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Transmit Low Power softpot value!!";
    p.refusedValue =
        "Program softpot %d aborted for Transmit Low Power!! softpot value above max value allowed";
    return p;
}

TTransmitLowPowerWindow::TTransmitLowPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, describe()) {}

}  // namespace vantrel

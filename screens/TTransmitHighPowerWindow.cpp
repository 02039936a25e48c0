// The transmit high power screen.
#include "screens/TTransmitHighPowerWindow.h"

#include "radio/SoftpotTypes.h"
#include "radio/radiomodel.h"

namespace vantrel {

tuningProcedure TTransmitHighPowerWindow::describe(const radioStorage& record) {
    tuningProcedure p = procedureFor(record);
    m_highPowerMaximum = p.maximum;
    return p;
}

tuningProcedure TTransmitHighPowerWindow::procedureFor(const radioStorage& record) {
    const radiomodel model;
    const int highest =
        model.isHighPortable(record) || model.isHighMobile(record) || model.isSixPortable(record)
            ? kWideMaximum
            : kNarrowMaximum;
    const std::string maximum = std::to_string(highest);
    tuningProcedure p;
    p.makeDataSet = &makePowerDataSet;
    p.selector = selector::High;
    p.softpot = softpot::TxPower;
    p.row = row::TxPower;
    p.firstColumn = col::TxPowerHigh;
    p.minimum = 0;
    p.maximum = highest;
    p.note = "Note : Valid Softpot values will range from 0-" + maximum;
    p.commitQuestion = "Commit new softpot values? Softpot Value Range 0-" + maximum;
    p.illegalValue = "Program softpots aborted for Transmit High Power!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Transmit High Power softpot value!!";
    p.refusedValue =
        "Program softpot %d aborted for Transmit High Power!! softpot value above max value allowed";
    return p;
}

TTransmitHighPowerWindow::TTransmitHighPowerWindow(const screenEnvironment& environment)
    : TTransmitPowerWindow(environment, describe(*environment.record)) {}

bool TTransmitHighPowerWindow::refusedBeforeWrite(int point, int value) const {
    // Without the radio's own limit table a high power above the point's low power is the screen's to
    // refuse on these radios.
    if (record().isSupported(kPowerLimitTableFlag) || !radiomodel().isHighPortableC(record()))
        return false;
    const auto low = static_cast<std::uint32_t>(record().getValue(row::TxPower, col::TxPowerLow + point - 1));
    return static_cast<std::uint32_t>(value) > low;
}

std::string TTransmitHighPowerWindow::refusedText(int point, bool ownRule) const {
    std::string text = TTransmitPowerWindow::refusedText(point, ownRule);
    if (ownRule || point == 1)
        text += ' ';
    return text;
}

}  // namespace vantrel

// What the two transmit power screens share.
#include "screens/TTransmitPowerWindow.h"

#include "link/EnhancedSBEP.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "screens/transmitPowerDataSet.h"

namespace vantrel {

TTransmitPowerWindow::TTransmitPowerWindow(const screenEnvironment& environment, tuningProcedure procedure)
    : TTuningScreen(environment, std::move(procedure)) {}

std::unique_ptr<tuningDataSet> TTransmitPowerWindow::makePowerDataSet(const tuningProcedure& procedure) {
    return std::make_unique<transmitPowerDataSet>(procedure.selector);
}

bool TTransmitPowerWindow::refusedBeforeWrite(int, int) const {
    return false;
}

TTuningScreen::ProgramOutcome TTransmitPowerWindow::programPoint(int row, int value, EnhancedSBEP& link) {
    const int point = pointOfRow(row);
    if (refusedBeforeWrite(point, value)) {
        showRefused(point, true);
        return ProgramOutcome::Refused;
    }
    link.writeSoftpotNoted(record(), procedure().softpot, spfunction::Program,
                           static_cast<std::uint32_t>(value), spwidth::One);
    if (record().isSupported(kPowerLimitTableFlag) && !record().isSupported(kAcceptedFlag)) {
        showRefused(point, false);
        return ProgramOutcome::Refused;
    }
    storeValue(row, value);
    return ProgramOutcome::Stored;
}

}  // namespace vantrel

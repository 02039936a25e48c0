// The transmit DAC screen.
#include "screens/TTransmitDACWindow.h"

#include "operations/procedurePieces.h"
#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"

namespace vantrel {

tuningProcedure TTransmitDACWindow::describe() {
    tuningProcedure p = tuningProcedure::from(procedures::transmitDac(), screenLayout::sevenPoint());
    p.layout.window = QSize(700, 210);
    p.layout.buttonY = 100;
    p.layout.status = QRect(20, 140, 600, 30);
    p.layout.noteY = 180;
    p.layout.firstHeader = "DAC No.";
    return p;
}

TTransmitDACWindow::TTransmitDACWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "tx-dac", describe()) {}

bool TTransmitDACWindow::unacceptable(std::uint32_t dac1, std::uint32_t dac2) {
    return transmitDacPiece::unacceptable(dac1, dac2);
}

}  // namespace vantrel

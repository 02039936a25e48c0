// The front end filter and rated volume screens: descriptions over the framework.
#include "screens/TReceiveWindows.h"

#include <QLabel>
#include <QLineEdit>

#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "screens/screenControls.h"

namespace vantrel {

namespace {

const QRect kCalDacBox{410, 240, 40, 20};
const QRect kCalDacLabel{340, 240, 64, 20};

}  // namespace

// --- Front end filter -------------------------------------------------------------------------------------

tuningProcedure TFrontEndFilterWindow::describe(const radioStorage& record) {
    tuningProcedure p = tuningProcedure::from(procedures::frontEndFilter(record), screenLayout::sevenPoint());
    p.makePiece = &tuningProcedure::piece<frontEndFilterPiece>;
    return p;
}

TFrontEndFilterWindow::TFrontEndFilterWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe(*environment.record)) {
    if (!radiomodel().isHighMobileF(record()))
        return;
    // The label ends where the box begins, its text level with the box's.
    auto* label = new QLabel(QStringLiteral("RSSI DAC"), this);
    label->setFont(noteLabel()->font());
    label->setGeometry(kCalDacLabel);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A reading of the radio: read-only, but as readable as any value.
    m_calDacBox = screenControls::readingBox(this, kCalDacBox, QStringLiteral("calDac4016"));
    m_calDacBox->setAlignment(Qt::AlignRight);
}

void TFrontEndFilterWindow::showCalDac(int value) {
    if (m_calDacBox)
        m_calDacBox->setText(QString::asprintf("%.1f", double(value)));
}

void TFrontEndFilterWindow::fillDisplay() {
    TTuningScreen::fillDisplay();
    showCalDac(record().getValue(row::Rssi, col::FrontEndCalDac));
}

void TFrontEndFilterWindow::writeLive(int row, int value, EnhancedSBEP& link) {
    TTuningScreen::writeLive(row, value, link);
    // The piece read the detector after the write: the box shows the mean of its readings.
    const auto* filter = dynamic_cast<const frontEndFilterPiece*>(&engine());
    if (m_calDacBox && filter && filter->calDacMean() >= 0)
        showCalDac(filter->calDacMean());
}

// --- Rated volume -----------------------------------------------------------------------------------------

tuningProcedure TRatedVolumeWindow::describe(bool brightline) {
    return tuningProcedure::from(procedures::ratedVolume(brightline), screenLayout::singleValue());
}

TRatedVolumeWindow::TRatedVolumeWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe(false)) {}

TRatedVolumeBrightlineWindow::TRatedVolumeBrightlineWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, TRatedVolumeWindow::describe(true)) {}

}  // namespace vantrel

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
    return p;
}

TFrontEndFilterWindow::TFrontEndFilterWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "rx-front-end-filter", describe(*environment.record)) {
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

void TFrontEndFilterWindow::render(const sessionState& state) {
    TTuningScreen::render(state);
    // The piece reads the detector after every live write: the box shows the mean of its readings, or
    // the record's value until then.
    for (const auto& [name, text] : state.readouts) {
        if (name == "rssi-dac" && m_calDacBox)
            m_calDacBox->setText(QString::fromStdString(text));
    }
}

// --- Rated volume -----------------------------------------------------------------------------------------

tuningProcedure TRatedVolumeWindow::describe(bool brightline) {
    return tuningProcedure::from(procedures::ratedVolume(brightline), screenLayout::singleValue());
}

TRatedVolumeWindow::TRatedVolumeWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "rx-rated-volume", describe(false)) {}

TRatedVolumeBrightlineWindow::TRatedVolumeBrightlineWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, "rx-rated-volume-brightline", TRatedVolumeWindow::describe(true)) {}

}  // namespace vantrel

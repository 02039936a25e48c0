// The front end filter and rated volume screens: descriptions over the framework.
#include "screens/TReceiveWindows.h"

#include <QLabel>
#include <QLineEdit>

#include "link/EnhancedSBEP.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/rxDataSets.h"
#include "screens/dataSetAdapters.h"

namespace vantrel {

namespace {

constexpr int kWideMaximum = 255;
constexpr int kMobileMaximum = 127;
constexpr int kMobileProcedure = 2;
constexpr const char* kPreparedStatus = "Point %fMHz is currently being tuned";
constexpr const char* kProgramStatus = "No Frequency Tuning Point is currently selected";
const QRect kCalDacBox{410, 240, 40, 20};
constexpr QPoint kCalDacLabel{350, 242};

/// The receive screens never key: every change goes to the radio at once, closing only resets it, and
/// Program leaves the last point it wrote selected.
tuningProcedure receiveBase(int maximum) {
    tuningProcedure p;
    p.receiveSide = true;
    p.capabilities = screenCapabilities::neverKeys();
    p.minimum = 0;
    p.maximum = maximum;
    p.checksMinimum = false;
    p.preparedStatus = kPreparedStatus;
    p.unpreparedStatus = kProgramStatus;
    p.preparesAfterProgram = false;
    return p;
}

/// The rated volume set under the normal or the Brightline test mode.
class ratedVolumeDataSet : public tuningDataSet {
  public:
    explicit ratedVolumeDataSet(int mode) : m_mode(mode) {}
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override {
        m_data.deriveSpacing(record);
        m_data.setupTest(link, m_mode);
    }
    void setLive(std::uint32_t value, EnhancedSBEP& link) override { m_data.setLive(value, link); }
    void program(std::uint32_t value, EnhancedSBEP& link) override { m_data.program(value, link); }

    static std::unique_ptr<tuningDataSet> make(const tuningProcedure& procedure) {
        return std::make_unique<ratedVolumeDataSet>(procedure.selector);
    }

  private:
    rxRatedVolumeData m_data;
    int m_mode;
};

}  // namespace

// --- Front end filter -------------------------------------------------------------------------------------

tuningProcedure TFrontEndFilterWindow::describe(const radioStorage& record) {
    const radiomodel model;
    const bool highMobileF = model.isHighMobileF(record);
    const bool mobile = record.getValue(row::Frequency, col::TuningProcedure) == kMobileProcedure;
    tuningProcedure p = receiveBase(!highMobileF && mobile ? kMobileMaximum : kWideMaximum);
    p.makeDataSet = &singleValueDataSet<rxFEBPData>::make;
    p.softpot = softpot::FrontEndFilter;
    p.row = row::FrontEndFilter;
    p.firstColumn = col::SetFirst;
    p.note = highMobileF ? "Note : Valid Softpot values will range from 255-0"
                         : "Note : Valid Softpot values will range from 0-" + std::to_string(p.maximum);
    p.commitQuestion = "Commit new softpot values?";
    p.illegalValue = "Program softpots aborted for Front End Filter!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Front End Filter softpot value!!";
    return p;
}

TFrontEndFilterWindow::TFrontEndFilterWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe(*environment.record)) {
    if (!radiomodel().isHighMobileF(record()))
        return;
    auto* label = new QLabel(QStringLiteral("RSSI DAC"), this);
    label->move(kCalDacLabel);
    label->setFont(noteLabel()->font());
    m_calDacBox = new QLineEdit(this);
    m_calDacBox->setGeometry(kCalDacBox);
    m_calDacBox->setObjectName(QStringLiteral("calDac4016"));
    m_calDacBox->setReadOnly(true);
    m_calDacBox->setEnabled(false);
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
    if (!m_calDacBox)
        return;
    // The detector settles unevenly: the box shows the whole-number mean of several readings, the record
    // keeps the last one.
    rxFEBPData data;
    int sum = 0;
    for (int i = 0; i < kCalDacReads; ++i) sum += data.readCalDac(record(), link);
    showCalDac(sum / kCalDacReads);
}

// --- Rated volume -----------------------------------------------------------------------------------------

tuningProcedure TRatedVolumeWindow::describe(bool brightline) {
    tuningProcedure p = receiveBase(kWideMaximum);
    p.makeDataSet = &ratedVolumeDataSet::make;
    p.selector = brightline ? rxRatedVolumeData::Brightline : rxRatedVolumeData::Normal;
    p.softpot = softpot::RatedVolume;
    p.row = row::RatedVolume;
    p.firstColumn = brightline ? col::RatedVolumeBrightline : col::RatedVolume;
    p.layout = screenLayout::singleValue();
    p.point = singlePoint::Middle;
    p.note = "Note : Valid Softpot values will range from 0-255";
    p.commitQuestion = "Commit new softpot value? Softpot Value Range(0-255)";
    p.illegalValue = "Program softpots aborted for Rated Volume!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Rated Volume softpot value!!";
    p.mismatch = "Serial No. Mismatch!! Read in new radio?";
    return p;
}

TRatedVolumeWindow::TRatedVolumeWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, describe(false)) {}

TRatedVolumeBrightlineWindow::TRatedVolumeBrightlineWindow(const screenEnvironment& environment)
    : TTuningScreen(environment, TRatedVolumeWindow::describe(true)) {}

}  // namespace vantrel

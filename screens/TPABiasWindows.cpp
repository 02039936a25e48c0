// The PA bias screens: one shared screen, five descriptions.
#include "screens/TPABiasWindows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "link/EnhancedSBEP.h"
#include "operations/UserPrompt.h"
#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/txDataSets.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"

namespace vantrel {

namespace {

constexpr std::int64_t kBaseStepHz = 25000;
constexpr std::int64_t kChannelStepHz = 5000;
constexpr double kHzPerMhz = 1e6;

// Geometry (logical pixels): rows at their own heights, toggles left of the working boxes.
constexpr QSize kWindow{450, 450};
constexpr int kToggleX = 20;
constexpr QSize kToggleSize{160, 30};
constexpr QRect kNote{10, 350, 430, 40};

/// One softpot row as the screens place it.
struct rowShape {
    TPABiasWindow::biasRow kind;
    const char* label;
    const char* toggle;
    std::uint8_t softpot;
    int y;
    int toggleId;
};
const rowShape kRows[] = {
    {TPABiasWindow::biasRow::Voltage, "Voltage", "Toggle Voltage", softpot::PaVoltageLimit, 50, 7001},
    {TPABiasWindow::biasRow::Bias1, "Bias 1", "Toggle Bias 1", softpot::PaBiasFirst, 120, 7000},
    {TPABiasWindow::biasRow::Bias2, "Bias 2", "Toggle Bias 2", softpot::PaBiasSecond, 170, 8001},
    {TPABiasWindow::biasRow::Bias3, "Bias 3", "Toggle Bias 3", softpot::PaBiasThird, 220, 8002},
};

const rowShape& shapeOf(TPABiasWindow::biasRow kind) {
    return kRows[static_cast<int>(kind)];
}

std::string doneText(paBiasPower power) {
    return paBiasPiece::doneText(power);
}

}  // namespace

// --- Description ------------------------------------------------------------------------------------------

tuningProcedure TPABiasWindow::describe(const radioStorage& record, paBiasPower power) {
    screenLayout l;
    l.kind = screenLayoutKind::SoftpotRows;
    l.window = kWindow;
    l.firstHeader = nullptr;
    l.headerY = 95;
    l.workingLabelX = 190;
    l.defaultLabelX = 340;
    l.workingX = 200;
    l.workingWidth = 60;
    l.defaultX = 350;
    l.defaultWidth = 60;
    l.rowHeight = 25;
    l.buttonY = 300;
    l.noteY = kNote.y();
    l.status = QRect(20, 400, 410, 25);
    l.statusId = 8000;
    tuningProcedure p = tuningProcedure::from(procedures::paBias(record, power), l);
    // Each row stands at its own height.
    for (tuningRow& r : p.rows) {
        for (const rowShape& shape : kRows)
            if (shape.softpot == r.softpot)
                r.y = shape.y;
    }
    return p;
}

// --- The shared screen ------------------------------------------------------------------------------------

TPABiasWindow::TPABiasWindow(const screenEnvironment& environment, paBiasVariant variant,
                             std::unique_ptr<paBiasData> data)
    : TTuningScreen(environment, describe(*environment.record, variant.power)),
      m_variant(variant),
      m_data(std::move(data)),
      m_enabled(size_t(rowCount()), false) {
    noteLabel()->setGeometry(kNote);
    for (int i = 0; i < rowCount(); ++i) {
        const rowShape& shape = shapeOf(kindOf(i));
        // The toggle takes the place of the frequency a point row would show.
        frequencyBox(i)->hide();
        auto* box = new QCheckBox(QString::fromLatin1(shape.toggle), this);
        box->setGeometry(QRect(QPoint(kToggleX, shape.y - 3), kToggleSize));
        box->setObjectName(QStringLiteral("toggle%1").arg(shape.toggleId));
        box->setFont(workingBox(i)->font());
        connect(box, &QCheckBox::clicked, this, [this, i] { toggleRow(i); });
        m_toggles.push_back(box);
    }
}

int TPABiasWindow::rowOf(biasRow kind) const {
    for (int i = 0; i < rowCount(); ++i) {
        if (kindOf(i) == kind)
            return i;
    }
    return -1;
}

TPABiasWindow::biasRow TPABiasWindow::kindOf(int row) const {
    for (const rowShape& shape : kRows) {
        if (shape.softpot == rowSpec(row).softpot)
            return shape.kind;
    }
    return biasRow::Voltage;
}

void TPABiasWindow::setupRadio(EnhancedSBEP& link) {
    if (m_variant.defaultVariant) {
        dekey(link, false);
        link.resetRadio();
        return;
    }
    m_data->deriveSpacing(record());
    m_data->setupTest(link);
}

void TPABiasWindow::fillDisplay() {
    TTuningScreen::fillDisplay();
    // Nothing is tuned until a toggle zeroed its set; the voltage comes first when the radio has it.
    for (int i = 0; i < rowCount(); ++i) {
        workingBox(i)->setEnabled(false);
        upDown(i)->setEnabled(false);
        m_enabled[size_t(i)] = false;
        m_toggles[size_t(i)]->setChecked(false);
        m_toggles[size_t(i)]->setEnabled(i == 0);
    }
}

void TPABiasWindow::keyStateChanged() {
    TTuningScreen::keyStateChanged();
    // Keyed without a test channel of its own, the radio transmits where it was: no frequency to name.
    if (keyed())
        setStatus(m_testMhz > 0.0 ? QString::asprintf(kKeyedFormat, m_testMhz)
                                  : QStringLiteral("Radio is currently keyed up"));
}

void TPABiasWindow::connectionClosed() {
    TTuningScreen::connectionClosed();
    // A Program's list of written rows lives as long as its connection: its messages are shown by then.
    m_programmed.clear();
}

void TPABiasWindow::afterClosing() {
    if (m_variant.defaultVariant)
        prompt().show(kSupplyBackText, kNoteCaption, PromptIcon::None);
}

std::vector<TPABiasWindow::biasRow> TPABiasWindow::zeroingSet(int row) const {
    const biasRow kind = kindOf(row);
    std::vector<biasRow> set;
    if (kind == biasRow::Voltage)
        set.push_back(biasRow::Voltage);
    if (kind == biasRow::Voltage || m_variant.power == paBiasPower::High) {
        set.insert(set.end(), {biasRow::Bias1, biasRow::Bias2, biasRow::Bias3});
    } else if (kind != biasRow::Bias3) {
        set.push_back(kind);
    }
    // A softpot the radio does not have would refuse the write and fail the toggle.
    std::erase_if(set, [this](biasRow b) { return rowOf(b) < 0; });
    return set;
}

void TPABiasWindow::setRowEnabled(int row, bool enabled) {
    m_enabled[size_t(row)] = enabled;
    workingBox(row)->setEnabled(enabled);
    upDown(row)->setEnabled(enabled);
    m_toggles[size_t(row)]->setChecked(enabled);
    m_toggles[size_t(row)]->setEnabled(true);
    for (int i = 0; i < rowCount(); ++i) {
        if (i != row)
            m_toggles[size_t(i)]->setEnabled(!enabled);
    }
}

void TPABiasWindow::toggleRow(int row) {
    if (actionRunning()) {
        m_toggles[size_t(row)]->setChecked(m_enabled[size_t(row)]);
        return;
    }
    // A value still on its way to the radio goes first, as it was typed before the click.
    sendPendingStep();
    if (closing())
        return;
    if (m_enabled[size_t(row)]) {
        setRowEnabled(row, false);
        return;
    }
    m_toggles[size_t(row)]->setChecked(false);
    // At low power bias 3 is only selected: nothing is zeroed and its box stays locked.
    if (m_variant.power == paBiasPower::Low && kindOf(row) == biasRow::Bias3)
        return;
    const std::vector<biasRow> zeroed = zeroingSet(row);
    const bool done = runAction(SerialCheck::Yes, [&](EnhancedSBEP& link) {
        for (biasRow b : zeroed) zeroLive(b, link);
    });
    // The row is free for tuning only once the radio took the zeroes.
    if (!done)
        return;
    setRowEnabled(row, true);
    upDown(row)->setPosition(0);
}

void TPABiasWindow::writeLive(int row, int value, EnhancedSBEP& link) {
    m_data->setLive(static_cast<std::uint32_t>(value), rowSpec(row).softpot, link);
}

void TPABiasWindow::zeroLive(biasRow kind, EnhancedSBEP& link) {
    if (rowOf(kind) >= 0)
        m_data->setLive(0, shapeOf(kind).softpot, link);
}

void TPABiasWindow::sendFullPower(EnhancedSBEP& link) {
    m_data->setLive(kFullPower, softpot::TxPower, link);
}

std::optional<std::uint16_t> TPABiasWindow::testChannel(std::int64_t hz) {
    const std::int64_t base = record().getValue(row::Frequency, col::FrequencyBase);
    const std::optional<std::uint16_t> channel = paBiasTestChannel(hz, base);
    if (!channel) {
        refuseRadio(QString::asprintf("The radio's frequency base (%lld) cannot reach the PA bias test "
                                      "frequency of %.3f MHz.\nThe PA bias window cannot be opened.",
                                      static_cast<long long>(base), double(hz) / kHzPerMhz)
                        .toStdString());
    }
    return channel;
}

void TPABiasWindow::selectTestChannel(std::uint16_t channel, EnhancedSBEP& link) {
    link.setChannel(channel, kChannelMode);
    const std::int64_t base = record().getValue(row::Frequency, col::FrequencyBase);
    m_testMhz = double(base * kBaseStepHz + std::int64_t(channel) * kChannelStepHz) / kHzPerMhz;
}

// --- Program ----------------------------------------------------------------------------------------------

std::string TPABiasWindow::programmedNote() const {
    if (m_programmed.empty())
        return {};
    std::string names;
    for (size_t i = 0; i < m_programmed.size(); ++i) {
        if (i > 0)
            names += i + 1 == m_programmed.size() ? " and " : ", ";
        names += m_programmed[i];
    }
    return "\n\n" + names + (m_programmed.size() == 1 ? " was" : " were") +
           " programmed into the radio before the stop.";
}

std::string TPABiasWindow::linkErrorText() const {
    return TTuningScreen::linkErrorText() + programmedNote();
}

bool TPABiasWindow::validate(int row, const QString& text, int value) {
    // The voltage is only ever written live.
    if (kindOf(row) == biasRow::Voltage)
        return true;
    // Every bias row is checked: a value from an archive above the byte range must not go out cut short.
    if (text.isEmpty()) {
        prompt().show(procedure().emptyValue + programmedNote(), procedure().emptyValueCaption,
                      procedure().emptyValueIcon);
        return false;
    }
    if (value > rowSpec(row).maximum) {
        prompt().show(procedure().illegalValue + programmedNote(), kErrorCaption, PromptIcon::Exclamation);
        return false;
    }
    return true;
}

TTuningScreen::ProgramOutcome TPABiasWindow::programPoint(int row, int value, EnhancedSBEP& link) {
    if (kindOf(row) == biasRow::Voltage)
        return ProgramOutcome::Stored;
    // The high power screens take the up-down's position, the low power ones the box text: the same
    // value once validated.
    const int programmed = m_variant.power == paBiasPower::High ? upDown(row)->position() : value;
    m_data->program(static_cast<std::uint32_t>(programmed), rowSpec(row).softpot, link);
    storeValue(row, programmed);
    m_programmed.push_back(rowSpec(row).label);
    return ProgramOutcome::Stored;
}

void TPABiasWindow::afterProgram(EnhancedSBEP&) {
    prompt().show(doneText(m_variant.power), kNoteCaption, PromptIcon::Information);
}

// --- The five screens -------------------------------------------------------------------------------------

TPABiasHighVoltageWindow::TPABiasHighVoltageWindow(const screenEnvironment& environment)
    : TPABiasWindow(environment, {paBiasPower::High, false}, std::make_unique<txPABiasHighVoltageData>()) {}

void TPABiasHighVoltageWindow::setupRadio(EnhancedSBEP& link) {
    auto& data = dataAs<txPABiasHighVoltageData>();
    data.deriveSpacing(record());
    const radiomodel model;
    if (!model.isHighMobile(record())) {
        data.setupTest(link);
        return;
    }
    // High-power mobiles draw their bias current keyed at full power.
    if (model.isHighMobileN(record())) {
        const std::optional<std::uint16_t> channel =
            testChannel(model.isVariantQOrR(record()) ? kQrTestHz : kMobileTestHz);
        if (!channel)
            return;
        data.setupTestSecond(link);
        selectTestChannel(*channel, link);
        keyUp(link);
        zeroLive(biasRow::Bias2, link);
    } else {
        keyUp(link);
    }
    sendFullPower(link);
}

TPABiasLowVoltageWindow::TPABiasLowVoltageWindow(const screenEnvironment& environment)
    : TPABiasWindow(environment, {paBiasPower::Low, false}, std::make_unique<txPABiasLowVoltageData>()) {}

TPABiasHighVoltageWindowDefault::TPABiasHighVoltageWindowDefault(const screenEnvironment& environment)
    : TPABiasWindow(environment, {paBiasPower::High, true}, std::make_unique<txPABiasHighVoltageData>()) {}

TPABiasLowVoltageWindowDefault::TPABiasLowVoltageWindowDefault(const screenEnvironment& environment)
    : TPABiasWindow(environment, {paBiasPower::Low, true}, std::make_unique<txPABiasLowVoltageData>()) {}

TPABiasRxModeWindow::TPABiasRxModeWindow(const screenEnvironment& environment)
    : TPABiasWindow(environment, {paBiasPower::High, false}, std::make_unique<txPABiasRxModeData>()) {}

void TPABiasRxModeWindow::setupRadio(EnhancedSBEP& link) {
    auto& data = dataAs<txPABiasRxModeData>();
    data.deriveSpacing(record());
    const radiomodel model;
    const bool f = model.isHighMobileF(record());
    if (!f && !model.isHighMobileK(record()))
        return;
    const std::optional<std::uint16_t> channel = testChannel(f ? kMobileTestHz : kKTestHz);
    if (!channel)
        return;
    if (f)
        data.setupTestReceive(link);
    data.setupTest(link);
    selectTestChannel(*channel, link);
    zeroLive(biasRow::Bias2, link);
    if (!f)
        zeroLive(biasRow::Bias3, link);
    sendFullPower(link);
}

}  // namespace vantrel

// The PA bias screens: one shared screen, five descriptions.
#include "screens/TPABiasWindows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "operations/procedureTable.h"
#include "radio/SoftpotTypes.h"
#include "screens/TTunerEditBox.h"

namespace vantrel {

namespace {

// Geometry (logical pixels): rows at their own heights, toggles left of the working boxes.
constexpr QSize kWindow{450, 450};
constexpr int kToggleX = 20;
constexpr QSize kToggleSize{160, 30};
constexpr QRect kNote{10, 350, 430, 40};

/// One softpot row as the screens place it.
struct rowShape {
    paBiasPiece::biasRow kind;
    const char* label;
    const char* toggle;
    std::uint8_t softpot;
    int y;
    int toggleId;
};
const rowShape kRows[] = {
    {paBiasPiece::biasRow::Voltage, "Voltage", "Toggle Voltage", softpot::PaVoltageLimit, 50, 7001},
    {paBiasPiece::biasRow::Bias1, "Bias 1", "Toggle Bias 1", softpot::PaBiasFirst, 120, 7000},
    {paBiasPiece::biasRow::Bias2, "Bias 2", "Toggle Bias 2", softpot::PaBiasSecond, 170, 8001},
    {paBiasPiece::biasRow::Bias3, "Bias 3", "Toggle Bias 3", softpot::PaBiasThird, 220, 8002},
};

const rowShape& shapeOf(paBiasPiece::biasRow kind) {
    return kRows[static_cast<int>(kind)];
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

// --- The shared view --------------------------------------------------------------------------------------

TPABiasWindow::TPABiasWindow(const screenEnvironment& environment, std::string_view name, paBiasPower power)
    : TTuningScreen(environment, name, describe(*environment.record, power)) {
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

const paBiasPiece& TPABiasWindow::piece() const {
    return static_cast<const paBiasPiece&>(engine());
}

int TPABiasWindow::rowOf(biasRow kind) const {
    return piece().rowOf(kind);
}

TPABiasWindow::biasRow TPABiasWindow::kindOf(int row) const {
    return piece().kindOf(row);
}

bool TPABiasWindow::rowEnabled(int row) const {
    return engine().rowEnabled(row);
}

void TPABiasWindow::render(const sessionState& state) {
    TTuningScreen::render(state);
    for (int i = 0; i < int(m_toggles.size()) && i < int(state.rows.size()); ++i) {
        m_toggles[size_t(i)]->setChecked(state.rows[size_t(i)].enabled);
        m_toggles[size_t(i)]->setEnabled(state.rows[size_t(i)].actionEnabled);
    }
}

void TPABiasWindow::toggleRow(int row) {
    if (actionRunning()) {
        m_toggles[size_t(row)]->setChecked(rowEnabled(row));
        return;
    }
    // A value still on its way to the radio goes first, as it was typed before the click.
    sendPendingStep();
    if (closing())
        return;
    actionRequest request;
    request.row = row;
    drive([&](tuningSession& s) { return s.act(sessionAction::Toggle, request); });
    // The box shows what the session holds, whatever became of the click.
    refresh();
}

// --- The five views ---------------------------------------------------------------------------------------

TPABiasHighVoltageWindow::TPABiasHighVoltageWindow(const screenEnvironment& environment)
    : TPABiasWindow(environment, "pa-bias-high", paBiasPower::High) {}

TPABiasLowVoltageWindow::TPABiasLowVoltageWindow(const screenEnvironment& environment)
    : TPABiasWindow(environment, "pa-bias-low", paBiasPower::Low) {}

TPABiasHighVoltageWindowDefault::TPABiasHighVoltageWindowDefault(const screenEnvironment& environment)
    : TPABiasWindow(environment, "pa-bias-high-default", paBiasPower::High) {}

TPABiasLowVoltageWindowDefault::TPABiasLowVoltageWindowDefault(const screenEnvironment& environment)
    : TPABiasWindow(environment, "pa-bias-low-default", paBiasPower::Low) {}

TPABiasRxModeWindow::TPABiasRxModeWindow(const screenEnvironment& environment)
    : TPABiasWindow(environment, "pa-bias-rx-mode", paBiasPower::High) {}

}  // namespace vantrel

// The battery threshold screen.
#include "screens/TBatteryVoltageWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <cstdlib>

#include "link/EnhancedSBEP.h"
#include "operations/UserPrompt.h"
#include "operations/serviceHistory.h"
#include "operations/sharedMessages.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/recordSupportNotes.h"
#include "screens/screenControls.h"

namespace vantrel {

namespace {

QLabel* valueBox(QWidget* parent, const QRect& geometry, int id) {
    auto* box = new QLabel(parent);
    box->setGeometry(geometry);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setObjectName(QStringLiteral("static%1").arg(id));
    box->setFont(screenControls::font());
    return box;
}

QString decimalLine(std::uint32_t value) {
    return QString::asprintf("%d\n", static_cast<int>(value));
}

}  // namespace

TBatteryVoltageWindow::TBatteryVoltageWindow(const screenEnvironment& environment)
    : TScreenSession(environment, screenCapabilities{false, false, true, true}) {
    resize(450, 150);
    setMinimumSize(450, 150);
    auto label = [&](const char* text, int x) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->move(x, 50);
        l->setFont(screenControls::font());
        l->adjustSize();
    };
    label("Target Voltage (V)", 20);
    label("Default", 220);
    m_target = valueBox(this, QRect(20, 70, 100, 30), 8000);
    m_default = valueBox(this, QRect(220, 70, 100, 30), 8001);
    m_program =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Program"), this);
    m_program->setGeometry(20, 110, 100, 30);
    m_program->setObjectName(QStringLiteral("button7002"));
    m_program->setFont(screenControls::font());
    connect(m_program, &QPushButton::clicked, this, &TBatteryVoltageWindow::program);
}

std::string TBatteryVoltageWindow::mismatchText() const {
    return message::MismatchCapital;
}

void TBatteryVoltageWindow::setupRadio(EnhancedSBEP& link) {
    m_data.deriveSpacing(record());
    m_data.setupTest(link);
}

void TBatteryVoltageWindow::fillDisplay() {
    const int threshold = record().getValue(row::Parameters, col::BatteryThreshold);
    m_target->setText(QString::asprintf("%1.1f\n", threshold * 0.1));
    m_default->setText(decimalLine(static_cast<std::uint32_t>(threshold)));
    setDisplayReady(true);
}

void TBatteryVoltageWindow::program() {
    historyScope history(record(), EventKind::Program, identity().title.toStdString(),
                         {{row::Parameters, col::BatteryThreshold}});
    bool refused = false;
    const bool written = runAction(SerialCheck::No, [&](EnhancedSBEP& link) {
        // The radio answers its present supply measurement as the second value of the battery read.
        recordSupportNotes notes(record());
        link.readSoftpotTable(softpot::Battery, notes, flag::BatteryThreshold, sptable::BatteryValue);
        if (!record().isSupported(flag::BatteryThreshold))
            return false;
        const std::uint32_t measured = link.softpotTableByte(sptable::BatteryValue);
        const auto stored =
            static_cast<std::uint32_t>(record().getValue(row::Parameters, col::BatteryThreshold));
        if (std::llabs(static_cast<long long>(measured) - static_cast<long long>(stored)) >=
            kRefusedDistance) {
            refused = true;
            return false;
        }
        m_default->setText(decimalLine(measured));
        // The radio keeps what it measures now; the record keeps the same measurement.
        m_data.program(measured, link);
        record().setValue(row::Parameters, col::BatteryThreshold, static_cast<std::int32_t>(measured));
        return true;
    });
    // The port is closed before a message waits for the technician.
    if (refused)
        history.setOutcome(eventOutcome::Refused, kIncorrectText);
    else if (written)
        history.done();
    if (refused)
        prompt().show(kIncorrectText, kNoteCaption, PromptIcon::Exclamation);
    else if (written)
        prompt().show(kCommittedText, kNoteCaption, PromptIcon::Information);
}

}  // namespace vantrel

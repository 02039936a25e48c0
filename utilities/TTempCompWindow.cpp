// Read or write temp comp data.
#include "utilities/TTempCompWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "operations/utilityRules.h"
#include "utilities/utilityLayout.h"

namespace vantrel {

TTempCompWindow::TTempCompWindow(const screenEnvironment& environment, bool writeMode)
    : TScreenSession(environment, writeMode ? "temp-comp-write" : "temp-comp-read"), m_writeMode(writeMode) {
    utilityLayout::setSize(this, QSize(460, 170));
    utilityLayout::addLabel(
        this, writeMode ? QStringLiteral("Temp Comp Write :  ") : QStringLiteral("Read Temp Comp  :  "),
        QRect(20, 20, 140, 20));
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("edit%1").arg(kEntryId));
    m_entry->setGeometry(170, 20, 100, 20);
    m_entry->setFont(utilityLayout::controlFont());
    m_entry->setMaxLength(static_cast<int>(tempCompRule::Digits));
    m_entry->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Fa-f0-9]{0,8}")), m_entry));
    // In read mode the entry shows what the radio holds: readable, not greyed, not editable.
    m_entry->setReadOnly(!writeMode);
    m_button = utilityLayout::addButton(this, writeMode ? QStringLiteral("Program") : QStringLiteral("Close"),
                                        kButtonId, QRect(170, 80, 100, 30), false);
    if (writeMode)
        connect(m_button, &QPushButton::clicked, this, &TTempCompWindow::program);
    else
        connect(m_button, &QPushButton::clicked, this, [this] { closeHost(); });
}

void TTempCompWindow::render(const sessionState& state) {
    // Write mode's entry is the technician's; read mode's shows the bytes read.
    if (!m_writeMode && !state.rows.empty())
        m_entry->setText(QString::fromStdString(state.rows.front().entry));
}

void TTempCompWindow::program() {
    drive([&](tuningSession& session) {
        actionRequest entry;
        entry.text = m_entry->text().toStdString();
        session.act(sessionAction::Reading, entry);
        return session.program();
    });
}

}  // namespace vantrel

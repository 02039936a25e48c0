// Read or write temp comp data.
#include "utilities/TTempCompWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <array>

#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/UserPrompt.h"
#include "operations/procedureCatalogue.h"
#include "operations/serviceHistory.h"
#include "operations/utilityOperations.h"
#include "operations/utilityRules.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

TTempCompWindow::TTempCompWindow(const screenEnvironment& environment, bool writeMode)
    : TUtilityWindow(environment, writeMode ? kWriteCode : kReadCode,
                     QString::fromLatin1(catalogueTitle(writeMode ? "temp-comp-write" : "temp-comp-read")),
                     QSize(460, 170)),
      m_writeMode(writeMode) {
    addLabel(writeMode ? QStringLiteral("Temp Comp Write :  ") : QStringLiteral("Read Temp Comp  :  "),
             QRect(20, 20, 140, 20));
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("edit%1").arg(kEntryId));
    m_entry->setGeometry(170, 20, 100, 20);
    m_entry->setFont(m_controlFont);
    m_entry->setMaxLength(static_cast<int>(tempCompRule::Digits));
    m_entry->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Fa-f0-9]{0,8}")), m_entry));
    // In read mode the entry shows what the radio holds: readable, not greyed, not editable.
    m_entry->setReadOnly(!writeMode);
    m_button = addButton(writeMode ? QStringLiteral("Program") : QStringLiteral("Close"), kButtonId,
                         QRect(170, 80, 100, 30), false);
    if (writeMode)
        connect(m_button, &QPushButton::clicked, this, &TTempCompWindow::program);
    else
        connect(m_button, &QPushButton::clicked, this, [this] { closeLater(); });
}

bool TTempCompWindow::open() {
    if (m_writeMode)
        return true;
    ActionScope action(*this);
    tempComp::bytes bytes{};
    try {
        cominit link;
        bytes = link.readTempComp();
    } catch (const Exception&) {
        show(tempCompRule::ReadFailedText, kErrorCaption, true);
        refuse();
        return false;
    }
    tempComp::store(record(), bytes);
    m_entry->setText(QString::fromStdString(tempCompRule::format(bytes)));
    return true;
}

void TTempCompWindow::program() {
    ActionScope action(*this);
    const std::optional<std::array<std::uint8_t, 4>> bytes =
        tempCompRule::parse(m_entry->text().toStdString());
    if (!bytes) {
        show(tempCompRule::LengthText, kNoteCaption, false);
        return;
    }
    historyScope history(record(), EventKind::Utility, serviceHistory::kTempCompSubject,
                         serviceHistory::tempCompCells());
    try {
        cominit link;
        // A store the radio answers "unsupported" wrote nothing: nothing may be reported as written or
        // copied into the record.
        if (!tempComp::write(link, *bytes)) {
            history.setOutcome(eventOutcome::Refused, "the radio answered the write unsupported");
            show(tempCompRule::WriteFailedText, kErrorCaption, true);
            return;
        }
    } catch (const Exception&) {
        show(tempCompRule::WriteFailedText, kErrorCaption, true);
        return;
    }
    // The record follows the radio, or a later Program All would write the old bytes back.
    tempComp::store(record(), *bytes);
    history.done();
    show(tempCompRule::WrittenText, kNoteCaption, false);
}

}  // namespace vantrel

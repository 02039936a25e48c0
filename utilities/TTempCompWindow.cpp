// Read or write temp comp data.
#include "utilities/TTempCompWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <array>

#include "link/Exceptions.h"
#include "link/SBEPMessage.h"
#include "link/cominit.h"
#include "operations/UserPrompt.h"
#include "operations/serviceHistory.h"
#include "operations/utilityRules.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {
constexpr std::size_t kTempCompReply = 3;  // the four bytes start at reply byte 3
}  // namespace

TTempCompWindow::TTempCompWindow(const screenEnvironment& environment, bool writeMode)
    : TUtilityWindow(environment, writeMode ? kWriteCode : kReadCode,
                     writeMode ? QStringLiteral("Write Temp Comp") : QStringLiteral("Read Temp Comp"),
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
    std::array<std::uint8_t, 4> bytes{};
    try {
        cominit link;
        std::array<std::uint8_t, sbep::ReplyBufferSize> reply{};
        link.readTempComp(reply.data());
        std::copy(reply.begin() + kTempCompReply, reply.begin() + kTempCompReply + bytes.size(),
                  bytes.begin());
    } catch (const Exception&) {
        show(tempCompRule::ReadFailedText, kErrorCaption, true);
        refuse();
        return false;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i)
        record().setValue(row::Frequency, col::TempCompFirst + static_cast<int>(i), bytes[i]);
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
    historyScope history(record(), EventKind::Utility, "Temp Comp Data Write",
                         {{row::Frequency, col::TempCompFirst},
                          {row::Frequency, col::TempCompFirst + 1},
                          {row::Frequency, col::TempCompFirst + 2},
                          {row::Frequency, col::TempCompFirst + 3}});
    try {
        cominit link;
        receiveBuffer().clear();
        link.writeSoftpotBytes(tempCompRule::Softpot, tempCompRule::ProgramFunction, bytes->data(),
                               static_cast<unsigned>(bytes->size()));
        // The radio acknowledges a store it does not take and then answers "unsupported": nothing was
        // written, so nothing may be reported as written or copied into the record.
        const ReceiveBuffer& answer = receiveBuffer();
        if (answer.dataReplyPresent() && answer.dataReplyUnsupported()) {
            history.setOutcome(eventOutcome::Refused, "the radio answered the write unsupported");
            show(tempCompRule::WriteFailedText, kErrorCaption, true);
            return;
        }
    } catch (const Exception&) {
        show(tempCompRule::WriteFailedText, kErrorCaption, true);
        return;
    }
    // The record follows the radio, or a later Program All would write the old bytes back.
    for (std::size_t i = 0; i < bytes->size(); ++i)
        record().setValue(row::Frequency, col::TempCompFirst + static_cast<int>(i), (*bytes)[i]);
    history.done();
    show(tempCompRule::WrittenText, kNoteCaption, false);
}

}  // namespace vantrel

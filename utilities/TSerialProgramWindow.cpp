// Program Serial No.
#include "utilities/TSerialProgramWindow.h"

#include <QPushButton>

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "operations/UserPrompt.h"
#include "operations/procedureCatalogue.h"
#include "operations/serviceHistory.h"
#include "operations/utilityOperations.h"
#include "operations/utilityRules.h"
#include "radio/radioStorage.h"
#include "screens/tuningConnection.h"
#include "utilities/TSerialNoEdit.h"

namespace vantrel {

TSerialProgramWindow::TSerialProgramWindow(const screenEnvironment& environment)
    : TUtilityWindow(environment, kCode, QString::fromLatin1(catalogueTitle("serial-program")),
                     QSize(460, 170)),
      m_connection(std::make_unique<tuningConnection>(*environment.prompt)) {
    addLabel(QStringLiteral("New Radio Serial No : "), QRect(20, 20, 140, 20));
    m_entry = new TSerialNoEdit(this);
    m_entry->setGeometry(170, 20, 100, 20);
    m_entry->setFont(m_controlFont);
    m_update = addButton(QStringLiteral("Update"), kUpdateId, QRect(170, 80, 100, 30), true);
    connect(m_update, &QPushButton::clicked, this, &TSerialProgramWindow::update);
    connect(m_entry, &TSerialNoEdit::notify, this, [this](int, int code) {
        if (code == TSerialNoEdit::kEnterNotification)
            update();
    });
}

TSerialProgramWindow::~TSerialProgramWindow() = default;

bool TSerialProgramWindow::sameRadio() {
    return m_connection->link().readSerialNo() == record().serialNoBytes();
}

bool TSerialProgramWindow::open() {
    ActionScope action(*this);
    if (!m_connection->open()) {
        refuse();
        return false;
    }
    try {
        if (!sameRadio()) {
            m_connection->close();
            refuse();
            if (prompt().show(serialRule::SwappedOnOpenText, kWarningCaption, PromptIcon::Information,
                              PromptButtons::OkCancel) == PromptAnswer::Ok &&
                environment().readRadio)
                environment().readRadio();
            return false;
        }
    } catch (const Exception&) {
        m_connection->close();
        refuse();
        showLinkError();
        return false;
    }
    m_connection->close();
    return true;
}

void TSerialProgramWindow::update() {
    ActionScope action(*this);
    // A short entry is refused before the radio hears anything.
    const std::string text = m_entry->text().left(static_cast<int>(serialRule::Length)).toStdString();
    if (text.size() < serialRule::Length) {
        show(serialRule::LengthText, serialRule::LengthCaption, true);
        return;
    }
    if (!m_connection->open())
        return;
    bool programmed = false;
    try {
        if (!sameRadio()) {
            m_connection->close();
            show(serialRule::SwappedText, kWarningCaption, false);
            return;
        }
        m_connection->link().writeSerialNo(text.c_str());
        programmed = true;
    } catch (const Exception&) {
    }
    // The radio goes into the service history under its new serial number.
    serviceHistory::recordUtility(serviceHistory::kSerialSubject, text, serviceHistory::modelOf(record()), {},
                                  programmed ? eventOutcome::Ok : eventOutcome::Failed,
                                  programmed ? "the serial number was blank" : kLinkErrorText);
    if (programmed)
        show(serialRule::ProgrammedText, kNoteCaption, false);
    else
        showLinkError();
    m_connection->close();
}

}  // namespace vantrel

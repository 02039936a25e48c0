// Program Serial No.
#include "utilities/TSerialProgramWindow.h"

#include <QPushButton>

#include "utilities/TSerialNoEdit.h"
#include "utilities/utilityLayout.h"

namespace vantrel {

TSerialProgramWindow::TSerialProgramWindow(const screenEnvironment& environment)
    : TScreenSession(environment, "serial-program") {
    utilityLayout::setSize(this, QSize(460, 170));
    utilityLayout::addLabel(this, QStringLiteral("New Radio Serial No : "), QRect(20, 20, 140, 20));
    m_entry = new TSerialNoEdit(this);
    m_entry->setGeometry(170, 20, 100, 20);
    m_entry->setFont(utilityLayout::controlFont());
    m_update =
        utilityLayout::addButton(this, QStringLiteral("Update"), kUpdateId, QRect(170, 80, 100, 30), true);
    connect(m_update, &QPushButton::clicked, this, &TSerialProgramWindow::update);
    connect(m_entry, &TSerialNoEdit::notify, this, [this](int, int code) {
        if (code == TSerialNoEdit::kEnterNotification)
            update();
    });
}

void TSerialProgramWindow::update() {
    drive([&](tuningSession& session) {
        actionRequest entry;
        entry.text = m_entry->text().toStdString();
        session.act(sessionAction::Reading, entry);
        return session.act(sessionAction::Update, {});
    });
}

}  // namespace vantrel

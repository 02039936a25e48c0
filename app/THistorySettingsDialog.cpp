// The service history settings dialog.
#include "app/THistorySettingsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/HistoryService.h"
#include "history/HistoryRecorder.h"
#include "history/historySetup.h"

namespace vantrel {

THistorySettingsDialog::THistorySettingsDialog(HistoryService& service, QWidget* parent)
    : QDialog(parent), m_service(service) {
    setWindowTitle(QStringLiteral("Service History Settings"));
    setObjectName(QStringLiteral("historySettings"));
    m_target = new QLineEdit(service.targetSetting(), this);
    m_target->setObjectName(QStringLiteral("historyTarget"));
    m_target->setPlaceholderText(
        QString::fromStdString(HistoryTarget::defaultIn(service.dataDirectory().toStdString()).location));
    m_target->setMinimumWidth(420);
    m_operator = new QLineEdit(service.operatorSetting(), this);
    m_operator->setObjectName(QStringLiteral("historyOperator"));
    m_operator->setPlaceholderText(QString::fromStdString(loginName()));
    m_result = new QLabel(this);
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&History:"), m_target);
    form->addRow(QString(),
                 new QLabel(QStringLiteral("A file (history.sqlite), postgresql://user@server/database "
                                           "for the shop's server, or off. Empty: the file above."),
                            this));
    form->addRow(QStringLiteral("&Operator:"), m_operator);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* checkButton = buttons->addButton(QStringLiteral("&Check"), QDialogButtonBox::ActionRole);
    connect(checkButton, &QPushButton::clicked, this, &THistorySettingsDialog::check);
    connect(buttons, &QDialogButtonBox::accepted, this, &THistorySettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_result);
    layout->addWidget(buttons);
}

void THistorySettingsDialog::check() {
    historySources sources;
    if (!m_target->text().trimmed().isEmpty())
        sources.setting = m_target->text().trimmed().toStdString();
    sources.dataDirectory = m_service.dataDirectory().toStdString();
    const HistoryTarget target = resolveHistoryTarget(sources);
    if (target.kind == HistoryTarget::Kind::Off) {
        m_result->setText(QStringLiteral("The service history is off: nothing is recorded."));
        return;
    }
    try {
        const HistoryCheck result = openHistoryStore(target)->check();
        m_result->setText(QStringLiteral("%1: schema version %2, %3 events")
                              .arg(QString::fromStdString(result.target))
                              .arg(result.schemaVersion)
                              .arg(result.events));
    } catch (const HistoryError& error) {
        m_result->setText(QString::fromStdString(error.what()));
    }
}

void THistorySettingsDialog::accept() {
    m_service.saveSettings(m_target->text(), m_operator->text());
    QDialog::accept();
}

}  // namespace vantrel

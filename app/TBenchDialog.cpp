// The bench instruments dialog: one row per role, Test asks the instrument, Save writes bench.conf.
#include "app/TBenchDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <cstdlib>

#include "instruments/InstrumentError.h"

namespace vantrel {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString titleOf(Role r) {
    QString t = qs(roleTitle(r));
    t[0] = t[0].toUpper();
    return t;
}

}  // namespace

TBenchDialog::TBenchDialog(QWidget* parent, QString settingsDirectory, std::vector<std::string> dialectPath)
    : QDialog(parent),
      m_settingsDirectory(std::move(settingsDirectory)),
      m_dialectPath(std::move(dialectPath)) {
    setWindowTitle(QStringLiteral("Bench Instruments"));
    setObjectName(QStringLiteral("TBenchDialog"));
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    outer->addLayout(grid);
    const QStringList headers = {QStringLiteral("Role"),         QStringLiteral("Transport"),
                                 QStringLiteral("Address"),      QStringLiteral("Dialect"),
                                 QStringLiteral("Timeout (ms)"), QStringLiteral("Loss (dB)"),
                                 QStringLiteral("Serial line"),  QString()};
    for (int c = 0; c < headers.size(); ++c) grid->addWidget(new QLabel(headers[c], this), 0, c);
    const std::vector<std::string> dialects = availableDialects(m_dialectPath);
    for (Role role : kRoles) {
        const int r = static_cast<int>(role) + 1;
        const QString key = qs(roleKey(role));
        Row& w = m_rows[static_cast<size_t>(role)];
        w.used = new QCheckBox(titleOf(role), this);
        w.used->setObjectName(key + QStringLiteral("-used"));
        w.transport = new QComboBox(this);
        w.transport->addItems({QStringLiteral("tcp"), QStringLiteral("serial"), QStringLiteral("usbtmc")});
        w.address = new QLineEdit(this);
        w.address->setObjectName(key + QStringLiteral("-address"));
        w.address->setPlaceholderText(QStringLiteral("host:5025 or /dev/..."));
        w.address->setMinimumWidth(180);
        w.dialect = new QComboBox(this);
        for (const std::string& d : dialects) w.dialect->addItem(qs(d));
        w.timeout = new QSpinBox(this);
        w.timeout->setRange(50, 60000);
        w.timeout->setSingleStep(100);
        w.offset = new QDoubleSpinBox(this);
        w.offset->setRange(-100, 100);
        w.offset->setDecimals(2);
        w.serial = new QLineEdit(this);
        w.serial->setMaximumWidth(130);
        w.test = new QPushButton(QStringLiteral("Test"), this);
        w.test->setObjectName(key + QStringLiteral("-test"));
        w.result = new QLabel(this);
        w.result->setObjectName(key + QStringLiteral("-result"));
        w.result->setWordWrap(true);
        w.result->setMinimumWidth(520);
        w.result->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(w.used, r * 2 - 1, 0);
        grid->addWidget(w.transport, r * 2 - 1, 1);
        grid->addWidget(w.address, r * 2 - 1, 2);
        grid->addWidget(w.dialect, r * 2 - 1, 3);
        grid->addWidget(w.timeout, r * 2 - 1, 4);
        grid->addWidget(w.offset, r * 2 - 1, 5);
        grid->addWidget(w.serial, r * 2 - 1, 6);
        grid->addWidget(w.test, r * 2 - 1, 7);
        grid->addWidget(w.result, r * 2, 1, 1, 7);
        connect(w.used, &QCheckBox::toggled, this, [this, role] { enableRow(role); });
        connect(w.transport, &QComboBox::currentIndexChanged, this, [this, role] { enableRow(role); });
        connect(w.test, &QPushButton::clicked, this, [this, role] { test(role); });
        show(role, RoleConfig{});
        w.used->setChecked(false);
    }
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    outer->addWidget(m_message);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("save"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, &TBenchDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    QStringList notes;
    try {
        const BenchConfig bench = BenchConfig::load(m_settingsDirectory.toStdString());
        for (const auto& [role, config] : bench.roles) {
            show(role, config);
            m_rows[static_cast<size_t>(role)].used->setChecked(true);
        }
    } catch (const InstrumentError& e) {
        notes << QStringLiteral("The saved bench could not be read: %1").arg(qs(e.what()));
    }
    for (Role role : kRoles) {
        const char* v = std::getenv(BenchConfig::environmentName(role).c_str());
        if (!v || !*v)
            continue;
        notes << QStringLiteral("%1 overrides the %2 for the programs: %3")
                     .arg(qs(BenchConfig::environmentName(role)), qs(roleTitle(role)), qs(v));
        // A role only the environment names is offered as it stands, to be tested and kept.
        Row& w = m_rows[static_cast<size_t>(role)];
        if (!w.used->isChecked()) {
            try {
                show(role, BenchConfig::parseEndpoint(v));
                w.used->setChecked(true);
            } catch (const InstrumentError&) {
            }
        }
    }
    m_message->setText(notes.join(QLatin1Char('\n')));
}

void TBenchDialog::show(Role role, const RoleConfig& c) {
    Row& w = m_rows[static_cast<size_t>(role)];
    w.transport->setCurrentText(qs(transportName(c.transport)));
    w.address->setText(qs(c.address));
    if (w.dialect->findText(qs(c.dialect)) < 0)
        w.dialect->addItem(qs(c.dialect));
    w.dialect->setCurrentText(qs(c.dialect));
    w.timeout->setValue(static_cast<int>(c.timeoutMs));
    w.offset->setValue(c.offsetDb);
    w.serial->setText(qs(c.serial));
    enableRow(role);
}

void TBenchDialog::enableRow(Role role) {
    Row& w = m_rows[static_cast<size_t>(role)];
    const bool on = w.used->isChecked();
    for (QWidget* x :
         std::initializer_list<QWidget*>{w.transport, w.address, w.dialect, w.timeout, w.offset, w.test})
        x->setEnabled(on);
    w.test->setEnabled(on && !w.testing);
    w.serial->setEnabled(on && w.transport->currentText() == QLatin1String("serial"));
}

RoleConfig TBenchDialog::roleConfig(Role role) const {
    const Row& w = row(role);
    const std::string text =
        w.transport->currentText().toStdString() + ":" + w.address->text().trimmed().toStdString();
    RoleConfig c;
    try {
        c = BenchConfig::parseEndpoint(text);
        if (c.transport == RoleConfig::Transport::Serial) {
            SerialLineSettings::parse(w.serial->text().trimmed().toStdString());
        }
    } catch (const InstrumentError& e) {
        throw InstrumentError(InstrumentError::Kind::Config, roleTitle(role) + ": " + e.what());
    }
    c.dialect = w.dialect->currentText().toStdString();
    c.timeoutMs = static_cast<uint32_t>(w.timeout->value());
    c.offsetDb = w.offset->value();
    c.serial = w.serial->text().trimmed().toStdString();
    return c;
}

BenchConfig TBenchDialog::chosen() const {
    BenchConfig bench;
    for (Role role : kRoles)
        if (row(role).used->isChecked())
            bench.roles[role] = roleConfig(role);
    return bench;
}

void TBenchDialog::test(Role role) {
    Row& w = m_rows[static_cast<size_t>(role)];
    if (w.testing)
        return;
    RoleConfig config;
    try {
        config = roleConfig(role);
    } catch (const InstrumentError& e) {
        w.result->setText(qs(e.what()));
        return;
    }
    w.result->setText(QStringLiteral("Testing..."));
    w.testing = true;
    w.test->setEnabled(false);
    InstrumentContext context;
    context.dialectPath = m_dialectPath;
    // The exchange runs off the GUI thread: a dead instrument holds only its own row (each exchange is
    // bounded by the role's timeout), and the dialog may close meanwhile: the answer then goes nowhere.
    QPointer<TBenchDialog> self(this);
    QThread* worker = QThread::create([self, role, config, context] {
        RoleCheck check = checkRole(role, config, context);
        QMetaObject::invokeMethod(
            qApp, [self, role, check = std::move(check)] {
                if (self)
                    self->showCheck(role, check);
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void TBenchDialog::showCheck(Role role, const RoleCheck& check) {
    Row& w = m_rows[static_cast<size_t>(role)];
    w.testing = false;
    w.test->setEnabled(w.used->isChecked());
    w.result->setText(check.ok ? QStringLiteral("%1 — %2").arg(qs(check.identity), qs(check.reading))
                               : QStringLiteral("FAILED: %1").arg(qs(check.error)));
}

bool TBenchDialog::testing() const {
    for (const Row& w : m_rows)
        if (w.testing)
            return true;
    return false;
}

void TBenchDialog::save() {
    std::string error;
    try {
        error = chosen().save(m_settingsDirectory.toStdString());
    } catch (const InstrumentError& e) {
        error = e.what();
    }
    if (!error.empty()) {
        m_message->setText(QStringLiteral("Not saved: %1").arg(qs(error)));
        return;
    }
    accept();
}

}  // namespace vantrel

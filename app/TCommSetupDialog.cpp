// The COM port selection dialog.
#include "app/TCommSetupDialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "link/RF_CommunicationSetup.h"
#include "link/portDiscovery.h"

namespace vantrel {

namespace {
constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;
constexpr int kStatusLimit = 50;
// The device column right of the original selection area.
constexpr int kDeviceLeft = 204;
constexpr int kDeviceWidth = 220;
}  // namespace

TCommSetupDialog::TCommSetupDialog(QWidget* parent, QString directory)
    : QDialog(parent), m_directory(std::move(directory)) {
    setWindowTitle(QStringLiteral("User COM Port Selection"));
    setObjectName(QStringLiteral("TCommSetupDialog"));
    DialogUnits du(*this);
    setFixedSize(du.size(kDeviceLeft + kDeviceWidth + 8, 132));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(du.rect(8, 4, 188, 68));

    const int widths[] = {160, 120, 160, 156};
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        auto* box = new QCheckBox(QStringLiteral("    COM %1").arg(port), this);
        box->setObjectName(QStringLiteral("com%1").arg(port));
        box->setGeometry(du.rect(20, 10 + 15 * (port - 1), widths[port - 1], 10));
        connect(box, &QCheckBox::clicked, this, [this, port] { choose(port); });
        m_boxes[port - 1] = box;

        auto* device = new QLabel(this);
        device->setObjectName(QStringLiteral("device%1").arg(port));
        device->setGeometry(du.rect(kDeviceLeft, 10 + 15 * (port - 1), kDeviceWidth, 10));
        device->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_devices[port - 1] = device;
    }
    m_adapters = new QLabel(this);
    m_adapters->setObjectName(QStringLiteral("adapters"));
    m_adapters->setGeometry(du.rect(kDeviceLeft, 76, kDeviceWidth, 50));
    m_adapters->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_adapters->setWordWrap(true);
    m_adapters->setTextInteractionFlags(Qt::TextSelectableByMouse);
    refreshDevices();

    m_apply = new QPushButton(QStringLiteral("Apply "), this);
    m_apply->setObjectName(QStringLiteral("apply"));
    m_apply->setGeometry(du.rect(10, 80, 50, 15));
    m_apply->setDefault(true);
    connect(m_apply, &QPushButton::clicked, this, &TCommSetupDialog::apply);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setGeometry(du.rect(75, 80, 50, 15));
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setMaxLength(kStatusLimit);
    m_status->setEnabled(false);
    m_status->setGeometry(du.rect(8, 104, 192, 22));

    int port = comIni::read(m_directory.toStdString());
    if (port == -1) {
        m_status->setText(QStringLiteral("COM Port profile is not currently configured"));
    } else if (port >= kFirstPort && port <= kLastPort) {
        m_selection = port;
        showPort(port);
    }
}

QString TCommSetupDialog::statusTextFor(int port) {
    return QStringLiteral("COM Port %1 currently selected").arg(port);
}

void TCommSetupDialog::refreshDevices() {
    for (const ComPortInfo& info : describeComPorts()) {
        QLabel* label = m_devices[info.number - 1];
        label->setText(QString::fromStdString(info.device + ": " + portStateText(info)));
        label->setToolTip(label->text());
    }
    const std::vector<SerialAdapter> adapters = listSerialAdapters();
    QStringList lines{QStringLiteral("Serial adapters in %1:%2")
                          .arg(QString::fromLatin1(kSerialByIdDirectory),
                               adapters.empty() ? QStringLiteral(" none") : QString())};
    for (const SerialAdapter& adapter : adapters)
        lines << QString::fromStdString(adapter.name + " -> " + adapter.target);
    m_adapters->setText(lines.join(QLatin1Char('\n')));
    m_adapters->setToolTip(m_adapters->text());
}

void TCommSetupDialog::showPort(int port) {
    for (int p = kFirstPort; p <= kLastPort; ++p) m_boxes[p - 1]->setChecked(p == port);
    m_status->setText(statusTextFor(port));
}

void TCommSetupDialog::choose(int port) {
    if (port < kFirstPort || port > kLastPort)
        return;
    m_selection = port;
    showPort(port);
}

void TCommSetupDialog::apply() {
    comIni::write(m_directory.toStdString(), m_selection);
    accept();
}

}  // namespace vantrel

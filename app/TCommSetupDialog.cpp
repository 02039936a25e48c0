// The COM port selection dialog.
#include "app/TCommSetupDialog.h"

#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cerrno>
#include <initializer_list>

#include "app/DialogUnits.h"
#include "link/RF_CommunicationSetup.h"
#include "link/portDiscovery.h"

namespace vantrel {

namespace {
constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;
constexpr int kStatusLimit = 50;
// Right of the original selection area: the adapter each port is mapped to, then its device's state.
constexpr int kMapLeft = 204;
constexpr int kMapWidth = 150;
constexpr int kDeviceLeft = kMapLeft + kMapWidth + 6;
constexpr int kDeviceWidth = 160;
constexpr int kRightWidth = kDeviceLeft + kDeviceWidth - kMapLeft;
constexpr const char* kUdevExample = "60-vantrel-serial.rules";

/// Whether this user may open the device for reading and writing, asked without opening it (opening
/// drops the modem lines of a radio that may be connected).
bool mayOpen(const std::string& device) {
    return ::access(device.c_str(), R_OK | W_OK) == 0 || errno != EACCES;
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

/// The adapter's name when the path is a link of the adapter folder, else the path itself.
QString shownName(const std::string& path, const std::string& adapterDirectory) {
    const QFileInfo info(qs(path));
    if (info.absolutePath() == QFileInfo(qs(adapterDirectory)).absoluteFilePath())
        return info.fileName();
    return qs(path);
}
}  // namespace

TCommSetupDialog::TCommSetupDialog(QWidget* parent, QString directory)
    : QDialog(parent), m_directory(std::move(directory)) {
    setWindowTitle(QStringLiteral("User COM Port Selection"));
    setObjectName(QStringLiteral("TCommSetupDialog"));
    DialogUnits du(*this);
    m_plainSize = du.size(kDeviceLeft + kDeviceWidth + 8, 132);
    m_adviceSize = du.size(kDeviceLeft + kDeviceWidth + 8, 162);
    setFixedSize(m_plainSize);
    m_adapterDirectory = serialAdapterDirectory();

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

        auto* mapping = new QComboBox(this);
        mapping->setObjectName(QStringLiteral("mapping%1").arg(port));
        mapping->setGeometry(du.rect(kMapLeft, 9 + 15 * (port - 1), kMapWidth, 12));
        mapping->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        mapping->setToolTip(QStringLiteral("The serial adapter COM %1 opens").arg(port));
        connect(mapping, &QComboBox::activated, this, [this, port](int index) {
            const std::string path = m_mappingBoxes[port - 1]->itemData(index).toString().toStdString();
            if (path.empty())
                m_mapping.erase(unsigned(port));
            else
                m_mapping[unsigned(port)] = path;
            showDevice(port);
            showAdapters();
        });
        m_mappingBoxes[port - 1] = mapping;

        auto* device = new QLabel(this);
        device->setObjectName(QStringLiteral("device%1").arg(port));
        device->setGeometry(du.rect(kDeviceLeft, 10 + 15 * (port - 1), kDeviceWidth, 10));
        device->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_devices[port - 1] = device;
    }
    m_adapters = new QLabel(this);
    m_adapters->setObjectName(QStringLiteral("adapters"));
    m_adapters->setGeometry(du.rect(kMapLeft, 74, kRightWidth, 38));
    m_adapters->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_adapters->setWordWrap(true);
    m_adapters->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_mappingMessage = new QLabel(this);
    m_mappingMessage->setObjectName(QStringLiteral("mappingMessage"));
    m_mappingMessage->setGeometry(du.rect(kMapLeft, 113, kRightWidth, 14));
    m_mappingMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_mappingMessage->setWordWrap(true);
    m_mappingMessage->setStyleSheet(QStringLiteral("color: #a00000"));
    m_permission = new QLabel(this);
    m_permission->setObjectName(QStringLiteral("permissionMessage"));
    m_permission->setGeometry(du.rect(8, 130, kDeviceLeft + kDeviceWidth - 8, 30));
    m_permission->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_permission->setWordWrap(true);
    m_permission->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_permission->hide();

    std::vector<IgnoredLine> ignored;
    m_savedMapping = readPortMapping(m_directory.toStdString(), &ignored);
    m_mapping = m_savedMapping;
    if (!ignored.empty()) {
        const IgnoredLine& first = ignored.front();
        QString where = qs(kPortMappingFileName);
        if (first.line > 0)
            where += QStringLiteral(" line %1").arg(first.line);
        m_mappingMessage->setText(QStringLiteral("%1 ignored: %2").arg(where, qs(first.reason)));
    }
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
    // A reading: readable like any text, but not a field to type into.
    m_status->setReadOnly(true);
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
    m_adapterList = listSerialAdapters(m_adapterDirectory);
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        fillMappingBox(port, m_adapterList);
        showDevice(port);
    }
    showAdapters();
}

QString TCommSetupDialog::permissionAdvice(const QStringList& denied, const QString& rulesPath) {
    if (denied.isEmpty())
        return {};
    return QStringLiteral(
               "You may not open %1. Add yourself to the dialout group (sudo usermod -aG dialout "
               "$USER, then log out and in again), or give the adapter to that group with the "
               "udev rule %2 (copy it to /etc/udev/rules.d/ and plug the adapter in again).")
        .arg(denied.join(QStringLiteral(", ")), rulesPath);
}

QString TCommSetupDialog::udevExamplePath() {
    const QString installed =
        QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../share/doc/vantrel/examples/") + QLatin1String(kUdevExample));
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return QStringLiteral("docs/udev/") + QLatin1String(kUdevExample);
}

void TCommSetupDialog::showPermissionAdvice() {
    QStringList denied;
    for (const QString& port : m_deniedPorts)
        if (!port.isEmpty())
            denied << port;
    for (const SerialAdapter& adapter : m_adapterList)
        if (!mayOpen(adapter.target) && !denied.contains(qs(adapter.target)))
            denied << qs(adapter.target);
    const QString advice = permissionAdvice(denied, udevExamplePath());
    m_permission->setText(advice);
    m_permission->setVisible(!advice.isEmpty());
    fitDeviceColumn();
    setFixedSize((advice.isEmpty() ? m_plainSize : m_adviceSize) + QSize(m_extraWidth, 0));
}

void TCommSetupDialog::fitDeviceColumn() {
    const int first = m_devices[0]->width() - m_extraWidth;
    int needed = first;
    for (const QLabel* label : m_devices)
        needed =
            std::max(needed, label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin() + 4);
    // A state such as "permission denied: add the user to the dialout group" is the advice the user
    // needs: the dialog grows for it rather than cut it. Only a pathological text (a long list of
    // holders) is cut at three times the column's first width; its tooltip still holds it whole.
    const int extra = std::clamp(needed - first, 0, 3 * first);
    const int delta = extra - m_extraWidth;
    if (delta == 0)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{m_devices[0], m_devices[1], m_devices[2], m_devices[3],
                                                      m_adapters, m_mappingMessage, m_permission})
        w->resize(w->width() + delta, w->height());
    m_extraWidth = extra;
}

void TCommSetupDialog::fillMappingBox(int port, const std::vector<SerialAdapter>& adapters) {
    QComboBox* box = m_mappingBoxes[port - 1];
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(QStringLiteral("default: %1").arg(qs(routeOf(unsigned(port), PortMapping{}).device)),
                 QString());
    for (const SerialAdapter& adapter : adapters) box->addItem(qs(adapter.name), qs(adapter.path));
    const auto mapped = m_mapping.find(unsigned(port));
    if (mapped == m_mapping.end()) {
        box->setCurrentIndex(0);
        return;
    }
    int index = box->findData(qs(mapped->second));
    if (index < 0) {
        // Kept, not dropped: the technician sees which adapter to plug in again. The mark leads, so a
        // long name cut off by the box still shows it.
        box->addItem(QStringLiteral("(missing) %1").arg(shownName(mapped->second, m_adapterDirectory)),
                     qs(mapped->second));
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

void TCommSetupDialog::showDevice(int port) {
    const ComPortInfo info = describeComPort(unsigned(port), routeOf(unsigned(port), m_mapping));
    m_deniedPorts[port - 1] = info.state == PortState::NotPermitted
                                  ? QStringLiteral("COM%1 %2").arg(port).arg(qs(info.device))
                                  : QString();
    QString text;
    if (info.source == PortSource::Mapping && info.state == PortState::Missing) {
        text = qs(portStateText(info));
    } else if (info.source == PortSource::Mapping) {
        // The adapter's link says little about which tty it is now: show where it leads.
        const QString target = QFileInfo(qs(info.device)).canonicalFilePath();
        text = QStringLiteral("%1: %2").arg(target.isEmpty() ? qs(info.device) : target,
                                            qs(portStateText(info)));
    } else {
        text = qs(info.device + ": " + portStateText(info));
        if (info.source == PortSource::Environment && !info.mapped.empty())
            text += QStringLiteral(" (VANTREL_COM%1 for this run)").arg(port);
    }
    QLabel* label = m_devices[port - 1];
    label->setText(text);
    label->setToolTip(info.source == PortSource::Default ? text
                                                         : qs(info.device) + QLatin1String(": ") + text);
    m_mappingBoxes[port - 1]->setToolTip(m_mappingBoxes[port - 1]->currentData().toString().isEmpty()
                                             ? QStringLiteral("COM %1 opens its default device").arg(port)
                                             : m_mappingBoxes[port - 1]->currentData().toString());
}

void TCommSetupDialog::showAdapters() {
    QStringList lines{
        QStringLiteral("Serial adapters in %1:%2")
            .arg(qs(m_adapterDirectory), m_adapterList.empty() ? QStringLiteral(" none") : QString())};
    for (const SerialAdapter& adapter : m_adapterList) {
        QString line = qs(adapter.name + " -> " + adapter.target);
        if (!mayOpen(adapter.target))
            line += QStringLiteral(" (permission denied)");
        QStringList ports;
        for (unsigned port : portsMappedTo(adapter, m_mapping)) ports << QStringLiteral("COM%1").arg(port);
        if (!ports.isEmpty())
            line += QStringLiteral(" (mapped to %1)").arg(ports.join(QStringLiteral(", ")));
        lines << line;
    }
    m_adapters->setText(lines.join(QLatin1Char('\n')));
    m_adapters->setToolTip(m_adapters->text());
    showPermissionAdvice();
}

bool TCommSetupDialog::mapPort(int port, const QString& path) {
    if (port < kFirstPort || port > kLastPort)
        return false;
    QComboBox* box = m_mappingBoxes[port - 1];
    const int index = box->findData(path);
    if (index < 0)
        return false;
    box->setCurrentIndex(index);
    emit box->activated(index);
    return true;
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
    if (m_mapping != m_savedMapping) {
        std::string reason;
        if (!writePortMapping(m_directory.toStdString(), m_mapping, &reason)) {
            m_mappingMessage->setText(QStringLiteral("The port mapping could not be saved in %1: %2")
                                          .arg(qs(portMappingPath(m_directory.toStdString())), qs(reason)));
            return;
        }
        m_savedMapping = m_mapping;
    }
    comIni::write(m_directory.toStdString(), m_selection);
    accept();
}

}  // namespace vantrel

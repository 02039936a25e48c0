// The COM port selection dialog: four exclusive check boxes, Apply writes COM.INI; beside each box
// the serial adapter the port is mapped to (a choice) and the state of its device, and below them
// the serial adapters the system names.
#pragma once

#include <QDialog>
#include <array>

#include "link/portDiscovery.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

/// "User COM Port Selection": shows the port COM.INI names, lets the technician pick COM 1 to 4 and
/// writes the choice on "Apply ". The directory is where COM.INI lives (the program directory).
class TCommSetupDialog : public QDialog {
  public:
    explicit TCommSetupDialog(QWidget* parent, QString directory);

    /// The port chosen (1 to 4), or -1 when none.
    int selection() const { return m_selection; }
    /// Clicks the box of port 1..4 (as the user would).
    void choose(int port);
    /// "Apply ": saves the port mapping when it changed, then writes the selection and closes. A failure
    /// to write COM.INI is silent; a mapping that cannot be saved is told in mappingMessage() and the
    /// dialog stays open with nothing written.
    void apply();

    /// Chooses in port 1..4's mapping box the entry of `path` (as the user would); an empty path is
    /// the port's default device. False when the box has no such entry.
    bool mapPort(int port, const QString& path);
    /// The mapping as chosen in the boxes, saved by apply().
    const PortMapping& chosenMapping() const { return m_mapping; }

    static QString statusTextFor(int port);

    /// Probes the ports again and refreshes the device labels beside the boxes and the adapter list.
    void refreshDevices();

    /// The read-only label beside port 1..4's box ("/dev/ttyS0: available"), for tests.
    QLabel* deviceLabel(int port) const { return m_devices[port - 1]; }
    QLabel* adapterLabel() const { return m_adapters; }
    /// Port 1..4's choice of adapter.
    QComboBox* mappingBox(int port) const { return m_mappingBoxes[port - 1]; }
    /// Notes on the mapping: lines of the settings file not used, a failure to save.
    QLabel* mappingMessage() const { return m_mappingMessage; }
    /// How to get at the devices the user may not open; empty when every one can be opened.
    QLabel* permissionMessage() const { return m_permission; }

    /// The advice for devices the user may not open (`denied`: "COM1 /dev/ttyS0", adapter names): the
    /// dialout group, and the udev rule at `rulesPath`. Empty when nothing is denied.
    static QString permissionAdvice(const QStringList& denied, const QString& rulesPath);
    /// Where the udev example is: installed beside the program's share/doc, else in the sources.
    static QString udevExamplePath();

  private:
    void showPort(int port);
    /// Fills port 1..4's mapping box: the default device, the adapters, and a mapped adapter that is
    /// not plugged in, marked missing.
    void fillMappingBox(int port, const std::vector<SerialAdapter>& adapters);
    /// The label beside port 1..4 for the chosen mapping.
    void showDevice(int port);
    void showAdapters();
    /// The permission advice below the lists, the dialog growing to show it.
    void showPermissionAdvice();
    /// Widens the device column (and the dialog) until the longest device state is read whole, and
    /// narrows it again when the states grow short.
    void fitDeviceColumn();

    QString m_directory;
    int m_selection = -1;
    std::array<QCheckBox*, 4> m_boxes{};
    std::array<QLabel*, 4> m_devices{};
    std::array<QComboBox*, 4> m_mappingBoxes{};
    QLabel* m_adapters = nullptr;
    QLabel* m_mappingMessage = nullptr;
    QLabel* m_permission = nullptr;
    /// "COM1 /dev/ttyS0" for a port the user may not open, as its label last showed; else empty.
    std::array<QString, 4> m_deniedPorts;
    QSize m_plainSize;
    QSize m_adviceSize;
    int m_extraWidth = 0;  ///< pixels the device column grew beyond its first width
    std::string m_adapterDirectory;
    std::vector<SerialAdapter> m_adapterList;
    PortMapping m_savedMapping;
    PortMapping m_mapping;
    QLineEdit* m_status = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace vantrel

// The COM port selection dialog: four exclusive check boxes, Apply writes COM.INI; beside each box
// the device the port maps to and its state, and below them the serial adapters the system names.
#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
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
    /// "Apply ": writes the selection and closes. A failure to write is silent.
    void apply();

    static QString statusTextFor(int port);

    /// Probes the ports again and refreshes the device labels beside the boxes and the adapter list.
    void refreshDevices();

    /// The read-only label beside port 1..4's box ("/dev/ttyS0: available"), for tests.
    QLabel* deviceLabel(int port) const { return m_devices[port - 1]; }
    QLabel* adapterLabel() const { return m_adapters; }

  private:
    void showPort(int port);

    QString m_directory;
    int m_selection = -1;
    std::array<QCheckBox*, 4> m_boxes{};
    std::array<QLabel*, 4> m_devices{};
    QLabel* m_adapters = nullptr;
    QLineEdit* m_status = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace vantrel

// The COM port selection dialog: four exclusive check boxes, Apply writes COM.INI.
#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
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

  private:
    void showPort(int port);

    QString m_directory;
    int m_selection = -1;
    std::array<QCheckBox*, 4> m_boxes{};
    QLineEdit* m_status = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace vantrel

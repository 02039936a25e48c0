// "Bench Instruments": which instrument serves each bench role, how it is reached, its loss, and a Test
// button per role that shows the instrument's identity and one reading.
#pragma once

#include <QDialog>
#include <array>

#include "instruments/BenchConfig.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vantrel {

/// The dialog. It reads bench.conf from the settings folder (a damaged file is told and the dialog starts
/// empty) and writes it atomically on Save.
class TBenchDialog : public QDialog {
  public:
    TBenchDialog(QWidget* parent, QString settingsDirectory, std::vector<std::string> dialectPath);

    /// The bench as the controls show it. Throws InstrumentError (Config) for an address, serial setting
    /// or number that cannot be used, naming the role.
    BenchConfig chosen() const;
    /// Tests one role as the Test button does: "Testing..." at once, the identity and reading (or the
    /// failure) in resultLabel() when the instrument answered; the row's Test button waits meanwhile. A
    /// setting that cannot be used is told at once.
    void test(Role role);
    /// Whether a test still waits for its instrument.
    bool testing() const;
    /// Save: writes bench.conf and closes; a failure is told in message() and the dialog stays open.
    void save();

    // Controls, for tests and screenshots.
    QCheckBox* usedBox(Role r) const { return row(r).used; }
    QComboBox* transportBox(Role r) const { return row(r).transport; }
    QLineEdit* addressEdit(Role r) const { return row(r).address; }
    QComboBox* dialectBox(Role r) const { return row(r).dialect; }
    QDoubleSpinBox* offsetBox(Role r) const { return row(r).offset; }
    QPushButton* testButton(Role r) const { return row(r).test; }
    QLabel* resultLabel(Role r) const { return row(r).result; }
    QLabel* message() const { return m_message; }

  private:
    struct Row {
        QCheckBox* used = nullptr;
        QComboBox* transport = nullptr;
        QLineEdit* address = nullptr;
        QComboBox* dialect = nullptr;
        QSpinBox* timeout = nullptr;
        QDoubleSpinBox* offset = nullptr;
        QLineEdit* serial = nullptr;
        QPushButton* test = nullptr;
        QLabel* result = nullptr;
        bool testing = false;
    };
    const Row& row(Role r) const { return m_rows[static_cast<size_t>(r)]; }
    void show(Role role, const RoleConfig& config);
    void enableRow(Role role);
    void showCheck(Role role, const RoleCheck& check);
    RoleConfig roleConfig(Role role) const;

    QString m_settingsDirectory;
    std::vector<std::string> m_dialectPath;
    std::array<Row, kRoles.size()> m_rows;
    QLabel* m_message = nullptr;
};

}  // namespace vantrel

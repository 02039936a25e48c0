// Options > Service History Settings: where the service history is kept and who the operator is.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace vantrel {

class HistoryService;

/// Edits the history target (a SQLite file, a PostgreSQL connection, "off"; empty: the default) and the
/// operator name (empty: the login name); "Check" connects and tells the schema version and the
/// number of events. OK saves both and the recorder starts over with them.
class THistorySettingsDialog : public QDialog {
    Q_OBJECT
  public:
    THistorySettingsDialog(HistoryService& service, QWidget* parent = nullptr);

    QLineEdit* targetBox() const { return m_target; }
    QLineEdit* operatorBox() const { return m_operator; }
    QLabel* checkResult() const { return m_result; }
    /// Connects to the history typed and shows what it holds (or why it cannot).
    void check();
    void accept() override;

  private:
    HistoryService& m_service;
    QLineEdit* m_target = nullptr;
    QLineEdit* m_operator = nullptr;
    QLabel* m_result = nullptr;
};

}  // namespace vantrel

// The radio information dialog: serial and model number of the record in memory.
#pragma once

#include <QDialog>

class QLineEdit;

namespace vantrel {

class radioStorage;

/// "Radio Information": two read-only fields with the record's serial and model number as they stand.
class TRadioInfoDialog : public QDialog {
  public:
    TRadioInfoDialog(QWidget* parent, const radioStorage& record);
    QString serialText() const;
    QString modelText() const;

  private:
    QLineEdit* m_serial = nullptr;
    QLineEdit* m_model = nullptr;
};

}  // namespace vantrel

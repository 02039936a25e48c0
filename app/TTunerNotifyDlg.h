// A plain notice dialog over a dialog resource; resource 20000 is the print notification.
#pragma once

#include <QDialog>

namespace vantrel {

/// Modal notice closed with OK. Only the print notification (20000) exists.
class TTunerNotifyDlg : public QDialog {
  public:
    static constexpr int kPrintNotification = 20000;
    TTunerNotifyDlg(QWidget* parent, int resource = kPrintNotification);
};

}  // namespace vantrel

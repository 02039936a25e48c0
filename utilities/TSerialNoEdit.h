// The serial number entry: ten characters of the serial filter set; Enter notifies the window.
#pragma once

#include <QLineEdit>

namespace vantrel {

/// An edit that admits at most ten characters of the serial number's set and, when Enter goes down in
/// it, tells its parent with notification code 300 after the normal key handling.
class TSerialNoEdit : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr int kId = 4000;
    static constexpr int kEnterNotification = 300;

    explicit TSerialNoEdit(QWidget* parent);

  signals:
    /// Control id and notification code.
    void notify(int id, int code);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vantrel

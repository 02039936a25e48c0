// The measured-power box of the K and M screen: tells its screen once when it takes the focus.
#pragma once

#include <QLineEdit>

namespace vantrel {

/// An edit box for a power reading in watts. Taking the focus emits notify(id, kFocused) once until the
/// focus moves to another control (a message box or menu taking it for a while does not count). It
/// checks nothing itself: its screen reads and checks the text.
class TKMPowerEditBox : public QLineEdit {
    Q_OBJECT
  public:
    /// Notification code of a box that took the focus.
    static constexpr int kFocused = 302;

    TKMPowerEditBox(QWidget* parent, double maximum, int id, const QString& text, int x, int y, int width,
                    int height, int textLimit);

    int id() const { return m_id; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    void setMinimum(double minimum) { m_minimum = minimum; }

  signals:
    void notify(int id, int code);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int m_id;
    double m_minimum = 0.0;
    double m_maximum;
    bool m_focusNotified = false;
};

}  // namespace vantrel

// An up-down control beside its buddy edit box: arrows step the buddy's integer, release ends the scroll.
#pragma once

#include <QTimer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vantrel {

/// Two arrow buttons that step the integer shown in the buddy box within minimum..maximum. Its position
/// is read from the buddy's text, as the technician may have typed there. Holding an arrow repeats the
/// step; releasing it emits endScroll() once, which is when the screen acts on the new value.
class TUpDown : public QWidget {
    Q_OBJECT
  public:
    TUpDown(QWidget* parent, int id);

    int id() const { return m_id; }
    /// Places the control at the right edge of `buddy`, which gives up the room for it.
    void attachTo(QLineEdit* buddy);
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    /// The buddy's value, limited to the range.
    int position() const;
    /// Limits `value` to the range and writes it into the buddy as an integer.
    void setPosition(int value);
    /// One step up (+1) or down (-1) from the present position.
    void step(int delta);
    /// Lets go of an arrow held down (a message box takes its mouse release): the repeat stops and the
    /// scroll ends as if the mouse had been released.
    void letGo();

  signals:
    void endScroll();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void press(int delta);
    void release();

    int m_id;
    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
    QTimer m_repeat;
    int m_repeatDelta = 0;
    int m_minimum = 0;
    int m_maximum = 100;
};

}  // namespace vantrel

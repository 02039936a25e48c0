// The working value box of a tuning screen: Enter checks the range and moves the slider, leaving clamps.
#pragma once

#include <QLineEdit>

class QAbstractSlider;

namespace vantrel {

class UserPrompt;

/// An edit box for one softpot value (digits only), linked to the slider of its row (not owned; may be
/// null). Enter with a value inside minimum..maximum moves the slider and emits notify(id, kAccepted);
/// outside it shows the OUT OF RANGE message and nothing else happens. Losing the focus rewrites an empty
/// or out-of-range text with the nearer bound and moves the slider, without notifying anybody, except on
/// the keyed row, where an edited value is taken as with Enter so the box never disagrees with the radio.
class TTunerEditBox : public QLineEdit {
    Q_OBJECT
  public:
    /// Notification code of a value accepted with Enter.
    static constexpr int kAccepted = 300;
    /// Characters of the text Enter and focus loss look at.
    static constexpr int kReadLength = 9;
    static constexpr const char* kOutOfRangeCaption = "OUT OF RANGE";

    TTunerEditBox(QWidget* parent, UserPrompt& prompt, QAbstractSlider* slider, int maximum, int id,
                  const QString& text, int x, int y, int width, int height, int textLimit);

    int id() const { return m_id; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setMinimum(int minimum) { m_minimum = minimum; }
    void setMaximum(int maximum) { m_maximum = maximum; }
    /// The value read by the last Enter or focus loss.
    int lastValue() const { return m_lastValue; }
    /// While the transmitter is keyed at this box's row, leaving an edited box acts as Enter, and an
    /// out-of-range or empty text goes back to `radioValue` (what the radio has) after the message;
    /// otherwise leaving clamps the text to the range without notifying anybody.
    void setCommitOnLeave(bool commit, int radioValue);
    bool commitOnLeave() const { return m_commitOnLeave; }

    /// The value of the leading decimal digits of the first `length` characters of `text` (0 for none).
    static int leadingValue(const QString& text, int length);
    /// "Softpot Value (130) is not between 0 and 127".
    static std::string outOfRangeText(int value, int minimum, int maximum);

  signals:
    /// A command notification for the parent screen: the box's id and the notification code.
    void notify(int id, int code);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    /// Checks the text; inside the range moves the slider and notifies the screen (true).
    bool accept();
    void clampOnLeave();
    void commitOnLeaveNow();

    UserPrompt& m_prompt;
    QAbstractSlider* m_slider;
    int m_id;
    int m_minimum = 0;
    int m_maximum;
    int m_lastValue = 0;
    bool m_commitOnLeave = false;
    int m_radioValue = 0;
};

}  // namespace vantrel

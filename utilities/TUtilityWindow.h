// The common ground of the utility windows: placement, fonts, the open-screen code, messages, closing.
#pragma once

#include <QFont>
#include <QWidget>
#include <string>

#include "operations/sharedMessages.h"
#include "screens/screenEnvironment.h"

class QLabel;
class QPushButton;

namespace vantrel {

class radioStorage;
class UserPrompt;

/// A plain utility window (no tuning framework). It publishes its open-screen code when constructed and
/// 0 when it closes or refuses to open; the shell then removes it. A close asked for while a radio
/// action runs (the link lets the window system breathe while it waits) happens when the action ends.
class TUtilityWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kLinkErrorText = message::LinkError;
    static constexpr const char* kErrorCaption = message::ErrorCaption;
    static constexpr const char* kNoteCaption = message::NoteCaption;
    static constexpr const char* kWarningCaption = message::WarningCaption;
    static constexpr QPoint kPosition{50, 50};

    TUtilityWindow(const screenEnvironment& environment, int code, const QString& title, QSize size);
    ~TUtilityWindow() override;

    int code() const { return m_code; }
    /// Whether the window refused to open (its code was given back as 0).
    bool refused() const { return m_refused; }

  protected:
    /// Marks a radio action; a close requested meanwhile happens when the outermost action ends.
    class ActionScope {
      public:
        explicit ActionScope(TUtilityWindow& window);
        ~ActionScope();
        ActionScope(const ActionScope&) = delete;
        ActionScope& operator=(const ActionScope&) = delete;

      private:
        TUtilityWindow& m_window;
    };

    radioStorage& record() const { return *m_environment.record; }
    UserPrompt& prompt() const { return *m_environment.prompt; }
    const screenEnvironment& environment() const { return m_environment; }
    /// Gives the code back (0) and marks the window refused: the shell deletes it.
    void refuse();
    /// Closes the window (its MDI frame when it has one) once control is back in the event loop.
    void closeLater();
    void show(const char* text, const char* caption, bool exclamation);
    void showLinkError() { show(kLinkErrorText, kErrorCaption, true); }

    QLabel* addLabel(const QString& text, const QRect& geometry, bool bold = false);
    QPushButton* addButton(const QString& text, int id, const QRect& geometry, bool glyph);

    QFont m_labelFont;
    QFont m_controlFont;

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void release();

    screenEnvironment m_environment;
    int m_code;
    bool m_refused = false;
    bool m_released = false;
    bool m_placed = false;
    int m_actionDepth = 0;
    bool m_closeRequested = false;
};

}  // namespace vantrel

// The "Link Monitor" window: the decoded line, following live, pausable, filtered and saved.
#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vantrel {

class linkMonitor;
struct linkEvent;
class UserPrompt;

/// Shows what the link monitor hears. New lines follow at the bottom unless "Pause" holds them (they
/// are kept and shown when the pause ends); the filter keeps the lines that contain its text; "Save..."
/// writes the whole trace with its head, whatever is shown.
class TLinkMonitorWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxShownLines = 20000;

    TLinkMonitorWindow(linkMonitor& monitor, UserPrompt& prompt, QWidget* parent = nullptr);
    ~TLinkMonitorWindow() override;

    /// Asks where to save; empty for cancel. The default runs the save dialog.
    std::function<QString()> chooseFile;

    QPlainTextEdit* view() const { return m_view; }
    QCheckBox* pauseBox() const { return m_pause; }
    QLineEdit* filterBox() const { return m_filter; }
    /// Writes the trace; shows a message and answers false when the file cannot be written.
    bool saveTo(const QString& path);

  private:
    void heard(const linkEvent& event);
    void rebuild();
    bool shows(const QString& line) const;

    linkMonitor& m_monitor;
    UserPrompt& m_prompt;
    QPlainTextEdit* m_view;
    QCheckBox* m_pause;
    QLineEdit* m_filter;
    QPushButton* m_save;
    QPushButton* m_clear;
    size_t m_clearedBefore = 0;  ///< events up to here were cleared from the view
};

}  // namespace vantrel

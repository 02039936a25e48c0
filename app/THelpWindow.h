// The help viewer: HTML topics shipped inside the program, opened at a context number.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace vantrel {

/// Shows the help topics (one per context number, plus the index and help on help). Unknown contexts
/// open the index.
class THelpWindow : public QWidget {
  public:
    explicit THelpWindow(QWidget* parent = nullptr);

    /// Opens the topic of a context number (helpContext::Index, helpContext::UsingHelp, a screen context
    /// or a command number) and raises the window.
    void showContext(int context);
    /// The resource path a context opens.
    static QString topicFor(int context);
    QString currentTopic() const;

  private:
    QTextBrowser* m_browser = nullptr;
};

}  // namespace vantrel

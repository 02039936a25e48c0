// The help viewer: HTML topics shipped inside the program (a folder may replace them), opened at a context
// number.
#pragma once

#include <QStringList>
#include <QWidget>

class QTextBrowser;

namespace vantrel {

/// Shows the help topics (one per context number, plus the index and help on help). Unknown contexts
/// open the index. A topic (or a picture it shows) is read from the first of `folders` holding a file
/// of its name, else from the copy built into the program: a site can replace one page without the
/// others.
class THelpWindow : public QWidget {
  public:
    explicit THelpWindow(QWidget* parent = nullptr, QStringList folders = {});

    /// Opens the topic of a context number (helpContext::Index, helpContext::UsingHelp, a screen context
    /// or a command number) and raises the window.
    void showContext(int context);
    /// The resource path a context opens.
    static QString topicFor(int context);
    QString currentTopic() const;
    /// The file a topic's page is read from: the first folder's copy, else the built-in one.
    QString pageFile(const QString& topic) const;

  private:
    QTextBrowser* m_browser = nullptr;
    QStringList m_folders;
};

}  // namespace vantrel

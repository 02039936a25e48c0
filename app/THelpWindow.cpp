// The help viewer and the map from context numbers to topics.
#include "app/THelpWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/AppIcons.h"
#include "app/CommandTable.h"
#include "app/ProcedureCatalogue.h"

// The topics live in a resource of the static library, which must be registered by hand.
static void registerHelpTopics() {
    Q_INIT_RESOURCE(help);
}

namespace vantrel {

namespace {

const QString kRoot = QStringLiteral(":/help/");
const QString kIndex = QStringLiteral("index.html");
const QString kUsingHelp = QStringLiteral("usinghelp.html");

/// Topics of commands that open no screen (help mode on a menu item).
struct CommandTopic {
    int commandId;
    const char* topic;
};
const CommandTopic kCommandTopics[] = {
    {cmd::LoadArchive, "archive.html"},   {cmd::SaveArchive, "archive.html"},
    {cmd::ReadRadio, "readradio.html"},   {cmd::ProgramAll, "programall.html"},
    {cmd::PrinterSetup, "printing.html"}, {cmd::PrintPreview, "printing.html"},
    {cmd::PrintActive, "printing.html"},  {cmd::CommSettings, "comsettings.html"},
    {cmd::TempCompRead, "tempcomp.html"}, {cmd::TempCompWrite, "tempcomp.html"},
    {cmd::PortableSetup, "setup.html"},   {cmd::MobileSetup, "setup.html"},
    {cmd::RadioInfo, "radioinfo.html"},   {cmd::UsingHelp, "usinghelp.html"},
};

/// Reads each page and picture through the window, so a folder's copy replaces the built-in one.
class HelpBrowser : public QTextBrowser {
  public:
    HelpBrowser(QWidget* parent, const THelpWindow& window) : QTextBrowser(parent), m_window(window) {}

    QVariant loadResource(int type, const QUrl& name) override {
        const QString path =
            name.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + name.path() : QString();
        if (path.startsWith(kRoot)) {
            const QString file = m_window.pageFile(path);
            if (!file.startsWith(QLatin1Char(':')))
                return QTextBrowser::loadResource(type, QUrl::fromLocalFile(file));
        }
        return QTextBrowser::loadResource(type, name);
    }

  private:
    const THelpWindow& m_window;
};

}  // namespace

QString THelpWindow::pageFile(const QString& topic) const {
    const QString name = QFileInfo(topic).fileName();
    for (const QString& folder : m_folders) {
        const QFileInfo candidate(folder + QLatin1Char('/') + name);
        // A folder or a device of the page's name is no page: the search goes on past it.
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return kRoot + name;
}

QString THelpWindow::topicFor(int context) {
    registerHelpTopics();
    if (context == helpContext::UsingHelp)
        return kRoot + kUsingHelp;
    for (const CommandTopic& t : kCommandTopics) {
        if (t.commandId == context)
            return kRoot + QString::fromLatin1(t.topic);
    }
    if (const ProcedureEntry* procedure = findProcedure(context))
        context = procedure->helpContext;
    QString numbered = kRoot + QStringLiteral("%1.html").arg(context);
    if (context > 0 && QFile::exists(numbered))
        return numbered;
    return kRoot + kIndex;
}

THelpWindow::THelpWindow(QWidget* parent, QStringList folders)
    : QWidget(parent, Qt::Window), m_folders(std::move(folders)) {
    registerHelpTopics();
    setObjectName(QStringLiteral("THelpWindow"));
    setWindowTitle(QStringLiteral("Vantrel Help"));
    setWindowIcon(applicationIcon());
    m_browser = new HelpBrowser(this, *this);
    m_browser->setOpenExternalLinks(false);
    m_browser->setSearchPaths({kRoot});

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"), this,
                   [this] { showContext(helpContext::Index); });
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"),
                                   m_browser, &QTextBrowser::backward);
    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                      QStringLiteral("Forward"), m_browser, &QTextBrowser::forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(QStringLiteral("Vantrel Help - ") + m_browser->documentTitle()); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_browser, 1);
    resize(760, 640);
}

void THelpWindow::showContext(int context) {
    m_browser->setSource(QUrl(QStringLiteral("qrc") + topicFor(context)));
    show();
    raise();
    activateWindow();
}

QString THelpWindow::currentTopic() const {
    QString s = m_browser->source().toString();
    return s.startsWith(QStringLiteral("qrc")) ? s.mid(3) : s;
}

}  // namespace vantrel

// The help viewer and the map from context numbers to topics.
#include "app/THelpWindow.h"

#include <QFile>
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

}  // namespace

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

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    registerHelpTopics();
    setObjectName(QStringLiteral("THelpWindow"));
    setWindowTitle(QStringLiteral("Vantrel Help"));
    setWindowIcon(applicationIcon());
    m_browser = new QTextBrowser(this);
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

// The application object: start-up, exit reset, help and F1.
#include "app/TVantrelApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPrinter>

#include "VantrelVersion.h"
#include "app/CommandTable.h"
#include "app/HistoryService.h"
#include "app/ProcedureCatalogue.h"
#include "app/RecentFileList.h"
#include "app/TAboutDialog.h"
#include "app/TCommSetupDialog.h"
#include "app/THelpWindow.h"
#include "app/TLinkMonitorWindow.h"
#include "app/TSplashWindow.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIClient.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/dataFiles.h"
#include "operations/linkMonitor.h"
#include "operations/tuningSession.h"

namespace vantrel {

TVantrelApp::TVantrelApp(StartOptions options, UserPrompt& prompt, ShellHooks hooks)
    : m_options(std::move(options)), m_prompt(prompt), m_hooks(std::move(hooks)) {
    if (m_options.profilePath.isEmpty())
        m_options.profilePath = QStringLiteral("Vantrel.ini");
    for (QString* directory :
         {&m_options.dataDirectory, &m_options.settingsDirectory, &m_options.workDirectory})
        if (directory->isEmpty())
            *directory = m_options.programDirectory;
    m_recent = std::make_unique<RecentFileList>(m_options.profilePath);
    linkContext().programDirectory = m_options.settingsDirectory.toStdString();
    linkContext().idleHook = [this] { linkIdle(); };
    // The monitor listens from the start, so a failure can be looked at after it happened.
    m_linkMonitor = std::make_unique<linkMonitor>();
    m_linkMonitor->setHeader(kVersion, "", "");
    linkContext().tap = m_linkMonitor.get();
    m_history = std::make_unique<HistoryService>(m_options.profilePath, m_options.historyDirectory,
                                                 m_options.settingsDirectory);
    m_history->configure();
}

QString TVantrelApp::dataFilePath(const char* name) const {
    const std::string found =
        findDataFile(name, programDataFolders(m_options.settingsDirectory.toStdString(),
                                              m_options.dataDirectory.toStdString(),
                                              m_options.programDirectory.toStdString()));
    if (!found.empty())
        return QString::fromStdString(found);
    return m_options.dataDirectory + QLatin1Char('/') + QLatin1String(name);
}

QStringList TVantrelApp::helpFolders() const {
    QStringList folders;
    for (const std::string& folder :
         programDataFolders(m_options.settingsDirectory.toStdString(), m_options.dataDirectory.toStdString(),
                            m_options.programDirectory.toStdString()))
        folders << QString::fromStdString(folder) + QStringLiteral("/help");
    return folders;
}

TVantrelApp::~TVantrelApp() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    linkContext().idleHook = nullptr;
    linkContext().tap = nullptr;
    // Screens still open dekey and reset the radio now, while the window their messages belong to exists.
    if (m_frame)
        m_frame->client()->closeAllSubWindows();
    m_frame.reset();
}

void TVantrelApp::cmLinkMonitor(int) {
    if (!m_monitorWindow) {
        m_monitorWindow = std::make_unique<TLinkMonitorWindow>(*m_linkMonitor, m_prompt);
        // A tool window left open must not keep the program (and the reset at exit) waiting.
        m_monitorWindow->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_monitorWindow->show();
    m_monitorWindow->raise();
    m_monitorWindow->activateWindow();
}

void TVantrelApp::linkIdle() {
    // User input stays queued by the window system; what still arrives (closes from the window system,
    // posted commands) finds radioBusy() true and is deferred. The one exception is the progress window
    // of Read Radio and Program All: it is application modal, so the input Qt delivers then can only
    // reach that window and its Cancel button.
    auto* progress = dynamic_cast<TSplashWindow*>(QApplication::activeModalWidget());
    const bool cancellable = progress && progress->acceptsCancel();
    ++m_idleDepth;
    QCoreApplication::processEvents(cancellable ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    --m_idleDepth;
}

bool TVantrelApp::radioBusy() {
    return m_idleDepth > 0 || (client() && client()->busy());
}

void TVantrelApp::whenRadioIdle(std::function<void()> work) {
    if (m_deferred.empty() && !radioBusy()) {
        work();
        return;
    }
    m_deferred.push_back(std::move(work));
    armDeferred();
}

void TVantrelApp::armDeferred() {
    if (m_deferredArmed)
        return;
    m_deferredArmed = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_deferredArmed = false;
            runDeferred();
        },
        Qt::QueuedConnection);
}

void TVantrelApp::runDeferred() {
    while (!m_deferred.empty()) {
        if (radioBusy()) {
            // Still inside the exchange (this ran from the idle hook): look again at the next turn.
            armDeferred();
            return;
        }
        std::function<void()> work = std::move(m_deferred.front());
        m_deferred.pop_front();
        work();
    }
}

TVantrelMDIClient* TVantrelApp::client() {
    return m_frame ? m_frame->client() : nullptr;
}

QString TVantrelApp::commandLineText() const {
    QString text;
    for (const QString& a : m_options.arguments) text += a + QLatin1Char(' ');
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    return text;
}

bool TVantrelApp::ensureComPort() {
    const std::string directory = m_options.settingsDirectory.toStdString();
    if (comIni::read(directory) != -1)
        return true;
    {
        TCommSetupDialog dialog(nullptr, m_options.settingsDirectory);
        m_hooks.runDialog(dialog);
    }
    if (comIni::read(directory) != -1)
        return true;
    m_prompt.show("COM.INI could not be created. Exiting Application", "COM PORT INITIALIZATION ERROR",
                  PromptIcon::Exclamation);
    return false;
}

void TVantrelApp::probePort(int port) {
    if (port <= 0)
        return;
    try {
        std::unique_ptr<SerialDevice> device = linkContext().portOpener().open(unsigned(port));
        device->applyLineSettings();
    } catch (...) {
        // A port that cannot be opened now is reported by the first operation that needs it.
    }
}

int TVantrelApp::start(bool show) {
    if (!ensureComPort())
        return -1;
    probePort(comIni::read(m_options.settingsDirectory.toStdString()));

    m_frame = std::make_unique<TVantrelFrame>(*this);
    QObject::connect(m_history.get(), &HistoryService::noticed, m_frame.get(),
                     &TVantrelFrame::showHistoryNotice);
    QCoreApplication::instance()->installEventFilter(this);
    if (show)
        m_frame->showMaximized();
    if (hasArguments())
        m_frame->client()->loadArchive(commandLineText());
    m_frame->updateCommandStates();
    return 0;
}

void TVantrelApp::resetRadioAtExit() {
    // The radio may be gone or the port taken: leaving is never refused for that.
    resetConfiguredRadio();
}

QPrinter& TVantrelApp::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void TVantrelApp::closeToolWindows() {
    if (m_monitorWindow)
        m_monitorWindow->close();
    if (m_help)
        m_help->close();
}

// --- Help -----------------------------------------------------------------------------------------------

void TVantrelApp::showHelp(int context) {
    m_lastHelpContext = context;
    if (!m_help) {
        m_help = std::make_unique<THelpWindow>(nullptr, helpFolders());
        m_help->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_help->showContext(context);
}

void TVantrelApp::contextHelp() {
    showHelp(helpContextForScreen(m_openScreenCode));
}

void TVantrelApp::enterHelpMode() {
    if (m_helpMode)
        return;
    m_helpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

void TVantrelApp::leaveHelpMode() {
    if (!m_helpMode)
        return;
    m_helpMode = false;
    QApplication::restoreOverrideCursor();
}

bool TVantrelApp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && m_helpMode) {
        leaveHelpMode();
        return true;
    }
    if (key->key() != Qt::Key_F1 || (key->modifiers() & Qt::ShiftModifier))
        return false;
    // Keys reach the event loop during a radio operation only for its progress window: no help then.
    if (radioBusy())
        return false;
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        QAction* highlighted = menu->activeAction();
        if (highlighted && highlighted->data().isValid()) {
            // Help mode: the highlighted command's topic opens instead of the command.
            enterHelpMode();
            const int id = highlighted->data().toInt();
            for (QWidget* w = QApplication::activePopupWidget(); w; w = QApplication::activePopupWidget())
                w->close();
            leaveHelpMode();
            showHelp(id);
            return true;
        }
    }
    contextHelp();
    return true;
}

// --- Commands of the application -------------------------------------------------------------------------

void TVantrelApp::cmExit(int) {
    if (m_frame)
        m_frame->close();
}

void TVantrelApp::cmHelpIndex(int) {
    showHelp(helpContext::Index);
}
void TVantrelApp::cmUsingHelp(int) {
    showHelp(helpContext::UsingHelp);
}

void TVantrelApp::cmAbout(int) {
    TAboutDialog about(m_frame.get());
    m_hooks.runDialog(about);
}

}  // namespace vantrel

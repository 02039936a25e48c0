// The Qt glue every window over a tuning session shares.
#include "screens/TScreenSession.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QTimer>

#include "link/LinkContext.h"
#include "operations/UserPrompt.h"
#include "screens/autoTuneRun.h"

namespace vantrel {

namespace {

/// Lets the technician's input through to one window frame (its close button) and drops the rest: input
/// made while the radio was busy must not start anything once the busy part is over.
class frameInputOnly : public QObject {
  public:
    explicit frameInputOnly(QWidget* frame) : m_frame(frame) {}

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
                break;
            default:
                return false;
        }
        // The window system's window hands the event on to the widget under the mouse, which is judged.
        if (!receiver->isWidgetType())
            return false;
        return !(m_frame && receiver == m_frame);
    }

  private:
    QWidget* m_frame;
};

/// Input the window system held back while the link waited is only looked at again once the event loop
/// is woken: without this a click made during an exchange waits for the next one.
void wakeEventLoop() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

/// The session of a catalogue name. The shell offers a window only where its procedure is available, so
/// a window asked for anyway (a test, a variant) is made over the record as it stands.
std::unique_ptr<tuningSession> makeSession(std::string_view name, const sessionEnvironment& environment) {
    if (std::unique_ptr<tuningSession> made = tuningSession::create(name, environment))
        return made;
    const catalogueEntry* entry = catalogueNamed(name);
    if (!entry)
        throw std::logic_error("no catalogued procedure named " + std::string(name));
    return std::make_unique<tuningSession>(*entry, entry->makePiece(environment.pieces()), environment);
}

}  // namespace

/// The shell's prompt behind a guard: before a box takes the mouse, the window lets go of what it holds.
class TScreenSession::guardedPrompt : public UserPrompt {
  public:
    guardedPrompt(TScreenSession& screen, UserPrompt& prompt) : m_screen(screen), m_prompt(prompt) {}
    using UserPrompt::show;
    PromptAnswer show(const PromptMessage& message) override {
        m_screen.beforeModal();
        return m_prompt.show(message);
    }

  private:
    TScreenSession& m_screen;
    UserPrompt& m_prompt;
};

/// Watches, while an action runs, for a close of the window, its frame or the window around them, which
/// the shell holds back until the radio is free (or the window does, see closeEvent()): a loop of the
/// session that asks stopRequested stops early instead of running to its end first.
class TScreenSession::closeWatcher : public QObject {
  public:
    explicit closeWatcher(TScreenSession& screen) : m_screen(screen) {}

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() != QEvent::Close)
            return false;
        auto* widget = qobject_cast<QWidget*>(receiver);
        if (widget && (widget == &m_screen || widget == m_screen.parentWidget() ||
                       (widget->isWindow() && widget->isAncestorOf(&m_screen))))
            m_screen.m_closeRequested = true;
        return false;
    }

  private:
    TScreenSession& m_screen;
};

TScreenSession::ActionScope::ActionScope(TScreenSession& screen) : m_screen(screen) {
    if (m_screen.m_actionDepth++ == 0)
        QCoreApplication::instance()->installEventFilter(m_screen.m_closeWatcher.get());
}

TScreenSession::ActionScope::~ActionScope() {
    if (--m_screen.m_actionDepth != 0)
        return;
    QCoreApplication::instance()->removeEventFilter(m_screen.m_closeWatcher.get());
    wakeEventLoop();
    if (m_screen.m_closeRequested) {
        m_screen.m_closeRequested = false;
        m_screen.closeHost();
        return;
    }
    m_screen.actionEnded();
}

TScreenSession::TScreenSession(const screenEnvironment& environment, std::string_view procedure)
    : QWidget(environment.parent),
      m_environment(environment),
      m_prompt(std::make_unique<guardedPrompt>(*this, *environment.prompt)),
      m_closeWatcher(std::make_unique<closeWatcher>(*this)) {
    m_session = makeSession(procedure, sessionSurroundings());
    watch();
}

TScreenSession::TScreenSession(const screenEnvironment& environment, std::unique_ptr<procedurePiece> piece)
    : QWidget(environment.parent),
      m_environment(environment),
      m_prompt(std::make_unique<guardedPrompt>(*this, *environment.prompt)),
      m_closeWatcher(std::make_unique<closeWatcher>(*this)),
      m_ownTitle(environment.identity.title.toStdString()) {
    m_ownEntry = std::make_unique<catalogueEntry>(catalogueEntry{
        "window", environment.identity.commandId, environment.identity.code, m_ownTitle.c_str(), nullptr,
        environment.identity.helpContext, catalogueKind::Procedure, nullptr, nullptr, ""});
    m_session = std::make_unique<tuningSession>(*m_ownEntry, std::move(piece), sessionSurroundings());
    watch();
}

sessionEnvironment TScreenSession::sessionSurroundings() {
    sessionEnvironment session;
    session.record = m_environment.record;
    session.openConnection = configuredPortOpener();
    session.prompt = m_prompt.get();
    session.reread = m_environment.readRadio;
    session.stopRequested = [this] { return closeAsked(); };
    session.stillFits = [this] {
        return !m_environment.commandAvailable ||
               m_environment.commandAvailable(m_environment.identity.commandId);
    };
    session.bboConfig = m_environment.bboConfig;
    session.settingsDirectory = linkContext().programDirectory;
    session.programDirectory = m_environment.programDirectory.toStdString();
    return session;
}

void TScreenSession::watch() {
    // A window made without the shell's identity (a test, a tool) is known by its catalogue row.
    screenIdentity& identity = m_environment.identity;
    if (identity.code == 0)
        identity.code = m_session->entry().code;
    if (identity.title.isEmpty())
        identity.title = QString::fromLatin1(m_session->entry().title);
    m_session->setOnChange([this] { changed(); });
    setWindowTitle(m_environment.identity.title);
    setObjectName(QStringLiteral("tuningScreen%1").arg(m_environment.identity.code));
    *m_environment.openScreenCode = m_environment.identity.code;
}

TScreenSession::~TScreenSession() {
    // Destroyed without a close event (the shell tearing down, a test): the radio is still tidied.
    closingSequence(false);
}

UserPrompt& TScreenSession::prompt() const {
    return *m_prompt;
}

bool TScreenSession::event(QEvent* event) {
    // The window's place in the main window: the frame that takes it in goes to the fixed position, and
    // again when first shown, as the main window may have placed it meanwhile.
    const bool place = event->type() == QEvent::ParentChange || (event->type() == QEvent::Show && !m_placed);
    if (place) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            frame->move(kPosition);
            m_placed = event->type() == QEvent::Show;
        }
    }
    return QWidget::event(event);
}

bool TScreenSession::closeAsked() {
    if (!m_closeRequested) {
        frameInputOnly filter(parentWidget());
        QCoreApplication::instance()->installEventFilter(&filter);
        wakeEventLoop();
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(&filter);
    }
    return m_closeRequested;
}

void TScreenSession::closeHost() {
    QWidget* host = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!host)
        host = this;
    QTimer::singleShot(0, host, [host] { host->close(); });
}

void TScreenSession::render(const sessionState&) {}
void TScreenSession::beforeModal() {}
void TScreenSession::actionEnded() {}

void TScreenSession::refresh() {
    render(m_session->state());
}

void TScreenSession::changed() {
    const sessionState state = m_session->state();
    // The radio tunes itself: the wait box stands over the window, which takes no input meanwhile.
    if (state.autoTuning && !m_autoTune)
        m_autoTune = std::make_unique<autoTuneRun>(*this, m_environment);
    else if (!state.autoTuning && m_autoTune)
        m_autoTune.reset();
    if (m_displayReady)
        render(state);
    // A re-read brought in a radio this procedure does not fit: the window must not stay usable.
    if (state.closeWanted && !m_closeAsked && !m_closed) {
        m_closeAsked = true;
        closeHost();
    }
}

// --- Opening and closing ----------------------------------------------------------------------------------

bool TScreenSession::open() {
    ActionScope scope(*this);
    int& code = *m_environment.openScreenCode;
    m_displayReady = false;
    m_refused = !m_session->open().done();
    if (m_refused)
        code = 0;
    m_displayReady = true;
    refresh();
    return code != 0;
}

void TScreenSession::closeEvent(QCloseEvent* event) {
    // A radio exchange is running below us (the window system asked to close while the link waited):
    // close once it is over.
    if (m_actionDepth > 0) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    closingSequence(true);
    QWidget::closeEvent(event);
}

void TScreenSession::closingSequence(bool withNotes) {
    if (m_closed)
        return;
    m_closed = true;
    *m_environment.openScreenCode = 0;
    m_autoTune.reset();
    if (!withNotes)
        m_session->setOnChange(nullptr);
    const bool busy = m_session->touchedRadio();
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_session->close(withNotes);
    if (busy)
        QApplication::restoreOverrideCursor();
}

}  // namespace vantrel

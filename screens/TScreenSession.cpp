// The radio session every screen shares.
#include "screens/TScreenSession.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QTimer>

#include "link/EnhancedSBEP.h"
#include "operations/UserPrompt.h"
#include "operations/radioOperations.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

/// A serial number as a person can read it: blanks stay, other unprintable bytes show as '?'.
std::string printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    }
    return text;
}

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

}  // namespace

/// The shell's prompt behind a guard: before a box takes the mouse, the screen lets go of what it holds.
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

/// Watches, while an action runs, for a close of the screen, its frame or the window around them, which
/// the shell holds back until the radio is free (or the screen does, see closeEvent()): a loop that
/// asks closeAsked() stops early instead of running to its end first.
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

TScreenSession::TScreenSession(const screenEnvironment& environment, screenCapabilities capabilities)
    : QWidget(environment.parent),
      m_environment(environment),
      m_capabilities(capabilities),
      m_prompt(std::make_unique<guardedPrompt>(*this, *environment.prompt)),
      m_closeWatcher(std::make_unique<closeWatcher>(*this)),
      m_connection(*m_prompt) {
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
    // The screen's place in the main window: the frame that takes it in goes to the fixed position, and
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

// --- Hooks ------------------------------------------------------------------------------------------------

void TScreenSession::setupRadio(EnhancedSBEP&) {}
void TScreenSession::fillDisplay() {}
void TScreenSession::keyStateChanged() {}
void TScreenSession::connectionClosed() {}
void TScreenSession::beforeClosing() {}
void TScreenSession::afterClosing() {}
void TScreenSession::beforeModal() {}
void TScreenSession::actionEnded() {}

std::string TScreenSession::linkErrorText() const {
    return kLinkErrorText;
}

std::string TScreenSession::mismatchText() const {
    return kMismatchText;
}

// --- Connection and serial number
// ---------------------------------------------------------------------------

bool TScreenSession::openConnection() {
    if (!m_connection.open())
        return false;
    m_reachedPort = true;
    return true;
}

void TScreenSession::closeConnection() {
    m_connection.close();
    connectionClosed();
}

bool TScreenSession::checkSerial() {
    if (m_environment.operations->serialMatches(record(), link()))
        return true;
    mismatchDialog();
    return false;
}

TScreenSession::MismatchOutcome TScreenSession::mismatchDialog() {
    closeConnection();
    const std::string connectedSerial = m_environment.operations->lastSerialRead();
    // Under the question, which two radios differ: the one on the cable and the one in memory.
    const std::string connected = printable(connectedSerial);
    const std::string inMemory = printable(record().serialNoBytes().substr(0, record::kSerialNoLength));
    const std::string text =
        mismatchText() + "\n\nRadio connected: " + connected + "\nRadio in memory: " + inMemory;
    if (prompt().show(text, kWarningCaption, PromptIcon::Information, PromptButtons::OkCancel) !=
        PromptAnswer::Ok)
        return MismatchOutcome::Cancelled;
    if (!m_environment.readRadio)
        return MismatchOutcome::Cancelled;
    m_environment.readRadio();
    // The read ends with a reset: the radio is dekeyed and out of test mode.
    markDekeyed();
    if (record().serialNoBytes().substr(0, record::kSerialNoLength) != connectedSerial) {
        // The read did not bring that radio in (it failed, or was cancelled, and said so): the record is
        // not the connected radio's, so nothing of it may be set up there. A record left unusable by a
        // failed read takes the screen with it.
        if (m_displayReady && !fitsRecord())
            closeHost();
        return MismatchOutcome::NotRead;
    }
    if (!fitsRecord()) {
        // The radio now connected does not have this procedure: the screen must not stay usable.
        prompt().show(kNoLongerFitsText, kNoteCaption, PromptIcon::Information);
        if (m_displayReady)
            closeHost();
        return MismatchOutcome::NoLongerFits;
    }
    if (m_displayReady)
        refreshAfterRead();
    return MismatchOutcome::Reread;
}

bool TScreenSession::fitsRecord() const {
    return !m_environment.commandAvailable ||
           m_environment.commandAvailable(m_environment.identity.commandId);
}

void TScreenSession::refreshAfterRead() {
    // The screen starts over on the radio now connected, as if just opened.
    fillDisplay();
    if (!openConnection())
        return;
    m_refused = false;
    try {
        setupRadio(link());
    } catch (const Exception&) {
        failAction();
    }
    closeConnection();
    if (m_refused)
        closeHost();
}

// --- Failures and keying ----------------------------------------------------------------------------------

void TScreenSession::showLinkError() {
    prompt().show(linkErrorText(), kErrorCaption, PromptIcon::Exclamation);
}

void TScreenSession::failAction() {
    // A transmitter that is or may be keyed is dekeyed before anything else, above all before a message
    // that may stay on the screen for minutes.
    bool stillKeyed = false;
    if ((m_keyed || m_keyUpSent) && m_connection.isOpen()) {
        try {
            link().dekey();
            markDekeyed();
        } catch (const Exception&) {
            // Its state is unknown: keep it marked keyed, so PTT Toggle and closing dekey it.
            m_keyed = true;
            stillKeyed = true;
            keyStateChanged();
        }
    } else if (m_keyed || m_keyUpSent) {
        m_keyed = true;
        stillKeyed = true;
    }
    m_keyUpSent = false;
    showLinkError();
    if (stillKeyed)
        warnStillKeyed();
    closeConnection();
}

void TScreenSession::refuseRadio(const std::string& text) {
    m_refused = true;
    prompt().show(text, kErrorCaption, PromptIcon::Exclamation);
}

void TScreenSession::warnStillKeyed() {
    prompt().show(kStillKeyedText, kWarningCaption, PromptIcon::Exclamation);
}

void TScreenSession::keyUp(EnhancedSBEP& link) {
    m_keyUpSent = true;
    link.keyUp();
    m_keyed = true;
    m_keyUpSent = false;
    keyStateChanged();
}

void TScreenSession::dekey(EnhancedSBEP& link, bool onlyIfKeyed) {
    if (onlyIfKeyed && !m_keyed)
        return;
    link.dekey();
    markDekeyed();
}

void TScreenSession::markDekeyed() {
    m_keyed = false;
    m_keyUpSent = false;
    keyStateChanged();
}

// --- Opening and closing ----------------------------------------------------------------------------------

bool TScreenSession::open() {
    ActionScope scope(*this);
    int& code = *m_environment.openScreenCode;
    m_connection.close();
    m_displayReady = false;

    if (!openConnection()) {
        code = 0;
        fillDisplay();
        return false;
    }
    try {
        if (m_environment.operations->serialMatches(record(), link())) {
            closeConnection();
        } else if (mismatchDialog() != MismatchOutcome::Reread) {
            // Cancel keeps the record of another radio: nothing of it may reach the radio on the cable,
            // not even the closing reset. A re-read radio that lacks the procedure was reset by the read.
            m_reachedPort = false;
            code = 0;
        }
    } catch (const Exception&) {
        showLinkError();
        closeConnection();
        code = 0;
    }
    if (code != 0) {
        if (!openConnection()) {
            code = 0;
        } else {
            m_refused = false;
            try {
                setupRadio(link());
            } catch (const Exception&) {
                // An opening that keyed the radio dekeys it before the message.
                failAction();
                code = 0;
            }
            if (m_refused)
                code = 0;
            closeConnection();
        }
    }
    // The mismatch dialog's re-read may already have filled the display, or closed the screen.
    fillDisplay();
    m_displayReady = true;
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

void TScreenSession::closingSequence(bool withHooks) {
    if (m_closed)
        return;
    m_closed = true;
    if (withHooks)
        beforeClosing();
    *m_environment.openScreenCode = 0;
    // A screen that never got hold of the port has sent nothing there is to undo.
    if (m_reachedPort) {
        if (!m_connection.open()) {
            if (m_keyed || m_keyUpSent)
                warnStillKeyed();
        } else {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            bool dekeyed = true;
            if (m_capabilities.dekeyAtClose) {
                try {
                    m_connection.link().dekey();
                    m_keyed = false;
                    m_keyUpSent = false;
                    // The status must not go on saying "keyed up" under a message shown at closing.
                    if (withHooks)
                        keyStateChanged();
                } catch (const Exception&) {
                    dekeyed = false;
                }
            }
            // The reset is tried even after a dekey the radio did not confirm: it takes the radio out
            // of test mode and, when it is heard, off the air.
            try {
                m_connection.link().resetRadio();
            } catch (const Exception&) {
                // Closing goes on whatever the radio says.
            }
            m_connection.close();
            QApplication::restoreOverrideCursor();
            if (!dekeyed && (m_keyed || m_keyUpSent))
                warnStillKeyed();
        }
    }
    if (withHooks)
        afterClosing();
}

}  // namespace vantrel

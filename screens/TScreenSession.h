// The Qt glue of every window over a tuning session: the session it owns, the guarded prompt, the close
// held while the radio is busy, the wait box of auto-tuning and the window's place.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "operations/procedureCatalogue.h"
#include "operations/sharedMessages.h"
#include "operations/tuningSession.h"
#include "screens/screenEnvironment.h"

namespace vantrel {

class autoTuneRun;

/// A window that shows one tuning session (a procedure or a utility of the catalogue) and forwards its
/// controls to it. The session does the radio work: the connection per action, the serial number check,
/// keying, the failure path, the opening and the closing. This class adds what only a window has.
///
/// Lifecycle: construct (publishes the open-screen code), then open() (the session's opening, then the
/// display); create<T>() does both. When the opening fails the open-screen code is 0 and the shell closes
/// the window again. Closing (the close event) sets the code to 0 and closes the session (dekey, reset,
/// the procedure's notes). A window destroyed without a close event still closes the session, without
/// the notes.
///
/// A close asked for while an action runs (the frame's close button, the main window closing) is held
/// until the action ends; loops of the session ask stopRequested between exchanges, which lets only the
/// frame's close click through, and stop, after which the window closes. Every message box goes through
/// prompt(), which first lets go of whatever the mouse holds in the window (beforeModal()), so a box never
/// leaves a control repeating on its own.
class TScreenSession : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kLinkErrorText = message::LinkError;
    static constexpr const char* kErrorCaption = message::ErrorCaption;
    static constexpr const char* kWarningCaption = message::WarningCaption;
    static constexpr const char* kMismatchText = message::Mismatch;
    /// Shown whenever a dekey failed while the transmitter was or may have been on the air.
    static constexpr const char* kStillKeyedText = message::StillKeyed;
    /// Shown when a re-read brought in a radio the open window does not fit.
    static constexpr const char* kNoLongerFitsText = message::NoLongerFits;
    static constexpr const char* kNoteCaption = message::NoteCaption;
    /// Where the frame of every window stands in the main window.
    static constexpr QPoint kPosition{50, 50};

    /// The window of the catalogued `procedure` (its script name) over the environment's record.
    TScreenSession(const screenEnvironment& environment, std::string_view procedure);
    /// The window of a procedure of its own that is not catalogued: `piece` over the environment's record,
    /// titled as the identity says.
    TScreenSession(const screenEnvironment& environment, std::unique_ptr<procedurePiece> piece);
    ~TScreenSession() override;

    /// Constructs a window of class Screen (constructor taking the environment) and opens it.
    template <class Screen>
    static Screen* create(const screenEnvironment& environment) {
        auto* screen = new Screen(environment);
        screen->open();
        return screen;
    }

    /// The session's opening, then the display. Answers false when it did not open (the open-screen code
    /// is then 0).
    bool open();

    const screenIdentity& identity() const { return m_environment.identity; }
    bool keyed() const { return m_session->keyed(); }
    bool displayReady() const { return m_displayReady; }
    /// Whether the opening failed (the window gave its code back and the shell closes it).
    bool refused() const { return m_refused; }
    bool connectionOpen() const { return m_session->connectionOpen(); }
    /// True once a close is under way or done.
    bool closing() const { return m_closed; }
    /// True while an action talks to the radio: input that would start another exchange is refused.
    bool actionRunning() const { return m_actionDepth > 0; }
    /// True when the window was asked to close while an action ran; it closes when the action ends.
    bool closeRequested() const { return m_closeRequested; }
    tuningSession& session() const { return *m_session; }

  protected:
    /// Shows the session's state; called after every change of it.
    virtual void render(const sessionState& state);
    /// Just before a message box: controls the mouse holds (a slider's repeating page step, a held arrow)
    /// are let go, as the box takes the mouse release.
    virtual void beforeModal();
    /// The outermost action ended (input held meanwhile may start the next one).
    virtual void actionEnded();

    /// Marks a running action; a close requested meanwhile happens when the outermost action ends.
    class ActionScope {
      public:
        explicit ActionScope(TScreenSession& screen);
        ~ActionScope();
        ActionScope(const ActionScope&) = delete;
        ActionScope& operator=(const ActionScope&) = delete;

      private:
        TScreenSession& m_screen;
    };
    /// Runs one call of the session as an action of the window.
    template <class Call>
    sessionOutcome drive(Call&& call) {
        ActionScope scope(*this);
        return call(*m_session);
    }

    /// Runs inside a loop of exchanges: lets the technician's click on the frame's close button through
    /// (other input made meanwhile is dropped) and answers whether a close was asked for.
    bool closeAsked();

    const screenEnvironment& environment() const { return m_environment; }
    radioStorage& record() const { return *m_environment.record; }
    /// The shell's prompt, behind the guard that lets go of the mouse first.
    UserPrompt& prompt() const;
    void setDisplayReady(bool ready) { m_displayReady = ready; }
    /// Renders the session's state now.
    void refresh();
    /// Closes the window (its frame when it has one) once control is back in the event loop.
    void closeHost();

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    class guardedPrompt;
    class closeWatcher;
    friend class guardedPrompt;
    friend class closeWatcher;

    /// Hands the session the window's surroundings and watches it.
    sessionEnvironment sessionSurroundings();
    void watch();
    void changed();
    void closingSequence(bool withNotes);

    screenEnvironment m_environment;
    std::unique_ptr<guardedPrompt> m_prompt;
    std::unique_ptr<closeWatcher> m_closeWatcher;
    std::string m_ownTitle;                      ///< the title of a procedure that is not catalogued
    std::unique_ptr<catalogueEntry> m_ownEntry;  ///< its row, which its session names
    std::unique_ptr<tuningSession> m_session;
    std::unique_ptr<autoTuneRun> m_autoTune;
    bool m_displayReady = false;
    bool m_refused = false;
    bool m_closed = false;
    bool m_closeAsked = false;  ///< the session wanted the window closed (a re-read radio lacks it)
    int m_actionDepth = 0;
    bool m_closeRequested = false;
    bool m_placed = false;
};

}  // namespace vantrel

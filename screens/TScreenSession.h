// What every screen that talks to the radio shares: the connection per action, the serial number check,
// keying, the failure path and the opening and closing sequences.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <type_traits>

#include "link/Exceptions.h"
#include "operations/procedureRules.h"
#include "operations/sharedMessages.h"
#include "screens/screenEnvironment.h"
#include "screens/tuningConnection.h"

namespace vantrel {

class EnhancedSBEP;

/// The radio session of one screen. A screen derives from it and supplies the radio set-up of its
/// procedure (setupRadio) and its display (fillDisplay); the rest of the protocol is here.
///
/// Lifecycle: construct (publishes the open-screen code), then open() (opening sequence, display);
/// create<T>() does both. When open() fails the open-screen code is 0 and the shell closes the window
/// again. Closing (the close event) runs beforeClosing(), sets the code to 0, dekeys the radio (screens
/// that key) and resets it, then runs afterClosing(). A window destroyed without a close event still
/// dekeys and resets, without the hooks.
///
/// Every radio action opens its own connection and closes it at its end. Link failures are caught and
/// shown as the screen's link-failure text; a failure while the radio is or may be keyed first tries to
/// dekey it, and a dekey that fails warns that the radio may still be transmitting.
///
/// A close asked for while an action runs (the frame's close button, the main window closing) is held
/// until the action ends; loops that talk to the radio for long ask closeAsked() between exchanges and
/// stop, after which the screen closes (dekey, reset). Every message box goes through prompt(), which
/// first lets go of whatever the mouse holds in the screen (beforeModal()), so a box never leaves a
/// control repeating on its own.
class TScreenSession : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kLinkErrorText = tuningConnection::kLinkErrorText;
    static constexpr const char* kErrorCaption = message::ErrorCaption;
    static constexpr const char* kWarningCaption = message::WarningCaption;
    static constexpr const char* kMismatchText = message::Mismatch;
    /// Shown whenever a dekey failed while the transmitter was or may have been on the air.
    static constexpr const char* kStillKeyedText = message::StillKeyed;
    /// Shown when a re-read brought in a radio the open screen does not fit.
    static constexpr const char* kNoLongerFitsText = message::NoLongerFits;
    static constexpr const char* kNoteCaption = message::NoteCaption;
    /// Where the frame of every screen stands in the main window.
    static constexpr QPoint kPosition{50, 50};

    TScreenSession(const screenEnvironment& environment, screenCapabilities capabilities);
    ~TScreenSession() override;

    /// Constructs a screen of class Screen (constructor taking the environment) and opens it.
    template <class Screen>
    static Screen* create(const screenEnvironment& environment) {
        auto* screen = new Screen(environment);
        screen->open();
        return screen;
    }

    /// Opening sequence, then the display. Answers false when the screen refused to open (the open-screen
    /// code is then 0).
    bool open();

    const screenIdentity& identity() const { return m_environment.identity; }
    const screenCapabilities& capabilities() const { return m_capabilities; }
    bool keyed() const { return m_keyed; }
    bool displayReady() const { return m_displayReady; }
    bool connectionOpen() const { return m_connection.isOpen(); }
    /// True once a close is under way or done.
    bool closing() const { return m_closed; }
    /// True while an action talks to the radio: input that would start another exchange is refused.
    bool actionRunning() const { return m_actionDepth > 0; }
    /// True when the window was asked to close while an action ran; it closes when the action ends.
    bool closeRequested() const { return m_closeRequested; }

  protected:
    /// Whether the serial number is checked before an action.
    enum class SerialCheck { Yes, No };

    // --- Hooks --------------------------------------------------------------------------------------
    /// Opening: puts the radio into the procedure's test mode and selects the initial channels.
    virtual void setupRadio(EnhancedSBEP& link);
    /// Fills the display from the record (after opening and after a re-read).
    virtual void fillDisplay();
    /// The keyed state changed (status text, buttons).
    virtual void keyStateChanged();
    /// The connection was closed (points prepared in it are no longer prepared).
    virtual void connectionClosed();
    /// Before the radio is dekeyed and reset at closing (warnings about the values left behind).
    virtual void beforeClosing();
    /// After the closing sequence (notes for the technician).
    virtual void afterClosing();
    /// The text shown for a link failure during an action.
    virtual std::string linkErrorText() const;
    /// Just before a message box: controls the mouse holds (a slider's repeating page step, a held arrow)
    /// are let go, as the box takes the mouse release.
    virtual void beforeModal();
    /// The outermost action ended (input held meanwhile may start the next one).
    virtual void actionEnded();
    /// The serial number mismatch question.
    virtual std::string mismatchText() const;

    // --- Protocol -----------------------------------------------------------------------------------
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

    /// Opens the configured port unless a connection is open; false (with the port message) when busy.
    bool openConnection();
    void closeConnection();
    EnhancedSBEP& link() { return m_connection.link(); }
    tuningConnection& connection() { return m_connection; }
    /// The serial number check: true when the radio is the record's. On a mismatch runs the mismatch
    /// dialog (which closes the connection) and answers false. Link failures propagate.
    bool checkSerial();
    /// Runs one action: opens a connection, checks the serial number when asked, runs `body` with the
    /// link, closes the connection. A link failure runs the failure path. A body answering bool stops the
    /// action with false. Answers true when the body ran to its end.
    template <class Body>
    bool runAction(SerialCheck check, Body&& body) {
        ActionScope scope(*this);
        if (!openConnection())
            return false;
        try {
            if (check == SerialCheck::Yes && !checkSerial())
                return false;
            if constexpr (std::is_same_v<decltype(body(link())), bool>) {
                if (!body(link())) {
                    closeConnection();
                    return false;
                }
            } else {
                body(link());
            }
        } catch (const Exception&) {
            failAction();
            return false;
        }
        closeConnection();
        return true;
    }
    /// The failure path of an action: dekeys a radio that is or may be keyed, shows the link-failure
    /// text, closes the connection.
    void failAction();
    /// Tells the technician of a link failure: the link-failure text in a message box. A screen that
    /// reports failures in its status box instead overrides it.
    virtual void showLinkError();

    /// Keys the transmitter; the screen counts as keyed as soon as the radio confirmed it.
    void keyUp(EnhancedSBEP& link);
    /// Dekeys the transmitter (when `onlyIfKeyed`, only when the screen keyed it).
    void dekey(EnhancedSBEP& link, bool onlyIfKeyed = true);
    /// Forgets the keyed state (the radio was reset).
    void markDekeyed();
    /// Runs inside a loop of exchanges (auto-tune runs, Program): lets the technician's click on the
    /// frame's close button through (other input made meanwhile is dropped) and answers whether a close
    /// was asked for; the loop then stops after the exchange in progress and the screen closes.
    bool closeAsked();
    /// The warning after a failed dekey.
    void warnStillKeyed();
    /// The row the transmitter was keyed at.
    int keyedRow() const { return m_keyedRow; }
    void setKeyedRow(int row) { m_keyedRow = row; }

    /// Called by setupRadio() when the radio cannot be set up for this screen (nothing unsafe was sent):
    /// shows `text` (caption "ERROR"); the screen then does not open, or closes when it was open already.
    void refuseRadio(const std::string& text);

    /// What became of a serial number mismatch.
    enum class MismatchOutcome {
        Cancelled,     ///< the technician kept the record; nothing more is sent
        Reread,        ///< the radio now connected was read into the record
        NotRead,       ///< the read failed or was cancelled: the record is not the connected radio's
        NoLongerFits,  ///< it was read, and this screen's procedure does not exist on it
    };
    /// The mismatch question; on OK re-reads the radio and, while the screen is open, starts it over on
    /// the new radio (or closes it when the radio does not fit).
    MismatchOutcome mismatchDialog();

    const screenEnvironment& environment() const { return m_environment; }
    radioStorage& record() const { return *m_environment.record; }
    /// The shell's prompt, behind the guard that lets go of the mouse first.
    UserPrompt& prompt() const;
    void setDisplayReady(bool ready) { m_displayReady = ready; }

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    class guardedPrompt;
    class closeWatcher;
    friend class guardedPrompt;
    friend class closeWatcher;

    /// Whether the re-read radio still has this screen's procedure.
    bool fitsRecord() const;
    void refreshAfterRead();
    void closingSequence(bool withHooks);
    void closeHost();

    screenEnvironment m_environment;
    screenCapabilities m_capabilities;
    std::unique_ptr<guardedPrompt> m_prompt;
    std::unique_ptr<closeWatcher> m_closeWatcher;
    tuningConnection m_connection;
    bool m_keyed = false;
    int m_keyedRow = 0;
    bool m_keyUpSent = false;  ///< a key-up went out unconfirmed: the radio may be keyed
    bool m_displayReady = false;
    bool m_reachedPort = false;  ///< some connection opened: the closing sequence has a radio to tidy
    bool m_closed = false;
    bool m_refused = false;  ///< setupRadio() found the radio unfit for the screen
    int m_actionDepth = 0;
    bool m_closeRequested = false;
    bool m_placed = false;
};

}  // namespace vantrel

// The one tuning state machine: a catalogued procedure or utility opened on the radio of the record, its
// actions, keying, the failure path and the closing, for every window and every script.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "operations/procedurePiece.h"
#include "operations/radioOperations.h"
#include "operations/sessionOutcome.h"

namespace vantrel {

class EnhancedSBEP;
class OperationInterrupted;
class bboConfigFileModule;
struct catalogueEntry;

/// Opens one connection to the radio for one action (a `cominit` on the configured port, a virtual line in
/// tests); destroying it closes the port. Throws PortInUseError when the port cannot be opened, another link
/// Exception when the port refused its line settings.
using connectionOpener = std::function<std::unique_ptr<EnhancedSBEP>()>;

/// The opener of the port the program is configured for (the link context's): one `cominit` per call.
connectionOpener configuredPortOpener();
/// Resets the radio on the configured port (leaving the program): answers whether the radio confirmed it.
/// Never throws: a radio that is gone or a port that is taken only answers false.
bool resetConfiguredRadio();

/// What a session works with. The session reads no global: the connection, the prompt and the re-read are
/// given here.
struct sessionEnvironment {
    radioStorage* record = nullptr;  ///< the radio's record; must outlive the session
    connectionOpener openConnection;
    /// Every message and question (the mismatch question, the commit questions, the texts of the
    /// procedure); must outlive the session.
    UserPrompt* prompt = nullptr;
    /// Reads the radio connected into the record (OK to the mismatch question). Empty: OK is taken as
    /// Cancel.
    std::function<void()> reread;
    /// Asked between two exchanges of a loop (Program, auto-tune runs): true stops it there.
    std::function<bool()> stopRequested;
    /// Whether the procedure still exists on the record after a re-read. Empty: the catalogue's
    /// availability on the radio read.
    std::function<bool()> stillFits;
    /// The baseband offset configuration (bbo-update); nullptr: the session loads its own when needed.
    bboConfigFileModule* bboConfig = nullptr;
    std::string settingsDirectory;       ///< searched first for bbo.cfg
    std::string programDirectory = ".";  ///< searched last for bbo.cfg
    /// The catalogued procedure's piece over these surroundings.
    pieceEnvironment pieces() const { return {record, bboConfig, settingsDirectory, programDirectory}; }
};

/// One row as a window shows it.
struct sessionRowState {
    int number = 0;  ///< how scripts name it: the frequency point 1..7, else its place from 1
    int point = 0;   ///< frequency point 1..7 of its side, 0 for none
    std::string label;
    double frequencyMhz = 0;
    bool supported = false;
    int minimum = 0;
    int maximum = 0;
    int value = 0;                   ///< the working value: the last one sent, taken or shown
    std::optional<int> recordValue;  ///< the record's value; none for a row without a place there
    bool enabled = false;            ///< takes input now
    bool actionEnabled = false;      ///< its own button (toggle, auto-tune, update) can be used now
    std::string entry;               ///< the text of its entry (readings, the utilities' entries)
    std::optional<int> reading;      ///< a second value shown beside it (RSSI: the level in dBm)
};

/// Everything a window of the session shows, as plain data.
struct sessionState {
    std::string procedure;  ///< the catalogue name
    bool open = false;      ///< opened and not closed
    bool closed = false;
    bool keyed = false;  ///< keyed, or may be (a key-up or dekey went unconfirmed)
    std::optional<int> keyedRow;
    int selectedRow = 0;
    std::string status;
    bool autoTuning = false;   ///< the radio tunes itself: the wait box stands
    bool closeWanted = false;  ///< a re-read brought in a radio the procedure does not fit: close the window
    /// Counts the times every working value was taken again from the record (opening, a re-read): a window
    /// refills its entries when it changes, and otherwise keeps what the technician is typing.
    int reloads = 0;
    std::vector<sessionRowState> rows;
    std::vector<std::pair<std::string, std::string>> readouts;  ///< ("rssi-dac", "11.0"), ...
};

/// How a window's step reached the session.
enum class stepKind {
    Step,   ///< a slider line or page step: its own connection
    Drag,   ///< a drag position: the connection stays open until endDrag()
    Value,  ///< an up-down or Enter: the serial number is checked every time
};

/// One procedure opened on the radio. Every action opens its own connection and closes it at its end (a
/// drag keeps one), checks the serial number where the procedure's windows do, runs the procedure's steps,
/// and on a link failure dekeys a radio that is or may be keyed before it tells the failure (and warns that
/// the radio may still transmit when that dekey is not confirmed). A stop asked for between exchanges stops
/// loops after the exchange in progress. Closing dekeys, then resets even when the dekey failed, and says
/// what the radio confirmed.
///
/// Program has one behaviour: point by point in order, each value checked when reached (above the maximum
/// or below the minimum: the illegal-value text, empty: the empty-value text; either stops Program), a point
/// the radio answers "unsupported" refused and not stored, points written before a stop staying written in
/// the radio and the record.
class tuningSession : private sessionContext {
  public:
    static constexpr const char* kKeyedElsewhereText =
        "The radio is keyed up at another point: dekey it before sending a value here.";
    static constexpr const char* kUnsupportedRowText = "This point is not used on this radio.";
    static constexpr const char* kNoSuchRowText = "There is no such point on this procedure.";
    static constexpr const char* kNoPttText = "This procedure does not key the transmitter.";
    static constexpr const char* kNotKeyedText =
        "This procedure sends values while the radio is keyed: key it first.";
    static constexpr const char* kRowLockedText = "This row takes no value now: turn its toggle on first.";
    static constexpr const char* kNoProgramText = "This procedure has no Program.";
    static constexpr const char* kNotOpenText = "The procedure is not open.";
    static constexpr const char* kOutOfRangeCaption = "OUT OF RANGE";
    /// The text of a value outside a row's range.
    static std::string outOfRangeText(int value, int minimum, int maximum);

    /// Why create() refused.
    enum class refusal { None, UnknownName, NotOnThisRadio };
    /// The session of the catalogued `name` over the environment's record; nullptr when refused (`why`
    /// and `text`, the user's reason, say why). The session is not opened yet.
    static std::unique_ptr<tuningSession> create(std::string_view name, const sessionEnvironment& environment,
                                                 refusal* why = nullptr, std::string* text = nullptr);

    tuningSession(const catalogueEntry& entry, std::unique_ptr<procedurePiece> piece,
                  sessionEnvironment environment);
    /// A session still open is closed (dekey, reset), without the piece's closing notes, prompts or
    /// change callback.
    ~tuningSession() override;
    tuningSession(const tuningSession&) = delete;
    tuningSession& operator=(const tuningSession&) = delete;

    const catalogueEntry& entry() const { return m_entry; }
    procedurePiece& piece() { return *m_piece; }
    const procedurePiece& piece() const { return *m_piece; }
    /// What the windows show, built from the record and the session now.
    sessionState state() const;
    /// Called whenever the state changed (one watcher).
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // --- Actions ------------------------------------------------------------------------------------------
    /// The opening sequence: the serial number check, then the procedure's test mode and channels on a
    /// connection of its own. Not Done: the procedure did not open (close() still tidies what was sent).
    sessionOutcome open();
    /// Selects a row (a script's point): its channels are set after the serial number check. While keyed at
    /// another point nothing is sent; the row is only chosen.
    sessionOutcome select(int row);
    /// A window's step on a row: dekeys first when keyed elsewhere, checks the serial number (each time for a
    /// Value, once per connection otherwise), selects the row's channels when dekeyed and sends the value
    /// live when keyed (or always, for procedures that never key).
    sessionOutcome step(int row, int value, stepKind kind);
    /// The drag on a row ended: its connection goes.
    void endDrag(int row);
    /// A script's live value: refused (nothing sent) outside the row's range, for a row that takes no value,
    /// while keyed at another point, or while dekeyed on a procedure that sends values keyed; otherwise a
    /// Value step.
    sessionOutcome live(int row, int value);
    /// Keys at the selected row and sends its working value live (its channels first when the radio has
    /// another point's). Refused while keyed at another point.
    sessionOutcome key();
    /// Dekeys when keyed; nothing is sent otherwise.
    sessionOutcome dekey();
    /// PTT Toggle: dekeys when keyed, keys at the selected row otherwise.
    sessionOutcome togglePtt();
    /// Program with the working values `values` (nullopt: an empty box), one per row.
    sessionOutcome program(const std::vector<std::optional<int>>& values);
    /// Program with the session's working values.
    sessionOutcome program();
    /// Whether the procedure has an action.
    bool offers(sessionAction action) const { return m_piece->offers(action); }
    /// Runs an action of the procedure (auto-tune, toggle, update, reading, spacing).
    sessionOutcome act(sessionAction action, const actionRequest& request);
    /// The closing sequence, once: dekey (when the procedure keys, or is keyed), then reset whatever the
    /// dekey answered; the still-keyed warning when the dekey went unconfirmed; the procedure's notes.
    closingOutcome close();
    /// close(), leaving out the procedure's closing notes when `withNotes` is false (a window torn down
    /// without being closed); the still-keyed warning is shown either way.
    closingOutcome close(bool withNotes);

    bool isOpen() const { return m_open; }
    bool closed() const { return m_closed; }
    /// Keyed, or may be: a key-up or a dekey went unconfirmed.
    bool keyed() const override { return m_keyed || m_keyUpSent; }
    int keyedRow() const { return m_keyedRow; }
    int selectedRow() const override { return m_selected; }
    int workingValue(int row) const { return m_values[size_t(row)]; }
    /// Makes `value` the row's working value and the row the selected one without sending anything (a
    /// window's step that never reached the radio; the next key-up sends it). Out of range rows are ignored.
    void setWorkingValue(int row, int value);
    /// Whether a connection is open now (a drag's, between its positions).
    bool connectionOpen() const { return m_link != nullptr; }
    /// Whether closing has something to undo on the radio (test mode or channels were sent).
    bool touchedRadio() const { return m_reachedPort; }

  private:
    // --- sessionContext ------------------------------------------------------------------------------------
    EnhancedSBEP& link() override { return *m_link; }
    radioStorage& record() override { return *m_environment.record; }
    UserPrompt& prompt() override { return *m_environment.prompt; }
    void keyUp() override;
    void dekeyRadio() override;
    void setStatus(const std::string& text) override;
    bool stopAsked() override;
    void setAutoTuning(bool on) override;
    sessionOutcome run(bool checkSerial,
                       const std::function<void(EnhancedSBEP&, sessionOutcome&)>& body) override;
    void refuseRadio(const std::string& text) override;
    void refuseOpening(const PromptMessage& shown, bool told) override;
    bool askReread(const PromptMessage& question) override;
    void takeValue(int row, int value) override;
    void reloadValues() override;
    void changed() override;

    /// Program as the session runs it; program() records it in the service history.
    sessionOutcome programRun(const std::vector<std::optional<int>>& values);
    /// An action of the procedure as its piece runs it; act() records it in the service history.
    sessionOutcome actRun(sessionAction action, const actionRequest& request);
    /// Runs `body` (Program or an action that changes the radio) as one service history event.
    sessionOutcome recorded(const std::function<sessionOutcome()>& body);
    /// The end of a successful opening: the working values from the record, the opened status.
    sessionOutcome opened();
    bool openConnection(sessionOutcome& outcome);
    void closeConnection();
    /// The serial number check on the open connection; on a mismatch the mismatch question (which closes the
    /// connection) and false. Link failures propagate.
    bool checkSerial(sessionOutcome& outcome);
    void mismatch(sessionOutcome& outcome);
    bool fits() const;
    void refreshAfterRead();
    /// The failure path of an action after `failure`.
    void failAction(sessionOutcome& outcome, const std::string& failure);
    /// The end of an action a stop signal interrupted: its connection closed, `outcome` marked Stopped.
    sessionOutcome stopped(sessionOutcome& outcome, const OperationInterrupted& stop);
    void markDekeyed();
    void keyStateChanged();
    /// Selects a row's channels and shows it as the point being tuned.
    void prepare(int row);
    void sendLive(int row, int value);
    /// Keys at `row`: its channels first when needed, the key-up, the procedure's step, the value live.
    sessionOutcome keyAt(int row);
    /// Refuses a row that does not exist or that the radio does not use.
    bool validRow(int row, sessionOutcome& outcome) const;
    void resetValues();

    const catalogueEntry& m_entry;
    std::unique_ptr<procedurePiece> m_piece;
    sessionEnvironment m_environment;
    radioOperations m_operations;
    std::function<void()> m_onChange;
    std::unique_ptr<EnhancedSBEP> m_link;

    std::vector<int> m_values;
    std::vector<bool> m_preparedInConnection;  ///< channels set within the open connection (a drag's)
    int m_channelsPoint = -1;                  ///< the point whose channels the radio has; -1 unknown
    int m_selected = 0;
    bool m_keyed = false;
    bool m_keyUpSent = false;  ///< a key-up went out unconfirmed: the radio may be keyed
    int m_keyedRow = 0;
    bool m_open = false;
    bool m_closed = false;
    bool m_reachedPort = false;  ///< closing has a radio to tidy
    bool m_refused = false;      ///< the opening found the radio unfit
    PromptMessage m_refusal;
    bool m_closeWanted = false;
    bool m_autoTuning = false;
    int m_reloads = 0;
    int m_connections = 0;  ///< connections opened or used so far: whether an action reached the port
    std::string m_status;
};

}  // namespace vantrel

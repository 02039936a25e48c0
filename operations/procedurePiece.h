// The radio behaviour of one tuning procedure: its rows and what each radio step sends. The tuning session
// runs the steps; a procedure that differs from the standard one is a small piece overriding its steps.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "operations/UserPrompt.h"
#include "operations/procedureRules.h"
#include "operations/sessionOutcome.h"
#include "radio/RF_Frequency.h"

namespace vantrel {

class EnhancedSBEP;
class radioStorage;

/// A value refused before anything was sent (out of the row's range, empty, another row keyed...). `text`
/// is exactly what the window shows for it; `caption` its caption ("ERROR", "NOTE").
struct valueRefused : std::exception {
    valueRefused() = default;
    valueRefused(std::string text, std::string caption, PromptIcon icon = PromptIcon::Exclamation)
        : text(std::move(text)), caption(std::move(caption)), icon(icon) {}
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::Exclamation;
    const char* what() const noexcept override;
};

/// The actions beside open, select, key, live, program and close that some procedures have.
enum class sessionAction {
    AutoTune,  ///< the radio tunes a row itself (auto squelch), or every point in a run (PA voltage limit)
    Toggle,    ///< a PA bias row's toggle: zeroes its set and frees the row, or locks it again
    Update,    ///< RSSI: the radio takes a threshold at the level applied; utilities: write the entry
    Reading,   ///< text typed into a row's entry (K and M power readings, the utilities' entries)
    Spacing,   ///< baseband offsets: the channel spacing whose rows are shown
};

/// What an action names besides its kind.
struct actionRequest {
    int row = 0;               ///< 0-based row
    std::string text;          ///< Reading: the entry's text
    std::optional<int> value;  ///< Spacing: 0..2
};

/// What a piece's steps may ask of the session that runs them: the connection of the running action, the
/// record, keying (the session keeps whether the transmitter is on), the status text, the prompt, and
/// whether a stop was asked for between two exchanges.
class sessionContext {
  public:
    virtual ~sessionContext() = default;
    /// The open connection; valid only inside run().
    virtual EnhancedSBEP& link() = 0;
    virtual radioStorage& record() = 0;
    virtual UserPrompt& prompt() = 0;
    /// Keys the transmitter; the session counts it keyed from the moment the request may reach the radio.
    virtual void keyUp() = 0;
    /// Dekeys the transmitter when the session keyed it.
    virtual void dekeyRadio() = 0;
    virtual bool keyed() const = 0;
    virtual void setStatus(const std::string& text) = 0;
    /// True when a close or a stop was asked for: a loop stops after the exchange in progress.
    virtual bool stopAsked() = 0;
    /// Whether the radio's auto-tune wait box stands (the window shows it while true).
    virtual void setAutoTuning(bool on) = 0;
    /// Runs one action of the radio: a connection of its own, the serial number check when `checkSerial`
    /// (a mismatch runs the mismatch question and stops), `body`, the connection closed. A link failure runs
    /// the failure path (dekey a radio that may be keyed, the link-failure text). `body` stops the action by
    /// setting the outcome's kind. Answers the outcome.
    virtual sessionOutcome run(bool checkSerial,
                               const std::function<void(EnhancedSBEP&, sessionOutcome&)>& body) = 0;
    /// The opening finds the radio unfit for the procedure (nothing unsafe was sent): shows `text` (caption
    /// "ERROR"); the procedure does not open.
    virtual void refuseRadio(const std::string& text) = 0;
    /// The opening is refused with `shown` (already shown when `told`).
    virtual void refuseOpening(const PromptMessage& shown, bool told) = 0;
    /// Asks `question` (OK and Cancel); on OK the radio connected is read into the record. Answers whether
    /// it was read.
    virtual bool askReread(const PromptMessage& question) = 0;
    /// The row selected now (the current point).
    virtual int selectedRow() const = 0;
    /// A value the radio settled on becomes the row's working value and the row the current one, as if the
    /// technician had moved the row there (nothing is sent).
    virtual void takeValue(int row, int value) = 0;
    /// The record changed under the rows (a read): every row's working value becomes the record's again.
    virtual void reloadValues() = 0;
    /// The state changed (the session tells its watcher).
    virtual void changed() = 0;
};

/// One procedure's rows over a record and its radio steps. The standard steps use the procedure's data
/// set; pieces override what differs. Keeps no session state (keyed, selected row): the session does.
class procedurePiece {
  public:
    static constexpr const char* kErrorCaption = "ERROR";
    static constexpr const char* kNoteCaption = "NOTE";
    /// The refusal of an action the procedure does not have.
    static constexpr const char* kNoSuchActionText = "This procedure has no such action.";

    struct rowInfo {
        int point = 0;            ///< frequency point 1..7 of the row's side, 0 for none
        double frequencyMhz = 0;  ///< 0 when none
        bool supported = false;   ///< unsupported rows are shown "UNSUPPORTED" and never written
    };
    /// Outcome of programming one point: stored, or refused with the text to show.
    struct pointOutcome {
        bool stored = true;
        std::string refusedText;
    };

    /// The piece of `rules` over `record` (which must outlive it); the data set comes from the rules'
    /// maker unless given.
    procedurePiece(procedureRules rules, radioStorage& record,
                   std::unique_ptr<tuningDataSet> dataSet = nullptr);
    virtual ~procedurePiece();
    procedurePiece(const procedurePiece&) = delete;
    procedurePiece& operator=(const procedurePiece&) = delete;

    const procedureRules& rules() const { return m_rules; }
    radioStorage& record() const { return m_record; }
    /// The procedure's data set; nullptr for a procedure without one.
    tuningDataSet* dataSet() const { return m_dataSet.get(); }

    // --- Rows ---------------------------------------------------------------------------------------------
    /// Derives every row's point, support and frequency from the record (after opening and a re-read).
    virtual void assignPoints();
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const tuningRow& rowSpec(int row) const { return m_rows[size_t(row)].spec; }
    int pointOfRow(int row) const { return m_rows[size_t(row)].info.point; }
    bool rowSupported(int row) const { return m_rows[size_t(row)].info.supported; }
    double rowFrequency(int row) const { return m_rows[size_t(row)].info.frequencyMhz; }
    /// The row's label: its fixed text, else "F" and its point, else empty.
    std::string rowLabel(int row) const;
    /// The first row in use (0 when none is).
    int firstSupportedRow() const;
    bool anySupported() const;
    /// Whether the rows are frequency points (not softpots of their own).
    bool pointRows() const { return m_rules.kind != screenLayoutKind::SoftpotRows; }
    /// The record's value of a row (0 for a row without a record place).
    int recordValue(int row) const;
    /// Stores a value in the record (nothing for a row without a record place).
    void storeValue(int row, int value);
    /// Whether `value` is inside the row's range.
    bool inRange(int row, int value) const;
    bool keys() const { return m_rules.capabilities.ptt; }
    bool liveWhileDekeyed() const { return m_rules.capabilities.liveWhileDekeyed; }

    // --- Radio steps --------------------------------------------------------------------------------------
    /// Opening: the procedure's test mode, then the initial channels.
    virtual void setupRadio(EnhancedSBEP& link);
    /// Opening within a session: pieces that key or may refuse the radio override this one.
    virtual void setupRadio(sessionContext& session);
    /// Selects the channel pair of a row's point (transmit channel first); nothing when it has none.
    virtual void selectChannels(int row, EnhancedSBEP& link);
    /// Sends a row's value for the radio to use at once, without storing it.
    virtual void writeLive(int row, int value, EnhancedSBEP& link);
    /// The transmitter was keyed at `row`, before its value goes live.
    virtual void keyedUp(int row, EnhancedSBEP& link);
    /// Program's check of one row's value (nullopt: an empty box): the refusal, or nullopt when it passes.
    /// A value below the row's minimum is refused as one above its maximum.
    virtual std::optional<valueRefused> checkValue(int row, std::optional<int> value) const;
    /// Programs one row (its channels already selected) and stores it in the record, or refuses it.
    virtual pointOutcome programPoint(int row, int value, EnhancedSBEP& link);
    /// programPoint, then the radio's answer: a point the radio refused ("unsupported", 0x86) was not
    /// programmed, so the record keeps its previous value and the point counts as refused.
    pointOutcome programPointChecked(int row, int value, EnhancedSBEP& link);
    /// After every row was programmed, before the current point is prepared again.
    virtual void afterProgram(EnhancedSBEP& link);
    /// What Program says when it reached its end; nullopt for nothing.
    virtual std::optional<PromptMessage> doneMessage() const;
    /// The refused-value message of a point; `ownRule` when the procedure refused it before writing.
    virtual std::string refusedText(int point, bool ownRule) const;
    /// The text shown for a link failure.
    virtual std::string linkErrorText() const;
    /// Whether a step reaches the radio while dekeyed; otherwise a dekeyed step is only shown.
    virtual bool stepsWhileDekeyed() const { return true; }
    /// Whether Program dekeys the radio before it writes.
    virtual bool programDekeys() const { return true; }
    /// Whether the opening checks the serial number first (the utilities check in their own words).
    virtual bool checksSerialAtOpening() const { return true; }
    /// Whether the procedure starts over on a radio read in after the mismatch question; otherwise what it
    /// holds belongs to the radio it was opened for, and it closes (an opening ends there).
    virtual bool restartsAfterReread() const { return true; }
    /// Whether the opening talks to the radio at all (a utility that only writes when asked opens without).
    virtual bool usesRadioAtOpening() const { return true; }
    /// Whether closing dekeys and resets the radio (the utilities leave no test mode behind).
    virtual bool tidiesAtClose() const { return true; }
    /// What a port that cannot be opened is told as; nullopt: the port message.
    virtual std::optional<PromptMessage> portBusyMessage() const { return std::nullopt; }
    /// Whether link failures are told in the status text rather than a message box (once opened).
    virtual bool failuresInStatus() const { return false; }
    /// Whether a step on `row` keeps the transmitter keyed at `keyedRow` (else it dekeys first).
    virtual bool sameKeyPlace(int keyedRow, int row) const;
    /// The status while keyed at `row`.
    virtual std::string keyedStatus(int row) const;
    /// The status once opened.
    virtual std::string openedStatus() const;
    /// Whether the status follows keying ("Radio is currently dekeyed", the keyed text).
    virtual bool statusFollowsKey() const { return true; }

    // --- Actions of some procedures -----------------------------------------------------------------------
    virtual bool offers(sessionAction action) const;
    /// Runs an action the procedure offers (see offers()); the default refuses.
    virtual sessionOutcome act(sessionAction action, const actionRequest& request, sessionContext& session);
    /// Program for procedures whose Program is not the point-row one (it reads their entries, not values);
    /// nullopt for the others.
    virtual std::optional<sessionOutcome> programOwn(sessionContext& session);
    /// After the closing sequence (notes for the technician).
    virtual void afterClosing(UserPrompt& prompt);
    /// The connection of an action was closed.
    virtual void connectionClosed() {}
    /// Whether a row takes input now (its box): supported, and on PA bias its toggle on.
    virtual bool rowEnabled(int row) const { return rowSupported(row); }
    /// Whether a row's own button (toggle, auto-tune, update) can be used now.
    virtual bool rowActionEnabled(int row) const { return rowSupported(row); }
    /// The text typed into a row's entry (Reading), if the procedure keeps entries.
    virtual std::string entry(int row) const;
    /// A second value of a row the window shows beside it (RSSI: the level in dBm); nullopt for none.
    virtual std::optional<int> rowReading(int row) const;
    /// Named read-outs the window shows ("rssi-dac", "target-voltage", ...), as text.
    virtual std::vector<std::pair<std::string, std::string>> readouts() const;

  protected:
    struct Row {
        tuningRow spec;
        rowInfo info;
    };
    /// The row specs the procedure's rules give.
    std::vector<tuningRow> defaultRows() const;
    void setRows(std::vector<tuningRow> rows);
    RF_Frequency& frequency() const { return m_frequency; }

  private:
    procedureRules m_rules;
    radioStorage& m_record;
    std::unique_ptr<tuningDataSet> m_dataSet;
    mutable RF_Frequency m_frequency;
    std::vector<Row> m_rows;
};

class bboConfigFileModule;

/// What a piece is made over.
struct pieceEnvironment {
    radioStorage* record = nullptr;
    /// The baseband offset configuration the application holds (nullptr: none; the radios that hold their
    /// own offsets need none).
    bboConfigFileModule* bboConfig = nullptr;
    /// Where bbo.cfg is looked for when it is not loaded yet: the settings folder, the data folders, then
    /// the program folder (bboConfigFileModule::locate).
    std::string settingsDirectory;
    std::string programDirectory = ".";
};

/// Makes the piece of a procedure (the catalogue holds one per procedure).
using pieceMaker = std::unique_ptr<procedurePiece> (*)(const pieceEnvironment& environment);

}  // namespace vantrel

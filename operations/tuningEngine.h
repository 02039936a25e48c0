// The tuning engine: the logic of a point-row tuning procedure without any user interface. The tuning
// screens show it with widgets and dialogs; a script drives it over a line protocol.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/procedureRules.h"
#include "radio/RF_Frequency.h"

namespace vantrel {

class EnhancedSBEP;
class radioStorage;

/// One procedure that has a screen: its stable name for scripts (lowercase words joined by '-', fixed
/// forever once published) and the title its window shows.
struct procedureInfo {
    std::string name;
    std::string title;
    int commandId = 0;  ///< the menu command that opens its screen
};
/// Every procedure the engine knows, in menu order (also those makeEngine refuses as not scriptable).
const std::vector<procedureInfo>& procedureNames();

/// Why makeEngine refused.
enum class engineRefusal { None, UnknownName, NotOnThisRadio, NotScriptable };

class tuningEngine;

/// The engine of a named procedure over `record` (which must outlive it). nullptr when refused:
/// `refusal` and `text` (the user-facing reason) say why.
std::unique_ptr<tuningEngine> makeEngine(const std::string& name, radioStorage& record,
                                         engineRefusal* refusal = nullptr, std::string* text = nullptr);

/// A value refused before anything was sent (out of the row's range, empty, another row keyed...). `text`
/// is exactly what the screen shows for it; `caption` its caption ("ERROR", "NOTE").
struct valueRefused : std::exception {
    valueRefused() = default;
    valueRefused(std::string text, std::string caption, PromptIcon icon = PromptIcon::Exclamation)
        : text(std::move(text)), caption(std::move(caption)), icon(icon) {}
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::Exclamation;
    const char* what() const noexcept override;
};

/// The rows of one procedure over a record, and every radio step of tuning them: the test-mode set-up,
/// channel selection, live writes, range checks, programming and storing a point, keying and closing.
///
/// The low-level steps (setupRadio, selectChannels, writeLive, checkValue, programPoint, storeValue,
/// afterProgram) keep no session state; the tuning screens call them inside their own actions. The
/// session steps (open, selectRow, key, dekey, live, program, close) keep the keyed state and the
/// selected row and enforce the safety rules a script needs.
class tuningEngine {
  public:
    static constexpr const char* kErrorCaption = "ERROR";
    static constexpr const char* kNoteCaption = "NOTE";
    /// live() while the transmitter is keyed at another point.
    static constexpr const char* kKeyedElsewhereText =
        "The radio is keyed up at another point: dekey it before sending a value here.";
    static constexpr const char* kUnsupportedRowText = "This point is not used on this radio.";
    static constexpr const char* kNoSuchRowText = "There is no such point on this procedure.";
    static constexpr const char* kNoPttText = "This procedure does not key the transmitter.";
    /// Caption of a live value outside the row's range.
    static constexpr const char* kOutOfRangeCaption = "OUT OF RANGE";
    /// The text of a live value outside the row's range.
    static std::string outOfRangeText(int value, int minimum, int maximum);

    struct pointInfo {
        int row = 0;              ///< 0-based row of the screen
        int point = 0;            ///< frequency point 1..7 (0: the row is not a frequency point)
        std::string label;        ///< "F1 ..." style label or the row's fixed label
        double frequencyMhz = 0;  ///< 0 when none
        bool supported = false;   ///< unsupported rows are shown "UNSUPPORTED" and never written
        int minimum = 0, maximum = 0;
        int recordValue = 0;  ///< the record's (default) value
    };

    /// The engine of `rules` over `record`; the data set comes from the rules' maker unless given.
    tuningEngine(procedureRules rules, radioStorage& record,
                 std::unique_ptr<tuningDataSet> dataSet = nullptr);
    virtual ~tuningEngine();
    tuningEngine(const tuningEngine&) = delete;
    tuningEngine& operator=(const tuningEngine&) = delete;

    /// The engine `rules` ask for (their maker, or the standard one), with `dataSet` or the rules' own.
    static std::unique_ptr<tuningEngine> create(const procedureRules& rules, radioStorage& record,
                                                std::unique_ptr<tuningDataSet> dataSet = nullptr);

    const procedureRules& rules() const { return m_rules; }
    radioStorage& record() const { return m_record; }
    /// The procedure's data set; nullptr for a procedure without one.
    tuningDataSet* dataSet() const { return m_dataSet.get(); }

    // --- Rows -------------------------------------------------------------------------------------------
    /// Derives every row's point, support and frequency from the record (after opening and a re-read).
    void assignPoints();
    const std::vector<pointInfo>& points() const;
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const tuningRow& rowSpec(int row) const { return m_rows[size_t(row)].spec; }
    int pointOfRow(int row) const { return m_rows[size_t(row)].point; }
    bool rowSupported(int row) const { return m_rows[size_t(row)].supported; }
    double rowFrequency(int row) const { return m_rows[size_t(row)].frequencyMhz; }
    /// The first row in use (0 when none is).
    int firstSupportedRow() const;
    bool anySupported() const;
    /// Whether the rows are frequency points (not softpots of their own).
    bool pointRows() const { return m_rules.kind != screenLayoutKind::SoftpotRows; }
    /// The record's value of a row (0 for a row without a record place).
    int recordValue(int row) const;
    bool keys() const { return m_rules.capabilities.ptt; }
    bool liveWhileDekeyed() const { return m_rules.capabilities.liveWhileDekeyed; }

    // --- Radio steps ------------------------------------------------------------------------------------
    /// Opening: the procedure's test mode, then the initial channels.
    virtual void setupRadio(EnhancedSBEP& link);
    /// Selects the channel pair of a row's point (transmit channel first); nothing when it has none.
    virtual void selectChannels(int row, EnhancedSBEP& link);
    /// Sends a row's value for the radio to use at once, without storing it.
    virtual void writeLive(int row, int value, EnhancedSBEP& link);
    /// Program's check of one row's value (nullopt: an empty box): the refusal, or nullopt when it passes.
    virtual std::optional<valueRefused> checkValue(int row, std::optional<int> value) const;
    /// Whether `value` is inside the row's range (what a live value must be).
    bool inRange(int row, int value) const;
    /// Outcome of programming one point: stored, or refused with the text to show.
    struct pointOutcome {
        bool stored = true;
        std::string refusedText;
    };
    /// Programs one row (its channels already selected) and stores it in the record, or refuses it.
    virtual pointOutcome programPoint(int row, int value, EnhancedSBEP& link);
    /// programPoint, then the radio's answer: a point the radio refused ("unsupported", 0x86) was not
    /// programmed, so the record keeps its previous value and the point counts as refused.
    pointOutcome programPointChecked(int row, int value, EnhancedSBEP& link);
    /// Stores a programmed value in the record (nothing for a row without a record place).
    void storeValue(int row, int value);
    /// After every row was programmed, before the current point is prepared again.
    virtual void afterProgram(EnhancedSBEP& link);
    /// The refused-value message of a point; `ownRule` when the procedure refused it before writing.
    virtual std::string refusedText(int point, bool ownRule) const;

    // --- Session ------------------------------------------------------------------------------------------
    /// The opening sequence of the screen: test mode set-up and the first point's channels.
    void open(EnhancedSBEP& link);
    /// Selects a row's channels (the screen's "prepare"); dekeys first when keyed at another row.
    void selectRow(int row, EnhancedSBEP& link);
    /// Keys up at the selected row and sends its current value live, as PTT Toggle does.
    void key(EnhancedSBEP& link);
    /// Dekeys when keyed (failures propagate; the engine then still counts as possibly keyed).
    void dekey(EnhancedSBEP& link);
    /// True while the radio is or may be keyed (a key-up or dekey that failed leaves it true).
    bool keyed() const { return m_keyed; }
    int selectedRow() const { return m_selectedRow; }
    /// The value last sent live, or the record's, at a row.
    int currentValue(int row) const;
    /// Sends `value` live for `row`; throws valueRefused (nothing sent) when outside the row's range,
    /// the row is not in use, or another row is keyed. Selects the row's channels first when needed.
    void live(int row, int value, EnhancedSBEP& link);
    /// The screen's Program without dialogs: dekeys, checks every supported row's value (nullopt = empty
    /// box) with the screen's texts, programs each, stores in the record. Throws valueRefused before
    /// anything is written when a value is refused by a check; link failures throw the link's exception.
    /// `progress` (optional) follows the run as it goes, so after a link failure it tells which rows had
    /// already reached the radio and which one was in progress.
    struct programResult {
        bool ok = true;
        std::string refusedText;
        std::vector<int> programmedRows;  ///< rows the radio took, in order
        std::vector<int> refusedRows;     ///< rows refused by the procedure's rule or by the radio
        std::optional<int> failedRow;     ///< the row in progress when the run stopped on a link failure
    };
    programResult program(const std::vector<std::optional<int>>& values, EnhancedSBEP& link,
                          programResult* progress = nullptr);
    /// Closing: dekey when keyed (and the procedure keys), then reset; the reset is tried even if the
    /// dekey failed; answers false when the dekey could not be confirmed (the still-keyed warning).
    bool close(EnhancedSBEP& link);
    /// Whether the last close's reset was answered.
    bool resetConfirmed() const { return m_resetConfirmed; }

  private:
    struct Row {
        tuningRow spec;
        int point = 0;
        bool supported = false;
        double frequencyMhz = 0.0;
        int current = 0;  ///< the value last sent live (the record's until then)
        bool selected = false;
    };

    void buildRows();
    void checkRow(int row) const;

    procedureRules m_rules;
    radioStorage& m_record;
    std::unique_ptr<tuningDataSet> m_dataSet;
    RF_Frequency m_frequency;
    std::vector<Row> m_rows;
    mutable std::vector<pointInfo> m_points;

    bool m_keyed = false;
    int m_keyedRow = 0;
    int m_selectedRow = 0;
    bool m_resetConfirmed = false;
};

}  // namespace vantrel

// The description of one tuning procedure without its screen geometry: rows, record places, ranges, the
// data set, the Program rules and the texts. The screens add a layout; the session needs only this.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "operations/UserPrompt.h"
#include "operations/sharedMessages.h"
#include "operations/tuningDataSet.h"

namespace vantrel {

class radioStorage;
struct procedureRules;

/// What a procedure can do with the transmitter and the record.
struct screenCapabilities {
    bool ptt = true;                ///< a "PTT Toggle" button keys and dekeys the transmitter
    bool liveWhileDekeyed = false;  ///< value changes go to the radio at once even while dekeyed
    bool dekeyAtClose = true;       ///< closing sends dekey before the reset
    bool programButton = true;      ///< a "Program" button writes the values into the radio

    /// A procedure that never keys: live writes at once, closing sends only the reset.
    static screenCapabilities neverKeys() { return {false, true, false, true}; }
};

/// Which frequency points a procedure has rows for.
enum class screenLayoutKind {
    SevenPoint,   ///< one row per point F1..F7
    SingleValue,  ///< one row: one softpot for the whole radio, tuned at one chosen point
    /// Explicit rows, each a softpot of its own rather than a frequency point: every row is in use, a row
    /// has no slider and selects no channel, and keying is not tied to a row (the PA bias screens).
    SoftpotRows,
};

/// The point a single-value procedure works at, chosen from the points of its side.
enum class singlePoint { Lowest, Middle, Highest };

/// One row of a procedure: a frequency point or a named value, its record place, softpot and range.
struct tuningRow {
    /// recordRow of a row that has no place in the record: it starts at 0, shows no default value and is
    /// never stored.
    static constexpr int kNoRecord = -1;

    int point = 0;      ///< frequency point 1..7 of its side; 0 on a single-value screen: the chosen point
    std::string label;  ///< fixed text shown instead of the point's frequency ("DAC 1"); empty: frequency
    int recordRow = 0;  ///< record place of the value
    int recordColumn = 0;
    std::uint8_t softpot = 0;  ///< the radio's softpot number the row writes
    int minimum = 0;
    int maximum = 127;
    std::string button;  ///< text of a button of the row's own ("Auto Tune"); empty for none
    int buttonId = 0;
    int y = 0;  ///< the row's own y on screens whose rows are not evenly spaced; 0: 30 pixels per row
};

/// Creates the data set adapter of a procedure (once per screen or engine). It holds a function over
/// procedureRules or over a description derived from it (a screen's, which adds its layout); the latter
/// must then be called with that description.
class dataSetMaker {
  public:
    using Result = std::unique_ptr<tuningDataSet>;

    dataSetMaker() = default;
    dataSetMaker(std::nullptr_t) {}
    template <class Description>
    requires std::derived_from<Description, procedureRules> dataSetMaker(Result (*make)(const Description&))
        : m_raw(reinterpret_cast<Raw>(make)), m_call(make ? &call<Description> : nullptr) {}
    /// A lambda without captures, as a function over its description.
    template <class Lambda>
    requires requires(Lambda f) { +f; } && std::is_class_v<Lambda> dataSetMaker(Lambda f) : dataSetMaker(+f) {
    }

    explicit operator bool() const { return m_call != nullptr; }
    template <class Description>
    Result operator()(const Description& description) const {
        return m_call(m_raw, description);
    }

  private:
    using Raw = void (*)();
    template <class Description>
    static Result call(Raw raw, const procedureRules& rules) {
        return reinterpret_cast<Result (*)(const Description&)>(raw)(static_cast<const Description&>(rules));
    }

    Raw m_raw = nullptr;
    Result (*m_call)(Raw, const procedureRules&) = nullptr;
};

/// One procedure as data. Texts are the radio-tuner's own and are shown exactly as they stand; a text
/// left empty means the procedure has no such message (no commit question, for instance).
struct procedureRules {
    dataSetMaker makeDataSet;
    int selector = 0;          ///< set selector handed to the data set
    std::uint8_t softpot = 0;  ///< the radio's softpot number the procedure writes

    screenLayoutKind kind = screenLayoutKind::SevenPoint;
    int row = 0;               ///< record row of the values
    int firstColumn = 0;       ///< record column of F1 (or of the one value)
    bool receiveSide = false;  ///< points are the receive points (row 0, columns 14..20)
    screenCapabilities capabilities;

    int minimum = 0;
    int maximum = 127;

    singlePoint point = singlePoint::Highest;  ///< single-value procedures only
    /// Explicit rows; empty: one row per point (seven-point) or the one chosen point (single-value), at
    /// `row` from `firstColumn` with the procedure's softpot and range.
    std::vector<tuningRow> rows;

    // Program.
    bool programChecksSerial = true;  ///< Program checks the serial number first
    /// After a run that reached its end, every row's value goes to the record again, 0 for the rows
    /// without a point (the procedures that store their whole set after the last point).
    bool storeAllAfterRun = false;
    /// Status while no point is prepared: after opening, and once Program's question is answered (the
    /// procedures that never key). Empty: the keying status.
    std::string unpreparedStatus;
    /// After Program the current point's channels are selected again (else the last programmed point's
    /// stay selected).
    bool preparesAfterProgram = true;

    std::string note;            ///< shown under the controls
    std::string commitQuestion;  ///< asked before Program
    std::string illegalValue;    ///< Program found a value out of range (caption "ERROR")
    std::string emptyValue;      ///< Program found an empty box
    std::string emptyValueCaption = "NOTE";
    PromptIcon emptyValueIcon = PromptIcon::Information;
    /// Program refused by the radio or by the procedure's own rule; "%d" stands for the point number.
    std::string refusedValue;
    std::string mismatch = message::Mismatch;
    /// Status shown when a point is prepared ("%f" for its frequency in MHz); empty keeps the status.
    std::string preparedStatus;
};

}  // namespace vantrel

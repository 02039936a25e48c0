// Service events of the radio operations: what a read, a Program All, a Program, a utility or an archive
// did to a radio, built from the record and the outcome and handed to the history sink.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "history/HistorySink.h"
#include "history/ServiceEvent.h"

namespace vantrel {

class radioStorage;
class procedurePiece;
struct operationFailure;
struct ReadRadioOutcome;
enum class ProgramOutcome;

namespace serviceHistory {

/// A place in the radio record.
struct recordCell {
    int row = 0;
    int column = 0;
    bool operator==(const recordCell&) const = default;
};

/// The subjects of the events of the whole-radio operations.
inline constexpr const char* kReadSubject = "Read Radio";
inline constexpr const char* kProgramAllSubject = "Program All";
/// The subjects of the utilities' events, from a window, a script or a command alike.
inline constexpr const char* kSerialSubject = "Program Serial No.";
inline constexpr const char* kTempCompSubject = "Temp Comp Data Write";
/// The record places of the temp comp bytes.
std::vector<recordCell> tempCompCells();

/// The name every event gives the value at a record place: "Transmit High Power F3", "Transmit F1"
/// (a frequency point's channel), "Base Frequency", "Tuning Procedure"; "values[r][c]" for a place
/// without a name.
std::string valueName(int row, int column);
/// The serial and model number as events keep them: trailing blanks and NUL bytes dropped (the model
/// number without the archive's data version character).
std::string serialOf(const radioStorage& record);
std::string modelOf(const radioStorage& record);

/// Every value the record holds for its radio: the tuning procedure, the frequency points and every
/// value of each data set it holds (as `after`).
std::vector<EventValue> heldValues(const radioStorage& record);
/// What a Program All wrote into the radio: every value of each procedure in `written.written`, and
/// the points of `written.partlyProcedure` in `written.partlyPoints` (as `after`).
std::vector<EventValue> programmedValues(const radioStorage& record, const operationFailure& written);
/// Fills `record` from an event's values: identity, every value with a place, the support flag of each
/// data set the event has values of (set) or lacks (clear). For the compare window.
void fillRecord(const ServiceEvent& event, radioStorage& record);

/// The record places of a procedure's rows the radio uses (rows without a place left out).
std::vector<recordCell> cellsOf(const procedurePiece& piece);
/// The record places of every value of the data set with support flag `flag`.
std::vector<recordCell> cellsOfFlag(int flag);

/// Records a Read Radio: the identity and every value the radio answered (`read`, the record the read
/// filled, also when it stopped part-way), the outcome and its messages. `stopped` names the signal
/// that stopped it (the outcome is then not complete), empty otherwise.
void recordRead(const radioStorage& read, const ReadRadioOutcome& outcome, const std::string& stopped = {});
/// Records a Program All: what reached the radio (`progress`: the run's procedures written), the
/// outcome with its failure, and after a mismatch the serial number the connected radio answered.
void recordProgramAll(const radioStorage& record, ProgramOutcome outcome, const operationFailure& progress,
                      const operationFailure& failure, const std::string& connectedSerial,
                      const std::string& stopped = {});
/// "data version 35, IC version 0A1B..., unique identifier ...".
std::string identityDetail(const radioStorage& record);

/// Records an archive loaded or saved: the file's path and digest, the radio the record names.
void recordArchive(EventKind kind, const std::string& path, const radioStorage& record, bool succeeded,
                   const std::string& detail = {});
/// Records a utility action that the record does not show (a serial number programmed, a temp comp
/// written by the command line): `serial` and `model` of the radio, the values before and after.
void recordUtility(const std::string& subject, const std::string& serial, const std::string& model,
                   std::vector<EventValue> values, const std::string& outcome,
                   const std::string& detail = {});

/// Runs a function when it goes out of scope, however that happens (the records of the operations).
template <class Function>
class atScopeExit {
  public:
    explicit atScopeExit(Function function) : m_function(std::move(function)) {}
    ~atScopeExit() { m_function(); }
    atScopeExit(const atScopeExit&) = delete;
    atScopeExit& operator=(const atScopeExit&) = delete;

  private:
    Function m_function;
};

}  // namespace serviceHistory

/// Records one Program of a procedure (a screen's or a script's) or one utility action as one service
/// event when it goes out of scope: the record's values at `cells` before (when constructed) and after
/// (when it goes), every other value that changed meanwhile, and the outcome. Call done() once the
/// action has run to its end: a scope left without it (a link failure, a refused value, a close, an
/// exception) records "failed" with what had changed by then, which is what reached the radio.
class historyScope {
  public:
    historyScope(const radioStorage& record, EventKind kind, std::string subject,
                 std::vector<serviceHistory::recordCell> cells = {});
    ~historyScope();
    historyScope(const historyScope&) = delete;
    historyScope& operator=(const historyScope&) = delete;

    /// The action ran to its end.
    void done() { m_done = true; }
    /// An outcome other than ok / failed (refused, stopped), with its detail.
    void setOutcome(std::string outcome, std::string detail = {});
    /// Nothing is recorded: the action did not reach the radio (another radio, a busy port, a Cancel).
    void discard() { m_before.reset(); }
    /// A value the record does not hold (an offset code, a reading).
    void addValue(EventValue value) { m_extra.push_back(std::move(value)); }

  private:
    const radioStorage& m_record;
    std::unique_ptr<radioStorage> m_before;
    EventKind m_kind;
    std::string m_subject;
    std::vector<serviceHistory::recordCell> m_cells;
    std::vector<EventValue> m_extra;
    std::string m_outcome;
    std::string m_detail;
    bool m_done = false;
    int m_exceptions = 0;
};

}  // namespace vantrel

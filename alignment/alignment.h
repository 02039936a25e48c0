// Automatic alignment of a whole radio: the plan of its procedures, one closed-loop strategy per kind of
// procedure over the tuning session and the bench instruments, and the before/after results.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "alignment/alignmentTargets.h"
#include "operations/tuningSession.h"

namespace vantrel {

class PowerMeter;
class FrequencyCounter;
class ModulationAnalyser;
class SignalGenerator;
class PowerSupply;

/// The instruments at hand; nullptr for a role the bench does not have. Not owned: they must outlive
/// the run.
struct alignmentBench {
    PowerMeter* meter = nullptr;
    FrequencyCounter* counter = nullptr;
    ModulationAnalyser* analyser = nullptr;
    SignalGenerator* generator = nullptr;
    PowerSupply* supply = nullptr;
};

/// How a procedure is aligned.
enum class alignmentKind {
    Power,           ///< the meter, per point, to the target watts
    MobilePower,     ///< K and M: the meter takes the two power readings of each point
    Frequency,       ///< the counter, to the channel frequency
    Deviation,       ///< the analyser, to the target deviation
    AutoTune,        ///< the generator on each receive point, then the radio's auto-tune of the row
    AutoTuneRun,     ///< the generator applied, then the radio's auto-tune run over every point
    Rssi,            ///< the generator at each threshold's level, then the radio takes the threshold
    FrontEndPeak,    ///< the generator applied, the softpot peaked on the radio's RSSI DAC reading
    BiasCurrent,     ///< the supply's current, per bias softpot, to the target above the zeroed bias
    BatteryVoltage,  ///< the supply set to the threshold voltage, then Program
    ManualOnly,      ///< no instrument measures it: tuned on its screen
};

/// Where a procedure stands in the plan.
enum class planMode {
    Automatic,  ///< its instruments are configured
    Manual,     ///< the technician connects an instrument and types its readings (or tunes on the screen)
    Skipped,    ///< left out (--only, no target, needs Program under --no-program)
};

/// One procedure of the plan, in the order a service bench aligns them.
struct planStep {
    std::string procedure;  ///< the catalogue name
    std::string title;      ///< its window's title
    alignmentKind kind = alignmentKind::ManualOnly;
    planMode mode = planMode::Skipped;
    /// The instruments it needs ("power meter", "signal generator and power supply"); empty for none.
    std::string instruments;
    /// Why manual or skipped; for a manual step, what to connect and which reading to type.
    std::string note;
};

struct alignmentPlan {
    std::string group;  ///< the model group the targets were taken for
    std::vector<planStep> steps;
};

/// What the plan is made with.
struct planOptions {
    /// Procedures to keep (catalogue names); empty: every one.
    std::vector<std::string> only;
    /// Whether values may be programmed: procedures whose only action stores values are skipped otherwise.
    bool program = true;
    /// Whether the technician types readings of missing instruments (manual steps run); else they are
    /// listed and skipped.
    bool interactive = false;
};

/// A bench that only says which roles are configured, for a plan made before any instrument is opened:
/// its instruments are placeholders on which nothing may be called.
alignmentBench configuredRoles(bool meter, bool counter, bool analyser, bool generator, bool supply);

/// The plan of the radio in `record` for the bench roles present: every procedure the radio has, each
/// automatic, manual or skipped. Touches no radio and no instrument.
alignmentPlan makeAlignmentPlan(const radioStorage& record, const alignmentBench& bench,
                                const alignmentTargets& targets, const planOptions& options);

/// The names every plan may hold, in plan order (for --only's check).
std::vector<std::string> alignmentProcedureNames();
const char* alignmentKindName(alignmentKind kind);
const char* planModeName(planMode mode);

/// One row of the results: a procedure's point (or softpot row) before and after.
struct alignmentRow {
    std::string procedure;
    int point = 0;      ///< how scripts name the row (frequency point 1..7, else its place from 1)
    std::string label;  ///< "F1", "Bias 2", "F3 K"
    std::optional<int> before;
    std::optional<int> after;  ///< the value programmed (or, with nothing programmed, the one found)
    std::optional<double> measured;
    std::optional<double> target;
    std::string unit;  ///< "W", "Hz", "A", "V", "dBm", ""
    bool withinTolerance = false;
    int steps = 0;  ///< live values sent for the row
};

/// How one procedure ended.
enum class procedureEnd {
    Aligned,           ///< every row within tolerance (programmed unless --no-program)
    NotConverged,      ///< a row missed its target within the step limit: live values restored
    InstrumentFailed,  ///< an instrument failed: live values restored, nothing programmed
    RadioFailed,       ///< the radio refused or the link failed: nothing more was programmed
    Stopped,           ///< a stop came (Cancel, a signal): live values restored, nothing programmed
    Skipped,           ///< not run (plan, or no reading typed)
};
const char* procedureEndName(procedureEnd end);

struct procedureResult {
    std::string procedure;
    std::string title;
    planMode mode = planMode::Skipped;
    procedureEnd end = procedureEnd::Skipped;
    bool programmed = false;
    std::string text;  ///< what happened, in words ("F3: 4.61 W after 12 steps, target 5 W")
    std::vector<alignmentRow> rows;
    /// The closing did not confirm the dekey: the radio may still transmit.
    bool stillKeyed = false;
    /// The link failed, the port was busy or another radio answered: the run goes no further.
    bool radioUnreachable = false;
};

struct alignmentReport {
    std::vector<procedureResult> procedures;
    bool stopped = false;  ///< a stop ended the run
    int stopSignal = 0;    ///< the signal that stopped it, 0 for a Cancel
    bool stillKeyed = false;
    /// Every procedure run ended Aligned (skipped ones do not count).
    bool allAligned() const;
    /// Every row, in order.
    std::vector<alignmentRow> rows() const;
};

/// A reading the technician types for a manual step: what to measure and in which unit.
struct manualRequest {
    std::string procedure;
    std::string label;  ///< the row
    std::string what;   ///< "the power meter's reading", "set the generator to 150.0125 MHz at -118 dBm"
    std::string unit;   ///< "W", "Hz", "A", "V"; empty: no reading, only Enter when done
};

/// Watches a run (the application's window, the command line's progress). Called on the run's thread.
class alignmentObserver {
  public:
    virtual ~alignmentObserver() = default;
    /// A procedure of the plan starts (index into the plan's steps).
    virtual void procedureStarted(int /*index*/, const planStep& /*step*/) {}
    /// A live value was sent and read back: the row, the value, the reading.
    virtual void stepTaken(const std::string& /*procedure*/, const std::string& /*label*/, int /*value*/,
                           std::optional<double> /*reading*/) {}
    /// A procedure ended.
    virtual void procedureFinished(int /*index*/, const procedureResult& /*result*/) {}
    /// A message of the session or the run for the technician.
    virtual void note(const std::string& /*text*/) {}
};

/// What a run works with.
struct alignmentEnvironment {
    /// The session environment each procedure's session is made with: record, connection, reread,
    /// bboConfig. Its prompt and stopRequested are the run's own (see below).
    sessionEnvironment session;
    alignmentBench bench;
    alignmentTargets targets = alignmentTargets::defaults();
    bool program = true;  ///< false: every value found is left live and restored; nothing is programmed
    /// Asked between two exchanges and between two steps: true stops the run there.
    std::function<bool()> stopRequested;
    /// The signal behind a stop, when known (0 otherwise).
    std::function<int()> stopSignal;
    /// Types a reading for a manual step: nullopt skips the procedure. Empty: manual steps are skipped.
    std::function<std::optional<double>(const manualRequest&)> manualReading;
    alignmentObserver* observer = nullptr;
};

/// Runs a plan: each automatic (and, with a manualReading, manual) procedure opened, aligned, programmed
/// when every row is within tolerance, and closed (dekey, then reset) on every path. A procedure that
/// does not converge, whose instrument fails or that is stopped has its live values restored and programs
/// nothing. The generator's output is switched off and the supply set back after the procedures that
/// used them. Never throws for radio or instrument failures: they are in the report.
alignmentReport runAlignment(const alignmentPlan& plan, alignmentEnvironment& environment);

}  // namespace vantrel

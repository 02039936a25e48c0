// The auto squelch screens: descriptions over the framework, plus the per-row auto-tune.
#include "screens/TAutoSquelchWindows.h"

#include <optional>

#include "link/EnhancedSBEP.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/rxDataSets.h"
#include "screens/autoTuneRun.h"
#include "screens/dataSetAdapters.h"

namespace vantrel {

namespace {

constexpr int kMinimum = 1;
constexpr int kMaximum = 63;
constexpr QSize kWindow{750, 350};
constexpr int kAutoTuneX = 625;
constexpr int kAutoTuneWidth = 100;

tuningProcedure squelchProcedure(int selectorValue, const std::string& spacingName,
                                 const std::string& commitQuestion, const std::string& emptyValue) {
    tuningProcedure p;
    p.makeDataSet = &selectorDataSet<rxAutoSquelchData>::make;
    p.selector = selectorValue;
    p.softpot = softpot::AutoSquelch;
    p.row = row::AutoSquelch;
    p.firstColumn = rxAutoSquelchData::selectorColumn(selectorValue);
    p.receiveSide = true;
    p.capabilities = screenCapabilities::neverKeys();
    p.minimum = kMinimum;
    p.maximum = kMaximum;
    p.layout.window = kWindow;
    p.layout.rowButtonX = kAutoTuneX;
    p.layout.rowButtonWidth = kAutoTuneWidth;
    // Values below 1 are refused too: the radio's squelch has no setting 0.
    p.checksMinimum = true;
    p.storeAllAfterRun = true;
    p.unpreparedStatus = "No Frequency Tuning Point is currently selected";
    p.preparesAfterProgram = false;
    p.note = "Note : Valid Softpot values will range from 1-63";
    p.commitQuestion = commitQuestion;
    p.illegalValue = "Program softpots aborted for Auto Squelch " + spacingName + "!! Illegal softpot value";
    p.emptyValue = emptyValue;
    p.preparedStatus = "Point %fMHz is currently being tuned";
    for (int i = 0; i < record::kPointCount; ++i) {
        tuningRow r;
        r.point = i + 1;
        r.recordRow = p.row;
        r.recordColumn = p.firstColumn + i;
        r.softpot = p.softpot;
        r.minimum = p.minimum;
        r.maximum = p.maximum;
        r.button = "Auto Tune";
        r.buttonId = TAutoSquelchWindow::kFirstAutoTuneId + i;
        p.rows.push_back(r);
    }
    return p;
}

}  // namespace

TAutoSquelchWindow::TAutoSquelchWindow(const screenEnvironment& environment, int selectorValue,
                                       const std::string& spacingName, const std::string& commitQuestion,
                                       const std::string& emptyValue)
    : TTuningScreen(environment, squelchProcedure(selectorValue, spacingName, commitQuestion, emptyValue)) {}

tuningProcedure TAutoSquelchWindow::describe(int selectorValue) {
    return squelchProcedure(selectorValue, {}, {}, {});
}

void TAutoSquelchWindow::rowButtonClicked(int row) {
    autoTuneRow(row);
}

void TAutoSquelchWindow::autoTuneRow(int row) {
    if (!rowSupported(row) || actionRunning())
        return;
    ActionScope scope(*this);
    if (!openConnection())
        return;
    std::optional<autoTuneRun> run;
    try {
        if (!checkSerial())
            return;
        run.emplace(*this, environment());
        prepare(row);
        rxAutoSquelchData data;
        const std::uint32_t value = data.autoTuneSoftpot(record(), link());
        run->end();
        closeConnection();
        // A radio that refused, or settled on no usable value, leaves the row as it was.
        const tuningRow& spec = rowSpec(row);
        if (!record().isSupported(flag::AutoSquelch) || value < std::uint32_t(spec.minimum) ||
            value > std::uint32_t(spec.maximum)) {
            setStatus(QString::fromLatin1(kTuningFailedFormat).arg(pointOfRow(row)));
            return;
        }
        takeValue(row, int(value));
        record().setValue(spec.recordRow, spec.recordColumn, int(value));
    } catch (const Exception&) {
        if (run)
            run->end();
        failAction();
    }
}

TAutoSquelch25KHzWindow::TAutoSquelch25KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set25k, "25KHz",
                         "Commit new softpot values? Softpot Value Range(1-63)",
                         "Please enter a valid Auto Squelch 25KHz value!!") {}

TAutoSquelch20KHzWindow::TAutoSquelch20KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set20k, "20KHz",
                         "Commit new softpot values? Softpot Value Range (1-63)",
                         "Please enter a valid Auto Squelch 20KHz softpot value!!") {}

TAutoSquelch125KHzWindow::TAutoSquelch125KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set12k5, "12.5KHz",
                         "Commit new softpot values? Softpot Value Range(1-63)",
                         "Please enter a valid Auto Squelch 12.5KHz softpot value!!") {}

}  // namespace vantrel

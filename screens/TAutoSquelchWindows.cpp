// The auto squelch screens: descriptions over the framework, plus the per-row auto-tune.
#include "screens/TAutoSquelchWindows.h"

#include <optional>

#include "link/EnhancedSBEP.h"
#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/rxDataSets.h"
#include "screens/autoTuneRun.h"
#include "operations/serviceHistory.h"

namespace vantrel {

namespace {

constexpr QSize kWindow{750, 350};
constexpr int kAutoTuneX = 625;
constexpr int kAutoTuneWidth = 100;

/// The core description with one row per point, each with its "Auto Tune" button.
tuningProcedure squelchProcedure(int selectorValue) {
    screenLayout layout;
    layout.window = kWindow;
    layout.rowButtonX = kAutoTuneX;
    layout.rowButtonWidth = kAutoTuneWidth;
    tuningProcedure p = tuningProcedure::from(procedures::autoSquelch(selectorValue), layout);
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

TAutoSquelchWindow::TAutoSquelchWindow(const screenEnvironment& environment, int selectorValue)
    : TTuningScreen(environment, squelchProcedure(selectorValue)) {}

tuningProcedure TAutoSquelchWindow::describe(int selectorValue) {
    return squelchProcedure(selectorValue);
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
        // The radio tunes the point itself: the service history gets what it settled on.
        historyScope history(record(), EventKind::Program, identity().title.toStdString(),
                             {{rowSpec(row).recordRow, rowSpec(row).recordColumn}});
        run.emplace(*this, environment());
        prepare(row);
        // A close asked for meanwhile: the radio is not asked to tune; closing resets it.
        if (closeAsked()) {
            run->end();
            closeConnection();
            return;
        }
        rxAutoSquelchData data;
        const std::uint32_t value = data.autoTuneSoftpot(record(), link());
        run->end();
        closeConnection();
        // A radio that refused, or settled on no usable value, leaves the row as it was.
        const tuningRow& spec = rowSpec(row);
        if (!record().isSupported(flag::AutoSquelch) || value < std::uint32_t(spec.minimum) ||
            value > std::uint32_t(spec.maximum)) {
            setStatus(QString::asprintf(kTuningFailedFormat, pointOfRow(row)));
            return;
        }
        takeValue(row, int(value));
        record().setValue(spec.recordRow, spec.recordColumn, int(value));
        history.done();
    } catch (const Exception&) {
        if (run)
            run->end();
        failAction();
    }
}

TAutoSquelch25KHzWindow::TAutoSquelch25KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set25k) {}

TAutoSquelch20KHzWindow::TAutoSquelch20KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set20k) {}

TAutoSquelch125KHzWindow::TAutoSquelch125KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set12k5) {}

}  // namespace vantrel

// The auto squelch screens: descriptions over the framework, plus the per-row auto-tune.
#include "screens/TAutoSquelchWindows.h"

#include <optional>

#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"

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

/// The catalogue name of a spacing's screen.
static const char* squelchName(int selectorValue) {
    return selectorValue == selector::Set12k5  ? "rx-squelch-12k5"
           : selectorValue == selector::Set20k ? "rx-squelch-20k"
                                               : "rx-squelch-25k";
}

TAutoSquelchWindow::TAutoSquelchWindow(const screenEnvironment& environment, int selectorValue)
    : TTuningScreen(environment, squelchName(selectorValue), squelchProcedure(selectorValue)) {}

tuningProcedure TAutoSquelchWindow::describe(int selectorValue) {
    return squelchProcedure(selectorValue);
}

void TAutoSquelchWindow::rowButtonClicked(int row) {
    autoTuneRow(row);
}

void TAutoSquelchWindow::autoTuneRow(int row) {
    if (!rowSupported(row) || actionRunning())
        return;
    actionRequest request;
    request.row = row;
    holdDefaults(true);
    drive([&](tuningSession& s) { return s.act(sessionAction::AutoTune, request); });
    holdDefaults(false);
}

TAutoSquelch25KHzWindow::TAutoSquelch25KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set25k) {}

TAutoSquelch20KHzWindow::TAutoSquelch20KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set20k) {}

TAutoSquelch125KHzWindow::TAutoSquelch125KHzWindow(const screenEnvironment& environment)
    : TAutoSquelchWindow(environment, selector::Set12k5) {}

}  // namespace vantrel

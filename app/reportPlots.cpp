// The report's plots.
#include "app/reportPlots.h"

#include "app/ProcedureCatalogue.h"
#include "radio/SoftpotTypes.h"
#include "screens/TAutoSquelchWindows.h"
#include "screens/TReceiveWindows.h"
#include "screens/TTransmitHighPowerWindow.h"
#include "screens/TTransmitLowPowerWindow.h"

namespace vantrel {

namespace {

/// One seven-point procedure: its command and how to describe it for a record.
struct plottedProcedure {
    int commandId;
    tuningProcedure (*describe)(const radioStorage& record);
};

const plottedProcedure kPlotted[] = {
    {cmd::TxHighPower, [](const radioStorage& r) { return TTransmitHighPowerWindow::procedureFor(r); }},
    {cmd::TxLowPower, [](const radioStorage&) { return TTransmitLowPowerWindow::describe(); }},
    {cmd::FrontEndFilter, [](const radioStorage& r) { return TFrontEndFilterWindow::describe(r); }},
    {cmd::Squelch12k5, [](const radioStorage&) { return TAutoSquelchWindow::describe(selector::Set12k5); }},
    {cmd::Squelch20k, [](const radioStorage&) { return TAutoSquelchWindow::describe(selector::Set20k); }},
    {cmd::Squelch25k, [](const radioStorage&) { return TAutoSquelchWindow::describe(selector::Set25k); }},
};

}  // namespace

std::vector<printoutPlot> reportPlots(const ShellState& state) {
    std::vector<printoutPlot> plots;
    if (!state.record)
        return plots;
    // The report is printed with every screen closed; an open one must not hide its own procedure.
    ShellState closed = state;
    closed.openScreenCode = 0;
    for (const plottedProcedure& p : kPlotted) {
        const ProcedureEntry* entry = findProcedure(p.commandId);
        if (!entry || (entry->available && !entry->available(closed)))
            continue;
        const tuningProcedure procedure = p.describe(*state.record);
        if (!TValuePlot::suits(procedure))
            continue;
        const valuePlotData data = TValuePlot::recordData(procedure, *state.record);
        if (data.shownPoints() > 0)
            plots.push_back({QString::fromLatin1(entry->windowTitle), data});
    }
    return plots;
}

}  // namespace vantrel

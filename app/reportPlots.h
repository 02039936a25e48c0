// The plots the printed report can show: one per seven-point procedure the radio in the record offers.
#pragma once

#include <vector>

#include "app/CommandTable.h"
#include "app/TApxPrintout.h"

namespace vantrel {

/// The record's values of every seven-point procedure whose command the shell state enables (transmit
/// power first, then receive), each titled with its screen's window title. A procedure without a single
/// supported point is left out; empty without a record.
std::vector<printoutPlot> reportPlots(const ShellState& state);

}  // namespace vantrel

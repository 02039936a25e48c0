// The command line's forms of the service history: lines for a person, JSON and CSV for programs.
#pragma once

#include <string>
#include <vector>

#include "history/HistoryStore.h"

namespace vantrel {

/// How `history` prints events.
enum class HistoryForm { Text, Json, Csv };

/// The events (newest first) in `form`. With `withValues` the text form lists each value of a program
/// or utility event ("Transmit High Power F3: 100 -> 104") and counts those of a read or Program All;
/// the list form (without values) gives one line per event, serial number included.
std::string historyOutput(const std::vector<StoredEvent>& events, HistoryForm form, bool withValues);

}  // namespace vantrel

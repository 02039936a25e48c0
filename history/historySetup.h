// Which history a program records to and who records: the command line, the environment
// (VANTREL_HISTORY, VANTREL_OPERATOR), the application's settings and the defaults, in that order.
#pragma once

#include <optional>
#include <string>

#include "history/HistoryStore.h"

namespace vantrel {

/// What a program knows of where to record.
struct historySources {
    std::optional<std::string> commandLine;  ///< --history URL
    std::optional<std::string> setting;      ///< the application's setting; empty text: not set
    std::string dataDirectory;               ///< the user's data folder (the default file and the spool)
};

/// The target: --history, else VANTREL_HISTORY, else the setting, else history.sqlite in the data
/// folder (a relative SQLite path is taken from the current directory).
HistoryTarget resolveHistoryTarget(const historySources& sources);
/// The spool of a target: history-spool/<name> in the data folder.
std::string historySpoolDirectory(const HistoryTarget& target, const std::string& dataDirectory);
/// The operator: VANTREL_OPERATOR, else the setting, else the login name.
std::string resolveOperator(const std::optional<std::string>& setting = std::nullopt);

}  // namespace vantrel

// The service history as CSV, for spreadsheets: the command line's --csv and the window's export.
#pragma once

#include <string>
#include <vector>

#include "history/ServiceEvent.h"

namespace vantrel {

/// The events as CSV (RFC 4180, CRLF line ends): a header, then one line per value of each event (one
/// line with empty value columns for an event without values). Columns: time_utc, kind, serial, model,
/// subject, outcome, bench, operator, program, port, file, hash, detail, value, row, column, before,
/// after. Texts appear as the store keeps them (see encodeStoredText): any byte survives.
std::string historyCsv(const std::vector<ServiceEvent>& events);

/// One CSV field, quoted when it holds a comma, a quote, a line end or leading or trailing blanks.
std::string csvField(const std::string& text);

}  // namespace vantrel

// Resolving the history target, its spool and the operator.
#include "history/historySetup.h"

#include <cstdlib>

#include "history/HistoryRecorder.h"

namespace vantrel {

namespace {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

}  // namespace

HistoryTarget resolveHistoryTarget(const historySources& sources) {
    for (const std::optional<std::string>& text :
         {sources.commandLine, environment("VANTREL_HISTORY"), sources.setting})
        if (text)
            if (std::optional<HistoryTarget> target = HistoryTarget::parse(*text))
                return *target;
    return HistoryTarget::defaultIn(sources.dataDirectory);
}

std::string historySpoolDirectory(const HistoryTarget& target, const std::string& dataDirectory) {
    return (dataDirectory.empty() ? std::string(".") : dataDirectory) + "/history-spool/" + target.spoolName();
}

std::string resolveOperator(const std::optional<std::string>& setting) {
    if (std::optional<std::string> fromEnvironment = environment("VANTREL_OPERATOR"))
        return *fromEnvironment;
    if (setting && !setting->empty())
        return *setting;
    return loginName();
}

}  // namespace vantrel

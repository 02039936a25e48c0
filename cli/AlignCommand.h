// `vantrel-cli align`: the whole radio aligned by the bench instruments, its options and its report.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "instruments/BenchConfig.h"

namespace vantrel {

/// The options of `align`.
struct AlignOptions {
    bool help = false;
    std::optional<int> port;
    std::optional<std::string> device;
    std::optional<std::string> history;
    std::optional<std::string> bench;    ///< --bench FILE: instead of bench.conf in the settings folder
    std::optional<std::string> targets;  ///< --targets FILE: over the built-in targets
    std::vector<std::string> only;       ///< --only NAMES (comma separated, repeatable)
    bool plan = false;                   ///< --plan: print the plan, align nothing
    /// --from ARCHIVE (with --plan only): the plan of the radio the archive holds; no radio is opened.
    std::optional<std::string> from;
    bool program = true;  ///< --no-program: values found are left live, then restored
    bool json = false;
    bool interactive = false;            ///< --interactive: the technician types the readings of manual steps
    std::string archiveDirectory = ".";  ///< --archive-dir DIR: where the before and after archives go
};

/// Whether the arguments are `align ...` or `help align`.
bool isAlignCommand(const std::vector<std::string>& args);
/// Parses the arguments (args[0] is "align" or "help"); answers the options or a one-line usage error.
std::variant<AlignOptions, std::string> parseAlignArguments(const std::vector<std::string>& args);
/// The usage text of `align`, with its exit codes.
std::string alignUsage();

/// Where the instrument dialects are found for this program.
InstrumentContext programInstrumentContext();

}  // namespace vantrel

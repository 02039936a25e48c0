// The SCPI commands of one instrument family, read from a small data file, and the bench roles they serve.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// What an instrument does on the bench.
enum class Role { PowerMeter, FrequencyCounter, ModulationAnalyser, SignalGenerator, PowerSupply };

inline constexpr std::array<Role, 5> kRoles = {Role::PowerMeter, Role::FrequencyCounter,
                                               Role::ModulationAnalyser, Role::SignalGenerator,
                                               Role::PowerSupply};

/// "power-meter", "frequency-counter", "modulation-analyser", "signal-generator", "power-supply".
std::string roleKey(Role role);
/// "power meter", "frequency counter", ...: for messages.
std::string roleTitle(Role role);
/// The role of a key (also accepted: the title, "_" for "-", any case); nullopt when none.
std::optional<Role> roleOfKey(const std::string& text);

/// One family's commands. Queries end in '?'; setters hold one "{}" where the number goes.
struct Dialect {
    std::string name;         ///< the file's "dialect" entry
    std::string description;  ///< the file's "description" entry
    std::string identify = "*IDN?";
    std::string errorQuery = "SYST:ERR?";
    std::string clear = "*CLS";
    /// Per role present in the file: its keys and command texts.
    std::map<Role, std::map<std::string, std::string>> roles;

    bool serves(Role role) const { return roles.count(role) != 0; }
    /// The command for a key; nullopt when the file leaves an optional key out.
    std::optional<std::string> command(Role role, const std::string& key) const;
};

/// Parses a dialect file's text. Every key is checked against its role's list, required keys must be
/// there, queries must end in '?', setters must hold exactly one "{}", and a power meter's unit is W or
/// dBm. Throws InstrumentError (Config) "SOURCE:LINE: what is wrong".
Dialect parseDialect(const std::string& text, const std::string& source);

/// The folders searched for dialect files by name: $VANTREL_INSTRUMENTS_DIR, then `instruments` in every
/// folder a data file is looked for in, in that order (the settings folder, $XDG_DATA_HOME/vantrel, the
/// $XDG_DATA_DIRS entries, the program folder), then `instruments` in the program's data folder when not
/// among them, then the source tree's folder. A shop adds or overrides a family by dropping its file into
/// the settings folder's or a data folder's `instruments`. Empty folders are left out.
std::vector<std::string> dialectSearchPath(const std::string& settingsFolder, const std::string& dataFolder,
                                           const std::string& programFolder);

/// Loads "<name>.dialect" from the first folder of `path` that holds it (a name with a '/' is a file
/// path). Throws InstrumentError (Config) when none does or the file is damaged.
Dialect loadDialect(const std::string& name, const std::vector<std::string>& path);

/// Names of the dialect files found on the path, sorted, without duplicates.
std::vector<std::string> availableDialects(const std::vector<std::string>& path);

/// A setter's text with its number put in: "FREQ {}" and 150e6 give "FREQ 150000000".
std::string fillCommand(const std::string& pattern, double value);

}  // namespace vantrel

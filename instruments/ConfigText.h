// The strict "[section]" and "key = value" text that dialect files and the bench configuration are written
// in.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

/// Largest dialect or bench file read; real ones are a few hundred bytes.
inline constexpr std::size_t kConfigTextLimit = 64 * 1024;

struct ConfigEntry {
    std::string key;
    std::string value;
    int line = 0;
};

/// A section and its entries in file order; the entries before the first header form the section "".
struct ConfigSection {
    std::string name;
    int line = 0;
    std::vector<ConfigEntry> entries;
    /// The value of a key, or nullptr.
    const ConfigEntry* find(const std::string& key) const;
};

/// Parses the text. Rules: printable ASCII, tabs and line ends only; '#' starts a comment line; a header
/// is "[name]"; an entry is "key = value" with a non-empty value; names and keys are lower-case letters,
/// digits and '-'; a key appears once per section and a section once per file. Throws InstrumentError
/// (Config) "SOURCE:LINE: what is wrong" at the first fault.
std::vector<ConfigSection> parseConfigText(const std::string& text, const std::string& source);

/// Reads a configuration file (regular files only, at most kConfigTextLimit bytes). Throws
/// InstrumentError (Config) naming the file and the reason.
std::string readConfigFile(const std::string& path);

}  // namespace vantrel

// Where the program finds a data file it reads (bbo.cfg and the like): one lookup order for every one.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

/// The folders a data file is looked for in, in order, without repeats:
///   1. the settings folder (where COM.INI is: ~/.config/vantrel when installed),
///   2. $XDG_DATA_HOME/vantrel (default ~/.local/share/vantrel),
///   3. each absolute entry of $XDG_DATA_DIRS followed by /vantrel (default /usr/local/share/vantrel
///      then /usr/share/vantrel, where the package puts its files),
///   4. the program folder.
/// Relative XDG entries are skipped, as the XDG rules say. Empty arguments are left out.
std::vector<std::string> dataFileFolders(const std::string& settingsFolder, const std::string& programFolder);

/// dataFileFolders, then the program's own shared data folder (<prefix>/share/vantrel of a program
/// installed under a prefix that $XDG_DATA_DIRS does not name, such as /opt/vantrel) when not already
/// in the list. An empty `dataFolder` adds nothing.
std::vector<std::string> programDataFolders(const std::string& settingsFolder, const std::string& dataFolder,
                                            const std::string& programFolder);

/// The first regular file (or link to one) named `name` in `folders`; empty when none holds it.
std::string findDataFile(const std::string& name, const std::vector<std::string>& folders);

}  // namespace vantrel

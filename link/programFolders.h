// Where the program's files are: beside the program when it runs from a build or a copied folder,
// split into shared data and per-user folders when it is installed under a prefix.
#pragma once

#include <string>

namespace vantrel {

/// The folders of one run. A program runs "installed" when its directory is <prefix>/bin and
/// <prefix>/share/vantrel exists (a package or `cmake --install`); then /usr/bin is no place to
/// write, so the files the program writes go to the user's XDG folders. Otherwise every folder is
/// the program directory, as it always was, so a copy run from a folder keeps working.
struct programFolders {
    /// The directory of the executable, without a trailing separator.
    std::string program;
    /// Read-only files shipped with the program: the pictures, the simulated radio profiles.
    /// <prefix>/share/vantrel when installed, else the program directory.
    std::string data;
    /// COM.INI, the port mapping (serial-ports.conf) and the recent-file list. The program directory
    /// when it holds a COM.INI (it is read first, even when installed); else, when installed,
    /// $XDG_CONFIG_HOME/vantrel (default ~/.config/vantrel); else the program directory.
    std::string settings;
    /// The current directory of radio operations, where display.txt is written. When installed,
    /// $XDG_DATA_HOME/vantrel (default ~/.local/share/vantrel); else the program directory.
    std::string work;
    bool installed = false;

    /// Resolves the folders for a program directory from the file system and the environment
    /// (XDG_CONFIG_HOME, XDG_DATA_HOME, HOME, then the password database). Creates nothing. When
    /// the user's home cannot be found an installed program falls back to the program directory.
    static programFolders resolve(const std::string& programDirectory);

    /// Creates the settings and work folders (and their parents, mode 0700) when they do not exist.
    /// Answers false when one cannot be created; the first write there then reports the failure.
    bool createUserFolders() const;
};

/// $XDG_CONFIG_HOME/vantrel, or $HOME/.config/vantrel; empty when no absolute base is known. A
/// relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
std::string userConfigDirectory();
/// $XDG_DATA_HOME/vantrel, or $HOME/.local/share/vantrel; empty when no absolute base is known.
std::string userDataDirectory();
/// Creates a directory and its missing parents with the given mode; true when it exists after.
bool makeDirectories(const std::string& path, unsigned mode = 0700);

}  // namespace vantrel

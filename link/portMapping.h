// Which serial adapter each COM port opens: kept in a settings file of the program's own beside COM.INI,
// and the route from a COM port number to the device a connection opens.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The file of the settings folder that keeps the mapping (COM.INI keeps only the port number).
inline constexpr const char* kPortMappingFileName = "serial-ports.conf";

/// COM port number (1 to 4) -> the device path it opens, normally a link of /dev/serial/by-id, whose
/// name stays the same whichever USB socket the adapter is plugged into.
using PortMapping = std::map<unsigned, std::string>;

/// A line of the settings file that was not used, for a note to the user.
struct IgnoredLine {
    int line = 0;  ///< 1-based; 0 for the file as a whole (unreadable, not a file, too large)
    std::string reason;
};

/// The path of the mapping file in the settings folder.
std::string portMappingPath(const std::string& settingsDirectory);

/// Parses the text of a mapping file. Lines are "COMn=PATH" with n 1 to 4 and PATH absolute; blank
/// lines and lines starting with '#' are skipped; anything else is ignored and, when `ignored` is
/// given, told there. A port named twice keeps its last line.
PortMapping parsePortMapping(std::string_view text, std::vector<IgnoredLine>* ignored = nullptr);

/// The text parsePortMapping reads back as the same mapping.
std::string formatPortMapping(const PortMapping& mapping);

/// Reads the mapping of the settings folder. A missing file is an empty mapping; a file that cannot be
/// read, is no regular file or is unreasonably large is ignored as a whole (told in `ignored`).
PortMapping readPortMapping(const std::string& settingsDirectory,
                            std::vector<IgnoredLine>* ignored = nullptr);

/// Saves the mapping without ever leaving a half-written file: on failure the previous file stays as
/// it was. Something other than a regular file in its place (a device, a FIFO, a directory) is left
/// alone and the save refused. Answers false with the reason in `reason` when it cannot be saved.
bool writePortMapping(const std::string& settingsDirectory, const PortMapping& mapping,
                      std::string* reason = nullptr);

/// Whether `path` can be kept in the mapping: absolute, no control characters, of sane length.
bool validMappedPath(std::string_view path);

/// Where the serial adapters are listed: the folder set by setSerialAdapterDirectory when set, else the
/// environment variable VANTREL_SERIAL_BY_ID when set, else /dev/serial/by-id.
std::string serialAdapterDirectory();
/// Sets the folder serialAdapterDirectory() answers for the whole process (tests, the screenshots);
/// empty goes back to the environment and the default.
void setSerialAdapterDirectory(std::string directory);

/// Sets the adapter folder for the lifetime of the object and restores the previous one after.
class ScopedSerialAdapterDirectory {
  public:
    explicit ScopedSerialAdapterDirectory(std::string directory);
    ~ScopedSerialAdapterDirectory();
    ScopedSerialAdapterDirectory(const ScopedSerialAdapterDirectory&) = delete;
    ScopedSerialAdapterDirectory& operator=(const ScopedSerialAdapterDirectory&) = delete;

  private:
    std::string m_saved;
};

/// Turns what a user typed for an adapter into the path to keep: a bare name (no '/') is an entry of
/// `adapterDirectory`; any other path is made absolute against the current directory, without
/// following its links (the by-id name is what stays the same). Empty when it cannot be kept.
std::string mappedPathFor(const std::string& typed, const std::string& adapterDirectory);

/// Where a COM port's device came from.
enum class PortSource {
    Default,      ///< /dev/ttyS<n-1>
    Mapping,      ///< the mapping of the settings folder
    Environment,  ///< VANTREL_COM<n>, set for this run
};

/// The device a COM port opens and why.
struct PortRoute {
    std::string device;
    PortSource source = PortSource::Default;
    /// The mapped path of the settings file, also when the environment overrides it; empty when none.
    std::string mapped;
};

/// The route of COM<port>: VANTREL_COM<port> when set (one run's choice, as the simulator and the demo
/// use), else the mapping of the settings folder, else /dev/ttyS<port-1>.
PortRoute routeOf(unsigned port, const std::string& settingsDirectory);
/// The same with an already read mapping.
PortRoute routeOf(unsigned port, const PortMapping& mapping);

}  // namespace vantrel

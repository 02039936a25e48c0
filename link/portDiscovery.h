// What each COM port maps to and whether it can be opened, and the serial adapters the system names.
#pragma once

#include <string>
#include <vector>

#include "link/portMapping.h"

namespace vantrel {

/// Where udev names the serial adapters by their maker, model and serial number.
inline constexpr const char* kSerialByIdDirectory = "/dev/serial/by-id";

enum class PortState {
    Available,         ///< a serial device nobody holds
    Missing,           ///< no such device
    Busy,              ///< held by another program (or another part of this one)
    NotPermitted,      ///< the user may not open it
    NotASerialDevice,  ///< it exists but is no terminal
    Other,             ///< any other failure to open it
};

/// One COM port as the program would open it.
struct ComPortInfo {
    unsigned number = 0;
    std::string device;  ///< the path COM<number> maps to
    PortSource source = PortSource::Default;
    /// The adapter the settings map the port to, also when VANTREL_COM<n> overrides it; empty when none.
    std::string mapped;
    PortState state = PortState::Missing;
    /// The processes that hold the device ("1234 (vantrel-sim)"), found best effort in /proc.
    std::vector<std::string> holders;
    std::string error;  ///< the system's reason, for PortState::Other
};

/// One entry of the by-id directory: the adapter's name and the device it links to.
struct SerialAdapter {
    std::string name;
    std::string target;
    std::string path;  ///< the link itself (directory/name): what a mapping keeps
};

/// Describes COM<number> as it would open by `route`: its device and its state. A character device is
/// opened as the port opener does (DTR and RTS dropped at once, line settings left alone), tested for
/// the lock a connection takes, and closed again; anything else is never opened.
ComPortInfo describeComPort(unsigned number, const PortRoute& route);
/// COM<number> routed with the mapping of `settingsDirectory` (see routeOf).
ComPortInfo describeComPort(unsigned number, const std::string& settingsDirectory);
/// COM<number> routed with the mapping of the link context's settings folder.
ComPortInfo describeComPort(unsigned number);

/// COM1 to COM4, with the mapping of `settingsDirectory`.
std::vector<ComPortInfo> describeComPorts(const std::string& settingsDirectory);
/// COM1 to COM4, with the mapping of the link context's settings folder.
std::vector<ComPortInfo> describeComPorts();

/// The symbolic links of the directory, sorted by name, each with the absolute path it resolves to.
/// A missing directory (no adapter plugged in) gives an empty list.
std::vector<SerialAdapter> listSerialAdapters(const std::string& directory = kSerialByIdDirectory);

/// The processes with an open descriptor on the device, as "PID (NAME)"; empty when none can be seen.
std::vector<std::string> processesHolding(const std::string& device);

/// The COM ports (ascending) whose mapping names the adapter's link; empty when none.
std::vector<unsigned> portsMappedTo(const SerialAdapter& adapter, const PortMapping& mapping);

/// The state in words: "available", "no such device" ("missing: the adapter is not plugged in" for a
/// mapped port), "in use by another program (pid 1234
/// (vantrel-sim))", "permission denied: add the user to the dialout group", "not a serial device".
std::string portStateText(const ComPortInfo& port);

/// "COM1 /dev/ttyS0: available": one line of the port list. A mapped port reads "COM1 PATH (mapped):
/// ..."; one whose mapping VANTREL_COM<n> overrides names both.
std::string portLine(const ComPortInfo& port);

}  // namespace vantrel

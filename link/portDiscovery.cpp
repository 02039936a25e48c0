// Port discovery: probes each COM port's device and reads /proc and /dev/serial/by-id.
#include "link/portDiscovery.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "link/LinkContext.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kFirstPort = 1;
constexpr unsigned kLastPort = 4;

PortState stateOfOpenError(int err) {
    switch (err) {
        case EBUSY:
        case EWOULDBLOCK:
            return PortState::Busy;
        case EACCES:
        case EPERM:
            return PortState::NotPermitted;
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case EIO:  // a /dev/ttyS node without a UART behind it
            return PortState::Missing;
        default:
            return PortState::Other;
    }
}

// Opens the device as the port opener does, and checks that it is a terminal nobody holds. The
// descriptor is closed before returning, so it never shows among the holders.
void probe(ComPortInfo& info) {
    struct stat st {};
    if (::stat(info.device.c_str(), &st) != 0) {
        info.state = errno == EACCES ? PortState::NotPermitted : PortState::Missing;
        return;
    }
    if (!S_ISCHR(st.st_mode)) {
        info.state = PortState::NotASerialDevice;
        return;
    }
    const int fd = ::open(info.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        info.state = stateOfOpenError(err);
        if (info.state == PortState::Other)
            info.error = std::strerror(err);
        return;
    }
    // The driver raises DTR and RTS on every open, even of a port another program holds; some radio
    // cables key the transmitter on them. Drop them at once, as the port opener does.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        info.state = PortState::NotASerialDevice;
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        info.state = err == EWOULDBLOCK ? PortState::Busy : stateOfOpenError(err);
        if (info.state == PortState::Other)
            info.error = std::strerror(err);
    } else {
        flock(fd, LOCK_UN);
        info.state = PortState::Available;
    }
    ::close(fd);
}

std::string processName(const fs::path& processDir) {
    std::ifstream in(processDir / "comm");
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace

std::vector<std::string> processesHolding(const std::string& device) {
    std::error_code ec;
    const fs::path wanted = fs::weakly_canonical(device, ec);
    if (ec)
        return {};
    std::vector<std::pair<long, std::string>> found;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pidText = it->path().filename().string();
        if (pidText.empty() ||
            !std::all_of(pidText.begin(), pidText.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        // Other users' descriptors cannot be read without privileges: best effort, skip them.
        std::error_code fdError;
        for (fs::directory_iterator fd(it->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
             fd.increment(fdError)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fd->path(), linkError);
            if (linkError || target != wanted)
                continue;
            found.emplace_back(std::stol(pidText), pidText + " (" + processName(it->path()) + ")");
            break;
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> holders;
    for (auto& [pid, text] : found) holders.push_back(std::move(text));
    return holders;
}

ComPortInfo describeComPort(unsigned number, const PortRoute& route) {
    ComPortInfo info;
    info.number = number;
    info.device = route.device;
    info.source = route.source;
    info.mapped = route.mapped;
    probe(info);
    if (info.state == PortState::Busy)
        info.holders = processesHolding(info.device);
    return info;
}

ComPortInfo describeComPort(unsigned number, const std::string& settingsDirectory) {
    return describeComPort(number, routeOf(number, settingsDirectory));
}

ComPortInfo describeComPort(unsigned number) {
    return describeComPort(number, linkContext().programDirectory);
}

std::vector<ComPortInfo> describeComPorts(const std::string& settingsDirectory) {
    const PortMapping mapping = readPortMapping(settingsDirectory);
    std::vector<ComPortInfo> ports;
    for (unsigned n = kFirstPort; n <= kLastPort; ++n)
        ports.push_back(describeComPort(n, routeOf(n, mapping)));
    return ports;
}

std::vector<ComPortInfo> describeComPorts() {
    return describeComPorts(linkContext().programDirectory);
}

std::vector<unsigned> portsMappedTo(const SerialAdapter& adapter, const PortMapping& mapping) {
    std::vector<unsigned> ports;
    const fs::path link = fs::path(adapter.path).lexically_normal();
    for (const auto& [port, path] : mapping) {
        if (fs::path(path).lexically_normal() == link)
            ports.push_back(port);
    }
    return ports;
}

std::vector<SerialAdapter> listSerialAdapters(const std::string& directory) {
    std::vector<SerialAdapter> adapters;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (!it->is_symlink(linkError) || linkError)
            continue;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (linkError)
            continue;
        const fs::path absolute = target.is_absolute() ? target : it->path().parent_path() / target;
        adapters.push_back({it->path().filename().string(), absolute.lexically_normal().string(),
                            it->path().lexically_normal().string()});
    }
    std::sort(adapters.begin(), adapters.end(),
              [](const SerialAdapter& a, const SerialAdapter& b) { return a.name < b.name; });
    return adapters;
}

std::string portStateText(const ComPortInfo& port) {
    switch (port.state) {
        case PortState::Available:
            return "available";
        case PortState::Missing:
            return port.source == PortSource::Mapping ? "missing: the adapter is not plugged in"
                                                      : "no such device";
        case PortState::Busy: {
            std::string text = "in use by another program";
            if (!port.holders.empty()) {
                text += " (pid ";
                for (std::size_t i = 0; i < port.holders.size(); ++i)
                    text += (i ? ", " : "") + port.holders[i];
                text += ")";
            }
            return text;
        }
        case PortState::NotPermitted:
            return "permission denied: add the user to the dialout group";
        case PortState::NotASerialDevice:
            return "not a serial device";
        case PortState::Other:
            return port.error.empty() ? std::string("cannot be opened") : port.error;
    }
    return {};
}

std::string portLine(const ComPortInfo& port) {
    std::string line = "COM" + std::to_string(port.number) + " " + port.device;
    if (port.source == PortSource::Mapping)
        line += " (mapped)";
    else if (port.source == PortSource::Environment && !port.mapped.empty())
        line += " (VANTREL_COM" + std::to_string(port.number) + " for this run, instead of the mapping to " +
                port.mapped + ")";
    return line + ": " + portStateText(port);
}

}  // namespace vantrel

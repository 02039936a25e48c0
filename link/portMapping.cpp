// The COM port mapping file and the route from a COM port to its device.
#include "link/portMapping.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "link/portDiscovery.h"
#include "link/regularFile.h"
// The atomic save lives with the archive code; it uses nothing above the link.
#include "link/writeFileAtomically.h"

namespace vantrel {

namespace {

constexpr unsigned kFirstPort = 1;
constexpr unsigned kLastPort = 4;
// Four short lines are expected; anything far larger is no mapping file of ours.
constexpr off_t kFileLimit = 64 * 1024;
constexpr std::size_t kPathLimit = 1024;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

/// "COM1" to "COM4", any case; 0 otherwise.
unsigned portOfKey(std::string_view key) {
    if (key.size() != 4)
        return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((key[i] | 0x20) != "com"[i])
            return 0;
    }
    const char digit = key[3];
    if (digit < '0' + int(kFirstPort) || digit > '0' + int(kLastPort))
        return 0;
    return unsigned(digit - '0');
}

std::string environmentDevice(unsigned port) {
    const std::string name = "VANTREL_COM" + std::to_string(port);
    const char* value = std::getenv(name.c_str());
    return value && *value ? std::string(value) : std::string();
}

}  // namespace

std::string portMappingPath(const std::string& settingsDirectory) {
    const std::string dir = settingsDirectory.empty() ? "." : settingsDirectory;
    return dir + "/" + kPortMappingFileName;
}

bool validMappedPath(std::string_view path) {
    if (path.empty() || path.front() != '/' || path.size() > kPathLimit)
        return false;
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

PortMapping parsePortMapping(std::string_view text, std::vector<IgnoredLine>* ignored) {
    PortMapping mapping;
    auto ignore = [&](int line, std::string reason) {
        if (ignored)
            ignored->push_back({line, std::move(reason)});
    };
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            ignore(number, "expected COMn=PATH");
            continue;
        }
        const unsigned port = portOfKey(trimmed(line.substr(0, eq)));
        if (port == 0) {
            ignore(number, "the port must be COM1 to COM4");
            continue;
        }
        const std::string_view path = trimmed(line.substr(eq + 1));
        if (!validMappedPath(path)) {
            ignore(number, "the device must be an absolute path");
            continue;
        }
        mapping[port] = std::string(path);
    }
    return mapping;
}

std::string formatPortMapping(const PortMapping& mapping) {
    std::string text =
        "# The serial adapter each COM port opens (vantrel-cli port --map COMn PATH, --unmap COMn).\n";
    for (const auto& [port, path] : mapping) {
        if (port >= kFirstPort && port <= kLastPort && validMappedPath(path))
            text += "COM" + std::to_string(port) + "=" + path + "\n";
    }
    return text;
}

PortMapping readPortMapping(const std::string& settingsDirectory, std::vector<IgnoredLine>* ignored) {
    const std::string path = portMappingPath(settingsDirectory);
    auto ignoreFile = [&](std::string reason) {
        if (ignored)
            ignored->push_back({0, std::move(reason)});
        return PortMapping{};
    };
    // A FIFO or a device put in its place must neither hang the program nor be read.
    const RegularFileText file = readRegularFile(path, static_cast<std::size_t>(kFileLimit));
    switch (file.status) {
        case RegularFileText::Status::Read:
            break;
        case RegularFileText::Status::Missing:
            return {};
        case RegularFileText::Status::NotRegular:
            return ignoreFile("not a regular file");
        case RegularFileText::Status::TooLarge:
            return ignoreFile("too large for a port mapping");
        case RegularFileText::Status::Failed:
            return ignoreFile("cannot be read: " + file.reason());
    }
    return parsePortMapping(file.text, ignored);
}

bool writePortMapping(const std::string& settingsDirectory, const PortMapping& mapping, std::string* reason) {
    const std::string path = portMappingPath(settingsDirectory);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (reason)
            *reason = "not a regular file";
        return false;
    }
    const FileWriteResult result = writeFileAtomically(path, formatPortMapping(mapping));
    if (!result && reason)
        *reason = result.reason();
    return bool(result);
}

namespace {
std::string& adapterDirectorySetting() {
    static std::string directory;
    return directory;
}
}  // namespace

void setSerialAdapterDirectory(std::string directory) {
    adapterDirectorySetting() = std::move(directory);
}

ScopedSerialAdapterDirectory::ScopedSerialAdapterDirectory(std::string directory)
    : m_saved(adapterDirectorySetting()) {
    adapterDirectorySetting() = std::move(directory);
}

ScopedSerialAdapterDirectory::~ScopedSerialAdapterDirectory() {
    adapterDirectorySetting() = std::move(m_saved);
}

std::string serialAdapterDirectory() {
    if (!adapterDirectorySetting().empty())
        return adapterDirectorySetting();
    if (const char* value = std::getenv("VANTREL_SERIAL_BY_ID"); value && *value)
        return value;
    return kSerialByIdDirectory;
}

std::string mappedPathFor(const std::string& typed, const std::string& adapterDirectory) {
    namespace fs = std::filesystem;
    if (typed.empty() || typed == "." || typed == "..")
        return {};
    std::string path;
    if (typed.find('/') == std::string::npos) {
        path = (fs::path(adapterDirectory) / typed).lexically_normal().string();
    } else {
        std::error_code ec;
        const fs::path absolute = fs::absolute(typed, ec);
        if (ec)
            return {};
        path = absolute.lexically_normal().string();
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return validMappedPath(path) ? path : std::string();
}

PortRoute routeOf(unsigned port, const PortMapping& mapping) {
    PortRoute route;
    if (const auto it = mapping.find(port); it != mapping.end())
        route.mapped = it->second;
    if (std::string device = environmentDevice(port); !device.empty()) {
        route.device = std::move(device);
        route.source = PortSource::Environment;
    } else if (!route.mapped.empty()) {
        route.device = route.mapped;
        route.source = PortSource::Mapping;
    } else {
        route.device = "/dev/ttyS" + std::to_string(port == 0 ? 0 : port - 1);
    }
    return route;
}

PortRoute routeOf(unsigned port, const std::string& settingsDirectory) {
    return routeOf(port, readPortMapping(settingsDirectory));
}

}  // namespace vantrel

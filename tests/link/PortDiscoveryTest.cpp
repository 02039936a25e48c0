// Port discovery against pseudo-terminals, missing devices and files that are no terminals.
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "link/PosixSerialDevice.h"
#include "link/portDiscovery.h"

namespace vantrel::test {

namespace {

namespace fs = std::filesystem;

// Points VANTREL_COM<n> somewhere for the life of the object, then restores it.
class ComVariable {
  public:
    ComVariable(unsigned port, const std::string& path) : m_name("VANTREL_COM" + std::to_string(port)) {
        if (const char* old = getenv(m_name.c_str()))
            m_old = old;
        setenv(m_name.c_str(), path.c_str(), 1);
    }
    ~ComVariable() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

  private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class Pty {
  public:
    Pty() { ok = openpty(&master, &slave, name, nullptr, nullptr) == 0; }
    ~Pty() {
        if (ok) {
            close(slave);
            close(master);
        }
    }
    bool ok = false;
    int master = -1;
    int slave = -1;
    char name[256] = {};
};

fs::path scratch(const std::string& leaf) {
    const fs::path dir = fs::temp_directory_path() / ("vantrel-ports-" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir / leaf;
}

}  // namespace

TEST(PortDiscovery, PtyIsAvailableThenBusyWhileTheProgramHoldsIt) {
    Pty pty;
    ASSERT_TRUE(pty.ok);
    ComVariable com(2, pty.name);

    ComPortInfo free = describeComPort(2);
    EXPECT_EQ(free.number, 2u);
    EXPECT_EQ(free.device, pty.name);
    EXPECT_EQ(free.state, PortState::Available);
    EXPECT_EQ(portLine(free), "COM2 " + std::string(pty.name) + ": available");

    {
        PosixSerialDevice held(pty.name);  // the exclusive open of a real connection
        ComPortInfo busy = describeComPort(2);
        EXPECT_EQ(busy.state, PortState::Busy);
        // This very process holds it; the probe's own descriptor is closed before the scan.
        const std::string self = std::to_string(getpid()) + " (";
        ASSERT_EQ(busy.holders.size(), 1u);
        EXPECT_EQ(busy.holders.front().rfind(self, 0), 0u) << busy.holders.front();
        EXPECT_NE(portStateText(busy).find("in use by another program (pid " + self), std::string::npos)
            << portStateText(busy);
    }
    // Probing never leaves a lock or the exclusive flag behind: the device opens as before.
    EXPECT_EQ(describeComPort(2).state, PortState::Available);
    EXPECT_NO_THROW(PosixSerialDevice again(pty.name));
}

TEST(PortDiscovery, MissingFilesAndNonTerminalsAreToldApart) {
    ComVariable missing(1, "/dev/vantrel-no-such-port");
    const ComPortInfo none = describeComPort(1);
    EXPECT_EQ(none.device, "/dev/vantrel-no-such-port");
    EXPECT_EQ(none.state, PortState::Missing);
    EXPECT_EQ(portStateText(none), "no such device");

    const fs::path file = scratch("plain-file");
    std::ofstream(file) << "not a port";
    ComVariable regular(3, file.string());
    const ComPortInfo plain = describeComPort(3);
    EXPECT_EQ(plain.state, PortState::NotASerialDevice);
    EXPECT_EQ(fs::file_size(file), 10u);  // never opened for writing, never truncated

    ComVariable nullDevice(4, "/dev/null");  // a character device, but no terminal
    EXPECT_EQ(describeComPort(4).state, PortState::NotASerialDevice);
    EXPECT_EQ(portStateText(describeComPort(4)), "not a serial device");
    fs::remove_all(file.parent_path());
}

TEST(PortDiscovery, UnsetVariableMapsToTheTtySDevice) {
    unsetenv("VANTREL_COM3");
    EXPECT_EQ(describeComPort(3).device, "/dev/ttyS2");
    ComVariable empty(3, "");  // an empty variable counts as unset
    EXPECT_EQ(describeComPort(3).device, "/dev/ttyS2");
    const std::vector<ComPortInfo> all = describeComPorts();
    ASSERT_EQ(all.size(), 4u);
    for (unsigned n = 1; n <= 4; ++n) EXPECT_EQ(all[n - 1].number, n);
}

TEST(PortDiscovery, DeniedDeviceCarriesTheDialoutHint) {
    Pty pty;
    ASSERT_TRUE(pty.ok);
    ASSERT_EQ(chmod(pty.name, 0), 0);
    ComVariable com(1, pty.name);
    // Root opens every device: probe from a child that gives up root, as a technician's login would.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        const ComPortInfo denied = describeComPort(1);
        const bool hint = portStateText(denied) == "permission denied: add the user to the dialout group";
        _exit(denied.state == PortState::NotPermitted && hint ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod(pty.name, 0620);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PortDiscovery, AdaptersAreTheSymlinksOfTheDirectorySortedWithAbsoluteTargets) {
    EXPECT_TRUE(listSerialAdapters("/nonexistent/serial/by-id").empty());

    const fs::path dir = scratch("by-id");
    fs::create_directories(dir);
    fs::create_symlink("../../ttyUSB1", dir / "usb-Maker_B_Cable_0002-if00-port0");
    fs::create_symlink("/dev/ttyACM0", dir / "usb-Maker_A_Modem_0001-if00");
    std::ofstream(dir / "README") << "not a link";
    const std::vector<SerialAdapter> adapters = listSerialAdapters(dir.string());
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ(adapters[0].name, "usb-Maker_A_Modem_0001-if00");
    EXPECT_EQ(adapters[0].target, "/dev/ttyACM0");
    EXPECT_EQ(adapters[1].name, "usb-Maker_B_Cable_0002-if00-port0");
    EXPECT_EQ(adapters[1].target, (dir.parent_path().parent_path() / "ttyUSB1").lexically_normal().string());
    fs::remove_all(dir.parent_path());
}

}  // namespace vantrel::test

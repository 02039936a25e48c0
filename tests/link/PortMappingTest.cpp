// The COM port mapping: its settings file, and the opener following it to an adapter of a by-id folder.
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "../support/ScratchDirectory.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/PosixSerialDevice.h"
#include "link/portDiscovery.h"
#include "link/portMapping.h"

namespace vantrel::test {

namespace {

namespace fs = std::filesystem;

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

/// A settings folder and a by-id folder of its own, with the link context pointing at both.
struct MappingBench {
    ScratchDirectory settings{"vantrel-settings"};
    ScratchDirectory byId{"vantrel-by-id"};
    LinkContext context = [this] {
        LinkContext c;
        c.programDirectory = settings.path().string();
        return c;
    }();
    ScopedLinkContext scoped{context};
    ScopedSerialAdapterDirectory adapters{byId.path().string()};

    std::string plugIn(const std::string& name, const std::string& device) {
        fs::create_symlink(device, byId.path() / name);
        return (byId.path() / name).string();
    }
};

}  // namespace

TEST(PortMappingFile, UnusableFilesGiveTheDefaultsWithoutHangingOrCrashing) {
    ScratchDirectory dir;
    const std::string settings = dir.path().string();
    const std::string path = portMappingPath(settings);
    EXPECT_TRUE(readPortMapping(settings).empty());  // no file: no mapping, nothing to tell

    std::vector<IgnoredLine> ignored;
    fs::create_directory(path);
    EXPECT_TRUE(readPortMapping(settings, &ignored).empty());
    ASSERT_EQ(ignored.size(), 1u);
    EXPECT_EQ(ignored[0].line, 0);
    std::string reason;
    EXPECT_FALSE(writePortMapping(settings, {{1, "/dev/ttyUSB0"}}, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);

    // A FIFO in its place is neither read (which would wait for a writer) nor written nor replaced.
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    ignored.clear();
    EXPECT_TRUE(readPortMapping(settings, &ignored).empty());
    EXPECT_EQ(ignored.size(), 1u);
    EXPECT_FALSE(writePortMapping(settings, {{1, "/dev/ttyUSB0"}}, &reason));
    EXPECT_TRUE(fs::is_fifo(path));
    fs::remove(path);
}

TEST(PortMappingRoute, TypedAdapterNamesAndPathsBecomeAbsolute) {
    EXPECT_EQ(mappedPathFor("usb-X-if00", "/dev/serial/by-id"), "/dev/serial/by-id/usb-X-if00");
    EXPECT_EQ(mappedPathFor("./sub/../dev", "/ignored"), (fs::current_path() / "dev").string());
    // The link's own name is kept: following it would pin the tty the adapter happens to have today.
    EXPECT_EQ(mappedPathFor("/dev/stdin", "/ignored"), "/dev/stdin");
    EXPECT_EQ(mappedPathFor("..", "/dev/serial/by-id"), "");
    EXPECT_EQ(mappedPathFor("bad\nname", "/dev/serial/by-id"), "");
}

TEST(PortMappingOpener, OpensTheMappedAdapterOfTheByIdFolder) {
    MappingBench bench;
    Pty adapter, other;
    ASSERT_TRUE(adapter.ok && other.ok);
    unsetenv("VANTREL_COM2");
    const std::string link = bench.plugIn("usb-Maker_Cable_0001-if00-port0", adapter.name);
    ASSERT_TRUE(writePortMapping(bench.settings.path().string(), {{2, link}}));

    EXPECT_EQ(PosixPortOpener::devicePath(2), link);
    {
        PosixPortOpener opener;
        std::unique_ptr<SerialDevice> device = opener.open(2);
        EXPECT_EQ(device->name(), link);
        device->applyLineSettings();
        ASSERT_TRUE(device->transmit(0x5a));
        uint8_t byte = 0;
        ASSERT_EQ(::read(adapter.master, &byte, 1), 1);  // the byte came out of the mapped adapter
        EXPECT_EQ(byte, 0x5a);
        EXPECT_EQ(describeComPort(2).state, PortState::Busy);
    }

    // The adapter shows in the list with the port mapped to it.
    const std::vector<SerialAdapter> adapters = listSerialAdapters(serialAdapterDirectory());
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(portsMappedTo(adapters[0], readPortMapping(bench.settings.path().string())),
              std::vector<unsigned>{2});
    EXPECT_EQ(portLine(describeComPort(2)), "COM2 " + link + " (mapped): available");

    // VANTREL_COM2 of one run wins over the mapping.
    setenv("VANTREL_COM2", other.name, 1);
    {
        PosixPortOpener opener;
        EXPECT_EQ(opener.open(2)->name(), other.name);
    }
    EXPECT_NE(portLine(describeComPort(2)).find("instead of the mapping to " + link), std::string::npos);
    unsetenv("VANTREL_COM2");
}

TEST(PortMappingOpener, UnpluggedAdapterIsMissingAndStaysMapped) {
    MappingBench bench;
    unsetenv("VANTREL_COM1");
    const std::string link = (bench.byId.path() / "usb-Maker_Gone_0009-if00-port0").string();
    ASSERT_TRUE(writePortMapping(bench.settings.path().string(), {{1, link}}));

    const ComPortInfo info = describeComPort(1);
    EXPECT_EQ(info.state, PortState::Missing);
    EXPECT_EQ(portLine(info), "COM1 " + link + " (mapped): missing: the adapter is not plugged in");

    PosixPortOpener opener;
    try {
        opener.open(1);
        FAIL() << "an unplugged adapter opened";
    } catch (const PortInUseError& e) {
        EXPECT_EQ(e.cause(), PortOpenCause::NoSuchDevice);
        EXPECT_EQ(e.detail(), "COM1 is mapped to the serial adapter " + link + ", which is not plugged in");
    }
    // Never silently redirected to /dev/ttyS0, and the mapping is still there for when it returns.
    EXPECT_EQ(readPortMapping(bench.settings.path().string()), (PortMapping{{1, link}}));
}

}  // namespace vantrel::test

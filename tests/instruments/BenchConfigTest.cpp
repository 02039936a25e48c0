// The bench configuration: strict parsing, saving that keeps the previous file, the environment's
// overrides.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "instruments/BenchConfig.h"
#include "instruments/InstrumentError.h"

namespace vantrel {
namespace {

std::string freshFolder(const std::string& name) {
    const std::string dir = ::testing::TempDir() + "bench-" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(BenchConfig, SavedConfigurationReadsBackTheSameAndAFailedSaveKeepsThePreviousFile) {
    BenchConfig bench;
    RoleConfig meter;
    meter.address = "10.0.0.7";
    meter.dialect = "epm-power-meter";
    meter.offsetDb = 20.35;
    meter.timeoutMs = 1500;
    bench.roles[Role::PowerMeter] = meter;
    RoleConfig supply;
    supply.transport = RoleConfig::Transport::Serial;
    supply.address = "/dev/ttyUSB1";
    supply.serial = "9600 8N2 rtscts";
    supply.dialect = "e364x-power-supply";
    bench.roles[Role::PowerSupply] = supply;

    const std::string dir = freshFolder("save");
    ASSERT_EQ(bench.save(dir), "");
    const BenchConfig back = BenchConfig::load(dir);
    ASSERT_EQ(back.roles.size(), 2u);
    EXPECT_EQ(back.roles.at(Role::PowerMeter).address, "10.0.0.7");
    EXPECT_DOUBLE_EQ(back.roles.at(Role::PowerMeter).offsetDb, 20.35);
    EXPECT_EQ(back.roles.at(Role::PowerMeter).timeoutMs, 1500u);
    EXPECT_EQ(back.roles.at(Role::PowerSupply).transport, RoleConfig::Transport::Serial);
    EXPECT_EQ(back.roles.at(Role::PowerSupply).serial, "9600 8N2 rtscts");
    EXPECT_EQ(back.toText(), bench.toText());

    // A configuration that cannot be used is not saved over a good one.
    const std::string before = fileText(dir + "/bench.conf");
    BenchConfig broken = bench;
    broken.roles[Role::FrequencyCounter].address = "not a host!";
    EXPECT_THROW(broken.save(dir), InstrumentError);
    EXPECT_EQ(fileText(dir + "/bench.conf"), before);
    // A folder that cannot be written leaves the file as it was and says why.
    if (::geteuid() != 0) {
        ::chmod(dir.c_str(), 0500);
        EXPECT_NE(bench.save(dir), "");
        ::chmod(dir.c_str(), 0700);
        EXPECT_EQ(fileText(dir + "/bench.conf"), before);
    }
    EXPECT_TRUE(BenchConfig::load(freshFolder("absent")).roles.empty());
}

TEST(BenchConfig, DamagedFilesAreRefusedWithTheLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"address = x\n", "outside a role"},
        {"[power-meter]\n", "no address"},
        {"[power-meter]\naddress = host:99999\n", "HOST:PORT"},
        {"[power-meter]\naddress = host\ntransport = gpib\n", "tcp, serial or usbtmc"},
        {"[power-meter]\naddress = ttyUSB0\ntransport = serial\n", "no device path"},
        {"[power-meter]\naddress = host\ntimeout-ms = 10\n", "50 to 60000"},
        {"[power-meter]\naddress = host\ntimeout-ms = 100.5\n", "whole number"},
        {"[power-meter]\naddress = host\noffset-db = 20dB\n", "-100 to 100"},
        {"[power-meter]\naddress = host\noffset-db = nan\n", "-100 to 100"},
        {"[power-meter]\naddress = host\ncolour = red\n", "unknown key"},
        {"[power-meter]\naddress = /dev/ttyS0\ntransport = serial\nserial = 9600 8Z1\n", "serial settings"},
        {"[frequency counter]\n", "section name"},
        {"[spectrum-analyser]\naddress = h\n", "unknown role"},
    };
    for (const auto& [text, expected] : cases) {
        try {
            BenchConfig::parse(text, "bench.conf");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const InstrumentError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos)
                << e.what() << " / " << expected;
        }
    }
    // A file that is no regular file is never read.
    const std::string dir = freshFolder("fifo");
    ASSERT_EQ(::mkfifo((dir + "/bench.conf").c_str(), 0600), 0);
    EXPECT_THROW(BenchConfig::load(dir), InstrumentError);
}

TEST(BenchConfig, EnvironmentEndpointsWinOverTheFile) {
    BenchConfig bench =
        BenchConfig::parse("[power-meter]\naddress = 10.0.0.1\noffset-db = 3\n", "bench.conf");
    ::setenv("VANTREL_BENCH_POWER_METER", "tcp:127.0.0.1:40001", 1);
    ::setenv("VANTREL_BENCH_POWER_SUPPLY", "usbtmc:/dev/usbtmc0", 1);
    bench.applyEnvironment();
    EXPECT_EQ(bench.roles.at(Role::PowerMeter).address, "127.0.0.1:40001");
    EXPECT_EQ(bench.roles.at(Role::PowerMeter).offsetDb, 0.0);
    EXPECT_EQ(bench.roles.at(Role::PowerSupply).transport, RoleConfig::Transport::Usbtmc);
    ::setenv("VANTREL_BENCH_POWER_SUPPLY", "gpib:7", 1);
    EXPECT_THROW(bench.applyEnvironment(), InstrumentError);
    ::unsetenv("VANTREL_BENCH_POWER_METER");
    ::unsetenv("VANTREL_BENCH_POWER_SUPPLY");
    EXPECT_EQ(BenchConfig::environmentName(Role::ModulationAnalyser), "VANTREL_BENCH_MODULATION_ANALYSER");
}

}  // namespace
}  // namespace vantrel

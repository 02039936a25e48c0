// `vantrel-cli bench` against the simulated bench: every role named with identity and reading, failures
// told per role, the configuration's faults refused.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "CliTestSupport.h"
#include "sim/SimBench.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel {
namespace {

using test::runCli;

class CliBench : public ::testing::Test {
  protected:
    CliBench() : radio(SimProfile::defaults()), bench(radio, "0,test") {
        bench.start(0);
        for (int i = 0; i < kSimBenchRoles; ++i) {
            const auto role = static_cast<SimBenchRole>(i);
            std::string name = simBenchRoleKey(role);
            for (char& c : name)
                c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            names.push_back("VANTREL_BENCH_" + name);
            ::setenv(names.back().c_str(), ("tcp:127.0.0.1:" + std::to_string(bench.port(role))).c_str(), 1);
        }
    }
    ~CliBench() override {
        for (const std::string& n : names) ::unsetenv(n.c_str());
    }
    test::ScratchDirectory dir{"cli-bench"};
    SimRadio radio;
    SimBench bench;
    std::vector<std::string> names;
};

TEST_F(CliBench, CheckNamesEveryRoleWithItsIdentityAndOneReading) {
    const auto run = runCli(dir.path(), {"bench", "--check"});
    EXPECT_EQ(run.exit, 0) << run.err;
    const auto lines = test::linesOf(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[0].rfind("power meter: Vantrel,Simulated Power Meter,0,test (tcp 127.0.0.1:", 0), 0u);
    EXPECT_NE(lines[0].find("): 0.0000 W"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("Frequency Counter"), std::string::npos);
    EXPECT_NE(lines[1].find("no signal"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("Modulation Analyser"), std::string::npos);
    EXPECT_NE(lines[3].find("set to 150.000000 MHz"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find(" V, 0.120 A"), std::string::npos) << lines[4];

    const auto read = runCli(dir.path(), {"bench", "--read", "power-supply"});
    EXPECT_EQ(read.exit, 0);
    EXPECT_NE(read.out.find(" A\n"), std::string::npos) << read.out;
}

TEST_F(CliBench, AFailingInstrumentIsToldOnItsOwnLineAndTheExitSaysSo) {
    bench.setFault(SimBenchRole::ModulationAnalyser, SimInstrumentFault::Errors);
    const auto run = runCli(dir.path(), {"bench", "--check"});
    EXPECT_EQ(run.exit, 4);
    const auto lines = test::linesOf(run.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].rfind("modulation analyser: FAILED: ", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find("-200"), std::string::npos) << lines[2];
    EXPECT_NE(lines[0].find("0.0000 W"), std::string::npos);

    const auto read = runCli(dir.path(), {"bench", "--read", "modulation-analyser"});
    EXPECT_EQ(read.exit, 4);
    EXPECT_NE(read.err.find("-200"), std::string::npos) << read.err;
}

TEST_F(CliBench, UsageConfigurationAndEnvironmentFaultsHaveTheirOwnExits) {
    EXPECT_EQ(runCli(dir.path(), {"bench"}).exit, 64);
    EXPECT_EQ(runCli(dir.path(), {"bench", "--read", "oscilloscope"}).exit, 64);
    EXPECT_EQ(runCli(dir.path(), {"bench", "--help"}).exit, 0);
    ::setenv("VANTREL_BENCH_POWER_METER", "gpib:7", 1);
    const auto bad = runCli(dir.path(), {"bench", "--check"});
    EXPECT_EQ(bad.exit, 6);
    EXPECT_NE(bad.err.find("VANTREL_BENCH_POWER_METER"), std::string::npos) << bad.err;
    for (const std::string& n : names) ::unsetenv(n.c_str());
    EXPECT_EQ(runCli(dir.path(), {"bench", "--check"}).exit, 6);
    test::writeText(dir.path().string() + "/bench.conf", "[power-meter]\naddress = 127.0.0.1:1\nwhat = 1\n");
    const auto damaged = runCli(dir.path(), {"bench", "--check"});
    EXPECT_EQ(damaged.exit, 6);
    EXPECT_NE(damaged.err.find("bench.conf:3: unknown key 'what'"), std::string::npos) << damaged.err;
}

}  // namespace
}  // namespace vantrel

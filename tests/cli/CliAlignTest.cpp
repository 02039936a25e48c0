// `vantrel-cli align` against the simulated radio and its bench instruments: the plan, the JSON results,
// usage errors, an instrument failing part way and a real signal mid-run, each ending dekeyed and reset.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "CliRadioBench.h"
#include "SessionBench.h"
#include "cli/CliExitCode.h"
#include "radio/SoftpotTypes.h"
#include "sim/PtySimServer.h"
#include "sim/SimBench.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel {
namespace {

SimProfile portable() {
    return SimProfile::load(std::string(VANTREL_SIM_PROFILES) + "/portable.json");
}

/// The bench instruments of `radio` on loopback ports, named in the VANTREL_BENCH_* variables for as long
/// as it lives (the way `bench --check` and `align` find them).
class ServedBench {
  public:
    explicit ServedBench(SimRadio& radio) : bench(radio, "0,test") {
        bench.start(0);
        for (int i = 0; i < kSimBenchRoles; ++i) {
            const auto role = static_cast<SimBenchRole>(i);
            std::string name = simBenchRoleKey(role);
            for (char& c : name)
                c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            settings.push_back("VANTREL_BENCH_" + name +
                               "=tcp:127.0.0.1:" + std::to_string(bench.port(role)));
            const auto eq = settings.back().find('=');
            ::setenv(settings.back().substr(0, eq).c_str(), settings.back().substr(eq + 1).c_str(), 1);
        }
    }
    ~ServedBench() {
        for (const std::string& s : settings) ::unsetenv(s.substr(0, s.find('=')).c_str());
    }
    SimBench bench;
    std::vector<std::string> settings;  ///< NAME=VALUE, for a child process's environment
};

/// The softpots the radio stored a value of.
std::set<int> programmedSoftpots(SimRadio& radio) {
    std::set<int> softpots;
    for (const SimEvent& e : radio.transcript().filter(SimEventKind::State, SimTopic::ProgrammedValue))
        softpots.insert(e.softpot);
    return softpots;
}

/// The mis-tuned portable on a virtual line in virtual time, its instruments on loopback ports.
class CliAlign : public ::testing::Test {
  protected:
    CliAlign() : radio(portable()), instruments(radio.radio) {}
    test::CliRun align(std::vector<std::string> args) {
        args.insert(args.begin(), {"align", "--archive-dir", radio.dir.path().string()});
        return radio.run(args);
    }
    test::RadioBench radio;
    ServedBench instruments;
};

TEST_F(CliAlign, UsageErrorsAndThePlanLeaveTheRadioAlone) {
    // Refused before anything is opened.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--port", "1", "--only", "tx-high-power,no-such-procedure"},
          {"--port", "1", "--only", ","},
          {"--port", "1", "--from", "radio.sfp"},
          {"--plan", "--from", "radio.sfp", "--port", "1"},
          {"--port", "1", "--json", "--interactive"}}) {
        const auto run = align(args);
        EXPECT_EQ(run.exit, exitCode::Usage) << args[2] << " " << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_TRUE(radio.radio.transcript().filter(SimEventKind::FrameIn).empty());

    // The plan from a read: the requests of a plain read and nothing more (no key, no value stored).
    auto frames = [&] {
        std::vector<std::vector<std::uint8_t>> sent;
        for (const SimEvent& e : radio.radio.transcript().filter(SimEventKind::FrameIn))
            sent.push_back(e.bytes);
        radio.radio.transcript().clear();
        return sent;
    };
    ASSERT_EQ(radio.run({"read", "--port", "1", "-o", radio.dir.file("radio.sfp")}).exit, exitCode::Success);
    const auto read = frames();
    const auto plan = align({"--port", "1", "--plan", "--json"});
    ASSERT_EQ(plan.exit, exitCode::Success) << plan.err;
    EXPECT_EQ(frames(), read);
    const auto j = nlohmann::json::parse(plan.out);
    ASSERT_TRUE(j["plan"].is_array());
    std::set<std::string> modes;
    for (const auto& step : j["plan"]) modes.insert(step["mode"].get<std::string>());
    EXPECT_TRUE(modes.count("automatic")) << plan.out;
    EXPECT_TRUE(modes.count("manual")) << plan.out;

    // The plan of an archived radio: the same plan, and not one request reaches the radio.
    const auto archived = align({"--plan", "--json", "--from", radio.dir.file("radio.sfp")});
    ASSERT_EQ(archived.exit, exitCode::Success) << archived.err;
    EXPECT_EQ(nlohmann::json::parse(archived.out)["plan"], j["plan"]);
    EXPECT_TRUE(radio.radio.transcript().entries().empty());
    EXPECT_EQ(align({"--plan", "--from", radio.dir.file("missing.sfp")}).exit, exitCode::FileFailure);
}

TEST_F(CliAlign, JsonResultsCarryEveryPointWithinToleranceAndTheRadioHoldsThem) {
    const auto run = align({"--port", "1", "--only", "ref-osc-warp,tx-high-power,dtmf-deviation", "--json"});
    ASSERT_EQ(run.exit, exitCode::Success) << run.err << run.out;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["allWithinTolerance"], true);
    std::set<std::string> procedures;
    int moved = 0;
    for (const auto& row : j["results"]) {
        for (const char* key :
             {"procedure", "point", "before", "after", "measured", "target", "withinTolerance"})
            ASSERT_TRUE(row.contains(key)) << key << " missing in " << row;
        procedures.insert(row["procedure"].get<std::string>());
        EXPECT_TRUE(row["withinTolerance"].get<bool>()) << row;
        ASSERT_TRUE(row["measured"].is_number() && row["target"].is_number()) << row;
        if (row["procedure"] == "tx-high-power") {
            EXPECT_NEAR(row["measured"].get<double>(), row["target"].get<double>(), 0.15) << row;
        }
        moved += row["before"] != row["after"];
    }
    EXPECT_EQ(procedures, (std::set<std::string>{"ref-osc-warp", "tx-high-power", "dtmf-deviation"}));
    EXPECT_GT(moved, 0) << "the mis-tuned portable needed no change?";
    // Every procedure stored its values, and both archives are on disk.
    EXPECT_GE(programmedSoftpots(radio.radio).size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(j["archives"]["before"].get<std::string>()));
    EXPECT_TRUE(std::filesystem::exists(j["archives"]["after"].get<std::string>()));
    EXPECT_TRUE(test::endedDekeyedAndReset(radio.radio));
}

TEST_F(CliAlign, AnInstrumentFailingPartWayIsExitEightWithNothingOfItsProcedureStored) {
    // The counter works; the meter refuses every reading once the power procedure asks it.
    instruments.bench.setFault(SimBenchRole::PowerMeter, SimInstrumentFault::Errors);
    const auto run = align({"--port", "1", "--only", "ref-osc-warp,tx-high-power", "--json"});
    EXPECT_EQ(run.exit, exitCode::InstrumentFailure) << run.err;
    std::map<std::string, nlohmann::json> ends;
    const auto j = nlohmann::json::parse(run.out);
    for (const auto& p : j["procedures"]) ends[p["procedure"].get<std::string>()] = p;
    EXPECT_EQ(ends["ref-osc-warp"]["end"], "aligned") << run.out;
    EXPECT_EQ(ends["tx-high-power"]["end"], "instrument-failed") << run.out;
    EXPECT_EQ(ends["tx-high-power"]["programmed"], false) << run.out;
    // The warp was stored, the power softpot not.
    const std::set<int> stored = programmedSoftpots(radio.radio);
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(stored.count(softpot::TxPower), 0u);
    EXPECT_TRUE(test::endedDekeyedAndReset(radio.radio));
}

// A real signal in real time: the tool over a pty to the simulated radio, SIGINT or SIGTERM while the power
// procedure steps. The read alone takes some seconds: one run per signal.
TEST(CliAlignEndToEnd, ASignalMidRunEndsDekeyedAndResetWithNothingStored) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        test::ScratchDirectory dir;
        SimRadio radio(portable());
        PtySimServer server(radio, dir.file("radio"));
        server.start();
        ServedBench instruments(radio);

        int out[2], err[2];
        ASSERT_EQ(pipe(out), 0);
        ASSERT_EQ(pipe(err), 0);
        const pid_t pid = test::spawn({VANTREL_CLI_EXE, "align", "--device", server.linkPath(), "--only",
                                       "tx-high-power", "--archive-dir", dir.path().string()},
                                      instruments.settings, out, err);
        close(out[1]);
        close(err[1]);
        // Wait for the second live step of the first point: the procedure is in progress.
        std::string progress;
        const auto deadline = test::Clock::now() + test::kCommandLimit;
        auto steps = [&] {
            int n = 0;
            for (const std::string& line : test::linesOf(progress)) n += line.rfind("  ", 0) == 0;
            return n;
        };
        while (steps() < 2 && test::Clock::now() < deadline) {
            pollfd p{err[0], POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = read(err[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            progress.append(buffer, static_cast<std::size_t>(n));
        }
        ASSERT_GE(steps(), 2) << progress;
        kill(pid, signalNumber);
        int status = 0;
        const bool ended = test::reap(pid, 60000, &status);
        if (!ended)
            kill(pid, SIGKILL), waitpid(pid, &status, 0);
        close(out[0]);
        close(err[0]);
        ASSERT_TRUE(ended);
        ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
        EXPECT_EQ(WEXITSTATUS(status), exitCode::Interrupted + signalNumber);
        server.stop();
        EXPECT_FALSE(radio.transcript().filter(SimEventKind::State, SimTopic::Key).empty());
        EXPECT_TRUE(test::endedDekeyedAndReset(radio));
        EXPECT_TRUE(programmedSoftpots(radio).empty());
    }
}

}  // namespace
}  // namespace vantrel

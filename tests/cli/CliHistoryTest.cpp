// The service history from the command line: the history command's options and forms, and real
// vantrel-cli runs against the simulated radio recording their events (or spooling them when the
// store is out of reach) without changing their outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "cli/CliExitCode.h"
#include "cli/CliOptions.h"
#include "history/HistorySpool.h"
#include "history/HistoryStore.h"
#include "history/historySetup.h"

namespace vantrel {
namespace {

using test::CliRun;
using test::runCli;

TEST(CliHistoryOptions, EachFormIsCheckedAsTyped) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    };
    const Case cases[] = {
        {{"history", "PT00000001"}, true},
        {{"history", "PT00000001", "--json"}, true},
        {{"history", "PT00000001", "--csv"}, true},
        {{"history", "PT00000001", "--csv", "--json"}, false},
        {{"history", "--list"}, true},
        {{"history", "--list", "--since", "2025-03-01"}, true},
        {{"history", "--list", "--since", "2025-03-01T12:30"}, true},
        {{"history", "--list", "--since", "2025-13-01"}, false},
        {{"history", "--list", "--since", "yesterday"}, false},
        {{"history", "PT00000001", "--since", "2025-03-01"}, false},
        {{"history", "--list", "PT00000001"}, false},
        {{"history", "--check"}, true},
        {{"history", "--check", "--json"}, false},
        {{"history"}, false},
        {{"--history", "off", "read"}, true},
        {{"read", "--history", "postgresql://bench@server/shop"}, true},
        {{"--history", "", "read"}, false},
        {{"read", "--csv"}, false},
        {{"read", "--check"}, false},
    };
    for (const Case& c : cases) {
        const auto parsed = parseCliArguments(c.args);
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        EXPECT_EQ(std::holds_alternative<CliOptions>(parsed), c.ok) << line;
    }
    const CliOptions since =
        std::get<CliOptions>(parseCliArguments({"history", "--list", "--since", "2025-03-01 12:30"}));
    EXPECT_EQ(since.since, "2025-03-01T12:30");
}

ServiceEvent event(EventKind kind, const std::string& serial, const std::string& time,
                   std::vector<EventValue> values) {
    ServiceEvent e;
    e.uid = newEventUid();
    e.timeUtc = time;
    e.kind = kind;
    e.serial = serial;
    e.subject = kind == EventKind::Program ? "Transmit High Power" : "Read Radio";
    e.outcome = eventOutcome::Ok;
    e.bench = "bench-1";
    e.operatorName = "tech";
    e.program = "vantrel 0.1.0";
    e.port = "COM1 /dev/ttyS0";
    e.detail = "line one\nline two \x1b[31m";
    e.values = std::move(values);
    return e;
}

class CliHistory : public ::testing::Test {
  protected:
    void SetUp() override {
        auto store = openHistoryStore(target());
        store->record(event(EventKind::Read, "PT00000001", "2025-03-01T10:00:00.000Z",
                            {{"Transmit High Power F3", 3, 2, std::nullopt, 100}}));
        store->record(event(EventKind::Program, "PT00000001", "2025-03-02T10:00:00.000Z",
                            {{"Transmit High Power F3", 3, 2, 100, 104}, {"Say \"hi\", ok", -1, -1, 1, 2}}));
        store->record(event(EventKind::Read, "OTHER00001", "2025-03-03T10:00:00.000Z", {}));
    }
    HistoryTarget target() const { return {HistoryTarget::Kind::Sqlite, m_dir.file("history.sqlite")}; }
    CliRun history(std::vector<std::string> args) {
        args.insert(args.begin(), {"--history", target().location, "history"});
        return runCli(m_dir.path().string(), args);
    }

    test::ScratchDirectory m_dir;
};

TEST_F(CliHistory, ShowsARadiosEventsNewestFirstWithTheirValues) {
    const CliRun run = history({"PT00000001"});
    EXPECT_EQ(run.exit, exitCode::Success) << run.err;
    const auto program = run.out.find("2025-03-02 10:00:00 UTC  Transmit High Power  ok");
    const auto read = run.out.find("2025-03-01 10:00:00 UTC  Read Radio  ok");
    ASSERT_NE(program, std::string::npos) << run.out;
    ASSERT_NE(read, std::string::npos) << run.out;
    EXPECT_LT(program, read);
    EXPECT_NE(run.out.find("    Transmit High Power F3: 100 -> 104\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("    1 values (--json or --csv lists them)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("line two \\x1B[31m"), std::string::npos) << "no escape reaches the terminal";
    EXPECT_EQ(run.out.find("OTHER00001"), std::string::npos);

    const CliRun none = history({"NOSUCH0001"});
    EXPECT_EQ(none.exit, exitCode::Different);
    EXPECT_NE(none.out.find("No service events of the radio NOSUCH0001"), std::string::npos);
}

TEST_F(CliHistory, JsonAndCsvCarryEveryField) {
    const CliRun json = history({"PT00000001", "--json"});
    ASSERT_EQ(json.exit, exitCode::Success) << json.err;
    const nlohmann::json events = nlohmann::json::parse(json.out);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["kind"], "program");
    EXPECT_EQ(events[0]["values"][0]["before"], 100);
    EXPECT_EQ(events[0]["values"][0]["after"], 104);
    EXPECT_TRUE(events[1]["values"][0]["before"].is_null());
    EXPECT_EQ(events[0]["port"], "COM1 /dev/ttyS0");

    const CliRun csv = history({"PT00000001", "--csv"});
    ASSERT_EQ(csv.exit, exitCode::Success) << csv.err;
    // Records end in CRLF; a line feed inside a quoted field (the detail) is part of the field.
    std::vector<std::string> records;
    for (std::size_t at = 0, end; (end = csv.out.find("\r\n", at)) != std::string::npos; at = end + 2)
        records.push_back(csv.out.substr(at, end - at));
    ASSERT_EQ(records.size(), 4u) << csv.out;  // header, two values of the program, one of the read
    EXPECT_EQ(records[0].rfind("time_utc,kind,serial,", 0), 0u);
    EXPECT_NE(records[2].find(",\"Say \"\"hi\"\", ok\",-1,-1,1,2"), std::string::npos) << records[2];
    EXPECT_NE(records[1].find(",\"line one\nline two \x1b[31m\","), std::string::npos) << records[1];
}

TEST_F(CliHistory, ListsEveryRadioSinceADateAndChecksTheStore) {
    const CliRun all = history({"--list"});
    ASSERT_EQ(all.exit, exitCode::Success) << all.err;
    EXPECT_EQ(test::linesOf(all.out).size(), 3u) << all.out;
    const CliRun since = history({"--list", "--since", "2025-03-02"});
    ASSERT_EQ(test::linesOf(since.out).size(), 2u) << since.out;
    EXPECT_EQ(since.out.rfind("2025-03-03 10:00:00 UTC  OTHER00001  read", 0), 0u) << since.out;

    const CliRun check = history({"--check"});
    ASSERT_EQ(check.exit, exitCode::Success) << check.err;
    EXPECT_NE(check.out.find("schema version: " + std::to_string(kHistorySchemaVersion)), std::string::npos);
    EXPECT_NE(check.out.find("events: 3"), std::string::npos) << check.out;
}

TEST_F(CliHistory, AStoreThatCannotBeReadSaysWhy) {
    test::writeText(m_dir.file("damaged.sqlite"), std::string(4096, 'x'));
    const CliRun run =
        runCli(m_dir.path().string(), {"--history", m_dir.file("damaged.sqlite"), "history", "--check"});
    EXPECT_EQ(run.exit, exitCode::LinkFailure);
    EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
    const CliRun off = runCli(m_dir.path().string(), {"--history", "off", "history", "--list"});
    EXPECT_EQ(off.exit, exitCode::Usage);
}

// --- End to end: real runs of vantrel-cli against vantrel-sim --------------------------------------------

test::CliRun runWith(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
    int out[2], err[2];
    test::CliRun run;
    if (pipe(out) != 0 || pipe(err) != 0)
        return run;
    std::vector<std::string> argv = {VANTREL_CLI_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = test::spawn(argv, environment, out, err);
    close(out[1]);
    close(err[1]);
    for (auto [fd, sink] : {std::pair{out[0], &run.out}, std::pair{err[0], &run.err}}) {
        char buffer[4096];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) sink->append(buffer, std::size_t(n));
        close(fd);
    }
    int status = 0;
    if (test::reap(pid, static_cast<int>(std::chrono::milliseconds(test::kCommandLimit).count()), &status))
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CliHistoryEndToEnd, TwoReadsAndAProgramAllShowUpInTheHistory) {
    const std::string simulator = VANTREL_SIM_EXE;
    if (simulator.empty() || !std::filesystem::exists(simulator))
        GTEST_SKIP() << "vantrel-sim is not built";
    test::ScratchDirectory dir;
    test::SimulatorProcess sim(simulator, dir.file("com1"));
    const std::string device = sim.announcedDevice();
    ASSERT_FALSE(device.empty());
    const std::string store = dir.file("history.sqlite");
    const std::vector<std::string> env = {"VANTREL_COM1=" + device, "VANTREL_HISTORY=" + store,
                                          "VANTREL_OPERATOR=night shift",
                                          "XDG_DATA_HOME=" + dir.file("data")};

    EXPECT_EQ(runWith({"read", "--port", "1"}, env).exit, exitCode::Success);
    EXPECT_EQ(runWith({"read", "--port", "1", "-o", dir.file("radio.sfp")}, env).exit, exitCode::Success);
    const CliRun program = runWith({"program", "--port", "1", dir.file("radio.sfp"), "--yes"}, env);
    EXPECT_EQ(program.exit, exitCode::Success) << program.err;
    EXPECT_EQ(program.err.find("Service history"), std::string::npos) << program.err;

    const CliRun json = runWith({"history", "PT00000001", "--json"}, env);
    ASSERT_EQ(json.exit, exitCode::Success) << json.err;
    const nlohmann::json events = nlohmann::json::parse(json.out);
    std::vector<std::string> kinds;
    for (const auto& e : events) kinds.push_back(e["kind"]);
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"program-all", "archive-load", "archive-save", "read", "read"}));
    EXPECT_EQ(events[0]["operator"], "night shift");
    EXPECT_EQ(events[0]["port"], "COM1 " + device);
    EXPECT_EQ(std::string(events[0]["program"]).rfind("vantrel-cli ", 0), 0u);
    EXPECT_EQ(events[1]["file"], dir.file("radio.sfp"));
    EXPECT_EQ(std::string(events[1]["hash"]).size(), 7u + 64u);
    EXPECT_EQ(events[1]["hash"], events[2]["hash"]) << "the file loaded is the file saved";
    EXPECT_GT(events[0]["values"].size(), 20u);
    EXPECT_GT(events[4]["values"].size(), events[0]["values"].size()) << "a read holds more than is written";

    // Off: nothing more is recorded.
    std::vector<std::string> off = env;
    off[1] = "VANTREL_HISTORY=off";
    EXPECT_EQ(runWith({"read", "--port", "1"}, off).exit, exitCode::Success);
    EXPECT_EQ(openHistoryStore({HistoryTarget::Kind::Sqlite, store})->check().events, 5);
}

TEST(CliHistoryEndToEnd, AStoreOutOfReachSpoolsTheEventAndSaysSoOnce) {
    const std::string simulator = VANTREL_SIM_EXE;
    if (simulator.empty() || !std::filesystem::exists(simulator))
        GTEST_SKIP() << "vantrel-sim is not built";
    test::ScratchDirectory dir;
    test::SimulatorProcess sim(simulator, dir.file("com1"));
    const std::string device = sim.announcedDevice();
    ASSERT_FALSE(device.empty());
    // Nothing listens on port 1 of this machine: the connection is refused at once.
    const std::string server = "postgresql://bench@127.0.0.1:1/shop?connect_timeout=2";
    const std::vector<std::string> env = {"VANTREL_COM1=" + device, "XDG_DATA_HOME=" + dir.file("data")};
    const CliRun read = runWith({"--history", server, "read", "--port", "1"}, env);
    EXPECT_EQ(read.exit, exitCode::Success) << read.err;
    EXPECT_NE(read.out.find("Radio has been successfully read !!"), std::string::npos);
    const std::vector<std::string> lines = test::linesOf(read.err);
    int told = 0;
    for (const std::string& line : lines) told += line.find("Service history") != std::string::npos;
    EXPECT_EQ(told, 1) << read.err;
    const HistoryTarget target = *HistoryTarget::parse(server);
    const std::string spool = historySpoolDirectory(target, dir.file("data") + "/vantrel");
    ASSERT_EQ(HistorySpool(spool).pending().size(), 1u) << spool;
    const std::optional<ServiceEvent> spooled =
        HistorySpool(spool).load(HistorySpool(spool).pending().front());
    ASSERT_TRUE(spooled);
    EXPECT_EQ(spooled->serial, "PT00000001");
    EXPECT_EQ(spooled->kind, EventKind::Read);
}

}  // namespace
}  // namespace vantrel

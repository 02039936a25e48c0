// Tests of vantrel-cli session with a procedure open: tuning round trips and the safety of every way out.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <iterator>

#include "SessionBench.h"
#include "cli/CliExitCode.h"
#include "sim/SimProtocol.h"

namespace vantrel {
namespace {

using nlohmann::json;
using test::errorCode;
using test::SessionBench;

constexpr const char* kProcedure = "tx-high-power";

/// The supported points of an open answer, in order.
std::vector<json> supportedPoints(const json& opened) {
    std::vector<json> points;
    for (const json& point : opened["points"])
        if (point["supported"] == true)
            points.push_back(point);
    return points;
}

/// The live values the radio took, as (point, value).
std::vector<std::pair<int, std::int64_t>> liveValues(SessionBench& bench) {
    std::vector<std::pair<int, std::int64_t>> values;
    for (const SimEvent& e : bench.states(SimTopic::LiveValue)) values.emplace_back(e.point, e.value);
    return values;
}

/// Reads the radio and opens the procedure in a first session, to learn its points.
json pointsOfTheDefaultRadio() {
    SessionBench bench;
    bench.input.request({{"cmd", "read"}}).request({{"cmd", "open"}, {"procedure", kProcedure}});
    const auto run = bench.run();
    EXPECT_EQ(run.answers.size(), 2u);
    return run.answers.size() == 2 ? run.answers[1] : json();
}

TEST(CliSessionProcedure, OpenTuneProgramAndCloseRoundTrip) {
    const json opened = pointsOfTheDefaultRadio();
    ASSERT_EQ(opened["ok"], true) << opened;
    EXPECT_EQ(opened["keys"], true);
    const std::vector<json> points = supportedPoints(opened);
    ASSERT_GE(points.size(), 2u);
    const int first = points[0]["point"];
    const int second = points[1]["point"];
    const int low = points[1]["minimum"];
    const int high = points[1]["maximum"];
    const int value = points[1]["default"] != low ? low : low + 1;  // not what the radio holds

    SessionBench bench;
    std::size_t liveAtOpen = 0;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "procedures"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .then([&] { liveAtOpen = liveValues(bench).size(); })
        .request({{"cmd", "point"}, {"point", second}})
        .request({{"cmd", "key"}})
        .request({{"cmd", "live"}, {"value", value}})
        .request({{"cmd", "live"}, {"value", high + 1}, {"id", "over"}})
        .request({{"cmd", "dekey"}})
        .request({{"cmd", "program"}})
        .request({{"cmd", "close"}});
    const auto run = bench.run();
    ASSERT_EQ(run.exit, exitCode::Success) << run.err;
    ASSERT_EQ(run.answers.size(), 10u);
    const json& listed = run.answers[1]["procedures"];
    const auto entry =
        std::find_if(listed.begin(), listed.end(), [](const json& p) { return p["name"] == kProcedure; });
    ASSERT_NE(entry, listed.end());
    EXPECT_EQ((*entry)["onThisRadio"], true);
    EXPECT_EQ(run.answers[2]["selected"], first);
    EXPECT_EQ(run.answers[4]["keyed"], true);
    EXPECT_EQ(run.answers[5]["ok"], true) << run.answers[5];
    EXPECT_EQ(errorCode(run.answers[6]), "out-of-range");
    EXPECT_EQ(run.answers[6]["id"], "over");
    EXPECT_FALSE(run.answers[6]["error"]["text"].get<std::string>().empty());
    EXPECT_EQ(run.answers[7]["keyed"], false);
    EXPECT_EQ(run.answers[8]["ok"], true) << run.answers[8];
    EXPECT_EQ(run.answers[9]["closed"], kProcedure);

    // The live value went out once, the refused one never; the program wrote the live value.
    const auto live = liveValues(bench);
    int sent = 0;
    for (std::size_t i = liveAtOpen; i < live.size(); ++i) {
        EXPECT_NE(live[i].second, high + 1);
        sent += live[i].first == second - 1 && live[i].second == value;
    }
    EXPECT_EQ(sent, 1);
    bool programmed = false;
    for (const SimEvent& e : bench.states(SimTopic::ProgrammedValue))
        programmed = programmed || (e.point == second - 1 && e.value == value);
    EXPECT_TRUE(programmed);
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

TEST(CliSessionProcedure, RefusalsOfAnOpenProcedureSendNothing) {
    const json opened = pointsOfTheDefaultRadio();
    ASSERT_EQ(opened["ok"], true) << opened;
    const std::vector<json> points = supportedPoints(opened);
    ASSERT_GE(points.size(), 2u);
    const int first = points[0]["point"];
    const int second = points[1]["point"];
    const int high = points[0]["maximum"];

    SessionBench bench;
    std::size_t liveAtOpen = 0;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", "no-such-procedure"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .then([&] { liveAtOpen = liveValues(bench).size(); })
        .request({{"cmd", "point"}, {"point", 99}})
        .request({{"cmd", "live"}, {"value", 1}})  // not keyed yet
        .request({{"cmd", "live"}, {"value", "loud"}})
        .request({{"cmd", "key"}})
        .request({{"cmd", "point"}, {"point", second}})
        .request({{"cmd", "live"}, {"value", 1}})
        .request({{"cmd", "key"}})
        .request({{"cmd", "read"}})
        .request({{"cmd", "program-all"}})
        .request({{"cmd", "program"}, {"values", {{std::to_string(first), high + 1}}}})
        .request({{"cmd", "program"}, {"values", {{std::to_string(first), nullptr}}}})
        .request({{"cmd", "program"}, {"values", {{"x", 1}}}})
        // A refused open leaves the open procedure, still keyed, in the session's hands.
        .request({{"cmd", "open"}, {"procedure", "no-such-procedure"}})
        .request({{"cmd", "dekey"}});
    const auto run = bench.run();
    ASSERT_EQ(run.answers.size(), 17u);
    const std::vector<std::string> codes = {"",
                                            "unknown-procedure",
                                            "",
                                            "unsupported-point",
                                            "not-keyed",
                                            "bad-argument",
                                            "",
                                            "",
                                            "keyed-elsewhere",
                                            "keyed-elsewhere",
                                            "refused",
                                            "refused",
                                            "out-of-range",
                                            "empty-value",
                                            "bad-argument",
                                            "unknown-procedure",
                                            ""};
    for (std::size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(errorCode(run.answers[i]), codes[i]) << i << ": " << run.answers[i];
    EXPECT_EQ(run.answers[7]["keyedAt"], first);
    for (const auto& [point, value] : liveValues(bench)) EXPECT_NE(value, high + 1);
    // Selecting a point may set its value live; nothing was sent for the refused requests.
    std::size_t selectedLive = 0;
    for (const auto& [point, value] : liveValues(bench)) selectedLive += value == 1 ? 1 : 0;
    EXPECT_EQ(selectedLive, 0u) << liveAtOpen;
    EXPECT_TRUE(bench.states(SimTopic::ProgrammedValue).empty());
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

TEST(CliSessionSafety, EndOfInputWhileKeyedDekeysAndResets) {
    SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .request({{"cmd", "key"}});
    const auto run = bench.run();
    ASSERT_EQ(run.answers.size(), 3u);
    ASSERT_EQ(run.answers[2]["keyed"], true) << run.answers[2];
    EXPECT_EQ(run.exit, exitCode::Success);
    EXPECT_TRUE(bench.endedDekeyedAndReset());
    ASSERT_FALSE(bench.states(SimTopic::Key).empty());
    EXPECT_EQ(bench.states(SimTopic::Key).back().value, 0);
}

TEST(CliSessionSafety, SigtermWhileKeyedDekeysResetsAndAnswersInterrupted) {
    SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .request({{"cmd", "key"}})
        .signal(SIGTERM)
        .request({{"cmd", "live"}, {"value", 1}});
    const auto run = bench.run();
    EXPECT_EQ(run.exit, exitCode::Interrupted + SIGTERM);
    ASSERT_EQ(run.answers.size(), 4u);
    EXPECT_EQ(errorCode(run.answers[3]), "interrupted");
    EXPECT_FALSE(run.answers[3].contains("warning"));
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

TEST(CliSessionSafety, ALinkFailureWhileKeyedDekeysResetsAndClosesTheProcedure) {
    SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .request({{"cmd", "key"}})
        .then([&bench] {
            // The next request (the live value) goes unanswered on every attempt.
            SimFaultRule rule;
            rule.kind = SimFaultKind::Silence;
            rule.atRequest =
                static_cast<unsigned>(bench.radio.transcript().filter(SimEventKind::FrameIn).size()) + 1;
            rule.times = 4;
            bench.radio.addFault(rule);
        })
        .request({{"cmd", "live"}, {"value", 1}, {"id", 9}})
        .request({{"cmd", "live"}, {"value", 1}});
    const auto run = bench.run();
    ASSERT_EQ(run.answers.size(), 5u);
    EXPECT_EQ(errorCode(run.answers[3]), "link-failure") << run.answers[3];
    EXPECT_EQ(run.answers[3]["error"]["text"], "Radio Communication Error!!");
    EXPECT_FALSE(run.answers[3].contains("warning"));
    EXPECT_EQ(errorCode(run.answers[4]), "no-procedure");
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

TEST(CliSessionSafety, TheWatchdogDekeysASilentKeyedSessionInVirtualTime) {
    SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .request({{"cmd", "key"}})
        .silence(4000)
        .request({{"cmd", "key"}})  // a command restarts the time
        .silence(4000)
        .request({{"cmd", "dekey"}, {"id", "still"}})
        .request({{"cmd", "key"}})
        .silence(6000)
        .request({{"cmd", "identify"}, {"id", "after"}});
    const auto run = bench.run({"--watchdog", "5"});
    ASSERT_EQ(run.answers.size(), 7u);
    EXPECT_FALSE(run.answers[3].contains("watchdog"));
    EXPECT_FALSE(run.answers[4].contains("watchdog"));
    EXPECT_EQ(run.answers[4]["keyed"], false);
    EXPECT_EQ(run.answers[6]["watchdog"], "dekeyed");
    EXPECT_EQ(run.answers[6]["id"], "after");
    EXPECT_NE(run.err.find("watchdog"), std::string::npos);

    // Keyed at the last key-up, dekeyed by the watchdog five seconds of silence later.
    const std::vector<SimEvent> keys = bench.states(SimTopic::Key);
    const auto lastKeyUp =
        std::find_if(keys.rbegin(), keys.rend(), [](const SimEvent& e) { return e.value == 1; });
    ASSERT_NE(lastKeyUp, keys.rend());
    ASSERT_NE(lastKeyUp, keys.rbegin()) << "never dekeyed after the last key-up";
    const SimEvent& keyUp = *lastKeyUp;
    const SimEvent& dekey = *std::prev(lastKeyUp);  // the first dekey after it
    EXPECT_EQ(dekey.value, 0);
    EXPECT_GE(dekey.atMs - keyUp.atMs, 5000u);
    EXPECT_LT(dekey.atMs - keyUp.atMs, 6000u);
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

}  // namespace
}  // namespace vantrel

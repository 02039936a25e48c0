// Tests of vantrel-cli session with a procedure open: tuning round trips and the safety of every way out.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <iterator>

#include "SessionBench.h"
#include "cli/CliExitCode.h"
#include "cli/CliSession.h"
#include "radio/SoftpotTypes.h"
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

// A script that went astray (blank lines, noise, unknown commands) must not hold the radio keyed: only a
// command restarts the watchdog.
TEST(CliSessionSafety, LinesThatAreNoCommandLeaveTheWatchdogRunning) {
    SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .request({{"cmd", "key"}});
    const std::vector<std::string> noise = {"", "   ", "\t \r", "xyz", "{\"cmd\":\"nope\"}", "{}", "[1]"};
    for (int i = 0; i < 21; ++i) bench.input.silence(150).line(noise[std::size_t(i) % noise.size()]);
    const auto run = bench.run({"--watchdog", "1"});
    EXPECT_EQ(run.exit, exitCode::Success) << run.err;
    EXPECT_NE(run.err.find("watchdog"), std::string::npos);
    const std::vector<SimEvent> keys = bench.states(SimTopic::Key);
    ASSERT_GE(keys.size(), 2u);  // the closing at the end dekeys once more
    EXPECT_EQ(keys[0].value, 1);
    EXPECT_EQ(keys[1].value, 0);
    // Dekeyed on time, although a line came every 150 ms for three seconds.
    EXPECT_GE(keys[1].atMs - keys[0].atMs, 1000u);
    EXPECT_LT(keys[1].atMs - keys[0].atMs, 1500u);
    // The noise was answered as such; the watchdog's note rode on the first answer after it acted.
    bool told = false;
    for (std::size_t i = 3; i < run.answers.size(); ++i) {
        EXPECT_EQ(run.answers[i]["ok"], false) << run.answers[i];
        told = told || run.answers[i].value("watchdog", "") == "dekeyed";
    }
    EXPECT_TRUE(told);
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

// A request nested tens of thousands of levels deep is refused as bad JSON; the session, and the keyed
// radio, go on as before.
TEST(CliSessionSafety, AHostileDeeplyNestedRequestIsRefusedAndTheSessionGoesOn) {
    constexpr std::size_t kDepth = 50000;
    const std::string deep = std::string(kDepth, '[') + std::string(kDepth, ']');
    SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .request({{"cmd", "key"}})
        .line("{\"cmd\":\"live\",\"id\":" + deep + "}")
        .line("{\"cmd\":\"live\",\"value\":" + std::string(kDepth, '{') + "}")
        .line(std::string(kDepth, '['))
        .request({{"cmd", "dekey"}, {"id", "after"}});
    const auto run = bench.run();
    EXPECT_EQ(run.exit, exitCode::Success) << run.err;
    ASSERT_EQ(run.answers.size(), 7u);
    for (std::size_t i = 3; i < 6; ++i) {
        EXPECT_EQ(errorCode(run.answers[i]), "bad-json") << i;
        EXPECT_FALSE(run.answers[i].contains("id"));
    }
    EXPECT_EQ(run.answers[6]["id"], "after");
    EXPECT_EQ(run.answers[6]["keyed"], false);
    EXPECT_TRUE(bench.endedDekeyedAndReset());
}

SimFaultRule unanswered(std::uint8_t opcode, std::optional<std::uint8_t> firstByte = std::nullopt) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.opcode = opcode;
    rule.firstByte = firstByte;
    rule.times = 0;  // from now on
    return rule;
}

// Whenever the radio does not confirm the dekey or the reset that should leave it safe, the answer says
// which, carries the still-keyed warning, and the session ends with 4 (also after a signal).
TEST(CliSessionSafety, EveryWayOutSaysWhatTheRadioDidNotConfirmAndEndsWithFour) {
    const SimFaultRule noReset = unanswered(sim::op::Reset);
    const SimFaultRule noDekey = unanswered(sim::op::Key, sim::key::Dekey);
    struct Case {
        const char* name;
        SimFaultRule fault;
        std::function<void(test::ScriptedInput&)> ending;
        std::vector<std::string> extra;
        std::size_t answerAt;  ///< the answer that must say it
        std::string code;
        std::string unconfirmed;
        int exit;
        bool radioKeyed;  ///< what the simulated radio is left as
    };
    const std::vector<Case> cases = {
        {"close",
         noReset,
         [](auto& in) {
             in.request({{"cmd", "close"}});
         },
         {},
         3,
         "link-failure",
         "reset",
         exitCode::LinkFailure,
         false},
        {"end of input", noDekey, [](auto&) {}, {}, 3, "link-failure", "dekey", exitCode::LinkFailure, false},
        {"signal",
         noReset,
         [](auto& in) { in.signal(SIGHUP); },
         {},
         3,
         "interrupted",
         "reset",
         exitCode::LinkFailure,
         false},
        {"watchdog",
         noDekey,
         [](auto& in) {
             in.silence(1500).request({{"cmd", "identify"}});
         },
         {"--watchdog", "1"},
         3,
         "",
         "dekey",
         exitCode::LinkFailure,
         false},
        {"end of input after the watchdog",
         noDekey,
         [](auto& in) { in.silence(1500); },
         {"--watchdog", "1"},
         3,
         "link-failure",
         "dekey",
         exitCode::LinkFailure,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionBench bench;
        bench.input.request({{"cmd", "read"}})
            .request({{"cmd", "open"}, {"procedure", kProcedure}})
            .request({{"cmd", "key"}})
            .then([&] { bench.radio.addFault(c.fault); });
        c.ending(bench.input);
        const auto run = bench.run(c.extra);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        ASSERT_GT(run.answers.size(), c.answerAt) << run.err;
        const json& told = run.answers[c.answerAt];
        EXPECT_EQ(told["ok"], c.code.empty()) << told;
        EXPECT_EQ(errorCode(told), c.code) << told;
        EXPECT_EQ(told["unconfirmed"], json::array({c.unconfirmed})) << told;
        EXPECT_EQ(told["warning"], CliSession::kStillKeyedText);
        if (told.contains("closed")) {
            EXPECT_EQ(told["closed"], kProcedure);
        }
        EXPECT_NE(run.err.find("did not confirm the " + c.unconfirmed), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(CliSession::kStillKeyedText), std::string::npos);
        // The last line a script reads names what is unconfirmed at the very end.
        EXPECT_EQ(run.answers.back()["unconfirmed"], json::array({c.unconfirmed})) << run.answers.back();
        EXPECT_EQ(bench.radio.keyed(), c.radioKeyed);
    }
}

// A program that fails part-way names the points that reached the radio and the one in progress; a point
// the radio refused is not among the programmed ones.
TEST(CliSessionProcedure, AProgramNamesThePointsTheRadioTook) {
    const json opened = pointsOfTheDefaultRadio();
    ASSERT_EQ(opened["ok"], true) << opened;
    const std::vector<json> points = supportedPoints(opened);
    ASSERT_GE(points.size(), 3u);
    json firstTwo = json::array({points[0]["point"], points[1]["point"]});

    SessionBench failing;
    failing.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .then([&] {
            // Dekeyed, each point is its channels, then its write: the third write goes unanswered.
            SimFaultRule rule = unanswered(sim::op::Softpot);
            rule.atRequest = failing.radio.requestCount() + 6;
            failing.radio.addFault(rule);
        })
        .request({{"cmd", "program"}, {"id", "p"}});
    const auto failed = failing.run();
    ASSERT_EQ(failed.answers.size(), 3u);
    const json& answer = failed.answers[2];
    EXPECT_EQ(errorCode(answer), "link-failure") << answer;
    EXPECT_EQ(answer["programmed"], firstTwo);
    EXPECT_EQ(answer["failedAt"], points[2]["point"]);
    EXPECT_NE(answer["error"]["detail"].get<std::string>().find("already programmed: points "),
              std::string::npos);
    EXPECT_TRUE(failing.endedDekeyedAndReset());

    // A stop part-way: the last answer names what was programmed before it.
    SessionBench stopping;
    stopping.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", kProcedure}})
        .then([&] {
            // The serial number, point 1's channels and write, then point 2's channels: the stop comes there.
            auto seen = std::make_shared<unsigned>(stopping.radio.requestCount());
            const unsigned at = *seen + 4;
            stopping.radio.transcript().setListener([seen, at](const SimEvent& e) {
                if (e.kind == SimEventKind::FrameIn && ++*seen == at)
                    stopSignal::note(SIGINT);
            });
        })
        .request({{"cmd", "program"}, {"id", "p"}});
    const auto stopped = stopping.run();
    stopping.radio.transcript().setListener(nullptr);
    EXPECT_EQ(stopped.exit, exitCode::Interrupted + SIGINT);
    ASSERT_EQ(stopped.answers.size(), 3u);
    EXPECT_EQ(errorCode(stopped.answers[2]), "interrupted") << stopped.answers[2];
    EXPECT_EQ(stopped.answers[2]["id"], "p");
    EXPECT_EQ(stopped.answers[2]["programmed"], json::array({points[0]["point"]}));
    EXPECT_TRUE(stopping.endedDekeyedAndReset());

    SessionBench refusing;
    refusing.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", "mod-balance-attn"}})
        .then([&] {
            SimFaultRule rule;
            rule.kind = SimFaultKind::Unsupported;
            rule.opcode = sim::op::Softpot;
            rule.atRequest = refusing.radio.requestCount() + 1;
            refusing.radio.addFault(rule);
        })
        .request({{"cmd", "program"}});
    const auto refused = refusing.run();
    ASSERT_EQ(refused.answers.size(), 3u);
    const json& partly = refused.answers[2];
    ASSERT_EQ(refused.answers[1]["ok"], true) << refused.answers[1];
    const json firstPoint = supportedPoints(refused.answers[1]).at(0)["point"];
    EXPECT_EQ(errorCode(partly), "refused") << partly;
    EXPECT_EQ(partly["refusedPoints"], json::array({firstPoint}));
    ASSERT_TRUE(partly["programmed"].is_array());
    EXPECT_FALSE(partly["programmed"].empty());
    for (const json& point : partly["programmed"]) EXPECT_NE(point, firstPoint);
    EXPECT_TRUE(refusing.endedDekeyedAndReset());
}

// The reader of the answers goes away, at a write or while the session waits: the session ends at once
// with the radio dekeyed and reset, and exit 6 (the answers could not be written).
TEST(CliSessionSafety, WhenTheReaderOfTheAnswersGoesAwayTheRadioIsMadeSafeAtOnce) {
    for (const bool atAWrite : {true, false}) {
        SCOPED_TRACE(atAWrite ? "at a write" : "while waiting");
        SessionBench bench;
        bench.input.request({{"cmd", "read"}})
            .request({{"cmd", "open"}, {"procedure", kProcedure}})
            .request({{"cmd", "key"}});
        if (atAWrite)
            bench.input.request({{"cmd", "live"}, {"value", 1}});
        else
            bench.input.outputGone();
        // What a session that went on would do: key again after a long silence.
        bench.input.silence(10000).request({{"cmd", "key"}});
        const auto run = bench.run({}, 3);
        EXPECT_EQ(run.exit, exitCode::FileFailure) << run.err;
        EXPECT_EQ(run.answers.size(), 3u);
        EXPECT_NE(run.err.find("went away"), std::string::npos) << run.err;
        const std::vector<SimEvent> keys = bench.states(SimTopic::Key);
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys.back().value, 0);
        EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](const SimEvent& e) { return e.value == 1; }), 1);
        EXPECT_LT(keys.back().atMs - keys.front().atMs, 5000u) << "dekeyed only after the silence";
        EXPECT_TRUE(bench.endedDekeyedAndReset());
    }
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

using nlohmann::json;
using test::errorCode;
using test::SessionBench;

// Every procedure, variant and utility the radio has opens from a script and closes again, and the radio is
// left dekeyed and out of test mode.
TEST(CliSessionProcedure, EveryProcedureVariantAndUtilityTheRadioHasOpensAndCloses) {
    for (const char* profile : {"portable", "mobile", "lowband-mobile", "high-power-mobile-n"}) {
        SCOPED_TRACE(profile);
        SessionBench probe(SimProfile::named(profile));
        probe.input.request({{"cmd", "read"}}).request({{"cmd", "procedures"}});
        const auto listed = probe.run();
        ASSERT_EQ(listed.answers.size(), 2u);
        const json& procedures = listed.answers[1]["procedures"];
        ASSERT_EQ(procedures.size(), 32u);
        SessionBench bench(SimProfile::named(profile));
        bench.input.request({{"cmd", "read"}});
        std::vector<std::string> opened;
        for (const json& p : procedures) {
            EXPECT_EQ(p["scriptable"], true) << p;
            EXPECT_FALSE(p["description"].get<std::string>().empty());
            const std::string name = p["name"];
            // The serial number utility needs a blank radio, the baseband one its configuration file.
            if (p["onThisRadio"] != true || name == "serial-program" || name == "bbo-update")
                continue;
            bench.input.request({{"cmd", "open"}, {"procedure", name}}).request({{"cmd", "close"}});
            opened.push_back(name);
        }
        const auto run = bench.run();
        ASSERT_EQ(run.answers.size(), 1 + 2 * opened.size()) << run.err;
        for (std::size_t i = 0; i < opened.size(); ++i) {
            EXPECT_EQ(run.answers[1 + 2 * i]["ok"], true) << opened[i] << ": " << run.answers[1 + 2 * i];
            EXPECT_EQ(run.answers[2 + 2 * i]["closed"], opened[i]) << run.answers[2 + 2 * i];
        }
        EXPECT_TRUE(bench.endedDekeyedAndReset());
    }
}

TEST(CliSessionProcedure, ActionsMapOneToOneOntoTheProceduresActions) {
    SessionBench bench(SimProfile::named("portable"));
    std::optional<std::int64_t> voltage;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", "rx-squelch-25k"}})
        .request({{"cmd", "action"}, {"name", "auto-tune"}, {"point", 3}})
        .request({{"cmd", "action"}, {"name", "toggle"}, {"point", 1}})
        .request({{"cmd", "open"}, {"procedure", "pa-bias-high"}})
        .request({{"cmd", "action"}, {"name", "toggle"}, {"point", 1}})
        .request({{"cmd", "point"}, {"point", 1}})
        .request({{"cmd", "live"}, {"value", 64}})
        .then([&] { voltage = bench.radio.liveValue(softpot::PaVoltageLimit); })
        .request({{"cmd", "open"}, {"procedure", "rx-rssi"}})
        .request({{"cmd", "action"}, {"name", "update"}, {"point", 2}})
        .request({{"cmd", "state"}})
        .request({{"cmd", "close"}});
    const auto run = bench.run();
    ASSERT_EQ(run.answers.size(), 12u) << run.err;
    EXPECT_EQ(run.answers[1]["actions"], json::array({"auto-tune"}));
    EXPECT_EQ(run.answers[2]["ok"], true) << run.answers[2];
    EXPECT_EQ(run.answers[2]["value"], 35);
    EXPECT_EQ(errorCode(run.answers[3]), "no-such-action");
    EXPECT_EQ(run.answers[4]["actions"], json::array({"toggle"}));
    EXPECT_EQ(run.answers[5]["ok"], true) << run.answers[5];
    EXPECT_EQ(run.answers[7]["ok"], true) << run.answers[7];
    EXPECT_EQ(voltage, 64);
    EXPECT_EQ(run.answers[9]["ok"], true) << run.answers[9];
    EXPECT_EQ(run.answers[10]["points"][1]["reading"], -50) << run.answers[10];
    EXPECT_EQ(run.answers[11]["closed"], "rx-rssi");
    EXPECT_TRUE(bench.endedDekeyedAndReset());

    // K and M: the readings are typed into their points; one that gives no pair stops Program unsent.
    SessionBench km(SimProfile::named("lowband-mobile"));
    km.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", "tx-mobile-power"}})
        .request({{"cmd", "action"}, {"name", "reading"}, {"point", 11}, {"text", "9999"}})
        .request({{"cmd", "program"}});
    const auto kmRun = km.run();
    ASSERT_EQ(kmRun.answers.size(), 4u) << kmRun.err;
    EXPECT_EQ(kmRun.answers[1]["points"].size(), 14u);
    EXPECT_EQ(kmRun.answers[2]["entry"], "9999");
    EXPECT_EQ(errorCode(kmRun.answers[3]), "out-of-range");
    EXPECT_EQ(kmRun.answers[3]["error"]["text"], "Incorrect power measurement in F4!!");
    EXPECT_TRUE(km.states(SimTopic::ProgrammedValue).empty());
}

}  // namespace
}  // namespace vantrel

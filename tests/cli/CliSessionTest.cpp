// Tests of vantrel-cli session without a procedure: the protocol, the radio commands and the stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "SessionBench.h"
#include "cli/CliExitCode.h"
#include "cli/CliOptions.h"
#include "cli/SessionInput.h"

namespace vantrel {
namespace {

using nlohmann::json;
using test::errorCode;
using test::SessionBench;

SimFaultRule silenceFrom(unsigned request) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.atRequest = request;
    rule.times = 0;
    return rule;
}

TEST(CliSessionProtocol, RefusedRequestsAnswerTheirCodeAndEchoTheId) {
    SessionBench bench;
    struct Case {
        std::string line;
        std::string code;
    };
    const std::vector<Case> cases = {
        {"{\"cmd\":\"identify\"", "bad-json"},
        {"[1,2]", "bad-json"},
        {"{\"id\":1}", "unknown-command"},
        {"{\"cmd\":\"tune\",\"id\":2}", "unknown-command"},
        {"{\"cmd\":\"identify\",\"vlaue\":3}", "bad-argument"},
        {"{\"cmd\":\"save\"}", "bad-argument"},
        {"{\"cmd\":\"save\",\"file\":\"x.sfp\"}", "no-record"},
        {"{\"cmd\":\"open\",\"procedure\":\"tx-high-power\"}", "no-record"},
        {"{\"cmd\":\"open\"}", "bad-argument"},
        {"{\"cmd\":\"point\",\"point\":1}", "no-procedure"},
        {"{\"cmd\":\"key\"}", "no-procedure"},
        {"{\"cmd\":\"dekey\"}", "no-procedure"},
        {"{\"cmd\":\"live\",\"value\":100}", "no-procedure"},
        {"{\"cmd\":\"program\"}", "no-procedure"},
        {"{\"cmd\":\"close\"}", "no-procedure"},
        {"{\"cmd\":\"program-all\"}", "no-record"},
        {"{\"cmd\":\"program-all\",\"file\":7}", "bad-argument"},
    };
    for (const Case& c : cases) bench.input.line(c.line);
    bench.input.line("   ").request({{"cmd", "procedures"}, {"id", {{"step", "last"}}}});
    const auto run = bench.run();
    EXPECT_EQ(run.exit, exitCode::Success) << run.err;
    ASSERT_EQ(run.answers.size(), cases.size() + 1);  // the blank line has no answer
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].line);
        EXPECT_EQ(run.answers[i]["ok"], false);
        EXPECT_EQ(errorCode(run.answers[i]), cases[i].code) << run.answers[i];
        EXPECT_FALSE(run.answers[i]["error"]["text"].get<std::string>().empty());
    }
    EXPECT_EQ(run.answers[2]["id"], 1);
    EXPECT_EQ(run.answers[3]["id"], 2);
    EXPECT_FALSE(run.answers[0].contains("id"));
    EXPECT_EQ(run.answers.back()["id"], json({{"step", "last"}}));
    EXPECT_EQ(run.answers.back()["ok"], true);
    // Nothing of this reached the radio.
    EXPECT_TRUE(bench.radio.transcript().filter(SimEventKind::FrameIn).empty());
}

TEST(CliSessionRadio, IdentifyReadSaveAndProgramAllRoundTrip) {
    SessionBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    bench.input.request({{"cmd", "identify"}, {"id", 1}})
        .request({{"cmd", "read"}, {"id", 2}})
        .request({{"cmd", "identify"}, {"id", 3}})
        .request({{"cmd", "save"}, {"file", archive}, {"id", 4}})
        .request({{"cmd", "program-all"}, {"id", 5}})
        .request({{"cmd", "program-all"}, {"file", archive}, {"id", 6}})
        .request({{"cmd", "reset"}, {"id", 7}});
    const auto run = bench.run();
    ASSERT_EQ(run.exit, exitCode::Success) << run.err;
    ASSERT_EQ(run.answers.size(), 7u);
    for (const json& answer : run.answers) EXPECT_EQ(answer["ok"], true) << answer;
    EXPECT_EQ(run.answers[0]["serial"], "SIM0000001");
    EXPECT_FALSE(run.answers[0].contains("sameAsRecord"));
    EXPECT_EQ(run.answers[1]["serial"], "SIM0000001");
    EXPECT_EQ(run.answers[1]["text"], "Radio has been successfully read !!");
    EXPECT_EQ(run.answers[2]["sameAsRecord"], true);
    EXPECT_EQ(run.answers[3]["text"], "Tuning data has been saved.");
    EXPECT_TRUE(std::filesystem::exists(archive));
    EXPECT_EQ(run.answers[4]["text"], "Radio successfully programmed!!");
    EXPECT_EQ(run.answers[5]["text"], "Radio successfully programmed!!");
    // read, the two programs and the reset each end with a reset of their own.
    EXPECT_EQ(bench.states(SimTopic::Reset).size(), 4u);
}

TEST(CliSessionRadio, FileAndRadioFailuresAnswerTheApplicationsTexts) {
    test::ScratchDirectory shared;
    const std::string archive = (shared.path() / "first.sfp").string();
    {
        SessionBench first;
        first.input.request({{"cmd", "read"}}).request({{"cmd", "save"}, {"file", archive}});
        ASSERT_EQ(first.run().answers.at(1)["ok"], true);
    }
    SimProfile other = SimProfile::defaults();
    other.serialNo = "SIM0000002";
    SessionBench bench(other);
    const std::string directory = bench.dir.path().string();
    bench.input.request({{"cmd", "program-all"}, {"file", archive}})
        .request({{"cmd", "program-all"}, {"file", bench.dir.file("missing.sfp")}})
        .request({{"cmd", "read"}})
        .request({{"cmd", "save"}, {"file", directory}});
    const auto run = bench.run();
    ASSERT_EQ(run.answers.size(), 4u);
    EXPECT_EQ(errorCode(run.answers[0]), "serial-mismatch");
    EXPECT_EQ(errorCode(run.answers[1]), "load-failed");
    EXPECT_FALSE(run.answers[1]["error"]["text"].get<std::string>().empty());
    EXPECT_EQ(errorCode(run.answers[3]), "save-failed");
    EXPECT_EQ(run.answers[3]["error"]["text"], "Archive File could not be saved!!");
    // The save never touched the directory it was pointed at.
    EXPECT_TRUE(std::filesystem::is_directory(directory));
    // Nothing was written to the other radio.
    EXPECT_TRUE(bench.states(SimTopic::ProgrammedValue).empty());
}

TEST(CliSessionRadio, PortAndLinkFailuresAreAnsweredAndTheSessionGoesOn) {
    SessionBench bench;
    bench.radio.addFault(silenceFrom(1));
    bench.input.request({{"cmd", "identify"}, {"id", "a"}}).request({{"cmd", "read"}, {"id", "b"}});
    const auto run = bench.run();
    ASSERT_EQ(run.answers.size(), 2u);
    EXPECT_EQ(errorCode(run.answers[0]), "link-failure");
    EXPECT_EQ(run.answers[0]["error"]["text"], "Radio Communication Error!!");
    EXPECT_FALSE(run.answers[0]["error"]["detail"].get<std::string>().empty());
    EXPECT_EQ(errorCode(run.answers[1]), "link-failure");
    EXPECT_EQ(run.answers[1]["id"], "b");
    EXPECT_NE(run.err.find("link failure"), std::string::npos);

    SessionBench busy;
    busy.input.request({{"cmd", "identify"}});
    const auto refused = busy.run({"--port", "2"});
    ASSERT_EQ(refused.answers.size(), 1u);
    EXPECT_EQ(errorCode(refused.answers[0]), "port");
    EXPECT_EQ(refused.answers[0]["error"]["text"], "COM Port is currently in use by another application");
}

TEST(CliSessionStop, ASignalWhileWaitingEndsTheSessionWithALastAnswer) {
    SessionBench bench;
    bench.input.request({{"cmd", "identify"}}).signal(SIGTERM).request({{"cmd", "identify"}});
    const auto run = bench.run();
    EXPECT_EQ(run.exit, exitCode::Interrupted + SIGTERM);
    ASSERT_EQ(run.answers.size(), 2u);
    EXPECT_EQ(errorCode(run.answers[1]), "interrupted");
    EXPECT_NE(run.err.find("SIGTERM"), std::string::npos);
}

TEST(CliSessionOptions, WatchdogSecondsAreCheckedAndBelongToSessionOnly) {
    const auto parsed = parseCliArguments({"session", "--watchdog", "2.5"});
    ASSERT_TRUE(std::holds_alternative<CliOptions>(parsed));
    EXPECT_EQ(std::get<CliOptions>(parsed).watchdogMs, 2500u);
    EXPECT_EQ(std::get<CliOptions>(parsed).command, CliCommand::Session);
    EXPECT_EQ(std::get<CliOptions>(parseCliArguments({"session", "--watchdog=0.1"})).watchdogMs, 100u);
    for (const char* bad : {"0", "0.05", "3601", "x", "1.", "1.2345", "-3", ""})
        EXPECT_TRUE(std::holds_alternative<CliUsageError>(parseCliArguments({"session", "--watchdog", bad})))
            << bad;
    EXPECT_TRUE(std::holds_alternative<CliUsageError>(parseCliArguments({"read", "--watchdog", "5"})));
    EXPECT_TRUE(std::holds_alternative<CliUsageError>(parseCliArguments({"session", "requests.txt"})));
    EXPECT_NE(cliUsage().find("session"), std::string::npos);
}

// The descriptor input over a pipe: lines split across reads, the last line without its line feed,
// a time limit and a stop signal's wake-up.
TEST(CliSessionInput, DescriptorInputSplitsLinesAndWakesOnTheStopDescriptor) {
    int requests[2];
    int wake[2];
    ASSERT_EQ(::pipe(requests), 0);
    ASSERT_EQ(::pipe(wake), 0);
    static int pendingSignal = 0;
    pendingSignal = 0;
    DescriptorSessionInput input(requests[0], wake[0], [] { return pendingSignal; });
    std::string line;

    EXPECT_EQ(input.next(line, 0), SessionInput::Event::Timeout);
    const std::string text = "{\"cmd\":\"key\"}\r\n{\"cmd\":";
    ASSERT_EQ(::write(requests[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ASSERT_EQ(input.next(line, std::nullopt), SessionInput::Event::Line);
    EXPECT_EQ(line, "{\"cmd\":\"key\"}");
    EXPECT_EQ(input.next(line, 0), SessionInput::Event::Timeout);  // half a line is no request

    pendingSignal = SIGINT;
    ASSERT_EQ(::write(wake[1], "x", 1), 1);
    EXPECT_EQ(input.next(line, std::nullopt), SessionInput::Event::Stop);
    pendingSignal = 0;

    ASSERT_EQ(::write(requests[1], "\"dekey\"}", 8), 8);
    ::close(requests[1]);
    ASSERT_EQ(input.next(line, std::nullopt), SessionInput::Event::Line);
    EXPECT_EQ(line, "{\"cmd\":\"dekey\"}");
    EXPECT_EQ(input.next(line, std::nullopt), SessionInput::Event::End);
    ::close(requests[0]);
    ::close(wake[0]);
    ::close(wake[1]);
}

}  // namespace
}  // namespace vantrel

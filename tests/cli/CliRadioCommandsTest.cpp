// Tests of the tool's read and program commands against the simulated radio on a virtual line.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "CliRadioBench.h"
#include "CliTestSupport.h"
#include "cli/CliExitCode.h"
#include "cli/StopSignal.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/VirtualLine.h"
#include "sim/SimFrame.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel {
namespace {

using test::linesOf;
using test::RadioBench;
using test::runCli;
using test::ScratchDirectory;

constexpr std::uint8_t kResetOpcode = 0x10;

SimFaultRule silenceFrom(unsigned request) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.atRequest = request;
    rule.times = 0;
    return rule;
}

// Splits stdout into the message lines and the JSON that follows them.
std::pair<std::vector<std::string>, nlohmann::json> messagesAndJson(const std::string& out) {
    const std::size_t brace = out.find("{\n");
    EXPECT_NE(brace, std::string::npos) << out;
    return {linesOf(out.substr(0, brace)), nlohmann::json::parse(out.substr(brace))};
}

TEST(CliRead, SavesTheArchiveAndPrintsTheJsonLast) {
    RadioBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    const auto run = bench.run({"read", "--port", "1", "-o", archive, "--json"});
    ASSERT_EQ(run.exit, exitCode::Success) << run.out << run.err;

    const auto [messages, json] = messagesAndJson(run.out);
    EXPECT_EQ(messages, (std::vector<std::string>{"Radio has been successfully read !!",
                                                  "Tuning data has been saved."}));
    EXPECT_EQ(json["serialNo"], "SIM0000001");
    EXPECT_EQ(json["dataVersion"], 35);
    EXPECT_EQ(nlohmann::json::parse(bench.run({"dump", archive}).out)["serialNo"], "SIM0000001");

    // Progress on stderr as plain step lines; the read's own reset is the only one.
    const auto progress = linesOf(run.err);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "Reading Softpots from radio...");
    EXPECT_NE(std::find(progress.begin(), progress.end(), "30% Complete"), progress.end());
    EXPECT_EQ(bench.requestsWith(kResetOpcode), 1);
}

TEST(CliRead, OutcomesMapToExitCodesAndTheirMessages) {
    struct Case {
        const char* name;
        std::function<void(SimProfile&)> shape;
        std::optional<SimFaultRule> fault;
        int exit;
        std::vector<std::string> messages;
        const char* serial;
    };
    const std::vector<Case> cases = {
        {"hardware failure",
         [](SimProfile& p) { p.powerUpStatus = 16; },
         std::nullopt,
         exitCode::PowerUpFailure,
         {"Error occured during radio power up!!", "Radio Hardware Failure !! Operation aborted"},
         "NULL      "},
        {"power-up status 1",
         [](SimProfile& p) { p.powerUpStatus = 1; },
         std::nullopt,
         exitCode::PowerUpFailure,
         {"Error occured during radio power up!!"},
         "NULL      "},
        {"power-up status 32 is fine",
         [](SimProfile& p) { p.powerUpStatus = 32; },
         std::nullopt,
         exitCode::Success,
         {"Radio has been successfully read !!"},
         "SIM0000001"},
        {"no receive points",
         [](SimProfile& p) { p.rxPoints.fill(0); },
         std::nullopt,
         exitCode::InvalidFrequency,
         {"All frequency point data is invalid !!"},
         "Invalid"},
        {"procedure 3",
         [](SimProfile& p) { p.procedure = 3; },
         std::nullopt,
         exitCode::Success,
         {"Radio has been successfully read !!",
          "Radio not suitable for tuning due to different tuning procedure version"},
         "SIM0000001"},
        {"radio falls silent",
         [](SimProfile&) {},
         silenceFrom(8),
         exitCode::LinkFailure,
         {"Read Radio Failed !! All softpot operational data is invalid !! Please re-read radio"},
         "Invalid"},
    };
    for (const Case& c : cases) {
        SimProfile profile = SimProfile::defaults();
        c.shape(profile);
        RadioBench bench(profile);
        if (c.fault)
            bench.radio.addFault(*c.fault);
        const auto run = bench.run({"read", "--port", "1", "--json"});
        EXPECT_EQ(run.exit, c.exit) << c.name << "\n" << run.out << run.err;
        const auto [messages, json] = messagesAndJson(run.out);
        EXPECT_EQ(messages, c.messages) << c.name;
        EXPECT_EQ(json["serialNo"], c.serial) << c.name;
    }
}

TEST(CliRead, RefusedIdentityFailsTheReadAndKeepsTheArchive) {
    for (const std::uint8_t subCode : {std::uint8_t{0x01}, std::uint8_t{0x00}}) {  // serial, model number
        SCOPED_TRACE(static_cast<int>(subCode));
        RadioBench bench;
        const std::string archive = bench.dir.file("radio.sfp");
        ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);
        const std::string good = test::fileText(archive);

        SimFaultRule refuse;
        refuse.kind = SimFaultKind::Unsupported;
        refuse.opcode = 0x23;
        refuse.firstByte = subCode;
        bench.radio.addFault(refuse);
        const auto run = bench.run({"read", "--port", "1", "-o", archive, "--json"});
        EXPECT_EQ(run.exit, exitCode::LinkFailure) << run.out << run.err;
        const auto [messages, json] = messagesAndJson(run.out);
        EXPECT_EQ(
            messages,
            std::vector<std::string>{
                "Read Radio Failed !! All softpot operational data is invalid !! Please re-read radio"});
        EXPECT_EQ(json["serialNo"], "Invalid");
        EXPECT_EQ(test::fileText(archive), good);
    }
}

SimFaultRule faultOn(SimFaultKind kind, std::uint8_t opcode,
                     std::optional<std::uint8_t> firstByte = std::nullopt) {
    SimFaultRule rule;
    rule.kind = kind;
    rule.opcode = opcode;
    rule.firstByte = firstByte;
    rule.times = 0;
    return rule;
}

TEST(CliRead, LinkFailuresSayWhichRequestAndWhatArrived) {
    struct Case {
        const char* name;
        SimFaultKind kind;
        std::uint8_t opcode;
        std::optional<std::uint8_t> firstByte;
        const char* detail;
    };
    const Case cases[] = {
        {"silent radio", SimFaultKind::Silence, 0x1B, std::nullopt,
         "no answer from the radio to the tuning block request after 4 attempts"},
        {"short reply", SimFaultKind::Truncated, 0x23, 0x01,
         "comm error (serial number request, 1 attempt): the reply declared 12 bytes after its header, 9 "
         "arrived: 50 FC A3 01"},
        {"late tuning block", SimFaultKind::LateReply, 0x1B, std::nullopt,
         "the radio did not answer in time (tuning block request, 1 attempt): the data reply too late"},
        {"bad checksum", SimFaultKind::BadChecksum, 0x23, 0x00,
         "bad reply from the radio (model number request, 4 attempts): 50 F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RadioBench bench;
        SimFaultRule fault = faultOn(c.kind, c.opcode, c.firstByte);
        fault.dropBytes = 3;
        bench.radio.addFault(fault);
        const auto run = bench.run({"read", "--port", "1"});
        EXPECT_EQ(run.exit, exitCode::LinkFailure) << run.out << run.err;
        EXPECT_EQ(run.out,
                  "Read Radio Failed !! All softpot operational data is invalid !! Please re-read radio\n");
        EXPECT_NE(run.err.find(c.detail), std::string::npos) << run.err;
    }
}

TEST(CliRead, UnwritableArchiveIsRefusedBeforeTheRead) {
    RadioBench bench;
    const std::string missing = bench.dir.file("no/such/folder/radio.sfp");
    const auto run = bench.run({"read", "--port", "1", "-o", missing});
    EXPECT_EQ(run.exit, exitCode::FileFailure);
    EXPECT_EQ(run.out, "Archive File could not be saved!!\n" + missing + ": No such file or directory\n");
    EXPECT_EQ(bench.radio.requestCount(), 0u);
    if (geteuid() != 0) {
        const std::filesystem::path locked = bench.dir.path() / "locked";
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(locked,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        const auto denied = bench.run({"read", "--port", "1", "-o", (locked / "radio.sfp").string()});
        EXPECT_EQ(denied.exit, exitCode::FileFailure);
        EXPECT_NE(denied.out.find("Permission denied"), std::string::npos) << denied.out;
        EXPECT_EQ(bench.radio.requestCount(), 0u);
        std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    }
}

TEST(CliRead, BusyPortPrintsTheMessageTheCauseAndNoRecord) {
    RadioBench bench;
    const auto holder = bench.line.openDevice();  // another program holds the port
    const auto run = bench.run({"read", "--port", "1", "--json", "-o", bench.dir.file("x.sfp")});
    EXPECT_EQ(run.exit, exitCode::PortBusy);
    EXPECT_EQ(run.out, "COM Port is currently in use by another application\n");
    EXPECT_NE(run.err.find("the port is held by another program\n"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(bench.dir.file("x.sfp")));
}

TEST(CliPortSelection, PortOptionOverridesComIniForOneRunOnly) {
    RadioBench bench(SimProfile::defaults(), 1);  // only COM1 reaches the radio
    comIni::write(bench.dir.path().string(), 3);

    EXPECT_EQ(bench.run({"read"}).exit, exitCode::PortBusy);  // COM.INI's COM3 has no device
    EXPECT_EQ(bench.run({"read", "--port", "1"}).exit, exitCode::Success);
    EXPECT_EQ(comIni::read(bench.dir.path().string()), 3);

    comIni::write(bench.dir.path().string(), 1);
    EXPECT_EQ(bench.run({"read"}).exit, exitCode::Success);
    const auto other = bench.run({"read", "--port", "2"});
    EXPECT_EQ(other.exit, exitCode::PortBusy);
    EXPECT_NE(other.err.find("no such device"), std::string::npos) << other.err;
}

TEST(CliProgram, ProgramsTheArchiveOfTheSameRadio) {
    RadioBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);

    const auto run = bench.run({"program", archive, "--yes", "--port", "1"});
    ASSERT_EQ(run.exit, exitCode::Success) << run.out << run.err;
    EXPECT_EQ(run.out, "Tuning data has been loaded.\nRadio successfully programmed!!\n");
    EXPECT_EQ(linesOf(run.err).front(), "Writing Softpots to radio...");
    // One reset for the read, one for Program All's own close; none from the tool.
    EXPECT_EQ(bench.requestsWith(kResetOpcode), 2);
}

TEST(CliProgram, OutcomesMapToExitCodes) {
    // An archive of another radio.
    std::string otherArchive;
    ScratchDirectory keep;
    {
        SimProfile other = SimProfile::defaults();
        other.serialNo = "OTHER00001";
        RadioBench bench(other);
        otherArchive = keep.file("other.sfp");
        ASSERT_EQ(bench.run({"read", "--port", "1", "-o", otherArchive}).exit, exitCode::Success);
    }
    RadioBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);
    const unsigned afterRead = bench.radio.requestCount();

    const auto mismatch = bench.run({"program", otherArchive, "--yes", "--port", "1"});
    EXPECT_EQ(mismatch.exit, exitCode::SerialMismatch);
    EXPECT_EQ(linesOf(mismatch.out).back(), "Serial No. Mismatch !! Program radio aborted");
    EXPECT_EQ(bench.radio.requestCount(), afterRead + 1);  // the serial number request alone

    const auto piped = bench.run({"program", archive, "--port", "1"}, "y\n", false);
    EXPECT_EQ(piped.exit, exitCode::NotConfirmed);
    const auto declined = bench.run({"program", archive, "--port", "1"}, "n\n", true);
    EXPECT_EQ(declined.exit, exitCode::NotConfirmed);
    EXPECT_NE(declined.err.find("Program Radio? (y/n) "), std::string::npos);
    EXPECT_EQ(bench.radio.requestCount(), afterRead + 1);  // neither touched the radio

    const auto confirmed = bench.run({"program", archive, "--port", "1"}, "y\n", true);
    EXPECT_EQ(confirmed.exit, exitCode::Success) << confirmed.out << confirmed.err;

    EXPECT_EQ(bench.run({"program", bench.dir.file("none.sfp"), "--yes", "--port", "1"}).exit,
              exitCode::FileFailure);

    bench.radio.addFault(silenceFrom(bench.radio.requestCount() + 3));
    const auto failed = bench.run({"program", archive, "--yes", "--port", "1"});
    EXPECT_EQ(failed.exit, exitCode::LinkFailure);
    EXPECT_EQ(linesOf(failed.out).back(), "Program Radio Error");

    const auto holder = bench.line.openDevice();
    const auto busy = bench.run({"program", archive, "--yes", "--port", "1"});
    EXPECT_EQ(busy.exit, exitCode::PortBusy);
    EXPECT_EQ(linesOf(busy.out).back(), "COM Port is currently in use by another application");
}

TEST(CliTrace, WritesTheDecodedLineWithItsHeadAlsoWhenTheRadioFails) {
    RadioBench bench;
    const std::string trace = bench.dir.file("trace.txt");
    ASSERT_EQ(bench.run({"read", "--port", "1", "--trace", trace}).exit, exitCode::Success);
    std::ifstream in(trace);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Program version: "), std::string::npos);
    EXPECT_NE(text.find("Radio serial number: SIM0000001"), std::string::npos);
    EXPECT_NE(text.find("-> read tuning block"), std::string::npos);
    EXPECT_NE(text.find("-> reset   [F1 10 FE]"), std::string::npos);
    EXPECT_NE(text.find("-- exit code 0"), std::string::npos);

    bench.radio.addFault(silenceFrom(bench.radio.requestCount() + 3));
    const auto failed = bench.run({"read", "--port", "1", "--trace", trace});
    EXPECT_EQ(failed.exit, exitCode::LinkFailure);
    std::ifstream again(trace);
    const std::string failedText((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_NE(failedText.find("retry: "), std::string::npos);
    EXPECT_NE(failedText.find("no answer after "), std::string::npos);
    EXPECT_NE(failedText.find("-- exit code 4"), std::string::npos);

    bench.radio.clearFaults();
    EXPECT_EQ(bench.run({"read", "--port", "1", "--trace", bench.dir.file("no/such/dir/t.txt")}).exit,
              exitCode::FileFailure);
}

TEST(CliProgram, DamagedArchiveIsRefusedAndNothingIsSent) {
    RadioBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);
    const std::string whole = test::fileText(archive);
    const unsigned afterRead = bench.radio.requestCount();

    std::string strayByte = whole;
    strayByte[whole.size() - 3] = 'o';  // a letter among the digits of entry 140
    for (const std::string& damaged :
         {whole.substr(0, whole.size() - 35), whole.substr(0, whole.size() - 1), strayByte}) {
        const std::string path = bench.dir.file("damaged.sfp");
        test::writeText(path, damaged);
        const auto run = bench.run({"program", path, "--yes", "--port", "1"});
        EXPECT_EQ(run.exit, exitCode::FileFailure) << run.out << run.err;
        EXPECT_EQ(run.out, "Invalid file format!! File is not an *.SFP file\n");
        EXPECT_EQ(bench.radio.requestCount(), afterRead);
    }
    // Trailing bytes after the last entry change nothing.
    test::writeText(bench.dir.file("longer.sfp"), whole + "trailing");
    EXPECT_EQ(bench.run({"program", bench.dir.file("longer.sfp"), "--yes", "--port", "1"}).exit,
              exitCode::Success);
}

// Asks the tool to stop, as SIGINT or SIGTERM would, when the radio receives its request number `at`
// (counted from the radio's start). The listener runs with the radio locked: it counts on its own.
void stopAtRequest(RadioBench& bench, unsigned at, int signal) {
    auto seen = std::make_shared<unsigned>(bench.radio.requestCount());
    bench.radio.transcript().setListener([seen, at, signal](const SimEvent& e) {
        if (e.kind == SimEventKind::FrameIn && ++*seen == at)
            stopSignal::note(signal);
    });
}

TEST(CliStop, SignalDuringReadResetsTheRadioAndKeepsTheArchive) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        RadioBench bench;
        const std::string archive = bench.dir.file("radio.sfp");
        ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);
        const std::string previous = test::fileText(archive);
        const unsigned start = bench.radio.requestCount();
        bench.radio.transcript().clear();

        stopAtRequest(bench, start + 20, signal);
        const auto run = bench.run({"read", "--port", "1", "-o", archive});
        stopSignal::note(0);
        bench.radio.transcript().setListener(nullptr);
        EXPECT_EQ(run.exit, 128 + signal) << run.out << run.err;
        EXPECT_NE(run.err.find("the radio was sent a reset and nothing was saved"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("interrupted by signal " + std::to_string(signal)), std::string::npos)
            << run.err;
        // The exchange in progress was finished, then only the reset followed.
        EXPECT_EQ(bench.radio.requestCount(), start + 21);
        EXPECT_EQ(bench.requestsWith(kResetOpcode), 1);
        EXPECT_FALSE(bench.radio.testMode().has_value());
        EXPECT_EQ(test::fileText(archive), previous);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bench.dir.path()), {}), 1);
    }
}

TEST(CliStop, SignalDuringProgramResetsTheRadioAndSaysWhatWasWritten) {
    RadioBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);
    bench.radio.transcript().clear();
    stopAtRequest(bench, bench.radio.requestCount() + 8, SIGINT);  // inside transmit power
    const auto run = bench.run({"program", archive, "--yes", "--port", "1"});
    stopSignal::note(0);
    bench.radio.transcript().setListener(nullptr);
    EXPECT_EQ(run.exit, 130) << run.out << run.err;
    EXPECT_NE(run.err.find("already written: Reference Oscillator"), std::string::npos) << run.err;
    EXPECT_EQ(bench.requestsWith(kResetOpcode), 1);
    EXPECT_FALSE(bench.radio.testMode().has_value());
}

TEST(CliProgram, FailurePartWayPrintsTheStepAndWhatWasWrittenAndResets) {
    RadioBench bench;
    const std::string archive = bench.dir.file("radio.sfp");
    ASSERT_EQ(bench.run({"read", "--port", "1", "-o", archive}).exit, exitCode::Success);
    bench.radio.transcript().clear();
    bench.radio.addFault(faultOn(SimFaultKind::Silence, 0x20, 0));  // transmit power
    const auto run = bench.run({"program", archive, "--yes", "--port", "1"});
    EXPECT_EQ(run.exit, exitCode::LinkFailure);
    EXPECT_EQ(linesOf(run.out).back(), "Program Radio Error");
    const auto lines = linesOf(run.err);
    ASSERT_GE(lines.size(), 2u) << run.err;
    EXPECT_EQ(
        lines[lines.size() - 2],
        "while writing Transmit High Power: no answer from the radio to the softpot 0 table program request "
        "after 4 attempts");
    EXPECT_EQ(lines.back(), "already written: Reference Oscillator");
    EXPECT_EQ(bench.requestsWith(kResetOpcode), 1);
    EXPECT_FALSE(bench.radio.testMode().has_value());
}

TEST(CliRead, FailurePartWayPrintsTheStepAndResets) {
    RadioBench bench;
    bench.radio.addFault(faultOn(SimFaultKind::Silence, 0x20, 0));
    const auto run = bench.run({"read", "--port", "1"});
    EXPECT_EQ(run.exit, exitCode::LinkFailure);
    EXPECT_EQ(linesOf(run.err).back(),
              "while reading Transmit High Power: no answer from the radio to the softpot 0 table read "
              "request after 4 "
              "attempts");
    EXPECT_EQ(bench.requestsWith(kResetOpcode), 1);
    EXPECT_FALSE(bench.radio.testMode().has_value());
}

}  // namespace
}  // namespace vantrel

// Transports and checked exchanges against the tests' own responder: round trips, the error queue read
// after failures, time limits, and hostile answers refused without losing the connection.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "instruments/Dialect.h"
#include "instruments/InstrumentError.h"
#include "instruments/Instruments.h"
#include "instruments/ScpiSession.h"
#include "instruments/ScpiTransport.h"
#include "tests/instruments/ScpiResponder.h"

namespace vantrel {
namespace {

using testing::Response;
using testing::ScpiResponder;
using Kind = InstrumentError::Kind;

Dialect genericDialect() {
    return loadDialect("generic-scpi", {VANTREL_TEST_DIALECTS});
}

std::unique_ptr<ScpiSession> tcpSession(const ScpiResponder& r, uint32_t timeoutMs = 300) {
    return std::make_unique<ScpiSession>(
        std::make_unique<TcpTransport>("127.0.0.1", r.port(), 1000, SystemClock::instance()),
        genericDialect(), timeoutMs);
}

/// Runs `call` and answers the kind of InstrumentError it threw, with its text.
template <typename F>
std::pair<std::optional<Kind>, std::string> failureOf(F call) {
    try {
        call();
    } catch (const InstrumentError& e) {
        return {e.kind(), e.what()};
    }
    return {std::nullopt, ""};
}

TEST(ScpiTcp, RolesSendTheirDialectsCommandsAndCorrectForTheLoss) {
    ScpiResponder responder([](const std::string& line) -> Response {
        if (line == "MEAS:POW?")
            return {"2.5\n"};
        if (line == "MEAS:VOLT?")
            return {"+7.498E+00\n"};
        return {""};
    });
    auto meter = makePowerMeter(tcpSession(responder), 3.0);
    EXPECT_EQ(meter->identity(), "Test,Responder,1,1.0");
    // 3 dB of cable loss: the radio puts out about twice what the meter sees.
    EXPECT_NEAR(meter->watts(), 2.5 * std::pow(10.0, 0.3), 1e-9);

    auto generator = makeSignalGenerator(tcpSession(responder), 6.0);
    generator->setFrequency(150.0125e6);
    generator->setLevel(-110.0);
    generator->setOutput(true);
    auto supply = makePowerSupply(tcpSession(responder));
    supply->setVolts(7.5);
    EXPECT_DOUBLE_EQ(supply->volts(), 7.498);

    const auto sent = responder.lines();
    // Every command is followed by one look at the error queue; the generator is told loss + level.
    const std::vector<std::string> expected = {"*IDN?",    "MEAS:POW?", "FREQ 150012500", "SYST:ERR?",
                                               "POW -104", "SYST:ERR?", "OUTP ON",        "SYST:ERR?",
                                               "VOLT 7.5", "SYST:ERR?", "MEAS:VOLT?"};
    EXPECT_EQ(sent, expected);
}

TEST(ScpiTcp, ARefusedCommandNamesEveryEntryOfTheErrorQueue) {
    ScpiResponder* self = nullptr;
    ScpiResponder responder([&self](const std::string& line) -> Response {
        if (line.rfind("VOLT", 0) == 0) {
            self->queueError("-222,\"Data out of range\"");
            self->queueError("-221,\"Settings conflict\"");
        }
        return {""};
    });
    self = &responder;
    auto supply = makePowerSupply(tcpSession(responder));
    const auto [kind, text] = failureOf([&] { supply->setVolts(60); });
    ASSERT_EQ(kind, Kind::Refused);
    EXPECT_NE(text.find("VOLT 60"), std::string::npos) << text;
    EXPECT_NE(text.find("-222,\"Data out of range\""), std::string::npos) << text;
    EXPECT_NE(text.find("-221,\"Settings conflict\""), std::string::npos) << text;
}

TEST(ScpiTcp, AQueryWithoutAnswerTimesOutAndTellsWhatTheInstrumentQueued) {
    ScpiResponder* self = nullptr;
    ScpiResponder responder([&self](const std::string&) -> Response {
        self->queueError("-113,\"Undefined header\"");
        return {""};
    });
    self = &responder;
    auto meter = makePowerMeter(tcpSession(responder, 150), 0);
    const auto [kind, text] = failureOf([&] { meter->watts(); });
    ASSERT_EQ(kind, Kind::Timeout);
    EXPECT_NE(text.find("no answer within 150 ms"), std::string::npos) << text;
    EXPECT_NE(text.find("-113"), std::string::npos) << text;
}

// Every hostile answer is refused with its own reason, and the next query still gets its own answer.
TEST(ScpiTcp, HostileAnswersAreRefusedAndTheConversationStaysInStep) {
    struct Case {
        std::string answer;
        Kind kind;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {std::string(5000, '7') + "\n", Kind::BadReply, "longer than"},
        {std::string("1.0\x01\x02\xff\n", 7), Kind::BadReply, "binary"},
        {"#15ABCDE\n", Kind::BadReply, "not a number"},
        {"NaN\n", Kind::BadReply, "not a number"},
        {"INF\n", Kind::BadReply, "not a number"},
        {"1e300\n", Kind::BadReply, "plausible"},
        {"123456789\n", Kind::BadReply, "plausible"},
        {"-0.5\n", Kind::BadReply, "negative"},
        {"1.5 W\n", Kind::BadReply, "not a number"},
        {"1.5,2.5\n", Kind::BadReply, "not a number"},
        {"9.91E37\n", Kind::NoSignal, "no signal"},
        {"+9.9E+37\n", Kind::NoSignal, "no signal"},
    };
    size_t next = 0;
    ScpiResponder responder([&](const std::string& line) -> Response {
        if (line == "MEAS:POW?")
            return {cases[next].answer + "0.25\n"};
        return {""};
    });
    auto meter = makePowerMeter(tcpSession(responder), 0);
    for (next = 0; next < cases.size(); ++next) {
        const auto [kind, text] = failureOf([&] { meter->watts(); });
        EXPECT_EQ(kind, cases[next].kind) << next << ": " << text;
        EXPECT_NE(text.find(cases[next].reason), std::string::npos) << next << ": " << text;
        // The good answer that followed the hostile one was dropped with it, never taken for the next.
        EXPECT_EQ(meter->identity(), "Test,Responder,1,1.0") << next;
    }
}

TEST(ScpiTcp, AClosedConnectionAndANoListenerAreDisconnections) {
    ScpiResponder responder([](const std::string&) -> Response { return {"", true}; });
    auto meter = makePowerMeter(tcpSession(responder), 0);
    EXPECT_EQ(failureOf([&] { meter->watts(); }).first, Kind::Disconnected);

    uint16_t unused = 0;
    {
        ScpiResponder gone([](const std::string&) -> Response { return {""}; });
        unused = gone.port();
    }
    EXPECT_EQ(failureOf([&] { TcpTransport("127.0.0.1", unused, 500, SystemClock::instance()); }).first,
              Kind::Disconnected);
}

TEST(ScpiSerial, AQueryRoundTripsOnAPseudoTerminalAndSilenceTimesOut) {
    ScpiResponder responder(
        [](const std::string& line) -> Response { return {line == "MEAS:FREQ?" ? "1.500001E+08\r\n" : ""}; },
        true);
    auto session = std::make_unique<ScpiSession>(
        std::make_unique<SerialTransport>(
            openInstrumentSerial(responder.devicePath(), SerialLineSettings::parse("19200 7E2")),
            SystemClock::instance()),
        genericDialect(), 300);
    auto counter = makeFrequencyCounter(std::move(session));
    EXPECT_DOUBLE_EQ(counter->carrierHz(), 150000100.0);
    EXPECT_EQ(counter->identity(), "Test,Responder,1,1.0");

    auto silent = std::make_unique<ScpiSession>(
        std::make_unique<SerialTransport>(
            openInstrumentSerial(
                ScpiResponder([](const std::string&) -> Response { return {""}; }, true).devicePath(),
                SerialLineSettings{}),
            SystemClock::instance()),
        genericDialect(), 100);
    // The responder above is gone with its pty: the device reads as lost or silent, never as an answer.
    const auto kind = failureOf([&] { silent->query("MEAS:FREQ?"); }).first;
    EXPECT_TRUE(kind == Kind::Timeout || kind == Kind::Disconnected);
}

TEST(ScpiSerial, LineSettingsAreParsedStrictly) {
    const SerialLineSettings s = SerialLineSettings::parse("115200 7O2 rtscts");
    EXPECT_EQ(s.baud, 115200u);
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.parity, 'O');
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_TRUE(s.rtsCts);
    EXPECT_EQ(SerialLineSettings::parse(s.toString()).toString(), s.toString());
    for (const char* bad : {"", "9601", "9600 8X1", "9600 9N1", "9600 8N3", "9600 8N1 xonxoff",
                            "9600 8N1 none x", "-9600", "99999999999"})
        EXPECT_THROW(SerialLineSettings::parse(bad), InstrumentError) << bad;
}

TEST(ScpiUsbtmc, ADeviceFileWithoutTheDriverIsReadThroughPollAndARegularFileIsRefused) {
    ScpiResponder responder(
        [](const std::string& line) -> Response { return {line == "MEAS:FM:DEV?" ? "2950.5\n" : ""}; }, true);
    // Give the responder a reader on the pty before the transport writes.
    auto session = std::make_unique<ScpiSession>(
        std::make_unique<UsbtmcTransport>(responder.devicePath(), SystemClock::instance()), genericDialect(),
        500);
    EXPECT_EQ(session->query("MEAS:FM:DEV?"), "2950.5");

    const std::string file = ::testing::TempDir() + "usbtmc-regular";
    std::ofstream(file) << "x";
    EXPECT_EQ(failureOf([&] { UsbtmcTransport(file, SystemClock::instance()); }).first, Kind::Config);
    EXPECT_EQ(failureOf([&] { UsbtmcTransport("/nonexistent/usbtmc0", SystemClock::instance()); }).first,
              Kind::Disconnected);
}

TEST(ScpiErrorQueue, EntriesAreParsedAndOddOnesCountAsErrors) {
    EXPECT_EQ(parseScpiError("+0,\"No error\"").code, 0);
    EXPECT_EQ(parseScpiError("0").code, 0);
    EXPECT_EQ(parseScpiError("-113,\"Undefined header\"").code, -113);
    EXPECT_EQ(parseScpiError(" 201 , \"Out of memory\"").code, 201);
    EXPECT_EQ(parseScpiError("Error!").code, -1);
    EXPECT_EQ(parseScpiError("").code, -1);
    EXPECT_EQ(parseScpiError("1.5,\"x\"").code, -1);
}

}  // namespace
}  // namespace vantrel

// Read Radio against the simulated radio: request order, the record afterwards, progress and outcomes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "SimBench.h"
#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/radioOperations.h"

namespace vantrel {
namespace {

using test::RecordingProgress;
using test::SimBench;
using Strings = std::vector<std::string>;

struct ReadRun {
    explicit ReadRun(SimProfile profile) : bench(std::move(profile)) {}
    ReadRadioOutcome command() { return ops.readRadioCommand(record, progress); }
    SimBench bench;
    radioStorage record;
    RecordingProgress progress;
    radioOperations ops;
};

TEST(ReadRadio, PortableRequestsInOrder) {
    ReadRun run(test::profileNamed("portable"));
    EXPECT_EQ(run.ops.readRadio(run.record, run.progress), 0);
    const Strings expected = {
        "I 5",      "I 1",        "I 0",         "I 15",   "I 14",
        "U",                                                          // power-up, identity, tuning block
        "T 1 2 2",  "T 129 2 2",  "S 11/0",                           // reference oscillator
        "T 1 0 2",  "T 129 0 2",  "S 0/3",       "S 28/3",            // high and third power
        "T 1 2 2",  "T 129 2 2",  "S 0/3",                            // low power
        "T 14 2 1", "S 2/2: 127", "S 3/3",                            // modulation attenuation
        "T 1 2 2",  "T 128 2 2",  "S 2/3",                            // VCO 25 kHz
        "T 1 2 1",  "T 128 2 1",  "C 7000 7000", "S 2/0",             // VCO 20 kHz at the highest point
        "T 1 2 0",  "T 128 2 0",  "C 7000 7000", "S 2/0",             // VCO 12.5 kHz
        "T 1 0 2",  "T 129 0 2",  "A 6",                              // PA voltage limit probe
        "S 14/0",                                                     // DTMF
        "T 9 0 2",  "S 6/0",      "S 18/0",      "S 20/0", "S 27/0",  // PA bias high, softpot 6 first
        "T 9 2 2",  "S 18/0",     "S 20/0",      "S 27/0",            // PA bias low
        "S 24/0",   "S 15/0",     "S 16/0",      "S 5/0",  "S 10/3",  // deviations, battery
        "S 13/3",                                                     // front end filter, no test mode
        "T 1 2 0",  "S 7/3",      "T 1 2 1",     "S 7/3",  "T 1 2 2",
        "S 7/3",              // auto squelch
        "T 0 2 2",  "S 8/0",  // rated volume
        "S 26/3",   "S 25/0",     "S 1/0",       "B 5 1",  "X"};
    EXPECT_EQ(run.bench.requests(), expected);
    EXPECT_EQ(run.progress.percents,
              (std::vector<int>{5, 10, 15, 20, 22, 25, 25, 30, 40, 50, 55, 65, 75, 80, 85, 90, 100}));
    EXPECT_EQ(run.progress.calls.front(), "5% Complete");
    EXPECT_FALSE(run.bench.line.deviceOpen());
}

TEST(ReadRadio, PortableRecordAfterTheRead) {
    ReadRun run(test::profileNamed("portable"));
    const ReadRadioOutcome outcome = run.command();
    ASSERT_EQ(outcome.kind, ReadRadioOutcome::Kind::Read);
    EXPECT_TRUE(outcome.tuningAllowed);
    const radioStorage& r = run.record;
    EXPECT_EQ(std::string(r.getSerialNo()), "PT00000001");
    EXPECT_EQ(r.getValue(row::Frequency, col::FrequencyBase), 5200);
    EXPECT_EQ(r.getValue(row::Frequency, col::TxPointFirst + 6), 7000);
    EXPECT_EQ(r.getValue(row::RefOscWarp, col::Single), 300);
    for (int n = 0; n < 7; ++n) {
        EXPECT_EQ(r.getValue(row::TxPower, col::TxPowerHigh + n), 100 + 2 * n);
        EXPECT_EQ(r.getValue(row::TxPower, col::TxPowerLow + n), 90 + n);
    }
    EXPECT_EQ(r.getValue(row::Rssi, col::RssiFirst + 2), 120);
    EXPECT_EQ(r.getValue(row::Rssi, col::RssiCalDacFirst), 49);
    EXPECT_TRUE(r.isSupported(flag::Rssi));
    EXPECT_FALSE(r.isSupported(flag::MobileTxPower));  // portables never hold K and M
    EXPECT_TRUE(r.isSupported(flag::BatteryThreshold));
    EXPECT_EQ(r.getDataVersion(), record::kCompleteReadVersion);
    EXPECT_EQ(radioOperations::messagesFor(outcome),
              (std::vector<PromptMessage>{
                  {"Radio has been successfully read !!", "NOTE", PromptIcon::Information}}));
}

TEST(ReadRadio, MobileReadsKAndMWithoutPortableSteps) {
    ReadRun run(test::profileNamed("mobile"));  // power-up status 32 counts as ready
    ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
    const Strings requests = run.bench.requests();
    EXPECT_EQ(Strings(requests.begin() + 9, requests.begin() + 10), Strings{"S 17/3"});
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "T 9 2 2"), 0);  // no low-power PA bias
    EXPECT_EQ(run.progress.percents,
              (std::vector<int>{5, 10, 15, 25, 25, 30, 40, 50, 55, 65, 75, 80, 85, 90, 100}));
    // 20528 = 0x5030: K 0x50, M 0x30 at F1.
    EXPECT_EQ(run.record.getValue(row::MobilePower, 0), 0x50);
    EXPECT_EQ(run.record.getValue(row::MobilePower, 1), 0x30);
    EXPECT_TRUE(run.record.isSupported(flag::MobileTxPower));
    EXPECT_FALSE(run.record.isSupported(flag::PaBiasFirstLow));
    EXPECT_EQ(run.record.getValue(row::MobilePower, col::LowBandFlag), 0);
}

TEST(ReadRadio, UnusedF1DoesNotLetAnEarlierRecordStopAGatedRead) {
    // A mobile without F1 that refuses the seven-value read: the K and M read goes point by point,
    // and neither the record's start value of flag 16 nor a flag cleared by an earlier radio stops it.
    SimProfile profile = test::profileNamed("mobile");
    profile.tableRead = false;
    profile.txPoints[0] = 0;
    ReadRun run(profile);
    run.record.markUnsupported(flag::MobileTxPower);
    ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
    EXPECT_TRUE(run.record.isSupported(flag::MobileTxPower));
    const Strings requests = run.bench.requests();
    EXPECT_GE(std::count(requests.begin(), requests.end(), "S 17/0"), 1);
}

TEST(ReadRadio, SinglePointModelKeepsOnlyF3) {
    ReadRun run(test::profileNamed("single-point"));
    ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
    for (int n = 1; n <= 7; ++n) {
        EXPECT_EQ(run.record.getValue(row::Frequency, col::TxPointFirst + n - 1), n == 3 ? 3000 : 0);
        EXPECT_EQ(run.record.getValue(row::Frequency, col::RxPointFirst + n - 1), n == 3 ? 3000 : 0);
    }
}

TEST(ReadRadio, PowerUpStatusEndsTheReadWithTheRecordUntouched) {
    struct Case {
        int status;
        size_t messages;
    };
    for (const Case c : {Case{16, 2}, Case{1, 1}}) {
        SimProfile p = SimProfile::defaults();
        p.powerUpStatus = static_cast<uint8_t>(c.status);
        ReadRun run(p);
        run.record.setSerialNo("KEEP000001");
        const ReadRadioOutcome outcome = run.command();
        EXPECT_EQ(outcome.kind, ReadRadioOutcome::Kind::PowerUpFailed);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(run.bench.requests(), Strings{"I 5"});
        EXPECT_EQ(std::string(run.record.getSerialNo()), "KEEP000001");
        EXPECT_EQ(run.progress.percents, std::vector<int>{100});
        const auto shown = radioOperations::messagesFor(outcome);
        ASSERT_EQ(shown.size(), c.messages);
        EXPECT_EQ(shown[0].text, "Error occured during radio power up!!");
        if (c.messages == 2) {
            EXPECT_EQ(shown[1].text, "Radio Hardware Failure !! Operation aborted");
        }
    }
}

TEST(ReadRadio, NoReceivePointAnswersTwoAfterTheIdentity) {
    ReadRun run(test::profileNamed("no-rx-points"));
    run.record.setValue(row::TxPower, 0, 55);
    EXPECT_EQ(run.ops.readRadio(run.record, run.progress), radioOperations::kPointsInvalid);
    EXPECT_EQ(run.bench.requests().back(), "U");
    EXPECT_EQ(std::string(run.record.getSerialNo()), "NR00000001");
    EXPECT_EQ(run.record.getValue(row::TxPower, 0), 55);

    ReadRun again(test::profileNamed("no-rx-points"));
    const ReadRadioOutcome outcome = again.command();
    EXPECT_EQ(outcome.kind, ReadRadioOutcome::Kind::PointsInvalid);
    EXPECT_EQ(std::string(again.record.getSerialNo()), "Invalid");
    EXPECT_TRUE(outcome.updatesStatusBar());
    EXPECT_EQ(radioOperations::messagesFor(outcome)[0].caption, "Error !!");
}

TEST(ReadRadio, WithoutFlag3TheLowPowerReadIsSkipped) {
    ReadRun run(test::profileFrom(R"({"tableRead": false, "unsupported": [0]})"));
    ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
    const std::vector<int>& p = run.progress.percents;
    const auto at22 = std::find(p.begin(), p.end(), 22);
    ASSERT_NE(at22, p.end());
    EXPECT_EQ(*(at22 + 1), 25);
    const Strings modes = run.bench.requests("T");
    EXPECT_EQ(std::count(modes.begin(), modes.end(), "T 129 2 2"), 1);  // the reference oscillator's only
    EXPECT_FALSE(run.record.isSupported(flag::TxPower));
}

TEST(ReadRadio, TuningProcedureThreeIsReadButBlocked) {
    ReadRun run(test::profileNamed("procedure-3"));
    const ReadRadioOutcome outcome = run.command();
    EXPECT_EQ(outcome.kind, ReadRadioOutcome::Kind::Read);
    EXPECT_FALSE(outcome.tuningAllowed);
    EXPECT_EQ(run.bench.requests().back(), "X");
    const auto shown = radioOperations::messagesFor(outcome);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "Radio not suitable for tuning due to different tuning procedure version");
}

TEST(ReadRadio, LinkFailurePartWayInvalidatesTheSerialAndClosesThePort) {
    SimProfile p = SimProfile::defaults();
    SimFaultRule rule;
    rule.kind = SimFaultKind::Disconnect;
    rule.atRequest = 12;
    p.faults.push_back(rule);
    ReadRun run(p);
    const ReadRadioOutcome outcome = run.command();
    EXPECT_EQ(outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    EXPECT_EQ(std::string(run.record.getSerialNo()), "Invalid");
    EXPECT_EQ(run.progress.percents.back(), 100);
    EXPECT_FALSE(run.bench.line.deviceOpen());
    EXPECT_EQ(radioOperations::messagesFor(outcome)[0].text,
              "Read Radio Failed !! All softpot operational data is invalid !! Please re-read radio");
}

TEST(ReadRadio, FailurePartWayTellsTheStepAndResetsTheRadio) {
    ReadRun run(test::profileNamed("portable"));
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.opcode = 0x20;
    rule.firstByte = 0;  // transmit power, after the radio entered its test mode
    rule.times = 0;
    run.bench.radio.addFault(rule);
    const ReadRadioOutcome outcome = run.command();
    ASSERT_EQ(outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    EXPECT_EQ(outcome.failure.step, "reading Transmit High Power");
    EXPECT_EQ(outcome.failure.cause,
              "no answer from the radio to the softpot 0 table read request after 4 attempts");
    EXPECT_TRUE(outcome.failure.resetSent);
    EXPECT_EQ(
        outcome.failure.detailLines(false),
        Strings{"while reading Transmit High Power: no answer from the radio to the softpot 0 table read "
                "request after 4 attempts"});
    EXPECT_EQ(run.ops.lastFailure().step, outcome.failure.step);
    // One reset, the last request, and the radio is out of its test mode.
    const Strings r = run.bench.requests();
    EXPECT_EQ(std::count(r.begin(), r.end(), "X"), 1);
    EXPECT_EQ(r.back(), "X");
    EXPECT_FALSE(run.bench.radio.testMode().has_value());
    EXPECT_EQ(radioOperations::messagesFor(outcome).size(), 1u);  // the message itself is unchanged

    // A read that succeeds leaves no failure behind.
    run.bench.radio.clearFaults();
    EXPECT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
    EXPECT_FALSE(run.ops.lastFailure().failed());
}

TEST(ReadRadio, BasebandOffsetsFromTheRadioUseTheProbeAsFirstByte) {
    ReadRun run(test::profileNamed("bbo-radio"));
    ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
    const Strings reads = run.bench.requests("B");
    ASSERT_EQ(reads.size(), 15u);
    EXPECT_EQ(reads[0], "B 5 1");
    EXPECT_EQ(reads[1], "B 0 1");
    EXPECT_EQ(reads[5], "B 5 2");
    EXPECT_TRUE(run.record.isBboFromRadio());
    for (int g = 0; g < 3; ++g)
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(run.record.getValue(row::BasebandOffset, g * 5 + k), *run.bench.radio.bboByte(g, k));
}

TEST(ReadRadio, PaVoltageLimitIsReadOnlyWhenTheProbeAnswersZero) {
    for (bool tunes : {true, false}) {
        ReadRun run(test::profileFrom(std::string(R"({"tuning": {"procedure": 2}, "autoTune": {"6": )") +
                                      (tunes ? "[9, 9, 9, 9, 9, 9, 9]" : "[0, 0, 0, 0, 0, 0, 0]") + "}}"));
        ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::Read);
        const Strings r = run.bench.requests("AS");
        const auto probe = std::find(r.begin(), r.end(), "A 6");
        ASSERT_NE(probe, r.end());
        EXPECT_EQ(*(probe + 1), tunes ? "S 14/0" : "S 6/3");
    }
}

TEST(ReadRadio, ReplyOfTheWrongLengthCountsAsALinkFailure) {
    SimProfile p = SimProfile::defaults();
    SimFaultRule rule;
    rule.kind = SimFaultKind::Truncated;
    rule.opcode = 0x23;
    rule.firstByte = 0x00;  // the model number reply
    rule.dropBytes = 3;
    rule.times = 0;
    p.faults.push_back(rule);
    {
        ReadRun raw(p);
        EXPECT_THROW(raw.ops.readRadio(raw.record, raw.progress), ReplyLengthError);
    }
    ReadRun run(p);
    EXPECT_EQ(run.command().kind, ReadRadioOutcome::Kind::LinkFailed);
    EXPECT_EQ(std::string(run.record.getSerialNo()), "Invalid");
}

// What another radio's archive leaves in the record: a longer model text, values and flags of every set,
// a capability that radio refused.
void fillAsAnotherRadio(radioStorage& r) {
    r.setModelNo(std::string("P47TSC6A1L  ANXX", 16));
    r.setSerialNo("OT00000009");
    r.setUuid("OTHER-RADIO-0009");
    r.setIcVersion("WXYZ");
    for (int row = 1; row < record::kRows; ++row)
        for (int column = 0; column < record::kColumns; ++column) r.setValue(row, column, 77);
    for (int f = flag::First; f <= flag::Last; ++f) r.markSupported(f);
    r.markUnsupported(flag::MultiValueWrite);
    r.markUnsupported(flag::SinglePointPowerWrite);
    r.setBboFromRadio(true);
}

void expectSameRecord(const radioStorage& a, const radioStorage& b) {
    EXPECT_EQ(a.modelNoBytes(), b.modelNoBytes());
    EXPECT_EQ(a.serialNoBytes(), b.serialNoBytes());
    EXPECT_EQ(a.uuidBytes(), b.uuidBytes());
    EXPECT_EQ(a.icVersionBytes(), b.icVersionBytes());
    EXPECT_EQ(a.isBboFromRadio(), b.isBboFromRadio());
    int differing = 0;
    for (int row = 0; row < record::kRows; ++row)
        for (int column = 0; column < record::kColumns; ++column)
            differing += a.getValue(row, column) != b.getValue(row, column);
    EXPECT_EQ(differing, 0);
    for (int f = flag::First; f <= flag::Last; ++f)
        EXPECT_EQ(a.isSupported(f), b.isSupported(f)) << "flag " << f;
}

TEST(ReadRadio, StartsFromACleanRecordWhateverTheRecordHeldBefore) {
    for (const char* profile : {"mobile", "portable", "bbo-radio", "no-table-read"}) {
        SCOPED_TRACE(profile);
        ReadRun first(test::profileNamed(profile));
        ASSERT_EQ(first.command().kind, ReadRadioOutcome::Kind::Read);
        ReadRun again(test::profileNamed(profile));
        fillAsAnotherRadio(again.record);
        ASSERT_EQ(again.command().kind, ReadRadioOutcome::Kind::Read);
        expectSameRecord(first.record, again.record);
    }
    // The mobile's model code with blanks after it, and no portable set it was never asked for.
    ReadRun mobile(test::profileNamed("mobile"));
    fillAsAnotherRadio(mobile.record);
    ASSERT_EQ(mobile.command().kind, ReadRadioOutcome::Kind::Read);
    EXPECT_EQ(mobile.record.modelNoBytes(), "M47TSC7B4W      ");
    EXPECT_EQ(std::string(mobile.record.getModelNo()), "M47TSC7B4W      ");
    for (const int absent : {flag::TxPower, flag::TxPowerThird, flag::PaBiasFirstLow}) {
        EXPECT_FALSE(mobile.record.isSupported(absent)) << "flag " << absent;
    }
    EXPECT_EQ(mobile.record.getValue(row::TxPower, col::TxPowerHigh), 0);
    EXPECT_EQ(mobile.record.getValue(row::TxPowerThird, col::SetFirst), 0);
    EXPECT_FALSE(mobile.record.isBboFromRadio());
    // What the radio takes in one request is this radio's to tell, not the earlier one's.
    EXPECT_TRUE(mobile.record.isSupported(flag::MultiValueWrite));
    EXPECT_TRUE(mobile.record.isSupported(flag::SinglePointPowerWrite));
}

TEST(ReadRadio, AReadThatFailsPartWayKeepsNothingOfTheEarlierRadio) {
    SimProfile p = test::profileNamed("portable");
    SimFaultRule rule;
    rule.kind = SimFaultKind::Disconnect;
    rule.atRequest = 12;
    p.faults.push_back(rule);
    ReadRun run(p);
    fillAsAnotherRadio(run.record);
    ASSERT_EQ(run.command().kind, ReadRadioOutcome::Kind::LinkFailed);
    EXPECT_EQ(std::string(run.record.getSerialNo()), "Invalid");
    EXPECT_EQ(run.record.uuidBytes(), "PORTABLE-RADIO01");
    // Sets not reached before the failure are absent, not the earlier radio's.
    EXPECT_FALSE(run.record.isSupported(flag::AutoSquelch));
    EXPECT_EQ(run.record.getValue(row::AutoSquelch, 0), 0);
    EXPECT_FALSE(run.record.isBboFromRadio());
}

/// A request the radio refuses during Read Radio, and what must become of the read.
struct RefusedRead {
    const char* name;
    std::uint8_t opcode;
    std::optional<std::uint8_t> firstByte;
    ReadRadioOutcome::Kind outcome;
    std::function<void(const radioStorage&)> check;
};

TEST(ReadRadio, RefusalsAreNeverTakenAsTheRadiosData) {
    const auto noIdentityFrom = [](const radioStorage& r) {
        EXPECT_EQ(std::string(r.getSerialNo()), "Invalid");
        EXPECT_EQ(r.getDataVersion(), 0);
    };
    const RefusedRead cases[] = {
        {"power-up status", 0x23, 0x05, ReadRadioOutcome::Kind::LinkFailed, noIdentityFrom},
        {"serial number", 0x23, 0x01, ReadRadioOutcome::Kind::LinkFailed, noIdentityFrom},
        {"model number", 0x23, 0x00, ReadRadioOutcome::Kind::LinkFailed,
         [](const radioStorage& r) { EXPECT_EQ(std::string(r.getModelNo()).substr(0, 4), "NULL"); }},
        {"unique identifier", 0x23, 0x0F, ReadRadioOutcome::Kind::LinkFailed,
         [](const radioStorage& r) { EXPECT_EQ(std::string(r.getUuid()).substr(0, 4), "NULL"); }},
        {"IC version", 0x23, 0x0E, ReadRadioOutcome::Kind::LinkFailed,
         [](const radioStorage& r) { EXPECT_EQ(r.icVersionBytes(), "NULL"); }},
        {"tuning block", 0x1B, std::nullopt, ReadRadioOutcome::Kind::LinkFailed,
         [](const radioStorage& r) { EXPECT_EQ(r.getValue(row::Frequency, col::FrequencyBase), 0); }},
        {"temp comp", 0x20, 0x01, ReadRadioOutcome::Kind::LinkFailed,
         [](const radioStorage& r) {
             for (int c = col::TempCompFirst; c <= col::TempCompLast; ++c)
                 EXPECT_EQ(r.getValue(row::Frequency, c), 0);
         }},
        {"a baseband offset after the probe", 0x28, 0x00, ReadRadioOutcome::Kind::LinkFailed,
         [](const radioStorage& r) {
             // Only the probe's byte, the radio's own, was taken.
             EXPECT_NE(r.getValue(row::BasebandOffset, 0), 0);
             for (int c = 1; c < 15; ++c) EXPECT_EQ(r.getValue(row::BasebandOffset, c), 0) << c;
         }},
        {"the baseband offset probe", 0x28, 0x05, ReadRadioOutcome::Kind::Read,
         [](const radioStorage& r) { EXPECT_FALSE(r.isBboFromRadio()); }},
        {"RSSI", 0x20, 26, ReadRadioOutcome::Kind::Read,
         [](const radioStorage& r) {
             EXPECT_FALSE(r.isSupported(flag::Rssi));
             for (int c = 0; c < 6; ++c) EXPECT_EQ(r.getValue(row::Rssi, c), 0) << c;
         }},
        {"calibration DAC 25", 0x20, 25, ReadRadioOutcome::Kind::Read,
         [](const radioStorage& r) {
             EXPECT_TRUE(r.isSupported(flag::Rssi));
             EXPECT_NE(r.getValue(row::Rssi, col::RssiFirst), 0);
             for (int c = col::RssiCalDacFirst; c < col::RssiCalDacFirst + 3; ++c)
                 EXPECT_EQ(r.getValue(row::Rssi, c), 0);
         }},
        {"reference oscillator", 0x20, 11, ReadRadioOutcome::Kind::Read,
         [](const radioStorage& r) {
             EXPECT_FALSE(r.isSupported(flag::RefOscWarp));
             EXPECT_EQ(r.getValue(row::RefOscWarp, 0), 0);
         }},
        {"PA voltage limit auto-tune", 0x1F, 6, ReadRadioOutcome::Kind::Read,
         [](const radioStorage& r) {
             EXPECT_FALSE(r.isSupported(flag::PaVoltageLimit));
             EXPECT_EQ(r.getValue(row::PaVoltageLimit, 0), 0);
         }},
    };
    for (const RefusedRead& c : cases) {
        SCOPED_TRACE(c.name);
        SimProfile p = test::profileNamed(c.opcode == 0x28   ? "bbo-radio"
                                          : c.opcode == 0x1F ? "mobile"
                                                             : "portable");
        SimFaultRule refuse;
        refuse.kind = SimFaultKind::Unsupported;
        refuse.opcode = c.opcode;
        refuse.firstByte = c.firstByte;
        refuse.times = 0;
        p.faults.push_back(refuse);
        ReadRun run(p);
        const ReadRadioOutcome outcome = run.command();
        EXPECT_EQ(outcome.kind, c.outcome) << outcome.failure.cause;
        if (c.outcome == ReadRadioOutcome::Kind::LinkFailed) {
            EXPECT_NE(outcome.failure.cause.find("request not supported by the radio"), std::string::npos)
                << outcome.failure.cause;
        }
        c.check(run.record);
    }
}

TEST(SerialMatches, ARefusalIsNoSerialNumber) {
    SimProfile p = test::profileNamed("portable");
    SimFaultRule refuse;
    refuse.kind = SimFaultKind::Unsupported;
    refuse.opcode = 0x23;
    refuse.firstByte = 0x01;
    p.faults.push_back(refuse);
    SimBench bench(p);
    radioOperations ops;
    radioStorage record;
    cominit link;
    record.setSerialNo("PT00000001");
    EXPECT_THROW(ops.serialMatches(record, link), UnsupportedMessage);
}

TEST(SerialMatches, AllTenCharactersMustBeEqual) {
    SimBench bench(test::profileNamed("portable"));
    radioOperations ops;
    radioStorage record;
    cominit link;
    record.setSerialNo("PT00000001");
    EXPECT_TRUE(ops.serialMatches(record, link));
    record.setSerialNo("PT00000002");
    EXPECT_FALSE(ops.serialMatches(record, link));
    record.setSerialNo("Invalid");
    EXPECT_FALSE(ops.serialMatches(record, link));
}

}  // namespace
}  // namespace vantrel

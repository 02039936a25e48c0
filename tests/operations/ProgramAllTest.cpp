// Program All against the simulated radio: request order, the radio's memory afterwards, the gate, outcomes.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimBench.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"

namespace vantrel {
namespace {

using test::RecordingProgress;
using test::SimBench;
using Strings = std::vector<std::string>;

/// Reads the radio into the record, then forgets the read's requests.
struct ProgramRun {
    explicit ProgramRun(SimProfile profile) : bench(std::move(profile)) {
        RecordingProgress readProgress;
        radioOperations ops;
        ok = ops.readRadio(record, readProgress) == radioOperations::kReadOk;
        bench.radio.transcript().clear();
    }
    ProgramOutcome command() { return radioProgramAll::programRadioCommand(record, progress); }
    bool has(const std::string& request) const {
        const Strings r = bench.requests();
        return std::find(r.begin(), r.end(), request) != r.end();
    }
    SimBench bench;
    radioStorage record;
    RecordingProgress progress;
    bool ok = false;
};

TEST(ProgramAll, PortableWritesEveryTableInOrderAndResets) {
    ProgramRun run(test::profileNamed("portable"));
    ASSERT_TRUE(run.ok);
    for (int n = 0; n < 7; ++n) run.record.setValue(row::TxPower, col::TxPowerHigh + n, 200 + n);
    EXPECT_EQ(run.command(), ProgramOutcome::Programmed);
    const Strings expected = {"I 1",
                              "M 2",
                              "S 11/1: 1 44",  // serial, version, ref osc
                              "T 1 0 2",
                              "T 129 0 2",
                              "S 0/4: 200 201 202 203 204 205 206",  // high power
                              "T 1 2 2",
                              "T 129 2 2",
                              "S 0/4: 90 91 92 93 94 95 96",  // low power
                              "T 1 0 2",
                              "T 129 0 2",
                              "S 28/4: 110 112 114 116 118 120 122",  // third power
                              "T 14 2 1",
                              "S 2/2: 127",
                              "S 3/4: 40 41 42 43 44 45 46",  // modulation attenuation
                              "T 1 2 2",
                              "T 128 2 2",
                              "S 2/4: 80 81 82 83 84 85 86",  // VCO 25 kHz
                              "T 1 2 1",
                              "T 128 2 1",
                              "C 7000 7000",
                              "S 2/1: 76",  // VCO 20 kHz
                              "T 1 2 0",
                              "T 128 2 0",
                              "C 7000 7000",
                              "S 2/1: 66",   // VCO 12.5 kHz
                              "S 14/1: 20",  // DTMF
                              "T 9 0 2",
                              "S 18/1: 110",
                              "S 20/1: 105",
                              "S 27/1: 100",
                              "T 9 2 2",
                              "S 18/1: 90",  // PA bias
                              "S 24/1: 26",
                              "S 15/1: 22",
                              "S 5/1: 16",
                              "S 16/1: 24",                    // deviations
                              "S 13/4: 30 31 32 33 34 35 36",  // front end filter
                              "T 1 2 0",
                              "S 7/4: 40 41 42 43 44 45 46",
                              "T 1 2 1",
                              "S 7/4: 45 46 47 48 49 50 51",
                              "T 1 2 2",
                              "S 7/4: 50 51 52 53 54 55 56",  // auto squelch
                              "S 8/1: 128",
                              "S 26/4: 40 80 120",
                              "S 1/1: 18 52 86 120",
                              "X"};
    EXPECT_EQ(run.bench.requests(), expected);
    EXPECT_EQ(run.progress.percents, (std::vector<int>{5, 15, 20, 25, 35, 45, 55, 60, 80, 90, 100}));
    EXPECT_EQ(run.bench.radio.programmedValue(softpot::TxPower, 0, 3), 203);
    EXPECT_FALSE(run.bench.radio.testMode().has_value());
    EXPECT_EQ(radioProgramAll::messageFor(ProgramOutcome::Programmed).text,
              "Radio successfully programmed!!");
}

TEST(ProgramAll, RefusedTableWriteGoesPointByPointAtUsedPointsOnly) {
    ProgramRun run(test::profileNamed("no-table-read"));  // points F2 and F5 only
    ASSERT_TRUE(run.ok);
    run.record.setValue(row::TxPower, col::TxPowerHigh + 1, 171);
    run.record.setValue(row::TxPower, col::TxPowerHigh + 4, 174);
    run.record.setValue(row::FrontEndFilter, 4, 44);
    EXPECT_EQ(run.command(), ProgramOutcome::Programmed);
    const Strings r = run.bench.requests();
    // Option byte 3: the derived spacing is 20 kHz.
    const auto from = std::find(r.begin(), r.end(), "T 1 0 1");
    const auto to = std::find(r.begin(), r.end(), "T 1 2 1");
    ASSERT_TRUE(from < to);
    EXPECT_EQ(Strings(from, to), (Strings{"T 1 0 1", "T 129 0 1", "S 0/4: 0 171 0 0 174 0 0", "C 2000 2000",
                                          "S 0/1: 171", "C 5000 5000", "S 0/1: 174"}));
    EXPECT_EQ(run.bench.radio.programmedValue(softpot::TxPower, 0, 1), 171);
    EXPECT_EQ(run.bench.radio.programmedValue(softpot::TxPower, 0, 4), 174);
    // Receive procedures select the receive channel alone.
    EXPECT_TRUE(run.has("c 5000"));
    EXPECT_EQ(run.bench.radio.programmedValue(softpot::FrontEndFilter, 0, 4), 44);
    EXPECT_FALSE(run.record.isSupported(flag::MultiValueWrite));
    EXPECT_EQ(r.back(), "X");
}

TEST(ProgramAll, Select5GateFollowsTheCodeplugVersion) {
    for (int version : {24, 25}) {
        ProgramRun run(test::profileFrom(R"({"codeplug": {"version": )" + std::to_string(version) + "}}"));
        ASSERT_TRUE(run.ok);
        ASSERT_TRUE(run.record.isSupported(flag::Select5Deviation));
        EXPECT_EQ(run.command(), ProgramOutcome::Programmed);
        const bool tables = version > 24;
        const Strings r = run.bench.requests();
        const auto tableWrite = [&](const std::string& prefix) {
            return std::any_of(r.begin(), r.end(),
                               [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
        };
        EXPECT_EQ(tableWrite("S 2/4"), tables) << "VCO attenuation, version " << version;
        EXPECT_EQ(tableWrite("S 13/4"), tables) << "front end filter, version " << version;
        EXPECT_EQ(tableWrite("S 7/4"), tables) << "auto squelch, version " << version;
        EXPECT_EQ(tableWrite("S 26/4"), tables) << "RSSI, version " << version;
        EXPECT_TRUE(tableWrite("S 0/4")) << "transmit power is not gated";
        EXPECT_EQ(tableWrite("S 7/1"), !tables);
        // Point by point, the 85 % step appears after the first squelch pass.
        const auto& p = run.progress.percents;
        EXPECT_EQ(std::count(p.begin(), p.end(), 85), tables ? 0 : 1);
    }
}

TEST(ProgramAll, SerialMismatchWritesNothing) {
    ProgramRun run(test::profileNamed("portable"));
    run.record.setSerialNo("PT00000009");
    EXPECT_EQ(run.command(), ProgramOutcome::SerialMismatch);
    EXPECT_EQ(run.bench.requests(), Strings{"I 1"});
    EXPECT_EQ(run.progress.percents, std::vector<int>{100});
    const PromptMessage m = radioProgramAll::messageFor(ProgramOutcome::SerialMismatch);
    EXPECT_EQ(m.caption, " Radio Program Error");
}

TEST(ProgramAll, RssiLengthByModel) {
    ProgramRun high(test::profileFrom(R"({"identity": {"model": "M52HSC7E1T"}})"));
    ASSERT_TRUE(high.ok);
    EXPECT_EQ(high.command(), ProgramOutcome::Programmed);
    EXPECT_TRUE(high.has("S 26/4: 40 80"));
}

TEST(ProgramAll, MobileWritesKAndMAndBatteryThreshold) {
    ProgramRun run(test::profileNamed("mobile"));
    ASSERT_TRUE(run.ok);
    run.record.setValue(row::Parameters, col::BatteryThreshold, 0x0105);
    EXPECT_EQ(run.command(), ProgramOutcome::Programmed);
    EXPECT_TRUE(run.has("S 17/4: 80 48 81 50 82 52 83 54 84 56 85 58 86 60"));
    EXPECT_TRUE(run.has("S 10/4: 1 5"));
    const Strings r = run.bench.requests();
    EXPECT_TRUE(std::none_of(r.begin(), r.end(), [](const std::string& s) {
        return s.rfind("S 0/", 0) == 0;
    })) << "mobiles have no portable transmit power";
    EXPECT_EQ(run.bench.requests().back(), "X");
}

TEST(ProgramAll, RadioWithoutRatedVolumeIsResetToo) {
    ProgramRun run(test::profileNamed("portable"));
    run.record.markUnsupported(flag::RatedVolume);
    EXPECT_EQ(run.command(), ProgramOutcome::Programmed);
    EXPECT_FALSE(run.has("S 8/1: 128"));
    EXPECT_EQ(run.bench.requests().back(), "X");
    EXPECT_EQ(run.progress.percents.back(), 100);
}

TEST(ProgramAll, FailurePartWayTellsTheStepWhatWasWrittenAndResets) {
    // Where the point-by-point write of F5 lies among the requests of a run without faults.
    unsigned atRequest = 0;
    {
        ProgramRun dry(test::profileNamed("no-table-read"));  // points F2 and F5, table writes refused
        ASSERT_TRUE(dry.ok);
        const unsigned before = dry.bench.radio.requestCount();
        ASSERT_EQ(dry.command(), ProgramOutcome::Programmed);
        const Strings r = dry.bench.requests();
        const auto f5 =
            std::find_if(r.begin(), r.end(), [](const std::string& s) { return s.starts_with("S 0/1"); });
        ASSERT_NE(f5, r.end());
        atRequest = before + static_cast<unsigned>(f5 - r.begin()) + 3;  // the second point write: F5
    }
    ProgramRun run(test::profileNamed("no-table-read"));
    ASSERT_TRUE(run.ok);
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.opcode = 0x20;
    rule.firstByte = 0;
    rule.atRequest = atRequest;
    rule.times = 0;
    run.bench.radio.addFault(rule);

    operationFailure failure;
    EXPECT_EQ(radioProgramAll::programRadioCommand(run.record, run.progress, &failure),
              ProgramOutcome::LinkFailed);
    EXPECT_EQ(failure.step, "writing Transmit High Power F5");
    EXPECT_EQ(failure.written, Strings{"Reference Oscillator"});
    EXPECT_TRUE(failure.resetSent);
    EXPECT_EQ(
        failure.detailLines(true),
        (Strings{"while writing Transmit High Power F5: no answer from the radio to the softpot 0 program "
                 "request after 4 attempts",
                 "already written: Reference Oscillator"}));
    const Strings r = run.bench.requests();
    EXPECT_EQ(std::count(r.begin(), r.end(), "X"), 1);
    EXPECT_EQ(r.back(), "X");
    EXPECT_FALSE(run.bench.radio.testMode().has_value());
    EXPECT_EQ(run.progress.percents.back(), 100);
}

TEST(ProgramAll, LinkFailureEndsTheRunWithItsMessage) {
    ProgramRun run(test::profileNamed("portable"));
    SimFaultRule rule;
    rule.kind = SimFaultKind::Disconnect;
    run.bench.radio.addFault(rule);
    EXPECT_EQ(run.command(), ProgramOutcome::LinkFailed);
    EXPECT_EQ(run.progress.percents.back(), 100);
    EXPECT_FALSE(run.bench.line.deviceOpen());
    const PromptMessage m = radioProgramAll::messageFor(ProgramOutcome::LinkFailed);
    EXPECT_EQ(m.text, "Program Radio Error");
    EXPECT_EQ(m.caption, "ERROR");
}

}  // namespace
}  // namespace vantrel

// The tuning session against the simulated radio in virtual time: the request sequences of every family's
// actions (the ones their windows send), Program's one behaviour, and the safety rules: failures while
// keyed, a close during a run, the closing rule, mismatches, and the catalogue the session opens from.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "SimBench.h"
#include "history/HistorySink.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/cominit.h"
#include "operations/portInUseMessage.h"
#include "operations/procedureCatalogue.h"
#include "operations/procedurePieces.h"
#include "operations/radioOperations.h"
#include "operations/sharedMessages.h"
#include "operations/utilityPieces.h"
#include "operations/tuningSession.h"
#include "radio/ModelTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "sim/SimProtocol.h"

namespace vantrel {
namespace {

using Strings = std::vector<std::string>;
using Values = std::vector<std::optional<int>>;
using Kind = sessionOutcome::Kind;

/// A radio read into the record, the read's requests forgotten, and the session of one procedure.
struct Rig {
    explicit Rig(SimProfile profile = test::profileNamed("portable"),
                 const std::string& name = "tx-high-power",
                 const std::function<void(radioStorage&)>& adjust = {})
        : bench(std::move(profile)) {
        test::RecordingProgress progress;
        read = radioOperations().readRadio(record, progress) == radioOperations::kReadOk;
        if (adjust)
            adjust(record);
        environment.record = &record;
        environment.openConnection = [] { return std::make_unique<cominit>(); };
        environment.prompt = &prompt;
        environment.stopRequested = [this] { return stopAfter && bench.radio.requestCount() >= *stopAfter; };
        session = tuningSession::create(name, environment, &why, &text);
        bench.radio.transcript().clear();
    }
    /// Requests since the last call.
    Strings fresh() {
        const Strings all = bench.requests();
        Strings out(all.begin() + std::ptrdiff_t(std::min(seen, all.size())), all.end());
        seen = all.size();
        return out;
    }
    /// Messages since the last call, as "CAPTION|text".
    Strings told() {
        Strings out;
        for (const PromptMessage& m : prompt.shown()) out.push_back(m.caption + "|" + m.text);
        prompt.clear();
        return out;
    }
    void fault(SimFaultKind kind, std::optional<std::uint8_t> opcode, std::optional<std::uint8_t> first = {},
               unsigned times = 0) {
        SimFaultRule rule;
        rule.kind = kind;
        rule.opcode = opcode;
        rule.firstByte = first;
        rule.times = times;
        bench.radio.addFault(rule);
    }
    tuningSession& s() {
        if (!session)
            throw std::runtime_error("no session: " + text);
        return *session;
    }
    /// Opens the session; the opening's requests and messages are forgotten.
    void open() {
        ASSERT_NE(session, nullptr) << text;
        ASSERT_TRUE(session->open().done());
        fresh();
        told();
    }

    test::SimBench bench;
    radioStorage record;
    bool read = false;
    ScriptedPrompt prompt;
    sessionEnvironment environment;
    std::optional<unsigned> stopAfter;  ///< a close asked for once the radio has heard this many requests
    tuningSession::refusal why = tuningSession::refusal::None;
    std::string text;
    std::unique_ptr<tuningSession> session;
    size_t seen = 0;
};

SimProfile named(const char* name) {
    return test::profileNamed(name);
}

/// An action at a row, with the text typed into it.
actionRequest at(int row, std::string text = {}) {
    actionRequest request;
    request.row = row;
    request.text = std::move(text);
    return request;
}

// --- Point rows -------------------------------------------------------------------------------------------

TEST(TuningSession, HighPowerOpensSelectsKeysWritesLiveProgramsAndCloses) {
    Rig run;
    ASSERT_TRUE(run.read);
    ASSERT_NE(run.session, nullptr) << run.text;
    tuningSession& s = run.s();
    ASSERT_TRUE(s.open().done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "T 1 0 2", "T 129 0 2", "C 1000 1000"}));
    const sessionState opened = s.state();
    ASSERT_EQ(opened.rows.size(), 7u);
    EXPECT_EQ(opened.rows[2].label, "F3");
    EXPECT_EQ(opened.rows[2].recordValue, 104);
    EXPECT_EQ(opened.rows[2].maximum, 127);
    EXPECT_EQ(opened.status, message::Dekeyed);

    // Selecting a point checks the radio, then sets its channels; keying sends its working value.
    EXPECT_TRUE(s.select(2).done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "C 3000 3000"}));
    EXPECT_TRUE(s.key().done());
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 0/2: 104"}));
    EXPECT_TRUE(s.keyed() && run.bench.radio.keyed());
    EXPECT_EQ(s.state().status.rfind("Radio is currently keyed up at ", 0), 0u);
    EXPECT_TRUE(s.live(2, 111).done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "S 0/2: 111"}));
    EXPECT_EQ(run.bench.radio.liveValue(softpot::TxPower, 0, 2), 111);

    // Program: question, dekey, every point at its own channels, then the selected point again.
    Values values;
    for (int i = 0; i < 7; ++i) values.push_back(60 + i);
    const sessionOutcome programmed = s.program(values);
    EXPECT_TRUE(programmed.done());
    EXPECT_EQ(programmed.programmedRows, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    const Strings program = run.fresh();
    ASSERT_EQ(program.size(), 17u);
    EXPECT_EQ(program[0], "I 1");
    EXPECT_EQ(program[1], "K 0");
    EXPECT_EQ(program[2], "C 1000 1000");
    EXPECT_EQ(program[3], "S 0/1: 60");
    EXPECT_EQ(program.back(), "C 3000 3000");
    EXPECT_EQ(run.told(), Strings{"WARNING|Commit new softpot values? Softpot Value Range 0-127"});
    for (int i = 0; i < 7; ++i) EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + i), 60 + i);

    const closingOutcome closed = s.close();
    EXPECT_TRUE(closed.safe());
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "X"}));
    EXPECT_FALSE(run.bench.radio.testMode().has_value());
}

// Program goes point by point: each value is checked when reached, the points before a refused one stay
// programmed, and a value below the minimum is refused as one above the maximum.
TEST(TuningSession, ProgramChecksEachPointWhenReachedAndKeepsWhatWasWritten) {
    struct Case {
        const char* what;
        std::optional<int> fourth;
        const char* code;
        const char* told;
    };
    const Case cases[] = {
        {"above", 200, "out-of-range",
         "ERROR|Program softpots aborted for Transmit High Power!! Illegal softpot value"},
        {"below", -1, "out-of-range",
         "ERROR|Program softpots aborted for Transmit High Power!! Illegal softpot value"},
        {"empty", std::nullopt, "empty-value",
         "NOTE|Please enter a valid Transmit High Power softpot value!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig run;
        run.open();
        Values values(7, 50);
        values[3] = c.fourth;
        const sessionOutcome outcome = run.s().program(values);
        EXPECT_EQ(outcome.kind, Kind::Refused);
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_EQ(outcome.programmedRows, (std::vector<int>{0, 1, 2}));
        const Strings told = run.told();
        ASSERT_EQ(told.size(), 2u);
        EXPECT_EQ(told[1], c.told);
        const Strings sent = run.fresh();
        EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                                [](const std::string& r) { return r.rfind("S 0/1", 0) == 0; }),
                  3);
        EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 2), 50);
        EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 3), 106);
    }
}

TEST(TuningSession, RefusedRequestsSendNothing) {
    Rig run;
    run.open();
    tuningSession& s = run.s();
    const sessionOutcome above = s.live(0, 128);
    EXPECT_EQ(above.code, "out-of-range");
    EXPECT_EQ(above.message.text, "Softpot Value (128) is not between 0 and 127");
    EXPECT_EQ(above.message.caption, "OUT OF RANGE");
    EXPECT_EQ(s.live(0, 50).code, "not-keyed");
    EXPECT_EQ(s.live(7, 50).code, "unsupported-point");
    EXPECT_EQ(s.select(-1).code, "unsupported-point");
    EXPECT_EQ(s.act(sessionAction::Toggle, at(0)).code, "no-such-action");
    EXPECT_TRUE(run.fresh().empty());

    // Keyed at F1, another point only becomes the selected one; its values and keying are refused.
    ASSERT_TRUE(s.key().done());
    run.fresh();
    EXPECT_TRUE(s.select(1).done());
    EXPECT_EQ(s.live(1, 50).code, "keyed-elsewhere");
    EXPECT_EQ(s.key().code, "keyed-elsewhere");
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_TRUE(s.keyed());
    // Dekeyed, keying at the selected point sets its channels first.
    ASSERT_TRUE(s.dekey().done());
    ASSERT_TRUE(s.key().done());
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "C 2000 2000", "K 1", "S 0/2: 102"}));
}

TEST(TuningSession, AWindowStepDekeysElsewhereAndADragChecksTheRadioOncePerConnection) {
    Rig run;
    run.open();
    tuningSession& s = run.s();
    ASSERT_TRUE(s.togglePtt().done());
    run.fresh();
    // A step on another point takes the transmitter off first, then prepares that point.
    EXPECT_TRUE(s.step(1, 90, stepKind::Step).done());
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "I 1", "C 2000 2000"}));
    EXPECT_FALSE(s.keyed());
    ASSERT_TRUE(s.togglePtt().done());
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 0/2: 90"}));
    // A drag keeps its connection: the radio is checked at its first position only.
    for (int v : {91, 92, 93}) EXPECT_TRUE(s.step(1, v, stepKind::Drag).done());
    s.endDrag(1);
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "S 0/2: 91", "S 0/2: 92", "S 0/2: 93"}));
    ASSERT_TRUE(s.togglePtt().done());
    EXPECT_EQ(run.fresh(), Strings{"K 0"});
}

TEST(TuningSession, HighPortableCRefusesAHighValueAboveThePointsLowValueAndProgramsTheRest) {
    const ModelTable table = defaultModelTable();
    SimProfile profile = named("portable");
    std::string model =
        std::string(1, table.formPortable) + table.seriesHigh + "T" + table.variantC + "C7B4W";
    model.resize(sim::identity::kModelLength, ' ');
    profile.modelNo = model;
    profile.softpots[softpot::TxPowerThird].supported = false;
    Rig run(profile);
    run.open();
    const sessionOutcome result =
        run.s().program(Values{80, 100, 92, 50, 50, 50, 50});  // low power is 90..96
    EXPECT_EQ(result.kind, Kind::Refused);
    EXPECT_EQ(result.message.text,
              "Program softpot 2 aborted for Transmit High Power!! softpot value above max value allowed ");
    EXPECT_EQ(result.programmedRows, (std::vector<int>{0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(result.refusedRows, (std::vector<int>{1}));
    const Strings sent = run.fresh();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "S 0/1: 100"), 0);
    EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 1), 102);
}

// The radio acknowledges a write it does not take, then answers "unsupported": that point is refused and
// not stored (also where the whole set is stored after the run); the points after it go on.
TEST(TuningSession, APointTheRadioRefusesIsNotProgrammedNorStored) {
    SimProfile withoutLimitTable = named("portable");
    withoutLimitTable.softpots[softpot::TxPowerThird].supported = false;
    for (const auto& [procedure, profile] :
         {std::pair{"tx-high-power", withoutLimitTable}, std::pair{"mod-balance-attn", named("portable")}}) {
        SCOPED_TRACE(procedure);
        Rig run(profile, procedure);
        run.open();
        const tuningRow& first = run.s().piece().rowSpec(0);
        const int before = run.record.getValue(first.recordRow, first.recordColumn);
        SimFaultRule refusal;
        refusal.kind = SimFaultKind::Unsupported;
        refusal.opcode = sim::op::Softpot;
        refusal.atRequest = run.bench.radio.requestCount() + 1;
        run.bench.radio.addFault(refusal);
        Values values;
        for (int i = 0; i < run.s().piece().rowCount(); ++i) values.push_back(20 + i);
        const sessionOutcome result = run.s().program(values);
        EXPECT_EQ(result.code, "refused");
        EXPECT_EQ(result.refusedRows, (std::vector<int>{0}));
        EXPECT_GE(result.programmedRows.size(), 1u);
        EXPECT_EQ(run.record.getValue(first.recordRow, first.recordColumn), before);
        for (const int row : result.programmedRows) {
            const tuningRow& spec = run.s().piece().rowSpec(row);
            EXPECT_EQ(run.record.getValue(spec.recordRow, spec.recordColumn), 20 + row);
        }
    }
}

TEST(TuningSession, SingleValueAndReceiveProceduresWorkAtTheirPointAndNeverKeyingOnesCloseWithTheResetOnly) {
    Rig dtmf(named("portable"), "dtmf-deviation");
    dtmf.open();
    ASSERT_EQ(dtmf.s().state().rows.size(), 1u);
    EXPECT_EQ(dtmf.s().state().rows[0].maximum, 31);
    ASSERT_TRUE(dtmf.s().key().done());
    const Strings keyed = dtmf.fresh();
    ASSERT_EQ(keyed.size(), 2u);
    EXPECT_EQ(keyed[0], "K 1");
    EXPECT_EQ(keyed[1].rfind("S 14/2: ", 0), 0u);
    dtmf.s().close();
    EXPECT_EQ(dtmf.fresh(), (Strings{"K 0", "X"}));

    Rig volume(named("portable"), "rx-rated-volume");
    volume.open();
    EXPECT_EQ(volume.s().key().code, "refused");
    EXPECT_TRUE(volume.s().live(0, 140).done());
    EXPECT_EQ(volume.fresh(), (Strings{"I 1", "C 4000 4000", "S 8/2: 140"}));
    EXPECT_EQ(volume.s().state().status, "Point 150.000000MHz is currently being tuned");
    EXPECT_TRUE(volume.s().program(Values{140}).done());
    EXPECT_EQ(volume.fresh(), (Strings{"I 1", "C 4000 4000", "S 8/1: 140"}));
    EXPECT_EQ(volume.told(), Strings{"WARNING|Commit new softpot value? Softpot Value Range(0-255)"});
    volume.s().close();
    EXPECT_EQ(volume.fresh(), Strings{"X"});
}

// --- Auto-tuned, PA bias, RSSI, battery, K and M, DAC ------------------------------------------------------

TEST(TuningSession, AutoSquelchTunesOneRowAndStoresOnlyAUsableAnswer) {
    Rig run(named("portable"), "rx-squelch-25k");
    run.open();
    std::vector<bool> box;
    run.s().setOnChange([&] { box.push_back(run.s().state().autoTuning); });
    ASSERT_TRUE(run.s().offers(sessionAction::AutoTune));
    EXPECT_TRUE(run.s().act(sessionAction::AutoTune, at(2)).done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "C 3000 3000", "A 7"}));
    EXPECT_NE(std::find(box.begin(), box.end(), true), box.end()) << "the wait box was never asked for";
    EXPECT_FALSE(run.s().state().autoTuning);
    EXPECT_EQ(run.s().state().rows[2].value, 35);
    EXPECT_EQ(run.record.getValue(row::AutoSquelch, col::Spacing25k + 2), 35);
    EXPECT_EQ(run.s().selectedRow(), 2);

    // An answer out of 1..63 (the high-power mobile settles on 0 at F4) leaves the row as it was.
    Rig zero(named("high-power-mobile"), "rx-squelch-25k");
    zero.open();
    const int before = zero.record.getValue(row::AutoSquelch, col::Spacing25k + 3);
    const sessionOutcome failed = zero.s().act(sessionAction::AutoTune, at(3));
    EXPECT_EQ(failed.code, "refused");
    EXPECT_EQ(zero.s().state().status, "Error in tuning Softpot 4");
    EXPECT_EQ(zero.record.getValue(row::AutoSquelch, col::Spacing25k + 3), before);
}

SimProfile limitsAnswering(std::vector<int64_t> answers) {
    SimProfile p = named("mobile");
    p.softpots[softpot::PaVoltageLimit].autoTune = std::move(answers);
    return p;
}

Strings pointRun(int channel) {
    const std::string c = std::to_string(channel);
    return {"C " + c + " " + c, "K 1", "A 6", "K 0"};
}

TEST(TuningSession, PaVoltageLimitRunsKeyedAtEveryPointAndStopsWhereTheRadioCannotTune) {
    Rig run(named("mobile"), "pa-voltage-limit");
    run.open();
    EXPECT_EQ(run.s().state().status, "Auto tuning of all softpots has not been done");
    EXPECT_TRUE(run.s().act(sessionAction::AutoTune, at(0)).done());
    Strings expected{"I 1", "A 6"};
    for (int channel : {400, 800, 1200, 1600, 2000, 2400, 2800}) {
        const Strings point = pointRun(channel);
        expected.insert(expected.end(), point.begin(), point.end());
    }
    EXPECT_EQ(run.fresh(), expected);
    EXPECT_EQ(run.told(), Strings{"WARNING|Auto Tune softpot values? "});
    EXPECT_EQ(run.s().state().status, "Auto tuning of all PA Voltage Limit softpots are done");
    for (int i = 0; i < 7; ++i) EXPECT_EQ(run.record.getValue(row::PaVoltageLimit, i), 101 + i);
    run.s().close();
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "X"}));

    Rig zero(limitsAnswering({101, 102, 0, 104, 105, 106, 107}), "pa-voltage-limit");
    zero.open();
    const sessionOutcome stopped = zero.s().act(sessionAction::AutoTune, at(0));
    EXPECT_EQ(stopped.code, "refused");
    Strings three{"I 1", "A 6"};
    for (int channel : {400, 800, 1200}) {
        const Strings point = pointRun(channel);
        three.insert(three.end(), point.begin(), point.end());
    }
    EXPECT_EQ(zero.fresh(), three);
    EXPECT_EQ(zero.told().back(), "ERROR|Tuning is not possible. Please check hardware!!");
    EXPECT_EQ(zero.s().state().status, "Error in tuning Softpot 3");
    EXPECT_EQ(zero.record.getValue(row::PaVoltageLimit, 1), 102);
    EXPECT_FALSE(zero.bench.radio.keyed());

    // A radio that answers the probe "unsupported" gets nothing else.
    Rig unsupported(named("mobile"), "pa-voltage-limit");
    unsupported.open();
    unsupported.fault(SimFaultKind::Unsupported, sim::op::AutoTune);
    EXPECT_EQ(unsupported.s().act(sessionAction::AutoTune, at(0)).code, "refused");
    EXPECT_EQ(unsupported.fresh(), (Strings{"I 1", "A 6"}));
    EXPECT_EQ(unsupported.told(), Strings{"ERROR|PA Voltage Limit Auto Tuning Unsupported!!"});
}

TEST(TuningSession, PaBiasTogglesZeroTheirSetsAndProgramKeepsTheKeyAndNamesWhatWasWritten) {
    Rig high(named("portable"), "pa-bias-high");
    high.open();
    tuningSession& s = high.s();
    ASSERT_EQ(s.state().rows.size(), 4u);
    // The voltage comes first: its toggle only; no row takes a value yet.
    EXPECT_TRUE(s.state().rows[0].actionEnabled);
    EXPECT_FALSE(s.state().rows[2].actionEnabled);
    EXPECT_EQ(s.live(2, 5).code, "refused");
    EXPECT_TRUE(s.act(sessionAction::Toggle, at(0)).done());
    EXPECT_EQ(high.fresh(), (Strings{"I 1", "S 6/2: 0", "S 18/2: 0", "S 20/2: 0", "S 27/2: 0"}));
    EXPECT_TRUE(s.live(0, 64).done());
    EXPECT_EQ(high.fresh(), (Strings{"I 1", "S 6/2: 64"}));
    EXPECT_EQ(s.act(sessionAction::Toggle, at(2)).code, "refused");  // locked while the voltage is on
    EXPECT_TRUE(s.act(sessionAction::Toggle, at(0)).done());
    EXPECT_TRUE(high.fresh().empty());

    const sessionOutcome stopped = s.program(Values{99, 50, 60, 200});
    EXPECT_EQ(stopped.code, "out-of-range");
    EXPECT_EQ(high.fresh(), (Strings{"I 1", "S 18/1: 50", "S 20/1: 60"}));
    EXPECT_EQ(high.told(),
              (Strings{"WARNING|Commit new softpot value?",
                       "ERROR|Program softpots aborted for PA Bias High Power!! Illegal softpot value\n\n"
                       "Bias 1 and Bias 2 were programmed into the radio before the stop."}));
    EXPECT_EQ(high.record.getValue(row::PaBias, col::PaBiasSecondHigh), 60);

    Rig low(named("portable"), "pa-bias-low");
    low.open();
    // The voltage's toggle turned on and off again frees the others; at low power bias 1 zeroes only itself.
    EXPECT_TRUE(low.s().act(sessionAction::Toggle, at(0)).done());
    EXPECT_TRUE(low.s().act(sessionAction::Toggle, at(0)).done());
    low.fresh();
    EXPECT_TRUE(low.s().act(sessionAction::Toggle, at(1)).done());
    EXPECT_EQ(low.fresh(), (Strings{"I 1", "S 18/2: 0"}));
    EXPECT_TRUE(low.s().program(Values{0, 40, 41, 42}).done());
    EXPECT_EQ(low.fresh(), (Strings{"I 1", "S 18/1: 40", "S 20/1: 41", "S 27/1: 42"}));
    EXPECT_EQ(low.told().back(), "NOTE|PA Bias Low softpot values commited !!");

    // A high-power mobile is keyed at its test channel for the whole session; Program does not dekey it.
    Rig mobile(named("high-power-mobile-n"), "pa-bias-high");
    ASSERT_NE(mobile.session, nullptr) << mobile.text;
    ASSERT_TRUE(mobile.s().open().done());
    EXPECT_EQ(mobile.fresh(), (Strings{"I 1", "T 9 2 2", "c 20000", "K 1", "S 20/2: 0", "S 0/2: 255"}));
    EXPECT_TRUE(mobile.s().keyed());
    EXPECT_EQ(mobile.s().state().status, "Radio is currently keyed up at 500.000000MHz");
    const std::vector<std::optional<int>> values(mobile.s().state().rows.size(), 10);
    mobile.s().program(values);
    EXPECT_TRUE(mobile.bench.radio.keyed());
    mobile.s().close();
    const Strings closing = mobile.fresh();
    EXPECT_EQ(Strings(closing.end() - 2, closing.end()), (Strings{"K 0", "X"}));
    EXPECT_FALSE(mobile.bench.radio.keyed());

    // The Default variant takes the radio out of every test mode and reminds of the supply at closing.
    Rig fallback(named("portable"), "pa-bias-high-default");
    ASSERT_TRUE(fallback.s().open().done());
    EXPECT_EQ(fallback.fresh(), (Strings{"I 1", "K 0", "X"}));
    fallback.s().close();
    EXPECT_EQ(fallback.told(), Strings{"NOTE|Please Set Supply Voltage Back to 7.5V"});
}

TEST(TuningSession, RssiUpdateHasTheRadioTakeAThresholdAndReadsThemAgain) {
    Rig run(named("portable"), "rx-rssi");
    run.open();
    ASSERT_EQ(run.s().state().rows.size(), 3u);
    EXPECT_EQ(run.s().state().rows[2].reading, -51);
    for (int col = 0; col < col::RssiCount; ++col) run.record.setValue(row::Rssi, col, 0);
    EXPECT_TRUE(run.s().act(sessionAction::Update, at(1)).done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "S 26/1: 1", "S 26/3", "S 25/0"}));
    // Every row shows the thresholds and levels read again.
    EXPECT_EQ(run.s().state().rows[1].value, 100);
    EXPECT_EQ(run.s().state().rows[2].reading, -51);
    run.s().close();
    EXPECT_EQ(run.fresh(), Strings{"X"});
}

TEST(TuningSession, BatteryProgramsTheMeasurementOnlyNearTheStoredThreshold) {
    for (int measured : {56, 88, 55, 89}) {
        SCOPED_TRACE(measured);
        SimProfile profile = named("lowband-mobile");
        profile.batterySupply = static_cast<std::uint8_t>(measured);
        Rig run(profile, "battery-threshold",
                [](radioStorage& r) { r.setValue(row::Parameters, col::BatteryThreshold, 72); });
        ASSERT_TRUE(run.s().open().done());
        EXPECT_EQ(run.fresh(), (Strings{"I 1", "T 9 2 2"}));
        const bool accepted = measured >= 56 && measured <= 88;
        EXPECT_EQ(run.s().program().done(), accepted);
        EXPECT_EQ(run.fresh(), accepted ? (Strings{"S 10/3", "S 10/1: 1"}) : Strings{"S 10/3"});
        EXPECT_EQ(run.told(), Strings{accepted ? "NOTE|Battery Treshold softpot values commited !!"
                                               : "NOTE|Incorrect supply voltage setting"});
        EXPECT_EQ(run.record.getValue(row::Parameters, col::BatteryThreshold), accepted ? measured : 72);
    }
}

TEST(TuningSession, KAndMKeysAtTheSelectedLevelAndProgramsPairsComputedFromTheReadings) {
    Rig run(named("lowband-mobile"), "tx-mobile-power");
    ASSERT_NE(run.session, nullptr) << run.text;
    ASSERT_TRUE(run.s().open().done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "T 1 2 2", "T 129 2 2", "C 400 400"}));
    tuningSession& s = run.s();
    EXPECT_EQ(s.state().rows[0].entry, "23.971");
    EXPECT_TRUE(s.step(1, 0, stepKind::Value).done());  // Power 1 of F2
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "C 800 800"}));
    EXPECT_TRUE(s.togglePtt().done());
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 6/2: 127", "S 0/2: 180"}));
    EXPECT_TRUE(s.step(8, 0, stepKind::Value).done());  // Power 2 of the keyed point: level L2, still keyed
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "S 0/2: 90"}));
    EXPECT_TRUE(s.step(2, 0, stepKind::Value).done());  // another point: dekey first
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "I 1", "C 1200 1200"}));

    // A reading that gives no pair stops Program before anything is sent.
    s.act(sessionAction::Reading, at(3, "4.0"));
    s.act(sessionAction::Reading, at(10, "9999"));
    EXPECT_EQ(s.program().code, "out-of-range");
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_EQ(run.told().back(), "NOTE|Incorrect power measurement in F4!!");
    s.act(sessionAction::Reading, at(10, "1.0"));
    EXPECT_TRUE(s.program().done());
    const Strings written = run.fresh();
    EXPECT_EQ(written.front(), "I 1");
    EXPECT_EQ(written.back(), "C 1200 1200");
    EXPECT_EQ(std::count_if(written.begin(), written.end(),
                            [](const std::string& r) { return r.rfind("S 17/1", 0) == 0; }),
              7);
    EXPECT_EQ(run.told().back(), "NOTE|Softpots have been successfully written to the radio!!");
}

TEST(TuningSession, DacSendsNothingDekeyedStoresKeyedValuesAndWarnsAtClosing) {
    Rig run(named("lowband-mobile"), "tx-dac");
    ASSERT_NE(run.session, nullptr) << run.text;
    ASSERT_TRUE(run.s().open().done());
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "T 1 0 2", "T 129 0 2", "C 2800 2800"}));
    EXPECT_EQ(run.record.getValue(row::TxDacMarker, col::TxDacMarker), 1);
    tuningSession& s = run.s();
    EXPECT_TRUE(s.step(0, 150, stepKind::Step).done());
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_EQ(run.record.getValue(row::MobilePower, col::LowBandTxDacFirst), 180);
    EXPECT_EQ(s.program().code, "refused");  // the DAC programs nothing itself
    EXPECT_TRUE(s.togglePtt().done());
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 6/2: 127", "S 0/2: 150"}));
    EXPECT_TRUE(s.step(1, 10, stepKind::Value).done());  // the other DAC: dekeyed first, as the window does
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "I 1", "C 2800 2800"}));
    EXPECT_TRUE(s.togglePtt().done());
    EXPECT_EQ(run.record.getValue(row::MobilePower, col::LowBandTxDacSecond), 10);
    s.close();
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 6/2: 127", "S 0/2: 10", "K 0", "X"}));
    EXPECT_EQ(run.told(), Strings{std::string("WARINING|") + transmitDacPiece::kWarningText});
}

// --- What the windows ask of the session ------------------------------------------------------------------

TEST(TuningSession, AWindowsHeldValueKeysWithoutBeingSentAndReloadsCountOnlyRereads) {
    Rig run;
    ASSERT_NE(run.session, nullptr) << run.text;
    tuningSession& s = run.s();
    const int before = s.state().reloads;
    run.open();
    const int opened = s.state().reloads;
    EXPECT_GT(opened, before);
    // A step the window kept back (dropped before a dekey) is only taken: nothing reaches the radio, and
    // the next key-up sends it at its row. Rows that do not exist are ignored.
    s.setWorkingValue(1, 42);
    s.setWorkingValue(99, 1);
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_EQ(s.selectedRow(), 1);
    EXPECT_EQ(s.state().reloads, opened);
    EXPECT_TRUE(s.togglePtt().done());
    const Strings keyed = run.fresh();
    ASSERT_FALSE(keyed.empty());
    EXPECT_EQ(keyed.back(), "S 0/2: 42");
    EXPECT_EQ(s.state().reloads, opened);  // steps, keying and values keep what a window shows
    EXPECT_TRUE(s.dekey().done());
}

TEST(TuningSession, AClosingWithoutNotesStillDekeysResetsAndWarns) {
    // The DAC's closing note is left out for a window torn down; the radio is tidied all the same.
    Rig quiet(named("lowband-mobile"), "tx-dac");
    ASSERT_NE(quiet.session, nullptr) << quiet.text;
    quiet.open();
    EXPECT_TRUE(quiet.s().step(0, 250, stepKind::Step).done());
    EXPECT_TRUE(quiet.s().togglePtt().done());
    quiet.fresh();
    quiet.s().close(false);
    EXPECT_EQ(quiet.fresh(), (Strings{"K 0", "X"}));
    EXPECT_TRUE(quiet.told().empty());
    EXPECT_FALSE(quiet.bench.radio.keyed());

    // A dekey the radio does not confirm is still warned of.
    Rig keyed;
    keyed.open();
    EXPECT_TRUE(keyed.s().togglePtt().done());
    keyed.fault(SimFaultKind::Silence, sim::op::Key, sim::key::Dekey);
    keyed.s().close(false);
    EXPECT_EQ(keyed.told(), Strings{std::string(message::WarningCaption) + "|" + message::StillKeyed});
}

TEST(TuningSession, APaBiasToggleTheWindowLocksIsRefusedWithNothingSent) {
    // The window frees the voltage's toggle first; a locked toggle takes no click, and no script either.
    Rig run(test::profileNamed("portable"), "pa-bias-high");
    ASSERT_NE(run.session, nullptr) << run.text;
    run.open();
    tuningSession& s = run.s();
    ASSERT_FALSE(s.state().rows[2].actionEnabled);
    EXPECT_EQ(s.act(sessionAction::Toggle, at(2)).code, "refused");
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_TRUE(run.told().empty());
    EXPECT_TRUE(s.act(sessionAction::Toggle, at(0)).done());
    EXPECT_TRUE(s.act(sessionAction::Toggle, at(0)).done());  // off again: every toggle is free
    run.fresh();
    EXPECT_TRUE(s.act(sessionAction::Toggle, at(2)).done());
    EXPECT_FALSE(run.fresh().empty());
    EXPECT_TRUE(s.state().rows[2].enabled);
}

TEST(TuningSession, AFailedOpeningOfAProcedureThatTellsFailuresInItsStatusSaysItThereToo) {
    Rig run(named("lowband-mobile"), "tx-mobile-power");
    ASSERT_NE(run.session, nullptr) << run.text;
    run.fault(SimFaultKind::Silence, sim::op::TestMode);
    EXPECT_EQ(run.s().open().kind, Kind::LinkFailed);
    EXPECT_EQ(run.s().state().status, message::LinkError);
    EXPECT_EQ(run.told(), Strings{std::string(message::ErrorCaption) + "|" + message::LinkError});
}

TEST(TuningSession, TheConfiguredPortResetsTheRadioAndAGonePortIsNoError) {
    Rig run;
    run.open();
    EXPECT_TRUE(run.s().togglePtt().done());
    run.fresh();
    EXPECT_TRUE(resetConfiguredRadio());
    EXPECT_EQ(run.fresh(), Strings{"X"});
    EXPECT_FALSE(run.bench.radio.keyed());
    run.fault(SimFaultKind::Disconnect, std::nullopt);
    EXPECT_FALSE(resetConfiguredRadio());
}

// --- Safety ----------------------------------------------------------------------------------------------

TEST(TuningSession, ALinkFailureWhileKeyedDekeysFirstAndWarnsWhenTheDekeyIsNotConfirmed) {
    for (const bool dekeyAnswered : {true, false}) {
        SCOPED_TRACE(dekeyAnswered ? "dekey answered" : "dekey unanswered");
        Rig run;
        run.open();
        ASSERT_TRUE(run.s().key().done());
        run.fresh();
        run.fault(SimFaultKind::Silence, sim::op::Softpot);
        if (!dekeyAnswered)
            run.fault(SimFaultKind::Silence, sim::op::Key, sim::key::Dekey);
        const sessionOutcome failed = run.s().live(0, 101);
        EXPECT_EQ(failed.kind, Kind::LinkFailed);
        EXPECT_FALSE(failed.detail.empty());
        EXPECT_EQ(failed.stillKeyed, !dekeyAnswered);
        EXPECT_EQ(run.s().keyed(), !dekeyAnswered);
        const Strings told = run.told();
        ASSERT_FALSE(told.empty());
        EXPECT_EQ(told[0], "ERROR|Radio Communication Error!!");
        EXPECT_EQ(told.size(), dekeyAnswered ? 1u : 2u);
        if (!dekeyAnswered) {
            EXPECT_EQ(told[1], std::string("WARNING|") + message::StillKeyed);
        }
        const Strings sent = run.fresh();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "K 0") > 0, true) << "no dekey after the failure";
        // The closing rule: dekey, then the reset even though the dekey may fail again.
        const closingOutcome closed = run.s().close();
        EXPECT_EQ(closed.dekeyConfirmed, dekeyAnswered);
        EXPECT_TRUE(closed.resetConfirmed);
        EXPECT_EQ(run.fresh().back(), "X");
        EXPECT_FALSE(run.bench.radio.keyed());
    }
}

// A close asked for during a loop stops it after the exchange in progress; closing then dekeys and resets.
TEST(TuningSession, ACloseDuringARunOrProgramStopsAfterTheExchangeInProgress) {
    Rig limit(named("mobile"), "pa-voltage-limit");
    limit.open();
    // Two points' runs are heard, then the close: the third point is not keyed.
    limit.stopAfter = limit.bench.radio.requestCount() + 2 + 8;
    const sessionOutcome stopped = limit.s().act(sessionAction::AutoTune, at(0));
    EXPECT_EQ(stopped.kind, Kind::Stopped);
    Strings two{"I 1", "A 6"};
    for (int channel : {400, 800}) {
        const Strings point = pointRun(channel);
        two.insert(two.end(), point.begin(), point.end());
    }
    EXPECT_EQ(limit.fresh(), two);
    EXPECT_FALSE(limit.s().state().autoTuning);
    limit.s().close();
    EXPECT_EQ(limit.fresh(), (Strings{"K 0", "X"}));

    Rig power;
    power.open();
    ASSERT_TRUE(power.s().key().done());
    power.fresh();
    power.stopAfter = power.bench.radio.requestCount() + 1 + 1 + 2 * 2;  // check, dekey, two points
    const sessionOutcome program = power.s().program(Values(7, 50));
    EXPECT_EQ(program.kind, Kind::Stopped);
    EXPECT_EQ(program.programmedRows, (std::vector<int>{0, 1}));
    EXPECT_EQ(power.record.getValue(row::TxPower, col::TxPowerHigh + 1), 50);
    power.s().close();
    EXPECT_TRUE(power.bench.radio.keyed() == false && !power.bench.radio.testMode().has_value());
}

// A stop signal of the link context ends the action before the next exchange; the radio is left as it was
// (here keyed, in a run) for the caller's closing, which dekeys and resets it.
TEST(TuningSession, AStopSignalEndsTheActionAndLeavesTheKeyedRadioToTheClosing) {
    Rig run(named("mobile"), "pa-voltage-limit");
    run.open();
    const unsigned keyedAt = run.bench.radio.requestCount() + 4;  // check, probe, channels, key-up
    LinkContext context = linkContext();
    context.stopSignal = [&] { return run.bench.radio.requestCount() >= keyedAt ? SIGINT : 0; };
    sessionOutcome stopped;
    {
        ScopedLinkContext scope(context);
        stopped = run.s().act(sessionAction::AutoTune, at(0));
    }
    EXPECT_EQ(stopped.kind, Kind::Stopped);
    EXPECT_EQ(stopped.signal, SIGINT);
    EXPECT_EQ(run.fresh(), (Strings{"I 1", "A 6", "C 400 400", "K 1"}));
    EXPECT_TRUE(run.s().keyed());
    EXPECT_TRUE(run.bench.radio.keyed());
    EXPECT_TRUE(run.s().close().safe());
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "X"}));
    EXPECT_FALSE(run.bench.radio.keyed());
}

TEST(TuningSession, AMismatchCancelledAtOpeningSendsNothingMoreEvenAtClosing) {
    Rig run;
    run.record.setSerialNo("OTHER00001");
    run.prompt.answer(PromptAnswer::Cancel);
    const sessionOutcome opened = run.s().open();
    EXPECT_EQ(opened.kind, Kind::Mismatch);
    EXPECT_EQ(opened.mismatch, sessionOutcome::MismatchEnd::Cancelled);
    EXPECT_EQ(opened.connectedSerial, run.bench.radio.profile().serialNo);
    const Strings told = run.told();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind("WARNING|Serial No. mismatch!! Read in new radio?\n\nRadio connected: ", 0), 0u);
    run.s().close();
    EXPECT_EQ(run.fresh(), Strings{"I 1"});

    // With a re-read on OK, the radio connected comes in and the procedure opens on it.
    Rig reread;
    reread.record.setSerialNo("OTHER00001");
    reread.environment.reread = [&] {
        test::RecordingProgress progress;
        radioOperations().readRadio(reread.record, progress);
    };
    reread.session = tuningSession::create("tx-high-power", reread.environment);
    const sessionOutcome again = reread.s().open();
    EXPECT_TRUE(again.done());
    EXPECT_TRUE(reread.s().isOpen());
    EXPECT_EQ(reread.fresh().back(), "C 1000 1000");
}

TEST(TuningSession, ABusyPortSendsNothingAndSaysSo) {
    Rig run;
    run.environment.openConnection = []() -> std::unique_ptr<EnhancedSBEP> {
        throw PortInUseError(PortOpenCause::Busy, "COM1", "held by another program");
    };
    run.session = tuningSession::create("tx-high-power", run.environment);
    const sessionOutcome opened = run.s().open();
    EXPECT_EQ(opened.kind, Kind::PortBusy);
    EXPECT_EQ(run.told().front(), std::string(" WARNING|") + kPortInUseText);
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_TRUE(run.s().close().safe());
}

// --- Utilities -------------------------------------------------------------------------------------------

TEST(TuningSession, TheUtilitiesAreSessionsToo) {
    Rig serial(named("blank-serial"), "serial-program");
    ASSERT_NE(serial.session, nullptr) << serial.text;
    ASSERT_TRUE(serial.s().open().done());
    serial.fresh();
    EXPECT_EQ(serial.s().act(sessionAction::Update, at(0)).code, "refused");  // nothing typed yet
    serial.s().act(sessionAction::Reading, at(0, "PT00000042"));
    EXPECT_TRUE(serial.s().act(sessionAction::Update, at(0)).done());
    EXPECT_EQ(serial.fresh().size(), 2u);  // the check, then the write
    EXPECT_EQ(serial.bench.radio.profile().serialNo, "PT00000042");
    EXPECT_EQ(serial.told().back(), "NOTE|Serial No. has been successfully programmed !!");
    EXPECT_TRUE(serial.s().close().safe());
    EXPECT_TRUE(serial.fresh().empty());

    Rig reading(named("portable"), "temp-comp-read");
    ASSERT_TRUE(reading.s().open().done());
    const auto readouts = reading.s().state().readouts;
    ASSERT_EQ(readouts.size(), 1u);
    EXPECT_EQ(readouts[0].second.size(), 8u);

    Rig writing(named("portable"), "temp-comp-write");
    ASSERT_TRUE(writing.s().open().done());
    writing.s().act(sessionAction::Reading, at(0, "1a2B3c4D"));
    EXPECT_TRUE(writing.s().program().done());
    EXPECT_EQ(writing.record.getValue(row::Frequency, col::TempCompFirst), 0x1A);
    EXPECT_EQ(writing.told().back(), "NOTE|Temp Comp data has been written in successfully !!");
}

TEST(TuningSession, TheUtilitiesOpenAsTheirWindowsDo) {
    // Writing temp comp opens without the port: a port another program holds is only told at Program.
    Rig writing(named("portable"), "temp-comp-write");
    int opened = 0;
    writing.environment.openConnection = [&]() -> std::unique_ptr<EnhancedSBEP> {
        ++opened;
        throw PortInUseError(PortOpenCause::Busy, "COM1", "held by another program");
    };
    writing.session = tuningSession::create("temp-comp-write", writing.environment);
    ASSERT_TRUE(writing.s().open().done());
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(writing.told().empty());
    writing.s().act(sessionAction::Reading, at(0, "00112233"));
    EXPECT_EQ(writing.s().program().kind, Kind::PortBusy);
    EXPECT_EQ(writing.told(), Strings{"ERROR|Error writing in Temp Comp data !!"});

    // A radio with a serial number on the cable of a blank record: OK to the question reads it in, with the
    // port free for the read, and the utility does not open.
    Rig serial(named("portable"), "serial-program", [](radioStorage& r) { r.setSerialNo("          "); });
    serial.environment.reread = [&] {
        test::RecordingProgress progress;
        EXPECT_EQ(radioOperations().readRadio(serial.record, progress), radioOperations::kReadOk);
    };
    serial.session = tuningSession::create("serial-program", serial.environment);
    EXPECT_FALSE(serial.s().open().done());
    EXPECT_EQ(serial.told(), Strings{"WARNING|Radio has been changed!! Read in new radio?"});
    EXPECT_EQ(serial.record.serialNoBytes(), serial.bench.radio.profile().serialNo);
    EXPECT_TRUE(serial.s().close().safe());
}

TEST(TuningSession, TheBasebandOffsetsFindTheirFileAndStayWithTheRadioTheyWereReadFrom) {
    namespace fs = std::filesystem;
    const fs::path settings = fs::temp_directory_path() / ("vantrel-bbo-" + std::to_string(::getpid()));
    fs::create_directories(settings / "program");
    fs::copy_file(fs::path(VANTREL_SIM_TEST_PROFILES) / "bbo.cfg", settings / "bbo.cfg",
                  fs::copy_options::overwrite_existing);
    // No configuration is given: the session loads the first bbo.cfg of the data folders, the settings first.
    Rig run(named("bbo-codeplug"), "bbo-update");
    run.environment.settingsDirectory = settings.string();
    run.environment.programDirectory = (settings / "program").string();
    run.environment.reread = [&] {
        test::RecordingProgress progress;
        radioOperations().readRadio(run.record, progress);
    };
    run.session = tuningSession::create("bbo-update", run.environment);
    ASSERT_TRUE(run.s().open().done()) << (run.told().empty() ? "" : run.told().front());
    const auto& piece = dynamic_cast<const basebandPiece&>(run.s().piece());
    EXPECT_EQ(piece.configurationFile(), (settings / "bbo.cfg").string());
    ASSERT_GT(run.s().state().rows.size(), 1u);

    // Another radio answers at Update: OK reads it in, and the choices made for the first go nowhere.
    run.s().act(sessionAction::Reading, at(1, "1500 Hz"));
    run.record.setSerialNo("SOMEBODY01");
    run.fresh();
    run.told();
    const sessionOutcome update = run.s().act(sessionAction::Update, at(0));
    EXPECT_EQ(update.kind, Kind::Mismatch);
    EXPECT_EQ(update.mismatch, sessionOutcome::MismatchEnd::Reread);
    EXPECT_TRUE(run.s().state().closeWanted);
    const Strings sent = run.fresh();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& r) { return r[0] == 'P'; }), 0);
    fs::remove_all(settings);
}

TEST(TuningSession, ProgramAndEveryActionThatReachesTheRadioIsOneServiceEvent) {
    CollectingHistorySink sink;
    ScopedHistorySink installed(&sink);
    auto kinds = [&sink] {
        std::vector<std::string> out;
        for (const ServiceEvent& e : sink.events())
            out.push_back(std::string(eventKindName(e.kind)) + " " + e.subject + " " + e.outcome);
        sink.clear();
        return out;
    };

    Rig high;
    high.open();
    const int before = high.record.getValue(row::TxPower, col::TxPowerHigh);
    EXPECT_EQ(high.s().live(0, 5000).code, "out-of-range");  // refused before the port: no event
    Values working;
    for (const sessionRowState& row : high.s().state().rows) working.emplace_back(row.value);
    working[0] = before + 3;
    ASSERT_TRUE(high.s().program(working).done());
    ASSERT_EQ(sink.events().size(), 1u);
    const EventValue* f1 = sink.events()[0].value("Transmit High Power F1");
    ASSERT_TRUE(f1);
    EXPECT_EQ(f1->before, before);
    EXPECT_EQ(f1->after, before + 3);
    EXPECT_EQ(kinds(), Strings{"program Transmit High Power ok"});
    // Stopped at its second point by a rule: recorded as refused with what reached the radio.
    EXPECT_EQ(high.s().program(Values{before, std::nullopt}).code, "empty-value");
    ASSERT_EQ(sink.events().size(), 1u);
    const std::string shown = high.told().back();
    EXPECT_EQ(sink.events()[0].detail, shown.substr(shown.find('|') + 1));
    EXPECT_EQ(kinds(), Strings{"program Transmit High Power refused"});
    high.s().close();
    EXPECT_TRUE(kinds().empty());

    Rig squelch(named("portable"), "rx-squelch-25k");
    squelch.open();
    EXPECT_TRUE(squelch.s().act(sessionAction::AutoTune, at(2)).done());
    EXPECT_EQ(kinds(), Strings{"program " + std::string(catalogueTitle("rx-squelch-25k")) + " ok"});

    // The serial number under the new number; typing an entry is no event.
    Rig serial(named("blank-serial"), "serial-program");
    ASSERT_TRUE(serial.s().open().done());
    serial.s().act(sessionAction::Reading, at(0, "PT00000042"));
    EXPECT_TRUE(kinds().empty());
    EXPECT_TRUE(serial.s().act(sessionAction::Update, at(0)).done());
    ASSERT_EQ(sink.events().size(), 1u);
    EXPECT_EQ(sink.events()[0].serial, "PT00000042");
    EXPECT_EQ(kinds(), Strings{"utility Program Serial No. ok"});

    Rig writing(named("portable"), "temp-comp-write");
    ASSERT_TRUE(writing.s().open().done());
    writing.s().act(sessionAction::Reading, at(0, "1a2B3c4D"));
    EXPECT_TRUE(writing.s().program().done());
    ASSERT_EQ(sink.events().size(), 1u);
    EXPECT_EQ(sink.events()[0].values.size(), 4u);
    EXPECT_EQ(sink.events()[0].values[0].after, 0x1A);
    EXPECT_EQ(kinds(), Strings{"utility Temp Comp Data Write ok"});
}

// --- Catalogue -------------------------------------------------------------------------------------------

TEST(ProcedureCatalogue, NamesAreUniqueStableInFormAndEveryRowOpensASession) {
    std::set<std::string> names;
    std::set<int> commands;
    for (const catalogueEntry& e : catalogue()) {
        const std::string n = e.name;
        EXPECT_TRUE(std::all_of(n.begin(), n.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        })) << n;
        EXPECT_TRUE(names.insert(n).second) << n;
        EXPECT_NE(e.commandId, 0) << n;
        EXPECT_NE(std::string(e.title), "") << n;
        EXPECT_NE(e.makePiece, nullptr) << n;
        if (e.kind != catalogueKind::Variant)
            EXPECT_TRUE(commands.insert(e.commandId).second) << n;
        else
            EXPECT_NE(catalogueForCommand(e.commandId), nullptr) << n;
    }
    EXPECT_EQ(names.size(), 32u);  // 26 procedures, 2 variants, 4 utility windows
    EXPECT_EQ(std::string(catalogueForCode(36)->childCaption()), "PA Bias Default (High Power)");

    Rig portable;
    EXPECT_EQ(tuningSession::create("no-such-procedure", portable.environment, &portable.why), nullptr);
    EXPECT_EQ(portable.why, tuningSession::refusal::UnknownName);
    Rig mobile(named("mobile"), "tx-high-power");
    EXPECT_EQ(mobile.session, nullptr);
    EXPECT_EQ(mobile.why, tuningSession::refusal::NotOnThisRadio);
    EXPECT_NE(mobile.text.find("Transmit High Power"), std::string::npos);
}

}  // namespace
}  // namespace vantrel

// The tuning engine against the simulated radio in virtual time: the request sequences of opening,
// selecting, keying, live writes, Program and closing, the refusals that send nothing, and the procedure
// table scripts name procedures by.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimBench.h"
#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/procedureTable.h"
#include "operations/radioOperations.h"
#include "operations/tuningEngine.h"
#include "radio/ModelTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "sim/SimProtocol.h"

namespace vantrel {
namespace {

using test::SimBench;
using Strings = std::vector<std::string>;
using Values = std::vector<std::optional<int>>;

/// A radio read into the record, with the read's requests forgotten, and the engine of one procedure.
struct EngineRun {
    explicit EngineRun(SimProfile profile, const std::string& name = "tx-high-power")
        : bench(std::move(profile)) {
        test::RecordingProgress progress;
        radioOperations ops;
        read = ops.readRadio(record, progress) == radioOperations::kReadOk;
        engine = makeEngine(name, record, &refusal, &text);
        bench.radio.transcript().clear();
    }
    Strings sent() const { return bench.requests(); }
    /// Requests since the last call.
    Strings fresh() {
        Strings all = bench.requests();
        Strings out(all.begin() + std::ptrdiff_t(std::min(seen, all.size())), all.end());
        seen = all.size();
        return out;
    }
    void silence(std::uint8_t opcode) {
        SimFaultRule rule;
        rule.kind = SimFaultKind::Silence;
        rule.opcode = opcode;
        rule.times = 0;
        bench.radio.addFault(rule);
    }

    SimBench bench;
    radioStorage record;
    bool read = false;
    engineRefusal refusal = engineRefusal::None;
    std::string text;
    std::unique_ptr<tuningEngine> engine;
    size_t seen = 0;
};

/// The refusal `action` throws; fails the test when it throws none.
template <class Action>
valueRefused refusalOf(Action action) {
    try {
        action();
    } catch (const valueRefused& refused) {
        return refused;
    }
    ADD_FAILURE() << "the engine let the value through";
    return {};
}

SimProfile portable() {
    return test::profileNamed("portable");
}

TEST(TuningEngine, HighPowerOnThePortableOpensSelectsKeysWritesLiveProgramsAndCloses) {
    EngineRun run(portable());
    ASSERT_TRUE(run.read);
    ASSERT_NE(run.engine, nullptr) << run.text;
    cominit link;
    tuningEngine& e = *run.engine;

    e.open(link);
    EXPECT_EQ(run.fresh(), (Strings{"T 1 0 2", "T 129 0 2", "C 1000 1000"}));
    ASSERT_EQ(e.points().size(), 7u);
    EXPECT_EQ(e.points()[2].label, "F3");
    EXPECT_TRUE(e.points()[2].supported);
    EXPECT_EQ(e.points()[2].recordValue, 104);
    EXPECT_EQ(e.points()[2].maximum, 127);
    EXPECT_GT(e.points()[2].frequencyMhz, 100.0);
    EXPECT_TRUE(e.keys());
    EXPECT_FALSE(e.liveWhileDekeyed());

    // Dekeyed, a live value of a keying procedure only selects the point: nothing goes on the air.
    e.live(2, 110, link);
    EXPECT_EQ(run.fresh(), (Strings{"C 3000 3000"}));
    e.key(link);
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 0/2: 110"}));
    EXPECT_TRUE(e.keyed());
    EXPECT_TRUE(run.bench.radio.keyed());
    e.live(2, 111, link);
    EXPECT_EQ(run.fresh(), (Strings{"S 0/2: 111"}));
    EXPECT_EQ(run.bench.radio.liveValue(softpot::TxPower, 0, 2), 111);

    // Program dekeys, writes every point at its own channels and returns to the selected point.
    Values values;
    for (int i = 0; i < 7; ++i) values.push_back(60 + i);
    const tuningEngine::programResult result = e.program(values, link);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.programmedRows, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    const Strings program = run.fresh();
    ASSERT_EQ(program.size(), 16u);
    EXPECT_EQ(program.front(), "K 0");
    EXPECT_EQ(program[1], "C 1000 1000");
    EXPECT_EQ(program[2], "S 0/1: 60");
    EXPECT_EQ(program.back(), "C 3000 3000");
    EXPECT_FALSE(e.keyed());
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + i), 60 + i);
        EXPECT_EQ(run.bench.radio.programmedValue(softpot::TxPower, 0, i), 60 + i);
    }

    EXPECT_TRUE(e.close(link));
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "X"}));
    EXPECT_TRUE(e.resetConfirmed());
}

TEST(TuningEngine, RefusedValuesSendNothing) {
    EngineRun run(portable());
    ASSERT_NE(run.engine, nullptr);
    cominit link;
    tuningEngine& e = *run.engine;
    e.open(link);
    run.fresh();

    const valueRefused above = refusalOf([&] { e.live(0, 128, link); });
    EXPECT_EQ(above.text, "Softpot Value (128) is not between 0 and 127");
    EXPECT_EQ(above.caption, "OUT OF RANGE");
    EXPECT_THROW(e.live(0, -1, link), valueRefused);
    EXPECT_THROW(e.live(7, 50, link), valueRefused);
    EXPECT_THROW(e.selectRow(-1, link), valueRefused);
    EXPECT_TRUE(run.fresh().empty());

    // Keyed at F1, another point's live value is refused: the transmitter is not moved behind the script.
    e.key(link);
    run.fresh();
    EXPECT_EQ(refusalOf([&] { e.live(1, 50, link); }).text, tuningEngine::kKeyedElsewhereText);
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_TRUE(e.keyed());

    // Program checks every value before anything goes out, keyed or not, with the screen's texts.
    Values values(7, 50);
    values[3] = 200;
    const valueRefused illegal = refusalOf([&] { e.program(values, link); });
    EXPECT_EQ(illegal.text, "Program softpots aborted for Transmit High Power!! Illegal softpot value");
    EXPECT_EQ(illegal.caption, "ERROR");
    values[3] = std::nullopt;
    const valueRefused empty = refusalOf([&] { e.program(values, link); });
    EXPECT_EQ(empty.text, "Please enter a valid Transmit High Power softpot value!!");
    EXPECT_EQ(empty.caption, "NOTE");
    // Too few values count as empty boxes.
    EXPECT_THROW(e.program(Values(3, 50), link), valueRefused);
    EXPECT_TRUE(run.fresh().empty());
    EXPECT_TRUE(e.keyed());
    EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 3), 106);
}

TEST(TuningEngine, CloseTriesTheResetEvenWhenTheDekeyFails) {
    EngineRun run(portable());
    ASSERT_NE(run.engine, nullptr);
    cominit link;
    tuningEngine& e = *run.engine;
    e.open(link);
    e.key(link);
    run.fresh();
    run.silence(sim::op::Key);
    // The dekey that goes unanswered leaves the engine counting the radio as keyed.
    EXPECT_THROW(e.dekey(link), Exception);
    EXPECT_TRUE(e.keyed());
    run.fresh();

    EXPECT_FALSE(e.close(link));
    const Strings closing = run.fresh();
    ASSERT_FALSE(closing.empty());
    EXPECT_EQ(closing.back(), "X");
    EXPECT_EQ(closing.front(), "K 0");
    EXPECT_TRUE(e.resetConfirmed());
    // The reset took the radio out of test mode and off the air.
    EXPECT_FALSE(run.bench.radio.keyed());
}

TEST(TuningEngine, HighPortableCRefusesAHighValueAboveThePointsLowValueAndProgramsTheRest) {
    const ModelTable table = defaultModelTable();
    SimProfile profile = test::profileNamed("portable");
    std::string model =
        std::string(1, table.formPortable) + table.seriesHigh + "T" + table.variantC + "C7B4W";
    model.resize(sim::identity::kModelLength, ' ');
    profile.modelNo = model;
    profile.softpots[softpot::TxPowerThird].supported = false;
    EngineRun run(profile);
    ASSERT_NE(run.engine, nullptr) << run.text;
    cominit link;
    run.engine->open(link);
    run.fresh();
    const Values values{80, 100, 92, 50, 50, 50, 50};  // low power is 90..96
    const tuningEngine::programResult result = run.engine->program(values, link);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.refusedText,
              "Program softpot 2 aborted for Transmit High Power!! softpot value above max value allowed ");
    EXPECT_EQ(result.programmedRows, (std::vector<int>{0, 2, 3, 4, 5, 6}));
    const Strings sent = run.fresh();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "S 0/1: 100"), 0);
    EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 1), 102);
    EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 2), 92);
}

// The radio acknowledges a softpot write and answers "unsupported" when it does not take it: that point is
// not programmed, the record keeps its value (also where the whole set is stored after the run), and the
// points after it are not taken for refused.
TEST(TuningEngine, APointTheRadioRefusesIsNotProgrammedNorStored) {
    SimProfile withoutLimitTable = portable();
    withoutLimitTable.softpots[softpot::TxPowerThird].supported = false;
    struct Case {
        const char* procedure;
        SimProfile profile;
    };
    for (const Case& c : {Case{"tx-high-power", withoutLimitTable}, Case{"mod-balance-attn", portable()}}) {
        SCOPED_TRACE(c.procedure);
        EngineRun run(c.profile, c.procedure);
        ASSERT_NE(run.engine, nullptr) << run.text;
        tuningEngine& e = *run.engine;
        cominit link;
        e.open(link);
        ASSERT_TRUE(e.rowSupported(0));
        const tuningRow& first = e.rowSpec(0);
        const int before = run.record.getValue(first.recordRow, first.recordColumn);
        // The first softpot write of the run (point 1's) is refused.
        SimFaultRule refusal;
        refusal.kind = SimFaultKind::Unsupported;
        refusal.opcode = sim::op::Softpot;
        refusal.atRequest = run.bench.radio.requestCount() + 1;
        run.bench.radio.addFault(refusal);

        Values values;
        for (int i = 0; i < e.rowCount(); ++i) values.push_back(e.rowSupported(i) ? 20 + i : 0);
        tuningEngine::programResult progress;
        const tuningEngine::programResult result = e.program(values, link, &progress);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.refusedRows, (std::vector<int>{0}));
        EXPECT_EQ(result.refusedText, e.refusedText(1, false));
        EXPECT_EQ(std::count(result.programmedRows.begin(), result.programmedRows.end(), 0), 0);
        EXPECT_GE(result.programmedRows.size(), 1u);
        EXPECT_EQ(progress.programmedRows, result.programmedRows);
        EXPECT_FALSE(progress.failedRow.has_value());
        EXPECT_EQ(run.record.getValue(first.recordRow, first.recordColumn), before);
        for (const int row : result.programmedRows)
            EXPECT_EQ(run.record.getValue(e.rowSpec(row).recordRow, e.rowSpec(row).recordColumn), 20 + row);
    }
}

// A link failure part-way: the progress tells the rows that reached the radio and the one in progress.
TEST(TuningEngine, ALinkFailurePartWayLeavesTheProgressOfTheRun) {
    EngineRun run(portable());
    ASSERT_NE(run.engine, nullptr) << run.text;
    tuningEngine& e = *run.engine;
    cominit link;
    e.open(link);
    run.fresh();
    // Not keyed: each point is a channel request, then its write; the third point's write goes unanswered.
    SimFaultRule silence;
    silence.kind = SimFaultKind::Silence;
    silence.atRequest = run.bench.radio.requestCount() + 6;
    silence.times = 0;
    run.bench.radio.addFault(silence);
    tuningEngine::programResult progress;
    EXPECT_THROW(e.program(Values(7, 50), link, &progress), Exception);
    EXPECT_EQ(progress.programmedRows, (std::vector<int>{0, 1}));
    EXPECT_EQ(progress.failedRow, 2);
    EXPECT_EQ(run.record.getValue(row::TxPower, col::TxPowerHigh + 1), 50);
    EXPECT_NE(run.record.getValue(row::TxPower, col::TxPowerHigh + 2), 50);
}

TEST(TuningEngine, SingleValueProceduresKeyAtTheirOnePoint) {
    EngineRun run(portable(), "dtmf-deviation");
    ASSERT_NE(run.engine, nullptr) << run.text;
    cominit link;
    tuningEngine& e = *run.engine;
    e.open(link);
    run.fresh();
    ASSERT_EQ(e.points().size(), 1u);
    EXPECT_EQ(e.points()[0].maximum, 31);
    // A single-value procedure keys at its one point like its screen; dekeyed, a live value only selects
    // the point's channels.
    e.live(0, 20, link);
    const Strings selected = run.fresh();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0][0], 'C');
    e.key(link);
    EXPECT_EQ(run.fresh(), (Strings{"K 1", "S 14/2: 20"}));
    EXPECT_TRUE(e.close(link));
    EXPECT_EQ(run.fresh(), (Strings{"K 0", "X"}));
}

TEST(TuningEngine, ProceduresThatNeverKeyWriteLiveAtOnceAndCloseWithTheResetOnly) {
    EngineRun rx(portable(), "rx-rated-volume");
    ASSERT_NE(rx.engine, nullptr) << rx.text;
    cominit link;
    tuningEngine& v = *rx.engine;
    EXPECT_FALSE(v.keys());
    EXPECT_TRUE(v.liveWhileDekeyed());
    v.open(link);
    rx.fresh();
    EXPECT_THROW(v.key(link), valueRefused);
    v.live(0, 200, link);
    const Strings live = rx.fresh();
    ASSERT_FALSE(live.empty());
    EXPECT_EQ(live.back().rfind("S 8/2", 0), 0u) << live.back();
    EXPECT_TRUE(v.close(link));
    EXPECT_EQ(rx.fresh(), (Strings{"X"}));
}

TEST(TuningEngine, MakeEngineRefusesUnknownUnscriptableAndAbsentProcedures) {
    EngineRun run(portable(), "no-such-procedure");
    EXPECT_EQ(run.engine, nullptr);
    EXPECT_EQ(run.refusal, engineRefusal::UnknownName);
    EXPECT_NE(run.text.find("no-such-procedure"), std::string::npos);

    std::string text;
    engineRefusal why = engineRefusal::None;
    EXPECT_EQ(makeEngine("pa-bias-high", run.record, &why, &text), nullptr);
    EXPECT_EQ(why, engineRefusal::NotScriptable);
    EXPECT_FALSE(text.empty());
    // A procedure only its window can tune is refused as such, whatever the radio.
    EXPECT_EQ(makeEngine("tx-mobile-power", run.record, &why, &text), nullptr);
    EXPECT_EQ(why, engineRefusal::NotScriptable);

    // A mobile tunes its power on its own screen: the portable power procedures are not on it.
    EngineRun mobile(test::profileNamed("mobile"), "tx-high-power");
    EXPECT_EQ(mobile.engine, nullptr);
    EXPECT_EQ(mobile.refusal, engineRefusal::NotOnThisRadio);
    EXPECT_NE(mobile.text.find("Transmit High Power"), std::string::npos);
}

TEST(TuningEngine, EveryProcedureNameIsUniqueStableInFormAndNamesAMenuCommand) {
    const std::vector<procedureInfo>& names = procedureNames();
    ASSERT_GE(names.size(), 20u);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& n = names[i].name;
        EXPECT_TRUE(std::all_of(n.begin(), n.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        })) << n;
        EXPECT_NE(n.front(), '-');
        EXPECT_NE(names[i].commandId, 0) << n;
        EXPECT_FALSE(names[i].title.empty()) << n;
        for (size_t j = i + 1; j < names.size(); ++j) {
            EXPECT_NE(n, names[j].name);
            EXPECT_NE(names[i].commandId, names[j].commandId);
        }
    }
}

}  // namespace
}  // namespace vantrel

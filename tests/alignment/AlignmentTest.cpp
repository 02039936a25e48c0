// The automatic alignment against the simulated radio in virtual time: each strategy from a mis-tuned
// profile to within tolerance, the plan of each profile, and the failure paths (no convergence, a dead
// instrument, a stop) ending with nothing programmed, the radio dekeyed and reset.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "SimBench.h"
#include "alignment/alignment.h"
#include "instruments/InstrumentError.h"
#include "instruments/Instruments.h"
#include "link/cominit.h"
#include "operations/radioOperations.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

/// The five bench roles read straight off the simulated radio (no sockets: virtual time), with
/// adjustable noise and a failure after a number of readings.
class DirectBench : public PowerMeter,
                    public FrequencyCounter,
                    public ModulationAnalyser,
                    public SignalGenerator,
                    public PowerSupply {
  public:
    explicit DirectBench(SimRadio& radio) : m_radio(radio) {}
    std::string identity() override { return "direct"; }
    std::string describe() const override { return "direct"; }
    double watts() override { return noisy(m_radio.outputWatts(), wattsNoise); }
    double carrierHz() override {
        const auto hz = m_radio.carrierHz();
        if (!hz)
            throw InstrumentError(InstrumentError::Kind::NoSignal, "no carrier");
        return noisy(*hz, 0);
    }
    DeviationReading deviation() override {
        const auto d = m_radio.deviation();
        if (!d)
            throw InstrumentError(InstrumentError::Kind::NoSignal, "no carrier");
        return {noisy(d->first, 0), d->second};
    }
    void setFrequency(double hz) override { gen.first = hz; }
    void setLevel(double dbm) override { gen.second = dbm; }
    void setFm(double, double) override {}
    void setOutput(bool on) override {
        generatorOn = on;
        m_radio.setRfInput(on ? std::optional(gen) : std::nullopt);
    }
    std::optional<double> readFrequency() override { return gen.first; }
    void setVolts(double v) override {
        setVoltsCalls.push_back(v);
        supplyVolts = v;
        m_radio.setSupplyVolts(v);
    }
    double volts() override { return noisy(supplyVolts, 0); }
    double amps() override { return noisy(m_radio.supplyAmps(), 0); }

    double wattsNoise = 0;         ///< standard deviation, relative
    std::optional<int> failAfter;  ///< readings before the instruments time out
    int readings = 0;
    std::pair<double, double> gen{150e6, -60};
    bool generatorOn = false;
    double supplyVolts = 7.5;
    std::vector<double> setVoltsCalls;

  private:
    double noisy(double v, double relative) {
        if (failAfter && readings >= *failAfter)
            throw InstrumentError(InstrumentError::Kind::Timeout, "the instrument did not answer");
        ++readings;
        if (relative <= 0)
            return v;
        std::normal_distribution<double> d(0.0, std::fabs(v) * relative);
        return v + d(m_random);
    }
    SimRadio& m_radio;
    std::mt19937 m_random{7};
};

/// A radio read, its bench, and the run's environment.
struct Rig {
    explicit Rig(const std::string& profile, const std::string& json = {})
        : Rig(json.empty() ? test::profileNamed(profile) : profileWith(profile, json)) {}
    explicit Rig(SimProfile profile) : sim(std::move(profile)), bench(sim.radio) {
        test::RecordingProgress progress;
        read = radioOperations().readRadio(record, progress) == radioOperations::kReadOk;
        environment.session.record = &record;
        environment.session.openConnection = [] { return std::make_unique<cominit>(); };
        environment.bench = {&bench, &bench, &bench, &bench, &bench};
    }
    static SimProfile profileWith(const std::string& name, const std::string& json) {
        SimProfile p = test::profileNamed(name);
        SimProfile over = SimProfile::fromJson(json, "test");
        // Only the parts the test names move over.
        if (json.find("\"power\"") != std::string::npos)
            p.power = over.power;
        return p;
    }
    alignmentPlan plan(planOptions options = {}) {
        return makeAlignmentPlan(record, environment.bench, environment.targets, options);
    }
    alignmentReport run(const std::vector<std::string>& only) {
        planOptions o;
        o.only = only;
        return runAlignment(plan(o), environment);
    }
    const procedureResult* result(const alignmentReport& r, const std::string& name) {
        for (const procedureResult& p : r.procedures)
            if (p.procedure == name)
                return &p;
        return nullptr;
    }
    /// The requests since the transcript was last cleared.
    std::vector<std::string> requests() const { return sim.requests(); }

    test::SimBench sim;
    DirectBench bench;
    radioStorage record;
    bool read = false;
    alignmentEnvironment environment;
};

std::string describe(const procedureResult& p) {
    std::string s = p.procedure + " " + procedureEndName(p.end) + " " + p.text;
    for (const alignmentRow& r : p.rows)
        s += "\n  " + r.label + " " + (r.before ? std::to_string(*r.before) : "-") + " -> " +
             (r.after ? std::to_string(*r.after) : "-") + (r.withinTolerance ? " ok" : " OUT");
    return s;
}

/// The radio was left dekeyed and out of test mode.
void expectSafe(Rig& rig) {
    EXPECT_FALSE(rig.sim.radio.keyed());
    EXPECT_FALSE(rig.sim.radio.testMode().has_value());
}

/// Collects the values sent live per row.
struct Steps : alignmentObserver {
    void stepTaken(const std::string&, const std::string& label, int value, std::optional<double>) override {
        values[label].push_back(value);
    }
    std::map<std::string, std::vector<int>> values;
};

// --- Each strategy, on a whole radio
// ------------------------------------------------------------------------

TEST(Alignment, EveryAutomaticProcedureOfAMisTunedRadioEndsWithinToleranceAndProgrammed) {
    for (const std::string profile : {"portable", "mobile"}) {
        SCOPED_TRACE(profile);
        Rig rig(profile);
        ASSERT_TRUE(rig.read);
        const alignmentPlan plan = rig.plan();
        const alignmentReport report = runAlignment(plan, rig.environment);
        ASSERT_EQ(report.procedures.size(), plan.steps.size());
        int aligned = 0;
        for (size_t i = 0; i < plan.steps.size(); ++i) {
            const procedureResult& p = report.procedures[i];
            SCOPED_TRACE(describe(p));
            if (plan.steps[i].mode != planMode::Automatic) {
                EXPECT_EQ(p.end, procedureEnd::Skipped);
                continue;
            }
            ++aligned;
            EXPECT_EQ(p.end, procedureEnd::Aligned);
            EXPECT_TRUE(p.programmed);
            ASSERT_FALSE(p.rows.empty());
            const auto target = rig.environment.targets.targetFor(p.procedure, plan.group);
            for (const alignmentRow& r : p.rows) {
                EXPECT_TRUE(r.withinTolerance) << r.label;
                // Closed-loop rows: the reading is the target's within the tolerance.
                if (r.measured && r.target && r.unit != "dBm" && r.unit != "V") {
                    EXPECT_LE(std::fabs(*r.measured - *r.target), target->tolerance) << r.label;
                }
            }
        }
        EXPECT_TRUE(report.allAligned());
        EXPECT_GE(aligned, 15);
        expectSafe(rig);
    }
}

TEST(Alignment, PowerMovesFromTheMisTunedValuesAndTheRecordHoldsWhatWasProgrammed) {
    Rig rig("portable");
    const alignmentReport report = rig.run({"tx-high-power"});
    const procedureResult* p = rig.result(report, "tx-high-power");
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->end, procedureEnd::Aligned) << describe(*p);
    ASSERT_EQ(p->rows.size(), 7u);
    for (int point = 1; point <= 7; ++point) {
        const alignmentRow& r = p->rows[size_t(point - 1)];
        EXPECT_NE(r.before, r.after);
        // The stored value now gives the target power on the radio itself.
        const double watts = rig.sim.radio.profile().power.watts(*r.after, point - 1);
        EXPECT_NEAR(watts, 5.0, 0.15) << r.label;
        EXPECT_LE(r.steps, 12);
    }
}

std::vector<std::optional<int>> recordValues(Rig& rig, const std::string& name);

TEST(Alignment, PaBiasSetsEachBiasToItsCurrentAboveTheZeroedBiasInTheWindowsToggleOrder) {
    Rig rig("portable");
    rig.sim.radio.transcript().clear();
    const alignmentReport report = rig.run({"pa-bias-high", "pa-bias-low"});
    const std::map<int, SimCurve>& curves = rig.sim.radio.profile().bench.biasAmps;
    for (const std::string name : {"pa-bias-high", "pa-bias-low"}) {
        const procedureResult* p = rig.result(report, name);
        ASSERT_NE(p, nullptr) << name;
        ASSERT_EQ(p->end, procedureEnd::Aligned) << describe(*p);
        EXPECT_TRUE(p->programmed);
        ASSERT_FALSE(p->rows.empty());
        for (const alignmentRow& r : p->rows) {
            EXPECT_EQ(r.unit, "A");
            ASSERT_TRUE(r.after && r.measured) << r.label;
            EXPECT_NEAR(*r.measured, 0.1, 0.01) << r.label;
            EXPECT_LE(r.steps, 14) << r.label;
        }
    }
    // Each value stored draws the target current on the radio itself; only the high set zeroes every
    // bias, so at high power one bias at a time is above zero while tuned.
    std::map<int, std::int64_t> live;
    bool highDone = false;
    for (const SimEvent& e : rig.sim.radio.transcript().entries()) {
        if (e.kind != SimEventKind::State)
            continue;
        if (e.topic == SimTopic::ProgrammedValue && curves.count(e.softpot)) {
            EXPECT_NEAR(curves.at(e.softpot).at(e.value), 0.1, 0.011) << e.text;
        }
        if (e.topic == SimTopic::ProgrammedValue)
            highDone = true;
        if (e.topic == SimTopic::Reset)
            live.clear();
        if (e.topic != SimTopic::LiveValue || !curves.count(e.softpot))
            continue;
        live[e.softpot] = e.value;
        if (!highDone) {
            int above = 0;
            for (const auto& [softpot, value] : live) above += value > 0;
            EXPECT_LE(above, 1) << e.text;
        }
    }
    EXPECT_TRUE(highDone);
    expectSafe(rig);
}

TEST(Alignment, ABiasThatDrawsNothingEndsNotConvergedWithBoundedRisesAndNothingStored) {
    SimProfile profile = test::profileNamed("portable");
    profile.bench.biasAmps[softpot::PaBiasFirst] = SimCurve{{{0, 0.0}, {255, 0.0}}};
    Rig rig(std::move(profile));
    Steps steps;
    rig.environment.observer = &steps;
    const auto before = recordValues(rig, "pa-bias-high");
    rig.sim.radio.transcript().clear();
    const alignmentReport report = rig.run({"pa-bias-high"});
    const procedureResult* p = rig.result(report, "pa-bias-high");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->end, procedureEnd::NotConverged) << describe(*p);
    EXPECT_FALSE(p->programmed);
    EXPECT_EQ(recordValues(rig, "pa-bias-high"), before);
    EXPECT_TRUE(rig.sim.radio.transcript().filter(SimEventKind::State, SimTopic::ProgrammedValue).empty());
    ASSERT_FALSE(steps.values.empty());
    for (const auto& [label, values] : steps.values)
        for (size_t i = 1; i < values.size(); ++i) EXPECT_LE(values[i] - values[i - 1], 16) << label;
    expectSafe(rig);
}

// --- The plan
// -----------------------------------------------------------------------------------------------

TEST(Alignment, ThePlanOfEachProfileFollowsTheBenchOrderAndTheInstrumentsPresent) {
    const std::vector<std::string> order = alignmentProcedureNames();
    for (const std::string profile : {"portable", "mobile", "high-power-mobile", "high-power-mobile-k",
                                      "lowband-mobile", "single-point"}) {
        SCOPED_TRACE(profile);
        Rig rig(profile);
        ASSERT_TRUE(rig.read);
        const alignmentPlan full = rig.plan();
        ASSERT_FALSE(full.steps.empty());
        size_t last = 0;
        for (const planStep& s : full.steps) {
            const size_t at = size_t(std::find(order.begin(), order.end(), s.procedure) - order.begin());
            ASSERT_LT(at, order.size());
            EXPECT_GE(at, last) << s.procedure << " out of order";
            last = at;
            EXPECT_NE(s.mode, planMode::Skipped) << s.procedure << ": " << s.note;
            // A checklist row names one procedure: PA bias high and low share a window title.
            EXPECT_EQ(std::count_if(full.steps.begin(), full.steps.end(),
                                    [&](const planStep& o) { return o.title == s.title; }),
                      1)
                << s.title;
        }
        // Without instruments every step is manual: the technician is told what to connect.
        rig.environment.bench = {};
        for (const planStep& s : rig.plan().steps) {
            EXPECT_EQ(s.mode, planMode::Manual) << s.procedure;
            EXPECT_FALSE(s.note.empty());
        }
        rig.environment.bench = {&rig.bench, &rig.bench, &rig.bench, &rig.bench, &rig.bench};
        planOptions o;
        o.only = {"ref-osc-warp", "rx-rssi"};
        o.program = false;
        for (const planStep& s : rig.plan(o).steps)
            EXPECT_EQ(s.mode == planMode::Automatic, s.procedure == "ref-osc-warp") << s.procedure;
    }
    Rig portable("portable");
    EXPECT_EQ(portable.plan().group, "portable");
    EXPECT_EQ(portable.plan().steps.front().procedure, "ref-osc-warp");
    EXPECT_EQ(portable.plan().steps.back().procedure, "battery-threshold");
}

// --- Safety
// -------------------------------------------------------------------------------------------------

/// The record's values of every row of a procedure, as a session shows them.
std::vector<std::optional<int>> recordValues(Rig& rig, const std::string& name) {
    ScriptedPrompt prompt;
    sessionEnvironment env = rig.environment.session;
    env.prompt = &prompt;
    auto s = tuningSession::create(name, env);
    std::vector<std::optional<int>> out;
    for (const sessionRowState& r : s->state().rows) out.push_back(r.recordValue);
    return out;
}

TEST(Alignment, NoiseLargerThanTheToleranceEndsNotConvergedWithNothingProgrammed) {
    Rig rig("portable");
    rig.bench.wattsNoise = 0.25;  // far beyond the 3 % tolerance
    const auto before = recordValues(rig, "tx-high-power");
    rig.sim.radio.transcript().clear();
    const alignmentReport report = rig.run({"tx-high-power"});
    const procedureResult* p = rig.result(report, "tx-high-power");
    EXPECT_EQ(p->end, procedureEnd::NotConverged) << describe(*p);
    EXPECT_FALSE(p->programmed);
    EXPECT_FALSE(report.allAligned());
    EXPECT_EQ(recordValues(rig, "tx-high-power"), before);
    // Nothing was written for keeps (function 1), the last request resets the radio.
    for (const std::string& r : rig.requests()) EXPECT_EQ(r.rfind("S 0/1", 0), std::string::npos) << r;
    ASSERT_FALSE(rig.requests().empty());
    EXPECT_EQ(rig.requests().back(), "X");
    expectSafe(rig);
}

TEST(Alignment, ASoftpotThatDoesNothingEndsNotConvergedWithBoundedRisesAndNothingProgrammed) {
    // The amplifier gives the same 1 W whatever the softpot says.
    Rig rig("portable", R"({"power": {"rated": 5.0, "curve": [[0, 0.2], [255, 0.2]]}})");
    Steps steps;
    rig.environment.observer = &steps;
    const auto before = recordValues(rig, "tx-high-power");
    const alignmentReport report = rig.run({"tx-high-power", "tx-low-power"});
    const procedureResult* p = rig.result(report, "tx-high-power");
    EXPECT_EQ(p->end, procedureEnd::NotConverged) << describe(*p);
    EXPECT_FALSE(p->programmed);
    EXPECT_EQ(recordValues(rig, "tx-high-power"), before);
    // The next procedure still ran (it reaches its own 1 W target here).
    EXPECT_EQ(rig.result(report, "tx-low-power")->end, procedureEnd::NotConverged);
    ASSERT_FALSE(steps.values.empty());
    for (const auto& [label, values] : steps.values)
        for (size_t i = 1; i < values.size(); ++i) EXPECT_LE(values[i] - values[i - 1], 16) << label;
    expectSafe(rig);
}

TEST(Alignment, AnInstrumentFailingMidRunRestoresTheLiveValueAndProgramsNothing) {
    Rig rig("portable");
    rig.bench.failAfter = 5;  // the meter dies at the second point
    const auto before = recordValues(rig, "tx-high-power");
    rig.sim.radio.transcript().clear();
    const alignmentReport report = rig.run({"tx-high-power", "dtmf-deviation"});
    const procedureResult* p = rig.result(report, "tx-high-power");
    EXPECT_EQ(p->end, procedureEnd::InstrumentFailed) << describe(*p);
    EXPECT_FALSE(p->programmed);
    EXPECT_EQ(recordValues(rig, "tx-high-power"), before);
    // The point in progress got its value back while still keyed, then the radio was dekeyed and reset.
    const std::vector<std::string> r = rig.requests();
    const auto dekey = std::find(r.begin(), r.end(), "K 0");
    ASSERT_NE(dekey, r.end());
    EXPECT_NE(std::find(dekey, r.end(), "X"), r.end());
    EXPECT_EQ(rig.result(report, "dtmf-deviation")->end, procedureEnd::InstrumentFailed);
    EXPECT_FALSE(rig.bench.generatorOn);
    expectSafe(rig);
}

TEST(Alignment, AStopMidRunEndsTheProcedureDekeyedAndResetAndRunsNothingMore) {
    Rig rig("portable");
    const unsigned start = rig.sim.radio.requestCount();
    rig.environment.stopRequested = [&] { return rig.sim.radio.requestCount() >= start + 12; };
    rig.environment.stopSignal = [] { return 15; };
    const auto before = recordValues(rig, "tx-high-power");
    const alignmentReport report = rig.run({"tx-high-power", "tx-low-power"});
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.stopSignal, 15);
    EXPECT_EQ(rig.result(report, "tx-high-power")->end, procedureEnd::Stopped);
    EXPECT_EQ(rig.result(report, "tx-low-power")->end, procedureEnd::Skipped);
    EXPECT_EQ(recordValues(rig, "tx-high-power"), before);
    EXPECT_FALSE(report.allAligned());
    expectSafe(rig);
}

TEST(Alignment, WithoutProgramTheValuesAreFoundAndNothingIsStored) {
    Rig rig("portable");
    rig.environment.program = false;
    const auto before = recordValues(rig, "dtmf-deviation");
    const alignmentReport report = rig.run({"dtmf-deviation"});
    const procedureResult* p = rig.result(report, "dtmf-deviation");
    EXPECT_EQ(p->end, procedureEnd::Aligned) << describe(*p);
    EXPECT_FALSE(p->programmed);
    EXPECT_EQ(p->rows.front().after, 24);  // 3 kHz on the simulated DTMF curve
    EXPECT_EQ(recordValues(rig, "dtmf-deviation"), before);
    expectSafe(rig);
}

TEST(Alignment, ManualStepsTakeTypedReadingsAndADeclinedReadingSkipsTheProcedure) {
    Rig rig("portable");
    rig.environment.bench = {};
    std::vector<std::string> asked;
    // The technician reads the "meter" off the radio and types it; declines the second procedure.
    rig.environment.manualReading = [&](const manualRequest& r) -> std::optional<double> {
        asked.push_back(r.procedure + " " + r.unit);
        if (r.procedure == "dtmf-deviation")
            return std::nullopt;
        return rig.sim.radio.carrierHz().value_or(0);
    };
    const alignmentReport report = rig.run({"ref-osc-warp", "dtmf-deviation"});
    EXPECT_EQ(rig.result(report, "ref-osc-warp")->end, procedureEnd::Aligned);
    EXPECT_EQ(rig.result(report, "dtmf-deviation")->end, procedureEnd::Skipped);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), "ref-osc-warp Hz");
    expectSafe(rig);
}

// --- Targets
// ------------------------------------------------------------------------------------------------

TEST(AlignmentTargets, AShopFileOverridesPerGroupAndBadLinesAreNamed) {
    const alignmentTargets t = alignmentTargets::parse(
        "# shop\n[tx-high-power]\ntolerance = 0.05\n[tx-high-power portable]\ntarget = 4.5\n", "shop.conf");
    EXPECT_EQ(t.targetFor("tx-high-power", "portable")->target, 4.5);
    EXPECT_EQ(t.targetFor("tx-high-power", "portable")->tolerance, 0.05);
    EXPECT_EQ(t.targetFor("tx-high-power", "high-power-mobile")->target, 50);  // the built-in group value
    EXPECT_EQ(t.targetFor("tx-high-power", "portable")->maxRise, 16);
    EXPECT_FALSE(t.targetFor("rx-rated-volume", "portable"));
    struct Bad {
        const char* text;
        const char* message;
    } bad[] = {
        {"[tx-high-power]\ntarget = five\n", "shop.conf:2: target needs a number"},
        {"target = 5\n", "shop.conf:1: a value before the first section"},
        {"[tx-high-power base]\n", "shop.conf:1: 'base' is no model group"},
        {"[tx-high-power]\nspeed = 5\n", "shop.conf:2: 'speed' is no alignment key"},
        {"[rx-rssi]\nlevels-dbm = -200\n", "shop.conf:2: a generator level"},
        {"[tx-high-power]\nmax-steps = 0\n", "shop.conf:2: max-steps is a whole number"},
        {"[tx-high-power]\ntolerance = nan\n", "shop.conf:2: tolerance needs a number"},
    };
    for (const Bad& b : bad) {
        try {
            alignmentTargets::parse(b.text, "shop.conf");
            ADD_FAILURE() << b.text;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(b.message, 0), 0u) << e.what();
        }
    }
}

}  // namespace
}  // namespace vantrel

// The automatic alignment against the simulated radio in virtual time: each strategy from a mis-tuned
// profile to within tolerance, the plan of each profile, and the failure paths (no convergence, a dead
// instrument, a stop) ending with nothing programmed, the radio dekeyed and reset.
#include <gtest/gtest.h>

#include <random>

#include "SimBench.h"
#include "alignment/alignment.h"
#include "instruments/InstrumentError.h"
#include "instruments/Instruments.h"
#include "link/cominit.h"
#include "operations/radioOperations.h"
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

    double wattsNoise = 0;  ///< standard deviation, relative
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
        : sim(json.empty() ? test::profileNamed(profile) : profileWith(profile, json)), bench(sim.radio) {
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
             (r.after ? std::to_string(*r.after) : "-") + " measured " +
             (r.measured ? std::to_string(*r.measured) : "-") + (r.withinTolerance ? " ok" : " OUT") + " steps " +
             std::to_string(r.steps);
    return s;
}

TEST(AlignmentSmoke, WholePortable) {
    Rig rig("portable");
    ASSERT_TRUE(rig.read);
    const alignmentPlan plan = rig.plan();
    for (const planStep& s : plan.steps)
        std::cout << s.procedure << " " << planModeName(s.mode) << " " << alignmentKindName(s.kind) << " " << s.note
                  << "\n";
    const alignmentReport report = runAlignment(plan, rig.environment);
    for (const procedureResult& p : report.procedures) std::cout << describe(p) << "\n";
}

}  // namespace
}  // namespace vantrel
namespace vantrel { namespace {
TEST(AlignmentSmoke, Bias) {
    Rig rig("portable");
    ScriptedPrompt prompt;
    sessionEnvironment env = rig.environment.session;
    env.prompt = &prompt;
    auto s = tuningSession::create("pa-bias-high", env);
    auto say = [&](const char* what, const sessionOutcome& o) { std::cout << what << " " << int(o.kind) << " " << o.message.text << "\n"; };
    say("open", s->open());
    for (auto& r : s->state().rows) std::cout << r.label << " en " << r.enabled << " act " << r.actionEnabled << " sup " << r.supported << "\n";
    say("toggle", s->act(sessionAction::Toggle, {0, {}, {}}));
    for (auto& r : s->state().rows) std::cout << r.label << " en " << r.enabled << " act " << r.actionEnabled << "\n";
    say("select", s->select(0));
    for (auto& r : s->state().rows) std::cout << r.label << " en " << r.enabled << " act " << r.actionEnabled << "\n";
    say("key", s->key());
    say("live", s->live(0, 80));
    std::cout << rig.bench.amps() << " keys " << s->piece().keys() << "\n";
    s->close();
}
}}

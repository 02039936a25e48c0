// The whole-radio plan and the alignment strategies over the tuning session and the bench instruments.
#include "alignment/alignment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "instruments/InstrumentError.h"
#include "instruments/Instruments.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "operations/kmPowerPiece.h"
#include "operations/paBiasPiece.h"
#include "operations/procedureCatalogue.h"
#include "operations/procedurePieces.h"
#include "radio/RecordLayout.h"
#include "radio/kmPowerModel.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace {

struct kindEntry {
    const char* name;
    alignmentKind kind;
};

// The order of a service bench: reference oscillator, transmit power, deviation, receive, battery.
constexpr kindEntry kOrder[] = {
    {"ref-osc-warp", alignmentKind::Frequency},
    {"tx-high-power", alignmentKind::Power},
    {"tx-low-power", alignmentKind::Power},
    {"tx-mobile-power", alignmentKind::MobilePower},
    {"tx-dac", alignmentKind::ManualOnly},
    {"pa-voltage-limit", alignmentKind::AutoTuneRun},
    {"pa-bias-high", alignmentKind::BiasCurrent},
    {"pa-bias-low", alignmentKind::BiasCurrent},
    {"pa-bias-rx-mode", alignmentKind::ManualOnly},
    {"mod-balance-attn", alignmentKind::Deviation},
    {"vco-attn-12k5", alignmentKind::Deviation},
    {"vco-attn-20k", alignmentKind::Deviation},
    {"vco-attn-25k", alignmentKind::Deviation},
    {"dtmf-deviation", alignmentKind::Deviation},
    {"qdt1200-deviation", alignmentKind::Deviation},
    {"hss-deviation", alignmentKind::Deviation},
    {"select5-deviation", alignmentKind::Deviation},
    {"mpt1327-deviation", alignmentKind::Deviation},
    {"rx-front-end-filter", alignmentKind::FrontEndPeak},
    {"rx-squelch-12k5", alignmentKind::AutoTune},
    {"rx-squelch-20k", alignmentKind::AutoTune},
    {"rx-squelch-25k", alignmentKind::AutoTune},
    {"rx-rssi", alignmentKind::Rssi},
    {"rx-rated-volume", alignmentKind::ManualOnly},
    {"rx-rated-volume-brightline", alignmentKind::ManualOnly},
    {"battery-threshold", alignmentKind::BatteryVoltage},
};

/// The instrument a kind needs, in words, and whether the bench has it.
std::pair<std::string, bool> instrumentOf(alignmentKind kind, const alignmentBench& b) {
    switch (kind) {
        case alignmentKind::Power:
        case alignmentKind::MobilePower:
            return {"power meter", b.meter != nullptr};
        case alignmentKind::Frequency:
            return {"frequency counter", b.counter != nullptr};
        case alignmentKind::Deviation:
            return {"modulation analyser", b.analyser != nullptr};
        case alignmentKind::AutoTune:
        case alignmentKind::AutoTuneRun:
        case alignmentKind::Rssi:
        case alignmentKind::FrontEndPeak:
            return {"signal generator", b.generator != nullptr};
        case alignmentKind::BiasCurrent:
        case alignmentKind::BatteryVoltage:
            return {"power supply", b.supply != nullptr};
        case alignmentKind::ManualOnly:
            break;
    }
    return {"", false};
}

/// What the technician is told for a step whose instrument is missing.
std::string manualNote(alignmentKind kind) {
    switch (kind) {
        case alignmentKind::Power:
        case alignmentKind::MobilePower:
            return "connect a power meter to the antenna connector and type its readings in W";
        case alignmentKind::Frequency:
            return "connect a frequency counter and type the carrier in Hz";
        case alignmentKind::Deviation:
            return "connect a modulation analyser and type the peak deviation in Hz";
        case alignmentKind::AutoTune:
        case alignmentKind::AutoTuneRun:
        case alignmentKind::Rssi:
        case alignmentKind::FrontEndPeak:
            return "connect a signal generator and set it as told, then press Enter";
        case alignmentKind::BiasCurrent:
            return "power the radio from a supply with a current meter and type the current in A";
        case alignmentKind::BatteryVoltage:
            return "set the supply to the voltage told, then press Enter";
        case alignmentKind::ManualOnly:
            break;
    }
    return "no instrument measures it: tune it on its screen";
}

std::string format(const char* pattern, double v) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

std::string formatReading(double v, const std::string& unit) {
    if (unit == "W" || unit == "V")
        return format("%.3f", v) + " " + unit;
    if (unit == "A")
        return format("%.4f", v) + " " + unit;
    return format("%.1f", v) + (unit.empty() ? "" : " " + unit);
}

/// The technician declined to type a reading: the procedure is skipped (restored, nothing programmed).
struct readingDeclined {};
/// A session action that did not come to its end.
struct sessionFailed {
    sessionOutcome outcome;
};
/// A stop between two steps.
struct runStopped {
    int signal = 0;
};
/// A point that could not be brought within tolerance.
struct notConverged {
    std::string text;
};

/// The prompt of a run: the run is the technician's consent, so questions are answered OK; messages go
/// to the observer.
class runPrompt : public UserPrompt {
  public:
    explicit runPrompt(alignmentObserver* observer) : m_observer(observer) {}
    PromptAnswer show(const PromptMessage& message) override {
        if (m_observer && !message.text.empty())
            m_observer->note(message.text);
        last = message.text;
        return message.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
    std::string last;

  private:
    alignmentObserver* m_observer;
};

/// Instruments whose readings the technician types (manual steps).
class typedBench : public PowerMeter,
                   public FrequencyCounter,
                   public ModulationAnalyser,
                   public SignalGenerator,
                   public PowerSupply {
  public:
    typedBench(std::function<std::optional<double>(const manualRequest&)> ask, std::string procedure)
        : m_ask(std::move(ask)), m_procedure(std::move(procedure)) {}
    std::string label;  ///< the row being measured

    std::string identity() override { return "typed by the technician"; }
    std::string describe() const override { return "the technician"; }
    double watts() override { return value("the power meter's reading", "W"); }
    double carrierHz() override { return value("the frequency counter's reading", "Hz"); }
    DeviationReading deviation() override {
        return {value("the modulation analyser's peak deviation", "Hz"), {}};
    }
    double volts() override { return value("the supply's voltage", "V"); }
    double amps() override { return value("the supply's current", "A"); }
    void setFrequency(double hz) override { m_hz = hz; }
    void setLevel(double dbm) override {
        tell("set the signal generator to " + format("%.6f", m_hz / 1e6) + " MHz at " + format("%.1f", dbm) +
             " dBm" +
             (m_fm ? ", FM " + format("%.0f", m_dev) + " Hz at " + format("%.0f", m_tone) + " Hz" : ""));
    }
    void setFm(double toneHz, double deviationHz) override {
        m_fm = true;
        m_tone = toneHz;
        m_dev = deviationHz;
    }
    void setOutput(bool on) override {
        if (!on)
            tell("switch the signal generator's output off");
    }
    std::optional<double> readFrequency() override { return m_hz; }
    void setVolts(double v) override { tell("set the supply to " + format("%.2f", v) + " V"); }

  private:
    double value(const std::string& what, const std::string& unit) {
        const auto v = m_ask(manualRequest{m_procedure, label, what, unit});
        if (!v)
            throw readingDeclined{};
        return *v;
    }
    void tell(const std::string& what) {
        if (!m_ask(manualRequest{m_procedure, label, what, ""}))
            throw readingDeclined{};
    }
    std::function<std::optional<double>(const manualRequest&)> m_ask;
    std::string m_procedure;
    double m_hz = 0;
    double m_tone = 1000;
    double m_dev = 0;
    bool m_fm = false;
};

/// One integer search toward a target reading: secant steps inside the bracket found so far, bisection
/// when the secant is of no use, the first probe toward the target, rises bounded.
struct searchResult {
    int value = 0;
    double reading = 0;
    int steps = 0;
    bool within = false;
    std::string why;
};

class procedureRun {
  public:
    procedureRun(const planStep& step, alignmentEnvironment& environment, int index)
        : m_step(step), m_env(environment), m_index(index), m_prompt(environment.observer) {}

    procedureResult run();

  private:
    // --- Session calls ------------------------------------------------------------------------------
    void must(const sessionOutcome& outcome) {
        if (!outcome.done())
            throw sessionFailed{outcome};
    }
    void checkStop() {
        if (m_env.stopRequested && m_env.stopRequested())
            throw runStopped{m_env.stopSignal ? m_env.stopSignal() : 0};
    }
    /// Sends a value live on `row`, noting the row's value before the run first.
    void sendLive(int row, int value) {
        checkStop();
        m_touched.try_emplace(row, m_session->workingValue(row));
        must(m_session->live(row, value));
        ++m_steps[row];
    }
    std::string label(int row) const {
        const sessionState s = m_session->state();
        return row < int(s.rows.size()) && !s.rows[size_t(row)].label.empty()
                   ? s.rows[size_t(row)].label
                   : "row " + std::to_string(row + 1);
    }
    void observe(int row, int value, std::optional<double> reading) {
        if (m_env.observer)
            m_env.observer->stepTaken(m_step.procedure, label(row), value, reading);
    }

    // --- Strategies ---------------------------------------------------------------------------------
    void closedLoop(const std::function<double(int row)>& read, double target, const std::string& unit,
                    const std::vector<int>& rows);
    searchResult search(int row, double target, const std::function<double()>& read);
    void mobilePower();
    void autoTunePerRow();
    void autoTuneRun();
    void rssi();
    double rssiFrequencyHz() const;
    void frontEndPeak();
    void batteryVoltage();
    void biasCurrent();
    void generatorOn(double hz, double dbm);

    void restore();
    std::vector<int> supportedRows() const {
        std::vector<int> rows;
        for (int r = 0; r < m_session->piece().rowCount(); ++r)
            if (m_session->piece().rowSupported(r) && m_session->piece().rowEnabled(r))
                rows.push_back(r);
        return rows;
    }
    alignmentRow& rowResult(int row) {
        for (alignmentRow& r : m_rows)
            if (r.point == m_session->state().rows[size_t(row)].number && r.label == label(row))
                return r;
        const sessionRowState s = m_session->state().rows[size_t(row)];
        alignmentRow r;
        r.procedure = m_step.procedure;
        r.point = s.number;
        r.label = label(row);
        r.before = s.recordValue;
        m_rows.push_back(r);
        m_rowIndex.push_back(row);
        return m_rows.back();
    }

    const planStep& m_step;
    alignmentEnvironment& m_env;
    int m_index;
    runPrompt m_prompt;
    std::optional<typedBench> m_typed;
    alignmentBench m_bench;
    alignmentTarget m_target;
    std::unique_ptr<tuningSession> m_session;
    std::map<int, int> m_touched;  ///< row -> value before the run, for every row sent live
    std::map<int, int> m_steps;
    std::vector<alignmentRow> m_rows;
    std::vector<int> m_rowIndex;  ///< the session row of each result row (-1: none)
    bool m_generatorUsed = false;
    std::optional<double> m_supplyBefore;
    bool m_programsItself = false;  ///< the strategy's own action stored the values (RSSI, battery)
};

searchResult procedureRun::search(int row, double target, const std::function<double()>& read) {
    const procedurePiece& piece = m_session->piece();
    const int lo = piece.rowSpec(row).minimum, hi = piece.rowSpec(row).maximum;
    const double tol = m_target.tolerance;
    std::map<int, double> seen;
    searchResult r;
    int last = std::clamp(m_session->workingValue(row), lo, hi);
    auto measure = [&](int v) {
        sendLive(row, v);
        last = v;
        const double reading = read();
        observe(row, v, reading);
        ++r.steps;
        return seen[v] = reading;
    };
    // A reading within tolerance counts once the next readings at the same value agree: noise cannot
    // pass a point by chance.
    auto accept = [&](double reading) {
        if (std::fabs(reading - target) > tol)
            return false;
        for (int i = 0; i < m_target.confirmations; ++i) {
            checkStop();
            const double again = read();
            if (std::fabs(again - target) > tol)
                return false;
        }
        return true;
    };
    auto finish = [&](int v, double reading, bool within, std::string why = {}) {
        r.value = v;
        r.reading = reading;
        r.within = within;
        r.why = std::move(why);
        return r;
    };
    double m = measure(last);
    if (accept(m))
        return finish(last, m, true);
    int direction = 1;               // the reading rises with the value until two readings say otherwise
    std::optional<int> under, over;  // nearest values read on either side of the target
    auto bracket = [&](int v, double reading) {
        const bool low = (reading < target) == (direction > 0);
        if (low)
            under = under ? (direction > 0 ? std::max(*under, v) : std::min(*under, v)) : v;
        else
            over = over ? (direction > 0 ? std::min(*over, v) : std::max(*over, v)) : v;
    };
    bracket(last, m);
    int previous = last;
    double previousReading = m;
    int probe = std::max(1, m_target.probe);
    while (r.steps < m_target.maxSteps) {
        // Two readings of distinct values give the slope; a usable one sets the direction before a bracket.
        double estimate;
        bool secant = false;
        if (previous != last && seen.size() >= 2) {
            const double slope = (m - previousReading) / double(last - previous);
            if (slope != 0 && std::isfinite(slope)) {
                if (!(under && over))
                    direction = slope > 0 ? 1 : -1;
                estimate = last + (target - m) / slope;
                secant = std::fabs(estimate - last) < 4.0 * (hi - lo + 1);
            }
        }
        int next;
        if (secant)
            next = int(std::lround(estimate));
        else {
            next = last + ((target > m) == (direction > 0) ? probe : -probe);
            probe *= 2;
        }
        if (under && over) {
            const int a = std::min(*under, *over), b = std::max(*under, *over);
            if (b - a <= 1) {
                // Adjacent values on either side: the closer reading is the best the softpot gives.
                const int best = std::fabs(seen[a] - target) <= std::fabs(seen[b] - target) ? a : b;
                const double reading = best == last ? m : measure(best);
                const bool within = accept(reading);
                return finish(best, reading, within,
                              within ? "" : "no value gives the target within tolerance");
            }
            if (next <= a || next >= b || seen.count(next))
                next = a + (b - a) / 2;
        } else if (seen.count(next)) {
            next = last + ((target > m) == (direction > 0) ? 1 : -1);
        }
        next = std::clamp(next, lo, hi);
        if (m_target.maxRise > 0 && next > last + m_target.maxRise)
            next = last + m_target.maxRise;
        if (next == last || seen.count(next)) {
            return finish(last, m, false,
                          "the target is out of reach: " +
                              formatReading(m, m_step.instruments == "power meter" ? "W" : "") + " at " +
                              std::to_string(last));
        }
        previous = last;
        previousReading = m;
        m = measure(next);
        if (accept(m))
            return finish(last, m, true);
        bracket(last, m);
    }
    // The best value seen is left live so the report shows what the procedure reached.
    int best = last;
    for (const auto& [v, reading] : seen)
        if (std::fabs(reading - target) < std::fabs(seen[best] - target))
            best = v;
    return finish(last, m, false,
                  "not within tolerance after " + std::to_string(r.steps) + " steps (best " +
                      std::to_string(best) + ")");
}

void procedureRun::closedLoop(const std::function<double(int row)>& read, double target,
                              const std::string& unit, const std::vector<int>& rows) {
    const bool keys = m_session->piece().keys();
    for (int row : rows) {
        checkStop();
        if (m_typed)
            m_typed->label = label(row);
        alignmentRow& result = rowResult(row);
        result.unit = unit;
        must(m_session->select(row));
        if (keys)
            must(m_session->key());
        const searchResult found = search(row, target, [&] { return read(row); });
        alignmentRow& out = rowResult(row);
        out.measured = found.reading;
        out.target = target;
        out.after = found.value;
        out.withinTolerance = found.within;
        out.steps = found.steps;
        if (!found.within)
            throw notConverged{out.label + ": " + found.why};
        if (keys)
            must(m_session->dekey());
    }
}

void procedureRun::mobilePower() {
    auto& piece = dynamic_cast<kmPowerPiece&>(m_session->piece());
    constexpr int n = kmPowerPiece::kPoints;
    std::map<int, std::pair<double, double>> readings;
    for (int row = 0; row < n; ++row) {
        if (!piece.rowSupported(row))
            continue;
        checkStop();
        if (m_typed)
            m_typed->label = label(row);
        must(m_session->select(row));
        must(m_session->key());
        ++m_steps[row];
        const double p1 = m_bench.meter->watts();
        observe(row, piece.level(row), p1);
        must(m_session->act(sessionAction::Reading, {row, format("%.3f", p1), {}}));
        sendLive(row + n, m_session->workingValue(row + n));
        const double p2 = m_bench.meter->watts();
        observe(row + n, piece.level(row + n), p2);
        must(m_session->act(sessionAction::Reading, {row + n, format("%.3f", p2), {}}));
        must(m_session->dekey());
        readings[row] = {p1, p2};
    }
    const radioStorage& record = *m_env.session.record;
    for (const auto& [row, p] : readings) {
        const std::optional<kmPair> pair =
            piece.model().fromReadings(p.first, p.second, piece.level(0), piece.level(n));
        const int point = row + 1;
        for (int which = 0; which < 2; ++which) {
            alignmentRow r;
            r.procedure = m_step.procedure;
            r.point = point;
            r.label = "F" + std::to_string(point) + (which ? " M" : " K");
            r.before = record.getValue(row::MobilePower, col::KmFirst + 2 * row + which);
            if (pair)
                r.after = which ? pair->m : pair->k;
            r.measured = which ? p.second : p.first;
            r.unit = "W";
            r.withinTolerance = pair.has_value();
            r.steps = which ? 1 : 1;
            m_rows.push_back(r);
            m_rowIndex.push_back(-1);
        }
        if (!pair)
            throw notConverged{"F" + std::to_string(point) + ": the two readings give no K and M"};
    }
}

void procedureRun::generatorOn(double hz, double dbm) {
    SignalGenerator& g = *m_bench.generator;
    m_generatorUsed = true;
    g.setFrequency(hz);
    if (m_target.fmDeviationHz > 0)
        g.setFm(m_target.fmToneHz, m_target.fmDeviationHz);
    g.setLevel(dbm);
    g.setOutput(true);
}

void procedureRun::autoTunePerRow() {
    const double level = m_target.levelsDbm.empty() ? -118 : m_target.levelsDbm.front();
    for (int row : supportedRows()) {
        checkStop();
        if (m_typed)
            m_typed->label = label(row);
        alignmentRow& r = rowResult(row);
        r.unit = "";
        generatorOn(m_session->piece().rowFrequency(row) * 1e6, level);
        m_touched.try_emplace(row, m_session->workingValue(row));
        must(m_session->act(sessionAction::AutoTune, {row, {}, {}}));
        ++m_steps[row];
        const int value = m_session->workingValue(row);
        observe(row, value, std::nullopt);
        alignmentRow& out = rowResult(row);
        out.after = value;
        out.steps = 1;
        out.withinTolerance = value != 0;
        if (value == 0)
            throw notConverged{out.label + ": the radio could not tune itself at " + format("%.1f", level) +
                               " dBm"};
    }
}

void procedureRun::autoTuneRun() {
    const std::vector<int> rows = supportedRows();
    if (rows.empty())
        return;
    const double level = m_target.levelsDbm.empty() ? -60 : m_target.levelsDbm.front();
    // The radio keys itself at each point in turn: the generator stands on the first point's frequency and
    // the radio's own receive channel follows; a radio that needs it elsewhere answers 0 and is reported.
    generatorOn(m_session->piece().rowFrequency(rows.front()) * 1e6, level);
    for (int row : rows) m_touched.try_emplace(row, m_session->workingValue(row));
    must(m_session->act(sessionAction::AutoTune, {rows.front(), {}, {}}));
    // The run has the radio keep what it settled on, and the record with it: it has no Program.
    m_programsItself = true;
    for (int row : rows) {
        alignmentRow& out = rowResult(row);
        out.after = m_session->piece().recordValue(row);
        out.steps = 1;
        ++m_steps[row];
        out.withinTolerance = *out.after != 0;
        observe(row, *out.after, std::nullopt);
    }
    for (const alignmentRow& r : m_rows)
        if (!r.withinTolerance)
            throw notConverged{r.label + ": the radio could not tune itself"};
}

double procedureRun::rssiFrequencyHz() const {
    // The thresholds are taken at one receive point, the one the status names.
    const auto& piece = dynamic_cast<const rssiPiece&>(m_session->piece());
    const radioStorage& record = *m_env.session.record;
    const int n = piece.point();
    const std::uint16_t rx = n == 0 ? 0 : RF_Frequency::channelAt(record, true, n);
    const auto base = static_cast<std::uint32_t>(record.getValue(row::Frequency, col::FrequencyBase));
    RF_Frequency frequency;
    return rx == 0 ? 0.0 : frequency.pointFrequency(base, rx) * 1e6;
}

void procedureRun::rssi() {
    const std::vector<int> rows = supportedRows();
    const procedurePiece& piece = m_session->piece();
    for (size_t i = 0; i < rows.size(); ++i) {
        checkStop();
        const int row = rows[i];
        if (m_typed)
            m_typed->label = label(row);
        const double level = m_target.levelsDbm.empty()      ? -100
                             : i < m_target.levelsDbm.size() ? m_target.levelsDbm[i]
                                                             : m_target.levelsDbm.back();
        alignmentRow& r = rowResult(row);
        r.unit = "dBm";
        generatorOn(rssiFrequencyHz(), level);
        must(m_session->act(sessionAction::Update, {row, {}, {}}));
        m_programsItself = true;
        alignmentRow& out = rowResult(row);
        out.after = piece.recordValue(row);
        out.measured = level;
        out.target = level;
        out.steps = 1;
        out.withinTolerance = true;
        ++m_steps[row];
        observe(row, *out.after, level);
    }
}

void procedureRun::frontEndPeak() {
    auto* piece = dynamic_cast<frontEndFilterPiece*>(&m_session->piece());
    if (!piece || !piece->readsCalDac())
        throw notConverged{"this radio reports no RSSI DAC reading to peak the filter on"};
    const double level = m_target.levelsDbm.empty() ? -90 : m_target.levelsDbm.front();
    for (int row : supportedRows()) {
        checkStop();
        alignmentRow& r = rowResult(row);
        r.unit = "";
        generatorOn(piece->rowFrequency(row) * 1e6, level);
        const int lo = piece->rowSpec(row).minimum, hi = piece->rowSpec(row).maximum;
        std::map<int, double> seen;
        int steps = 0;
        auto measure = [&](int v) {
            if (auto it = seen.find(v); it != seen.end())
                return it->second;
            sendLive(row, v);
            ++steps;
            const double reading = piece->calDacMean();
            observe(row, v, reading);
            return seen[v] = reading;
        };
        // Hill climbing on the reading, the stride halved when neither side is better.
        int best = std::clamp(m_session->workingValue(row), lo, hi);
        double bestReading = measure(best);
        int stride = std::max(1, m_target.probe);
        while (stride > 0 && steps < m_target.maxSteps) {
            bool moved = false;
            for (int dir : {1, -1}) {
                const int v = std::clamp(best + dir * stride, lo, hi);
                if (v == best || steps >= m_target.maxSteps)
                    continue;
                const double reading = measure(v);
                if (reading > bestReading) {
                    best = v;
                    bestReading = reading;
                    moved = true;
                    break;
                }
            }
            if (!moved)
                stride /= 2;
        }
        if (m_session->workingValue(row) != best)
            sendLive(row, best);
        alignmentRow& out = rowResult(row);
        out.after = best;
        out.measured = bestReading;
        out.steps = steps;
        out.withinTolerance = stride == 0;
        if (stride != 0)
            throw notConverged{out.label + ": no peak found within " + std::to_string(m_target.maxSteps) +
                               " steps"};
    }
}

void procedureRun::batteryVoltage() {
    PowerSupply& supply = *m_bench.supply;
    double volts = m_target.target;
    if (volts <= 0) {
        // The screen's target: a tenth of the threshold the radio holds.
        for (const auto& [name, text] : m_session->piece().readouts())
            if (name == "target-voltage")
                volts = std::strtod(text.c_str(), nullptr);
    }
    const std::vector<int> rows = supportedRows();
    const int row = rows.empty() ? 0 : rows.front();
    alignmentRow& r = rowResult(row);
    r.unit = "V";
    r.target = volts;
    if (!(volts >= m_target.supplyMinimum && volts <= m_target.supplyMaximum) || volts <= 0)
        throw notConverged{"the threshold voltage " + format("%.2f", volts) +
                           " V lies outside the supply range " + format("%.1f", m_target.supplyMinimum) +
                           " to " + format("%.1f", m_target.supplyMaximum) + " V"};
    const double before = supply.volts();
    m_supplyBefore = before;
    supply.setVolts(volts);
    const double measured = supply.volts();
    observe(row, 0, measured);
    alignmentRow& out = rowResult(row);
    out.measured = measured;
    out.steps = 0;
    if (!m_env.program) {
        out.withinTolerance = std::fabs(measured - volts) <= std::max(m_target.tolerance, 0.1);
        return;
    }
    checkStop();
    must(m_session->program());
    m_programsItself = true;
    out.after = m_session->piece().recordValue(row);
    out.withinTolerance = true;
}

void procedureRun::biasCurrent() {
    const auto& piece = dynamic_cast<const paBiasPiece&>(m_session->piece());
    PowerSupply& supply = *m_bench.supply;
    if (const int voltage = piece.rowOf(paBiasPiece::biasRow::Voltage); voltage >= 0) {
        // The voltage row's toggle comes first and unlocks the others; it zeroes the voltage with the
        // biases, so the voltage the radio had goes back live (rises bounded) before the toggle is off.
        const int had = m_session->workingValue(voltage);
        must(m_session->act(sessionAction::Toggle, {voltage, {}, {}}));
        const int rise = m_target.maxRise > 0 ? m_target.maxRise : 16;
        for (int v = m_session->workingValue(voltage); v < had;) {
            v = std::min(had, v + rise);
            sendLive(voltage, v);
        }
        must(m_session->act(sessionAction::Toggle, {voltage, {}, {}}));
    }
    for (int row = 0; row < piece.rowCount(); ++row) {
        if (!piece.rowSupported(row) || piece.kindOf(row) == paBiasPiece::biasRow::Voltage)
            continue;
        checkStop();
        if (m_typed)
            m_typed->label = label(row);
        // The toggle zeroes the biases of its set live and frees the row at 0: the current drawn then is
        // the zeroed bias, and the target lies that far above it.
        must(m_session->act(sessionAction::Toggle, {row, {}, {}}));
        if (!piece.rowEnabled(row))
            continue;  // bias 3 at low power is only selected, never tuned
        alignmentRow& r = rowResult(row);
        r.unit = "A";
        const double zeroed = supply.amps();
        const searchResult found = search(row, m_target.target, [&] { return supply.amps() - zeroed; });
        alignmentRow& out = rowResult(row);
        out.measured = found.reading;
        out.target = m_target.target;
        out.after = found.value;
        out.withinTolerance = found.within;
        out.steps = found.steps;
        if (!found.within)
            throw notConverged{out.label + ": " + found.why};
        // Off again, so the next row's toggle can zero its set; the value found stays the row's working
        // value, which Program stores.
        must(m_session->act(sessionAction::Toggle, {row, {}, {}}));
    }
}

void procedureRun::restore() {
    // Nothing may stop putting the radio back.
    UnstoppableLinkScope scope;
    const bool keys = m_session->piece().keys();
    const bool liveDekeyed = !keys || m_session->piece().liveWhileDekeyed();
    for (const auto& [row, before] : m_touched) {
        // A keyed procedure can only send live at the point it is keyed at; the others go back with the
        // reset that leaves test mode, which drops every live value.
        if (!liveDekeyed && !(m_session->keyed() && m_session->keyedRow() == row))
            continue;
        if (!m_session->piece().rowEnabled(row))
            continue;
        int value = m_session->workingValue(row);
        // A rise back to the stored value is as bounded as the search's.
        while (value != before) {
            int next = before;
            if (m_target.maxRise > 0 && next > value + m_target.maxRise)
                next = value + m_target.maxRise;
            if (!m_session->live(row, next).done())
                return;
            value = next;
        }
    }
}

procedureResult procedureRun::run() {
    procedureResult result;
    result.procedure = m_step.procedure;
    result.title = m_step.title;
    result.mode = m_step.mode;
    const radioStorage& record = *m_env.session.record;
    m_target = m_env.targets.targetFor(m_step.procedure, alignmentGroup(record)).value_or(alignmentTarget{});
    m_bench = m_env.bench;
    if (m_step.mode == planMode::Manual) {
        m_typed.emplace(m_env.manualReading, m_step.procedure);
        m_bench = {&*m_typed, &*m_typed, &*m_typed, &*m_typed, &*m_typed};
    }
    sessionEnvironment environment = m_env.session;
    environment.prompt = &m_prompt;
    bool restoring = false;
    environment.stopRequested = [this, &restoring] {
        return !restoring && m_env.stopRequested && m_env.stopRequested();
    };
    tuningSession::refusal why = tuningSession::refusal::None;
    std::string text;
    m_session = tuningSession::create(m_step.procedure, environment, &why, &text);
    if (!m_session) {
        result.end = procedureEnd::RadioFailed;
        result.text = text;
        return result;
    }
    bool failed = true;
    bool radioUsable = true;
    try {
        checkStop();
        must(m_session->open());
        switch (m_step.kind) {
            case alignmentKind::Power:
                closedLoop([this](int) { return m_bench.meter->watts(); }, m_target.target, "W",
                           supportedRows());
                break;
            case alignmentKind::Frequency:
                closedLoop(
                    [this](int row) {
                        return m_bench.counter->carrierHz() - m_session->piece().rowFrequency(row) * 1e6;
                    },
                    m_target.target, "Hz", supportedRows());
                break;
            case alignmentKind::Deviation:
                closedLoop([this](int) { return m_bench.analyser->deviation().peakHz; }, m_target.target,
                           "Hz", supportedRows());
                break;
            case alignmentKind::MobilePower:
                mobilePower();
                break;
            case alignmentKind::AutoTune:
                autoTunePerRow();
                break;
            case alignmentKind::AutoTuneRun:
                autoTuneRun();
                break;
            case alignmentKind::Rssi:
                rssi();
                break;
            case alignmentKind::FrontEndPeak:
                frontEndPeak();
                break;
            case alignmentKind::BatteryVoltage:
                batteryVoltage();
                break;
            case alignmentKind::BiasCurrent:
                biasCurrent();
                break;
            case alignmentKind::ManualOnly:
                throw notConverged{"no instrument measures it: tune it on its screen"};
        }
        failed = false;
        result.end = procedureEnd::Aligned;
        if (m_session->keyed())
            must(m_session->dekey());
        if (m_env.program && !m_programsItself) {
            checkStop();
            const sessionOutcome programmed = m_session->program();
            must(programmed);
            if (!programmed.refusedRows.empty()) {
                result.end = procedureEnd::RadioFailed;
                result.text =
                    "the radio refused " + std::to_string(programmed.refusedRows.size()) + " point(s)";
            }
            result.programmed = true;
        }
        if (m_programsItself)
            result.programmed = true;
    } catch (const notConverged& e) {
        result.end = procedureEnd::NotConverged;
        result.text = e.text;
    } catch (const InstrumentError& e) {
        result.end = procedureEnd::InstrumentFailed;
        result.text = e.what();
    } catch (const readingDeclined&) {
        result.end = procedureEnd::Skipped;
        result.text = "no reading was typed";
    } catch (const runStopped& s) {
        result.end = procedureEnd::Stopped;
        result.text = "stopped";
        (void)s;
    } catch (const sessionFailed& f) {
        using Kind = sessionOutcome::Kind;
        result.end = f.outcome.kind == Kind::Stopped ? procedureEnd::Stopped : procedureEnd::RadioFailed;
        result.text = !f.outcome.message.text.empty()   ? f.outcome.message.text
                      : f.outcome.kind == Kind::Stopped ? std::string("stopped")
                                                        : f.outcome.detail;
        if (!f.outcome.detail.empty() && f.outcome.detail != result.text)
            result.text += " (" + f.outcome.detail + ")";
        radioUsable = f.outcome.kind == Kind::Refused || f.outcome.kind == Kind::Cancelled ||
                      f.outcome.kind == Kind::Stopped;
        result.radioUnreachable = f.outcome.kind == Kind::LinkFailed || f.outcome.kind == Kind::PortBusy ||
                                  f.outcome.kind == Kind::Mismatch;
    } catch (const Exception& e) {
        result.end = procedureEnd::RadioFailed;
        result.text = e.what();
        radioUsable = false;
        result.radioUnreachable = true;
    }
    restoring = true;
    if (failed && radioUsable && m_session->isOpen()) {
        try {
            restore();
        } catch (const std::exception&) {
        } catch (const Exception&) {
        }
    }
    // Whatever happened: the generator off, the supply back, then the closing (dekey, reset).
    try {
        if (m_generatorUsed && m_bench.generator)
            m_bench.generator->setOutput(false);
        if (m_supplyBefore && m_bench.supply && *m_supplyBefore >= m_target.supplyMinimum &&
            *m_supplyBefore <= m_target.supplyMaximum)
            m_bench.supply->setVolts(std::round(*m_supplyBefore * 100) / 100);
    } catch (const InstrumentError& e) {
        if (result.end == procedureEnd::Aligned)
            result.text = std::string("the bench could not be set back: ") + e.what();
    } catch (const readingDeclined&) {
    }
    {
        UnstoppableLinkScope scope;
        const closingOutcome closed = m_session->close();
        result.stillKeyed = !closed.dekeyConfirmed;
    }
    // The values before and after, from the record the session left.
    for (size_t i = 0; i < m_rows.size(); ++i) {
        alignmentRow& r = m_rows[i];
        const int row = m_rowIndex[i];
        if (row >= 0) {
            r.steps = std::max(r.steps, m_steps.count(row) ? m_steps[row] : 0);
            if (result.programmed)
                r.after = m_session->piece().recordValue(row);
            else if (failed)
                r.withinTolerance = r.withinTolerance && false;
        }
    }
    if (failed)
        result.programmed = false;
    result.rows = m_rows;
    if (result.end == procedureEnd::Aligned && result.text.empty())
        result.text = result.programmed ? "aligned and programmed" : "aligned, not programmed";
    return result;
}

}  // namespace

std::vector<std::string> alignmentProcedureNames() {
    std::vector<std::string> names;
    for (const kindEntry& e : kOrder) names.push_back(e.name);
    return names;
}

const char* alignmentKindName(alignmentKind kind) {
    switch (kind) {
        case alignmentKind::Power:
            return "power";
        case alignmentKind::MobilePower:
            return "k-and-m";
        case alignmentKind::Frequency:
            return "frequency";
        case alignmentKind::Deviation:
            return "deviation";
        case alignmentKind::AutoTune:
            return "auto-tune";
        case alignmentKind::AutoTuneRun:
            return "auto-tune-run";
        case alignmentKind::Rssi:
            return "rssi";
        case alignmentKind::FrontEndPeak:
            return "peak";
        case alignmentKind::BiasCurrent:
            return "bias-current";
        case alignmentKind::BatteryVoltage:
            return "battery-voltage";
        case alignmentKind::ManualOnly:
            break;
    }
    return "manual";
}

const char* planModeName(planMode mode) {
    switch (mode) {
        case planMode::Automatic:
            return "automatic";
        case planMode::Manual:
            return "manual";
        case planMode::Skipped:
            break;
    }
    return "skipped";
}

const char* procedureEndName(procedureEnd end) {
    switch (end) {
        case procedureEnd::Aligned:
            return "aligned";
        case procedureEnd::NotConverged:
            return "not-converged";
        case procedureEnd::InstrumentFailed:
            return "instrument-failed";
        case procedureEnd::RadioFailed:
            return "radio-failed";
        case procedureEnd::Stopped:
            return "stopped";
        case procedureEnd::Skipped:
            break;
    }
    return "skipped";
}

bool alignmentReport::allAligned() const {
    if (stopped || stillKeyed)
        return false;
    for (const procedureResult& p : procedures)
        if (p.end != procedureEnd::Aligned && p.end != procedureEnd::Skipped)
            return false;
    return true;
}

std::vector<alignmentRow> alignmentReport::rows() const {
    std::vector<alignmentRow> out;
    for (const procedureResult& p : procedures) out.insert(out.end(), p.rows.begin(), p.rows.end());
    return out;
}

alignmentBench configuredRoles(bool meter, bool counter, bool analyser, bool generator, bool supply) {
    // The plan only asks which roles are present: a placeholder stands for each.
    static struct : PowerMeter, FrequencyCounter, ModulationAnalyser, SignalGenerator, PowerSupply {
        std::string identity() override { return {}; }
        std::string describe() const override { return {}; }
        double watts() override { return 0; }
        double carrierHz() override { return 0; }
        DeviationReading deviation() override { return {}; }
        void setFrequency(double) override {}
        void setLevel(double) override {}
        void setFm(double, double) override {}
        void setOutput(bool) override {}
        std::optional<double> readFrequency() override { return {}; }
        void setVolts(double) override {}
        double volts() override { return 0; }
        double amps() override { return 0; }
    } configured;
    return {meter ? &configured : nullptr, counter ? &configured : nullptr, analyser ? &configured : nullptr,
            generator ? &configured : nullptr, supply ? &configured : nullptr};
}

alignmentPlan makeAlignmentPlan(const radioStorage& record, const alignmentBench& bench,
                                const alignmentTargets& targets, const planOptions& options) {
    alignmentPlan plan;
    plan.group = alignmentGroup(record);
    for (const kindEntry& k : kOrder) {
        const catalogueEntry* entry = catalogueNamed(k.name);
        if (!entry || !availableOnRadio(*entry, record))
            continue;
        planStep step;
        step.procedure = k.name;
        step.title = entry->title;
        step.kind = k.kind;
        auto [instrument, present] = instrumentOf(k.kind, bench);
        step.instruments = instrument;
        if (k.kind == alignmentKind::BiasCurrent && radiomodel().isHighMobile(record)) {
            // They draw their bias keyed at full power: the current is not the bias alone.
            step.kind = alignmentKind::ManualOnly;
            step.instruments.clear();
            present = false;
        }
        if (k.kind == alignmentKind::FrontEndPeak && !radiomodel().isHighMobileF(record)) {
            // Only the radios that report their RSSI DAC give a reading to peak the filter on.
            step.kind = alignmentKind::ManualOnly;
            step.instruments.clear();
            present = false;
        }
        const bool wanted = options.only.empty() ||
                            std::find(options.only.begin(), options.only.end(), k.name) != options.only.end();
        if (!wanted) {
            step.mode = planMode::Skipped;
            step.note = "not asked for";
        } else if (step.kind == alignmentKind::ManualOnly) {
            step.mode = planMode::Manual;
            step.note = manualNote(step.kind);
        } else if (!targets.targetFor(k.name, plan.group)) {
            step.mode = planMode::Skipped;
            step.note = "no target for " + plan.group + " radios";
        } else if (!options.program &&
                   (k.kind == alignmentKind::Rssi || k.kind == alignmentKind::BatteryVoltage ||
                    k.kind == alignmentKind::AutoTuneRun)) {
            step.mode = planMode::Skipped;
            step.note = "the radio stores its values itself: left out without Program";
        } else if (present) {
            step.mode = planMode::Automatic;
        } else {
            step.mode = planMode::Manual;
            step.note = manualNote(step.kind);
        }
        plan.steps.push_back(step);
    }
    // Two procedures whose windows share a title (PA bias high and low power) are told apart by their
    // frames' captions, as the technician sees them on the screen.
    std::map<std::string, int> uses;
    for (const planStep& step : plan.steps) ++uses[step.title];
    for (planStep& step : plan.steps)
        if (uses[step.title] > 1)
            step.title = catalogueNamed(step.procedure)->childCaption();
    return plan;
}

alignmentReport runAlignment(const alignmentPlan& plan, alignmentEnvironment& environment) {
    alignmentReport report;
    bool radioGone = false;
    for (size_t i = 0; i < plan.steps.size(); ++i) {
        const planStep& step = plan.steps[i];
        procedureResult result;
        result.procedure = step.procedure;
        result.title = step.title;
        result.mode = step.mode;
        const bool runnable = step.mode == planMode::Automatic ||
                              (step.mode == planMode::Manual && step.kind != alignmentKind::ManualOnly &&
                               environment.manualReading);
        if (report.stopped || radioGone || !runnable) {
            result.end = procedureEnd::Skipped;
            result.text = report.stopped                  ? "not run: the alignment was stopped"
                          : radioGone                     ? "not run: the radio failed"
                          : step.mode == planMode::Manual ? "manual: " + step.note
                                                          : step.note;
            report.procedures.push_back(result);
            continue;
        }
        if (environment.stopRequested && environment.stopRequested()) {
            report.stopped = true;
            report.stopSignal = environment.stopSignal ? environment.stopSignal() : 0;
            --i;
            continue;
        }
        if (environment.observer)
            environment.observer->procedureStarted(int(i), step);
        procedureRun run(step, environment, int(i));
        result = run.run();
        if (result.stillKeyed)
            report.stillKeyed = true;
        if (result.end == procedureEnd::Stopped) {
            report.stopped = true;
            report.stopSignal = environment.stopSignal ? environment.stopSignal() : 0;
        }
        if (result.radioUnreachable)
            radioGone = true;
        if (environment.observer)
            environment.observer->procedureFinished(int(i), result);
        report.procedures.push_back(result);
    }
    return report;
}

}  // namespace vantrel

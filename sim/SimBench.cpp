// The simulated bench instruments: their SCPI headers and the physics that ties them to the radio.
#include "sim/SimBench.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/SimProtocol.h"
#include "sim/SimScpiMeter.h"

namespace vantrel {

namespace {

/// SCPI's "not a number": what a counter or analyser answers with no carrier on its input.
constexpr const char* kNoSignal = "9.91E+37";

std::string format(const char* pattern, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, v);
    return buf;
}

/// A numeric parameter with an optional unit suffix (HZ, KHZ, MHZ, GHZ, DBM, V, MV, A, MA), parsed
/// without the program's own code.
std::optional<double> parameterValue(const std::string& text) {
    if (text.empty() || text.size() > 40)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v))
        return std::nullopt;
    std::string unit;
    for (const char* p = end; *p; ++p)
        if (*p != ' ')
            unit += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    if (unit.empty() || unit == "HZ" || unit == "DBM" || unit == "V" || unit == "A")
        return v;
    if (unit == "KHZ")
        return v * 1e3;
    if (unit == "MHZ")
        return v * 1e6;
    if (unit == "GHZ")
        return v * 1e9;
    if (unit == "MV" || unit == "MA")
        return v * 1e-3;
    return std::nullopt;
}

std::optional<bool> switchValue(const std::string& text) {
    std::string t;
    for (char c : text) t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (t == "ON" || t == "1")
        return true;
    if (t == "OFF" || t == "0")
        return false;
    return std::nullopt;
}

SimScpiOutcome outOfRange() {
    return {std::nullopt, SimScpiInstrument::kDataOutOfRange, "Data out of range"};
}

}  // namespace

std::string simBenchRoleKey(SimBenchRole role) {
    switch (role) {
        case SimBenchRole::PowerMeter:
            return "power-meter";
        case SimBenchRole::FrequencyCounter:
            return "frequency-counter";
        case SimBenchRole::ModulationAnalyser:
            return "modulation-analyser";
        case SimBenchRole::SignalGenerator:
            return "signal-generator";
        case SimBenchRole::PowerSupply:
            return "power-supply";
    }
    return "";
}

std::optional<SimBenchRole> simBenchRoleOf(const std::string& key) {
    for (int i = 0; i < kSimBenchRoles; ++i)
        if (simBenchRoleKey(static_cast<SimBenchRole>(i)) == key)
            return static_cast<SimBenchRole>(i);
    return std::nullopt;
}

SimBench::SimBench(SimRadio& radio, std::string identitySuffix)
    : m_radio(radio), m_suffix(std::move(identitySuffix)) {
    // The supply starts at the voltage the radio measures now, so that nothing changes until it is set.
    const SimProfile p = radio.profile();
    const SimSoftpotSpec* battery = p.softpot(sim::softpot::Battery);
    const double measured = p.batterySupply ? *p.batterySupply : battery ? battery->values[0][0] : 75;
    if (p.bench.measurePerVolt > 0)
        m_supply.volts = std::round((measured - p.bench.measureOffset) / p.bench.measurePerVolt * 100) / 100;
    for (int i = 0; i < kSimBenchRoles; ++i) {
        const auto role = static_cast<SimBenchRole>(i);
        m_servers[i] = std::make_unique<SimMeterServer>([this, role] { return makeInstrument(role); });
    }
}

SimBench::~SimBench() {
    stop();
}

void SimBench::start(uint16_t port) {
    for (int i = 0; i < kSimBenchRoles; ++i)
        m_servers[i]->start(port == 0 ? 0 : static_cast<uint16_t>(port + i));
}

void SimBench::stop() {
    for (auto& s : m_servers) s->stop();
}

uint16_t SimBench::port(SimBenchRole role) const {
    return m_servers[static_cast<int>(role)]->port();
}

void SimBench::setFault(SimBenchRole role, SimInstrumentFault fault) {
    m_servers[static_cast<int>(role)]->setFault(fault);
}

void SimBench::setNoise(double scale) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_noise = std::max(0.0, scale);
}

SimBench::GeneratorState SimBench::generator() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generator;
}

SimBench::SupplyState SimBench::supply() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_supply;
}

double SimBench::jitter(double sigma) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_noise <= 0 || sigma <= 0)
        return 0;
    std::normal_distribution<double> d(0.0, sigma * m_noise);
    return d(m_random);
}

std::string SimBench::readWatts() {
    const double w = m_radio.outputWatts();
    return SimScpiMeter::formatWatts(w + jitter(w * 0.003));
}

std::string SimBench::readCarrier() {
    const auto hz = m_radio.carrierHz();
    return hz ? format("%.1f", *hz + jitter(1.5)) : kNoSignal;
}

std::string SimBench::readDeviation() {
    const auto d = m_radio.deviation();
    return d ? format("%.1f", std::max(0.0, d->first + jitter(d->first * 0.008))) : kNoSignal;
}

std::string SimBench::readTone() {
    const auto d = m_radio.deviation();
    return d && d->first > 0 ? format("%.1f", d->second) : kNoSignal;
}

std::string SimBench::readSupplyVolts() {
    const SupplyState s = supply();
    if (!s.output)
        return "0.000";
    // A little drop across the leads under load.
    return format("%.3f", std::max(0.0, s.volts - m_radio.supplyAmps() * 0.02 + jitter(0.002)));
}

std::string SimBench::readSupplyAmps() {
    if (!supply().output)
        return "0.0000";
    const double a = m_radio.supplyAmps();
    return format("%.4f", std::max(0.0, a + jitter(a * 0.005)));
}

void SimBench::applyGenerator() {
    const GeneratorState g = generator();
    m_radio.setRfInput(g.output ? std::optional(std::make_pair(g.hz, g.dbm)) : std::nullopt);
}

void SimBench::applySupply() {
    const SupplyState s = supply();
    m_radio.setSupplyVolts(s.output ? std::optional(s.volts) : std::nullopt);
}

std::unique_ptr<SimScpiInstrument> SimBench::makeInstrument(SimBenchRole role) {
    std::vector<SimScpiHeader> h;
    std::string model;
    // Setters of a number within [lo, hi] into a field of the generator or the supply.
    auto generatorSetter = [this](double lo, double hi, double GeneratorState::*field) {
        return [this, lo, hi, field](const std::string& p) {
            const auto v = parameterValue(p);
            if (!v || *v < lo || *v > hi)
                return outOfRange();
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_generator.*field = *v;
            }
            applyGenerator();
            return SimScpiOutcome{};
        };
    };
    auto generatorQuery = [this](const char* pattern, double GeneratorState::*field) {
        return [this, pattern, field](const std::string&) {
            return SimScpiOutcome::answer(format(pattern, generator().*field));
        };
    };
    switch (role) {
        case SimBenchRole::PowerMeter:
            model = "Simulated Power Meter";
            h = SimScpiMeter::headers([this] { return std::strtod(readWatts().c_str(), nullptr); });
            break;
        case SimBenchRole::FrequencyCounter: {
            model = "Simulated Frequency Counter";
            auto measure = [this](const std::string&) { return SimScpiOutcome::answer(readCarrier()); };
            h = {{"MEASure[:SCALar]:FREQuency?", true, measure},
                 {"READ[:SCALar]:FREQuency?", true, measure},
                 {"FETCh[:SCALar]:FREQuency?", true, measure}};
            break;
        }
        case SimBenchRole::ModulationAnalyser:
            model = "Simulated Modulation Analyser";
            h = {{"MEASure:FM[:DEViation]?", true,
                  [this](const std::string&) { return SimScpiOutcome::answer(readDeviation()); }},
                 {"MEASure:FM:TONE?", true,
                  [this](const std::string&) { return SimScpiOutcome::answer(readTone()); }}};
            break;
        case SimBenchRole::SignalGenerator: {
            model = "Simulated Signal Generator";
            auto stateSetter = [this](bool GeneratorState::*field) {
                return [this, field](const std::string& p) {
                    const auto on = switchValue(p);
                    if (!on)
                        return outOfRange();
                    {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        m_generator.*field = *on;
                    }
                    applyGenerator();
                    return SimScpiOutcome{};
                };
            };
            h = {{"[SOURce]:FREQuency[:CW]", true, generatorSetter(9e3, 6e9, &GeneratorState::hz)},
                 {"[SOURce]:FREQuency[:CW]?", false, generatorQuery("%.1f", &GeneratorState::hz)},
                 {"[SOURce]:POWer[:LEVel][:IMMediate][:AMPLitude]", true,
                  generatorSetter(-140, 20, &GeneratorState::dbm)},
                 {"[SOURce]:POWer[:LEVel][:IMMediate][:AMPLitude]?", false,
                  generatorQuery("%.2f", &GeneratorState::dbm)},
                 {"[SOURce]:FM:INTernal:FREQuency", true, generatorSetter(1, 1e5, &GeneratorState::toneHz)},
                 {"[SOURce]:FM[:DEViation]", true, generatorSetter(0, 1e5, &GeneratorState::deviationHz)},
                 {"[SOURce]:FM:STATe", true, stateSetter(&GeneratorState::fm)},
                 {"OUTPut[:STATe]", true, stateSetter(&GeneratorState::output)},
                 {"OUTPut[:STATe]?", false, [this](const std::string&) {
                      return SimScpiOutcome::answer(std::string(generator().output ? "1" : "0"));
                  }}};
            break;
        }
        case SimBenchRole::PowerSupply: {
            model = "Simulated Power Supply";
            auto supplySetter = [this](double lo, double hi, double SupplyState::*field) {
                return [this, lo, hi, field](const std::string& p) {
                    const auto v = parameterValue(p);
                    if (!v || *v < lo || *v > hi)
                        return outOfRange();
                    {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        m_supply.*field = *v;
                    }
                    applySupply();
                    return SimScpiOutcome{};
                };
            };
            h = {{"[SOURce]:VOLTage[:LEVel][:IMMediate][:AMPLitude]", true,
                  supplySetter(0, 30, &SupplyState::volts)},
                 {"[SOURce]:VOLTage[:LEVel][:IMMediate][:AMPLitude]?", false,
                  [this](const std::string&) {
                      return SimScpiOutcome::answer(format("%.3f", supply().volts));
                  }},
                 {"[SOURce]:CURRent[:LEVel][:IMMediate][:AMPLitude]", true,
                  supplySetter(0, 20, &SupplyState::currentLimit)},
                 {"MEASure[:SCALar]:VOLTage[:DC]?", false,
                  [this](const std::string&) { return SimScpiOutcome::answer(readSupplyVolts()); }},
                 {"MEASure[:SCALar]:CURRent[:DC]?", false,
                  [this](const std::string&) { return SimScpiOutcome::answer(readSupplyAmps()); }},
                 {"OUTPut[:STATe]", true,
                  [this](const std::string& p) {
                      const auto on = switchValue(p);
                      if (!on)
                          return outOfRange();
                      {
                          std::lock_guard<std::mutex> lock(m_mutex);
                          m_supply.output = *on;
                      }
                      applySupply();
                      return SimScpiOutcome{};
                  }},
                 {"OUTPut[:STATe]?", false, [this](const std::string&) {
                      return SimScpiOutcome::answer(std::string(supply().output ? "1" : "0"));
                  }}};
            break;
        }
    }
    return std::make_unique<SimScpiInstrument>("Vantrel," + model + "," + m_suffix, std::move(h));
}

}  // namespace vantrel

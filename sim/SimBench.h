// The simulated bench: power meter, frequency counter, modulation analyser, signal generator and power
// supply on loopback TCP ports, their readings following the simulated radio.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>

#include "sim/SimMeterServer.h"
#include "sim/SimRadio.h"

namespace vantrel {

/// The bench's roles, in the order their ports are numbered.
enum class SimBenchRole { PowerMeter, FrequencyCounter, ModulationAnalyser, SignalGenerator, PowerSupply };
inline constexpr int kSimBenchRoles = 5;

/// "power-meter", ... (the names the programs' environment lines use, upper-cased).
std::string simBenchRoleKey(SimBenchRole role);
/// The role of a key; nullopt when none.
std::optional<SimBenchRole> simBenchRoleOf(const std::string& key);

/// Five SCPI instruments on 127.0.0.1 speaking the generic SCPI dialect. Readings come from the radio at
/// the moment they are asked (see SimRadio::carrierHz, deviation, supplyAmps, outputWatts); the
/// generator and the supply act on the radio (its RSSI and auto-tunes, its supply measurement).
class SimBench {
  public:
    /// `identitySuffix` ends each identity ("0,<version>").
    SimBench(SimRadio& radio, std::string identitySuffix);
    ~SimBench();
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    /// Listens on `port`, `port`+1, ... in role order (0: free ports the system picks). Throws
    /// std::runtime_error.
    void start(uint16_t port);
    void stop();
    uint16_t port(SimBenchRole role) const;

    void setFault(SimBenchRole role, SimInstrumentFault fault);
    /// Noise scale: 0 exact readings, 1 a bench's usual jitter (0.3 % of watts, 1.5 Hz, 0.8 % of
    /// deviation, 2 mV, 0.5 % of amps), more for a noisier bench.
    void setNoise(double scale);

    // The source and supply as the instruments were last told (for tests and traces).
    struct GeneratorState {
        double hz = 150e6;
        double dbm = -60;
        bool output = false;
        double toneHz = 1000;
        double deviationHz = 0;
        bool fm = false;
    };
    struct SupplyState {
        double volts = 7.5;
        double currentLimit = 5.0;
        bool output = true;
    };
    GeneratorState generator() const;
    SupplyState supply() const;

    // Readings as the instruments answer them (SCPI text).
    std::string readWatts();
    std::string readCarrier();
    std::string readDeviation();
    std::string readTone();
    std::string readSupplyVolts();
    std::string readSupplyAmps();

  private:
    std::unique_ptr<SimScpiInstrument> makeInstrument(SimBenchRole role);
    double jitter(double sigma);
    void applyGenerator();
    void applySupply();

    SimRadio& m_radio;
    std::string m_suffix;
    std::array<std::unique_ptr<SimMeterServer>, kSimBenchRoles> m_servers;
    mutable std::mutex m_mutex;
    GeneratorState m_generator;
    SupplyState m_supply;
    double m_noise = 0;
    std::mt19937 m_random{20261209};
};

}  // namespace vantrel

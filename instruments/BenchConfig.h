// Which instrument serves which bench role, how it is reached, and the losses between it and the radio.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instruments/Dialect.h"
#include "instruments/Instruments.h"
#include "link/Clock.h"

namespace vantrel {

/// How one role's instrument is reached.
struct RoleConfig {
    enum class Transport { Tcp, Serial, Usbtmc };
    Transport transport = Transport::Tcp;
    /// tcp: "HOST" or "HOST:PORT" (port 5025 when left out); serial and usbtmc: the device path.
    std::string address;
    std::string dialect = "generic-scpi";
    uint32_t timeoutMs = 2000;        ///< each exchange: 50 to 60000
    double offsetDb = 0;              ///< loss between the radio and the instrument, -100 to 100 dB
    std::string serial = "9600 8N1";  ///< line settings of a serial instrument
};

/// The bench: the roles that have an instrument. Kept in "bench.conf" in the settings folder.
struct BenchConfig {
    std::map<Role, RoleConfig> roles;

    static constexpr const char* kFileName = "bench.conf";

    /// Parses the file's text: one section per role ("[power-meter]") with transport, address, dialect,
    /// timeout-ms, offset-db, serial. Throws InstrumentError (Config) "SOURCE:LINE: what".
    static BenchConfig parse(const std::string& text, const std::string& source);
    std::string toText() const;

    /// Reads <folder>/bench.conf; an absent file is an empty bench. Throws InstrumentError (Config) for a
    /// damaged one.
    static BenchConfig load(const std::string& folder);
    /// Saves atomically; the previous file stays whole on failure. Answers an error text, empty on success;
    /// throws InstrumentError (Config) for a role that could not be used (and writes nothing).
    std::string save(const std::string& folder) const;

    /// Roles given in the environment win: VANTREL_BENCH_POWER_METER=tcp:127.0.0.1:5025 (and
    /// _FREQUENCY_COUNTER, _MODULATION_ANALYSER, _SIGNAL_GENERATOR, _POWER_SUPPLY), in the form
    /// TRANSPORT:ADDRESS, dialect generic-scpi. Throws InstrumentError (Config) for a value in no form.
    void applyEnvironment();
    /// The environment variable of a role.
    static std::string environmentName(Role role);
    /// "tcp:HOST:PORT" and friends to a role configuration. Throws InstrumentError (Config).
    static RoleConfig parseEndpoint(const std::string& text);
};

std::string transportName(RoleConfig::Transport t);

/// Everything needed to open instruments: where dialects are found and the clock that bounds waits.
struct InstrumentContext {
    std::vector<std::string> dialectPath;
    Clock* clock = &SystemClock::instance();
};

/// Opens the session of a role: connects, loads its dialect. Throws InstrumentError.
std::unique_ptr<ScpiSession> openSession(const RoleConfig& config, const InstrumentContext& context);

/// Opens the role's instrument with its corrections. Throws InstrumentError.
std::unique_ptr<PowerMeter> openPowerMeter(const RoleConfig& c, const InstrumentContext& x);
std::unique_ptr<FrequencyCounter> openFrequencyCounter(const RoleConfig& c, const InstrumentContext& x);
std::unique_ptr<ModulationAnalyser> openModulationAnalyser(const RoleConfig& c, const InstrumentContext& x);
std::unique_ptr<SignalGenerator> openSignalGenerator(const RoleConfig& c, const InstrumentContext& x);
std::unique_ptr<PowerSupply> openPowerSupply(const RoleConfig& c, const InstrumentContext& x);

/// What a check of one role found: its identity and one reading, or the error.
struct RoleCheck {
    bool ok = false;
    std::string identity;
    std::string reading;  ///< "4.812 W", "150.000123 MHz", "2.95 kHz deviation, tone 1000 Hz", ...
    std::string error;
};

/// Connects to the role's instrument, asks its identity and takes one reading (the generator and the
/// supply are only asked, never set). Never throws.
RoleCheck checkRole(Role role, const RoleConfig& config, const InstrumentContext& context);

}  // namespace vantrel

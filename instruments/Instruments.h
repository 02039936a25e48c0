// The bench roles alignment needs, as interfaces, and their SCPI implementations driven by a dialect.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "instruments/ScpiSession.h"

namespace vantrel {

/// What every instrument on the bench answers.
class Instrument {
  public:
    virtual ~Instrument() = default;
    /// The instrument's identity line. Throws InstrumentError.
    virtual std::string identity() = 0;
    /// Where it is reached: "tcp 127.0.0.1:5025".
    virtual std::string describe() const = 0;
};

/// Power at the radio's antenna connector, in watts (the meter's reading corrected for the cable and
/// attenuator loss between them).
class PowerMeter : public virtual Instrument {
  public:
    /// Throws InstrumentError.
    virtual double watts() = 0;
};

/// The carrier frequency in Hz.
class FrequencyCounter : public virtual Instrument {
  public:
    virtual double carrierHz() = 0;
};

/// One FM deviation reading.
struct DeviationReading {
    double peakHz = 0;             ///< peak deviation in Hz
    std::optional<double> toneHz;  ///< the modulating tone measured, when the analyser tells it
};

class ModulationAnalyser : public virtual Instrument {
  public:
    virtual DeviationReading deviation() = 0;
};

/// An RF signal generator feeding the radio's receiver.
class SignalGenerator : public virtual Instrument {
  public:
    virtual void setFrequency(double hz) = 0;
    /// Level at the radio's input in dBm; the cable loss is added to what the generator is told.
    virtual void setLevel(double dbm) = 0;
    /// FM with an internal tone; a dialect without FM commands refuses (InstrumentError Config).
    virtual void setFm(double toneHz, double deviationHz) = 0;
    virtual void setOutput(bool on) = 0;
    /// The frequency and level the generator reports, when its dialect can ask; for checks.
    virtual std::optional<double> readFrequency() = 0;
};

/// The DC supply powering the radio.
class PowerSupply : public virtual Instrument {
  public:
    virtual void setVolts(double volts) = 0;
    virtual double volts() = 0;
    virtual double amps() = 0;
    virtual void setOutput(bool on) = 0;
};

/// Plausibility limits of readings: anything at or beyond them is a broken answer.
namespace readingLimit {
inline constexpr double Watts = 1e5;
inline constexpr double Hz = 1e11;
inline constexpr double Dbm = 400;
inline constexpr double Volts = 1e4;
inline constexpr double Amps = 1e4;
}  // namespace readingLimit

/// Builds the SCPI implementation of a role on an open session. `offsetDb` is the loss in dB between
/// the radio and the instrument (cable, attenuator), applied to power meter readings and generator
/// levels. Sends the dialect's setup command for the role, if any. Throws InstrumentError (Config when
/// the dialect does not serve the role).
std::unique_ptr<PowerMeter> makePowerMeter(std::unique_ptr<ScpiSession> session, double offsetDb);
std::unique_ptr<FrequencyCounter> makeFrequencyCounter(std::unique_ptr<ScpiSession> session);
std::unique_ptr<ModulationAnalyser> makeModulationAnalyser(std::unique_ptr<ScpiSession> session);
std::unique_ptr<SignalGenerator> makeSignalGenerator(std::unique_ptr<ScpiSession> session, double offsetDb);
std::unique_ptr<PowerSupply> makePowerSupply(std::unique_ptr<ScpiSession> session);

}  // namespace vantrel

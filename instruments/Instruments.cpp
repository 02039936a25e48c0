// SCPI implementations of the bench roles: the dialect's commands, checked answers, loss corrections.
#include "instruments/Instruments.h"

#include <cmath>

#include "instruments/InstrumentError.h"

namespace vantrel {

namespace {

/// The part every role shares: the session, its role and the dialect's commands for it.
class ScpiBase : public virtual Instrument {
  public:
    ScpiBase(std::unique_ptr<ScpiSession> session, Role role) : m_session(std::move(session)), m_role(role) {
        if (!m_session->dialect().serves(role))
            throw InstrumentError(
                InstrumentError::Kind::Config,
                "dialect '" + m_session->dialect().name + "' has no commands for a " + roleTitle(role));
        if (const auto setup = optional("setup"))
            m_session->command(*setup);
    }
    std::string identity() override { return m_session->identify(); }
    std::string describe() const override { return m_session->describe(); }

  protected:
    std::optional<std::string> optional(const std::string& key) const {
        return m_session->dialect().command(m_role, key);
    }
    std::string required(const std::string& key) const {
        if (const auto c = optional(key))
            return *c;
        throw InstrumentError(
            InstrumentError::Kind::Config,
            "dialect '" + m_session->dialect().name + "' has no '" + key + "' for a " + roleTitle(m_role));
    }
    ScpiSession& session() { return *m_session; }

  private:
    std::unique_ptr<ScpiSession> m_session;
    Role m_role;
};

class ScpiPowerMeter : public PowerMeter, ScpiBase {
  public:
    ScpiPowerMeter(std::unique_ptr<ScpiSession> s, double offsetDb)
        : ScpiBase(std::move(s), Role::PowerMeter), m_offsetDb(offsetDb) {}
    double watts() override {
        const bool dbm = optional("unit").value_or("W") == "dBm";
        const double v =
            session().queryNumber(required("measure"), dbm ? readingLimit::Dbm : readingLimit::Watts, !dbm);
        const double metered = dbm ? std::pow(10.0, (v - 30.0) / 10.0) : v;
        return metered * std::pow(10.0, m_offsetDb / 10.0);
    }

  private:
    double m_offsetDb;
};

class ScpiCounter : public FrequencyCounter, ScpiBase {
  public:
    explicit ScpiCounter(std::unique_ptr<ScpiSession> s) : ScpiBase(std::move(s), Role::FrequencyCounter) {}
    double carrierHz() override {
        return session().queryNumber(required("measure"), readingLimit::Hz, true);
    }
};

class ScpiAnalyser : public ModulationAnalyser, ScpiBase {
  public:
    explicit ScpiAnalyser(std::unique_ptr<ScpiSession> s)
        : ScpiBase(std::move(s), Role::ModulationAnalyser) {}
    DeviationReading deviation() override {
        DeviationReading r;
        r.peakHz = std::fabs(session().queryNumber(required("deviation"), readingLimit::Hz));
        if (const auto tone = optional("tone"))
            r.toneHz = std::fabs(session().queryNumber(*tone, readingLimit::Hz));
        return r;
    }
};

class ScpiGenerator : public SignalGenerator, ScpiBase {
  public:
    ScpiGenerator(std::unique_ptr<ScpiSession> s, double offsetDb)
        : ScpiBase(std::move(s), Role::SignalGenerator), m_offsetDb(offsetDb) {}
    void setFrequency(double hz) override {
        if (!(hz > 0 && hz < readingLimit::Hz))
            throw InstrumentError(InstrumentError::Kind::Config,
                                  "no generator frequency: " + std::to_string(hz));
        session().command(fillCommand(required("frequency"), hz));
    }
    void setLevel(double dbm) override {
        if (!(std::fabs(dbm) < 200))
            throw InstrumentError(InstrumentError::Kind::Config,
                                  "no generator level: " + std::to_string(dbm));
        session().command(fillCommand(required("level"), dbm + m_offsetDb));
    }
    void setFm(double toneHz, double deviationHz) override {
        session().command(fillCommand(required("fm-tone"), toneHz));
        session().command(fillCommand(required("fm-deviation"), deviationHz));
        if (const auto on = optional("fm-on"))
            session().command(*on);
    }
    void setOutput(bool on) override { session().command(required(on ? "output-on" : "output-off")); }
    std::optional<double> readFrequency() override {
        if (const auto q = optional("read-frequency"))
            return session().queryNumber(*q, readingLimit::Hz);
        return std::nullopt;
    }

  private:
    double m_offsetDb;
};

class ScpiSupply : public PowerSupply, ScpiBase {
  public:
    explicit ScpiSupply(std::unique_ptr<ScpiSession> s) : ScpiBase(std::move(s), Role::PowerSupply) {}
    void setVolts(double volts) override {
        if (!(volts >= 0 && volts < 100))
            throw InstrumentError(InstrumentError::Kind::Config,
                                  "no supply voltage: " + std::to_string(volts));
        session().command(fillCommand(required("set-volts"), volts));
    }
    double volts() override { return session().queryNumber(required("measure-volts"), readingLimit::Volts); }
    double amps() override { return session().queryNumber(required("measure-amps"), readingLimit::Amps); }
    void setOutput(bool on) override { session().command(required(on ? "output-on" : "output-off")); }
};

}  // namespace

std::unique_ptr<PowerMeter> makePowerMeter(std::unique_ptr<ScpiSession> session, double offsetDb) {
    return std::make_unique<ScpiPowerMeter>(std::move(session), offsetDb);
}
std::unique_ptr<FrequencyCounter> makeFrequencyCounter(std::unique_ptr<ScpiSession> session) {
    return std::make_unique<ScpiCounter>(std::move(session));
}
std::unique_ptr<ModulationAnalyser> makeModulationAnalyser(std::unique_ptr<ScpiSession> session) {
    return std::make_unique<ScpiAnalyser>(std::move(session));
}
std::unique_ptr<SignalGenerator> makeSignalGenerator(std::unique_ptr<ScpiSession> session, double offsetDb) {
    return std::make_unique<ScpiGenerator>(std::move(session), offsetDb);
}
std::unique_ptr<PowerSupply> makePowerSupply(std::unique_ptr<ScpiSession> session) {
    return std::make_unique<ScpiSupply>(std::move(session));
}

}  // namespace vantrel

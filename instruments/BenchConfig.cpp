// The bench configuration file, the environment's overrides, opening instruments and checking them.
#include "instruments/BenchConfig.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "instruments/ConfigText.h"
#include "instruments/InstrumentError.h"
#include "link/writeFileAtomically.h"

namespace vantrel {

namespace {

using Kind = InstrumentError::Kind;

InstrumentError configError(const std::string& what) {
    return InstrumentError(Kind::Config, what);
}

std::optional<RoleConfig::Transport> transportOf(const std::string& s) {
    if (s == "tcp")
        return RoleConfig::Transport::Tcp;
    if (s == "serial")
        return RoleConfig::Transport::Serial;
    if (s == "usbtmc")
        return RoleConfig::Transport::Usbtmc;
    return std::nullopt;
}

/// A strict decimal number (no units, no exponent games) within [low, high].
std::optional<double> number(const std::string& s, double low, double high) {
    if (s.empty() || s.size() > 20)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v) || v < low || v > high)
        return std::nullopt;
    return v;
}

/// "host" or "host:port" with a port 1 to 65535; the host of letters, digits, '.', '-' (or [v6]).
bool validTcpAddress(const std::string& a, std::string* host = nullptr, uint16_t* port = nullptr) {
    std::string h = a;
    uint16_t p = 5025;
    const size_t colon = a.rfind(':');
    if (colon != std::string::npos && a.find(':') == colon) {
        h = a.substr(0, colon);
        const auto n = number(a.substr(colon + 1), 1, 65535);
        if (!n || *n != std::floor(*n))
            return false;
        p = static_cast<uint16_t>(*n);
    }
    if (h.empty() || h.size() > 253)
        return false;
    for (char c : h)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            return false;
    if (host)
        *host = h;
    if (port)
        *port = p;
    return true;
}

void checkRoleConfig(const RoleConfig& c, const std::string& where) {
    if (c.address.empty())
        throw configError(where + ": no address");
    if (c.transport == RoleConfig::Transport::Tcp && !validTcpAddress(c.address))
        throw configError(where + ": '" + c.address + "' is no HOST or HOST:PORT");
    if (c.transport != RoleConfig::Transport::Tcp && c.address[0] != '/')
        throw configError(where + ": '" + c.address + "' is no device path");
    if (c.transport == RoleConfig::Transport::Serial)
        SerialLineSettings::parse(c.serial);
}

}  // namespace

std::string transportName(RoleConfig::Transport t) {
    switch (t) {
        case RoleConfig::Transport::Tcp:
            return "tcp";
        case RoleConfig::Transport::Serial:
            return "serial";
        case RoleConfig::Transport::Usbtmc:
            return "usbtmc";
    }
    return "";
}

BenchConfig BenchConfig::parse(const std::string& text, const std::string& source) {
    const auto sections = parseConfigText(text, source);
    if (!sections[0].entries.empty())
        throw configError(source + ":" + std::to_string(sections[0].entries[0].line) +
                          ": an entry outside a role's section");
    BenchConfig bench;
    for (size_t i = 1; i < sections.size(); ++i) {
        const ConfigSection& s = sections[i];
        const auto role = roleOfKey(s.name);
        if (!role || roleKey(*role) != s.name)
            throw configError(source + ":" + std::to_string(s.line) + ": unknown role [" + s.name + "]");
        RoleConfig c;
        for (const ConfigEntry& e : s.entries) {
            const std::string at = source + ":" + std::to_string(e.line) + ": ";
            if (e.key == "transport") {
                const auto t = transportOf(e.value);
                if (!t)
                    throw configError(at + "transport must be tcp, serial or usbtmc");
                c.transport = *t;
            } else if (e.key == "address") {
                c.address = e.value;
            } else if (e.key == "dialect") {
                c.dialect = e.value;
            } else if (e.key == "timeout-ms") {
                const auto v = number(e.value, 50, 60000);
                if (!v || *v != std::floor(*v))
                    throw configError(at + "timeout-ms must be a whole number 50 to 60000");
                c.timeoutMs = static_cast<uint32_t>(*v);
            } else if (e.key == "offset-db") {
                const auto v = number(e.value, -100, 100);
                if (!v)
                    throw configError(at + "offset-db must be a number -100 to 100");
                c.offsetDb = *v;
            } else if (e.key == "serial") {
                c.serial = e.value;
            } else {
                throw configError(at + "unknown key '" + e.key +
                                  "' (transport, address, dialect, timeout-ms, offset-db, serial)");
            }
        }
        checkRoleConfig(c, source + ":" + std::to_string(s.line) + ": [" + s.name + "]");
        bench.roles[*role] = c;
    }
    return bench;
}

std::string BenchConfig::toText() const {
    std::string out = "# Bench instruments: one section per role.\n";
    for (const auto& [role, c] : roles) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%.2f", c.offsetDb);
        out += "\n[" + roleKey(role) + "]\n";
        out += "transport = " + transportName(c.transport) + "\n";
        out += "address = " + c.address + "\n";
        out += "dialect = " + c.dialect + "\n";
        out += "timeout-ms = " + std::to_string(c.timeoutMs) + "\n";
        out += "offset-db = " + std::string(offset) + "\n";
        if (c.transport == RoleConfig::Transport::Serial)
            out += "serial = " + c.serial + "\n";
    }
    return out;
}

BenchConfig BenchConfig::load(const std::string& folder) {
    const std::string path = folder + "/" + kFileName;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return {};
    return parse(readConfigFile(path), path);
}

std::string BenchConfig::save(const std::string& folder) const {
    for (const auto& [role, c] : roles) checkRoleConfig(c, "[" + roleKey(role) + "]");
    const FileWriteResult r = writeFileAtomically(folder + "/" + kFileName, toText());
    return r ? "" : folder + "/" + kFileName + ": " + r.reason();
}

std::string BenchConfig::environmentName(Role role) {
    std::string n = "VANTREL_BENCH_";
    for (char c : roleKey(role))
        n += c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return n;
}

RoleConfig BenchConfig::parseEndpoint(const std::string& text) {
    const size_t colon = text.find(':');
    const auto t = colon == std::string::npos ? std::nullopt : transportOf(text.substr(0, colon));
    if (!t)
        throw configError("'" + text +
                          "' is no TRANSPORT:ADDRESS (tcp:HOST:PORT, serial:/dev/..., usbtmc:/dev/...)");
    RoleConfig c;
    c.transport = *t;
    c.address = text.substr(colon + 1);
    checkRoleConfig(c, "'" + text + "'");
    return c;
}

void BenchConfig::applyEnvironment() {
    for (Role role : kRoles) {
        const char* v = std::getenv(environmentName(role).c_str());
        if (v && *v) {
            try {
                roles[role] = parseEndpoint(v);
            } catch (const InstrumentError& e) {
                throw configError(environmentName(role) + ": " + e.what());
            }
        }
    }
}

std::unique_ptr<ScpiSession> openSession(const RoleConfig& config, const InstrumentContext& context) {
    Dialect dialect = loadDialect(config.dialect, context.dialectPath);
    std::unique_ptr<ScpiTransport> transport;
    switch (config.transport) {
        case RoleConfig::Transport::Tcp: {
            std::string host;
            uint16_t port = 0;
            if (!validTcpAddress(config.address, &host, &port))
                throw configError("'" + config.address + "' is no HOST or HOST:PORT");
            transport = std::make_unique<TcpTransport>(host, port, config.timeoutMs, *context.clock);
            break;
        }
        case RoleConfig::Transport::Serial:
            transport = std::make_unique<SerialTransport>(
                openInstrumentSerial(config.address, SerialLineSettings::parse(config.serial)),
                *context.clock);
            break;
        case RoleConfig::Transport::Usbtmc:
            transport = std::make_unique<UsbtmcTransport>(config.address, *context.clock);
            break;
    }
    return std::make_unique<ScpiSession>(std::move(transport), std::move(dialect), config.timeoutMs);
}

std::unique_ptr<PowerMeter> openPowerMeter(const RoleConfig& c, const InstrumentContext& x) {
    return makePowerMeter(openSession(c, x), c.offsetDb);
}
std::unique_ptr<FrequencyCounter> openFrequencyCounter(const RoleConfig& c, const InstrumentContext& x) {
    return makeFrequencyCounter(openSession(c, x));
}
std::unique_ptr<ModulationAnalyser> openModulationAnalyser(const RoleConfig& c, const InstrumentContext& x) {
    return makeModulationAnalyser(openSession(c, x));
}
std::unique_ptr<SignalGenerator> openSignalGenerator(const RoleConfig& c, const InstrumentContext& x) {
    return makeSignalGenerator(openSession(c, x), c.offsetDb);
}
std::unique_ptr<PowerSupply> openPowerSupply(const RoleConfig& c, const InstrumentContext& x) {
    return makePowerSupply(openSession(c, x));
}

RoleCheck checkRole(Role role, const RoleConfig& config, const InstrumentContext& context) {
    RoleCheck check;
    char buf[96];
    try {
        switch (role) {
            case Role::PowerMeter: {
                auto m = openPowerMeter(config, context);
                check.identity = m->identity();
                std::snprintf(buf, sizeof buf, "%.4f W", m->watts());
                break;
            }
            case Role::FrequencyCounter: {
                auto m = openFrequencyCounter(config, context);
                check.identity = m->identity();
                std::snprintf(buf, sizeof buf, "%.6f MHz", m->carrierHz() / 1e6);
                break;
            }
            case Role::ModulationAnalyser: {
                auto m = openModulationAnalyser(config, context);
                check.identity = m->identity();
                const DeviationReading d = m->deviation();
                if (d.toneHz)
                    std::snprintf(buf, sizeof buf, "%.3f kHz deviation, tone %.0f Hz", d.peakHz / 1e3,
                                  *d.toneHz);
                else
                    std::snprintf(buf, sizeof buf, "%.3f kHz deviation", d.peakHz / 1e3);
                break;
            }
            case Role::SignalGenerator: {
                auto m = openSignalGenerator(config, context);
                check.identity = m->identity();
                const auto f = m->readFrequency();
                if (f)
                    std::snprintf(buf, sizeof buf, "set to %.6f MHz", *f / 1e6);
                else
                    std::snprintf(buf, sizeof buf, "answers");
                break;
            }
            case Role::PowerSupply: {
                auto m = openPowerSupply(config, context);
                check.identity = m->identity();
                const double v = m->volts();
                std::snprintf(buf, sizeof buf, "%.3f V, %.3f A", v, m->amps());
                break;
            }
        }
        check.reading = buf;
        check.ok = true;
    } catch (const InstrumentError& e) {
        // An instrument that says it has nothing to measure (a counter with the radio dekeyed) is well.
        if (e.kind() == InstrumentError::Kind::NoSignal && !check.identity.empty()) {
            check.reading = "no signal";
            check.ok = true;
        } else {
            check.error = e.what();
        }
    } catch (const std::exception& e) {
        check.error = e.what();
    }
    return check;
}

}  // namespace vantrel

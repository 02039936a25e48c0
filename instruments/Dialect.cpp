// Dialect files: the keys each role knows, strict checks, and where the files are found.
#include "instruments/Dialect.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "instruments/ConfigText.h"
#include "instruments/InstrumentError.h"
#include "link/dataFiles.h"

namespace vantrel {

namespace {

enum class Shape { Query, Setter, Command, Unit };

struct KeySpec {
    const char* key;
    Shape shape;
    bool required;
};

// The keys of each role. "setup" is sent once after connecting (it may join several units with ';').
const std::map<Role, std::vector<KeySpec>>& keySpecs() {
    static const std::map<Role, std::vector<KeySpec>> specs = {
        {Role::PowerMeter,
         {{"measure", Shape::Query, true},
          {"unit", Shape::Unit, false},
          {"frequency", Shape::Setter, false},
          {"setup", Shape::Command, false}}},
        {Role::FrequencyCounter, {{"measure", Shape::Query, true}, {"setup", Shape::Command, false}}},
        {Role::ModulationAnalyser,
         {{"deviation", Shape::Query, true},
          {"tone", Shape::Query, false},
          {"setup", Shape::Command, false}}},
        {Role::SignalGenerator,
         {{"frequency", Shape::Setter, true},
          {"level", Shape::Setter, true},
          {"fm-deviation", Shape::Setter, false},
          {"fm-tone", Shape::Setter, false},
          {"fm-on", Shape::Command, false},
          {"fm-off", Shape::Command, false},
          {"output-on", Shape::Command, true},
          {"output-off", Shape::Command, true},
          {"read-frequency", Shape::Query, false},
          {"read-level", Shape::Query, false},
          {"setup", Shape::Command, false}}},
        {Role::PowerSupply,
         {{"set-volts", Shape::Setter, true},
          {"current-limit", Shape::Setter, false},
          {"measure-volts", Shape::Query, true},
          {"measure-amps", Shape::Query, true},
          {"output-on", Shape::Command, true},
          {"output-off", Shape::Command, true},
          {"setup", Shape::Command, false}}},
    };
    return specs;
}

constexpr std::size_t kCommandLimit = 200;

void checkCommand(const ConfigEntry& e, Shape shape, const std::string& source) {
    auto fault = [&](const std::string& what) {
        return InstrumentError(InstrumentError::Kind::Config,
                               source + ":" + std::to_string(e.line) + ": '" + e.key + "' " + what);
    };
    if (e.value.size() > kCommandLimit)
        throw fault("is longer than " + std::to_string(kCommandLimit) + " characters");
    if (e.value.find('\t') != std::string::npos)
        throw fault("holds a tab");
    const size_t holes = [&] {
        size_t n = 0;
        for (size_t at = e.value.find("{}"); at != std::string::npos; at = e.value.find("{}", at + 2)) ++n;
        return n;
    }();
    switch (shape) {
        case Shape::Query:
            if (e.value.find('?') == std::string::npos)
                throw fault("is a query and must hold '?'");
            if (holes != 0)
                throw fault("is a query and takes no number '{}'");
            break;
        case Shape::Setter:
            if (holes != 1)
                throw fault("must hold '{}' once, where the number goes");
            break;
        case Shape::Command:
            if (holes != 0)
                throw fault("takes no number '{}'");
            break;
        case Shape::Unit:
            if (e.value != "W" && e.value != "dBm")
                throw fault("must be W or dBm");
            break;
    }
    if ((e.value.find('{') != std::string::npos || e.value.find('}') != std::string::npos) && holes == 0)
        throw fault("holds a stray brace");
}

}  // namespace

std::string roleKey(Role role) {
    switch (role) {
        case Role::PowerMeter:
            return "power-meter";
        case Role::FrequencyCounter:
            return "frequency-counter";
        case Role::ModulationAnalyser:
            return "modulation-analyser";
        case Role::SignalGenerator:
            return "signal-generator";
        case Role::PowerSupply:
            return "power-supply";
    }
    return "";
}

std::string roleTitle(Role role) {
    std::string t = roleKey(role);
    std::replace(t.begin(), t.end(), '-', ' ');
    return t;
}

std::optional<Role> roleOfKey(const std::string& text) {
    std::string k;
    for (char c : text)
        k += (c == '_' || c == ' ') ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (k == "modulation-analyzer")
        k = "modulation-analyser";
    for (Role r : kRoles)
        if (roleKey(r) == k)
            return r;
    return std::nullopt;
}

std::optional<std::string> Dialect::command(Role role, const std::string& key) const {
    const auto r = roles.find(role);
    if (r == roles.end())
        return std::nullopt;
    const auto k = r->second.find(key);
    if (k == r->second.end())
        return std::nullopt;
    return k->second;
}

Dialect parseDialect(const std::string& text, const std::string& source) {
    const std::vector<ConfigSection> sections = parseConfigText(text, source);
    auto fault = [&](int line, const std::string& what) {
        return InstrumentError(InstrumentError::Kind::Config,
                               source + ":" + std::to_string(line) + ": " + what);
    };
    Dialect d;
    for (const ConfigEntry& e : sections[0].entries) {
        if (e.key == "dialect")
            d.name = e.value;
        else if (e.key == "description")
            d.description = e.value;
        else if (e.key == "identify") {
            checkCommand(e, Shape::Query, source);
            d.identify = e.value;
        } else if (e.key == "errors") {
            checkCommand(e, Shape::Query, source);
            d.errorQuery = e.value;
        } else if (e.key == "clear") {
            checkCommand(e, Shape::Command, source);
            d.clear = e.value;
        } else
            throw fault(e.line,
                        "unknown key '" + e.key + "' (dialect, description, identify, errors, clear)");
    }
    if (d.name.empty())
        throw fault(1, "the file names no dialect ('dialect = NAME' before the first section)");
    for (size_t i = 1; i < sections.size(); ++i) {
        const ConfigSection& s = sections[i];
        const std::optional<Role> role = roleOfKey(s.name);
        if (!role || roleKey(*role) != s.name)
            throw fault(s.line, "unknown role [" + s.name +
                                    "] (power-meter, frequency-counter, modulation-analyser, "
                                    "signal-generator, power-supply)");
        const std::vector<KeySpec>& specs = keySpecs().at(*role);
        auto& commands = d.roles[*role];
        for (const ConfigEntry& e : s.entries) {
            const auto spec =
                std::find_if(specs.begin(), specs.end(), [&](const KeySpec& k) { return e.key == k.key; });
            if (spec == specs.end())
                throw fault(e.line, "unknown key '" + e.key + "' for the " + roleTitle(*role));
            checkCommand(e, spec->shape, source);
            commands[e.key] = e.value;
        }
        for (const KeySpec& k : specs)
            if (k.required && !commands.count(k.key))
                throw fault(s.line, "the " + roleTitle(*role) + " needs '" + k.key + "'");
    }
    if (d.roles.empty())
        throw fault(1, "the file serves no role");
    return d;
}

std::vector<std::string> dialectSearchPath(const std::string& settingsFolder, const std::string& dataFolder,
                                           const std::string& programFolder) {
    std::vector<std::string> path;
    if (const char* env = std::getenv("VANTREL_INSTRUMENTS_DIR"); env && *env)
        path.push_back(env);
    // Installed under a prefix the XDG folders do not name (/opt/...): its own data folder still counts.
    for (const std::string& folder : programDataFolders(settingsFolder, dataFolder, programFolder))
        path.push_back(folder + "/instruments");
#ifdef VANTREL_SOURCE_DIALECTS
    path.push_back(VANTREL_SOURCE_DIALECTS);
#endif
    return path;
}

Dialect loadDialect(const std::string& name, const std::vector<std::string>& path) {
    if (name.find('/') != std::string::npos)
        return parseDialect(readConfigFile(name), name);
    const bool plain =
        !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
        });
    if (!plain)
        throw InstrumentError(InstrumentError::Kind::Config, "'" + name + "' is no dialect name");
    for (const std::string& dir : path) {
        const std::string file = dir + "/" + name + ".dialect";
        std::error_code ec;
        // A folder or a device of that name is no dialect file: the search goes on past it, as for every
        // data file.
        if (std::filesystem::is_regular_file(file, ec))
            return parseDialect(readConfigFile(file), file);
    }
    throw InstrumentError(InstrumentError::Kind::Config, "no dialect file '" + name + ".dialect' was found");
}

std::vector<std::string> availableDialects(const std::vector<std::string>& path) {
    std::set<std::string> names;
    for (const std::string& dir : path) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.path().extension() == ".dialect")
                names.insert(entry.path().stem().string());
    }
    return {names.begin(), names.end()};
}

std::string fillCommand(const std::string& pattern, double value) {
    char buf[64];
    // Whole numbers go out without an exponent or decimals, which every SCPI parser takes.
    if (std::fabs(value) < 1e15 && value == std::floor(value))
        std::snprintf(buf, sizeof buf, "%.0f", value);
    else
        std::snprintf(buf, sizeof buf, "%.9g", value);
    std::string out = pattern;
    const size_t at = out.find("{}");
    if (at != std::string::npos)
        out.replace(at, 2, buf);
    return out;
}

}  // namespace vantrel

// The targets of the automatic alignment: the built-in table and the file format a shop overrides it with.
#include "alignment/alignmentTargets.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <stdexcept>

#include "link/regularFile.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace {

// The defaults, in the file's own form: what docs/alignment.md lists and data/alignment.conf repeats.
constexpr const char* kBuiltIn = R"(
[ref-osc-warp]
target = 0
tolerance = 50
probe = 10
max-steps = 10

[tx-high-power]
target = 5.0
tolerance = 0.15
max-rise = 16
probe = 6
max-steps = 12
[tx-high-power high-power-mobile]
target = 50
tolerance = 1.5
[tx-high-power mobile]
target = 25
tolerance = 0.75

[tx-low-power]
target = 1.0
tolerance = 0.05
max-rise = 16
probe = 6
max-steps = 12
[tx-low-power high-power-mobile]
target = 10
tolerance = 0.3
[tx-low-power mobile]
target = 5
tolerance = 0.15

[tx-mobile-power]
max-steps = 2

[pa-voltage-limit]
levels-dbm = -60

[pa-bias-high]
target = 0.1
tolerance = 0.01
max-rise = 16
probe = 8
max-steps = 14
[pa-bias-low]
target = 0.1
tolerance = 0.01
max-rise = 16
probe = 8
max-steps = 14

[mod-balance-attn]
target = 3000
tolerance = 100
probe = 3
[vco-attn-12k5]
target = 3000
tolerance = 100
probe = 6
[vco-attn-20k]
target = 3000
tolerance = 100
probe = 6
[vco-attn-25k]
target = 3000
tolerance = 100
probe = 6
[dtmf-deviation]
target = 3000
tolerance = 100
probe = 2
[qdt1200-deviation]
target = 3000
tolerance = 100
probe = 2
[hss-deviation]
target = 3000
tolerance = 100
probe = 2
[select5-deviation]
target = 3000
tolerance = 100
probe = 2
[mpt1327-deviation]
target = 1500
tolerance = 75
probe = 2

[rx-front-end-filter]
levels-dbm = -90
max-steps = 16
probe = 4
[rx-squelch-12k5]
levels-dbm = -118
fm-deviation-hz = 1500
[rx-squelch-20k]
levels-dbm = -118
fm-deviation-hz = 2400
[rx-squelch-25k]
levels-dbm = -118
fm-deviation-hz = 3000
[rx-rssi]
levels-dbm = -110 -100 -90

[battery-threshold]
supply-minimum = 5.0
supply-maximum = 10.0
[battery-threshold mobile]
supply-minimum = 9.0
supply-maximum = 16.0
[battery-threshold high-power-mobile]
supply-minimum = 9.0
supply-maximum = 16.0
)";

const std::set<std::string> kGroups = {"portable", "mobile", "high-power-mobile"};
const std::set<std::string> kKeys = {"target",         "tolerance",      "max-steps",       "max-rise",
                                     "probe",          "levels-dbm",     "fm-deviation-hz", "fm-tone-hz",
                                     "supply-minimum", "supply-maximum", "confirmations"};

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::optional<double> number(const std::string& text) {
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || std::fabs(v) > 1e12)
        return std::nullopt;
    return v;
}

std::vector<double> numbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        const auto v = number(word);
        if (!v)
            throw std::invalid_argument("'" + word + "' is no number");
        out.push_back(*v);
    }
    return out;
}

/// Checks one key's value; throws std::invalid_argument with the reason.
void checkValue(const std::string& key, const std::string& value) {
    if (key == "levels-dbm") {
        const std::vector<double> v = numbers(value);
        if (v.empty() || v.size() > 8)
            throw std::invalid_argument("levels-dbm needs one to eight levels");
        for (double d : v)
            if (d < -140 || d > 20)
                throw std::invalid_argument("a generator level lies between -140 and 20 dBm");
        return;
    }
    const auto v = number(value);
    if (!v)
        throw std::invalid_argument(key + " needs a number, not '" + value + "'");
    const bool whole = std::floor(*v) == *v;
    if (key == "max-steps" && (!whole || *v < 1 || *v > 64))
        throw std::invalid_argument("max-steps is a whole number 1 to 64");
    if ((key == "max-rise" || key == "probe") && (!whole || *v < 0 || *v > 255))
        throw std::invalid_argument(key + " is a whole number 0 to 255");
    if (key == "confirmations" && (!whole || *v < 0 || *v > 10))
        throw std::invalid_argument("confirmations is a whole number 0 to 10");
    if (key == "tolerance" && *v < 0)
        throw std::invalid_argument("tolerance is not negative");
    if ((key == "supply-minimum" || key == "supply-maximum") && (*v < 0 || *v > 60))
        throw std::invalid_argument(key + " lies between 0 and 60 V");
}

void parseInto(std::map<std::string, std::map<std::string, std::string>>& sections, const std::string& text,
               const std::string& source) {
    std::istringstream in(text);
    std::string line;
    std::string section;
    int number = 0;
    auto fail = [&](const std::string& what) {
        throw std::runtime_error(source + ":" + std::to_string(number) + ": " + what);
    };
    while (std::getline(in, line)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                fail("a section is written [PROCEDURE] or [PROCEDURE GROUP]");
            std::istringstream words(line.substr(1, line.size() - 2));
            std::string procedure, group, extra;
            words >> procedure >> group >> extra;
            if (procedure.empty() || !extra.empty())
                fail("a section is written [PROCEDURE] or [PROCEDURE GROUP]");
            if (!group.empty() && !kGroups.count(group))
                fail("'" + group + "' is no model group (portable, mobile, high-power-mobile)");
            section = group.empty() ? procedure : procedure + " " + group;
            sections[section];
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            fail("expected KEY = VALUE");
        if (section.empty())
            fail("a value before the first section");
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (!kKeys.count(key))
            fail("'" + key + "' is no alignment key");
        try {
            checkValue(key, value);
        } catch (const std::invalid_argument& e) {
            fail(e.what());
        }
        sections[section][key] = value;
    }
}

}  // namespace

alignmentTargets alignmentTargets::defaults() {
    alignmentTargets t;
    parseInto(t.m_sections, kBuiltIn, "built-in");
    return t;
}

alignmentTargets alignmentTargets::parse(const std::string& text, const std::string& source) {
    alignmentTargets t = defaults();
    parseInto(t.m_sections, text, source);
    t.m_source = source;
    return t;
}

alignmentTargets alignmentTargets::load(const std::string& path) {
    // A targets file is a page of text: anything far larger, or no regular file, is not one.
    const RegularFileText read = readRegularFile(path, 1 << 20);
    if (!read)
        throw std::runtime_error(path + ": " + read.reason());
    return parse(read.text, path);
}

std::optional<alignmentTarget> alignmentTargets::targetFor(const std::string& procedure,
                                                           const std::string& group) const {
    std::map<std::string, std::string> keys;
    bool found = false;
    for (const std::string& name : {procedure, procedure + " " + group}) {
        const auto it = m_sections.find(name);
        if (it == m_sections.end())
            continue;
        found = true;
        for (const auto& [k, v] : it->second) keys[k] = v;
    }
    if (!found)
        return std::nullopt;
    alignmentTarget t;
    auto get = [&](const char* key, auto& field) {
        if (const auto it = keys.find(key); it != keys.end())
            field = static_cast<std::remove_reference_t<decltype(field)>>(*number(it->second));
    };
    get("target", t.target);
    get("tolerance", t.tolerance);
    get("max-steps", t.maxSteps);
    get("max-rise", t.maxRise);
    get("probe", t.probe);
    get("fm-deviation-hz", t.fmDeviationHz);
    get("fm-tone-hz", t.fmToneHz);
    get("supply-minimum", t.supplyMinimum);
    get("supply-maximum", t.supplyMaximum);
    get("confirmations", t.confirmations);
    if (const auto it = keys.find("levels-dbm"); it != keys.end())
        t.levelsDbm = numbers(it->second);
    return t;
}

std::string alignmentGroup(const radioStorage& record) {
    if (record.getTuningProcedure() == 1)
        return "portable";
    return radiomodel().isHighMobile(record) ? "high-power-mobile" : "mobile";
}

}  // namespace vantrel

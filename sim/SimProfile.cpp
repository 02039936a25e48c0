// Profile defaults, JSON loading and the profile search path of the simulated radio.
#include "sim/SimProfile.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/SimProtocol.h"

#ifndef VANTREL_SIM_SOURCE_PROFILES
#define VANTREL_SIM_SOURCE_PROFILES ""
#endif

namespace vantrel {

using namespace sim;
using nlohmann::json;

namespace {

/// The shape and default values of every softpot the simulated radio knows.
struct SoftpotDefault {
    int number;
    int width;
    bool perPoint;
    SimSide side;
    SimSetRule rule;
    std::vector<std::vector<int64_t>> values;
};

std::vector<int64_t> ramp(int64_t first, int64_t step) {
    std::vector<int64_t> v;
    for (int i = 0; i < softpot::kPointCount; ++i) v.push_back(first + i * step);
    return v;
}

const std::vector<SoftpotDefault>& softpotDefaults() {
    static const std::vector<SoftpotDefault> table = {
        {softpot::TxPower, 1, true, SimSide::Tx, SimSetRule::Power, {ramp(100, 2), ramp(90, 1)}},
        {softpot::TempComp, 4, false, SimSide::Tx, SimSetRule::None, {{0x12345678}}},
        {softpot::VcoAttenuation,
         1,
         true,
         SimSide::Tx,
         SimSetRule::Spacing,
         {ramp(60, 1), ramp(70, 1), ramp(80, 1)}},
        {softpot::ModAttenuation,
         1,
         true,
         SimSide::Tx,
         SimSetRule::Spacing,
         {ramp(30, 1), ramp(40, 1), ramp(50, 1)}},
        {softpot::Mpt1327Deviation, 1, false, SimSide::Tx, SimSetRule::None, {{16}}},
        {softpot::PaVoltageLimit, 1, true, SimSide::Tx, SimSetRule::Power, {ramp(100, 1), ramp(80, 1)}},
        {softpot::AutoSquelch,
         1,
         true,
         SimSide::Rx,
         SimSetRule::Spacing,
         {ramp(40, 1), ramp(45, 1), ramp(50, 1)}},
        {softpot::RatedVolume, 1, false, SimSide::Rx, SimSetRule::VolumeMode, {{128}, {120}}},
        {softpot::Battery, 1, false, SimSide::Tx, SimSetRule::None, {{98}}},
        {softpot::RefOscWarp, 2, false, SimSide::Tx, SimSetRule::None, {{256}}},
        {softpot::FrontEndFilter, 1, true, SimSide::Rx, SimSetRule::None, {ramp(30, 1)}},
        {softpot::DtmfDeviation, 1, false, SimSide::Tx, SimSetRule::None, {{20}}},
        {softpot::Select5Deviation, 1, false, SimSide::Tx, SimSetRule::None, {{22}}},
        {softpot::HssDeviation, 1, false, SimSide::Tx, SimSetRule::None, {{24}}},
        {softpot::MobilePower, 2, true, SimSide::Tx, SimSetRule::None, {ramp(0x5030, 0x0101)}},
        {softpot::PaBiasFirst, 1, false, SimSide::Tx, SimSetRule::Power, {{110}, {90}}},
        {softpot::PaBiasSecond, 1, false, SimSide::Tx, SimSetRule::Power, {{105}, {85}}},
        {softpot::Qdt1200Deviation, 1, false, SimSide::Tx, SimSetRule::None, {{26}}},
        {softpot::PaBiasThird, 1, false, SimSide::Tx, SimSetRule::Power, {{100}, {80}}},
        {softpot::TxPowerThird, 1, true, SimSide::Tx, SimSetRule::Power, {ramp(110, 2), ramp(80, 1)}},
    };
    return table;
}

int setCount(SimSetRule rule) {
    switch (rule) {
        case SimSetRule::Power:
        case SimSetRule::VolumeMode:
            return 2;
        case SimSetRule::Spacing:
            return testmode::kSpacingCount;
        case SimSetRule::None:
            break;
    }
    return 1;
}

std::string padded(std::string text, size_t length) {
    text.resize(length, ' ');
    return text;
}

/// Reads JSON values with errors that name the profile and the field.
class Reader {
  public:
    explicit Reader(std::string profile) : m_profile(std::move(profile)) {}

    [[noreturn]] void fail(const std::string& field, const std::string& what) const {
        throw SimProfileError("profile '" + m_profile + "': " + (field.empty() ? what : field + ": " + what));
    }
    void onlyKeys(const json& obj, const std::string& field, std::initializer_list<const char*> keys) const {
        if (!obj.is_object())
            fail(field, "expected an object");
        for (auto it = obj.begin(); it != obj.end(); ++it)
            if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return it.key() == k; }))
                fail(field.empty() ? it.key() : field + "." + it.key(), "unknown key");
    }
    int64_t integer(const json& v, const std::string& field, int64_t lo, int64_t hi) const {
        if (!v.is_number_integer())
            fail(field, "expected an integer");
        const int64_t n = v.get<int64_t>();
        if (n < lo || n > hi)
            fail(field,
                 "value " + std::to_string(n) + " outside " + std::to_string(lo) + ".." + std::to_string(hi));
        return n;
    }
    uint8_t byte(const json& v, const std::string& field) const {
        return static_cast<uint8_t>(integer(v, field, 0, 255));
    }
    double number(const json& v, const std::string& field, double lo, double hi) const {
        if (!v.is_number())
            fail(field, "expected a number");
        const double n = v.get<double>();
        if (!(n >= lo && n <= hi))
            fail(field, "value " + v.dump() + " outside " + json(lo).dump() + ".." + json(hi).dump());
        return n;
    }
    bool boolean(const json& v, const std::string& field) const {
        if (!v.is_boolean())
            fail(field, "expected true or false");
        return v.get<bool>();
    }
    std::string text(const json& v, const std::string& field) const {
        if (!v.is_string())
            fail(field, "expected a text");
        return v.get<std::string>();
    }
    std::vector<int64_t> integers(const json& v, const std::string& field, int64_t lo, int64_t hi,
                                  size_t exact = 0) const {
        if (!v.is_array())
            fail(field, "expected a list of numbers");
        if (exact && v.size() != exact)
            fail(field, "expected " + std::to_string(exact) + " numbers");
        std::vector<int64_t> out;
        for (size_t i = 0; i < v.size(); ++i)
            out.push_back(integer(v[i], field + "[" + std::to_string(i) + "]", lo, hi));
        return out;
    }
    template <size_t N>
    std::array<uint8_t, N> bytes(const json& v, const std::string& field) const {
        std::array<uint8_t, N> out{};
        const auto list = integers(v, field, 0, 255, N);
        std::copy(list.begin(), list.end(), out.begin());
        return out;
    }
    std::array<uint16_t, 7> points(const json& v, const std::string& field) const {
        std::array<uint16_t, 7> out{};
        const auto list = integers(v, field, 0, 0xFFFF, 7);
        std::copy(list.begin(), list.end(), out.begin());
        return out;
    }
    /// Text of exactly `length` characters, or a hexadecimal identifier of 2 × length digits.
    template <size_t N>
    std::array<uint8_t, N> identifier(const json& v, const std::string& field) const {
        const std::string s = text(v, field);
        std::array<uint8_t, N> out{};
        if (s.size() == 2 * N && std::all_of(s.begin(), s.end(), ::isxdigit)) {
            for (size_t i = 0; i < N; ++i)
                out[i] = static_cast<uint8_t>(std::stoul(s.substr(2 * i, 2), nullptr, 16));
        } else if (s.size() <= N) {
            std::copy(s.begin(), s.end(), out.begin());
            std::fill(out.begin() + s.size(), out.end(), ' ');
        } else {
            fail(field, "expected up to " + std::to_string(N) + " characters or " + std::to_string(2 * N) +
                            " hexadecimal digits");
        }
        return out;
    }
    uint32_t address(const json& v, const std::string& field) const {
        return static_cast<uint32_t>(integer(v, field, 0, 0xFFFFFF));
    }

  private:
    std::string m_profile;
};

int softpotKey(const Reader& r, const std::string& key, const std::string& field) {
    size_t used = 0;
    int n = -1;
    try {
        n = std::stoi(key, &used);
    } catch (const std::exception&) {
    }
    if (used != key.size() || n < 0 || n > softpot::kHighest)
        r.fail(field + "." + key, "not a softpot number 0..28");
    return n;
}

void readSoftpotValues(const Reader& r, const json& v, SimSoftpotSpec& sp, const std::string& field) {
    const int64_t maxValue = sp.width >= 4 ? 0xFFFFFFFFLL : (1LL << (8 * sp.width)) - 1;
    const int sets = static_cast<int>(sp.values.size());
    auto one = [&](const json& item, const std::string& f) -> std::vector<int64_t> {
        if (sp.perPoint)
            return r.integers(item, f, 0, maxValue, softpot::kPointCount);
        return {r.integer(item, f, 0, maxValue)};
    };
    // A value for every set, or a list with one value (or seven) per set.
    const bool perSet = sp.perPoint ? (v.is_array() && !v.empty() && v[0].is_array()) : v.is_array();
    if (!perSet) {
        const auto values = one(v, field);
        for (auto& s : sp.values) s = values;
        return;
    }
    if (static_cast<int>(v.size()) > sets)
        r.fail(field, "the softpot has " + std::to_string(sets) + " value set(s)");
    for (size_t i = 0; i < v.size(); ++i) sp.values[i] = one(v[i], field + "[" + std::to_string(i) + "]");
}

SimCodeplugTable readTable(const Reader& r, const json& t, const std::string& field) {
    r.onlyKeys(t, field,
               {"address", "form", "entrySize", "entries", "records", "entryChecksums", "recordChecksums",
                "tableChecksum", "marker", "varyingRecords"});
    SimCodeplugTable table;
    if (!t.contains("address"))
        r.fail(field, "address missing");
    table.address = r.address(t["address"], field + ".address");
    const std::string form = t.contains("form") ? r.text(t["form"], field + ".form") : "short";
    if (form != "short" && form != "long")
        r.fail(field + ".form", "expected \"short\" or \"long\"");
    table.longForm = form == "long";
    if (t.contains("entrySize"))
        table.entrySize = static_cast<int>(r.integer(t["entrySize"], field + ".entrySize", 1, 255));
    auto flag = [&](const char* k, bool& out) {
        if (t.contains(k))
            out = r.boolean(t[k], field + "." + k);
    };
    flag("entryChecksums", table.entryChecksums);
    flag("recordChecksums", table.recordChecksums);
    flag("tableChecksum", table.tableChecksum);
    flag("marker", table.marker);
    flag("varyingRecords", table.varyingRecords);
    auto entries = [&](const json& list, const std::string& f) {
        if (!list.is_array())
            r.fail(f, "expected a list of entries");
        std::vector<std::vector<uint8_t>> out;
        for (size_t i = 0; i < list.size(); ++i) {
            const auto bytes =
                r.integers(list[i], f + "[" + std::to_string(i) + "]", 0, 255, table.entrySize);
            out.emplace_back(bytes.begin(), bytes.end());
        }
        return out;
    };
    if (!table.longForm) {
        if (!t.contains("entries"))
            r.fail(field, "entries missing");
        table.records.push_back(entries(t["entries"], field + ".entries"));
    } else {
        if (!t.contains("records") || !t["records"].is_array())
            r.fail(field, "records missing");
        for (size_t i = 0; i < t["records"].size(); ++i)
            table.records.push_back(entries(t["records"][i], field + ".records[" + std::to_string(i) + "]"));
    }
    return table;
}

void placeTables(const Reader& r, SimProfile& p) {
    for (size_t i = 0; i < p.tables.size(); ++i) {
        std::vector<uint8_t> bytes;
        try {
            bytes = encodeCodeplugTable(p.tables[i]);
        } catch (const std::invalid_argument& e) {
            r.fail("codeplug.tables[" + std::to_string(i) + "]", e.what());
        }
        const uint32_t at = p.tables[i].address;
        if (at + bytes.size() > p.codeplug.size())
            r.fail("codeplug.tables[" + std::to_string(i) + "]", "does not fit in the codeplug");
        if (at < codeplug::ChecksumAddress + 2 && at + bytes.size() > codeplug::ChecksumAddress)
            r.fail("codeplug.tables[" + std::to_string(i) + "]", "overlaps the codeplug checksum");
        std::copy(bytes.begin(), bytes.end(), p.codeplug.begin() + at);
    }
}

void readCodeplug(const Reader& r, const json& c, SimProfile& p) {
    r.onlyKeys(c, "codeplug", {"size", "version", "bytes", "tables", "readOnly"});
    uint32_t size = codeplug::kDefaultSize;
    if (c.contains("size"))
        size = static_cast<uint32_t>(
            r.integer(c["size"], "codeplug.size", codeplug::ChecksumAddress + 2, 0x10000));
    const uint8_t version = p.codeplug[codeplug::VersionAddress];
    p.codeplug.assign(size, 0xFF);
    p.codeplug[codeplug::VersionAddress] = version;
    if (c.contains("version"))
        p.codeplug[codeplug::VersionAddress] = r.byte(c["version"], "codeplug.version");
    p.tables.clear();
    if (c.contains("tables")) {
        if (!c["tables"].is_array())
            r.fail("codeplug.tables", "expected a list");
        for (size_t i = 0; i < c["tables"].size(); ++i)
            p.tables.push_back(readTable(r, c["tables"][i], "codeplug.tables[" + std::to_string(i) + "]"));
    }
    placeTables(r, p);
    if (c.contains("readOnly")) {
        if (!c["readOnly"].is_array())
            r.fail("codeplug.readOnly", "expected a list of [first, last] ranges");
        for (size_t i = 0; i < c["readOnly"].size(); ++i) {
            const auto range =
                r.integers(c["readOnly"][i], "codeplug.readOnly[" + std::to_string(i) + "]", 0, 0xFFFFFF, 2);
            p.readOnly.emplace_back(static_cast<uint32_t>(range[0]), static_cast<uint32_t>(range[1]));
        }
    }
}

void readCodeplugBytes(const Reader& r, const json& c, SimProfile& p) {
    if (!c.contains("bytes"))
        return;
    const json& b = c["bytes"];
    if (!b.is_object())
        r.fail("codeplug.bytes", "expected an object of address: [bytes]");
    for (auto it = b.begin(); it != b.end(); ++it) {
        const std::string f = "codeplug.bytes." + it.key();
        size_t used = 0;
        unsigned long at = 0;
        try {
            at = std::stoul(it.key(), &used, 0);
        } catch (const std::exception&) {
        }
        if (used != it.key().size())
            r.fail(f, "the key must be an address");
        const auto bytes = r.integers(it.value(), f, 0, 255);
        if (at + bytes.size() > p.codeplug.size())
            r.fail(f, "does not fit in the codeplug");
        std::copy(bytes.begin(), bytes.end(), p.codeplug.begin() + static_cast<long>(at));
    }
}

SimCurve readCurve(const Reader& r, const json& c, const std::string& f, int64_t maxValue, double lo,
                   double hi) {
    if (!c.is_array() || c.size() < 2)
        r.fail(f, "expected two or more [softpot value, quantity] pairs");
    SimCurve curve;
    for (size_t i = 0; i < c.size(); ++i) {
        const std::string e = f + "[" + std::to_string(i) + "]";
        if (!c[i].is_array() || c[i].size() != 2)
            r.fail(e, "expected [softpot value, quantity]");
        const int64_t value = r.integer(c[i][0], e + "[0]", 0, maxValue);
        if (!curve.points.empty() && value <= curve.points.back().first)
            r.fail(e, "softpot values must rise from one point to the next");
        curve.points.emplace_back(value, r.number(c[i][1], e + "[1]", lo, hi));
    }
    return curve;
}

void readBench(const Reader& r, const json& j, SimProfile& p) {
    r.onlyKeys(j, "bench",
               {"exactWarp", "hzPerWarpStep", "deviation", "idleAmps", "ampsPerWatt", "biasAmps",
                "measurePerVolt", "measureOffset", "rssiAtMinus120", "rssiPerDb", "bandwidthHz",
                "squelchPerDb", "frontEndPeak", "frontEndPenalty"});
    SimBenchModel& b = p.bench;
    if (j.contains("exactWarp"))
        b.exactWarp = r.integer(j["exactWarp"], "bench.exactWarp", 0, 511);
    if (j.contains("hzPerWarpStep"))
        b.hzPerWarpStep = r.number(j["hzPerWarpStep"], "bench.hzPerWarpStep", -1000, 1000);
    if (j.contains("deviation")) {
        const json& d = j["deviation"];
        if (!d.is_array())
            r.fail("bench.deviation", "expected a list of {mode, softpot, tone, curve}");
        b.deviation.clear();
        for (size_t i = 0; i < d.size(); ++i) {
            const std::string f = "bench.deviation[" + std::to_string(i) + "]";
            r.onlyKeys(d[i], f, {"mode", "softpot", "tone", "curve"});
            if (!d[i].contains("mode") || !d[i].contains("softpot") || !d[i].contains("curve"))
                r.fail(f, "needs mode, softpot and curve");
            SimDeviationModel m;
            m.mode = static_cast<int>(r.integer(d[i]["mode"], f + ".mode", 0, 255));
            m.softpot = static_cast<int>(r.integer(d[i]["softpot"], f + ".softpot", 0, softpot::kHighest));
            if (d[i].contains("tone"))
                m.toneHz = r.number(d[i]["tone"], f + ".tone", 1, 100000);
            m.curve = readCurve(r, d[i]["curve"], f + ".curve", 255, 0, 100000);
            b.deviation.push_back(m);
        }
    }
    if (j.contains("idleAmps"))
        b.idleAmps = r.number(j["idleAmps"], "bench.idleAmps", 0, 100);
    if (j.contains("ampsPerWatt"))
        b.ampsPerWatt = r.number(j["ampsPerWatt"], "bench.ampsPerWatt", 0, 100);
    if (j.contains("biasAmps")) {
        const json& ba = j["biasAmps"];
        if (!ba.is_object())
            r.fail("bench.biasAmps", "expected an object of softpot number: curve");
        b.biasAmps.clear();
        for (auto it = ba.begin(); it != ba.end(); ++it) {
            const int n = softpotKey(r, it.key(), "bench.biasAmps");
            b.biasAmps[n] = readCurve(r, it.value(), "bench.biasAmps." + it.key(), 255, 0, 100);
        }
    }
    if (j.contains("measurePerVolt"))
        b.measurePerVolt = r.number(j["measurePerVolt"], "bench.measurePerVolt", 0, 100);
    if (j.contains("measureOffset"))
        b.measureOffset = r.number(j["measureOffset"], "bench.measureOffset", -255, 255);
    if (j.contains("rssiAtMinus120"))
        b.rssiAtMinus120 = r.number(j["rssiAtMinus120"], "bench.rssiAtMinus120", 0, 255);
    if (j.contains("rssiPerDb"))
        b.rssiPerDb = r.number(j["rssiPerDb"], "bench.rssiPerDb", 0, 20);
    if (j.contains("bandwidthHz"))
        b.bandwidthHz = r.number(j["bandwidthHz"], "bench.bandwidthHz", 100, 1e6);
    if (j.contains("squelchPerDb"))
        b.squelchPerDb = r.number(j["squelchPerDb"], "bench.squelchPerDb", -20, 20);
    if (j.contains("frontEndPeak")) {
        const auto v = r.integers(j["frontEndPeak"], "bench.frontEndPeak", 0, 255);
        if (v.size() != 7)
            r.fail("bench.frontEndPeak", "expected seven values, one a point");
        std::copy(v.begin(), v.end(), b.frontEndPeak.begin());
    }
    if (j.contains("frontEndPenalty"))
        b.frontEndPenalty = r.number(j["frontEndPenalty"], "bench.frontEndPenalty", 0, 100);
}

void readPower(const Reader& r, const json& j, SimProfile& p) {
    r.onlyKeys(j, "power", {"softpot", "rated", "gain", "curve"});
    SimPowerModel& m = p.power;
    if (j.contains("softpot")) {
        m.softpot = static_cast<int>(r.integer(j["softpot"], "power.softpot", 0, softpot::kHighest));
        if (m.softpot != softpot::TxPower && m.softpot != softpot::TxPowerThird)
            r.fail("power.softpot", "expected a transmit power softpot (0 or 28)");
    }
    if (j.contains("rated"))
        m.ratedWatts = r.number(j["rated"], "power.rated", 0.001, 10000.0);
    if (j.contains("gain")) {
        const json& g = j["gain"];
        if (g.is_number()) {
            m.gain.fill(r.number(g, "power.gain", 0.01, 100.0));
        } else {
            if (!g.is_array() || g.size() != m.gain.size())
                r.fail("power.gain", "expected a number or seven numbers, one a point");
            for (size_t i = 0; i < m.gain.size(); ++i)
                m.gain[i] = r.number(g[i], "power.gain[" + std::to_string(i) + "]", 0.01, 100.0);
        }
    }
    if (j.contains("curve")) {
        const json& c = j["curve"];
        if (!c.is_array() || c.size() < 2)
            r.fail("power.curve", "expected two or more [softpot value, fraction of rated power] pairs");
        m.curve.clear();
        for (size_t i = 0; i < c.size(); ++i) {
            const std::string f = "power.curve[" + std::to_string(i) + "]";
            if (!c[i].is_array() || c[i].size() != 2)
                r.fail(f, "expected [softpot value, fraction of rated power]");
            const int64_t value = r.integer(c[i][0], f + "[0]", 0, 255);
            const double fraction = r.number(c[i][1], f + "[1]", 0.0, 100.0);
            // A power that falls while the drive rises would leave an alignment nothing to converge on.
            if (!m.curve.empty() && value <= m.curve.back().first)
                r.fail(f, "softpot values must rise from one point to the next");
            if (!m.curve.empty() && fraction < m.curve.back().second)
                r.fail(f, "the fraction of rated power must not fall as the softpot value rises");
            m.curve.emplace_back(value, fraction);
        }
    }
}

SimBboConfigBlock readBboConfig(const Reader& r, const json& b) {
    r.onlyKeys(b, "bboConfig",
               {"word", "modelKey", "modelChar", "versionAddress", "lowVersion", "highVersion",
                "tableAddress", "rows"});
    SimBboConfigBlock block;
    if (b.contains("word"))
        block.word = static_cast<uint32_t>(r.integer(b["word"], "bboConfig.word", 0, 0xFFFFFF));
    if (!b.contains("modelKey") || !b.contains("modelChar") || !b.contains("tableAddress") ||
        !b.contains("rows"))
        r.fail("bboConfig", "needs modelKey, modelChar, tableAddress and rows");
    block.modelKey = r.text(b["modelKey"], "bboConfig.modelKey");
    if (block.modelKey.size() != 3)
        r.fail("bboConfig.modelKey", "expected three characters");
    const std::string mc = r.text(b["modelChar"], "bboConfig.modelChar");
    if (mc.size() != 1)
        r.fail("bboConfig.modelChar", "expected one character");
    block.modelChar = mc[0];
    if (b.contains("versionAddress"))
        block.versionAddress = r.address(b["versionAddress"], "bboConfig.versionAddress");
    if (b.contains("lowVersion"))
        block.lowVersion = r.byte(b["lowVersion"], "bboConfig.lowVersion");
    if (b.contains("highVersion"))
        block.highVersion = r.byte(b["highVersion"], "bboConfig.highVersion");
    block.tableAddress = r.address(b["tableAddress"], "bboConfig.tableAddress");
    if (!b["rows"].is_array() || b["rows"].empty() || b["rows"].size() > 20)
        r.fail("bboConfig.rows", "expected a list of 1 to 20 rows");
    for (size_t i = 0; i < b["rows"].size(); ++i) {
        const std::string f = "bboConfig.rows[" + std::to_string(i) + "]";
        const json& row = b["rows"][i];
        r.onlyKeys(row, f, {"name", "position", "mask"});
        SimBboConfigRow out;
        out.name = r.text(row.value("name", json()), f + ".name");
        if (out.name.size() > 25)
            r.fail(f + ".name", "longer than 25 characters");
        out.position = r.byte(row.value("position", json()), f + ".position");
        out.mask = r.byte(row.value("mask", json(15)), f + ".mask");
        block.rows.push_back(out);
    }
    return block;
}

}  // namespace

SimProfile SimProfile::defaults() {
    SimProfile p;
    p.name = "default";
    p.description = "Portable, seven points, every softpot but mobile power";
    p.modelNo = padded("P45TSC7B4W", identity::kModelLength);
    p.serialNo = "SIM0000001";
    const std::string uuid = "SIMULATED-RADIO1";
    std::copy(uuid.begin(), uuid.end(), p.uuid.begin());
    p.icVersion = {0x01, 0x20, 0x03, 0x04};
    p.base = 5200;  // 130 MHz
    p.option = 0x07;
    p.procedure = 1;
    p.txPoints = {1000, 2000, 3000, 4000, 5000, 6000, 7000};
    p.rxPoints = p.txPoints;
    for (const SoftpotDefault& d : softpotDefaults()) {
        SimSoftpotSpec sp;
        sp.number = d.number;
        sp.width = d.width;
        sp.perPoint = d.perPoint;
        sp.side = d.side;
        sp.rule = d.rule;
        sp.values = d.values;
        sp.values.resize(static_cast<size_t>(setCount(d.rule)), d.values.back());
        sp.supported = d.number != softpot::MobilePower;
        p.softpots[d.number] = sp;
    }
    p.rssi = std::array<uint8_t, 3>{40, 80, 120};
    p.rssiCalDac26 = {0x21, 0x22, 0x23};
    p.rssiCalDac25 = {0x31, 0x32, 0x33};
    p.batteryLevel = 0x9C;
    // A 5 W portable: the drive does nothing below 16, rises steeply through the working range and
    // saturates near 1.4 times rated; the amplifier gives a little less towards the top of the band.
    p.power.ratedWatts = 5.0;
    p.power.gain = {1.08, 1.06, 1.04, 1.02, 1.0, 0.98, 0.96};
    p.power.curve = {{0, 0.0},    {16, 0.0},   {40, 0.08},  {64, 0.3},  {88, 0.62},
                     {112, 0.95}, {136, 1.18}, {176, 1.35}, {255, 1.42}};
    // Stored deviation values sit a few steps off the usual targets (3 kHz DTMF, QDT1200 and Select 5,
    // 1.5 kHz MPT, 3 kHz high-speed trunking, 3 kHz at 1 kHz for the VCO attenuation).
    auto line = [](int64_t top, double hz) { return SimCurve{{{0, 0.0}, {top, hz}}}; };
    p.bench.deviation = {
        {3, softpot::DtmfDeviation, 1209, line(31, 3875)},
        {4, softpot::Qdt1200Deviation, 1200, line(31, 4650)},
        {4, softpot::Select5Deviation, 1060, line(31, 4000)},
        {5, softpot::Mpt1327Deviation, 1200, line(31, 3500)},
        {7, softpot::HssDeviation, 3600, line(31, 4200)},
        {128, softpot::VcoAttenuation, 1000, line(127, 5500)},
        {14, softpot::ModAttenuation, 150, line(63, 4000)},
    };
    // Bias currents rise steeply once the device conducts; the targets lie near 0.1 A each.
    p.bench.biasAmps = {
        {softpot::PaBiasFirst, SimCurve{{{0, 0.0}, {60, 0.0}, {127, 0.25}, {255, 0.6}}}},
        {softpot::PaBiasSecond, SimCurve{{{0, 0.0}, {50, 0.0}, {127, 0.22}, {255, 0.55}}}},
        {softpot::PaBiasThird, SimCurve{{{0, 0.0}, {40, 0.0}, {127, 0.2}, {255, 0.5}}}},
    };
    p.codeplug.assign(codeplug::kDefaultSize, 0xFF);
    p.codeplug[codeplug::VersionAddress] = 25;
    storeCodeplugChecksum(p.codeplug);
    return p;
}

double SimPowerModel::fraction(int64_t value) const {
    if (curve.empty())
        return 0.0;
    if (value <= curve.front().first)
        return curve.front().second;
    for (size_t i = 1; i < curve.size(); ++i) {
        const auto& [v1, f1] = curve[i];
        if (value > v1)
            continue;
        const auto& [v0, f0] = curve[i - 1];
        return f0 + (f1 - f0) * static_cast<double>(value - v0) / static_cast<double>(v1 - v0);
    }
    return curve.back().second;
}

double SimPowerModel::watts(int64_t value, int point) const {
    if (point < 0 || point >= static_cast<int>(gain.size()))
        return 0.0;
    return ratedWatts * gain[static_cast<size_t>(point)] * fraction(value);
}

double SimCurve::at(int64_t value) const {
    if (points.empty())
        return 0.0;
    if (value <= points.front().first)
        return points.front().second;
    for (size_t i = 1; i < points.size(); ++i) {
        const auto& [v1, y1] = points[i];
        if (value > v1)
            continue;
        const auto& [v0, y0] = points[i - 1];
        return y0 + (y1 - y0) * static_cast<double>(value - v0) / static_cast<double>(v1 - v0);
    }
    return points.back().second;
}

const SimSoftpotSpec* SimProfile::softpot(int number) const {
    auto it = softpots.find(number);
    return it == softpots.end() ? nullptr : &it->second;
}

SimProfile SimProfile::fromJson(const std::string& text, const std::string& name) {
    Reader r(name);
    json j;
    // A profile is a few levels deep; a file nested thousands deep would otherwise exhaust the stack
    // when its values are copied. The parser itself keeps its nesting on the heap.
    constexpr int kMaxDepth = 32;
    const json::parser_callback_t bound = [&name](int depth, json::parse_event_t event, json&) {
        if ((event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) &&
            depth >= kMaxDepth)
            throw SimProfileError("profile '" + name + "': nested deeper than " + std::to_string(kMaxDepth) +
                                  " levels");
        return true;
    };
    try {
        j = json::parse(text, bound);
    } catch (const json::parse_error& e) {
        throw SimProfileError("profile '" + name + "': not valid JSON: " + e.what());
    }
    r.onlyKeys(j, "",
               {"description", "identity", "tuning", "softpots", "unsupported", "autoTune", "tableRead",
                "tableWrite", "refuseSinglePointWrites", "rssi", "battery", "bbo", "codeplug", "bboConfig",
                "power", "bench", "timing", "faults"});
    SimProfile p = defaults();
    p.name = name;
    if (j.contains("description"))
        p.description = r.text(j["description"], "description");

    if (j.contains("identity")) {
        const json& id = j["identity"];
        r.onlyKeys(id, "identity", {"model", "serial", "uuid", "icVersion", "powerUpStatus"});
        if (id.contains("model")) {
            const std::string m = r.text(id["model"], "identity.model");
            if (m.size() > identity::kModelLength)
                r.fail("identity.model", "longer than 16 characters");
            p.modelNo = padded(m, identity::kModelLength);
        }
        if (id.contains("serial")) {
            const std::string s = r.text(id["serial"], "identity.serial");
            if (s.size() > identity::kSerialLength)
                r.fail("identity.serial", "longer than 10 characters");
            p.serialNo = padded(s, identity::kSerialLength);
        }
        if (id.contains("uuid"))
            p.uuid = r.identifier<16>(id["uuid"], "identity.uuid");
        if (id.contains("icVersion"))
            p.icVersion = r.bytes<4>(id["icVersion"], "identity.icVersion");
        if (id.contains("powerUpStatus"))
            p.powerUpStatus = r.byte(id["powerUpStatus"], "identity.powerUpStatus");
    }

    if (j.contains("tuning")) {
        const json& t = j["tuning"];
        r.onlyKeys(t, "tuning", {"base", "option", "procedure", "tx", "rx", "dac", "parameter"});
        if (t.contains("base"))
            p.base = static_cast<uint16_t>(r.integer(t["base"], "tuning.base", 0, 0xFFFF));
        if (t.contains("option"))
            p.option = r.byte(t["option"], "tuning.option");
        if (t.contains("procedure"))
            p.procedure = r.byte(t["procedure"], "tuning.procedure");
        if (t.contains("tx"))
            p.txPoints = r.points(t["tx"], "tuning.tx");
        p.rxPoints = t.contains("rx") ? r.points(t["rx"], "tuning.rx") : p.txPoints;
        if (t.contains("dac"))
            p.txDac = r.bytes<2>(t["dac"], "tuning.dac");
        if (t.contains("parameter"))
            p.parameter = r.byte(t["parameter"], "tuning.parameter");
    }
    // Mobiles (procedure 2) hold the mobile power softpot.
    p.softpots[softpot::MobilePower].supported = p.procedure == 2;

    if (j.contains("softpots")) {
        const json& s = j["softpots"];
        if (!s.is_object())
            r.fail("softpots", "expected an object of softpot number: value");
        for (auto it = s.begin(); it != s.end(); ++it) {
            const int n = softpotKey(r, it.key(), "softpots");
            auto sp = p.softpots.find(n);
            if (sp == p.softpots.end())
                r.fail("softpots." + it.key(), "the radio has no such softpot");
            readSoftpotValues(r, it.value(), sp->second, "softpots." + it.key());
        }
    }
    if (j.contains("unsupported")) {
        for (int64_t n : r.integers(j["unsupported"], "unsupported", 0, softpot::kHighest)) {
            if (n == softpot::Rssi || n == softpot::RssiCal25) {
                p.rssi.reset();
                continue;
            }
            auto sp = p.softpots.find(static_cast<int>(n));
            if (sp != p.softpots.end())
                sp->second.supported = false;
        }
    }
    if (j.contains("autoTune")) {
        const json& a = j["autoTune"];
        if (!a.is_object())
            r.fail("autoTune", "expected an object of softpot number: seven values");
        for (auto it = a.begin(); it != a.end(); ++it) {
            const int n = softpotKey(r, it.key(), "autoTune");
            auto sp = p.softpots.find(n);
            if (sp == p.softpots.end())
                r.fail("autoTune." + it.key(), "the radio has no such softpot");
            sp->second.autoTune =
                r.integers(it.value(), "autoTune." + it.key(), 0, 0xFFFF, softpot::kPointCount);
        }
    }
    if (j.contains("tableRead"))
        p.tableRead = r.boolean(j["tableRead"], "tableRead");
    if (j.contains("tableWrite"))
        p.tableWrite = r.boolean(j["tableWrite"], "tableWrite");
    if (j.contains("refuseSinglePointWrites"))
        for (int64_t n :
             r.integers(j["refuseSinglePointWrites"], "refuseSinglePointWrites", 0, softpot::kHighest))
            p.refuseSinglePointWrites.insert(static_cast<int>(n));

    if (j.contains("rssi")) {
        const json& rs = j["rssi"];
        if (rs.is_null()) {
            p.rssi.reset();
        } else {
            r.onlyKeys(rs, "rssi", {"values", "calDac26", "calDac25", "level", "calDacReadings"});
            if (rs.contains("values"))
                p.rssi = r.bytes<3>(rs["values"], "rssi.values");
            if (rs.contains("calDac26"))
                p.rssiCalDac26 = r.bytes<3>(rs["calDac26"], "rssi.calDac26");
            if (rs.contains("calDac25"))
                p.rssiCalDac25 = r.bytes<3>(rs["calDac25"], "rssi.calDac25");
            if (rs.contains("level"))
                p.rssiLevel = r.byte(rs["level"], "rssi.level");
            if (rs.contains("calDacReadings")) {
                p.calDacReadings.clear();
                for (int64_t v : r.integers(rs["calDacReadings"], "rssi.calDacReadings", 0, 255))
                    p.calDacReadings.push_back(static_cast<uint8_t>(v));
            }
        }
    }
    if (j.contains("battery")) {
        r.onlyKeys(j["battery"], "battery", {"level", "supply"});
        if (j["battery"].contains("level"))
            p.batteryLevel = r.byte(j["battery"]["level"], "battery.level");
        if (j["battery"].contains("supply"))
            p.batterySupply = r.byte(j["battery"]["supply"], "battery.supply");
    }
    if (j.contains("bbo")) {
        const json& b = j["bbo"];
        if (!b.is_array() || b.size() != bbo::kSpacingCount)
            r.fail("bbo", "expected three lists (12.5, 20, 25 kHz) of five bytes (items 5, 0, 2, 10, 8)");
        std::array<std::array<uint8_t, 5>, 3> v{};
        for (size_t s = 0; s < 3; ++s) v[s] = r.bytes<5>(b[s], "bbo[" + std::to_string(s) + "]");
        p.bbo = v;
    }
    if (j.contains("codeplug")) {
        readCodeplug(r, j["codeplug"], p);
        readCodeplugBytes(r, j["codeplug"], p);
        storeCodeplugChecksum(p.codeplug);
    }
    if (j.contains("bboConfig"))
        p.bboConfig = readBboConfig(r, j["bboConfig"]);
    if (j.contains("power"))
        readPower(r, j["power"], p);
    if (j.contains("bench"))
        readBench(r, j["bench"], p);
    if (j.contains("timing")) {
        const json& t = j["timing"];
        r.onlyKeys(t, "timing",
                   {"echoDelayMs", "ackDelayMs", "replyDelayMs", "replyPerByteMs", "frameGapMs"});
        auto ms = [&](const char* k, uint32_t& out) {
            if (t.contains(k))
                out = static_cast<uint32_t>(r.integer(t[k], std::string("timing.") + k, 0, 600000));
        };
        ms("echoDelayMs", p.timing.echoDelayMs);
        ms("ackDelayMs", p.timing.ackDelayMs);
        ms("replyDelayMs", p.timing.replyDelayMs);
        ms("replyPerByteMs", p.timing.replyPerByteMs);
        ms("frameGapMs", p.timing.frameGapMs);
    }
    if (j.contains("faults")) {
        if (!j["faults"].is_array())
            r.fail("faults", "expected a list of fault texts");
        for (size_t i = 0; i < j["faults"].size(); ++i) {
            const std::string f = "faults[" + std::to_string(i) + "]";
            try {
                p.faults.push_back(parseSimFault(r.text(j["faults"][i], f)));
            } catch (const std::invalid_argument& e) {
                r.fail(f, e.what());
            }
        }
    }
    return p;
}

SimProfile SimProfile::load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw SimProfileError("profile '" + file.string() + "': cannot be read");
    std::stringstream text;
    text << in.rdbuf();
    return fromJson(text.str(), file.stem().string());
}

namespace {

namespace fs = std::filesystem;

std::string& chosenSettingsFolder() {
    static std::string folder;
    return folder;
}

fs::path executableFolder() {
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return {};
    return fs::path(std::string(exe, static_cast<size_t>(n))).parent_path();
}

/// <prefix>/share/vantrel when the program runs from <prefix>/bin of an installation; else empty.
fs::path installedDataFolder(const fs::path& bin) {
    std::error_code ec;
    const fs::path shared = bin.parent_path() / "share" / "vantrel";
    if (!bin.empty() && bin.filename() == "bin" && fs::is_directory(shared, ec))
        return shared;
    return {};
}

/// An environment variable naming an absolute folder; empty otherwise (relative XDG values are ignored).
std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string homeBased(const char* xdgName, const char* homeRelative) {
    const std::string xdg = absoluteEnv(xdgName);
    if (!xdg.empty())
        return xdg + "/vantrel";
    const std::string home = absoluteEnv("HOME");
    return home.empty() ? std::string() : home + "/" + homeRelative + "/vantrel";
}

void addFolder(std::vector<fs::path>& dirs, const fs::path& folder) {
    if (folder.empty())
        return;
    // "a/b/" and "a/b" are one folder: a repeat is searched once.
    fs::path f = folder.lexically_normal();
    if (f.has_parent_path() && f.filename().empty())
        f = f.parent_path();
    if (std::find(dirs.begin(), dirs.end(), f) == dirs.end())
        dirs.push_back(f);
}

}  // namespace

void SimProfile::useSettingsFolder(std::string folder) {
    chosenSettingsFolder() = std::move(folder);
}

std::vector<std::filesystem::path> SimProfile::searchPath(const std::string& settingsFolder,
                                                          const std::string& programFolder) {
    std::vector<fs::path> dirs;
    if (const char* env = std::getenv("VANTREL_SIM_PROFILES"); env && *env)
        dirs.emplace_back(env);
    // The tuner's order for every data file it reads; the simulator keeps its own copy of it, as it
    // shares no code with the program it stands in for.
    std::vector<fs::path> folders;
    addFolder(folders, settingsFolder);
    addFolder(folders, homeBased("XDG_DATA_HOME", ".local/share"));
    const char* xdgDirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = xdgDirs && *xdgDirs ? xdgDirs : "/usr/local/share/:/usr/share/";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string entry = list.substr(start, end - start);
        if (!entry.empty() && entry[0] == '/')
            addFolder(folders, fs::path(entry) / "vantrel");
        start = end + 1;
    }
    addFolder(folders, programFolder);
    const fs::path installed = installedDataFolder(fs::path(programFolder));
    addFolder(folders, installed);
    for (const fs::path& folder : folders) addFolder(dirs, folder / "profiles");
    // The source folder serves build trees only; an installed program never looks there.
    if (installed.empty() && *VANTREL_SIM_SOURCE_PROFILES)
        addFolder(dirs, VANTREL_SIM_SOURCE_PROFILES);
    return dirs;
}

std::vector<std::filesystem::path> SimProfile::searchPath() {
    const fs::path bin = executableFolder();
    std::string settings = chosenSettingsFolder();
    if (settings.empty() && !bin.empty()) {
        std::error_code ec;
        if (installedDataFolder(bin).empty() || fs::is_regular_file(bin / "COM.INI", ec))
            settings = bin.string();
        else
            settings = homeBased("XDG_CONFIG_HOME", ".config");
    }
    return searchPath(settings, bin.string());
}

SimProfile SimProfile::named(const std::string& nameOrPath) {
    return named(nameOrPath, searchPath());
}

SimProfile SimProfile::named(const std::string& nameOrPath, const std::vector<std::filesystem::path>& dirs) {
    const std::filesystem::path given(nameOrPath);
    std::error_code ec;
    if (nameOrPath.find('/') != std::string::npos || given.extension() == ".json") {
        if (std::filesystem::is_regular_file(given, ec))
            return load(given);
        throw SimProfileError("profile '" + nameOrPath + "': no such file");
    }
    for (const auto& dir : dirs) {
        const auto file = dir / (nameOrPath + ".json");
        if (std::filesystem::is_regular_file(file, ec))
            return load(file);
    }
    std::string names;
    for (const std::string& a : available(dirs)) names += (names.empty() ? "" : ", ") + a;
    throw SimProfileError("profile '" + nameOrPath +
                          "': not found (available: " + (names.empty() ? "none" : names) + ")");
}

std::vector<std::string> SimProfile::available() {
    return available(searchPath());
}

std::vector<std::string> SimProfile::available(const std::vector<std::filesystem::path>& dirs) {
    std::set<std::string> names;
    for (const auto& dir : dirs) {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir, ec))
            if (e.path().extension() == ".json")
                names.insert(e.path().stem().string());
    }
    return {names.begin(), names.end()};
}

namespace {

char scramble(char c) {
    const int v = static_cast<unsigned char>(c);
    return static_cast<char>((v % 2) ? 128 - v : (40 - v) & 0xFF);
}

}  // namespace

std::string writeBboConfig(const std::vector<SimBboConfigBlock>& blocks, int key) {
    std::string out;
    auto number = [&](int64_t v) { out += std::to_string(v + key) + "\r\n"; };
    auto text = [&](const std::string& s) {
        for (char c : s) out += scramble(c);
        out += "\r\n";
    };
    out += std::to_string(key) + "\r\n";
    number(0);
    number(static_cast<int64_t>(blocks.size()));
    for (const SimBboConfigBlock& b : blocks) {
        number(b.word);
        text(b.modelKey);
        text(std::string(1, b.modelChar));
        number(b.versionAddress);
        number(b.lowVersion);
        number(b.highVersion);
        number(b.tableAddress);
        number(static_cast<int64_t>(b.rows.size()));
        for (const SimBboConfigRow& row : b.rows) {
            std::string name = row.name;
            name.resize(25, ' ');
            text(name);
            number(row.position);
            number(row.mask);
        }
    }
    return out;
}

}  // namespace vantrel

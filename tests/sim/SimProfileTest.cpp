// Profile loading: every shipped profile loads, defaults fill the gaps, bad profiles give clear errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

// The range the tuning screens give each softpot (the tightest one where radios differ); a value outside
// it would show a demo radio out of range. Temp comp holds raw bytes and has none.
std::optional<std::pair<int64_t, int64_t>> screenRange(int softpot) {
    switch (softpot) {
        case 0:   // transmit power
        case 28:  // transmit power, third softpot
        case 2:   // VCO attenuation
        case 6:   // PA voltage limit
        case 13:  // front end filter
        case 18:  // PA bias, first softpot
            return std::pair<int64_t, int64_t>{0, 127};
        case 3:  // modulation balance
            return std::pair<int64_t, int64_t>{0, 63};
        case 7:  // auto squelch
            return std::pair<int64_t, int64_t>{1, 63};
        case 5:   // MPT1327
        case 14:  // DTMF
        case 15:  // Select 5
        case 16:  // HSS
        case 24:  // QDT1200
            return std::pair<int64_t, int64_t>{0, 31};
        case 8:   // rated volume
        case 10:  // battery threshold
        case 20:  // PA bias, second softpot
        case 27:  // PA bias, third softpot
            return std::pair<int64_t, int64_t>{0, 255};
        case 11:  // reference oscillator warp
            return std::pair<int64_t, int64_t>{0, 511};
        case 17:  // mobile power: K and M, one byte each
            return std::pair<int64_t, int64_t>{0, 0xFFFF};
        default:
            return std::nullopt;
    }
}

void expectValuesInRange(const SimProfile& p) {
    for (const auto& [number, spec] : p.softpots) {
        if (number == 1)
            continue;  // temp comp: four raw bytes
        const auto range = screenRange(number);
        if (!range) {
            ADD_FAILURE() << "softpot " << number << " has no known range";
            continue;
        }
        for (const auto& set : spec.values)
            for (const int64_t v : set) {
                EXPECT_GE(v, range->first) << "softpot " << number;
                EXPECT_LE(v, range->second) << "softpot " << number;
            }
        for (const int64_t v : spec.autoTune)
            if (v != 0) {  // 0: the auto-tune fails at that point
                EXPECT_GE(v, range->first) << "auto-tune of softpot " << number;
                EXPECT_LE(v, range->second) << "auto-tune of softpot " << number;
            }
    }
    if (p.rssi) {
        for (const uint8_t v : *p.rssi) EXPECT_LE(v, 127) << "RSSI";
    }
}

TEST(SimProfileFiles, EveryProfileValueLiesInsideItsSoftpotsRange) {
    {
        SCOPED_TRACE("defaults");
        expectValuesInRange(SimProfile::defaults());
    }
    for (const auto& e : std::filesystem::directory_iterator(VANTREL_SIM_TEST_PROFILES)) {
        if (e.path().extension() != ".json")
            continue;
        SCOPED_TRACE(e.path().string());
        expectValuesInRange(SimProfile::load(e.path()));
    }
}

std::string errorOf(const std::string& json) {
    try {
        SimProfile::fromJson(json, "t");
    } catch (const SimProfileError& e) {
        return e.what();
    }
    return "";
}

TEST(SimProfileFiles, EveryShippedProfileLoadsAndItsTablesHoldTheirChecksums) {
    size_t count = 0;
    for (const auto& e : std::filesystem::directory_iterator(VANTREL_SIM_TEST_PROFILES)) {
        if (e.path().extension() != ".json")
            continue;
        ++count;
        SCOPED_TRACE(e.path().string());
        const SimProfile p = SimProfile::load(e.path());
        EXPECT_EQ(p.modelNo.size(), 16u);
        EXPECT_EQ(p.serialNo.size(), 10u);
        EXPECT_TRUE(codeplugChecksumHolds(p.codeplug));
        for (const SimCodeplugTable& t : p.tables) EXPECT_EQ(verifyCodeplugTable(p.codeplug, t.address), "");
        if (p.bboConfig) {
            EXPECT_GE(p.codeplug[p.bboConfig->versionAddress], p.bboConfig->lowVersion);
            EXPECT_LE(p.codeplug[p.bboConfig->versionAddress], p.bboConfig->highVersion);
        }
    }
    EXPECT_GE(count, 10u);
}

TEST(SimProfileFiles, ShippedBboConfigMatchesTheProfilesItWasWrittenFor) {
    std::ifstream in(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo.cfg", std::ios::binary);
    ASSERT_TRUE(in);
    const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SimProfile a = SimProfile::load(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo-codeplug.json");
    const SimProfile b = SimProfile::load(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo-codeplug-sums.json");
    const SimProfile c = SimProfile::load(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo-codeplug-long.json");
    const SimProfile d =
        SimProfile::load(std::string(VANTREL_SIM_TEST_PROFILES) + "/bbo-codeplug-varying.json");
    EXPECT_EQ(stored, writeBboConfig({*a.bboConfig, *b.bboConfig, *c.bboConfig, *d.bboConfig}));
}

TEST(SimProfileJson, OmittedFieldsKeepTheDefaults) {
    const SimProfile p =
        SimProfile::fromJson(R"({"identity": {"serial": "X1"}, "softpots": {"11": 300}})", "t");
    const SimProfile d = SimProfile::defaults();
    EXPECT_EQ(p.serialNo, "X1        ");
    EXPECT_EQ(p.modelNo, d.modelNo);
    EXPECT_EQ(p.txPoints, d.txPoints);
    EXPECT_EQ(p.softpots.at(11).values[0][0], 300);
    EXPECT_EQ(p.softpots.at(0).values, d.softpots.at(0).values);
    EXPECT_FALSE(p.softpots.at(17).supported);
}

TEST(SimProfileJson, MobilesHoldMobilePowerAndReceivePointsDefaultToTransmitPoints) {
    const SimProfile p = SimProfile::fromJson(
        R"({"tuning": {"procedure": 2, "tx": [1, 2, 3, 0, 0, 0, 9]}, "unsupported": [26]})", "t");
    EXPECT_TRUE(p.softpots.at(17).supported);
    EXPECT_EQ(p.rxPoints, p.txPoints);
    EXPECT_FALSE(p.rssi);
}

TEST(SimProfileJson, RssiLevelAndCalibrationReadingsAreRead) {
    const SimProfile p =
        SimProfile::fromJson(R"({"rssi": {"level": 90, "calDacReadings": [10, 11, 11, 12, 13]}})", "t");
    EXPECT_EQ(p.rssiLevel, 90);
    EXPECT_EQ(p.calDacReadings, (std::vector<uint8_t>{10, 11, 11, 12, 13}));
    EXPECT_EQ(p.rssi, SimProfile::defaults().rssi);
    EXPECT_THROW(SimProfile::fromJson(R"({"rssi": {"calDacReadings": [256]}})", "t"), SimProfileError);
}

TEST(SimProfileJson, BadProfilesNameTheFieldAndNeverCrash) {
    struct Case {
        const char* json;
        const char* says;
    };
    const Case cases[] = {
        {"{", "not valid JSON"},
        {"[]", "expected an object"},
        {R"({"identiy": {}})", "identiy: unknown key"},
        {R"({"identity": {"serial": "12345678901"}})", "identity.serial"},
        {R"({"identity": {"model": 5}})", "identity.model: expected a text"},
        {R"({"tuning": {"tx": [1, 2, 3]}})", "tuning.tx: expected 7 numbers"},
        {R"({"tuning": {"base": 70000}})", "tuning.base: value 70000 outside"},
        {R"({"softpots": {"99": 1}})", "softpots.99"},
        {R"({"softpots": {"4": 1}})", "softpots.4: the radio has no such softpot"},
        {R"({"softpots": {"0": [1, 2]}})", "softpots.0"},
        {R"({"softpots": {"14": 256}})", "softpots.14"},
        {R"({"softpots": {"0": [[1,1,1,1,1,1,1],[1,1,1,1,1,1,1],[1,1,1,1,1,1,1]]}})", "value set"},
        {R"({"bbo": [[1, 2, 3, 4, 5]]})", "bbo"},
        {R"({"codeplug": {"tables": [{"address": 1020, "entrySize": 4, "entries": [[1,2,3,4],[1,2,3,4]]}]}})",
         "does not fit"},
        {R"({"codeplug": {"tables": [{"address": 760, "entrySize": 4, "entries": [[1,2,3,4],[1,2,3,4]]}]}})",
         "overlaps the codeplug checksum"},
        {R"({"codeplug": {"tables": [{"address": 10, "entrySize": 2, "entries": [[1,2,3]]}]}})",
         "entries[0]"},
        {R"({"codeplug": {"bytes": {"zz": [1]}}})", "codeplug.bytes.zz"},
        {R"({"faults": ["hiccup"]})", "faults[0]"},
        {R"({"battery": {"supply": 300}})", "battery.supply"},
        {R"({"bboConfig": {"modelKey": "P4"}})", "bboConfig"},
        {R"({"power": {"softpot": 6}})", "power.softpot: expected a transmit power softpot"},
        {R"({"power": {"rated": 0}})", "power.rated"},
        {R"({"power": {"rated": "5 W"}})", "power.rated: expected a number"},
        {R"({"power": {"gain": [1, 1]}})", "power.gain: expected a number or seven numbers"},
        {R"({"power": {"curve": [[0, 0]]}})", "power.curve: expected two or more"},
        {R"({"power": {"curve": [[0, 0], [50]]}})", "power.curve[1]"},
        {R"({"power": {"curve": [[0, 0], [50, 1], [50, 2]]}})", "power.curve[2]: softpot values must rise"},
        {R"({"power": {"curve": [[0, 0.5], [50, 0.4]]}})", "power.curve[1]: the fraction of rated power"},
        {R"({"power": {"curve": [[0, 0], [300, 1]]}})", "power.curve[1][0]"},
        {R"({"power": {"watts": 5}})", "power.watts: unknown key"},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf(c.json);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.json << " gave: " << error;
        EXPECT_EQ(error.rfind("profile 't': ", 0), 0u) << error;
    }
    // Nested far too deep: refused while read, never built (copying it would exhaust the stack).
    const std::string deep = R"({"faults": )" + std::string(100000, '[') + std::string(100000, ']') + "}";
    EXPECT_NE(errorOf(deep).find("nested deeper than"), std::string::npos);
}

TEST(SimProfileSearch, UnknownNamesAndMissingFilesSayWhat) {
    try {
        SimProfile::named("no-such-radio");
        FAIL();
    } catch (const SimProfileError& e) {
        EXPECT_NE(std::string(e.what()).find("not found"), std::string::npos);
    }
    EXPECT_THROW(SimProfile::named("/nonexistent/radio.json"), SimProfileError);
}

TEST(SimProfileBboConfig, NumbersAreKeyedAndTextsScrambled) {
    SimBboConfigBlock b;
    b.modelKey = "P47";
    b.modelChar = '1';
    b.tableAddress = 512;
    b.rows = {{"CSQ", 0, 15}};
    const std::string text = writeBboConfig({b}, 100);
    // Key, version 0 + key, one block + key.
    EXPECT_EQ(text.substr(0, 15), "100\r\n100\r\n101\r\n");
    // Even codes c are stored as 40 - c modulo 256, odd ones as 128 - c: "P47" gives 216, 244, 73; '1' 79.
    EXPECT_NE(text.find(std::string("\r\n") + char(216) + char(244) + char(73) + "\r\n" + char(79)),
              std::string::npos);
}

}  // namespace
}  // namespace vantrel

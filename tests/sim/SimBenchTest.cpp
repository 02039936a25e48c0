// The simulated bench's own side: the profile's bench block, the front end filter reading the generator
// drives, and vantrel-sim announcing and serving every instrument.
#include <gtest/gtest.h>

#include "sim/SimBench.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

using simtest::request;
using simtest::send;

TEST(SimBenchProfile, TheBenchBlockIsReadAndItsFaultsNamed) {
    const SimProfile p = SimProfile::fromJson(R"({"bench": {"exactWarp": 300, "hzPerWarpStep": -2.5,
        "deviation": [{"mode": 3, "softpot": 14, "tone": 1000, "curve": [[0, 0], [31, 3100]]}],
        "biasAmps": {"18": [[0, 0], [127, 0.5]]}, "frontEndPeak": [1, 2, 3, 4, 5, 6, 7]}})",
                                              "bench");
    EXPECT_EQ(p.bench.exactWarp, 300);
    EXPECT_EQ(p.bench.hzPerWarpStep, -2.5);
    ASSERT_EQ(p.bench.deviation.size(), 1u);
    EXPECT_DOUBLE_EQ(p.bench.deviation[0].curve.at(10), 1000.0);
    EXPECT_DOUBLE_EQ(p.bench.biasAmps.at(18).at(254), 0.5);
    EXPECT_EQ(p.bench.frontEndPeak[6], 7);
    // A profile without the block keeps curves whose stored values are off target.
    EXPECT_EQ(SimProfile::defaults().bench.deviation.size(), 7u);

    const std::vector<std::pair<std::string, std::string>> bad = {
        {R"({"bench": {"colour": 1}})", "colour"},
        {R"({"bench": {"exactWarp": 600}})", "bench.exactWarp"},
        {R"({"bench": {"deviation": [{"mode": 3, "softpot": 14}]}})", "needs mode, softpot and curve"},
        {R"({"bench": {"deviation": [{"mode": 3, "softpot": 14, "curve": [[5, 1], [5, 2]]}]}})", "must rise"},
        {R"({"bench": {"biasAmps": {"18": [[0, 0]]}}})", "two or more"},
        {R"({"bench": {"frontEndPeak": [1, 2]}})", "seven values"},
    };
    for (const auto& [text, expected] : bad) {
        try {
            SimProfile::fromJson(text, "bench");
            ADD_FAILURE() << "accepted " << text;
        } catch (const SimProfileError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
    }
}

TEST(SimBenchRadio, TheFrontEndReadingPeaksAtEachPointsValueAndNeedsTheSignalOnChannel) {
    SimRadio radio(SimProfile::defaults());
    const SimProfile p = radio.profile();
    send(radio, request(0x22, {0, 2, 2}));
    const uint16_t rx = p.rxPoints[0];
    send(radio, request(0x21, {0x00, static_cast<uint8_t>(rx >> 8), static_cast<uint8_t>(rx),
                               static_cast<uint8_t>(rx >> 8), static_cast<uint8_t>(rx)}));
    const double rxHz = (p.base * 25.0 + rx * 5.0) * 1000.0;
    auto reading = [&]() {
        const auto x = send(radio, request(0x20, {26, 0}));
        return x.data.size() > 3 ? x.data[3] : -1;
    };
    auto frontEnd = [&](uint8_t v) { send(radio, request(0x20, {13, 2, v})); };
    radio.setRfInput(std::make_pair(rxHz, -90.0));
    frontEnd(static_cast<uint8_t>(p.bench.frontEndPeak[0]));
    const int atPeak = reading();
    EXPECT_EQ(atPeak, 20 + 30 * 2);
    frontEnd(static_cast<uint8_t>(p.bench.frontEndPeak[0] + 10));
    EXPECT_EQ(reading(), atPeak - 6);
    frontEnd(static_cast<uint8_t>(p.bench.frontEndPeak[0] - 10));
    EXPECT_EQ(reading(), atPeak - 6);
    // Off the channel, or with the output off, only the noise floor is left.
    radio.setRfInput(std::make_pair(rxHz + 25000, -90.0));
    EXPECT_LT(reading(), 15);
    radio.setRfInput(std::nullopt);
    EXPECT_LT(reading(), 15);
}

}  // namespace
}  // namespace vantrel

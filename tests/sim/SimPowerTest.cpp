// The simulated radio's output power: the profile's curve, and which softpot value drives it when.
#include <gtest/gtest.h>

#include <filesystem>

#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

using simtest::request;
using simtest::send;

// Requests as the transmit power procedures send them.
const std::vector<uint8_t> kKeyUp = request(0x19, {0x01});
const std::vector<uint8_t> kDekey = request(0x19, {0x00});
const std::vector<uint8_t> kReset = request(0x10, {});
const std::vector<uint8_t> kHighPowerTest = request(0x22, {1, 0, 2});
const std::vector<uint8_t> kLowPowerTest = request(0x22, {1, 2, 2});
std::vector<uint8_t> channel(uint16_t tx) {
    return request(0x21, {0x00, static_cast<uint8_t>(tx >> 8), static_cast<uint8_t>(tx),
                          static_cast<uint8_t>(tx >> 8), static_cast<uint8_t>(tx)});
}
std::vector<uint8_t> live(uint8_t value) {
    return request(0x20, {0x00, 0x02, value});
}

TEST(SimPowerModel, CurveInterpolatesBetweenItsPointsAndHoldsItsEnds) {
    SimPowerModel m;
    m.ratedWatts = 10.0;
    m.gain = {1.0, 0.5, 1.0, 1.0, 1.0, 1.0, 2.0};
    m.curve = {{20, 0.1}, {60, 0.5}, {100, 1.0}};
    EXPECT_DOUBLE_EQ(m.fraction(0), 0.1);
    EXPECT_DOUBLE_EQ(m.fraction(20), 0.1);
    EXPECT_DOUBLE_EQ(m.fraction(40), 0.3);
    EXPECT_DOUBLE_EQ(m.fraction(80), 0.75);
    EXPECT_DOUBLE_EQ(m.fraction(100), 1.0);
    EXPECT_DOUBLE_EQ(m.fraction(255), 1.0);
    EXPECT_DOUBLE_EQ(m.watts(80, 0), 7.5);
    EXPECT_DOUBLE_EQ(m.watts(80, 1), 3.75);
    EXPECT_DOUBLE_EQ(m.watts(80, 6), 15.0);
    EXPECT_EQ(m.watts(80, -1), 0.0);
    EXPECT_EQ(m.watts(80, 7), 0.0);
    m.curve.clear();
    EXPECT_EQ(m.watts(80, 0), 0.0);
}

// Every shipped radio can be aligned: at each point the power never falls as the softpot rises, starts
// below the rating and reaches it inside the narrowest range a high power screen allows (0..127).
TEST(SimPowerModel, EveryShippedProfileRisesAndReachesItsRatingInsideTheScreenRange) {
    size_t checked = 0;
    for (const auto& e : std::filesystem::directory_iterator(VANTREL_SIM_TEST_PROFILES)) {
        if (e.path().extension() != ".json")
            continue;
        const SimProfile p = SimProfile::load(e.path());
        const SimPowerModel& m = p.power;
        ASSERT_NE(p.softpot(m.softpot), nullptr) << p.name;
        for (int point = 0; point < 7; ++point) {
            double previous = -1;
            for (int v = 0; v <= 255; ++v) {
                const double w = m.watts(v, point);
                ASSERT_GE(w, previous) << p.name << " F" << point + 1 << " value " << v;
                previous = w;
            }
            EXPECT_LT(m.watts(0, point), m.ratedWatts) << p.name;
            EXPECT_GE(m.watts(127, point), m.ratedWatts) << p.name << " F" << point + 1;
        }
        ++checked;
    }
    EXPECT_GE(checked, 20u);
}

TEST(SimRadioPower, FollowsTheKeyedPointsLiveElseProgrammedValueAndIsZeroDekeyed) {
    const SimProfile profile = SimProfile::named(std::string(VANTREL_SIM_TEST_PROFILES) + "/portable.json");
    const SimPowerModel& m = profile.power;
    SimRadio radio(profile);
    send(radio, kHighPowerTest);
    send(radio, channel(3000));  // F3
    EXPECT_EQ(radio.outputWatts(), 0.0);

    send(radio, kKeyUp);
    EXPECT_DOUBLE_EQ(radio.outputWatts(), m.watts(104, 2));  // the programmed high power value of F3
    send(radio, live(120));
    EXPECT_DOUBLE_EQ(radio.outputWatts(), m.watts(120, 2));
    EXPECT_GT(radio.outputWatts(), m.watts(104, 2));
    send(radio, kDekey);
    EXPECT_EQ(radio.outputWatts(), 0.0);

    // Another point transmits on its own value; the live value stays with the point it was set on.
    send(radio, channel(5000));  // F5
    send(radio, kKeyUp);
    EXPECT_DOUBLE_EQ(radio.outputWatts(), m.watts(108, 4));
    send(radio, channel(3000));
    EXPECT_DOUBLE_EQ(radio.outputWatts(), m.watts(120, 2));

    // A reset dekeys and drops the live value.
    send(radio, kReset);
    EXPECT_EQ(radio.outputWatts(), 0.0);
    send(radio, kHighPowerTest);
    send(radio, channel(3000));
    send(radio, kKeyUp);
    EXPECT_DOUBLE_EQ(radio.outputWatts(), m.watts(104, 2));
}

TEST(SimRadioPower, LowPowerTestModeTransmitsOnTheLowPowerSet) {
    const SimProfile profile = SimProfile::named(std::string(VANTREL_SIM_TEST_PROFILES) + "/portable.json");
    SimRadio radio(profile);
    send(radio, kLowPowerTest);
    send(radio, channel(1000));  // F1
    send(radio, kKeyUp);
    EXPECT_DOUBLE_EQ(radio.outputWatts(), profile.power.watts(90, 0));
    EXPECT_LT(radio.outputWatts(), profile.power.ratedWatts);
}

TEST(SimRadioPower, RadioWithoutItsPowerSoftpotTransmitsNothing) {
    SimRadio radio(SimProfile::fromJson(R"({"unsupported": [0]})", "t"));
    send(radio, kHighPowerTest);
    send(radio, channel(1000));
    send(radio, kKeyUp);
    ASSERT_TRUE(radio.keyed());
    EXPECT_EQ(radio.outputWatts(), 0.0);

    // A profile may drive the output from the third power softpot instead.
    SimRadio third(SimProfile::fromJson(R"({"unsupported": [0], "power": {"softpot": 28}})", "t"));
    send(third, kHighPowerTest);
    send(third, channel(1000));
    send(third, kKeyUp);
    EXPECT_GT(third.outputWatts(), 0.0);
}

TEST(SimProfileJson, PowerBlockIsReadWithAScalarOrPerPointGain) {
    const SimProfile p = SimProfile::fromJson(
        R"({"power": {"rated": 12.5, "gain": 0.8, "curve": [[0, 0], [200, 1.5]]}})", "t");
    EXPECT_DOUBLE_EQ(p.power.ratedWatts, 12.5);
    EXPECT_DOUBLE_EQ(p.power.gain[6], 0.8);
    EXPECT_DOUBLE_EQ(p.power.watts(100, 3), 12.5 * 0.8 * 0.75);
    // Leaving the block out keeps a plausible default for a portable.
    const SimProfile d = SimProfile::fromJson("{}", "t");
    EXPECT_GT(d.power.ratedWatts, 0.0);
    EXPECT_GE(d.power.curve.size(), 2u);
}

}  // namespace
}  // namespace vantrel

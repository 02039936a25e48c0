// The instrument layer against the simulated bench: readings that follow the radio, and the bench's
// faults arriving as the instrument errors a technician would see.
#include <gtest/gtest.h>

#include "instruments/BenchConfig.h"
#include "instruments/InstrumentError.h"
#include "sim/SimBench.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

using simtest::request;
using simtest::send;

const std::vector<uint8_t> kKeyUp = request(0x19, {0x01});
const std::vector<uint8_t> kDekey = request(0x19, {0x00});
std::vector<uint8_t> testMode(uint8_t a, uint8_t b, uint8_t c) {
    return request(0x22, {a, b, c});
}
std::vector<uint8_t> channelPair(uint16_t tx, uint16_t rx) {
    return request(0x21, {0x00, static_cast<uint8_t>(tx >> 8), static_cast<uint8_t>(tx),
                          static_cast<uint8_t>(rx >> 8), static_cast<uint8_t>(rx)});
}
std::vector<uint8_t> live(uint8_t softpot, std::vector<uint8_t> value) {
    std::vector<uint8_t> p = {softpot, 0x02};
    p.insert(p.end(), value.begin(), value.end());
    return request(0x20, p);
}

class SimBenchInstruments : public ::testing::Test {
  protected:
    SimBenchInstruments()
        : radio(SimProfile::named(VANTREL_SIM_TEST_PROFILES "/portable.json")), bench(radio, "0,test") {
        bench.start(0);
        context.dialectPath = {VANTREL_TEST_DIALECTS};
    }
    RoleConfig role(SimBenchRole r) {
        RoleConfig c;
        c.address = "127.0.0.1:" + std::to_string(bench.port(r));
        c.timeoutMs = 400;
        return c;
    }
    SimRadio radio;
    SimBench bench;
    InstrumentContext context;
};

TEST_F(SimBenchInstruments, TheCounterFollowsTheKeyedChannelAndTheWarpSoftpot) {
    auto counter = openFrequencyCounter(role(SimBenchRole::FrequencyCounter), context);
    EXPECT_THROW(counter->carrierHz(), InstrumentError);  // dekeyed: nothing to count
    // Portable: base 5200 (130 MHz), F7 channel 7000 (+35 MHz); stored warp 300, exact 240, 4 Hz a step.
    send(radio, testMode(0, 2, 2));
    send(radio, channelPair(7000, 7000));
    send(radio, kKeyUp);
    EXPECT_NEAR(counter->carrierHz(), 165e6 + 60 * 4.0, 0.5);
    send(radio, live(11, {0x00, 0xF0}));  // warp 240: exact
    EXPECT_NEAR(counter->carrierHz(), 165e6, 0.5);
    send(radio, channelPair(1000, 1000));
    EXPECT_NEAR(counter->carrierHz(), 135e6, 0.5);
    send(radio, kDekey);
    try {
        counter->carrierHz();
        ADD_FAILURE() << "a reading while dekeyed";
    } catch (const InstrumentError& e) {
        EXPECT_EQ(e.kind(), InstrumentError::Kind::NoSignal);
    }
}

TEST_F(SimBenchInstruments, ADeviationSoftpotMovesTheAnalyserOnlyInItsOwnTestMode) {
    auto analyser = openModulationAnalyser(role(SimBenchRole::ModulationAnalyser), context);
    send(radio, testMode(3, 2, 2));  // DTMF
    send(radio, kKeyUp);
    DeviationReading d = analyser->deviation();
    EXPECT_NEAR(d.peakHz, 20 * 3875.0 / 31, 0.1);  // the stored value 20
    EXPECT_EQ(d.toneHz, 1209.0);
    send(radio, live(14, {24}));
    EXPECT_NEAR(analyser->deviation().peakHz, 3000.0, 0.1);
    // The QDT1200 softpot does nothing to the DTMF signal.
    send(radio, live(24, {5}));
    EXPECT_NEAR(analyser->deviation().peakHz, 3000.0, 0.1);
    // In the test mode QDT1200 and Select 5 share, the one last set live is the one transmitted.
    send(radio, testMode(4, 2, 2));
    EXPECT_NEAR(analyser->deviation().peakHz, 5 * 4650.0 / 31, 0.1);
    send(radio, live(15, {31}));
    EXPECT_NEAR(analyser->deviation().peakHz, 4000.0, 0.1);
    EXPECT_EQ(analyser->deviation().toneHz, 1060.0);
    send(radio, kDekey);
    EXPECT_THROW(analyser->deviation(), InstrumentError);
}

TEST_F(SimBenchInstruments, SupplyCurrentFollowsThePaBiasAndTheRadioMeasuresTheSupply) {
    auto supply = openPowerSupply(role(SimBenchRole::PowerSupply), context);
    const double idle = supply->amps();
    EXPECT_NEAR(idle, 0.12, 1e-3);
    // PA bias test mode biases the amplifier unkeyed, as a portable's bias is tuned; keying adds nothing.
    send(radio, testMode(9, 0, 2));
    send(radio, live(18, {0}));
    send(radio, live(20, {0}));
    send(radio, live(27, {0}));
    EXPECT_NEAR(supply->amps(), idle, 1e-3);
    send(radio, live(18, {127}));
    EXPECT_NEAR(supply->amps(), idle + 0.25, 1e-3);
    send(radio, kKeyUp);
    EXPECT_NEAR(supply->amps(), idle + 0.25, 1e-3);
    send(radio, kDekey);
    EXPECT_NEAR(supply->amps(), idle + 0.25, 1e-3);
    // The reset leaves test mode and drops the live bias.
    send(radio, request(0x10, {}));
    EXPECT_NEAR(supply->amps(), idle, 1e-3);
    // Keyed outside PA bias test mode the current follows the output power instead.
    send(radio, testMode(0, 0, 2));
    send(radio, kKeyUp);
    EXPECT_GT(supply->amps(), idle + 0.1);
    send(radio, kDekey);
    EXPECT_NEAR(supply->amps(), idle, 1e-3);

    // The battery read answers what the radio measures of the supply, 10 steps a volt.
    supply->setVolts(7.2);
    supply->setOutput(true);
    const auto x = send(radio, request(0x20, {10, 0x03}));
    ASSERT_GE(x.data.size(), 2u);
    EXPECT_EQ(x.data[x.data.size() - 2], 72);
    EXPECT_NEAR(supply->volts(), 7.2, 0.01);
    supply->setOutput(false);
    EXPECT_EQ(supply->volts(), 0.0);
}

TEST_F(SimBenchInstruments, TheGeneratorDrivesRssiThresholdsAndTheSquelchAutoTune) {
    auto generator = openSignalGenerator(role(SimBenchRole::SignalGenerator), context);
    send(radio, testMode(0, 2, 2));
    send(radio, channelPair(1000, 1000));  // receive F1: 135 MHz
    generator->setFrequency(135e6);
    generator->setLevel(-100);
    generator->setOutput(true);
    // Threshold 1 is taken at the level now on the input: 20 + 20 dB x 2.
    send(radio, request(0x20, {26, 0x01, 0}));
    generator->setLevel(-80);
    send(radio, request(0x20, {26, 0x01, 1}));
    EXPECT_EQ(radio.profile().rssi->at(0), 60);
    EXPECT_EQ(radio.profile().rssi->at(1), 100);
    // Squelch auto-tune settles with a signal on the channel and fails without one.
    const auto tuned = send(radio, request(0x1F, {7}));
    ASSERT_FALSE(tuned.data.empty());
    generator->setOutput(false);
    const auto failed = send(radio, request(0x1F, {7}));
    ASSERT_FALSE(failed.data.empty());
    EXPECT_NE(tuned.data, failed.data);
    EXPECT_EQ(bench.generator().hz, 135e6);
}

TEST_F(SimBenchInstruments, FaultsReachTheProgramAsTimeoutsRefusalsAndDisconnections) {
    const RoleConfig meterConfig = role(SimBenchRole::PowerMeter);
    auto meter = openPowerMeter(meterConfig, context);
    EXPECT_EQ(meter->watts(), 0.0);
    send(radio, kKeyUp);
    EXPECT_GT(meter->watts(), 1.0);

    bench.setFault(SimBenchRole::PowerMeter, SimInstrumentFault::Errors);
    try {
        meter->watts();
        ADD_FAILURE() << "a reading from a refusing meter";
    } catch (const InstrumentError& e) {
        EXPECT_NE(std::string(e.what()).find("-200"), std::string::npos) << e.what();
    }
    bench.setFault(SimBenchRole::PowerMeter, SimInstrumentFault::Timeout);
    try {
        meter->watts();
        ADD_FAILURE() << "a reading from a silent meter";
    } catch (const InstrumentError& e) {
        EXPECT_EQ(e.kind(), InstrumentError::Kind::Timeout);
    }
    bench.setFault(SimBenchRole::PowerMeter, SimInstrumentFault::Disconnect);
    const RoleCheck check = checkRole(Role::PowerMeter, meterConfig, context);
    EXPECT_FALSE(check.ok);
    EXPECT_FALSE(check.error.empty());
    bench.setFault(SimBenchRole::PowerMeter, SimInstrumentFault::None);
    const RoleCheck again = checkRole(Role::PowerMeter, meterConfig, context);
    EXPECT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.identity, "Vantrel,Simulated Power Meter,0,test");
    // The radio was never touched by any of it: still keyed, as the test left it.
    EXPECT_TRUE(radio.keyed());
}

}  // namespace
}  // namespace vantrel

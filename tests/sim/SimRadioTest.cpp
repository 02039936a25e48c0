// The simulated radio against hand-built frames: echo, timing, reply shapes, state, faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "sim/SimRadio.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

using simtest::request;
using simtest::send;

bool checksumHolds(const std::vector<uint8_t>& frame) {
    unsigned sum = 0;
    for (uint8_t b : frame) sum += b;
    return (sum & 0xFF) == 0xFF;
}

TEST(SimRadioTiming, EchoesEveryByteThenAcknowledgesThenRepliesWithinThePostSendPause) {
    SimRadio radio(SimProfile::defaults());
    const auto x = send(radio, {0xF2, 0x19, 0x01, 0xF3}, 5000);
    EXPECT_EQ(x.echo, (std::vector<uint8_t>{0xF2, 0x19, 0x01, 0xF3}));
    ASSERT_GE(x.rest.size(), 2u);
    EXPECT_EQ(x.rest[0], 0x50);
    // The first echo byte comes within the program's first window of 10 ms; the last byte of the whole
    // answer lies inside the shorter post-send pause of 110 ms.
    EXPECT_LE(x.all.front().atMs, 5000u + 10);
    EXPECT_LT(x.all.back().atMs, 5000u + 110);
    for (size_t i = 1; i < x.all.size(); ++i) EXPECT_LE(x.all[i - 1].atMs, x.all[i].atMs);
    EXPECT_TRUE(checksumHolds(x.data));
    EXPECT_TRUE(radio.keyed());
}

TEST(SimRadioTranscript, StaysBoundedInALongRunWhileTheListenerSeesEverything) {
    SimRadio radio(SimProfile::defaults());
    size_t heard = 0;
    radio.transcript().setListener([&heard](const SimEvent&) { ++heard; });
    radio.transcript().setCapacity(50);
    uint64_t now = 0;
    for (int i = 0; i < 200; ++i, now += 1000) send(radio, request(0x1B, {0x00}), now);
    const std::vector<SimEvent> kept = radio.transcript().entries();
    ASSERT_EQ(kept.size(), 50u);
    EXPECT_EQ(radio.transcript().dropped() + kept.size(), heard);
    EXPECT_GE(kept.back().atMs, 199'000u);  // the latest events are the ones kept
    EXPECT_GT(kept.front().atMs, 150'000u);

    // Without a capacity of its own, a radio served for a long time still keeps a bounded history.
    SimRadio served(SimProfile::defaults());
    for (int i = 0; i < 8000; ++i, now += 1000) send(served, request(0x1B, {0x00}), now);
    EXPECT_EQ(served.transcript().entries().size(), SimTranscript::kDefaultCapacity);
    EXPECT_GT(served.transcript().dropped(), 0u);
}

TEST(SimRadioTiming, LongestReplyStillFitsThePause) {
    SimRadio radio(SimProfile::defaults());
    const auto x = send(radio, request(0x1B, {0x00}), 0);
    EXPECT_EQ(x.data.size(), 45u);
    EXPECT_LT(x.all.back().atMs, 110u);
}

TEST(SimRadioTiming, ResetGetsTheAcknowledgeOnly) {
    SimRadio radio(SimProfile::defaults());
    const auto x = send(radio, {0xF1, 0x10, 0xFE});
    EXPECT_EQ(x.rest, (std::vector<uint8_t>{0x50}));
}

TEST(SimRadioFrames, BadChecksumIsEchoedButNotAnswered) {
    SimRadio radio(SimProfile::defaults());
    const auto x = send(radio, {0xF2, 0x19, 0x01, 0xF4});
    EXPECT_EQ(x.echo.size(), 4u);
    EXPECT_TRUE(x.rest.empty());
    EXPECT_FALSE(radio.keyed());
    EXPECT_EQ(radio.transcript().filter(SimEventKind::BadFrame).size(), 1u);
}

TEST(SimRadioFrames, IncompleteFrameIsDroppedAfterAGapAndTheRetryIsAnswered) {
    SimRadio radio(SimProfile::defaults());
    send(radio, {0xF2, 0x19}, 1000);  // the rest never comes
    const auto x = send(radio, {0xF2, 0x19, 0x01, 0xF3}, 1400);
    ASSERT_FALSE(x.rest.empty());
    EXPECT_EQ(x.rest[0], 0x50);
    EXPECT_TRUE(radio.keyed());
}

TEST(SimRadioFrames, UnknownRequestIsAcknowledgedAndRefusedWith0x86) {
    SimRadio radio(SimProfile::defaults());
    const auto x = send(radio, request(0x30, {0x01}));
    ASSERT_GE(x.data.size(), 2u);
    EXPECT_EQ(x.data[1], 0x86);
    EXPECT_TRUE(checksumHolds(x.data));
}

TEST(SimRadioIdentity, FieldsLieAtTheFramePositionsTheCallersRead) {
    SimProfile p = SimProfile::defaults();
    p.modelNo = "P45TSC7B4W  AN  ";
    p.serialNo = "AB12345678";
    p.powerUpStatus = 32;
    p.icVersion = {0x11, 0xFE, 0x33, 0x44};
    SimRadio radio(p);

    const auto model = send(radio, request(0x23, {0x00})).data;
    ASSERT_GE(model.size(), 22u);
    EXPECT_EQ((model[0] & 0x0F), 0x0F);  // extended count
    EXPECT_EQ(std::string(model.begin() + 5, model.begin() + 21), "P45TSC7B4W  AN  ");
    EXPECT_TRUE(checksumHolds(model));

    const auto serial = send(radio, request(0x23, {0x01})).data;
    ASSERT_GE(serial.size(), 14u);
    EXPECT_EQ(std::string(serial.begin() + 3, serial.begin() + 13), "AB12345678");

    const auto power = send(radio, request(0x23, {0x05})).data;
    ASSERT_GE(power.size(), 4u);
    EXPECT_EQ(power[3], 32);

    const auto ic = send(radio, request(0x23, {0x0E})).data;
    ASSERT_GE(ic.size(), 7u);
    EXPECT_EQ(std::vector<uint8_t>(ic.begin() + 3, ic.begin() + 7),
              (std::vector<uint8_t>{0x11, 0xFE, 0x33, 0x44}));

    const auto uuid = send(radio, request(0x23, {0x0F})).data;
    ASSERT_GE(uuid.size(), 22u);
    EXPECT_EQ(std::vector<uint8_t>(uuid.begin() + 5, uuid.begin() + 21),
              std::vector<uint8_t>(p.uuid.begin(), p.uuid.end()));

    EXPECT_EQ(send(radio, request(0x23, {0x07})).data[1], 0x86);
}

TEST(SimRadioIdentity, TuningBlockBytesSitAtTheirPositions) {
    SimProfile p = SimProfile::defaults();
    p.base = 0x1450;
    p.option = 5;
    p.procedure = 2;
    p.txPoints = {0, 0x0102, 0, 0, 0, 0, 0x0707};
    p.rxPoints = {0x0A0B, 0, 0, 0, 0, 0, 0};
    p.txDac = {0x21, 0x22};
    p.parameter = 0x43;
    SimRadio radio(p);
    const auto t = send(radio, request(0x1B, {0x00})).data;
    ASSERT_EQ(t.size(), 45u);
    EXPECT_EQ(t[4], 0x14);
    EXPECT_EQ(t[5], 0x50);
    EXPECT_EQ(t[6], 5);
    EXPECT_EQ(t[10], 0x01);
    EXPECT_EQ(t[11], 0x02);
    EXPECT_EQ(t[20], 0x07);
    EXPECT_EQ(t[21], 0x07);
    EXPECT_EQ(t[24], 0x0A);
    EXPECT_EQ(t[25], 0x0B);
    EXPECT_EQ(t[40], 0x21);
    EXPECT_EQ(t[41], 0x22);
    EXPECT_EQ(t[42], 2);
    EXPECT_EQ(t[43], 0x43);
    EXPECT_TRUE(checksumHolds(t));
    // The program measures the reply's length from the count bytes: (byte 2 OR byte 3) = length - 4.
    EXPECT_EQ((t[2] | t[3]), 41);
}

/// Value bytes of a softpot reply (after header, opcode and softpot number), asserting its shape.
std::vector<uint8_t> softpotValue(const std::vector<uint8_t>& data, int number) {
    EXPECT_GE(data.size(), 4u);
    if (data.size() < 4)
        return {};
    const size_t payload = (data[0] & 0x0F) == 0x0F ? 4 : 2;  // after the 16-bit count, if any
    EXPECT_EQ(data[1], 0x8A);
    EXPECT_EQ(data[payload], number);
    EXPECT_TRUE(checksumHolds(data));
    return {data.begin() + static_cast<long>(payload) + 1, data.end() - 1};
}

std::vector<uint8_t> softpot(uint8_t number, uint8_t fn, std::vector<uint8_t> value = {0x00}) {
    std::vector<uint8_t> p{number, fn};
    p.insert(p.end(), value.begin(), value.end());
    return request(0x20, p);
}

const std::vector<uint8_t> kChannelF3 = request(0x21, {0x00, 0x0B, 0xB8, 0x0B, 0xB8});  // 3000, 3000

TEST(SimRadioSoftpots, EveryShippedProfileServesThePaBiasSoftpotsAndRecordsTheirZeroes) {
    for (const auto& e : std::filesystem::directory_iterator(VANTREL_SIM_TEST_PROFILES)) {
        if (e.path().extension() != ".json")
            continue;
        SCOPED_TRACE(e.path().string());
        SimRadio radio(SimProfile::load(e.path()));
        // Both PA bias test modes; the voltage (6) and the three biases.
        for (uint8_t power : {uint8_t(0), uint8_t(2)}) {
            send(radio, request(0x22, {9, power, 2}));
            for (uint8_t number : {uint8_t(6), uint8_t(18), uint8_t(20), uint8_t(27)}) {
                SCOPED_TRACE(int(number));
                ASSERT_EQ(softpotValue(send(radio, softpot(number, 0)).data, number).size(), 1u);
                send(radio, softpot(number, 2, {0}));
                const auto live = radio.transcript().filter(SimEventKind::State);
                ASSERT_FALSE(live.empty());
                EXPECT_EQ(live.back().topic, SimTopic::LiveValue);
                EXPECT_EQ(live.back().softpot, number);
                EXPECT_EQ(live.back().value, 0);
                EXPECT_EQ(softpotValue(send(radio, softpot(number, 0)).data, number),
                          std::vector<uint8_t>{0});
                send(radio, softpot(number, 1, {77}));
            }
        }
        // A reset drops the zeroes; the programmed values stay.
        send(radio, {0xF1, 0x10, 0xFE});
        send(radio, request(0x22, {9, 0, 2}));
        EXPECT_EQ(softpotValue(send(radio, softpot(20, 0)).data, 20), std::vector<uint8_t>{77});
    }
}

TEST(SimRadioSoftpots, RepliesCarryTheWidthsTheDataSetsExpect) {
    SimRadio radio(SimProfile::defaults());
    EXPECT_EQ(softpotValue(send(radio, softpot(11, 0)).data, 11), (std::vector<uint8_t>{0x01, 0x00}));
    EXPECT_EQ(softpotValue(send(radio, softpot(14, 0)).data, 14), (std::vector<uint8_t>{20}));
    EXPECT_EQ(softpotValue(send(radio, softpot(1, 0)).data, 1),
              (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
    // RSSI: function 3 of softpot 26; calibration DAC: function 0 of 26 and 25, values at frame bytes 3 to 5.
    const auto rssi = send(radio, softpot(26, 3)).data;
    EXPECT_EQ(softpotValue(rssi, 26), (std::vector<uint8_t>{40, 80, 120}));
    EXPECT_EQ(softpotValue(send(radio, softpot(25, 0)).data, 25), (std::vector<uint8_t>{0x31, 0x32, 0x33}));
    // The battery multi-value read answers the level first and the threshold second.
    EXPECT_EQ(softpotValue(send(radio, softpot(10, 3)).data, 10), (std::vector<uint8_t>{0x9C, 98}));
}

TEST(SimRadioSoftpots, RssiThresholdIsTakenAtTheAppliedLevel) {
    SimProfile p = SimProfile::defaults();
    p.rssiLevel = 77;
    SimRadio radio(p);
    // Threshold 2 (value 1): only the second RSSI byte changes.
    EXPECT_EQ(send(radio, softpot(26, 1, {1})).data[1], 0x8A);
    EXPECT_EQ(softpotValue(send(radio, softpot(26, 3)).data, 26), (std::vector<uint8_t>{40, 77, 120}));
    EXPECT_EQ(radio.profile().rssi.value()[1], 77);
    // There are three thresholds only.
    EXPECT_EQ(send(radio, softpot(26, 1, {3})).rest, (std::vector<uint8_t>{0x60}));
}

TEST(SimRadioSoftpots, CalibrationDacReadingsFollowTheProfileSequence) {
    SimProfile p = SimProfile::defaults();
    p.calDacReadings = {10, 11, 13};
    SimRadio radio(p);
    std::vector<uint8_t> first;
    for (int i = 0; i < 4; ++i) first.push_back(softpotValue(send(radio, softpot(26, 0)).data, 26).at(0));
    EXPECT_EQ(first, (std::vector<uint8_t>{10, 11, 13, 10}));
    // The RSSI calibration DAC of softpot 25 does not take part.
    EXPECT_EQ(softpotValue(send(radio, softpot(25, 0)).data, 25), (std::vector<uint8_t>{0x31, 0x32, 0x33}));
}

TEST(SimRadioSoftpots, BatteryAnswersWhatItMeasuresAndKeepsItWhenToldToProgram) {
    // Without a supply of its own the radio measures exactly its stored threshold.
    SimRadio plain(SimProfile::defaults());
    send(plain, softpot(10, 1, {1}));
    EXPECT_EQ(plain.programmedValue(10), 98);

    SimProfile p = SimProfile::fromJson(R"({"battery": {"supply": 75}})", "t");
    SimRadio radio(p);
    EXPECT_EQ(softpotValue(send(radio, softpot(10, 3)).data, 10), (std::vector<uint8_t>{0x9C, 75}));
    EXPECT_EQ(radio.programmedValue(10), 98);
    // Told 1, the radio keeps its present measurement, not the 1.
    send(radio, softpot(10, 1, {1}));
    EXPECT_EQ(radio.programmedValue(10), 75);
}

TEST(SimRadioSoftpots, SevenValueReadFollowsTheTestModeSet) {
    SimRadio radio(SimProfile::defaults());
    send(radio, request(0x22, {1, 2, 2}));  // low power
    EXPECT_EQ(softpotValue(send(radio, softpot(0, 3)).data, 0),
              (std::vector<uint8_t>{90, 91, 92, 93, 94, 95, 96}));
    send(radio, request(0x22, {0, 2, 0}));  // 12.5 kHz squelch set
    EXPECT_EQ(softpotValue(send(radio, softpot(7, 3)).data, 7),
              (std::vector<uint8_t>{40, 41, 42, 43, 44, 45, 46}));
}

TEST(SimRadioSoftpots, MobilePowerTableHoldsFourteenBytes) {
    SimProfile p = SimProfile::defaults();
    p.procedure = 2;
    p.softpots[17].supported = true;
    SimRadio radio(p);
    const auto v = softpotValue(send(radio, softpot(17, 3)).data, 17);
    ASSERT_EQ(v.size(), 14u);
    EXPECT_EQ(v[0], 0x50);  // K of F1
    EXPECT_EQ(v[1], 0x30);  // M of F1
    EXPECT_EQ(v[13], 0x36);
}

TEST(SimRadioSoftpots, UnsupportedSoftpotsAndRefusedReadsAnswer0x86) {
    SimProfile p = SimProfile::defaults();
    p.tableRead = false;
    p.rssi.reset();
    p.softpots[14].supported = false;
    SimRadio radio(p);
    for (const auto& req : {softpot(14, 0), softpot(17, 0), softpot(0, 3), softpot(26, 3), softpot(25, 0),
                            softpot(4, 0), request(0x1F, {14})}) {
        const auto x = send(radio, req);
        ASSERT_GE(x.data.size(), 2u) << hexBytes(req);
        EXPECT_EQ(x.data[1], 0x86) << hexBytes(req);
    }
    // Single reads still work on a radio without the seven-value read.
    EXPECT_EQ(send(radio, softpot(0, 0)).data[1], 0x8A);
}

TEST(SimRadioSoftpots, SinglePointPowerWriteCanBeRefusedWhileTableWritesWork) {
    SimProfile p = SimProfile::defaults();
    p.refuseSinglePointWrites = {0};
    SimRadio radio(p);
    EXPECT_EQ(send(radio, softpot(0, 1, {77})).data[1], 0x86);
    EXPECT_EQ(send(radio, softpot(0, 2, {77})).data[1], 0x8A);
    EXPECT_EQ(send(radio, softpot(0, 4, {1, 2, 3, 4, 5, 6, 7})).data[1], 0x8A);
    EXPECT_EQ(radio.programmedValue(0, 0, 6), 7);
}

TEST(SimRadioState, ProgrammedValuesPersistAndLiveValuesDieWithReset) {
    SimRadio radio(SimProfile::defaults());
    send(radio, request(0x22, {0, 0, 2}));
    send(radio, kChannelF3);
    send(radio, softpot(0, 2, {200}));  // live at F3, high power
    EXPECT_EQ(softpotValue(send(radio, softpot(0, 0)).data, 0), (std::vector<uint8_t>{200}));
    EXPECT_EQ(radio.programmedValue(0, 0, 2), 104);

    send(radio, {0xF1, 0x10, 0xFE});
    EXPECT_FALSE(radio.testMode());
    EXPECT_FALSE(radio.liveValue(0, 0, 2));
    send(radio, request(0x22, {0, 0, 2}));
    send(radio, kChannelF3);
    EXPECT_EQ(softpotValue(send(radio, softpot(0, 0)).data, 0), (std::vector<uint8_t>{104}));

    send(radio, softpot(0, 1, {201}));  // program at F3
    send(radio, {0xF1, 0x10, 0xFE});
    send(radio, request(0x22, {0, 0, 2}));
    send(radio, kChannelF3);
    EXPECT_EQ(softpotValue(send(radio, softpot(0, 0)).data, 0), (std::vector<uint8_t>{201}));
    EXPECT_EQ(radio.profile().softpots.at(0).values[0][2], 201);
    // The other points and the low power set were not touched.
    EXPECT_EQ(radio.programmedValue(0, 0, 1), 102);
    EXPECT_EQ(radio.programmedValue(0, 1, 2), 92);
}

TEST(SimRadioState, ResetLeavesTestModeAndDekeys) {
    SimRadio radio(SimProfile::defaults());
    send(radio, request(0x22, {9, 0, 2}));
    send(radio, {0xF2, 0x19, 0x01, 0xF3});
    ASSERT_TRUE(radio.keyed());
    send(radio, {0xF1, 0x10, 0xFE});
    EXPECT_FALSE(radio.keyed());
    EXPECT_FALSE(radio.testMode());
    EXPECT_TRUE(radio.channels().empty());
    const auto states = radio.transcript().filter(SimEventKind::State);
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states.back().topic, SimTopic::Reset);
}

TEST(SimRadioState, ReceiveSoftpotsFollowTheReceiveChannel) {
    SimProfile p = SimProfile::defaults();
    p.rxPoints = {1100, 2100, 3100, 4100, 5100, 6100, 7100};
    SimRadio radio(p);
    send(radio, request(0x21, {0x00, 0x07, 0xD0, 0x13, 0xEC}));  // tx 2000 (F2), rx 5100 (F5)
    EXPECT_EQ(softpotValue(send(radio, softpot(13, 0)).data, 13), (std::vector<uint8_t>{34}));
    EXPECT_EQ(softpotValue(send(radio, softpot(0, 0)).data, 0), (std::vector<uint8_t>{102}));
    send(radio, request(0x21, {0x00, 0x0C, 0x1C}));  // receive channel 3100 alone: F3
    EXPECT_EQ(softpotValue(send(radio, softpot(13, 0)).data, 13), (std::vector<uint8_t>{32}));
}

TEST(SimRadioState, AutoTuneSettlesPerPointAndAnswersZeroWhereTuningFails) {
    SimProfile p = SimProfile::defaults();
    p.softpots[6].autoTune = {210, 211, 212, 0, 214, 215, 216};
    SimRadio radio(p);
    send(radio, request(0x21, {0x00, 0x0B, 0xB8, 0x0B, 0xB8}));
    EXPECT_EQ(softpotValue(send(radio, request(0x1F, {6})).data, 6), (std::vector<uint8_t>{212}));
    EXPECT_EQ(radio.liveValue(6, 0, 2), 212);
    send(radio, request(0x21, {0x00, 0x0F, 0xA0, 0x0F, 0xA0}));  // F4
    EXPECT_EQ(softpotValue(send(radio, request(0x1F, {6})).data, 6), (std::vector<uint8_t>{0}));
    EXPECT_FALSE(radio.liveValue(6, 0, 3));
}

TEST(SimRadioMemory, ReadsAndWritesTheCodeplug) {
    SimProfile p = SimProfile::defaults();
    p.codeplug[0x123] = 0xAB;
    p.readOnly = {{0x300, 0x30F}};
    SimRadio radio(p);
    const auto r = send(radio, request(0x11, {2, 0x00, 0x01, 0x23})).data;
    ASSERT_EQ(r.size(), 1u + 1 + 3 + 2 + 1);
    EXPECT_EQ(r[1], 0x80);
    EXPECT_EQ(r[5], 0xAB);  // first data byte at frame byte 5
    // 32 bytes need the 16-bit count: the data starts at frame byte 7.
    const auto big = send(radio, request(0x11, {32, 0x00, 0x01, 0x23})).data;
    EXPECT_EQ(big[0], 0xFF);
    EXPECT_EQ(big[7], 0xAB);

    const auto w = send(radio, request(0x17, {0x00, 0x02, 0x00, 1, 2, 3})).data;
    EXPECT_EQ(w[1], 0x84);
    EXPECT_EQ((std::vector<uint8_t>{w[2], w[3], w[4]}), (std::vector<uint8_t>{0x00, 0x02, 0x00}));
    EXPECT_EQ(radio.codeplug()[0x202], 3);
    EXPECT_FALSE(radio.codeplugChecksumValid());
    const auto events = radio.transcript().filter(SimEventKind::State, SimTopic::Memory);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].address, 0x200u);

    const auto refused = send(radio, request(0x17, {0x00, 0x03, 0x08, 9})).data;
    EXPECT_EQ(refused[1], 0x85);
    EXPECT_EQ(refused[3], 0x03);
    EXPECT_EQ(send(radio, request(0x17, {0x00, 0x03, 0xFE, 9, 9})).data[1], 0x84);  // the last two bytes
    EXPECT_EQ(send(radio, request(0x17, {0x00, 0x03, 0xFF, 9, 9})).data[1], 0x85);  // one past the end
    EXPECT_EQ(send(radio, request(0x17, {0x00, 0x04, 0x00, 9})).data[1], 0x85);     // beyond the codeplug
    EXPECT_EQ(send(radio, request(0x11, {4, 0x00, 0x03, 0xFE})).data[1], 0x86);
}

TEST(SimRadioMemory, BasebandOffsetsAndSerialNumberWrites) {
    SimProfile p = SimProfile::defaults();
    SimRadio plain(p);
    EXPECT_NE(send(plain, request(0x28, {5, 1})).data[1], 0x88);

    p.bbo = std::array<std::array<uint8_t, 5>, 3>{{{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}}};
    SimRadio radio(p);
    const auto r = send(radio, request(0x28, {10, 2})).data;
    EXPECT_EQ(r[1], 0x88);
    EXPECT_EQ(r[3], 9);
    send(radio, request(0x28, {5, 0x82, 0xF5}));
    EXPECT_EQ(radio.bboByte(1, 0), 0xF5);
    EXPECT_EQ(send(radio, request(0x28, {5, 2})).data[3], 0xF5);
    EXPECT_EQ(send(radio, request(0x28, {7, 1})).data[1], 0x86);

    std::vector<uint8_t> serial{0x00};
    for (char c : std::string("NEW0000042")) serial.push_back(static_cast<uint8_t>(c));
    send(radio, request(0x18, serial));
    EXPECT_EQ(radio.serialNo(), "NEW0000042");
    const auto s = send(radio, request(0x23, {0x01})).data;
    EXPECT_EQ(std::string(s.begin() + 3, s.begin() + 13), "NEW0000042");
}

TEST(SimRadioFaults, EachKindSpoilsTheAnswerItsWay) {
    const auto key = std::vector<uint8_t>{0xF2, 0x19, 0x01, 0xF3};
    auto withFault = [&](const std::string& spec) {
        SimRadio radio(SimProfile::defaults());
        radio.addFault(parseSimFault(spec));
        return send(radio, key, 0);
    };
    EXPECT_TRUE(withFault("silence").rest.empty());
    EXPECT_EQ(withFault("silence").echo.size(), 4u);
    EXPECT_EQ(withFault("nak").rest, (std::vector<uint8_t>{0x60}));
    EXPECT_FALSE(checksumHolds(withFault("badsum").data));
    EXPECT_EQ(withFault("unsupported").data[1], 0x86);
    const auto late = withFault("late:12000");
    EXPECT_EQ(late.rest[0], 0x50);
    EXPECT_GT(late.all.back().atMs, 12000u);
    EXPECT_EQ(withFault("truncated:2").data.size(), 2u);
    const auto noise = withFault("noise");
    EXPECT_EQ(noise.rest[0], 0x13);
    EXPECT_TRUE(withFault("disconnect").disconnect);
}

TEST(SimRadioFaults, RulesFireAtTheNthRequestOrForOneOpcodeOnly) {
    SimRadio radio(SimProfile::defaults());
    radio.addFault(parseSimFault("nak@3"));
    radio.addFault(parseSimFault("silence/0x23.0x05*0"));
    const auto dekey = std::vector<uint8_t>{0xF2, 0x19, 0x00, 0xF4};
    EXPECT_EQ(send(radio, dekey).rest[0], 0x50);
    EXPECT_EQ(send(radio, dekey).rest[0], 0x50);
    EXPECT_EQ(send(radio, dekey).rest, (std::vector<uint8_t>{0x60}));
    EXPECT_EQ(send(radio, dekey).rest[0], 0x50);
    EXPECT_EQ(send(radio, request(0x23, {0x01})).rest[0], 0x50);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(send(radio, request(0x23, {0x05})).rest.empty());
    EXPECT_EQ(radio.transcript().filter(SimEventKind::Fault).size(), 4u);
}

TEST(SimRadioFaults, MalformedFaultTextsAreRejected) {
    for (const char* bad : {"", "hiccup", "nak@", "nak@x", "late:abc", "nak:5", "silence/0x123"})
        EXPECT_THROW(parseSimFault(bad), std::invalid_argument) << bad;
}

TEST(SimRadioFaults, AfterADisconnectNothingIsEchoed) {
    SimRadio radio(SimProfile::defaults());
    radio.addFault(parseSimFault("disconnect"));
    EXPECT_TRUE(send(radio, {0xF2, 0x19, 0x00, 0xF4}).disconnect);
    EXPECT_TRUE(send(radio, {0xF2, 0x19, 0x00, 0xF4}).all.empty());
}

TEST(SimTranscriptText, ReadsLikeASession) {
    SimRadio radio(SimProfile::defaults());
    send(radio, {0xF2, 0x19, 0x01, 0xF3}, 1500);
    const std::string text = radio.transcript().formatAll();
    EXPECT_NE(text.find("<-  F2 19 01 F3"), std::string::npos) << text;
    EXPECT_NE(text.find("key up"), std::string::npos);
    EXPECT_NE(text.find("==  keyed"), std::string::npos);
    EXPECT_NE(text.find("->  50"), std::string::npos);
    EXPECT_NE(text.find("1.500 s"), std::string::npos);
}

}  // namespace
}  // namespace vantrel

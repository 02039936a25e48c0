// The contract of every softpot data set, one row per (data set, call): the requests it sends, the support
// flags its reads note, where its reads store and what its auto-tune answers.
//
// Every data set is given the 12.5 kHz spacing (code 0) before the call, so a spacing byte shows as 0
// while a fixed third byte shows as itself. The radio answers every softpot but has no multi-value read,
// transmit points at F1 and F7 only and receive points at F1 and F6, so a seven-point read shows the side
// of its channel pairs and the first and last column of its set. Values read are the simulated radio's
// defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <type_traits>

#include "SimBench.h"
#include "link/cominit.h"
#include "radio/rxDataSets.h"
#include "radio/txDataSets.h"

namespace vantrel {
namespace {

using test::SimBench;
using Strings = std::vector<std::string>;

constexpr std::int64_t kNoAnswer = -1;
constexpr std::int32_t kUntouched = -1;

/// Runs one call of a fresh data set; answers what the call answered, or kNoAnswer.
using Call = std::function<std::int64_t(EnhancedSBEP&, radioStorage&)>;

/// A data set set to the 12.5 kHz test spacing.
template <class D>
struct Narrow : D {
    Narrow() { this->setSpacing(spacing::k12_5); }
};

/// Wraps `f(dataSet, link, record)`; a call answering a value answers it.
template <class D, class F>
Call on(F f) {
    return [f](EnhancedSBEP& link, radioStorage& record) -> std::int64_t {
        Narrow<D> data;
        if constexpr (std::is_void_v<decltype(f(data, link, record))>) {
            f(data, link, record);
            return kNoAnswer;
        } else {
            return static_cast<std::int64_t>(f(data, link, record));
        }
    };
}

struct Contract {
    const char* call;
    Call run;
    Strings sent = {};            ///< the requests, as SimBench describes them
    std::vector<int> flags = {};  ///< support flags the call notes (set when answered, cleared when refused)
    Strings effect = {};          ///< record cells written, "row/column=value", then "-> answer"
};

// clang-format off
const std::vector<Contract>& contracts() {
    using L = EnhancedSBEP;
    using R = radioStorage;
    static const std::vector<Contract> table = {
    // Reference oscillator warp: softpot 11, two bytes, flag 2, row 2 column 0.
    {"refOsc setupTest", on<txRefOscData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 1 2 0", "T 129 2 0"}},
    {"refOsc setLive", on<txRefOscData>([](auto& d, L& l, R&) { d.setLive(0x1FF, l); }), {"S 11/2: 1 255"}},
    {"refOsc program", on<txRefOscData>([](auto& d, L& l, R&) { d.program(0x102, l); }), {"S 11/1: 1 2"}},
    {"refOsc read", on<txRefOscData>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 11/0"}, {2}, {"2/0=256"}},
    // DTMF deviation: softpot 14, flag 6, row 6.
    {"DTMF setupTest", on<txDTMFData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 3 2 0"}},
    {"DTMF setLive", on<txDTMFData>([](auto& d, L& l, R&) { d.setLive(40, l); }), {"S 14/2: 40"}},
    {"DTMF program", on<txDTMFData>([](auto& d, L& l, R&) { d.program(41, l); }), {"S 14/1: 41"}},
    {"DTMF read", on<txDTMFData>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 14/0"}, {6}, {"6/0=20"}},
    // QDT1200 deviation: softpot 24, flag 7, row 7.
    {"QDT setupTest", on<txQDT1200Data>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 4 2 0"}},
    {"QDT setLive", on<txQDT1200Data>([](auto& d, L& l, R&) { d.setLive(42, l); }), {"S 24/2: 42"}},
    {"QDT program", on<txQDT1200Data>([](auto& d, L& l, R&) { d.program(43, l); }), {"S 24/1: 43"}},
    {"QDT read", on<txQDT1200Data>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 24/0"}, {7}, {"7/0=26"}},
    // Select 5 deviation: softpot 15, flag 13, row 14.
    {"Select5 setupTest", on<txSelect5Data>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 4 2 0"}},
    {"Select5 setLive", on<txSelect5Data>([](auto& d, L& l, R&) { d.setLive(44, l); }), {"S 15/2: 44"}},
    {"Select5 program", on<txSelect5Data>([](auto& d, L& l, R&) { d.program(45, l); }), {"S 15/1: 45"}},
    {"Select5 read", on<txSelect5Data>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 15/0"}, {13}, {"14/0=22"}},
    // MPT1327 deviation: softpot 5, flag 14, row 15.
    {"MPT setupTest", on<txMPT1200Data>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 5 2 0"}},
    {"MPT setLive", on<txMPT1200Data>([](auto& d, L& l, R&) { d.setLive(46, l); }), {"S 5/2: 46"}},
    {"MPT program", on<txMPT1200Data>([](auto& d, L& l, R&) { d.program(47, l); }), {"S 5/1: 47"}},
    {"MPT read", on<txMPT1200Data>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 5/0"}, {14}, {"15/0=16"}},
    // HSS deviation: softpot 16, flag 22, row 19.
    {"HSS setupTest", on<txHSSData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 7 2 0"}},
    {"HSS setLive", on<txHSSData>([](auto& d, L& l, R&) { d.setLive(48, l); }), {"S 16/2: 48"}},
    {"HSS program", on<txHSSData>([](auto& d, L& l, R&) { d.program(49, l); }), {"S 16/1: 49"}},
    {"HSS read", on<txHSSData>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 16/0"}, {22}, {"19/0=24"}},
    // Battery threshold: softpot 10, flag 19, row 18 column 1; program always sends 1; the read is the
    // multi-value read and keeps its second value (the first is the measured level, 156).
    {"battery setupTest", on<txBatteryData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 9 2 0"}},
    {"battery setLive", on<txBatteryData>([](auto& d, L& l, R&) { d.setLive(50, l); }), {"S 10/2: 50"}},
    {"battery program", on<txBatteryData>([](auto& d, L& l, R&) { d.program(200, l); }), {"S 10/1: 1"}},
    {"battery read", on<txBatteryData>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 10/3"}, {19}, {"18/1=98"}},
    // Transmit power: softpot 0 (row 3, flag 3), third softpot 28 (row 21, flag 26), mobile 17 (two bytes,
    // row 17, flag 16). Selector 1 is power argument 0, selector 2 argument 2.
    {"power setupTest 1 first", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setupTest(1, l, true, false); }),
     {"T 0 0 0", "T 129 0 0"}},
    {"power setupTest 1 second", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setupTest(1, l, false, true); }),
     {"T 1 0 0", "T 129 0 0"}},
    {"power setupTest 2 both", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setupTest(2, l, true, true); }),
     {"T 0 2 0", "T 129 2 0", "T 1 2 0", "T 129 2 0"}},
    {"power setupTest 2 neither", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setupTest(2, l, false, false); }),
     {}},
    {"power setupTest 3", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setupTest(3, l, true, true); }), {}},
    {"power setLive", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setLive(100, l); }), {"S 0/2: 100"}},
    {"power program", on<txTransmitPowData>([](auto& d, L& l, R&) { d.program(101, l); }), {"S 0/1: 101"}},
    {"power setLiveThird", on<txTransmitPowData>([](auto& d, L& l, R&) { d.setLiveThird(102, l); }), {"S 28/2: 102"}},
    {"power programThird", on<txTransmitPowData>([](auto& d, L& l, R&) { d.programThird(103, l); }), {"S 28/1: 103"}},
    {"power programMobile", on<txTransmitPowData>([](auto& d, L& l, R&) { d.programMobile(0x1234, l); }),
     {"S 17/1: 18 52"}},
    {"power releaseVoltageLimit", on<txTransmitPowData>([](auto& d, L& l, R&) { d.releaseVoltageLimit(l); }),
     {"S 6/2: 127"}},
    {"power readHigh", on<txTransmitPowData>([](auto& d, L& l, R& r) { d.readHigh(r, l); }),
     {"S 0/3", "C 1000 1100", "S 0/0", "C 7000 1100", "S 0/0"}, {3}, {"3/0=100", "3/6=112"}},
    {"power readLow", on<txTransmitPowData>([](auto& d, L& l, R& r) { d.readLow(r, l); }),
     {"S 0/3", "C 1000 1100", "S 0/0", "C 7000 1100", "S 0/0"}, {3}, {"3/7=100", "3/13=112"}},
    {"power readThird", on<txTransmitPowData>([](auto& d, L& l, R& r) { d.readThird(r, l); }),
     {"S 28/3", "C 1000 1100", "S 28/0", "C 7000 1100", "S 28/0"}, {26}, {"21/0=110", "21/6=122"}},
    {"power readMobile", on<txTransmitPowData>([](auto& d, L& l, R& r) { d.readMobile(r, l); }),
     {"S 17/3", "C 1000 1100", "S 17/0", "C 7000 1100", "S 17/0"}, {16},
     {"17/0=80", "17/1=48", "17/12=86", "17/13=54"}},
    // Transmit DAC of low-band mobiles: power softpot 0, DAC softpot 17 (two bytes); not read.
    {"DAC setupTest 1 second", on<txTransmitDACData>([](auto& d, L& l, R&) { d.setupTest(1, l, false, true); }),
     {"T 1 0 0", "T 129 0 0"}},
    {"DAC setupTest 2 first", on<txTransmitDACData>([](auto& d, L& l, R&) { d.setupTest(2, l, true, false); }),
     {"T 0 2 0", "T 129 2 0"}},
    {"DAC setupTest 3", on<txTransmitDACData>([](auto& d, L& l, R&) { d.setupTest(3, l, false, true); }), {}},
    {"DAC setLive", on<txTransmitDACData>([](auto& d, L& l, R&) { d.setLive(90, l); }), {"S 0/2: 90"}},
    {"DAC setLiveDac", on<txTransmitDACData>([](auto& d, L& l, R&) { d.setLiveDac(0x0102, l); }), {"S 17/2: 1 2"}},
    {"DAC programDac", on<txTransmitDACData>([](auto& d, L& l, R&) { d.programDac(0x0304, l); }), {"S 17/1: 3 4"}},
    {"DAC releaseVoltageLimit", on<txTransmitDACData>([](auto& d, L& l, R&) { d.releaseVoltageLimit(l); }),
     {"S 6/2: 127"}},
    // PA voltage limit: softpot 6, flag 25, row 20; the transmit channel is both codes; auto-tune of 6.
    {"voltage setupTest 1 second", on<txPAVoltageLimitData>([](auto& d, L& l, R&) { d.setupTest(1, l, false, true); }),
     {"T 1 0 0", "T 129 0 0"}},
    {"voltage setupTest 2 first", on<txPAVoltageLimitData>([](auto& d, L& l, R&) { d.setupTest(2, l, true, false); }),
     {"T 0 2 0", "T 129 2 0"}},
    {"voltage setLive", on<txPAVoltageLimitData>([](auto& d, L& l, R&) { d.setLive(51, l); }), {"S 6/2: 51"}},
    {"voltage program", on<txPAVoltageLimitData>([](auto& d, L& l, R&) { d.program(52, l); }), {"S 6/1: 52"}},
    {"voltage read", on<txPAVoltageLimitData>([](auto& d, L& l, R& r) { d.read(r, l); }),
     {"S 6/3", "C 1000 1000", "S 6/0", "C 7000 7000", "S 6/0"}, {25}, {"20/0=100", "20/6=106"}},
    {"voltage autoTuneSoftpot", on<txPAVoltageLimitData>([](auto& d, L& l, R& r) { return d.autoTuneSoftpot(r, l); }),
     {"A 6"}, {25}, {"-> 100"}},
    // Modulation attenuation: softpot 3, flag 4, read into row 4 columns 14-20; set-up (14, 2, selector)
    // then the VCO attenuation softpot 2 live to 127.
    {"modAttn setupTest 0", on<txModAttnData>([](auto& d, L& l, R&) { d.setupTest(0, l); }), {"T 14 2 0", "S 2/2: 127"}},
    {"modAttn setupTest 1", on<txModAttnData>([](auto& d, L& l, R&) { d.setupTest(1, l); }), {"T 14 2 1", "S 2/2: 127"}},
    {"modAttn setupTest 2", on<txModAttnData>([](auto& d, L& l, R&) { d.setupTest(2, l); }), {"T 14 2 2", "S 2/2: 127"}},
    {"modAttn setupTest 3", on<txModAttnData>([](auto& d, L& l, R&) { d.setupTest(3, l); }), {}},
    {"modAttn setLive", on<txModAttnData>([](auto& d, L& l, R&) { d.setLive(53, l); }), {"S 3/2: 53"}},
    {"modAttn program", on<txModAttnData>([](auto& d, L& l, R&) { d.program(54, l); }), {"S 3/1: 54"}},
    {"modAttn read", on<txModAttnData>([](auto& d, L& l, R& r) { d.read(r, l); }),
     {"S 3/3", "C 1000 1100", "S 3/0", "C 7000 1100", "S 3/0"}, {4}, {"4/14=30", "4/20=36"}},
    // VCO attenuation: softpot 2, flag 5, row 5; selector 1, 2, 3 is spacing 2, 1, 0.
    {"VCO setupTest 1", on<txVCOAttnData>([](auto& d, L& l, R&) { d.setupTest(1, l); }), {"T 1 2 2", "T 128 2 2"}},
    {"VCO setupTest 2", on<txVCOAttnData>([](auto& d, L& l, R&) { d.setupTest(2, l); }), {"T 1 2 1", "T 128 2 1"}},
    {"VCO setupTest 3", on<txVCOAttnData>([](auto& d, L& l, R&) { d.setupTest(3, l); }), {"T 1 2 0", "T 128 2 0"}},
    {"VCO setupTest 0", on<txVCOAttnData>([](auto& d, L& l, R&) { d.setupTest(0, l); }), {}},
    {"VCO setLive", on<txVCOAttnData>([](auto& d, L& l, R&) { d.setLive(55, l); }), {"S 2/2: 55"}},
    {"VCO program", on<txVCOAttnData>([](auto& d, L& l, R&) { d.program(56, l); }), {"S 2/1: 56"}},
    {"VCO read25k", on<txVCOAttnData>([](auto& d, L& l, R& r) { d.read25k(r, l); }),
     {"S 2/3", "C 1000 1100", "S 2/0", "C 7000 1100", "S 2/0"}, {5}, {"5/14=60", "5/20=66"}},
    {"VCO read20k", on<txVCOAttnData>([](auto& d, L& l, R& r) { d.read20k(r, l); }), {"C 7000 1100", "S 2/0"}, {5},
     {"5/13=66"}},
    {"VCO read12k5", on<txVCOAttnData>([](auto& d, L& l, R& r) { d.read12k5(r, l); }), {"C 7000 1100", "S 2/0"}, {5},
     {"5/6=66"}},
    // PA bias: softpots 18, 20, 27 in row 8 (high power columns 0, 2, 4 with flags 8, 17, 18; low power
    // columns 1, 3, 5 with flags 9, 17, 18); high power and receive mode read softpot 6 (flag 28) first.
    {"biasHigh setupTest", on<txPABiasHighVoltageData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 9 0 0"}},
    {"biasHigh setupTestSecond", on<txPABiasHighVoltageData>([](auto& d, L& l, R&) { d.setupTestSecond(l); }),
     {"T 9 2 0"}},
    {"biasHigh setLive", on<txPABiasHighVoltageData>([](auto& d, L& l, R&) { d.setLive(57, l); }), {"S 18/2: 57"}},
    {"biasHigh program", on<txPABiasHighVoltageData>([](auto& d, L& l, R&) { d.program(58, l); }), {"S 18/1: 58"}},
    {"biasHigh setLive 20", on<txPABiasHighVoltageData>([](auto& d, L& l, R&) { d.setLive(59, 20, l); }),
     {"S 20/2: 59"}},
    {"biasHigh program 27", on<txPABiasHighVoltageData>([](auto& d, L& l, R&) { d.program(60, 27, l); }),
     {"S 27/1: 60"}},
    {"biasHigh read", on<txPABiasHighVoltageData>([](auto& d, L& l, R& r) { d.read(r, l); }),
     {"S 6/0", "S 18/0", "S 20/0", "S 27/0"}, {28, 8, 17, 18}, {"8/0=110", "8/2=105", "8/4=100"}},
    {"biasLow setupTest", on<txPABiasLowVoltageData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 9 2 0"}},
    {"biasLow setLive", on<txPABiasLowVoltageData>([](auto& d, L& l, R&) { d.setLive(61, l); }), {"S 18/2: 61"}},
    {"biasLow program", on<txPABiasLowVoltageData>([](auto& d, L& l, R&) { d.program(62, l); }), {"S 18/1: 62"}},
    {"biasLow read", on<txPABiasLowVoltageData>([](auto& d, L& l, R& r) { d.read(r, l); }),
     {"S 18/0", "S 20/0", "S 27/0"}, {9, 17, 18}, {"8/1=110", "8/3=105", "8/5=100"}},
    {"biasRx setupTest", on<txPABiasRxModeData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 9 0 0"}},
    {"biasRx setupTestReceive", on<txPABiasRxModeData>([](auto& d, L& l, R&) { d.setupTestReceive(l); }),
     {"T 0 2 2"}},
    {"biasRx setupTestLowPower", on<txPABiasRxModeData>([](auto& d, L& l, R&) { d.setupTestLowPower(l); }),
     {"T 9 2 2"}},
    {"biasRx setLive", on<txPABiasRxModeData>([](auto& d, L& l, R&) { d.setLive(63, l); }), {"S 18/2: 63"}},
    {"biasRx setLive 0", on<txPABiasRxModeData>([](auto& d, L& l, R&) { d.setLive(64, 0, l); }), {"S 0/2: 64"}},
    {"biasRx setLive 6", on<txPABiasRxModeData>([](auto& d, L& l, R&) { d.setLive(65, 6, l); }), {"S 6/2: 65"}},
    {"biasRx read", on<txPABiasRxModeData>([](auto& d, L& l, R& r) { d.read(r, l); }),
     {"S 6/0", "S 18/0", "S 20/0", "S 27/0"}, {28, 8, 17, 18}, {"8/0=110", "8/2=105", "8/4=100"}},
    // Front end filter: softpot 13, flag 10, row 10 over the receive points; calibration DAC byte 3 of the
    // softpot 26 reply into row 16 column 6.
    {"FEBP setupTest", on<rxFEBPData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 0 2 0"}},
    {"FEBP setLive", on<rxFEBPData>([](auto& d, L& l, R&) { d.setLive(66, l); }), {"S 13/2: 66"}},
    {"FEBP program", on<rxFEBPData>([](auto& d, L& l, R&) { d.program(67, l); }), {"S 13/1: 67"}},
    {"FEBP read", on<rxFEBPData>([](auto& d, L& l, R& r) { d.read(r, l); }),
     {"S 13/3", "C 1000 1100", "S 13/0", "C 1000 6100", "S 13/0"}, {10}, {"10/0=30", "10/5=35"}},
    {"FEBP readCalDac", on<rxFEBPData>([](auto& d, L& l, R& r) { return d.readCalDac(r, l); }), {"S 26/0"}, {},
     {"16/6=33", "-> 33"}},
    // Auto squelch: softpot 7, flag 11, row 11 by selector (1: columns 14-20, 2: 7-13, 3: 0-6).
    {"squelch setupTest 1", on<rxAutoSquelchData>([](auto& d, L& l, R&) { d.setupTest(1, l); }), {"T 1 2 2"}},
    {"squelch setupTest 2", on<rxAutoSquelchData>([](auto& d, L& l, R&) { d.setupTest(2, l); }), {"T 1 2 1"}},
    {"squelch setupTest 3", on<rxAutoSquelchData>([](auto& d, L& l, R&) { d.setupTest(3, l); }), {"T 1 2 0"}},
    {"squelch setupTest 4", on<rxAutoSquelchData>([](auto& d, L& l, R&) { d.setupTest(4, l); }), {}},
    {"squelch setLive", on<rxAutoSquelchData>([](auto& d, L& l, R&) { d.setLive(20, l); }), {"S 7/2: 20"}},
    {"squelch program", on<rxAutoSquelchData>([](auto& d, L& l, R&) { d.program(21, l); }), {"S 7/1: 21"}},
    {"squelch read 1", on<rxAutoSquelchData>([](auto& d, L& l, R& r) { d.read(1, r, l); }),
     {"S 7/3", "C 1000 1100", "S 7/0", "C 1000 6100", "S 7/0"}, {11}, {"11/14=40", "11/19=45"}},
    {"squelch read 2", on<rxAutoSquelchData>([](auto& d, L& l, R& r) { d.read(2, r, l); }),
     {"S 7/3", "C 1000 1100", "S 7/0", "C 1000 6100", "S 7/0"}, {11}, {"11/7=40", "11/12=45"}},
    {"squelch read 3", on<rxAutoSquelchData>([](auto& d, L& l, R& r) { d.read(3, r, l); }),
     {"S 7/3", "C 1000 1100", "S 7/0", "C 1000 6100", "S 7/0"}, {11}, {"11/0=40", "11/5=45"}},
    {"squelch autoTuneSoftpot", on<rxAutoSquelchData>([](auto& d, L& l, R& r) { return d.autoTuneSoftpot(r, l); }),
     {"A 7"}, {11}, {"-> 40"}},
    // Rated volume: softpot 8, flag 12, row 12 column 0 (normal) and 1 (Brightline).
    {"volume setupTest normal", on<rxRatedVolumeData>([](auto& d, L& l, R&) { d.setupTest(l, 0); }), {"T 0 2 0"}},
    {"volume setupTest Brightline", on<rxRatedVolumeData>([](auto& d, L& l, R&) { d.setupTest(l, 1); }),
     {"T 18 2 0"}},
    {"volume setLive", on<rxRatedVolumeData>([](auto& d, L& l, R&) { d.setLive(68, l); }), {"S 8/2: 68"}},
    {"volume program", on<rxRatedVolumeData>([](auto& d, L& l, R&) { d.program(69, l); }), {"S 8/1: 69"}},
    {"volume read", on<rxRatedVolumeData>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 8/0"}, {12}, {"12/0=128"}},
    {"volume readBrightline", on<rxRatedVolumeData>([](auto& d, L& l, R& r) { d.readBrightline(r, l); }),
     {"S 8/0"}, {12}, {"12/1=128"}},
    // RSSI: flag 15, row 16: the three RSSI bytes (softpot 26, function 3) into columns 0-2, the three
    // calibration DAC bytes of softpot 25 into 3-5.
    {"RSSI setupTest", on<rxRSSIData>([](auto& d, L& l, R&) { d.setupTest(l); }), {"T 0 2 0"}},
    {"RSSI setupTest 25 kHz", on<rxRSSIData>([](auto& d, L& l, R&) { d.setSpacing(2); d.setupTest(l); }),
     {"T 0 2 2"}},
    {"RSSI read", on<rxRSSIData>([](auto& d, L& l, R& r) { d.read(r, l); }), {"S 26/3", "S 25/0"}, {15},
     {"16/0=40", "16/1=80", "16/2=120", "16/3=49", "16/4=50", "16/5=51"}},
    };
    return table;
}
// clang-format on

/// The radio of the header; `refusing`: it refuses every softpot (and so the RSSI requests).
std::string radioJson(bool multiValueRead, bool refusing) {
    std::string json = R"({"tuning": {"procedure": 2, "tx": [1000, 0, 0, 0, 0, 0, 7000],
                                       "rx": [1100, 0, 0, 0, 0, 6100, 0]},
                            "tableRead": )";
    json += multiValueRead ? "true" : "false";
    if (refusing)
        json +=
            R"(, "unsupported": [0, 2, 3, 5, 6, 7, 8, 10, 11, 13, 14, 15, 16, 17, 18, 20, 24, 26, 27, 28])";
    return json + "}";
}

struct Outcome {
    Strings sent;
    std::vector<int> flagsChanged;
    Strings effect;
};

/// Runs one contract on a fresh radio and record: every flag starts as `flagsAtStart` (the multi-value
/// flag 20 always clear), every value outside row 0 at kUntouched.
Outcome run(const Contract& contract, const std::string& radio, bool flagsAtStart) {
    const SimProfile profile = test::profileFrom(radio);
    SimBench bench(profile);
    radioStorage record;
    for (int r = 0; r < record::kRows; ++r)
        for (int c = 0; c < record::kColumns; ++c) record.setValue(r, c, kUntouched);
    for (int n = 0; n < record::kPointCount; ++n) {
        record.setValue(row::Frequency, col::TxPointFirst + n, profile.txPoints[static_cast<size_t>(n)]);
        record.setValue(row::Frequency, col::RxPointFirst + n, profile.rxPoints[static_cast<size_t>(n)]);
    }
    for (int f = flag::First; f <= flag::Last; ++f) {
        if (flagsAtStart && f != flag::MultiValueRead)
            record.markSupported(f);
        else
            record.markUnsupported(f);
    }
    std::int64_t answer = kNoAnswer;
    {
        cominit link;
        answer = contract.run(link, record);
    }
    Outcome out;
    out.sent = bench.requests();
    for (int f = flag::First; f <= flag::Last; ++f)
        if (f != flag::MultiValueRead && record.isSupported(f) != flagsAtStart)
            out.flagsChanged.push_back(f);
    for (int r = 1; r < record::kRows; ++r)
        for (int c = 0; c < record::kColumns; ++c)
            if (record.getValue(r, c) != kUntouched)
                out.effect.push_back(std::to_string(r) + "/" + std::to_string(c) + "=" +
                                     std::to_string(record.getValue(r, c)));
    if (answer != kNoAnswer)
        out.effect.push_back("-> " + std::to_string(answer));
    return out;
}

std::vector<int> sorted(std::vector<int> v) {
    std::sort(v.begin(), v.end());
    return v;
}

bool isRead(const Contract& c) {
    return !c.flags.empty() || !c.effect.empty();
}

/// A table read ("S n/3") followed by channel selections.
bool isSevenPointRead(const Contract& c) {
    return c.sent.size() > 1 && c.sent[0].size() > 2 &&
           c.sent[0].compare(c.sent[0].size() - 2, 2, "/3") == 0 && c.sent[1][0] == 'C';
}

TEST(DataSetContract, EveryCallSendsNotesAndStoresWhatItShould) {
    for (const Contract& c : contracts()) {
        SCOPED_TRACE(c.call);
        const Outcome out = run(c, radioJson(false, false), false);
        EXPECT_EQ(out.sent, c.sent);
        EXPECT_EQ(out.flagsChanged, sorted(c.flags)) << "flags set by an answering radio";
        EXPECT_EQ(out.effect, c.effect);
    }
}

TEST(DataSetContract, RefusedReadsClearTheirFlagsAndKeepTheRecord) {
    for (const Contract& c : contracts()) {
        if (!isRead(c))
            continue;
        SCOPED_TRACE(c.call);
        const Outcome out = run(c, radioJson(false, true), true);
        EXPECT_EQ(out.flagsChanged, sorted(c.flags)) << "flags cleared by a refusing radio";
        // Nothing stored; an auto-tune answers 0, a calibration reading the value the record held.
        const Strings nothing;
        const Strings zero = {"-> 0"};
        const Strings held = {"-> " + std::to_string(kUntouched)};
        EXPECT_TRUE(out.effect == nothing || out.effect == zero || out.effect == held)
            << ::testing::PrintToString(out.effect);
    }
}

/// With the multi-value read a seven-point read sends that one request and fills its whole set: seven
/// columns (fourteen for the K and M pairs) from the first column the point-by-point read stores.
TEST(DataSetContract, MultiValueReadFillsTheWholeSet) {
    for (const Contract& c : contracts()) {
        if (!isSevenPointRead(c))
            continue;
        SCOPED_TRACE(c.call);
        const Outcome out = run(c, radioJson(true, false), false);
        EXPECT_EQ(out.sent, Strings{c.sent[0]});
        EXPECT_EQ(out.flagsChanged, sorted(c.flags));
        const std::string first = c.effect.front();
        const int rowOf = std::stoi(first);
        const int firstColumn = std::stoi(first.substr(first.find('/') + 1));
        const size_t count = c.effect.size() == 4 ? 14 : 7;  // K and M pairs store four cells at F1 and F7
        ASSERT_EQ(out.effect.size(), count);
        for (size_t i = 0; i < count; ++i) {
            const std::string cell =
                std::to_string(rowOf) + "/" + std::to_string(firstColumn + static_cast<int>(i));
            EXPECT_EQ(out.effect[i].rfind(cell + "=", 0), 0u) << out.effect[i];
        }
    }
}

}  // namespace
}  // namespace vantrel

// The catalogue of the procedures, variants and utilities.
#include "operations/procedureCatalogue.h"

#include "operations/commandIds.h"
#include "operations/kmPowerPiece.h"
#include "operations/paBiasPiece.h"
#include "operations/procedurePieces.h"
#include "operations/procedureTable.h"
#include "operations/utilityPieces.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

namespace a = availability;
namespace p = procedures;
using state = procedureState;

/// A procedure inside a pull-right menu: the group's condition and its own.
template <bool (*Group)(const state&), bool (*Own)(const state&)>
bool within(const state& s) {
    return Group(s) && Own(s);
}

template <class Piece, procedureRules (*Rules)()>
std::unique_ptr<procedurePiece> make(const pieceEnvironment& e) {
    return std::make_unique<Piece>(Rules(), *e.record);
}
template <class Piece, procedureRules (*Rules)(const radioStorage&)>
std::unique_ptr<procedurePiece> makeOver(const pieceEnvironment& e) {
    return std::make_unique<Piece>(Rules(*e.record), *e.record);
}
template <int Selector>
procedureRules squelch() {
    return p::autoSquelch(Selector);
}
template <bool Brightline>
procedureRules ratedVolume() {
    return p::ratedVolume(Brightline);
}
template <paBiasKind Kind>
std::unique_ptr<procedurePiece> makePaBias(const pieceEnvironment& e) {
    return std::make_unique<paBiasPiece>(Kind, *e.record);
}
std::unique_ptr<procedurePiece> makeKm(const pieceEnvironment& e) {
    return std::make_unique<kmPowerPiece>(*e.record);
}
std::unique_ptr<procedurePiece> makeSerial(const pieceEnvironment& e) {
    return std::make_unique<serialProgramPiece>(*e.record);
}
template <bool Write>
std::unique_ptr<procedurePiece> makeTempComp(const pieceEnvironment& e) {
    return std::make_unique<tempCompPiece>(*e.record, Write);
}
std::unique_ptr<procedurePiece> makeBaseband(const pieceEnvironment& e) {
    return std::make_unique<basebandPiece>(e);
}

// Titles two rows share.
constexpr const char* kRatedVolumeTitle = "Rated Volume Tuning";
constexpr const char* kPaBiasTitle = "PA Bias Voltage 1";

constexpr int kIndex = kHelpIndex;
constexpr catalogueKind P = catalogueKind::Procedure;
constexpr catalogueKind V = catalogueKind::Variant;
constexpr catalogueKind U = catalogueKind::Utility;

constexpr catalogueEntry kCatalogue[] = {
    {"rx-front-end-filter", cmd::FrontEndFilter, 15, "Front End Filter", nullptr, 40010, P, a::frontEndFilter,
     &makeOver<frontEndFilterPiece, p::frontEndFilter>,
     "Receive front end filter per receive point, set live; high-power F mobiles report the RSSI DAC"},
    {"rx-rated-volume", cmd::RatedVolumeCarrier, 19, kRatedVolumeTitle,
     "Rated Volume Tuning (Carrier Squelch environment)", 40012, P,
     within<a::groupRatedVolume, a::ratedVolumeCarrier>, &make<procedurePiece, ratedVolume<false>>,
     "Rated audio volume at the middle receive point, carrier squelch"},
    {"rx-rated-volume-brightline", cmd::RatedVolumeBrightline, 38, kRatedVolumeTitle,
     "Rated Volume Tuning (Brightline environment)", 40012, P,
     within<a::groupRatedVolume, a::ratedVolumeBrightline>, &make<procedurePiece, ratedVolume<true>>,
     "Rated audio volume at the middle receive point, Brightline"},
    {"rx-squelch-12k5", cmd::Squelch12k5, 16, "Auto Squelch Tuning (12.5KHz)", "Squelch Attn. 12.5KHz", 40011,
     P, within<a::groupSquelch, a::squelch12k5>, &make<autoSquelchPiece, squelch<selector::Set12k5>>,
     "Squelch per receive point at 12.5 kHz, set live or auto-tuned by the radio"},
    {"rx-squelch-20k", cmd::Squelch20k, 17, "Auto Squelch Tuning (20KHz)", "Squelch Attn. 20KHz", 40011, P,
     within<a::groupSquelch, a::squelch20k>, &make<autoSquelchPiece, squelch<selector::Set20k>>,
     "Squelch per receive point at 20 kHz, set live or auto-tuned by the radio"},
    {"rx-squelch-25k", cmd::Squelch25k, 18, "Auto Squelch Tuning (25KHz)", "Squelch Attn. 25KHz", 40011, P,
     within<a::groupSquelch, a::squelch25k>, &make<autoSquelchPiece, squelch<selector::Set25k>>,
     "Squelch per receive point at 25 kHz, set live or auto-tuned by the radio"},
    {"rx-rssi", cmd::Rssi, 20, "RSSI Tuning", nullptr, 40023, P, a::rssi, &makeOver<rssiPiece, p::rssi>,
     "RSSI thresholds taken by the radio at the signal level applied"},
    {"battery-threshold", cmd::BatteryThreshold, 32, "Battery Threshold", "Battery Threshold Tuning", 40014,
     P, a::batteryThreshold, &make<batteryPiece, p::battery>,
     "Low battery threshold: the radio stores its present supply measurement"},
    {"pa-bias-high", cmd::PaBiasHigh, 11, kPaBiasTitle, "PA Bias Voltage High Power", 40008, P,
     within<a::groupPaBias, a::paBiasHigh>, &makePaBias<paBiasKind::High>,
     "PA bias softpots at high power, each row zeroed by its toggle, then set live"},
    {"pa-bias-low", cmd::PaBiasLow, 12, kPaBiasTitle, "PA Bias Voltage Low Power", 40008, P,
     within<a::groupPaBias, a::paBiasLow>, &makePaBias<paBiasKind::Low>,
     "PA bias softpots at low power, each row zeroed by its toggle, then set live"},
    {"pa-bias-rx-mode", cmd::PaBiasRxMode, 11, "PA Bias Rx Mode", "PA Bias Voltage Rx Mode", 40008, P,
     within<a::groupPaBias, a::paBiasRxMode>, &makePaBias<paBiasKind::RxMode>,
     "PA bias softpots in receive mode (variant F and K high-power mobiles)"},
    {"tx-dac", cmd::TransmitDac, 35, "Transmit DAC Tuning (LB Mobile)", "DAC Tuning", 40024, P,
     a::transmitDac, &make<transmitDacPiece, p::transmitDac>,
     "The two transmit DAC power levels of low-band mobiles, set keyed"},
    {"tx-mobile-power", cmd::KmTuning, 4, "Transmit Power Tuning (Mobile)", nullptr, 40013, P, a::kmTuning,
     &makeKm, "K and M of every transmit point from two power readings at the two DAC levels"},
    {"ref-osc-warp", cmd::RefOscWarp, 1, "Reference Oscillator Warp", nullptr, 40001, P, a::refOscWarp,
     &make<procedurePiece, p::refOscWarp>, "Reference oscillator warp at the highest transmit point"},
    {"pa-voltage-limit", cmd::PaVoltageLimit, 34, "Transmit PA Volatge Limit", "Transmit PA Voltage Limit",
     40016, P, a::paVoltageLimit, &make<paVoltageLimitPiece, p::paVoltageLimit>,
     "PA voltage limit per transmit point, auto-tuned by the radio keyed at each point"},
    {"mod-balance-attn", cmd::ModBalance, 5, "Modulation Attenuation", "Mod. Balance Attn.", 40003, P,
     a::modBalance, &make<procedurePiece, p::modulationAttenuation>,
     "Modulation balance attenuation per transmit point"},
    {"tx-high-power", cmd::TxHighPower, 2, "Transmit High Power", nullptr, 40002, P,
     within<a::groupTransmitPower, a::txHighPower>, &makeOver<transmitHighPowerPiece, p::txHighPower>,
     "Transmit power at the high level per transmit point"},
    {"tx-low-power", cmd::TxLowPower, 3, "Transmit Low Power", nullptr, 40002, P,
     within<a::groupTransmitPower, a::txLowPower>, &make<transmitPowerPiece, p::txLowPower>,
     "Transmit power at the low level per transmit point"},
    {"vco-attn-12k5", cmd::Vco12k5, 6, "VCO Attenuation (12.5KHz)", "VCO Attn. 12.5kHz", 40004, P,
     within<a::groupVco, a::vco12k5>, &make<procedurePiece, p::vcoAttenuation12k5>,
     "VCO attenuation at 12.5 kHz at the highest transmit point"},
    {"vco-attn-20k", cmd::Vco20k, 7, "VCO Attenuation (20KHz)", "VCO Attn. 20kHz", 40004, P,
     within<a::groupVco, a::vco20k>, &make<procedurePiece, p::vcoAttenuation20k>,
     "VCO attenuation at 20 kHz at the highest transmit point"},
    {"vco-attn-25k", cmd::Vco25k, 8, "VCO Attenuation", "VCO Attn. 25kHz", 40004, P,
     within<a::groupVco, a::vco25k>, &make<vcoAttenuationPiece, p::vcoAttenuation25k>,
     "VCO attenuation at 25 kHz per transmit point"},
    {"dtmf-deviation", cmd::Dtmf, 9, "DTMF Signalling Deviation", "DTMF Deviation", 40005, P, a::dtmf,
     &make<procedurePiece, p::dtmfDeviation>, "DTMF deviation at the lowest transmit point"},
    {"qdt1200-deviation", cmd::Qdt1200, 10, "QDT1200 Signalling Deviation", "QDT Signalling", 40006, P,
     a::qdt1200, &make<procedurePiece, p::qdt1200Deviation>,
     "QDT1200 deviation at the middle transmit point"},
    {"hss-deviation", cmd::Hss, 33, "High Speed Trunking Signalling Deviation", nullptr, 40015, P, a::hss,
     &make<procedurePiece, p::hssDeviation>,
     "High speed trunking signalling deviation at the highest transmit point"},
    {"select5-deviation", cmd::Select5, 13, "Select 5 Signalling Deviation", nullptr, 40009, P, a::select5,
     &make<procedurePiece, p::select5Deviation>, "Select 5 deviation at the highest transmit point"},
    {"mpt1327-deviation", cmd::Mpt1327, 14, "MPT1200 Signalling Deviation", "MPT1327 Signalling Deviation",
     40021, P, a::mpt1327, &make<procedurePiece, p::mpt1327Deviation>,
     "MPT1327 signalling deviation at the middle transmit point"},

    {"pa-bias-high-default", cmd::PaBiasHigh, 36, kPaBiasTitle, "PA Bias Default (High Power)", 40017, V,
     within<a::groupPaBias, a::paBiasHigh>, &makePaBias<paBiasKind::HighDefault>,
     "PA bias at high power after the supply screening found more than 100 mA at 6 V: no test mode"},
    {"pa-bias-low-default", cmd::PaBiasLow, 37, "PA Bias Default (Low Power)", nullptr, 40017, V,
     within<a::groupPaBias, a::paBiasLow>, &makePaBias<paBiasKind::LowDefault>,
     "PA bias at low power after the supply screening found more than 100 mA at 6 V: no test mode"},

    {"serial-program", cmd::ProgramSerialNo, 30, "Program Serial No", "Program Radio Serial No.", 40020, U,
     a::radioRead, &makeSerial, "Writes the serial number of a radio whose serial number reads blank"},
    {"bbo-update", cmd::BasebandOffset, 31, "Update Baseband Offset", nullptr, 40020, U, a::basebandOffset,
     &makeBaseband, "Baseband offsets per channel spacing, chosen from the sixteen offsets"},
    {"temp-comp-read", cmd::TempCompRead, 39, "Read Temp Comp", nullptr, kIndex, U, a::radioRead,
     &makeTempComp<false>, "Reads the four bytes of temperature compensation data"},
    {"temp-comp-write", cmd::TempCompWrite, 40, "Write Temp Comp", nullptr, kIndex, U, a::radioRead,
     &makeTempComp<true>, "Writes four bytes of temperature compensation data"},
};

}  // namespace

std::span<const catalogueEntry> catalogue() {
    return kCatalogue;
}

const catalogueEntry* catalogueNamed(std::string_view name) {
    for (const catalogueEntry& e : kCatalogue)
        if (name == e.name)
            return &e;
    return nullptr;
}

const catalogueEntry* catalogueForCommand(int commandId) {
    for (const catalogueEntry& e : kCatalogue)
        if (e.commandId == commandId && e.kind != catalogueKind::Variant)
            return &e;
    return nullptr;
}

const catalogueEntry* catalogueVariantOf(int commandId) {
    for (const catalogueEntry& e : kCatalogue)
        if (e.commandId == commandId && e.kind == catalogueKind::Variant)
            return &e;
    return nullptr;
}

const catalogueEntry* catalogueForCode(int code) {
    for (const catalogueEntry& e : kCatalogue)
        if (e.code == code)
            return &e;
    return nullptr;
}

const char* catalogueTitle(std::string_view name) {
    const catalogueEntry* e = catalogueNamed(name);
    return e ? e->title : "";
}

bool availableOnRadio(const catalogueEntry& entry, const radioStorage& record) {
    procedureState s;
    s.record = &record;
    s.radioRead = true;
    s.tuningAllowed = procedureSet::allowsTuning(record.getTuningProcedure());
    return entry.available(s);
}

}  // namespace vantrel

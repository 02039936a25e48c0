// Where each tuning procedure is available.
#include "operations/procedureAvailability.h"

#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace {

/// Channel spacing bits of the model table's feature mask.
namespace spacing {
constexpr int k12k5 = 1 << 0;
constexpr int k20k = 1 << 1;
constexpr int k25k = 1 << 2;
}  // namespace spacing

const radioStorage& rec(const procedureState& s) {
    return *s.record;
}
bool supported(const procedureState& s, int f) {
    return s.record && s.record->isSupported(f);
}
int procedure(const procedureState& s) {
    return s.record ? s.record->getTuningProcedure() : 0;
}
int value(const procedureState& s, int r, int c) {
    return s.record ? s.record->getValue(r, c) : 0;
}
bool spacingBit(const procedureState& s, int bit) {
    return s.record && (radiomodel().featureMask(rec(s)) & bit) != 0;
}
/// The two data conditions most tuning commands share.
bool ready(const procedureState& s) {
    return s.dataPresent() && s.tuningAllowed;
}

template <bool (radiomodel::*P)(const radioStorage&) const>
bool is(const procedureState& s) {
    return s.record && (radiomodel().*P)(rec(s));
}

/// The main series M and Five variants, which lack several spacing-dependent procedures.
bool anyMainMOrFive(const procedureState& s) {
    return is<&radiomodel::isMainPortableM>(s) || is<&radiomodel::isMainMobileM>(s) ||
           is<&radiomodel::isMainPortableFive>(s) || is<&radiomodel::isMainMobileFive>(s);
}
bool anyPaBiasHighFlag(const procedureState& s) {
    return supported(s, flag::PaBiasFirstHigh) || supported(s, flag::PaBiasSecond) ||
           supported(s, flag::PaBiasThird);
}
bool highMobileFOrK(const procedureState& s) {
    return is<&radiomodel::isHighMobileF>(s) || is<&radiomodel::isHighMobileK>(s);
}

}  // namespace

namespace availability {

// Group enablers of the pull-right menus.
bool groupTransmitPower(const procedureState& s) {
    return (supported(s, flag::MobileTxPower) || supported(s, flag::TxPower)) && ready(s) &&
           procedure(s) != procedureSet::Mobile;
}
bool groupPaBias(const procedureState& s) {
    return (anyPaBiasHighFlag(s) || supported(s, flag::PaBiasFirstLow)) && ready(s);
}
bool groupVco(const procedureState& s) {
    return supported(s, flag::VcoAttenuation) && ready(s);
}
bool groupSquelch(const procedureState& s) {
    return supported(s, flag::AutoSquelch) && ready(s);
}
bool groupRatedVolume(const procedureState& s) {
    return supported(s, flag::RatedVolume) && ready(s);
}

bool frontEndFilter(const procedureState& s) {
    return supported(s, flag::FrontEndFilter) && ready(s) && !anyMainMOrFive(s);
}
bool ratedVolumeCarrier(const procedureState& s) {
    return supported(s, flag::RatedVolume);
}
bool ratedVolumeBrightline(const procedureState& s) {
    return is<&radiomodel::hasBrightlineVolume>(s);
}
bool squelch12k5(const procedureState& s) {
    return spacingBit(s, spacing::k12k5) && !is<&radiomodel::inListC>(s);
}
bool squelch20k(const procedureState& s) {
    return spacingBit(s, spacing::k20k) && !anyMainMOrFive(s) && !is<&radiomodel::inListB>(s);
}
bool squelch25k(const procedureState& s) {
    return spacingBit(s, spacing::k25k) && !anyMainMOrFive(s) && !is<&radiomodel::inListB>(s);
}
bool rssi(const procedureState& s) {
    return supported(s, flag::Rssi) && ready(s);
}
bool batteryThreshold(const procedureState& s) {
    return supported(s, flag::BatteryThreshold) && ready(s);
}
bool paBiasHigh(const procedureState& s) {
    return anyPaBiasHighFlag(s) && !is<&radiomodel::isSinglePointModel>(s) && !highMobileFOrK(s);
}
bool paBiasLow(const procedureState& s) {
    return supported(s, flag::PaBiasFirstLow) && !is<&radiomodel::hasNoLowPowerPaBias>(s) &&
           !is<&radiomodel::isMainPortableFive>(s);
}
bool paBiasRxMode(const procedureState& s) {
    return highMobileFOrK(s) && anyPaBiasHighFlag(s);
}
bool transmitDac(const procedureState& s) {
    bool lowBandMobile = supported(s, flag::MobileTxPower) && s.tuningAllowed &&
                         value(s, row::MobilePower, col::LowBandFlag) == 1 &&
                         !is<&radiomodel::isHighMobile>(s) && procedure(s) == procedureSet::Mobile &&
                         s.dataPresent();
    return lowBandMobile || is<&radiomodel::isMainMobileM>(s) || is<&radiomodel::isMainMobileFive>(s);
}
bool kmTuning(const procedureState& s) {
    bool highMobileDacPending = value(s, row::TxDacMarker, col::TxDacMarker) == 0 &&
                                value(s, row::MobilePower, col::LowBandFlag) != 0 &&
                                is<&radiomodel::isHighMobile>(s);
    return supported(s, flag::MobileTxPower) && s.tuningAllowed && procedure(s) == procedureSet::Mobile &&
           s.dataPresent() && !highMobileDacPending;
}
bool refOscWarp(const procedureState& s) {
    return supported(s, flag::RefOscWarp) && ready(s);
}
bool paVoltageLimit(const procedureState& s) {
    return (supported(s, flag::PaVoltageLimit) && ready(s) && procedure(s) == procedureSet::Mobile) ||
           is<&radiomodel::isMainMobileM>(s);
}
bool modBalance(const procedureState& s) {
    return supported(s, flag::ModAttenuation) && ready(s);
}
bool portablePower(const procedureState& s) {
    return supported(s, flag::TxPower) && ready(s) && procedure(s) != procedureSet::Mobile;
}
bool txHighPower(const procedureState& s) {
    return portablePower(s) && !is<&radiomodel::isSinglePointModel>(s) && !is<&radiomodel::inListA>(s) &&
           !is<&radiomodel::inListB>(s) && !is<&radiomodel::inListC>(s);
}
bool txLowPower(const procedureState& s) {
    return portablePower(s) && !is<&radiomodel::hasNoLowPowerSetting>(s);
}
bool vco12k5(const procedureState& s) {
    return spacingBit(s, spacing::k12k5);
}
bool vco20k(const procedureState& s) {
    return spacingBit(s, spacing::k20k) && !anyMainMOrFive(s);
}
bool vco25k(const procedureState& s) {
    return spacingBit(s, spacing::k25k);
}
bool dtmf(const procedureState& s) {
    return supported(s, flag::DtmfDeviation) && ready(s);
}
bool qdt1200(const procedureState& s) {
    return supported(s, flag::Qdt1200Deviation) && ready(s);
}
bool hss(const procedureState& s) {
    return supported(s, flag::HssDeviation) && ready(s);
}
bool select5(const procedureState& s) {
    return supported(s, flag::Select5Deviation) && ready(s);
}
bool mpt1327(const procedureState& s) {
    return supported(s, flag::Mpt1327Deviation) && ready(s);
}
bool basebandOffset(const procedureState& s) {
    return s.radioRead && procedure(s) != procedureSet::Mobile && !is<&radiomodel::isHighPortable>(s) &&
           !is<&radiomodel::isHighPortableC>(s) && !is<&radiomodel::isIcFE>(s) &&
           !is<&radiomodel::isSixPortable>(s);
}

bool radioRead(const procedureState& s) {
    return s.radioRead;
}

}  // namespace availability

}  // namespace vantrel

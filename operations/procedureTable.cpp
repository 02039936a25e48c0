// The tuning procedures as data, their engines, and the table scripts name them by.
#include "operations/procedureTable.h"

#include "link/EnhancedSBEP.h"
#include "operations/commandIds.h"
#include "operations/dataSetAdapters.h"
#include "operations/transmitPowerDataSet.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/recordSupportNotes.h"
#include "radio/rxDataSets.h"
#include "radio/txDataSets.h"

namespace vantrel {

namespace {

constexpr int kAttenuationMaximum = 127;
constexpr int kModulationMaximum = 63;
constexpr int kDeviationMaximum = 31;
constexpr int kWarpMaximum = 511;
constexpr int kLowPowerMaximum = 127;
constexpr int kWideReceiveMaximum = 255;
constexpr int kMobileReceiveMaximum = 127;
constexpr int kSquelchMinimum = 1;
constexpr int kSquelchMaximum = 63;
constexpr const char* kMismatch = "Serial No. mismatch!! Read in new radio?";
constexpr const char* kMismatchCapital = "Serial No. Mismatch!! Read in new radio?";
constexpr const char* kDeviationNote = "Note : Valid Softpot values will range from 0-31";
constexpr const char* kDeviationCommit = "Commit new softpot value? Softpot Value Range (0-31)";
constexpr const char* kPreparedStatus = "Point %fMHz is currently being tuned";
constexpr const char* kNoPointStatus = "No Frequency Tuning Point is currently selected";

template <class Engine>
std::unique_ptr<tuningEngine> makeOwn(const procedureRules& rules, radioStorage& record,
                                      std::unique_ptr<tuningDataSet> dataSet) {
    return std::make_unique<Engine>(rules, record, std::move(dataSet));
}

std::unique_ptr<tuningDataSet> makePowerDataSet(const procedureRules& rules) {
    return std::make_unique<transmitPowerDataSet>(rules.selector);
}

/// The rated volume set under the normal or the Brightline test mode.
class ratedVolumeDataSet : public tuningDataSet {
  public:
    explicit ratedVolumeDataSet(int mode) : m_mode(mode) {}
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override {
        m_data.deriveSpacing(record);
        m_data.setupTest(link, m_mode);
    }
    void setLive(std::uint32_t value, EnhancedSBEP& link) override { m_data.setLive(value, link); }
    void program(std::uint32_t value, EnhancedSBEP& link) override { m_data.program(value, link); }

    static std::unique_ptr<tuningDataSet> make(const procedureRules& rules) {
        return std::make_unique<ratedVolumeDataSet>(rules.selector);
    }

  private:
    rxRatedVolumeData m_data;
    int m_mode;
};

procedureRules transmitPower(int level, int column, int maximum) {
    procedureRules p;
    p.makeDataSet = &makePowerDataSet;
    p.makeEngine = &makeOwn<transmitPowerEngine>;
    p.selector = level;
    p.softpot = softpot::TxPower;
    p.row = row::TxPower;
    p.firstColumn = column;
    p.minimum = 0;
    p.maximum = maximum;
    return p;
}

/// These procedures refuse only values above their maximum.
procedureRules attenuationBase(int maximum) {
    procedureRules p;
    p.minimum = 0;
    p.maximum = maximum;
    p.checksMinimum = false;
    p.note = "Note : Valid Softpot values will range from 0-" + std::to_string(maximum);
    return p;
}

/// The VCO procedures' shared description at one set selector.
procedureRules vcoBase(int selectorValue, int column) {
    procedureRules p = attenuationBase(kAttenuationMaximum);
    p.makeDataSet = &selectorDataSet<txVCOAttnData>::make;
    p.selector = selectorValue;
    p.softpot = softpot::VcoAttenuation;
    p.row = row::VcoAttenuation;
    p.firstColumn = column;
    p.illegalValue = "Program softpots aborted for VCO Attn.!! Illegal softpot value";
    p.emptyValue = "Please enter a valid VCO Attn. softpot value!!";
    return p;
}

/// One signalling deviation: a single value of `Data` at one transmit point.
template <class Data>
procedureRules signalling(std::uint8_t softpotNumber, int recordRow, singlePoint point, const char* illegal,
                          const char* empty, const char* mismatch) {
    procedureRules p = attenuationBase(kDeviationMaximum);
    p.makeDataSet = &singleValueDataSet<Data>::make;
    p.softpot = softpotNumber;
    p.row = recordRow;
    p.firstColumn = col::Single;
    p.kind = screenLayoutKind::SingleValue;
    p.point = point;
    p.note = kDeviationNote;
    p.commitQuestion = kDeviationCommit;
    p.illegalValue = illegal;
    p.emptyValue = empty;
    p.mismatch = mismatch;
    return p;
}

/// The receive procedures never key: every change goes to the radio at once, closing only resets it, and
/// Program leaves the last point it wrote selected.
procedureRules receiveBase(int maximum) {
    procedureRules p;
    p.receiveSide = true;
    p.capabilities = screenCapabilities::neverKeys();
    p.minimum = 0;
    p.maximum = maximum;
    p.checksMinimum = false;
    p.preparedStatus = kPreparedStatus;
    p.unpreparedStatus = kNoPointStatus;
    p.preparesAfterProgram = false;
    return p;
}

}  // namespace

// --- Descriptions -----------------------------------------------------------------------------------------

namespace procedures {

procedureRules txHighPower(const radioStorage& record) {
    const radiomodel model;
    const int maximum =
        model.isHighPortable(record) || model.isHighMobile(record) || model.isSixPortable(record)
            ? kWideHighPower
            : kNarrowHighPower;
    const std::string range = std::to_string(maximum);
    procedureRules p = transmitPower(selector::High, col::TxPowerHigh, maximum);
    p.makeEngine = &makeOwn<transmitHighPowerEngine>;
    p.note = "Note : Valid Softpot values will range from 0-" + range;
    p.commitQuestion = "Commit new softpot values? Softpot Value Range 0-" + range;
    p.illegalValue = "Program softpots aborted for Transmit High Power!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Transmit High Power softpot value!!";
    p.refusedValue =
        "Program softpot %d aborted for Transmit High Power!! softpot value above max value allowed";
    return p;
}

procedureRules txLowPower() {
    procedureRules p = transmitPower(selector::Low, col::TxPowerLow, kLowPowerMaximum);
    p.note = "Note : Valid Softpot values will range from 0-127";
    p.commitQuestion = "Commit new softpot values? Softpot Value Range (0-127)";
    p.illegalValue = "Program softpots aborted for Transmit Low Power!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Transmit Low Power softpot value!!";
    p.refusedValue =
        "Program softpot %d aborted for Transmit Low Power!! softpot value above max value allowed";
    return p;
}

procedureRules vcoAttenuation25k() {
    procedureRules p = vcoBase(selector::Set25k, col::Spacing25k);
    p.makeEngine = &makeOwn<vcoAttenuationEngine>;
    p.commitQuestion = "Commit new softpot values? Softpot Value Range(0-127)";
    p.storeAllAfterRun = true;
    return p;
}

procedureRules vcoAttenuation20k() {
    procedureRules p = vcoBase(selector::Set20k, col::Spacing20k + record::kPointCount - 1);
    p.kind = screenLayoutKind::SingleValue;
    p.commitQuestion = "Commit new softpot values? Softpot Value Range (0-127)";
    return p;
}

procedureRules vcoAttenuation12k5() {
    procedureRules p = vcoBase(selector::Set12k5, col::Spacing12k5 + record::kPointCount - 1);
    p.kind = screenLayoutKind::SingleValue;
    p.commitQuestion = "Commit new softpot value? Softpot Value Range (0-127)";
    return p;
}

procedureRules modulationAttenuation() {
    procedureRules p = attenuationBase(kModulationMaximum);
    p.makeDataSet = &selectorDataSet<txModAttnData>::make;
    // The set is the one Read Radio and Program All use: (14, 2, 1), columns 14..20.
    p.selector = 1;
    p.softpot = softpot::ModAttenuation;
    p.row = row::ModAttenuation;
    p.firstColumn = col::SetThird;
    p.storeAllAfterRun = true;
    p.note = "Note : Valid Softpot values will range from 0-63";
    p.commitQuestion = "Commit new softpot values? Softpot Value Range (0-63)";
    p.illegalValue = "Program softpots aborted for Modulation Attn.!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Modulation Attn. softpot value !!";
    return p;
}

procedureRules dtmfDeviation() {
    procedureRules p =
        signalling<txDTMFData>(softpot::DtmfDeviation, row::DtmfDeviation, singlePoint::Lowest,
                               "Program softpots aborted for DTMF Signalling!! Illegal softpot value",
                               "Please enter a valid DTMF Signalling softpot value!!", kMismatchCapital);
    p.commitQuestion = "Commit new softpot value? Softpot Value Range(0-31)";
    return p;
}

procedureRules qdt1200Deviation() {
    return signalling<txQDT1200Data>(softpot::Qdt1200Deviation, row::Qdt1200Deviation, singlePoint::Middle,
                                     "Program softpots aborted for QDT1200!! Illegal softpot value",
                                     "Please enter a valid QDT1200 softpot value!!", kMismatchCapital);
}

procedureRules hssDeviation() {
    return signalling<txHSSData>(
        softpot::HssDeviation, row::HssDeviation, singlePoint::Highest,
        "Program softpots aborted for High Speed Signalling !! Illegal softpot value",
        "Please enter a valid High Speed Signalling softpot value!!", kMismatch);
}

procedureRules select5Deviation() {
    return signalling<txSelect5Data>(
        softpot::Select5Deviation, row::Select5Deviation, singlePoint::Highest,
        "Program softpots aborted for Select 5 Signalling !! Illegal softpot value",
        "Please enter a valid Select 5 Signalling softpot value!!", kMismatch);
}

procedureRules mpt1327Deviation() {
    return signalling<txMPT1200Data>(
        softpot::Mpt1327Deviation, row::Mpt1327Deviation, singlePoint::Middle,
        "Program softpots aborted for MPT1327 Signalling !! Illegal softpot value",
        "Please enter a valid MPT1327 Signalling softpot value!!", kMismatchCapital);
}

procedureRules refOscWarp() {
    procedureRules p = signalling<txRefOscData>(
        softpot::RefOscWarp, row::RefOscWarp, singlePoint::Highest,
        "Program softpots aborted for Reference Oscillator Warp !! Illegal softpot value",
        "Please enter a valid Reference Oscillator Warp softpot value!!", kMismatch);
    p.maximum = kWarpMaximum;
    p.note = "Note : Valid Softpot values will range from 0-511";
    p.commitQuestion = "Commit new softpot value? Softpot Value Range (0-511)";
    p.emptyValueCaption = "ERROR";
    return p;
}

procedureRules frontEndFilter(const radioStorage& record) {
    const bool highMobileF = radiomodel().isHighMobileF(record);
    const bool mobile = record.hasMobileProcedures();
    procedureRules p = receiveBase(!highMobileF && mobile ? kMobileReceiveMaximum : kWideReceiveMaximum);
    p.makeDataSet = &singleValueDataSet<rxFEBPData>::make;
    p.makeEngine = &makeOwn<frontEndFilterEngine>;
    p.softpot = softpot::FrontEndFilter;
    p.row = row::FrontEndFilter;
    p.firstColumn = col::SetFirst;
    p.note = highMobileF ? "Note : Valid Softpot values will range from 255-0"
                         : "Note : Valid Softpot values will range from 0-" + std::to_string(p.maximum);
    p.commitQuestion = "Commit new softpot values?";
    p.illegalValue = "Program softpots aborted for Front End Filter!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Front End Filter softpot value!!";
    return p;
}

procedureRules ratedVolume(bool brightline) {
    procedureRules p = receiveBase(kWideReceiveMaximum);
    p.makeDataSet = &ratedVolumeDataSet::make;
    p.selector = brightline ? rxRatedVolumeData::Brightline : rxRatedVolumeData::Normal;
    p.softpot = softpot::RatedVolume;
    p.row = row::RatedVolume;
    p.firstColumn = brightline ? col::RatedVolumeBrightline : col::RatedVolume;
    p.kind = screenLayoutKind::SingleValue;
    p.point = singlePoint::Middle;
    p.note = "Note : Valid Softpot values will range from 0-255";
    p.commitQuestion = "Commit new softpot value? Softpot Value Range(0-255)";
    p.illegalValue = "Program softpots aborted for Rated Volume!! Illegal softpot value";
    p.emptyValue = "Please enter a valid Rated Volume softpot value!!";
    p.mismatch = kMismatchCapital;
    return p;
}

procedureRules autoSquelch(int spacingSelector) {
    std::string spacingName = "12.5KHz";
    std::string commitQuestion = "Commit new softpot values? Softpot Value Range(1-63)";
    std::string emptyValue = "Please enter a valid Auto Squelch 12.5KHz softpot value!!";
    if (spacingSelector == selector::Set25k) {
        spacingName = "25KHz";
        emptyValue = "Please enter a valid Auto Squelch 25KHz value!!";
    } else if (spacingSelector == selector::Set20k) {
        spacingName = "20KHz";
        commitQuestion = "Commit new softpot values? Softpot Value Range (1-63)";
        emptyValue = "Please enter a valid Auto Squelch 20KHz softpot value!!";
    }
    procedureRules p;
    p.makeDataSet = &selectorDataSet<rxAutoSquelchData>::make;
    p.selector = spacingSelector;
    p.softpot = softpot::AutoSquelch;
    p.row = row::AutoSquelch;
    p.firstColumn = rxAutoSquelchData::selectorColumn(spacingSelector);
    p.receiveSide = true;
    p.capabilities = screenCapabilities::neverKeys();
    p.minimum = kSquelchMinimum;
    p.maximum = kSquelchMaximum;
    // Values below 1 are refused too: the radio's squelch has no setting 0.
    p.checksMinimum = true;
    p.storeAllAfterRun = true;
    p.unpreparedStatus = kNoPointStatus;
    p.preparesAfterProgram = false;
    p.note = "Note : Valid Softpot values will range from 1-63";
    p.commitQuestion = commitQuestion;
    p.illegalValue = "Program softpots aborted for Auto Squelch " + spacingName + "!! Illegal softpot value";
    p.emptyValue = emptyValue;
    p.preparedStatus = kPreparedStatus;
    return p;
}

}  // namespace procedures

// --- Engines of their own ---------------------------------------------------------------------------------

tuningEngine::pointOutcome transmitPowerEngine::programPoint(int row, int value, EnhancedSBEP& link) {
    const int point = pointOfRow(row);
    if (refusedBeforeWrite(point, value))
        return {false, refusedText(point, true)};
    recordSupportNotes notes(record());
    link.writeSoftpotNoted(notes, rules().softpot, spfunction::Program, static_cast<std::uint32_t>(value),
                           spwidth::One);
    // A radio with the power limit table tells whether it took the value.
    if (record().isSupported(flag::TxPowerThird) && !record().isSupported(flag::SinglePointPowerWrite))
        return {false, refusedText(point, false)};
    storeValue(row, value);
    return {};
}

bool transmitPowerEngine::refusedBeforeWrite(int, int) const {
    return false;
}

bool transmitHighPowerEngine::refusedBeforeWrite(int point, int value) const {
    // Without the radio's own limit table a high power above the point's low power is refused here on
    // these radios.
    if (record().isSupported(flag::TxPowerThird) || !radiomodel().isHighPortableC(record()))
        return false;
    const auto low = static_cast<std::uint32_t>(record().getValue(row::TxPower, col::TxPowerLow + point - 1));
    return static_cast<std::uint32_t>(value) > low;
}

std::string transmitHighPowerEngine::refusedText(int point, bool ownRule) const {
    std::string text = transmitPowerEngine::refusedText(point, ownRule);
    if (ownRule || point == 1)
        text += ' ';
    return text;
}

void vcoAttenuationEngine::afterProgram(EnhancedSBEP& link) {
    // The narrower spacings' values follow the 25 kHz ones in the radio: read them back under their own
    // test modes, then return to this procedure's.
    txVCOAttnData data;
    data.setupTest(selector::Set12k5, link);
    data.read12k5(record(), link);
    data.setupTest(selector::Set20k, link);
    data.read20k(record(), link);
    data.setupTest(selector::Set25k, link);
}

bool frontEndFilterEngine::readsCalDac() const {
    return radiomodel().isHighMobileF(record());
}

void frontEndFilterEngine::writeLive(int row, int value, EnhancedSBEP& link) {
    tuningEngine::writeLive(row, value, link);
    if (!readsCalDac())
        return;
    // The detector settles unevenly: the mean of several readings; the record keeps the last one.
    rxFEBPData data;
    int sum = 0;
    for (int i = 0; i < kCalDacReads; ++i) sum += data.readCalDac(record(), link);
    m_calDacMean = sum / kCalDacReads;
}

// --- The table scripts name procedures by -----------------------------------------------------------------

namespace {

using rulesOf = procedureRules (*)(const radioStorage&);
using availableOn = bool (*)(const procedureState&);

/// One procedure with a screen. `describe` is null for the procedures whose screens do more than the
/// engine does (they are listed, and refused as not scriptable).
struct procedureEntry {
    procedureInfo info;
    availableOn group;  ///< the pull-right group's condition; nullptr for none
    availableOn available;
    rulesOf describe;
};

template <procedureRules (*F)()>
procedureRules plain(const radioStorage&) {
    return F();
}
procedureRules ratedVolumeCarrier(const radioStorage&) {
    return procedures::ratedVolume(false);
}
procedureRules ratedVolumeBrightline(const radioStorage&) {
    return procedures::ratedVolume(true);
}
template <int Selector>
procedureRules squelch(const radioStorage&) {
    return procedures::autoSquelch(Selector);
}

namespace a = availability;
namespace p = procedures;

const std::vector<procedureEntry>& entries() {
    static const std::vector<procedureEntry> table = {
        {{"rx-front-end-filter", "Front End Filter", cmd::FrontEndFilter},
         nullptr,
         a::frontEndFilter,
         &p::frontEndFilter},
        {{"rx-rated-volume", "Rated Volume Tuning", cmd::RatedVolumeCarrier},
         a::groupRatedVolume,
         a::ratedVolumeCarrier,
         &ratedVolumeCarrier},
        {{"rx-rated-volume-brightline", "Rated Volume Tuning", cmd::RatedVolumeBrightline},
         a::groupRatedVolume,
         a::ratedVolumeBrightline,
         &ratedVolumeBrightline},
        {{"rx-squelch-12k5", "Auto Squelch Tuning (12.5KHz)", cmd::Squelch12k5},
         a::groupSquelch,
         a::squelch12k5,
         &squelch<selector::Set12k5>},
        {{"rx-squelch-20k", "Auto Squelch Tuning (20KHz)", cmd::Squelch20k},
         a::groupSquelch,
         a::squelch20k,
         &squelch<selector::Set20k>},
        {{"rx-squelch-25k", "Auto Squelch Tuning (25KHz)", cmd::Squelch25k},
         a::groupSquelch,
         a::squelch25k,
         &squelch<selector::Set25k>},
        {{"rx-rssi", "RSSI Tuning", cmd::Rssi}, nullptr, a::rssi, nullptr},
        {{"battery-threshold", "Battery Threshold", cmd::BatteryThreshold},
         nullptr,
         a::batteryThreshold,
         nullptr},
        {{"pa-bias-high", "PA Bias Voltage 1", cmd::PaBiasHigh}, a::groupPaBias, a::paBiasHigh, nullptr},
        {{"pa-bias-low", "PA Bias Voltage 1", cmd::PaBiasLow}, a::groupPaBias, a::paBiasLow, nullptr},
        {{"pa-bias-rx-mode", "PA Bias Rx Mode", cmd::PaBiasRxMode}, a::groupPaBias, a::paBiasRxMode, nullptr},
        {{"tx-dac", "Transmit DAC Tuning (LB Mobile)", cmd::TransmitDac}, nullptr, a::transmitDac, nullptr},
        {{"tx-mobile-power", "Transmit Power Tuning (Mobile)", cmd::KmTuning}, nullptr, a::kmTuning, nullptr},
        {{"ref-osc-warp", "Reference Oscillator Warp", cmd::RefOscWarp},
         nullptr,
         a::refOscWarp,
         &plain<p::refOscWarp>},
        {{"pa-voltage-limit", "Transmit PA Volatge Limit", cmd::PaVoltageLimit},
         nullptr,
         a::paVoltageLimit,
         nullptr},
        {{"mod-balance-attn", "Modulation Attenuation", cmd::ModBalance},
         nullptr,
         a::modBalance,
         &plain<p::modulationAttenuation>},
        {{"tx-high-power", "Transmit High Power", cmd::TxHighPower},
         a::groupTransmitPower,
         a::txHighPower,
         &p::txHighPower},
        {{"tx-low-power", "Transmit Low Power", cmd::TxLowPower},
         a::groupTransmitPower,
         a::txLowPower,
         &plain<p::txLowPower>},
        {{"vco-attn-12k5", "VCO Attenuation (12.5KHz)", cmd::Vco12k5},
         a::groupVco,
         a::vco12k5,
         &plain<p::vcoAttenuation12k5>},
        {{"vco-attn-20k", "VCO Attenuation (20KHz)", cmd::Vco20k},
         a::groupVco,
         a::vco20k,
         &plain<p::vcoAttenuation20k>},
        {{"vco-attn-25k", "VCO Attenuation", cmd::Vco25k},
         a::groupVco,
         a::vco25k,
         &plain<p::vcoAttenuation25k>},
        {{"dtmf-deviation", "DTMF Signalling Deviation", cmd::Dtmf},
         nullptr,
         a::dtmf,
         &plain<p::dtmfDeviation>},
        {{"qdt1200-deviation", "QDT1200 Signalling Deviation", cmd::Qdt1200},
         nullptr,
         a::qdt1200,
         &plain<p::qdt1200Deviation>},
        {{"hss-deviation", "High Speed Trunking Signalling Deviation", cmd::Hss},
         nullptr,
         a::hss,
         &plain<p::hssDeviation>},
        {{"select5-deviation", "Select 5 Signalling Deviation", cmd::Select5},
         nullptr,
         a::select5,
         &plain<p::select5Deviation>},
        {{"mpt1327-deviation", "MPT1200 Signalling Deviation", cmd::Mpt1327},
         nullptr,
         a::mpt1327,
         &plain<p::mpt1327Deviation>},
    };
    return table;
}

}  // namespace

const std::vector<procedureInfo>& procedureNames() {
    static const std::vector<procedureInfo> names = [] {
        std::vector<procedureInfo> out;
        for (const procedureEntry& e : entries()) out.push_back(e.info);
        return out;
    }();
    return names;
}

std::unique_ptr<tuningEngine> makeEngine(const std::string& name, radioStorage& record,
                                         engineRefusal* refusal, std::string* text) {
    const auto refuse = [&](engineRefusal why, std::string reason) -> std::unique_ptr<tuningEngine> {
        if (refusal)
            *refusal = why;
        if (text)
            *text = std::move(reason);
        return nullptr;
    };
    const procedureEntry* found = nullptr;
    for (const procedureEntry& e : entries()) {
        if (e.info.name == name)
            found = &e;
    }
    if (!found)
        return refuse(engineRefusal::UnknownName, "There is no procedure named \"" + name + "\".");
    if (!found->describe)
        return refuse(engineRefusal::NotScriptable, "The procedure \"" + name + "\" (" + found->info.title +
                                                        ") can only be tuned in the application's window.");
    // The record stands for a radio that was read (or loaded): the menus' own data conditions.
    procedureState state;
    state.record = &record;
    state.radioRead = true;
    if ((found->group && !found->group(state)) || !found->available(state))
        return refuse(engineRefusal::NotOnThisRadio, "The procedure \"" + name + "\" (" + found->info.title +
                                                         ") is not available on this radio.");
    if (refusal)
        *refusal = engineRefusal::None;
    if (text)
        text->clear();
    return tuningEngine::create(found->describe(record), record);
}

}  // namespace vantrel

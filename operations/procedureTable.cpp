// The tuning procedures as data.
#include "operations/procedureTable.h"

#include "link/EnhancedSBEP.h"
#include "operations/dataSetAdapters.h"
#include "operations/paBiasPiece.h"
#include "operations/transmitPowerDataSet.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
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
constexpr int kDacMaximum = 255;
constexpr int kVoltageLimitMinimum = 1;
constexpr int kVoltageLimitMaximum = 127;
constexpr int kBiasNarrowMaximum = 127;
constexpr int kBiasWideMaximum = 255;  // bias 2 and 3 of mobiles
constexpr const char* kMismatch = message::Mismatch;
constexpr const char* kMismatchCapital = message::MismatchCapital;
constexpr const char* kDeviationNote = "Note : Valid Softpot values will range from 0-31";
constexpr const char* kDeviationCommit = "Commit new softpot value? Softpot Value Range (0-31)";
constexpr const char* kPreparedStatus = message::PointTunedFormat;
constexpr const char* kNoPointStatus = "No Frequency Tuning Point is currently selected";

std::unique_ptr<tuningDataSet> makePowerDataSet(const procedureRules& rules) {
    return std::make_unique<transmitPowerDataSet>(rules.selector);
}

std::unique_ptr<tuningDataSet> makeLowPowerDataSet(const procedureRules&) {
    return std::make_unique<transmitPowerDataSet>(selector::Low);
}

/// The DAC data set at high power: test mode (1, 0, spacing) and (129, 0, spacing), power softpot 0 live.
class transmitDacDataSet : public tuningDataSet {
  public:
    void setupTest(const radioStorage& record, EnhancedSBEP& link) override {
        m_data.deriveSpacing(record);
        m_data.setupTest(selector::High, link, false, true);
    }
    void setLive(std::uint32_t value, EnhancedSBEP& link) override { m_data.setLive(value, link); }
    /// The DAC values reach the radio's memory through no step of this procedure: nothing to write.
    void program(std::uint32_t, EnhancedSBEP&) override {}

    static std::unique_ptr<tuningDataSet> make(const procedureRules&) {
        return std::make_unique<transmitDacDataSet>();
    }

  private:
    txTransmitDACData m_data;
};

tuningRow dacRow(const char* label, int column) {
    tuningRow r;
    r.label = label;
    r.recordRow = row::MobilePower;
    r.recordColumn = column;
    r.softpot = softpot::TxPower;
    r.minimum = 0;
    r.maximum = kDacMaximum;
    return r;
}

/// Radios that take two RSSI thresholds instead of three.
bool twoRssiThresholds(const radioStorage& r) {
    const radiomodel m;
    if (m.isHighMobileN(r) || m.isSixPortableN(r))
        return false;
    return m.isHighPortable(r) || m.isHighMobile(r) || m.isMainMobileR(r) || m.isMainMobileS(r) ||
           m.isMainPortableR(r) || m.isMainPortableS(r) || m.isMainMobileM(r) || m.isMainPortableM(r) ||
           m.isMainMobileFive(r) || m.isMainPortableFive(r) || m.inListD(r) || m.isSixPortable(r);
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
    p.selector = level;
    p.softpot = softpot::TxPower;
    p.row = row::TxPower;
    p.firstColumn = column;
    p.minimum = 0;
    p.maximum = maximum;
    return p;
}

/// The attenuation and deviation procedures: 0 up to their maximum.
procedureRules attenuationBase(int maximum) {
    procedureRules p;
    p.minimum = 0;
    p.maximum = maximum;
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

procedureRules transmitDac() {
    procedureRules p;
    p.makeDataSet = &transmitDacDataSet::make;
    p.selector = selector::High;
    p.softpot = softpot::TxPower;
    p.row = row::MobilePower;
    p.firstColumn = col::LowBandTxDacFirst;
    p.capabilities = {true, false, true, false};
    p.minimum = 0;
    p.maximum = kDacMaximum;
    p.point = singlePoint::Highest;
    p.rows = {dacRow("DAC 1", col::LowBandTxDacFirst), dacRow("DAC 2", col::LowBandTxDacSecond)};
    p.note = "Note : Valid Softpot values will range from 0-255";
    return p;
}

procedureRules paVoltageLimit() {
    procedureRules p;
    p.softpot = softpot::PaVoltageLimit;
    p.row = row::PaVoltageLimit;
    p.firstColumn = col::SetFirst;
    // Keyed only by its auto-tune runs; no value is set by hand and nothing is programmed.
    p.capabilities = {false, false, true, false};
    p.minimum = kVoltageLimitMinimum;
    p.maximum = kVoltageLimitMaximum;
    p.note = "Note : Valid Softpot values will range from 1-127";
    return p;
}

procedureRules rssi(const radioStorage& record) {
    procedureRules p;
    p.kind = screenLayoutKind::SoftpotRows;
    p.capabilities = screenCapabilities::neverKeys();
    p.capabilities.programButton = false;
    const int rows = twoRssiThresholds(record) ? 2 : 3;
    for (int i = 0; i < rows; ++i) {
        tuningRow r;
        r.label = "Softpot " + std::to_string(i + 1);
        r.recordRow = row::Rssi;
        r.recordColumn = col::RssiFirst + i;
        r.softpot = softpot::Rssi;
        r.maximum = kWideReceiveMaximum;
        p.rows.push_back(r);
    }
    return p;
}

procedureRules battery() {
    procedureRules p;
    p.makeDataSet = &singleValueDataSet<txBatteryData>::make;
    p.kind = screenLayoutKind::SoftpotRows;
    p.softpot = softpot::Battery;
    p.capabilities = {false, false, true, true};
    p.programChecksSerial = false;
    tuningRow threshold;
    threshold.label = "Threshold";
    threshold.recordRow = row::Parameters;
    threshold.recordColumn = col::BatteryThreshold;
    threshold.softpot = softpot::Battery;
    threshold.maximum = kWideReceiveMaximum;
    p.rows = {threshold};
    p.mismatch = kMismatchCapital;
    return p;
}

procedureRules kmPower() {
    procedureRules p;
    p.makeDataSet = &makeLowPowerDataSet;
    p.selector = selector::Low;
    p.softpot = softpot::TxPower;
    p.maximum = kDacMaximum;
    for (int level = 1; level <= 2; ++level) {
        for (int point = 1; point <= record::kPointCount; ++point) {
            tuningRow r;
            r.point = point;
            r.label = "F" + std::to_string(point) + " Power " + std::to_string(level);
            r.recordRow = tuningRow::kNoRecord;
            r.softpot = softpot::TxPower;
            r.maximum = kDacMaximum;
            p.rows.push_back(r);
        }
    }
    return p;
}

procedureRules paBias(const radioStorage& record, paBiasPower power) {
    const bool high = power == paBiasPower::High;
    const bool mobile = record.hasMobileProcedures();
    procedureRules p;
    p.kind = screenLayoutKind::SoftpotRows;
    p.capabilities = {false, true, true, true};  // no PTT; live at once; closing dekeys; Program
    p.minimum = 0;
    p.maximum = kBiasNarrowMaximum;

    struct place {
        const char* label;
        std::uint8_t softpot;
        int flag;
        int column;  // -1: not in the record
        bool wide;   // 0..255 on mobiles
    };
    const place places[] = {
        {"Voltage", softpot::PaVoltageLimit, flag::PaVoltageBias, -1, false},
        {"Bias 1", softpot::PaBiasFirst, high ? flag::PaBiasFirstHigh : flag::PaBiasFirstLow,
         high ? col::PaBiasFirstHigh : col::PaBiasFirstLow, false},
        {"Bias 2", softpot::PaBiasSecond, flag::PaBiasSecond,
         high ? col::PaBiasSecondHigh : col::PaBiasSecondLow, true},
        {"Bias 3", softpot::PaBiasThird, flag::PaBiasThird, high ? col::PaBiasThirdHigh : col::PaBiasThirdLow,
         true},
    };
    for (const place& at : places) {
        if (!record.isSupported(at.flag))
            continue;
        tuningRow r;
        r.label = at.label;
        r.recordRow = at.column < 0 ? tuningRow::kNoRecord : row::PaBias;
        r.recordColumn = at.column < 0 ? 0 : at.column;
        r.softpot = at.softpot;
        r.minimum = 0;
        r.maximum = mobile && at.wide ? kBiasWideMaximum : kBiasNarrowMaximum;
        p.rows.push_back(r);
    }
    p.note = mobile ? "Note : Voltage and Bias 1 softpot values range from 0-127\n"
                      "           Bias 2 and 3 softpot values range from 0-255"
                    : "Note : Valid Softpot values will range from 0-127";
    p.commitQuestion =
        high ? "Commit new softpot value?" : "Commit new softpot value? Softpot Value Range (0-127)";
    p.illegalValue = high ? "Program softpots aborted for PA Bias High Power!! Illegal softpot value"
                          : "Program softpots aborted for PA Bias Low Power!! Illegal softpot value";
    p.emptyValue = high ? "Please enter a valid PA Bias High Power softpot value!!"
                        : "Please enter a valid PA Bias Low Power softpot value!!";
    p.mismatch = kMismatchCapital;
    return p;
}

}  // namespace procedures

}  // namespace vantrel

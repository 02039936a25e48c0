// The transmit softpot data sets.
#include "radio/txDataSets.h"

#include "link/EnhancedSBEP.h"
#include "radio/recordSupportNotes.h"

namespace vantrel {

namespace {

/// Power argument of a power selector; -1 for a selector that sends nothing.
int powerArgument(int selectorValue) {
    if (selectorValue == selector::High)
        return testmode::HighPower;
    if (selectorValue == selector::Low)
        return testmode::LowPower;
    return -1;
}

/// The transmit set-up shared by power, DAC and PA voltage limit.
void sendPowerSetup(EnhancedSBEP& link, int selectorValue, std::int32_t spacingCode, bool first,
                    bool second) {
    const int power = powerArgument(selectorValue);
    if (power < 0)
        return;
    const auto argument = static_cast<std::uint8_t>(power);
    const auto code = static_cast<std::uint8_t>(spacingCode);
    if (first) {
        link.setTestMode(testmode::FirstForm, argument, code);
        link.setTestMode(testmode::PowerFollow, argument, code);
    }
    if (second) {
        link.setTestMode(testmode::SecondForm, argument, code);
        link.setTestMode(testmode::PowerFollow, argument, code);
    }
}

}  // namespace

// --- single-value procedures --------------------------------------------------------------------------

void singleValueData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, m_shape.mode, testmode::Normal, getSpacing());
}

void singleValueData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(m_shape.softpot, spfunction::Program, value, m_shape.width);
}

void singleValueData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(m_shape.softpot, spfunction::SetLive, value, m_shape.width);
}

void singleValueData::read(radioStorage& record, EnhancedSBEP& link) {
    readSingle(m_shape.softpot, m_shape.flag, m_shape.row, m_shape.column, record, link);
}

txRefOscData::txRefOscData()
    : singleValueData({softpot::RefOscWarp, spwidth::Two, flag::RefOscWarp, row::RefOscWarp, col::Single,
                       testmode::SecondForm}) {}

void txRefOscData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, testmode::SecondForm, testmode::Normal, getSpacing());
    sendTestMode(link, testmode::PowerFollow, testmode::Normal, getSpacing());
}

txDTMFData::txDTMFData()
    : singleValueData({softpot::DtmfDeviation, spwidth::One, flag::DtmfDeviation, row::DtmfDeviation,
                       col::Single, testmode::Dtmf}) {}

txQDT1200Data::txQDT1200Data()
    : singleValueData({softpot::Qdt1200Deviation, spwidth::One, flag::Qdt1200Deviation, row::Qdt1200Deviation,
                       col::Single, testmode::Signalling}) {}

txSelect5Data::txSelect5Data()
    : singleValueData({softpot::Select5Deviation, spwidth::One, flag::Select5Deviation, row::Select5Deviation,
                       col::Single, testmode::Signalling}) {}

txMPT1200Data::txMPT1200Data()
    : singleValueData({softpot::Mpt1327Deviation, spwidth::One, flag::Mpt1327Deviation, row::Mpt1327Deviation,
                       col::Single, testmode::Mpt1327}) {}

txHSSData::txHSSData()
    : singleValueData({softpot::HssDeviation, spwidth::One, flag::HssDeviation, row::HssDeviation,
                       col::Single, testmode::Hss}) {}

txBatteryData::txBatteryData()
    : singleValueData({softpot::Battery, spwidth::One, flag::BatteryThreshold, row::Parameters,
                       col::BatteryThreshold, testmode::PaBias}) {}

void txBatteryData::program(std::uint32_t, EnhancedSBEP& link) {
    constexpr std::uint32_t kMeasureNow = 1;
    link.writeSoftpot(m_shape.softpot, spfunction::Program, kMeasureNow, m_shape.width);
}

void txBatteryData::read(radioStorage& record, EnhancedSBEP& link) {
    recordSupportNotes notes(record);
    link.readSoftpotTable(m_shape.softpot, notes, m_shape.flag, sptable::BatteryValue);
    if (record.isSupported(m_shape.flag))
        record.setValue(m_shape.row, m_shape.column, link.softpotTableByte(sptable::BatteryValue));
}

// --- transmit power -----------------------------------------------------------------------------------

void txTransmitPowData::setupTest(int selectorValue, EnhancedSBEP& link, bool first, bool second) {
    sendPowerSetup(link, selectorValue, getSpacing(), first, second);
}

void txTransmitPowData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::TxPower, spfunction::SetLive, value, spwidth::One);
}

void txTransmitPowData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::TxPower, spfunction::Program, value, spwidth::One);
}

void txTransmitPowData::setLiveThird(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::TxPowerThird, spfunction::SetLive, value, spwidth::One);
}

void txTransmitPowData::programThird(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::TxPowerThird, spfunction::Program, value, spwidth::One);
}

void txTransmitPowData::programMobile(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::MobilePower, spfunction::Program, value, spwidth::Two);
}

void txTransmitPowData::releaseVoltageLimit(EnhancedSBEP& link) {
    link.writeSoftpot(softpot::PaVoltageLimit, spfunction::SetLive, kReleasedLevel, spwidth::One);
}

void txTransmitPowData::readHigh(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints(
        {softpot::TxPower, flag::TxPower, row::TxPower, col::TxPowerHigh, PointSide::Transmit, true}, record,
        link);
}

void txTransmitPowData::readLow(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints(
        {softpot::TxPower, flag::TxPower, row::TxPower, col::TxPowerLow, PointSide::Transmit, false}, record,
        link);
}

void txTransmitPowData::readThird(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints({softpot::TxPowerThird, flag::TxPowerThird, row::TxPowerThird, col::SetFirst,
                     PointSide::Transmit, true},
                    record, link);
}

void txTransmitPowData::readMobile(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints({softpot::MobilePower, flag::MobileTxPower, row::MobilePower, col::KmFirst,
                     PointSide::Transmit, true, true},
                    record, link);
}

void txTransmitPowData::deriveLowBand(radioStorage& record) {
    const auto base = static_cast<std::uint32_t>(record.getValue(row::Frequency, col::FrequencyBase));
    bool lowBand = false;
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_frequency.pointFrequency(base, RF_Frequency::channelAt(record, false, n));
        if (RF_Frequency::isLowBandKhz(m_frequency.lastFrequencyKhz()))
            lowBand = true;
    }
    record.setValue(row::TxDacMarker, col::TxDacMarker, 0);
    record.setValue(row::MobilePower, col::LowBandFlag, lowBand ? 1 : 0);
}

// --- transmit DAC -------------------------------------------------------------------------------------

void txTransmitDACData::setupTest(int selectorValue, EnhancedSBEP& link, bool first, bool second) {
    sendPowerSetup(link, selectorValue, getSpacing(), first, second);
}

void txTransmitDACData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::TxPower, spfunction::SetLive, value, spwidth::One);
}

void txTransmitDACData::setLiveDac(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::MobilePower, spfunction::SetLive, value, spwidth::Two);
}

void txTransmitDACData::programDac(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::MobilePower, spfunction::Program, value, spwidth::Two);
}

void txTransmitDACData::releaseVoltageLimit(EnhancedSBEP& link) {
    link.writeSoftpot(softpot::PaVoltageLimit, spfunction::SetLive, kReleasedLevel, spwidth::One);
}

// --- PA voltage limit ---------------------------------------------------------------------------------

void txPAVoltageLimitData::setupTest(int selectorValue, EnhancedSBEP& link, bool first, bool second) {
    sendPowerSetup(link, selectorValue, getSpacing(), first, second);
}

void txPAVoltageLimitData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::PaVoltageLimit, spfunction::SetLive, value, spwidth::One);
}

void txPAVoltageLimitData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::PaVoltageLimit, spfunction::Program, value, spwidth::One);
}

void txPAVoltageLimitData::read(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints({softpot::PaVoltageLimit, flag::PaVoltageLimit, row::PaVoltageLimit, col::SetFirst,
                     PointSide::TransmitBoth, false},
                    record, link);
}

std::uint32_t txPAVoltageLimitData::autoTuneSoftpot(radioStorage& record, EnhancedSBEP& link) {
    m_readBuffer = 0;
    recordSupportNotes notes(record);
    m_width = link.autoTune(softpot::PaVoltageLimit, m_readBuffer, notes, flag::PaVoltageLimit);
    return m_width == 0 ? 0 : m_readBuffer;
}

// --- modulation attenuation ---------------------------------------------------------------------------

void txModAttnData::setupTest(int selectorValue, EnhancedSBEP& link) {
    constexpr int kLowest = 0;
    constexpr int kHighest = 2;
    if (selectorValue < kLowest || selectorValue > kHighest)
        return;
    sendTestMode(link, testmode::ModAttenuation, testmode::Normal, selectorValue);
    link.writeSoftpot(softpot::VcoAttenuation, spfunction::SetLive, kReleasedLevel, spwidth::One);
}

void txModAttnData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::ModAttenuation, spfunction::SetLive, value, spwidth::One);
}

void txModAttnData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::ModAttenuation, spfunction::Program, value, spwidth::One);
}

void txModAttnData::read(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints({softpot::ModAttenuation, flag::ModAttenuation, row::ModAttenuation, col::SetThird,
                     PointSide::Transmit, true},
                    record, link);
}

// --- VCO attenuation ----------------------------------------------------------------------------------

std::int32_t txVCOAttnData::selectorSpacing(int selectorValue) {
    switch (selectorValue) {
        case selector::Set25k:
            return spacing::k25;
        case selector::Set20k:
            return spacing::k20;
        case selector::Set12k5:
            return spacing::k12_5;
        default:
            return -1;
    }
}

void txVCOAttnData::setupTest(int selectorValue, EnhancedSBEP& link) {
    const std::int32_t code = selectorSpacing(selectorValue);
    if (code < 0)
        return;
    sendTestMode(link, testmode::SecondForm, testmode::Normal, code);
    sendTestMode(link, testmode::VcoFollow, testmode::Normal, code);
}

void txVCOAttnData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::VcoAttenuation, spfunction::SetLive, value, spwidth::One);
}

void txVCOAttnData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::VcoAttenuation, spfunction::Program, value, spwidth::One);
}

void txVCOAttnData::read25k(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints({softpot::VcoAttenuation, flag::VcoAttenuation, row::VcoAttenuation, col::Spacing25k,
                     PointSide::Transmit, true},
                    record, link);
}

void txVCOAttnData::read20k(radioStorage& record, EnhancedSBEP& link) {
    constexpr int kLastOfSet = record::kPointCount - 1;
    readAtHighestPoint(col::Spacing20k + kLastOfSet, record, link);
}

void txVCOAttnData::read12k5(radioStorage& record, EnhancedSBEP& link) {
    constexpr int kLastOfSet = record::kPointCount - 1;
    readAtHighestPoint(col::Spacing12k5 + kLastOfSet, record, link);
}

void txVCOAttnData::readAtHighestPoint(int column, radioStorage& record, EnhancedSBEP& link) {
    const int point = m_frequency.highestTxPoint(record);
    selectChannelPair(m_frequency.highestTxChannel(record), m_frequency.channelFor(record, true, point),
                      link);
    readSingle(softpot::VcoAttenuation, flag::VcoAttenuation, row::VcoAttenuation, column, record, link);
}

// --- PA bias ------------------------------------------------------------------------------------------

void paBiasData::program(std::uint32_t value, EnhancedSBEP& link) {
    softpotBase::program(value, softpot::PaBiasFirst, link);
}

void paBiasData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    softpotBase::setLive(value, softpot::PaBiasFirst, link);
}

void paBiasData::readBias(bool highPower, bool voltageFirst, radioStorage& record, EnhancedSBEP& link) {
    if (voltageFirst) {
        // Only the support of the PA voltage softpot is of interest; its value has no place in the record.
        m_readBuffer = 0;
        recordSupportNotes notes(record);
        m_width = link.readSoftpotNoted(softpot::PaVoltageLimit, m_readBuffer, notes, flag::PaVoltageBias);
    }
    readSingle(softpot::PaBiasFirst, highPower ? flag::PaBiasFirstHigh : flag::PaBiasFirstLow, row::PaBias,
               highPower ? col::PaBiasFirstHigh : col::PaBiasFirstLow, record, link);
    readSingle(softpot::PaBiasSecond, flag::PaBiasSecond, row::PaBias,
               highPower ? col::PaBiasSecondHigh : col::PaBiasSecondLow, record, link);
    readSingle(softpot::PaBiasThird, flag::PaBiasThird, row::PaBias,
               highPower ? col::PaBiasThirdHigh : col::PaBiasThirdLow, record, link);
}

void txPABiasHighVoltageData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, testmode::PaBias, testmode::HighPower, getSpacing());
}

void txPABiasHighVoltageData::setupTestSecond(EnhancedSBEP& link) {
    sendTestMode(link, testmode::PaBias, testmode::LowPower, getSpacing());
}

void txPABiasHighVoltageData::read(radioStorage& record, EnhancedSBEP& link) {
    readBias(true, true, record, link);
}

void txPABiasLowVoltageData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, testmode::PaBias, testmode::LowPower, getSpacing());
}

void txPABiasLowVoltageData::read(radioStorage& record, EnhancedSBEP& link) {
    readBias(false, false, record, link);
}

void txPABiasRxModeData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, testmode::PaBias, testmode::HighPower, getSpacing());
}

void txPABiasRxModeData::setupTestReceive(EnhancedSBEP& link) {
    sendTestMode(link, testmode::FirstForm, testmode::Normal, spacing::k25);
}

void txPABiasRxModeData::setupTestLowPower(EnhancedSBEP& link) {
    sendTestMode(link, testmode::PaBias, testmode::LowPower, spacing::k25);
}

void txPABiasRxModeData::read(radioStorage& record, EnhancedSBEP& link) {
    readBias(true, true, record, link);
}

}  // namespace vantrel

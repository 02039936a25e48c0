// The receive softpot data sets.
#include "radio/rxDataSets.h"

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "radio/radiomodel.h"
#include "radio/recordSupportNotes.h"

namespace vantrel {

namespace {
constexpr int kRssiBytes = 3;
}  // namespace

// --- front end filter ---------------------------------------------------------------------------------

void rxFEBPData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, testmode::FirstForm, testmode::Normal, getSpacing());
}

void rxFEBPData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::FrontEndFilter, spfunction::SetLive, value, spwidth::One);
}

void rxFEBPData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::FrontEndFilter, spfunction::Program, value, spwidth::One);
}

void rxFEBPData::read(radioStorage& record, EnhancedSBEP& link) {
    readSevenPoints({softpot::FrontEndFilter, flag::FrontEndFilter, row::FrontEndFilter, col::SetFirst,
                     PointSide::Receive, true},
                    record, link);
}

std::int32_t rxFEBPData::readCalDac(radioStorage& record, EnhancedSBEP& link) {
    RssiValues reply{};
    try {
        reply = link.readRSSICalDac();
    } catch (const UnsupportedMessage&) {
        // A refusal carries no reading: the record keeps what it holds.
        return record.getValue(row::Rssi, col::FrontEndCalDac);
    }
    const std::int32_t value = reply[0];
    record.setValue(row::Rssi, col::FrontEndCalDac, value);
    return value;
}

// --- auto squelch -------------------------------------------------------------------------------------

int rxAutoSquelchData::selectorColumn(int selectorValue) {
    switch (selectorValue) {
        case selector::Set25k:
            return col::Spacing25k;
        case selector::Set20k:
            return col::Spacing20k;
        case selector::Set12k5:
            return col::Spacing12k5;
        default:
            return -1;
    }
}

void rxAutoSquelchData::setupTest(int selectorValue, EnhancedSBEP& link) {
    std::int32_t code = spacing::k25;
    switch (selectorValue) {
        case selector::Set25k:
            code = spacing::k25;
            break;
        case selector::Set20k:
            code = spacing::k20;
            break;
        case selector::Set12k5:
            code = spacing::k12_5;
            break;
        default:
            return;
    }
    sendTestMode(link, testmode::SecondForm, testmode::Normal, code);
}

void rxAutoSquelchData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::AutoSquelch, spfunction::SetLive, value, spwidth::One);
}

void rxAutoSquelchData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::AutoSquelch, spfunction::Program, value, spwidth::One);
}

void rxAutoSquelchData::read(int selectorValue, radioStorage& record, EnhancedSBEP& link) {
    const int column = selectorColumn(selectorValue);
    if (column < 0)
        return;
    readSevenPoints(
        {softpot::AutoSquelch, flag::AutoSquelch, row::AutoSquelch, column, PointSide::Receive, false},
        record, link);
}

std::uint32_t rxAutoSquelchData::autoTuneSoftpot(radioStorage& record, EnhancedSBEP& link) {
    m_readBuffer = 0;
    recordSupportNotes notes(record);
    m_width = link.autoTune(softpot::AutoSquelch, m_readBuffer, notes, flag::AutoSquelch);
    return m_width == 0 ? 0 : m_readBuffer;
}

// --- rated volume -------------------------------------------------------------------------------------

void rxRatedVolumeData::setupTest(EnhancedSBEP& link, int mode) {
    sendTestMode(link, mode == Brightline ? testmode::Brightline : testmode::FirstForm, testmode::Normal,
                 getSpacing());
}

void rxRatedVolumeData::program(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::RatedVolume, spfunction::Program, value, spwidth::One);
}

void rxRatedVolumeData::setLive(std::uint32_t value, EnhancedSBEP& link) {
    link.writeSoftpot(softpot::RatedVolume, spfunction::SetLive, value, spwidth::One);
}

void rxRatedVolumeData::read(radioStorage& record, EnhancedSBEP& link) {
    readSingle(softpot::RatedVolume, flag::RatedVolume, row::RatedVolume, col::RatedVolume, record, link);
}

void rxRatedVolumeData::readBrightline(radioStorage& record, EnhancedSBEP& link) {
    readSingle(softpot::RatedVolume, flag::RatedVolume, row::RatedVolume, col::RatedVolumeBrightline, record,
               link);
}

void rxRatedVolumeData::deriveSpacing(const radioStorage& record) {
    const radiomodel model;
    if (model.isMainPortableM(record) || model.isMainMobileM(record) || model.isMainPortableFive(record) ||
        model.isMainMobileFive(record)) {
        setSpacing(spacing::k12_5);
    } else {
        dataSetBase::deriveSpacing(record);
    }
}

// --- RSSI ---------------------------------------------------------------------------------------------

void rxRSSIData::setupTest(EnhancedSBEP& link) {
    sendTestMode(link, testmode::FirstForm, testmode::Normal, getSpacing());
}

void rxRSSIData::read(radioStorage& record, EnhancedSBEP& link) {
    RssiValues reply{};
    try {
        reply = link.readRSSI();
    } catch (const UnsupportedMessage&) {
        // The radio has no RSSI softpots.
        record.markUnsupported(flag::Rssi);
        return;
    }
    record.markSupported(flag::Rssi);
    for (int i = 0; i < kRssiBytes; ++i)
        record.setValue(row::Rssi, col::RssiFirst + i, reply[static_cast<size_t>(i)]);
    RssiValues calDac{};
    try {
        calDac = link.readRSSICalDac25();
    } catch (const UnsupportedMessage&) {
        // No calibration readings: the record keeps what it holds (Program All never writes them).
        return;
    }
    for (int i = 0; i < kRssiBytes; ++i)
        record.setValue(row::Rssi, col::RssiCalDacFirst + i, calDac[static_cast<size_t>(i)]);
}

}  // namespace vantrel

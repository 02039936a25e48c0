// Program All: writes every supported softpot of the radio record into the connected radio.
#include "operations/radioProgramAll.h"

#include <array>

#include "link/Exceptions.h"
#include "link/SBEPMessage.h"
#include "link/cominit.h"
#include "operations/radioOperations.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace {

/// Codeplug address of the version byte that decides the gate.
constexpr std::uint32_t kCodeplugVersionAddress = 2;
constexpr unsigned kCodeplugVersionLength = 1;
/// Data positions of a memory read reply: byte 5, or 7 when the header's count nibble is all ones.
constexpr size_t kMemoryDataShort = 5;
constexpr size_t kMemoryDataLong = 7;
constexpr std::uint8_t kCountNibble = 0x0F;

constexpr std::int32_t kMobileProcedure = 2;
constexpr int kPercentDone = 100;
constexpr std::uint32_t kByteMask = 0xFF;
constexpr unsigned kByteBits = 8;

/// RSSI bytes sent: two for the radios listed in rssiTakesTwoBytes, three for the others.
constexpr unsigned kRssiBytesShort = 2;
constexpr unsigned kRssiBytesFull = 3;

bool rssiTakesTwoBytes(const radioStorage& r) {
    const radiomodel m;
    return m.isHighPortable(r) || m.isHighMobile(r) || m.isMainMobileR(r) || m.isMainMobileS(r) ||
           m.isMainPortableR(r) || m.isMainPortableS(r) || m.isMainMobileM(r) || m.isMainPortableM(r) ||
           m.isMainMobileFive(r) || m.isMainPortableFive(r) || m.isSixPortable(r);
}

}  // namespace

radioProgramAll::radioProgramAll(radioStorage& record, ProgressSink& progress)
    : m_record(record), m_progress(progress) {}

std::uint32_t radioProgramAll::valueAt(int row, int column) const {
    return static_cast<std::uint32_t>(m_record.getValue(row, column));
}

bool radioProgramAll::gateBlocks() const {
    return (m_record.isSupported(flag::Mpt1327Deviation) || m_record.isSupported(flag::Select5Deviation)) &&
           m_codeplugVersion < kFirstVersionWithTableWrites;
}

void radioProgramAll::writeSeven(EnhancedSBEP& link, std::uint8_t softpotType, int row, int firstColumn,
                                 bool gated, int count) {
    if (gated && gateBlocks()) {
        m_record.markUnsupported(flag::MultiValueWrite);
        return;
    }
    std::array<std::uint8_t, col::KmCount> bytes{};
    for (int i = 0; i < count && i < col::KmCount; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(valueAt(row, firstColumn + i) & kByteMask);
    link.writeSoftpotBytesNoted(m_record, softpotType, spfunction::ProgramTable, bytes.data(),
                                static_cast<unsigned>(count));
}

void radioProgramAll::programTransmitPoints(EnhancedSBEP& link, std::uint8_t softpotType, int row,
                                            int firstColumn, PointSide side) {
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channel = RF_Frequency::channelAt(m_record, false, n);
        if (m_channel == 0)
            continue;
        const std::uint16_t partner =
            side == PointSide::TransmitBoth ? m_channel : m_frequency.channelFor(m_record, true, n);
        link.setChannelPair(m_channel, kChannelMode, partner, kChannelMode);
        m_value = m_record.getValue(row, firstColumn + n - 1);
        link.writeSoftpot(softpotType, spfunction::Program, static_cast<std::uint32_t>(m_value),
                          spwidth::One);
    }
}

void radioProgramAll::programReceivePoints(EnhancedSBEP& link, std::uint8_t softpotType, int row,
                                           int firstColumn) {
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channel = RF_Frequency::channelAt(m_record, true, n);
        if (m_channel == 0)
            continue;
        link.setChannel(m_channel, kChannelMode);
        m_value = m_record.getValue(row, firstColumn + n - 1);
        link.writeSoftpot(softpotType, spfunction::Program, static_cast<std::uint32_t>(m_value),
                          spwidth::One);
    }
}

void radioProgramAll::programReferenceOscillator() {
    cominit link;
    std::array<std::uint8_t, sbep::ReplyBufferSize> reply{};
    link.readMemory(reply.data(), kCodeplugVersionAddress, kCodeplugVersionLength);
    m_codeplugVersion = reply[(reply[0] & kCountNibble) == kCountNibble ? kMemoryDataLong : kMemoryDataShort];
    if (m_record.isSupported(flag::RefOscWarp)) {
        m_refOsc.program(valueAt(row::RefOscWarp, col::Single), link);
        reportProgress(m_progress, 5);
    }
}

void radioProgramAll::programTransmitPower() {
    if (m_record.getTuningProcedure() == kMobileProcedure || !m_record.isSupported(flag::TxPower))
        return;
    cominit link;
    m_power.deriveSpacing(m_record);
    m_power.setupTest(selector::High, link, false, true);
    writeSeven(link, softpot::TxPower, row::TxPower, col::TxPowerHigh, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::TxPower, row::TxPower, col::TxPowerHigh);
    reportProgress(m_progress, 15);

    m_power.setupTest(selector::Low, link, false, true);
    writeSeven(link, softpot::TxPower, row::TxPower, col::TxPowerLow, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::TxPower, row::TxPower, col::TxPowerLow);
    reportProgress(m_progress, 20);

    m_power.setupTest(selector::High, link, false, true);
    writeSeven(link, softpot::TxPowerThird, row::TxPowerThird, col::SetFirst, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::TxPowerThird, row::TxPowerThird, col::SetFirst);
    reportProgress(m_progress, 25);
}

void radioProgramAll::programVoltageLimit() {
    if (m_record.getTuningProcedure() != kMobileProcedure || !m_record.isSupported(flag::PaVoltageLimit))
        return;
    cominit link;
    m_voltageLimit.setupTest(selector::High, link, false, true);
    writeSeven(link, softpot::PaVoltageLimit, row::PaVoltageLimit, col::SetFirst, false);
    if (!m_record.isSupported(flag::MultiValueWrite)) {
        programTransmitPoints(link, softpot::PaVoltageLimit, row::PaVoltageLimit, col::SetFirst,
                              PointSide::TransmitBoth);
        reportProgress(m_progress, 25);
    }
}

void radioProgramAll::programModulationAttenuation() {
    if (!m_record.isSupported(flag::ModAttenuation))
        return;
    cominit link;
    m_modAttn.setupTest(selector::Set25k, link);
    writeSeven(link, softpot::ModAttenuation, row::ModAttenuation, col::SetThird, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::ModAttenuation, row::ModAttenuation, col::SetThird);
    reportProgress(m_progress, 35);
}

void radioProgramAll::programVcoAttenuation() {
    if (!m_record.isSupported(flag::VcoAttenuation))
        return;
    cominit link;
    m_vcoAttn.setupTest(selector::Set25k, link);
    writeSeven(link, softpot::VcoAttenuation, row::VcoAttenuation, col::Spacing25k, true);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::VcoAttenuation, row::VcoAttenuation, col::Spacing25k);
    reportProgress(m_progress, 45);

    constexpr int kLastOfSet = record::kPointCount - 1;
    const std::uint16_t tx = m_frequency.highestTxChannel(m_record);
    const std::uint16_t rx = m_frequency.highestRxChannel(m_record);
    m_vcoAttn.setupTest(selector::Set20k, link);
    m_vcoAttn.selectChannelPair(tx, rx, link);
    m_vcoAttn.program(valueAt(row::VcoAttenuation, col::Spacing20k + kLastOfSet), link);
    reportProgress(m_progress, 55);
    m_vcoAttn.setupTest(selector::Set12k5, link);
    m_vcoAttn.selectChannelPair(tx, rx, link);
    m_vcoAttn.program(valueAt(row::VcoAttenuation, col::Spacing12k5 + kLastOfSet), link);
    reportProgress(m_progress, 60);
}

void radioProgramAll::programSingle(int supportFlag, singleValueData& dataSet) {
    if (!m_record.isSupported(supportFlag))
        return;
    cominit link;
    const SingleValueShape& shape = dataSet.shape();
    dataSet.program(valueAt(shape.row, shape.column), link);
}

void radioProgramAll::programPaBias() {
    cominit link;
    m_biasHigh.setupTest(link);
    if (m_record.isSupported(flag::PaBiasFirstHigh))
        m_biasHigh.program(valueAt(row::PaBias, col::PaBiasFirstHigh), softpot::PaBiasFirst, link);
    if (m_record.isSupported(flag::PaBiasSecond))
        m_biasHigh.program(valueAt(row::PaBias, col::PaBiasSecondHigh), softpot::PaBiasSecond, link);
    if (m_record.isSupported(flag::PaBiasThird))
        m_biasHigh.program(valueAt(row::PaBias, col::PaBiasThirdHigh), softpot::PaBiasThird, link);
    m_biasLow.setupTest(link);
    if (m_record.isSupported(flag::PaBiasFirstLow))
        m_biasLow.program(valueAt(row::PaBias, col::PaBiasFirstLow), softpot::PaBiasFirst, link);
}

void radioProgramAll::programFrontEndFilter() {
    if (!m_record.isSupported(flag::FrontEndFilter))
        return;
    cominit link;
    writeSeven(link, softpot::FrontEndFilter, row::FrontEndFilter, col::SetFirst, true);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programReceivePoints(link, softpot::FrontEndFilter, row::FrontEndFilter, col::SetFirst);
    reportProgress(m_progress, 80);
}

void radioProgramAll::programAutoSquelch() {
    if (!m_record.isSupported(flag::AutoSquelch))
        return;
    cominit link;
    const std::array<int, 3> passes = {selector::Set12k5, selector::Set20k, selector::Set25k};
    for (size_t pass = 0; pass < passes.size(); ++pass) {
        const int column = rxAutoSquelchData::selectorColumn(passes[pass]);
        m_squelch.setupTest(passes[pass], link);
        writeSeven(link, softpot::AutoSquelch, row::AutoSquelch, column, true);
        const bool pointByPoint = !m_record.isSupported(flag::MultiValueWrite);
        if (pointByPoint)
            programReceivePoints(link, softpot::AutoSquelch, row::AutoSquelch, column);
        if (pass == 0 && pointByPoint)
            reportProgress(m_progress, 85);
        if (pass == 1)
            reportProgress(m_progress, 90);
    }
}

void radioProgramAll::programRatedVolume() {
    if (!m_record.isSupported(flag::RatedVolume))
        return;
    cominit link;
    m_volume.program(valueAt(row::RatedVolume, col::RatedVolume), link);
}

void radioProgramAll::programRssi() {
    if (!m_record.isSupported(flag::Rssi) || gateBlocks())
        return;
    cominit link;
    std::array<std::uint8_t, kRssiBytesFull> bytes{};
    for (unsigned i = 0; i < kRssiBytesFull; ++i)
        bytes[i] =
            static_cast<std::uint8_t>(valueAt(row::Rssi, col::RssiFirst + static_cast<int>(i)) & kByteMask);
    link.writeSoftpotBytes(softpot::Rssi, spfunction::ProgramTable, bytes.data(),
                           rssiTakesTwoBytes(m_record) ? kRssiBytesShort : kRssiBytesFull);
}

void radioProgramAll::programTempComp() {
    cominit link;
    std::array<std::uint8_t, col::TempCompCount> bytes{};
    for (int i = 0; i < col::TempCompCount; ++i)
        bytes[static_cast<size_t>(i)] =
            static_cast<std::uint8_t>(valueAt(row::Frequency, col::TempCompFirst + i) & kByteMask);
    link.writeSoftpotBytes(softpot::TempComp, spfunction::Program, bytes.data(), col::TempCompCount);
}

void radioProgramAll::programMobilePower() {
    if (!m_record.isSupported(flag::MobileTxPower) || m_record.getTuningProcedure() != kMobileProcedure)
        return;
    cominit link;
    writeSeven(link, softpot::MobilePower, row::MobilePower, col::KmFirst, false, col::KmCount);
    if (m_record.isSupported(flag::MultiValueWrite))
        return;
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channel = RF_Frequency::channelAt(m_record, false, n);
        if (m_channel == 0)
            continue;
        m_power.selectChannelPair(m_channel, m_frequency.channelFor(m_record, true, n), link);
        const int k = col::KmFirst + 2 * (n - 1);
        m_value = static_cast<std::int32_t>(((valueAt(row::MobilePower, k) & kByteMask) << kByteBits) |
                                            (valueAt(row::MobilePower, k + 1) & kByteMask));
        m_power.programMobile(static_cast<std::uint32_t>(m_value), link);
    }
}

void radioProgramAll::programBatteryThreshold() {
    if (m_record.getTuningProcedure() != kMobileProcedure)
        return;
    cominit link;
    link.writeSoftpot(softpot::Battery, spfunction::ProgramTable,
                      valueAt(row::Parameters, col::BatteryThreshold), spwidth::Two);
}

void radioProgramAll::programBrightlineAndReset() {
    cominit link;
    if (m_record.isSupported(flag::RatedVolume) && radiomodel().hasBrightlineVolume(m_record)) {
        m_volume.setupTest(link, rxRatedVolumeData::Brightline);
        m_volume.program(valueAt(row::RatedVolume, col::RatedVolumeBrightline), link);
    }
    // Every radio is reset, rated volume or not: a radio must not be left in test mode.
    link.resetRadio();
    m_progress.SetPercentDone(kPercentDone);
}

void radioProgramAll::programAll() {
    programReferenceOscillator();
    programTransmitPower();
    programVoltageLimit();
    programModulationAttenuation();
    programVcoAttenuation();
    programSingle(flag::DtmfDeviation, m_dtmf);
    programPaBias();
    programSingle(flag::Qdt1200Deviation, m_qdt1200);
    programSingle(flag::Select5Deviation, m_select5);
    programSingle(flag::Mpt1327Deviation, m_mpt1327);
    programSingle(flag::HssDeviation, m_hss);
    programFrontEndFilter();
    programAutoSquelch();
    programRatedVolume();
    programRssi();
    programTempComp();
    programMobilePower();
    programBatteryThreshold();
    programBrightlineAndReset();
}

ProgramOutcome radioProgramAll::programRadioCommand(radioStorage& record, ProgressSink& progress) {
    try {
        {
            cominit link;
            radioOperations check;
            if (!check.serialMatches(record, link)) {
                progress.SetPercentDone(kPercentDone);
                return ProgramOutcome::SerialMismatch;
            }
        }
        radioProgramAll run(record, progress);
        run.programAll();
        return ProgramOutcome::Programmed;
    } catch (const PortInUseError&) {
        progress.SetPercentDone(kPercentDone);
        return ProgramOutcome::PortInUse;
    } catch (const CommunicationError&) {
        progress.SetPercentDone(kPercentDone);
        return ProgramOutcome::LinkFailed;
    } catch (const ReplyLengthError&) {
        progress.SetPercentDone(kPercentDone);
        return ProgramOutcome::LinkFailed;
    }
}

PromptMessage radioProgramAll::confirmationPrompt() {
    return {"Program Radio?", "Note", PromptIcon::Information, PromptButtons::OkCancel};
}

PromptMessage radioProgramAll::messageFor(ProgramOutcome outcome) {
    switch (outcome) {
        case ProgramOutcome::Programmed:
            return {"Radio successfully programmed!!", "NOTE", PromptIcon::Information};
        case ProgramOutcome::SerialMismatch:
            return {"Serial No. Mismatch !! Program radio aborted", " Radio Program Error",
                    PromptIcon::Exclamation};
        case ProgramOutcome::PortInUse:
            return {"COM Port is currently in use by another application", " WARNING",
                    PromptIcon::Information};
        case ProgramOutcome::LinkFailed:
            break;
    }
    return {"Program Radio Error", "ERROR", PromptIcon::Exclamation};
}

}  // namespace vantrel

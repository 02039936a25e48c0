// Program All: writes every supported softpot of the radio record into the connected radio.
#include "operations/radioProgramAll.h"

#include <array>
#include <optional>
#include <string>

#include "link/Exceptions.h"
#include "link/SBEPMessage.h"
#include "link/cominit.h"
#include "operations/portInUseMessage.h"
#include "operations/procedureCatalogue.h"
#include "operations/radioOperations.h"
#include "operations/serviceHistory.h"
#include "radio/radiomodel.h"
#include "radio/recordSupportNotes.h"

namespace vantrel {

namespace {

/// Codeplug address of the version byte that decides the gate.
constexpr std::uint32_t kCodeplugVersionAddress = 2;
constexpr unsigned kCodeplugVersionLength = 1;
/// Data positions of a memory read reply: byte 5, or 7 when the header's count nibble is all ones.
constexpr size_t kMemoryDataShort = 5;
constexpr size_t kMemoryDataLong = 7;
constexpr std::uint8_t kCountNibble = 0x0F;

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
    recordSupportNotes notes(m_record);
    link.writeSoftpotBytesNoted(notes, softpotType, spfunction::ProgramTable, bytes.data(),
                                static_cast<unsigned>(count));
}

void radioProgramAll::programTransmitPoints(EnhancedSBEP& link, std::uint8_t softpotType, int row,
                                            int firstColumn, PointSide side) {
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channel = RF_Frequency::channelAt(m_record, false, n);
        if (m_channel == 0)
            continue;
        pointStep(n);
        const std::uint16_t partner =
            side == PointSide::TransmitBoth ? m_channel : m_frequency.channelFor(m_record, true, n);
        link.setChannelPair(m_channel, kChannelMode, partner, kChannelMode);
        m_value = m_record.getValue(row, firstColumn + n - 1);
        link.writeSoftpot(softpotType, spfunction::Program, static_cast<std::uint32_t>(m_value),
                          spwidth::One);
        pointDone(n);
    }
}

void radioProgramAll::programReceivePoints(EnhancedSBEP& link, std::uint8_t softpotType, int row,
                                           int firstColumn) {
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channel = RF_Frequency::channelAt(m_record, true, n);
        if (m_channel == 0)
            continue;
        pointStep(n);
        link.setChannel(m_channel, kChannelMode);
        m_value = m_record.getValue(row, firstColumn + n - 1);
        link.writeSoftpot(softpotType, spfunction::Program, static_cast<std::uint32_t>(m_value),
                          spwidth::One);
        pointDone(n);
    }
}

void radioProgramAll::begin(const char* procedure) {
    m_procedure = procedure;
    m_pointsWritten.clear();
    m_failure.partlyWritten.clear();
    m_failure.partlyProcedure.clear();
    m_failure.partlyPoints.clear();
    m_failure.step = std::string("writing ") + procedure;
}

void radioProgramAll::pointStep(int point) {
    m_failure.step = "writing " + m_procedure + " F" + std::to_string(point);
}

void radioProgramAll::pointDone(int point) {
    m_pointsWritten += (m_pointsWritten.empty() ? "F" : ", F") + std::to_string(point);
    m_failure.partlyWritten = m_procedure + " at " + m_pointsWritten;
    m_failure.partlyProcedure = m_procedure;
    m_failure.partlyPoints.push_back(point);
}

void radioProgramAll::done() {
    m_failure.written.push_back(m_procedure);
    m_pointsWritten.clear();
    m_failure.partlyWritten.clear();
    m_failure.partlyProcedure.clear();
    m_failure.partlyPoints.clear();
}

void radioProgramAll::programReferenceOscillator() {
    m_failure.step = "reading the codeplug version";
    cominit link;
    std::array<std::uint8_t, sbep::ReplyBufferSize> reply{};
    try {
        link.readMemory(reply.data(), kCodeplugVersionAddress, kCodeplugVersionLength);
        m_codeplugVersion =
            reply[(reply[0] & kCountNibble) == kCountNibble ? kMemoryDataLong : kMemoryDataShort];
    } catch (const UnsupportedMessage&) {
        // A refused read gives no version: taken as the oldest, so the gated procedures go point by
        // point, which every radio takes.
        m_codeplugVersion = 0;
    }
    if (m_record.isSupported(flag::RefOscWarp)) {
        begin("Reference Oscillator");
        m_refOsc.program(valueAt(row::RefOscWarp, col::Single), link);
        done();
        reportProgress(m_progress, 5);
    }
}

void radioProgramAll::programTransmitPower() {
    if (m_record.hasMobileProcedures() || !m_record.isSupported(flag::TxPower))
        return;
    begin(catalogueTitle("tx-high-power"));
    cominit link;
    m_power.deriveSpacing(m_record);
    m_power.setupTest(selector::High, link, false, true);
    writeSeven(link, softpot::TxPower, row::TxPower, col::TxPowerHigh, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::TxPower, row::TxPower, col::TxPowerHigh);
    done();
    reportProgress(m_progress, 15);

    begin(catalogueTitle("tx-low-power"));
    m_power.setupTest(selector::Low, link, false, true);
    writeSeven(link, softpot::TxPower, row::TxPower, col::TxPowerLow, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::TxPower, row::TxPower, col::TxPowerLow);
    done();
    reportProgress(m_progress, 20);

    begin("Transmit Third Power");
    m_power.setupTest(selector::High, link, false, true);
    writeSeven(link, softpot::TxPowerThird, row::TxPowerThird, col::SetFirst, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::TxPowerThird, row::TxPowerThird, col::SetFirst);
    done();
    reportProgress(m_progress, 25);
}

void radioProgramAll::programVoltageLimit() {
    if (!m_record.hasMobileProcedures() || !m_record.isSupported(flag::PaVoltageLimit))
        return;
    begin("PA Voltage Limit");
    cominit link;
    m_voltageLimit.setupTest(selector::High, link, false, true);
    writeSeven(link, softpot::PaVoltageLimit, row::PaVoltageLimit, col::SetFirst, false);
    if (!m_record.isSupported(flag::MultiValueWrite)) {
        programTransmitPoints(link, softpot::PaVoltageLimit, row::PaVoltageLimit, col::SetFirst,
                              PointSide::TransmitBoth);
        done();
        reportProgress(m_progress, 25);
        return;
    }
    done();
}

void radioProgramAll::programModulationAttenuation() {
    if (!m_record.isSupported(flag::ModAttenuation))
        return;
    begin(catalogueTitle("mod-balance-attn"));
    cominit link;
    m_modAttn.setupTest(selector::Set25k, link);
    writeSeven(link, softpot::ModAttenuation, row::ModAttenuation, col::SetThird, false);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::ModAttenuation, row::ModAttenuation, col::SetThird);
    done();
    reportProgress(m_progress, 35);
}

void radioProgramAll::programVcoAttenuation() {
    if (!m_record.isSupported(flag::VcoAttenuation))
        return;
    begin("VCO Attenuation 25 kHz");
    cominit link;
    m_vcoAttn.setupTest(selector::Set25k, link);
    writeSeven(link, softpot::VcoAttenuation, row::VcoAttenuation, col::Spacing25k, true);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programTransmitPoints(link, softpot::VcoAttenuation, row::VcoAttenuation, col::Spacing25k);
    done();
    reportProgress(m_progress, 45);

    constexpr int kLastOfSet = record::kPointCount - 1;
    const std::uint16_t tx = m_frequency.highestTxChannel(m_record);
    const std::uint16_t rx = m_frequency.highestRxChannel(m_record);
    begin("VCO Attenuation 20 kHz");
    m_vcoAttn.setupTest(selector::Set20k, link);
    m_vcoAttn.selectChannelPair(tx, rx, link);
    m_vcoAttn.program(valueAt(row::VcoAttenuation, col::Spacing20k + kLastOfSet), link);
    done();
    reportProgress(m_progress, 55);
    begin("VCO Attenuation 12.5 kHz");
    m_vcoAttn.setupTest(selector::Set12k5, link);
    m_vcoAttn.selectChannelPair(tx, rx, link);
    m_vcoAttn.program(valueAt(row::VcoAttenuation, col::Spacing12k5 + kLastOfSet), link);
    done();
    reportProgress(m_progress, 60);
}

void radioProgramAll::programSingle(int supportFlag, singleValueData& dataSet, const char* procedure) {
    if (!m_record.isSupported(supportFlag))
        return;
    begin(procedure);
    cominit link;
    const SingleValueShape& shape = dataSet.shape();
    dataSet.program(valueAt(shape.row, shape.column), link);
    done();
}

void radioProgramAll::programPaBias() {
    begin("PA Bias");
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
    done();
}

void radioProgramAll::programFrontEndFilter() {
    if (!m_record.isSupported(flag::FrontEndFilter))
        return;
    begin(catalogueTitle("rx-front-end-filter"));
    cominit link;
    writeSeven(link, softpot::FrontEndFilter, row::FrontEndFilter, col::SetFirst, true);
    if (!m_record.isSupported(flag::MultiValueWrite))
        programReceivePoints(link, softpot::FrontEndFilter, row::FrontEndFilter, col::SetFirst);
    done();
    reportProgress(m_progress, 80);
}

void radioProgramAll::programAutoSquelch() {
    if (!m_record.isSupported(flag::AutoSquelch))
        return;
    cominit link;
    const std::array<int, 3> passes = {selector::Set12k5, selector::Set20k, selector::Set25k};
    const std::array<const char*, 3> names = {"Auto Squelch 12.5 kHz", "Auto Squelch 20 kHz",
                                              "Auto Squelch 25 kHz"};
    for (size_t pass = 0; pass < passes.size(); ++pass) {
        begin(names[pass]);
        const int column = rxAutoSquelchData::selectorColumn(passes[pass]);
        m_squelch.setupTest(passes[pass], link);
        writeSeven(link, softpot::AutoSquelch, row::AutoSquelch, column, true);
        const bool pointByPoint = !m_record.isSupported(flag::MultiValueWrite);
        if (pointByPoint)
            programReceivePoints(link, softpot::AutoSquelch, row::AutoSquelch, column);
        done();
        if (pass == 0 && pointByPoint)
            reportProgress(m_progress, 85);
        if (pass == 1)
            reportProgress(m_progress, 90);
    }
}

void radioProgramAll::programRatedVolume() {
    if (!m_record.isSupported(flag::RatedVolume))
        return;
    begin("Rated Volume");
    cominit link;
    m_volume.program(valueAt(row::RatedVolume, col::RatedVolume), link);
    done();
}

void radioProgramAll::programRssi() {
    if (!m_record.isSupported(flag::Rssi) || gateBlocks())
        return;
    begin("RSSI");
    cominit link;
    std::array<std::uint8_t, kRssiBytesFull> bytes{};
    for (unsigned i = 0; i < kRssiBytesFull; ++i)
        bytes[i] =
            static_cast<std::uint8_t>(valueAt(row::Rssi, col::RssiFirst + static_cast<int>(i)) & kByteMask);
    link.writeSoftpotBytes(softpot::Rssi, spfunction::ProgramTable, bytes.data(),
                           rssiTakesTwoBytes(m_record) ? kRssiBytesShort : kRssiBytesFull);
    done();
}

void radioProgramAll::programTempComp() {
    begin("Temp Comp");
    cominit link;
    std::array<std::uint8_t, col::TempCompCount> bytes{};
    for (int i = 0; i < col::TempCompCount; ++i)
        bytes[static_cast<size_t>(i)] =
            static_cast<std::uint8_t>(valueAt(row::Frequency, col::TempCompFirst + i) & kByteMask);
    link.writeSoftpotBytes(softpot::TempComp, spfunction::Program, bytes.data(), col::TempCompCount);
    done();
}

void radioProgramAll::programMobilePower() {
    if (!m_record.isSupported(flag::MobileTxPower) || !m_record.hasMobileProcedures())
        return;
    begin("Mobile Transmit Power");
    cominit link;
    writeSeven(link, softpot::MobilePower, row::MobilePower, col::KmFirst, false, col::KmCount);
    if (m_record.isSupported(flag::MultiValueWrite)) {
        done();
        return;
    }
    for (int n = 1; n <= record::kPointCount; ++n) {
        m_channel = RF_Frequency::channelAt(m_record, false, n);
        if (m_channel == 0)
            continue;
        pointStep(n);
        m_power.selectChannelPair(m_channel, m_frequency.channelFor(m_record, true, n), link);
        const int k = col::KmFirst + 2 * (n - 1);
        m_value = static_cast<std::int32_t>(((valueAt(row::MobilePower, k) & kByteMask) << kByteBits) |
                                            (valueAt(row::MobilePower, k + 1) & kByteMask));
        m_power.programMobile(static_cast<std::uint32_t>(m_value), link);
        pointDone(n);
    }
    done();
}

void radioProgramAll::programBatteryThreshold() {
    if (!m_record.hasMobileProcedures())
        return;
    begin(catalogueTitle("battery-threshold"));
    cominit link;
    link.writeSoftpot(softpot::Battery, spfunction::ProgramTable,
                      valueAt(row::Parameters, col::BatteryThreshold), spwidth::Two);
    done();
}

void radioProgramAll::programBrightlineAndReset() {
    m_failure.step = "resetting the radio";
    cominit link;
    if (m_record.isSupported(flag::RatedVolume) && radiomodel().hasBrightlineVolume(m_record)) {
        begin("Brightline Rated Volume");
        m_volume.setupTest(link, rxRatedVolumeData::Brightline);
        m_volume.program(valueAt(row::RatedVolume, col::RatedVolumeBrightline), link);
        done();
    }
    // Every radio is reset, rated volume or not: a radio must not be left in test mode.
    m_failure.step = "resetting the radio";
    link.resetRadio();
    m_progress.SetPercentDone(kPercentDone);
}

void radioProgramAll::programAll() {
    m_failure = operationFailure{};
    programReferenceOscillator();
    programTransmitPower();
    programVoltageLimit();
    programModulationAttenuation();
    programVcoAttenuation();
    programSingle(flag::DtmfDeviation, m_dtmf, "DTMF Deviation");
    programPaBias();
    programSingle(flag::Qdt1200Deviation, m_qdt1200, "QDT1200 Deviation");
    programSingle(flag::Select5Deviation, m_select5, "Select 5 Deviation");
    programSingle(flag::Mpt1327Deviation, m_mpt1327, "MPT1327 Deviation");
    programSingle(flag::HssDeviation, m_hss, "HSS Deviation");
    programFrontEndFilter();
    programAutoSquelch();
    programRatedVolume();
    programRssi();
    programTempComp();
    programMobilePower();
    programBatteryThreshold();
    programBrightlineAndReset();
    m_failure.step.clear();
}

ProgramOutcome radioProgramAll::programRadioCommand(radioStorage& record, ProgressSink& progress,
                                                    operationFailure* failure) {
    operationFailure local;
    operationFailure& told = failure ? *failure : local;
    std::optional<radioProgramAll> run;
    std::string connected;
    // Every run goes into the service history with what reached the radio, however it ends.
    try {
        const ProgramOutcome outcome = runCommand(record, progress, &told, run, connected);
        serviceHistory::recordProgramAll(record, outcome, run ? run->failure() : operationFailure{}, told,
                                         connected);
        return outcome;
    } catch (const OperationInterrupted& stop) {
        serviceHistory::recordProgramAll(record, ProgramOutcome::Cancelled,
                                         run ? run->failure() : operationFailure{}, told, connected,
                                         stop.describe());
        throw;
    }
}

ProgramOutcome radioProgramAll::runCommand(radioStorage& record, ProgressSink& progress,
                                           operationFailure* failure, std::optional<radioProgramAll>& run,
                                           std::string& connectedSerial) {
    operationFailure noted;
    // Once anything may have been written the radio may be in a test mode: one reset, best effort.
    const auto stopped = [&](const Exception& cause) {
        if (run)
            noted = run->failure();
        noted.cause = cause.describe();
        noted.resetSent = resetAfterFailure();
        progress.SetPercentDone(kPercentDone);
        if (failure)
            *failure = noted;
    };
    try {
        CancelCheckScope cancel(progress);
        {
            noted.step = "opening the port";
            cominit link;
            noted.step = "checking the serial number";
            radioOperations check;
            if (!check.serialMatches(record, link)) {
                connectedSerial = check.lastSerialRead();
                progress.SetPercentDone(kPercentDone);
                return ProgramOutcome::SerialMismatch;
            }
        }
        run.emplace(record, progress);
        run->programAll();
        return ProgramOutcome::Programmed;
    } catch (const PortInUseError& cause) {
        if (run)
            noted = run->failure();
        noted.cause = cause.detail().empty() ? cause.describe() : cause.detail();
        noted.portCause = portInUseCause(cause);
        progress.SetPercentDone(kPercentDone);
        if (failure)
            *failure = noted;
        return ProgramOutcome::PortInUse;
    } catch (const OperationInterrupted& cause) {
        stopped(cause);
        if (cause.signal() != kCancelledByUser)
            throw;
        if (failure)
            failure->cause = "cancelled";
        return ProgramOutcome::Cancelled;
    } catch (const CommunicationError& cause) {
        stopped(cause);
        return ProgramOutcome::LinkFailed;
    } catch (const ReplyLengthError& cause) {
        stopped(cause);
        return ProgramOutcome::LinkFailed;
    }
}

PromptMessage radioProgramAll::confirmationPrompt() {
    return {"Program Radio?", "Note", PromptIcon::Information, PromptButtons::OkCancel};
}

PromptMessage radioProgramAll::messageFor(ProgramOutcome outcome, const operationFailure& failure) {
    switch (outcome) {
        case ProgramOutcome::Cancelled: {
            std::string list;
            for (const std::string& name : failure.written) list += (list.empty() ? "" : ", ") + name;
            if (!failure.partlyWritten.empty())
                list += (list.empty() ? "" : ", ") + failure.partlyWritten;
            if (list.empty())
                return {"Program All cancelled before anything was written. The radio is unchanged.", "NOTE",
                        PromptIcon::Information};
            return {"Program All cancelled after writing: " + list +
                        ". The other softpots keep their previous values.",
                    "NOTE", PromptIcon::Information};
        }
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

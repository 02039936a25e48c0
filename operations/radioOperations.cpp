// Read Radio: fills the radio record from the connected radio (identity, tuning block, every softpot).
#include "operations/radioOperations.h"

#include <algorithm>
#include <optional>

#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/portInUseMessage.h"
#include "operations/serviceHistory.h"
#include "radio/RF_Frequency.h"
#include "radio/radiomodel.h"
#include "radio/rxDataSets.h"
#include "radio/txDataSets.h"

namespace vantrel {

namespace {

/// Byte positions in the tuning block; 16-bit values are high byte first.
namespace tune {
constexpr size_t Base = 0;
constexpr size_t Option = 2;
constexpr size_t TxFirst = 4;
constexpr size_t RxFirst = 20;
constexpr size_t TxDacFirst = 36;
constexpr size_t TxDacSecond = 37;
constexpr size_t Procedure = 38;
constexpr size_t Parameter = 39;
}  // namespace tune

/// Power-up statuses that mean the radio is ready.
constexpr int kPowerUpReady = 0;
constexpr int kPowerUpReadyAlso = 32;

/// The one point a single-point model keeps on each side (F3).
constexpr int kSinglePoint = 3;

/// Baseband offset items read for each of the three indices, in this order; the first is the probe.
constexpr std::array<std::uint8_t, col::BasebandItemsPerSpacing> kBboItems = {5, 0, 2, 10, 8};
constexpr int kBboIndices = 3;
constexpr std::uint8_t kBboFirstIndex = 1;

constexpr int kPercentDone = 100;

std::uint16_t word(const std::uint8_t* bytes, size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

}  // namespace

void radioOperations::clearProcedureFlags(radioStorage& record) {
    for (int f = flag::First; f <= flag::Last; ++f) {
        // What the radio accepts in one request is learnt from its answers (reads and Program All's
        // writes); until it answers otherwise it is assumed, as in a record just made.
        if (f != flag::MultiValueRead && f != flag::MultiValueWrite && f != flag::SinglePointPowerWrite)
            record.markUnsupported(f);
    }
}

void reportProgress(ProgressSink& progress, int percent) {
    progress.SetText(std::to_string(percent) + "% Complete");
    progress.SetPercentDone(percent);
}

bool radioOperations::serialMatches(const radioStorage& record, EnhancedSBEP& link) {
    // A failed read leaves no characters of an earlier radio behind.
    m_lastSerial.assign(record::kSerialNoLength, '\0');
    m_lastSerial = link.readSerialNo();
    return m_lastSerial == record.serialNoBytes();
}

std::string radioOperations::lastSerialRead() const {
    return m_lastSerial;
}

void radioOperations::readIdentity(radioStorage& record, EnhancedSBEP& link) {
    // The link hands over only a reply that is the data reply of that very request.
    step("reading the serial number");
    record.setSerialNo(link.readSerialNo());
    step("reading the model number");
    record.setModelNo(link.readModelNo());
    step("reading the unique identifier");
    record.setUuid(link.readUUID());
    step("reading the IC version");
    record.setIcVersion(link.readICVersion());
}

bool radioOperations::readTuningBlock(radioStorage& record, EnhancedSBEP& link) {
    step("reading the tuning block");
    const TuningBlock block = link.readTune();
    const std::uint8_t* b = block.data();
    m_lastValue = word(b, tune::Base);
    record.setValue(row::Frequency, col::FrequencyBase, m_lastValue);
    record.setValue(row::Frequency, col::OptionByte, b[tune::Option]);

    const bool singlePoint = radiomodel().isSinglePointModel(record);
    bool anyTx = false;
    bool anyRx = false;
    for (int n = 1; n <= record::kPointCount; ++n) {
        const size_t offset = 2 * static_cast<size_t>(n - 1);
        std::uint16_t tx = word(b, tune::TxFirst + offset);
        std::uint16_t rx = word(b, tune::RxFirst + offset);
        if (singlePoint && n != kSinglePoint)
            tx = rx = 0;
        record.setValue(row::Frequency, col::TxPointFirst + n - 1, tx);
        record.setValue(row::Frequency, col::RxPointFirst + n - 1, rx);
        anyTx = anyTx || tx != 0;
        anyRx = anyRx || rx != 0;
    }
    record.setValue(row::MobilePower, col::LowBandTxDacFirst, b[tune::TxDacFirst]);
    record.setValue(row::MobilePower, col::LowBandTxDacSecond, b[tune::TxDacSecond]);
    record.setTuningProcedure(b[tune::Procedure]);
    record.setValue(row::Parameters, col::ParameterByte, b[tune::Parameter]);
    return anyTx && anyRx;
}

void radioOperations::readTransmitPower(radioStorage& record, EnhancedSBEP& link, ProgressSink& progress) {
    reportProgress(progress, 15);
    txTransmitPowData power;
    if (record.hasMobileProcedures()) {
        step("reading Mobile Transmit Power");
        power.readMobile(record, link);
        power.deriveLowBand(record);
        reportProgress(progress, 25);
        return;
    }
    // Portables have no K and M power tuning.
    record.markUnsupported(flag::MobileTxPower);
    power.deriveSpacing(record);
    step("reading Transmit High Power");
    power.setupTest(selector::High, link, false, true);
    power.readHigh(record, link);
    reportProgress(progress, 20);
    step("reading Transmit Third Power");
    power.readThird(record, link);
    reportProgress(progress, 22);
    if (record.isSupported(flag::TxPower)) {
        step("reading Transmit Low Power");
        power.setupTest(selector::Low, link, false, true);
        power.readLow(record, link);
        reportProgress(progress, 25);
    }
}

void radioOperations::readAttenuations(radioStorage& record, EnhancedSBEP& link, ProgressSink& progress) {
    reportProgress(progress, 25);
    txModAttnData modulation;
    step("reading Modulation Attenuation");
    modulation.setupTest(selector::Set25k, link);
    modulation.read(record, link);

    reportProgress(progress, 30);
    txVCOAttnData vco;
    step("reading VCO Attenuation 25 kHz");
    vco.setupTest(selector::Set25k, link);
    vco.read25k(record, link);
    reportProgress(progress, 40);
    if (record.isSupported(flag::VcoAttenuation)) {
        step("reading VCO Attenuation 20 kHz");
        vco.setupTest(selector::Set20k, link);
        vco.read20k(record, link);
        reportProgress(progress, 50);
        step("reading VCO Attenuation 12.5 kHz");
        vco.setupTest(selector::Set12k5, link);
        vco.read12k5(record, link);
        reportProgress(progress, 55);
    }

    if (record.isSupported(flag::ModAttenuation)) {
        step("reading PA Voltage Limit");
        txPAVoltageLimitData limit;
        limit.setupTest(selector::High, link, false, true);
        const std::uint32_t tuned = limit.autoTuneSoftpot(record, link);
        if (tuned == 0 && record.isSupported(flag::PaVoltageLimit))
            limit.read(record, link);
    }
}

void radioOperations::readBiasAndDeviations(radioStorage& record, EnhancedSBEP& link) {
    step("reading DTMF Deviation");
    txDTMFData().read(record, link);

    step("reading PA Bias");
    txPABiasHighVoltageData high;
    high.setupTest(link);
    high.read(record, link);
    if (record.hasMobileProcedures()) {
        record.markUnsupported(flag::PaBiasFirstLow);
    } else {
        txPABiasLowVoltageData low;
        low.setupTest(link);
        low.read(record, link);
    }

    step("reading QDT1200 Deviation");
    txQDT1200Data().read(record, link);
    step("reading Select 5 Deviation");
    txSelect5Data().read(record, link);
    step("reading HSS Deviation");
    txHSSData().read(record, link);
    step("reading MPT1327 Deviation");
    txMPT1200Data().read(record, link);
    step("reading Battery Threshold");
    txBatteryData().read(record, link);
}

void radioOperations::readReceive(radioStorage& record, EnhancedSBEP& link, ProgressSink& progress) {
    step("reading Front End Filter");
    rxFEBPData().read(record, link);

    reportProgress(progress, 65);
    rxAutoSquelchData squelch;
    step("reading Auto Squelch 12.5 kHz");
    squelch.setupTest(selector::Set12k5, link);
    squelch.read(selector::Set12k5, record, link);
    reportProgress(progress, 75);
    if (record.isSupported(flag::AutoSquelch)) {
        step("reading Auto Squelch 20 kHz");
        squelch.setupTest(selector::Set20k, link);
        squelch.read(selector::Set20k, record, link);
        reportProgress(progress, 80);
        step("reading Auto Squelch 25 kHz");
        squelch.setupTest(selector::Set25k, link);
        squelch.read(selector::Set25k, record, link);
        reportProgress(progress, 85);
    }

    rxRatedVolumeData volume;
    step("reading Rated Volume");
    volume.setupTest(link, rxRatedVolumeData::Normal);
    volume.read(record, link);
    reportProgress(progress, 90);
    if (record.isSupported(flag::RatedVolume) && radiomodel().hasBrightlineVolume(record)) {
        step("reading Brightline Rated Volume");
        volume.setupTest(link, rxRatedVolumeData::Brightline);
        volume.readBrightline(record, link);
        reportProgress(progress, 95);
    }

    step("reading RSSI");
    rxRSSIData().read(record, link);
}

void radioOperations::readTempCompAndOffsets(radioStorage& record, EnhancedSBEP& link) {
    step("reading Temp Comp");
    const TempCompBytes tempComp = link.readTempComp();
    for (int i = 0; i < col::TempCompCount; ++i)
        record.setValue(row::Frequency, col::TempCompFirst + i, tempComp[static_cast<size_t>(i)]);
    readBasebandOffsets(record, link);
}

void radioOperations::readBasebandOffsets(radioStorage& record, EnhancedSBEP& link) {
    step("reading Baseband Offsets");
    const std::optional<std::uint8_t> first = link.probeBBO(kBboItems[0], kBboFirstIndex);
    if (!first) {
        record.setBboFromRadio(false);
        return;
    }
    record.setBboFromRadio(true);
    for (int g = 0; g < kBboIndices; ++g) {
        for (int k = 0; k < col::BasebandItemsPerSpacing; ++k) {
            // The probe's reply is the first of the fifteen bytes.
            const std::uint8_t offset = g == 0 && k == 0
                                            ? *first
                                            : link.readBBO(kBboItems[static_cast<size_t>(k)],
                                                           static_cast<std::uint8_t>(kBboFirstIndex + g));
            record.setValue(row::BasebandOffset,
                            col::BasebandOffsetFirst + g * col::BasebandItemsPerSpacing + k, offset);
        }
    }
}

int radioOperations::readRadio(radioStorage& record, ProgressSink& progress) {
    m_failure = operationFailure{};
    step("opening the port");
    cominit link;

    step("reading the power-up status");
    const int status = link.radioPowerUp();
    if (status != kPowerUpReady && status != kPowerUpReadyAlso) {
        m_failure = operationFailure{};
        progress.SetPercentDone(kPercentDone);
        return status;
    }

    readIdentity(record, link);
    reportProgress(progress, 5);
    if (!readTuningBlock(record, link)) {
        m_failure = operationFailure{};
        return kPointsInvalid;
    }

    reportProgress(progress, 10);
    step("reading Reference Oscillator");
    txRefOscData refOsc;
    refOsc.deriveSpacing(record);
    refOsc.setupTest(link);
    refOsc.read(record, link);

    readTransmitPower(record, link, progress);
    readAttenuations(record, link, progress);
    readBiasAndDeviations(record, link);
    readReceive(record, link, progress);
    readTempCompAndOffsets(record, link);

    progress.SetPercentDone(kPercentDone);
    step("resetting the radio");
    link.resetRadio();
    m_failure = operationFailure{};
    record.setDataVersion(record::kCompleteReadVersion);
    return kReadOk;
}

ReadRadioOutcome radioOperations::readRadioCommand(radioStorage& record, ProgressSink& progress) {
    ReadRadioOutcome outcome;
    // The read fills a clean record; the record takes it only once the read has ended in a way that keeps
    // what was read. A cancel or a stop leaves the record as it was, whatever had been read before it.
    // Nothing of an earlier radio or archive may pass for this radio's: no identity text, no value and no
    // procedure this radio did not answer.
    radioStorage scratch;
    clearProcedureFlags(scratch);
    // Every read goes into the service history with what the radio answered, however it ends.
    std::string stoppedBy;
    const serviceHistory::atScopeExit history(
        [&] { serviceHistory::recordRead(scratch, outcome, stoppedBy); });
    // A read that stopped part-way may have left the radio in a test mode: one reset, best effort.
    const auto linkFailed = [&](const Exception& failure) {
        m_failure.cause = failure.describe();
        m_failure.resetSent = resetAfterFailure();
        record.copyFrom(scratch);
        record.setSerialNo("Invalid");
        progress.SetPercentDone(kPercentDone);
        outcome.kind = ReadRadioOutcome::Kind::LinkFailed;
        outcome.failure = m_failure;
    };
    try {
        CancelCheckScope cancel(progress);
        outcome.status = readRadio(scratch, progress);
    } catch (const PortInUseError& failure) {
        // Nothing was read: the record keeps what it held.
        m_failure.cause = failure.detail().empty() ? failure.describe() : failure.detail();
        m_failure.portCause = portInUseCause(failure);
        progress.SetPercentDone(kPercentDone);
        outcome.kind = ReadRadioOutcome::Kind::PortInUse;
        outcome.failure = m_failure;
        return outcome;
    } catch (const OperationInterrupted& stop) {
        m_failure.cause = stop.signal() == kCancelledByUser ? std::string("cancelled") : stop.describe();
        m_failure.resetSent = resetAfterFailure();
        progress.SetPercentDone(kPercentDone);
        if (stop.signal() != kCancelledByUser) {
            stoppedBy = stop.describe();
            throw;
        }
        outcome.kind = ReadRadioOutcome::Kind::Cancelled;
        outcome.failure = m_failure;
        return outcome;
    } catch (const CommunicationError& failure) {
        linkFailed(failure);
        return outcome;
    } catch (const ReplyLengthError& failure) {
        linkFailed(failure);
        return outcome;
    }
    if (outcome.status == kReadOk) {
        const std::int32_t procedure = scratch.getTuningProcedure();
        outcome.kind = ReadRadioOutcome::Kind::Read;
        outcome.tuningAllowed = procedureSet::allowsTuning(procedure);
    } else if (outcome.status == kPointsInvalid) {
        outcome.kind = ReadRadioOutcome::Kind::PointsInvalid;
    } else {
        // Nothing was read: the record keeps what it held.
        outcome.kind = ReadRadioOutcome::Kind::PowerUpFailed;
        return outcome;
    }
    record.copyFrom(scratch);
    if (outcome.kind == ReadRadioOutcome::Kind::PointsInvalid)
        record.setSerialNo("Invalid");
    return outcome;
}

std::vector<PromptMessage> radioOperations::messagesFor(const ReadRadioOutcome& outcome) {
    using Kind = ReadRadioOutcome::Kind;
    std::vector<PromptMessage> shown;
    switch (outcome.kind) {
        case Kind::Read:
            shown.push_back({"Radio has been successfully read !!", "NOTE", PromptIcon::Information});
            if (!outcome.tuningAllowed) {
                shown.push_back({"Radio not suitable for tuning due to different tuning procedure version",
                                 "NOTE", PromptIcon::Information});
            }
            break;
        case Kind::PointsInvalid:
            shown.push_back({"All frequency point data is invalid !!", "Error !!", PromptIcon::Exclamation});
            break;
        case Kind::PowerUpFailed:
            shown.push_back({"Error occured during radio power up!!", "ERROR", PromptIcon::Exclamation});
            if (outcome.status == kHardwareFailure)
                shown.push_back(
                    {"Radio Hardware Failure !! Operation aborted", "ERROR", PromptIcon::Exclamation});
            break;
        case Kind::LinkFailed:
            shown.push_back(
                {"Read Radio Failed !! All softpot operational data is invalid !! Please re-read radio",
                 "Error !!", PromptIcon::Exclamation});
            break;
        case Kind::PortInUse:
            shown.push_back(
                {"COM Port is currently in use by another application", " WARNING", PromptIcon::Information});
            break;
        case Kind::Cancelled:
            shown.push_back({kCancelledText, "NOTE", PromptIcon::Information});
            break;
    }
    return shown;
}

std::string radioOperations::statusBarText(const radioStorage& record) {
    constexpr size_t kGap = 95;
    return std::string("Radio Serial No :") + record.getSerialNo() + std::string(kGap, ' ') +
           "Radio Model No: " + record.getModelNo();
}

}  // namespace vantrel

// The procedures whose radio steps differ from the standard ones.
#include "operations/procedurePieces.h"

#include <cstdio>
#include <cstdlib>

#include "link/EnhancedSBEP.h"
#include "operations/sharedMessages.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/recordSupportNotes.h"
#include "radio/rxDataSets.h"
#include "radio/txDataSets.h"

namespace vantrel {

namespace {

std::string formatted(const char* pattern, double value) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string formatted(const char* pattern, int value) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

}  // namespace

// --- Transmit power ---------------------------------------------------------------------------------------

procedurePiece::pointOutcome transmitPowerPiece::programPoint(int row, int value, EnhancedSBEP& link) {
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

bool transmitPowerPiece::refusedBeforeWrite(int, int) const {
    return false;
}

bool transmitHighPowerPiece::refusedBeforeWrite(int point, int value) const {
    // Without the radio's own limit table a high power above the point's low power is refused here on
    // these radios.
    if (record().isSupported(flag::TxPowerThird) || !radiomodel().isHighPortableC(record()))
        return false;
    const auto low = static_cast<std::uint32_t>(record().getValue(row::TxPower, col::TxPowerLow + point - 1));
    return static_cast<std::uint32_t>(value) > low;
}

std::string transmitHighPowerPiece::refusedText(int point, bool ownRule) const {
    std::string text = transmitPowerPiece::refusedText(point, ownRule);
    if (ownRule || point == 1)
        text += ' ';
    return text;
}

// --- VCO attenuation and front end filter -----------------------------------------------------------------

void vcoAttenuationPiece::afterProgram(EnhancedSBEP& link) {
    // The narrower spacings' values follow the 25 kHz ones in the radio: read them back under their own
    // test modes, then return to this procedure's.
    txVCOAttnData data;
    data.setupTest(selector::Set12k5, link);
    data.read12k5(record(), link);
    data.setupTest(selector::Set20k, link);
    data.read20k(record(), link);
    data.setupTest(selector::Set25k, link);
}

bool frontEndFilterPiece::readsCalDac() const {
    return radiomodel().isHighMobileF(record());
}

void frontEndFilterPiece::writeLive(int row, int value, EnhancedSBEP& link) {
    procedurePiece::writeLive(row, value, link);
    if (!readsCalDac())
        return;
    // The detector settles unevenly: the mean of several readings; the record keeps the last one.
    rxFEBPData data;
    int sum = 0;
    for (int i = 0; i < kCalDacReads; ++i) sum += data.readCalDac(record(), link);
    m_calDacMean = sum / kCalDacReads;
}

std::vector<std::pair<std::string, std::string>> frontEndFilterPiece::readouts() const {
    if (!readsCalDac())
        return {};
    const int shown = m_calDacMean >= 0 ? m_calDacMean : record().getValue(row::Rssi, col::FrontEndCalDac);
    return {{"rssi-dac", formatted("%.1f", double(shown))}};
}

// --- Transmit DAC -----------------------------------------------------------------------------------------

bool transmitDacPiece::unacceptable(std::uint32_t dac1, std::uint32_t dac2) {
    const auto outside = [](std::uint32_t v) { return v < kLowest || v > kHighest; };
    return (outside(dac1) || outside(dac2)) && dac2 < dac1;
}

void transmitDacPiece::setupRadio(EnhancedSBEP& link) {
    dataSet()->setupTest(record(), link);
    selectChannels(0, link);
    // The K and M procedure of a high series low-band mobile waits for this mark.
    record().setValue(row::TxDacMarker, col::TxDacMarker, 1);
}

void transmitDacPiece::selectChannels(int, EnhancedSBEP& link) {
    const std::uint16_t tx = frequency().highestTxChannel(record());
    const std::uint16_t rx = frequency().highestRxChannel(record());
    if (tx != 0)
        link.setChannelPair(tx, kChannelMode, rx, kChannelMode);
}

void transmitDacPiece::writeLive(int row, int value, EnhancedSBEP& link) {
    // Only ever called keyed: the value the transmitter uses is the one kept.
    procedurePiece::writeLive(row, value, link);
    storeValue(row, value);
}

void transmitDacPiece::keyedUp(int, EnhancedSBEP& link) {
    // The PA voltage limit must not cap the power being set.
    txTransmitDACData().releaseVoltageLimit(link);
}

void transmitDacPiece::afterClosing(UserPrompt& prompt) {
    // Shown once the transmitter is off: the message may stay on the screen for a long time.
    const auto dac1 = static_cast<std::uint32_t>(record().getValue(row::MobilePower, col::LowBandTxDacFirst));
    const auto dac2 =
        static_cast<std::uint32_t>(record().getValue(row::MobilePower, col::LowBandTxDacSecond));
    if (unacceptable(dac1, dac2))
        prompt.show(kWarningText, kWarningCaption, PromptIcon::Exclamation);
}

// --- Auto squelch -----------------------------------------------------------------------------------------

bool autoSquelchPiece::offers(sessionAction action) const {
    return action == sessionAction::AutoTune;
}

sessionOutcome autoSquelchPiece::act(sessionAction action, const actionRequest& request,
                                     sessionContext& session) {
    if (action != sessionAction::AutoTune)
        return procedurePiece::act(action, request, session);
    const int row = request.row;
    std::optional<std::uint32_t> answer;
    sessionOutcome outcome = session.run(true, [&](EnhancedSBEP& link, sessionOutcome& out) {
        session.setAutoTuning(true);
        selectChannels(row, link);
        session.setStatus(formatted(message::PointTunedFormat, rowFrequency(row)));
        // A close asked for meanwhile: the radio is not asked to tune; closing resets it.
        if (session.stopAsked()) {
            out.kind = sessionOutcome::Kind::Stopped;
            session.setAutoTuning(false);
            return;
        }
        answer = rxAutoSquelchData().autoTuneSoftpot(record(), link);
        session.setAutoTuning(false);
    });
    session.setAutoTuning(false);
    if (!answer)
        return outcome;
    // A radio that refused, or settled on no usable value, leaves the row as it was.
    const tuningRow& spec = rowSpec(row);
    if (!record().isSupported(flag::AutoSquelch) || *answer < std::uint32_t(spec.minimum) ||
        *answer > std::uint32_t(spec.maximum)) {
        const std::string failed = formatted(kAutoTuneFailedFormat, pointOfRow(row));
        session.setStatus(failed);
        outcome.refuse("refused", {failed, kErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    session.takeValue(row, int(*answer));
    storeValue(row, int(*answer));
    return outcome;
}

// --- PA voltage limit -------------------------------------------------------------------------------------

void paVoltageLimitPiece::setupRadio(EnhancedSBEP& link) {
    // High power test mode; no channel until a point is tuned.
    txPAVoltageLimitData data;
    data.deriveSpacing(record());
    data.setupTest(selector::High, link, false, true);
}

std::string paVoltageLimitPiece::linkErrorText() const {
    // In the run the radio was keyed: the technician must make sure it no longer transmits.
    return m_running ? kRunLinkErrorText : procedurePiece::linkErrorText();
}

bool paVoltageLimitPiece::offers(sessionAction action) const {
    return action == sessionAction::AutoTune;
}

sessionOutcome paVoltageLimitPiece::act(sessionAction action, const actionRequest& request,
                                        sessionContext& session) {
    if (action != sessionAction::AutoTune)
        return procedurePiece::act(action, request, session);
    int failedPoint = 0;
    txPAVoltageLimitData data;
    sessionOutcome outcome = session.run(true, [&](EnhancedSBEP& link, sessionOutcome& out) {
        data.autoTuneSoftpot(record(), link);
        if (!record().isSupported(flag::PaVoltageLimit)) {
            const PromptMessage unsupported{kUnsupportedText, kErrorCaption, PromptIcon::Exclamation};
            session.prompt().show(unsupported);
            out.refuse("refused", unsupported);
            return;
        }
        if (session.prompt().show(kQuestion, message::WarningCaption, PromptIcon::Information,
                                  PromptButtons::OkCancel) != PromptAnswer::Ok) {
            out.kind = sessionOutcome::Kind::Cancelled;
            return;
        }
        session.setAutoTuning(true);
        m_running = true;
        for (int row = 0; row < rowCount() && out.done(); ++row) {
            if (!rowSupported(row))
                continue;
            // A close asked for meanwhile stops the run after the exchange in progress: the radio is not
            // keyed again, nor asked to tune; closing then dekeys and resets it.
            if (session.stopAsked()) {
                out.kind = sessionOutcome::Kind::Stopped;
                break;
            }
            out.failedRow = row;
            selectChannels(row, link);
            session.setStatus(formatted(message::PointTunedFormat, rowFrequency(row)));
            if (session.stopAsked()) {
                out.kind = sessionOutcome::Kind::Stopped;
                break;
            }
            session.keyUp();
            if (session.stopAsked()) {
                session.dekeyRadio();
                out.kind = sessionOutcome::Kind::Stopped;
                break;
            }
            const std::uint32_t answer = data.autoTuneSoftpot(record(), link);
            session.dekeyRadio();
            out.failedRow.reset();
            // A radio that refused the request has not tuned anything either.
            if (answer == 0 || !record().isSupported(flag::PaVoltageLimit)) {
                session.setAutoTuning(false);
                m_running = false;
                failedPoint = pointOfRow(row);
                const PromptMessage impossible{failedPoint == 1 ? kImpossibleFirstText : kImpossibleText,
                                               kErrorCaption, PromptIcon::Exclamation};
                session.prompt().show(impossible);
                out.refuse("refused", impossible);
                out.failedRow = row;
                return;
            }
            storeValue(row, static_cast<std::int32_t>(answer));
            out.programmedRows.push_back(row);
            session.changed();
        }
        m_running = false;
        if (out.kind != sessionOutcome::Kind::Stopped)
            session.setStatus(kDoneText);
        session.setAutoTuning(false);
    });
    m_running = false;
    session.setAutoTuning(false);
    if (failedPoint != 0)
        session.setStatus(formatted(kAutoTuneFailedFormat, failedPoint));
    else if (outcome.kind == sessionOutcome::Kind::LinkFailed)
        session.setStatus(message::LinkError);
    return outcome;
}

// --- RSSI -------------------------------------------------------------------------------------------------

namespace {

/// The point the main-series M, R and S radios take thresholds at.
constexpr int kRssiMiddlePoint = 4;

bool mainMOrFive(const radioStorage& r) {
    const radiomodel m;
    return m.isMainPortableM(r) || m.isMainMobileM(r) || m.isMainPortableFive(r) || m.isMainMobileFive(r);
}

}  // namespace

rssiPiece::rssiPiece(procedureRules rules, radioStorage& record) : procedurePiece(std::move(rules), record) {}

int rssiPiece::point() const {
    const radiomodel m;
    const radioStorage& r = record();
    if (m.isMainMobileM(r) || m.isMainPortableM(r) || m.isMainMobileR(r) || m.isMainPortableR(r) ||
        m.isMainMobileS(r) || m.isMainPortableS(r))
        return kRssiMiddlePoint;
    if (m.isMainMobileFive(r) || m.isMainPortableFive(r))
        return 1;
    return frequency().middleRxPoint(r);
}

void rssiPiece::setupRadio(EnhancedSBEP& link) {
    rxRSSIData data;
    data.setSpacing(mainMOrFive(record()) ? spacing::k12_5 : spacing::k25);
    data.setupTest(link);
    const int n = point();
    const std::uint16_t rx = n == 0 ? 0 : RF_Frequency::channelAt(record(), true, n);
    if (rx != 0)
        link.setChannelPair(frequency().channelFor(record(), false, n), kChannelMode, rx, kChannelMode);
}

std::string rssiPiece::openedStatus() const {
    const int n = point();
    const std::uint16_t rx = n == 0 ? 0 : RF_Frequency::channelAt(record(), true, n);
    const auto base = static_cast<std::uint32_t>(record().getValue(row::Frequency, col::FrequencyBase));
    return formatted(kPointFormat, rx == 0 ? 0.0 : frequency().pointFrequency(base, rx));
}

std::optional<int> rssiPiece::rowReading(int row) const {
    // The record keeps the level's magnitude; the level itself is below 0 dBm.
    return -record().getValue(row::Rssi, col::RssiCalDacFirst + row);
}

bool rssiPiece::offers(sessionAction action) const {
    return action == sessionAction::Update;
}

sessionOutcome rssiPiece::act(sessionAction action, const actionRequest& request, sessionContext& session) {
    if (action != sessionAction::Update)
        return procedurePiece::act(action, request, session);
    sessionOutcome outcome = session.run(true, [&](EnhancedSBEP& link, sessionOutcome&) {
        // The radio takes the threshold at the level now on its input; a typed level is only a note.
        link.writeSoftpot(softpot::Rssi, spfunction::Program, std::uint32_t(request.row), spwidth::One);
        rxRSSIData().read(record(), link);
    });
    session.reloadValues();
    return outcome;
}

// --- Battery threshold ------------------------------------------------------------------------------------

void batteryPiece::setupRadio(EnhancedSBEP& link) {
    dataSet()->setupTest(record(), link);
}

std::optional<sessionOutcome> batteryPiece::programOwn(sessionContext& session) {
    bool written = false;
    sessionOutcome outcome = session.run(false, [&](EnhancedSBEP& link, sessionOutcome& out) {
        // The radio answers its present supply measurement as the second value of the battery read.
        recordSupportNotes notes(record());
        link.readSoftpotTable(softpot::Battery, notes, flag::BatteryThreshold, sptable::BatteryValue);
        if (!record().isSupported(flag::BatteryThreshold)) {
            out.refuse("refused", {"The radio did not give its supply measurement.", kErrorCaption,
                                   PromptIcon::Exclamation});
            return;
        }
        const std::uint32_t measured = link.softpotTableByte(sptable::BatteryValue);
        const auto stored =
            static_cast<std::uint32_t>(record().getValue(row::Parameters, col::BatteryThreshold));
        if (std::llabs(static_cast<long long>(measured) - static_cast<long long>(stored)) >=
            kRefusedDistance) {
            out.refuse("refused", {kIncorrectText, kNoteCaption, PromptIcon::Exclamation});
            return;
        }
        // The radio keeps what it measures now; the record keeps the same measurement.
        dataSet()->program(measured, link);
        out.failedRow.reset();
        record().setValue(row::Parameters, col::BatteryThreshold, static_cast<std::int32_t>(measured));
        out.programmedRows.push_back(0);
        written = true;
    });
    // The port is closed before a message waits for the technician.
    if (outcome.kind == sessionOutcome::Kind::Refused && outcome.message.text == kIncorrectText)
        session.prompt().show(outcome.message);
    else if (written)
        session.prompt().show(kCommittedText, kNoteCaption, PromptIcon::Information);
    session.changed();
    return outcome;
}

std::vector<std::pair<std::string, std::string>> batteryPiece::readouts() const {
    const int threshold = record().getValue(row::Parameters, col::BatteryThreshold);
    return {{"target-voltage", formatted("%1.1f", threshold * 0.1)}, {"default", formatted("%d", threshold)}};
}

}  // namespace vantrel

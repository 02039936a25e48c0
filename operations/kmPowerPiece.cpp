// K and M power tuning of mobiles.
#include "operations/kmPowerPiece.h"

#include <cstdio>
#include <optional>

#include "link/EnhancedSBEP.h"
#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/txDataSets.h"

namespace vantrel {

namespace {

std::string threeDecimals(double watts) {
    char text[64];
    std::snprintf(text, sizeof text, "%1.3f", watts);
    return text;
}

int kOf(const radioStorage& r, int point) {
    return r.getValue(row::MobilePower, col::KmFirst + 2 * (point - 1));
}
int mOf(const radioStorage& r, int point) {
    return r.getValue(row::MobilePower, col::KmFirst + 2 * (point - 1) + 1);
}

}  // namespace

kmPowerPiece::kmPowerPiece(radioStorage& record)
    : procedurePiece(procedures::kmPower(), record),
      m_model(kmPowerModel::forRadio(radiomodel().isHighMobile(record))) {}

int kmPowerPiece::level(int row) const {
    return record().getValue(row::MobilePower,
                             row < kPoints ? col::LowBandTxDacFirst : col::LowBandTxDacSecond);
}

void kmPowerPiece::assignPoints() {
    procedurePiece::assignPoints();
    // The readings the stored pairs stand for: the power at L1, and the power expected at L2.
    const int l1 = level(0);
    const int l2 = level(kPoints);
    for (int point = 1; point <= kPoints; ++point) {
        const bool used = rowSupported(point - 1);
        const int k = kOf(record(), point);
        const int m = mOf(record(), point);
        m_entries[size_t(point - 1)] = used ? threeDecimals(m_model.power(k, m, l1)) : std::string();
        m_entries[size_t(point - 1 + kPoints)] =
            used ? threeDecimals(m_model.secondPower(k, m, l1, l2)) : std::string();
    }
}

void kmPowerPiece::writeLive(int row, int, EnhancedSBEP& link) {
    const int value = level(row);
    if (value >= 0 && value <= kLevelMaximum)
        txTransmitPowData().setLive(static_cast<std::uint32_t>(value), link);
}

void kmPowerPiece::keyedUp(int, EnhancedSBEP& link) {
    txTransmitPowData().releaseVoltageLimit(link);
}

bool kmPowerPiece::sameKeyPlace(int keyedRow, int row) const {
    // The two readings of a point are taken keyed at that point.
    return pointOfRow(keyedRow) == pointOfRow(row);
}

bool kmPowerPiece::offers(sessionAction action) const {
    return action == sessionAction::Reading;
}

sessionOutcome kmPowerPiece::act(sessionAction action, const actionRequest& request,
                                 sessionContext& session) {
    if (action != sessionAction::Reading)
        return procedurePiece::act(action, request, session);
    m_entries[size_t(request.row)] = request.text;
    session.changed();
    return {};
}

std::optional<sessionOutcome> kmPowerPiece::programOwn(sessionContext& session) {
    sessionOutcome outcome;
    if (session.prompt().show(kCommitQuestion, "WARNING", PromptIcon::Information, PromptButtons::OkCancel) !=
        PromptAnswer::Ok) {
        outcome.kind = sessionOutcome::Kind::Cancelled;
        return outcome;
    }
    // Every pair is computed before anything is written: one bad reading stops the whole run.
    std::array<kmPair, kPoints> pairs;
    for (int point = 1; point <= kPoints; ++point) {
        const std::optional<kmPair> pair = m_model.fromReadings(
            parsePowerReading(m_entries[size_t(point - 1)]),
            parsePowerReading(m_entries[size_t(point - 1 + kPoints)]), level(0), level(kPoints));
        if (!pair) {
            char text[64];
            std::snprintf(text, sizeof text, kIncorrectFormat, point);
            const PromptMessage incorrect{text, kNoteCaption, PromptIcon::Exclamation};
            session.prompt().show(incorrect);
            outcome.refuse("out-of-range", incorrect);
            return outcome;
        }
        pairs[size_t(point - 1)] = *pair;
    }
    outcome = session.run(true, [&](EnhancedSBEP& link, sessionOutcome& out) {
        session.dekeyRadio();
        txTransmitPowData data;
        for (int row = 0; row < kPoints; ++row) {
            if (!rowSupported(row))
                continue;
            // A close asked for meanwhile stops here; closing dekeys and resets the radio.
            if (session.stopAsked()) {
                out.kind = sessionOutcome::Kind::Stopped;
                return;
            }
            const kmPair& pair = pairs[size_t(row)];
            out.failedRow = row;
            selectChannels(row, link);
            data.programMobile(pair.softpotValue(), link);
            out.failedRow.reset();
            record().setValue(row::MobilePower, col::KmFirst + 2 * row, pair.k);
            record().setValue(row::MobilePower, col::KmFirst + 2 * row + 1, pair.m);
            out.programmedRows.push_back(row);
        }
        // PTT keys where the status says: at the selected point.
        if (rowSupported(session.selectedRow()))
            selectChannels(session.selectedRow(), link);
    });
    if (outcome.done())
        session.prompt().show(kWrittenText, kNoteCaption, PromptIcon::Information);
    session.changed();
    return outcome;
}

}  // namespace vantrel

// The PA bias procedures.
#include "operations/paBiasPiece.h"

#include <cstdio>

#include "link/EnhancedSBEP.h"
#include "operations/procedureTable.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/txDataSets.h"

namespace vantrel {

namespace {

constexpr std::int64_t kBaseStepHz = 25000;
constexpr std::int64_t kChannelStepHz = 5000;
constexpr std::int64_t kHighestChannel = 0xFFFF;
constexpr double kHzPerMhz = 1e6;

std::unique_ptr<paBiasData> dataOf(paBiasKind kind) {
    switch (kind) {
        case paBiasKind::Low:
        case paBiasKind::LowDefault:
            return std::make_unique<txPABiasLowVoltageData>();
        case paBiasKind::RxMode:
            return std::make_unique<txPABiasRxModeData>();
        case paBiasKind::High:
        case paBiasKind::HighDefault:
            break;
    }
    return std::make_unique<txPABiasHighVoltageData>();
}

}  // namespace

std::optional<std::uint16_t> paBiasTestChannel(std::int64_t hz, std::int64_t base) {
    const std::int64_t channel = (hz - base * kBaseStepHz) / kChannelStepHz;
    if (channel < 1 || channel > kHighestChannel)
        return std::nullopt;
    return static_cast<std::uint16_t>(channel);
}

paBiasPiece::paBiasPiece(paBiasKind kind, radioStorage& record)
    : procedurePiece(procedures::paBias(record, powerOf(kind)), record), m_kind(kind), m_data(dataOf(kind)) {
    m_enabled.assign(size_t(rowCount()), false);
    m_toggleEnabled.assign(size_t(rowCount()), false);
}

paBiasPiece::~paBiasPiece() = default;

paBiasPower paBiasPiece::powerOf(paBiasKind kind) {
    return kind == paBiasKind::Low || kind == paBiasKind::LowDefault ? paBiasPower::Low : paBiasPower::High;
}

const char* paBiasPiece::doneText(paBiasPower power) {
    return power == paBiasPower::High ? "PA Bias High softpot values commited !!"
                                      : "PA Bias Low softpot values commited !!";
}

int paBiasPiece::rowOf(biasRow kind) const {
    for (int i = 0; i < rowCount(); ++i) {
        if (kindOf(i) == kind)
            return i;
    }
    return -1;
}

paBiasPiece::biasRow paBiasPiece::kindOf(int row) const {
    switch (rowSpec(row).softpot) {
        case softpot::PaBiasFirst:
            return biasRow::Bias1;
        case softpot::PaBiasSecond:
            return biasRow::Bias2;
        case softpot::PaBiasThird:
            return biasRow::Bias3;
        default:
            return biasRow::Voltage;
    }
}

void paBiasPiece::assignPoints() {
    procedurePiece::assignPoints();
    // Nothing is tuned until a toggle zeroed its set; the first row's toggle comes first.
    for (int i = 0; i < rowCount(); ++i) {
        m_enabled[size_t(i)] = false;
        m_toggleEnabled[size_t(i)] = i == 0;
    }
}

// --- Opening ----------------------------------------------------------------------------------------------

std::optional<std::uint16_t> paBiasPiece::testChannel(std::int64_t hz, sessionContext& session) {
    const std::int64_t base = record().getValue(row::Frequency, col::FrequencyBase);
    const std::optional<std::uint16_t> channel = paBiasTestChannel(hz, base);
    if (!channel) {
        char text[200];
        std::snprintf(
            text, sizeof text,
            "The radio's frequency base (%lld) cannot reach the PA bias test frequency of %.3f MHz.\n"
            "The PA bias window cannot be opened.",
            static_cast<long long>(base), double(hz) / kHzPerMhz);
        session.refuseRadio(text);
    }
    return channel;
}

void paBiasPiece::useTestChannel(std::uint16_t channel, EnhancedSBEP& link) {
    link.setChannel(channel, kChannelMode);
    const std::int64_t base = record().getValue(row::Frequency, col::FrequencyBase);
    m_testMhz = double(base * kBaseStepHz + std::int64_t(channel) * kChannelStepHz) / kHzPerMhz;
}

void paBiasPiece::setupRadio(sessionContext& session) {
    EnhancedSBEP& link = session.link();
    const radiomodel model;
    const radioStorage& r = record();
    m_testMhz = 0.0;
    m_data->deriveSpacing(r);
    switch (m_kind) {
        case paBiasKind::HighDefault:
        case paBiasKind::LowDefault:
            // The supply draws too much current: the radio is taken out of any test mode instead.
            link.dekey();
            link.resetRadio();
            return;
        case paBiasKind::Low:
            m_data->setupTest(link);
            return;
        case paBiasKind::High:
            if (!model.isHighMobile(r)) {
                m_data->setupTest(link);
                return;
            }
            // High-power mobiles draw their bias current keyed at full power.
            if (model.isHighMobileN(r)) {
                const std::optional<std::uint16_t> channel =
                    testChannel(model.isVariantQOrR(r) ? kQrTestHz : kMobileTestHz, session);
                if (!channel)
                    return;
                static_cast<txPABiasHighVoltageData&>(*m_data).setupTestSecond(link);
                useTestChannel(*channel, link);
                session.keyUp();
                zeroLive(biasRow::Bias2, link);
            } else {
                session.keyUp();
            }
            m_data->setLive(kFullPower, softpot::TxPower, link);
            return;
        case paBiasKind::RxMode:
            break;
    }
    const bool f = model.isHighMobileF(r);
    if (!f && !model.isHighMobileK(r))
        return;
    const std::optional<std::uint16_t> channel = testChannel(f ? kMobileTestHz : kKTestHz, session);
    if (!channel)
        return;
    auto& data = static_cast<txPABiasRxModeData&>(*m_data);
    if (f)
        data.setupTestReceive(link);
    data.setupTest(link);
    useTestChannel(*channel, link);
    zeroLive(biasRow::Bias2, link);
    if (!f)
        zeroLive(biasRow::Bias3, link);
    m_data->setLive(kFullPower, softpot::TxPower, link);
}

std::string paBiasPiece::keyedStatus(int) const {
    // Keyed without a test channel of its own, the radio transmits where it was: no frequency to name.
    if (m_testMhz <= 0.0)
        return kKeyedText;
    char text[80];
    std::snprintf(text, sizeof text, "Radio is currently keyed up at %fMHz", m_testMhz);
    return text;
}

// --- Toggles and live values ------------------------------------------------------------------------------

std::vector<paBiasPiece::biasRow> paBiasPiece::zeroingSet(int row) const {
    const biasRow kind = kindOf(row);
    std::vector<biasRow> set;
    if (kind == biasRow::Voltage)
        set.push_back(biasRow::Voltage);
    if (kind == biasRow::Voltage || powerOf(m_kind) == paBiasPower::High) {
        set.insert(set.end(), {biasRow::Bias1, biasRow::Bias2, biasRow::Bias3});
    } else if (kind != biasRow::Bias3) {
        set.push_back(kind);
    }
    // A softpot the radio does not have would refuse the write and fail the toggle.
    std::erase_if(set, [this](biasRow b) { return rowOf(b) < 0; });
    return set;
}

void paBiasPiece::setRowEnabled(int row, bool enabled) {
    m_enabled[size_t(row)] = enabled;
    for (int i = 0; i < rowCount(); ++i) m_toggleEnabled[size_t(i)] = i == row || !enabled;
}

void paBiasPiece::zeroLive(biasRow kind, EnhancedSBEP& link) {
    if (const int row = rowOf(kind); row >= 0)
        m_data->setLive(0, rowSpec(row).softpot, link);
}

void paBiasPiece::writeLive(int row, int value, EnhancedSBEP& link) {
    m_data->setLive(static_cast<std::uint32_t>(value), rowSpec(row).softpot, link);
}

bool paBiasPiece::offers(sessionAction action) const {
    return action == sessionAction::Toggle;
}

sessionOutcome paBiasPiece::act(sessionAction action, const actionRequest& request, sessionContext& session) {
    if (action != sessionAction::Toggle)
        return procedurePiece::act(action, request, session);
    const int row = request.row;
    sessionOutcome outcome;
    if (!m_toggleEnabled[size_t(row)]) {
        outcome.refuse("refused", {"Another row's toggle is on: turn it off first.", kErrorCaption,
                                   PromptIcon::Exclamation});
        return outcome;
    }
    if (m_enabled[size_t(row)]) {
        setRowEnabled(row, false);
        session.changed();
        return outcome;
    }
    // At low power bias 3 is only selected: nothing is zeroed and its box stays locked.
    if (powerOf(m_kind) == paBiasPower::Low && kindOf(row) == biasRow::Bias3)
        return outcome;
    const std::vector<biasRow> zeroed = zeroingSet(row);
    outcome = session.run(true, [&](EnhancedSBEP& link, sessionOutcome&) {
        for (biasRow b : zeroed) zeroLive(b, link);
    });
    // The row is free for tuning only once the radio took the zeroes.
    if (!outcome.done())
        return outcome;
    setRowEnabled(row, true);
    session.takeValue(row, 0);
    return outcome;
}

// --- Program ----------------------------------------------------------------------------------------------

std::string paBiasPiece::programmedNote() const {
    if (m_programmed.empty())
        return {};
    std::string names;
    for (size_t i = 0; i < m_programmed.size(); ++i) {
        if (i > 0)
            names += i + 1 == m_programmed.size() ? " and " : ", ";
        names += m_programmed[i];
    }
    return "\n\n" + names + (m_programmed.size() == 1 ? " was" : " were") +
           " programmed into the radio before the stop.";
}

std::string paBiasPiece::linkErrorText() const {
    return procedurePiece::linkErrorText() + programmedNote();
}

std::optional<valueRefused> paBiasPiece::checkValue(int row, std::optional<int> value) const {
    // The voltage is only ever written live.
    if (kindOf(row) == biasRow::Voltage)
        return std::nullopt;
    // Every bias row is checked: a value from an archive above the byte range must not go out cut short.
    std::optional<valueRefused> refused = procedurePiece::checkValue(row, value);
    if (refused)
        refused->text += programmedNote();
    return refused;
}

procedurePiece::pointOutcome paBiasPiece::programPoint(int row, int value, EnhancedSBEP& link) {
    if (kindOf(row) == biasRow::Voltage)
        return {};
    m_data->program(static_cast<std::uint32_t>(value), rowSpec(row).softpot, link);
    storeValue(row, value);
    m_programmed.push_back(rowSpec(row).label);
    return {};
}

std::optional<PromptMessage> paBiasPiece::doneMessage() const {
    return PromptMessage{doneText(powerOf(m_kind)), kNoteCaption, PromptIcon::Information};
}

void paBiasPiece::afterClosing(UserPrompt& prompt) {
    if (m_kind == paBiasKind::HighDefault || m_kind == paBiasKind::LowDefault)
        prompt.show(kSupplyBackText, kNoteCaption, PromptIcon::None);
}

}  // namespace vantrel

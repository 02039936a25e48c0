// The standard radio steps of a tuning procedure: rows, channels, live writes, checks, programming.
#include "operations/procedurePiece.h"

#include <algorithm>
#include <cstdio>

#include "link/EnhancedSBEP.h"
#include "link/SBEPMessage.h"
#include "operations/sharedMessages.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

std::string withNumber(std::string pattern, int number) {
    const size_t at = pattern.find("%d");
    if (at != std::string::npos)
        pattern.replace(at, 2, std::to_string(number));
    return pattern;
}

std::string withFrequency(const char* pattern, double mhz) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, mhz);
    return text;
}

}  // namespace

const char* valueRefused::what() const noexcept {
    return text.c_str();
}

procedurePiece::procedurePiece(procedureRules rules, radioStorage& record,
                               std::unique_ptr<tuningDataSet> dataSet)
    : m_rules(std::move(rules)), m_record(record), m_dataSet(std::move(dataSet)) {
    if (!m_dataSet && m_rules.makeDataSet)
        m_dataSet = m_rules.makeDataSet(m_rules);
    setRows(defaultRows());
}

procedurePiece::~procedurePiece() = default;

// --- Rows -------------------------------------------------------------------------------------------------

std::vector<tuningRow> procedurePiece::defaultRows() const {
    if (!m_rules.rows.empty())
        return m_rules.rows;
    std::vector<tuningRow> specs;
    const bool seven = m_rules.kind == screenLayoutKind::SevenPoint;
    const int count = seven ? record::kPointCount : 1;
    for (int i = 0; i < count; ++i) {
        tuningRow r;
        r.point = seven ? i + 1 : 0;
        r.recordRow = m_rules.row;
        r.recordColumn = m_rules.firstColumn + i;
        r.softpot = m_rules.softpot;
        r.minimum = m_rules.minimum;
        r.maximum = m_rules.maximum;
        specs.push_back(r);
    }
    return specs;
}

void procedurePiece::setRows(std::vector<tuningRow> rows) {
    m_rows.clear();
    for (tuningRow& spec : rows) m_rows.push_back(Row{std::move(spec), {}});
}

void procedurePiece::assignPoints() {
    const radioStorage& r = m_record;
    const bool rx = m_rules.receiveSide;
    int chosen = 0;
    switch (m_rules.point) {
        case singlePoint::Lowest:
            chosen = rx ? m_frequency.lowestRxPoint(r) : m_frequency.lowestTxPoint(r);
            break;
        case singlePoint::Middle:
            chosen = rx ? m_frequency.middleRxPoint(r) : m_frequency.middleTxPoint(r);
            break;
        case singlePoint::Highest:
            chosen = rx ? m_frequency.highestRxPoint(r) : m_frequency.highestTxPoint(r);
            break;
    }
    const auto base = static_cast<std::uint32_t>(r.getValue(row::Frequency, col::FrequencyBase));
    for (Row& row : m_rows) {
        if (!pointRows()) {
            row.info = rowInfo{0, 0.0, true};
            continue;
        }
        row.info.point = row.spec.point != 0 ? row.spec.point : chosen;
        const std::uint16_t channel = RF_Frequency::channelAt(r, rx, row.info.point);
        row.info.supported = row.info.point != 0 && channel != 0;
        row.info.frequencyMhz = row.info.supported ? m_frequency.pointFrequency(base, channel) : 0.0;
    }
}

std::string procedurePiece::rowLabel(int row) const {
    const Row& r = m_rows[size_t(row)];
    if (!r.spec.label.empty())
        return r.spec.label;
    return r.info.point != 0 ? "F" + std::to_string(r.info.point) : std::string();
}

int procedurePiece::firstSupportedRow() const {
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[size_t(i)].info.supported)
            return i;
    }
    return 0;
}

bool procedurePiece::anySupported() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.info.supported; });
}

int procedurePiece::recordValue(int row) const {
    const tuningRow& spec = rowSpec(row);
    return spec.recordRow == tuningRow::kNoRecord ? 0 : m_record.getValue(spec.recordRow, spec.recordColumn);
}

void procedurePiece::storeValue(int row, int value) {
    const tuningRow& spec = rowSpec(row);
    if (spec.recordRow != tuningRow::kNoRecord)
        m_record.setValue(spec.recordRow, spec.recordColumn, value);
}

bool procedurePiece::inRange(int row, int value) const {
    const tuningRow& spec = rowSpec(row);
    return value >= spec.minimum && value <= spec.maximum;
}

// --- Radio steps ------------------------------------------------------------------------------------------

void procedurePiece::setupRadio(EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->setupTest(m_record, link);
    if (m_rules.kind == screenLayoutKind::SingleValue) {
        assignPoints();
        selectChannels(0, link);
        return;
    }
    if (!pointRows())
        return;
    // Seven-point procedures start at F1, or at the first used point of their side.
    const radioStorage& r = m_record;
    const bool rx = m_rules.receiveSide;
    const std::uint16_t tx = rx ? RF_Frequency::channelAt(r, false, 1) : m_frequency.channelFor(r, false, 1);
    const std::uint16_t rxc = m_frequency.channelFor(r, true, 1);
    if ((rx ? rxc : tx) != 0)
        link.setChannelPair(tx, kChannelMode, rxc, kChannelMode);
}

void procedurePiece::setupRadio(sessionContext& session) {
    setupRadio(session.link());
}

void procedurePiece::selectChannels(int row, EnhancedSBEP& link) {
    const int point = pointOfRow(row);
    const radioStorage& r = m_record;
    // Transmit procedures pair the point's transmit channel with a receive channel, receive procedures
    // the other way round; the transmit channel always goes first.
    const bool rx = m_rules.receiveSide;
    const std::uint16_t tx =
        rx ? m_frequency.channelFor(r, false, point) : RF_Frequency::channelAt(r, false, point);
    const std::uint16_t rxc =
        rx ? RF_Frequency::channelAt(r, true, point) : m_frequency.channelFor(r, true, point);
    if (point == 0 || (rx ? rxc : tx) == 0)
        return;
    link.setChannelPair(tx, kChannelMode, rxc, kChannelMode);
}

void procedurePiece::writeLive(int, int value, EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->setLive(static_cast<std::uint32_t>(value), link);
}

void procedurePiece::keyedUp(int, EnhancedSBEP&) {}

std::optional<valueRefused> procedurePiece::checkValue(int row, std::optional<int> value) const {
    const tuningRow& spec = rowSpec(row);
    if (!value)
        return valueRefused(m_rules.emptyValue, m_rules.emptyValueCaption, m_rules.emptyValueIcon);
    if (*value > spec.maximum || *value < spec.minimum)
        return valueRefused(m_rules.illegalValue, kErrorCaption, PromptIcon::Exclamation);
    return std::nullopt;
}

procedurePiece::pointOutcome procedurePiece::programPoint(int row, int value, EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->program(static_cast<std::uint32_t>(value), link);
    storeValue(row, value);
    return {};
}

procedurePiece::pointOutcome procedurePiece::programPointChecked(int row, int value, EnhancedSBEP& link) {
    const int previous = recordValue(row);
    // A point written without any exchange must not inherit the refusal of an earlier request.
    receiveBuffer().clear();
    pointOutcome outcome = programPoint(row, value, link);
    // The radio acknowledges a softpot write it does not take and then answers "unsupported": the write
    // goes on without failing, so the answer is looked at here.
    const ReceiveBuffer& answer = receiveBuffer();
    if (outcome.stored && answer.dataReplyPresent() && answer.dataReplyUnsupported()) {
        storeValue(row, previous);
        const int point = pointOfRow(row);
        outcome = {false, refusedText(point != 0 ? point : row + 1, false)};
    }
    return outcome;
}

void procedurePiece::afterProgram(EnhancedSBEP&) {}

std::optional<PromptMessage> procedurePiece::doneMessage() const {
    return std::nullopt;
}

std::string procedurePiece::refusedText(int point, bool) const {
    return withNumber(m_rules.refusedValue, point);
}

std::string procedurePiece::linkErrorText() const {
    return message::LinkError;
}

bool procedurePiece::sameKeyPlace(int keyedRow, int row) const {
    // Rows that are softpots share the one transmitter state; rows that are points key at their own.
    return !pointRows() || keyedRow == row;
}

std::string procedurePiece::keyedStatus(int row) const {
    return withFrequency(message::KeyedFormat, rowCount() == 0 ? 0.0 : rowFrequency(row));
}

std::string procedurePiece::openedStatus() const {
    return message::Dekeyed;
}

// --- Actions of some procedures ---------------------------------------------------------------------------

bool procedurePiece::offers(sessionAction) const {
    return false;
}

sessionOutcome procedurePiece::act(sessionAction, const actionRequest&, sessionContext&) {
    sessionOutcome outcome;
    outcome.refuse("no-such-action", {kNoSuchActionText, kErrorCaption, PromptIcon::Exclamation});
    return outcome;
}

std::optional<sessionOutcome> procedurePiece::programOwn(sessionContext&) {
    return std::nullopt;
}

void procedurePiece::afterClosing(UserPrompt&) {}

std::string procedurePiece::entry(int) const {
    return {};
}

std::optional<int> procedurePiece::rowReading(int) const {
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> procedurePiece::readouts() const {
    return {};
}

}  // namespace vantrel

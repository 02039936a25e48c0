// The tuning engine: rows, channels, live writes, Program, keying and closing of one procedure.
#include "operations/tuningEngine.h"

#include <algorithm>

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "link/SBEPMessage.h"
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

}  // namespace

const char* valueRefused::what() const noexcept {
    return text.c_str();
}

std::string tuningEngine::outOfRangeText(int value, int minimum, int maximum) {
    return "Softpot Value (" + std::to_string(value) + ") is not between " + std::to_string(minimum) +
           " and " + std::to_string(maximum);
}

tuningEngine::tuningEngine(procedureRules rules, radioStorage& record, std::unique_ptr<tuningDataSet> dataSet)
    : m_rules(std::move(rules)), m_record(record), m_dataSet(std::move(dataSet)) {
    if (!m_dataSet && m_rules.makeDataSet)
        m_dataSet = m_rules.makeDataSet(m_rules);
    buildRows();
}

tuningEngine::~tuningEngine() = default;

std::unique_ptr<tuningEngine> tuningEngine::create(const procedureRules& rules, radioStorage& record,
                                                   std::unique_ptr<tuningDataSet> dataSet) {
    if (rules.makeEngine)
        return rules.makeEngine(rules, record, std::move(dataSet));
    return std::make_unique<tuningEngine>(rules, record, std::move(dataSet));
}

// --- Rows -------------------------------------------------------------------------------------------------

void tuningEngine::buildRows() {
    std::vector<tuningRow> specs = m_rules.rows;
    if (specs.empty()) {
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
    }
    m_rows.resize(specs.size());
    for (size_t i = 0; i < specs.size(); ++i) m_rows[i].spec = specs[i];
}

void tuningEngine::assignPoints() {
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
            row.point = 0;
            row.supported = true;
            row.frequencyMhz = 0.0;
            continue;
        }
        row.point = row.spec.point != 0 ? row.spec.point : chosen;
        const std::uint16_t channel = RF_Frequency::channelAt(r, rx, row.point);
        row.supported = row.point != 0 && channel != 0;
        row.frequencyMhz = row.supported ? m_frequency.pointFrequency(base, channel) : 0.0;
    }
}

const std::vector<tuningEngine::pointInfo>& tuningEngine::points() const {
    m_points.clear();
    for (int i = 0; i < rowCount(); ++i) {
        const Row& r = m_rows[size_t(i)];
        pointInfo p;
        p.row = i;
        p.point = r.point;
        p.frequencyMhz = r.frequencyMhz;
        p.supported = r.supported;
        p.minimum = r.spec.minimum;
        p.maximum = r.spec.maximum;
        p.recordValue = recordValue(i);
        if (!r.spec.label.empty())
            p.label = r.spec.label;
        else if (r.point != 0)
            p.label = "F" + std::to_string(r.point);
        m_points.push_back(p);
    }
    return m_points;
}

int tuningEngine::firstSupportedRow() const {
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[size_t(i)].supported)
            return i;
    }
    return 0;
}

bool tuningEngine::anySupported() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.supported; });
}

int tuningEngine::recordValue(int row) const {
    const tuningRow& spec = rowSpec(row);
    return spec.recordRow == tuningRow::kNoRecord ? 0 : m_record.getValue(spec.recordRow, spec.recordColumn);
}

// --- Radio steps ------------------------------------------------------------------------------------------

void tuningEngine::setupRadio(EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->setupTest(m_record, link);
    if (m_rules.kind == screenLayoutKind::SingleValue) {
        assignPoints();
        selectChannels(0, link);
        return;
    }
    // Seven-point procedures start at F1, or at the first used point of their side.
    const radioStorage& r = m_record;
    const bool rx = m_rules.receiveSide;
    const std::uint16_t tx = rx ? RF_Frequency::channelAt(r, false, 1) : m_frequency.channelFor(r, false, 1);
    const std::uint16_t rxc = m_frequency.channelFor(r, true, 1);
    if ((rx ? rxc : tx) != 0)
        link.setChannelPair(tx, kChannelMode, rxc, kChannelMode);
}

void tuningEngine::selectChannels(int row, EnhancedSBEP& link) {
    const int point = m_rows[size_t(row)].point;
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

void tuningEngine::writeLive(int, int value, EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->setLive(static_cast<std::uint32_t>(value), link);
}

std::optional<valueRefused> tuningEngine::checkValue(int row, std::optional<int> value) const {
    const tuningRow& spec = rowSpec(row);
    if (!value)
        return valueRefused(m_rules.emptyValue, m_rules.emptyValueCaption, m_rules.emptyValueIcon);
    if (*value > spec.maximum || (m_rules.checksMinimum && *value < spec.minimum))
        return valueRefused(m_rules.illegalValue, kErrorCaption, PromptIcon::Exclamation);
    return std::nullopt;
}

bool tuningEngine::inRange(int row, int value) const {
    const tuningRow& spec = rowSpec(row);
    return value >= spec.minimum && value <= spec.maximum;
}

tuningEngine::pointOutcome tuningEngine::programPoint(int row, int value, EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->program(static_cast<std::uint32_t>(value), link);
    storeValue(row, value);
    return {};
}

tuningEngine::pointOutcome tuningEngine::programPointChecked(int row, int value, EnhancedSBEP& link) {
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

void tuningEngine::storeValue(int row, int value) {
    const tuningRow& spec = rowSpec(row);
    if (spec.recordRow == tuningRow::kNoRecord)
        return;
    m_record.setValue(spec.recordRow, spec.recordColumn, value);
}

void tuningEngine::afterProgram(EnhancedSBEP&) {}

std::string tuningEngine::refusedText(int point, bool) const {
    return withNumber(m_rules.refusedValue, point);
}

// --- Session ----------------------------------------------------------------------------------------------

void tuningEngine::checkRow(int row) const {
    if (row < 0 || row >= rowCount())
        throw valueRefused(kNoSuchRowText, kErrorCaption);
    if (!m_rows[size_t(row)].supported)
        throw valueRefused(kUnsupportedRowText, kErrorCaption);
}

void tuningEngine::open(EnhancedSBEP& link) {
    assignPoints();
    for (int i = 0; i < rowCount(); ++i) {
        m_rows[size_t(i)].current = recordValue(i);
        m_rows[size_t(i)].selected = false;
    }
    m_selectedRow = firstSupportedRow();
    setupRadio(link);
}

void tuningEngine::selectRow(int row, EnhancedSBEP& link) {
    checkRow(row);
    // Rows that are points key at their own point: keyed elsewhere, the transmitter goes off first.
    if (m_keyed && pointRows() && m_keyedRow != row)
        dekey(link);
    m_selectedRow = row;
    if (!m_keyed) {
        selectChannels(row, link);
        for (Row& r : m_rows) r.selected = false;
        m_rows[size_t(row)].selected = true;
    }
}

void tuningEngine::key(EnhancedSBEP& link) {
    if (!keys())
        throw valueRefused(kNoPttText, kErrorCaption);
    checkRow(m_selectedRow);
    if (m_keyed && m_keyedRow == m_selectedRow)
        return;
    if (m_keyed)
        dekey(link);
    if (!m_rows[size_t(m_selectedRow)].selected)
        selectRow(m_selectedRow, link);
    // The radio counts as keyed from the moment the request may have reached it.
    m_keyed = true;
    m_keyedRow = m_selectedRow;
    link.keyUp();
    writeLive(m_selectedRow, m_rows[size_t(m_selectedRow)].current, link);
}

void tuningEngine::dekey(EnhancedSBEP& link) {
    if (!m_keyed)
        return;
    link.dekey();
    m_keyed = false;
}

int tuningEngine::currentValue(int row) const {
    return m_rows[size_t(row)].current;
}

void tuningEngine::live(int row, int value, EnhancedSBEP& link) {
    checkRow(row);
    const tuningRow& spec = rowSpec(row);
    if (!inRange(row, value))
        throw valueRefused(outOfRangeText(value, spec.minimum, spec.maximum), kOutOfRangeCaption);
    if (m_keyed && pointRows() && m_keyedRow != row)
        throw valueRefused(kKeyedElsewhereText, kErrorCaption);
    if (!m_keyed && (m_selectedRow != row || !m_rows[size_t(row)].selected))
        selectRow(row, link);
    m_selectedRow = row;
    if (m_keyed || liveWhileDekeyed())
        writeLive(row, value, link);
    m_rows[size_t(row)].current = value;
}

tuningEngine::programResult tuningEngine::program(const std::vector<std::optional<int>>& values,
                                                  EnhancedSBEP& link, programResult* progress) {
    // Every value is checked before anything goes to the radio.
    for (int i = 0; i < rowCount(); ++i) {
        if (!m_rows[size_t(i)].supported)
            continue;
        const std::optional<int> value = size_t(i) < values.size() ? values[size_t(i)] : std::nullopt;
        if (std::optional<valueRefused> refused = checkValue(i, value))
            throw *refused;
        // Below the range is never sent, even where the screen checks only the maximum.
        if (*value < rowSpec(i).minimum)
            throw valueRefused(m_rules.illegalValue, kErrorCaption);
    }
    programResult local;
    programResult& result = progress ? *progress : local;
    result = programResult();
    dekey(link);
    for (int i = 0; i < rowCount(); ++i) {
        if (!m_rows[size_t(i)].supported)
            continue;
        const int value = *values[size_t(i)];
        result.failedRow = i;
        selectChannels(i, link);
        const pointOutcome outcome = programPointChecked(i, value, link);
        result.failedRow.reset();
        if (outcome.stored) {
            result.programmedRows.push_back(i);
            m_rows[size_t(i)].current = value;
        } else {
            result.ok = false;
            result.refusedRows.push_back(i);
            if (!result.refusedText.empty())
                result.refusedText += '\n';
            result.refusedText += outcome.refusedText;
        }
    }
    if (m_rules.storeAllAfterRun) {
        // A point the radio or the procedure refused keeps the record's value: it was not programmed.
        for (int i = 0; i < rowCount(); ++i) {
            if (std::find(result.refusedRows.begin(), result.refusedRows.end(), i) ==
                result.refusedRows.end())
                storeValue(i, m_rows[size_t(i)].supported ? *values[size_t(i)] : 0);
        }
    }
    afterProgram(link);
    for (Row& r : m_rows) r.selected = false;
    if (m_rules.preparesAfterProgram && rowCount() > 0 && m_rows[size_t(m_selectedRow)].supported) {
        selectChannels(m_selectedRow, link);
        m_rows[size_t(m_selectedRow)].selected = true;
    }
    return result;
}

bool tuningEngine::close(EnhancedSBEP& link) {
    bool dekeyed = true;
    if (m_rules.capabilities.dekeyAtClose || m_keyed) {
        try {
            link.dekey();
            m_keyed = false;
        } catch (const Exception&) {
            dekeyed = !m_keyed;
        }
    }
    // Out of test mode whatever the dekey answered: a radio left in test mode is worse than a reset sent
    // to a radio that may still transmit.
    try {
        link.resetRadio();
        m_resetConfirmed = true;
    } catch (const Exception&) {
        m_resetConfirmed = false;
    }
    for (Row& r : m_rows) r.selected = false;
    return dekeyed;
}

}  // namespace vantrel

// Service events of the radio operations, named with the names of the record comparison.
#include "operations/serviceHistory.h"

#include <exception>
#include <string_view>
#include <vector>

#include "history/sha256.h"
#include "operations/ArchiveLayout.h"
#include "operations/operationFailure.h"
#include "operations/procedureCatalogue.h"
#include "operations/procedurePiece.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "operations/recordCompare.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel::serviceHistory {

namespace {

using Labels = ComparedValues::Labels;
constexpr int kPoints = record::kPointCount;

std::string withoutTrailing(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

std::string label(const ComparedValues& values, int i) {
    switch (values.labels) {
        case Labels::Points:
            return std::string(values.name) + " F" + std::to_string(i + 1);
        case Labels::Numbers:
            return std::string(values.name) + " " + std::to_string(i + 1);
        case Labels::None:
            break;
    }
    return values.name;
}

/// The run of compared values a place belongs to and its index there; nullptr when none.
const ComparedValues* comparedAt(int row, int column, int& index) {
    for (const ComparedValues& values : recordCompare::comparedValues()) {
        if (values.row != row || column < values.firstColumn)
            continue;
        const int offset = column - values.firstColumn;
        if (offset % values.stride == 0 && offset / values.stride < values.count) {
            index = offset / values.stride;
            return &values;
        }
    }
    return nullptr;
}

void addCell(std::vector<EventValue>& out, const radioStorage& record, int row, int column) {
    out.push_back({valueName(row, column), row, column, std::nullopt, record.getValue(row, column)});
}

/// The record places a Program All procedure writes, by the name it reports the procedure under.
struct programmedRun {
    std::string_view procedure;
    int row;
    int firstColumn;
    int count;
    int stride = 1;
    int flag = archive::kNoFlag;  ///< written only when the record holds this flag (PA bias)
};

/// The procedures a window also shows go by their window's title, as Program All reports them.
const std::vector<programmedRun>& programmedRuns() {
    static const std::vector<programmedRun> runs = {
        {"Reference Oscillator", row::RefOscWarp, col::Single, 1},
        {catalogueTitle("tx-high-power"), row::TxPower, col::TxPowerHigh, kPoints},
        {catalogueTitle("tx-low-power"), row::TxPower, col::TxPowerLow, kPoints},
        {"Transmit Third Power", row::TxPowerThird, col::SetFirst, kPoints},
        {"PA Voltage Limit", row::PaVoltageLimit, col::SetFirst, kPoints},
        {catalogueTitle("mod-balance-attn"), row::ModAttenuation, col::SetThird, kPoints},
        {"VCO Attenuation 25 kHz", row::VcoAttenuation, col::Spacing25k, kPoints},
        {"VCO Attenuation 20 kHz", row::VcoAttenuation, col::Spacing20k + kPoints - 1, 1},
        {"VCO Attenuation 12.5 kHz", row::VcoAttenuation, col::Spacing12k5 + kPoints - 1, 1},
        {"DTMF Deviation", row::DtmfDeviation, col::Single, 1},
        {"PA Bias", row::PaBias, col::PaBiasFirstHigh, 1, 1, flag::PaBiasFirstHigh},
        {"PA Bias", row::PaBias, col::PaBiasSecondHigh, 1, 1, flag::PaBiasSecond},
        {"PA Bias", row::PaBias, col::PaBiasThirdHigh, 1, 1, flag::PaBiasThird},
        {"PA Bias", row::PaBias, col::PaBiasFirstLow, 1, 1, flag::PaBiasFirstLow},
        {"QDT1200 Deviation", row::Qdt1200Deviation, col::Single, 1},
        {"Select 5 Deviation", row::Select5Deviation, col::Single, 1},
        {"MPT1327 Deviation", row::Mpt1327Deviation, col::Single, 1},
        {"HSS Deviation", row::HssDeviation, col::Single, 1},
        {catalogueTitle("rx-front-end-filter"), row::FrontEndFilter, col::SetFirst, kPoints},
        {"Auto Squelch 12.5 kHz", row::AutoSquelch, col::Spacing12k5, kPoints},
        {"Auto Squelch 20 kHz", row::AutoSquelch, col::Spacing20k, kPoints},
        {"Auto Squelch 25 kHz", row::AutoSquelch, col::Spacing25k, kPoints},
        {"Rated Volume", row::RatedVolume, col::RatedVolume, 1},
        {"RSSI", row::Rssi, col::RssiFirst, 3},
        {"Temp Comp", row::Frequency, col::TempCompFirst, col::TempCompCount},
        {"Mobile Transmit Power", row::MobilePower, col::KmFirst, col::KmCount},
        {catalogueTitle("battery-threshold"), row::Parameters, col::BatteryThreshold, 1},
        {"Brightline Rated Volume", row::RatedVolume, col::RatedVolumeBrightline, 1},
    };
    return runs;
}

void addProgrammed(std::vector<EventValue>& out, const radioStorage& record, std::string_view procedure,
                   const std::vector<int>* points) {
    for (const programmedRun& run : programmedRuns()) {
        if (run.procedure != procedure || (run.flag != archive::kNoFlag && !record.isSupported(run.flag)))
            continue;
        for (int i = 0; i < run.count; ++i) {
            const int column = run.firstColumn + i * run.stride;
            if (points) {
                // The mobile power table holds K and M of point n in columns 2(n-1) and 2(n-1)+1.
                const int point = run.row == row::MobilePower ? i / 2 + 1 : i + 1;
                if (std::find(points->begin(), points->end(), point) == points->end())
                    continue;
            }
            addCell(out, record, run.row, column);
        }
    }
}

std::string hexOf(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        out += kHex[u >> 4];
        out += kHex[u & 0xF];
    }
    return out;
}

}  // namespace

std::string valueName(int row, int column) {
    if (row == row::Frequency) {
        if (column >= col::TxPointFirst && column < col::TxPointFirst + kPoints)
            return "Transmit F" + std::to_string(column - col::TxPointFirst + 1);
        if (column >= col::RxPointFirst && column < col::RxPointFirst + kPoints)
            return "Receive F" + std::to_string(column - col::RxPointFirst + 1);
        if (column == col::FrequencyBase)
            return "Base Frequency";
        if (column == col::TuningProcedure)
            return "Tuning Procedure";
    }
    int index = 0;
    if (const ComparedValues* values = comparedAt(row, column, index))
        return label(*values, index);
    return "values[" + std::to_string(row) + "][" + std::to_string(column) + "]";
}

std::string serialOf(const radioStorage& record) {
    return withoutTrailing(record.serialNoBytes());
}

std::string modelOf(const radioStorage& record) {
    return withoutTrailing(record.modelNoBytes().substr(0, archive::kVersionCharInModel));
}

std::vector<EventValue> heldValues(const radioStorage& record) {
    std::vector<EventValue> out;
    addCell(out, record, row::Frequency, col::TuningProcedure);
    addCell(out, record, row::Frequency, col::FrequencyBase);
    for (int i = 0; i < kPoints; ++i) addCell(out, record, row::Frequency, col::TxPointFirst + i);
    for (int i = 0; i < kPoints; ++i) addCell(out, record, row::Frequency, col::RxPointFirst + i);
    for (const ComparedValues& values : recordCompare::comparedValues()) {
        if (values.flag != archive::kNoFlag && !record.isSupported(values.flag))
            continue;
        for (int i = 0; i < values.count; ++i)
            addCell(out, record, values.row, values.firstColumn + i * values.stride);
    }
    return out;
}

std::vector<EventValue> programmedValues(const radioStorage& record, const operationFailure& written) {
    std::vector<EventValue> out;
    std::vector<std::string_view> seen;
    for (const std::string& procedure : written.written) {
        // PA bias lists each of its softpots under one name: its places go in once.
        if (std::find(seen.begin(), seen.end(), procedure) != seen.end())
            continue;
        seen.push_back(procedure);
        addProgrammed(out, record, procedure, nullptr);
    }
    if (!written.partlyProcedure.empty())
        addProgrammed(out, record, written.partlyProcedure, &written.partlyPoints);
    return out;
}

void fillRecord(const ServiceEvent& event, radioStorage& record) {
    record.setSerialNo(event.serial);
    record.setModelNo(event.model + std::string(16, ' '));
    for (const ComparedSet& set : recordCompare::comparedSets()) record.markUnsupported(set.flag);
    for (const EventValue& value : event.values) {
        if (value.row < 0 || value.row >= record::kRows || value.column < 0 ||
            value.column >= record::kColumns || !value.after)
            continue;
        record.setValue(value.row, value.column, static_cast<std::int32_t>(*value.after));
        int index = 0;
        if (const ComparedValues* values = comparedAt(value.row, value.column, index);
            values && values->flag != archive::kNoFlag)
            record.markSupported(values->flag);
    }
}

std::vector<recordCell> cellsOf(const procedurePiece& piece) {
    std::vector<recordCell> cells;
    for (int i = 0; i < piece.rowCount(); ++i) {
        const tuningRow& spec = piece.rowSpec(i);
        if (spec.recordRow != tuningRow::kNoRecord && piece.rowSupported(i))
            cells.push_back({spec.recordRow, spec.recordColumn});
    }
    return cells;
}

std::vector<recordCell> tempCompCells() {
    std::vector<recordCell> cells;
    for (int i = 0; i < col::TempCompCount; ++i) cells.push_back({row::Frequency, col::TempCompFirst + i});
    return cells;
}

std::vector<recordCell> cellsOfFlag(int flag) {
    std::vector<recordCell> cells;
    for (const ComparedValues& values : recordCompare::comparedValues())
        if (values.flag == flag)
            for (int i = 0; i < values.count; ++i)
                cells.push_back({values.row, values.firstColumn + i * values.stride});
    return cells;
}

void recordArchive(EventKind kind, const std::string& path, const radioStorage& record, bool succeeded,
                   const std::string& detail) {
    if (!historySink())
        return;
    ServiceEvent event;
    event.kind = kind;
    event.subject = kind == EventKind::ArchiveSave ? "Save Archive File" : "Load Archive File";
    event.fileName = path;
    event.fileHash = fileDigest(path).value_or("");
    event.outcome = succeeded ? eventOutcome::Ok : eventOutcome::Failed;
    event.detail = detail;
    if (succeeded) {
        event.serial = serialOf(record);
        event.model = modelOf(record);
    }
    recordServiceEvent(std::move(event));
}

void recordUtility(const std::string& subject, const std::string& serial, const std::string& model,
                   std::vector<EventValue> values, const std::string& outcome, const std::string& detail) {
    if (!historySink())
        return;
    ServiceEvent event;
    event.kind = EventKind::Utility;
    event.subject = subject;
    event.serial = withoutTrailing(serial);
    event.model = withoutTrailing(model);
    event.values = std::move(values);
    event.outcome = outcome;
    event.detail = detail;
    recordServiceEvent(std::move(event));
}

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        if (!line.empty())
            text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

void recordRead(const radioStorage& read, const ReadRadioOutcome& outcome, const std::string& stopped) {
    if (!historySink())
        return;
    using Kind = ReadRadioOutcome::Kind;
    ServiceEvent event;
    event.kind = EventKind::Read;
    event.subject = kReadSubject;
    event.serial = serialOf(read);
    event.model = modelOf(read);
    std::vector<std::string> lines;
    for (const PromptMessage& message : radioOperations::messagesFor(outcome)) lines.push_back(message.text);
    for (const std::string& line : outcome.failure.detailLines(false)) lines.push_back(line);
    bool valuesRead = true;
    switch (outcome.kind) {
        case Kind::Read:
            event.outcome = eventOutcome::Ok;
            break;
        case Kind::PointsInvalid:
            event.outcome = eventOutcome::InvalidPoints;
            break;
        case Kind::PowerUpFailed:
            event.outcome = eventOutcome::PowerUpFailed;
            lines.push_back("power-up status " + std::to_string(outcome.status));
            valuesRead = false;
            break;
        case Kind::LinkFailed:
            event.outcome = eventOutcome::Failed;
            break;
        case Kind::PortInUse:
            event.outcome = eventOutcome::PortBusy;
            lines.push_back(outcome.failure.cause);
            valuesRead = false;
            break;
        case Kind::Cancelled:
            event.outcome = eventOutcome::Cancelled;
            break;
    }
    if (!stopped.empty()) {
        event.outcome = eventOutcome::Stopped;
        lines = {"stopped: " + stopped};
    }
    if (valuesRead && !event.serial.empty()) {
        lines.push_back(identityDetail(read));
        event.values = heldValues(read);
    }
    event.detail = joined(lines);
    recordServiceEvent(std::move(event));
}

void recordProgramAll(const radioStorage& record, ProgramOutcome outcome, const operationFailure& progress,
                      const operationFailure& failure, const std::string& connectedSerial,
                      const std::string& stopped) {
    if (!historySink())
        return;
    ServiceEvent event;
    event.kind = EventKind::ProgramAll;
    event.subject = kProgramAllSubject;
    event.serial = serialOf(record);
    event.model = modelOf(record);
    event.values = programmedValues(record, progress);
    std::vector<std::string> lines{radioProgramAll::messageFor(outcome, failure).text};
    switch (outcome) {
        case ProgramOutcome::Programmed:
            event.outcome = eventOutcome::Ok;
            break;
        case ProgramOutcome::SerialMismatch:
            event.outcome = eventOutcome::SerialMismatch;
            lines.push_back("the radio connected answers the serial number \"" +
                            withoutTrailing(connectedSerial) + "\"; nothing was written");
            break;
        case ProgramOutcome::LinkFailed:
            event.outcome = eventOutcome::Failed;
            for (const std::string& line : failure.detailLines(true)) lines.push_back(line);
            break;
        case ProgramOutcome::PortInUse:
            event.outcome = eventOutcome::PortBusy;
            lines.push_back(failure.cause);
            break;
        case ProgramOutcome::Cancelled:
            event.outcome = eventOutcome::Cancelled;
            break;
    }
    if (!stopped.empty()) {
        event.outcome = eventOutcome::Stopped;
        lines = {"stopped: " + stopped};
        for (const std::string& line : failure.detailLines(true)) lines.push_back(line);
    }
    event.detail = joined(lines);
    recordServiceEvent(std::move(event));
}

/// Identity beyond serial and model, for a read's detail.
std::string identityDetail(const radioStorage& record) {
    return "data version " + std::to_string(record.getDataVersion()) + ", IC version " +
           hexOf(record.icVersionBytes()) + ", unique identifier " + hexOf(record.uuidBytes());
}

}  // namespace vantrel::serviceHistory

namespace vantrel {

historyScope::historyScope(const radioStorage& record, EventKind kind, std::string subject,
                           std::vector<serviceHistory::recordCell> cells)
    : m_record(record),
      m_kind(kind),
      m_subject(std::move(subject)),
      m_cells(std::move(cells)),
      m_exceptions(std::uncaught_exceptions()) {
    // Nothing is kept without a sink: a screen without a history pays nothing.
    if (historySink()) {
        m_before = std::make_unique<radioStorage>();
        m_before->copyFrom(record);
    }
}

void historyScope::setOutcome(std::string outcome, std::string detail) {
    m_outcome = std::move(outcome);
    m_detail = std::move(detail);
}

historyScope::~historyScope() {
    if (!m_before)
        return;
    try {
        ServiceEvent event;
        event.kind = m_kind;
        event.subject = m_subject;
        event.serial = serviceHistory::serialOf(m_record);
        if (event.serial.empty())
            event.serial = serviceHistory::serialOf(*m_before);
        event.model = serviceHistory::modelOf(m_record);
        for (const serviceHistory::recordCell& cell : m_cells)
            event.values.push_back({serviceHistory::valueName(cell.row, cell.column), cell.row, cell.column,
                                    m_before->getValue(cell.row, cell.column),
                                    m_record.getValue(cell.row, cell.column)});
        for (int r = 0; r < record::kRows; ++r)
            for (int c = 0; c < record::kColumns; ++c) {
                const serviceHistory::recordCell cell{r, c};
                if (m_before->getValue(r, c) != m_record.getValue(r, c) &&
                    std::find(m_cells.begin(), m_cells.end(), cell) == m_cells.end())
                    event.values.push_back({serviceHistory::valueName(r, c), r, c, m_before->getValue(r, c),
                                            m_record.getValue(r, c)});
            }
        for (EventValue& v : m_extra) event.values.push_back(std::move(v));
        if (!m_outcome.empty()) {
            event.outcome = m_outcome;
            event.detail = m_detail;
        } else if (m_done) {
            event.outcome = eventOutcome::Ok;
        } else {
            event.outcome = eventOutcome::Failed;
            event.detail = std::uncaught_exceptions() > m_exceptions
                               ? "stopped by a failure; the values after are what reached the radio"
                               : "stopped before its end; the values after are what reached the radio";
        }
        recordServiceEvent(std::move(event));
    } catch (...) {
        // Recording never turns an action into a failure.
    }
}

}  // namespace vantrel

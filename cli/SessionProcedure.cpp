// vantrel-cli session: the commands of an open procedure, on the tuning engine the screens use.
#include <limits>
#include <stdexcept>

#include "cli/CliSession.h"
#include "link/Exceptions.h"
#include "operations/radioOperations.h"
#include "operations/serviceHistory.h"
#include "operations/tuningEngine.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

// Texts the user knows from the application.
constexpr const char* kMismatchText = "Serial No. mismatch!! Read in new radio?";

constexpr const char* kRefusalCodes[] = {"", "unknown-procedure", "not-on-this-radio", "not-scriptable"};

/// An integer member of a request that fits an int; refuses with "bad-argument" otherwise.
int integerArgument(const nlohmann::ordered_json& request, const char* member, const char* command) {
    if (!request.contains(member))
        throw std::invalid_argument(std::string(command) + " needs \"" + member + "\"");
    const auto& value = request[member];
    if (!value.is_number_integer())
        throw std::invalid_argument(std::string("\"") + member + "\" must be a whole number");
    const auto wide = value.get<long long>();
    if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
        throw std::invalid_argument(std::string("\"") + member + "\" is too large");
    return static_cast<int>(wide);
}

}  // namespace

bool CliSession::engineKeyed() const {
    return m_engine && m_engine->keyed();
}

tuningEngine& CliSession::needEngine() {
    if (!m_engine)
        refuse("no-procedure", "no procedure is open: send open first");
    return *m_engine;
}

int CliSession::pointNumberOfRow(int row) const {
    for (const tuningEngine::pointInfo& info : m_engine->points())
        if (info.row == row)
            return info.point != 0 ? info.point : row + 1;
    return row + 1;
}

int CliSession::rowOfPoint(int point) const {
    for (const tuningEngine::pointInfo& info : m_engine->points()) {
        if ((info.point != 0 ? info.point : info.row + 1) != point)
            continue;
        if (!info.supported)
            refuse("unsupported-point", tuningEngine::kUnsupportedRowText);
        return info.row;
    }
    refuse("unsupported-point", tuningEngine::kNoSuchRowText);
}

CliSession::Json CliSession::proceduresCommand(const Json&) {
    Json list = Json::array();
    for (const procedureInfo& info : procedureNames()) {
        Json entry = Json{{"name", info.name}, {"title", info.title}};
        if (m_haveRecord) {
            engineRefusal refusal = engineRefusal::None;
            const bool available = makeEngine(info.name, *m_record, &refusal) != nullptr;
            entry["onThisRadio"] = available || refusal == engineRefusal::NotScriptable;
            entry["scriptable"] = refusal != engineRefusal::NotScriptable;
        }
        list.push_back(std::move(entry));
    }
    return Json{{"procedures", std::move(list)}};
}

CliSession::Json CliSession::openCommand(const Json& request) {
    if (!request.contains("procedure") || !request["procedure"].is_string())
        refuse("bad-argument", "open needs \"procedure\": a name from procedures");
    const std::string name = request["procedure"].get<std::string>();
    radioStorage& record = needRecord();
    // A refused name leaves the open procedure as it is.
    engineRefusal refusal = engineRefusal::None;
    std::string text;
    std::unique_ptr<tuningEngine> engine = makeEngine(name, record, &refusal, &text);
    if (!engine)
        refuse(kRefusalCodes[static_cast<int>(refusal == engineRefusal::None ? engineRefusal::UnknownName
                                                                             : refusal)],
               text);
    Json answer = Json::object();
    // One procedure at a time, as one screen at a time: the open one is closed first.
    if (m_engine)
        answer["closed"] = closeProcedure();
    withLink([&](EnhancedSBEP& link) {
        radioOperations operations;
        if (!operations.serialMatches(record, link))
            refuse("serial-mismatch", kMismatchText, Json{{"connected", operations.lastSerialRead()}});
        m_engine = std::move(engine);
        m_procedure = name;
        m_radioTouched = true;
        m_engine->open(link);
        m_selectedRow = m_engine->selectedRow();
    });
    Json points = Json::array();
    for (const tuningEngine::pointInfo& info : m_engine->points()) {
        Json point = Json{{"point", info.point != 0 ? info.point : info.row + 1},
                          {"label", info.label},
                          {"supported", info.supported}};
        if (info.frequencyMhz != 0)
            point["frequency"] = info.frequencyMhz;
        if (info.supported) {
            point["minimum"] = info.minimum;
            point["maximum"] = info.maximum;
            point["default"] = info.recordValue;
        }
        points.push_back(std::move(point));
    }
    answer["procedure"] = name;
    answer["keys"] = m_engine->keys();
    answer["selected"] = pointNumberOfRow(m_selectedRow);
    answer["points"] = std::move(points);
    return answer;
}

CliSession::Json CliSession::pointCommand(const Json& request) {
    tuningEngine& engine = needEngine();
    int point = 0;
    try {
        point = integerArgument(request, "point", "point");
    } catch (const std::invalid_argument& e) {
        refuse("bad-argument", e.what());
    }
    const int row = rowOfPoint(point);
    m_selectedRow = row;
    // While keyed elsewhere the channels stay where they are: the transmitter never moves on the air.
    if (engine.keyed() && engine.selectedRow() != row)
        return Json{{"point", point}, {"keyedAt", pointNumberOfRow(engine.selectedRow())}};
    if (!engine.keyed())
        withLink([&](EnhancedSBEP& link) { engine.selectRow(row, link); });
    return Json{{"point", point}};
}

void CliSession::needSelectedNotKeyedElsewhere(const char* command) {
    tuningEngine& engine = *m_engine;
    if (engine.keyed() && engine.selectedRow() != m_selectedRow)
        refuse("keyed-elsewhere", tuningEngine::kKeyedElsewhereText,
               Json{{"keyedAt", pointNumberOfRow(engine.selectedRow())}, {"refused", command}});
}

CliSession::Json CliSession::keyCommand(const Json&) {
    tuningEngine& engine = needEngine();
    if (!engine.keys())
        refuse("refused", tuningEngine::kNoPttText);
    needSelectedNotKeyedElsewhere("key");
    if (!engine.keyed())
        withLink([&](EnhancedSBEP& link) {
            if (engine.selectedRow() != m_selectedRow)
                engine.selectRow(m_selectedRow, link);
            engine.key(link);
        });
    return Json{{"keyed", engine.keyed()}, {"point", pointNumberOfRow(m_selectedRow)}};
}

CliSession::Json CliSession::dekeyCommand(const Json&) {
    tuningEngine& engine = needEngine();
    if (engine.keyed())
        withLink([&](EnhancedSBEP& link) { engine.dekey(link); });
    return Json{{"keyed", engine.keyed()}};
}

CliSession::Json CliSession::liveCommand(const Json& request) {
    tuningEngine& engine = needEngine();
    int value = 0;
    try {
        value = integerArgument(request, "value", "live");
    } catch (const std::invalid_argument& e) {
        refuse("bad-argument", e.what());
    }
    needSelectedNotKeyedElsewhere("live");
    if (engine.keys() && !engine.liveWhileDekeyed() && !engine.keyed())
        refuse("not-keyed", "live refused: " + m_procedure + " sends values while keyed: send key first");
    withLink([&](EnhancedSBEP& link) {
        try {
            if (engine.selectedRow() != m_selectedRow)
                engine.selectRow(m_selectedRow, link);
            engine.live(m_selectedRow, value, link);
        } catch (const valueRefused& e) {
            refuse("out-of-range", e.text, Json{{"caption", e.caption}});
        }
    });
    return Json{{"point", pointNumberOfRow(m_selectedRow)}, {"value", value}};
}

namespace {

/// The title a procedure's window shows, which its events carry (the script name when it has none).
std::string procedureTitle(const std::string& name) {
    for (const procedureInfo& info : procedureNames())
        if (info.name == name)
            return info.title;
    return name;
}

}  // namespace

CliSession::Json CliSession::programCommand(const Json& request) {
    tuningEngine& engine = needEngine();
    // A copy: a link failure closes the procedure, and its points still name what reached the radio.
    const std::vector<tuningEngine::pointInfo> points = engine.points();
    auto pointNumbers = [&points](const std::vector<int>& rows) {
        Json numbers = Json::array();
        for (const int row : rows)
            for (const tuningEngine::pointInfo& info : points)
                if (info.row == row)
                    numbers.push_back(info.point != 0 ? info.point : row + 1);
        return numbers;
    };
    std::vector<std::optional<int>> values(points.size());
    // The working values: the last value sent live at each point, else the record's.
    for (std::size_t i = 0; i < points.size(); ++i) values[i] = engine.currentValue(points[i].row);
    if (request.contains("values")) {
        if (!request["values"].is_object())
            refuse("bad-argument", "\"values\" maps point numbers to values: {\"1\":105}");
        for (const auto& [key, value] : request["values"].items()) {
            int point = 0;
            try {
                std::size_t used = 0;
                point = std::stoi(key, &used);
                if (used != key.size())
                    throw std::invalid_argument(key);
            } catch (const std::exception&) {
                refuse("bad-argument", "\"values\": \"" + key + "\" is not a point number");
            }
            const int row = rowOfPoint(point);
            std::size_t index = 0;
            while (points[index].row != row) ++index;
            if (value.is_null() || (value.is_string() && value.get<std::string>().empty())) {
                values[index] = std::nullopt;  // an empty box
            } else {
                try {
                    values[index] = integerArgument(Json{{"v", value}}, "v", "program");
                } catch (const std::invalid_argument&) {
                    refuse("bad-argument",
                           "\"values\": the value of point " + key + " must be a whole number");
                }
            }
        }
    }
    tuningEngine::programResult result;
    try {
        withLink([&](EnhancedSBEP& link) {
            radioOperations operations;
            if (!operations.serialMatches(*m_record, link))
                refuse("serial-mismatch", kMismatchText, Json{{"connected", operations.lastSerialRead()}});
            // The program goes into the service history with what reached the radio, however it ends.
            historyScope history(*m_record, EventKind::Program, procedureTitle(m_procedure),
                                 serviceHistory::cellsOf(engine));
            try {
                engine.program(values, link, &result);
                history.done();
                if (!result.ok)
                    history.setOutcome(eventOutcome::Refused, result.refusedText);
            } catch (const valueRefused& e) {
                history.setOutcome(eventOutcome::Refused, e.text);
                // Which check refused: the first supported row left empty or out of its range.
                std::string code = "refused";
                for (std::size_t i = 0; i < points.size(); ++i) {
                    if (!points[i].supported)
                        continue;
                    if (!values[i]) {
                        code = "empty-value";
                        break;
                    }
                    if (*values[i] < points[i].minimum || *values[i] > points[i].maximum) {
                        code = "out-of-range";
                        break;
                    }
                }
                refuse(code, e.text, Json{{"caption", e.caption}});
            }
        });
    } catch (const OperationInterrupted&) {
        // The stop's last answer says it instead.
        m_stopMembers = Json{{"programmed", pointNumbers(result.programmedRows)}};
        throw;
    } catch (Refusal& refusal) {
        // Every failure says which points reached the radio before it, as Program All's does.
        const Json programmed = pointNumbers(result.programmedRows);
        refusal.members["programmed"] = programmed;
        if (result.failedRow)
            refusal.members["failedAt"] = pointNumbers({*result.failedRow})[0];
        if (refusal.code == "link-failure") {
            std::string detail = refusal.extra.value("detail", std::string());
            std::string done;
            for (const Json& point : programmed) done += (done.empty() ? "" : ", ") + point.dump();
            detail += std::string(detail.empty() ? "" : "\n") +
                      (done.empty() ? "nothing was programmed" : "already programmed: points " + done);
            refusal.extra["detail"] = detail;
        }
        throw;
    }
    // Only the points the radio took count as programmed; a point it or the procedure refused is named.
    if (!result.ok)
        refuse("refused", result.refusedText, Json::object(),
               Json{{"programmed", pointNumbers(result.programmedRows)},
                    {"refusedPoints", pointNumbers(result.refusedRows)}});
    return Json{{"programmed", pointNumbers(result.programmedRows)}};
}

CliSession::Json CliSession::closeCommand(const Json&) {
    needEngine();
    return Json{{"closed", closeProcedure()}};
}

}  // namespace vantrel

// vantrel-cli session: the commands of an open procedure, one to one on the tuning session.
#include <limits>
#include <stdexcept>

#include "cli/CliSession.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/cominit.h"
#include "operations/procedureCatalogue.h"
#include "operations/tuningSession.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

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

/// The actions as scripts name them.
struct actionName {
    const char* name;
    sessionAction action;
};
constexpr actionName kActions[] = {
    {"auto-tune", sessionAction::AutoTune}, {"toggle", sessionAction::Toggle},
    {"update", sessionAction::Update},      {"reading", sessionAction::Reading},
    {"spacing", sessionAction::Spacing},
};

const char* kindName(catalogueKind kind) {
    switch (kind) {
        case catalogueKind::Variant:
            return "variant";
        case catalogueKind::Utility:
            return "utility";
        case catalogueKind::Procedure:
            break;
    }
    return "procedure";
}

}  // namespace

bool CliSession::sessionKeyed() const {
    return m_session && m_session->keyed();
}

tuningSession& CliSession::needSession() {
    if (!m_session)
        refuse("no-procedure", "no procedure is open: send open first");
    return *m_session;
}

int CliSession::pointNumberOfRow(int row) const {
    const sessionState state = m_session->state();
    return row >= 0 && row < int(state.rows.size()) ? state.rows[size_t(row)].number : row + 1;
}

int CliSession::rowOfPoint(int point) const {
    const sessionState state = m_session->state();
    for (std::size_t i = 0; i < state.rows.size(); ++i)
        if (state.rows[i].number == point)
            return int(i);
    refuse("unsupported-point", tuningSession::kNoSuchRowText);
}

std::unique_ptr<tuningSession> CliSession::makeSession(const std::string& name, radioStorage& record) {
    sessionEnvironment environment;
    environment.record = &record;
    environment.openConnection = [] { return std::make_unique<cominit>(); };
    // The script answers for itself: questions are taken as asked (the request is the consent), and a
    // radio that is not the record's is never re-read behind the script's back.
    environment.prompt = m_prompt.get();
    environment.programDirectory = linkContext().programDirectory;
    tuningSession::refusal why = tuningSession::refusal::None;
    std::string text;
    std::unique_ptr<tuningSession> session = tuningSession::create(name, environment, &why, &text);
    if (!session)
        refuse(why == tuningSession::refusal::NotOnThisRadio ? "not-on-this-radio" : "unknown-procedure",
               text);
    return session;
}

void CliSession::answerOutcome(const sessionOutcome& outcome, const char* command) {
    using Kind = sessionOutcome::Kind;
    switch (outcome.kind) {
        case Kind::Done:
            return;
        case Kind::Refused:
        case Kind::Cancelled: {
            Json members = Json::object();
            if (outcome.code == "keyed-elsewhere")
                members = Json{{"keyedAt", pointNumberOfRow(m_session->keyedRow())}, {"refused", command}};
            Json extra = Json::object();
            if (!outcome.message.caption.empty())
                extra["caption"] = outcome.message.caption;
            refuse(outcome.code.empty() ? "refused" : outcome.code, outcome.message.text, extra, members);
        }
        case Kind::Mismatch:
            refuse("serial-mismatch", outcome.message.text, Json{{"connected", outcome.connectedSerial}});
        case Kind::PortBusy: {
            Json members = Json::object();
            // The radio cannot be reached to dekey it.
            if (sessionKeyed() || m_stillKeyed)
                members["warning"] = kStillKeyedText;
            refuse("port", outcome.message.text, Json{{"detail", outcome.detail}}, std::move(members));
        }
        case Kind::LinkFailed:
            linkFailed(outcome.detail.empty() ? outcome.message.text : outcome.detail);
        case Kind::Stopped:
            throw OperationInterrupted(outcome.signal);
    }
}

CliSession::Json CliSession::proceduresCommand(const Json&) {
    Json list = Json::array();
    for (const catalogueEntry& entry : catalogue()) {
        Json row = Json{{"name", entry.name},
                        {"title", entry.title},
                        {"kind", kindName(entry.kind)},
                        {"description", entry.description}};
        if (m_haveRecord) {
            row["onThisRadio"] = availableOnRadio(entry, *m_record);
            row["scriptable"] = true;
        }
        list.push_back(std::move(row));
    }
    return Json{{"procedures", std::move(list)}};
}

CliSession::Json CliSession::openCommand(const Json& request) {
    if (!request.contains("procedure") || !request["procedure"].is_string())
        refuse("bad-argument", "open needs \"procedure\": a name from procedures");
    const std::string name = request["procedure"].get<std::string>();
    radioStorage& record = needRecord();
    // A refused name leaves the open procedure as it is.
    std::unique_ptr<tuningSession> session = makeSession(name, record);
    Json answer = Json::object();
    // One procedure at a time, as one window at a time: the open one is closed first.
    if (m_session)
        answer["closed"] = closeProcedure();
    m_session = std::move(session);
    m_procedure = name;
    const sessionOutcome opened = m_session->open();
    if (!opened.done()) {
        // Not opened: what it sent is undone at once, as a window that refused to open is closed.
        const sessionOutcome::Kind kind = opened.kind;
        if (kind != sessionOutcome::Kind::LinkFailed && kind != sessionOutcome::Kind::Stopped)
            makeSafe();
        if (kind == sessionOutcome::Kind::Stopped)
            throw OperationInterrupted(opened.signal);
        if (kind == sessionOutcome::Kind::LinkFailed)
            linkFailed(opened.detail);
        Json extra = Json::object();
        if (kind == sessionOutcome::Kind::Mismatch)
            refuse("serial-mismatch", opened.message.text, Json{{"connected", opened.connectedSerial}});
        if (kind == sessionOutcome::Kind::PortBusy)
            refuse("port", opened.message.text, Json{{"detail", opened.detail}});
        refuse(opened.code.empty() ? "refused" : opened.code, opened.message.text);
    }
    m_radioTouched = true;
    const sessionState state = m_session->state();
    Json points = Json::array();
    for (const sessionRowState& row : state.rows) {
        Json point = Json{{"point", row.number}, {"label", row.label}, {"supported", row.supported}};
        if (row.frequencyMhz != 0)
            point["frequency"] = row.frequencyMhz;
        if (row.supported) {
            point["minimum"] = row.minimum;
            point["maximum"] = row.maximum;
            if (row.recordValue)
                point["default"] = *row.recordValue;
        }
        if (!row.entry.empty())
            point["entry"] = row.entry;
        points.push_back(std::move(point));
    }
    Json actions = Json::array();
    for (const actionName& a : kActions)
        if (m_session->offers(a.action))
            actions.push_back(a.name);
    answer["procedure"] = name;
    answer["keys"] = m_session->piece().keys();
    answer["selected"] = pointNumberOfRow(state.selectedRow);
    answer["points"] = std::move(points);
    answer["actions"] = std::move(actions);
    answer["status"] = state.status;
    return answer;
}

CliSession::Json CliSession::pointCommand(const Json& request) {
    tuningSession& session = needSession();
    int point = 0;
    try {
        point = integerArgument(request, "point", "point");
    } catch (const std::invalid_argument& e) {
        refuse("bad-argument", e.what());
    }
    const int row = rowOfPoint(point);
    answerOutcome(session.select(row), "point");
    // While keyed elsewhere the channels stay where they are: the transmitter never moves on the air.
    if (session.keyed() && !session.piece().sameKeyPlace(session.keyedRow(), row))
        return Json{{"point", point}, {"keyedAt", pointNumberOfRow(session.keyedRow())}};
    return Json{{"point", point}};
}

CliSession::Json CliSession::keyCommand(const Json&) {
    tuningSession& session = needSession();
    answerOutcome(session.key(), "key");
    return Json{{"keyed", session.keyed()}, {"point", pointNumberOfRow(session.selectedRow())}};
}

CliSession::Json CliSession::dekeyCommand(const Json&) {
    tuningSession& session = needSession();
    answerOutcome(session.dekey(), "dekey");
    return Json{{"keyed", session.keyed()}};
}

CliSession::Json CliSession::liveCommand(const Json& request) {
    tuningSession& session = needSession();
    int value = 0;
    try {
        value = integerArgument(request, "value", "live");
    } catch (const std::invalid_argument& e) {
        refuse("bad-argument", e.what());
    }
    const int row = session.selectedRow();
    answerOutcome(session.live(row, value), "live");
    return Json{{"point", pointNumberOfRow(row)}, {"value", value}};
}

CliSession::Json CliSession::programCommand(const Json& request) {
    tuningSession& session = needSession();
    const sessionState state = session.state();
    // Numbers of the rows, from a copy: a link failure closes the procedure.
    std::vector<int> numbers;
    for (const sessionRowState& row : state.rows) numbers.push_back(row.number);
    auto pointNumbers = [&numbers](const std::vector<int>& rows) {
        Json out = Json::array();
        for (const int row : rows) out.push_back(numbers[size_t(row)]);
        return out;
    };
    // The working values: the last value sent live at each point, else the record's.
    std::vector<std::optional<int>> values;
    for (const sessionRowState& row : state.rows) values.emplace_back(row.value);
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
            if (!state.rows[size_t(row)].supported)
                refuse("unsupported-point", tuningSession::kUnsupportedRowText);
            if (value.is_null() || (value.is_string() && value.get<std::string>().empty())) {
                values[size_t(row)] = std::nullopt;  // an empty box
            } else {
                try {
                    values[size_t(row)] = integerArgument(Json{{"v", value}}, "v", "program");
                } catch (const std::invalid_argument&) {
                    refuse("bad-argument",
                           "\"values\": the value of point " + key + " must be a whole number");
                }
            }
        }
    }
    const sessionOutcome outcome = session.program(values);
    if (outcome.done())
        return Json{{"programmed", pointNumbers(outcome.programmedRows)}};
    try {
        answerOutcome(outcome, "program");
    } catch (const OperationInterrupted&) {
        // The stop's last answer says it instead.
        m_stopMembers = Json{{"programmed", pointNumbers(outcome.programmedRows)}};
        throw;
    } catch (Refusal& refusal) {
        // Every failure says which points reached the radio before it, as Program All's does.
        const Json programmed = pointNumbers(outcome.programmedRows);
        refusal.members["programmed"] = programmed;
        if (!outcome.refusedRows.empty())
            refusal.members["refusedPoints"] = pointNumbers(outcome.refusedRows);
        if (outcome.failedRow)
            refusal.members["failedAt"] = numbers[size_t(*outcome.failedRow)];
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
    return Json::object();
}

CliSession::Json CliSession::actionCommand(const Json& request) {
    tuningSession& session = needSession();
    if (!request.contains("name") || !request["name"].is_string())
        refuse("bad-argument", "action needs \"name\": one of the procedure's actions");
    const std::string name = request["name"].get<std::string>();
    const actionName* found = nullptr;
    for (const actionName& a : kActions)
        if (name == a.name)
            found = &a;
    if (!found || !session.offers(found->action))
        refuse("no-such-action", "\"" + name + "\" is not an action of " + m_procedure);
    actionRequest what;
    what.row = session.selectedRow();
    try {
        if (request.contains("point"))
            what.row = rowOfPoint(integerArgument(request, "point", "action"));
        if (request.contains("value"))
            what.value = integerArgument(request, "value", "action");
    } catch (const std::invalid_argument& e) {
        refuse("bad-argument", e.what());
    }
    if (request.contains("text")) {
        if (!request["text"].is_string())
            refuse("bad-argument", "\"text\" must be a string");
        what.text = request["text"].get<std::string>();
    }
    const sessionOutcome outcome = session.act(found->action, what);
    try {
        answerOutcome(outcome, name.c_str());
    } catch (Refusal& refusal) {
        if (!outcome.programmedRows.empty() || outcome.failedRow) {
            Json tuned = Json::array();
            for (const int row : outcome.programmedRows) tuned.push_back(pointNumberOfRow(row));
            refusal.members["tuned"] = tuned;
        }
        throw;
    }
    Json answer = Json{{"action", name}};
    if (session.piece().rowCount() > 0)
        answer["point"] = pointNumberOfRow(what.row);
    const sessionState state = session.state();
    if (what.row >= 0 && what.row < int(state.rows.size())) {
        const sessionRowState& row = state.rows[size_t(what.row)];
        answer["value"] = row.value;
        if (!row.entry.empty())
            answer["entry"] = row.entry;
    }
    answer["status"] = state.status;
    return answer;
}

CliSession::Json CliSession::stateCommand(const Json&) {
    const sessionState state = needSession().state();
    Json rows = Json::array();
    for (const sessionRowState& row : state.rows) {
        Json r = Json{{"point", row.number},
                      {"label", row.label},
                      {"supported", row.supported},
                      {"value", row.value},
                      {"enabled", row.enabled}};
        if (row.recordValue)
            r["default"] = *row.recordValue;
        if (!row.entry.empty())
            r["entry"] = row.entry;
        if (row.reading)
            r["reading"] = *row.reading;
        rows.push_back(std::move(r));
    }
    Json readouts = Json::object();
    for (const auto& [name, text] : state.readouts) readouts[name] = text;
    Json answer = Json{{"procedure", state.procedure},
                       {"keyed", state.keyed},
                       {"selected", pointNumberOfRow(state.selectedRow)},
                       {"status", state.status},
                       {"points", std::move(rows)},
                       {"readouts", std::move(readouts)}};
    if (state.keyedRow)
        answer["keyedAt"] = pointNumberOfRow(*state.keyedRow);
    return answer;
}

CliSession::Json CliSession::closeCommand(const Json&) {
    needSession();
    Json answer = Json{{"closed", closeProcedure()}};
    // The procedure's notes at its closing (the DAC warning, the supply note).
    const auto& held = static_cast<const ScriptedPrompt&>(*m_prompt);
    if (!held.shown().empty()) {
        Json notes = Json::array();
        for (const PromptMessage& message : held.shown()) notes.push_back(message.text);
        answer["notes"] = std::move(notes);
    }
    return answer;
}

}  // namespace vantrel

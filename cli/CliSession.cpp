// vantrel-cli session: scripted tuning over a line protocol, one JSON request and one JSON answer a line.
#include "cli/CliSession.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <limits>

#include "cli/BoundedJson.h"
#include "cli/CliExitCode.h"
#include "cli/ConsolePrompt.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/RadioProtocol.h"
#include "link/cominit.h"
#include "operations/ProgressSink.h"
#include "operations/fileModule.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "operations/serviceHistory.h"
#include "operations/tuningSession.h"
#include "operations/utilityOperations.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

// Texts the user knows from the application.
constexpr const char* kPortInUse = "COM Port is currently in use by another application";
constexpr const char* kSaved = "Tuning data has been saved.";
constexpr const char* kSaveFailed = "Archive File could not be saved!!";

constexpr int kMillisecondsPerSecond = 1000;

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(text.begin());
    return text;
}

std::string signalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

}  // namespace

CliSession::CliSession(std::ostream& out, std::ostream& err, SessionInput& input, std::uint32_t watchdogMs)
    : m_out(out),
      m_err(err),
      m_input(input),
      m_watchdogMs(watchdogMs),
      m_record(std::make_unique<radioStorage>()),
      m_prompt(std::make_unique<ScriptedPrompt>()),
      m_watchdogNote(Json()) {
    auto bind = [this](Json (CliSession::*method)(const Json&), std::vector<std::string> arguments) {
        return Command{[this, method](const Json& request) { return (this->*method)(request); },
                       std::move(arguments)};
    };
    m_commands = {
        {"identify", bind(&CliSession::identifyCommand, {})},
        {"read", bind(&CliSession::readCommand, {})},
        {"save", bind(&CliSession::saveCommand, {"file"})},
        {"program-all", bind(&CliSession::programAllCommand, {"file"})},
        {"reset", bind(&CliSession::resetCommand, {})},
        {"procedures", bind(&CliSession::proceduresCommand, {})},
        {"open", bind(&CliSession::openCommand, {"procedure"})},
        {"point", bind(&CliSession::pointCommand, {"point"})},
        {"key", bind(&CliSession::keyCommand, {})},
        {"dekey", bind(&CliSession::dekeyCommand, {})},
        {"live", bind(&CliSession::liveCommand, {"value"})},
        {"program", bind(&CliSession::programCommand, {"values"})},
        {"close", bind(&CliSession::closeCommand, {})},
        {"action", bind(&CliSession::actionCommand, {"name", "point", "text", "value"})},
        {"state", bind(&CliSession::stateCommand, {})},
    };
}

CliSession::~CliSession() = default;

// --- The loop ---------------------------------------------------------------------------------------

int CliSession::run() {
    m_lastCommandTick = linkContext().lineClock().tick();
    for (;;) {
        if (const int signal = stopRequested(); signal != 0)
            return stopped(signal, Json());
        std::optional<std::uint32_t> left = watchdogLeft();
        if (left && *left == 0) {
            watchdog();
            continue;
        }
        std::string line;
        const SessionInput::Event event = m_input.next(line, left);
        // A hang-up ends the input too: the signal that came with it says how the session ended.
        if (event != SessionInput::Event::Line)
            if (const int signal = stopRequested(); signal != 0)
                return stopped(signal, Json());
        switch (event) {
            case SessionInput::Event::Timeout:
            case SessionInput::Event::Stop:
                continue;
            case SessionInput::Event::End:
                return finish("end of input", exitCode::Success);
            case SessionInput::Event::OutputGone:
                m_outputLost = true;
                note("the reader of the answers went away");
                return finish("the reader of the answers went away", exitCode::FileFailure);
            case SessionInput::Event::Line:
                break;
        }
        try {
            if (const std::optional<Json> answered = answer(line))
                write(*answered);
        } catch (const OperationInterrupted& stop) {
            // The request that was running when the signal came: its id goes with the answer.
            return stopped(stop.signal(), m_currentId);
        }
        if (m_outputLost) {
            note("the answers can no longer be written: their reader went away");
            return finish("the reader of the answers went away", exitCode::FileFailure);
        }
        // Only a command restarts the watchdog: blank lines, noise and unknown commands leave it running,
        // so a script that went astray cannot hold the radio keyed.
        if (m_commandSeen)
            m_lastCommandTick = linkContext().lineClock().tick();
    }
}

int CliSession::finish(const std::string& reason, int safeCode) {
    const safeOutcome outcome = makeSafe();
    if (outcome.safe())
        return safeCode;
    const std::string text = reason + ": " + unconfirmedText(outcome);
    Json answer = errorAnswer(Refusal{"link-failure", kLinkErrorText, Json{{"detail", text}}});
    addUnconfirmed(answer, outcome);
    write(answer);
    note(text);
    note(kStillKeyedText);
    return exitCode::LinkFailure;
}

int CliSession::stopRequested() const {
    return linkContext().stopSignal ? linkContext().stopSignal() : 0;
}

int CliSession::stopped(int signal, const Json& id) {
    const bool radioChanged = (m_session && m_session->touchedRadio()) || m_radioTouched || m_stillKeyed;
    const safeOutcome outcome = makeSafe();
    std::string text = "stopped by " + signalName(signal);
    if (!outcome.safe())
        text += "; " + unconfirmedText(outcome);
    else if (radioChanged)
        text += outcome.dekeySent ? "; the radio was dekeyed and reset" : "; the radio was reset";
    Json answer = errorAnswer(Refusal{"interrupted", text, Json::object(), m_stopMembers});
    if (!id.is_null())
        answer["id"] = id;
    addUnconfirmed(answer, outcome);
    write(answer);
    note(text);
    if (!outcome.safe()) {
        note(kStillKeyedText);
        return exitCode::LinkFailure;
    }
    return exitCode::Interrupted + signal;
}

std::optional<CliSession::Json> CliSession::answer(const std::string& line) {
    m_commandSeen = false;
    m_currentId = Json();
    // The session's messages of the last request are told in its answer, if at all.
    static_cast<ScriptedPrompt&>(*m_prompt).clear();
    if (line.find_first_not_of(" \t\r") == std::string::npos)
        return std::nullopt;
    Json request;
    Json answer;
    try {
        request = boundedJson::parse<Json>(line);
    } catch (const boundedJson::tooDeep& e) {
        return errorAnswer(Refusal{"bad-json", std::string("not a request: ") + e.what()});
    } catch (const Json::exception& e) {
        return errorAnswer(Refusal{"bad-json", std::string("not a JSON object: ") + e.what()});
    }
    if (!request.is_object())
        return errorAnswer(Refusal{"bad-json", "a request is one JSON object"});
    if (request.contains("id"))
        m_currentId = request["id"];
    try {
        if (!request.contains("cmd") || !request["cmd"].is_string())
            refuse("unknown-command", "a request names its command in \"cmd\"");
        const std::string name = request["cmd"].get<std::string>();
        const auto command = m_commands.find(name);
        if (command == m_commands.end())
            refuse("unknown-command", "no command \"" + name + "\"");
        m_commandSeen = true;
        for (const auto& [member, value] : request.items()) {
            if (member == "cmd" || member == "id")
                continue;
            const auto& allowed = command->second.arguments;
            if (std::find(allowed.begin(), allowed.end(), member) == allowed.end())
                refuse("bad-argument", name + " takes no \"" + member + "\"");
        }
        const Json results = command->second.handler(request);
        answer = Json{{"ok", true}};
        for (const auto& [member, value] : results.items()) answer[member] = value;
    } catch (const Refusal& refusal) {
        answer = errorAnswer(refusal);
    } catch (const OperationInterrupted&) {
        throw;
    } catch (const Exception& e) {
        // A link failure outside any command's own handling still leaves the radio safe.
        try {
            linkFailed(e.describe());
        } catch (const Refusal& refusal) {
            answer = errorAnswer(refusal);
        }
    } catch (const std::exception& e) {
        answer = errorAnswer(Refusal{"refused", std::string("internal error: ") + e.what()});
    }
    if (request.contains("id")) {
        Json withId = Json{{"id", request["id"]}};
        for (auto& [member, value] : answer.items()) withId[member] = value;
        answer = std::move(withId);
    }
    if (!m_watchdogNote.is_null()) {
        for (auto& [member, value] : m_watchdogNote.items()) answer[member] = value;
        m_watchdogNote = Json();
    }
    return answer;
}

void CliSession::refuse(std::string code, std::string text, Json extra, Json members) {
    throw Refusal{std::move(code), std::move(text), std::move(extra), std::move(members)};
}

CliSession::Json CliSession::errorAnswer(const Refusal& refusal) {
    Json error = Json{{"code", refusal.code}, {"text", refusal.text}};
    for (auto& [member, value] : refusal.extra.items()) error[member] = value;
    Json answer = Json{{"ok", false}, {"error", error}};
    for (auto& [member, value] : refusal.members.items()) answer[member] = value;
    return answer;
}

void CliSession::write(const Json& answer) {
    // Once the reader went away, nothing more is written (the failed write already said so).
    if (m_outputLost)
        return;
    m_out << answer.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n' << std::flush;
    if (!m_out.good())
        m_outputLost = true;
}

void CliSession::note(const std::string& text) {
    m_err << "vantrel-cli: " << text << '\n' << std::flush;
}

// --- Safety -----------------------------------------------------------------------------------------

std::optional<std::uint32_t> CliSession::watchdogLeft() {
    if (!sessionKeyed())
        return std::nullopt;
    const std::uint32_t elapsed = linkContext().lineClock().tick() - m_lastCommandTick;
    return elapsed >= m_watchdogMs ? 0 : m_watchdogMs - elapsed;
}

void CliSession::watchdog() {
    const std::string seconds =
        std::to_string(m_watchdogMs / kMillisecondsPerSecond) +
        (m_watchdogMs % kMillisecondsPerSecond ? "." + std::to_string(m_watchdogMs % kMillisecondsPerSecond)
                                               : std::string()) +
        " s";
    bool dekeyed = false;
    {
        UnstoppableLinkScope scope;
        dekeyed = m_session->dekey().done() && !sessionKeyed();
    }
    if (dekeyed) {
        note("watchdog: keyed with no command for " + seconds + ": the radio was dekeyed");
        m_watchdogNote = Json{{"watchdog", "dekeyed"}};
    } else {
        // A dekey that failed is a link failure: dekey again and reset, as after any other.
        const safeOutcome outcome = makeSafe();
        const std::string prefix = "watchdog: keyed with no command for " + seconds + ": the dekey failed";
        m_watchdogNote = Json{{"watchdog", outcome.safe() ? "reset" : "still-keyed"}};
        if (outcome.safe()) {
            note(prefix + ", the radio was dekeyed and reset");
        } else {
            note(prefix + ", " + unconfirmedText(outcome));
            note(kStillKeyedText);
            addUnconfirmed(m_watchdogNote, outcome);
        }
    }
    m_lastCommandTick = linkContext().lineClock().tick();
}

CliSession::safeOutcome CliSession::makeSafe() {
    UnstoppableLinkScope scope;
    safeOutcome outcome;
    if (m_session) {
        const closingOutcome closed = m_session->close();
        outcome.dekeySent = closed.dekeySent;
        outcome.dekeyConfirmed = closed.dekeyConfirmed;
        outcome.resetConfirmed = closed.resetConfirmed;
        m_session.reset();
        m_procedure.clear();
    } else if (m_radioTouched || m_stillKeyed) {
        // What an earlier attempt could not confirm is tried again.
        outcome.dekeySent = m_stillKeyed;
        try {
            cominit link;
            if (m_stillKeyed) {
                try {
                    link.dekey();
                } catch (const Exception&) {
                    outcome.dekeyConfirmed = false;
                }
            }
            try {
                link.resetRadio();
            } catch (const Exception&) {
                outcome.resetConfirmed = false;
            }
        } catch (const Exception&) {
            outcome.dekeyConfirmed = !m_stillKeyed;
            outcome.resetConfirmed = false;
        }
    }
    m_radioTouched = !outcome.resetConfirmed;
    m_stillKeyed = !outcome.dekeyConfirmed;
    return outcome;
}

std::string CliSession::unconfirmedText(const safeOutcome& outcome) {
    if (!outcome.dekeyConfirmed && !outcome.resetConfirmed)
        return "the radio confirmed neither the dekey nor the reset";
    if (!outcome.dekeyConfirmed)
        return "the radio did not confirm the dekey";
    if (!outcome.resetConfirmed)
        return "the radio did not confirm the reset";
    return {};
}

void CliSession::addUnconfirmed(Json& answer, const safeOutcome& outcome) {
    if (outcome.safe())
        return;
    Json steps = Json::array();
    if (!outcome.dekeyConfirmed)
        steps.push_back("dekey");
    if (!outcome.resetConfirmed)
        steps.push_back("reset");
    answer["unconfirmed"] = std::move(steps);
    // Whether the transmitter went off is unknown once the radio stops confirming: the technician is
    // told to switch it off rather than trust a test mode that may still key it.
    answer["warning"] = kStillKeyedText;
}

std::string CliSession::closeProcedure() {
    const std::string closed = m_procedure;
    const safeOutcome outcome = makeSafe();
    if (!outcome.safe()) {
        Json members = Json{{"closed", closed}};
        addUnconfirmed(members, outcome);
        note("closing " + closed + ": " + unconfirmedText(outcome));
        note(kStillKeyedText);
        refuse("link-failure", kLinkErrorText, Json{{"detail", unconfirmedText(outcome)}},
               std::move(members));
    }
    return closed;
}

void CliSession::withLink(const std::function<void(EnhancedSBEP&)>& body) {
    std::string detail;
    try {
        cominit link;
        body(link);
        return;
    } catch (const OperationInterrupted&) {
        throw;
    } catch (const PortInUseError& e) {
        Json members = Json::object();
        // The radio cannot be reached to dekey it.
        if (sessionKeyed() || m_stillKeyed)
            members["warning"] = kStillKeyedText;
        refuse("port", kPortInUse, Json{{"detail", e.detail()}}, std::move(members));
    } catch (const Exception& e) {
        detail = e.describe();
    }
    // Outside the failed connection's scope: the port is free again for the safe way out.
    linkFailed(detail);
}

void CliSession::linkFailed(const std::string& detail) {
    const safeOutcome outcome = makeSafe();
    Json members = Json::object();
    addUnconfirmed(members, outcome);
    note("link failure: " + detail);
    if (!outcome.safe()) {
        note(unconfirmedText(outcome));
        note(kStillKeyedText);
    }
    refuse("link-failure", kLinkErrorText, Json{{"detail", detail}}, std::move(members));
}

radioStorage& CliSession::needRecord() {
    if (!m_haveRecord)
        refuse("no-record", "no radio has been read in this session: send read first");
    return *m_record;
}

void CliSession::needNoProcedure(const char* command) const {
    if (m_session)
        refuse("refused",
               std::string(command) + " is refused while " + m_procedure + " is open: send close first");
}

// --- Commands without a procedure -------------------------------------------------------------------

CliSession::Json CliSession::identifyCommand(const Json&) {
    Json answer;
    withLink([&](EnhancedSBEP& link) {
        const std::string model = link.readModelNo();
        const std::string serial = link.readSerialNo();
        answer = Json{{"model", trimmed(model)}, {"serial", serial}};
        if (m_haveRecord)
            answer["sameAsRecord"] = serial == m_record->serialNoBytes();
    });
    return answer;
}

CliSession::Json CliSession::readCommand(const Json&) {
    needNoProcedure("read");
    auto record = std::make_unique<radioStorage>();
    radioOperations operations;
    NullProgress progress;
    const ReadRadioOutcome outcome = operations.readRadioCommand(*record, progress);
    // The read ends with a reset of its own, whatever its outcome.
    m_radioTouched = false;
    std::string texts;
    for (const PromptMessage& message : radioOperations::messagesFor(outcome))
        texts += (texts.empty() ? "" : "\n") + message.text;
    Json extra = Json::object();
    if (const auto lines = outcome.failure.detailLines(false); !lines.empty()) {
        std::string detail;
        for (const std::string& line : lines) detail += (detail.empty() ? "" : "\n") + line;
        extra["detail"] = detail;
    }
    switch (outcome.kind) {
        case ReadRadioOutcome::Kind::Read:
            break;
        case ReadRadioOutcome::Kind::PortInUse:
            refuse("port", kPortInUse, extra);
        case ReadRadioOutcome::Kind::LinkFailed:
            m_haveRecord = false;
            refuse("link-failure", texts, extra);
        case ReadRadioOutcome::Kind::PointsInvalid:
        case ReadRadioOutcome::Kind::PowerUpFailed:
        case ReadRadioOutcome::Kind::Cancelled:  // nothing cancels here; never taken for a read
            m_haveRecord = false;
            refuse("refused", texts, extra);
    }
    m_record = std::move(record);
    m_haveRecord = true;
    return Json{{"model", trimmed(m_record->modelNoBytes())},
                {"serial", m_record->serialNoBytes()},
                {"tuningAllowed", outcome.tuningAllowed},
                {"text", texts}};
}

CliSession::Json CliSession::saveCommand(const Json& request) {
    if (!request.contains("file") || !request["file"].is_string() ||
        request["file"].get<std::string>().empty())
        refuse("bad-argument", "save needs \"file\": the archive to write");
    const radioStorage& record = needRecord();
    ConsolePrompt held(nullptr);
    fileModule files(held);
    const bool saved = files.writeArchive(request["file"].get<std::string>(), record);
    serviceHistory::recordArchive(EventKind::ArchiveSave, request["file"].get<std::string>(), record, saved,
                                  files.lastFailureDetail());
    if (!saved)
        refuse("save-failed", held.held().empty() ? kSaveFailed : held.held().front().text,
               Json{{"detail", files.lastFailureDetail()}});
    return Json{{"text", kSaved}};
}

CliSession::Json CliSession::programAllCommand(const Json& request) {
    needNoProcedure("program-all");
    radioStorage loaded;
    radioStorage* record = nullptr;
    if (request.contains("file")) {
        if (!request["file"].is_string() || request["file"].get<std::string>().empty())
            refuse("bad-argument", "\"file\" names an archive");
        ConsolePrompt held(nullptr);
        fileModule files(held);
        const bool wasLoaded =
            files.readArchive(request["file"].get<std::string>(), loaded) == ArchiveLoadResult::Loaded;
        serviceHistory::recordArchive(EventKind::ArchiveLoad, request["file"].get<std::string>(), loaded,
                                      wasLoaded, files.lastFailureDetail());
        if (!wasLoaded)
            refuse("load-failed", held.held().empty() ? std::string() : held.held().front().text,
                   Json{{"detail", files.lastFailureDetail()}});
        record = &loaded;
    } else {
        record = &needRecord();
    }
    NullProgress progress;
    operationFailure failure;
    const ProgramOutcome outcome = radioProgramAll::programRadioCommand(*record, progress, &failure);
    m_radioTouched = false;  // it ends with a reset, also after a failure
    const std::string text = radioProgramAll::messageFor(outcome).text;
    Json extra = Json::object();
    if (const auto lines = failure.detailLines(outcome == ProgramOutcome::LinkFailed); !lines.empty()) {
        std::string detail;
        for (const std::string& line : lines) detail += (detail.empty() ? "" : "\n") + line;
        extra["detail"] = detail;
    }
    switch (outcome) {
        case ProgramOutcome::Programmed:
            break;
        case ProgramOutcome::SerialMismatch:
            refuse("serial-mismatch", text, extra);
        case ProgramOutcome::LinkFailed:
            refuse("link-failure", text, extra);
        case ProgramOutcome::PortInUse:
            refuse("port", text, extra);
        case ProgramOutcome::Cancelled:  // nothing cancels here; never taken for a success
            refuse("refused", text, extra);
    }
    return Json{{"text", text}};
}

CliSession::Json CliSession::resetCommand(const Json&) {
    if (m_session)
        return Json{{"closed", closeProcedure()}};
    if (m_radioTouched || m_stillKeyed) {
        // An earlier dekey or reset went unconfirmed: both are tried again and their answers told.
        const safeOutcome outcome = makeSafe();
        if (!outcome.safe()) {
            Json members = Json::object();
            addUnconfirmed(members, outcome);
            refuse("link-failure", kLinkErrorText, Json{{"detail", unconfirmedText(outcome)}},
                   std::move(members));
        }
        return Json::object();
    }
    withLink([](EnhancedSBEP& link) { link.resetRadio(); });
    m_radioTouched = false;
    return Json::object();
}

}  // namespace vantrel

// vantrel-cli session: scripted tuning over a line protocol, one JSON request and one JSON answer a line.
#include "cli/CliSession.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <limits>

#include "cli/ConsolePrompt.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/RadioProtocol.h"
#include "link/cominit.h"
#include "operations/ProgressSink.h"
#include "operations/fileModule.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "operations/tuningEngine.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

// Texts the user knows from the application.
constexpr const char* kPortInUse = "COM Port is currently in use by another application";
constexpr const char* kSaved = "Tuning data has been saved.";
constexpr const char* kSaveFailed = "Archive File could not be saved!!";

constexpr std::size_t kSerialReply = 3;
constexpr std::size_t kModelReply = 5;
constexpr std::size_t kModelLength = 16;
constexpr std::size_t kSerialLength = 10;
constexpr int kMillisecondsPerSecond = 1000;

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(text.begin());
    return text;
}

// The link context without the stop signal: what undoes the session's changes to the radio must go
// out even after SIGINT or SIGTERM.
class UnstoppableScope {
  public:
    UnstoppableScope() : m_scope(withoutStop()) {}

  private:
    static LinkContext withoutStop() {
        LinkContext context = linkContext();
        context.stopSignal = {};
        return context;
    }
    ScopedLinkContext m_scope;
};

std::string signalName(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "signal " + std::to_string(signal);
}

}  // namespace

CliSession::CliSession(std::ostream& out, std::ostream& err, SessionInput& input, std::uint32_t watchdogMs)
    : m_out(out),
      m_err(err),
      m_input(input),
      m_watchdogMs(watchdogMs),
      m_record(std::make_unique<radioStorage>()),
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
        switch (m_input.next(line, left)) {
            case SessionInput::Event::Timeout:
                continue;
            case SessionInput::Event::Stop:
                continue;  // told by stopSignal() at the top
            case SessionInput::Event::End: {
                if (makeSafe())
                    return 0;
                note(kStillKeyedText);
                return 4;
            }
            case SessionInput::Event::Line:
                break;
        }
        Json id;
        try {
            if (const std::optional<Json> answered = answer(line))
                write(*answered);
        } catch (const OperationInterrupted& stop) {
            // The request that was running when the signal came: its id goes with the answer.
            try {
                const Json request = Json::parse(line);
                if (request.is_object() && request.contains("id"))
                    id = request["id"];
            } catch (const Json::exception&) {
            }
            return stopped(stop.signal(), id);
        }
        m_lastCommandTick = linkContext().lineClock().tick();
    }
}

int CliSession::stopRequested() const {
    return linkContext().stopSignal ? linkContext().stopSignal() : 0;
}

int CliSession::stopped(int signal, const Json& id) {
    const bool radioChanged = m_engine != nullptr || m_radioTouched;
    const bool safe = makeSafe();
    const std::string text = "stopped by " + signalName(signal) +
                             (!radioChanged ? ""
                              : safe        ? "; the radio was dekeyed and reset"
                                            : "; the radio was sent a reset");
    Json answer = errorAnswer(Refusal{"interrupted", text});
    if (!id.is_null())
        answer["id"] = id;
    if (!safe)
        answer["warning"] = kStillKeyedText;
    write(answer);
    note(text);
    if (!safe)
        note(kStillKeyedText);
    return 128 + signal;
}

std::optional<CliSession::Json> CliSession::answer(const std::string& line) {
    if (line.find_first_not_of(" \t\r") == std::string::npos)
        return std::nullopt;
    Json request;
    Json answer;
    try {
        request = Json::parse(line);
    } catch (const Json::exception& e) {
        return errorAnswer(Refusal{"bad-json", std::string("not a JSON object: ") + e.what()});
    }
    if (!request.is_object())
        return errorAnswer(Refusal{"bad-json", "a request is one JSON object"});
    try {
        if (!request.contains("cmd") || !request["cmd"].is_string())
            refuse("unknown-command", "a request names its command in \"cmd\"");
        const std::string name = request["cmd"].get<std::string>();
        const auto command = m_commands.find(name);
        if (command == m_commands.end())
            refuse("unknown-command", "no command \"" + name + "\"");
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

void CliSession::refuse(std::string code, std::string text, Json extra) {
    throw Refusal{std::move(code), std::move(text), std::move(extra)};
}

CliSession::Json CliSession::errorAnswer(const Refusal& refusal) {
    Json error = Json{{"code", refusal.code}, {"text", refusal.text}};
    for (auto& [member, value] : refusal.extra.items()) error[member] = value;
    return Json{{"ok", false}, {"error", error}};
}

void CliSession::write(const Json& answer) {
    m_out << answer.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n' << std::flush;
}

void CliSession::note(const std::string& text) {
    m_err << "vantrel-cli: " << text << '\n' << std::flush;
}

// --- Safety -----------------------------------------------------------------------------------------

std::optional<std::uint32_t> CliSession::watchdogLeft() {
    if (!engineKeyed())
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
        UnstoppableScope scope;
        try {
            cominit link;
            m_engine->dekey(link);
            dekeyed = !engineKeyed();
        } catch (const Exception&) {
        }
    }
    if (dekeyed) {
        note("watchdog: keyed with no command for " + seconds + ": the radio was dekeyed");
        m_watchdogNote = Json{{"watchdog", "dekeyed"}};
    } else {
        // A dekey that failed is a link failure: dekey again and reset, as after any other.
        const bool safe = makeSafe();
        note("watchdog: keyed with no command for " + seconds + ": the dekey failed, the radio was reset");
        m_watchdogNote = Json{{"watchdog", safe ? "reset" : "still-keyed"}};
        if (!safe) {
            note(kStillKeyedText);
            m_watchdogNote["warning"] = kStillKeyedText;
        }
    }
    m_lastCommandTick = linkContext().lineClock().tick();
}

bool CliSession::makeSafe() {
    UnstoppableScope scope;
    bool safe = true;
    if (m_engine) {
        const bool keyed = engineKeyed();
        try {
            cominit link;
            safe = m_engine->close(link);
        } catch (const Exception&) {
            safe = !keyed;
        }
        m_engine.reset();
        m_procedure.clear();
    } else if (m_radioTouched) {
        try {
            cominit link;
            link.resetRadio();
        } catch (const Exception&) {
        }
    }
    m_radioTouched = false;
    m_stillKeyed = !safe;
    return safe;
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
        Json extra = Json{{"detail", e.detail()}};
        // The radio cannot be reached to dekey it.
        if (engineKeyed())
            extra["warning"] = kStillKeyedText;
        refuse("port", kPortInUse, std::move(extra));
    } catch (const Exception& e) {
        detail = e.describe();
    }
    // Outside the failed connection's scope: the port is free again for the safe way out.
    linkFailed(detail);
}

void CliSession::linkFailed(const std::string& detail) {
    const bool safe = makeSafe();
    Json extra = Json{{"detail", detail}};
    if (!safe)
        extra["warning"] = kStillKeyedText;
    note("link failure: " + detail);
    if (!safe)
        note(kStillKeyedText);
    refuse("link-failure", kLinkErrorText, std::move(extra));
}

radioStorage& CliSession::needRecord() {
    if (!m_haveRecord)
        refuse("no-record", "no radio has been read in this session: send read first");
    return *m_record;
}

void CliSession::needNoProcedure(const char* command) const {
    if (m_engine)
        refuse("refused",
               std::string(command) + " is refused while " + m_procedure + " is open: send close first");
}

// --- Commands without a procedure -------------------------------------------------------------------

CliSession::Json CliSession::identifyCommand(const Json&) {
    Json answer;
    withLink([&](EnhancedSBEP& link) {
        std::array<std::uint8_t, sbep::ReplyBufferSize> reply{};
        link.readModelNo(reply.data());
        const std::string model(reinterpret_cast<const char*>(reply.data()) + kModelReply, kModelLength);
        reply.fill(0);
        link.readSerialNo(reply.data());
        const std::string serial(reinterpret_cast<const char*>(reply.data()) + kSerialReply, kSerialLength);
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
    if (!files.writeArchive(request["file"].get<std::string>(), record))
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
        if (files.readArchive(request["file"].get<std::string>(), loaded) != ArchiveLoadResult::Loaded)
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
    }
    return Json{{"text", text}};
}

CliSession::Json CliSession::resetCommand(const Json&) {
    if (m_engine) {
        const std::string closed = m_procedure;
        if (!makeSafe())
            refuse("link-failure", kLinkErrorText, Json{{"warning", kStillKeyedText}});
        return closed.empty() ? Json::object() : Json{{"closed", closed}};
    }
    withLink([](EnhancedSBEP& link) { link.resetRadio(); });
    m_radioTouched = false;
    return Json::object();
}

}  // namespace vantrel

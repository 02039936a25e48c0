// vantrel-cli session: scripted tuning over a line protocol, one JSON request and one JSON answer a line.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/SessionInput.h"
#include "operations/sharedMessages.h"

namespace vantrel {

class EnhancedSBEP;
class UserPrompt;
class radioStorage;
class tuningSession;
struct sessionOutcome;

/// One tuning session. Requests come from a SessionInput, answers go to `out` (flushed each), notes for
/// the technician to `err`. Every radio command opens its own connection through the link context and
/// closes it at its end, as the screens do; the radio's state between commands (test mode, keyed) is
/// the session's to undo: closing the procedure, the end of input, a link failure and a stop signal
/// all dekey and reset the radio, and a watchdog dekeys it when the script stays silent while keyed.
class CliSession {
  public:
    using Json = nlohmann::ordered_json;

    /// Default time the radio may stay keyed with no command before the watchdog dekeys it.
    static constexpr std::uint32_t kDefaultWatchdogMs = 30000;
    /// The application's text for a link failure.
    static constexpr const char* kLinkErrorText = message::LinkError;
    /// Shown whenever a dekey could not be confirmed (the application's warning).
    static constexpr const char* kStillKeyedText = message::StillKeyed;

    CliSession(std::ostream& out, std::ostream& err, SessionInput& input,
               std::uint32_t watchdogMs = kDefaultWatchdogMs);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    /// Serves requests until the end of input, a stop signal (SIGINT, SIGTERM, SIGHUP) or the reader of
    /// the answers going away; answers the exit code: 0 at the end of input, 6 when the answers could no
    /// longer be written, 128 + signal after a stop, each once the radio confirmed the dekey and reset it
    /// needed; 4 (with a last answer naming what the radio did not confirm) when it did not.
    int run();

    /// Answers one request line (without its line feed); nullopt for a blank line. Public for tests.
    std::optional<Json> answer(const std::string& line);

  private:
    /// A refused request: the stable code and the text the application shows for it.
    struct Refusal {
        std::string code;
        std::string text;
        Json extra = Json::object();    ///< more members of the error object ("detail", ...)
        Json members = Json::object();  ///< more members of the answer ("warning", "programmed", ...)
    };
    /// What the radio confirmed of the steps that leave it safe (a step not needed counts as confirmed).
    struct safeOutcome {
        bool dekeySent = false;
        bool dekeyConfirmed = true;
        bool resetConfirmed = true;
        bool safe() const { return dekeyConfirmed && resetConfirmed; }
    };
    using Handler = std::function<Json(const Json& request)>;
    struct Command {
        Handler handler;
        std::vector<std::string> arguments;  ///< members a request may carry besides cmd and id
    };

    [[noreturn]] static void refuse(std::string code, std::string text, Json extra = Json::object(),
                                    Json members = Json::object());
    static Json errorAnswer(const Refusal& refusal);

    // --- Commands -----------------------------------------------------------------------------------
    Json identifyCommand(const Json& request);
    Json readCommand(const Json& request);
    Json saveCommand(const Json& request);
    Json programAllCommand(const Json& request);
    Json resetCommand(const Json& request);
    Json proceduresCommand(const Json& request);
    Json openCommand(const Json& request);
    Json pointCommand(const Json& request);
    Json keyCommand(const Json& request);
    Json dekeyCommand(const Json& request);
    Json liveCommand(const Json& request);
    Json programCommand(const Json& request);
    Json closeCommand(const Json& request);
    Json actionCommand(const Json& request);
    Json stateCommand(const Json& request);

    // --- Radio --------------------------------------------------------------------------------------
    /// Runs `body` on a connection of its own. A port that cannot be opened refuses with "port"; a link
    /// failure dekeys and resets the radio (on a fresh connection) and refuses with "link-failure"; a
    /// stop signal passes on as OperationInterrupted.
    void withLink(const std::function<void(EnhancedSBEP&)>& body);
    /// Undoes what the session did to the radio: closes the open procedure (dekey when keyed, then
    /// reset) or dekeys and resets a radio whose earlier dekey or reset went unconfirmed. Never stopped by
    /// a signal. Says what the radio confirmed; what it did not is tried again by the next call.
    safeOutcome makeSafe();
    /// "the radio did not confirm the reset", ... for an outcome that is not safe.
    static std::string unconfirmedText(const safeOutcome& outcome);
    /// Adds "unconfirmed" (the steps) and the still-keyed "warning" to an answer when not safe.
    static void addUnconfirmed(Json& answer, const safeOutcome& outcome);
    /// Closes the open procedure through makeSafe(); answers its name, or refuses with "link-failure"
    /// (the procedure is closed all the same) when the radio did not confirm the dekey or the reset.
    std::string closeProcedure();
    /// The link-failure refusal after makeSafe(): says what was not confirmed, with the warning.
    [[noreturn]] void linkFailed(const std::string& detail);
    /// Ends the session: makes the radio safe; answers `safeCode`, or writes a last answer naming what
    /// the radio did not confirm (`reason` first) and answers 4.
    int finish(const std::string& reason, int safeCode);
    /// The watchdog: dekeys a radio keyed with no command for the set time; notes it for the next answer.
    void watchdog();
    /// Milliseconds the radio may still stay keyed before the watchdog acts; nullopt when not keyed.
    std::optional<std::uint32_t> watchdogLeft();
    /// Ends the session after a stop signal: makes the radio safe, tells so; answers 128 + signal.
    int stopped(int signal, const Json& id);
    /// The stop signal the link context reports, or 0.
    int stopRequested() const;

    radioStorage& needRecord();
    tuningSession& needSession();
    bool sessionKeyed() const;
    /// A row's point number as scripts name it.
    int pointNumberOfRow(int row) const;
    /// The row of a point number; refuses with "unsupported-point" when none.
    int rowOfPoint(int point) const;
    /// Refuses the radio commands that would reset or rewrite the radio under an open procedure.
    void needNoProcedure(const char* command) const;
    /// Answers a session outcome: nothing for Done; the refusal, the mismatch, the port or a stop (passed on
    /// as OperationInterrupted); a link failure makes the radio safe first. `command` names the request.
    void answerOutcome(const sessionOutcome& outcome, const char* command);
    /// The session of `name` over the record, not yet opened; refuses as the open command does.
    std::unique_ptr<tuningSession> makeSession(const std::string& name, radioStorage& record);
    void write(const Json& answer);
    void note(const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
    SessionInput& m_input;
    std::uint32_t m_watchdogMs;
    std::map<std::string, Command> m_commands;

    std::unique_ptr<radioStorage> m_record;
    bool m_haveRecord = false;
    std::unique_ptr<UserPrompt> m_prompt;  ///< the session's messages: held, questions answered OK
    std::unique_ptr<tuningSession> m_session;
    std::string m_procedure;
    bool m_radioTouched = false;  ///< test mode or channels were sent, or a reset went unconfirmed
    std::uint32_t m_lastCommandTick = 0;
    Json m_watchdogNote;                  ///< told in the next answer
    bool m_stillKeyed = false;            ///< the last dekey could not be confirmed: the radio may be keyed
    bool m_commandSeen = false;           ///< the line answer() took named a command (restarts the watchdog)
    Json m_currentId;                     ///< the id of the request being answered (for a stop's last answer)
    bool m_outputLost = false;            ///< an answer could not be written: nobody reads them any more
    Json m_stopMembers = Json::object();  ///< what a command stopped by a signal adds to the last answer
};

}  // namespace vantrel

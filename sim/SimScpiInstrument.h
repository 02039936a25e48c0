// A simulated SCPI instrument's command interpreter: header matching, the common commands and the error
// queue; each instrument adds its own headers.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// What one of an instrument's own headers did: a reply, nothing, or an error to queue.
struct SimScpiOutcome {
    std::optional<std::string> reply;
    int error = 0;  ///< non-zero: queued with errorText, the line stops there
    std::string errorText;
    /// An outcome that answers `text`.
    static SimScpiOutcome answer(std::string text) { return {std::move(text), 0, {}}; }
};

/// One header of an instrument: the pattern (long form with its short form in capitals, optional nodes in
/// brackets, '?' for a query), whether it takes parameters, and what it does with them.
struct SimScpiHeader {
    std::string pattern;
    bool parametersAllowed = false;
    std::function<SimScpiOutcome(const std::string& parameters)> handler;
};

/// One conversation with a simulated instrument, as an instrument keeps it for each client: commands and
/// queries of a line (separated by ';') in, the answers to its queries out, and an error queue read with
/// `SYSTem:ERRor?`. Headers match in long or short form, in any case, with optional nodes left out; a
/// command the instrument does not know answers nothing and queues -113.
///
/// Common headers: `*IDN?`, `*OPC?`, `SYSTem:ERRor[:NEXT]?`, `SYSTem:ERRor:COUNt?`, `SYSTem:VERSion?`,
/// `*CLS`, `*RST`, `*OPC`, `*WAI`.
class SimScpiInstrument {
  public:
    /// Queued errors kept at most; the newest is replaced by -350 when the queue overflows.
    static constexpr std::size_t kErrorQueueLength = 16;
    static constexpr int kSyntaxError = -102;
    static constexpr int kParameterNotAllowed = -108;
    static constexpr int kUndefinedHeader = -113;
    static constexpr int kExecutionError = -200;
    static constexpr int kDataOutOfRange = -222;
    static constexpr int kTooMuchData = -223;
    static constexpr int kQueueOverflow = -350;

    SimScpiInstrument(std::string identity, std::vector<SimScpiHeader> headers);

    /// Interprets one line (without its newline; a trailing carriage return is ignored). Answers the
    /// replies of its queries joined by ';', or nothing when it asked nothing. A unit in error queues its
    /// error and ends the line; the replies of the queries before it still stand.
    std::optional<std::string> handleLine(const std::string& line);

    /// Queues an error from outside the interpreter (a line that was too long, for instance).
    void pushError(int code, const std::string& text);
    std::size_t errorCount() const { return m_errors.size(); }
    /// While set (a simulated fault), every command and query but the identity and the error queue is
    /// refused with -200; not owned, may be null.
    void setRefuseFlag(const std::atomic<bool>* flag) { m_refuse = flag; }

  private:
    bool handleUnit(const std::string& unit, std::optional<std::string>& reply);

    std::string m_identity;
    std::vector<SimScpiHeader> m_headers;
    std::deque<std::string> m_errors;  ///< "code,\"text\"" entries, oldest first
    const std::atomic<bool>* m_refuse = nullptr;
};

}  // namespace vantrel

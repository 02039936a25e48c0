// The simulated power meter's command interpreter: SCPI lines in, answer lines out.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace vantrel {

/// One conversation with the simulated power meter, as an instrument keeps it for each client: commands
/// and queries of a line (separated by ';') in, the answers to its queries out, and an error queue read
/// with `SYSTem:ERRor?`. Headers match in long or short form, in any case, with optional nodes left out;
/// a command the meter does not know answers nothing and queues -113.
///
/// Queries: `*IDN?`, `*OPC?`, `MEASure[:SCALar][:POWer][:AC]?` (also `READ` and `FETCh`; parameters
/// such as an expected value or resolution are accepted and ignored), `SYSTem:ERRor[:NEXT]?`,
/// `SYSTem:ERRor:COUNt?`, `SYSTem:VERSion?`. Commands: `*CLS`, `*RST`, `*OPC`, `*WAI`.
class SimScpiMeter {
  public:
    /// Queued errors kept at most; the newest is replaced by -350 when the queue overflows.
    static constexpr std::size_t kErrorQueueLength = 16;

    /// `identity` answers `*IDN?`; `watts` is asked for every reading (it may be called on any thread
    /// the interpreter runs on).
    SimScpiMeter(std::string identity, std::function<double()> watts);

    /// Interprets one line (without its newline; a trailing carriage return is ignored). Answers the
    /// replies of its queries joined by ';', or nothing when it asked nothing. A unit in error queues
    /// its error and ends the line; the replies of the queries before it still stand.
    std::optional<std::string> handleLine(const std::string& line);
    /// SCPI error numbers the meter queues.
    static constexpr int kSyntaxError = -102;
    static constexpr int kParameterNotAllowed = -108;
    static constexpr int kUndefinedHeader = -113;
    static constexpr int kTooMuchData = -223;
    static constexpr int kQueueOverflow = -350;

    /// Queues an error from outside the interpreter (a line that was too long, for instance).
    void pushError(int code, const std::string& text);
    std::size_t errorCount() const { return m_errors.size(); }

    /// A reading as the meter prints it: watts in plain decimal notation with four decimals.
    static std::string formatWatts(double watts);

  private:
    /// Carries out one command or query; false when it was refused (its error queued).
    bool handleUnit(const std::string& unit, std::optional<std::string>& reply);

    std::string m_identity;
    std::function<double()> m_watts;
    std::deque<std::string> m_errors;  ///< "code,\"text\"" entries, oldest first
};

}  // namespace vantrel

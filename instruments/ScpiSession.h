// A conversation with one SCPI instrument: queries with checked answers, commands checked against its
// error queue.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instruments/Dialect.h"
#include "instruments/ScpiTransport.h"

namespace vantrel {

/// Parses an SCPI number answer (NR1, NR2 or NR3, optional sign and blanks around it). Refused with
/// InstrumentError (BadReply): anything else (units, lists, text), NaN and infinities, the SCPI "not a
/// number" and overflow codes (9.91E37, 9.9E37: NoSignal, the instrument had nothing to measure), and
/// magnitudes of `limit` or more.
double parseScpiNumber(const std::string& text, double limit);

/// One entry of an error queue: "-113,\"Undefined header\"". `code` 0 means no error.
struct ScpiErrorEntry {
    int code = 0;
    std::string text;  ///< the whole entry as the instrument gave it
};
/// Parses an error queue entry; an entry without a leading integer code counts as an error (code -1).
ScpiErrorEntry parseScpiError(const std::string& reply);

class ScpiSession {
  public:
    /// Most error queue entries read after one failure.
    static constexpr int kMaxErrorsRead = 8;

    /// Takes the transport; `timeoutMs` bounds each exchange.
    ScpiSession(std::unique_ptr<ScpiTransport> transport, Dialect dialect, uint32_t timeoutMs);

    /// Sends a query and answers its reply line (checked as text: printable, bounded). On a timeout or a
    /// refused answer the error queue is read and its entries added to the InstrumentError's text.
    std::string query(const std::string& text);
    /// A query whose answer must be a number below `limit` in magnitude (and not below 0 when
    /// `nonNegative`); any other answer is refused as query() refuses, input discarded, queue read.
    double queryNumber(const std::string& text, double limit, bool nonNegative = false);
    /// Sends a command, then reads the error queue once: a queued error throws InstrumentError (Refused)
    /// naming the command and every entry read.
    void command(const std::string& text);
    /// Reads the error queue until it says "no error", at most kMaxErrorsRead entries, each within
    /// `timeoutMs`. A dead instrument leaves it short; it never throws.
    std::vector<ScpiErrorEntry> readErrors(uint32_t timeoutMs);
    /// The identity answer.
    std::string identify() { return query(m_dialect.identify); }

    const Dialect& dialect() const { return m_dialect; }
    std::string describe() const { return m_transport->describe(); }
    uint32_t timeoutMs() const { return m_timeoutMs; }

  private:
    [[noreturn]] void failWithErrors(const std::string& what, int kind);

    std::unique_ptr<ScpiTransport> m_transport;
    Dialect m_dialect;
    uint32_t m_timeoutMs;
};

}  // namespace vantrel

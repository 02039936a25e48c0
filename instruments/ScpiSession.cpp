// Checked SCPI exchanges: strict numbers, the error queue read after every failure.
#include "instruments/ScpiSession.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "instruments/InstrumentError.h"

namespace vantrel {

namespace {

using Kind = InstrumentError::Kind;

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

/// Whether text is a decimal number as SCPI writes them: [sign] digits [. digits] [E [sign] digits].
bool numberShape(const std::string& t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        size_t exp = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++exp;
        if (exp == 0 || exp > 3)
            return false;
    }
    return i == t.size();
}

}  // namespace

double parseScpiNumber(const std::string& text, double limit) {
    const std::string t = trim(text);
    if (t.size() > 40 || !numberShape(t))
        throw InstrumentError(Kind::BadReply, "'" + t.substr(0, 40) + "' is not a number");
    const double v = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(v))
        throw InstrumentError(Kind::BadReply, "'" + t + "' is not a finite number");
    // 9.91E37 is SCPI's "not a number" and 9.9E37 its overflow: the instrument had no reading.
    if (std::fabs(v) >= 9.89e37 && std::fabs(v) <= 9.92e37)
        throw InstrumentError(Kind::NoSignal, "no signal to measure (the instrument answered " + t + ")");
    if (std::fabs(v) >= limit)
        throw InstrumentError(Kind::BadReply, "'" + t + "' is out of any plausible range");
    return v;
}

ScpiErrorEntry parseScpiError(const std::string& reply) {
    ScpiErrorEntry e;
    e.text = trim(reply);
    const size_t comma = e.text.find(',');
    const std::string code = trim(e.text.substr(0, comma));
    if (code.empty() || code.size() > 6 || !numberShape(code) ||
        code.find_first_of(".eE") != std::string::npos) {
        e.code = -1;
        return e;
    }
    e.code = std::atoi(code.c_str());
    return e;
}

ScpiSession::ScpiSession(std::unique_ptr<ScpiTransport> transport, Dialect dialect, uint32_t timeoutMs)
    : m_transport(std::move(transport)), m_dialect(std::move(dialect)), m_timeoutMs(timeoutMs) {}

std::vector<ScpiErrorEntry> ScpiSession::readErrors(uint32_t timeoutMs) {
    std::vector<ScpiErrorEntry> errors;
    try {
        for (int i = 0; i < kMaxErrorsRead; ++i) {
            m_transport->writeLine(m_dialect.errorQuery, timeoutMs);
            const ScpiErrorEntry e = parseScpiError(m_transport->readLine(timeoutMs));
            if (e.code == 0)
                break;
            errors.push_back(e);
        }
    } catch (const InstrumentError&) {
        // A dead instrument's queue cannot be read; what was read still counts.
    }
    return errors;
}

void ScpiSession::failWithErrors(const std::string& what, int kind) {
    std::string message = what;
    if (kind != static_cast<int>(Kind::Disconnected)) {
        m_transport->discardInput();
        // A short look: an instrument that did not answer a query may still answer its error queue.
        const auto errors = readErrors(std::min<uint32_t>(m_timeoutMs, 1000));
        if (!errors.empty()) {
            message += "; instrument errors:";
            for (const auto& e : errors) message += " " + e.text;
        }
        m_transport->discardInput();
    }
    throw InstrumentError(static_cast<Kind>(kind), message);
}

std::string ScpiSession::query(const std::string& text) {
    try {
        m_transport->writeLine(text, m_timeoutMs);
        return m_transport->readLine(m_timeoutMs);
    } catch (const InstrumentError& e) {
        failWithErrors(std::string(e.what()) + " (" + text + ")", static_cast<int>(e.kind()));
    }
}

double ScpiSession::queryNumber(const std::string& text, double limit, bool nonNegative) {
    const std::string reply = query(text);
    try {
        const double v = parseScpiNumber(reply, limit);
        if (nonNegative && v < 0)
            throw InstrumentError(Kind::BadReply, "a negative reading '" + reply + "'");
        return v;
    } catch (const InstrumentError& e) {
        if (e.kind() == Kind::NoSignal) {
            // Nothing went wrong on the instrument's side: no error queue to read, but nothing stale kept.
            m_transport->discardInput();
            throw InstrumentError(Kind::NoSignal, describe() + ": " + e.what());
        }
        failWithErrors(describe() + ": " + e.what() + " (" + text + ")", static_cast<int>(e.kind()));
    }
}

void ScpiSession::command(const std::string& text) {
    try {
        m_transport->writeLine(text, m_timeoutMs);
    } catch (const InstrumentError& e) {
        failWithErrors(std::string(e.what()) + " (" + text + ")", static_cast<int>(e.kind()));
    }
    std::vector<ScpiErrorEntry> errors;
    try {
        m_transport->writeLine(m_dialect.errorQuery, m_timeoutMs);
        const ScpiErrorEntry first = parseScpiError(m_transport->readLine(m_timeoutMs));
        if (first.code == 0)
            return;
        errors.push_back(first);
    } catch (const InstrumentError& e) {
        failWithErrors(std::string(e.what()) + " (" + m_dialect.errorQuery + " after " + text + ")",
                       static_cast<int>(e.kind()));
    }
    for (const auto& e : readErrors(m_timeoutMs)) errors.push_back(e);
    std::string message = describe() + ": refused " + text + ":";
    for (const auto& e : errors) message += " " + e.text;
    throw InstrumentError(Kind::Refused, message);
}

}  // namespace vantrel

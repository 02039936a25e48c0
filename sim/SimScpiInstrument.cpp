// The simulated instruments' SCPI header matching, common commands and error queue.
#include "sim/SimScpiInstrument.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace vantrel {

namespace {

struct Node {
    std::string longForm;   ///< upper case
    std::string shortForm;  ///< upper case
    bool optional = false;
};

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

/// The nodes of a program header pattern such as "MEASure[:SCALar]:POWer" (without the '?').
std::vector<Node> nodesOf(const std::string& pattern) {
    std::vector<Node> nodes;
    size_t i = 0;
    while (i < pattern.size()) {
        bool optional = false;
        if (pattern[i] == '[') {
            optional = true;
            ++i;
        }
        if (i < pattern.size() && pattern[i] == ':')
            ++i;
        Node n;
        n.optional = optional;
        while (i < pattern.size() && std::isalpha(static_cast<unsigned char>(pattern[i]))) {
            const char c = pattern[i++];
            n.longForm += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (std::isupper(static_cast<unsigned char>(c)))
                n.shortForm += c;
        }
        if (i < pattern.size() && pattern[i] == ']')
            ++i;
        nodes.push_back(n);
    }
    return nodes;
}

/// Whether the header's mnemonics (upper case) walk the pattern's nodes, optional ones left out at will.
bool walk(const std::vector<std::string>& given, size_t g, const std::vector<Node>& nodes, size_t n) {
    if (n == nodes.size())
        return g == given.size();
    if (g < given.size() && (given[g] == nodes[n].shortForm || given[g] == nodes[n].longForm) &&
        walk(given, g + 1, nodes, n + 1))
        return true;
    return nodes[n].optional && walk(given, g, nodes, n + 1);
}

/// Whether a header as sent (query mark included) matches a pattern of kHeaders.
bool matches(const std::string& header, const std::string& pattern) {
    const bool query = !header.empty() && header.back() == '?';
    const bool patternQuery = pattern.back() == '?';
    if (query != patternQuery)
        return false;
    const std::string h = upper(query ? header.substr(0, header.size() - 1) : header);
    const std::string p = patternQuery ? pattern.substr(0, pattern.size() - 1) : pattern;
    if (p[0] == '*')
        return h == p;
    // A leading colon names the root, where every command of this meter starts anyway.
    const std::string path = !h.empty() && h[0] == ':' ? h.substr(1) : h;
    std::vector<std::string> given;
    size_t from = 0;
    for (;;) {
        const size_t colon = path.find(':', from);
        given.push_back(path.substr(from, colon - from));
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    return walk(given, 0, nodesOf(p), 0);
}

/// Whether a header is well formed: '*' and letters for a common command, else mnemonics of letters and
/// digits joined by single colons; either may end in '?'.
bool wellFormed(const std::string& header) {
    std::string h = !header.empty() && header.back() == '?' ? header.substr(0, header.size() - 1) : header;
    if (h.empty())
        return false;
    auto mnemonic = [](const std::string& m) {
        return !m.empty() && std::isalpha(static_cast<unsigned char>(m[0])) &&
               std::all_of(m.begin(), m.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
    };
    if (h[0] == '*')
        return mnemonic(h.substr(1));
    if (h[0] == ':')
        h = h.substr(1);
    size_t from = 0;
    for (;;) {
        const size_t colon = h.find(':', from);
        if (!mnemonic(h.substr(from, colon - from)))
            return false;
        if (colon == std::string::npos)
            return true;
        from = colon + 1;
    }
}

enum class Common { Identify, OperationComplete, Clear, Reset, NoOperation, NextError, ErrorCount, Version };

struct CommonSpec {
    const char* pattern;
    Common action;
};

constexpr CommonSpec kCommon[] = {
    {"*IDN?", Common::Identify},
    {"*OPC?", Common::OperationComplete},
    {"*OPC", Common::NoOperation},
    {"*WAI", Common::NoOperation},
    {"*CLS", Common::Clear},
    {"*RST", Common::Reset},
    {"SYSTem:ERRor[:NEXT]?", Common::NextError},
    {"SYSTem:ERRor:COUNt?", Common::ErrorCount},
    {"SYSTem:VERSion?", Common::Version},
};

}  // namespace

SimScpiInstrument::SimScpiInstrument(std::string identity, std::vector<SimScpiHeader> headers)
    : m_identity(std::move(identity)), m_headers(std::move(headers)) {}

void SimScpiInstrument::pushError(int code, const std::string& text) {
    std::string entry = std::to_string(code) + ",\"" + text + "\"";
    if (m_errors.size() >= kErrorQueueLength) {
        m_errors.back() = std::to_string(kQueueOverflow) + ",\"Queue overflow\"";
        return;
    }
    m_errors.push_back(std::move(entry));
}

std::optional<std::string> SimScpiInstrument::handleLine(const std::string& line) {
    std::string text = line;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    std::vector<std::string> replies;
    size_t from = 0;
    for (;;) {
        const size_t semi = text.find(';', from);
        const std::string unit = trim(text.substr(from, semi - from));
        // An empty unit asks nothing: a blank line, or a ';' at the end of one.
        if (!unit.empty()) {
            std::optional<std::string> reply;
            if (!handleUnit(unit, reply))
                break;
            if (reply)
                replies.push_back(*reply);
        }
        if (semi == std::string::npos)
            break;
        from = semi + 1;
    }
    if (replies.empty())
        return std::nullopt;
    std::string out;
    for (size_t i = 0; i < replies.size(); ++i) out += (i ? ";" : "") + replies[i];
    return out;
}

bool SimScpiInstrument::handleUnit(const std::string& unit, std::optional<std::string>& reply) {
    const size_t space = unit.find_first_of(" \t");
    const std::string header = unit.substr(0, space);
    const std::string parameters = space == std::string::npos ? "" : trim(unit.substr(space));
    if (!wellFormed(header)) {
        pushError(kSyntaxError, "Syntax error");
        return false;
    }
    for (const CommonSpec& c : kCommon) {
        if (!matches(header, c.pattern))
            continue;
        if (!parameters.empty()) {
            pushError(kParameterNotAllowed, "Parameter not allowed");
            return false;
        }
        const bool refusing = m_refuse && m_refuse->load();
        switch (c.action) {
            case Common::Identify:
                reply = m_identity;
                return true;
            case Common::NextError:
                if (m_errors.empty()) {
                    reply = "0,\"No error\"";
                } else {
                    reply = m_errors.front();
                    m_errors.pop_front();
                }
                return true;
            case Common::ErrorCount:
                reply = std::to_string(m_errors.size());
                return true;
            default:
                break;
        }
        if (refusing) {
            pushError(kExecutionError, "Execution error");
            return false;
        }
        if (c.action == Common::OperationComplete)
            reply = "1";
        else if (c.action == Common::Clear)
            m_errors.clear();
        else if (c.action == Common::Version)
            reply = "1999.0";
        return true;
    }
    for (const SimScpiHeader& h : m_headers) {
        if (!matches(header, h.pattern))
            continue;
        if (!parameters.empty() && !h.parametersAllowed) {
            pushError(kParameterNotAllowed, "Parameter not allowed");
            return false;
        }
        if (m_refuse && m_refuse->load()) {
            pushError(kExecutionError, "Execution error");
            return false;
        }
        SimScpiOutcome outcome = h.handler ? h.handler(parameters) : SimScpiOutcome{};
        if (outcome.error != 0) {
            pushError(outcome.error, outcome.errorText);
            return false;
        }
        reply = std::move(outcome.reply);
        return true;
    }
    pushError(kUndefinedHeader, "Undefined header");
    return false;
}

}  // namespace vantrel

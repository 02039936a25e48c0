// Fault rules of the simulated radio and their text form.
#include "sim/SimFaults.h"

#include <stdexcept>

namespace vantrel {

namespace {

struct KindName {
    SimFaultKind kind;
    const char* name;
};

constexpr KindName kKindNames[] = {
    {SimFaultKind::Silence, "silence"},    {SimFaultKind::Nak, "nak"},
    {SimFaultKind::BadChecksum, "badsum"}, {SimFaultKind::Unsupported, "unsupported"},
    {SimFaultKind::LateReply, "late"},     {SimFaultKind::Truncated, "truncated"},
    {SimFaultKind::Noise, "noise"},        {SimFaultKind::Disconnect, "disconnect"},
};

unsigned long number(const std::string& text, const std::string& whole, unsigned long max) {
    size_t used = 0;
    unsigned long v = 0;
    try {
        v = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || v > max)
        throw std::invalid_argument("fault '" + whole + "': bad number '" + text + "'");
    return v;
}

}  // namespace

const char* simFaultName(SimFaultKind kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind)
            return k.name;
    return "?";
}

SimFaultRule parseSimFault(const std::string& text) {
    SimFaultRule rule;
    size_t end = text.find_first_of("@/*:");
    const std::string kind = text.substr(0, end);
    bool known = false;
    for (const KindName& k : kKindNames)
        if (kind == k.name) {
            rule.kind = k.kind;
            known = true;
        }
    if (!known)
        throw std::invalid_argument("fault '" + text +
                                    "': unknown kind (silence, nak, badsum, unsupported, late, truncated, "
                                    "noise, disconnect)");
    while (end != std::string::npos) {
        const char mark = text[end];
        const size_t next = text.find_first_of("@/*:", end + 1);
        const std::string part =
            text.substr(end + 1, next == std::string::npos ? std::string::npos : next - end - 1);
        switch (mark) {
            case '@':
                rule.atRequest = static_cast<unsigned>(number(part, text, 1000000));
                break;
            case '/': {
                const size_t dot = part.find('.');
                rule.opcode = static_cast<uint8_t>(number(part.substr(0, dot), text, 255));
                if (dot != std::string::npos)
                    rule.firstByte = static_cast<uint8_t>(number(part.substr(dot + 1), text, 255));
                break;
            }
            case '*':
                rule.times = static_cast<unsigned>(number(part, text, 1000000));
                break;
            case ':':
                if (rule.kind == SimFaultKind::LateReply)
                    rule.delayMs = static_cast<uint32_t>(number(part, text, 600000));
                else if (rule.kind == SimFaultKind::Truncated)
                    rule.dropBytes = static_cast<unsigned>(number(part, text, 255));
                else
                    throw std::invalid_argument("fault '" + text +
                                                "': only late and truncated take a parameter");
                break;
        }
        end = next;
    }
    return rule;
}

std::optional<SimFaultRule> SimFaultPlan::take(unsigned requestNumber, uint8_t opcode,
                                               std::optional<uint8_t> firstByte) {
    for (SimFaultRule& r : m_rules) {
        if (r.times != 0 && r.fired >= r.times)
            continue;
        if (r.atRequest != 0 && requestNumber < r.atRequest)
            continue;
        if (r.opcode && *r.opcode != opcode)
            continue;
        if (r.firstByte && (!firstByte || *r.firstByte != *firstByte))
            continue;
        ++r.fired;
        return r;
    }
    return std::nullopt;
}

}  // namespace vantrel

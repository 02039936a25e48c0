// The link monitor's decoder. It reads the line on its own: the frame rules and the request table here
// are written for the monitor and share no code with the link's framing.
#include "operations/linkMonitor.h"

#include <cstdio>

#include "link/writeFileAtomically.h"

namespace vantrel {

namespace {

// Header nibbles and the frames the radio answers with.
constexpr uint8_t kExtended = 0x0F;
constexpr uint8_t kAck = 0x05;
constexpr uint8_t kNak = 0x06;

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

std::string number(unsigned value) {
    return std::to_string(value);
}

/// Big-endian value of payload bytes [from, from + count).
unsigned value(const std::vector<uint8_t>& p, size_t from, size_t count) {
    unsigned v = 0;
    for (size_t i = from; i < from + count && i < p.size(); ++i) v = (v << 8) | p[i];
    return v;
}

std::string printableText(const std::vector<uint8_t>& p, size_t from, size_t count) {
    std::string out;
    for (size_t i = from; i < from + count && i < p.size(); ++i)
        out += p[i] >= 0x20 && p[i] < 0x7F ? char(p[i]) : '.';
    return out;
}

const char* softpotFunction(uint8_t function) {
    switch (function) {
        case 0:
            return "read";
        case 1:
            return "program";
        case 2:
            return "live";
        case 3:
            return "table read";
        case 4:
            return "table program";
        default:
            return "function ?";
    }
}

const char* identityItem(uint8_t item) {
    switch (item) {
        case 0x00:
            return "model number";
        case 0x01:
            return "serial number";
        case 0x05:
            return "power-up status";
        case 0x0E:
            return "IC version";
        case 0x0F:
            return "unique identifier";
        default:
            return "identity item ?";
    }
}

/// The kind of request an opcode names, without any of its fields: what a refusal tells.
std::string requestKind(uint8_t opcode) {
    switch (opcode) {
        case 0x10:
            return "reset request";
        case 0x11:
            return "memory read request";
        case 0x17:
            return "memory write request";
        case 0x18:
            return "serial number write request";
        case 0x19:
            return "key request";
        case 0x1B:
            return "tuning block read request";
        case 0x1F:
            return "auto-tune request";
        case 0x20:
            return "softpot request";
        case 0x21:
            return "channel request";
        case 0x22:
            return "test mode request";
        case 0x23:
            return "identity read request";
        case 0x28:
            return "baseband offset request";
        default: {
            char code[16];
            std::snprintf(code, sizeof code, "request 0x%02X", opcode);
            return code;
        }
    }
}

}  // namespace

std::string linkEvent::format() const {
    const char* arrow = "  ";
    switch (kind) {
        case Kind::Request:
        case Kind::Retry:
            arrow = "->";
            break;
        case Kind::Echo:
        case Kind::Ack:
        case Kind::Nak:
        case Kind::Reply:
        case Kind::Noise:
            arrow = "<-";
            break;
        case Kind::Silence:
        case Kind::Port:
        case Kind::Note:
            arrow = "--";
            break;
    }
    char head[32];
    std::snprintf(head, sizeof head, "%8u ms  %s ", ms, arrow);
    return head + text;
}

// --- Frames ---------------------------------------------------------------------------------------------

size_t linkMonitor::FrameReader::expected() const {
    const uint8_t header = m_bytes[0];
    const uint8_t opNibble = header >> 4;
    const uint8_t countNibble = header & 0x0F;
    size_t at = 1;
    if (opNibble == kExtended)
        ++at;
    if (countNibble == 0)
        return opNibble == kExtended ? at + 1 : 1;
    if (countNibble != kExtended)
        return at + countNibble;
    if (m_bytes.size() < at + 2)
        return at + 2;
    return at + 2 + ((size_t(m_bytes[at]) << 8) | m_bytes[at + 1]);
}

bool linkMonitor::FrameReader::feed(uint8_t byte) {
    m_bytes.push_back(byte);
    return m_bytes.size() >= expected();
}

linkMonitor::Frame linkMonitor::FrameReader::take() {
    Frame f;
    f.bytes = std::move(m_bytes);
    m_bytes.clear();
    const uint8_t header = f.bytes[0];
    size_t at = 1;
    f.opcode = header >> 4;
    if (f.opcode == kExtended && f.bytes.size() > 1)
        f.opcode = f.bytes[at++];
    if ((header & 0x0F) == kExtended)
        at += 2;
    if (f.bytes.size() > at + 1)
        f.payload.assign(f.bytes.begin() + long(at), f.bytes.end() - 1);
    if (f.bytes.size() > 1) {
        unsigned sum = 0;
        for (uint8_t b : f.bytes) sum += b;
        f.checksumGood = (sum & 0xFF) == 0xFF;
    }
    return f;
}

// --- Meanings -------------------------------------------------------------------------------------------

std::string linkMonitor::describeRequest(uint8_t opcode, const std::vector<uint8_t>& p) {
    switch (opcode) {
        case 0x10:
            return "reset";
        case 0x11:
            return "memory read " + number(value(p, 0, 1)) + " bytes at " + number(value(p, 1, 3));
        case 0x17:
            return "memory write " + number(unsigned(p.size() > 3 ? p.size() - 3 : 0)) + " bytes at " +
                   number(value(p, 0, 3));
        case 0x18:
            return "write serial number \"" + printableText(p, 1, 10) + "\"";
        case 0x19:
            return value(p, 0, 1) ? "key up" : "dekey";
        case 0x1B:
            return "read tuning block";
        case 0x1F:
            return "auto-tune softpot " + number(value(p, 0, 1));
        case 0x20: {
            const unsigned softpot = value(p, 0, 1);
            const uint8_t function = p.size() > 1 ? p[1] : 0;
            std::string s = "softpot " + number(softpot) + " " + softpotFunction(function);
            if ((function == 1 || function == 2) && p.size() > 2)
                s += " " + number(value(p, 2, p.size() - 2));
            else if (function == 4 && p.size() > 2)
                s += " " + hex(std::vector<uint8_t>(p.begin() + 2, p.end()));
            return s;
        }
        case 0x21:
            if (p.size() >= 5)
                return "channel pair tx " + number(value(p, 1, 2)) + " rx " + number(value(p, 3, 2));
            return "channel " + number(value(p, 1, 2));
        case 0x22:
            return "test mode " + number(value(p, 0, 1)) + " " + number(value(p, 1, 1)) + " " +
                   number(value(p, 2, 1));
        case 0x23:
            return std::string("read ") + identityItem(p.empty() ? 0xFF : p[0]);
        case 0x28:
            if (p.size() >= 3)
                return "write baseband offset item " + number(value(p, 0, 1)) + " " + number(value(p, 1, 1)) +
                       " " + number(value(p, 2, 1));
            return "read baseband offset item " + number(value(p, 0, 1)) + " index " + number(value(p, 1, 1));
        default: {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", opcode);
            return std::string("request ") + code;
        }
    }
}

std::string linkMonitor::describeReply(uint8_t opcode, const std::vector<uint8_t>& p) {
    switch (opcode) {
        case 0x80:
            return "memory read reply at " + number(value(p, 0, 3)) + ", " +
                   number(unsigned(p.size() > 3 ? p.size() - 3 : 0)) + " bytes";
        case 0x84:
            return "memory written at " + number(value(p, 0, 3));
        case 0x85:
            return "memory write refused at " + number(value(p, 0, 3));
        case 0x86: {
            // The refusal carries the refused opcode only: its fields are not there to decode.
            if (p.empty())
                return "unsupported: request";
            std::string s = "unsupported: " + requestKind(p[0]);
            if (p.size() > 1)
                s += ", then " + hex(std::vector<uint8_t>(p.begin() + 1, p.end()));
            return s;
        }
        case 0x8A:
            return "softpot " + number(value(p, 0, 1)) + " = " +
                   number(value(p, 1, p.size() > 1 ? p.size() - 1 : 0));
        default: {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", opcode);
            return std::string("data reply ") + code + ", " + number(unsigned(p.size())) +
                   (p.size() == 1 ? " byte" : " bytes");
        }
    }
}

// --- Events ---------------------------------------------------------------------------------------------

linkMonitor::linkMonitor(size_t capacity) : m_capacity(capacity) {}

uint32_t linkMonitor::since(uint32_t ms) const {
    return ms - m_origin;
}

void linkMonitor::add(uint32_t ms, linkEvent::Kind kind, std::string text) {
    if (!m_started) {
        m_started = true;
        m_origin = ms;
    }
    linkEvent e{since(ms), kind, std::move(text)};
    m_events.push_back(e);
    while (m_events.size() > m_capacity) m_events.pop_front();
    if (listener)
        listener(m_events.back());
}

void linkMonitor::note(const std::string& text) {
    add(m_started ? m_origin + (m_events.empty() ? 0 : m_events.back().ms) : 0, linkEvent::Kind::Note, text);
}

void linkMonitor::setHeader(const std::string& version, const std::string& serial, const std::string& model) {
    m_version = version;
    m_serial = serial;
    m_model = model;
}

void linkMonitor::portOpened(uint32_t ms, const std::string& name) {
    m_sent.clear();
    m_received.clear();
    m_echoExpected.clear();
    m_awaitingAck = false;
    m_lastFailed = false;
    m_lastRequest.clear();  // the exchange retries within one connection only
    add(ms, linkEvent::Kind::Port, "port " + name + " opened");
}

void linkMonitor::portClosed(uint32_t ms) {
    if (m_awaitingAck)
        add(ms, linkEvent::Kind::Silence, "no answer to the last request");
    m_awaitingAck = false;
    if (!m_received.empty())
        add(ms, linkEvent::Kind::Noise, "incomplete frame [" + hex(m_received.pending()) + "]");
    m_received.clear();
    add(ms, linkEvent::Kind::Port, "port closed");
}

void linkMonitor::byteSent(uint32_t ms, uint8_t byte) {
    m_echoExpected.push_back(byte);
    if (m_sent.feed(byte))
        requestComplete(ms, m_sent.take());
}

void linkMonitor::requestComplete(uint32_t ms, const Frame& frame) {
    if (m_awaitingAck) {
        add(ms, linkEvent::Kind::Silence, "no answer after " + number(ms - m_lastRequestMs) + " ms");
        m_lastFailed = true;
    }
    // The same frame again after a failed attempt is a retry; after a good answer it is a new request.
    const bool repeated = m_lastFailed && frame.bytes == m_lastRequest;
    m_lastFailed = false;
    std::string text = describeRequest(frame.opcode, frame.payload) + "   [" + hex(frame.bytes) + "]";
    if (!frame.checksumGood)
        text += " BAD CHECKSUM";
    add(ms, repeated ? linkEvent::Kind::Retry : linkEvent::Kind::Request, (repeated ? "retry: " : "") + text);
    m_lastRequest = frame.bytes;
    m_lastRequestMs = ms;
    m_awaitingAck = true;
}

void linkMonitor::bytesReceived(uint32_t ms, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) replyByte(ms, bytes[i]);
}

void linkMonitor::replyByte(uint32_t ms, uint8_t byte) {
    // The shared bus gives our own bytes back first.
    if (!m_echoExpected.empty() && m_received.empty()) {
        if (byte == m_echoExpected.front()) {
            m_echoExpected.erase(m_echoExpected.begin());
            if (m_echoExpected.empty())
                add(ms, linkEvent::Kind::Echo, "echo");
            return;
        }
        add(ms, linkEvent::Kind::Noise,
            "echo differs: expected " + hex({m_echoExpected.front()}) + ", heard " + hex({byte}));
        m_echoExpected.clear();
    }
    if (!m_received.feed(byte))
        return;
    const Frame f = m_received.take();
    if (f.opcode == kAck && f.bytes.size() == 1) {
        m_awaitingAck = false;
        m_lastFailed = false;
        add(ms, linkEvent::Kind::Ack, "ACK");
        return;
    }
    if (f.opcode == kNak) {
        m_awaitingAck = false;
        m_lastFailed = true;
        add(ms, linkEvent::Kind::Nak, "NAK   [" + hex(f.bytes) + "]");
        return;
    }
    m_awaitingAck = false;
    noteIdentity(f.payload);
    std::string text = describeReply(f.opcode, f.payload) + "   [" + hex(f.bytes) + "]";
    if (!f.checksumGood) {
        text += " BAD CHECKSUM";
        m_lastFailed = true;
    }
    add(ms, linkEvent::Kind::Reply, text);
}

void linkMonitor::noteIdentity(const std::vector<uint8_t>& payload) {
    // The identity replies give the radio for the trace's head, whoever asked for them.
    constexpr size_t kIdentityOpcodeAt = 1;  // header, then the extended opcode of the request
    if (m_lastRequest.size() < 4 || m_lastRequest[kIdentityOpcodeAt] != 0x23)
        return;
    const uint8_t item = m_lastRequest[2];
    if (item == 0x01 && m_serial.empty())
        m_heardSerial = printableText(payload, 1, 10);
    else if (item == 0x00 && m_model.empty())
        m_heardModel = printableText(payload, 1, 16);
}

std::string linkMonitor::text() const {
    std::string out = "Vantrel link trace\n";
    out += "Program version: " + (m_version.empty() ? std::string("unknown") : m_version) + "\n";
    const std::string& serial = m_serial.empty() ? m_heardSerial : m_serial;
    const std::string& model = m_model.empty() ? m_heardModel : m_model;
    out += "Radio serial number: " + (serial.empty() ? std::string("not read") : serial) + "\n";
    out += "Radio model number: " + (model.empty() ? std::string("not read") : model) + "\n";
    out += "Times are milliseconds of line time from the first event; -> sent, <- heard, -- noted.\n\n";
    for (const linkEvent& e : m_events) out += e.format() + "\n";
    return out;
}

bool linkMonitor::save(const std::string& path) const {
    return static_cast<bool>(writeFileAtomically(path, text()));
}

}  // namespace vantrel

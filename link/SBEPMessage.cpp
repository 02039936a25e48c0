// SBEP frames and the exchange.
#include "link/SBEPMessage.h"

#include <algorithm>
#include <cstring>

#include "link/CharacterTimer.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"

namespace vantrel {

namespace sbep {

uint8_t checksum(const uint8_t* bytes, size_t count) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(0xFF - sum);
}

std::vector<uint8_t> buildFrame(uint8_t opcode, const uint8_t* payload, size_t length) {
    const bool extendedOpcode = opcode >= ExtendedMarker;
    const size_t count = length + 1;  // payload plus checksum
    const bool extendedCount = count >= ExtendedMarker;
    const bool loneHeader = !extendedOpcode && length == 0;
    std::vector<uint8_t> frame;
    frame.reserve(length + 5);
    uint8_t high = extendedOpcode ? ExtendedMarker : opcode;
    uint8_t low = loneHeader ? 0 : (extendedCount ? ExtendedMarker : static_cast<uint8_t>(count));
    frame.push_back(static_cast<uint8_t>((high << 4) | low));
    if (extendedOpcode)
        frame.push_back(opcode);
    if (!loneHeader && extendedCount) {
        frame.push_back(static_cast<uint8_t>(count >> 8));
        frame.push_back(static_cast<uint8_t>(count));
    }
    if (length > 0)
        frame.insert(frame.end(), payload, payload + length);
    if (!loneHeader)
        frame.push_back(checksum(frame.data(), frame.size()));
    return frame;
}

std::string hexBytes(const uint8_t* bytes, size_t count) {
    static const char* const digits = "0123456789ABCDEF";
    if (count == 0)
        return "nothing";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

std::string requestName(const uint8_t* frame, size_t length) {
    if (frame == nullptr || length == 0)
        return "request";
    const bool extendedOpcode = (frame[0] >> 4) == ExtendedMarker;
    const uint8_t opcode = extendedOpcode && length > 1 ? frame[1] : static_cast<uint8_t>(frame[0] >> 4);
    size_t header = 1 + (extendedOpcode ? 1 : 0) + ((frame[0] & 0x0F) == ExtendedMarker ? 2 : 0);
    const auto at = [&](size_t i) -> int { return header + i + 1 < length ? frame[header + i] : -1; };
    const auto number = [](int v) { return std::to_string(v < 0 ? 0 : v); };
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
            return at(0) == 0 ? "dekey request" : "key up request";
        case 0x1B:
            return "tuning block request";
        case 0x1F:
            return "auto-tune request for softpot " + number(at(0));
        case 0x20: {
            static const char* const functions[] = {"read", "program", "live value", "table read",
                                                    "table program"};
            const int function = at(1);
            const std::string what =
                function >= 0 && function <= 4 ? functions[function] : "function " + number(function);
            return "softpot " + number(at(0)) + " " + what + " request";
        }
        case 0x21:
            return "channel request";
        case 0x22:
            return "test mode request " + number(at(0)) + " " + number(at(1)) + " " + number(at(2));
        case 0x23:
            switch (at(0)) {
                case 0x00:
                    return "model number request";
                case 0x01:
                    return "serial number request";
                case 0x05:
                    return "power-up status request";
                case 0x0E:
                    return "IC version request";
                case 0x0F:
                    return "unique identifier request";
                default:
                    return "identity request " + number(at(0));
            }
        case 0x28:
            return "baseband offset request";
        default:
            return "request " + hexBytes(&opcode, 1);
    }
}

}  // namespace sbep

namespace sbep {

size_t headerLength(uint8_t b0) {
    size_t n = 1;
    if ((b0 >> 4) == ExtendedMarker)
        ++n;
    if ((b0 & 0x0F) == ExtendedMarker)
        n += 2;
    return n;
}

uint8_t frameOpcode(const uint8_t* frame) {
    return frame[0] >= 0xF0 ? frame[1] : static_cast<uint8_t>(frame[0] >> 4);
}

bool checkDataReply(const DataReplyRule& rule, const uint8_t* frame, size_t length) {
    const size_t header = length > 0 ? headerLength(frame[0]) : 1;
    const bool whole = length >= header && length >= 2;
    const size_t count = !whole ? 0
                         : (frame[0] & 0x0F) == ExtendedMarker
                             ? static_cast<size_t>((frame[header - 2] << 8) | frame[header - 1])
                             : static_cast<size_t>(frame[0] & 0x0F);
    const auto fail = [&](auto failure, const char* what) {
        const size_t shown = std::min({length, header + count, size_t{24}});
        failure.noteArrived(std::string(what) + ": " + hexBytes(frame, shown));
        throw failure;
    };
    if (!whole)
        fail(BadReply(), "a reply cut short");
    const uint8_t opcode = frameOpcode(frame);
    if (opcode == Unsupported)
        fail(UnsupportedMessage(), "the radio refused the request");
    if (opcode == Nak || opcode == Ack)
        fail(BadReply(), "an acknowledge instead of the data reply");
    const bool ownKind = rule.opcode >= 0 ? opcode == rule.opcode
                                          : opcode != MemoryReadReply && opcode != MemoryWriteReply &&
                                                opcode != MemoryWriteRefused && opcode != BboReply &&
                                                opcode != SoftpotReply;
    if (!ownKind) {
        if (rule.otherOpcodeMeansNone)
            return false;
        fail(BadReply(), "the reply of another request");
    }
    const size_t payload = count > 0 ? count - 1 : 0;
    if (rule.header != 0 && header != rule.header)
        fail(BadReply(), "a reply in another frame form");
    if (payload < rule.payload || (rule.exact && payload != rule.payload) || header + rule.payload > length)
        fail(BadReply(), "a reply of another length");
    for (size_t i = 0; i < rule.echo.size(); ++i)
        if (frame[header + i] != rule.echo[i])
            fail(BadReply(), "the reply of another request");
    return true;
}

}  // namespace sbep

using sbep::frameOpcode;
using sbep::headerLength;

// ---- receive buffer ----------------------------------------------------------------------------

void ReceiveBuffer::clear() {
    std::memset(m_bytes, 0, sizeof m_bytes);
    m_offset = 0;
}

bool ReceiveBuffer::dataReplyUnsupported() const {
    return dataReplyPresent() && sbep::frameOpcode(m_bytes + m_offset + 1) == sbep::Unsupported;
}

size_t ReceiveBuffer::dataRoom() const {
    // The classic buffer ends at byte 50; a long echo still leaves room for the largest data reply.
    size_t classic = m_offset + 1 < Size ? Size - 1 - m_offset : 0;
    return std::max<size_t>(classic, 45);
}

uint8_t ReceiveBuffer::dataReplyByte(size_t i) const {
    size_t header = m_offset + 1;
    size_t at = ((m_bytes[header] & 0x0F) == sbep::ExtendedMarker ? m_offset + 5 : m_offset + 3) + i;
    return at < Capacity ? m_bytes[at] : 0;
}

uint16_t ReceiveBuffer::dataReplyValue16() const {
    return static_cast<uint16_t>((dataReplyByte(1) << 8) | dataReplyByte(2));
}

uint32_t ReceiveBuffer::dataReplyValue32() const {
    return (static_cast<uint32_t>(dataReplyByte(1)) << 24) | (static_cast<uint32_t>(dataReplyByte(2)) << 16) |
           (static_cast<uint32_t>(dataReplyByte(3)) << 8) | dataReplyByte(4);
}

void ReceiveBuffer::copyDataReply(uint8_t* buffer) const {
    std::memset(buffer, 0, sbep::ReplyBufferSize);
    size_t n = std::min(dataRoom(), sbep::ReplyBufferSize);
    std::memcpy(buffer, m_bytes + m_offset + 1, n);
}

void ReceiveBuffer::storeDataReply(const uint8_t* frame, size_t length) {
    size_t room = dataRoom();
    std::memset(m_bytes + m_offset + 1, 0, room);
    std::memcpy(m_bytes + m_offset + 1, frame, std::min(length, room));
}

ReceiveBuffer& receiveBuffer() {
    thread_local ReceiveBuffer buffer;
    return buffer;
}

// ---- replies ----------------------------------------------------------------------------------

uint8_t SBEPReply::opcode() const {
    return m_frame.empty() ? 0 : frameOpcode(m_frame.data());
}

size_t SBEPReply::dataLength() const {
    if (m_frame.empty())
        return 0;
    size_t header = headerLength(m_frame[0]);
    return m_frame.size() > header + 1 ? m_frame.size() - header - 1 : 0;
}

const uint8_t* SBEPReply::data() const {
    return m_frame.data() + (m_frame.empty() ? 0 : headerLength(m_frame[0]));
}

void SBEPReply::copyData(uint8_t* destination) const {
    // A frame without payload copies nothing; the caller may then pass an empty (null) destination.
    if (const size_t n = dataLength(); n > 0)
        std::memcpy(destination, data(), n);
}

SBEPReply readReplyFrame(Win32CommunicationPort& port, uint32_t firstByteLimit, uint32_t maxIdle,
                         const ReplyAcceptance& acceptance) {
    std::vector<uint8_t> frame;
    uint8_t b0 = port.readByte(firstByteLimit);
    frame.push_back(b0);
    uint8_t opcode;
    if (b0 >= 0xF0) {
        opcode = port.readByte(firstByteLimit);
        frame.push_back(opcode);
    } else {
        opcode = static_cast<uint8_t>(b0 >> 4);
    }
    switch (acceptance.kind) {
        case ReplyAcceptance::Kind::Expected:
            if (opcode != acceptance.expected && (opcode == sbep::Nak || opcode == sbep::Unsupported))
                throw BadReply();
            break;
        case ReplyAcceptance::Kind::List:
            if (std::find(acceptance.accepted.begin(), acceptance.accepted.end(), opcode) ==
                acceptance.accepted.end())
                throw BadReply();
            break;
        case ReplyAcceptance::Kind::Any:
            break;
    }
    size_t count = b0 & 0x0F;
    if (count == sbep::ExtendedMarker) {
        uint16_t n = port.readWord16(firstByteLimit);
        frame.push_back(static_cast<uint8_t>(n >> 8));
        frame.push_back(static_cast<uint8_t>(n));
        count = n;
    }
    size_t at = frame.size();
    frame.resize(at + count);
    port.readBytes(frame.data() + at, static_cast<unsigned>(count), maxIdle);
    if (frame.size() >= 2 && frame.back() != sbep::checksum(frame.data(), frame.size() - 1))
        throw BadReply();
    return SBEPReply(std::move(frame));
}

// ---- the exchange -----------------------------------------------------------------------------

SBEPMessage::SBEPMessage(uint8_t opcode, const uint8_t* payload, size_t length)
    : ProtocolMessage(sbep::buildFrame(opcode, payload, length)), m_opcode(opcode) {}

SBEPMessage::SBEPMessage(uint8_t opcode, std::initializer_list<uint8_t> payload)
    : SBEPMessage(opcode, payload.begin(), payload.size()) {}

void SBEPMessage::collect(Win32CommunicationPort& port) {
    ReceiveBuffer& rb = receiveBuffer();
    rb.clear();
    const size_t frameLength = size();
    uint8_t* buf = rb.raw();
    const bool isReset = frameLength > 1 && bytes()[1] == sbep::ResetOpcode;

    // The echo: every byte we sent comes back on the shared bus first.
    port.waitForBytes(static_cast<unsigned>(frameLength), sbep::EchoSilencePerByte * frameLength);
    port.read(buf, static_cast<int>(frameLength));
    rb.setOffset(frameLength);
    const size_t room = rb.dataRoom();

    size_t waiting = 0;
    bool ackArrived = false;
    try {
        port.waitForByte(sbep::AckSilence);
        port.read(buf + frameLength, 1);
        ackArrived = true;
        if (buf[frameLength] == sbep::AckFrame && !isReset) {
            port.waitForByte(sbep::DataReplySilence);
            // Let the whole declared reply arrive before measuring it: a reply still on the wire when
            // the count is taken is not a wrong-length reply.
            int b0 = port.peekByte(0);
            size_t header = headerLength(static_cast<uint8_t>(b0));
            if (header > 1)
                port.waitForBytes(static_cast<unsigned>(header), sbep::AckSilence);
            size_t declared = b0 & 0x0F;
            if (declared == sbep::ExtendedMarker)
                declared = (static_cast<size_t>(port.peekByte(header - 2)) << 8) | port.peekByte(header - 1);
            size_t total = std::min(header + declared, room);
            port.waitForBytes(static_cast<unsigned>(total), sbep::AckSilence);
        }
    } catch (const TimeoutOnReceive&) {
    }
    if (buf[frameLength] == sbep::AckFrame && !isReset) {
        waiting = port.bytesWaiting();
        if (waiting > 0)
            port.read(buf + frameLength + 1, static_cast<int>(std::min(waiting, room)));
    }

    // What came after the echo, for the failure's description.
    const auto arrived = [&] {
        return sbep::hexBytes(buf + frameLength, ackArrived ? 1 + std::min(waiting, room) : 0);
    };
    const auto fail = [&](auto failure) {
        if (!ackArrived)
            failure.noteNoAnswer();
        else
            failure.noteArrived(arrived());
        throw failure;
    };

    const uint8_t* reply = buf + frameLength + 1;
    if (reply[0] != 0 && !isReset) {
        size_t expected, measured;
        const bool extendedCount = (reply[0] & 0x0F) == sbep::ExtendedMarker;
        const size_t fields = extendedCount ? 4 : 2;
        // Long replies stay below 256 bytes: the count's high byte is 0, so OR-ing the two count
        // bytes gives the count.
        expected =
            extendedCount ? static_cast<size_t>(reply[2] | reply[3]) : static_cast<size_t>(reply[0] & 0x0F);
        measured = waiting >= fields ? waiting - fields : 0;
        if (waiting < fields || expected != measured) {
            ReplyLengthError failure;
            failure.noteArrived("the reply declared " + std::to_string(expected) +
                                " bytes after its header, " + std::to_string(measured) +
                                " arrived: " + arrived());
            throw failure;
        }
        // A corrupted byte in a reply that came with the acknowledge must not reach the record.
        size_t total = headerLength(reply[0]) + ((reply[0] & 0x0F) == sbep::ExtendedMarker
                                                     ? static_cast<size_t>((reply[2] << 8) | reply[3])
                                                     : static_cast<size_t>(reply[0] & 0x0F));
        if (total >= 2 && total <= room && reply[total - 1] != sbep::checksum(reply, total - 1))
            fail(BadReply());
    }

    uint8_t first = buf[frameLength];
    uint8_t firstOpcode = first >= 0xF0 ? 0 : static_cast<uint8_t>(first >> 4);
    if (firstOpcode != sbep::Ack && firstOpcode != sbep::Nak)
        fail(BadReply());
    if (firstOpcode != sbep::Ack)
        fail(MessageNotAcknowledged());
}

void SBEPMessage::withinWindow(Win32CommunicationPort& port, SendMode mode,
                               const std::function<void()>& body) {
    // A stop request ends the operation between exchanges, never inside one; the reset that leaves the
    // radio safe is always sent.
    if (m_opcode != sbep::ResetOpcode && linkContext().stopSignal) {
        if (const int signal = linkContext().stopSignal(); signal != 0)
            throw OperationInterrupted(signal);
    }
    port.purgeInput();
    if (mode == SendMode::Echo)
        port.write(bytes(), static_cast<unsigned>(size()));
    else
        port.writeNoEcho(bytes(), static_cast<unsigned>(size()));
    CharacterTimer timer(port.clock(), port.characterTime());
    uint32_t echoIdle = port.waitForByte(sbep::EchoStartLimit);
    try {
        collect(port);
        body();
    } catch (...) {
        timer.waitPeriods(echoIdle < sbep::EchoStartLimit ? sbep::EchoStartLimit - echoIdle : 0);
        throw;
    }
}

void SBEPMessage::noteFailure(Exception& failure) const {
    if (!failure.request().empty())
        return;  // an inner request (a resend) already said which request it was
    failure.noteRequest(sbep::requestName(bytes(), size()), m_attempts);
    if (dynamic_cast<const TimeoutOnReceive*>(&failure) != nullptr)
        failure.noteNoAnswer();
}

template <typename Slot>
void SBEPMessage::retrying(Slot slot) {
    for (;;) {
        ++m_attempts;
        try {
            slot();
            return;
        } catch (UnsupportedMessage& failure) {
            noteFailure(failure);
            throw;
        } catch (CommunicationError& failure) {
            if (m_attempts >= sbep::MaxAttempts) {
                noteFailure(failure);
                throw;
            }
        } catch (OperationInterrupted&) {
            throw;
        } catch (Exception& failure) {
            noteFailure(failure);
            throw;
        }
    }
}

void SBEPMessage::checkRefusal(const uint8_t* frame, size_t length) const {
    if (m_refusalFails && length > 1 && frameOpcode(frame) == sbep::Unsupported) {
        UnsupportedMessage refused;
        refused.noteArrived("the radio refused the request: " +
                            sbep::hexBytes(frame, std::min<size_t>(length, 8)));
        throw refused;
    }
}

void SBEPMessage::exchange(Win32CommunicationPort& port) {
    withinWindow(port, SendMode::NoEcho, [&] {
        const ReceiveBuffer& rb = receiveBuffer();
        // The radio answers a reset with its acknowledge alone: once that is in, the reset is done.
        if (m_opcode == sbep::ResetOpcode)
            return;
        if (!rb.dataReplyPresent())
            awaitReply(port);
        else
            checkRefusal(rb.raw() + rb.offset() + 1, rb.dataRoom());
    });
}

void SBEPMessage::send(Win32CommunicationPort& port) {
    retrying([&] { exchange(port); });
}

void SBEPMessage::takeDataReply(const uint8_t* frame, size_t length, uint8_t* buffer, size_t room) {
    m_answeredNone = !sbep::checkDataReply(*m_rule, frame, length);
    // The caller reads the payload at fixed frame positions: all of them must lie in what it gets.
    const size_t needed = sbep::headerLength(frame[0]) + m_rule->payload;
    if (!m_answeredNone && needed > std::min(length, room)) {
        m_missing = MissingData::TooLate;
        m_lateBytes = sbep::hexBytes(frame, std::min(length, room));
        return;
    }
    std::memset(buffer, 0, sbep::ReplyBufferSize);
    std::memcpy(buffer, frame, std::min({length, room, sbep::ReplyBufferSize}));
}

void SBEPMessage::exchangeInto(Win32CommunicationPort& port, uint8_t* buffer) {
    m_missing = MissingData::None;
    withinWindow(port, SendMode::Echo, [&] {
        const ReceiveBuffer& rb = receiveBuffer();
        if (!rb.dataReplyPresent())
            awaitReplyInto(port, buffer);
        else if (m_rule)
            takeDataReply(rb.raw() + rb.offset() + 1, rb.dataRoom(), buffer, sbep::ReplyBufferSize);
        else
            rb.copyDataReply(buffer);
    });
}

void SBEPMessage::exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    withinWindow(port, SendMode::Echo, [&] {
        if (!receiveBuffer().dataReplyPresent())
            awaitReplyNoted(port, notes, flag);
    });
}

void SBEPMessage::exchangeFirst(Win32CommunicationPort&, SupportNotes&, int) {}

void SBEPMessage::sendInto(Win32CommunicationPort& port, uint8_t* buffer) {
    retrying([&] { exchangeInto(port, buffer); });
    // Acknowledged, but no data the caller could take: zeros in its place would pass for an identity or
    // a tuning block without points. The radio did answer, so this is not retried.
    if (m_missing != MissingData::None) {
        TimeoutOnReceive late;
        late.noteRequest(sbep::requestName(bytes(), size()), m_attempts);
        late.noteArrived(m_missing == MissingData::NoReply
                             ? "the acknowledge, but no data reply"
                             : "the data reply too late, only its first bytes were taken: " + m_lateBytes);
        throw late;
    }
}

void SBEPMessage::sendNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    retrying([&] { exchangeNoted(port, notes, flag); });
}

void SBEPMessage::sendFirst(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    ++m_attempts;
    try {
        exchangeFirst(port, notes, flag);
        return;
    } catch (UnsupportedMessage& failure) {
        noteFailure(failure);
        throw;
    } catch (CommunicationError& failure) {
        if (m_attempts >= sbep::MaxAttempts) {
            noteFailure(failure);
            throw;
        }
    } catch (OperationInterrupted&) {
        throw;
    } catch (Exception& failure) {
        noteFailure(failure);
        throw;
    }
    sendNoted(port, notes, flag);
}

void SBEPMessage::awaitReply(Win32CommunicationPort& port) {
    std::optional<SBEPReply> reply;
    try {
        reply = readReplyFrame(port, sbep::DiscardReplySilence, sbep::DiscardReplySilence,
                               ReplyAcceptance::any());
    } catch (const CommunicationError&) {
    }
    if (reply)
        checkRefusal(reply->bytes(), reply->size());
}

void SBEPMessage::awaitReplyInto(Win32CommunicationPort& port, uint8_t* buffer) {
    // A separate reply hands the caller its first 24 bytes only.
    constexpr size_t kSeparateReplyKept = 24;
    try {
        SBEPReply reply = readReplyFrame(port, sbep::SeparateReplySilence, sbep::SeparateReplySilence,
                                         ReplyAcceptance::any());
        if (reply.opcode() == sbep::Nak)
            throw BadReply();
        receiveBuffer().storeDataReply(reply.bytes(), reply.size());
        if (m_rule) {
            takeDataReply(reply.bytes(), reply.size(), buffer, kSeparateReplyKept);
            return;
        }
        std::memset(buffer, 0, sbep::ReplyBufferSize);
        std::memcpy(buffer, reply.bytes(), std::min<size_t>(reply.size(), kSeparateReplyKept));
        if (reply.opcode() == sbep::Unsupported)
            throw UnsupportedMessage();
    } catch (const TimeoutOnReceive&) {
        if (m_rule)
            m_missing = MissingData::NoReply;
    }
}

void SBEPMessage::awaitReplyNoted(Win32CommunicationPort& port, SupportNotes&, int) {
    try {
        SBEPReply reply = readReplyFrame(port, sbep::SeparateReplySilence, sbep::SeparateReplySilence,
                                         ReplyAcceptance::any());
        if (reply.opcode() == sbep::Nak)
            throw BadReply();
        receiveBuffer().storeDataReply(reply.bytes(), reply.size());
        if (reply.opcode() == sbep::Unsupported)
            throw UnsupportedMessage();
    } catch (const TimeoutOnReceive&) {
    }
}

int SBEPMessage::handleWriteFailure(const Exception&, Win32CommunicationPort&) {
    return 0;
}

}  // namespace vantrel

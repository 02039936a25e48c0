// Request catalogue: payloads and the reply decoding of the softpot and memory requests.
#include "link/SBEPRequests.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "link/Exceptions.h"
#include "link/SupportNotes.h"

namespace vantrel {

namespace {

std::vector<uint8_t> softpotPayload(uint8_t softpot, uint8_t function, uint32_t value, unsigned width) {
    std::vector<uint8_t> p{softpot, function};
    for (unsigned i = width; i > 0; --i) p.push_back(static_cast<uint8_t>(value >> (8 * (i - 1))));
    return p;
}

std::vector<uint8_t> bytesPayload(uint8_t softpot, uint8_t function, const uint8_t* bytes, unsigned count) {
    std::vector<uint8_t> p{softpot, function};
    p.insert(p.end(), bytes, bytes + count);
    return p;
}

uint8_t modeBits(int mode, uint8_t bit) {
    return mode == 3 ? bit : 0;
}

// Flags whose softpot reply carries a 16-bit or a 32-bit value when it comes with the acknowledge.
unsigned notedWidth(int flag) {
    if (flag == 2 || flag == 16)
        return 2;
    if (flag == 20)
        return 4;
    return 1;
}

void putAddress(std::vector<uint8_t>& p, uint32_t address) {
    p.push_back(static_cast<uint8_t>(address >> 16));
    p.push_back(static_cast<uint8_t>(address >> 8));
    p.push_back(static_cast<uint8_t>(address));
}

}  // namespace

SBEPReadTuneRequest::SBEPReadTuneRequest() : SBEPMessage(sbepOp::ReadTune, {0x00}) {
    expectDataReply({-1, {}, replyPayload::TuningBlock, false, replyPayload::ExtendedHeader});
}

SBEPTempCompRequest::SBEPTempCompRequest()
    : SBEPMessage(sbepOp::Softpot, {softpotNumber::TempComp, softpotFunction::Read, 0x00}) {
    expectDataReply({sbep::SoftpotReply,
                     {softpotNumber::TempComp},
                     replyPayload::TempComp,
                     false,
                     replyPayload::ShortHeader});
}

SBEPReadRSSIRequest::SBEPReadRSSIRequest()
    : SBEPMessage(sbepOp::Softpot, {softpotNumber::RSSI, softpotFunction::ReadTable, 0x00}) {
    expectDataReply(
        {sbep::SoftpotReply, {softpotNumber::RSSI}, replyPayload::Rssi, false, replyPayload::ShortHeader});
}

SBEPReadRSSICalDacRequest::SBEPReadRSSICalDacRequest(uint8_t softpot)
    : SBEPMessage(sbepOp::Softpot, {softpot, 0x00}) {
    expectDataReply({sbep::SoftpotReply, {softpot}, replyPayload::CalDac, false, replyPayload::ShortHeader});
}

SBEPIdentityRequest::SBEPIdentityRequest(uint8_t subCode, size_t payload, size_t header)
    : SBEPMessage(sbepOp::Identity, {subCode}) {
    expectDataReply({-1, {subCode}, payload, false, header});
}

SBEPReadBBORequest::SBEPReadBBORequest(uint8_t itemCode, uint8_t index, Form form)
    : SBEPMessage(sbepOp::Bbo, {itemCode, index}) {
    DataReplyRule rule{sbep::BboReply, {itemCode}, replyPayload::Bbo, false, replyPayload::ShortHeader};
    rule.otherOpcodeMeansNone = form == Form::Probe;
    expectDataReply(std::move(rule));
}

SBEPWriteSerialNoRequest::SBEPWriteSerialNoRequest(const char* serialNo)
    : SBEPMessage(
          sbepOp::WriteSerialNo,
          [&] {
              std::vector<uint8_t> p{0x00};
              bool ended = false;
              for (int i = 0; i < 10; ++i) {
                  // A shorter text is padded with blanks rather than read past its end.
                  if (!ended && serialNo[i] == '\0')
                      ended = true;
                  p.push_back(ended ? ' ' : static_cast<uint8_t>(serialNo[i]));
              }
              return p;
          }()
              .data(),
          11) {
    failOnRefusal();
}

SBEPChannelRequest::SBEPChannelRequest(uint16_t code, int mode)
    : SBEPMessage(sbepOp::Channel,
                  {modeBits(mode, 0x80), static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}) {}

SBEPChannelRequest::SBEPChannelRequest(uint16_t first, int firstMode, uint16_t second, int secondMode)
    : SBEPMessage(sbepOp::Channel,
                  {static_cast<uint8_t>(modeBits(firstMode, 0x80) | modeBits(secondMode, 0x40)),
                   static_cast<uint8_t>(first >> 8), static_cast<uint8_t>(first),
                   static_cast<uint8_t>(second >> 8), static_cast<uint8_t>(second)}) {}

// ---- softpot family ---------------------------------------------------------------------------

SBEPSoftpotRequest::SBEPSoftpotRequest(uint8_t softpot, Form form)
    : SBEPMessage(sbepOp::Softpot,
                  {softpot, form == Form::Read ? softpotFunction::Read : softpotFunction::ReadTable, 0x00}),
      m_softpot(softpot) {}

SBEPSoftpotRequest::SBEPSoftpotRequest(uint8_t softpot, uint8_t function, uint32_t value, unsigned width)
    : SBEPMessage(sbepOp::Softpot, softpotPayload(softpot, function, value, width).data(), 2 + width),
      m_softpot(softpot),
      m_valueBytes(0) {}

SBEPSoftpotRequest::SBEPSoftpotRequest(uint8_t softpot, uint8_t function, const uint8_t* bytes,
                                       unsigned count)
    : SBEPMessage(sbepOp::Softpot, bytesPayload(softpot, function, bytes, count).data(), 2 + count),
      m_softpot(softpot),
      m_valueBytes(0) {}

SBEPSoftpotRequest::SBEPSoftpotRequest(uint8_t softpot, uint8_t opcode)
    : SBEPMessage(opcode, {softpot}), m_softpot(softpot) {}

void SBEPSoftpotRequest::checkSoftpotReply(const uint8_t* frame, size_t length, unsigned valueBytes) const {
    sbep::checkDataReply({sbep::SoftpotReply, {m_softpot}, 1 + static_cast<size_t>(valueBytes)}, frame,
                         length);
}

bool SBEPSoftpotRequest::readSeparateReply(Win32CommunicationPort& port, uint32_t firstByteLimit) {
    try {
        port.waitForByte(firstByteLimit);
    } catch (const TimeoutOnReceive&) {
        throw BadReply();
    }
    SBEPReply reply = readReplyFrame(port, sbep::SeparateReplySilence, sbep::SeparateReplySilence,
                                     ReplyAcceptance::list({sbep::SoftpotReply, sbep::Unsupported}));
    receiveBuffer().storeDataReply(reply.bytes(), reply.size());
    if (reply.opcode() == sbep::Unsupported)
        return false;
    checkSoftpotReply(reply.bytes(), reply.size(), m_valueBytes);
    m_value = 0;
    m_width = static_cast<unsigned>(reply.dataLength() - 1);
    for (unsigned i = 0; i < m_width && i < 4; ++i) m_value = (m_value << 8) | reply.data()[1 + i];
    return true;
}

void SBEPSoftpotRequest::decodeWithAck(unsigned width) {
    const ReceiveBuffer& rb = receiveBuffer();
    const uint8_t* frame = rb.raw() + rb.offset() + 1;
    // A reply for another softpot, or without the value bytes, is stale or misrouted: never take it.
    checkSoftpotReply(frame, rb.dataRoom(), std::max(width, 1u));
    if (width == 0) {
        size_t count = (frame[0] & 0x0F) == sbep::ExtendedMarker
                           ? static_cast<size_t>((frame[2] << 8) | frame[3])
                           : static_cast<size_t>(frame[0] & 0x0F);
        width = count >= 2 ? static_cast<unsigned>(count - 2) : 0;
    }
    m_width = width;
    m_value = 0;
    for (unsigned i = 0; i < width && i < 4; ++i) m_value = (m_value << 8) | rb.dataReplyByte(1 + i);
}

bool SBEPSoftpotRequest::noteWithAck(SupportNotes& notes, int flag, unsigned valueBytes) {
    const ReceiveBuffer& rb = receiveBuffer();
    if (rb.dataReplyUnsupported()) {
        notes.noteSupport(flag, false);
        m_width = 0;
        return false;
    }
    // Only this softpot's own reply says the radio holds it.
    checkSoftpotReply(rb.raw() + rb.offset() + 1, rb.dataRoom(), valueBytes);
    notes.noteSupport(flag, true);
    return true;
}

void SBEPSoftpotReadRequest::exchange(Win32CommunicationPort& port) {
    withinWindow(port, SendMode::NoEcho, [&] {
        const ReceiveBuffer& rb = receiveBuffer();
        if (!rb.dataReplyPresent()) {
            awaitReply(port);
        } else {
            if (rb.dataReplyUnsupported())
                throw UnsupportedMessage();
            decodeWithAck(0);
        }
    });
}

void SBEPSoftpotReadRequest::exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    withinWindow(port, SendMode::NoEcho, [&] {
        if (!receiveBuffer().dataReplyPresent()) {
            awaitReplyNoted(port, notes, flag);
        } else if (noteWithAck(notes, flag, std::max(notedWidth(flag), m_valueBytes))) {
            // A table read retried this way keeps its table for softpotTableByte.
            decodeWithAck(notedWidth(flag));
        }
    });
}

void SBEPSoftpotReadRequest::exchangeFirst(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    withinWindow(port, SendMode::NoEcho, [&] {
        const ReceiveBuffer& rb = receiveBuffer();
        if (!rb.dataReplyPresent()) {
            awaitReplyNoted(port, notes, flag);
        } else {
            noteWithAck(notes, flag, m_valueBytes);
        }
    });
}

void SBEPSoftpotReadRequest::awaitReply(Win32CommunicationPort& port) {
    if (!readSeparateReply(port, sbep::AckSilence))
        throw UnsupportedMessage();
}

void SBEPSoftpotReadRequest::awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    if (readSeparateReply(port, sbep::AckSilence)) {
        notes.noteSupport(flag, true);
    } else {
        notes.noteSupport(flag, false);
        m_width = 0;
    }
}

void SBEPSoftpotWriteRequest::exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    withinWindow(port, SendMode::Echo, [&] {
        if (!receiveBuffer().dataReplyPresent()) {
            awaitReplyNoted(port, notes, flag);
        } else {
            noteWithAck(notes, flag, 0);
        }
    });
}

void SBEPSoftpotWriteRequest::awaitReply(Win32CommunicationPort& port) {
    SBEPMessage::awaitReply(port);
}

void SBEPSoftpotWriteRequest::awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    if (readSeparateReply(port, sbep::AckSilence)) {
        notes.noteSupport(flag, true);
    } else {
        notes.noteSupport(flag, false);
    }
    m_value = 0;
    m_width = 0;
}

void SBEPAutoTuneRequest::exchangeNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    withinWindow(port, SendMode::Echo, [&] {
        if (!receiveBuffer().dataReplyPresent()) {
            awaitReplyNoted(port, notes, flag);
        } else if (noteWithAck(notes, flag, flag == 1 ? 2 : 1)) {
            decodeWithAck(flag == 1 ? 2 : 1);
        }
    });
}

void SBEPAutoTuneRequest::awaitReply(Win32CommunicationPort& port) {
    if (!readSeparateReply(port, sbep::AckSilence))
        throw UnsupportedMessage();
}

void SBEPAutoTuneRequest::awaitReplyNoted(Win32CommunicationPort& port, SupportNotes& notes, int flag) {
    // The radio may take long to tune: its first byte gets the long silence limit too.
    if (readSeparateReply(port, sbep::SeparateReplySilence)) {
        notes.noteSupport(flag, true);
    } else {
        notes.noteSupport(flag, false);
        m_width = 0;
    }
}

// ---- memory -----------------------------------------------------------------------------------

SBEPReadRequest::SBEPReadRequest(uint32_t address, uint8_t count)
    : SBEPMessage(sbepOp::ReadMemory, {count, static_cast<uint8_t>(address >> 16),
                                       static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)}),
      m_address(address) {
    expectDataReply({sbep::MemoryReadReply,
                     {static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
                      static_cast<uint8_t>(address)},
                     replyPayload::MemoryAddress + count,
                     true,
                     0});
}

void SBEPReadRequest::awaitReply(Win32CommunicationPort& port) {
    readReplyFrame(port, sbep::SeparateReplySilence, sbep::SeparateReplySilence,
                   ReplyAcceptance::expect(sbep::MemoryReadReply));
}

SBEPWriteRequest::SBEPWriteRequest(uint32_t address, const uint8_t* data, unsigned count)
    : SBEPMessage(
          sbepOp::WriteMemory,
          [&] {
              std::vector<uint8_t> p;
              putAddress(p, address);
              if (count)
                  p.insert(p.end(), data, data + count);
              return p;
          }()
              .data(),
          3 + count),
      m_address(address) {}

void SBEPWriteRequest::decode(const SBEPReply& reply) {
    if (reply.dataLength() < 3)
        throw BadReply();
    const uint8_t* d = reply.data();
    uint32_t a = (static_cast<uint32_t>(d[0]) << 16) | (static_cast<uint32_t>(d[1]) << 8) | d[2];
    if (reply.opcode() == sbep::MemoryWriteRefused)
        throw BadWrite(a);
    if (reply.opcode() != sbep::MemoryWriteReply)
        throw BadReply();
    if (a == m_address) {
        m_link = nullptr;
    } else if (a == 0xFFFFFF || a == 0 || (m_link && a == m_link->m_address)) {
        m_link = this;
    } else {
        throw BadReply();
    }
}

void SBEPWriteRequest::exchange(Win32CommunicationPort& port) {
    withinWindow(port, SendMode::NoEcho, [&] {
        const ReceiveBuffer& rb = receiveBuffer();
        if (!rb.dataReplyPresent()) {
            awaitReply(port);
            return;
        }
        // The radio's verdict usually arrives with the acknowledge; a refusal must not pass as success.
        const uint8_t* frame = rb.raw() + rb.offset() + 1;
        size_t header = 1 + ((frame[0] >> 4) == sbep::ExtendedMarker ? 1 : 0) +
                        ((frame[0] & 0x0F) == sbep::ExtendedMarker ? 2 : 0);
        size_t count = (frame[0] & 0x0F) == sbep::ExtendedMarker
                           ? static_cast<size_t>((frame[2] << 8) | frame[3])
                           : static_cast<size_t>(frame[0] & 0x0F);
        size_t total = std::min(header + count, rb.dataRoom());
        decode(SBEPReply(std::vector<uint8_t>(frame, frame + total)));
    });
}

void SBEPWriteRequest::awaitReply(Win32CommunicationPort& port) {
    const uint32_t limit = static_cast<uint32_t>(2.0 / port.characterTime());
    port.waitForByte(limit);
    decode(readReplyFrame(port, limit, limit,
                          ReplyAcceptance::list({sbep::MemoryWriteReply, sbep::MemoryWriteRefused})));
}

int SBEPWriteRequest::handleWriteFailure(const Exception& failure, Win32CommunicationPort& port) {
    const BadWrite* bad = dynamic_cast<const BadWrite*>(&failure);
    if (!bad || bad->address() == m_address)
        return 0;
    if (m_link && bad->address() == m_link->m_address) {
        SBEPWriteRequest* linked = m_link;
        linked->m_link = this;
        linked->send(port);
        m_link = linked->m_link;
        return 1;
    }
    throw BadReply();
}

}  // namespace vantrel

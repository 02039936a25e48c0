// The command layer: each operation builds one request, sends it and decodes what the caller needs.
#include "link/EnhancedSBEP.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "link/Exceptions.h"
#include "link/SBEPRequests.h"

namespace vantrel {

namespace {
constexpr int kFlagSinglePointWrite = 27;
constexpr int kFlagSevenValueWrite = 21;
}  // namespace

template <typename Request, typename... Args>
void EnhancedSBEP::sendRaw(uint8_t* buffer, Args... args) {
    Win32CommunicationPort& p = port();
    Request request(args...);
    request.sendInto(p, buffer);
}

template <typename Request, typename... Args>
void EnhancedSBEP::sendPlain(Args... args) {
    Win32CommunicationPort& p = port();
    Request request(args...);
    request.send(p);
}

Win32CommunicationPort& EnhancedSBEP::port() {
    if (!m_port)
        throw GeneralCommunicationError();
    return *m_port;
}

void EnhancedSBEP::keyUp() {
    sendPlain<SBEPKeyUpRequest>();
}

void EnhancedSBEP::dekey() {
    sendPlain<SBEPDekeyRequest>();
}

void EnhancedSBEP::resetRadio() {
    sendPlain<SBEPResetRequest>();
}

void EnhancedSBEP::readMemory(uint8_t* destination, uint32_t address, unsigned count) {
    Win32CommunicationPort& p = port();
    SBEPReadRequest r(address & 0xFFFFFF, static_cast<uint8_t>(count));
    r.sendInto(p, destination);
}

void EnhancedSBEP::writeMemory(const uint8_t* source, uint32_t address, unsigned count) {
    Win32CommunicationPort& p = port();
    const unsigned chunk = std::max<unsigned>(m_chunkSize, 1);
    auto sendChunk = [&](SBEPWriteRequest& r) {
        try {
            r.send(p);
        } catch (const BadWrite& e) {
            if (r.handleWriteFailure(e, p) == 0)
                throw;
        }
    };
    std::vector<std::unique_ptr<SBEPWriteRequest>> requests;
    unsigned first = std::min(count, chunk);
    requests.push_back(std::make_unique<SBEPWriteRequest>(address, source, first));
    sendChunk(*requests.back());
    unsigned done = first;
    if (!requests.back()->link()) {
        while (done < count) {
            unsigned n = std::min(count - done, chunk);
            SBEPWriteRequest r(address + done, source + done, n);
            sendChunk(r);
            done += n;
        }
        return;
    }
    // Linked mode: the radio confirms chunks late; each request links to the one still pending.
    SBEPWriteRequest* previous = requests.back().get();
    while (done < count) {
        unsigned n = std::min(count - done, chunk);
        requests.push_back(std::make_unique<SBEPWriteRequest>(address + done, source + done, n));
        SBEPWriteRequest* r = requests.back().get();
        r->setLink(previous);
        sendChunk(*r);
        previous = r->link() ? r->link() : r;
        done += n;
    }
    // Drain: empty requests until the radio no longer points at the pending chunk. A radio that
    // keeps asking is misbehaving; give up rather than loop for ever.
    for (unsigned i = 0; i < MaxLinkedResends; ++i) {
        requests.push_back(std::make_unique<SBEPWriteRequest>(0, nullptr, 0));
        SBEPWriteRequest* r = requests.back().get();
        r->setLink(previous);
        sendChunk(*r);
        if (r->link() != r)
            return;
        previous = r;
    }
    throw GeneralCommunicationError();
}

void EnhancedSBEP::radioPowerUp(uint8_t* buffer) {
    sendRaw<SBEPRadioPowerUpRequest>(buffer);
}

void EnhancedSBEP::readModelNo(uint8_t* buffer) {
    sendRaw<SBEPRadioModelNoRequest>(buffer);
}

void EnhancedSBEP::readSerialNo(uint8_t* buffer) {
    sendRaw<SBEPRadioSerialNoRequest>(buffer);
}

void EnhancedSBEP::readUUID(uint8_t* buffer) {
    sendRaw<SBEPRadioUUIDRequest>(buffer);
}

void EnhancedSBEP::readICVersion(uint8_t* buffer) {
    sendRaw<SBEPRadioICVersionRequest>(buffer);
}

void EnhancedSBEP::readTune(uint8_t* buffer) {
    sendRaw<SBEPReadTuneRequest>(buffer);
}

void EnhancedSBEP::readTempComp(uint8_t* buffer) {
    sendRaw<SBEPTempCompRequest>(buffer);
}

void EnhancedSBEP::readRSSI(uint8_t* buffer) {
    sendRaw<SBEPReadRSSIRequest>(buffer);
}

void EnhancedSBEP::readRSSICalDac(uint8_t* buffer) {
    sendRaw<SBEPReadRSSICalDacRequest>(buffer, softpotNumber::RSSI);
}

void EnhancedSBEP::readRSSICalDac25(uint8_t* buffer) {
    sendRaw<SBEPReadRSSICalDacRequest>(buffer, softpotNumber::CalDac25);
}

void EnhancedSBEP::readBBO(uint8_t itemCode, uint8_t index, uint8_t* buffer) {
    sendRaw<SBEPReadBBORequest>(buffer, itemCode, index);
}

bool EnhancedSBEP::probeBBO(uint8_t itemCode, uint8_t index, uint8_t* buffer) {
    Win32CommunicationPort& p = port();
    SBEPReadBBORequest request(itemCode, index, SBEPReadBBORequest::Form::Probe);
    std::array<uint8_t, sbep::ReplyBufferSize> reply{};
    try {
        request.sendInto(p, reply.data());
    } catch (const UnsupportedMessage&) {
        return false;
    }
    if (request.answeredNone())
        return false;
    std::memcpy(buffer, reply.data(), reply.size());
    return true;
}

void EnhancedSBEP::writeBBO(uint8_t first, uint8_t second, uint8_t third) {
    sendPlain<SBEPWriteBBORequest>(first, second, third);
}

void EnhancedSBEP::writeSerialNo(const char* serialNo) {
    sendPlain<SBEPWriteSerialNoRequest>(serialNo);
}

void EnhancedSBEP::writeSoftpot(uint8_t softpot, uint8_t function, uint32_t value, unsigned width) {
    sendPlain<SBEPSoftpotWriteRequest>(softpot, function, value, width);
}

void EnhancedSBEP::writeSoftpotBytes(uint8_t softpot, uint8_t function, const uint8_t* bytes,
                                     unsigned count) {
    sendPlain<SBEPSoftpotWriteRequest>(softpot, function, bytes, count);
}

void EnhancedSBEP::writeSoftpotNoted(SupportNotes& notes, uint8_t softpot, uint8_t function, uint32_t value,
                                     unsigned width) {
    Win32CommunicationPort& p = port();
    SBEPSoftpotWriteRequest r(softpot, function, value, width);
    r.sendNoted(p, notes, kFlagSinglePointWrite);
}

void EnhancedSBEP::writeSoftpotBytesNoted(SupportNotes& notes, uint8_t softpot, uint8_t function,
                                          const uint8_t* bytes, unsigned count) {
    Win32CommunicationPort& p = port();
    SBEPSoftpotWriteRequest r(softpot, function, bytes, count);
    r.sendNoted(p, notes, kFlagSevenValueWrite);
}

unsigned EnhancedSBEP::readSoftpot(uint8_t softpot, uint32_t& value) {
    Win32CommunicationPort& p = port();
    SBEPSoftpotReadRequest r(softpot);
    r.send(p);
    value = r.value();
    return r.width();
}

unsigned EnhancedSBEP::readSoftpotNoted(uint8_t softpot, uint32_t& value, SupportNotes& notes, int flag) {
    Win32CommunicationPort& p = port();
    SBEPSoftpotReadRequest r(softpot);
    r.sendNoted(p, notes, flag);
    if (r.width() > 0)
        value = r.value();
    return r.width();
}

unsigned EnhancedSBEP::readSoftpotBytes(uint8_t softpot, uint8_t* buffer) {
    uint32_t value = 0;
    unsigned width = readSoftpot(softpot, value);
    // The value keeps at most four bytes: a wider reply gives its first four, never a shift past 32 bits.
    const unsigned kept = std::min(width, 4u);
    for (unsigned i = 0; i < kept; ++i) buffer[i] = static_cast<uint8_t>(value >> (8 * (kept - 1 - i)));
    return width;
}

unsigned EnhancedSBEP::autoTune(uint8_t softpot, uint32_t& value, SupportNotes& notes, int flag) {
    Win32CommunicationPort& p = port();
    SBEPAutoTuneRequest r(softpot);
    r.sendNoted(p, notes, flag);
    if (r.width() > 0)
        value = r.value();
    return r.width();
}

void EnhancedSBEP::readSoftpotTable(uint8_t softpot, SupportNotes& notes, int flag, unsigned valueBytes) {
    Win32CommunicationPort& p = port();
    SBEPSoftpotReadRequest r = SBEPSoftpotReadRequest::table(softpot, valueBytes);
    r.sendFirst(p, notes, flag);
}

uint8_t EnhancedSBEP::softpotTableByte(unsigned index) const {
    return receiveBuffer().dataReplyByte(index);
}

void EnhancedSBEP::setChannel(uint16_t code, int mode) {
    sendPlain<SBEPChannelRequest>(code, mode);
}

void EnhancedSBEP::setChannelPair(uint16_t firstCode, int firstMode, uint16_t secondCode, int secondMode) {
    sendPlain<SBEPChannelRequest>(firstCode, firstMode, secondCode, secondMode);
}

void EnhancedSBEP::setTestMode(uint8_t a, uint8_t b, uint8_t c) {
    sendPlain<SBEPTestModeRequest>(a, b, c);
}

}  // namespace vantrel

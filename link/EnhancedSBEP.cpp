// The command layer: each operation builds one request, sends it and decodes what the caller needs.
#include "link/EnhancedSBEP.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/Exceptions.h"
#include "link/SBEPRequests.h"

namespace vantrel {

namespace {
constexpr int kFlagSinglePointWrite = 27;
constexpr int kFlagSevenValueWrite = 21;
}  // namespace

template <size_t N, typename Request, typename... Args>
std::array<uint8_t, N> EnhancedSBEP::readData(Args... args) {
    Win32CommunicationPort& p = port();
    Request request(args...);
    const DataReplyRule& rule = *request.dataReplyRule();
    // The data must be what the rule checks: a mismatch here is a fault of this file, not of the radio.
    if (rule.header == 0 || rule.payload != rule.echo.size() + N)
        throw std::logic_error("the reply rule does not cover the data taken");
    std::array<uint8_t, sbep::ReplyBufferSize> frame{};
    request.sendInto(p, frame.data());
    std::array<uint8_t, N> data{};
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(rule.header + rule.echo.size()), N, data.begin());
    return data;
}

namespace {
std::string text(const auto& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
}  // namespace

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

uint8_t EnhancedSBEP::radioPowerUp() {
    return readData<replyPayload::PowerUp - 1, SBEPRadioPowerUpRequest>()[0];
}

std::string EnhancedSBEP::readModelNo() {
    return text(readData<replyPayload::ModelNo - 1, SBEPRadioModelNoRequest>());
}

std::string EnhancedSBEP::readSerialNo() {
    return text(readData<replyPayload::SerialNo - 1, SBEPRadioSerialNoRequest>());
}

std::string EnhancedSBEP::readUUID() {
    return text(readData<replyPayload::UUID - 1, SBEPRadioUUIDRequest>());
}

std::string EnhancedSBEP::readICVersion() {
    return text(readData<replyPayload::ICVersion - 1, SBEPRadioICVersionRequest>());
}

TuningBlock EnhancedSBEP::readTune() {
    return readData<replyPayload::TuningBlock, SBEPReadTuneRequest>();
}

TempCompBytes EnhancedSBEP::readTempComp() {
    return readData<replyPayload::TempComp - 1, SBEPTempCompRequest>();
}

RssiValues EnhancedSBEP::readRSSI() {
    return readData<replyPayload::Rssi - 1, SBEPReadRSSIRequest>();
}

RssiValues EnhancedSBEP::readRSSICalDac() {
    return readData<replyPayload::CalDac - 1, SBEPReadRSSICalDacRequest>(softpotNumber::RSSI);
}

RssiValues EnhancedSBEP::readRSSICalDac25() {
    return readData<replyPayload::CalDac - 1, SBEPReadRSSICalDacRequest>(softpotNumber::CalDac25);
}

uint8_t EnhancedSBEP::readBBO(uint8_t itemCode, uint8_t index) {
    return readData<replyPayload::Bbo - 1, SBEPReadBBORequest>(itemCode, index)[0];
}

std::optional<uint8_t> EnhancedSBEP::probeBBO(uint8_t itemCode, uint8_t index) {
    Win32CommunicationPort& p = port();
    SBEPReadBBORequest request(itemCode, index, SBEPReadBBORequest::Form::Probe);
    std::array<uint8_t, sbep::ReplyBufferSize> reply{};
    try {
        request.sendInto(p, reply.data());
    } catch (const UnsupportedMessage&) {
        return std::nullopt;
    }
    if (request.answeredNone())
        return std::nullopt;
    const DataReplyRule& rule = *request.dataReplyRule();
    return reply[rule.header + rule.echo.size()];
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

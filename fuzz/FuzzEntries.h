// Entry functions of the fuzz targets, shared with the regression tests that replay the inputs they found.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/RecordJson.h"
#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/SBEPMessage.h"
#include "link/VirtualLine.h"
#include "link/Win32CommunicationPort.h"
#include "operations/ProgressSink.h"
#include "operations/UserPrompt.h"
#include "operations/bboConfigFileModule.h"
#include "operations/fileModule.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "radio/ModelTable.h"
#include "radio/codeplugAccess.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"
#include "radio/recordSupportNotes.h"

namespace vantrel::fuzz {

/// Reads an input from the front: bytes past the end read as 0, so every input is a valid script.
class InputCursor {
  public:
    InputCursor(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }
    /// Up to count bytes (fewer at the end of the input).
    std::vector<uint8_t> take(size_t count) {
        const size_t n = m_at + count <= m_size ? count : m_size - m_at;
        std::vector<uint8_t> out(m_data + m_at, m_data + m_at + n);
        m_at += n;
        return out;
    }
    std::vector<uint8_t> rest() { return take(m_size - m_at); }
    bool atEnd() const { return m_at >= m_size; }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

/// Answer script of the fuzzed radio: one entry per request frame.
/// Each entry is a length byte and that many bytes: 0 means silence, 0xFF means the cable is pulled.
constexpr uint8_t kPullCable = 0xFF;

/// A radio whose answers come from the fuzz input. It echoes every byte as the shared bus does (so the
/// exchange gets past its echo check) and answers each complete request frame with the next entry.
class FuzzRadio : public LinePeer {
  public:
    explicit FuzzRadio(InputCursor& input) : m_input(input) {}

    void onHostByte(uint8_t byte, uint64_t nowMs, VirtualLine& line) override {
        if (line.disconnected())
            return;
        line.deliver(&byte, 1, nowMs + 1);
        m_current.push_back(byte);
        const size_t length = frameLength();
        if (length == 0 || m_current.size() < length)
            return;
        m_current.clear();
        if (++m_frames > kFrameLimit || m_input.atEnd())
            return;
        const uint8_t entry = m_input.next();
        if (entry == kPullCable) {
            line.disconnect();
            return;
        }
        const std::vector<uint8_t> answer = m_input.take(entry);
        line.deliver(answer, nowMs + 3);
    }

  private:
    // Bounds the work per input: a whole-radio read runs a few hundred requests.
    static constexpr unsigned kFrameLimit = 600;

    size_t frameLength() const {
        const std::vector<uint8_t>& b = m_current;
        size_t header = (b[0] >> 4) == 0xF ? 2 : 1;
        size_t n = b[0] & 0x0F;
        if (n == 0xF) {
            if (b.size() < header + 2)
                return 0;
            n = (size_t(b[header]) << 8) | b[header + 1];
            header += 2;
        }
        return header + n;
    }

    InputCursor& m_input;
    std::vector<uint8_t> m_current;
    unsigned m_frames = 0;
};

/// A port on a virtual line whose far end is a FuzzRadio.
struct FuzzLine {
    explicit FuzzLine(InputCursor& input) : line(clock), radio(input) {
        line.setPeer(&radio);
        port = std::make_unique<Win32CommunicationPort>(line.openDevice(), clock, 1, 9600, 0, 8, 0, false);
        link.attachPort(port.get());
    }
    VirtualClock clock;
    VirtualLine line;
    FuzzRadio radio;
    std::unique_ptr<Win32CommunicationPort> port;
    EnhancedSBEP link;
};

/// The reply reader on raw radio bytes: byte 0 picks the acceptance, the rest arrives on the line.
inline void runReplyReader(const uint8_t* data, size_t size) {
    InputCursor input(data, size);
    const uint8_t mode = input.next();
    VirtualClock clock;
    VirtualLine line(clock);
    const std::vector<uint8_t> bytes = input.rest();
    line.deliver(bytes, 1, mode & 0x80 ? 1 : 0);
    Win32CommunicationPort port(line.openDevice(), clock, 1, 9600, 0, 8, 0, false);
    ReplyAcceptance acceptance;
    switch (mode % 3) {
        case 0:
            acceptance = ReplyAcceptance::any();
            break;
        case 1:
            acceptance = ReplyAcceptance::expect(sbep::SoftpotReply);
            break;
        default:
            acceptance = ReplyAcceptance::list({sbep::MemoryReadReply, sbep::Unsupported});
            break;
    }
    // Read replies until the bytes run out, as a caller reading a stream would.
    for (int i = 0; i < 8; ++i) {
        try {
            SBEPReply reply =
                readReplyFrame(port, sbep::DiscardReplySilence, sbep::DiscardReplySilence, acceptance);
            std::vector<uint8_t> payload(reply.dataLength());
            reply.copyData(payload.data());
            volatile uint8_t sink = reply.opcode();
            (void)sink;
        } catch (const Exception&) {
            if (port.bytesWaiting() == 0)
                return;
        }
    }
}

/// One command-layer operation against a radio that answers with the fuzz input.
/// Byte 0 picks the operation, byte 1 is its parameter, the rest is the answer script (see FuzzRadio).
inline void runExchange(const uint8_t* data, size_t size) {
    InputCursor input(data, size);
    const uint8_t operation = input.next();
    const uint8_t parameter = input.next();
    FuzzLine f(input);
    radioStorage record;
    recordSupportNotes notes(record);
    const int flag = 2 + parameter % 27;
    // Raw replies go into buffers of exactly the documented size, so an overrun is caught.
    std::vector<uint8_t> reply(sbep::ReplyBufferSize);
    try {
        switch (operation % 9) {
            case 0: {
                uint32_t value = 0;
                f.link.readSoftpotNoted(parameter, value, notes, flag);
                break;
            }
            case 1: {
                std::vector<uint8_t> bytes(4);
                f.link.readSoftpotBytes(parameter, bytes.data());
                break;
            }
            case 2:
                switch (parameter % 6) {
                    case 0:
                        f.link.radioPowerUp();
                        break;
                    case 1:
                        f.link.readModelNo();
                        break;
                    case 2:
                        f.link.readSerialNo();
                        break;
                    case 3:
                        f.link.readTune();
                        break;
                    case 4:
                        f.link.readBBO(parameter, 1);
                        break;
                    default:
                        f.link.readRSSI();
                        break;
                }
                break;
            case 3: {
                f.link.readSoftpotTable(parameter, notes, flag);
                volatile unsigned sum = 0;
                for (unsigned i = 0; i < 64; ++i) sum = sum + f.link.softpotTableByte(i);
                break;
            }
            case 4: {
                std::vector<uint8_t> source(parameter);
                for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i);
                f.link.setChunkSize(static_cast<uint8_t>(1 + parameter % 64));
                f.link.writeMemory(source.data(), 0x1000, static_cast<unsigned>(source.size()));
                break;
            }
            case 5:
                f.link.readMemory(reply.data(), 0x2000, parameter % 60);
                break;
            case 6: {
                uint32_t value = 0;
                f.link.autoTune(parameter, value, notes, flag);
                break;
            }
            case 7:
                f.link.setChannelPair(parameter, 1, 0x1234, 2);
                f.link.keyUp();
                f.link.dekey();
                f.link.resetRadio();
                break;
            default:
                f.link.writeSoftpotBytesNoted(notes, parameter, 4, reply.data(), 7);
                break;
        }
    } catch (const Exception&) {
        // The link's failures are the expected outcome of a misbehaving radio.
    }
}

/// A whole Read Radio or Program All against a radio that answers with the fuzz input.
/// Byte 0 picks the command; the rest is the answer script (see FuzzRadio).
inline void runRadioCommand(const uint8_t* data, size_t size) {
    InputCursor input(data, size);
    const uint8_t command = input.next();
    VirtualClock clock;
    VirtualLine line(clock);
    FuzzRadio radio(input);
    line.setPeer(&radio);
    VirtualPortOpener opener(line);
    LinkContext context;
    context.programDirectory = "/nonexistent-vantrel-fuzz";
    context.opener = &opener;
    context.clock = &clock;
    ScopedLinkContext scoped(std::move(context));
    radioStorage record;
    NullProgress progress;
    if (command & 1) {
        radioProgramAll::programRadioCommand(record, progress);
    } else {
        radioOperations operations;
        const ReadRadioOutcome outcome = operations.readRadioCommand(record, progress);
        (void)radioOperations::messagesFor(outcome);
        (void)radioOperations::statusBarText(record);
    }
}

/// A unique scratch file for one run of the archive reader; removed at destruction.
class ScratchFile {
  public:
    ScratchFile() {
        const std::filesystem::path dir =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (dir / "vantrel-fuzz-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd >= 0) {
            ::close(fd);
            m_path = pattern;
        }
    }
    ~ScratchFile() {
        if (!m_path.empty())
            std::remove(m_path.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return m_path; }
    bool write(const uint8_t* data, size_t size) const {
        std::FILE* f = std::fopen(m_path.c_str(), "wb");
        if (!f)
            return false;
        const bool ok = std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }

  private:
    std::string m_path;
};

/// The archive reader on a file holding the input; then the record is written back out as a saved
/// archive would be, which walks every value the load put in.
inline void runArchiveReader(const uint8_t* data, size_t size) {
    static ScratchFile file;
    if (file.path().empty() || !file.write(data, size))
        return;
    ScriptedPrompt prompt;
    fileModule module(prompt, [] { return 1234; });
    radioStorage record;
    const ArchiveLoadResult result = module.readArchive(file.path(), record);
    if (result == ArchiveLoadResult::Loaded)
        (void)fileModule::encodeArchive(record, 4321);
    (void)fileModule::statusText(record);
}

/// The COM.INI reader.
inline void runComIni(const uint8_t* data, size_t size) {
    const int port = comIni::parse(std::string(reinterpret_cast<const char*>(data), size));
    if (port < -1 || port > 9)
        std::abort();
}

/// The command-line tool's JSON import, and a round trip of whatever it accepts.
inline void runRecordJson(const uint8_t* data, size_t size) {
    radioStorage record;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (RecordJson::fromJson(text, record))
        return;
    radioStorage again;
    if (RecordJson::fromJson(RecordJson::toJson(record), again))
        std::abort();  // an accepted record must survive its own export
}

/// The model table override parser; a table it accepts is made active and every predicate asked about a
/// model text taken from the input's first 16 bytes.
inline void runModelTable(const uint8_t* data, size_t size) {
    const size_t modelBytes = size < 16 ? size : 16;
    const std::string model(reinterpret_cast<const char*>(data), modelBytes);
    const std::string_view text(reinterpret_cast<const char*>(data) + modelBytes, size - modelBytes);
    ModelTable table = defaultModelTable();
    std::string error;
    if (!parseModelTable(text, table, error))
        return;
    setActiveModelTable(table);
    radioStorage record;
    record.setModelNo(model);
    radiomodel predicates;
    volatile int32_t mask = predicates.featureMask(record);
    volatile bool any = predicates.isMainPortableM(record) || predicates.isHighMobileN(record) ||
                        predicates.isSinglePointModel(record) || predicates.inListD(record) ||
                        predicates.hasNoLowPowerSetting(record) || predicates.isSixPortableN(record);
    (void)mask;
    (void)any;
    resetActiveModelTable();
}

/// A codeplug whose every byte reads as `fill`; writes are taken and dropped.
class FlatCodeplug : public RadioProtocol {
  public:
    explicit FlatCodeplug(uint8_t fill) : m_fill(fill) {}
    void keyUp() override {}
    void dekey() override {}
    void resetRadio() override {}
    void readMemory(uint8_t* destination, uint32_t address, unsigned count) override {
        destination[0] = static_cast<uint8_t>(0xF0 | (3 + count + 1));
        destination[1] = sbep::MemoryReadReply;
        destination[2] = static_cast<uint8_t>(address >> 16);
        destination[3] = static_cast<uint8_t>(address >> 8);
        destination[4] = static_cast<uint8_t>(address);
        std::fill(destination + 5, destination + 5 + count, m_fill);
    }
    void writeMemory(const uint8_t*, uint32_t, unsigned) override {}

  private:
    uint8_t m_fill;
};

/// The baseband offset configuration reader on arbitrary text. A text it accepts must survive its own
/// writer unchanged, and matching a radio modelled on its first block must copy the block's rows.
inline void runBboConfig(const uint8_t* data, size_t size) {
    bboConfigFileModule module;
    if (!module.parse(std::string_view(reinterpret_cast<const char*>(data), size)))
        return;
    if (module.version() != 0 || module.blocks().empty())
        return;
    bboConfigFileModule again;
    if (!again.parse(bboConfigFileModule::write(module.blocks())) || again.blocks() != module.blocks())
        std::abort();
    const bboConfigBlock& first = module.blocks().front();
    std::string model = first.modelKey + "xxxxx" + first.modelChar;
    radioStorage record;
    record.setModelNo(model);
    FlatCodeplug radio(static_cast<uint8_t>(first.lowVersion));
    const bboMatchResult result = module.matchRadio(record, radio);
    if (result == bboMatchResult::Matched &&
        record.getBboRows().size() != static_cast<size_t>(record.getBboRowCount()))
        std::abort();
}

}  // namespace vantrel::fuzz

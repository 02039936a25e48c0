// vantrel-bench-micro: frame building and reply parsing, archive writing and reading, report writing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/SBEPMessage.h"
#include "link/SBEPRequests.h"
#include "link/VirtualLine.h"
#include "operations/ProgressSink.h"
#include "operations/fileModule.h"
#include "operations/radioOperations.h"
#include "operations/tuningReport.h"
#include "radio/RecordLayout.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "radio/recordSupportNotes.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"

using namespace vantrel;

namespace {

constexpr uint8_t kTableSoftpot = softpot::TxPower;
constexpr int kTableFlag = flag::TxPower;
constexpr uint8_t kMemoryChunk = 64;
constexpr uint32_t kReplySilence = 250;
constexpr int32_t kArchiveKey = 1234;
const std::vector<std::string> kProfiles = {"portable", "mobile"};

/// Answers nothing: the benchmarks measure the file module, not its messages.
class SilentPrompt : public UserPrompt {
  public:
    using UserPrompt::show;
    PromptAnswer show(const PromptMessage& message) override {
        return message.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
};

std::filesystem::path scratch() {
    static const std::filesystem::path dir = [] {
        auto d =
            std::filesystem::temp_directory_path() / ("vantrel-bench-micro-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

/// The simulated radio on a virtual line, the program's port open on it (virtual time: no waiting).
struct VirtualRadio {
    explicit VirtualRadio(const std::string& profile)
        : line(clock), radio(SimProfile::named(profile)), peer(radio) {
        line.setPeer(&peer);
        port = std::make_unique<Win32CommunicationPort>(line.openDevice(), clock, 1, 9600, 0, 8, 0, false);
    }
    VirtualClock clock;
    VirtualLine line;
    SimRadio radio;
    SimPeer peer;
    std::unique_ptr<Win32CommunicationPort> port;
};

/// A record read from the simulated radio of a profile, once per process.
const radioStorage& recordOf(const std::string& profile) {
    static std::map<std::string, std::unique_ptr<radioStorage>> records;
    auto& slot = records[profile];
    if (!slot) {
        VirtualClock clock;
        VirtualLine line(clock);
        SimRadio radio(SimProfile::named(profile));
        SimPeer peer(radio);
        line.setPeer(&peer);
        VirtualPortOpener opener(line);
        comIni::write(scratch().string(), 1);
        ScopedLinkContext context(LinkContext{scratch().string(), &opener, &clock, {}});
        slot = std::make_unique<radioStorage>();
        NullProgress progress;
        radioOperations operations;
        if (operations.readRadio(*slot, progress) != radioOperations::kReadOk)
            throw std::runtime_error("the simulated " + profile + " radio could not be read");
    }
    return *slot;
}

void BM_BuildFrameSoftpotRead(benchmark::State& state) {
    const uint8_t payload[] = {kTableSoftpot, softpotFunction::Read, 0};
    for (auto _ : state) benchmark::DoNotOptimize(sbep::buildFrame(sbepOp::Softpot, payload, sizeof payload));
}
BENCHMARK(BM_BuildFrameSoftpotRead);

void BM_BuildFrameMemoryWrite64(benchmark::State& state) {
    std::vector<uint8_t> payload(3 + kMemoryChunk, 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(sbep::buildFrame(sbepOp::WriteMemory, payload.data(), payload.size()));
}
BENCHMARK(BM_BuildFrameMemoryWrite64);

// A separate data reply (a memory read of 64 bytes) parsed from the port's receive queue.
void BM_ReadReplyFrameMemory64(benchmark::State& state) {
    VirtualClock clock;
    VirtualLine line(clock);
    Win32CommunicationPort port(line.openDevice(), clock, 1, 9600, 0, 8, 0, false);
    std::vector<uint8_t> payload(3 + kMemoryChunk, 0xA5);
    const std::vector<uint8_t> reply =
        sbep::buildFrame(sbep::MemoryReadReply, payload.data(), payload.size());
    for (auto _ : state) {
        line.deliver(reply, clock.now());
        benchmark::DoNotOptimize(readReplyFrame(port, kReplySilence, kReplySilence,
                                                ReplyAcceptance::expect(sbep::MemoryReadReply)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_ReadReplyFrameMemory64);

// A whole softpot table read exchange (echo, acknowledge, data reply, checks) against the simulated radio
// in virtual time: the processor cost of one request, radio model included.
void BM_ExchangeSoftpotTableRead(benchmark::State& state) {
    VirtualRadio v(kProfiles[0]);
    radioStorage record;
    recordSupportNotes notes(record);
    SBEPSoftpotReadRequest probe = SBEPSoftpotReadRequest::table(kTableSoftpot);
    probe.sendFirst(*v.port, notes, kTableFlag);
    if (!record.isSupported(kTableFlag) || v.radio.requestCount() != 1)
        state.SkipWithError("the simulated radio did not answer the table read");
    for (auto _ : state) {
        SBEPSoftpotReadRequest request = SBEPSoftpotReadRequest::table(kTableSoftpot);
        request.sendFirst(*v.port, notes, kTableFlag);
        v.radio.transcript().clear();
    }
    state.SetLabel(kProfiles[0]);
}
BENCHMARK(BM_ExchangeSoftpotTableRead);

void BM_EncodeArchive(benchmark::State& state) {
    const radioStorage& record = recordOf(kProfiles[static_cast<size_t>(state.range(0))]);
    for (auto _ : state) benchmark::DoNotOptimize(fileModule::encodeArchive(record, kArchiveKey));
    state.SetLabel(kProfiles[static_cast<size_t>(state.range(0))]);
}
BENCHMARK(BM_EncodeArchive)->Arg(0)->Arg(1);

void BM_WriteArchiveFile(benchmark::State& state) {
    const radioStorage& record = recordOf(kProfiles[static_cast<size_t>(state.range(0))]);
    SilentPrompt prompt;
    fileModule files(prompt, [] { return kArchiveKey; });
    const std::string path = (scratch() / "write.sfp").string();
    for (auto _ : state)
        if (!files.writeArchive(path, record))
            state.SkipWithError("the archive could not be written");
    state.SetLabel(kProfiles[static_cast<size_t>(state.range(0))]);
}
BENCHMARK(BM_WriteArchiveFile)->Arg(0)->Arg(1)->UseRealTime();

void BM_ReadArchiveFile(benchmark::State& state) {
    const radioStorage& record = recordOf(kProfiles[static_cast<size_t>(state.range(0))]);
    SilentPrompt prompt;
    fileModule files(prompt, [] { return kArchiveKey; });
    const std::string path = (scratch() / "read.sfp").string();
    files.writeArchive(path, record);
    radioStorage loaded;
    for (auto _ : state)
        if (files.readArchive(path, loaded) != ArchiveLoadResult::Loaded)
            state.SkipWithError("the archive could not be read");
    state.SetLabel(kProfiles[static_cast<size_t>(state.range(0))]);
}
BENCHMARK(BM_ReadArchiveFile)->Arg(0)->Arg(1);

void BM_ReportText(benchmark::State& state) {
    const radioStorage& record = recordOf(kProfiles[static_cast<size_t>(state.range(0))]);
    for (auto _ : state) {
        tuningReport report(record);
        benchmark::DoNotOptimize(report.text());
    }
    state.SetLabel(kProfiles[static_cast<size_t>(state.range(0))]);
}
BENCHMARK(BM_ReportText)->Arg(0)->Arg(1);

void BM_ReportWriteFile(benchmark::State& state) {
    const radioStorage& record = recordOf(kProfiles[static_cast<size_t>(state.range(0))]);
    const std::string path = (scratch() / "display.txt").string();
    for (auto _ : state) {
        tuningReport report(record);
        if (!report.write(path))
            state.SkipWithError("the report could not be written");
    }
    state.SetLabel(kProfiles[static_cast<size_t>(state.range(0))]);
}
BENCHMARK(BM_ReportWriteFile)->Arg(0)->Arg(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(scratch(), ignored);
    return 0;
}

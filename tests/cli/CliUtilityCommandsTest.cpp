// The tool's utility commands against the simulated radio in process: refusals, cut updates, odd files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

#include "CliRadioBench.h"
#include "cli/CliExitCode.h"
#include "cli/StopSignal.h"
#include "link/RF_CommunicationSetup.h"

namespace vantrel {
namespace {

using test::linesOf;
using test::RadioBench;

SimFaultRule refusal(std::uint8_t opcode, std::optional<std::uint8_t> firstByte) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Unsupported;
    rule.opcode = opcode;
    rule.firstByte = firstByte;
    rule.times = 0;
    return rule;
}

SimProfile profileNamed(const std::string& name) {
    return SimProfile::load(std::filesystem::path(VANTREL_SIM_PROFILES) / (name + ".json"));
}

std::array<std::array<std::uint8_t, 5>, 3> offsetsOf(const SimRadio& radio) {
    std::array<std::array<std::uint8_t, 5>, 3> bytes{};
    for (int s = 0; s < 3; ++s)
        for (int k = 0; k < 5; ++k) bytes[s][k] = *radio.bboByte(s, k);
    return bytes;
}

TEST(CliTempComp, ARefusedReadShowsNoBytesAndFails) {
    RadioBench bench;
    bench.radio.addFault(refusal(0x20, 0x01));
    const auto run = bench.run({"temp-comp", "--port", "1"});
    EXPECT_EQ(run.exit, exitCode::LinkFailure) << run.out;
    EXPECT_EQ(run.out, "Temp Comp data could not be read !!\n");
    EXPECT_NE(run.err.find("request not supported by the radio (softpot 1 read request"), std::string::npos)
        << run.err;
}

TEST(CliTempComp, AWriteIsCheckedAgainstTheRadiosOwnAnswerOnly) {
    // The write is taken, the read back refused: no "written" and no bytes shown as the radio's.
    RadioBench bench;
    SimFaultRule readBack = refusal(0x20, 0x01);
    readBack.atRequest = 2;
    bench.radio.addFault(readBack);
    const auto run = bench.run({"temp-comp", "--port", "1", "1a2B3c4D"});
    EXPECT_EQ(run.exit, exitCode::LinkFailure) << run.out << run.err;
    EXPECT_EQ(run.out, "Error writing in Temp Comp data !!\n");
}

TEST(CliBbo, AnOffsetReadTheRadioRefusesChangesNothing) {
    // The probe says the radio holds offsets, then it refuses item 10: its reply's bytes must not be
    // taken for offsets and written back with the chosen one.
    RadioBench bench(profileNamed("bbo-radio"));
    bench.radio.addFault(refusal(0x28, 10));
    const auto before = offsetsOf(bench.radio);
    const auto run = bench.run({"bbo", "--port", "1", "--set", "CSQ Offset=512"});
    EXPECT_EQ(run.exit, exitCode::LinkFailure) << run.out << run.err;
    EXPECT_EQ(run.out, "Radio Communication Error!!\n");
    EXPECT_EQ(offsetsOf(bench.radio), before);
}

TEST(CliBbo, AnUpdateCutBeforeTheChecksumFailsAndTheNextRunMakesTheCodeplugAddUp) {
    RadioBench bench(profileNamed("bbo-codeplug"));
    const std::string config = std::string(VANTREL_SIM_PROFILES) + "/bbo.cfg";
    const std::vector<std::string> args = {"bbo",   "--port",        "1", "--config", config,
                                           "--set", "CSQ OFFSET=512"};
    // Find where the checksum write falls in a whole run, on a twin radio.
    unsigned checksumWrite = 0;
    {
        RadioBench twin(profileNamed("bbo-codeplug"));
        ASSERT_EQ(twin.run(args).exit, exitCode::Success);
        unsigned writes = 0, number = 0;
        for (const SimEvent& e : twin.radio.transcript().filter(SimEventKind::FrameIn)) {
            SimFrameAssembler assembler;
            std::optional<SimFrame> frame;
            for (const std::uint8_t b : e.bytes) frame = assembler.feed(b, 0);
            if (!frame)
                continue;
            ++number;
            if (frame->opcode == 0x17 && ++writes == 2) {
                checksumWrite = number;
                break;
            }
        }
        ASSERT_GT(checksumWrite, 0u);
    }
    SimFaultRule silence;
    silence.kind = SimFaultKind::Silence;
    silence.atRequest = checksumWrite;
    silence.times = 4;
    bench.radio.addFault(silence);
    const auto cut = bench.run(args);
    EXPECT_EQ(cut.exit, exitCode::LinkFailure) << cut.out << cut.err;
    EXPECT_EQ(cut.out, "Radio Communication Error!!\n");
    EXPECT_NE(cut.err.find("not the codeplug checksum"), std::string::npos) << cut.err;
    EXPECT_FALSE(bench.radio.codeplugChecksumValid());

    // The natural retry: the same command again. The radio already shows 512 Hz.
    const auto again = bench.run(args);
    EXPECT_EQ(again.exit, exitCode::Success) << again.out << again.err;
    EXPECT_NE(again.err.find("stopped before its codeplug checksum"), std::string::npos) << again.err;
    EXPECT_TRUE(bench.radio.codeplugChecksumValid());
}

TEST(CliBbo, ConfigurationThatIsNoRegularFileIsRefusedWithoutReadingIt) {
    RadioBench bench(profileNamed("bbo-codeplug"));
    const std::string fifo = bench.dir.file("bbo.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), bench.dir.path().string()}) {
        SCOPED_TRACE(path);
        // A FIFO without a writer would block the open, /dev/zero never ends.
        const auto run = bench.run({"bbo", "--port", "1", "--config", path});
        EXPECT_EQ(run.exit, exitCode::FileFailure);
        EXPECT_EQ(run.out, "Unable to read Baseband Offset Utility configuration file\n");
    }
    EXPECT_EQ(bench.radio.requestCount(), 0u);
}

TEST(CliFiles, ArchivesComIniAndRecordsThatAreNoRegularFilesAreRefused) {
    RadioBench bench;
    const std::string fifo = bench.dir.file("x.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const auto dump = bench.run({"dump", path});
        EXPECT_EQ(dump.exit, exitCode::FileFailure);
        EXPECT_NE(dump.err.find("not a regular file"), std::string::npos) << dump.err;
        const auto import = bench.run({"import", path, "-o", bench.dir.file("out.sfp")});
        EXPECT_EQ(import.exit, exitCode::FileFailure);
        EXPECT_NE(import.err.find("not a regular file"), std::string::npos) << import.err;
    }
    // A FIFO named COM.INI configures no port.
    ASSERT_EQ(mkfifo(comIni::path(bench.dir.path().string()).c_str(), 0600), 0);
    EXPECT_EQ(comIni::read(bench.dir.path().string()), -1);
    EXPECT_EQ(bench.run({"temp-comp"}).exit, exitCode::Usage);
}

TEST(CliUtilities, ASignalEndsAUtilityWithTheResetAndItsOwnExitCode) {
    for (const int signal : {SIGINT, SIGTERM}) {
        RadioBench bench(profileNamed("bbo-codeplug"));
        stopSignal::note(signal);
        const auto run = bench.run({"temp-comp", "--port", "1"});
        stopSignal::note(0);
        EXPECT_EQ(run.exit, 128 + signal) << run.out << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(bench.requestsWith(0x20), 0);  // nothing asked of the radio
        EXPECT_EQ(bench.requestsWith(0x10), 1);  // but it is reset
    }
}

TEST(CliSessionIdentify, ARefusalIsNoSerialNumber) {
    RadioBench bench;
    bench.radio.addFault(refusal(0x23, 0x01));
    const auto run = bench.run({"session", "--port", "1"}, "{\"cmd\":\"identify\",\"id\":1}\n");
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_FALSE(lines.empty()) << run.err;
    const nlohmann::json answer = nlohmann::json::parse(lines.front());
    EXPECT_EQ(answer["ok"], false) << answer;
    EXPECT_FALSE(answer.contains("serial")) << answer;
}

}  // namespace
}  // namespace vantrel

// The link monitor: the line as the simulated radio saw it, decoded by the monitor's own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "SimBench.h"
#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/linkMonitor.h"
#include "operations/radioOperations.h"

namespace vantrel {
namespace {

using test::RecordingProgress;
using test::SimBench;

/// The monitor installed as the link's tap for one test.
struct MonitoredBench {
    explicit MonitoredBench(const std::string& profile) : bench(test::profileNamed(profile)) {
        linkContext().tap = &monitor;
    }
    ~MonitoredBench() { linkContext().tap = nullptr; }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const linkEvent& e : monitor.events()) out.push_back(e.text);
        return out;
    }
    bool has(const std::string& text) const {
        const auto all = lines();
        return std::any_of(all.begin(), all.end(), [&](const std::string& l) { return l.find(text) == 0; });
    }
    SimBench bench;
    linkMonitor monitor;
};

TEST(LinkMonitor, NamesEveryRequestKindOfAReadAndItsAnswers) {
    MonitoredBench m("portable");
    radioStorage record;
    RecordingProgress progress;
    radioOperations ops;
    ASSERT_EQ(ops.readRadio(record, progress), 0);
    EXPECT_TRUE(m.has("port "));
    EXPECT_TRUE(m.has("read power-up status   [F2 23 05 "));
    EXPECT_TRUE(m.has("read serial number"));
    EXPECT_TRUE(m.has("read model number"));
    EXPECT_TRUE(m.has("read tuning block"));
    EXPECT_TRUE(m.has("test mode "));
    EXPECT_TRUE(m.has("channel pair tx "));
    EXPECT_TRUE(m.has("softpot 0 table read"));
    EXPECT_TRUE(m.has("softpot 0 = "));
    EXPECT_TRUE(m.has("reset   [F1 10 FE]"));
    EXPECT_TRUE(m.has("ACK"));
    EXPECT_TRUE(m.has("echo"));
    EXPECT_NE(m.monitor.text().find("Radio serial number: PT00000001\n"), std::string::npos);
    // Every request the radio heard is a request line, none more.
    size_t sent = 0;
    for (const linkEvent& e : m.monitor.events()) sent += e.kind == linkEvent::Kind::Request;
    EXPECT_EQ(sent, m.bench.requests().size());
    // Nothing on a healthy line looks like noise or silence.
    for (const linkEvent& e : m.monitor.events()) {
        EXPECT_NE(e.kind, linkEvent::Kind::Noise) << e.text;
        EXPECT_NE(e.kind, linkEvent::Kind::Silence) << e.text;
    }
}

TEST(LinkMonitor, LiveValuesKeyingAndUnsupportedAnswersReadAsWords) {
    MonitoredBench m("portable");
    cominit link;
    link.keyUp();
    link.writeSoftpot(0, 2, 105, 1);
    link.dekey();
    EXPECT_TRUE(m.has("key up   [F2 19 01 "));
    EXPECT_TRUE(m.has("softpot 0 live 105"));
    EXPECT_TRUE(m.has("dekey   [F2 19 00 F4]"));
    link.setChannelPair(3, 2, 3, 2);
    EXPECT_TRUE(m.has("channel pair tx 3 rx 3"));
    // Dekeying twice is two requests, not a retry.
    link.dekey();
    link.dekey();
    for (const linkEvent& e : m.monitor.events()) EXPECT_NE(e.kind, linkEvent::Kind::Retry) << e.text;
}

TEST(LinkMonitor, SilenceRetriesAndNakAreShown) {
    MonitoredBench m("portable");
    SimFaultRule silence;
    silence.kind = SimFaultKind::Silence;
    silence.opcode = 0x19;
    silence.times = 2;
    m.bench.radio.addFault(silence);
    cominit link;
    link.keyUp();  // two attempts unanswered, the third goes through
    size_t retries = 0, silent = 0;
    for (const linkEvent& e : m.monitor.events()) {
        retries += e.kind == linkEvent::Kind::Retry;
        silent += e.kind == linkEvent::Kind::Silence;
    }
    EXPECT_EQ(retries, 2u);
    EXPECT_EQ(silent, 2u);
    EXPECT_TRUE(m.has("retry: key up"));

    SimFaultRule nak;
    nak.kind = SimFaultKind::Nak;
    nak.opcode = 0x19;
    m.bench.radio.addFault(nak);
    link.dekey();
    EXPECT_TRUE(m.has("NAK"));
    EXPECT_TRUE(m.has("retry: dekey"));
}

TEST(LinkMonitor, ASavedTraceHasItsHeadAndEveryLine) {
    MonitoredBench m("portable");
    {
        cominit link;
        link.resetRadio();
    }
    m.monitor.note("Read Radio failed");
    m.monitor.setHeader("1.2.3", "PT00000001", "P45TSC7B4W");
    const std::string path = (std::filesystem::temp_directory_path() / "vantrel-trace-test.txt").string();
    ASSERT_TRUE(m.monitor.save(path));
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    EXPECT_NE(text.find("Program version: 1.2.3\n"), std::string::npos);
    EXPECT_NE(text.find("Radio serial number: PT00000001\n"), std::string::npos);
    EXPECT_NE(text.find("-> reset   [F1 10 FE]"), std::string::npos);
    EXPECT_NE(text.find("-- Read Radio failed"), std::string::npos);
    EXPECT_NE(text.find("-- port closed"), std::string::npos);
}

TEST(LinkMonitor, ReaderTakesExtendedFramesAndFlagsBadChecksums) {
    EXPECT_EQ(linkMonitor::describeReply(0x8A, {0x0B, 0x01, 0xFF}), "softpot 11 = 511");
    // A refusal names the refused request and nothing it does not carry.
    EXPECT_EQ(linkMonitor::describeReply(0x86, {0x20}), "unsupported: softpot request");
    EXPECT_EQ(linkMonitor::describeReply(0x86, {0x19}), "unsupported: key request");
    EXPECT_EQ(linkMonitor::describeReply(0x86, {0x11}), "unsupported: memory read request");
    EXPECT_EQ(linkMonitor::describeReply(0x86, {0x22, 0x05}), "unsupported: test mode request, then 05");
    EXPECT_EQ(linkMonitor::describeReply(0x86, {0x42}), "unsupported: request 0x42");
    EXPECT_EQ(linkMonitor::describeReply(0x86, {}), "unsupported: request");
    EXPECT_EQ(linkMonitor::describeRequest(0x23, {0x0F}), "read unique identifier");
    EXPECT_EQ(linkMonitor::describeRequest(0x20, {0x11, 0x01, 0x80, 0x32}), "softpot 17 program 32818");
    linkMonitor monitor;
    monitor.portOpened(0, "COM1");
    // A frame with a wrong checksum sent by the program: F2 19 00 00.
    for (uint8_t b : {0xF2, 0x19, 0x00, 0x00}) monitor.byteSent(1, b);
    EXPECT_NE(monitor.events().back().text.find("BAD CHECKSUM"), std::string::npos);
    // Bytes left half a frame when the port closes are reported, not dropped.
    const uint8_t echo[] = {0xF2, 0x19, 0x00, 0x00, 0xF3, 0x8A};
    monitor.bytesReceived(2, echo, sizeof echo);
    monitor.portClosed(3);
    bool incomplete = false;
    for (const linkEvent& e : monitor.events()) incomplete |= e.text.rfind("incomplete frame", 0) == 0;
    EXPECT_TRUE(incomplete);
}

TEST(LinkMonitor, KeepsOnlyTheNewestEventsAndTellsItsListener) {
    linkMonitor monitor(3);
    size_t heard = 0;
    monitor.listener = [&](const linkEvent&) { ++heard; };
    for (int i = 0; i < 5; ++i) monitor.note("n" + std::to_string(i));
    EXPECT_EQ(monitor.events().size(), 3u);
    EXPECT_EQ(monitor.events().front().text, "n2");
    EXPECT_EQ(heard, 5u);
}

}  // namespace
}  // namespace vantrel

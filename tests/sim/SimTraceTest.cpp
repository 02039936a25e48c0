// The readable trace of vantrel-sim: each write reads once, every event keeps its place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimFaults.h"
#include "sim/SimRadio.h"
#include "sim/SimTracePrinter.h"
#include "tests/sim/SimTestSupport.h"

namespace vantrel {
namespace {

using simtest::request;
using simtest::send;

/// A radio whose transcript goes through a trace printer into `lines`.
struct TracedRadio {
    SimRadio radio{SimProfile::defaults()};
    std::vector<std::string> lines;
    SimTracePrinter printer{[this](const std::string& line) { lines.push_back(line); }};
    TracedRadio() {
        radio.transcript().setListener([this](const SimEvent& e) { printer.add(e); });
    }
    size_t count(const std::string& text) const {
        size_t n = 0;
        for (const std::string& l : lines) n += l.find(text) != std::string::npos;
        return n;
    }
    size_t indexOf(const std::string& text) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos)
                return i;
        return lines.size();
    }
};

TEST(SimTrace, EachWriteReadsOnceOnItsRequestsLine) {
    TracedRadio t;
    uint64_t now = 1000;
    send(t.radio, request(0x22, {0x00, 0x02, 0x02}), now += 200);  // test mode
    send(t.radio, request(0x19, {0x01}), now += 200);              // key up
    for (uint8_t value : {0x3C, 0x3D, 0x3C})
        send(t.radio, request(0x20, {0x00, 0x02, value}), now += 200);  // live writes
    send(t.radio, request(0x20, {0x00, 0x01, 0x3E}), now += 200);       // program
    send(t.radio, request(0x19, {0x00}), now += 200);                   // dekey

    // Three live writes, three lines that say so, each with the bytes that carried it.
    EXPECT_EQ(t.count("live softpot 0"), 3u);
    EXPECT_EQ(t.count("= 60"), 2u);
    EXPECT_EQ(t.count("= 61"), 1u);
    const std::string& live = t.lines[t.indexOf("= 61")];
    EXPECT_NE(live.find("F4 20 00 02 3D"), std::string::npos) << live;
    EXPECT_NE(live.find("<-"), std::string::npos) << live;
    EXPECT_EQ(t.count("program softpot 0"), 1u);
    // The answers follow their requests.
    EXPECT_NE(t.lines.at(t.indexOf("= 61") + 1).find("acknowledge"), std::string::npos);
    EXPECT_LT(t.indexOf("keyed"), t.indexOf("live softpot 0"));
    EXPECT_LT(t.indexOf("live softpot 0"), t.indexOf("dekeyed"));
}

TEST(SimTrace, EveryEventKeepsItsLineAndItsPlace) {
    TracedRadio t;
    SimFaultRule silence;
    silence.kind = SimFaultKind::Silence;
    silence.atRequest = 2;
    t.radio.addFault(silence);
    send(t.radio, request(0x1B, {0x00}), 1000);     // a read: no change of state
    send(t.radio, request(0x19, {0x01}), 2000);     // silenced: no answer, no change
    send(t.radio, {0xF2, 0x19, 0x01, 0x00}, 3000);  // bad checksum
    send(t.radio, request(0x10, {}), 4000);         // reset
    t.printer.flush();
    size_t events = t.radio.transcript().entries().size();
    size_t folded = 0;
    for (const std::string& l : t.lines)
        folded += l.find("  ==  ") != std::string::npos && l.find("<-") != std::string::npos;
    EXPECT_EQ(t.lines.size() + folded, events);
    // The read's line comes before its answer; the silenced request before its fault.
    EXPECT_LT(t.indexOf("read tuning block"), t.indexOf("acknowledge"));
    EXPECT_LT(t.indexOf("key up"), t.indexOf("fault: "));
    EXPECT_EQ(t.count("key up"), 1u);
    EXPECT_EQ(t.count("bad checksum"), 1u);
    EXPECT_NE(t.lines[t.indexOf("F1 10")].find("reset: "), std::string::npos);
}

}  // namespace
}  // namespace vantrel

// A scripted session's program and save go into the service history like a screen's Program and an
// archive save.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "SessionBench.h"
#include "cli/CliExitCode.h"
#include "history/HistorySink.h"

namespace vantrel {
namespace {

TEST(CliHistorySession, ProgramAndSaveAreRecorded) {
    CollectingHistorySink sink;
    ScopedHistorySink installed(&sink);
    test::ScratchDirectory dir;
    test::SessionBench bench;
    bench.input.request({{"cmd", "read"}})
        .request({{"cmd", "open"}, {"procedure", "tx-high-power"}})
        .request({{"cmd", "program"}, {"values", {{"1", 17}}}})
        .request({{"cmd", "close"}})
        .request({{"cmd", "save"}, {"file", dir.file("s.sfp")}});
    const auto run = bench.run();
    ASSERT_EQ(run.exit, exitCode::Success) << run.err;
    std::vector<std::string> kinds;
    for (const ServiceEvent& e : sink.events()) kinds.push_back(std::string(eventKindName(e.kind)));
    ASSERT_EQ(kinds, (std::vector<std::string>{"read", "program", "archive-save"}));
    const ServiceEvent& program = sink.events()[1];
    EXPECT_EQ(program.subject, "Transmit High Power");
    EXPECT_EQ(program.outcome, eventOutcome::Ok);
    ASSERT_TRUE(program.value("Transmit High Power F1"));
    EXPECT_EQ(program.value("Transmit High Power F1")->after, 17);
    EXPECT_NE(program.value("Transmit High Power F1")->before, 17);
    EXPECT_EQ(sink.events()[2].fileName, dir.file("s.sfp"));
    EXPECT_EQ(sink.events()[2].fileHash.rfind("sha256:", 0), 0u);
}

}  // namespace
}  // namespace vantrel

// Tests of the tool's diff command: two archives, and an archive against the simulated radio.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliTestSupport.h"
#include "cli/CliExitCode.h"
#include "link/LinkContext.h"
#include "link/VirtualLine.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimProtocol.h"
#include "sim/SimRadio.h"

namespace vantrel {
namespace {

using test::linesOf;
using test::runCli;
using test::ScratchDirectory;
using Lines = std::vector<std::string>;

/// The simulated radio behind COM1 of a virtual line in virtual time.
class DiffBench {
  public:
    explicit DiffBench(SimProfile profile = SimProfile::defaults())
        : line(clock),
          opener(line, 1),
          radio(std::move(profile)),
          peer(radio),
          m_context(LinkContext{dir.path().string(), &opener, &clock, {}}) {
        line.setPeer(&peer);
    }

    test::CliRun run(const std::vector<std::string>& args) { return runCli(dir.path().string(), args); }

    /// Reads the radio into an archive of the scratch directory; answers its path.
    std::string readArchive(const std::string& name) {
        const std::string path = dir.file(name);
        const auto read = run({"read", "--port", "1", "-o", path});
        EXPECT_EQ(read.exit, exitCode::Success) << read.out << read.err;
        return path;
    }

    ScratchDirectory dir;
    VirtualClock clock;
    VirtualLine line;
    VirtualPortOpener opener;
    SimRadio radio;
    SimPeer peer;

  private:
    ScopedLinkContext m_context;
};

/// Another radio: its own serial number, another transmit high power at F3 and no RSSI softpots.
SimProfile otherRadio() {
    SimProfile p = SimProfile::defaults();
    p.serialNo = "OTHER00001";
    p.softpots[sim::softpot::TxPower].values[0][2] = 110;
    p.rssi.reset();
    return p;
}

std::string otherArchive(const ScratchDirectory& keep) {
    DiffBench bench(otherRadio());
    const std::string path = keep.file("other.sfp");
    const auto read = bench.run({"read", "--port", "1", "-o", path});
    EXPECT_EQ(read.exit, exitCode::Success) << read.out << read.err;
    return path;
}

TEST(CliDiff, TwoArchivesSameOrDifferent) {
    ScratchDirectory keep;
    const std::string other = otherArchive(keep);
    DiffBench bench;
    const std::string mine = bench.readArchive("radio.sfp");
    const std::string again = bench.readArchive("again.sfp");  // another key, the same data

    const auto same = bench.run({"diff", mine, again});
    EXPECT_EQ(same.exit, exitCode::Success) << same.out << same.err;
    EXPECT_EQ(same.out, "No differences\n");
    EXPECT_EQ(same.err, "");

    const unsigned requests = bench.radio.requestCount();
    const auto different = bench.run({"diff", mine, other});
    EXPECT_EQ(different.exit, exitCode::Different) << different.err;
    const Lines lines = linesOf(different.out);
    ASSERT_EQ(lines.size(), 3u) << different.out;
    EXPECT_EQ(lines[0], "Serial Number: \"SIM0000001\" -> \"OTHER00001\"");
    EXPECT_TRUE(lines[1].starts_with("Transmit High Power F3: ") && lines[1].ends_with(" -> 110"))
        << lines[1];
    EXPECT_EQ(lines[2], "RSSI: only in A");
    EXPECT_EQ(linesOf(bench.run({"diff", other, mine}).out)[2], "RSSI: only in B");
    EXPECT_EQ(bench.radio.requestCount(), requests);  // archives only: the radio is not asked

    const auto missing = bench.run({"diff", mine, bench.dir.file("none.sfp")});
    EXPECT_EQ(missing.exit, exitCode::FileFailure);
    EXPECT_EQ(missing.out, "");
    EXPECT_FALSE(missing.err.empty());
}

TEST(CliDiff, ArchiveAgainstTheRadioReadsAndWritesNothing) {
    ScratchDirectory keep;
    const std::string other = otherArchive(keep);
    DiffBench bench;
    const std::string mine = bench.readArchive("radio.sfp");
    const unsigned perRead = bench.radio.requestCount();

    const auto same = bench.run({"diff", mine, "--radio", "--port", "1"});
    EXPECT_EQ(same.exit, exitCode::Success) << same.out << same.err;
    EXPECT_EQ(same.out, "No differences\n");
    // The read's messages and progress go to stderr, as with read -o -.
    EXPECT_NE(same.err.find("Radio has been successfully read !!\n"), std::string::npos) << same.err;
    EXPECT_EQ(linesOf(same.err).front(), "Reading Softpots from radio...");
    // Exactly a read's requests: nothing is programmed.
    EXPECT_EQ(bench.radio.requestCount(), 2 * perRead);

    const auto different = bench.run({"diff", other, "--radio", "--port", "1"});
    EXPECT_EQ(different.exit, exitCode::Different);
    EXPECT_EQ(linesOf(different.out), (Lines{"Serial Number: \"OTHER00001\" -> \"SIM0000001\"",
                                             linesOf(different.out)[1], "RSSI: only in B"}));
    EXPECT_TRUE(linesOf(different.out)[1].starts_with("Transmit High Power F3: 110 -> "));
}

TEST(CliDiff, RadioFailuresKeepTheirExitCodes) {
    DiffBench bench;
    const std::string mine = bench.readArchive("radio.sfp");
    const unsigned afterRead = bench.radio.requestCount();

    // A missing archive is refused before the radio is read.
    EXPECT_EQ(bench.run({"diff", bench.dir.file("none.sfp"), "--radio", "--port", "1"}).exit,
              exitCode::FileFailure);
    // No port chosen and no COM.INI.
    EXPECT_EQ(bench.run({"diff", mine, "--radio"}).exit, exitCode::Usage);
    EXPECT_EQ(bench.radio.requestCount(), afterRead);

    SimFaultRule silence;
    silence.kind = SimFaultKind::Silence;
    silence.atRequest = afterRead + 3;
    silence.times = 0;
    bench.radio.addFault(silence);
    const auto failed = bench.run({"diff", mine, "--radio", "--port", "1"});
    EXPECT_EQ(failed.exit, exitCode::LinkFailure);
    EXPECT_EQ(failed.out, "");  // no comparison with a half-read record
    EXPECT_NE(failed.err.find("Read Radio Failed !!"), std::string::npos) << failed.err;

    const auto holder = bench.line.openDevice();
    const auto busy = bench.run({"diff", mine, "--radio", "--port", "1"});
    EXPECT_EQ(busy.exit, exitCode::PortBusy);
    EXPECT_EQ(busy.out, "");
    EXPECT_NE(busy.err.find("COM Port is currently in use by another application"), std::string::npos)
        << busy.err;
}

TEST(CliDiff, CommandLineChecks) {
    ScratchDirectory dir;
    const std::string a = dir.file("a.sfp");
    for (const Lines& args : {Lines{"diff", a}, Lines{"diff", a, a, a}, Lines{"diff", a, a, "--radio"},
                              Lines{"diff", a, a, "--port", "1"}, Lines{"diff", "--radio"},
                              Lines{"dump", a, "--radio"}, Lines{"diff", a, "--radio=yes"}}) {
        const auto run = runCli(dir.path().string(), args);
        EXPECT_EQ(run.exit, exitCode::Usage) << args.size() << " " << args.back();
        EXPECT_TRUE(run.err.starts_with("vantrel-cli: ")) << run.err;
    }
    const auto help = runCli(dir.path().string(), {"diff", "--help"});
    EXPECT_EQ(help.exit, exitCode::Success);
    EXPECT_TRUE(help.out.starts_with("Usage: vantrel-cli diff A.sfp B.sfp\n")) << help.out;
    EXPECT_NE(runCli(dir.path().string(), {"--help"}).out.find("  diff A.sfp (B.sfp|--radio)   compare"),
              std::string::npos);
}

}  // namespace
}  // namespace vantrel

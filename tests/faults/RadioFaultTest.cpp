// Read Radio and Program All over a real pseudo-terminal while the simulated radio misbehaves.
#include <gtest/gtest.h>
#include <signal.h>

#include "FaultBench.h"
#include "cli/CliExitCode.h"
#include "link/Exceptions.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "sim/SimPeer.h"

namespace vantrel::faults {
namespace {

const char* const kReadFailed =
    "Read Radio Failed !! All softpot operational data is invalid !! Please re-read radio";
const char* const kPortInUse = "COM Port is currently in use by another application";

// Generous bounds for a busy machine: what the silence limits give, several times over.
constexpr double kQuickFailureSeconds = 10.0;
constexpr double kFullReadSeconds = 30.0;

struct ReadResult {
    ReadRadioOutcome outcome;
    double seconds = 0;
    std::vector<PromptMessage> messages;
};

ReadResult readRadio(radioStorage& record) {
    ReadResult r;
    NullProgress progress;
    radioOperations operations;
    r.seconds = secondsOf([&] { r.outcome = operations.readRadioCommand(record, progress); });
    r.messages = radioOperations::messagesFor(r.outcome);
    return r;
}

// The same read against an identical radio on the in-memory line, in virtual time: the reference record.
void readInVirtualTime(radioStorage& record) {
    VirtualClock clock;
    VirtualLine line(clock);
    SimRadio radio(SimProfile::defaults());
    SimPeer peer(radio);
    line.setPeer(&peer);
    VirtualPortOpener opener(line);
    LinkContext context;
    context.programDirectory = "/nonexistent";
    context.opener = &opener;
    context.clock = &clock;
    ScopedLinkContext scoped(std::move(context));
    NullProgress progress;
    ASSERT_EQ(radioOperations().readRadioCommand(record, progress).kind, ReadRadioOutcome::Kind::Read);
}

std::string padded(std::string text, size_t width) {
    text.resize(width, '\0');
    return text;
}

// ---- a radio that goes away -------------------------------------------------------------------

TEST(PtyFaults, DisconnectHalfWayEndsTheReadWithTheFailureMessage) {
    RadioOnPty bench;
    const SimProfile profile = bench.radio().profile();
    bench.fault("disconnect@8");  // after the identity: the pty is closed under the program
    radioStorage record;
    const ReadResult r = readRadio(record);

    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, kReadFailed);
    EXPECT_LT(r.seconds, kQuickFailureSeconds);
    // What was read before the line went stays; the serial number says the record is not to be trusted.
    EXPECT_EQ(record.serialNoBytes(), padded("Invalid", 10));
    EXPECT_EQ(record.modelNoBytes().substr(0, 10), profile.modelNo.substr(0, 10));
    EXPECT_TRUE(bench.radio().disconnected());
}

TEST(PtyFaults, DisconnectDuringProgramAllIsALinkFailure) {
    radioStorage record;
    readInVirtualTime(record);
    RadioOnPty bench;
    bench.fault("disconnect@6");  // the serial number check, then a few softpot writes
    NullProgress progress;
    ProgramOutcome outcome = ProgramOutcome::Programmed;
    const double seconds =
        secondsOf([&] { outcome = radioProgramAll::programRadioCommand(record, progress); });
    EXPECT_EQ(outcome, ProgramOutcome::LinkFailed);
    EXPECT_LT(seconds, kQuickFailureSeconds);
}

// ---- silence and damaged answers --------------------------------------------------------------

TEST(PtyFaults, SilenceGivesFourAttemptsThenTheFailureMessage) {
    RadioOnPty bench;
    bench.fault("silence*0");
    radioStorage record;
    const ReadResult r = readRadio(record);

    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, kReadFailed);
    // Four power-up requests, then the four attempts of the reset sent after the failure.
    EXPECT_EQ(bench.radio().requestCount(), 8u);
    // Four waits of 250 character times (about 1.04 ms each at 9600 bit/s) at the least.
    EXPECT_GT(r.seconds, 4 * 0.25);
    EXPECT_LT(r.seconds, kQuickFailureSeconds);
}

struct RecoverableFault {
    const char* name;
    std::vector<const char*> rules;
    size_t fires;  ///< bad answers the radio gives in all
};

void PrintTo(const RecoverableFault& fault, std::ostream* out) {
    *out << fault.name;
}

class RecoverableFaults : public ::testing::TestWithParam<RecoverableFault> {};

// One bad answer per rule, each retried: the read ends as if nothing had happened, with the same record.
TEST_P(RecoverableFaults, ReadSucceedsAfterRetries) {
    radioStorage reference;
    readInVirtualTime(reference);
    RadioOnPty bench;
    for (const char* rule : GetParam().rules) bench.fault(rule);
    radioStorage record;
    const ReadResult r = readRadio(record);

    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::Read);
    EXPECT_LT(r.seconds, kFullReadSeconds);
    EXPECT_EQ(record.serialNoBytes(), reference.serialNoBytes());
    for (int row = 0; row < record::kRows; ++row)
        for (int column = 0; column < record::kColumns; ++column)
            EXPECT_EQ(record.getValue(row, column), reference.getValue(row, column))
                << "row " << row << " column " << column;
    EXPECT_EQ(bench.radio().transcript().filter(SimEventKind::Fault).size(), GetParam().fires);
}

INSTANTIATE_TEST_SUITE_P(
    PtyFaults, RecoverableFaults,
    // Each rule fires three times in a row: the fourth and last attempt of that request succeeds.
    ::testing::Values(RecoverableFault{"NoiseAndBadChecksum", {"noise@2*3", "badsum@9*3"}, 6},
                      RecoverableFault{"NakAndLateReply", {"nak@4*3", "late@20:400"}, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PtyFaults, CorruptChecksumsEveryTimeEndInTheFailureMessage) {
    RadioOnPty bench;
    bench.fault("badsum*0");
    radioStorage record;
    const ReadResult r = readRadio(record);
    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, kReadFailed);
    // Four power-up requests, then the reset after the failure (it has no data reply to corrupt).
    EXPECT_EQ(bench.radio().requestCount(), 5u);
    EXPECT_LT(r.seconds, kQuickFailureSeconds);
}

TEST(PtyFaults, NoiseEveryTimeEndsInTheFailureMessage) {
    RadioOnPty bench;
    bench.fault("noise*0");
    radioStorage record;
    const ReadResult r = readRadio(record);
    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    // Four power-up requests, then the four attempts of the reset sent after the failure.
    EXPECT_EQ(bench.radio().requestCount(), 8u);
    EXPECT_LT(r.seconds, kQuickFailureSeconds);
}

TEST(PtyFaults, TruncatedReplyIsNotRetriedAndFailsTheRead) {
    RadioOnPty bench;
    bench.fault("truncated@2:3");
    radioStorage record;
    const ReadResult r = readRadio(record);
    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::LinkFailed);
    EXPECT_EQ(r.messages.at(0).text, kReadFailed);
    EXPECT_EQ(record.serialNoBytes(), padded("Invalid", 10));
    EXPECT_LT(r.seconds, kQuickFailureSeconds);
}

// ---- the port held by someone else ------------------------------------------------------------

void expectPortInUse(RadioOnPty& bench) {
    radioStorage record;
    record.setSerialNo("KEEPME0001");
    const ReadResult r = readRadio(record);
    EXPECT_EQ(r.outcome.kind, ReadRadioOutcome::Kind::PortInUse);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, kPortInUse);
    EXPECT_EQ(record.serialNoBytes(), "KEEPME0001");
    EXPECT_EQ(bench.radio().requestCount(), 0u);
}

TEST(PtyFaults, PortHeldBySecondDeviceGivesThePortMessage) {
    RadioOnPty bench;
    PosixSerialDevice holder(bench.device());
    expectPortInUse(bench);
}

TEST(PtyFaults, PortHeldByAnotherProcessGivesThePortMessage) {
    RadioOnPty bench;
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(release[1]);
        char c = 'n';
        try {
            PosixSerialDevice holder(bench.device());
            c = 'y';
            (void)!write(ready[1], &c, 1);
            (void)!read(release[0], &c, 1);  // until the parent closes its end
        } catch (...) {
            (void)!write(ready[1], &c, 1);
        }
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char held = 0;
    pollfd p{ready[0], POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 10000), 0);
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    expectPortInUse(bench);
    close(release[1]);
    close(ready[0]);
    EXPECT_EQ(reapChild(child, 10000), 0);

    // Once the other process let go, the port opens again.
    EXPECT_NO_THROW(PosixSerialDevice again(bench.device()));
}

// ---- the command-line tool on the same faults ---------------------------------------------------

ChildRun runCliRead(const RadioOnPty& bench, const std::string& archive) {
    return runProgram({VANTREL_CLI_EXE, "read", "--port", "1", "-o", archive},
                      {"VANTREL_COM1=" + bench.device()}, 60000);
}

TEST(PtyFaults, CommandLineToolReportsEachFaultByExitCode) {
    ScratchDirectory dir;
    {
        RadioOnPty bench;
        bench.fault("disconnect@10");
        const ChildRun run = runCliRead(bench, dir.file("a.sfp"));
        EXPECT_EQ(run.exitCode, exitCode::LinkFailure) << run.err;
        EXPECT_NE(run.out.find(kReadFailed), std::string::npos) << run.out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("a.sfp")));
    }
    {
        RadioOnPty bench;
        PosixSerialDevice holder(bench.device());
        const ChildRun run = runCliRead(bench, dir.file("b.sfp"));
        EXPECT_EQ(run.exitCode, exitCode::PortBusy) << run.err;
        EXPECT_NE(run.out.find(kPortInUse), std::string::npos) << run.out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("b.sfp")));
    }
}

}  // namespace
}  // namespace vantrel::faults

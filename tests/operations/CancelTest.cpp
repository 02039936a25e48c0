// Cancelling Read Radio and Program All through their progress, at the first, a middle and the last
// exchange: the radio is reset and hears nothing after it, a cancelled read leaves the record as it was,
// a cancelled program says what reached the radio.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "SimBench.h"
#include "link/Exceptions.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"

namespace vantrel {
namespace {

using test::SimBench;
using Strings = std::vector<std::string>;

/// Progress whose user presses Cancel once the radio has received `after` requests (counted from the
/// radio's start); never when `after` is unset.
class CancellingProgress : public test::RecordingProgress {
  public:
    explicit CancellingProgress(const SimRadio& radio) : m_radio(radio) {}
    bool cancelRequested() override {
        ++asked;
        return after && m_radio.requestCount() >= *after;
    }
    std::optional<unsigned> after;
    int asked = 0;

  private:
    const SimRadio& m_radio;
};

/// Every field of a record, as text, to tell whether anything changed.
std::string fingerprint(const radioStorage& r) {
    std::string s = r.serialNoBytes() + "|" + r.modelNoBytes() + "|" + r.uuidBytes() + "|" +
                    r.icVersionBytes() + "|" + std::to_string(r.getDataVersion()) + "|" +
                    (r.isBboFromRadio() ? "bbo" : "-") + "|";
    for (int row = 0; row < record::kRows; ++row)
        for (int column = 0; column < record::kColumns; ++column)
            s += std::to_string(r.getValue(row, column)) + ",";
    for (int f = flag::First; f <= flag::Last; ++f) s += r.isSupported(f) ? '1' : '0';
    return s;
}

Strings withoutResets(const Strings& requests) {
    Strings out;
    std::copy_if(requests.begin(), requests.end(), std::back_inserter(out),
                 [](const std::string& r) { return r != "X"; });
    return out;
}

Strings firstOf(const Strings& requests, size_t count) {
    return Strings(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(count));
}

/// The requests of a whole, uncancelled read of `profile`.
Strings wholeRead(const std::string& profile) {
    SimBench bench(test::profileNamed(profile));
    radioStorage record;
    test::RecordingProgress progress;
    radioOperations ops;
    EXPECT_EQ(ops.readRadioCommand(record, progress).kind, ReadRadioOutcome::Kind::Read);
    return bench.requests();
}

/// A bench whose record already holds an earlier read of another radio, its requests forgotten.
struct CancelRun {
    explicit CancelRun(const std::string& profile)
        : bench(test::profileNamed(profile)), progress(bench.radio) {
        {
            SimBench other(test::profileNamed("mobile"));
            test::RecordingProgress quiet;
            radioOperations first;
            EXPECT_EQ(first.readRadioCommand(record, quiet).kind, ReadRadioOutcome::Kind::Read);
        }
        bench.radio.transcript().clear();
        start = bench.radio.requestCount();
    }
    SimBench bench;
    radioStorage record;
    CancellingProgress progress;
    unsigned start = 0;
};

TEST(CancelReadRadio, AtTheFirstAMiddleAndTheLastExchangeResetsAndKeepsTheRecord) {
    const Strings whole = wholeRead("portable");
    const Strings exchanges = withoutResets(whole);
    ASSERT_EQ(whole.back(), "X");
    ASSERT_GT(exchanges.size(), 30u);
    for (const size_t done : {size_t{0}, size_t{1}, exchanges.size() / 2, exchanges.size() - 1}) {
        SCOPED_TRACE(done);
        CancelRun run("portable");
        const std::string before = fingerprint(run.record);
        run.progress.after = run.start + static_cast<unsigned>(done);
        radioOperations ops;
        const ReadRadioOutcome outcome = ops.readRadioCommand(run.record, run.progress);

        EXPECT_EQ(outcome.kind, ReadRadioOutcome::Kind::Cancelled);
        Strings expected = firstOf(exchanges, done);
        expected.push_back("X");
        EXPECT_EQ(run.bench.requests(), expected);  // the reset, and nothing after it
        EXPECT_FALSE(run.bench.radio.testMode().has_value());
        EXPECT_FALSE(run.bench.line.deviceOpen());
        EXPECT_EQ(fingerprint(run.record), before);
        EXPECT_FALSE(outcome.radioRead());
        EXPECT_FALSE(outcome.updatesStatusBar());
        EXPECT_TRUE(outcome.failure.resetSent);
        EXPECT_EQ(outcome.failure.cause, "cancelled");
        EXPECT_EQ(run.progress.percents.back(), 100);
        const std::vector<PromptMessage> shown = radioOperations::messagesFor(outcome);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], (PromptMessage{"Read Radio cancelled. The record is unchanged.", "NOTE",
                                           PromptIcon::Information}));
    }
}

TEST(CancelReadRadio, CancelWhenOnlyTheFinalResetIsLeftCompletesTheRead) {
    const Strings whole = wholeRead("portable");
    CancelRun run("portable");
    run.progress.after = run.start + static_cast<unsigned>(withoutResets(whole).size());
    radioOperations ops;
    const ReadRadioOutcome outcome = ops.readRadioCommand(run.record, run.progress);
    EXPECT_EQ(outcome.kind, ReadRadioOutcome::Kind::Read);
    EXPECT_EQ(run.bench.requests(), whole);
    EXPECT_EQ(std::string(run.record.getSerialNo()), "PT00000001");
    EXPECT_GT(run.progress.asked, 30);  // asked before every exchange
}

TEST(CancelReadRadio, ASignalComesFirstAndKeepsTheRecordToo) {
    CancelRun run("portable");
    const std::string before = fingerprint(run.record);
    run.progress.after = run.start + 10;  // signal and cancel together: the signal is reported
    LinkContext context = linkContext();
    context.stopSignal = [&] { return run.bench.radio.requestCount() >= run.start + 10 ? SIGINT : 0; };
    ScopedLinkContext scoped(context);
    try {
        radioOperations().readRadioCommand(run.record, run.progress);
        ADD_FAILURE() << "the read was not stopped";
    } catch (const OperationInterrupted& stop) {
        EXPECT_EQ(stop.signal(), SIGINT);
    }
    EXPECT_EQ(run.bench.requests().size(), 11u);
    EXPECT_EQ(run.bench.requests().back(), "X");
    EXPECT_EQ(fingerprint(run.record), before);
    EXPECT_EQ(linkContext().stopSignal(), SIGINT);  // the signal's own check is back
}

/// The requests of a whole, uncancelled Program All of a record read from `profile`.
struct ProgramCancel {
    explicit ProgramCancel(const std::string& profile)
        : bench(test::profileNamed(profile)), progress(bench.radio) {
        test::RecordingProgress quiet;
        radioOperations ops;
        EXPECT_EQ(ops.readRadioCommand(record, quiet).kind, ReadRadioOutcome::Kind::Read);
        bench.radio.transcript().clear();
        start = bench.radio.requestCount();
    }
    ProgramOutcome cancelAfter(size_t done) {
        progress.after = start + static_cast<unsigned>(done);
        return radioProgramAll::programRadioCommand(record, progress, &failure);
    }
    SimBench bench;
    radioStorage record;
    CancellingProgress progress;
    operationFailure failure;
    unsigned start = 0;
};

Strings wholeProgram(const std::string& profile) {
    ProgramCancel run(profile);
    EXPECT_EQ(radioProgramAll::programRadioCommand(run.record, run.progress), ProgramOutcome::Programmed);
    return run.bench.requests();
}

void expectResetLast(const ProgramCancel& run, const Strings& exchanges, size_t done) {
    Strings expected = firstOf(exchanges, done);
    expected.push_back("X");
    EXPECT_EQ(run.bench.requests(), expected);
    EXPECT_FALSE(run.bench.radio.testMode().has_value());
    EXPECT_FALSE(run.bench.line.deviceOpen());
    EXPECT_TRUE(run.failure.resetSent);
    EXPECT_EQ(run.progress.percents.back(), 100);
}

TEST(CancelProgramAll, AtTheFirstAMiddleAndTheLastExchangeResetsAndListsWhatWasWritten) {
    const Strings exchanges = withoutResets(wholeProgram("portable"));
    // Serial, version, reference oscillator, then high power's test mode and table write.
    const auto high = std::find_if(exchanges.begin(), exchanges.end(),
                                   [](const std::string& r) { return r.starts_with("S 0/4"); });
    ASSERT_NE(high, exchanges.end());
    const size_t afterHigh = static_cast<size_t>(high - exchanges.begin()) + 1;
    const std::string kept = " The other softpots keep their previous values.";
    for (const size_t done : {size_t{0}, afterHigh, exchanges.size() - 1}) {
        SCOPED_TRACE(done);
        ProgramCancel run("portable");
        EXPECT_EQ(run.cancelAfter(done), ProgramOutcome::Cancelled);
        expectResetLast(run, exchanges, done);
        const PromptMessage m = radioProgramAll::messageFor(ProgramOutcome::Cancelled, run.failure);
        EXPECT_EQ(m.caption, "NOTE");
        if (done == 0) {
            EXPECT_EQ(m.text, "Program All cancelled before anything was written. The radio is unchanged.");
        }
        if (done == afterHigh) {
            EXPECT_EQ(
                m.text,
                "Program All cancelled after writing: Reference Oscillator, Transmit High Power." + kept);
        }
        if (done == exchanges.size() - 1) {  // temp comp, the last write, never went out
            ASSERT_FALSE(run.failure.written.empty());
            EXPECT_EQ(run.failure.written.back(), "RSSI");
            EXPECT_TRUE(m.text.ends_with(", RSSI." + kept)) << m.text;
        }
    }
}

TEST(CancelProgramAll, BetweenTwoPointsNamesThePointsAlreadyWritten) {
    // Table writes refused: transmit high power goes point by point over F2 and F5.
    const Strings exchanges = withoutResets(wholeProgram("no-table-read"));
    const auto f2 = std::find_if(exchanges.begin(), exchanges.end(),
                                 [](const std::string& r) { return r.starts_with("S 0/1"); });
    ASSERT_NE(f2, exchanges.end());
    const size_t done = static_cast<size_t>(f2 - exchanges.begin()) + 1;
    ProgramCancel run("no-table-read");
    EXPECT_EQ(run.cancelAfter(done), ProgramOutcome::Cancelled);
    expectResetLast(run, exchanges, done);
    EXPECT_EQ(run.failure.written, Strings{"Reference Oscillator"});
    EXPECT_EQ(run.failure.partlyWritten, "Transmit High Power at F2");
    EXPECT_EQ(run.failure.step, "writing Transmit High Power F5");
    EXPECT_EQ(
        radioProgramAll::messageFor(ProgramOutcome::Cancelled, run.failure).text,
        "Program All cancelled after writing: Reference Oscillator, Transmit High Power at F2. The other "
        "softpots keep their previous values.");
}

}  // namespace
}  // namespace vantrel

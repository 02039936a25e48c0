// The service events of Read Radio, Program All and a Program: what each records of the radio, whatever
// the outcome, and that recording never changes the outcome.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimBench.h"
#include "history/HistorySink.h"
#include "operations/operationFailure.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "operations/recordCompare.h"
#include "operations/serviceHistory.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {
namespace {

using test::SimBench;

const EventValue& valueNamed(const ServiceEvent& event, const std::string& name) {
    const EventValue* v = event.value(name);
    if (!v)
        throw std::runtime_error("no value " + name);
    return *v;
}

struct Recorded {
    CollectingHistorySink sink;
    ScopedHistorySink installed{&sink};
};

TEST(ServiceHistory, ReadRecordsTheIdentityEveryValueAndTheOutcome) {
    SimBench bench(test::profileNamed("portable"));
    Recorded history;
    radioStorage record;
    test::RecordingProgress progress;
    radioOperations operations;
    ASSERT_EQ(operations.readRadioCommand(record, progress).kind, ReadRadioOutcome::Kind::Read);

    ASSERT_EQ(history.sink.events().size(), 1u);
    const ServiceEvent& e = history.sink.events().front();
    EXPECT_EQ(e.kind, EventKind::Read);
    EXPECT_EQ(e.subject, "Read Radio");
    EXPECT_EQ(e.serial, "PT00000001");
    EXPECT_EQ(e.model, serviceHistory::modelOf(record));
    EXPECT_EQ(e.outcome, eventOutcome::Ok);
    EXPECT_NE(e.detail.find("Radio has been successfully read !!"), std::string::npos) << e.detail;
    EXPECT_NE(e.detail.find("data version 35"), std::string::npos) << e.detail;
    EXPECT_FALSE(e.uid.empty());
    EXPECT_FALSE(e.timeUtc.empty());
    EXPECT_EQ(e.values, serviceHistory::heldValues(record));
    EXPECT_EQ(valueNamed(e, "Transmit High Power F3").after,
              record.getValue(row::TxPower, col::TxPowerHigh + 2));
    EXPECT_EQ(valueNamed(e, "Transmit High Power F3").before, std::nullopt);
    EXPECT_EQ(valueNamed(e, "Tuning Procedure").after, 1);
    EXPECT_EQ(valueNamed(e, "Transmit F1").row, row::Frequency);
    // Only the sets the radio holds: every value of the event has its set's flag in the record.
    for (const EventValue& v : e.values) EXPECT_EQ(v.name.find("values["), std::string::npos) << v.name;
}

TEST(ServiceHistory, AReadThatFailsPartWayRecordsTheRadiosSerialAndWhatItRead) {
    SimBench bench(test::profileNamed("portable"));
    SimFaultRule rule;
    rule.kind = SimFaultKind::Disconnect;
    rule.atRequest = 20;
    bench.radio.addFault(rule);
    Recorded history;
    radioStorage record;
    test::RecordingProgress progress;
    radioOperations operations;
    ASSERT_EQ(operations.readRadioCommand(record, progress).kind, ReadRadioOutcome::Kind::LinkFailed);
    EXPECT_EQ(serviceHistory::serialOf(record), "Invalid") << "the record says what it always said";

    ASSERT_EQ(history.sink.events().size(), 1u);
    const ServiceEvent& e = history.sink.events().front();
    EXPECT_EQ(e.outcome, eventOutcome::Failed);
    EXPECT_EQ(e.serial, "PT00000001") << "the event belongs to the radio that answered";
    EXPECT_NE(e.detail.find("Read Radio Failed"), std::string::npos);
    EXPECT_NE(e.detail.find("while "), std::string::npos) << "the failed step";
    EXPECT_TRUE(e.value("Transmit F1")) << "the tuning block was read before the failure";
}

TEST(ServiceHistory, ASinkThatFailsNeverChangesTheOperation) {
    struct ThrowingSink : HistorySink {
        void record(ServiceEvent) override { throw std::runtime_error("store gone"); }
    } sink;
    ScopedHistorySink installed(&sink);
    SimBench bench(test::profileNamed("portable"));
    radioStorage record;
    test::RecordingProgress progress;
    radioOperations operations;
    EXPECT_EQ(operations.readRadioCommand(record, progress).kind, ReadRadioOutcome::Kind::Read);
    EXPECT_EQ(radioProgramAll::programRadioCommand(record, progress), ProgramOutcome::Programmed);
}

/// Reads the radio into a record without recording it.
struct ProgramBench {
    explicit ProgramBench(const char* profile) : bench(test::profileNamed(profile)) {
        test::RecordingProgress progress;
        radioOperations operations;
        ok = operations.readRadio(record, progress) == radioOperations::kReadOk;
    }
    SimBench bench;
    radioStorage record;
    test::RecordingProgress progress;
    bool ok = false;
};

TEST(ServiceHistory, ProgramAllRecordsEveryValueItWrote) {
    ProgramBench run("portable");
    ASSERT_TRUE(run.ok);
    Recorded history;
    ASSERT_EQ(radioProgramAll::programRadioCommand(run.record, run.progress), ProgramOutcome::Programmed);
    ASSERT_EQ(history.sink.events().size(), 1u);
    const ServiceEvent& e = history.sink.events().front();
    EXPECT_EQ(e.kind, EventKind::ProgramAll);
    EXPECT_EQ(e.outcome, eventOutcome::Ok);
    EXPECT_EQ(e.serial, "PT00000001");
    EXPECT_NE(e.detail.find("Radio successfully programmed!!"), std::string::npos);
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(valueNamed(e, "Transmit High Power F" + std::to_string(n + 1)).after,
                  run.record.getValue(row::TxPower, col::TxPowerHigh + n));
    EXPECT_EQ(valueNamed(e, "Reference Oscillator Warp").after, run.record.getValue(row::RefOscWarp, 0));
    EXPECT_EQ(valueNamed(e, "VCO Attenuation 20 kHz F7").after,
              run.record.getValue(row::VcoAttenuation, col::Spacing20k + 6))
        << "the one 20 kHz value Program All writes";
    EXPECT_FALSE(e.value("VCO Attenuation 20 kHz F1")) << "not written by Program All";
    EXPECT_FALSE(e.value("Transmit F1")) << "frequency points are not written";
}

TEST(ServiceHistory, EveryProcedureProgramAllReportsHasItsValues) {
    for (const char* profile : {"portable", "mobile", "brightline", "high-power-mobile"}) {
        ProgramBench run(profile);
        ASSERT_TRUE(run.ok) << profile;
        radioProgramAll program(run.record, run.progress);
        program.programAll();
        ASSERT_FALSE(program.failure().written.empty());
        for (const std::string& procedure : program.failure().written) {
            operationFailure one;
            one.written = {procedure};
            EXPECT_FALSE(serviceHistory::programmedValues(run.record, one).empty())
                << profile << ": " << procedure;
        }
    }
}

TEST(ServiceHistory, ProgramAllThatFailsRecordsOnlyWhatReachedTheRadio) {
    // no-table-read: points F2 and F5, table writes refused, so transmit power goes point by point.
    unsigned atRequest = 0;
    {
        ProgramBench dry("no-table-read");
        const unsigned before = dry.bench.radio.requestCount();
        dry.bench.radio.transcript().clear();
        ASSERT_EQ(radioProgramAll::programRadioCommand(dry.record, dry.progress), ProgramOutcome::Programmed);
        const std::vector<std::string> r = dry.bench.requests();
        const auto f2 =
            std::find_if(r.begin(), r.end(), [](const std::string& s) { return s.starts_with("S 0/1"); });
        ASSERT_NE(f2, r.end());
        atRequest = before + static_cast<unsigned>(f2 - r.begin()) + 3;  // the write of F5
    }
    ProgramBench run("no-table-read");
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.opcode = 0x20;
    rule.atRequest = atRequest;
    rule.times = 0;
    run.bench.radio.addFault(rule);
    Recorded history;
    operationFailure failure;
    ASSERT_EQ(radioProgramAll::programRadioCommand(run.record, run.progress, &failure),
              ProgramOutcome::LinkFailed);
    ASSERT_EQ(failure.step, "writing Transmit High Power F5");

    ASSERT_EQ(history.sink.events().size(), 1u);
    const ServiceEvent& e = history.sink.events().front();
    EXPECT_EQ(e.outcome, eventOutcome::Failed);
    std::vector<std::string> names;
    for (const EventValue& v : e.values) names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Reference Oscillator Warp", "Transmit High Power F2"}));
    EXPECT_NE(e.detail.find("already written: Reference Oscillator"), std::string::npos) << e.detail;
}

TEST(ServiceHistory, ProgramAllIntoAnotherRadioRecordsTheSerialItAnswered) {
    ProgramBench run("portable");
    run.record.setSerialNo("OTHER12345");
    Recorded history;
    ASSERT_EQ(radioProgramAll::programRadioCommand(run.record, run.progress), ProgramOutcome::SerialMismatch);
    ASSERT_EQ(history.sink.events().size(), 1u);
    const ServiceEvent& e = history.sink.events().front();
    EXPECT_EQ(e.outcome, eventOutcome::SerialMismatch);
    EXPECT_EQ(e.serial, "OTHER12345");
    EXPECT_TRUE(e.values.empty());
    EXPECT_NE(e.detail.find("PT00000001"), std::string::npos) << e.detail;
}

TEST(ServiceHistory, AScopeRecordsTheCellsBeforeAndAfterAndWhetherItEnded) {
    radioStorage record;
    record.setSerialNo("AB12345678");
    record.setValue(row::TxPower, 0, 100);
    record.setValue(row::TxPower, 1, 101);
    const std::vector<serviceHistory::recordCell> cells{{row::TxPower, 0}, {row::TxPower, 1}};
    {
        Recorded history;
        {
            historyScope scope(record, EventKind::Program, "Transmit High Power", cells);
            record.setValue(row::TxPower, 0, 110);
            record.setValue(row::Frequency, col::TempCompFirst, 7);  // changed beside the cells
            scope.done();
        }
        {
            historyScope scope(record, EventKind::Program, "Transmit High Power", cells);
            record.setValue(row::TxPower, 1, 99);  // then a failure: no done()
        }
        ASSERT_EQ(history.sink.events().size(), 2u);
        const ServiceEvent& ok = history.sink.events()[0];
        EXPECT_EQ(ok.outcome, eventOutcome::Ok);
        EXPECT_EQ(ok.serial, "AB12345678");
        EXPECT_EQ(ok.values,
                  (std::vector<EventValue>{{"Transmit High Power F1", row::TxPower, 0, 100, 110},
                                           {"Transmit High Power F2", row::TxPower, 1, 101, 101},
                                           {"Temp Comp 1", row::Frequency, col::TempCompFirst, 0, 7}}));
        const ServiceEvent& failed = history.sink.events()[1];
        EXPECT_EQ(failed.outcome, eventOutcome::Failed);
        EXPECT_EQ(*failed.value("Transmit High Power F2")->after, 99);
    }
    // Without a sink nothing is kept or recorded.
    historyScope quiet(record, EventKind::Program, "x", cells);
}

TEST(ServiceHistory, AnEventRebuildsTheRecordItWasTakenFrom) {
    ProgramBench run("mobile");
    ASSERT_TRUE(run.ok);
    ServiceEvent e;
    e.serial = serviceHistory::serialOf(run.record);
    e.model = serviceHistory::modelOf(run.record);
    e.values = serviceHistory::heldValues(run.record);
    radioStorage rebuilt;
    serviceHistory::fillRecord(e, rebuilt);
    for (const RecordDifference& d : recordCompare::differences(run.record, rebuilt))
        EXPECT_EQ(d.kind, RecordDifference::Kind::Identity) << d.line();
    EXPECT_EQ(serviceHistory::serialOf(rebuilt), e.serial);
}

}  // namespace
}  // namespace vantrel

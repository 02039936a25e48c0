// The history contract, run on SQLite and on PostgreSQL alike: every kind of event, hostile texts,
// migrations, two writers at once, a writer killed mid-event, the spool delivered after an outage.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>

#include "HistoryChild.h"
#include "HistoryRig.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySpool.h"
#include "history/HistoryStore.h"

namespace vantrel::test {

namespace {

ServiceEvent sampleEvent(EventKind kind, const std::string& serial, const std::string& time) {
    ServiceEvent e;
    e.uid = newEventUid();
    e.timeUtc = time;
    e.kind = kind;
    e.serial = serial;
    e.model = "H25KDD9PW5AN";
    e.subject = std::string(eventKindName(kind)) + " subject";
    e.outcome = eventOutcome::Ok;
    e.detail = "detail of " + std::string(eventKindName(kind));
    e.bench = "bench-1";
    e.operatorName = "tech";
    e.program = "vantrel-cli 0.1.0";
    e.port = "COM1 /dev/ttyUSB0";
    if (kind == EventKind::ArchiveLoad || kind == EventKind::ArchiveSave) {
        e.fileName = "/archives/" + serial + ".sfp";
        e.fileHash = "sha256:" + std::string(64, 'a');
    } else {
        e.values = {{"Transmit High Power F3", 3, 2, 100, 104},
                    {"Reference Oscillator Warp", 2, 0, std::nullopt, -12},
                    {"Tuning Procedure", 0, 8, std::nullopt, 1},
                    {"Unplaced", -1, -1, std::nullopt, std::nullopt}};
    }
    return e;
}

/// The event as a store answers it in a listing (no values) and with its values.
void expectStored(HistoryStore& store, const ServiceEvent& expected) {
    std::vector<StoredEvent> found;
    for (StoredEvent& s : store.radioEvents(expected.serial))
        if (s.event.uid == expected.uid)
            found.push_back(std::move(s));
    ASSERT_EQ(found.size(), 1u) << expected.uid;
    ServiceEvent got = found.front().event;
    EXPECT_FALSE(found.front().storedUtc.empty());
    got.values = store.values(found.front().id);
    EXPECT_EQ(got, expected);
}

class HistoryContract : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        std::string why;
        m_rig = historyRig::make(GetParam(), why);
        if (!m_rig)
            GTEST_SKIP() << why;
    }
    std::unique_ptr<HistoryStore> open(HistoryStoreOptions options = {}) {
        return openHistoryStore(m_rig->target(), options);
    }

    std::unique_ptr<historyRig> m_rig;
};

TEST_P(HistoryContract, RecordsAndListsEveryKindOfEvent) {
    auto store = open();
    std::vector<ServiceEvent> recorded;
    const EventKind kinds[] = {EventKind::Read,    EventKind::ProgramAll,  EventKind::Program,
                               EventKind::Utility, EventKind::ArchiveLoad, EventKind::ArchiveSave};
    int minute = 10;
    for (const EventKind kind : kinds) {
        recorded.push_back(
            sampleEvent(kind, "123ABC4567", "2025-03-01T12:" + std::to_string(minute++) + ":00.000Z"));
        EXPECT_TRUE(store->record(recorded.back()));
    }
    store->record(sampleEvent(EventKind::Read, "OTHER00001", "2025-03-02T08:00:00.000Z"));

    for (const ServiceEvent& e : recorded) expectStored(*store, e);
    const std::vector<StoredEvent> radio = store->radioEvents("123ABC4567");
    ASSERT_EQ(radio.size(), recorded.size());
    for (std::size_t i = 0; i < radio.size(); ++i)
        EXPECT_EQ(radio[i].event.uid, recorded[recorded.size() - 1 - i].uid) << "newest first";
    EXPECT_TRUE(radio.front().event.values.empty()) << "a listing carries no values";

    EXPECT_EQ(store->events("").size(), 7u);
    const std::vector<StoredEvent> since = store->events("2025-03-01T12:14");
    ASSERT_EQ(since.size(), 3u);
    EXPECT_EQ(since.front().event.serial, "OTHER00001");

    const std::vector<ValuePoint> power = store->valueAcross("123ABC4567", "Transmit High Power F3");
    ASSERT_EQ(power.size(), 4u) << "read, program all, program and utility carry it";
    EXPECT_EQ(power.front().timeUtc, recorded.front().timeUtc) << "oldest first";
    EXPECT_EQ(power.front().after, 104);
    EXPECT_EQ(power.front().before, 100);

    const HistoryCheck check = store->check();
    EXPECT_EQ(check.schemaVersion, kHistorySchemaVersion);
    EXPECT_EQ(check.events, 7);
}

TEST_P(HistoryContract, AnEventSentTwiceIsStoredOnce) {
    auto store = open();
    const ServiceEvent e = sampleEvent(EventKind::ProgramAll, "123ABC4567", "2025-03-01T12:00:00.000Z");
    EXPECT_TRUE(store->record(e));
    EXPECT_FALSE(store->record(e));
    EXPECT_EQ(store->radioEvents("123ABC4567").size(), 1u);
    expectStored(*store, e);
}

TEST_P(HistoryContract, HostileTextsInEveryFieldComeBackUnchanged) {
    auto store = open();
    const std::string nul("a\0b\0", 4);
    const std::string hostile[] = {
        "'); DROP TABLE events; --",
        "\"double\" 'single' `back` \\ \\\\ \\0 \\x41 ?$1 %s",
        nul,
        "\xff\xfe invalid \xc3\x28 utf-8 \xed\xa0\x80 \xf4\x90\x80\x80",
        "line\nbreak\rcarriage\ttab \x01\x1f\x7f",
        "Grüße 名前 🙂",
        std::string(1 << 20, 'L') + nul,  // a very long text
    };
    int n = 0;
    for (const std::string& text : hostile) {
        ServiceEvent e =
            sampleEvent(EventKind::Program, text, "2025-03-01T12:00:0" + std::to_string(n++) + ".000Z");
        e.model = e.subject = e.outcome = e.detail = e.bench = e.operatorName = e.program = e.port =
            e.fileName = e.fileHash = text;
        e.values.push_back({text, 1, 1, -9223372036854775807LL - 1, 9223372036854775807LL});
        ASSERT_TRUE(store->record(e));
        expectStored(*store, e);
        EXPECT_EQ(store->valueAcross(text, text).size(), 1u);
    }
    // The schema is intact after all that.
    EXPECT_EQ(store->events("").size(), std::size(hostile));
}

/// Puts an event into a store at `version` with that version's own columns.
void seedEvent(historyRig& rig, int version, const std::string& uid) {
    if (version == 0)
        return;
    rig.execute(
        "INSERT INTO events (uid, time_utc, kind, serial, model, subject, outcome, detail, bench, "
        "operator_name, program, port) VALUES ('" +
        uid +
        "', '2024-01-01T00:00:00.000Z', 'read', 'OLD0000001', 'M', 'Read Radio', 'ok', '', 'b', 'o', "
        "'vantrel 0.0.9', 'COM1')");
    rig.execute(
        "INSERT INTO event_values (event_id, seq, name, record_row, record_column, before_value, "
        "after_value) SELECT id, 0, 'Transmit High Power F1', 3, 0, NULL, 77 FROM events WHERE uid = '" +
        uid + "'");
}

TEST_P(HistoryContract, MigratesFromEmptyAndFromEveryEarlierVersion) {
    for (int version = 0; version < kHistorySchemaVersion; ++version) {
        SCOPED_TRACE("from version " + std::to_string(version));
        std::string why;
        auto rig = historyRig::make(GetParam(), why);
        {
            HistoryStoreOptions older;
            older.migrateTo = version;
            openHistoryStore(rig->target(), older);
        }
        seedEvent(*rig, version, "seeded");
        auto store = openHistoryStore(rig->target());
        EXPECT_EQ(store->check().schemaVersion, kHistorySchemaVersion);
        if (version > 0) {
            const std::vector<StoredEvent> old = store->radioEvents("OLD0000001");
            ASSERT_EQ(old.size(), 1u);
            EXPECT_EQ(old.front().event.fileName, "");
            ASSERT_EQ(store->values(old.front().id).size(), 1u);
            EXPECT_EQ(store->values(old.front().id).front().after, 77);
        }
        // The migrated store takes every field of today's events.
        const ServiceEvent e = sampleEvent(EventKind::ArchiveSave, "OLD0000001", "2025-01-01T00:00:00.000Z");
        store->record(e);
        expectStored(*store, e);
        // Opening again changes nothing.
        EXPECT_EQ(openHistoryStore(rig->target())->check().events, version > 0 ? 2 : 1);
    }
}

TEST_P(HistoryContract, RefusesASchemaNewerThanItKnows) {
    open();
    m_rig->execute("UPDATE schema_version SET version = 99");
    try {
        open();
        FAIL() << "a newer schema was taken";
    } catch (const HistoryError& e) {
        EXPECT_EQ(e.kind(), HistoryError::Kind::Newer);
        EXPECT_NE(std::string(e.what()).find("99"), std::string::npos);
    }
}

TEST_P(HistoryContract, TwoProcessesRecordAtOnce) {
    open();  // the schema exists; the two writers race on events only
    constexpr int kEach = 40;
    pid_t a =
        spawnChild({"write", m_rig->target().location, backendName(GetParam()), "A", std::to_string(kEach)});
    pid_t b =
        spawnChild({"write", m_rig->target().location, backendName(GetParam()), "B", std::to_string(kEach)});
    EXPECT_EQ(waitChild(a), 0);
    EXPECT_EQ(waitChild(b), 0);
    auto store = open();
    for (const char* writer : {"A", "B"}) {
        const std::vector<StoredEvent> events = store->radioEvents(std::string("WRITER") + writer);
        ASSERT_EQ(events.size(), std::size_t(kEach)) << writer;
        for (const StoredEvent& e : events) EXPECT_EQ(store->values(e.id).size(), 3u) << "a whole event";
    }
}

TEST_P(HistoryContract, AWriterKilledMidEventLeavesNoHalfEvent) {
    auto store = open();
    const ServiceEvent before = sampleEvent(EventKind::Read, "KILLED0001", "2025-03-01T12:00:00.000Z");
    store->record(before);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = spawnChild(
        {"die-mid-event", m_rig->target().location, backendName(GetParam()), std::to_string(ready[1])},
        ready[1]);
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the child reached the middle of its event";
    ::close(ready[0]);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    auto after = open();
    const std::vector<StoredEvent> events = after->radioEvents("KILLED0001");
    ASSERT_EQ(events.size(), 1u) << "only the whole event before the kill";
    EXPECT_EQ(events.front().event.uid, before.uid);
    expectStored(*after, before);
    EXPECT_EQ(after->check().events, 1);
    // And the store goes on taking events.
    const ServiceEvent next = sampleEvent(EventKind::Read, "KILLED0001", "2025-03-01T12:01:00.000Z");
    EXPECT_TRUE(after->record(next));
}

TEST_P(HistoryContract, SpooledEventsAreSentWhenTheStoreComesBack) {
    open();
    struct told {
        std::mutex mutex;
        std::vector<std::pair<std::string, bool>> notices;
    };
    auto notices = std::make_shared<told>();
    HistoryRecorderOptions options;
    options.target = m_rig->target();
    options.spoolDirectory = m_rig->scratch() + "/spool";
    options.bench = "bench-7";
    options.operatorName = "tech";
    options.program = "test";
    options.port = [] { return std::string("COM2 /dev/ttyS1"); };
    options.notice = [notices](const std::string& text, bool trouble) {
        std::lock_guard lock(notices->mutex);
        notices->notices.emplace_back(text, trouble);
    };
    options.store.busyTimeout = std::chrono::milliseconds(0);
    options.store.connectTimeoutSeconds = 2;
    HistoryRecorder recorder(options);

    m_rig->makeUnreachable();
    ServiceEvent first = sampleEvent(EventKind::Read, "SPOOLED001", "2025-03-01T12:00:00.000Z");
    first.bench.clear();
    first.port.clear();
    recorder.record(first);
    recorder.record(sampleEvent(EventKind::ProgramAll, "SPOOLED001", "2025-03-01T12:01:00.000Z"));
    ASSERT_TRUE(recorder.flush(std::chrono::seconds(60)));
    EXPECT_EQ(HistorySpool(options.spoolDirectory).pending().size(), 2u);
    {
        std::lock_guard lock(notices->mutex);
        ASSERT_EQ(notices->notices.size(), 1u) << "said once";
        EXPECT_TRUE(notices->notices.front().second);
        EXPECT_NE(notices->notices.front().first.find(options.spoolDirectory), std::string::npos);
    }

    m_rig->makeReachable();
    recorder.record(sampleEvent(EventKind::Program, "SPOOLED001", "2025-03-01T12:02:00.000Z"));
    ASSERT_TRUE(recorder.flush(std::chrono::seconds(60)));
    EXPECT_TRUE(HistorySpool(options.spoolDirectory).pending().empty());
    auto store = open();
    const std::vector<StoredEvent> events = store->radioEvents("SPOOLED001");
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events.back().event.bench, "bench-7") << "stamped by the recorder";
    EXPECT_EQ(events.back().event.port, "COM2 /dev/ttyS1");
    std::lock_guard lock(notices->mutex);
    ASSERT_EQ(notices->notices.size(), 2u);
    EXPECT_FALSE(notices->notices.back().second) << "told that it takes events again";
}

INSTANTIATE_TEST_SUITE_P(Sqlite, HistoryContract, ::testing::Values(Backend::Sqlite));
INSTANTIATE_TEST_SUITE_P(Postgres, HistoryContract, ::testing::Values(Backend::Postgres));

}  // namespace

}  // namespace vantrel::test

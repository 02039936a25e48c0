// What the service history costs: recording on Read Radio and Program All over a pseudo-terminal, and
// the query of one radio's history among 10,000 of its events, on SQLite and (when a cluster is given)
// PostgreSQL. Prints Markdown for docs/history.md.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "history/HistoryRecorder.h"
#include "history/HistorySink.h"
#include "history/HistoryStore.h"
#include "history/sqlHistoryStore.h"
#include "link/LinkContext.h"
#include "link/PosixSerialDevice.h"
#include "operations/ProgressSink.h"
#include "operations/radioOperations.h"
#include "operations/radioProgramAll.h"
#include "operations/serviceHistory.h"
#include "radio/radioStorage.h"
#include "sim/PtySimServer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace {

using namespace vantrel;
using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

/// Hands events on to the recorder and keeps the time the caller's thread spent doing so.
class timingSink : public HistorySink {
  public:
    explicit timingSink(HistorySink& inner) : m_inner(inner) {}
    void record(ServiceEvent event) override {
        const auto start = Clock::now();
        m_inner.record(std::move(event));
        m_spent += Clock::now() - start;
    }
    Clock::duration spent() const { return m_spent; }

  private:
    HistorySink& m_inner;
    Clock::duration m_spent{};
};

struct operationCost {
    std::vector<double> without, with;
    double buildSeconds = 0;  ///< building the event from the record (its values), per operation
    double handSeconds = 0;   ///< handing it to the recorder, per operation
};

/// Read Radio and Program All of the portable over a pseudo-terminal, alternately without and with a
/// recorder (a SQLite file in `dir`).
std::pair<operationCost, operationCost> recordingCost(const std::string& dir, int repeat) {
    SimRadio radio(SimProfile::named("portable"));
    PtySimServer server(radio, dir + "/com1");
    server.start();
    FixedPathOpener opener(server.linkPath());
    LinkContext context = linkContext();
    context.opener = &opener;
    context.programDirectory = dir;
    ScopedLinkContext scope(context);

    HistoryRecorderOptions options;
    options.target = {HistoryTarget::Kind::Sqlite, dir + "/history.sqlite"};
    options.spoolDirectory = dir + "/spool";
    options.bench = benchName();
    options.operatorName = "bench";
    options.program = "vantrel-bench-history";
    HistoryRecorder recorder(options);
    timingSink timing(recorder);

    operationCost read, program;
    radioStorage record;
    NullProgress progress;
    for (int run = 0; run < repeat; ++run) {
        for (const bool recording : {false, true}) {
            std::optional<ScopedHistorySink> installed;
            if (recording)
                installed.emplace(&timing);
            radioOperations operations;
            auto start = Clock::now();
            if (operations.readRadioCommand(record, progress).kind != ReadRadioOutcome::Kind::Read)
                throw std::runtime_error("Read Radio failed");
            (recording ? read.with : read.without).push_back(seconds(Clock::now() - start));
            start = Clock::now();
            if (radioProgramAll::programRadioCommand(record, progress) != ProgramOutcome::Programmed)
                throw std::runtime_error("Program All failed");
            (recording ? program.with : program.without).push_back(seconds(Clock::now() - start));
            recorder.flush(std::chrono::seconds(30));
        }
    }
    const int events = 2 * repeat;
    read.handSeconds = program.handSeconds = seconds(timing.spent()) / events;

    // Building the events from the record: what the operation's thread does besides handing them over.
    CollectingHistorySink collect;
    ScopedHistorySink installed(&collect);
    constexpr int kBuilds = 200;
    ReadRadioOutcome outcome;
    auto start = Clock::now();
    for (int i = 0; i < kBuilds; ++i) serviceHistory::recordRead(record, outcome);
    read.buildSeconds = seconds(Clock::now() - start) / kBuilds;
    operationFailure written;
    written.written = {"Reference Oscillator", "Transmit High Power", "Transmit Low Power", "Transmit Third Power",
                       "Modulation Attenuation", "VCO Attenuation 25 kHz", "Front End Filter", "RSSI"};
    start = Clock::now();
    for (int i = 0; i < kBuilds; ++i)
        serviceHistory::recordProgramAll(record, ProgramOutcome::Programmed, written, {}, "");
    program.buildSeconds = seconds(Clock::now() - start) / kBuilds;
    server.stop();
    return {read, program};
}

void printCost(const char* name, const operationCost& cost) {
    const double without = median(cost.without);
    const double with = median(cost.with);
    const double onThread = cost.buildSeconds + cost.handSeconds;
    std::printf("| %s | %.3f s | %.3f s | %+.2f %% | %.0f us | %.4f %% |\n", name, without, with,
                (with - without) / without * 100.0, onThread * 1e6, onThread / without * 100.0);
}

/// CPU time of the calling thread, in seconds.
double threadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct queryTimes {
    double populate = 0;
    std::vector<double> list, listCpu, values, plot;
    std::size_t listed = 0, plotted = 0;
};

/// 10,000 events of one radio among as many of other radios, each with eight values; then the queries
/// the window and `history SERIAL` make.
queryTimes queryCost(const HistoryTarget& target, int events, int repeat) {
    queryTimes times;
    auto store = openHistoryStore(target);
    const auto start = Clock::now();
    for (int i = 0; i < 2 * events; ++i) {
        ServiceEvent e;
        e.uid = newEventUid();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2025-%02d-%02dT%02d:%02d:%02d.000Z", 1 + i / 20000 % 12,
                      1 + i / 700 % 28, i / 60 % 24, i % 60, i % 59);
        e.timeUtc = stamp;
        e.kind = i % 3 == 0 ? EventKind::Read : EventKind::Program;
        e.serial = i % 2 == 0 ? "BENCH00001" : "OTHER" + std::to_string(i % 977);
        e.model = "P45TSC7B4W";
        e.subject = "Transmit High Power";
        e.outcome = eventOutcome::Ok;
        e.bench = "bench-1";
        e.operatorName = "tech";
        e.program = "vantrel 0.1.0";
        e.port = "COM1 /dev/ttyUSB0";
        for (int p = 0; p < 7; ++p)
            e.values.push_back({"Transmit High Power F" + std::to_string(p + 1), 3, p, 100 + p, 100 + p + i % 5});
        e.values.push_back({"Reference Oscillator Warp", 2, 0, std::nullopt, 300 + i % 7});
        store->record(e);
    }
    times.populate = seconds(Clock::now() - start);
    // A live server's autovacuum analyzes a table that grew; SQLite's connection does it when it closes.
    store.reset();
    if (target.kind == HistoryTarget::Kind::Postgres)
        openPostgresConnection(target.location, {})->execute("ANALYZE");
    store = openHistoryStore(target);
    for (int run = 0; run < repeat; ++run) {
        auto t = Clock::now();
        const double cpu = threadCpu();
        const std::vector<StoredEvent> listed = store->radioEvents("BENCH00001");
        times.listCpu.push_back(threadCpu() - cpu);
        times.list.push_back(seconds(Clock::now() - t));
        times.listed = listed.size();
        t = Clock::now();
        store->values(listed[listed.size() / 2].id);
        times.values.push_back(seconds(Clock::now() - t));
        t = Clock::now();
        times.plotted = store->valueAcross("BENCH00001", "Transmit High Power F3").size();
        times.plot.push_back(seconds(Clock::now() - t));
    }
    return times;
}

void printQuery(const char* backend, const queryTimes& t) {
    std::printf("| %s | %zu | %.1f ms (%.1f ms CPU) | %.2f ms | %zu | %.1f ms | %.0f s |\n", backend, t.listed,
                median(t.list) * 1e3, median(t.listCpu) * 1e3, median(t.values) * 1e3, t.plotted,
                median(t.plot) * 1e3, t.populate);
}

std::string scratchIn(const std::string& base) {
    std::string pattern = base + "/vantrel-bench-history-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed in " + base);
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 3;
    int events = 10000;
    bool skipLink = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "--events" && i + 1 < argc)
            events = std::max(1, std::atoi(argv[++i]));
        else if (a == "--no-link")
            skipLink = true;
    }
    try {
        const std::string dir = scratchIn(std::filesystem::temp_directory_path().string());
        if (!skipLink) {
            std::fprintf(stderr, "Read Radio and Program All with and without recording, %d runs each...\n", repeat);
            const auto [read, program] = recordingCost(dir, repeat);
            std::printf("### Recording on Read Radio and Program All\n\n");
            std::printf("The portable profile over a pseudo-terminal, in real time, median of %d runs alternating "
                        "without and with a recorder (SQLite). On the operation's thread recording is building the "
                        "event from the record and handing it to the recorder; storing happens on the recorder's "
                        "thread while the link waits.\n\n",
                        repeat);
            std::printf("| Operation | Without | With | Difference | On the operation's thread | Share |\n");
            std::printf("|---|---|---|---|---|---|\n");
            printCost("Read Radio", read);
            printCost("Program All", program);
            std::printf("\n");
        }
        // The population commits one transaction per event: on a disk that is one flush each, so the
        // SQLite file goes to memory-backed storage when the machine has it.
        const std::string fast = std::filesystem::is_directory("/dev/shm") ? scratchIn("/dev/shm") : dir;
        std::printf("### One radio's history among %d of its events\n\n", events);
        std::printf("%d events of one radio and %d of other radios, eight values each; median of %d queries. "
                    "List: the radio's events newest first (the window, `history SERIAL`); values: one event's "
                    "values; plot: one value across the radio's events.\n\n",
                    events, events, repeat);
        std::printf("| Back end | Events listed | List | Values | Points plotted | Plot | Filling the store |\n");
        std::printf("|---|---|---|---|---|---|---|\n");
        std::fprintf(stderr, "SQLite: %d events...\n", 2 * events);
        printQuery("SQLite", queryCost({HistoryTarget::Kind::Sqlite, fast + "/history.sqlite"}, events, repeat));
        if (const char* host = std::getenv("VANTREL_TEST_PG_HOST")) {
            std::fprintf(stderr, "PostgreSQL: %d events...\n", 2 * events);
            const std::string conninfo = std::string("host=") + host + " port=" +
                                         (std::getenv("VANTREL_TEST_PG_PORT") ? std::getenv("VANTREL_TEST_PG_PORT")
                                                                             : "5432") +
                                         " user=postgres dbname=postgres";
            printQuery("PostgreSQL", queryCost({HistoryTarget::Kind::Postgres, conninfo}, events, repeat));
        } else {
            std::printf("| PostgreSQL | skipped: no test cluster (run through tests/history/with-postgres.sh) | | | | "
                        "| |\n");
        }
        std::printf("\n");
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        if (fast != dir && !std::getenv("VANTREL_BENCH_KEEP"))
            std::filesystem::remove_all(fast, ignored);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-bench-history: %s\n", e.what());
        return 1;
    }
    return 0;
}

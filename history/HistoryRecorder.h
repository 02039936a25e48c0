// The recorder the front ends install: takes events at once and stores them on a thread of its own,
// spooling them locally while the store cannot take them.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "history/HistorySink.h"
#include "history/HistoryStore.h"

namespace vantrel {

/// What a recorder needs to know.
struct HistoryRecorderOptions {
    HistoryTarget target;
    /// The spool of this target: events wait here while the store cannot take them.
    std::string spoolDirectory;
    /// Stamped on every event that does not carry its own.
    std::string bench;
    std::string operatorName;
    std::string program;
    /// The port in use, asked when an event is recorded (on the caller's thread); may be empty.
    std::function<std::string()> port;
    /// Told on the recorder's thread, once per outage: `trouble` true when events start to wait in the
    /// spool (or are lost), false when the store takes them again. May be empty.
    std::function<void(const std::string& text, bool trouble)> notice;
    HistoryStoreOptions store;
    /// How often waiting events are tried again while nothing new comes.
    std::chrono::milliseconds retry{30000};
};

/// Records service events without ever holding up the caller. record() stamps the event and queues it;
/// the recorder's thread stores each one in a transaction of its own, and when the store cannot take it
/// (unreachable, damaged, full, newer) writes it to the spool and says so once. Spooled events are sent
/// whenever the store takes events again (after the next event stored, and every `retry`), oldest
/// first; the store keeps one event per uid, so an event is never stored twice.
class HistoryRecorder : public HistorySink {
  public:
    explicit HistoryRecorder(HistoryRecorderOptions options);
    /// close() with two seconds.
    ~HistoryRecorder() override;
    HistoryRecorder(const HistoryRecorder&) = delete;
    HistoryRecorder& operator=(const HistoryRecorder&) = delete;

    /// Queues the event (uid, time and the stamp filled in where empty). Never blocks on the store.
    void record(ServiceEvent event) override;
    /// Starts the recorder's thread now, which first sends what an earlier run left in the spool (it
    /// starts on the first record() otherwise).
    void start();
    /// Waits until every event given so far is stored or spooled, at most `budget`; answers whether
    /// all were.
    bool flush(std::chrono::milliseconds budget);
    /// Stops taking events. Waits at most `budget` for the queue; what is still waiting then (also an
    /// event the store is busy with) is written to the spool on this thread, so nothing is lost when a
    /// server does not answer. Later record() calls go straight to the spool.
    void close(std::chrono::milliseconds budget);

    const HistoryRecorderOptions& options() const { return m_options; }

  private:
    struct State;
    static void run(HistoryRecorderOptions options, std::shared_ptr<State> state);

    HistoryRecorderOptions m_options;
    std::shared_ptr<State> m_state;
};

/// The host name of this bench ("unknown" when the system has none).
std::string benchName();
/// The login name of the user running the program ("unknown" when none can be found).
std::string loginName();

}  // namespace vantrel

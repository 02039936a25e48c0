// The one interface through which the core records service events: a sink the front ends install.
#pragma once

#include "history/ServiceEvent.h"

namespace vantrel {

/// Takes service events. The application and the command-line tool install a recorder that stores them
/// (SQLite or PostgreSQL, with a local spool); without a sink nothing is recorded.
class HistorySink {
  public:
    virtual ~HistorySink() = default;
    /// Takes one event. Returns at once: storing happens elsewhere, never during an exchange with the
    /// radio, and no failure of the store reaches the caller. Must not throw.
    virtual void record(ServiceEvent event) = 0;
};

/// The sink of the process; nullptr when none is installed.
HistorySink* historySink();
/// Installs `sink` (not owned; nullptr removes it). The caller keeps it alive while installed.
void setHistorySink(HistorySink* sink);

/// Gives the event a uid and the current time when it has none and hands it to the process's sink.
/// Nothing happens without a sink. Never throws, never blocks on a store.
void recordServiceEvent(ServiceEvent event);

/// Installs a sink for its lifetime and restores the previous one after (tests, one command).
class ScopedHistorySink {
  public:
    explicit ScopedHistorySink(HistorySink* sink) : m_previous(historySink()) { setHistorySink(sink); }
    ~ScopedHistorySink() { setHistorySink(m_previous); }
    ScopedHistorySink(const ScopedHistorySink&) = delete;
    ScopedHistorySink& operator=(const ScopedHistorySink&) = delete;

  private:
    HistorySink* m_previous;
};

/// Keeps every event it is given (tests).
class CollectingHistorySink : public HistorySink {
  public:
    void record(ServiceEvent event) override { m_events.push_back(std::move(event)); }
    const std::vector<ServiceEvent>& events() const { return m_events; }
    void clear() { m_events.clear(); }

  private:
    std::vector<ServiceEvent> m_events;
};

}  // namespace vantrel

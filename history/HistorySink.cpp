// The process's service history sink.
#include "history/HistorySink.h"

#include <atomic>

namespace vantrel {

namespace {
std::atomic<HistorySink*> g_sink{nullptr};
}  // namespace

HistorySink* historySink() {
    return g_sink.load();
}

void setHistorySink(HistorySink* sink) {
    g_sink.store(sink);
}

void recordServiceEvent(ServiceEvent event) {
    HistorySink* sink = g_sink.load();
    if (!sink)
        return;
    try {
        if (event.uid.empty())
            event.uid = newEventUid();
        if (event.timeUtc.empty())
            event.timeUtc = utcTimestamp(std::chrono::system_clock::now());
        sink->record(std::move(event));
    } catch (...) {
        // Recording is never allowed to turn a radio operation into a failure.
    }
}

}  // namespace vantrel

// The history recorder: a queue, one thread, the store and the spool.
#include "history/HistoryRecorder.h"

#include <pwd.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "history/HistorySpool.h"

namespace vantrel {

struct HistoryRecorder::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<ServiceEvent> queue;
    std::optional<ServiceEvent> inFlight;
    bool started = false;
    bool stopping = false;
    bool finished = false;
    bool abandoned = false;
    bool closed = false;
    std::thread worker;
};

namespace {

/// The recorder thread's side: the store connection and what was told.
class delivery {
  public:
    explicit delivery(const HistoryRecorderOptions& options)
        : m_options(options), m_spool(options.spoolDirectory) {
        m_spoolWaiting = !m_spool.pending().empty();
    }

    bool spoolWaiting() const { return m_spoolWaiting; }

    void deliver(const ServiceEvent& event) {
        try {
            store().record(event);
            recovered();
            if (m_spoolWaiting)
                drainSpool();
        } catch (const HistoryError& error) {
            trouble(error);
            toSpool(event);
        }
    }

    void drainSpool() {
        try {
            for (const std::string& file : m_spool.pending()) {
                const std::optional<ServiceEvent> event = m_spool.load(file);
                if (!event)
                    continue;
                store().record(*event);
                m_spool.remove(file);
            }
            m_spoolWaiting = !m_spool.pending().empty();
            recovered();
        } catch (const HistoryError& error) {
            trouble(error);
            m_spoolWaiting = true;
        }
    }

  private:
    HistoryStore& store() {
        if (!m_store)
            m_store = openHistoryStore(m_options.target, m_options.store);
        return *m_store;
    }

    void toSpool(const ServiceEvent& event) {
        try {
            m_spool.put(event);
            m_spoolWaiting = true;
        } catch (const HistoryError& error) {
            tell("Service history: an event could not be kept (" + std::string(error.what()) + ")", true);
        }
    }

    void trouble(const HistoryError& error) {
        // A connection that failed is not trusted again: the next event opens a new one.
        m_store.reset();
        tell("Service history: " + std::string(error.what()) + "; events wait in " + m_spool.directory() +
                 " and are sent when the store takes them",
             true);
    }

    void recovered() {
        if (m_troubleTold)
            tell("Service history: " + m_options.target.describe() + " takes events again", false);
    }

    void tell(const std::string& text, bool isTrouble) {
        if (isTrouble == m_troubleTold)
            return;  // once per outage
        m_troubleTold = isTrouble;
        if (m_options.notice)
            m_options.notice(text, isTrouble);
    }

    const HistoryRecorderOptions& m_options;
    HistorySpool m_spool;
    std::unique_ptr<HistoryStore> m_store;
    bool m_spoolWaiting = false;
    bool m_troubleTold = false;
};

}  // namespace

HistoryRecorder::HistoryRecorder(HistoryRecorderOptions options)
    : m_options(std::move(options)), m_state(std::make_shared<State>()) {}

HistoryRecorder::~HistoryRecorder() {
    close(std::chrono::seconds(2));
}

void HistoryRecorder::start() {
    std::lock_guard lock(m_state->mutex);
    if (m_state->started || m_state->closed)
        return;
    m_state->started = true;
    m_state->worker = std::thread([options = m_options, state = m_state] { run(options, state); });
}

void HistoryRecorder::record(ServiceEvent event) {
    if (event.uid.empty())
        event.uid = newEventUid();
    if (event.timeUtc.empty())
        event.timeUtc = utcTimestamp(std::chrono::system_clock::now());
    if (event.bench.empty())
        event.bench = m_options.bench;
    if (event.operatorName.empty())
        event.operatorName = m_options.operatorName;
    if (event.program.empty())
        event.program = m_options.program;
    if (event.port.empty() && m_options.port)
        event.port = m_options.port();
    bool closed = false;
    {
        std::lock_guard lock(m_state->mutex);
        closed = m_state->closed;
        if (!closed) {
            m_state->queue.push_back(std::move(event));
            m_state->changed.notify_all();
        }
    }
    if (closed) {
        try {
            HistorySpool(m_options.spoolDirectory).put(event);
        } catch (const HistoryError&) {
        }
        return;
    }
    start();
}

bool HistoryRecorder::flush(std::chrono::milliseconds budget) {
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_for(
        lock, budget, [&] { return (m_state->queue.empty() && !m_state->inFlight) || m_state->finished; });
}

void HistoryRecorder::close(std::chrono::milliseconds budget) {
    std::vector<ServiceEvent> left;
    std::thread worker;
    {
        std::unique_lock lock(m_state->mutex);
        if (m_state->closed)
            return;
        m_state->closed = true;
        m_state->stopping = true;
        m_state->changed.notify_all();
        if (m_state->started)
            m_state->changed.wait_for(lock, budget, [&] { return m_state->finished; });
        if (!m_state->finished) {
            // The store did not answer in time: the thread is let go, and what it had not stored yet is
            // kept in the spool (an event stored and spooled both is stored once, by its uid).
            m_state->abandoned = true;
            if (m_state->inFlight)
                left.push_back(*m_state->inFlight);
            left.insert(left.end(), m_state->queue.begin(), m_state->queue.end());
            m_state->queue.clear();
        }
        worker = std::move(m_state->worker);
    }
    if (worker.joinable()) {
        if (m_state->finished)
            worker.join();
        else
            worker.detach();
    }
    if (left.empty())
        return;
    HistorySpool spool(m_options.spoolDirectory);
    std::string failure;
    for (const ServiceEvent& event : left) {
        try {
            spool.put(event);
        } catch (const HistoryError& error) {
            failure = error.what();
        }
    }
    if (m_options.notice)
        m_options.notice(
            "Service history: " + m_options.target.describe() + " did not answer in time; " +
                std::to_string(left.size()) + " event(s) " +
                (failure.empty() ? "wait in " + spool.directory() : "could not be kept: " + failure),
            true);
}

void HistoryRecorder::run(HistoryRecorderOptions options, std::shared_ptr<State> state) {
    // Everything the thread uses is its own: an abandoned thread may outlive the recorder.
    delivery out(options);
    std::unique_lock lock(state->mutex);
    if (out.spoolWaiting()) {
        lock.unlock();
        out.drainSpool();
        lock.lock();
    }
    while (!state->abandoned) {
        if (state->queue.empty()) {
            if (state->stopping)
                break;
            if (out.spoolWaiting()) {
                if (!state->changed.wait_for(lock, options.retry,
                                             [&] { return !state->queue.empty() || state->stopping; })) {
                    lock.unlock();
                    out.drainSpool();
                    lock.lock();
                }
            } else {
                state->changed.wait(lock, [&] { return !state->queue.empty() || state->stopping; });
            }
            continue;
        }
        state->inFlight = std::move(state->queue.front());
        state->queue.pop_front();
        const ServiceEvent event = *state->inFlight;
        lock.unlock();
        out.deliver(event);
        lock.lock();
        state->inFlight.reset();
        state->changed.notify_all();
    }
    state->finished = true;
    state->changed.notify_all();
}

std::string benchName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "unknown";
    return name;
}

std::string loginName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name)
        return found->pw_name;
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    return "unknown";
}

}  // namespace vantrel

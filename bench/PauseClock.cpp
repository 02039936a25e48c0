// The measuring clock.
#include "bench/PauseClock.h"

#include <chrono>

namespace vantrel::bench {

uint32_t PauseClock::tick() {
    return SystemClock::instance().tick();
}

void PauseClock::sleep(uint32_t ms) {
    const int64_t start = nowUs();
    SystemClock::instance().sleep(ms);
    const int64_t end = nowUs();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sleeps.push_back({ms, start, end - start});
}

void PauseClock::sleepIdle(uint32_t ms, const std::function<void()>& idle) {
    const int64_t start = nowUs();
    SystemClock::instance().sleepIdle(ms, idle);
    const int64_t end = nowUs();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sleeps.push_back({ms, start, end - start});
}

uint32_t PauseClock::idleSliceMs() {
    return SystemClock::instance().idleSliceMs();
}

void PauseClock::noteWake(uint32_t askedMs, uint32_t tookMs) {
    SystemClock::instance().noteWake(askedMs, tookMs);
}

std::vector<SleepRecord> PauseClock::take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SleepRecord> out;
    out.swap(m_sleeps);
    return out;
}

int64_t PauseClock::nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace vantrel::bench

// The system's monotonic millisecond clock, and the pace of the idle hook during its waits.
#include "link/Clock.h"

#include <time.h>

#include <algorithm>

namespace vantrel {

uint32_t SystemClock::tick() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void SystemClock::sleep(uint32_t ms) {
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0) {
    }
}

void Clock::sleepIdle(uint32_t ms, const std::function<void()>& idle) {
    if (!idle) {
        sleep(ms);
        return;
    }
    const uint32_t start = tick();
    for (;;) {
        idle();
        const uint32_t spent = tick() - start;
        if (spent >= ms)
            return;
        sleep(std::min(ms - spent, kIdleSliceMs));
    }
}

namespace {

int64_t monotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void sleepUntilUs(int64_t wakeUs) {
    timespec wake{static_cast<time_t>(wakeUs / 1000000), static_cast<long>(wakeUs % 1000000) * 1000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) != 0) {
    }
}

// A busy machine wakes a sleeper late by a scheduler tick or two (4 ms at 250 Hz); what was seen
// lately is kept, fading by a quarter a wake-up, so one late wake-up shortens a few slices only.
constexpr int64_t kSliceUs = static_cast<int64_t>(kIdleSliceMs) * 1000;
constexpr int64_t kShortestSliceUs = 1000;

}  // namespace

void SystemClock::noteLateness(int64_t lateUs) {
    const int64_t faded = m_lateUs.load(std::memory_order_relaxed) * 3 / 4;
    m_lateUs.store(std::clamp<int64_t>(lateUs, faded, kSliceUs), std::memory_order_relaxed);
}

uint32_t SystemClock::idleSliceMs() {
    const int64_t slice = kSliceUs - m_lateUs.load(std::memory_order_relaxed);
    return static_cast<uint32_t>((std::max(slice, kShortestSliceUs) + 500) / 1000);
}

void SystemClock::noteWake(uint32_t askedMs, uint32_t tookMs) {
    // Whole ticks: a wait that returned on time can read up to one tick long.
    noteLateness(tookMs > askedMs + 1 ? (static_cast<int64_t>(tookMs) - askedMs - 1) * 1000 : 0);
}

void SystemClock::sleepIdle(uint32_t ms, const std::function<void()>& idle) {
    if (!idle) {
        sleep(ms);
        return;
    }
    const int64_t deadline = monotonicUs() + static_cast<int64_t>(ms) * 1000;
    for (;;) {
        const int64_t called = monotonicUs();
        idle();
        const int64_t now = monotonicUs();
        if (now >= deadline)
            return;
        // The slice runs from the call of the hook, not from its return, and ends early by the lateness
        // seen lately: the hook comes round within the slice after all. A hook slower than the slice
        // still leaves the thread a moment's sleep.
        const int64_t slice = std::max(kSliceUs - m_lateUs.load(std::memory_order_relaxed), kShortestSliceUs);
        const int64_t wake = std::min(deadline, std::max(called + slice, now + kShortestSliceUs / 2));
        sleepUntilUs(wake);
        noteLateness(monotonicUs() - wake);
    }
}

SystemClock& SystemClock::instance() {
    static SystemClock clock;
    return clock;
}

}  // namespace vantrel

// The system's monotonic millisecond clock.
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

void SystemClock::sleepIdle(uint32_t ms, const std::function<void()>& idle) {
    if (!idle) {
        sleep(ms);
        return;
    }
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(ms / 1000);
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_nsec -= 1000000000L;
        ++deadline.tv_sec;
    }
    auto before = [](const timespec& a, const timespec& b) {
        return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
    };
    for (;;) {
        idle();
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (!before(now, deadline))
            return;
        timespec wake = now;
        wake.tv_nsec += static_cast<long>(kIdleSliceMs) * 1000000L;
        if (wake.tv_nsec >= 1000000000L) {
            wake.tv_nsec -= 1000000000L;
            ++wake.tv_sec;
        }
        if (before(deadline, wake))
            wake = deadline;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) != 0) {
        }
    }
}

SystemClock& SystemClock::instance() {
    static SystemClock clock;
    return clock;
}

}  // namespace vantrel

// The millisecond tick counter and sleep that every wait of the link goes through.
#pragma once

#include <cstdint>
#include <functional>

namespace vantrel {

/// Longest stretch a wait of the link blocks without calling the idle hook, so a window keeps painting.
inline constexpr uint32_t kIdleSliceMs = 5;

/// A millisecond clock. tick() wraps at 2^32 like a platform tick counter.
class Clock {
  public:
    virtual ~Clock() = default;
    /// Milliseconds since an arbitrary start; wraps.
    virtual uint32_t tick() = 0;
    /// Sleeps for at least ms milliseconds.
    virtual void sleep(uint32_t ms) = 0;
    /// Sleeps for at least ms milliseconds; with an idle function, calls it first and then at least
    /// every kIdleSliceMs until the time is up. One wait, however it is cut up.
    virtual void sleepIdle(uint32_t ms, const std::function<void()>& idle);
};

/// Production clock: the monotonic clock of the system.
class SystemClock : public Clock {
  public:
    uint32_t tick() override;
    void sleep(uint32_t ms) override;
    /// Keeps an absolute deadline, so cutting the wait up adds no time to it.
    void sleepIdle(uint32_t ms, const std::function<void()>& idle) override;
    static SystemClock& instance();
};

}  // namespace vantrel

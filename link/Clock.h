// The millisecond tick counter and sleep that every wait of the link goes through.
#pragma once

#include <atomic>
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
    /// How long a wait that calls the idle hook may block now, 1 to kIdleSliceMs milliseconds: less
    /// than the slice when this clock's wake-ups have lately come late (a busy machine).
    virtual uint32_t idleSliceMs() { return kIdleSliceMs; }
    /// Tells the clock that a wait which asked to block askedMs returned after tookMs (by its ticks).
    virtual void noteWake(uint32_t askedMs, uint32_t tookMs) { (void)askedMs, (void)tookMs; }
};

/// Production clock: the monotonic clock of the system.
class SystemClock : public Clock {
  public:
    uint32_t tick() override;
    void sleep(uint32_t ms) override;
    /// Keeps an absolute deadline, so cutting the wait up adds no time to it. Each slice is shortened
    /// by how late recent wake-ups came, so the idle hook keeps its pace on a busy machine.
    void sleepIdle(uint32_t ms, const std::function<void()>& idle) override;
    uint32_t idleSliceMs() override;
    void noteWake(uint32_t askedMs, uint32_t tookMs) override;
    static SystemClock& instance();

  private:
    /// Records how much later than asked a blocking wait returned, in microseconds.
    void noteLateness(int64_t lateUs);
    /// Recent lateness of wake-ups, microseconds: the largest lately seen, decaying.
    std::atomic<int64_t> m_lateUs{0};
};

}  // namespace vantrel

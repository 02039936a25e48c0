// The millisecond tick counter and sleep that every wait of the link goes through.
#pragma once

#include <cstdint>
#include <functional>

namespace vantrel {

/// A millisecond clock. tick() wraps at 2^32 like a platform tick counter.
class Clock {
  public:
    virtual ~Clock() = default;
    /// Milliseconds since an arbitrary start; wraps.
    virtual uint32_t tick() = 0;
    /// Sleeps for at least ms milliseconds.
    virtual void sleep(uint32_t ms) = 0;
};

/// Production clock: the monotonic clock of the system.
class SystemClock : public Clock {
  public:
    uint32_t tick() override;
    void sleep(uint32_t ms) override;
    static SystemClock& instance();
};

}  // namespace vantrel

// A measuring clock for the benchmarks: the system clock, with every sleep the link asks for recorded.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "link/Clock.h"

namespace vantrel::bench {

/// The pause a send primitive takes after the frame: write sleeps 175 ms, writeNoEcho 110 ms.
constexpr uint32_t kEchoPauseMs = 175;
constexpr uint32_t kNoEchoPauseMs = 110;

/// One sleep of the link: what it asked for, when it started and how long it really took.
struct SleepRecord {
    uint32_t requestedMs = 0;
    int64_t startUs = 0;    ///< steady clock, microseconds (see PauseClock::nowUs)
    int64_t elapsedUs = 0;  ///< real duration, microseconds
    /// Whether this is the pause of a send primitive (the only sleeps of 110 or 175 ms the link takes).
    bool isSendPause() const { return requestedMs == kEchoPauseMs || requestedMs == kNoEchoPauseMs; }
};

/// Ticks and sleeps like the system clock and records each sleep. Install it as the link context's
/// clock; take() hands over and forgets what was recorded so far.
class PauseClock : public Clock {
  public:
    uint32_t tick() override;
    void sleep(uint32_t ms) override;
    /// One record for the whole wait, however often the idle hook cut it up.
    void sleepIdle(uint32_t ms, const std::function<void()>& idle) override;
    /// The system clock's pacing of the idle hook.
    uint32_t idleSliceMs() override;
    void noteWake(uint32_t askedMs, uint32_t tookMs) override;
    std::vector<SleepRecord> take();
    /// The steady clock in microseconds, the time base of the records.
    static int64_t nowUs();

  private:
    std::mutex m_mutex;
    std::vector<SleepRecord> m_sleeps;
};

}  // namespace vantrel::bench

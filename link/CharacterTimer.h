// A pacing timer on the millisecond tick counter, counting in whole character periods.
#pragma once

#include <cstdint>

#include "link/Clock.h"

namespace vantrel {

/// Keeps an absolute schedule of periods from its creation: each waitPeriods(n) advances the
/// deadline from the previous deadline, not from the current time. Waits sleep; they never spin.
class CharacterTimer {
  public:
    /// period in seconds; the millisecond period is truncated toward zero (1 ms at 9600 bit/s).
    CharacterTimer(Clock& clock, double periodSeconds);
    /// Advances the deadline by n periods and waits until the tick counter passes it.
    void waitPeriods(uint32_t n);
    uint32_t periodMs() const { return m_period; }
    uint32_t startTick() const { return m_start; }

  private:
    Clock& m_clock;
    uint32_t m_start;
    uint32_t m_deadline;
    uint32_t m_period;
};

}  // namespace vantrel

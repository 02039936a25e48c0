// The character pacing timer.
#include "link/CharacterTimer.h"

#include "link/LinkContext.h"

namespace vantrel {

CharacterTimer::CharacterTimer(Clock& clock, double periodSeconds)
    : m_clock(clock),
      m_start(clock.tick()),
      m_deadline(m_start),
      m_period(static_cast<uint32_t>(periodSeconds * 1000.0)) {}

void CharacterTimer::waitPeriods(uint32_t n) {
    m_deadline += n * m_period;
    // Signed difference: correct across the tick counter's wrap.
    int32_t remaining = static_cast<int32_t>(m_deadline + 1 - m_clock.tick());
    if (remaining > 0)
        m_clock.sleepIdle(static_cast<uint32_t>(remaining), linkContext().idleHook);
}

}  // namespace vantrel

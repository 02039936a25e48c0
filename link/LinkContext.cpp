// The process-wide link context and its production defaults.
#include "link/LinkContext.h"

#include "link/PosixSerialDevice.h"

namespace vantrel {

PortOpener& LinkContext::portOpener() {
    static PosixPortOpener posix;
    return opener ? *opener : posix;
}

Clock& LinkContext::lineClock() {
    return clock ? *clock : SystemClock::instance();
}

LinkContext& linkContext() {
    static LinkContext context;
    return context;
}

}  // namespace vantrel

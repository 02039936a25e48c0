// The cancel check the progress of Read Radio and Program All adds to the link's stop check.
#include "operations/ProgressSink.h"

#include "link/LinkContext.h"

namespace vantrel {

CancelCheckScope::CancelCheckScope(ProgressSink& progress) : m_previous(linkContext().stopSignal) {
    linkContext().stopSignal = [previous = m_previous, &progress] {
        if (previous) {
            if (const int signal = previous(); signal != 0)
                return signal;
        }
        return progress.cancelRequested() ? kCancelledByUser : 0;
    };
}

CancelCheckScope::~CancelCheckScope() {
    linkContext().stopSignal = std::move(m_previous);
}

}  // namespace vantrel

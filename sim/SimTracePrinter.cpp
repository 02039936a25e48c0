// The readable trace of vantrel-sim.
#include "sim/SimTracePrinter.h"

namespace vantrel {

SimTracePrinter::SimTracePrinter(std::function<void(const std::string&)> write) : m_write(std::move(write)) {}

void SimTracePrinter::add(const SimEvent& event) {
    if (m_request && event.kind == SimEventKind::State && event.atMs == m_request->atMs) {
        m_write(SimTranscript::format(*m_request) + "  ==  " + event.text);
        m_request.reset();
        return;
    }
    flush();
    if (event.kind == SimEventKind::FrameIn)
        m_request = event;
    else
        m_write(SimTranscript::format(event));
}

void SimTracePrinter::flush() {
    if (!m_request)
        return;
    m_write(SimTranscript::format(*m_request));
    m_request.reset();
}

}  // namespace vantrel
